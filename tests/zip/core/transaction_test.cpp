// Update transactions: what a commit rewrites, and how failures, cancels and
// aborts leave the archive.
#include "zip/safefs.h"
#include "zip/zipstream.h"

#include "support/archives.h"
#include "support/rawzip.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

// An archive of three entries, eins.txt, zwei.txt and drei.bin in this order.
struct Fixture {
    TempDir dir;
    std::string archive = dir / "a.zip";
    std::string src = dir / "src";
    std::string before;

    Fixture()
    {
        LayOut(src, {{"eins.txt", TextBytes(30000, 1)}, {"zwei.txt", TextBytes(20000, 2)},
                     {"drei.bin", RandomBytes(10000, 3)}});
        ZipArchiver z;
        z.SetFileName(archive);
        z.OpenArchive(openmode::Create);
        z.SetBaseDir(src);
        for (const char* name : {"eins.txt", "zwei.txt", "drei.bin"})
            EXPECT_EQ(z.AddFiles(src + "/" + name), 1);
        z.CloseArchive();
        before = ReadFile(archive);
    }

    void OpenIn(ZipArchiver& z) const
    {
        Open(z, archive);
        z.SetBaseDir(src);
    }

    bool Unchanged() const { return ReadFile(archive) == before; }
};

std::vector<std::string> TempFiles(const std::string& folder)
{
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind("FC", 0) == 0)
            out.push_back(e.path().filename().string());
    return out;
}

bool AllIntact(const std::string& path, int expected)
{
    ZipArchiver z;
    Open(z, path);
    return z.FileCount() == expected && z.TestFiles("*.*") == expected;
}

} // namespace

TEST(ZipTransactions, AppendingAndDeletingTheLastEntryTouchOnlyTheTail)
{
    Fixture f;
    WriteFile(f.src + "/vier.txt", "neu");
    ZipArchiver z;
    f.OpenIn(z);
    const uint64_t oldDirStart = z.DirectoryStart(), lastOffset = z.Entry(2).localOffset;
    // A pure append copies no entry: while it writes, only the old
    // directory lies saved on the disk (with a trailer of some hundred bytes
    // that says where it belongs and to which archive), so that a crash can
    // put it back.
    uintmax_t saved = 0;
    z.OnFileProgress = [&](ZABaseArchiver&, const std::string&, double, ProcessOperation, ProgressPhase, bool&) {
        for (const auto& name : TempFiles(f.dir.path()))
            saved = std::max(saved, fs::file_size(f.dir / name));
    };
    EXPECT_EQ(z.AddFiles(f.src + "/vier.txt"), 1);
    EXPECT_GT(saved, f.before.size() - oldDirStart + 48);
    EXPECT_LT(saved, f.before.size() - oldDirStart + 1024);
    EXPECT_EQ(z.Entry(3).localOffset, oldDirStart);   // where the old directory began
    // Deleting the last entry cuts the archive there.
    EXPECT_EQ(z.DeleteFiles("vier.txt"), 1);
    EXPECT_EQ(z.DirectoryStart(), oldDirStart);
    EXPECT_EQ(z.DeleteFiles("drei.bin"), 1);
    EXPECT_EQ(z.DirectoryStart(), lastOffset);
    z.CloseArchive();
    EXPECT_TRUE(ReadFile(f.archive).compare(0, lastOffset, f.before, 0, lastOffset) == 0);
    EXPECT_TRUE(AllIntact(f.archive, 2));
    EXPECT_TRUE(TempFiles(f.dir.path()).empty());
}

TEST(ZipTransactions, CancelledUpdatesLeaveEverythingAsItWas)
{
    // Cancelled in the first progress, or while writing the second entry.
    for (const bool early : {true, false}) {
        SCOPED_TRACE(early ? "at the start" : "while writing");
        Fixture f;
        WriteFile(f.src + "/eins.txt", "anders");
        WriteFile(f.src + "/zwei.txt", TextBytes(2000000, 7));
        ZipArchiver z;
        f.OpenIn(z);
        if (early) {
            z.OnOverallProgress = [](ZABaseArchiver&, double, ProcessOperation, ProgressPhase phase, bool& cancel) {
                cancel = phase == ProgressPhase::Start;
            };
        } else {
            z.OnFileProgress = [](ZABaseArchiver&, const std::string& name, double progress, ProcessOperation,
                                  ProgressPhase, bool& cancel) {
                cancel = name.find("zwei.txt") != std::string::npos && progress > 10;
            };
        }
        EXPECT_EQ(z.AddFiles(f.src + "/*.*"), 0);
        EXPECT_EQ(z.FileCount(), 3);
        EXPECT_EQ(z.Entry(0).uncompSize, 30000u);   // the directory is restored as well
        EXPECT_EQ(z.Entry(1).uncompSize, 20000u);
        z.CloseArchive();
        EXPECT_TRUE(f.Unchanged());
        EXPECT_TRUE(TempFiles(f.dir.path()).empty());
    }
}

TEST(ZipTransactions, FailingSourceRetrySkipAndAbort)
{
    const struct {
        ZAAction choice;
        int count;
    } rows[] = {{ZAAction::Retry, 5}, {ZAAction::Skip, 4}, {ZAAction::Abort, 3}};
    for (const auto& r : rows) {
        SCOPED_TRACE(int(r.choice));
        Fixture f;
        WriteFile(f.src + "/fuenf.txt", "fünf");
        WriteFile(f.src + "/sechs.txt", "sechs");
        ZipArchiver z;
        f.OpenIn(z);
        int failures = 0;
        z.OnProcessFileFailure = [&](ZABaseArchiver&, const std::string& name, ProcessOperation, int native, int,
                                     const std::string&, ZAAction& action) {
            ++failures;
            EXPECT_EQ(native, 33);
            EXPECT_NE(name.find("fuenf.txt"), std::string::npos);
            if (r.choice == ZAAction::Retry)
                WriteFile(f.src + "/fuenf.txt", "wieder da");   // the retry reads it again
            action = r.choice;
        };
        z.BeginUpdate();
        z.AddFiles(f.src + "/fuenf.txt");
        z.AddFiles(f.src + "/sechs.txt");
        fs::remove(f.src + "/fuenf.txt");
        z.EndUpdate();
        EXPECT_EQ(failures, 1);
        z.CloseArchive();
        ZipArchiver back;
        Open(back, f.archive);
        EXPECT_EQ(back.FileCount(), r.count);
        EXPECT_EQ(back.FindEntry("sechs.txt") >= 0, r.choice != ZAAction::Abort);
        // Removed before the commit, so only a retry that reads it again adds it.
        EXPECT_EQ(back.FindEntry("fuenf.txt") >= 0, r.choice == ZAAction::Retry);
        back.CloseArchive();
        EXPECT_EQ(f.Unchanged(), r.choice == ZAAction::Abort);
    }
}

TEST(ZipTransactions, NestedUpdatesCommitOnceAndReadOnlyArchivesRefuseThem)
{
    Fixture f;
    WriteFile(f.src + "/x.txt", "x");
    ZipArchiver z;
    f.OpenIn(z);
    z.EndUpdate();   // nothing happens
    EXPECT_EQ(z.UpdateCount(), 0);
    z.BeginUpdate();
    z.BeginUpdate();
    z.AddFiles(f.src + "/x.txt");
    z.EndUpdate();
    EXPECT_TRUE(f.Unchanged());   // still collected only
    EXPECT_EQ(NativeErrorOf([&] { z.ExtractFiles("*.*"); }), 26);   // not inside an update
    z.EndUpdate();
    EXPECT_FALSE(f.Unchanged());
    z.CloseArchive();
    EXPECT_TRUE(AllIntact(f.archive, 4));
    // A read-only archive refuses updates.
    ZipArchiver ro;
    ro.SetFileName(f.archive);
    ro.OpenArchive(openmode::ReadOnly);
    EXPECT_EQ(NativeErrorOf([&] { ro.AddFiles(f.src + "/eins.txt"); }), 32);
    EXPECT_EQ(ro.FileCount(), 4);
}

TEST(ZipTransactions, FullDiskRaisesAndRestoresTheArchive)
{
    Fixture f;
    LimitedStream disk(std::vector<unsigned char>(f.before.begin(), f.before.end()));
    disk.room = f.before.size() + 2000;
    WriteFile(f.src + "/gross.bin", RandomBytes(50000, 11));
    ZipArchiver z;
    z.OpenArchive(&disk, false);
    z.SetBaseDir(f.src);
    EXPECT_EQ(NativeErrorOf([&] { z.AddFiles(f.src + "/gross.bin"); }), 65);
    EXPECT_EQ(z.FileCount(), 3);
    EXPECT_TRUE(std::string(disk.Data().begin(), disk.Data().end()) == f.before);
}

TEST(ZipTransactions, EntriesOutOfDirectoryOrderSurviveUpdates)
{
    // Three entries whose directory lists them in the reverse of their
    // physical order, as some tools leave them.
    RawArchive raw;
    for (const char* n : {"physisch1.txt", "physisch2.txt", "physisch3.txt"})
        raw.entries.push_back(Stored(n, std::string(n).substr(8, 1)));
    std::string bytes = raw.Build();
    const size_t cd = bytes.find(std::string("PK\x01\x02", 4));
    const size_t end = bytes.rfind(std::string("PK\x05\x06", 4));
    const size_t len = (end - cd) / 3;   // the three records are equally long
    bytes.replace(cd, end - cd, bytes.substr(cd + 2 * len, len) + bytes.substr(cd + len, len) + bytes.substr(cd, len));
    for (const bool replace : {true, false}) {
        SCOPED_TRACE(replace ? "replace the first listed" : "delete the middle");
        TempDir dir;
        WriteFile(dir / "a.zip", bytes);
        WriteFile(dir / "s/physisch3.txt", "NEU");
        ZipArchiver z;
        Open(z, dir / "a.zip");
        ASSERT_EQ(z.Entry(0).name, "physisch3.txt");
        z.SetBaseDir(dir / "s");
        if (replace) {
            EXPECT_EQ(z.AddFiles(dir / "s/physisch3.txt"), 1);   // listed first, lies last
        } else {
            EXPECT_EQ(z.DeleteFiles("physisch2.txt"), 1);
        }
        z.CloseArchive();
        z.OpenArchive();
        EXPECT_EQ(z.TestFiles("*.*"), replace ? 3 : 2);
        z.SetBaseDir(dir / "out");
        z.ExtractFiles("*.*");
        EXPECT_EQ(ReadFile(dir / "out/physisch1.txt"), "1");
        EXPECT_EQ(ReadFile(dir / "out/physisch3.txt"), replace ? "NEU" : "3");
        auto u = RunShell("unzip -t " + Quote(dir / "a.zip"));
        EXPECT_EQ(u.status, 0) << u.output;
    }
}

TEST(ZipTransactions, AFailureBeforeTheCutLeavesNoEntryBehind)
{
    Fixture f;
    WriteFile(f.src + "/fuenf.txt", "fuenf");
    ZipArchiver z;
    f.OpenIn(z);
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

namespace {
std::string journalFolder;
uintmax_t largestJournal = 0;
void MeasureJournal(FsChange)
{
    for (const auto& name : TempFiles(journalFolder))
        largestJournal = std::max(largestJournal, fs::file_size(journalFolder + "/" + name));
}
} // namespace

TEST(ZipTransactions, ReplacingTheFirstEntryCopiesOnlyWhatStays)
{
    // A large first entry replaced by a small one: its old data is never
    // copied anywhere, the journal holds the new archive (with its trailer
    // of some hundred bytes) and nothing more.
    TempDir dir;
    const std::string archive = dir / "a.zip", src = dir / "src";
    LayOut(src, {{"a.bin", RandomBytes(3000000, 5)}, {"b.txt", TextBytes(20000, 6)}, {"c.txt", TextBytes(20000, 7)}});
    ZipArchiver z;
    z.SetFileName(archive);
    z.OpenArchive(openmode::Create);
    z.SetBaseDir(src);
    for (const char* name : {"a.bin", "b.txt", "c.txt"})
        z.AddFiles(src + "/" + name);
    z.CloseArchive();
    WriteFile(src + "/a.bin", "klein");
    Open(z, archive);
    z.SetBaseDir(src);
    journalFolder = dir.path();
    largestJournal = 0;
    SetFsChangeHook(&MeasureJournal);
    EXPECT_EQ(z.AddFiles(src + "/a.bin"), 1);
    SetFsChangeHook(nullptr);
    z.CloseArchive();
    EXPECT_GT(largestJournal, fs::file_size(archive) + 48);
    EXPECT_LT(largestJournal, fs::file_size(archive) + 1024);
    EXPECT_LT(fs::file_size(archive), 100000u);
    EXPECT_TRUE(AllIntact(archive, 3));
    EXPECT_TRUE(TempFiles(dir.path()).empty());
}

TEST(ZipTransactions, AJournalThatCannotBePutInClosesTheArchiveAndTheNextOpenFinishesIt)
{
    // The middle entry grows; the copy of the new tail over the old one fails
    // near the archive's new end (files may grow to one byte short of it).
    Fixture f;
    WriteFile(f.src + "/zwei.txt", RandomBytes(200000, 9));
    uint64_t newSize = 0;
    std::string expected;
    {
        TempDir probe;
        WriteFile(probe / "a.zip", f.before);
        ZipArchiver z;
        Open(z, probe / "a.zip");
        z.SetBaseDir(f.src);
        ASSERT_EQ(z.AddFiles(f.src + "/zwei.txt"), 1);
        z.CloseArchive();
        expected = ReadFile(probe / "a.zip");
        newSize = expected.size();
    }
    ZipArchiver z;
    f.OpenIn(z);
    ASSERT_GT(z.Entry(1).localOffset, 1u); // the journal stays below the limit
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = newSize - 1;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const int code = NativeErrorOf([&] { z.AddFiles(f.src + "/zwei.txt"); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(code, err::WriteError);
    EXPECT_FALSE(z.Active());
    EXPECT_EQ(TempFiles(f.dir.path()).size(), 1u);
    std::vector<int> events;
    ZipArchiver next;
    next.OnInternalEvent = [&](ZABaseArchiver&, uint8_t kind, int64_t, int64_t, int64_t) { events.push_back(kind); };
    Open(next, f.archive);
    EXPECT_EQ(events, std::vector<int>{internalevent::CommitFinished});
    next.CloseArchive();
    EXPECT_TRUE(ReadFile(f.archive) == expected);
    EXPECT_TRUE(TempFiles(f.dir.path()).empty());
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
    // Deleting the first entry copies the others forward; then one more.
    ZipArchiver z;
    Open(z, path);
    EXPECT_EQ(z.DeleteFiles("b.txt"), 1);
    z.CloseArchive();
    WriteFile(dir / "\xC3\xBC.txt", "dddd");
    z.OpenArchive();
    z.SetBaseDir(dir.path());
    EXPECT_EQ(z.AddFiles(dir / "\xC3\xBC.txt"), 1);
    z.CloseArchive();
    z.OpenArchive();
    ASSERT_EQ(z.FileCount(), 3);
    EXPECT_EQ(z.Entry(0).name, "abcdefghij.txt");
    EXPECT_EQ(z.Entry(1).name, "c.txt");
    EXPECT_EQ(z.Entry(2).rawName, "\x81.txt");   // the code page 850 name
    EXPECT_EQ(z.TestFiles("*.*"), 3);
}
