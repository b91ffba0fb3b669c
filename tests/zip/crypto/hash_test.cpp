// SHA-1 and the hash registry.

#include <gtest/gtest.h>

#include "cryptotestutil.h"
#include "zip/crypto/hashregistry.h"
#include "zip/crypto/sha1.h"

namespace hsa {
namespace {

using test::Bytes;
using test::FromHex;
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

TEST_P(Sha1Paths, GivesTheSameDigestWhateverThePiecesOfTheInput) {
    std::mt19937 rng(2);
    const Bytes data = test::RandomBytes(rng, 5000);
    const std::string whole = Digest(data);
    for (std::size_t piece : {1u, 3u, 55u, 63u, 64u, 65u, 127u, 1000u}) {
        Sha1 h;
        for (std::size_t pos = 0; pos < data.size(); pos += piece)
            h.Update(data.data() + pos, std::min(piece, data.size() - pos));
        EXPECT_EQ(ToHex(h.Final().data(), 20), whole) << "pieces of " << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(Both, Sha1Paths, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Accelerated" : "Portable"; });

TEST(HashRegistry, HoldsSha1UnderIdThreeAndItsNameInAnyCase) {
    const HashDescriptor* byId = FindHash(kSha1HashId);
    ASSERT_NE(byId, nullptr);
    EXPECT_EQ(byId, FindHashByName("SHA1"));
    EXPECT_EQ(byId, FindHashByName("sha1"));
    EXPECT_EQ(byId->signature, 15738);
    EXPECT_EQ(byId->descriptorSize, 80);
    EXPECT_EQ(byId->descriptorVersion, 0x00010003u);
    EXPECT_EQ(byId->blockLength, 64);
    EXPECT_EQ(byId->digestLength, 20);
    ASSERT_EQ(byId->objectIdentifierArcs, 6u);
    const std::uint32_t arcs[] = {1, 3, 14, 3, 2, 26};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(byId->objectIdentifier[i], arcs[i]);
    EXPECT_EQ(FindHashByName("MD5"), nullptr);
    EXPECT_EQ(FindHash(0), nullptr);

    std::uint8_t digest[20];
    const Bytes abc = Text("abc");
    HashBuffer(*byId, abc.data(), abc.size(), digest);
    EXPECT_EQ(ToHex(digest, 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

// A second algorithm for the registry: SHA-1 under another id and name.
HashDescriptor OtherDescriptor(std::uint32_t id, std::string_view name) {
    HashDescriptor d = Sha1Descriptor();
    d.algorithmId = id;
    d.name = name;
    return d;
}

TEST(HashRegistry, RefusesIdsBeyondTheTableAndDescriptorsThatDoNotMatch) {
    ResetHashRegistry();
    static const HashDescriptor nine = OtherDescriptor(9, "NINE");
    static const HashDescriptor huge = OtherDescriptor(0xFFFFFFFF, "HUGE");
    EXPECT_FALSE(RegisterHash(9, &nine));
    EXPECT_FALSE(RegisterHash(0xFFFFFFFF, &huge));
    EXPECT_EQ(FindHash(9), nullptr);
    EXPECT_EQ(FindHashByName("NINE"), nullptr);
    EXPECT_FALSE(RegisterHash(4, nullptr));

    static const HashDescriptor five = OtherDescriptor(5, "FIVE");
    EXPECT_FALSE(RegisterHash(4, &five)) << "id field and slot differ";

    static HashDescriptor badSignature = OtherDescriptor(5, "X");
    badSignature.signature = 1;
    static HashDescriptor badVersion = OtherDescriptor(5, "X");
    badVersion.descriptorVersion = 0x00010002;
    static HashDescriptor badSize = OtherDescriptor(5, "X");
    badSize.descriptorSize = 81;
    static HashDescriptor noDigest = OtherDescriptor(5, "X");
    noDigest.digestLength = 0;
    static HashDescriptor tooLong = OtherDescriptor(5, "X");
    tooLong.digestLength = 200;
    for (const HashDescriptor* d : {&badSignature, &badVersion, &badSize, &noDigest, &tooLong})
        EXPECT_FALSE(RegisterHash(5, d));
    EXPECT_EQ(FindHash(5), nullptr);
}

TEST(HashRegistry, FindsByNameInIdOrderComparingNineteenCharactersInUpperCase) {
    ResetHashRegistry();
    static const HashDescriptor low = OtherDescriptor(1, "twin");
    static const HashDescriptor high = OtherDescriptor(7, "TWIN");
    ASSERT_TRUE(RegisterHash(7, &high));
    ASSERT_TRUE(RegisterHash(1, &low));
    EXPECT_EQ(FindHashByName("Twin"), &low);
    EXPECT_EQ(FindHash(7), &high);

    static const HashDescriptor longName = OtherDescriptor(8, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    ASSERT_TRUE(RegisterHash(8, &longName));
    EXPECT_EQ(FindHashByName("abcdefghijklmnopqrs"), &longName);
    EXPECT_EQ(FindHashByName("abcdefghijklmnopqrsXYZ"), &longName);
    EXPECT_EQ(FindHashByName("abcdefghijklmnopqr"), nullptr);

    ResetHashRegistry();
    EXPECT_EQ(FindHash(7), nullptr);
    EXPECT_NE(FindHashByName("SHA1"), nullptr);
}

}  // namespace
}  // namespace hsa
