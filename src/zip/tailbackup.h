#pragma once
#include "zip/safefs.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hsa::zip {

class ZStream;

// The bytes of the archive from the first changed entry to its end, saved
// before the archive is cut: the source of the entries that are copied and
// of the restoration when the update is rolled back.  Small tails (the old
// directory of a pure append) stay in memory; others go to a temporary file
// whose name starts with "FC".
class TailBackup {
public:
    // Copies [start, end of archive) out of the archive.  The copy is complete
    // when this returns, in the file system (where a crashed process cannot
    // take it along) and, with `sync`, on the disk.  Throws EZAException on
    // failure.
    TailBackup(ZStream& archive, uint64_t start, const std::string& tempFolder, bool forceFile, bool sync,
               const std::function<bool(double)>& progress = {});
    ~TailBackup();
    TailBackup(const TailBackup&) = delete;
    TailBackup& operator=(const TailBackup&) = delete;

    uint64_t Start() const { return start_; }
    uint64_t Size() const { return size_; }
    bool InFile() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    // Reads from the saved bytes (offset relative to Start()).
    bool ReadAt(uint64_t offset, void* buf, size_t n);
    // Writes the saved bytes back into the archive at Start() and cuts it there.
    bool Restore(ZStream& archive);
    // Deletes the temporary file.
    void Discard();

private:
    uint64_t start_ = 0, size_ = 0;
    std::vector<unsigned char> memory_;
    std::string path_;
    std::unique_ptr<ZStream> file_;
};

} // namespace hsa::zip
