// The per-entry AES transform and the AES extra field.

#include <gtest/gtest.h>

#include "cryptotestutil.h"
#include "zip/crypto/aestransform.h"

namespace hsa {
namespace {

using test::Bytes;
using test::FromHex;
using test::ToHex;

// Entry data (header, encrypted data, code) built by libcrypto alone.
Bytes ReferenceEntry(const std::string& password, const Bytes& salt, int keyBits, const Bytes& plain) {
    const std::size_t k = std::size_t(keyBits) / 8;
    const Bytes derived = test::RefPbkdf2Sha1(Bytes(password.begin(), password.end()), salt, 1000, 2 * k + 2);
    const Bytes aesKey(derived.begin(), derived.begin() + k);
    const Bytes macKey(derived.begin() + k, derived.begin() + 2 * k);
    const Bytes cipher = test::RefCounterMode(aesKey, plain);
    const Bytes mac = test::RefHmacSha1(macKey, cipher);
    Bytes entry = salt;
    entry.insert(entry.end(), derived.end() - 2, derived.end());
    entry.insert(entry.end(), cipher.begin(), cipher.end());
    entry.insert(entry.end(), mac.begin(), mac.begin() + 10);
    return entry;
}

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
            const auto data = f.DataBytes();
            const auto parsed = ParseAesExtraField(data);
            ASSERT_TRUE(parsed);
            EXPECT_EQ(parsed->vendorVersion, version);
            EXPECT_EQ(parsed->strength, strength);
            EXPECT_EQ(parsed->actualMethod, f.actualMethod);
        }
    }
    EXPECT_FALSE(ParseAesExtraField(FromHex("020041450308")));           // 6 bytes
    EXPECT_FALSE(ParseAesExtraField(FromHex("02004146030800")));         // vendor "AF"
    EXPECT_FALSE(ParseAesExtraField(FromHex("03004145030800")));         // AE-3
    EXPECT_FALSE(ParseAesExtraField(FromHex("02004145040800")));         // strength 4
    EXPECT_FALSE(ParseAesExtraField(FromHex("02004145000800")));         // strength 0
}

TEST(AesSizes, ALengthTheSizesMakeNegativeOrTooLargeIsADamagedEntry) {
    EXPECT_EQ(AesEncryptedDataLength(28, 256, 1000), 0u);
    EXPECT_EQ(AesEncryptedDataLength(128, 256, 1000), 100u);
    EXPECT_EQ(AesEncryptedDataLength(20, 128, 20), 0u);
    EXPECT_FALSE(AesEncryptedDataLength(27, 256, 1000));                 // shorter than header + code
    EXPECT_FALSE(AesEncryptedDataLength(0, 128, 1000));
    EXPECT_FALSE(AesEncryptedDataLength(1001, 256, 1000));              // beyond the end of the archive
    EXPECT_FALSE(AesEncryptedDataLength(0xFFFFFFFFFFFFFFFFull, 256, 1000));
    EXPECT_FALSE(AesEncryptedDataLength(100, 100, 1000));               // no AES key size
}

class AesTransformKeys : public ::testing::TestWithParam<int> {};

TEST_P(AesTransformKeys, MatchesAnEntryBuiltByLibcryptoForAGivenSalt) {
    const int keyBits = GetParam();
    std::mt19937 rng(9 + keyBits);
    const Bytes salt = test::RandomBytes(rng, std::size_t(keyBits) / 16);
    for (std::size_t length : {0u, 1u, 16u, 17u, 5000u}) {
        const Bytes plain = test::RandomBytes(rng, length);
        TAESCryptoTransform t(keyBits, 8, 2);
        t.SetMode(kCryptoEncrypt);
        t.AssignPasswordWithSalt("Prüfung 2024", salt);
        EXPECT_EQ(ToHex(EncryptEntry(t, plain, 33)), ToHex(ReferenceEntry("Prüfung 2024", salt, keyBits, plain)))
            << keyBits << "/" << length;
    }
}

INSTANTIATE_TEST_SUITE_P(KeyBits, AesTransformKeys, ::testing::Values(128, 192, 256));

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
