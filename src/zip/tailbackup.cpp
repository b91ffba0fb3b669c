#include "zip/tailbackup.h"

#include "zip/zaerrors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <zlib.h>

namespace hsa::zip {

namespace {

constexpr uint64_t kMemoryLimit = 16u << 20;
constexpr size_t kChunk = 1u << 20;
// Spans from this length on are copied inside the system.
constexpr uint64_t kDirectCopy = 64u << 10;
// Small reads of the archive while a new tail is written (the headers and
// data of small entries) come from blocks of this size.
constexpr size_t kArchiveReadAhead = 64u << 10;
constexpr char kMagic[8] = {'Z', 'I', 'P', 'T', 'A', 'I', 'L', '1'};
constexpr size_t kTrailerSize = 56;

void Put64(unsigned char* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint64_t Get64(const unsigned char* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

uint64_t PathHash(const std::string& path)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (const unsigned char c : path) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

struct Trailer {
    uint64_t start = 0, length = 0, hash = 0;
    uint64_t device = 0, inode = 0; // of the archive file
    uint32_t kind = 0;
};

bool FileIdentity(int fd, uint64_t& device, uint64_t& inode)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    device = uint64_t(st.st_dev);
    inode = uint64_t(st.st_ino);
    return true;
}

std::vector<unsigned char> TrailerBytes(const Trailer& t)
{
    std::vector<unsigned char> b(kTrailerSize);
    std::memcpy(b.data(), kMagic, 8);
    Put64(b.data() + 8, t.start);
    Put64(b.data() + 16, t.length);
    Put64(b.data() + 24, t.hash);
    Put64(b.data() + 32, t.device);
    Put64(b.data() + 40, t.inode);
    Put64(b.data() + 48, t.kind); // the upper half is overwritten by the CRC
    const uint32_t crc = uint32_t(::crc32(0, b.data(), 52));
    for (int i = 0; i < 4; ++i)
        b[size_t(52 + i)] = static_cast<unsigned char>(crc >> (8 * i));
    return b;
}

// The trailer of a journal whose bytes are all there and whose trailer is
// sound, written for this very archive file (not one that has taken its
// name since); false otherwise.
bool ReadTrailer(FileStream& journal, const std::string& archivePath, const FileStream& archive, Trailer& t)
{
    const uint64_t size = journal.Size();
    unsigned char b[kTrailerSize];
    if (size < kTrailerSize || !journal.ReadAt(size - kTrailerSize, b, sizeof b))
        return false;
    t.start = Get64(b + 8);
    t.length = Get64(b + 16);
    t.hash = Get64(b + 24);
    t.device = Get64(b + 32);
    t.inode = Get64(b + 40);
    t.kind = uint32_t(Get64(b + 48) & 0xFFFFFFFFu);
    const std::vector<unsigned char> expected = TrailerBytes(t);
    uint64_t device = 0, inode = 0;
    return std::memcmp(b, expected.data(), kTrailerSize) == 0 && t.length == size - kTrailerSize
        && t.hash == PathHash(archivePath) && FileIdentity(archive.Descriptor(), device, inode) && device == t.device
        && inode == t.inode
        && (t.kind == uint32_t(TailBackup::Kind::OldTail) || t.kind == uint32_t(TailBackup::Kind::NewTail));
}

// Writes the journal's bytes at their place in the archive and cuts it
// after them; the archive on the disk afterwards with `sync`.
bool PutJournalInto(FileStream& archive, FileStream& journal, uint64_t start, uint64_t length, bool sync)
{
    archive.SetPosition(start);
    return archive.CopyFrom(journal, 0, length) == length && archive.Truncate(start + length)
        && (sync ? archive.Flush() : archive.FlushBuffer());
}

Fd CreateJournal(const std::string& path)
{
    NoteFsChange(FsChange::Write);
    return Fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
}

[[noreturn]] void RaiseWrite(int error)
{
    throw EZAException(error == ENOSPC ? err::DiskFull : err::WriteError);
}

} // namespace

// The journal of a new tail seen with the archive's positions.
class TailBackup::Shifted : public ZStream {
public:
    Shifted(FileStream& file, uint64_t base) : file_(file), base_(base) {}
    size_t Read(void* buf, size_t n) override { return file_.Read(buf, n); }
    size_t Write(const void* buf, size_t n) override
    {
        const size_t w = file_.Write(buf, n);
        lastError_ = file_.LastError();
        return w;
    }
    uint64_t Position() const override { return base_ + file_.Position(); }
    void SetPosition(uint64_t pos) override { file_.SetPosition(pos > base_ ? pos - base_ : 0); }
    uint64_t Size() override { return base_ + file_.Size(); }
    bool Truncate(uint64_t size) override
    {
        const bool ok = file_.Truncate(size > base_ ? size - base_ : 0);
        lastError_ = file_.LastError();
        return ok;
    }
    void TakeError(int e) { lastError_ = e; }

private:
    FileStream& file_;
    uint64_t base_;
};

std::string TailJournalName(const std::string& archivePath)
{
    static const char kHex[] = "0123456789abcdef";
    uint64_t h = PathHash(archivePath);
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i, h >>= 4)
        hex[size_t(i)] = kHex[h & 15];
    return "FC" + hex + ".tmp";
}

TailBackup::TailBackup(ZStream& archive, uint64_t start, const std::string& tempFolder, const std::string& journalPath,
                       bool forceFile, bool sync, const std::function<bool(double)>& progress)
    : start_(start), sync_(sync), archive_(&archive)
{
    const uint64_t total = archive.Size();
    size_ = total > start ? total - start : 0;
    if (journalPath.empty() && !forceFile && size_ <= kMemoryLimit) {
        memory_.resize(size_t(size_));
        if (size_ && !archive.ReadAt(start, memory_.data(), memory_.size()))
            throw EZAException(err::WriteError);
        return;
    }
    Fd fd;
    if (journalPath.empty()) {
        fd = CreateTempFile(tempFolder, "FC", path_);
    } else {
        fd = CreateJournal(journalPath);
        if (fd)
            path_ = journalPath;
    }
    if (!fd)
        throw EZAException(err::CannotCreateFile, ZipArgs{JoinPath(tempFolder, "FC")});
    file_ = std::make_unique<FileStream>(fd.release(), path_, 0);
    auto fail = [&](int code) {
        Discard();
        throw EZAException(code);
    };
    std::vector<unsigned char> buf(size_t(std::min<uint64_t>(kChunk, std::max<uint64_t>(size_, 1))));
    uint64_t done = 0;
    while (done < size_) {
        const size_t n = size_t(std::min<uint64_t>(buf.size(), size_ - done));
        if (!archive.ReadAt(start + done, buf.data(), n))
            fail(err::WriteError);
        if (file_->Write(buf.data(), n) != n)
            fail(file_->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
        done += n;
        if (progress && !progress(100.0 * double(done) / double(size_)))
            fail(err::OpenCancelled);
    }
    if (!(sync ? file_->Flush() : file_->FlushBuffer()))
        fail(file_->LastError() == ENOSPC ? err::DiskFull : err::WriteError);
    if (!journalPath.empty()) {
        try {
            WriteTrailer(size_);
        } catch (...) {
            Discard();
            throw;
        }
    }
}

TailBackup::TailBackup(FileStream& archive, uint64_t start, const std::string& journalPath, bool sync)
    : kind_(Kind::NewTail), start_(start), sync_(sync), archive_(&archive)
{
    const uint64_t total = archive.Size();
    size_ = total > start ? total - start : 0;
    Fd fd = CreateJournal(journalPath);
    if (!fd)
        throw EZAException(err::CannotCreateFile, ZipArgs{JoinPath(ParentFolder(journalPath), "FC")});
    path_ = journalPath;
    file_ = std::make_unique<FileStream>(fd.release(), path_, 0);
    shifted_ = std::make_unique<Shifted>(*file_, start);
    archive.SetReadAhead(kArchiveReadAhead);
}

TailBackup::~TailBackup()
{
    Discard();
}

void TailBackup::WriteTrailer(uint64_t length)
{
    Trailer t;
    t.start = start_;
    t.length = length;
    auto* archive = static_cast<FileStream*>(archive_);
    t.hash = PathHash(archive->Path());
    if (!FileIdentity(archive->Descriptor(), t.device, t.inode))
        RaiseWrite(errno);
    t.kind = uint32_t(kind_);
    const std::vector<unsigned char> b = TrailerBytes(t);
    file_->SetPosition(length);
    if (file_->Write(b.data(), b.size()) != b.size() || !(sync_ ? file_->Flush() : file_->FlushBuffer()))
        RaiseWrite(file_->LastError());
    // The journal's name must be on the disk before the archive changes.
    if (sync_)
        FsyncFolder(ParentFolder(path_));
}

bool TailBackup::ReadAt(uint64_t offset, void* buf, size_t n)
{
    if (offset > size_ || size_ - offset < n)
        return false;
    if (kind_ == Kind::NewTail)
        return archive_->ReadAt(start_ + offset, buf, n);
    if (file_)
        return file_->ReadAt(offset, buf, n);
    std::copy(memory_.begin() + std::ptrdiff_t(offset), memory_.begin() + std::ptrdiff_t(offset + n),
              static_cast<unsigned char*>(buf));
    return true;
}

bool TailBackup::CopyTo(ZStream& dest, uint64_t offset, uint64_t n)
{
    if (offset > size_ || size_ - offset < n)
        return false;
    if (kind_ == Kind::NewTail && &dest == shifted_.get() && n >= kDirectCopy) {
        const bool ok = file_->CopyFrom(static_cast<FileStream&>(*archive_), start_ + offset, n) == n;
        static_cast<Shifted&>(dest).TakeError(file_->LastError());
        return ok;
    }
    if (kind_ == Kind::OldTail && !file_) {
        const size_t w = dest.Write(memory_.data() + offset, size_t(n));
        return w == n;
    }
    std::vector<unsigned char> buf(size_t(std::min<uint64_t>(kChunk, std::max<uint64_t>(n, 1))));
    while (n > 0) {
        const size_t k = size_t(std::min<uint64_t>(buf.size(), n));
        if (!ReadAt(offset, buf.data(), k) || dest.Write(buf.data(), k) != k)
            return false;
        offset += k;
        n -= k;
    }
    return true;
}

bool TailBackup::Restore(ZStream& archive)
{
    if (kind_ != Kind::OldTail)
        return false;
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

void TailBackup::Seal()
{
    const uint64_t length = file_->Size();
    if (!(sync_ ? file_->Flush() : file_->FlushBuffer()))
        RaiseWrite(file_->LastError());
    // Room for the new tail where the archive grows, while a full disk still
    // leaves the archive as it was.
    auto& archive = static_cast<FileStream&>(*archive_);
    const uint64_t end = start_ + length, now = archive.Size();
    if (end > now) {
        const int r = ::fallocate(archive.Descriptor(), FALLOC_FL_KEEP_SIZE, off_t(now), off_t(end - now));
        if (r != 0 && errno == ENOSPC)
            RaiseWrite(ENOSPC);
    }
    WriteTrailer(length);
    sealed_ = true;
}

void TailBackup::Apply()
{
    auto& archive = static_cast<FileStream&>(*archive_);
    archive.SetReadAhead(0);
    const uint64_t length = file_->Size() - kTrailerSize;
    if (!PutJournalInto(archive, *file_, start_, length, sync_))
        RaiseWrite(archive.LastError());
}

void TailBackup::Discard()
{
    if (kind_ == Kind::NewTail && archive_)
        static_cast<FileStream*>(archive_)->SetReadAhead(0);
    shifted_.reset();
    file_.reset();
    if (!path_.empty()) {
        NoteFsChange(FsChange::Remove);
        ::unlink(path_.c_str());
        path_.clear();
    }
}

void TailBackup::Keep()
{
    shifted_.reset();
    file_.reset();
    path_.clear();
}

JournalRecovery RecoverTailJournal(const std::string& archivePath, const std::vector<std::string>& folders, bool sync)
{
    JournalRecovery r;
    const std::string name = TailJournalName(archivePath);
    for (const auto& folder : folders) {
        const std::string path = JoinPath(folder, name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        r.path = path;
        Trailer t;
        bool sound = false;
        try {
            FileStream journal(path, FileStream::Mode::Read);
            FileStream archive(archivePath, FileStream::Mode::ReadWrite);
            // Not sealed means the archive was never touched.
            sound = ReadTrailer(journal, archivePath, archive, t);
            if (sound) {
                if (!PutJournalInto(archive, journal, t.start, t.length, sync)) {
                    r.outcome = JournalRecovery::Outcome::Failed;
                    return r;
                }
            }
        } catch (const std::system_error&) {
            r.outcome = JournalRecovery::Outcome::Failed;
            return r;
        }
        NoteFsChange(FsChange::Remove);
        ::unlink(path.c_str());
        if (sync)
            FsyncFolder(folder);
        r.start = t.start;
        r.length = t.length;
        r.outcome = !sound                                  ? JournalRecovery::Outcome::Discarded
            : t.kind == uint32_t(TailBackup::Kind::OldTail) ? JournalRecovery::Outcome::Undone
                                                            : JournalRecovery::Outcome::Finished;
        return r;
    }
    return r;
}

} // namespace hsa::zip
