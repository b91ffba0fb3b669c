#pragma once
// Helpers shared by the ZIP engine tests: a temporary folder, file helpers
// and running the peer tools.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace hsa::zip::test {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed afterwards.
// A folder in memory for tests that make and remove thousands of files
// (removing them costs seconds on a busy disk); empty when the system has
// none, which puts the test's TempDir in the temporary folder.
inline std::string MemoryFolder()
{
    std::error_code ec;
    return fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";
}

class TempDir {
public:
    // In the system's temporary folder, or in `parent`.
    explicit TempDir(const std::string& parent = {})
    {
        std::string tmpl = ((parent.empty() ? fs::temp_directory_path() : fs::path(parent)) / "hsazipXXXXXX").string();
        if (!::mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp");
        path_ = tmpl;
    }
    ~TempDir()
    {
        std::error_code ec;
        // Make read-only leftovers removable.
        for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    std::string path() const { return path_; }
    std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

private:
    std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& data)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(data.data(), std::streamsize(data.size()));
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline std::string RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 g(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = char(g() & 0xFF);
    return s;
}

inline std::string TextBytes(size_t n, unsigned seed)
{
    static const char* words[] = {"Note ", "Schüler ", "Deutsch ", "Mathematik ", "2,3 ", "Klasse 9a ", "\r\n",
                                  "Prüfung ", "bestanden ", "Englisch "};
    std::mt19937 g(seed);
    std::string s;
    while (s.size() < n)
        s += words[g() % 10];
    s.resize(n);
    return s;
}

struct RunResult {
    int status = -1;
    std::string output;
};

// Runs a shell command, collecting stdout and stderr.
inline RunResult RunShell(const std::string& cmd)
{
    RunResult r;
    FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
    if (!p)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        r.output.append(buf.data(), n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline bool HaveTool(const std::string& tool)
{
    return RunShell("command -v " + tool + " >/dev/null").status == 0;
}

inline std::string Quote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// All files below a folder, relative, sorted; links listed, never followed or resolved.
inline std::vector<std::string> ListTree(const std::string& root, bool withFolders = true)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const bool folder = it->is_directory() && !it->is_symlink();
        if (withFolders || !folder)
            out.push_back(it->path().lexically_relative(root).string() + (folder ? "/" : ""));
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace hsa::zip::test
