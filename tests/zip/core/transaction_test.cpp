// Update transactions: what a commit rewrites, and how failures, cancels and
// aborts leave the archive.
#include "zip/archiver.h"
#include "zip/zipstream.h"

#include "support/rawzip.h"
#include "support/ziptestsupport.h"

#include <cerrno>
#include <gtest/gtest.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

struct Fixture {
    TempDir dir;
    std::string archive = dir / "a.zip";
    std::string src = dir / "src";

    Fixture()
    {
        WriteFile(src + "/eins.txt", TextBytes(30000, 1));
        WriteFile(src + "/zwei.txt", TextBytes(20000, 2));
        WriteFile(src + "/drei.bin", RandomBytes(10000, 3));
        ZipArchiver z;
        z.SetFileName(archive);
        z.OpenArchive(openmode::Create);
        z.SetBaseDir(src);
        EXPECT_EQ(z.AddFiles(src + "/eins.txt"), 1);
        EXPECT_EQ(z.AddFiles(src + "/zwei.txt"), 1);
        EXPECT_EQ(z.AddFiles(src + "/drei.bin"), 1);
        z.CloseArchive();
    }

    void Open(ZipArchiver& z) const
    {
        z.SetFileName(archive);
        z.OpenArchive();
    }

    std::vector<std::string> TempFiles(const std::string& folder) const
    {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(folder)) {
            const std::string n = e.path().filename().string();
            if (n.rfind("FC", 0) == 0)
                out.push_back(n);
        }
        return out;
    }
};

bool AllIntact(const std::string& path, int expected)
{
    ZipArchiver z;
    z.SetFileName(path);
    z.OpenArchive();
    return z.FileCount() == expected && z.TestFiles("*.*") == expected;
}

// An archive on a disk with limited room.
class LimitedDisk : public MemoryStream {
public:
    using MemoryStream::MemoryStream;
    size_t room = SIZE_MAX;
    size_t Write(const void* buf, size_t n) override
    {
        if (Position() + n > room) {
            lastError_ = ENOSPC;
            return 0;
        }
        return MemoryStream::Write(buf, n);
    }
};

} // namespace

TEST(ZipTransactions, AppendWritesOnlyTheNewEntryAndTheDirectory)
{
    Fixture f;
    const std::string before = ReadFile(f.archive);
    WriteFile(f.src + "/vier.txt", "neu");
    ZipArchiver z;
    f.Open(z);
    const uint64_t oldDirStart = z.DirectoryStart();
    bool sawTemp = false;
    z.OnFileProgress = [&](ZABaseArchiver&, const std::string&, double, ProcessOperation, ProgressPhase, bool&) {
        sawTemp = sawTemp || !f.TempFiles(f.dir.path()).empty();
    };
    z.SetBaseDir(f.src);
    EXPECT_EQ(z.AddFiles(f.src + "/vier.txt"), 1);
    EXPECT_FALSE(sawTemp);   // a pure append needs no temporary file
    const int i = z.FindEntry("vier.txt");
    ASSERT_GE(i, 0);
    EXPECT_EQ(z.Entry(i).localOffset, oldDirStart);   // where the old directory began
    z.CloseArchive();
    const std::string after = ReadFile(f.archive);
    EXPECT_TRUE(after.compare(0, oldDirStart, before, 0, oldDirStart) == 0);
    EXPECT_TRUE(AllIntact(f.archive, 4));
}

TEST(ZipTransactions, DeletingTheLastEntryCutsTheArchiveThere)
{
    Fixture f;
    const std::string before = ReadFile(f.archive);
    ZipArchiver z;
    f.Open(z);
    const uint64_t lastOffset = z.Entry(2).localOffset;
    EXPECT_EQ(z.DeleteFiles("drei.bin"), 1);
    EXPECT_EQ(z.FileCount(), 2);
    EXPECT_EQ(z.DirectoryStart(), lastOffset);
    z.CloseArchive();
    const std::string after = ReadFile(f.archive);
    EXPECT_TRUE(after.compare(0, lastOffset, before, 0, lastOffset) == 0);
    EXPECT_TRUE(AllIntact(f.archive, 2));
    EXPECT_TRUE(f.TempFiles(f.dir.path()).empty());
}

TEST(ZipTransactions, ReplacingTheFirstEntryPassesTheTailThroughATemporaryFile)
{
    Fixture f;
    const std::string temp = f.dir / "tmp";
    fs::create_directories(temp);
    WriteFile(f.src + "/eins.txt", "ganz anders");
    ZipArchiver z;
    f.Open(z);
    z.TempDir = temp;
    std::vector<std::string> seen;
    z.OnFileProgress = [&](ZABaseArchiver&, const std::string&, double, ProcessOperation, ProgressPhase, bool&) {
        if (seen.empty())
            seen = f.TempFiles(temp);
    };
    z.SetBaseDir(f.src);
    EXPECT_EQ(z.AddFiles(f.src + "/eins.txt"), 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].substr(0, 2), "FC");
    EXPECT_TRUE(f.TempFiles(temp).empty());   // removed after the commit
    z.SetBaseDir(f.dir / "out");
    EXPECT_EQ(z.ExtractFiles("*.*"), 3);
    EXPECT_EQ(ReadFile(f.dir / "out/eins.txt"), "ganz anders");
    EXPECT_TRUE(ReadFile(f.dir / "out/drei.bin") == RandomBytes(10000, 3));
}

TEST(ZipTransactions, CancelInTheFirstProgressLeavesEverythingAsItWas)
{
    Fixture f;
    const std::string before = ReadFile(f.archive);
    WriteFile(f.src + "/eins.txt", "anders");
    ZipArchiver z;
    f.Open(z);
    z.OnOverallProgress = [](ZABaseArchiver&, double, ProcessOperation, ProgressPhase phase, bool& cancel) {
        cancel = phase == ProgressPhase::Start;
    };
    z.SetBaseDir(f.src);
    EXPECT_EQ(z.AddFiles(f.src + "/*.*"), 0);
    EXPECT_EQ(z.FileCount(), 3);
    EXPECT_EQ(z.Entry(0).uncompSize, 30000u);   // the directory is restored as well
    z.CloseArchive();
    EXPECT_TRUE(ReadFile(f.archive) == before);
}

TEST(ZipTransactions, CancelWhileWritingRollsBackByteForByte)
{
    Fixture f;
    const std::string before = ReadFile(f.archive);
    WriteFile(f.src + "/zwei.txt", TextBytes(2000000, 7));
    ZipArchiver z;
    f.Open(z);
    z.OnFileProgress = [](ZABaseArchiver&, const std::string&, double progress, ProcessOperation, ProgressPhase,
                          bool& cancel) { cancel = progress > 10; };
    z.SetCompressionMode(9);
    z.SetBaseDir(f.src);
    EXPECT_EQ(z.AddFiles(f.src + "/zwei.txt"), 0);
    EXPECT_EQ(z.Entry(1).uncompSize, 20000u);
    z.CloseArchive();
    EXPECT_TRUE(ReadFile(f.archive) == before);
    EXPECT_TRUE(f.TempFiles(f.dir.path()).empty());
}

TEST(ZipTransactions, FailingSourceRetrySkipAndAbort)
{
    for (ZAAction choice : {ZAAction::Retry, ZAAction::Skip, ZAAction::Abort}) {
        Fixture f;
        const std::string before = ReadFile(f.archive);
        WriteFile(f.src + "/fuenf.txt", "fünf");
        WriteFile(f.src + "/sechs.txt", "sechs");
        ZipArchiver z;
        f.Open(z);
        z.SetBaseDir(f.src);
        int failures = 0;
        z.OnProcessFileFailure = [&](ZABaseArchiver&, const std::string& name, ProcessOperation, int native, int,
                                     const std::string&, ZAAction& action) {
            ++failures;
            EXPECT_EQ(native, 33);
            EXPECT_NE(name.find("fuenf.txt"), std::string::npos);
            if (choice == ZAAction::Retry)
                WriteFile(f.src + "/fuenf.txt", "wieder da");   // the retry reads it again
            action = choice;
        };
        z.BeginUpdate();
        z.AddFiles(f.src + "/fuenf.txt");
        z.AddFiles(f.src + "/sechs.txt");
        fs::remove(f.src + "/fuenf.txt");
        z.EndUpdate();
        EXPECT_EQ(failures, 1);
        z.CloseArchive();
        ZipArchiver r;
        f.Open(r);
        if (choice == ZAAction::Retry) {
            EXPECT_EQ(r.FileCount(), 5);
            r.SetBaseDir(f.dir / "out");
            r.ExtractFiles("fuenf.txt");
            EXPECT_EQ(ReadFile(f.dir / "out/fuenf.txt"), "wieder da");
        } else if (choice == ZAAction::Skip) {
            EXPECT_EQ(r.FileCount(), 4);
            EXPECT_LT(r.FindEntry("fuenf.txt"), 0);
            EXPECT_GE(r.FindEntry("sechs.txt"), 0);
        } else {
            EXPECT_EQ(r.FileCount(), 3);
            r.CloseArchive();
            EXPECT_TRUE(ReadFile(f.archive) == before);
        }
    }
}

TEST(ZipTransactions, NestingAndEndWithoutBegin)
{
    Fixture f;
    const std::string before = ReadFile(f.archive);
    WriteFile(f.src + "/x.txt", "x");
    ZipArchiver z;
    f.Open(z);
    z.EndUpdate();   // nothing happens
    EXPECT_EQ(z.UpdateCount(), 0);
    z.SetBaseDir(f.src);
    z.BeginUpdate();
    z.BeginUpdate();
    z.AddFiles(f.src + "/x.txt");
    z.EndUpdate();
    EXPECT_TRUE(ReadFile(f.archive) == before);   // still collected only
    EXPECT_THROW(z.ExtractFiles("*.*"), EZAException);   // not inside an update (26)
    z.EndUpdate();
    EXPECT_EQ(z.UpdateCount(), 0);
    EXPECT_FALSE(ReadFile(f.archive) == before);
    z.CloseArchive();
    EXPECT_TRUE(AllIntact(f.archive, 4));
    // CancelUpdate drops collected changes.
    ZipArchiver c;
    f.Open(c);
    c.BeginUpdate();
    c.DeleteFiles("*.*");
    EXPECT_EQ(c.FileCount(), 0);
    c.CancelUpdate();
    EXPECT_EQ(c.FileCount(), 4);
}

TEST(ZipTransactions, CopiedEntriesKeepTheirRawNames)
{
    Fixture f;
    ZipArchiver z;
    f.Open(z);
    z.CloseArchive();
    // Append twice and delete once; the entries that stay are copied as they were.
    WriteFile(f.src + "/\xC3\xBC.txt", "ü");
    z.OpenArchive();
    z.SetBaseDir(f.src);
    z.AddFiles(f.src + "/\xC3\xBC.txt");
    z.DeleteFiles("zwei.txt");
    z.CloseArchive();
    z.OpenArchive();
    ASSERT_EQ(z.FileCount(), 3);
    EXPECT_EQ(z.Entry(2).name, "\xC3\xBC.txt");
    EXPECT_EQ(z.Entry(2).rawName, "\x81.txt");
    EXPECT_EQ(z.TestFiles("*.*"), 3);
}

TEST(ZipTransactions, ReadOnlyArchivesRefuseUpdates)
{
    Fixture f;
    ZipArchiver z;
    z.SetFileName(f.archive);
    z.OpenArchive(openmode::ReadOnly);
    try {
        z.AddFiles(f.src + "/eins.txt");
        FAIL();
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), 32);
    }
    EXPECT_EQ(z.FileCount(), 3);
}

TEST(ZipTransactions, FullDiskRaisesAndRestoresTheArchive)
{
    Fixture f;
    const std::string bytes = ReadFile(f.archive);
    LimitedDisk disk(std::vector<unsigned char>(bytes.begin(), bytes.end()));
    disk.room = bytes.size() + 2000;
    WriteFile(f.src + "/gross.bin", RandomBytes(50000, 11));
    ZipArchiver z;
    z.OpenArchive(&disk, false);
    z.SetBaseDir(f.src);
    try {
        z.AddFiles(f.src + "/gross.bin");
        FAIL();
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), 65);
        EXPECT_EQ(std::string(e.what()).rfind("Disk is full.", 0), 0u);
    }
    EXPECT_EQ(z.FileCount(), 3);
    EXPECT_TRUE(std::string(disk.Data().begin(), disk.Data().end()) == bytes);
}

TEST(ZipTransactions, EntriesOutOfDirectoryOrderSurviveUpdates)
{
    // Three entries whose directory lists them in the reverse of their
    // physical order, as some tools leave them.
    RawArchive raw;
    raw.entries.push_back(Stored("physisch1.txt", "eins"));
    raw.entries.push_back(Stored("physisch2.txt", "zwei"));
    raw.entries.push_back(Stored("physisch3.txt", "drei"));
    std::string bytes = raw.Build();
    // Reverse the central records.
    const size_t cd = bytes.find(std::string("PK\x01\x02", 4));
    const size_t end = bytes.rfind(std::string("PK\x05\x06", 4));
    std::vector<std::string> records;
    for (size_t p = cd; p < end;) {
        const size_t len = 46 + Get16(reinterpret_cast<const unsigned char*>(&bytes[p + 28]))
                           + Get16(reinterpret_cast<const unsigned char*>(&bytes[p + 30]));
        records.push_back(bytes.substr(p, len));
        p += len;
    }
    std::string reversed;
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        reversed += *it;
    bytes.replace(cd, end - cd, reversed);
    for (int scenario = 0; scenario < 2; ++scenario) {
        TempDir dir;
        WriteFile(dir / "a.zip", bytes);
        WriteFile(dir / "s/physisch3.txt", "DREI NEU");
        ZipArchiver z;
        z.SetFileName(dir / "a.zip");
        z.OpenArchive();
        ASSERT_EQ(z.Entry(0).name, "physisch3.txt");
        if (scenario == 0) {
            z.SetBaseDir(dir / "s");
            EXPECT_EQ(z.AddFiles(dir / "s/physisch3.txt"), 1);   // listed first, lies last
        } else {
            EXPECT_EQ(z.DeleteFiles("physisch2.txt"), 1);
        }
        z.CloseArchive();
        z.OpenArchive();
        EXPECT_EQ(z.TestFiles("*.*"), scenario == 0 ? 3 : 2);
        z.SetBaseDir(dir / "out");
        z.ExtractFiles("*.*");
        EXPECT_EQ(ReadFile(dir / "out/physisch1.txt"), "eins");
        EXPECT_EQ(ReadFile(dir / "out/physisch3.txt"), scenario == 0 ? "DREI NEU" : "drei");
        auto u = RunShell("unzip -t " + Quote(dir / "a.zip"));
        EXPECT_EQ(u.status, 0) << u.output;
    }
}

TEST(ZipTransactions, AFailureBeforeTheCutLeavesNoEntryBehind)
{
    Fixture f;
    WriteFile(f.src + "/vier.txt", "vier");
    WriteFile(f.src + "/fuenf.txt", "fuenf");
    ZipArchiver z;
    f.Open(z);
    z.SetBaseDir(f.src);
    // Replacing the first entry needs the tail saved in a temporary folder
    // that is not there.
    z.TempDir = f.dir / "fehlt";
    try {
        z.AddFiles(f.src + "/eins.txt");
        ADD_FAILURE() << "no error";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.BareMessage(), "Cannot create file \"" + (f.dir / "fehlt") + "/FC\"");
    }
    EXPECT_EQ(z.FileCount(), 3);
    EXPECT_EQ(z.Entry(0).h.crc, Crc(TextBytes(30000, 1)));
    z.TempDir.clear();
    EXPECT_EQ(z.AddFiles(f.src + "/fuenf.txt"), 1);
    z.CloseArchive();
    EXPECT_TRUE(AllIntact(f.archive, 4));
}

TEST(ZipTransactions, LocalHeadersLongerOrShorterThanTheCentralOnesSurviveCompaction)
{
    TempDir dir;
    const std::string path = dir / "fremd.zip";
    RawArchive raw;
    raw.entries.push_back(Stored("b.txt", "bbbb"));
    RawEntry a = Stored("abcdefghij.txt", "aaaa");
    a.localName = "a.txt";
    a.padAfter = std::string(16, '\0');
    raw.entries.push_back(a);
    raw.entries.push_back(Stored("c.txt", "cccc"));
    WriteFile(path, raw.Build());
    {
        ZipArchiver z;
        z.SetFileName(path);
        z.OpenArchive();
        EXPECT_EQ(z.DeleteFiles("b.txt"), 1);
        z.CloseArchive();
    }
    WriteFile(dir / "d.txt", "dddd");
    {
        ZipArchiver z;
        z.SetFileName(path);
        z.OpenArchive();
        EXPECT_EQ(z.FileCount(), 2);
        z.SetBaseDir(dir.path());
        EXPECT_EQ(z.AddFiles(dir / "d.txt"), 1);
        z.CloseArchive();
    }
    ZipArchiver z;
    z.SetFileName(path);
    z.OpenArchive();
    ASSERT_EQ(z.FileCount(), 3);
    for (const char* name : {"abcdefghij.txt", "c.txt", "d.txt"})
        EXPECT_GE(z.FindEntry(name), 0) << name;
    EXPECT_EQ(z.TestFiles("*.*"), 3);
}
