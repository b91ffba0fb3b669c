#include "zip/simulateddisks.h"

#include <filesystem>

namespace hsa::zip {

namespace fs = std::filesystem;

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

} // namespace hsa::zip
