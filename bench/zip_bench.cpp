// Times the ZIP engine against the system's zip, unzip and 7z on the same
// deterministic corpus: about 100 MB of mixed text, dBase tables and random
// data, plus 10,000 small files.  Prints each time, each ratio to the peer,
// and the archive sizes.
//
//   zip_bench [work-folder] [--small] [--klein]
//
// --klein times only the extraction of the small files (three runs each of
// the engine and of unzip, alternating, medians printed).
//
// The engine runs with its durability flushes off here (FlushBuffers and
// SyncExtractedFiles), because none of the peers flushes either.
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

double EngineExtract(const fs::path& archive, const fs::path& out, const std::string& password)
{
    fs::remove_all(out);
    return Seconds([&] {
        ZipArchiver z;
        z.SyncExtractedFiles = false;
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

// Extraction of the small files alone: an archive of the "klein" folder,
// extracted three times by each side, alternating, each run into a folder
// of its own, so that no run creates its files right after the previous run's
// were deleted (some file systems pass over freshly freed inodes slowly).
// The outputs of the last call are removed first.
void SmallFilesExtract(const fs::path& work, const fs::path& corpus)
{
    for (const char* side : {"engine", "unzip"})
        for (int run = 1; run <= 3; ++run)
            fs::remove_all(work / ("out-klein-" + std::string(side) + "-" + std::to_string(run)));
    const fs::path archive = work / "klein.zip";
    EngineCreate(archive, corpus / "klein", 1, "");
    std::vector<double> te, tu;
    for (int run = 1; run <= 3; ++run) {
        const std::string n = std::to_string(run);
        te.push_back(EngineExtract(archive, work / ("out-klein-engine-" + n), ""));
        tu.push_back(Shell("unzip -q '" + archive.string() + "' -d '" + (work / ("out-klein-unzip-" + n)).string() + "'"));
        std::printf("%-34s engine %7.3f s   %-16s %7.3f s\n", ("  run " + n).c_str(), te.back(), "unzip", tu.back());
    }
    Report("extract, small files (median of 3)", Median(te), Median(tu), "unzip");
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
        const double te = EngineCreate(work / "engine.zip", corpus, level, "");
        fs::remove(a);
        const double tz = Shell("cd " + q + " && zip -q -r -" + std::to_string(level) + " '" + a.string() + "' .");
        const std::string label = "create, level " + std::to_string(level);
        Report(label.c_str(), te, tz, "zip");
        SizeReport(("size, level " + std::to_string(level)).c_str(), FileSize(work / "engine.zip"), FileSize(a), "zip");
        if (level == 1) {
            fs::remove(work / "seven.zip");
            const double t7 = Shell("cd " + q + " && 7z a -tzip -mx=1 -mmt=1 '" + (work / "seven.zip").string()
                                    + "' . > /dev/null");
            Report("create, level 1", te, t7, "7z -mmt=1");
        }
    }
    {
        const double te = EngineCreate(work / "engine-pw.zip", corpus, 1, "geheim");
        fs::remove(a);
        const double tz = Shell("cd " + q + " && zip -q -r -1 -P geheim '" + a.string() + "' .");
        Report("create, level 1, password", te, tz, "zip -P");
        SizeReport("size, level 1, password", FileSize(work / "engine-pw.zip"), FileSize(a), "zip -P");
    }
    {
        // AES-256 entries (PBKDF2 per entry, counter mode, HMAC-SHA1) against
        // 7z's AES-256 ZIP entries, both single-threaded at level 1.
        const fs::path mine = work / "engine-aes.zip", seven = work / "seven-aes.zip";
        const double te = EngineCreate(mine, corpus, 1, "geheim", hsa::zip::CryptoAlgorithm::AES256);
        fs::remove(seven);
        const double t7 = Shell("cd " + q + " && 7z a -tzip -mx=1 -mmt=1 -mem=AES256 -pgeheim '" + seven.string()
                                + "' . > /dev/null");
        Report("create, level 1, AES-256", te, t7, "7z -mem=AES256");
        SizeReport("size, level 1, AES-256", FileSize(mine), FileSize(seven), "7z -mem=AES256");
        const bool accepted = std::system(("7z t -pgeheim '" + mine.string() + "' > /dev/null 2>&1").c_str()) == 0;
        std::printf("%-34s %s\n", "AES-256 archive, 7z t", accepted ? "passed" : "FAILED");
    }
    {
        EngineCreate(work / "engine.zip", corpus, 1, "");
        const double te = EngineExtract(work / "engine.zip", work / "out-engine", "");
        fs::remove_all(work / "out-unzip");
        const double tu = Shell("unzip -q '" + (work / "engine.zip").string() + "' -d '" + (work / "out-unzip").string() + "'");
        Report("extract", te, tu, "unzip");
        fs::remove_all(work / "out-7z");
        const double t7 = Shell("7z x -mmt=1 -o'" + (work / "out-7z").string() + "' '" + (work / "engine.zip").string()
                                + "' > /dev/null");
        Report("extract", te, t7, "7z -mmt=1");
        const double tep = EngineExtract(work / "engine-pw.zip", work / "out-engine-pw", "geheim");
        fs::remove_all(work / "out-unzip-pw");
        const double tup = Shell("unzip -q -P geheim '" + (work / "engine-pw.zip").string() + "' -d '"
                                 + (work / "out-unzip-pw").string() + "'");
        Report("extract, password", tep, tup, "unzip -P");
    }
    SmallFilesExtract(work, corpus);
    {
        // Append one file: only the new entry and the directory are written.
        WriteFile(work / "anhang" / "neu.txt", "ein neuer Eintrag\r\n");
        const uint64_t before = FileSize(work / "engine.zip");
        uint64_t dirStart = 0;
        const double te = Seconds([&] {
            ZipArchiver z;
            z.Options.FlushBuffers = false;
            z.SetFileName((work / "engine.zip").string());
            z.OpenArchive();
            dirStart = z.DirectoryStart();
            z.SetBaseDir((work / "anhang").string());
            z.AddFiles((work / "anhang" / "neu.txt").string());
            z.CloseArchive();
        });
        const uint64_t after = FileSize(work / "engine.zip");
        const double tz = Shell("cd '" + (work / "anhang").string() + "' && zip -q '" + a.string() + "' neu.txt");
        Report("append one file", te, tz, "zip");
        std::printf("%-34s old data %llu B untouched, written %llu B (new entry and directory), archive %llu -> %llu B\n",
                    "append, bytes", (unsigned long long)dirStart, (unsigned long long)(after - dirStart),
                    (unsigned long long)before, (unsigned long long)after);
    }
    return 0;
}
