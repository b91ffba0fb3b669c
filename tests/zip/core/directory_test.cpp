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

namespace {

std::string Hex(const std::vector<unsigned char>& bytes, size_t from)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = from; i < bytes.size(); ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

// A directory of `count` entries named "e0", "e1", ...
void Fill(DirManager& dm, int count)
{
    dm.Dir().Reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        dm.Dir().Append(Item("e" + std::to_string(i)));
}

} // namespace

// The records after the central headers, byte for byte: a single-file archive
// gets Zip64 records exactly when the entry count, the directory's offset or
// the end record's offset no longer fits its classic field; a volume set also
// when the volume number does not.
TEST(ZipDirectory, EndRecordsKeepTheirBytes)
{
    const std::string classic2 = "504b0506" "00000000" "0200" "0200" "60000000";
    const std::string zip64Head2 = "504b0606" "2c00000000000000" "2d00" "2d00" "00000000" "00000000"
                                   "0200000000000000" "0200000000000000" "6000000000000000";
    const struct {
        const char* what;
        int count;
        uint64_t at;            // where the directory starts
        const char* comment;
        std::string tail;       // hex of everything after the central headers
    } single[] = {
        {"two entries", 2, 100, "", classic2 + "64000000" "0000"},
        {"with a comment", 2, 100, "Abi", classic2 + "64000000" "0300" "416269"},
        {"end record just below 4 GiB", 2, 0xFFFFFFFFull - 96 - 1, "", classic2 + "9effffff" "0000"},
        {"end record at 4 GiB", 2, 0xFFFFFFFFull - 96, "",
         zip64Head2 + "9fffffff00000000" "504b0607" "00000000" "ffffffff00000000" "01000000"
             + classic2 + "9fffffff" "0000"},
        {"directory beyond 4 GiB", 2, 0x123456789ull, "Abi",
         zip64Head2 + "8967452301000000" "504b0607" "00000000" "e967452301000000" "01000000"
             + classic2 + "ffffffff" "0300" "416269"},
        {"65534 entries", 65534, 0x20, "", "504b0506" "00000000" "feff" "feff" "32d43300" "20000000" "0000"},
        {"65535 entries", 65535, 0x20, "",
         "504b0606" "2c00000000000000" "2d00" "2d00" "00000000" "00000000" "ffff000000000000" "ffff000000000000"
         "66d4330000000000" "2000000000000000"
         "504b0607" "00000000" "86d4330000000000" "01000000"
         "504b0506" "00000000" "ffff" "ffff" "66d43300" "20000000" "0000"},
    };
    for (const auto& c : single) {
        SCOPED_TRACE(c.what);
        MemoryStream ms;
        DirManager dm(&ms, {});
        Fill(dm, c.count);
        dm.Comment = c.comment;
        size_t headers = 0;
        for (const auto& it : dm.Dir().Items())
            headers += dm.BuildCentralRecord(it).size();
        EXPECT_EQ(Hex(dm.BuildDirectory(c.at), headers), c.tail);
    }

    const struct {
        const char* what;
        uint64_t dirOffset;
        uint32_t dirDisk, thisDisk;
        uint64_t entriesHere, dirSize, endOffset;
        std::string records;
    } volumes[] = {
        {"directory over two volumes", 0x8000, 2, 3, 1, 0x5e, 0x60,
         "504b0506" "0300" "0200" "0100" "0200" "5e000000" "00800000" "0000"},
        {"volume number 65535", 0x8000, 0xFFFF, 0xFFFF, 2, 0x5e, 0x805e,
         "504b0606" "2c00000000000000" "2d00" "2d00" "ffff0000" "ffff0000" "0200000000000000" "0200000000000000"
         "5e00000000000000" "0080000000000000"
         "504b0607" "ffff0000" "5e80000000000000" "00000100"
         "504b0506" "ffff" "ffff" "0200" "0200" "5e000000" "00800000" "0000"},
        {"end record at 4 GiB on its volume", 0x10, 0, 1, 2, 0x5e, 0xFFFFFFFFull,
         "504b0606" "2c00000000000000" "2d00" "2d00" "01000000" "00000000" "0200000000000000" "0200000000000000"
         "5e00000000000000" "1000000000000000"
         "504b0607" "01000000" "ffffffff00000000" "02000000"
         "504b0506" "0100" "0000" "0200" "0200" "5e000000" "10000000" "0000"},
    };
    for (const auto& v : volumes) {
        SCOPED_TRACE(v.what);
        MemoryStream ms;
        DirManager dm(&ms, {});
        Fill(dm, 2);
        EXPECT_EQ(Hex(dm.BuildEndRecords(v.dirOffset, v.dirDisk, v.thisDisk, v.entriesHere, v.dirSize, v.endOffset), 0),
                  v.records);
    }
}
