// SHA-1.

#include <gtest/gtest.h>

#include "cryptotestutil.h"
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

TEST_P(Sha1Paths, ReproducesTheTestVectorsOfRfc3174) {
    EXPECT_EQ(Digest(Text("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Digest(Text("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Digest(Text("a"), 1000000), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    EXPECT_EQ(Digest(Text("01234567012345670123456701234567"
                          "01234567012345670123456701234567"),
                     10),
              "dea356a2cddd90c7a7ecedc5ebb563934f460452");
    EXPECT_EQ(Digest(Bytes{}), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST_P(Sha1Paths, AgreesWithLibcryptoOnEveryLengthAroundTheBlockBorders) {
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

}  // namespace
}  // namespace hsa
