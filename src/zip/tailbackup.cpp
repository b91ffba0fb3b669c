#include "zip/tailbackup.h"

#include "zip/zaerrors.h"
#include "zip/zipstream.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace hsa::zip {

namespace {
constexpr uint64_t kMemoryLimit = 16u << 20;
constexpr size_t kChunk = 1u << 20;
} // namespace

TailBackup::TailBackup(ZStream& archive, uint64_t start, const std::string& tempFolder, bool forceFile, bool sync,
                       const std::function<bool(double)>& progress)
    : start_(start)
{
    const uint64_t total = archive.Size();
    size_ = total > start ? total - start : 0;
    std::vector<unsigned char> buf;
    if (!forceFile && size_ <= kMemoryLimit) {
        memory_.resize(size_t(size_));
        if (size_ && !archive.ReadAt(start, memory_.data(), memory_.size()))
            throw EZAException(err::WriteError);
        return;
    }
    Fd fd = CreateTempFile(tempFolder, "FC", path_);
    if (!fd)
        throw EZAException(err::CannotCreateFile, ZipArgs{JoinPath(tempFolder, "FC")});
    file_ = std::make_unique<FileStream>(fd.release(), path_);
    buf.resize(size_t(std::min<uint64_t>(kChunk, std::max<uint64_t>(size_, 1))));
    uint64_t done = 0;
    while (done < size_) {
        const size_t n = size_t(std::min<uint64_t>(buf.size(), size_ - done));
        if (!archive.ReadAt(start + done, buf.data(), n)) {
            Discard();
            throw EZAException(err::WriteError);
        }
        if (file_->Write(buf.data(), n) != n) {
            const int e = file_->LastError();
            Discard();
            throw EZAException(e == ENOSPC ? err::DiskFull : err::WriteError);
        }
        done += n;
        if (progress && !progress(100.0 * double(done) / double(size_))) {
            Discard();
            throw EZAException(err::OpenCancelled);
        }
    }
    auto* file = static_cast<FileStream*>(file_.get());
    if (!(sync ? file->Flush() : file->FlushBuffer())) {
        const int e = file_->LastError();
        Discard();
        throw EZAException(e == ENOSPC ? err::DiskFull : err::WriteError);
    }
}

TailBackup::~TailBackup()
{
    Discard();
}

bool TailBackup::ReadAt(uint64_t offset, void* buf, size_t n)
{
    if (offset > size_ || size_ - offset < n)
        return false;
    if (file_)
        return file_->ReadAt(offset, buf, n);
    std::copy(memory_.begin() + std::ptrdiff_t(offset), memory_.begin() + std::ptrdiff_t(offset + n),
              static_cast<unsigned char*>(buf));
    return true;
}

bool TailBackup::Restore(ZStream& archive)
{
    if (!archive.Truncate(start_))
        return false;
    archive.SetPosition(start_);
    if (!file_)
        return archive.Write(memory_.data(), memory_.size()) == memory_.size() && archive.Flush();
    std::vector<unsigned char> buf(size_t(std::min<uint64_t>(kChunk, std::max<uint64_t>(size_, 1))));
    uint64_t done = 0;
    while (done < size_) {
        const size_t n = size_t(std::min<uint64_t>(buf.size(), size_ - done));
        if (!file_->ReadAt(done, buf.data(), n))
            return false;
        archive.SetPosition(start_ + done);
        if (archive.Write(buf.data(), n) != n)
            return false;
        done += n;
    }
    return archive.Flush();
}

void TailBackup::Discard()
{
    file_.reset();
    if (!path_.empty()) {
        ::unlink(path_.c_str());
        path_.clear();
    }
}

} // namespace hsa::zip
