// Archiver operations as the program drives them: open modes, adding
// folders and single files, extracting with masks, password tests.
#include "zip/zipstream.h"

#include "support/archives.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

// A new archive whose stored names start at `base`.
void CreateAt(ZipArchiver& z, const std::string& archive, const std::string& base)
{
    z.SetFileName(archive);
    z.OpenArchive(openmode::Create);
    z.SetBaseDir(base);
}

} // namespace

TEST(ZipArchiver, ExportAndTakeInRoundTrip)
{
    TempDir dir;
    const std::string password = "Pr\xC3\xBC" "fung!2021", name = "9a-21222 Endnoten.txt";
    const std::string text = "Schule\r\n9a_21222\r\nPZeugnisnummern Start\r\nM\xFC" "ller\r\n";
    WriteFile(dir / ("Export/" + name), text);
    const std::string archive = dir / "Export/9a-21222.qdn";
    ZipArchiver zip;
    zip.SetPassword(password);
    CreateAt(zip, archive, dir / "Export/");
    EXPECT_EQ(zip.AddFiles(dir / ("Export/" + name), attr::DefaultSearch, ""), 1);
    zip.CloseArchive();
    // Nothing else is left in the folder (no temporary files).
    EXPECT_EQ(ListTree(dir / "Export"), (std::vector<std::string>{name, "9a-21222.qdn"}));

    Open(zip, archive, password);
    ASSERT_EQ(zip.FileCount(), 1);
    EXPECT_EQ(zip.Entry(0).name, name);
    EXPECT_TRUE(zip.TestFilePassword(name, password));
    EXPECT_FALSE(zip.TestFilePassword(name, "falsch"));
    EXPECT_FALSE(zip.TestFilePassword("9a-21222 ENDNOTEN.TXT", "Pr\xC3\x9C" "fung!2021"));
    zip.SetBaseDir(dir / "prog");
    EXPECT_EQ(zip.ExtractFiles("*.txt", attr::DefaultSearch, ""), 1);
    EXPECT_EQ(ReadFile(dir / ("prog/" + name)), text);
    // A missing entry is named; the password stays what it was after a test.
    EXPECT_EQ(NativeErrorOf([&] { zip.TestFilePassword("fehlt.dbf", "x"); }), 42);
    EXPECT_EQ(zip.Password(), password);
}

TEST(ZipArchiver, OpenModes)
{
    TempDir dir;
    ZipArchiver z;
    Open(z, dir / "neu.zip");   // missing: created
    z.CloseArchive();
    EXPECT_EQ(ReadFile(dir / "neu.zip").size(), 22u);

    // Create mode over an existing archive keeps the old file until a directory is written.
    WriteFile(dir / "s/a.txt", "alt");
    PackFolder(dir / "alt.zip", dir / "s");
    const std::string oldBytes = ReadFile(dir / "alt.zip");
    ZipArchiver c;
    c.SetFileName(dir / "alt.zip");
    c.OpenArchive(openmode::Create);
    EXPECT_TRUE(ReadFile(dir / "alt.zip") == oldBytes);
    EXPECT_EQ(c.FileCount(), 0);
    c.CloseArchive();
    EXPECT_EQ(ReadFile(dir / "alt.zip").size(), 22u);   // replaced by an empty archive

    ZipArchiver closed;
    EXPECT_EQ(NativeErrorOf([&] { closed.ExtractFiles("*.*"); }), 13);
    if (::geteuid() != 0) {
        ::chmod((dir / "alt.zip").c_str(), 0444);
        ZipArchiver ro;
        Open(ro, dir / "alt.zip");   // opens read-only instead of failing
        EXPECT_THROW(ro.AddFiles(dir / "s/a.txt"), EZAException);
    }
}

TEST(ZipArchiver, AddingAFolderRecursively)
{
    TempDir dir;
    const std::string src = dir / "klasse";
    LayOut(src, {{"9a_21222.dbf", "dbf"}, {"v.1", "noten 1"}, {"unter/v.2", "noten 2"}, {"unter/tief/m.3", "memo"}});
    fs::create_directories(src + "/leer");
    ZipArchiver z;
    CreateAt(z, src + "/selbst.zip", dir.path());   // the archive inside the folder it packs, never added
    EXPECT_EQ(z.AddFiles(src + "/*.*", attr::DefaultSearch, ""), 7);
    EXPECT_GE(z.FindEntry("KLASSE/UNTER/V.2"), 0);
    z.CloseArchive();
    z.OpenArchive();
    z.SetBaseDir(dir / "aus");
    EXPECT_EQ(z.ExtractFiles("*.*"), 4);
    EXPECT_EQ(ListTree(dir / "aus"), (std::vector<std::string>{"klasse/", "klasse/9a_21222.dbf", "klasse/leer/",
                                                               "klasse/unter/", "klasse/unter/tief/",
                                                               "klasse/unter/tief/m.3", "klasse/unter/v.2", "klasse/v.1"}));
    EXPECT_EQ(ReadFile(dir / "aus/klasse/unter/tief/m.3"), "memo");
}

TEST(ZipArchiver, ExtractMasksAndCase)
{
    TempDir dir;
    LayOut(dir / "s", {{"KLASSE.DBF", "g"}, {"andere.dbf", "k"}, {"text.txt", "t"}, {"\xC3\x84rger.dbf", "A"},
                       {"ohne", "o"}});
    ZipArchiver z;
    CreateAt(z, dir / "a.zip", dir / "s");
    z.AddFiles(dir / "s/*.*");
    const struct {
        const char *mask, *exclude;
        int extracted;
    } rows[] = {
        {"*.dbf", "", 3},
        {"*.", "", 1},                 // names without extension
        {"*.*", "*.dbf", 2},
    };
    int n = 0;
    for (const auto& r : rows) {
        z.SetBaseDir(dir / ("o" + std::to_string(n++)));
        EXPECT_EQ(z.ExtractFiles(r.mask, attr::DefaultSearch, r.exclude), r.extracted) << r.mask;
    }
    EXPECT_TRUE(fs::exists(dir / "o0/KLASSE.DBF"));
    EXPECT_TRUE(fs::exists(dir / "o2/ohne"));
}

TEST(ZipArchiver, AFileThatChangesWhileAddedFailsThatItem)
{
    TempDir dir;
    WriteFile(dir / "s/a.txt", TextBytes(2000000, 1));
    WriteFile(dir / "s/b.txt", "b");
    ZipArchiver z;
    z.SetPassword("pw");
    CreateAt(z, dir / "a.zip", dir / "s");
    bool changed = false;
    z.OnFileProgress = [&](ZABaseArchiver&, const std::string& name, double p, ProcessOperation, ProgressPhase,
                           bool&) {
        if (!changed && name.find("a.txt") != std::string::npos && p > 0) {
            changed = true;
            std::fstream f(dir / "s/a.txt", std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(1500000);
            f.write("XXXX", 4);
        }
    };
    FailureLog log;
    log.Attach(z);
    EXPECT_EQ(z.AddFiles(dir / "s/*.txt"), 1);
    EXPECT_EQ(log.codes, std::vector<int>{34});
    EXPECT_LT(z.FindEntry("a.txt"), 0);
    EXPECT_EQ(z.TestFiles("*.*"), 1);
}

TEST(ZipArchiver, MoveDeletesTheSourcesOnlyAfterTheCommit)
{
    TempDir dir;
    LayOut(dir / "s", {{"ordner/a.txt", "a"}, {"ordner/tief/b.txt", "b"}});
    ZipArchiver z;
    CreateAt(z, dir / "a.zip", dir / "s");
    // Cancelled: nothing is deleted.
    z.OnOverallProgress = [](ZABaseArchiver&, double, ProcessOperation, ProgressPhase, bool& c) { c = true; };
    EXPECT_EQ(z.MoveFiles(dir / "s/*.*"), 0);
    EXPECT_TRUE(fs::exists(dir / "s/ordner/tief/b.txt"));
    z.OnOverallProgress = nullptr;
    EXPECT_EQ(z.MoveFiles(dir / "s/*.*"), 4);
    EXPECT_FALSE(fs::exists(dir / "s/ordner"));
    EXPECT_TRUE(fs::exists(dir / "s"));
    EXPECT_EQ(z.TestFiles("*.*"), 4);
}

TEST(ZipArchiver, AFullDiskWhileExtractingIsReportedAsSuch)
{
    TempDir dir;
    WriteFile(dir / "s/a.bin", RandomBytes(100000, 8));
    ZipArchiver z;
    CreateAt(z, dir / "a.zip", dir / "s");
    z.AddFiles(dir / "s/a.bin");
    LimitedStream full;
    full.room = 5000;
    EXPECT_EQ(NativeErrorOf([&] { z.ExtractToStream(0, full); }), 65);   // not a checksum error
}

TEST(ZipArchiver, StorePathsMasksAndAttributeFilters)
{
    TempDir dir;
    LayOut(dir / "s", {{"a.txt", TextBytes(5000, 1)}, {"bild.jpg", TextBytes(5000, 2)}, {".versteckt", "h"},
                       {"unter/b.txt", "b"}});
    ZipArchiver z;
    CreateAt(z, dir / "a.zip", dir / "s");
    z.Options.StorePath = StorePathMode::NoPath;
    z.NoCompressionMasks = {"*.jpg"};
    // Without the hidden bit the dot file stays out.
    EXPECT_EQ(z.AddFiles(dir / "s/*.*", attr::DefaultSearch & ~attr::Hidden), 4);
    EXPECT_LT(z.FindEntry(".versteckt"), 0);
    EXPECT_GE(z.FindEntry("b.txt"), 0);   // no path stored
    EXPECT_EQ(z.Entry(z.FindEntry("bild.jpg")).h.method, 0);
    EXPECT_EQ(z.Entry(z.FindEntry("a.txt")).h.method, 8);
    z.Options.StorePath = StorePathMode::FullPath;
    EXPECT_EQ(z.AddFiles(dir / "s/.versteckt"), 1);
    EXPECT_GE(z.FindEntry((dir / "s/.versteckt").substr(1)), 0);
}

TEST(ZipArchiver, StubOverwriteModesAndTheDefaultTemporaryFolder)
{
    TempDir dir;
    WriteFile(dir / "stub.bin", std::string(777, 'S'));
    LayOut(dir / "s", {{"a.txt", "a"}, {"b.txt", "b"}});
    fs::create_directories(dir / "arc");
    ZipArchiver z;
    z.SFXStub = dir / "stub.bin";
    CreateAt(z, dir / "arc/a.zip", dir / "s");
    EXPECT_EQ(z.AddFiles(dir / "s/*.*"), 2);
    EXPECT_EQ(z.Entry(0).localOffset, 777u);
    // A file older than its entry is not added again unless always asked for.
    WriteFile(dir / "s/a.txt", "A neu");
    struct timespec t[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, (dir / "s/a.txt").c_str(), t, 0);
    for (const auto mode : {OverwriteMode::IfNewer, OverwriteMode::Never}) {
        z.Options.OverwriteMode_ = mode;
        EXPECT_EQ(z.AddFiles(dir / "s/a.txt"), 0) << int(mode);
    }
    // Replacing the first entry: the tail goes through "FC..." beside the archive.
    bool seen = false;
    z.OnFileProgress = [&](ZABaseArchiver&, const std::string&, double, ProcessOperation, ProgressPhase, bool&) {
        for (const auto& e : fs::directory_iterator(dir / "arc"))
            seen = seen || e.path().filename().string().rfind("FC", 0) == 0;
    };
    z.Options.OverwriteMode_ = OverwriteMode::Always;
    EXPECT_EQ(z.AddFiles(dir / "s/a.txt"), 1);
    EXPECT_TRUE(seen);
    EXPECT_EQ(z.Entry(0).uncompSize, 5u);
    z.CloseArchive();
    EXPECT_EQ(ListTree(dir / "arc"), std::vector<std::string>{"a.zip"});
    EXPECT_EQ(ReadFile(dir / "arc/a.zip").substr(0, 777), std::string(777, 'S'));
    auto u = RunShell("unzip -t " + Quote(dir / "arc/a.zip"));
    EXPECT_EQ(u.status, 0) << u.output;
}

// Adding to a volume set, extracting and deleting moved sources each fail at
// one item: the handler's retry tries that item again (after the test has
// mended the cause), skip goes on with the next item, abort ends the run.
TEST(ZipArchiver, AFailedItemIsTriedAgainSkippedOrEndsTheRunAsTheHandlerAnswers)
{
    struct Run {
        const char* what;
        // Does the run with the handler attached; returns what it left (see the rows).
        std::function<int(ZipArchiver&, const std::string& dir)> run;
        std::function<void(const std::string& dir)> mend;
        int afterRetry, afterSkip, afterAbort;
    };
    const Run runs[] = {
        {"extracting: b.txt is blocked by a folder; the files extracted",
         [](ZipArchiver& z, const std::string& dir) {
             LayOut(dir + "/s", {{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}});
             CreateAt(z, dir + "/a.zip", dir + "/s");
             z.AddFiles(dir + "/s/*.txt");
             WriteFile(dir + "/out/b.txt/x", "x");
             z.SetBaseDir(dir + "/out");
             return z.ExtractFiles("*.*");
         },
         [](const std::string& dir) { fs::remove_all(dir + "/out/b.txt"); }, 3, 2, 1},
        {"adding to a split set: b.txt is gone at the commit; the entries of the set",
         [](ZipArchiver& z, const std::string& dir) {
             LayOut(dir + "/s", {{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}});
             z.SetSpanningMode(SpanningMode::Splitting);
             z.SpanningOptions.VolumeSize = ZAVolumeSize::Custom;
             z.SpanningOptions.SetCustomVolumeSize(65536);
             CreateAt(z, dir + "/a.zip", dir + "/s");
             z.BeginUpdate();
             z.AddFiles(dir + "/s/*.txt");
             fs::remove(dir + "/s/b.txt");
             z.EndUpdate();
             z.CloseArchive();
             if (!fs::exists(dir + "/a.zip"))
                 return 0;
             ZipArchiver back;
             Open(back, dir + "/a.zip");
             return back.FileCount();
         },
         [](const std::string& dir) { WriteFile(dir + "/s/b.txt", "b"); }, 3, 2, 0},
        {"moving: folder lang keeps a file left out; the moved folders still there",
         [](ZipArchiver& z, const std::string& dir) {
             LayOut(dir + "/s", {{"lang/a.txt", "a"}, {"lang/bleibt.bak", "b"}, {"k/c.txt", "c"}});
             CreateAt(z, dir + "/a.zip", dir + "/s");
             z.MoveFiles(dir + "/s/*.*", attr::DefaultSearch, "*.bak");
             return int(fs::exists(dir + "/s/lang")) + int(fs::exists(dir + "/s/k"));
         },
         [](const std::string& dir) { fs::remove(dir + "/s/lang/bleibt.bak"); }, 0, 1, 2},
    };
    for (const auto& r : runs) {
        for (const ZAAction answer : {ZAAction::Retry, ZAAction::Skip, ZAAction::Abort}) {
            SCOPED_TRACE(std::string(r.what) + ", answer " + std::to_string(int(answer)));
            TempDir dir;
            ZipArchiver z;
            int failures = 0;
            z.OnProcessFileFailure = [&](ZABaseArchiver&, const std::string&, ProcessOperation, int, int,
                                         const std::string&, ZAAction& action) {
                if (++failures == 1 && answer == ZAAction::Retry)
                    r.mend(dir.path());
                action = failures == 1 ? answer : ZAAction::Abort;
            };
            const int left = r.run(z, dir.path());
            EXPECT_EQ(failures, 1);
            EXPECT_EQ(left, answer == ZAAction::Retry ? r.afterRetry
                            : answer == ZAAction::Skip ? r.afterSkip
                                                       : r.afterAbort);
        }
    }
}
