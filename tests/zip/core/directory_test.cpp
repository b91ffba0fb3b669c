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

DirItem SyntheticItem(const std::string& name, uint64_t offset)
{
    DirItem it;
    it.name = name;
    it.localOffset = offset;
    it.h.localOffset = uint32_t(offset);
    it.h.externalAttr = 0x20;
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
    dm.ReadDirectory();
    EXPECT_EQ(dm.Dir().Count(), 1);
    EXPECT_EQ(dm.Comment, comment);

    // A comment length claiming more bytes than follow: no valid record.
    MemoryStream lying(std::vector<unsigned char>(bytes.begin(), bytes.end() - 50));
    EXPECT_FALSE(DirManager(&lying, {}).FindEndOfCentralDir(sig::End, pos, rec, found));
}

TEST(ZipDirectory, ACutOffEndRecordIsRebuiltOnlyWhenRepairIsAllowed)
{
    TempDir dir;
    const std::string path = MakeArchive(dir, {{"a.txt", "eins"}, {"b.txt", std::string(3000, 'x')}, {"c.dbf", "drei"}});
    const std::string bytes = ReadFile(path);
    WriteFile(path, bytes.substr(0, bytes.size() - 22));
    ZipArchiver z;
    Open(z, path);
    EXPECT_TRUE(z.DirectoryRebuilt());
    ASSERT_EQ(z.FileCount(), 3);
    EXPECT_EQ(z.Entry(1).name, "b.txt");
    EXPECT_EQ(z.TestFiles("*.*"), 3);

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
        // Read without OEM names the byte 0x84 is the ANSI character "„".
        ZipArchiver ansi;
        ansi.Options.OEMFileNames = false;
        Open(ansi, path);
        EXPECT_EQ(ansi.Entry(0).name, c.utf8Flag ? c.name : "\xE2\x80\x9Erger.txt") << c.what;
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
    EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80", 0, cp), 4u);
    EXPECT_EQ(cp, char32_t(0x1F600));
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80", 0, cp), 0u);   // surrogate
    EXPECT_EQ(DecodeUtf8("\xC0\xAF", 0, cp), 0u);       // overlong
    std::string out;
    EXPECT_FALSE(Utf8ToCp850("\xE2\x82\xAC", out));      // euro is not in 850
    EXPECT_TRUE(Utf8ToCp1252("\xE2\x82\xAC", out));
    EXPECT_EQ(out, "\x80");
}

TEST(ZipDirectory, NameIndexIsCaseInsensitiveAndSurvivesGrowth)
{
    DirArray a;
    a.Append(SyntheticItem("klein.txt", 0));
    a.Append(SyntheticItem("GROSS.TXT", 10));
    EXPECT_EQ(a.Find("KLEIN.TXT"), 0);
    EXPECT_EQ(a.Find("gross.txt"), 1);
    EXPECT_EQ(a.Find("\xC3\x84rger"), -1);
    a.Append(SyntheticItem("\xC3\x84rger", 20));
    EXPECT_EQ(a.Find("\xC3\xA4RGER"), 2);   // umlauts fold in the index
    for (int i = 3; i < 6000; ++i) {
        a.Append(SyntheticItem("datei" + std::to_string(i) + ".txt", uint64_t(i) * 100));
        if (i == 1001 || i == 5001) {
            EXPECT_EQ(a.Find("DATEI" + std::to_string(i) + ".TXT"), i);
            EXPECT_EQ(a.Find("klein.txt"), 0);
        }
    }
    EXPECT_EQ(a.Find("datei5999.txt"), 5999);
    a.Delete(0);
    EXPECT_EQ(a.Find("gross.txt"), 0);
    EXPECT_EQ(a.Find("klein.txt"), -1);
    a.Rename(0, "neu.txt");
    EXPECT_EQ(a.Find("NEU.TXT"), 0);
    EXPECT_EQ(a.Find("gross.txt"), -1);
    EXPECT_THROW(a.Get(a.Count()), EZAException);
    EXPECT_THROW(a.Delete(-1), EZAException);
}

TEST(ZipDirectory, ManyEntriesGetZip64EndRecords)
{
    // 70000 empty entries written and read back through the directory code.
    MemoryStream ms;
    DirManager dm(&ms, {});
    std::vector<unsigned char> data;
    ByteWriter w{data};
    for (int i = 0; i < 70000; ++i) {
        const std::string name = "f" + std::to_string(i);
        DirItem it = SyntheticItem(name, data.size());
        w.u32(sig::Local);
        w.u16(20);
        w.u16(0);
        w.u16(0);
        w.u16(0);
        w.u16(0x21);
        w.u32(0);
        w.u32(0);
        w.u32(0);
        w.u16(uint16_t(name.size()));
        w.u16(0);
        w.str(name);
        it.h.date = 0x21;
        dm.Dir().Append(it);
    }
    ms.Write(data.data(), data.size());
    dm.WriteDirectory(data.size());
    const auto& bytes = ms.Data();
    // Zip64 end record and locator in front of the end record, whose counts read 0xFFFF.
    const size_t end = bytes.size() - 22;
    EXPECT_EQ(Get32(bytes.data() + end), sig::End);
    EXPECT_EQ(Get16(bytes.data() + end + 8), 0xFFFF);
    EXPECT_EQ(Get16(bytes.data() + end + 10), 0xFFFF);
    EXPECT_EQ(Get32(bytes.data() + end - 20), sig::Zip64Locator);
    EXPECT_EQ(Get32(bytes.data() + end - 20 - 56), sig::Zip64End);
    MemoryStream in(bytes);
    DirManager rd(&in, {});
    rd.ReadDirectory();
    ASSERT_EQ(rd.Dir().Count(), 70000);
    EXPECT_FALSE(rd.Rebuilt);
    EXPECT_EQ(rd.Dir().Find("F69999"), 69999);
}

TEST(ZipDirectory, EmptyFilesFoldersAndDeflatedEntriesAreRecordedAsSuch)
{
    TempDir dir;
    ZipArchiver z;
    Open(z, MakeArchive(dir, {{"x.txt", TextBytes(20000, 3)}, {"leer.txt", ""}, {"ordner/y.bin", RandomBytes(777, 4)}}));
    ASSERT_EQ(z.FileCount(), 4);
    const DirItem& leer = z.Entry(z.FindEntry("leer.txt"));
    EXPECT_EQ(leer.h.method, 0);
    EXPECT_FALSE(leer.IsDirectory());   // empty file, no folder
    const DirItem& folder = z.Entry(z.FindEntry("ordner/"));
    EXPECT_TRUE(folder.IsDirectory());
    EXPECT_EQ(folder.h.flags, 2);
    EXPECT_EQ(folder.h.crc, 0u);
    const DirItem& x = z.Entry(z.FindEntry("X.TXT"));
    EXPECT_EQ(x.uncompSize, 20000u);
    EXPECT_EQ(x.h.method, 8);
    EXPECT_LT(x.compSize, 20000u);
}
