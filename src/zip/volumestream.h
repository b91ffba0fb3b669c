#pragma once
// The volumes of a split or spanned archive read as one stream: the volume
// files laid end to end.  The size of a volume is learnt when it is first
// opened, so that a spanned archive asks only for the disks it needs.
#include "zip/zipstream.h"

#include <functional>
#include <optional>
#include <vector>

namespace hsa::zip {

class VolumeSetStream : public ZStream {
public:
    // Makes the volume with the zero-based number the open one and returns
    // it; expected is its size when already known (a different size is a
    // wrong disk).  Throws when the volume cannot be had.
    using Opener = std::function<ZStream&(int disk, std::optional<uint64_t> expected)>;

    VolumeSetStream(int lastDisk, Opener opener);

    void KnowSize(int disk, uint64_t size);
    int LastDisk() const { return lastDisk_; }
    // Where the volume starts in the stream; throws EZAException 8 for a
    // number beyond the last volume.
    uint64_t VolumeStart(int disk);
    uint64_t VolumeSizeOf(int disk);

    size_t Read(void* buf, size_t n) override;
    size_t Write(const void*, size_t) override;
    uint64_t Position() const override { return pos_; }
    void SetPosition(uint64_t pos) override { pos_ = pos; }
    uint64_t Size() override;
    bool Truncate(uint64_t) override { return false; }

private:
    int lastDisk_;
    Opener opener_;
    std::vector<std::optional<uint64_t>> sizes_;
    uint64_t pos_ = 0;
};

} // namespace hsa::zip
