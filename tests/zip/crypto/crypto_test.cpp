// The cryptography of AES entries: SHA-1, HMAC-SHA1, PBKDF2, the AES block
// cipher and counter mode, the per-entry transform and the AES extra field,
// each checked against libcrypto as a second implementation.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/sha.h>

#include "zip/crypto/aestransform.h"
#include "zip/crypto/hmac.h"
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

Bytes RefHmacSha1(const Bytes& key, const Bytes& data) {
    Bytes out(20);
    unsigned len = 0;
    // libcrypto refuses a null key pointer, which an empty vector may give.
    static const std::uint8_t none = 0;
    HMAC(EVP_sha1(), key.empty() ? &none : key.data(), int(key.size()), data.data(), data.size(), out.data(), &len);
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

// Runs the body once with the processor's SHA instructions (when present)
// and once with the portable block function.
class Sha1Paths : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam() && !Sha1AccelerationAvailable()) GTEST_SKIP() << "no SHA instructions on this processor";
        SetSha1Acceleration(GetParam());
    }
    void TearDown() override { SetSha1Acceleration(true); }
};

std::string Digest(const Bytes& data, std::size_t repeat = 1) {
    Sha1 h;
    for (std::size_t i = 0; i < repeat; ++i) h.Update(data.data(), data.size());
    return ToHex(h.Final().data(), 20);
}

TEST_P(Sha1Paths, AgreesWithLibcryptoAroundTheBlockBordersAndOverAMillionUpdates) {
    EXPECT_EQ(Digest(Bytes{'a'}, 1000000), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    std::mt19937 rng(1);
    for (std::size_t len = 0; len <= 300; ++len) {
        const Bytes data = RandomBytes(rng, len);
        ASSERT_EQ(Digest(data), ToHex(RefSha1(data))) << "length " << len;
    }
    const Bytes big = RandomBytes(rng, 1 << 20);
    EXPECT_EQ(Digest(big), ToHex(RefSha1(big)));
}

INSTANTIATE_TEST_SUITE_P(Both, Sha1Paths, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Accelerated" : "Portable"; });

// The MAC of data fed in pieces of seven bytes.
std::string Mac(const Bytes& key, const Bytes& data) {
    HmacContext ctx;
    HmacInit(ctx, Sha1Descriptor(), key.data(), key.size());
    for (std::size_t pos = 0; pos < data.size(); pos += 7)
        HmacUpdate(ctx, data.data() + pos, std::min<std::size_t>(7, data.size() - pos));
    std::uint8_t mac[20];
    HmacFinal(ctx, mac);
    return ToHex(mac, 20);
}

TEST(HmacSha1, AgreesWithLibcryptoForKeysAroundTheBlockLength) {
    std::mt19937 rng(3);
    for (std::size_t keyLength : {0u, 1u, 20u, 63u, 64u, 65u, 200u, 5000u}) {
        for (std::size_t dataLength : {0u, 1u, 64u, 1000u}) {
            const Bytes key = RandomBytes(rng, keyLength);
            const Bytes data = RandomBytes(rng, dataLength);
            EXPECT_EQ(Mac(key, data), ToHex(RefHmacSha1(key, data)))
                << "key " << keyLength << " data " << dataLength;
        }
    }
}

std::string Pbkdf2(std::string_view password, std::string_view salt, std::uint32_t iterations, std::size_t length) {
    Bytes out(length);
    EXPECT_EQ(PbKdf2Derive(&Sha1Descriptor(), password.data(), password.size(), length, out.data(), iterations,
                           salt.size(), salt.data()),
              kPbKdfOk);
    return ToHex(out);
}

TEST(Pbkdf2, ReproducesRfc6070AndAgreesWithLibcryptoForTheEntryKeyLengths) {
    EXPECT_EQ(Pbkdf2("password", "salt", 1, 20), "0c60c80f961f0e71f3a9b524af6012062fe037a6");
    EXPECT_EQ(Pbkdf2(std::string_view("pass\0word", 9), std::string_view("sa\0lt", 5), 4096, 16),
              "56fa6aa75548099dcc37d7f03425e0c3");
    std::mt19937 rng(4);
    for (std::size_t keyBytes : {16u, 24u, 32u}) {
        for (std::size_t passwordLength : {0u, 1u, 64u, 65u, 40000u}) {
            const Bytes password = RandomBytes(rng, passwordLength);
            const Bytes salt = RandomBytes(rng, keyBytes / 2);
            const std::size_t length = 2 * keyBytes + 2;
            EXPECT_EQ(Pbkdf2({reinterpret_cast<const char*>(password.data()), password.size()},
                             {reinterpret_cast<const char*>(salt.data()), salt.size()}, 1000, length),
                      ToHex(RefPbkdf2Sha1(password, salt, 1000, length)))
                << "key " << keyBytes << " password " << passwordLength;
        }
    }
    // The holder derives with the given salt from a password of any length.
    const Bytes salt = FromHex("0102030405060708");
    const std::string longPassword(100000, 'p');
    TPBKDF2 kdf(longPassword, 1000, salt.data(), salt.size());
    EXPECT_EQ(ToHex(kdf.GetBytes(34)),
              ToHex(RefPbkdf2Sha1(Bytes(longPassword.begin(), longPassword.end()), salt, 1000, 34)));
}

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
        EXPECT_EQ(ToHex(stream.data() + 16 * (n - 1), 16), ToHex(RefAesEcb(key, counter))) << "block " << n;
    }
}

TEST_P(AesPaths, DecryptsInPiecesOfAnySizeWhatWasEncryptedInOneCall) {
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
    const Bytes entry = EncryptEntry(t, Bytes{'a', 'b', 'c'});
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
