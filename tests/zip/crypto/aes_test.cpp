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

TEST_P(AesPaths, AgreesWithLibcryptoOnRandomKeysAndBlocks) {
    std::mt19937 rng(5);
    for (std::size_t keyLength : {16u, 24u, 32u}) {
        for (int round = 0; round < 50; ++round) {
            const Bytes key = test::RandomBytes(rng, keyLength);
            const Bytes block = test::RandomBytes(rng, 16);
            const Bytes expected = test::RefAesEcb(key, block, true);
            ASSERT_EQ(ToHex(Encrypt(key, block)), ToHex(expected)) << keyLength;
            ASSERT_EQ(ToHex(Decrypt(key, expected)), ToHex(block)) << keyLength;
        }
    }
}

TEST_P(AesPaths, CounterModeAgreesWithCounterBlocksEncryptedByLibcrypto) {
    std::mt19937 rng(6);
    for (std::size_t keyLength : {16u, 24u, 32u}) {
        for (std::size_t length : {0u, 1u, 15u, 16u, 17u, 127u, 128u, 129u, 4099u}) {
            const Bytes key = test::RandomBytes(rng, keyLength);
            const Bytes data = test::RandomBytes(rng, length);
            TCipher_Rijndael aes(key.data(), int(key.size()));
            Bytes out(length);
            aes.EncodeBuffer(data.data(), out.data(), length);
            ASSERT_EQ(ToHex(out), ToHex(test::RefCounterMode(key, data))) << keyLength << "/" << length;
        }
    }
}

TEST_P(AesPaths, CounterCarriesIntoTheNextByteAfter256And65536Blocks) {
    const Bytes key = FromHex("000102030405060708090a0b0c0d0e0f");
    const std::size_t blocks = 65536 + 300;
    const Bytes zeros(blocks * 16, 0);
    TCipher_Rijndael aes(key.data(), int(key.size()));
    Bytes stream(zeros.size());
    aes.EncodeBuffer(zeros.data(), stream.data(), zeros.size());

    // The keystream of block n (from 1) is the encrypted counter n.
    auto counterBlock = [](std::uint64_t n) {
        Bytes c(16, 0);
        for (int i = 0; i < 8; ++i) c[i] = std::uint8_t(n >> (8 * i));
        return c;
    };
    for (std::uint64_t n : {1ull, 255ull, 256ull, 257ull, 512ull, 65535ull, 65536ull, 65537ull, 65836ull}) {
        const Bytes expected = test::RefAesEcb(key, counterBlock(n), true);
        EXPECT_EQ(ToHex(stream.data() + 16 * (n - 1), 16), ToHex(expected)) << "block " << n;
    }
    const auto& counter = aes.CounterBlock();
    EXPECT_EQ(ToHex(counter.data(), 16), ToHex(counterBlock(blocks)));
}

TEST_P(AesPaths, DecryptsInPiecesOfAnySizeWhatWasEncryptedInOneCall) {
    std::mt19937 rng(7);
    const Bytes key = test::RandomBytes(rng, 32);
    const Bytes plain = test::RandomBytes(rng, 5000);
    Bytes cipher(plain.size());
    TCipher_Rijndael(key.data(), 32).EncodeBuffer(plain.data(), cipher.data(), plain.size());
    for (std::size_t piece : {1u, 15u, 16u, 17u, 100u, 129u}) {
        TCipher_Rijndael aes(key.data(), 32);
        Bytes out(cipher.size());
        for (std::size_t pos = 0; pos < cipher.size(); pos += piece) {
            const std::size_t n = std::min(piece, cipher.size() - pos);
            aes.DecodeBuffer(cipher.data() + pos, out.data() + pos, n);
        }
        EXPECT_EQ(out, plain) << "pieces of " << piece;
    }
    // Mixed sizes, and in place.
    TCipher_Rijndael aes(key.data(), 32);
    Bytes buffer = cipher;
    std::size_t pos = 0, step = 0;
    const std::size_t steps[] = {3, 16, 1, 200, 15, 17, 48};
    while (pos < buffer.size()) {
        const std::size_t n = std::min(steps[step++ % 7], buffer.size() - pos);
        aes.DecodeBuffer(buffer.data() + pos, buffer.data() + pos, n);
        pos += n;
    }
    EXPECT_EQ(buffer, plain);
}

INSTANTIATE_TEST_SUITE_P(Both, AesPaths, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Accelerated" : "Tables"; });

}  // namespace
}  // namespace hsa
