// Extraction, fast paths included (buffers reused, read-ahead, files written
// under their real names), never loosening a safety rule; crafted archives
// write nothing outside the target, no links or special files, and crash nothing.
#include "zip/entrycipher.h"
#include "zip/safefs.h"
#include "zip/zipstream.h"

#include "support/archives.h"
#include "support/rawzip.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

// Opens an archive for extraction into `target`, with failures collected
// and skipped instead of asked about.
struct Extractor {
    ZipArchiver z;
    FailureLog failures;
    Extractor(const std::string& archive, const std::string& target, bool sync)
    {
        z.SyncExtractedFiles = sync;
        failures.Attach(z);
        Open(z, archive);
        z.SetBaseDir(target);
    }
};

// Sizes around every buffer edge of the data path: empty, tiny, the 4 KiB
// output minimum, the 256 KiB block read ahead and input buffer, the 512 KiB
// output buffer; and many small files.
Files MixedFiles()
{
    Files files;
    const size_t edges[] = {0, 1, 4095, 4096, 4097, 65536, 262143, 262144, 262145, 524287, 524288, 524289, 1100000};
    unsigned seed = 1;
    for (size_t n : edges) {
        files["kanten/t" + std::to_string(n) + ".txt"] = TextBytes(n, seed++);
        files["kanten/r" + std::to_string(n) + ".bin"] = RandomBytes(n, seed++);
    }
    for (int i = 0; i < 300; ++i) {
        const size_t n = size_t(17 + (i * 7919) % 3500);
        files["klein/ordner" + std::to_string(i % 7) + "/v." + std::to_string(i)] =
            i % 3 ? TextBytes(n, seed++) : RandomBytes(n, seed++);
    }
    return files;
}

// Extracts a crafted archive into dir/target; the number of files written,
// -1 when it does not open (its error then the only failure).
int ExtractCrafted(TempDir& dir, const std::string& bytes, std::vector<int>* codes = nullptr)
{
    WriteFile(dir / "hostile.zip", bytes);
    std::vector<int> failures;
    int n = -1;
    try {
        Extractor x(dir / "hostile.zip", dir / "target", true);
        n = x.z.ExtractFiles("*.*");
        x.z.TestFiles("*.*");
        failures = x.failures.codes;
    } catch (const EZAException& e) {
        failures.push_back(e.NativeError());
    }
    if (codes)
        *codes = failures;
    return n;
}

// Everything in the test folder must lie in the target or be the archive.
void NothingOutside(TempDir& dir)
{
    for (const auto& p : ListTree(dir.path()))
        EXPECT_TRUE(p == "hostile.zip" || p.rfind("target/", 0) == 0) << "written outside the target: " << p;
}

// The first of `base`, `base` 2, `base` 3 ... that fails the quick check of
// every classically encrypted entry of the archive (given as its bytes).
std::string RefusedByEveryEntry(const std::string& archive, const std::string& base)
{
    // The entries are found through the central directory: a local header
    // followed by a data descriptor holds no size to step over its data.
    auto at = [&](size_t p) { return reinterpret_cast<const unsigned char*>(archive.data()) + p; };
    const size_t end = archive.rfind(std::string("PK\x05\x06", 4));
    EXPECT_NE(end, std::string::npos);
    if (end == std::string::npos || end + kEndRecordSize > archive.size())
        return base;
    const size_t count = Get16(at(end + 10));
    size_t c = Get32(at(end + 16));
    struct Entry { size_t data; uint16_t flags, time; uint32_t crc; };
    std::vector<Entry> entries;
    for (size_t i = 0; i < count && c + kCentralHeaderSize <= archive.size() && Get32(at(c)) == sig::Central; ++i) {
        const size_t local = Get32(at(c + 42));
        if (local + kLocalHeaderSize <= archive.size())
            entries.push_back({local + kLocalHeaderSize + Get16(at(local + 26)) + Get16(at(local + 28)),
                               Get16(at(c + 8)), Get16(at(c + 12)), Get32(at(c + 16))});
        c += kCentralHeaderSize + Get16(at(c + 28)) + Get16(at(c + 30)) + Get16(at(c + 32));
    }
    EXPECT_EQ(entries.size(), count) << "every entry of the archive is checked";
    for (int n = 1;; ++n) {
        const std::string password = n == 1 ? base : base + " " + std::to_string(n);
        bool passes = false;
        for (const Entry& e : entries) {
            ClassicKeys keys;
            if ((e.flags & 1) && e.data + 12 <= archive.size()
                && ClassicPasswordCheck(password, at(e.data), keys, e.crc, e.time, e.flags))
                passes = true;
        }
        if (!passes)
            return password;
    }
}

} // namespace

TEST(ZipFastExtract, EntriesOfEverySizeComeOutByteIdenticalInBothModes)
{
    TempDir dir;
    const Files files = MixedFiles();
    LayOut(dir / "quelle", files);
    const std::vector<std::string> names = ListTree(dir / "quelle", false);
    for (const std::string password : {"", "geheim"}) {
        const std::string archive = dir / ("a" + password + ".zip");
        PackFolder(archive, dir / "quelle", password);
        for (const bool sync : {true, false}) {
            SCOPED_TRACE(std::string(sync ? "sync" : "direct") + " " + password);
            const std::string out = dir / ("aus-" + password + (sync ? "-sync" : "-direkt"));
            Extractor x(archive, out, sync);
            x.z.SetPassword(password);
            // Only the fast mode shows a file under its name before it is complete.
            bool seenEarly = false;
            x.z.OnFileProgress = [&](ZABaseArchiver&, const std::string& name, double p, ProcessOperation,
                                     ProgressPhase, bool&) {
                seenEarly = seenEarly || (p > 0 && p < 100 && fs::exists(out + "/" + name));
            };
            EXPECT_EQ(x.z.ExtractFiles("*.*"), int(files.size()));
            EXPECT_EQ(seenEarly, !sync);
            // No temporary file is left over, nothing but the entries.
            EXPECT_EQ(ListTree(out, false), names);
            for (const auto& [name, data] : files)
                EXPECT_TRUE(ReadFile(out + "/" + name) == data) << name;
            // Testing reuses the same buffers and read-ahead (folder entries
            // count as tested too: kanten/, klein/ and seven below it).
            EXPECT_EQ(x.z.TestFiles("*.*"), int(files.size() + 9));
            EXPECT_TRUE(x.failures.codes.empty());
        }
    }
}

TEST(ZipFastExtract, ARunGoesOnRightAfterDamagedEntries)
{
    TempDir dir;
    RawArchive a;
    a.entries.push_back(Deflated("eins.txt", TextBytes(5000, 1)));
    RawEntry broken = Deflated("kaputt.txt", RandomBytes(9000, 2));
    for (size_t i = 10; i < broken.data.size(); i += 97)
        broken.data[i] = char(broken.data[i] ^ 0x5A);
    a.entries.push_back(broken);
    RawEntry tooLong = Deflated("zulang.txt", TextBytes(50000, 4));
    tooLong.uncompSize = 1000;   // the stream yields fifty times more
    tooLong.autoCrc = false;
    tooLong.crc = Crc(TextBytes(1000, 4));
    a.entries.push_back(tooLong);
    RawEntry badCrc = Stored("crc.txt", "Inhalt mit falscher Pruefsumme");
    badCrc.autoCrc = false;
    badCrc.crc = 0x12345678;
    a.entries.push_back(badCrc);
    a.entries.push_back(Stored("zwei.txt", "gespeichert"));
    a.entries.push_back(Deflated("gross.txt", TextBytes(700000, 3)));
    a.entries.push_back(Deflated("leer.txt", ""));
    WriteFile(dir / "a.zip", a.Build());
    for (const bool sync : {true, false}) {
        SCOPED_TRACE(sync ? "sync" : "direct");
        const std::string out = dir / (sync ? "sync" : "direkt");
        WriteFile(out + "/crc.txt", "alt");   // a damaged entry's existing file stays as it is
        Extractor x(dir / "a.zip", out, sync);
        x.z.Options.OverwriteMode_ = OverwriteMode::Always;
        EXPECT_EQ(x.z.ExtractFiles("*.*"), 4);
        EXPECT_EQ(x.failures.codes, std::vector<int>(3, err::DamagedEntry));
        for (const auto& e : a.entries)
            if (e.autoCrc && e.name != "kaputt.txt") {
                EXPECT_TRUE(ReadFile(out + "/" + e.name) == e.plain) << e.name;
            }
        EXPECT_EQ(ReadFile(out + "/crc.txt"), "alt");
        // No partial output of the damaged entries, no temporary files.
        EXPECT_EQ(ListTree(out), (std::vector<std::string>{"crc.txt", "eins.txt", "gross.txt", "leer.txt", "zwei.txt"}));
    }
}

TEST(ZipFastExtract, LinksFoldersAndReadOnlyFilesInTheTargetAreSafeInBothModes)
{
    TempDir dir;
    fs::create_directories(dir / "draussen");
    WriteFile(dir / "draussen/opfer.txt", "unberuehrt");
    RawArchive a;
    for (const auto& [name, data] : Files{{"link.txt", "ersetzt"}, {"haengend.txt", "auch ersetzt"},
                                          {"ordnerlink/neu.txt", "pwned"}, {"ist-ordner", "kein Platz"},
                                          {"schreibgeschuetzt.txt", "neu"}, {"alt.txt", "neu"}, {"frei.txt", "frei"}})
        a.entries.push_back(Stored(name, data));
    WriteFile(dir / "a.zip", a.Build());
    const std::vector<std::string> expected = {"alt.txt", "frei.txt", "haengend.txt", "ist-ordner/",
                                               "ist-ordner/drin.txt", "link.txt", "ordnerlink", "schreibgeschuetzt.txt"};
    for (const bool sync : {false, true}) {
        SCOPED_TRACE(sync ? "sync" : "direct");
        const std::string out = dir / (sync ? "sync" : "direkt");
        WriteFile(out + "/ist-ordner/drin.txt", "drin");
        fs::create_symlink(dir / "draussen/opfer.txt", out + "/link.txt");
        fs::create_symlink(dir / "draussen/neu-durch-link.txt", out + "/haengend.txt");
        fs::create_directory_symlink(dir / "draussen", out + "/ordnerlink");
        WriteFile(out + "/schreibgeschuetzt.txt", "alt");
        ::chmod((out + "/schreibgeschuetzt.txt").c_str(), 0444);
        WriteFile(out + "/alt.txt", "alt");

        Extractor x(dir / "a.zip", out, sync);
        x.z.Options.ReplaceReadOnly = false;
        x.z.Options.OverwriteMode_ = OverwriteMode::Always;
        EXPECT_EQ(x.z.ExtractFiles("*.*"), 4);
        // Links in the target are replaced, never written through.
        EXPECT_EQ(ListTree(dir / "draussen"), std::vector<std::string>{"opfer.txt"});
        EXPECT_EQ(ReadFile(dir / "draussen/opfer.txt"), "unberuehrt");
        const std::pair<const char*, const char*> contents[] = {
            {"link.txt", "ersetzt"}, {"haengend.txt", "auch ersetzt"},
            {"ist-ordner/drin.txt", "drin"},     // a folder of the entry's name stays a folder
            {"schreibgeschuetzt.txt", "alt"},   // left alone without ReplaceReadOnly
            {"alt.txt", "neu"},                 // replaced by way of a temporary file
            {"frei.txt", "frei"}};
        for (const auto& [name, content] : contents)
            EXPECT_EQ(ReadFile(out + "/" + name), content) << name;
        // The folder of the entry's name, the folder link.
        EXPECT_EQ(x.failures.codes, (std::vector<int>{err::CannotCreateFile, err::CannotCreateDir}));
        EXPECT_EQ(ListTree(out), expected);

        // Never: nothing existing is touched, free names are still written.
        fs::remove(out + "/frei.txt");
        Extractor never(dir / "a.zip", out, sync);
        never.z.Options.OverwriteMode_ = OverwriteMode::Never;
        EXPECT_EQ(never.z.ExtractFiles("*.*"), 1);
        EXPECT_EQ(ListTree(out), expected);
        // Asked to, a read-only file is replaced.
        never.z.Options.OverwriteMode_ = OverwriteMode::Always;
        never.z.Options.ReplaceReadOnly = true;
        EXPECT_EQ(never.z.ExtractFiles("schreibgeschuetzt.txt"), 1);
        EXPECT_EQ(ReadFile(out + "/schreibgeschuetzt.txt"), "neu");
    }
}

TEST(ZipFastExtract, CancelAndRefusedPasswordsLeaveNoOutput)
{
    TempDir dir;
    const std::string data = TextBytes(3000000, 5);
    LayOut(dir / "q", {{"gross.txt", data}, {"klein.txt", "klein"}});
    PackFolder(dir / "a.zip", dir / "q", "richtig");
    // A classic entry's header checks one byte of the password's keys: one
    // wrong password in 256 passes it and fails later, as damaged data.  The
    // wrong passwords below are chosen so that no entry's check lets them
    // pass: every entry is tried with each of them (after a skipped question
    // the next entry still gets the first one).
    const std::string archive = ReadFile(dir / "a.zip");
    const std::string wrong = RefusedByEveryEntry(archive, "falsch");
    const std::string wrongAgain = RefusedByEveryEntry(archive, "immer falsch");
    for (const bool sync : {true, false}) {
        SCOPED_TRACE(sync ? "sync" : "direct");
        const std::string out = dir / (sync ? "sync" : "direkt");
        Extractor x(dir / "a.zip", out, sync);
        x.z.SetPassword("richtig");
        x.z.OnFileProgress = [](ZABaseArchiver&, const std::string& name, double p, ProcessOperation, ProgressPhase,
                                bool& c) { c = name == "gross.txt" && p > 20; };
        EXPECT_EQ(x.z.ExtractFiles("gross.txt"), 0);
        EXPECT_TRUE(ListTree(out).empty());
        x.z.OnFileProgress = nullptr;

        // A wrong password: the question skipped, or asked a bounded number
        // of times with wrong answers; the entries fail and nothing is written.
        x.z.SetPassword(wrong);
        for (const bool skip : {true, false}) {
            int asked = 0;
            x.z.OnPassword = [&](ZABaseArchiver&, const std::string&, std::string& pw, bool& s) {
                ++asked;
                pw = wrongAgain;
                s = skip;
            };
            EXPECT_EQ(x.z.ExtractFiles("*.*"), 0);
            EXPECT_EQ(asked, skip ? 2 : 2 * x.z.MaxPasswordAttempts);
            EXPECT_TRUE(ListTree(out).empty());
        }
        EXPECT_EQ(x.failures.codes, std::vector<int>(2, 67));

        // The right answer from the dialog extracts and stays the password.
        x.z.OnPassword = [](ZABaseArchiver&, const std::string&, std::string& pw, bool& s) {
            pw = "richtig";
            s = false;
        };
        EXPECT_EQ(x.z.ExtractFiles("*.*"), 2);
        EXPECT_EQ(x.z.Password(), "richtig");
        EXPECT_TRUE(ReadFile(out + "/gross.txt") == data);
        EXPECT_EQ(ReadFile(out + "/klein.txt"), "klein");
    }
}

TEST(ZipFastExtract, AFailedWriteRemovesTheFileWrittenUnderItsName)
{
    TempDir dir;
    LayOut(dir / "q", {{"gross.bin", RandomBytes(300000, 6)}, {"klein.txt", "klein"}});
    PackFolder(dir / "a.zip", dir / "q");
    const std::string out = dir / "aus";
    WriteFile(out + "/alt.bin", "alt");   // an existing target goes the temporary way

    // Files may grow to 64 KiB only: every larger write fails (EFBIG).
    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto limited = [&](auto call) {
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        ::setrlimit(RLIMIT_FSIZE, &small);
        const int n = call();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        return n;
    };
    for (const bool sync : {false, true}) {
        SCOPED_TRACE(sync ? "sync" : "direct");
        Extractor x(dir / "a.zip", out, sync);
        EXPECT_EQ(limited([&] { return x.z.ExtractFiles("*.*"); }), 1);
        EXPECT_EQ(x.failures.names, std::vector<std::string>{"gross.bin"});
        EXPECT_EQ(x.failures.codes, std::vector<int>{err::WriteError});
        EXPECT_EQ(ListTree(out), (std::vector<std::string>{"alt.bin", "klein.txt"}));
        fs::remove(out + "/klein.txt");
    }
}

// Runs `call` in a child process and returns its exit status (-1: it did
// not end normally), so that limits set there stay there.
int InChild(const std::function<int()>& call)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(call());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(ZipFastExtract, ThousandsOfFoldersComeOutDurablyUnderASmallHandleLimit)
{
    // One file in each of 3000 folders, extracted with every file waiting for
    // its name until its data is on the disk, by a process that may hold
    // 256 handles: the folders it keeps open stay bounded.
    TempDir dir(MemoryFolder());
    Files files;
    for (int i = 0; i < 3000; ++i)
        files["k" + std::to_string(i) + "/v." + std::to_string(i)] = "Inhalt " + std::to_string(i * 7919);
    LayOut(dir / "quelle", files);
    PackFolder(dir / "a.zip", dir / "quelle", "", 1);
    const std::string out = dir / "aus";
    const int status = InChild([&] {
        const rlimit few{256, 256};
        if (::setrlimit(RLIMIT_NOFILE, &few) != 0)
            return 100;
        Extractor x(dir / "a.zip", out, true);
        const int n = x.z.ExtractFiles("*.*");
        return n == 3000 && x.failures.codes.empty() ? 0 : 1 + (x.failures.codes.empty() ? 0 : 1);
    });
    EXPECT_EQ(status, 0) << "1: files missing, 2: failures reported";
    size_t found = 0;
    for (const auto& [name, data] : files) {
        ASSERT_EQ(ReadFile(out + "/" + name), data) << name;
        ++found;
    }
    EXPECT_EQ(ListTree(out, false).size(), found);   // no temporary file left

    // A process with no handle left hears so, not that a folder cannot be made.
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers' type checks open files of their own now and then; in a
    // process with no handle left they report errors that are not there.
    return;
#endif
    const int code = InChild([&] {
        Extractor x(dir / "a.zip", dir / "leer", true);
        const int lowest = ::dup(0);
        ::close(lowest);
        const rlimit none{rlim_t(lowest), rlim_t(lowest)};
        if (lowest < 0 || ::setrlimit(RLIMIT_NOFILE, &none) != 0)
            return 100;
        x.z.ExtractFiles("k1/*");
        return x.failures.codes.empty() ? 0 : x.failures.codes.front();
    });
    EXPECT_EQ(code, err::TooManyOpenFiles);
}

TEST(ZipFastExtract, AProcessAlmostOutOfHandlesLeavesNoTemporaryFile)
{
    // Durable extraction by a process that may open only a few handles more:
    // the run succeeds or fails with 68, and every file it leaves is complete
    // under its own name; nothing stays under a hidden temporary name.
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers open files of their own";
#endif
    TempDir dir(MemoryFolder());
    Files files;
    for (int i = 0; i < 4; ++i) {
        const std::string folder = "k000" + std::to_string(i) + "/";
        files[folder + "note.txt"] = "Note " + std::to_string(i);
        files[folder + "v." + std::to_string(i)] = TextBytes(3000, unsigned(i + 1));
    }
    LayOut(dir / "quelle", files);
    PackFolder(dir / "a.zip", dir / "quelle", "", 1);
    // Into folders that are there (each file waits under a name of its own)
    // and into new ones (each folder waits under a name of its own).
    for (int run = 0; run < 18; ++run) {
        const int spare = run % 9;
        const bool foldersThere = run >= 9;
        SCOPED_TRACE(std::to_string(spare) + (foldersThere ? " spare, folders there" : " spare, new folders"));
        const std::string out = dir / ("aus" + std::to_string(run));
        if (foldersThere)
            for (int i = 0; i < 4; ++i)
                fs::create_directories(out + "/k000" + std::to_string(i));
        const int status = InChild([&] {
            Extractor x(dir / "a.zip", out, true);
            const int lowest = ::dup(0);
            ::close(lowest);
            const rlimit few{rlim_t(lowest + spare), rlim_t(lowest + spare)};
            if (lowest < 0 || ::setrlimit(RLIMIT_NOFILE, &few) != 0)
                return 100;
            int n = 0;
            try {
                n = x.z.ExtractFiles("*.*");
            } catch (const EZAException& e) {
                return e.NativeError();
            }
            if (!x.failures.codes.empty())
                return x.failures.codes.front();
            return n == int(files.size()) ? 0 : 1;
        });
        EXPECT_TRUE(status == 0 || status == err::TooManyOpenFiles) << "status " << status;
        for (const auto& name : ListTree(out)) {
            EXPECT_EQ(name.find("/."), std::string::npos) << "left under a temporary name: " << name;
            EXPECT_NE(name[0], '.') << "left under a temporary name: " << name;
            if (name.back() == '/')
                continue;
            const auto found = files.find(name);
            if (found != files.end()) {
                EXPECT_EQ(ReadFile(out + "/" + name), found->second) << name;
            } else {
                ADD_FAILURE() << "not in the archive: " << name;
            }
        }
        if (status == 0) {
            EXPECT_EQ(ListTree(out, false).size(), files.size());
        }
    }
}

TEST(ZipFastExtract, AFileThatAppearsWhileItsEntryWaitsForItsNameIsKept)
{
    // Durably into a folder the run creates: the folder waits for its name
    // until the run's data is on the disk.  When another program makes a
    // folder of that name meanwhile, the run's files join it, and a file it
    // put under one of their names is not replaced unasked.
    TempDir dir;
    LayOut(dir / "q", {{"neu/a.txt", "aus dem Archiv"}, {"neu/b.txt", "zweite"}});
    PackFolder(dir / "a.zip", dir / "q");
    const std::string out = dir / "aus";
    Extractor x(dir / "a.zip", out, true);
    x.z.OnFileProgress = [&](ZABaseArchiver&, const std::string& name, double, ProcessOperation, ProgressPhase,
                             bool&) {
        if (name == "neu/b.txt" && !fs::exists(out + "/neu/a.txt"))
            WriteFile(out + "/neu/a.txt", "fremd");
    };
    // The file that found its name taken is named to the handler; the run goes on.
    EXPECT_EQ(x.z.ExtractFiles("*.*"), 1);
    EXPECT_EQ(x.failures.names, std::vector<std::string>{"neu/a.txt"});
    EXPECT_EQ(x.failures.codes, std::vector<int>{err::CannotCreateFile});
    EXPECT_EQ(ReadFile(out + "/neu/a.txt"), "fremd");
    EXPECT_EQ(ReadFile(out + "/neu/b.txt"), "zweite");
    EXPECT_EQ(ListTree(out), (std::vector<std::string>{"neu/", "neu/a.txt", "neu/b.txt"}));
}

TEST(ZipFastExtract, AWriteRefusedForItsSizeIsAWriteErrorWhenPacking)
{
    // A file system whose files may not grow beyond 64 KiB (EFBIG, the
    // signal ignored as a program does that reports errors itself): a new
    // archive, an archive that grows, a split set.
    enum Kind { New, Append, Split };
    for (const Kind kind : {New, Append, Split}) {
        SCOPED_TRACE(kind);
        TempDir dir;
        WriteFile(dir / "q/gross.bin", RandomBytes(300000, 7));
        WriteFile(dir / "k/klein.txt", "klein");
        if (kind == Append)
            PackFolder(dir / "a.zip", dir / "k");
        const int status = InChild([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{64 * 1024, 64 * 1024};
            if (::setrlimit(RLIMIT_FSIZE, &small) != 0)
                return 100;
            ZipArchiver z;
            FailureLog failures;
            failures.Attach(z, ZAAction::Abort);
            z.SetFileName(dir / "a.zip");
            if (kind == Split) {
                z.SetSpanningMode(SpanningMode::Splitting);
                z.SpanningOptions.VolumeSize = ZAVolumeSize::Custom;
                z.SpanningOptions.SetCustomVolumeSize(200000);
            }
            const int raised = NativeErrorOf([&] {
                z.OpenArchive();
                z.SetBaseDir(dir / "q");
                z.BeginUpdate();
                z.AddFiles(dir / "q/gross.bin");
                z.EndUpdate();
                z.CloseArchive();
            });
            return raised ? raised : failures.codes.empty() ? 0 : failures.codes.front();
        });
        EXPECT_EQ(status, err::WriteError);
        if (kind == Append) {
            ZipArchiver z;
            Open(z, dir / "a.zip");
            EXPECT_EQ(z.FileCount(), 1);   // the archive as it was
        }
    }
}

TEST(ZipFileStream, ReadAheadNeverHidesChanges)
{
    TempDir dir;
    const std::string path = dir / "datei.bin";
    std::string data = RandomBytes(100000, 11);
    WriteFile(path, data);
    FileStream f(path, FileStream::Mode::ReadWrite);
    f.SetReadAhead(4096);
    // Reads inside and across blocks are proven by extracting entries of every size.
    std::string buf(100, '\0');
    // A write through the stream into the block is read back.
    f.ReadAt(1000, buf.data(), 10);
    f.SetPosition(1002);
    ASSERT_EQ(f.Write("NEU", 3), 3u);
    ASSERT_TRUE(f.ReadAt(1000, buf.data(), 10));
    EXPECT_EQ(buf.substr(0, 10), data.substr(1000, 2) + "NEU" + data.substr(1005, 5));
    // Bytes another writer appends are seen, not an end of file from the block.
    f.ReadAt(99995, buf.data(), 5);
    std::ofstream(path, std::ios::binary | std::ios::app) << "ANHANG";
    ASSERT_EQ(f.Read(buf.data(), 6), 6u);
    EXPECT_EQ(buf.substr(0, 6), "ANHANG");
    // A cut is seen.
    ASSERT_TRUE(f.Truncate(500));
    f.SetPosition(490);
    EXPECT_EQ(f.Read(buf.data(), 100), 10u);
}

TEST(ZipHostile, LinksAndSpecialFilesAreNeverCreated)
{
    TempDir dir;
    RawArchive a;
    const std::pair<const char*, uint32_t> modes[] = {
        {"link", S_IFLNK | 0777}, {"fifo", S_IFIFO | 0644}, {"suid.sh", S_IFREG | 04777}, {"alle.sh", S_IFREG | 0777}};
    for (const auto& [name, mode] : modes) {
        RawEntry e = Stored(name, "/etc/passwd");
        e.versionMadeBy = 0x0314;
        e.externalAttr = mode << 16;
        a.entries.push_back(e);
    }
    // The user's umask holds for the modes an archive brings along: a
    // world-writable entry does not make a world-writable file.
    const mode_t savedMask = ::umask(027);
    const int written = ExtractCrafted(dir, a.Build());
    ::umask(savedMask);
    EXPECT_EQ(written, 2);
    struct stat st {};
    EXPECT_NE(::lstat((dir / "target/link").c_str(), &st), 0);
    EXPECT_NE(::lstat((dir / "target/fifo").c_str(), &st), 0);
    ASSERT_EQ(::lstat((dir / "target/suid.sh").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0750u);   // no set-id or sticky bits, the umask applied
    ASSERT_EQ(::lstat((dir / "target/alle.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
    NothingOutside(dir);
}

TEST(ZipHostile, TraversalNamesLyingSizesAndUnknownMethodsFailOnlyTheirEntry)
{
    RawEntry huge = Deflated("riesig.bin", std::string(1000, 'a'));
    huge.uncompSize = 0xFFFFFFF0u;   // far more than deflate can expand to
    RawEntry beyond = Stored("b.txt", "bbbb");
    beyond.compSize = 1u << 30;   // beyond the end: the rebuild finds what is really there
    RawEntry d64 = Deflated("d64.bin", std::string(100, 'x'));
    d64.method = 9;
    struct Row {
        RawEntry entry;
        int code;   // the first failure, 0: any, -1: none (the rebuild drops the entry)
    };
    std::vector<Row> rows = {{huge, 0}, {beyond, -1}, {d64, 55}};
    const std::vector<std::string> names = {
        "../boese.txt", "/tmp/boese-absolut.txt", "C:/boese.txt", "C:boese.txt", "\\\\server\\share\\boese.txt",
        "a/../../boese.txt", "a/./b.txt", "a//b.txt", "..\\boese.txt", "a\\..\\..\\boese.txt",
        std::string("nul\0byte.txt", 12), "ctrl\x01.txt", ".."};
    for (const auto& name : names)
        rows.push_back({Stored(name, "pwned"), 0});
    for (const auto& r : rows) {
        SCOPED_TRACE(r.entry.name);
        TempDir dir;
        RawArchive a;
        a.entries.push_back(r.entry);
        a.entries.push_back(Stored("gut.txt", "gut"));
        std::vector<int> codes;
        EXPECT_EQ(ExtractCrafted(dir, a.Build(), &codes), 1);   // the harmless entry still comes out
        EXPECT_EQ(ReadFile(dir / "target/gut.txt"), "gut");
        if (r.code >= 0) {
            ASSERT_FALSE(codes.empty());
            EXPECT_TRUE(!r.code || codes.front() == r.code) << codes.front();
        }
        NothingOutside(dir);
        EXPECT_FALSE(fs::exists("/tmp/boese-absolut.txt"));
        for (const auto& p : ListTree(dir / "target"))
            EXPECT_TRUE(p == "gut.txt" || p == "a/") << p;
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
        EXPECT_GE(ExtractCrafted(dir, a.Build()), 0);   // opens, by the rebuild if need be
        NothingOutside(dir);
    }
}
