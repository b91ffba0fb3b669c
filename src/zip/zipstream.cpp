#include "zip/zipstream.h"

#include "zip/safefs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace hsa::zip {

FileStream::FileStream(const std::string& path, Mode mode, unsigned perms)
    : path_(path)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    fd_ = ::open(path.c_str(), flags, perms);
    if (fd_ < 0)
        throw std::system_error(errno, std::generic_category(), path);
    struct stat st {};
    if (::fstat(fd_, &st) == 0)
        fileSize_ = uint64_t(st.st_size);
}

FileStream::FileStream(int fd, std::string path)
    : fd_(fd), path_(std::move(path))
{
    struct stat st {};
    if (::fstat(fd_, &st) == 0)
        fileSize_ = uint64_t(st.st_size);
}

FileStream::FileStream(int fd, std::string path, uint64_t knownSize)
    : fd_(fd), path_(std::move(path)), fileSize_(knownSize)
{
}

void FileStream::SetReadAhead(size_t bytes)
{
    readAhead_ = bytes;
    rbufLen_ = 0;
    if (bytes == 0)
        std::vector<unsigned char>().swap(rbuf_);
}

FileStream::~FileStream()
{
    if (fd_ >= 0) {
        FlushBuffer();
        ::close(fd_);
    }
}

int FileStream::Release()
{
    FlushBuffer();
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool FileStream::FlushBuffer()
{
    if (!wbuf_.empty())
        rbufLen_ = 0;   // the block read ahead may hold what is written now
    size_t done = 0;
    while (done < wbuf_.size()) {
        NoteFsChange(FsChange::Write);
        const ssize_t w = ::pwrite(fd_, wbuf_.data() + done, wbuf_.size() - done, off_t(wbufStart_ + done));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            lastError_ = errno;
            // Drop what could not be written; the caller sees the failure.
            wbuf_.clear();
            return false;
        }
        if (w == 0) {
            lastError_ = ENOSPC;
            wbuf_.clear();
            return false;
        }
        done += size_t(w);
    }
    if (!wbuf_.empty())
        fileSize_ = std::max(fileSize_, wbufStart_ + wbuf_.size());
    wbuf_.clear();
    return true;
}

size_t FileStream::ReadDirect(unsigned char* p, size_t n, uint64_t at)
{
    size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd_, p + done, n - done, off_t(at + done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            lastError_ = errno;
            break;
        }
        if (r == 0)
            break;
        done += size_t(r);
    }
    return done;
}

size_t FileStream::Read(void* buf, size_t n)
{
    if (!wbuf_.empty() && !FlushBuffer())
        return 0;
    auto* p = static_cast<unsigned char*>(buf);
    if (readAhead_ == 0 || n >= readAhead_) {
        const size_t done = ReadDirect(p, n, pos_);
        pos_ += done;
        return done;
    }
    // Within the block read ahead, or the block is read again from here.
    // Bytes past its end are never taken from it: the file may have grown.
    if (!(pos_ >= rbufStart_ && pos_ + n <= rbufStart_ + rbufLen_)) {
        rbuf_.resize(readAhead_);
        rbufStart_ = pos_;
        rbufLen_ = ReadDirect(rbuf_.data(), readAhead_, pos_);
    }
    const size_t avail = pos_ >= rbufStart_ && pos_ < rbufStart_ + rbufLen_ ? size_t(rbufStart_ + rbufLen_ - pos_) : 0;
    const size_t done = std::min(n, avail);
    if (done)
        std::memcpy(p, rbuf_.data() + (pos_ - rbufStart_), done);
    pos_ += done;
    return done;
}

size_t FileStream::Write(const void* buf, size_t n)
{
    if (n == 0)
        return 0;
    // Keep the buffer one contiguous run ending at the position.
    if (!wbuf_.empty() && wbufStart_ + wbuf_.size() != pos_) {
        if (!FlushBuffer())
            return 0;
    }
    rbufLen_ = 0;
    if (n >= kWriteBuffer) {
        if (!FlushBuffer())
            return 0;
        size_t done = 0;
        const auto* p = static_cast<const unsigned char*>(buf);
        while (done < n) {
            NoteFsChange(FsChange::Write);
            const ssize_t w = ::pwrite(fd_, p + done, n - done, off_t(pos_ + done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                lastError_ = errno;
                break;
            }
            if (w == 0) {
                lastError_ = ENOSPC;
                break;
            }
            done += size_t(w);
        }
        pos_ += done;
        fileSize_ = std::max(fileSize_, pos_);
        return done;
    }
    if (wbuf_.empty())
        wbufStart_ = pos_;
    const auto* p = static_cast<const unsigned char*>(buf);
    wbuf_.insert(wbuf_.end(), p, p + n);
    pos_ += n;
    if (wbuf_.size() >= kWriteBuffer && !FlushBuffer()) {
        // The buffered bytes are lost: report the whole write as failed.
        return 0;
    }
    return n;
}

uint64_t FileStream::CopyFrom(FileStream& source, uint64_t from, uint64_t n)
{
    if (!FlushBuffer() || !source.FlushBuffer())
        return 0;
    rbufLen_ = 0;
    uint64_t done = 0;
    bool inKernel = true;
    std::vector<unsigned char> buf;
    while (done < n) {
        NoteFsChange(FsChange::Write);
        if (inKernel) {
            off_t in = off_t(from + done), out = off_t(pos_ + done);
            const ssize_t c = ::copy_file_range(source.fd_, &in, fd_, &out,
                                                size_t(std::min<uint64_t>(n - done, 1u << 30)), 0);
            if (c > 0) {
                done += uint64_t(c);
                continue;
            }
            if (c == 0)
                break;
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EBADF) {
                lastError_ = errno;
                break;
            }
            inKernel = false; // not between these files: through a buffer
        }
        buf.resize(1u << 20);
        const size_t got = source.ReadDirect(buf.data(), size_t(std::min<uint64_t>(buf.size(), n - done)), from + done);
        if (got == 0)
            break;
        size_t put = 0;
        while (put < got) {
            const ssize_t w = ::pwrite(fd_, buf.data() + put, got - put, off_t(pos_ + done + put));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                lastError_ = w < 0 ? errno : ENOSPC;
                break;
            }
            put += size_t(w);
        }
        done += put;
        if (put < got)
            break;
    }
    pos_ += done;
    fileSize_ = std::max(fileSize_, pos_);
    return done;
}

void FileStream::SetPosition(uint64_t pos)
{
    pos_ = pos;
}

uint64_t FileStream::Size()
{
    const uint64_t buffered = wbuf_.empty() ? 0 : wbufStart_ + wbuf_.size();
    return std::max(fileSize_, buffered);
}

bool FileStream::Truncate(uint64_t size)
{
    rbufLen_ = 0;
    if (!FlushBuffer())
        return false;
    NoteFsChange(FsChange::Truncate);
    if (::ftruncate(fd_, off_t(size)) != 0) {
        lastError_ = errno;
        return false;
    }
    fileSize_ = size;
    return true;
}

bool FileStream::Flush()
{
    if (!FlushBuffer())
        return false;
    if (::fsync(fd_) != 0) {
        lastError_ = errno;
        return false;
    }
    return true;
}

size_t MemoryStream::Read(void* buf, size_t n)
{
    if (pos_ >= data_.size())
        return 0;
    const size_t k = size_t(std::min<uint64_t>(n, data_.size() - pos_));
    std::memcpy(buf, data_.data() + pos_, k);
    pos_ += k;
    return k;
}

size_t MemoryStream::Write(const void* buf, size_t n)
{
    if (pos_ + n > data_.size())
        data_.resize(size_t(pos_ + n));
    std::memcpy(data_.data() + pos_, buf, n);
    pos_ += n;
    return n;
}

bool MemoryStream::Truncate(uint64_t size)
{
    data_.resize(size_t(size));
    return true;
}

} // namespace hsa::zip
