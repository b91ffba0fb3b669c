#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace hsa::zip {

// The byte streams the engine reads and writes: the archive file, an archive
// in memory, a source or target file, or the sink of a test run.
class ZStream {
public:
    virtual ~ZStream() = default;
    // Reads up to n bytes at the position; fewer only at the end or on error.
    virtual size_t Read(void* buf, size_t n) = 0;
    // Writes n bytes at the position; a smaller result is a failed write whose
    // reason LastError() gives (an errno value, ENOSPC for a full disk).
    virtual size_t Write(const void* buf, size_t n) = 0;
    virtual uint64_t Position() const = 0;
    virtual void SetPosition(uint64_t pos) = 0;
    virtual uint64_t Size() = 0;
    // Cuts or extends the stream; false on failure.
    virtual bool Truncate(uint64_t size) = 0;
    // Pushes buffered data to the file and, for files, to the disk.
    virtual bool Flush() { return true; }
    virtual bool IsFile() const { return false; }
    int LastError() const { return lastError_; }

    bool ReadExact(void* buf, size_t n) { return Read(buf, n) == n; }
    bool ReadAt(uint64_t pos, void* buf, size_t n)
    {
        SetPosition(pos);
        return ReadExact(buf, n);
    }

protected:
    int lastError_ = 0;
};

// A file opened through a POSIX descriptor, with a write buffer so that many
// small header writes cost few system calls.
class FileStream : public ZStream {
public:
    enum class Mode { Read, ReadWrite, Create };
    // Throws std::system_error when the file cannot be opened.
    FileStream(const std::string& path, Mode mode, unsigned perms = 0644);
    // Takes over an open descriptor (closed by the stream).
    explicit FileStream(int fd, std::string path = {});
    // The same for a descriptor whose size is known (a file just created
    // empty), which saves asking the system.
    FileStream(int fd, std::string path, uint64_t knownSize);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    size_t Read(void* buf, size_t n) override;
    size_t Write(const void* buf, size_t n) override;
    uint64_t Position() const override { return pos_; }
    void SetPosition(uint64_t pos) override;
    uint64_t Size() override;
    bool Truncate(uint64_t size) override;
    bool Flush() override;            // write buffer + fsync
    bool FlushBuffer();               // write buffer only
    bool IsFile() const override { return true; }
    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }
    void SetPath(std::string p) { path_ = std::move(p); }
    int Release();                    // gives the descriptor away (not closed)
    // Copies n bytes of another file, from its offset `from`, to this
    // stream's position (inside the system where it can); returns the count
    // copied, fewer on failure (LastError() tells why) or at the source's end.
    uint64_t CopyFrom(FileStream& source, uint64_t from, uint64_t n);
    // Reads smaller than bytes are served from a block of that size read
    // ahead from the file (0: off, the default).  Meant for a run of many
    // small reads of a file nobody else writes, such as the headers and data
    // of small entries; any write or truncation drops the block.
    void SetReadAhead(size_t bytes);
    size_t ReadAhead() const { return readAhead_; }

private:
    int fd_ = -1;
    std::string path_;
    uint64_t pos_ = 0;
    uint64_t fileSize_ = 0;           // size on disk, without the buffer
    std::vector<unsigned char> wbuf_;
    uint64_t wbufStart_ = 0;
    static constexpr size_t kWriteBuffer = 256 * 1024;
    size_t readAhead_ = 0;
    std::vector<unsigned char> rbuf_;    // bytes of the file from rbufStart_
    uint64_t rbufStart_ = 0;
    size_t rbufLen_ = 0;
    size_t ReadDirect(unsigned char* p, size_t n, uint64_t at);
};

class MemoryStream : public ZStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<unsigned char> data) : data_(std::move(data)) {}
    size_t Read(void* buf, size_t n) override;
    size_t Write(const void* buf, size_t n) override;
    uint64_t Position() const override { return pos_; }
    void SetPosition(uint64_t pos) override { pos_ = pos; }
    uint64_t Size() override { return data_.size(); }
    bool Truncate(uint64_t size) override;
    const std::vector<unsigned char>& Data() const { return data_; }
    std::vector<unsigned char>& Data() { return data_; }

private:
    std::vector<unsigned char> data_;
    uint64_t pos_ = 0;
};

// Accepts every write and reads nothing: the sink of a test run.
class NullStream : public ZStream {
public:
    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void*, size_t n) override
    {
        pos_ += n;
        if (pos_ > size_)
            size_ = pos_;
        return n;
    }
    uint64_t Position() const override { return pos_; }
    void SetPosition(uint64_t pos) override { pos_ = pos; }
    uint64_t Size() override { return size_; }
    bool Truncate(uint64_t size) override
    {
        size_ = size;
        return true;
    }

private:
    uint64_t pos_ = 0, size_ = 0;
};

} // namespace hsa::zip
