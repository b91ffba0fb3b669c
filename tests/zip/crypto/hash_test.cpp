// SHA-1, HMAC-SHA1, PBKDF2 and the salt-and-password holder.

#include <gtest/gtest.h>

#include "cryptotestutil.h"
#include "zip/crypto/hmac.h"
#include "zip/crypto/pbkdf2.h"
#include "zip/crypto/sha1.h"

namespace hsa {
namespace {

using test::Bytes;
using test::Text;
using test::ToHex;

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
    EXPECT_EQ(Digest(Text("a"), 1000000), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    std::mt19937 rng(1);
    for (std::size_t len = 0; len <= 300; ++len) {
        const Bytes data = test::RandomBytes(rng, len);
        ASSERT_EQ(Digest(data), ToHex(test::RefSha1(data))) << "length " << len;
    }
    const Bytes big = test::RandomBytes(rng, 1 << 20);
    EXPECT_EQ(Digest(big), ToHex(test::RefSha1(big)));
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
            const Bytes key = test::RandomBytes(rng, keyLength);
            const Bytes data = test::RandomBytes(rng, dataLength);
            EXPECT_EQ(Mac(key, data), ToHex(test::RefHmacSha1(key, data)))
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
            const Bytes password = test::RandomBytes(rng, passwordLength);
            const Bytes salt = test::RandomBytes(rng, keyBytes / 2);
            const std::size_t length = 2 * keyBytes + 2;
            EXPECT_EQ(Pbkdf2({reinterpret_cast<const char*>(password.data()), password.size()},
                             {reinterpret_cast<const char*>(salt.data()), salt.size()}, 1000, length),
                      ToHex(test::RefPbkdf2Sha1(password, salt, 1000, length)))
                << "key " << keyBytes << " password " << passwordLength;
        }
    }
    // The holder derives with the given salt from a password of any length.
    const Bytes salt = test::FromHex("0102030405060708");
    const std::string longPassword(100000, 'p');
    TPBKDF2 kdf(longPassword, 1000, salt.data(), salt.size());
    EXPECT_EQ(ToHex(kdf.GetBytes(34)),
              ToHex(test::RefPbkdf2Sha1(Bytes(longPassword.begin(), longPassword.end()), salt, 1000, 34)));
}

}  // namespace
}  // namespace hsa
