// The cryptography of AES entries: SHA-1, PBKDF2 (and with it HMAC-SHA1), the AES block
// cipher and counter mode, the per-entry transform and the AES extra field,
// each checked against libcrypto as a second implementation.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <openssl/evp.h>
#include <openssl/sha.h>

#include "zip/crypto/aestransform.h"
#include "zip/crypto/pbkdf2.h"
#include "zip/crypto/rijndael.h"
#include "zip/crypto/sha1.h"

namespace hsa {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(std::string_view hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(std::uint8_t(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

std::string ToHex(const std::uint8_t* p, std::size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += {digits[p[i] >> 4], digits[p[i] & 15]};
    return s;
}
std::string ToHex(const Bytes& b) { return ToHex(b.data(), b.size()); }

Bytes RandomBytes(std::mt19937& rng, std::size_t n) {
    Bytes b(n);
    for (auto& x : b) x = std::uint8_t(rng());
    return b;
}

Bytes RefSha1(const Bytes& data) {
    Bytes out(20);
    SHA1(data.data(), data.size(), out.data());
    return out;
}

Bytes RefPbkdf2Sha1(const Bytes& password, const Bytes& salt, int iterations, std::size_t length) {
    Bytes out(length);
    PKCS5_PBKDF2_HMAC_SHA1(reinterpret_cast<const char*>(password.data()), int(password.size()), salt.data(),
                           int(salt.size()), iterations, int(length), out.data());
    return out;
}

// AES in ECB over whole blocks.
Bytes RefAesEcb(const Bytes& key, const Bytes& data) {
    const EVP_CIPHER* ecb =
        key.size() == 16 ? EVP_aes_128_ecb() : key.size() == 24 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, ecb, nullptr, key.data(), nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    Bytes out(data.size() + 16);
    int n = 0, m = 0;
    EVP_EncryptUpdate(ctx, out.data(), &n, data.data(), int(data.size()));
    EVP_EncryptFinal_ex(ctx, out.data() + n, &m);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(std::size_t(n + m));
    return out;
}

// The entry counter mode built from ECB: counter blocks 1, 2, 3, ... as
// little-endian numbers in bytes 0-7.
Bytes RefCounterMode(const Bytes& key, const Bytes& data) {
    const std::size_t blocks = (data.size() + 15) / 16;
    Bytes counters(blocks * 16, 0);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::uint64_t v = b + 1;
        for (int i = 0; i < 8; ++i) counters[16 * b + i] = std::uint8_t(v >> (8 * i));
    }
    const Bytes stream = RefAesEcb(key, counters);
    Bytes out(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) out[i] = data[i] ^ stream[i];
    return out;
}

// Runs the body once with the processor's SHA and AES instructions (where
// present) and once with the portable block functions and lookup tables.
class CipherPaths : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        SetSha1Acceleration(GetParam() && Sha1AccelerationAvailable());
        SetAesAcceleration(GetParam() && AesAccelerationAvailable());
    }
    void TearDown() override {
        SetSha1Acceleration(true);
        SetAesAcceleration(true);
    }
};

INSTANTIATE_TEST_SUITE_P(Both, CipherPaths, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Accelerated" : "Portable"; });

std::string Digest(const Bytes& data, std::size_t repeat = 1) {
    Sha1 h;
    for (std::size_t i = 0; i < repeat; ++i) h.Update(data.data(), data.size());
    return ToHex(h.Final().data(), 20);
}

TEST_P(CipherPaths, Sha1AgreesWithLibcryptoAroundTheBlockBordersAndOverAMillionUpdates) {
    EXPECT_EQ(Digest(Bytes{'a'}, 1000000), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    std::mt19937 rng(1);
    for (std::size_t len = 0; len <= 300; ++len) {
        const Bytes data = RandomBytes(rng, len);
        ASSERT_EQ(Digest(data), ToHex(RefSha1(data))) << "length " << len;
    }
}

TEST_P(CipherPaths, Pbkdf2AgreesWithLibcryptoForTheEntryKeyLengths) {
    std::mt19937 rng(4);
    for (std::size_t keyBytes : {16u, 24u, 32u}) {
        // The password is the HMAC key: lengths around its 64-byte block.
        for (std::size_t passwordLength : {0u, 1u, 63u, 64u, 65u, 40000u}) {
            const Bytes password = RandomBytes(rng, passwordLength);
            const Bytes salt = RandomBytes(rng, keyBytes / 2);
            const std::size_t length = 2 * keyBytes + 2;
            Bytes out(length);
            ASSERT_EQ(PbKdf2Derive(&Sha1Descriptor(), password.data(), password.size(), length, out.data(), 1000,
                                   salt.size(), salt.data()),
                      kPbKdfOk);
            EXPECT_EQ(ToHex(out), ToHex(RefPbkdf2Sha1(password, salt, 1000, length)))
                << "key " << keyBytes << " password " << passwordLength;
        }
    }
}

// Salts that fill the first HMAC block and spill into the next, counts of 0
// to 3 iterations and outputs that end inside, at and after a digest; both
// through the SHA-1 shortcut and through the general HMAC path that any other
// registered hash takes (a copy of the SHA-1 descriptor is such a hash).
TEST_P(CipherPaths, Pbkdf2AgreesWithLibcryptoForAnySaltCountAndLength) {
    const HashDescriptor otherHash = Sha1Descriptor();
    for (const HashDescriptor* hash : {&Sha1Descriptor(), &otherHash}) {
        SCOPED_TRACE(hash == &otherHash ? "general HMAC path" : "SHA-1 shortcut");
        std::mt19937 rng(8);
        for (std::size_t saltLength : {0u, 1u, 8u, 51u, 52u, 55u, 56u, 60u, 64u, 119u, 120u, 200u}) {
            for (std::uint32_t iterations : {0u, 1u, 2u, 3u, 17u}) {
                for (std::size_t length : {1u, 19u, 20u, 21u, 40u, 66u, 81u, 200u}) {
                    const Bytes password = RandomBytes(rng, 1 + rng() % 90);
                    const Bytes salt = RandomBytes(rng, saltLength);
                    Bytes out(length);
                    ASSERT_EQ(PbKdf2Derive(hash, password.data(), password.size(), length, out.data(), iterations,
                                           salt.size(), salt.data()),
                              kPbKdfOk);
                    ASSERT_EQ(ToHex(out),
                              ToHex(RefPbkdf2Sha1(password, salt, int(std::max(iterations, 1u)), length)))
                        << "salt " << saltLength << " iterations " << iterations << " length " << length;
                }
            }
        }
    }
}

TEST_P(CipherPaths, Pbkdf2GivesThePublishedVectors) {
    struct Vector {
        std::string password, salt;
        std::uint32_t iterations;
        const char* derived;
    };
    const Vector vectors[] = {
        {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
        {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
        {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
         "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
        {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, "56fa6aa75548099dcc37d7f03425e0c3"},
    };
    for (const Vector& v : vectors) {
        const Bytes out = KeyDerivSha1(v.password, reinterpret_cast<const std::uint8_t*>(v.salt.data()), v.salt.size(),
                                       v.iterations, std::string_view(v.derived).size() / 2);
        EXPECT_EQ(ToHex(out), v.derived) << v.iterations;
    }
}

Bytes Block(const Bytes& key, const Bytes& block, bool encrypt = true) {
    TCipher_Rijndael aes(key.data(), int(key.size()));
    Bytes out(16);
    encrypt ? aes.EncryptBlock(block.data(), out.data()) : aes.DecryptBlock(block.data(), out.data());
    return out;
}

TEST_P(CipherPaths, AesBlocksAndCounterModeAgreeWithLibcrypto) {
    std::mt19937 rng(5);
    for (std::size_t keyLength : {16u, 24u, 32u}) {
        // The longest runs the counter past 256 and 65536 blocks, into its next bytes.
        for (std::size_t length : {0u, 1u, 15u, 16u, 17u, 127u, 128u, 129u, 4099u, (65536u + 300u) * 16u}) {
            SCOPED_TRACE(std::to_string(keyLength) + "/" + std::to_string(length));
            const Bytes key = RandomBytes(rng, keyLength);
            const Bytes block = RandomBytes(rng, 16);
            const Bytes expected = RefAesEcb(key, block);
            ASSERT_EQ(ToHex(Block(key, block)), ToHex(expected));
            ASSERT_EQ(ToHex(Block(key, expected, false)), ToHex(block));
            const Bytes data = RandomBytes(rng, length);
            Bytes out(length);
            TCipher_Rijndael(key.data(), int(key.size())).EncodeBuffer(data.data(), out.data(), length);
            ASSERT_EQ(ToHex(out), ToHex(RefCounterMode(key, data)));
        }
    }
}

TEST_P(CipherPaths, AesDecryptsInPiecesOfAnySizeWhatWasEncryptedInOneCall) {
    std::mt19937 rng(7);
    const Bytes key = RandomBytes(rng, 32);
    const Bytes plain = RandomBytes(rng, 5000);
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

// Entries written with a given password and salt: the derived keys, the
// header, the ciphertext and the code stay byte for byte what they were when
// these values were taken, on both block paths.
TEST_P(CipherPaths, AesEntriesKeepTheirKnownBytes) {
    struct Case {
        int keyBits;
        const char* key;          // the AES key derived from password and salt
        const char* header;       // salt and verifier
        const char* body;         // SHA-1 of the ciphertext
        const char* code;         // authentication code
    };
    const Case cases[] = {
        {128, "42289fbd94c3f281abf15c6dc2169861", "a580efca311c7ba6d463",
         "25f41b08e57d4a2ef81994cce917ac06d24e6d31", "b80f0b345e37cadc39de"},
        {192, "cbb18a29ae8dbb6a14c16476e21ff339ee60358f707523fe", "a580efca311c7ba68de8d732b482",
         "364ea207fac1913426374255352f5783f144bb52", "d56efb72f4bbc660ff58"},
        {256, "810eae14d43d27f6af877cfa9763eff4ae737a3cbb5efc4b483fd94b2c26ff4f", "a580efca311c7ba68de8d7321944a38e3aaf",
         "81376dc4f177e4bbc13e5e8023a4780dd8c10cb2", "9f4c09fec7bf8f23b2e2"},
    };
    std::string plain;
    for (int i = 0; plain.size() < 5000; ++i) plain += "Zeugnis Nr. " + std::to_string(i) + " Note 2,3\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyBits);
        Bytes salt(std::size_t(c.keyBits / 16));
        for (std::size_t i = 0; i < salt.size(); ++i) salt[i] = std::uint8_t(0xA5 ^ (i * 37));
        TAESCryptoTransform t(c.keyBits, 8, 2);
        t.AssignPasswordWithSalt("Prüfung 2024", salt);
        Bytes data(plain.begin(), plain.end());
        t.EncryptBuffer(data.data(), data.data(), data.size());
        const Bytes code = t.FinishAuthCode();
        EXPECT_EQ(ToHex(t.GetKey()), c.key);
        EXPECT_EQ(ToHex(t.GetHeader()), c.header);
        EXPECT_EQ(ToHex(RefSha1(data)), c.body);
        EXPECT_EQ(ToHex(code), c.code);
    }
}

TEST(AesExtraField, RefusesDamagedFields) {
    // 6 bytes, vendor "AF", AE-3, strength 4, strength 0; last a sound AE-2 field.
    for (const char* bad : {"020041450308", "02004146030800", "03004145030800", "02004145040800", "02004145000800"})
        EXPECT_FALSE(ParseAesExtraField(FromHex(bad))) << bad;
    EXPECT_TRUE(ParseAesExtraField(FromHex("02004145030800")));
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
    Bytes entry = t.GetHeader();
    Bytes plain{'a', 'b', 'c'};
    t.EncryptBuffer(plain.data(), plain.data(), plain.size());
    entry.insert(entry.end(), plain.begin(), plain.end());
    const Bytes code = t.FinishAuthCode();
    entry.insert(entry.end(), code.begin(), code.end());
    TAESCryptoTransform d(128, 8, 2);
    d.SetMode(kCryptoDecrypt);
    d.ReadHeader(std::span(entry).first(10));
    ASSERT_TRUE(d.CheckPassword("pw"));
    Bytes data(entry.begin() + 10, entry.end() - 10);
    d.DecryptBuffer(data.data(), data.data(), data.size());
    EXPECT_EQ(data, (Bytes{'a', 'b', 'c'}));
    EXPECT_TRUE(d.AuthCodeDiffers(0, 0));
    // Finishing the code on the reading side does not make it the stored one.
    EXPECT_EQ(d.FinishAuthCode(), Bytes(entry.end() - 10, entry.end()));
    EXPECT_TRUE(d.AuthCodeDiffers(0, 0));
}

}  // namespace
}  // namespace hsa
