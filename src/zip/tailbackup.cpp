#include "zip/tailbackup.h"

#include "zip/zaerrors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
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
constexpr char kMagic[8] = {'Z', 'I', 'P', 'T', 'A', 'I', 'L', '2'};
// The journals of the engine before they named their archive by its
// content; they are set aside, never put in (see RecoverTailJournals).
constexpr char kFirstMagic[8] = {'Z', 'I', 'P', 'T', 'A', 'I', 'L', '1'};
constexpr size_t kFirstTrailerSize = 56;
constexpr size_t kFixedTrailer = 48;
constexpr size_t kSampleRecord = 16;
// The samples of the old archive a trailer keeps: the prefix's first block
// and the block before the rewrite, and of a new tail's journal the pages
// of the old tail's first and last block (the start of what is rewritten and
// the old directory's end).
constexpr uint64_t kSampleBlock = 16u << 10;
constexpr uint64_t kPage = 4096;
// Compared sector by sector to tell whether a commit wrote into the archive.
constexpr size_t kSector = 512;

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

void Put32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t Get32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
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

std::string LowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

std::string HashName(uint64_t h)
{
    static const char kHex[] = "0123456789abcdef";
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i, h >>= 4)
        hex[size_t(i)] = kHex[h & 15];
    return "FC" + hex + ".tmp";
}

// "FC", 16 hexadecimal digits, ".tmp": the names journals are written under.
bool IsJournalName(const std::string& name)
{
    if (name.size() != 22 || LowerAscii(name.substr(0, 2)) != "fc" || LowerAscii(name.substr(18)) != ".tmp")
        return false;
    return std::all_of(name.begin() + 2, name.begin() + 18, [](char c) { return std::isxdigit((unsigned char)c); });
}

// A region of the old archive and the CRC-32 of its bytes.
struct Sample {
    uint64_t offset = 0;
    uint32_t length = 0, crc = 0;
};

// What a journal's trailer says: where its bytes belong in which archive,
// and what the archive held when the commit began.  Written after the
// bytes:
//     samples, 16 bytes each: offset (8), length (4), CRC-32 (4)
//     the archive's file name (without folder)
//     8 bytes  "ZIPTAIL2"
//     8 bytes  where in the archive the bytes belong
//     8 bytes  their length
//     8 bytes  the archive's size when the commit began
//     4 bytes  1: the old tail (undo), 2: the new tail (finish)
//     4 bytes  length of the name
//     4 bytes  number of samples
//     4 bytes  CRC-32 of the whole trailer before it
// All numbers little-endian.
struct Trailer {
    uint64_t start = 0, length = 0, oldSize = 0;
    uint32_t kind = 0;
    std::string name;
    std::vector<Sample> samples;
};

uint32_t Crc(const unsigned char* p, size_t n, uint32_t crc = 0)
{
    return uint32_t(::crc32(crc, p, uInt(n)));
}

std::vector<unsigned char> TrailerBytes(const Trailer& t)
{
    std::vector<unsigned char> b(t.samples.size() * kSampleRecord + t.name.size() + kFixedTrailer);
    unsigned char* p = b.data();
    for (const Sample& s : t.samples) {
        Put64(p, s.offset);
        Put32(p + 8, s.length);
        Put32(p + 12, s.crc);
        p += kSampleRecord;
    }
    std::memcpy(p, t.name.data(), t.name.size());
    p += t.name.size();
    std::memcpy(p, kMagic, 8);
    Put64(p + 8, t.start);
    Put64(p + 16, t.length);
    Put64(p + 24, t.oldSize);
    Put32(p + 32, t.kind);
    Put32(p + 36, uint32_t(t.name.size()));
    Put32(p + 40, uint32_t(t.samples.size()));
    Put32(p + 44, Crc(b.data(), b.size() - 4));
    return b;
}

enum class TrailerState { Sound, FirstFormat, None };

// Reads a journal's trailer: Sound when all its bytes are there and its
// trailer is whole, FirstFormat for a sealed journal of the earlier kind.
TrailerState ReadTrailer(FileStream& journal, Trailer& t)
{
    const uint64_t size = journal.Size();
    unsigned char f[kFixedTrailer];
    if (size >= kFirstTrailerSize) {
        unsigned char old[kFirstTrailerSize];
        if (journal.ReadAt(size - kFirstTrailerSize, old, sizeof old) && std::memcmp(old, kFirstMagic, 8) == 0
            && Crc(old, 52) == Get32(old + 52))
            return TrailerState::FirstFormat;
    }
    if (size < kFixedTrailer || !journal.ReadAt(size - kFixedTrailer, f, sizeof f) || std::memcmp(f, kMagic, 8) != 0)
        return TrailerState::None;
    t.start = Get64(f + 8);
    t.length = Get64(f + 16);
    t.oldSize = Get64(f + 24);
    t.kind = Get32(f + 32);
    const uint32_t nameLength = Get32(f + 36), count = Get32(f + 40);
    if (nameLength > 4096 || count > 4096)
        return TrailerState::None;
    const uint64_t variable = uint64_t(count) * kSampleRecord + nameLength;
    if (size - kFixedTrailer < variable || t.length != size - kFixedTrailer - variable)
        return TrailerState::None;
    std::vector<unsigned char> b(size_t(variable) + kFixedTrailer);
    if (!journal.ReadAt(t.length, b.data(), b.size()) || Crc(b.data(), b.size() - 4) != Get32(f + 44))
        return TrailerState::None;
    for (uint32_t i = 0; i < count; ++i) {
        const unsigned char* p = b.data() + size_t(i) * kSampleRecord;
        t.samples.push_back({Get64(p), Get32(p + 8), Get32(p + 12)});
    }
    t.name.assign(reinterpret_cast<const char*>(b.data()) + size_t(count) * kSampleRecord, nameLength);
    const bool kindKnown = t.kind == uint32_t(TailBackup::Kind::OldTail)
        || t.kind == uint32_t(TailBackup::Kind::NewTail);
    return kindKnown ? TrailerState::Sound : TrailerState::None;
}

// The samples of the archive (still as the commit found it) for a journal
// of its bytes from `start` on.
bool TakeSamples(FileStream& archive, uint64_t start, uint64_t size, TailBackup::Kind kind, std::vector<Sample>& out)
{
    std::vector<std::pair<uint64_t, uint64_t>> spans; // [from, to)
    const uint64_t prefixEnd = std::min(kSampleBlock, start);
    if (prefixEnd > 0)
        spans.push_back({0, prefixEnd});
    if (start > prefixEnd)
        spans.push_back({std::max(prefixEnd, start - std::min(start, kSampleBlock)), start});
    if (kind == TailBackup::Kind::NewTail && size > start) {
        // Page by page, so that a page the system wrote back alone is seen
        // whole as old or new.
        const uint64_t firstEnd = std::min(size, start + kSampleBlock);
        const uint64_t lastFrom = std::max(firstEnd, size - std::min(size, kSampleBlock));
        for (const auto& [from, to] : {std::pair{start, firstEnd}, std::pair{lastFrom, size}})
            for (uint64_t at = from; at < to;) {
                const uint64_t next = std::min(to, (at / kPage + 1) * kPage);
                spans.push_back({at, next});
                at = next;
            }
    }
    std::vector<unsigned char> buf;
    for (const auto& [from, to] : spans) {
        buf.resize(size_t(to - from));
        if (!archive.ReadAt(from, buf.data(), buf.size()))
            return false;
        out.push_back({from, uint32_t(to - from), Crc(buf.data(), buf.size())});
    }
    return true;
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

bool ReadSpan(FileStream& f, uint64_t at, std::vector<unsigned char>& buf, uint64_t n)
{
    buf.resize(size_t(n));
    return n == 0 || f.ReadAt(at, buf.data(), buf.size());
}

// How a journal with a sound trailer stands to the archive of its name.
enum class Tie {
    Foreign,   // not the archive it was written for: never put in
    Untouched, // its archive, which the commit never wrote into
    Own,       // its archive, as the cut-off commit left it
};

// True when a span of the new tail's journal of 16 bytes or more lies in
// the archive at its place: the commit (or a recovery) wrote there.  Whole
// sectors are compared, as the disk writes them, and the pieces at the ends.
bool JournalBytesInArchive(FileStream& archive, FileStream& journal, uint64_t start, uint64_t end)
{
    std::vector<unsigned char> a, j;
    for (uint64_t at = start; at < end;) {
        const uint64_t to = std::min(end, at + kChunk);
        if (!ReadSpan(archive, at, a, to - at) || !ReadSpan(journal, at - start, j, to - at))
            return true;
        for (uint64_t s = at; s < to;) {
            const uint64_t next = std::min(to, (s / kSector + 1) * kSector);
            const size_t from = size_t(s - at), n = size_t(next - s);
            if (n >= 16 && std::memcmp(a.data() + from, j.data() + from, n) == 0)
                return true;
            s = next;
        }
        at = to;
    }
    return false;
}

// Ties a journal to the archive by what the archive holds, never by where
// or in which file it lies: a stick that comes back as another device, or a
// folder copied from a backup, keeps its journal.  The prefix before the
// rewrite is never written and must be as it was.  Of the sampled pages
// after it each must hold its old bytes, the journal's bytes (cut after the
// journal's end once the commit cut the archive), or, for one page alone,
// a mix (the page where the copy was cut off); an archive with no sampled
// page of the commit's is another archive.  An append (old tail) writes
// unknown entries after its prefix: the prefix alone ties it, and with an
// empty prefix (an empty archive) only an archive without an end record,
// which nobody else can have put there.
Tie TieJournal(FileStream& archive, FileStream& journal, const Trailer& t)
{
    const uint64_t size = archive.Size(), newEnd = t.start + t.length;
    const bool newTail = t.kind == uint32_t(TailBackup::Kind::NewTail);
    if (size < t.start)
        return Tie::Foreign;
    if (newTail && (size < std::min(t.oldSize, newEnd) || size > std::max(t.oldSize, newEnd)))
        return Tie::Foreign;
    std::vector<unsigned char> cur, mine;
    int kept = 0, fresh = 0, mixed = 0;
    for (const Sample& s : t.samples) {
        const uint64_t end = s.offset + s.length;
        const bool asOld = end <= size && ReadSpan(archive, s.offset, cur, s.length)
            && Crc(cur.data(), cur.size()) == s.crc;
        if (end <= t.start) {
            if (!asOld)
                return Tie::Foreign;
            continue;
        }
        if (asOld) {
            ++kept;
            continue;
        }
        if (newTail && s.offset >= newEnd && size == newEnd)
            continue; // cut away with the rest of the old tail
        const uint64_t to = std::min(end, newEnd);
        const bool asNew = newTail && s.offset < newEnd && (end <= newEnd || size == newEnd) && to <= size
            && ReadSpan(archive, s.offset, cur, to - s.offset)
            && ReadSpan(journal, s.offset - t.start, mine, to - s.offset) && cur == mine;
        (asNew ? fresh : mixed) += 1;
    }
    if (!newTail) {
        if (t.start > 0)
            return Tie::Own;
        unsigned char end[22];
        const bool hasEnd = size >= 22 && archive.ReadAt(size - 22, end, sizeof end) && Get32(end) == 0x06054b50u;
        return hasEnd ? Tie::Foreign : Tie::Own;
    }
    if (kept + fresh == 0 || mixed > 1)
        return Tie::Foreign;
    if (size == t.oldSize && fresh == 0 && mixed == 0
        && !JournalBytesInArchive(archive, journal, t.start, std::min(t.oldSize, newEnd)))
        return Tie::Untouched;
    return Tie::Own;
}

void RemoveJournal(const std::string& folder, const std::string& path, bool sync)
{
    NoteFsChange(FsChange::Remove);
    ::unlink(path.c_str());
    if (sync)
        FsyncFolder(folder);
}

// A journal that cannot be tied to the archive it names is set aside, not
// removed: the archive of its name may be another one now (put back from a
// backup), but it may as well be its own, damaged where the samples lie
// (a power cut on a stick), and then the journal holds what no other file
// holds.  Under its new name no open takes it for a journal again and no
// commit's new journal is kept from its name; the event lets the program
// tell the user.  Gives the new path, empty when the rename failed.
std::string SetAside(const std::string& folder, const std::string& name, bool sync)
{
    for (int n = 1; n < 1000; ++n) {
        const std::string aside = JoinPath(
            folder, name.substr(0, 18) + (n == 1 ? std::string() : "-" + std::to_string(n)) + ".verwaist");
        struct stat st {};
        if (::lstat(aside.c_str(), &st) == 0)
            continue;
        NoteFsChange(FsChange::Rename);
        if (::rename(JoinPath(folder, name).c_str(), aside.c_str()) != 0)
            return {};
        if (sync)
            FsyncFolder(folder);
        return aside;
    }
    return {};
}

// True when a file other than the archive has the name ignoring case.
bool OtherFileNamed(const std::string& archivePath, const std::string& name)
{
    struct stat self {};
    if (::stat(archivePath.c_str(), &self) != 0)
        return false;
    const std::string folder = ParentFolder(archivePath), lower = LowerAscii(name);
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return false;
    bool found = false;
    while (const dirent* e = ::readdir(d)) {
        struct stat st {};
        if (LowerAscii(e->d_name) == lower && ::lstat(JoinPath(folder, e->d_name).c_str(), &st) == 0
            && (st.st_dev != self.st_dev || st.st_ino != self.st_ino))
            found = true;
    }
    ::closedir(d);
    return found;
}

std::vector<std::string> JournalNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return names;
    while (const dirent* e = ::readdir(d))
        if (IsJournalName(e->d_name))
            names.emplace_back(e->d_name);
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
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

std::string TailJournalName(const std::string& archivePath, bool besideArchive)
{
    // Beside the archive the journal is named after the archive's file
    // name, so that a folder copied or moved elsewhere still finds it; in a
    // folder shared by archives of every folder, after its full path.
    return HashName(PathHash(besideArchive ? LowerAscii(BareName(archivePath)) : archivePath));
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
    t.oldSize = start_ + size_;
    t.kind = uint32_t(kind_);
    auto* archive = static_cast<FileStream*>(archive_);
    t.name = BareName(archive->Path());
    if (!TakeSamples(*archive, start_, t.oldSize, kind_, t.samples))
        RaiseWrite(archive->LastError());
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
    sealedLength_ = length;
    sealed_ = true;
}

void TailBackup::Apply()
{
    auto& archive = static_cast<FileStream&>(*archive_);
    archive.SetReadAhead(0);
    if (!PutJournalInto(archive, *file_, start_, sealedLength_, sync_))
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

std::vector<JournalRecovery> RecoverTailJournals(const std::string& archivePath,
                                                 const std::vector<std::string>& folders, bool sync)
{
    std::vector<JournalRecovery> out;
    const std::string bare = BareName(archivePath), name = LowerAscii(bare);
    for (const auto& folder : folders) {
        const bool beside = folder == ParentFolder(archivePath);
        // The names an unfinished journal of this archive has here (the
        // second one from before journals were named after the file name).
        const std::string own[] = {TailJournalName(archivePath, beside), TailJournalName(archivePath, false)};
        for (const std::string& file : JournalNamesIn(folder)) {
            const std::string path = JoinPath(folder, file);
            const bool ownName = LowerAscii(file) == LowerAscii(own[0]) || LowerAscii(file) == LowerAscii(own[1]);
            struct stat st {};
            if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            JournalRecovery r;
            r.path = path;
            // What becomes of the journal: left to its own archive, removed
            // (unfinished, or its commit never wrote into the archive), set
            // aside (it cannot be tied to the archive), or put in.
            enum class Step { Leave, Remove, SetAside, PutIn } step = Step::Leave;
            try {
                FileStream journal(path, FileStream::Mode::Read);
                Trailer t;
                const TrailerState state = ReadTrailer(journal, t);
                // Names are found ignoring case.
                if (state == TrailerState::Sound && LowerAscii(t.name) == name) {
                    r.start = t.start;
                    r.length = t.length;
                    std::unique_ptr<FileStream> archive;
                    try {
                        archive = std::make_unique<FileStream>(archivePath, FileStream::Mode::ReadWrite);
                    } catch (const std::system_error&) {
                        archive = std::make_unique<FileStream>(archivePath, FileStream::Mode::Read);
                    }
                    const Tie tie = TieJournal(*archive, journal, t);
                    // In a folder that archives of many folders share, a
                    // journal that is not this archive's may be another
                    // archive's of the same name: it stays for that one; so
                    // it does for a file beside whose name differs only in
                    // case (in a folder that tells case apart).
                    const bool otherOwner = !beside || OtherFileNamed(archivePath, t.name);
                    step = tie == Tie::Foreign  ? (otherOwner ? Step::Leave : Step::SetAside)
                        : tie == Tie::Untouched ? Step::Remove
                                                : Step::PutIn;
                    if (step == Step::PutIn && !PutJournalInto(*archive, journal, t.start, t.length, sync)) {
                        r.outcome = JournalRecovery::Outcome::Failed;
                        out.push_back(r);
                        continue;
                    }
                    if (step == Step::PutIn)
                        r.outcome = t.kind == uint32_t(TailBackup::Kind::OldTail) ? JournalRecovery::Outcome::Undone
                                                                                  : JournalRecovery::Outcome::Finished;
                } else if (ownName) {
                    // A sealed journal of the earlier kind cannot be tied by
                    // what it holds.
                    step = state == TrailerState::FirstFormat ? Step::SetAside
                        : state == TrailerState::None         ? Step::Remove
                                                              : Step::Leave;
                }
            } catch (const std::system_error&) {
                r.outcome = JournalRecovery::Outcome::Failed;
                out.push_back(r);
                continue;
            }
            if (step == Step::Leave)
                continue;
            if (step == Step::SetAside) {
                const std::string aside = SetAside(folder, file, sync);
                r.outcome = aside.empty() ? JournalRecovery::Outcome::Failed : JournalRecovery::Outcome::SetAside;
                r.path = aside.empty() ? path : aside;
                out.push_back(r);
                continue;
            }
            RemoveJournal(folder, path, sync);
            if (step == Step::Remove)
                r.outcome = JournalRecovery::Outcome::Discarded;
            out.push_back(r);
        }
    }
    return out;
}

} // namespace hsa::zip
