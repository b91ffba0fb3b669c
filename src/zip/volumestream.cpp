#include "zip/volumestream.h"

#include "zip/zaerrors.h"

#include <algorithm>
#include <cerrno>

namespace hsa::zip {

VolumeSetStream::VolumeSetStream(int lastDisk, Opener opener)
    : lastDisk_(lastDisk), opener_(std::move(opener)), sizes_(size_t(lastDisk + 1))
{
}

void VolumeSetStream::KnowSize(int disk, uint64_t size)
{
    if (disk >= 0 && disk <= lastDisk_)
        sizes_[size_t(disk)] = size;
}

uint64_t VolumeSetStream::VolumeSizeOf(int disk)
{
    if (disk < 0 || disk > lastDisk_)
        throw EZAException(err::DamagedEntry);
    auto& s = sizes_[size_t(disk)];
    if (!s)
        s = opener_(disk, std::nullopt).Size();
    return *s;
}

uint64_t VolumeSetStream::VolumeStart(int disk)
{
    if (disk < 0 || disk > lastDisk_)
        throw EZAException(err::DamagedEntry);
    uint64_t start = 0;
    for (int d = 0; d < disk; ++d)
        start += VolumeSizeOf(d);
    return start;
}

uint64_t VolumeSetStream::Size() { return VolumeStart(lastDisk_) + VolumeSizeOf(lastDisk_); }

size_t VolumeSetStream::Read(void* buf, size_t n)
{
    auto* out = static_cast<unsigned char*>(buf);
    size_t done = 0;
    while (done < n) {
        // The volume that holds the position.
        uint64_t start = 0;
        int disk = 0;
        while (disk <= lastDisk_ && pos_ >= start + VolumeSizeOf(disk)) {
            start += VolumeSizeOf(disk);
            ++disk;
        }
        if (disk > lastDisk_)
            break;
        const uint64_t size = VolumeSizeOf(disk);
        ZStream& v = opener_(disk, size);
        const uint64_t off = pos_ - start;
        v.SetPosition(off);
        const size_t want = size_t(std::min<uint64_t>(n - done, size - off));
        const size_t got = v.Read(out + done, want);
        done += got;
        pos_ += got;
        if (got < want)
            break;
    }
    return done;
}

size_t VolumeSetStream::Write(const void*, size_t)
{
    lastError_ = EROFS;
    return 0;
}

} // namespace hsa::zip
