// Crafted archives: nothing is ever written outside the target folder, no
// links or special files are created, lies about sizes and offsets are
// refused, and nothing crashes.
#include "zip/archiver.h"

#include "support/rawzip.h"
#include "support/ziptestsupport.h"

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
Result OpenAndExtract(TempDir& dir, const std::string& bytes, const std::string& target = "target")
{
    WriteFile(dir / "hostile.zip", bytes);
    Result r;
    ZipArchiver z;
    z.SetFileName(dir / "hostile.zip");
    z.OnProcessFileFailure = [&](ZABaseArchiver&, const std::string&, ProcessOperation, int native, int,
                                 const std::string&, ZAAction& a) {
        r.codes.push_back(native);
        a = ZAAction::Skip;
    };
    try {
        z.OpenArchive();
        r.opened = true;
        z.SetBaseDir(dir / target);
        r.extracted = z.ExtractFiles("*.*");
        z.TestFiles("*.*");
    } catch (const EZAException& e) {
        r.codes.push_back(e.NativeError());
    }
    return r;
}

// Everything in the test folder must lie in the target or be the archive.
void NothingOutside(TempDir& dir, const std::vector<std::string>& allowed = {})
{
    for (const auto& p : ListTree(dir.path())) {
        if (p == "hostile.zip" || p.rfind("target/", 0) == 0)
            continue;
        bool ok = false;
        for (const auto& a : allowed)
            ok = ok || p == a || p.rfind(a, 0) == 0;
        EXPECT_TRUE(ok) << "written outside the target: " << p;
    }
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
    RawEntry link = Stored("link", "/etc/passwd");
    link.versionMadeBy = 0x0314;
    link.externalAttr = uint32_t(S_IFLNK | 0777) << 16;
    a.entries.push_back(link);
    RawEntry fifo = Stored("fifo", "");
    fifo.versionMadeBy = 0x0314;
    fifo.externalAttr = uint32_t(S_IFIFO | 0644) << 16;
    a.entries.push_back(fifo);
    RawEntry suid = Stored("suid.sh", "#!/bin/sh\n");
    suid.versionMadeBy = 0x0314;
    suid.externalAttr = uint32_t(S_IFREG | 04777) << 16;
    a.entries.push_back(suid);
    const Result r = OpenAndExtract(dir, a.Build());
    EXPECT_EQ(r.extracted, 1);
    struct stat st {};
    EXPECT_NE(::lstat((dir / "target/link").c_str(), &st), 0);
    EXPECT_NE(::lstat((dir / "target/fifo").c_str(), &st), 0);
    ASSERT_EQ(::lstat((dir / "target/suid.sh").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07000, 0u);   // no set-id or sticky bits
    NothingOutside(dir);
}

TEST(ZipHostile, ExistingLinksInTheTargetAreNotFollowed)
{
    TempDir dir;
    fs::create_directories(dir / "outside");
    WriteFile(dir / "outside/opfer.txt", "unberuehrt");
    fs::create_directories(dir / "target");
    fs::create_directory_symlink(dir / "outside", dir / "target/ordner");
    fs::create_symlink(dir / "outside/opfer.txt", dir / "target/datei.txt");
    RawArchive a;
    a.entries.push_back(Stored("ordner/opfer.txt", "pwned"));
    a.entries.push_back(Stored("ordner/neu.txt", "pwned"));
    a.entries.push_back(Stored("datei.txt", "ersetzt"));
    const Result r = OpenAndExtract(dir, a.Build());
    EXPECT_EQ(ReadFile(dir / "outside/opfer.txt"), "unberuehrt");
    EXPECT_FALSE(fs::exists(dir / "outside/neu.txt"));
    // The link itself was replaced by a regular file, its target untouched.
    EXPECT_FALSE(fs::is_symlink(dir / "target/datei.txt"));
    EXPECT_EQ(ReadFile(dir / "target/datei.txt"), "ersetzt");
    EXPECT_EQ(r.extracted, 1);
    EXPECT_EQ(r.codes.size(), 2u);
}

TEST(ZipHostile, LyingSizesAndBombs)
{
    {
        // Declares far more than the deflate format can expand to.
        TempDir dir;
        RawArchive a;
        RawEntry e = Deflated("riesig.bin", std::string(1000, 'a'));
        e.uncompSize = 0xFFFFFFF0u;
        a.entries.push_back(e);
        const Result r = OpenAndExtract(dir, a.Build());
        EXPECT_EQ(r.extracted, 0);
        EXPECT_TRUE(ListTree(dir / "target").empty());
    }
    {
        // Declares less than the data inflates to: stops at the declared size.
        TempDir dir;
        RawArchive a;
        RawEntry e = Deflated("bombe.bin", std::string(20u << 20, '\0'));
        e.uncompSize = 4096;
        e.autoCrc = false;
        e.crc = 0;
        a.entries.push_back(e);
        const Result r = OpenAndExtract(dir, a.Build());
        EXPECT_EQ(r.extracted, 0);
        EXPECT_FALSE(fs::exists(dir / "target/bombe.bin"));
        NothingOutside(dir, {"target/"});
    }
    {
        // Compressed size beyond the end of the archive: the directory is
        // refused and the rebuild finds only what is really there.
        TempDir dir;
        RawArchive a;
        a.entries.push_back(Stored("a.txt", "aaaa"));
        RawEntry e = Stored("b.txt", "bbbb");
        e.compSize = 1u << 30;
        a.entries.push_back(e);
        const Result r = OpenAndExtract(dir, a.Build());
        EXPECT_EQ(ReadFile(dir / "target/a.txt"), "aaaa");
        EXPECT_FALSE(fs::exists(dir / "target/b.txt"));
    }
}

TEST(ZipHostile, Deflate64IsRefusedAsAnUnsupportedMethod)
{
    TempDir dir;
    RawArchive a;
    RawEntry e = Deflated("d64.bin", std::string(100, 'x'));
    e.method = 9;
    a.entries.push_back(e);
    a.entries.push_back(Stored("gut.txt", "gut"));
    const Result r = OpenAndExtract(dir, a.Build());
    ASSERT_FALSE(r.codes.empty());
    EXPECT_EQ(r.codes.front(), 55);
    EXPECT_EQ(ReadFile(dir / "target/gut.txt"), "gut");
}

TEST(ZipHostile, OverlappingEntriesAndBadOffsets)
{
    {
        // Ten central entries all pointing at one local header (a bomb pattern).
        TempDir dir;
        RawArchive a;
        a.entries.push_back(Deflated("kern.bin", std::string(1u << 20, 'x')));
        for (int i = 0; i < 9; ++i) {
            RawEntry e = Deflated("kopie" + std::to_string(i), std::string(1u << 20, 'x'));
            a.entries.push_back(e);
        }
        std::string bytes = a.Build();
        // Rewrite every central offset to 0.
        size_t p = 0;
        while ((p = bytes.find(std::string("PK\x01\x02", 4), p)) != std::string::npos) {
            Put32(reinterpret_cast<unsigned char*>(&bytes[p + 42]), 0);
            p += 4;
        }
        WriteFile(dir / "hostile.zip", bytes);
        ZipArchiver z;
        z.SetFileName(dir / "hostile.zip");
        z.OpenArchive();
        EXPECT_TRUE(z.DirectoryRebuilt());   // the directory was refused
        EXPECT_EQ(z.FileCount(), 10);       // the real local headers
        z.SetBaseDir(dir / "target");
        EXPECT_EQ(z.ExtractFiles("*.*"), 10);
        z.CloseArchive();
        ZipArchiver strict;
        strict.RepairDamagedDirectory = false;
        strict.SetFileName(dir / "hostile.zip");
        try {
            strict.OpenArchive();
            FAIL();
        } catch (const EZAException& e) {
            EXPECT_EQ(e.NativeError(), 57);
        }
    }
    for (int64_t bad : {int64_t(0x7FFFFFFF), int64_t(3), int64_t(0xFFFFFFFE)}) {
        TempDir dir;
        RawArchive a;
        a.entries.push_back(Stored("a.txt", "aaaa"));
        RawEntry e = Stored("b.txt", "bbbb");
        e.offsetOverride = bad;
        a.entries.push_back(e);
        const Result r = OpenAndExtract(dir, a.Build());
        EXPECT_TRUE(r.opened);
        NothingOutside(dir);
    }
}

TEST(ZipHostile, DirectoryCountsAndLengthsBeyondTheFile)
{
    for (int variant = 0; variant < 5; ++variant) {
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
        }
        SCOPED_TRACE(variant);
        const Result r = OpenAndExtract(dir, a.Build());
        EXPECT_TRUE(r.opened);
        NothingOutside(dir);
    }
}

TEST(ZipHostile, CraftedNamesCannotSlowTheIndex)
{
    // 20000 entries whose names all collide under a simple rotate-and-xor hash.
    RawArchive a;
    for (int i = 0; i < 20000; ++i) {
        std::string n(8, 'a');
        // Pairs of characters that cancel under rotation by 2 and xor.
        for (int b = 0; b < 8; ++b)
            n[size_t(b)] = char('a' + ((i >> (2 * b)) & 3) * 4);
        a.entries.push_back(Stored(n + std::to_string(i) + ".txt", ""));
    }
    TempDir dir;
    WriteFile(dir / "hostile.zip", a.Build());
    ZipArchiver z;
    z.SetFileName(dir / "hostile.zip");
    z.OpenArchive();
    ASSERT_EQ(z.FileCount(), 20000);
    for (int i = 0; i < 20000; i += 997)
        EXPECT_EQ(z.FindEntry(z.Entry(i).name), i);
}
