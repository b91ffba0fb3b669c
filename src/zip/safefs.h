#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace hsa::zip {

// Splits an entry name into the folder and file components of a path below
// the target folder.  Refuses (returns false) absolute names, drive and UNC
// prefixes, empty, "." and ".." components, NUL and other control
// characters.  Both "/" and "\" separate.  isFolder: the name ends in a separator.
bool SplitEntryPath(const std::string& name, std::vector<std::string>& parts, bool& isFolder);

// A descriptor closed on destruction.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd();
    Fd(Fd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    Fd& operator=(Fd&& o) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release()
    {
        const int f = fd_;
        fd_ = -1;
        return f;
    }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Opens the folders parts[0..count) below base one by one, never following a
// symbolic link, creating missing ones when create is set.  On failure the
// returned Fd is empty, failedAt names the folder (relative) that failed and
// *error (when given) holds the system's reason.  *made (when given) tells
// whether the last folder of the chain was created by this call.
Fd OpenFolderChain(const std::string& base, const std::vector<std::string>& parts, size_t count, bool create,
                   std::string& failedAt, int* error = nullptr, bool* made = nullptr);

// Told each unique name before it is made (taken false), and again when it
// proved taken by something else (true).
using NameNote = std::function<void(const std::string& name, bool taken)>;
// Creates a new, empty file with a unique name in a folder (mode 0600 unless
// given; the umask applies).
Fd CreateTempIn(int dirFd, const std::string& prefix, std::string& name, mode_t mode = 0600,
                const NameNote& note = {});
// Creates a new, empty folder with a unique name in a folder (0777, the
// umask applies); false when none could be made (errno tells why).
bool CreateTempFolderIn(int dirFd, const std::string& prefix, std::string& name, const NameNote& note = {});
// The prefix of the name a file or folder waits under until it takes `name`:
// a dot, the name's first 64 bytes (never part of a UTF-8 character), a dot.
// The unique names above add eight letters or digits to it.
std::string WaitingNamePrefix(const std::string& name);
// True for a name of that pattern.
bool IsWaitingName(const std::string& name);
// Removes the folder `name` in dirFd with everything in it, never following
// a link; true when it is gone.
bool RemoveTreeAt(int dirFd, const std::string& name);
// The same in a folder given by path; name receives the full path.
Fd CreateTempFile(const std::string& folder, const std::string& prefix, std::string& path);

// DOS attributes of a file-system object.
uint32_t AttributesFromStat(const struct stat& st, const std::string& fileName);
// File permissions for an entry's attributes (made-by host 3 keeps its mode
// bits); the process's umask applies as it does to any file the user creates.

mode_t ModeFromAttributes(uint32_t externalAttr, uint16_t versionMadeBy, bool folder);
// True when the entry's Unix mode marks a link, a device or another special file.
bool IsSpecialUnixEntry(uint32_t externalAttr, uint16_t versionMadeBy);
// Reads the process's umask again (once per extraction run: it may have
// been changed since the last one).
void RefreshProcessUmask();

// Every change the engine makes to the file system passes here first: a
// write, a creation, a cut, a rename or a removal.  A hook installed here sees each one
// (the tests stop the process at the n-th change to prove that no moment
// leaves a damaged archive); the program installs none.
enum class FsChange : unsigned char { Write, Truncate, Rename, Remove, Create };
using FsChangeHook = void (*)(FsChange);
void SetFsChangeHook(FsChangeHook hook);
void NoteFsChange(FsChange change);

std::string JoinPath(const std::string& a, const std::string& b);
std::string ParentFolder(const std::string& path);
std::string BareName(const std::string& path);
// Makes a path absolute against base and removes "." and ".." lexically.
std::string NormalizePath(const std::string& path, const std::string& base);
void FsyncFolder(const std::string& folder);

} // namespace hsa::zip
