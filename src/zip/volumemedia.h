#pragma once
// The disks that multi-volume archives are written to: whether a disk is
// removable, how much room it has, its label.  The system's mounted volumes
// answer in the program; tests use simulated disks (folders with a capacity).
#include <cstdint>
#include <optional>
#include <string>

namespace hsa::zip {

class VolumeMedia {
public:
    virtual ~VolumeMedia() = default;
    // True when the file (existing or not) lies on a removable medium.
    virtual bool IsRemovable(const std::string& path) = 0;
    // Bytes the caller may still write on the medium of the file; nullopt
    // when the medium cannot be asked (no disk, missing folder).
    virtual std::optional<uint64_t> FreeSpace(const std::string& path) = 0;
    // Gives the medium of the file a label; false when the medium does not
    // take one.
    virtual bool SetLabel(const std::string& path, const std::string& label) = 0;
    // The medium's label, empty when it has none or cannot be read.
    virtual std::string Label(const std::string& path) = 0;
};

// The mounted volumes of the system (statvfs, /proc/self/mountinfo and the
// block devices' "removable" flags in /sys).
class SystemVolumeMedia : public VolumeMedia {
public:
    bool IsRemovable(const std::string& path) override;
    std::optional<uint64_t> FreeSpace(const std::string& path) override;
    bool SetLabel(const std::string& path, const std::string& label) override;
    std::string Label(const std::string& path) override;
};

// The media the archivers use when they have none of their own (never null:
// the system's volumes unless a test installs others).
VolumeMedia& DefaultVolumeMedia();
void SetDefaultVolumeMedia(VolumeMedia* media);

} // namespace hsa::zip
