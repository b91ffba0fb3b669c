// Archiver operations as the program drives them: open modes, adding
// folders and single files, extracting with masks, password tests.
#include "zip/archiver.h"
#include "zip/zipstream.h"

#include "support/ziptestsupport.h"

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

const std::string kPassword = "Pr\xC3\xBC" "fung!2021";   // "Prüfung!2021"

std::string ExportArchive(TempDir& dir, const std::string& textName, const std::string& content)
{
    // The export: one text file into a new encrypted archive.
    const std::string folder = dir / "Export";
    WriteFile(folder + "/" + textName, content);
    ZipArchiver zip;
    zip.Name = "ZipArchiver1";
    zip.SetPassword(kPassword);
    CreateAt(zip, folder + "/9a-21222.qdn", folder + "/");
    EXPECT_EQ(zip.AddFiles(folder + "/" + textName, attr::DefaultSearch, ""), 1);
    zip.CloseArchive();
    zip.SetPassword("");
    return folder + "/9a-21222.qdn";
}

} // namespace

TEST(ZipArchiver, ExportAndTakeInRoundTrip)
{
    TempDir dir;
    const std::string text = "Schule\r\n9a_21222\r\nPZeugnisnummern Start\r\nM\xFC" "ller\r\n";
    const std::string archive = ExportArchive(dir, "9a-21222 Endnoten.txt", text);
    ASSERT_TRUE(fs::exists(archive));
    // Nothing else is left in the folder (no temporary files).
    EXPECT_EQ(ListTree(dir / "Export"), (std::vector<std::string>{"9a-21222 Endnoten.txt", "9a-21222.qdn"}));

    ZipArchiver zip;
    zip.Name = "ZipArchiver1";
    zip.SetPassword(kPassword);
    zip.SetFileName(archive);
    zip.OpenArchive();
    ASSERT_EQ(zip.FileCount(), 1);
    EXPECT_EQ(zip.Entry(0).name, "9a-21222 Endnoten.txt");
    EXPECT_TRUE(zip.Entry(0).IsEncrypted());
    EXPECT_EQ(zip.Entry(0).h.method, 8);
    EXPECT_EQ(zip.Entry(0).h.versionNeeded, 20);
    EXPECT_TRUE(zip.TestFilePassword("9a-21222 Endnoten.txt", zip.Password()));
    EXPECT_FALSE(zip.TestFilePassword("9a-21222 Endnoten.txt", "falsch"));
    EXPECT_FALSE(zip.TestFilePassword("9a-21222 ENDNOTEN.TXT", "Pr\xC3\x9C" "fung!2021"));
    zip.SetBaseDir(dir / "prog");
    EXPECT_EQ(zip.ExtractFiles("*.txt", attr::DefaultSearch, ""), 1);
    zip.CloseArchive();
    EXPECT_EQ(ReadFile(dir / "prog/9a-21222 Endnoten.txt"), text);
}

TEST(ZipArchiver, OpenModes)
{
    TempDir dir;
    ZipArchiver z;
    z.SetFileName(dir / "neu.zip");
    z.OpenArchive();   // missing: created
    EXPECT_TRUE(z.Active());
    z.CloseArchive();
    EXPECT_EQ(ReadFile(dir / "neu.zip").size(), 22u);

    // Create mode over an existing archive keeps the old file until a directory is written.
    const std::string old = ExportArchive(dir, "a.txt", "alt");
    const std::string oldBytes = ReadFile(old);
    ZipArchiver c;
    c.SetFileName(old);
    c.OpenArchive(openmode::Create);
    EXPECT_TRUE(ReadFile(old) == oldBytes);
    EXPECT_EQ(c.FileCount(), 0);
    c.CloseArchive();
    EXPECT_EQ(ReadFile(old).size(), 22u);   // replaced by an empty archive

    // In-memory archives are created only.
    ZipArchiver m;
    m.SetInMemory(true);
    try {
        m.OpenArchive(openmode::ReadWrite);
        FAIL();
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), 28);
    }
    m.OpenArchive();
    WriteFile(dir / "m/x.txt", "speicher");
    m.SetBaseDir(dir / "m");
    EXPECT_EQ(m.AddFiles(dir / "m/x.txt"), 1);
    m.SetFileName(dir / "aus_speicher.zip");
    m.SetInMemory(false);
    EXPECT_EQ(m.FileCount(), 1);
    m.CloseArchive();
    ZipArchiver r;
    r.SetFileName(dir / "aus_speicher.zip");
    r.OpenArchive();
    EXPECT_EQ(r.TestFiles("*.*"), 1);

    // Not open: 13.
    ZipArchiver closed;
    try {
        closed.ExtractFiles("*.*");
        FAIL();
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), 13);
    }
    if (::geteuid() != 0) {
        ::chmod(old.c_str(), 0444);
        ZipArchiver ro;
        ro.SetFileName(old);
        ro.OpenArchive();   // opens read-only instead of failing
        EXPECT_THROW(ro.AddFiles(dir / "m/x.txt"), EZAException);
    }
}

TEST(ZipArchiver, AddingAFolderRecursively)
{
    TempDir dir;
    const std::string src = dir / "klasse";
    WriteFile(src + "/9a_21222.dbf", "dbf");
    WriteFile(src + "/v.1", "noten 1");
    WriteFile(src + "/unter/v.2", "noten 2");
    WriteFile(src + "/unter/tief/m.3", "memo");
    fs::create_directories(src + "/leer");
    ZipArchiver z;
    z.SetFileName(src + "/selbst.zip");   // the archive inside the folder it packs
    z.OpenArchive(openmode::Create);
    z.SetBaseDir(dir.path());
    EXPECT_EQ(z.AddFiles(src + "/*.*", attr::DefaultSearch, ""), 7);
    std::vector<std::string> names;
    for (int i = 0; i < z.FileCount(); ++i)
        names.push_back(z.Entry(i).name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"klasse/9a_21222.dbf", "klasse/leer/", "klasse/unter/",
                                                "klasse/unter/tief/", "klasse/unter/tief/m.3", "klasse/unter/v.2",
                                                "klasse/v.1"}));
    EXPECT_LT(z.FindEntry("klasse/selbst.zip"), 0);   // never adds itself
    EXPECT_GE(z.FindEntry("klasse/unter/tief/"), 0);
    EXPECT_GE(z.FindEntry("KLASSE/UNTER/V.2"), 0);
    z.CloseArchive();
    ZipArchiver r;
    r.SetFileName(src + "/selbst.zip");
    r.OpenArchive();
    r.SetBaseDir(dir / "aus");
    EXPECT_EQ(r.ExtractFiles("*.*"), 4);
    EXPECT_EQ(ReadFile(dir / "aus/klasse/unter/tief/m.3"), "memo");
    EXPECT_TRUE(fs::is_directory(dir / "aus/klasse/leer"));
}

TEST(ZipArchiver, OverwriteModesWhenAdding)
{
    TempDir dir;
    WriteFile(dir / "s/a.txt", "eins");
    ZipArchiver z;
    CreateAt(z, dir / "a.zip", dir / "s");
    z.AddFiles(dir / "s/a.txt");
    // Older file with IfNewer: skipped.
    WriteFile(dir / "s/a.txt", "zwei!");
    struct timespec t[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, (dir / "s/a.txt").c_str(), t, 0);
    z.Options.OverwriteMode_ = OverwriteMode::IfNewer;
    EXPECT_EQ(z.AddFiles(dir / "s/a.txt"), 0);
    EXPECT_EQ(z.Entry(0).uncompSize, 4u);
    z.Options.OverwriteMode_ = OverwriteMode::Never;
    EXPECT_EQ(z.AddFiles(dir / "s/a.txt"), 0);
    z.Options.OverwriteMode_ = OverwriteMode::Always;
    EXPECT_EQ(z.AddFiles(dir / "s/a.txt"), 1);
    EXPECT_EQ(z.FileCount(), 1);
    EXPECT_EQ(z.Entry(0).uncompSize, 5u);
}

TEST(ZipArchiver, ExtractMasksAndCase)
{
    TempDir dir;
    WriteFile(dir / "s/KLASSE.DBF", "gross");
    WriteFile(dir / "s/andere.dbf", "klein");
    WriteFile(dir / "s/text.txt", "t");
    WriteFile(dir / "s/\xC3\x84rger.dbf", "A");
    WriteFile(dir / "s/ohne", "o");
    ZipArchiver z;
    CreateAt(z, dir / "a.zip", dir / "s");
    z.AddFiles(dir / "s/*.*");
    z.SetBaseDir(dir / "o1");
    EXPECT_EQ(z.ExtractFiles("*.dbf"), 3);
    EXPECT_TRUE(fs::exists(dir / "o1/KLASSE.DBF"));
    EXPECT_FALSE(fs::exists(dir / "o1/text.txt"));
    z.SetBaseDir(dir / "o2");
    EXPECT_EQ(z.ExtractFiles("\xC3\xA4rger.dbf"), 0);   // umlaut case is not folded in masks
    EXPECT_EQ(z.ExtractFiles("*.", attr::DefaultSearch, ""), 1);   // names without extension
    EXPECT_TRUE(fs::exists(dir / "o2/ohne"));
    z.SetBaseDir(dir / "o3");
    EXPECT_EQ(z.ExtractFiles("*.*", attr::DefaultSearch, "*.dbf"), 2);
    ZASearchRec rec;
    EXPECT_TRUE(z.FindFirstItem("*.DBF", rec));
    int found = 1;
    while (z.FindNextItem(rec))
        ++found;
    EXPECT_EQ(found, 3);
}

TEST(ZipArchiver, TestFilePasswordCases)
{
    TempDir dir;
    WriteFile(dir / "s/offen.txt", "frei");
    ZipArchiver z;
    CreateAt(z, dir / "a.zip", dir / "s");
    z.AddFiles(dir / "s/offen.txt");
    EXPECT_TRUE(z.TestFilePassword("offen.txt", "egal"));
    try {
        z.TestFilePassword("fehlt.dbf", "x");
        FAIL();
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), 42);
        EXPECT_NE(std::string(e.what()).find("File \"fehlt.dbf\" not found"), std::string::npos);
    }
    // The password stays what it was after a test.
    z.SetPassword("vorher");
    z.TestFilePassword("offen.txt", "anders");
    EXPECT_EQ(z.Password(), "vorher");
}

TEST(ZipArchiver, ExtractionKeepsReadOnlyAndExistingFilesSafe)
{
    TempDir dir;
    WriteFile(dir / "s/a.txt", "neu");
    ZipArchiver z;
    CreateAt(z, dir / "a.zip", dir / "s");
    z.AddFiles(dir / "s/a.txt");
    z.CloseArchive();
    WriteFile(dir / "o/a.txt", "alt");
    ::chmod((dir / "o/a.txt").c_str(), 0444);
    z.OpenArchive();
    z.SetBaseDir(dir / "o");
    z.Options.ReplaceReadOnly = false;
    EXPECT_EQ(z.ExtractFiles("*.*"), 0);
    EXPECT_EQ(ReadFile(dir / "o/a.txt"), "alt");
    z.Options.ReplaceReadOnly = true;
    EXPECT_EQ(z.ExtractFiles("*.*"), 1);
    EXPECT_EQ(ReadFile(dir / "o/a.txt"), "neu");
    z.CloseArchive();

    // A damaged entry never replaces an existing file and leaves no partial output.
    std::string bytes = ReadFile(dir / "a.zip");
    bytes[30 + 5 + 1] ^= 0x55;   // inside the (stored or deflated) data
    WriteFile(dir / "kaputt.zip", bytes);
    WriteFile(dir / "k/a.txt", "bleibt");
    ZipArchiver k;
    k.SetFileName(dir / "kaputt.zip");
    k.OpenArchive();
    k.SetBaseDir(dir / "k");
    EXPECT_EQ(k.ExtractFiles("*.*"), 0);
    EXPECT_EQ(k.LastFailureCount(), 1);
    EXPECT_EQ(ReadFile(dir / "k/a.txt"), "bleibt");
    EXPECT_EQ(ListTree(dir / "k"), std::vector<std::string>{"a.txt"});
}

TEST(ZipArchiver, CancelledExtractionAndSkippedPasswordLeaveNoOutput)
{
    TempDir dir;
    WriteFile(dir / "s/gross.txt", TextBytes(3000000, 5));
    ZipArchiver z;
    z.SetFileName(dir / "a.zip");
    z.SetPassword("richtig");
    z.OpenArchive(openmode::Create);
    z.SetBaseDir(dir / "s");
    z.AddFiles(dir / "s/gross.txt");
    z.CloseArchive();

    z.OpenArchive();
    z.SetBaseDir(dir / "o");
    z.OnFileProgress = [](ZABaseArchiver&, const std::string&, double p, ProcessOperation, ProgressPhase, bool& c) {
        c = p > 20;
    };
    EXPECT_EQ(z.ExtractFiles("*.*"), 0);
    EXPECT_TRUE(ListTree(dir / "o").empty());
    z.OnFileProgress = nullptr;

    // Wrong password, dialog cancelled: skipped, nothing written.
    z.SetPassword("falsch");
    int asked = 0;
    z.OnPassword = [&](ZABaseArchiver&, const std::string& name, std::string&, bool& skip) {
        ++asked;
        EXPECT_EQ(name, "gross.txt");
        skip = true;
    };
    EXPECT_EQ(z.ExtractFiles("*.*"), 0);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(ListTree(dir / "o").empty());

    // The question is asked a bounded number of times, then the entry fails.
    asked = 0;
    z.OnPassword = [&](ZABaseArchiver&, const std::string&, std::string& pw, bool& skip) {
        ++asked;
        pw = "immer falsch";
        skip = false;
    };
    z.OnProcessFileFailure = [](ZABaseArchiver&, const std::string&, ProcessOperation, int native, int,
                                const std::string&, ZAAction& a) {
        EXPECT_EQ(native, 67);
        a = ZAAction::Skip;
    };
    EXPECT_EQ(z.ExtractFiles("*.*"), 0);
    EXPECT_EQ(asked, z.MaxPasswordAttempts);

    // The right answer from the dialog extracts and stays the password.
    z.OnPassword = [&](ZABaseArchiver&, const std::string&, std::string& pw, bool& skip) {
        pw = "richtig";
        skip = false;
    };
    EXPECT_EQ(z.ExtractFiles("*.*"), 1);
    EXPECT_EQ(z.Password(), "richtig");
    EXPECT_TRUE(ReadFile(dir / "o/gross.txt") == TextBytes(3000000, 5));
}

TEST(ZipArchiver, AFileThatChangesWhileAddedFailsThatItem)
{
    TempDir dir;
    WriteFile(dir / "s/a.txt", TextBytes(2000000, 1));
    WriteFile(dir / "s/b.txt", "b");
    ZipArchiver z;
    z.SetFileName(dir / "a.zip");
    z.SetPassword("pw");
    z.OpenArchive(openmode::Create);
    z.SetBaseDir(dir / "s");
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
    std::vector<int> codes;
    z.OnProcessFileFailure = [&](ZABaseArchiver&, const std::string&, ProcessOperation, int native, int,
                                 const std::string&, ZAAction& a) {
        codes.push_back(native);
        a = ZAAction::Skip;
    };
    EXPECT_EQ(z.AddFiles(dir / "s/*.txt"), 1);
    EXPECT_EQ(codes, std::vector<int>{34});
    EXPECT_LT(z.FindEntry("a.txt"), 0);
    EXPECT_EQ(z.TestFiles("*.*"), 1);
}

TEST(ZipArchiver, MoveDeletesTheSourcesOnlyAfterTheCommit)
{
    TempDir dir;
    WriteFile(dir / "s/ordner/a.txt", "a");
    WriteFile(dir / "s/ordner/tief/b.txt", "b");
    ZipArchiver z;
    CreateAt(z, dir / "a.zip", dir / "s");
    // Cancelled: nothing is deleted.
    z.OnOverallProgress = [](ZABaseArchiver&, double, ProcessOperation, ProgressPhase, bool& c) { c = true; };
    EXPECT_EQ(z.MoveFiles(dir / "s/*.*"), 0);
    EXPECT_TRUE(fs::exists(dir / "s/ordner/tief/b.txt"));
    z.OnOverallProgress = nullptr;
    EXPECT_EQ(z.MoveFiles(dir / "s/*.*"), 4);
    EXPECT_FALSE(fs::exists(dir / "s/ordner/a.txt"));
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
    struct Full : MemoryStream {
        size_t Write(const void* b, size_t n) override
        {
            if (Size() + n > 5000) {
                lastError_ = ENOSPC;
                return 0;
            }
            return MemoryStream::Write(b, n);
        }
    } full;
    try {
        z.ExtractToStream(0, full);
        FAIL();
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), 65);   // not a checksum error
    }
    NullStream sink;
    z.ExtractToStream(0, sink);
    EXPECT_EQ(sink.Size(), 100000u);
}

TEST(ZipArchiver, StorePathsMasksAndAttributeFilters)
{
    TempDir dir;
    WriteFile(dir / "s/a.txt", TextBytes(5000, 1));
    WriteFile(dir / "s/bild.jpg", TextBytes(5000, 2));
    WriteFile(dir / "s/.versteckt", "h");
    WriteFile(dir / "s/unter/b.txt", "b");
    ZipArchiver z;
    CreateAt(z, dir / "a.zip", dir / "s");
    z.Options.StorePath = StorePathMode::NoPath;
    z.NoCompressionMasks = {"*.jpg"};
    // Without the hidden bit the dot file stays out.
    EXPECT_EQ(z.AddFiles(dir / "s/*.*", attr::DefaultSearch & ~attr::Hidden), 4);
    EXPECT_LT(z.FindEntry(".versteckt"), 0);
    EXPECT_GE(z.FindEntry("b.txt"), 0);          // no path stored
    EXPECT_GE(z.FindEntry("unter/"), 0);
    EXPECT_EQ(z.Entry(z.FindEntry("bild.jpg")).h.method, 0);
    EXPECT_EQ(z.Entry(z.FindEntry("a.txt")).h.method, 8);
    z.Options.StorePath = StorePathMode::FullPath;
    EXPECT_EQ(z.AddFiles(dir / "s/.versteckt"), 1);
    const std::string full = (dir / "s/.versteckt").substr(1);
    EXPECT_GE(z.FindEntry(full), 0);
    // Without the directory bit and without recursion: files of the folder only.
    ZipArchiver flat;
    CreateAt(flat, dir / "flach.zip", dir / "s");
    flat.Options.Recurse = false;
    EXPECT_EQ(flat.AddFiles("*.txt", attr::DefaultSearch & ~attr::Directory), 1);
}

TEST(ZipArchiver, StubAndDefaultTemporaryFolder)
{
    TempDir dir;
    WriteFile(dir / "stub.bin", std::string(777, 'S'));
    WriteFile(dir / "s/a.txt", "a");
    WriteFile(dir / "s/b.txt", "b");
    ZipArchiver z;
    z.SFXStub = dir / "stub.bin";
    z.SetFileName(dir / "arc/a.zip");
    fs::create_directories(dir / "arc");
    z.OpenArchive(openmode::Create);
    z.SetBaseDir(dir / "s");
    EXPECT_EQ(z.AddFiles(dir / "s/*.*"), 2);
    EXPECT_EQ(z.Entry(0).localOffset, 777u);
    // Replacing the first entry: the tail goes through "FC..." beside the archive.
    std::vector<std::string> seen;
    z.OnFileProgress = [&](ZABaseArchiver&, const std::string&, double, ProcessOperation, ProgressPhase, bool&) {
        for (const auto& e : fs::directory_iterator(dir / "arc"))
            if (e.path().filename().string().rfind("FC", 0) == 0)
                seen.push_back(e.path().filename().string());
    };
    WriteFile(dir / "s/a.txt", "A neu");
    EXPECT_EQ(z.AddFiles(dir / "s/a.txt"), 1);
    EXPECT_FALSE(seen.empty());
    z.CloseArchive();
    EXPECT_EQ(ListTree(dir / "arc"), std::vector<std::string>{"a.zip"});
    EXPECT_EQ(ReadFile(dir / "arc/a.zip").substr(0, 777), std::string(777, 'S'));
    auto u = RunShell("unzip -t " + Quote(dir / "arc/a.zip"));
    EXPECT_EQ(u.status, 0) << u.output;
}
