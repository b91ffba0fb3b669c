// Extraction of many small entries: buffers and inflate state reused from
// entry to entry, the archive read ahead in blocks, and new files written
// under their real names when no crash safety is asked for.  None of it may
// loosen a safety rule: every test here runs the fast paths against damaged
// entries, links, cancels and write failures.
#include "zip/archiver.h"
#include "zip/compression.h"
#include "zip/zipstream.h"

#include "support/rawzip.h"
#include "support/ziptestsupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hsa::zip;
using namespace hsa::zip::test;

namespace {

struct Failure {
    std::string name;
    int code = 0;
};

// Opens an archive for extraction into `target`, with failures collected
// and skipped instead of asked about.
struct Extractor {
    ZipArchiver z;
    std::vector<Failure> failures;
    Extractor(const std::string& archive, const std::string& target, bool sync)
    {
        z.SyncExtractedFiles = sync;
        z.SetFileName(archive);
        z.OnProcessFileFailure = [this](ZABaseArchiver&, const std::string& name, ProcessOperation, int native, int,
                                        const std::string&, ZAAction& a) {
            failures.push_back({name, native});
            a = ZAAction::Skip;
        };
        z.OpenArchive();
        z.SetBaseDir(target);
    }
};

// Sizes around every buffer edge of the data path: empty, tiny, the 4 KiB
// output minimum, the 256 KiB block read ahead and input buffer, the 512 KiB
// output buffer.
std::vector<std::pair<std::string, std::string>> MixedFiles()
{
    std::vector<std::pair<std::string, std::string>> files;
    const size_t edges[] = {0, 1, 4095, 4096, 4097, 65536, 262143, 262144, 262145, 524287, 524288, 524289, 1100000};
    unsigned seed = 1;
    for (size_t n : edges) {
        files.push_back({"kanten/t" + std::to_string(n) + ".txt", TextBytes(n, seed++)});
        files.push_back({"kanten/r" + std::to_string(n) + ".bin", RandomBytes(n, seed++)});
    }
    for (int i = 0; i < 300; ++i) {
        const size_t n = size_t(17 + (i * 7919) % 3500);
        const std::string folder = "klein/ordner" + std::to_string(i % 7) + "/";
        files.push_back({folder + "v." + std::to_string(i), i % 3 ? TextBytes(n, seed++) : RandomBytes(n, seed++)});
    }
    return files;
}

void MakeArchive(TempDir& dir, const std::string& archive, const std::vector<std::pair<std::string, std::string>>& files,
                 const std::string& password)
{
    for (const auto& [name, data] : files)
        WriteFile(dir / ("quelle/" + name), data);
    ZipArchiver z;
    z.Options.FlushBuffers = false;
    z.SetPassword(password);
    z.SetFileName(archive);
    z.OpenArchive(openmode::Create);
    z.SetBaseDir(dir / "quelle");
    z.AddFiles(dir / "quelle/*.*");
    z.CloseArchive();
}

// The tree below a folder as it is: links listed, never followed or resolved.
std::vector<std::string> Tree(const std::string& root)
{
    std::vector<std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
        out.push_back(it->path().lexically_relative(root).string() + (it->is_directory() && !it->is_symlink() ? "/" : ""));
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> FilesOnly(const std::vector<std::string>& tree)
{
    std::vector<std::string> out;
    for (const auto& p : tree)
        if (p.empty() || p.back() != '/')
            out.push_back(p);
    return out;
}

} // namespace

TEST(ZipFastExtract, EntriesOfEverySizeComeOutByteIdenticalInBothModes)
{
    TempDir dir;
    const auto files = MixedFiles();
    std::vector<std::string> names;
    for (const auto& f : files)
        names.push_back(f.first);
    std::sort(names.begin(), names.end());
    std::set<std::string> folders;
    for (const auto& n : names)
        for (size_t p = n.find('/'); p != std::string::npos; p = n.find('/', p + 1))
            folders.insert(n.substr(0, p));
    for (const std::string password : {"", "geheim"}) {
        const std::string archive = dir / ("a" + password + ".zip");
        MakeArchive(dir, archive, files, password);
        for (const bool sync : {true, false}) {
            SCOPED_TRACE(std::string(sync ? "sync" : "direct") + " " + password);
            const std::string out = dir / ("aus-" + password + (sync ? "-sync" : "-direkt"));
            Extractor x(archive, out, sync);
            x.z.SetPassword(password);
            EXPECT_EQ(x.z.ExtractFiles("*.*"), int(files.size()));
            EXPECT_TRUE(x.failures.empty());
            // No temporary file is left over, nothing but the entries.
            EXPECT_EQ(FilesOnly(Tree(out)), names);
            for (const auto& [name, data] : files)
                EXPECT_TRUE(ReadFile(out + "/" + name) == data) << name;
            // Testing reuses the same buffers and read-ahead (folder entries
            // count as tested too).
            EXPECT_EQ(x.z.TestFiles("*.*"), int(files.size() + folders.size()));
            EXPECT_TRUE(x.failures.empty());
        }
    }
}

TEST(ZipFastExtract, ARunGoesOnRightAfterDamagedEntries)
{
    TempDir dir;
    const std::string big = TextBytes(700000, 3);
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
    a.entries.push_back(Deflated("gross.txt", big));
    a.entries.push_back(Deflated("leer.txt", ""));
    WriteFile(dir / "a.zip", a.Build());
    // An existing file of a damaged entry's name stays as it is.
    WriteFile(dir / "aus/crc.txt", "alt");
    for (const bool sync : {true, false}) {
        SCOPED_TRACE(sync ? "sync" : "direct");
        const std::string out = dir / "aus";
        fs::remove(out + "/eins.txt");
        fs::remove(out + "/zwei.txt");
        fs::remove(out + "/gross.txt");
        fs::remove(out + "/leer.txt");
        Extractor x(dir / "a.zip", out, sync);
        x.z.Options.OverwriteMode_ = OverwriteMode::Always;
        EXPECT_EQ(x.z.ExtractFiles("*.*"), 4);
        ASSERT_EQ(x.failures.size(), 3u);
        for (const auto& f : x.failures)
            EXPECT_EQ(f.code, err::DamagedEntry) << f.name;
        EXPECT_EQ(ReadFile(out + "/eins.txt"), TextBytes(5000, 1));
        EXPECT_EQ(ReadFile(out + "/zwei.txt"), "gespeichert");
        EXPECT_TRUE(ReadFile(out + "/gross.txt") == big);
        EXPECT_TRUE(fs::exists(out + "/leer.txt"));
        EXPECT_EQ(fs::file_size(out + "/leer.txt"), 0u);
        EXPECT_EQ(ReadFile(out + "/crc.txt"), "alt");
        // No partial output of the damaged entries, no temporary files.
        EXPECT_EQ(Tree(out), (std::vector<std::string>{"crc.txt", "eins.txt", "gross.txt", "leer.txt", "zwei.txt"}));
    }
}

TEST(ZipFastExtract, OnlyTheFastModeShowsAFileUnderItsNameBeforeItIsComplete)
{
    TempDir dir;
    const std::string data = RandomBytes(1500000, 9);
    MakeArchive(dir, dir / "a.zip", {{"gross.bin", data}}, "");
    for (const bool sync : {true, false}) {
        SCOPED_TRACE(sync ? "sync" : "direct");
        const std::string out = dir / (sync ? "sync" : "direkt");
        Extractor x(dir / "a.zip", out, sync);
        bool seenEarly = false, sawProgress = false;
        x.z.OnFileProgress = [&](ZABaseArchiver&, const std::string&, double p, ProcessOperation, ProgressPhase ph,
                                 bool& c) {
            c = false;
            if (ph == ProgressPhase::Start && p > 0 && p < 100) {
                sawProgress = true;
                seenEarly = seenEarly || fs::exists(out + "/gross.bin");
            }
        };
        EXPECT_EQ(x.z.ExtractFiles("*.*"), 1);
        EXPECT_TRUE(sawProgress);
        EXPECT_EQ(seenEarly, !sync);
        EXPECT_TRUE(ReadFile(out + "/gross.bin") == data);
        EXPECT_EQ(Tree(out), std::vector<std::string>{"gross.bin"});
    }
}

TEST(ZipFastExtract, DirectWritesKeepEverySafetyRule)
{
    TempDir dir;
    fs::create_directories(dir / "draussen");
    WriteFile(dir / "draussen/opfer.txt", "unberuehrt");
    RawArchive a;
    a.entries.push_back(Stored("link.txt", "ersetzt"));
    a.entries.push_back(Stored("haengend.txt", "auch ersetzt"));
    a.entries.push_back(Stored("ordnerlink/neu.txt", "pwned"));
    a.entries.push_back(Stored("ist-ordner", "kein Platz"));
    a.entries.push_back(Stored("schreibgeschuetzt.txt", "neu"));
    a.entries.push_back(Stored("alt.txt", "neu"));
    a.entries.push_back(Stored("frei.txt", "frei"));
    WriteFile(dir / "a.zip", a.Build());

    const std::string out = dir / "aus";
    fs::create_directories(out + "/ist-ordner");
    WriteFile(out + "/ist-ordner/drin.txt", "drin");
    fs::create_symlink(dir / "draussen/opfer.txt", out + "/link.txt");
    fs::create_symlink(dir / "draussen/neu-durch-link.txt", out + "/haengend.txt");
    fs::create_directory_symlink(dir / "draussen", out + "/ordnerlink");
    WriteFile(out + "/schreibgeschuetzt.txt", "alt");
    ::chmod((out + "/schreibgeschuetzt.txt").c_str(), 0444);
    WriteFile(out + "/alt.txt", "alt");

    Extractor x(dir / "a.zip", out, false);
    x.z.Options.ReplaceReadOnly = false;
    x.z.Options.OverwriteMode_ = OverwriteMode::Always;
    const int n = x.z.ExtractFiles("*.*");

    // Links in the target are replaced, never written through.
    EXPECT_EQ(ReadFile(dir / "draussen/opfer.txt"), "unberuehrt");
    EXPECT_FALSE(fs::exists(dir / "draussen/neu-durch-link.txt"));
    EXPECT_FALSE(fs::exists(dir / "draussen/neu.txt"));
    EXPECT_FALSE(fs::is_symlink(out + "/link.txt"));
    EXPECT_EQ(ReadFile(out + "/link.txt"), "ersetzt");
    EXPECT_FALSE(fs::is_symlink(out + "/haengend.txt"));
    EXPECT_EQ(ReadFile(out + "/haengend.txt"), "auch ersetzt");
    // A folder of the entry's name stays a folder with its content.
    EXPECT_TRUE(fs::is_directory(out + "/ist-ordner"));
    EXPECT_EQ(ReadFile(out + "/ist-ordner/drin.txt"), "drin");
    // A read-only file is left alone without ReplaceReadOnly.
    EXPECT_EQ(ReadFile(out + "/schreibgeschuetzt.txt"), "alt");
    EXPECT_EQ(ReadFile(out + "/alt.txt"), "neu");   // replaced by way of a temporary file
    EXPECT_EQ(ReadFile(out + "/frei.txt"), "frei");
    EXPECT_EQ(n, 4);
    ASSERT_EQ(x.failures.size(), 2u);
    EXPECT_EQ(x.failures[0].code, err::CannotCreateDir);   // the folder link
    EXPECT_EQ(x.failures[1].code, err::CannotCreateFile);  // the folder of the same name
    std::vector<std::string> expected = {"alt.txt", "frei.txt", "haengend.txt", "ist-ordner/",
                                         "ist-ordner/drin.txt", "link.txt", "ordnerlink", "schreibgeschuetzt.txt"};
    EXPECT_EQ(Tree(out), expected);

    // Never: nothing existing is touched, free names are still written.
    fs::remove(out + "/frei.txt");
    Extractor never(dir / "a.zip", out, false);
    never.z.Options.OverwriteMode_ = OverwriteMode::Never;
    EXPECT_EQ(never.z.ExtractFiles("*.*"), 1);
    EXPECT_EQ(ReadFile(out + "/frei.txt"), "frei");
    EXPECT_EQ(Tree(out), expected);
}

TEST(ZipFastExtract, CancelAndSkippedPasswordRemoveAFileWrittenUnderItsName)
{
    TempDir dir;
    const std::string data = TextBytes(3000000, 5);
    MakeArchive(dir, dir / "a.zip", {{"gross.txt", data}, {"klein.txt", "klein"}}, "richtig");
    const std::string out = dir / "aus";

    Extractor x(dir / "a.zip", out, false);
    x.z.SetPassword("richtig");
    x.z.OnFileProgress = [](ZABaseArchiver&, const std::string& name, double p, ProcessOperation, ProgressPhase,
                            bool& c) { c = name == "gross.txt" && p > 20; };
    x.z.ExtractFiles("gross.txt");
    EXPECT_TRUE(Tree(out).empty());

    x.z.OnFileProgress = nullptr;
    x.z.SetPassword("falsch");
    x.z.OnPassword = [](ZABaseArchiver&, const std::string&, std::string&, bool& skip) { skip = true; };
    EXPECT_EQ(x.z.ExtractFiles("*.*"), 0);
    EXPECT_TRUE(Tree(out).empty());

    x.z.SetPassword("richtig");
    EXPECT_EQ(x.z.ExtractFiles("*.*"), 2);
    EXPECT_TRUE(ReadFile(out + "/gross.txt") == data);
    EXPECT_EQ(ReadFile(out + "/klein.txt"), "klein");
}

TEST(ZipFastExtract, AFailedWriteRemovesTheFileWrittenUnderItsName)
{
    TempDir dir;
    const std::string big = RandomBytes(300000, 6);
    MakeArchive(dir, dir / "a.zip", {{"gross.bin", big}, {"klein.txt", "klein"}}, "");
    const std::string out = dir / "aus";
    fs::create_directories(out);
    WriteFile(out + "/alt.bin", "alt");   // an existing target goes the temporary way

    // Files may grow to 64 KiB only: every larger write fails (EFBIG).
    struct Limit {
        rlimit saved {};
        void (*handler)(int) = nullptr;
        Limit()
        {
            ::getrlimit(RLIMIT_FSIZE, &saved);
            handler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 64 * 1024;
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        ~Limit()
        {
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, handler);
        }
    };
    for (const bool sync : {false, true}) {
        SCOPED_TRACE(sync ? "sync" : "direct");
        Extractor x(dir / "a.zip", out, sync);
        int n = 0;
        {
            Limit limit;
            n = x.z.ExtractFiles("*.*");
        }
        EXPECT_EQ(n, 1);
        ASSERT_EQ(x.failures.size(), 1u);
        EXPECT_EQ(x.failures[0].name, "gross.bin");
        EXPECT_EQ(x.failures[0].code, err::WriteError);
        EXPECT_EQ(Tree(out), (std::vector<std::string>{"alt.bin", "klein.txt"}));
        fs::remove(out + "/klein.txt");
    }
}

TEST(ZipFileStream, ReadAheadServesSmallReadsAndNeverHidesChanges)
{
    TempDir dir;
    const std::string path = dir / "datei.bin";
    std::string data = RandomBytes(100000, 11);
    WriteFile(path, data);
    FileStream f(path, FileStream::Mode::ReadWrite);
    f.SetReadAhead(4096);
    std::string buf(6000, '\0');
    // Reads inside a block, across its end, of the block size and more.
    const std::pair<uint64_t, size_t> reads[] = {{0, 30}, {30, 100}, {4000, 200}, {4090, 4096},
                                                 {50000, 5000}, {49990, 20}, {99990, 100}, {100000, 10}};
    for (const auto& [pos, n] : reads) {
        SCOPED_TRACE(pos);
        const size_t expect = size_t(std::min<uint64_t>(n, data.size() - std::min<uint64_t>(pos, data.size())));
        EXPECT_EQ(f.ReadAt(pos, buf.data(), n), expect == n);
        f.SetPosition(pos);
        ASSERT_EQ(f.Read(buf.data(), n), expect);
        EXPECT_EQ(buf.substr(0, expect), data.substr(size_t(pos), expect));
        EXPECT_EQ(f.Position(), pos + expect);
    }
    // A write through the stream into the block is read back.
    f.ReadAt(1000, buf.data(), 10);
    f.SetPosition(1002);
    ASSERT_EQ(f.Write("NEU", 3), 3u);
    data.replace(1002, 3, "NEU");
    ASSERT_TRUE(f.ReadAt(1000, buf.data(), 10));
    EXPECT_EQ(buf.substr(0, 10), data.substr(1000, 10));
    // Bytes another writer appends are seen, not an end of file from the block.
    ASSERT_EQ(f.Read(buf.data(), 10), 10u);
    f.ReadAt(99995, buf.data(), 5);
    {
        std::ofstream more(path, std::ios::binary | std::ios::app);
        more << "ANHANG";
    }
    ASSERT_EQ(f.Read(buf.data(), 6), 6u);
    EXPECT_EQ(buf.substr(0, 6), "ANHANG");
    // A cut is seen.
    ASSERT_TRUE(f.Truncate(500));
    f.SetPosition(490);
    EXPECT_EQ(f.Read(buf.data(), 100), 10u);
    // Off again: plain reads.
    f.SetReadAhead(0);
    EXPECT_TRUE(f.ReadAt(0, buf.data(), 500));
    EXPECT_EQ(buf.substr(0, 500), data.substr(0, 500));
}
