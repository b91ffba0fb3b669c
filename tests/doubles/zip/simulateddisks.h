#pragma once
#include "zip/volumemedia.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace hsa::zip {

// Simulated removable disks: every disk is a folder with a capacity, and the
// drive is a symbolic link that points at the disk that is "inserted".  Files
// outside the drive count as a fixed disk with unlimited room.
class SimulatedDisks : public VolumeMedia {
public:
    // root: a folder of the test; the drive is root/drive, disk n is root/disk<n>.
    explicit SimulatedDisks(std::string root);

    // Adds a blank disk; returns its number (from 1).
    int AddDisk(uint64_t capacity);
    // Puts the disk into the drive (0: takes the disk out).
    void Insert(int disk);
    int Inserted() const { return inserted_; }
    std::string Drive() const { return root_ + "/drive"; }
    std::string DiskFolder(int disk) const;
    uint64_t Used(int disk) const;
    uint64_t Capacity(int disk) const;
    std::string DiskLabel(int disk) const;
    // Whether the drive counts as removable (a fixed drive takes no labels).
    bool removable = true;

    bool IsRemovable(const std::string& path) override;
    std::optional<uint64_t> FreeSpace(const std::string& path) override;
    bool SetLabel(const std::string& path, const std::string& label) override;
    std::string Label(const std::string& path) override;

private:
    bool OnDrive(const std::string& path) const;
    std::string root_;
    std::map<int, uint64_t> capacity_;
    std::map<int, std::string> labels_;
    int inserted_ = 0;
};

} // namespace hsa::zip
