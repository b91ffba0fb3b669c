#include "zip/safefs.h"

#include "zip/entrycipher.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace hsa::zip {


Fd::~Fd()
{
    if (fd_ >= 0)
        ::close(fd_);
}

Fd& Fd::operator=(Fd&& o) noexcept
{
    if (this != &o) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

bool SplitEntryPath(const std::string& name, std::vector<std::string>& parts, bool& isFolder)
{
    parts.clear();
    isFolder = false;
    if (name.empty())
        return false;
    if (name[0] == '/' || name[0] == '\\')
        return false;   // absolute or UNC
    std::string cur;
    for (size_t i = 0; i <= name.size(); ++i) {
        const char c = i < name.size() ? name[i] : '\0';
        if (i == name.size() || c == '/' || c == '\\') {
            if (i == name.size() && cur.empty() && !parts.empty()) {
                isFolder = true;
                break;
            }
            if (cur.empty() || cur == "." || cur == "..")
                return false;
            parts.push_back(cur);
            cur.clear();
            continue;
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;   // NUL and control characters
        if (c == ':')
            return false;   // drive letters and alternate streams
        cur += c;
    }
    // Deeper trees are no archive of ours; refusing them keeps a crafted name
    // from creating thousands of nested folders.
    return !parts.empty() && parts.size() <= 256;
}

Fd OpenFolderChain(const std::string& base, const std::vector<std::string>& parts, size_t count, bool create,
                   std::string& failedAt, int* error, bool* made)
{
    if (made)
        *made = false;
    auto fail = [&](const std::string& at) {
        const int e = errno;
        failedAt = at;
        if (error)
            *error = e;
        return Fd();
    };
    Fd cur(::open(base.empty() ? "." : base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!cur && errno == ENOENT && create) {
        // The target folder itself is the caller's choice: made with its parents.
        std::error_code ec;
        NoteFsChange(FsChange::Create);
        const bool createdBase = std::filesystem::create_directories(base, ec);
        cur = Fd(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (made && count == 0)
            *made = createdBase && cur;
    }
    if (!cur)
        return fail(base);
    std::string rel;
    for (size_t i = 0; i < count; ++i) {
        rel = rel.empty() ? parts[i] : rel + "/" + parts[i];
        int fd = ::openat(cur.get(), parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        bool createdHere = false;
        if (fd < 0 && errno == ENOENT && create) {
            NoteFsChange(FsChange::Create);
            if (::mkdirat(cur.get(), parts[i].c_str(), 0777) == 0)
                createdHere = true;
            else if (errno != EEXIST)
                return fail(rel);
            fd = ::openat(cur.get(), parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (made && i + 1 == count)
            *made = createdHere && fd >= 0;
        if (fd < 0)
            return fail(rel);
        cur = Fd(fd);
    }
    return cur;
}

namespace {

uint64_t RandomSeed()
{
    unsigned char r[8];
    SystemRandomBytes(r, sizeof r);
    uint64_t v = 0;
    for (unsigned char c : r)
        v = (v << 8) | c;
    return v;
}

// Eight letters or digits.  O_EXCL keeps the names unique; the sequence
// starts at a point from the system's generator, so that others cannot tell
// the next name in advance, and then runs on without asking the system for
// every file of a large extraction.
std::string RandomSuffix()
{
    static std::atomic<uint64_t> state {RandomSeed()};
    uint64_t z = state.fetch_add(0x9E3779B97F4A7C15ull, std::memory_order_relaxed) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string s(8, ' ');
    for (auto& c : s) {
        c = kChars[z % 62];
        z /= 62;
    }
    return s;
}

} // namespace

Fd CreateTempIn(int dirFd, const std::string& prefix, std::string& name, mode_t mode, const NameNote& note)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + RandomSuffix();
        if (note)
            note(name, false);
        NoteFsChange(FsChange::Create);
        const int fd = ::openat(dirFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0)
            return Fd(fd);
        const int e = errno;
        if (note)
            note(name, true);
        errno = e;
        if (e != EEXIST)
            return Fd();
    }
    return Fd();
}

bool CreateTempFolderIn(int dirFd, const std::string& prefix, std::string& name, const NameNote& note)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + RandomSuffix();
        if (note)
            note(name, false);
        NoteFsChange(FsChange::Create);
        if (::mkdirat(dirFd, name.c_str(), 0777) == 0)
            return true;
        const int e = errno;
        if (note)
            note(name, true);
        errno = e;
        if (e != EEXIST)
            return false;
    }
    return false;
}

std::string WaitingNamePrefix(const std::string& name)
{
    size_t cut = std::min<size_t>(name.size(), 64);
    // Back to the first byte of a character: a continuation byte is 10xxxxxx.
    while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return "." + name.substr(0, cut) + ".";
}

bool IsWaitingName(const std::string& name)
{
    constexpr size_t kSuffix = 8;
    if (name.size() < 3 + kSuffix || name[0] != '.' || name[name.size() - kSuffix - 1] != '.')
        return false;
    return std::all_of(name.end() - long(kSuffix), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

bool RemoveTreeAt(int dirFd, const std::string& name)
{
    NoteFsChange(FsChange::Remove);
    if (::unlinkat(dirFd, name.c_str(), 0) == 0 || errno == ENOENT)
        return true;
    if (errno != EISDIR && errno != EPERM)
        return false;
    const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return false;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(n);
    }
    bool ok = true;
    for (const auto& n : names)
        ok = RemoveTreeAt(::dirfd(d), n) && ok;
    ::closedir(d);
    NoteFsChange(FsChange::Remove);
    return ::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) == 0 && ok;
}

Fd CreateTempFile(const std::string& folder, const std::string& prefix, std::string& path)
{
    std::string tmpl = JoinPath(folder.empty() ? "." : folder, prefix + "XXXXXX");
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0)
        return Fd();
    path.assign(buf.data());
    return Fd(fd);
}

uint32_t AttributesFromStat(const struct stat& st, const std::string& fileName)
{
    uint32_t a = 0;
    if (S_ISDIR(st.st_mode))
        a |= 0x10;
    else
        a |= 0x20;
    if (!(st.st_mode & S_IWUSR))
        a |= 0x01;
    const std::string bare = BareName(fileName);
    if (!bare.empty() && bare[0] == '.')
        a |= 0x02;
    return a;
}

namespace {

std::atomic<int> cachedUmask{-1};

mode_t ReadUmask()
{
    // The status file tells the umask without changing it even for a moment.
    // Read with plain calls: a process out of handles must still get here
    // and fall back without a stream object in a half-made state.
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        std::string text;
        char buf[4096];
        for (ssize_t got; (got = ::read(fd, buf, sizeof buf)) != 0;) {
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                break;
            text.append(buf, size_t(got));
        }
        ::close(fd);
        const size_t at = text.find("\nUmask:");
        if (at != std::string::npos)
            return mode_t(std::strtoul(text.c_str() + at + 7, nullptr, 8)) & 0777;
    }
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

mode_t ProcessUmask()
{
    int m = cachedUmask.load();
    if (m < 0) {
        m = int(ReadUmask());
        cachedUmask.store(m);
    }
    return mode_t(m);
}

} // namespace

mode_t ModeFromAttributes(uint32_t externalAttr, uint16_t versionMadeBy, bool folder)
{
    const unsigned host = versionMadeBy >> 8;
    const mode_t unixMode = mode_t(externalAttr >> 16);
    if (host == 3 && unixMode != 0)
        return unixMode & 0777 & ~ProcessUmask();   // never set-id or sticky bits
    mode_t m = folder ? 0777 : 0666;
    if (!folder && (externalAttr & 0x01))
        m &= ~mode_t(0222);
    return m & ~ProcessUmask();
}

void RefreshProcessUmask() { cachedUmask.store(int(ReadUmask())); }

bool IsSpecialUnixEntry(uint32_t externalAttr, uint16_t versionMadeBy)
{
    const unsigned host = versionMadeBy >> 8;
    if (host != 3)
        return false;
    const mode_t m = mode_t(externalAttr >> 16);
    if ((m & S_IFMT) == 0)
        return false;
    return !S_ISREG(m) && !S_ISDIR(m);
}

namespace {
std::atomic<FsChangeHook> changeHook{nullptr};
} // namespace

void SetFsChangeHook(FsChangeHook hook)
{
    changeHook.store(hook);
}

void NoteFsChange(FsChange change)
{
    if (const FsChangeHook hook = changeHook.load(std::memory_order_relaxed))
        hook(change);
}

std::string JoinPath(const std::string& a, const std::string& b)
{
    if (a.empty())
        return b;
    if (a.back() == '/')
        return a + b;
    return a + "/" + b;
}

std::string ParentFolder(const std::string& path)
{
    const size_t p = path.find_last_of('/');
    if (p == std::string::npos)
        return ".";
    if (p == 0)
        return "/";
    return path.substr(0, p);
}

std::string BareName(const std::string& path)
{
    const size_t p = path.find_last_of('/');
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string NormalizePath(const std::string& path, const std::string& base)
{
    std::string full = (!path.empty() && path[0] == '/') ? path : JoinPath(base, path);
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= full.size()) {
        const size_t j = full.find('/', i);
        const std::string part = full.substr(i, j == std::string::npos ? std::string::npos : j - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        if (j == std::string::npos)
            break;
        i = j + 1;
    }
    std::string out;
    for (const auto& p : parts)
        out += "/" + p;
    return out.empty() ? "/" : out;
}

void FsyncFolder(const std::string& folder)
{
    Fd d(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d)
        ::fsync(d.get());
}

} // namespace hsa::zip
