// The AES block cipher and the entry counter mode.

#include <gtest/gtest.h>

#include "cryptotestutil.h"
#include "zip/crypto/rijndael.h"

namespace hsa {
namespace {

using test::Bytes;
using test::FromHex;
using test::ToHex;

// Runs the body once with the processor's AES instructions (when present)
// and once with the lookup tables.
class AesPaths : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam() && !AesAccelerationAvailable()) GTEST_SKIP() << "no AES instructions on this processor";
        SetAesAcceleration(GetParam());
    }
    void TearDown() override { SetAesAcceleration(true); }
};

Bytes Encrypt(const Bytes& key, const Bytes& block) {
    TCipher_Rijndael aes(key.data(), int(key.size()));
    Bytes out(16);
    aes.EncryptBlock(block.data(), out.data());
    return out;
}

Bytes Decrypt(const Bytes& key, const Bytes& block) {
    TCipher_Rijndael aes(key.data(), int(key.size()));
    Bytes out(16);
    aes.DecryptBlock(block.data(), out.data());
    return out;
}

TEST_P(AesPaths, ReproducesTheExamplesOfFips197) {
    struct Case {
        const char* key;
        const char* plain;
        const char* cipher;
        int rounds;
    };
    const Case cases[] = {
        {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734", "3925841d02dc09fbdc118597196a0b32", 10},
        {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a", 10},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
         "dda97ca4864cdfe06eaf70a0ec0d7191", 12},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "00112233445566778899aabbccddeeff",
         "8ea2b7ca516745bfeafc49904b496089", 14},
    };
    for (const Case& c : cases) {
        const Bytes key = FromHex(c.key);
        EXPECT_EQ(ToHex(Encrypt(key, FromHex(c.plain))), c.cipher) << c.key;
        EXPECT_EQ(ToHex(Decrypt(key, FromHex(c.cipher))), c.plain) << c.key;
        EXPECT_EQ(TCipher_Rijndael(key.data(), int(key.size())).Rounds(), c.rounds);
    }
}

TEST_P(AesPaths, BlocksAndCounterModeAgreeWithLibcrypto) {
    std::mt19937 rng(5);
    for (std::size_t keyLength : {16u, 24u, 32u}) {
        for (std::size_t length : {0u, 1u, 15u, 16u, 17u, 127u, 128u, 129u, 4099u}) {
            SCOPED_TRACE(std::to_string(keyLength) + "/" + std::to_string(length));
            const Bytes key = test::RandomBytes(rng, keyLength);
            const Bytes block = test::RandomBytes(rng, 16);
            const Bytes expected = test::RefAesEcb(key, block, true);
            ASSERT_EQ(ToHex(Encrypt(key, block)), ToHex(expected));
            ASSERT_EQ(ToHex(Decrypt(key, expected)), ToHex(block));
            const Bytes data = test::RandomBytes(rng, length);
            Bytes out(length);
            TCipher_Rijndael(key.data(), int(key.size())).EncodeBuffer(data.data(), out.data(), length);
            ASSERT_EQ(ToHex(out), ToHex(test::RefCounterMode(key, data)));
        }
    }
}

TEST_P(AesPaths, CounterCarriesIntoTheNextByteAfter256And65536Blocks) {
    const Bytes key = FromHex("000102030405060708090a0b0c0d0e0f");
    const std::size_t blocks = 65536 + 300;
    const Bytes zeros(blocks * 16, 0);
    Bytes stream(zeros.size());
    TCipher_Rijndael(key.data(), int(key.size())).EncodeBuffer(zeros.data(), stream.data(), zeros.size());
    // The keystream of block n (from 1) is the encrypted counter n.
    for (std::uint64_t n : {1ull, 255ull, 256ull, 257ull, 512ull, 65535ull, 65536ull, 65537ull, 65836ull}) {
        Bytes counter(16, 0);
        for (int i = 0; i < 8; ++i) counter[i] = std::uint8_t(n >> (8 * i));
        EXPECT_EQ(ToHex(stream.data() + 16 * (n - 1), 16), ToHex(test::RefAesEcb(key, counter, true))) << "block " << n;
    }
}

TEST_P(AesPaths, DecryptsInPiecesOfAnySizeWhatWasEncryptedInOneCall) {
    std::mt19937 rng(7);
    const Bytes key = test::RandomBytes(rng, 32);
    const Bytes plain = test::RandomBytes(rng, 5000);
    Bytes cipher(plain.size());
    TCipher_Rijndael(key.data(), 32).EncodeBuffer(plain.data(), cipher.data(), plain.size());
    const std::vector<std::size_t> pieces[] = {{1}, {15}, {16}, {17}, {129}, {3, 16, 1, 200, 15, 17, 48}};
    for (const auto& steps : pieces) {
        TCipher_Rijndael aes(key.data(), 32);
        Bytes buffer = cipher;   // in place
        for (std::size_t pos = 0, step = 0; pos < buffer.size(); ++step) {
            const std::size_t n = std::min(steps[step % steps.size()], buffer.size() - pos);
            aes.DecodeBuffer(buffer.data() + pos, buffer.data() + pos, n);
            pos += n;
        }
        EXPECT_EQ(buffer, plain) << "pieces of " << steps[0];
    }
}

INSTANTIATE_TEST_SUITE_P(Both, AesPaths, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Accelerated" : "Tables"; });

}  // namespace
}  // namespace hsa
