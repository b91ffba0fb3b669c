// Times the ZIP engine against the system's zip, unzip and 7z on the same
// deterministic corpus: about 100 MB of mixed text, dBase tables and random
// data, plus 10,000 small files.  Prints each time, each ratio to the peer,
// and the archive sizes.
//
//   zip_bench [work-folder] [--small] [--klein]
//
// Every line is the median of three runs of the engine and of the peer,
// alternating, on the same files, each run starting from the same disk and
// cache state (pending writes synced, outputs of the previous run removed).
// --klein times only the extraction of the small files.
//
// The engine runs with its durability flushes off (FlushBuffers and
// SyncExtractedFiles), because none of the peers flushes either; one line
// gives the extraction with the program's default durability (every file on
// the disk before it gets its name) against unzip without any.
#include "zip/archiver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>
#include <unistd.h>

namespace fs = std::filesystem;
using hsa::zip::ZipArchiver;

namespace {

void WriteFile(const fs::path& p, const std::string& data)
{
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(data.data(), std::streamsize(data.size()));
}

std::string Text(size_t n, std::mt19937& g)
{
    static const char* words[] = {"Schüler ", "Klasse ", "Deutsch ", "Mathematik ", "Englisch ", "Note ", "2,3 ",
                                  "bestanden ", "Prüfung ", "Endnote ", "Zeugnis ", "Projekt ", "\r\n", "Müller ",
                                  "Schmidt ", "Realschulabschluss ", "1 ", "2 ", "3 ", "4 "};
    std::string s;
    s.reserve(n + 32);
    while (s.size() < n)
        s += words[g() % 20];
    s.resize(n);
    return s;
}

std::string Random(size_t n, std::mt19937& g)
{
    std::string s(n, '\0');
    for (auto& c : s)
        c = char(g() & 0xFF);
    return s;
}

// A dBase III table: header, field descriptors, fixed-width records.
std::string Dbase(size_t records, std::mt19937& g)
{
    const int fields = 12, width = 20;
    std::string s(32, '\0');
    s[0] = 0x03;
    const uint16_t headerLen = uint16_t(32 + fields * 32 + 1);
    const uint16_t recLen = uint16_t(1 + fields * width);
    s[4] = char(records & 0xFF);
    s[5] = char((records >> 8) & 0xFF);
    s[6] = char((records >> 16) & 0xFF);
    s[8] = char(headerLen & 0xFF);
    s[9] = char(headerLen >> 8);
    s[10] = char(recLen & 0xFF);
    s[11] = char(recLen >> 8);
    for (int f = 0; f < fields; ++f) {
        std::string d(32, '\0');
        const std::string name = "FELD" + std::to_string(f);
        d.replace(0, name.size(), name);
        d[11] = 'C';
        d[16] = char(width);
        s += d;
    }
    s += '\r';
    static const char* names[] = {"MUELLER", "SCHMIDT", "SCHNEIDER", "FISCHER", "WEBER", "MEYER", "WAGNER", "BECKER"};
    for (size_t r = 0; r < records; ++r) {
        s += ' ';
        for (int f = 0; f < fields; ++f) {
            std::string v = f < 2 ? names[g() % 8] : std::to_string(1 + g() % 6);
            v.resize(width, ' ');
            s += v;
        }
    }
    s += '\x1A';
    return s;
}

void BuildCorpus(const fs::path& root, bool small)
{
    std::mt19937 g(20240611);
    const size_t scale = small ? 10 : 1;
    // About 100 MB in big files: text, tables, random data.
    for (int i = 0; i < 8; ++i)
        WriteFile(root / "gross" / ("text" + std::to_string(i) + ".txt"), Text((6u << 20) / scale, g));
    for (int i = 0; i < 6; ++i)
        WriteFile(root / "gross" / ("tabelle" + std::to_string(i) + ".dbf"), Dbase(20000 / scale, g));
    for (int i = 0; i < 4; ++i)
        WriteFile(root / "gross" / ("zufall" + std::to_string(i) + ".bin"), Random((6u << 20) / scale, g));
    // 10,000 small files in 100 folders.
    const int smallCount = small ? 1000 : 10000;
    for (int i = 0; i < smallCount; ++i) {
        const fs::path p = root / "klein" / ("ordner" + std::to_string(i % 100)) / ("v." + std::to_string(i));
        WriteFile(p, (i % 3 == 0) ? Random(200 + g() % 3000, g) : Text(200 + g() % 3000, g));
    }
}

double Seconds(const std::function<void()>& f)
{
    ::sync();   // every run starts without the previous run's pending writes
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Shell(const std::string& cmd)
{
    return Seconds([&] {
        if (std::system(cmd.c_str()) != 0)
            std::fprintf(stderr, "failed: %s\n", cmd.c_str());
    });
}

uint64_t FileSize(const fs::path& p)
{
    std::error_code ec;
    const auto s = fs::file_size(p, ec);
    return ec ? 0 : s;
}

void Report(const char* what, double engine, double peer, const char* peerName)
{
    std::printf("%-34s engine %7.3f s   %-16s %7.3f s   ratio %.2f\n", what, engine, peerName, peer,
                peer > 0 ? engine / peer : 0.0);
}

void SizeReport(const char* what, uint64_t engine, uint64_t peer, const char* peerName)
{
    std::printf("%-34s engine %11llu B   %-16s %11llu B   ratio %.4f\n", what, (unsigned long long)engine, peerName,
                (unsigned long long)peer, peer ? double(engine) / double(peer) : 0.0);
}

double EngineCreate(const fs::path& archive, const fs::path& corpus, int mode, const std::string& password,
                    hsa::zip::CryptoAlgorithm method = hsa::zip::CryptoAlgorithm::PkzipClassic)
{
    fs::remove(archive);
    return Seconds([&] {
        ZipArchiver z;
        z.EncryptionMethod = method;
        z.Options.FlushBuffers = false;
        z.SetCompressionMode(mode);
        z.SetPassword(password);
        z.SetFileName(archive.string());
        z.OpenArchive(hsa::zip::openmode::Create);
        z.SetBaseDir(corpus.string());
        z.AddFiles((corpus / "*.*").string());
        z.CloseArchive();
    });
}

double EngineExtract(const fs::path& archive, const fs::path& out, const std::string& password,
                     bool durable = false)
{
    fs::remove_all(out);
    return Seconds([&] {
        ZipArchiver z;
        z.SyncExtractedFiles = durable;
        z.SetPassword(password);
        z.SetFileName(archive.string());
        z.OpenArchive();
        z.SetBaseDir(out.string());
        z.ExtractFiles("*.*");
        z.CloseArchive();
    });
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Three rounds of engine then peer; each returns its own time.  The line
// reports the medians.
void Alternate(const char* what, const char* peerName, const std::function<double(int)>& engine,
               const std::function<double(int)>& peer)
{
    std::vector<double> te, tp;
    for (int run = 1; run <= 3; ++run) {
        te.push_back(engine(run));
        tp.push_back(peer(run));
    }
    Report(what, Median(te), Median(tp), peerName);
}

// Bytes this process (or a finished child, read before it is reaped) has
// handed to write calls: the "wchar" line of /proc/<pid>/io.
uint64_t WrittenBytes(const std::string& pid)
{
    std::ifstream io("/proc/" + pid + "/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "wchar:")
            return value;
    return 0;
}

// Runs a command and returns the bytes it wrote (through its own calls; the
// shell that starts it is not counted).
uint64_t ChildWrittenBytes(const std::vector<std::string>& argv, const std::string& dir)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0)
            ::_exit(127);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    siginfo_t info {};
    ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
    const uint64_t bytes = WrittenBytes(std::to_string(pid));
    ::waitpid(pid, nullptr, 0);
    return bytes;
}

// Extraction of the small files alone: an archive of the "klein" folder,
// extracted three times by each side, alternating, each run into a folder
// of its own, so that no run creates its files right after the previous run's
// were deleted (some file systems pass over freshly freed inodes slowly).
// Once without flushes on either side, once with the engine's default
// durability against unzip without any.
void SmallFilesExtract(const fs::path& work, const fs::path& corpus)
{
    const fs::path archive = work / "klein.zip";
    EngineCreate(archive, corpus / "klein", 1, "");
    for (bool durable : {false, true}) {
        const std::string tag = durable ? "durable-" : "";
        for (const char* side : {"engine", "unzip"})
            for (int run = 1; run <= 3; ++run)
                fs::remove_all(work / ("out-klein-" + tag + side + "-" + std::to_string(run)));
        Alternate(durable ? "extract, small files, durable" : "extract, small files", "unzip",
                  [&](int run) {
                      return EngineExtract(archive, work / ("out-klein-" + tag + "engine-" + std::to_string(run)), "",
                                           durable);
                  },
                  [&](int run) {
                      return Shell("unzip -q '" + archive.string() + "' -d '"
                                   + (work / ("out-klein-" + tag + "unzip-" + std::to_string(run))).string() + "'");
                  });
    }
}

} // namespace

int main(int argc, char** argv)
{
    bool small = false, kleinOnly = false;
    fs::path work = fs::temp_directory_path() / "hsa-zip-bench";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--small")
            small = true;
        else if (a == "--klein")
            kleinOnly = true;
        else
            work = a;
    }
    const fs::path corpus = work / "korpus";
    if (!fs::exists(corpus / "klein")) {
        std::printf("building the corpus in %s ...\n", corpus.c_str());
        BuildCorpus(corpus, small);
    }
    uint64_t total = 0;
    for (const auto& e : fs::recursive_directory_iterator(corpus))
        if (e.is_regular_file())
            total += e.file_size();
    std::printf("corpus: %.1f MB\n\n", double(total) / 1e6);
    if (kleinOnly) {
        SmallFilesExtract(work, corpus);
        return 0;
    }
    const std::string q = "'" + corpus.string() + "'";
    const fs::path a = work / "a.zip";

    for (int level : {1, 6}) {
        const std::string lv = std::to_string(level);
        Alternate(("create, level " + lv).c_str(), "zip",
                  [&](int) { return EngineCreate(work / "engine.zip", corpus, level, ""); },
                  [&](int) {
                      fs::remove(a);
                      return Shell("cd " + q + " && zip -q -r -" + lv + " '" + a.string() + "' .");
                  });
        SizeReport(("size, level " + lv).c_str(), FileSize(work / "engine.zip"), FileSize(a), "zip");
    }
    Alternate("create, level 1", "7z -mmt=1", [&](int) { return EngineCreate(work / "engine.zip", corpus, 1, ""); },
              [&](int) {
                  fs::remove(work / "seven.zip");
                  return Shell("cd " + q + " && 7z a -tzip -mx=1 -mmt=1 '" + (work / "seven.zip").string()
                               + "' . > /dev/null");
              });
    Alternate("create, level 1, password", "zip -P",
              [&](int) { return EngineCreate(work / "engine-pw.zip", corpus, 1, "geheim"); },
              [&](int) {
                  fs::remove(a);
                  return Shell("cd " + q + " && zip -q -r -1 -P geheim '" + a.string() + "' .");
              });
    SizeReport("size, level 1, password", FileSize(work / "engine-pw.zip"), FileSize(a), "zip -P");
    {
        // AES-256 entries (PBKDF2 per entry, counter mode, HMAC-SHA1) against
        // 7z's AES-256 ZIP entries, both single-threaded at level 1.
        const fs::path mine = work / "engine-aes.zip", seven = work / "seven-aes.zip";
        Alternate("create, level 1, AES-256", "7z -mem=AES256",
                  [&](int) { return EngineCreate(mine, corpus, 1, "geheim", hsa::zip::CryptoAlgorithm::AES256); },
                  [&](int) {
                      fs::remove(seven);
                      return Shell("cd " + q + " && 7z a -tzip -mx=1 -mmt=1 -mem=AES256 -pgeheim '" + seven.string()
                                   + "' . > /dev/null");
                  });
        SizeReport("size, level 1, AES-256", FileSize(mine), FileSize(seven), "7z -mem=AES256");
        const bool accepted = std::system(("7z t -pgeheim '" + mine.string() + "' > /dev/null 2>&1").c_str()) == 0;
        std::printf("%-34s %s\n", "AES-256 archive, 7z t", accepted ? "passed" : "FAILED");
    }
    EngineCreate(work / "engine.zip", corpus, 1, "");
    const std::string engineZip = (work / "engine.zip").string();
    Alternate("extract", "unzip", [&](int) { return EngineExtract(work / "engine.zip", work / "out-engine", ""); },
              [&](int) {
                  fs::remove_all(work / "out-unzip");
                  return Shell("unzip -q '" + engineZip + "' -d '" + (work / "out-unzip").string() + "'");
              });
    Alternate("extract", "7z -mmt=1", [&](int) { return EngineExtract(work / "engine.zip", work / "out-engine", ""); },
              [&](int) {
                  fs::remove_all(work / "out-7z");
                  return Shell("7z x -mmt=1 -o'" + (work / "out-7z").string() + "' '" + engineZip + "' > /dev/null");
              });
    Alternate("extract, password", "unzip -P",
              [&](int) { return EngineExtract(work / "engine-pw.zip", work / "out-engine-pw", "geheim"); },
              [&](int) {
                  fs::remove_all(work / "out-unzip-pw");
                  return Shell("unzip -q -P geheim '" + (work / "engine-pw.zip").string() + "' -d '"
                               + (work / "out-unzip-pw").string() + "'");
              });
    SmallFilesExtract(work, corpus);
    {
        // Append one file to two copies of the same archive: only the new
        // entry and the directory should be written.  The bytes each side
        // hands to write calls are measured, not assumed.
        WriteFile(work / "anhang" / "neu.txt", "ein neuer Eintrag\r\n");
        const fs::path mine = work / "append-engine.zip", theirs = work / "append-zip.zip";
        uint64_t engineBytes = 0, zipBytes = 0, dirStart = 0;
        Alternate("append one file", "zip",
                  [&](int) {
                      fs::copy_file(work / "engine.zip", mine, fs::copy_options::overwrite_existing);
                      return Seconds([&] {
                          const uint64_t before = WrittenBytes("self");
                          ZipArchiver z;
                          z.Options.FlushBuffers = false;
                          z.SetFileName(mine.string());
                          z.OpenArchive();
                          dirStart = z.DirectoryStart();
                          z.SetBaseDir((work / "anhang").string());
                          z.AddFiles((work / "anhang" / "neu.txt").string());
                          z.CloseArchive();
                          engineBytes = WrittenBytes("self") - before;
                      });
                  },
                  [&](int) {
                      fs::copy_file(work / "engine.zip", theirs, fs::copy_options::overwrite_existing);
                      return Seconds([&] {
                          zipBytes = ChildWrittenBytes({"zip", "-q", theirs.string(), "neu.txt"},
                                                       (work / "anhang").string());
                      });
                  });
        std::printf("%-34s engine %11llu B   %-16s %11llu B   (archive %llu B, old data %llu B)\n",
                    "append, bytes written", (unsigned long long)engineBytes, "zip", (unsigned long long)zipBytes,
                    (unsigned long long)FileSize(work / "engine.zip"), (unsigned long long)dirStart);
    }
    return 0;
}
