// Crafted archives: nothing is ever written outside the target folder, no
// links or special files are created, lies about sizes and offsets are
// refused, and nothing crashes.
#include "support/archives.h"
#include "support/rawzip.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

struct Result {
    int extracted = 0;
    std::vector<int> codes;
    bool opened = false;
};

// Opens and extracts an archive into dir/target, collecting the failures.
Result OpenAndExtract(TempDir& dir, const std::string& bytes)
{
    WriteFile(dir / "hostile.zip", bytes);
    Result r;
    ZipArchiver z;
    FailureLog log;
    log.Attach(z);
    try {
        Open(z, dir / "hostile.zip");
        r.opened = true;
        z.SetBaseDir(dir / "target");
        r.extracted = z.ExtractFiles("*.*");
        z.TestFiles("*.*");
    } catch (const EZAException& e) {
        log.codes.push_back(e.NativeError());
    }
    r.codes = log.codes;
    return r;
}

// Everything in the test folder must lie in the target or be the archive.
void NothingOutside(TempDir& dir)
{
    for (const auto& p : ListTree(dir.path()))
        EXPECT_TRUE(p == "hostile.zip" || p.rfind("target/", 0) == 0) << "written outside the target: " << p;
}

} // namespace

TEST(ZipHostile, TraversalNamesAreRefused)
{
    const std::vector<std::string> names = {
        "../boese.txt", "/tmp/boese-absolut.txt", "C:/boese.txt", "C:boese.txt", "\\\\server\\share\\boese.txt",
        "a/../../boese.txt", "a/./b.txt", "a//b.txt", "..\\boese.txt", "a\\..\\..\\boese.txt",
        std::string("nul\0byte.txt", 12), "ctrl\x01.txt", ".."};
    for (const auto& n : names) {
        SCOPED_TRACE(n);
        TempDir dir;
        RawArchive a;
        a.entries.push_back(Stored(n, "pwned"));
        a.entries.push_back(Stored("gut.txt", "gut"));
        const Result r = OpenAndExtract(dir, a.Build());
        ASSERT_TRUE(r.opened);
        EXPECT_EQ(r.extracted, 1);   // the harmless entry still comes out
        EXPECT_EQ(ReadFile(dir / "target/gut.txt"), "gut");
        EXPECT_FALSE(r.codes.empty());
        NothingOutside(dir);
        EXPECT_FALSE(fs::exists("/tmp/boese-absolut.txt"));
        for (const auto& p : ListTree(dir / "target"))
            EXPECT_TRUE(p == "gut.txt" || p == "a/") << p;
    }
}

TEST(ZipHostile, LinksAndSpecialFilesAreNeverCreated)
{
    TempDir dir;
    RawArchive a;
    const std::pair<const char*, uint32_t> modes[] = {
        {"link", S_IFLNK | 0777}, {"fifo", S_IFIFO | 0644}, {"suid.sh", S_IFREG | 04777}};
    for (const auto& [name, mode] : modes) {
        RawEntry e = Stored(name, "/etc/passwd");
        e.versionMadeBy = 0x0314;
        e.externalAttr = mode << 16;
        a.entries.push_back(e);
    }
    EXPECT_EQ(OpenAndExtract(dir, a.Build()).extracted, 1);
    struct stat st {};
    EXPECT_NE(::lstat((dir / "target/link").c_str(), &st), 0);
    EXPECT_NE(::lstat((dir / "target/fifo").c_str(), &st), 0);
    ASSERT_EQ(::lstat((dir / "target/suid.sh").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07000, 0u);   // no set-id or sticky bits
    NothingOutside(dir);
}

TEST(ZipHostile, LyingSizesBombsAndUnsupportedMethods)
{
    RawEntry huge = Deflated("riesig.bin", std::string(1000, 'a'));
    huge.uncompSize = 0xFFFFFFF0u;   // far more than deflate can expand to
    RawEntry bomb = Deflated("bombe.bin", std::string(20u << 20, '\0'));
    bomb.uncompSize = 4096;   // less than the data inflates to
    bomb.autoCrc = false;
    bomb.crc = 0;
    RawEntry beyond = Stored("b.txt", "bbbb");
    beyond.compSize = 1u << 30;   // beyond the end: the rebuild finds what is really there
    RawEntry d64 = Deflated("d64.bin", std::string(100, 'x'));
    d64.method = 9;
    const struct {
        RawEntry entry;
        int code;   // the first failure, 0: any
    } rows[] = {{huge, 0}, {bomb, 0}, {beyond, 0}, {d64, 55}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.entry.name);
        TempDir dir;
        RawArchive a;
        a.entries.push_back(Stored("gut.txt", "gut"));
        a.entries.push_back(r.entry);
        const Result res = OpenAndExtract(dir, a.Build());
        EXPECT_EQ(res.extracted, 1);
        EXPECT_EQ(ListTree(dir / "target"), std::vector<std::string>{"gut.txt"});
        EXPECT_EQ(ReadFile(dir / "target/gut.txt"), "gut");
        if (r.code) {
            ASSERT_FALSE(res.codes.empty());
            EXPECT_EQ(res.codes.front(), r.code);
        }
        NothingOutside(dir);
    }
}

TEST(ZipHostile, OverlappingEntriesAreRefusedAndRebuilt)
{
    // Ten central entries all pointing at one local header (a bomb pattern).
    TempDir dir;
    RawArchive a;
    for (int i = 0; i < 10; ++i)
        a.entries.push_back(Deflated("kopie" + std::to_string(i), std::string(1u << 20, 'x')));
    std::string bytes = a.Build();
    for (size_t p = 0; (p = bytes.find(std::string("PK\x01\x02", 4), p)) != std::string::npos; p += 4)
        Put32(reinterpret_cast<unsigned char*>(&bytes[p + 42]), 0);
    WriteFile(dir / "hostile.zip", bytes);
    ZipArchiver z;
    Open(z, dir / "hostile.zip");
    EXPECT_TRUE(z.DirectoryRebuilt());   // the directory was refused
    EXPECT_EQ(z.FileCount(), 10);       // the real local headers
    z.SetBaseDir(dir / "target");
    EXPECT_EQ(z.ExtractFiles("*.*"), 10);
    ZipArchiver strict;
    strict.RepairDamagedDirectory = false;
    EXPECT_EQ(NativeErrorOf([&] { Open(strict, dir / "hostile.zip"); }), 57);
}

TEST(ZipHostile, BadOffsetsCountsAndLengthsInTheDirectory)
{
    for (int variant = 0; variant < 8; ++variant) {
        SCOPED_TRACE(variant);
        TempDir dir;
        RawArchive a;
        a.entries.push_back(Stored("a.txt", "aaaa"));
        a.entries.push_back(Stored("b.txt", "bbbb"));
        switch (variant) {
        case 0: a.countOverride = 65000; break;
        case 1: a.dirSizeDelta = 1000000; break;
        case 2: a.dirSizeDelta = -30; break;
        case 3: a.entries[1].centralExtra = std::string("\x01\x00\xFF\xFF", 4) + "abc"; break;
        case 4: a.entries[0].centralExtra = std::string("\x99\x99\x07\x00\x02\x00" "AE\x03\x08", 11); break;
        default: a.entries[1].offsetOverride = std::array<int64_t, 3>{0x7FFFFFFF, 3, 0xFFFFFFFE}[size_t(variant - 5)];
        }
        EXPECT_TRUE(OpenAndExtract(dir, a.Build()).opened);
        NothingOutside(dir);
    }
}
