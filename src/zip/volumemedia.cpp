#include "zip/volumemedia.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/fs.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace hsa::zip {

namespace fs = std::filesystem;

namespace {

VolumeMedia* gMedia = nullptr;

// The nearest existing folder of a path (the file itself may not exist yet).
std::string ExistingFolder(const std::string& path)
{
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    if (ec)
        return ".";
    while (!p.empty()) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return p.string();
        if (p == p.parent_path())
            break;
        p = p.parent_path();
    }
    return "/";
}

// The mount point that holds the folder, from /proc/self/mountinfo: the
// longest mount point that is a prefix of the folder's real path.
struct MountInfo {
    std::string mountPoint;
    unsigned major = 0, minor = 0;
};

std::optional<MountInfo> MountOf(const std::string& folder)
{
    char real[PATH_MAX];
    if (!::realpath(folder.c_str(), real))
        return std::nullopt;
    const std::string r = real;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    std::optional<MountInfo> best;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string id, parent, devno, root, mp;
        if (!(ls >> id >> parent >> devno >> root >> mp))
            continue;
        const bool prefix = mp == "/" || r == mp || (r.compare(0, mp.size(), mp) == 0 && r[mp.size()] == '/');
        if (!prefix || (best && best->mountPoint.size() > mp.size()))
            continue;
        MountInfo m;
        m.mountPoint = mp;
        if (std::sscanf(devno.c_str(), "%u:%u", &m.major, &m.minor) != 2)
            continue;
        best = m;
    }
    return best;
}

bool ReadFlag(const std::string& file)
{
    std::ifstream in(file);
    int v = 0;
    return (in >> v) && v == 1;
}

} // namespace

bool SystemVolumeMedia::IsRemovable(const std::string& path)
{
    const auto m = MountOf(ExistingFolder(path));
    if (!m || m->major == 0)
        return false;   // virtual file systems are never removable
    // A partition's own folder has no flag: its disk's folder has.
    const std::string dev = "/sys/dev/block/" + std::to_string(m->major) + ":" + std::to_string(m->minor);
    std::error_code ec;
    if (ReadFlag(dev + "/removable"))
        return true;
    const fs::path real = fs::canonical(dev, ec);
    if (!ec && ReadFlag((real.parent_path() / "removable").string()))
        return true;
    // USB sticks often report a fixed medium; their bus tells.
    return !ec && real.string().find("/usb") != std::string::npos;
}

std::optional<uint64_t> SystemVolumeMedia::FreeSpace(const std::string& path)
{
    struct statvfs s {};
    if (::statvfs(ExistingFolder(path).c_str(), &s) != 0)
        return std::nullopt;
    // One block stays free for what the file system needs itself.
    const uint64_t blocks = s.f_bavail > 0 ? uint64_t(s.f_bavail) - 1 : 0;
    return blocks * uint64_t(s.f_frsize ? s.f_frsize : s.f_bsize);
}

bool SystemVolumeMedia::SetLabel(const std::string& path, const std::string& label)
{
    const auto m = MountOf(ExistingFolder(path));
    if (!m)
        return false;
#ifdef FS_IOC_SETFSLABEL
    const int fd = ::open(m->mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buf[FSLABEL_MAX] = {};
    std::strncpy(buf, label.c_str(), FSLABEL_MAX - 1);
    const bool ok = ::ioctl(fd, FS_IOC_SETFSLABEL, buf) == 0;
    ::close(fd);
    return ok;
#else
    (void)label;
    return false;
#endif
}

std::string SystemVolumeMedia::Label(const std::string& path)
{
    const auto m = MountOf(ExistingFolder(path));
    if (!m)
        return {};
#ifdef FS_IOC_GETFSLABEL
    const int fd = ::open(m->mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char buf[FSLABEL_MAX] = {};
    const bool ok = ::ioctl(fd, FS_IOC_GETFSLABEL, buf) == 0;
    ::close(fd);
    return ok ? std::string(buf) : std::string();
#else
    return {};
#endif
}

// ---------------------------------------------------------------- simulated disks

SimulatedDisks::SimulatedDisks(std::string root) : root_(std::move(root))
{
    fs::create_directories(root_);
    Insert(0);
}

int SimulatedDisks::AddDisk(uint64_t capacity)
{
    const int n = int(capacity_.size()) + 1;
    capacity_[n] = capacity;
    fs::create_directories(DiskFolder(n));
    return n;
}

std::string SimulatedDisks::DiskFolder(int disk) const { return root_ + "/disk" + std::to_string(disk); }

void SimulatedDisks::Insert(int disk)
{
    std::error_code ec;
    fs::remove(Drive(), ec);
    if (disk == 0) {
        // An empty drive: a folder nothing can be written to.
        fs::create_directory_symlink(root_ + "/nodisk", Drive(), ec);
    } else {
        fs::create_directory_symlink(DiskFolder(disk), Drive(), ec);
    }
    inserted_ = disk;
}

uint64_t SimulatedDisks::Used(int disk) const
{
    uint64_t used = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(DiskFolder(disk), ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file(ec))
            used += it->file_size(ec);
    return used;
}

uint64_t SimulatedDisks::Capacity(int disk) const
{
    const auto it = capacity_.find(disk);
    return it == capacity_.end() ? 0 : it->second;
}

std::string SimulatedDisks::DiskLabel(int disk) const
{
    const auto it = labels_.find(disk);
    return it == labels_.end() ? std::string() : it->second;
}

bool SimulatedDisks::OnDrive(const std::string& path) const
{
    const std::string d = Drive();
    return path == d || path.compare(0, d.size() + 1, d + "/") == 0;
}

bool SimulatedDisks::IsRemovable(const std::string& path) { return removable && OnDrive(path); }

std::optional<uint64_t> SimulatedDisks::FreeSpace(const std::string& path)
{
    if (!OnDrive(path))
        return uint64_t(1) << 40;
    if (inserted_ == 0)
        return std::nullopt;
    const uint64_t cap = Capacity(inserted_), used = Used(inserted_);
    return cap > used ? cap - used : 0;
}

bool SimulatedDisks::SetLabel(const std::string& path, const std::string& label)
{
    if (!OnDrive(path) || inserted_ == 0)
        return false;
    labels_[inserted_] = label;
    return true;
}

std::string SimulatedDisks::Label(const std::string& path)
{
    return OnDrive(path) ? DiskLabel(inserted_) : std::string();
}

// ---------------------------------------------------------------- default

VolumeMedia& DefaultVolumeMedia()
{
    static SystemVolumeMedia system;
    return gMedia ? *gMedia : system;
}

void SetDefaultVolumeMedia(VolumeMedia* media) { gMedia = media; }

} // namespace hsa::zip
