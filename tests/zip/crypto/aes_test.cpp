// The AES block cipher, the entry counter mode, the per-entry transform
// and the AES extra field.

#include <gtest/gtest.h>

#include "cryptotestutil.h"
#include "zip/crypto/aestransform.h"
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

Bytes Block(const Bytes& key, const Bytes& block, bool encrypt = true) {
    TCipher_Rijndael aes(key.data(), int(key.size()));
    Bytes out(16);
    encrypt ? aes.EncryptBlock(block.data(), out.data()) : aes.DecryptBlock(block.data(), out.data());
    return out;
}

TEST_P(AesPaths, BlocksAndCounterModeAgreeWithLibcrypto) {
    std::mt19937 rng(5);
    for (std::size_t keyLength : {16u, 24u, 32u}) {
        for (std::size_t length : {0u, 1u, 15u, 16u, 17u, 127u, 128u, 129u, 4099u}) {
            SCOPED_TRACE(std::to_string(keyLength) + "/" + std::to_string(length));
            const Bytes key = test::RandomBytes(rng, keyLength);
            const Bytes block = test::RandomBytes(rng, 16);
            const Bytes expected = test::RefAesEcb(key, block, true);
            ASSERT_EQ(ToHex(Block(key, block)), ToHex(expected));
            ASSERT_EQ(ToHex(Block(key, expected, false)), ToHex(block));
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

// Encrypts plain through the transform in pieces of `piece` bytes.
Bytes EncryptEntry(TAESCryptoTransform& t, const Bytes& plain, std::size_t piece = 4096) {
    Bytes entry = t.GetHeader();
    Bytes buffer(plain);
    for (std::size_t pos = 0; pos < buffer.size(); pos += piece) {
        const std::size_t n = std::min(piece, buffer.size() - pos);
        t.EncryptBuffer(buffer.data() + pos, buffer.data() + pos, n);
    }
    entry.insert(entry.end(), buffer.begin(), buffer.end());
    const Bytes code = t.FinishAuthCode();
    entry.insert(entry.end(), code.begin(), code.end());
    return entry;
}

TEST(AesExtraField, ParsesWhatItWritesAndRefusesDamagedFields) {
    for (std::uint16_t version : {1, 2}) {
        for (std::uint8_t strength : {1, 2, 3}) {
            AesExtraField f{version, strength, std::uint16_t(strength == 2 ? 0 : 8)};
            const auto parsed = ParseAesExtraField(f.DataBytes());
            ASSERT_TRUE(parsed);
            EXPECT_EQ(parsed->vendorVersion, version);
            EXPECT_EQ(parsed->strength, strength);
            EXPECT_EQ(parsed->actualMethod, f.actualMethod);
        }
    }
    // 6 bytes, vendor "AF", AE-3, strength 4, strength 0.
    for (const char* bad : {"020041450308", "02004146030800", "03004145030800", "02004145040800", "02004145000800"})
        EXPECT_FALSE(ParseAesExtraField(FromHex(bad))) << bad;
}

TEST(AesSizes, ALengthTheSizesMakeNegativeOrTooLargeIsADamagedEntry) {
    EXPECT_EQ(AesEncryptedDataLength(28, 256, 1000), 0u);
    EXPECT_EQ(AesEncryptedDataLength(128, 256, 1000), 100u);
    EXPECT_EQ(AesEncryptedDataLength(20, 128, 20), 0u);
    // Shorter than header and code, beyond the end of the archive, no AES key size.
    const std::uint64_t bad[][2] = {{27, 256}, {0, 128}, {1001, 256}, {0xFFFFFFFFFFFFFFFFull, 256}, {100, 100}};
    for (const auto& b : bad)
        EXPECT_FALSE(AesEncryptedDataLength(b[0], int(b[1]), 1000)) << b[0] << "/" << b[1];
}

TEST(AesTransform, WithoutTheStoredCodeTheEntryCountsAsDamaged) {
    TAESCryptoTransform t(128, 8, 2);
    t.AssignPassword("pw");
    const Bytes entry = EncryptEntry(t, test::Text("abc"));
    TAESCryptoTransform d(128, 8, 2);
    d.SetMode(kCryptoDecrypt);
    d.ReadHeader(std::span(entry).first(10));
    ASSERT_TRUE(d.CheckPassword("pw"));
    Bytes data(entry.begin() + 10, entry.end() - 10);
    d.DecryptBuffer(data.data(), data.data(), data.size());
    EXPECT_EQ(data, test::Text("abc"));
    EXPECT_TRUE(d.AuthCodeDiffers(0, 0));
    // Finishing the code on the reading side does not make it the stored one.
    EXPECT_EQ(d.FinishAuthCode(), Bytes(entry.end() - 10, entry.end()));
    EXPECT_TRUE(d.AuthCodeDiffers(0, 0));
}

}  // namespace
}  // namespace hsa
