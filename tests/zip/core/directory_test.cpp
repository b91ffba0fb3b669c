// The archive directory: end record search, reading, rebuilding, writing,
// names and the name index.
#include "zip/codepage.h"
#include "zip/dirmanager.h"
#include "zip/zipstream.h"

#include "support/archives.h"

#include <gtest/gtest.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

// Builds an archive with the engine from name/content pairs.
std::string MakeArchive(TempDir& dir, const Files& files)
{
    LayOut(dir / "src", files);
    PackFolder(dir / "a.zip", dir / "src");
    return dir / "a.zip";
}

DirItem Item(const std::string& name)
{
    DirItem it;
    it.name = name;
    return it;
}

} // namespace

TEST(ZipDirectory, CommentIsFoundAndAnOverlongCommentInvalidatesTheCandidate)
{
    TempDir dir;
    std::string bytes = ReadFile(MakeArchive(dir, {{"a.txt", "hallo"}}));
    // Give the archive a 100-byte comment.
    const std::string comment(100, 'k');
    bytes[bytes.size() - 2] = char(100);
    bytes += comment;
    MemoryStream ms(std::vector<unsigned char>(bytes.begin(), bytes.end()));
    DirManager dm(&ms, {});
    uint64_t pos = 0;
    EndRecord rec;
    std::string found;
    ASSERT_TRUE(dm.FindEndOfCentralDir(sig::End, pos, rec, found));
    EXPECT_EQ(found, comment);
    EXPECT_EQ(pos, bytes.size() - 100 - 22);

    // A comment length claiming more bytes than follow: no valid record.
    MemoryStream lying(std::vector<unsigned char>(bytes.begin(), bytes.end() - 50));
    EXPECT_FALSE(DirManager(&lying, {}).FindEndOfCentralDir(sig::End, pos, rec, found));
}

// The rebuild itself is proven with peer archives; here what it is not allowed for.
TEST(ZipDirectory, ACutOffEndRecordIsRebuiltOnlyWhenRepairIsAllowed)
{
    TempDir dir;
    const std::string path = MakeArchive(dir, {{"a.txt", "eins"}, {"b.txt", std::string(3000, 'x')}});
    const std::string bytes = ReadFile(path);
    WriteFile(path, bytes.substr(0, bytes.size() - 22));
    ZipArchiver strict;
    strict.RepairDamagedDirectory = false;
    EXPECT_NE(NativeErrorOf([&] { Open(strict, path); }), 0);
    // A file without any local header is no archive.
    WriteFile(dir / "kein.zip", std::string(500, 'x'));
    ZipArchiver none;
    EXPECT_EQ(NativeErrorOf([&] { Open(none, dir / "kein.zip"); }), 35);
}

TEST(ZipDirectory, NamesAreStoredInCodePage850OrElseAsUtf8)
{
    const struct {
        const char* what;
        std::string name, stored;
        int utf8Flag;
    } cases[] = {
        // "ärger.txt" as the code page 850 byte 0x84 with version 20, flag bit 11 clear.
        {"umlaut", "\xC3\xA4rger.txt", "\x84rger.txt", 0},
        {"euro sign and a four-byte emoji", "\xE2\x82\xAC-\xF0\x9F\x98\x80.txt",
         "\xE2\x82\xAC-\xF0\x9F\x98\x80.txt", 0x08},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = MakeArchive(dir, {{c.name, "inhalt"}});
        const std::string bytes = ReadFile(path);
        EXPECT_EQ(bytes.substr(30, c.stored.size()), c.stored) << c.what;
        EXPECT_EQ(uint8_t(bytes[7]) & 0x08, c.utf8Flag) << c.what;
        if (!c.utf8Flag) {
            EXPECT_EQ(uint8_t(bytes[4]), 20) << c.what;
        }
        ZipArchiver z;
        Open(z, path);
        ASSERT_EQ(z.FileCount(), 1) << c.what;
        EXPECT_EQ(z.Entry(0).name, c.name) << c.what;
    }
}

TEST(ZipDirectory, NameDecodingRules)
{
    const struct {
        const char* what;
        std::string raw;
        uint16_t flags, madeBy;
        std::string name;
    } rows[] = {
        {"UTF-8 from a Unix host without the flag", "\xC3\xA4.txt", 0, 0x0314, "\xC3\xA4.txt"},
        {"well-formed UTF-8 from any host", "\xC3\xA4.txt", 0, 20, "\xC3\xA4.txt"},
        {"code page 850", "\x94l.txt", 0, 20, "\xC3\xB6l.txt"},
        {"flag with bytes that are no UTF-8", "\x81", 0x0800, 20, "\xC3\xBC"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(DecodeEntryName(r.raw, r.flags, r.madeBy, {}, true), r.name) << r.what;
    char32_t cp = 0;
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80", 0, cp), 0u);   // a surrogate is no UTF-8
    EXPECT_EQ(DecodeUtf8("\xC0\xAF", 0, cp), 0u);       // nor an overlong form
}

TEST(ZipDirectory, NameIndexIsCaseInsensitiveAndSurvivesGrowthDeletesAndRenames)
{
    DirArray a;
    for (const char* name : {"klein.txt", "GROSS.TXT", "\xC3\x84rger"})
        a.Append(Item(name));
    for (int i = 3; i < 6000; ++i)
        a.Append(Item("datei" + std::to_string(i) + ".txt"));
    a.Delete(0);
    a.Rename(0, "neu.txt");
    const std::pair<const char*, int> finds[] = {{"NEU.TXT", 0}, {"gross.txt", -1}, {"klein.txt", -1},
                                                 {"\xC3\xA4RGER", 1},   // umlauts fold in the index
                                                 {"DATEI1001.TXT", 1000}, {"datei5999.txt", 5998}};
    for (const auto& [name, index] : finds)
        EXPECT_EQ(a.Find(name), index) << name;
    EXPECT_THROW(a.Get(a.Count()), EZAException);
    EXPECT_THROW(a.Delete(-1), EZAException);
}
