// HMAC-SHA1, PBKDF2 and the salt-and-password holder.

#include <gtest/gtest.h>

#include <set>

#include "cryptotestutil.h"
#include "zip/crypto/hmac.h"
#include "zip/crypto/pbkdf2.h"
#include "zip/crypto/sha1.h"

namespace hsa {
namespace {

using test::Bytes;
using test::FromHex;
using test::Repeat;
using test::Text;
using test::ToHex;

std::string Mac(const Bytes& key, const Bytes& data) {
    HmacContext ctx;
    HmacInit(ctx, Sha1Descriptor(), key.data(), key.size());
    HmacUpdate(ctx, data.data(), data.size());
    std::uint8_t mac[20];
    HmacFinal(ctx, mac);
    return ToHex(mac, 20);
}

Bytes Counting(std::uint8_t from, std::uint8_t to) {
    Bytes b;
    for (int v = from; v <= to; ++v) b.push_back(std::uint8_t(v));
    return b;
}

TEST(HmacSha1, ReproducesTheTestCasesOfRfc2202) {
    EXPECT_EQ(Mac(Repeat(0x0b, 20), Text("Hi There")), "b617318655057264e28bc0b6fb378c8ef146be00");
    EXPECT_EQ(Mac(Text("Jefe"), Text("what do ya want for nothing?")), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
    EXPECT_EQ(Mac(Repeat(0xaa, 20), Repeat(0xdd, 50)), "125d7342b9ac11cd91a39af48aa17b4f63f175d3");
    EXPECT_EQ(Mac(Counting(1, 25), Repeat(0xcd, 50)), "4c9007f4026250c6bc8414f9bf50c86c2d7235da");
    EXPECT_EQ(Mac(Repeat(0x0c, 20), Text("Test With Truncation")), "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04");
    EXPECT_EQ(Mac(Repeat(0xaa, 80), Text("Test Using Larger Than Block-Size Key - Hash Key First")),
              "aa4ae5e15272d00e95705637ce8a3b55ed402112");
    EXPECT_EQ(Mac(Repeat(0xaa, 80),
                  Text("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data")),
              "e8e99d0f45237d786d6bbaa7965c7808bbff1a91");
}

TEST(HmacSha1, AgreesWithLibcryptoForKeysAroundTheBlockLengthAndDataInPieces) {
    std::mt19937 rng(3);
    for (std::size_t keyLength : {0u, 1u, 20u, 63u, 64u, 65u, 200u, 5000u}) {
        for (std::size_t dataLength : {0u, 1u, 64u, 1000u}) {
            const Bytes key = test::RandomBytes(rng, keyLength);
            const Bytes data = test::RandomBytes(rng, dataLength);
            HmacContext ctx;
            HmacInit(ctx, Sha1Descriptor(), key.data(), key.size());
            for (std::size_t pos = 0; pos < data.size(); pos += 7)
                HmacUpdate(ctx, data.data() + pos, std::min<std::size_t>(7, data.size() - pos));
            std::uint8_t mac[20];
            HmacFinal(ctx, mac);
            EXPECT_EQ(ToHex(mac, 20), ToHex(test::RefHmacSha1(key, data)))
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

TEST(Pbkdf2, ReproducesTheTestVectorsOfRfc6070) {
    EXPECT_EQ(Pbkdf2("password", "salt", 1, 20), "0c60c80f961f0e71f3a9b524af6012062fe037a6");
    EXPECT_EQ(Pbkdf2("password", "salt", 2, 20), "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957");
    EXPECT_EQ(Pbkdf2("password", "salt", 4096, 20), "4b007901b765489abead49d926f721d065a429c1");
    EXPECT_EQ(Pbkdf2("passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25),
              "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
    EXPECT_EQ(Pbkdf2(std::string_view("pass\0word", 9), std::string_view("sa\0lt", 5), 4096, 16),
              "56fa6aa75548099dcc37d7f03425e0c3");
}

TEST(Pbkdf2, AgreesWithLibcryptoForTheEntryKeyLengthsAndLongPasswords) {
    std::mt19937 rng(4);
    for (std::size_t keyBytes : {16u, 24u, 32u}) {
        for (std::size_t passwordLength : {0u, 1u, 8u, 64u, 65u, 300u, 40000u}) {
            const Bytes password = test::RandomBytes(rng, passwordLength);
            const Bytes salt = test::RandomBytes(rng, keyBytes / 2);
            const std::size_t length = 2 * keyBytes + 2;
            Bytes out(length);
            ASSERT_EQ(PbKdf2Derive(&Sha1Descriptor(), password.data(), password.size(), length, out.data(), 1000,
                                   salt.size(), salt.data()),
                      kPbKdfOk);
            EXPECT_EQ(ToHex(out), ToHex(test::RefPbkdf2Sha1(password, salt, 1000, length)))
                << "key " << keyBytes << " password " << passwordLength;
        }
    }
}

TEST(TPBKDF2Holder, DerivesWithTheGivenSaltAndAPasswordOfAnyLength) {
    const Bytes salt = FromHex("0102030405060708");
    const std::string longPassword(100000, 'p');
    TPBKDF2 kdf(longPassword, 1000, salt.data(), salt.size());
    EXPECT_EQ(ToHex(kdf.GetBytes(34)),
              ToHex(test::RefPbkdf2Sha1(Bytes(longPassword.begin(), longPassword.end()), salt, 1000, 34)));
}

}  // namespace
}  // namespace hsa
