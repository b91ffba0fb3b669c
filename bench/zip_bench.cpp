// Times the ZIP engine against the system's zip, unzip and 7z on the same
// deterministic corpus of mixed text, dBase tables and random data plus many
// small files, and prints for each row the median time and the peak memory of
// each side, the ratio of the times, and the archive sizes.
//
//   zip_bench [work-folder] [--full | --tiny] [--pairs N] [--budget SECONDS] [--klein | --many | --replace]
//
// Default corpus: about 10 MB and 1,000 small files; --full: about 100 MB
// and 10,000 small files; --tiny: about 1 MB and 200 small files.  Then two
// corpora of many small files: 5,000 text files of 2 KB, and 25 class
// folders (a dBase table beside a folder of grade files, notes and
// attachments, 3,825 files), each packed and unpacked plainly, with AES-256
// against 7z and durably against unzip followed by sync -f; the 5,000-entry
// archive also gets one file appended.  The first and the last entry of the
// first corpus's archive and of both many-file archives are replaced.
// Every row runs N pairs (at least 5), in alternating order (engine then
// peer, peer then engine, ...), each run starting from the same disk state (pending writes synced, outputs of
// the previous run removed).  Every run of either side is a process of its
// own, started by a small helper process, so that its peak memory is its
// own and not the benchmark's (the engine runs as this program started again).
// Rows that would start after the time budget (default 600 s, 0: none) are
// left out and named.  --klein times only the extraction of the small files
// of the first corpus, --many only the rows of the many-small-files corpora,
// --replace only the rows that replace an entry.
//
// The engine runs with its durability flushes off (FlushBuffers and
// SyncExtractedFiles), because none of the peers flushes either; the durable
// extraction (every file on the disk before it gets its name) is compared
// with unzip followed by a sync of the file system it wrote to (sync -f).
//
// A full disk ends the program with a message saying so (exit status 2).
#include "zip/archiver.h"
#include "zip/zaerrors.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <time.h>
#include <tuple>
#include <vector>
#include <unistd.h>

namespace fs = std::filesystem;
using hsa::zip::ZipArchiver;

namespace {

// A write of the benchmark itself failed (the corpus, a copy).
struct WriteFailed : std::runtime_error {
    explicit WriteFailed(const std::string& what) : std::runtime_error(what) {}
};
// A run failed for want of room on the disk.
struct DiskFull : std::runtime_error {
    explicit DiskFull(const std::string& what) : std::runtime_error(what) {}
};

// Exit statuses of an engine child.
constexpr int kChildFailed = 1, kChildDiskFull = 3;

void WriteFile(const fs::path& p, const std::string& data)
{
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(data.data(), std::streamsize(data.size()));
    f.close();
    if (!f)
        throw WriteFailed(p.string());
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

void BuildCorpus(const fs::path& root, size_t scale, int smallCount)
{
    std::mt19937 g(20240611);
    // About 100 MB / scale in big files: text, tables, random data.
    for (int i = 0; i < 8; ++i)
        WriteFile(root / "gross" / ("text" + std::to_string(i) + ".txt"), Text((6u << 20) / scale, g));
    for (int i = 0; i < 6; ++i)
        WriteFile(root / "gross" / ("tabelle" + std::to_string(i) + ".dbf"), Dbase(20000 / scale, g));
    for (int i = 0; i < 4; ++i)
        WriteFile(root / "gross" / ("zufall" + std::to_string(i) + ".bin"), Random((6u << 20) / scale, g));
    // Small files in 100 folders.
    for (int i = 0; i < smallCount; ++i) {
        const fs::path p = root / "klein" / ("ordner" + std::to_string(i % 100)) / ("v." + std::to_string(i));
        WriteFile(p, (i % 3 == 0) ? Random(200 + g() % 3000, g) : Text(200 + g() % 3000, g));
    }
}

// The many-small-files corpus: 5,000 text files of 2 KB in 100 folders.
void BuildSmallTextCorpus(const fs::path& root)
{
    std::mt19937 g(20261207);
    for (int i = 0; i < 5000; ++i)
        WriteFile(root / ("ordner" + std::to_string(i % 100)) / ("v." + std::to_string(i)), Text(2048, g));
}

// A grade file: the 9 x 20 cells of the exam grid one a line, the result
// index, 45 lines of notes.
std::string GradeFile(std::mt19937& g)
{
    static const char* subjects[] = {"Deutsch", "Mathematik", "Englisch", "Biologie", "Geschichte", "Erdkunde",
                                     "Musik", "Sport", "Technik", "Religion"};
    std::string s;
    for (int col = 0; col < 9; ++col)
        for (int row = 0; row < 20; ++row) {
            if (row == 0 || row > 10)
                s += row == 0 ? "Fach" : "";
            else if (col == 0)
                s += subjects[row - 1];
            else
                s += std::to_string(1 + g() % 5) + "." + std::to_string(g() % 10);
            s += "\r\n";
        }
    s += std::to_string(g() % 6) + "\r\n";
    for (int i = 0; i < 45; ++i)
        s += (g() % 4 == 0 ? Text(20 + g() % 40, g) : std::string()) + "\r\n";
    return s;
}

// The class-folder corpus: 25 exam classes, each a dBase table of 40
// records beside its folder of 38 grade files, 38 notes and 38 short
// letters ("v.", "m.", "l." and the number) and 38 certificate attachments:
// 153 files a class, 3,825 in all.
void BuildClassCorpus(const fs::path& root)
{
    std::mt19937 g(20261208);
    for (int c = 0; c < 25; ++c) {
        const std::string name = std::string(1, c < 12 ? '9' : 'x') + char('a' + c % 12) + "_2425" + "2";
        WriteFile(root / (name + ".dbf"), Dbase(40, g));
        const fs::path folder = root / name;
        for (int n = 1; n <= 38; ++n) {
            const std::string nr = std::to_string(n);
            WriteFile(folder / ("v." + nr), GradeFile(g));
            WriteFile(folder / ("m." + nr), Text(100 + g() % 400, g));
            WriteFile(folder / ("l." + nr), Text(100 + g() % 400, g));
            // A small word-processor file: header, text, runs of zeros.
            std::string doc = Random(512, g) + Text(3000 + g() % 2000, g) + std::string(2048, '\0');
            WriteFile(folder / ("SCHUELER" + nr + "_VORNAME.doc"), doc);
        }
    }
}


uint64_t FreeBytes(const fs::path& p)
{
    struct statvfs v {};
    if (::statvfs(p.c_str(), &v) != 0)
        return UINT64_MAX;
    return uint64_t(v.f_bavail) * v.f_frsize;
}

// Too little room left for a run's output: what a failed run most likely ran into.
bool NearlyFull(const fs::path& work) { return FreeBytes(work) < (4u << 20); }

uint64_t FileSize(const fs::path& p)
{
    std::error_code ec;
    const auto s = fs::file_size(p, ec);
    return ec ? 0 : s;
}

// One finished run of either side.
struct Run {
    double seconds = 0;
    double peakMB = 0;          // the run's own peak resident memory
    uint64_t writtenBytes = 0;  // bytes it handed to write calls
};

// Bytes a finished child (read before it is reaped) has handed to write
// calls: the "wchar" line of /proc/<pid>/io.
uint64_t WrittenBytes(pid_t pid)
{
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "wchar:")
            return value;
    return 0;
}

std::string SelfPath;
fs::path WorkFolder;

// What the spawner reports about one finished program.
struct SpawnReport {
    double seconds = 0;
    long peakKB = 0;
    uint64_t writtenBytes = 0;
    int status = -1;   // exit status, -1 when it did not end normally
};

// Every measured program is started by a small helper process forked from
// this one before it built anything: a program inherits the peak resident
// size of the process that started it (the kernel carries the old image's
// peak over the exec, posix_spawn included), so starting it from this
// program would count the benchmark's own memory.  The helper holds a few
// hundred kilobytes; what a run reports is the program's own peak.
class Spawner {
public:
    void Start()
    {
        int request[2], reply[2];
        if (::pipe(request) != 0 || ::pipe(reply) != 0)
            throw std::runtime_error("pipe failed");
        pid_ = ::fork();
        if (pid_ < 0)
            throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            ::close(request[1]);
            ::close(reply[0]);
            Serve(request[0], reply[1]);
            ::_exit(0);
        }
        ::close(request[0]);
        ::close(reply[1]);
        to_ = request[1];
        from_ = reply[0];
    }
    ~Spawner()
    {
        if (pid_ > 0) {
            ::close(to_);
            ::close(from_);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // Runs argv in dir (when given) with its output thrown away.
    SpawnReport Run(const std::vector<std::string>& argv, const std::string& dir)
    {
        std::string message = dir;
        message += '\0';
        for (const auto& a : argv) {
            message += a;
            message += '\0';
        }
        const uint32_t length = uint32_t(message.size());
        SpawnReport r;
        if (!WriteAll(to_, &length, sizeof length) || !WriteAll(to_, message.data(), message.size())
            || !ReadAll(from_, &r, sizeof r))
            throw std::runtime_error("the helper that starts the programs has gone");
        return r;
    }

private:
    static bool WriteAll(int fd, const void* p, size_t n)
    {
        auto* c = static_cast<const char*>(p);
        while (n > 0) {
            const ssize_t w = ::write(fd, c, n);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            c += w;
            n -= size_t(w);
        }
        return true;
    }
    static bool ReadAll(int fd, void* p, size_t n)
    {
        auto* c = static_cast<char*>(p);
        while (n > 0) {
            const ssize_t r = ::read(fd, c, n);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return false;
            c += r;
            n -= size_t(r);
        }
        return true;
    }

    // The helper's loop: one request, one program, one report; it ends when
    // the benchmark closes its end of the pipe.
    [[noreturn]] static void Serve(int in, int out)
    {
        std::vector<char> message;
        for (;;) {
            uint32_t length = 0;
            if (!ReadAll(in, &length, sizeof length))
                ::_exit(0);
            message.resize(length);
            if (!ReadAll(in, message.data(), length))
                ::_exit(0);
            std::vector<char*> args;
            char* dir = message.data();
            for (size_t at = std::strlen(dir) + 1; at < length; at += std::strlen(message.data() + at) + 1)
                args.push_back(message.data() + at);
            args.push_back(nullptr);
            SpawnReport r;
            timespec t0 {}, t1 {};
            ::clock_gettime(CLOCK_MONOTONIC, &t0);
            const pid_t pid = ::fork();
            if (pid == 0) {
                if (*dir && ::chdir(dir) != 0)
                    ::_exit(127);
                const int null = ::open("/dev/null", O_WRONLY);
                if (null >= 0)
                    ::dup2(null, 1);
                ::execvp(args[0], args.data());
                ::_exit(127);
            }
            if (pid > 0) {
                siginfo_t info {};
                ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
                ::clock_gettime(CLOCK_MONOTONIC, &t1);
                r.writtenBytes = WrittenBytes(pid);
                int status = 0;
                rusage usage {};
                ::wait4(pid, &status, 0, &usage);
                r.seconds = double(t1.tv_sec - t0.tv_sec) + double(t1.tv_nsec - t0.tv_nsec) / 1e9;
                r.peakKB = usage.ru_maxrss;
                r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (!WriteAll(out, &r, sizeof r))
                ::_exit(0);
        }
    }

    pid_t pid_ = -1;
    int to_ = -1, from_ = -1;
};

Spawner* TheSpawner = nullptr;

// What "sync" does for the file system that holds `path` (sync -f): the
// peer's side of the durable rows, so that it flushes what it wrote and not
// the pending writes of other programs on other disks.
void SyncFileSystemOf(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        ::sync();
        return;
    }
    ::syncfs(fd);
    ::close(fd);
}

// Runs argv (in `dir` when given, its output thrown away) as a child of its
// own; the time includes `after` (e.g. a sync).  A failing run raises,
// DiskFull when the disk is (nearly) full.
Run RunChild(const std::vector<std::string>& argv, const std::string& dir = {},
             const std::function<void()>& after = {})
{
    SyncFileSystemOf(WorkFolder.string());   // every run starts without the previous run's pending writes
    const SpawnReport report = TheSpawner->Run(argv, dir);
    Run r;
    r.seconds = report.seconds;
    if (after) {
        const auto t0 = std::chrono::steady_clock::now();
        after();
        r.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    r.peakMB = double(report.peakKB) / 1024.0;
    r.writtenBytes = report.writtenBytes;
    const int code = report.status;
    if (code != 0) {
        std::string cmd;
        for (const auto& a : argv)
            cmd += (cmd.empty() ? "" : " ") + a;
        if (code == kChildDiskFull || NearlyFull(WorkFolder))
            throw DiskFull(cmd);
        throw std::runtime_error("failed (status " + std::to_string(code) + "): " + cmd);
    }
    return r;
}

// The engine's side of a row, run by this program started again as a child.
// What the previous run left (the archive made, the folder extracted) is
// removed first, outside the time.
Run Engine(const std::vector<std::string>& args)
{
    if (args.at(0) == "create")
        fs::remove(args.at(1));
    else if (args.at(0) == "extract")
        fs::remove_all(args.at(2));
    std::vector<std::string> argv{SelfPath, "--engine"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunChild(argv);
}

// What a child started with --engine does.  Exit status 0, kChildFailed or
// kChildDiskFull.
int EngineChild(const std::vector<std::string>& a)
{
    try {
        ZipArchiver z;
        z.Options.FlushBuffers = false;
        // Failed items end the run instead of being asked about.
        std::string firstFailure;
        int firstCode = 0;
        z.OnProcessFileFailure = [&](hsa::zip::ZABaseArchiver&, const std::string& name, hsa::zip::ProcessOperation,
                                     int native, int, const std::string& message, hsa::zip::ZAAction& action) {
            if (firstFailure.empty()) {
                firstFailure = name + ": " + message;
                firstCode = native;
            }
            action = hsa::zip::ZAAction::Abort;
        };
        const std::string& op = a.at(0);
        if (op == "create") {   // create ARCHIVE FOLDER MODE PASSWORD AES(0/1)
            z.EncryptionMethod = a.at(5) == "1" ? hsa::zip::CryptoAlgorithm::AES256 : hsa::zip::CryptoAlgorithm::PkzipClassic;
            z.SetCompressionMode(std::stoi(a.at(3)));
            z.SetPassword(a.at(4));
            z.SetFileName(a.at(1));
            z.OpenArchive(hsa::zip::openmode::Create);
            z.SetBaseDir(a.at(2));
            z.AddFiles(a.at(2) + "/*.*");
            z.CloseArchive();
        } else if (op == "extract") {   // extract ARCHIVE OUT PASSWORD DURABLE(0/1)
            z.SyncExtractedFiles = a.at(4) == "1";
            z.SetPassword(a.at(3));
            z.SetFileName(a.at(1));
            z.OpenArchive();
            z.SetBaseDir(a.at(2));
            z.ExtractFiles("*.*");
            z.CloseArchive();
        } else if (op == "replace") { // replace ARCHIVE BASEDIR NAME
            z.SetFileName(a.at(1));
            z.OpenArchive();
            z.SetBaseDir(a.at(2));
            z.AddFiles(a.at(2) + "/" + a.at(3));
            z.CloseArchive();
        } else if (op == "append") { // append ARCHIVE FILE
            z.SetFileName(a.at(1));
            z.OpenArchive();
            z.SetBaseDir(fs::path(a.at(2)).parent_path().string());
            z.AddFiles(a.at(2));
            z.CloseArchive();
        } else {
            std::fprintf(stderr, "zip_bench: unknown engine operation %s\n", op.c_str());
            return kChildFailed;
        }
        if (!firstFailure.empty()) {
            std::fprintf(stderr, "zip_bench: %s\n", firstFailure.c_str());
            return firstCode == hsa::zip::err::DiskFull ? kChildDiskFull : kChildFailed;
        }
        return 0;
    } catch (const hsa::zip::EZAException& e) {
        std::fprintf(stderr, "zip_bench: %s\n", e.what());
        return e.NativeError() == hsa::zip::err::DiskFull ? kChildDiskFull : kChildFailed;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zip_bench: %s\n", e.what());
        return kChildFailed;
    }
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

int Pairs = 5;
double BudgetSeconds = 600;
const auto Started = std::chrono::steady_clock::now();
std::vector<std::string> LeftOut;

bool WithinBudget(const char* what)
{
    const double spent = std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
    if (BudgetSeconds <= 0 || spent < BudgetSeconds)
        return true;
    LeftOut.push_back(what);
    return false;
}

struct RowResult {
    Run engine, peer;   // medians
};

// Pairs of runs, engine and peer, in alternating order: engine first in the
// first pair, peer first in the second, and so on.  The row reports the
// medians of time, memory and bytes written.
RowResult Alternate(const char* what, const char* peerName, const std::function<Run(int)>& engine,
                    const std::function<Run(int)>& peer)
{
    std::vector<Run> te, tp;
    for (int pair = 0; pair < Pairs; ++pair) {
        if (pair % 2 == 0) {
            te.push_back(engine(pair));
            tp.push_back(peer(pair));
        } else {
            tp.push_back(peer(pair));
            te.push_back(engine(pair));
        }
    }
    auto median = [](const std::vector<Run>& runs) {
        std::vector<double> t, m, w;
        for (const auto& r : runs) {
            t.push_back(r.seconds);
            m.push_back(r.peakMB);
            w.push_back(double(r.writtenBytes));
        }
        return Run{Median(t), Median(m), uint64_t(Median(w))};
    };
    RowResult r{median(te), median(tp)};
    std::printf("%-44s engine %7.3f s %6.1f MB   %-18s %7.3f s %6.1f MB   ratio %.2f\n", what, r.engine.seconds,
                r.engine.peakMB, peerName, r.peer.seconds, r.peer.peakMB,
                r.peer.seconds > 0 ? r.engine.seconds / r.peer.seconds : 0.0);
    std::fflush(stdout);
    return r;
}

void SizeReport(const char* what, uint64_t engine, uint64_t peer, const char* peerName)
{
    std::printf("%-44s engine %11llu B        %-18s %11llu B          ratio %.4f\n", what,
                (unsigned long long)engine, peerName, (unsigned long long)peer,
                peer ? double(engine) / double(peer) : 0.0);
}

// Extraction of the small files alone: an archive of the "klein" folder,
// extracted by each side into folders of their own (no run creates its files
// right after the previous run's were deleted: some file systems pass over
// freshly freed inodes slowly).  Once without flushes on either side, then
// with the engine's default durability against unzip followed by a sync of
// its file system (against unzip alone it would weigh a flush against none).
void SmallFilesExtract(const fs::path& work, const fs::path& corpus)
{
    const fs::path archive = work / "klein.zip";
    Engine({"create", archive.string(), (corpus / "klein").string(), "1", "", "0"});
    auto out = [&](const std::string& tag, int pair) { return (work / ("out-klein-" + tag + std::to_string(pair))).string(); };
    auto unzip = [&](const std::string& tag, bool sync) {
        return [&, tag, sync](int pair) {
            fs::remove_all(out(tag, pair));
            const std::string target = out(tag, pair);
            return RunChild({"unzip", "-q", archive.string(), "-d", target}, {},
                            sync ? std::function<void()>([target] { SyncFileSystemOf(target); }) : std::function<void()>());
        };
    };
    auto engine = [&](const std::string& tag, bool durable) {
        return [&, tag, durable](int pair) {
            return Engine({"extract", archive.string(), out(tag, pair), "", durable ? "1" : "0"});
        };
    };
    if (WithinBudget("extract, small files"))
        Alternate("extract, small files", "unzip", engine("engine-", false), unzip("unzip-", false));
    if (WithinBudget("extract, small files, durable/sync"))
        Alternate("extract, small files, durable", "unzip; sync", engine("durable-", true), unzip("unzip-sync-", true));
    for (const auto& e : fs::directory_iterator(work))
        if (e.path().filename().string().rfind("out-klein-", 0) == 0)
            fs::remove_all(e.path());
}

// Replacing the first and the last entry (a changed copy of the entry's own
// file, as when a file is updated) in copies of the same archive, against
// zip at the same level; then the bytes each side hands to write calls.
void ReplaceRows(const fs::path& work, const fs::path& archive, const fs::path& folder, const std::string& label)
{
    std::string first, last;
    {
        ZipArchiver z;
        z.SetFileName(archive.string());
        z.OpenArchive();
        for (int i = 0; i < z.FileCount(); ++i) {
            if (z.Entry(i).IsDirectory())
                continue;
            if (first.empty())
                first = z.Entry(i).name;
            last = z.Entry(i).name;
        }
        z.CloseArchive();
    }
    const fs::path ersatz = work / "ersatz", mine = work / "replace-engine.zip", theirs = work / "replace-peer.zip";
    auto copy = [&](const fs::path& to) {
        std::error_code ec;
        fs::copy_file(archive, to, fs::copy_options::overwrite_existing, ec);
        if (ec)
            throw WriteFailed(to.string() + ": " + ec.message());
    };
    const std::pair<const char*, std::string> rows[] = {{"replace first entry, ", first},
                                                        {"replace last entry, ", last}};
    for (const auto& [what, name] : rows) {
        const std::string row = what + label;
        if (name.empty() || !WithinBudget(row.c_str()))
            continue;
        std::ifstream in(folder / name, std::ios::binary);
        std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (size_t i = 0; i < data.size(); i += 97)
            data[i] = char(data[i] ^ 0x20);
        fs::remove_all(ersatz);
        WriteFile(ersatz / name, data);
        const RowResult r = Alternate(
            row.c_str(), "zip -1",
            [&](int) {
                copy(mine);
                return Engine({"replace", mine.string(), ersatz.string(), name});
            },
            [&](int) {
                copy(theirs);
                return RunChild({"zip", "-q", "-1", theirs.string(), name}, ersatz.string());
            });
        std::printf("%-44s engine %11llu B        %-18s %11llu B          (archive %llu B)\n",
                    (std::string("  bytes written, ") + row).c_str(), (unsigned long long)r.engine.writtenBytes,
                    "zip -1", (unsigned long long)r.peer.writtenBytes, (unsigned long long)FileSize(archive));
    }
    fs::remove(mine);
    fs::remove(theirs);
    fs::remove_all(ersatz);
}

// The rows of a corpus of many small files (`label` names it in the rows):
// packing and unpacking against zip, unzip and 7z, AES-256 against 7z with
// one thread each, the durable extraction against unzip followed by sync,
// and, with `append`, adding one file to its archive against zip.  Outputs
// of an extraction go to folders of their own per pair (no run creates its
// files right after the previous run's were deleted).
void ManySmallFilesRows(const fs::path& work, const std::string& label, const std::string& tag, const fs::path& folder,
                        bool append)
{
    const std::string f = folder.string();
    const fs::path plain = work / (tag + "-engine.zip"), aes = work / (tag + "-engine-aes.zip");
    const fs::path peer = work / (tag + "-peer.zip"), sevenAes = work / (tag + "-seven-aes.zip");
    auto row = [&](const std::string& what) { return what + ", " + label; };
    auto peerRun = [](std::vector<std::string> args, fs::path target, std::string dir) {
        return [args, target, dir](int) {
            fs::remove(target);
            return RunChild(args, dir);
        };
    };
    auto out = [&](const std::string& kind, int pair) {
        return (work / ("out-" + tag + "-" + kind + std::to_string(pair))).string();
    };
    auto engineExtract = [&](fs::path archive, std::string kind, std::string password, bool durable) {
        return [&, archive, kind, password, durable](int pair) {
            return Engine({"extract", archive.string(), out(kind, pair), password, durable ? "1" : "0"});
        };
    };
    auto peerExtract = [&](std::vector<std::string> args, std::string kind, bool sync, bool sevenStyle) {
        return [&, args, kind, sync, sevenStyle](int pair) {
            fs::remove_all(out(kind, pair));
            std::vector<std::string> argv = args;
            if (sevenStyle) {
                argv.insert(argv.begin() + 2, "-o" + out(kind, pair));
            } else {
                argv.push_back("-d");
                argv.push_back(out(kind, pair));
            }
            const std::string target = out(kind, pair);
            return RunChild(argv, {},
                            sync ? std::function<void()>([target] { SyncFileSystemOf(target); }) : std::function<void()>());
        };
    };

    std::string r = row("create, level 1");
    if (WithinBudget(r.c_str()))
        Alternate(r.c_str(), "zip", [&](int) { return Engine({"create", plain.string(), f, "1", "", "0"}); },
                  peerRun({"zip", "-q", "-r", "-1", peer.string(), "."}, peer, f));
    r = row("create, level 1, AES-256");
    if (WithinBudget(r.c_str())) {
        Alternate(r.c_str(), "7z -mmt=1 AES256", [&](int) { return Engine({"create", aes.string(), f, "1", "geheim", "1"}); },
                  peerRun({"7z", "a", "-tzip", "-mx=1", "-mmt=1", "-mem=AES256", "-pgeheim", sevenAes.string(), "."},
                          sevenAes, f));
        SizeReport(row("size, AES-256").c_str(), FileSize(aes), FileSize(sevenAes), "7z AES256");
    }
    if (!fs::exists(plain))
        Engine({"create", plain.string(), f, "1", "", "0"});
    if (!fs::exists(aes))
        Engine({"create", aes.string(), f, "1", "geheim", "1"});
    r = row("extract");
    if (WithinBudget(r.c_str()))
        Alternate(r.c_str(), "unzip", engineExtract(plain, "engine-", "", false),
                  peerExtract({"unzip", "-q", plain.string()}, "unzip-", false, false));
    r = row("extract, AES-256");
    if (WithinBudget(r.c_str()))
        Alternate(r.c_str(), "7z x -mmt=1", engineExtract(aes, "engine-aes-", "geheim", false),
                  peerExtract({"7z", "x", "-mmt=1", "-pgeheim", aes.string()}, "seven-aes-", false, true));
    r = row("extract, durable");
    if (WithinBudget(r.c_str()))
        Alternate(r.c_str(), "unzip; sync", engineExtract(plain, "durable-", "", true),
                  peerExtract({"unzip", "-q", plain.string()}, "unzip-sync-", true, false));
    for (const auto& e : fs::directory_iterator(work))
        if (e.path().filename().string().rfind("out-" + tag + "-", 0) == 0)
            fs::remove_all(e.path());
    ReplaceRows(work, plain, folder, label);
    if (append) {
        r = row("append one file");
        if (WithinBudget(r.c_str())) {
            WriteFile(work / "anhang" / "neu.txt", "ein neuer Eintrag\r\n");
            const fs::path mine = work / "append-engine.zip", theirs = work / "append-peer.zip";
            auto copy = [&](const fs::path& to) {
                std::error_code ec;
                fs::copy_file(plain, to, fs::copy_options::overwrite_existing, ec);
                if (ec)
                    throw WriteFailed(to.string() + ": " + ec.message());
            };
            const RowResult res = Alternate(
                r.c_str(), "zip",
                [&](int) {
                    copy(mine);
                    return Engine({"append", mine.string(), (work / "anhang" / "neu.txt").string()});
                },
                [&](int) {
                    copy(theirs);
                    return RunChild({"zip", "-q", theirs.string(), "neu.txt"}, (work / "anhang").string());
                });
            std::printf("%-44s engine %11llu B        %-18s %11llu B          (archive %llu B)\n",
                        row("append, bytes written").c_str(), (unsigned long long)res.engine.writtenBytes, "zip",
                        (unsigned long long)res.peer.writtenBytes, (unsigned long long)FileSize(plain));
            fs::remove(mine);
            fs::remove(theirs);
        }
    }
}

// The corpus of many small files and the class folders, built once in the
// work folder; with replaceOnly only the rows that replace an entry.
void ManySmallFiles(const fs::path& work, bool replaceOnly = false)
{
    const fs::path small = work / "korpus-5000x2k", classes = work / "korpus-klassen";
    // A marker beside each corpus says it is complete (inside it would be packed).
    if (!fs::exists(work / "korpus-5000x2k.fertig")) {
        std::printf("building the small-file corpus in %s ...\n", small.c_str());
        fs::remove_all(small);
        BuildSmallTextCorpus(small);
        WriteFile(work / "korpus-5000x2k.fertig", "");
    }
    if (!fs::exists(work / "korpus-klassen.fertig")) {
        std::printf("building the class-folder corpus in %s ...\n", classes.c_str());
        fs::remove_all(classes);
        BuildClassCorpus(classes);
        WriteFile(work / "korpus-klassen.fertig", "");
    }
    std::printf("\n5,000 text files of 2 KB; 25 class folders (3,825 files)\n");
    if (replaceOnly) {
        for (const auto& [folder, label, tag] :
             {std::tuple{small, "small files", "klein5000"}, std::tuple{classes, "class folders", "klassen"}}) {
            const fs::path plain = work / (std::string(tag) + "-engine.zip");
            if (!fs::exists(plain))
                Engine({"create", plain.string(), folder.string(), "1", "", "0"});
            ReplaceRows(work, plain, folder, label);
        }
        return;
    }
    ManySmallFilesRows(work, "small files", "klein5000", small, true);
    ManySmallFilesRows(work, "class folders", "klassen", classes, false);
}

int Bench(int argc, char** argv)
{
    bool kleinOnly = false, manyOnly = false, replaceOnly = false;
    size_t scale = 10;
    int smallCount = 1000;
    fs::path work = fs::temp_directory_path() / "hsa-zip-bench";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--small") {   // the default, kept for old scripts
        } else if (a == "--full") {
            scale = 1;
            smallCount = 10000;
        } else if (a == "--tiny") {
            scale = 100;
            smallCount = 200;
        } else if (a == "--klein") {
            kleinOnly = true;
        } else if (a == "--many") {
            manyOnly = true;
        } else if (a == "--replace") {
            replaceOnly = true;
        } else if (a == "--pairs" && i + 1 < argc) {
            Pairs = std::max(5, std::atoi(argv[++i]));
        } else if (a == "--budget" && i + 1 < argc) {
            BudgetSeconds = std::atof(argv[++i]);
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr,
                         "usage: zip_bench [work-folder] [--full | --tiny] [--pairs N] [--budget SECONDS] [--klein | "
                         "--many | --replace]\n");
            return 1;
        } else {
            work = a;
        }
    }
    WorkFolder = work;
    fs::create_directories(work);
    if (manyOnly) {
        std::printf("%d pairs per row\n", Pairs);
        ManySmallFiles(work);
        return 0;
    }
    const fs::path corpus = work / ("korpus-" + std::to_string(scale) + "-" + std::to_string(smallCount));
    if (!fs::exists(corpus / "fertig")) {
        std::printf("building the corpus in %s ...\n", corpus.c_str());
        fs::remove_all(corpus);
        BuildCorpus(corpus, scale, smallCount);
        WriteFile(corpus / "fertig", "");
    }
    uint64_t total = 0;
    for (const auto& e : fs::recursive_directory_iterator(corpus))
        if (e.is_regular_file())
            total += e.file_size();
    std::printf("corpus: %.1f MB, %d pairs per row\n\n", double(total) / 1e6, Pairs);
    if (kleinOnly) {
        SmallFilesExtract(work, corpus);
        return 0;
    }
    if (replaceOnly) {
        fs::remove(corpus / "fertig");
        const fs::path archive = work / "engine.zip";
        Engine({"create", archive.string(), corpus.string(), "1", "", "0"});
        ReplaceRows(work, archive, corpus, "corpus");
        ManySmallFiles(work, true);
        return 0;
    }
    fs::remove(corpus / "fertig");   // not part of what is packed
    const std::string c = corpus.string();
    const fs::path a = work / "a.zip";
    const std::string engineZip = (work / "engine.zip").string();
    auto peerZip = [&](std::vector<std::string> args, const fs::path& target) {
        return [args, target, c](int) {
            fs::remove(target);
            return RunChild(args, c);
        };
    };

    for (int level : {1, 6}) {
        const std::string lv = std::to_string(level);
        const std::string row = "create, level " + lv;
        if (!WithinBudget(row.c_str()))
            continue;
        Alternate(row.c_str(), "zip", [&](int) { return Engine({"create", engineZip, c, lv, "", "0"}); },
                  peerZip({"zip", "-q", "-r", "-" + lv, a.string(), "."}, a));
        SizeReport(("size, level " + lv).c_str(), FileSize(engineZip), FileSize(a), "zip");
    }
    if (WithinBudget("create, level 1 (7z)"))
        Alternate("create, level 1", "7z -mmt=1", [&](int) { return Engine({"create", engineZip, c, "1", "", "0"}); },
                  peerZip({"7z", "a", "-tzip", "-mx=1", "-mmt=1", (work / "seven.zip").string(), "."}, work / "seven.zip"));
    const std::string pwZip = (work / "engine-pw.zip").string();
    if (WithinBudget("create, level 1, password")) {
        Alternate("create, level 1, password", "zip -P", [&](int) { return Engine({"create", pwZip, c, "1", "geheim", "0"}); },
                  peerZip({"zip", "-q", "-r", "-1", "-P", "geheim", a.string(), "."}, a));
        SizeReport("size, level 1, password", FileSize(pwZip), FileSize(a), "zip -P");
    }
    if (WithinBudget("create, level 1, AES-256")) {
        // AES-256 entries (PBKDF2 per entry, counter mode, HMAC-SHA1) against
        // 7z's AES-256 ZIP entries, both single-threaded at level 1.
        const fs::path mine = work / "engine-aes.zip", seven = work / "seven-aes.zip";
        Alternate("create, level 1, AES-256", "7z -mem=AES256",
                  [&](int) { return Engine({"create", mine.string(), c, "1", "geheim", "1"}); },
                  peerZip({"7z", "a", "-tzip", "-mx=1", "-mmt=1", "-mem=AES256", "-pgeheim", seven.string(), "."}, seven));
        SizeReport("size, level 1, AES-256", FileSize(mine), FileSize(seven), "7z -mem=AES256");
        const bool accepted = std::system(("7z t -pgeheim '" + mine.string() + "' > /dev/null 2>&1").c_str()) == 0;
        std::printf("%-44s %s\n", "AES-256 archive, 7z t", accepted ? "passed" : "FAILED");
    }
    Engine({"create", engineZip, c, "1", "", "0"});
    if (!fs::exists(pwZip))
        Engine({"create", pwZip, c, "1", "geheim", "0"});
    const std::string outEngine = (work / "out-engine").string();
    if (WithinBudget("extract (unzip)"))
        Alternate("extract", "unzip", [&](int) { return Engine({"extract", engineZip, outEngine, "", "0"}); },
                  [&](int) {
                      fs::remove_all(work / "out-unzip");
                      return RunChild({"unzip", "-q", engineZip, "-d", (work / "out-unzip").string()});
                  });
    if (WithinBudget("extract (7z)"))
        Alternate("extract", "7z -mmt=1", [&](int) { return Engine({"extract", engineZip, outEngine, "", "0"}); },
                  [&](int) {
                      fs::remove_all(work / "out-7z");
                      return RunChild({"7z", "x", "-mmt=1", "-o" + (work / "out-7z").string(), engineZip});
                  });
    if (WithinBudget("extract, password"))
        Alternate("extract, password", "unzip -P",
                  [&](int) { return Engine({"extract", pwZip, (work / "out-engine-pw").string(), "geheim", "0"}); },
                  [&](int) {
                      fs::remove_all(work / "out-unzip-pw");
                      return RunChild({"unzip", "-q", "-P", "geheim", pwZip, "-d", (work / "out-unzip-pw").string()});
                  });
    for (const char* o : {"out-engine", "out-unzip", "out-7z", "out-engine-pw", "out-unzip-pw"})
        fs::remove_all(work / o);
    SmallFilesExtract(work, corpus);
    {
        // Append one file to copies of the same archive: only the new entry
        // and the directory should be written.  The bytes each side hands to
        // write calls are measured, not assumed.
        WriteFile(work / "anhang" / "neu.txt", "ein neuer Eintrag\r\n");
        const fs::path mine = work / "append-engine.zip", theirs = work / "append-peer.zip";
        auto copy = [&](const fs::path& to) {
            std::error_code ec;
            fs::copy_file(engineZip, to, fs::copy_options::overwrite_existing, ec);
            if (ec)
                throw WriteFailed(to.string() + ": " + ec.message());
        };
        auto engine = [&](int) {
            copy(mine);
            return Engine({"append", mine.string(), (work / "anhang" / "neu.txt").string()});
        };
        const struct {
            const char* row;
            const char* peerName;
            std::vector<std::string> argv;
        } peers[] = {{"append one file", "zip", {"zip", "-q", theirs.string(), "neu.txt"}},
                     {"append one file (7z)", "7z a", {"7z", "a", "-tzip", "-mmt=1", theirs.string(), "neu.txt"}}};
        for (const auto& p : peers) {
            if (!WithinBudget(p.row))
                continue;
            const RowResult r = Alternate("append one file", p.peerName, engine, [&](int) {
                copy(theirs);
                return RunChild(p.argv, (work / "anhang").string());
            });
            std::printf("%-44s engine %11llu B        %-18s %11llu B          (archive %llu B)\n",
                        "append, bytes written", (unsigned long long)r.engine.writtenBytes, p.peerName,
                        (unsigned long long)r.peer.writtenBytes, (unsigned long long)FileSize(engineZip));
        }
        fs::remove(mine);
        fs::remove(theirs);
    }
    ReplaceRows(work, engineZip, corpus, "corpus");
    ManySmallFiles(work);
    if (!LeftOut.empty()) {
        std::printf("\ntime budget of %.0f s reached; rows left out:", BudgetSeconds);
        for (const auto& r : LeftOut)
            std::printf(" \"%s\"", r.c_str());
        std::printf("\n(--budget 0 runs every row)\n");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--engine") == 0)
        return EngineChild(std::vector<std::string>(argv + 2, argv + argc));
    // Before anything else, while this process is still small.
    Spawner spawner;
    spawner.Start();
    TheSpawner = &spawner;
    std::error_code ec;
    SelfPath = fs::read_symlink("/proc/self/exe", ec).string();
    if (ec)
        SelfPath = argv[0];
    auto fullDisk = [](const std::string& detail) {
        std::fflush(stdout);
        std::fprintf(stderr,
                     "\nzip_bench: the disk of the work folder %s is full (%llu bytes free); the benchmark stopped.\n"
                     "Make room there or give another work folder as the first argument.\n(%s)\n",
                     WorkFolder.c_str(), (unsigned long long)FreeBytes(WorkFolder), detail.c_str());
        return 2;
    };
    try {
        return Bench(argc, argv);
    } catch (const DiskFull& e) {
        return fullDisk(e.what());
    } catch (const WriteFailed& e) {
        if (NearlyFull(WorkFolder))
            return fullDisk(e.what());
        std::fprintf(stderr, "zip_bench: cannot write %s\n", e.what());
    } catch (const fs::filesystem_error& e) {
        if (e.code() == std::errc::no_space_on_device || NearlyFull(WorkFolder))
            return fullDisk(e.what());
        std::fprintf(stderr, "zip_bench: %s\n", e.what());
    } catch (const std::exception& e) {
        if (NearlyFull(WorkFolder))
            return fullDisk(e.what());
        std::fprintf(stderr, "zip_bench: %s\n", e.what());
    }
    return 1;
}
