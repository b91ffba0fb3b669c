#include "zip/runrecord.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace hsa::zip {

namespace {

constexpr char kMagic[] = "zip extraction record 1\n";
// A record of a run of a million waiting names stays far below this; a
// larger file of that name is none of ours.
constexpr off_t kLargestRecord = 256 * 1024 * 1024;

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        NoteFsChange(FsChange::Write);
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        done += size_t(w);
    }
    return true;
}

bool ReadAll(int fd, off_t size, std::string& out)
{
    out.resize(size_t(size));
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t r = ::pread(fd, out.data() + done, out.size() - done, off_t(done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        done += size_t(r);
    }
    return true;
}

bool IsRecordName(const std::string& name)
{
    const std::string prefix = kRunRecordPrefix;
    return name.size() == prefix.size() + 8 && name.compare(0, prefix.size(), prefix) == 0 && IsWaitingName(name);
}

// Removes the waiting names one record lists; true when none of them stays.
bool RemoveListed(const std::string& target, const std::string& text, Leftovers& result)
{
    std::vector<std::string> order;
    std::unordered_set<std::string> listed;
    size_t at = sizeof kMagic - 1;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break;   // a line cut off by the end of its run was never acted on
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.size() < 2)
            continue;
        const std::string path = line.substr(1);
        if (line[0] == '+' && listed.insert(path).second)
            order.push_back(path);
        else if (line[0] == '-')
            listed.erase(path);
    }
    bool clean = true;
    for (const auto& path : order) {
        if (!listed.count(path))
            continue;
        std::vector<std::string> parts;
        bool folder = false;
        if (!SplitEntryPath(path, parts, folder) || folder || !IsWaitingName(parts.back()))
            continue;   // no name of ours
        std::string failedAt;
        int error = 0;
        Fd dir = OpenFolderChain(target, parts, parts.size() - 1, false, failedAt, &error);
        if (!dir) {
            if (error != ENOENT && error != ENOTDIR) {
                ++result.kept;
                clean = false;
            }
            continue;
        }
        struct stat st {};
        if (::fstatat(dir.get(), parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;   // named meanwhile, or never made
        if (RemoveTreeAt(dir.get(), parts.back())) {
            ++result.removed;
        } else {
            ++result.kept;
            clean = false;
        }
    }
    return clean;
}

} // namespace

bool TakesRecordName(const std::string& name)
{
    const size_t n = sizeof kRunRecordPrefix - 1;
    if (name.size() < n)
        return false;
    for (size_t k = 0; k < n; ++k) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(name[k]) != kRunRecordPrefix[k])
            return false;
    }
    return true;
}

void RunRecord::Note(const std::string& relPath, bool taken)
{
    if (failed_)
        return;
    if (!file_) {
        // Only the record stays open: a run short of handles needs them more.
        const Fd dir(::open(target_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir)
            file_ = CreateTempIn(dir.get(), kRunRecordPrefix, name_, 0600);
        // Held until the record goes: a later run leaves a living one alone.
        if (!file_ || ::flock(file_.get(), LOCK_EX | LOCK_NB) != 0 || !WriteAll(file_.get(), kMagic)) {
            failed_ = true;
            return;
        }
    }
    if (!WriteAll(file_.get(), (taken ? "-" : "+") + relPath + "\n"))
        failed_ = true;
}

void RunRecord::Finish()
{
    if (file_) {
        NoteFsChange(FsChange::Remove);
        ::unlink(JoinPath(target_, name_).c_str());
    }
    file_ = Fd();
    failed_ = false;
}

Leftovers RemoveLeftoversOfEarlierRuns(const std::string& target)
{
    Leftovers result;
    const Fd dir(::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir)
        return result;
    std::vector<std::string> records;
    {
        const int listFd = ::openat(dir.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* d = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (!d) {
            if (listFd >= 0)
                ::close(listFd);
            return result;
        }
        while (const dirent* e = ::readdir(d))
            if (IsRecordName(e->d_name))
                records.emplace_back(e->d_name);
        ::closedir(d);
    }
    for (const auto& name : records) {
        const Fd file(::openat(dir.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!file || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()
            || st.st_size > kLargestRecord)
            continue;
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
            continue;   // its run still lives
        std::string text;
        if (!ReadAll(file.get(), st.st_size, text))
            continue;
        // An empty record was cut off before its first line: it names nothing.
        const bool ours = text.empty() || text.compare(0, sizeof kMagic - 1, kMagic) == 0;
        if (!ours)
            continue;
        if (RemoveListed(target, text, result)) {
            NoteFsChange(FsChange::Remove);
            ::unlinkat(dir.get(), name.c_str(), 0);
        }
    }
    return result;
}

} // namespace hsa::zip
