#include "classes/dbftable.h"

#include "classes/classtemplate.h"
#include "classes/fileops.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/programwide.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <shapefil.h>

#include <cerrno>
#include <cstdio>
#include <stdio_ext.h>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hsa {

namespace {

// Code-page-850 byte and the Windows-1252 byte of the same letter:
// ä ö ü Ä Ö Ü ß é.
constexpr unsigned char kFamilyPairs[8][2] = {
    {0x84, 0xE4}, {0x94, 0xF6}, {0x81, 0xFC}, {0x8E, 0xC4},
    {0x99, 0xD6}, {0x9A, 0xDC}, {0xE1, 0xDF}, {0x82, 0xE9},
};

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

FileError openError(const QString& path)
{
    return FileError::cannotOpen(path);
}

FileError damagedError(const QString& path)
{
    return FileError(DamagedTableMessage(path));
}

FileError writeError(const QString& path)
{
    return FileError(QStringLiteral("Schreibfehler in Datei %1").arg(nativePath(path)));
}

bool isNumberType(char type)
{
    return type == 'N' || type == 'F';
}

uint16_t le16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t le32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Bytes 1 to 3 of the header: the date of the last update (year since 1900,
// month, day), which dBase readers show and which every write sets to today.
void stampToday(unsigned char* header)
{
    const QDate today = QDate::currentDate();
    header[1] = static_cast<unsigned char>(today.year() - 1900);
    header[2] = static_cast<unsigned char>(today.month());
    header[3] = static_cast<unsigned char>(today.day());
}

void putLe32(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

bool readAll(int fd, QByteArray& out)
{
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return false;
    out.resize(static_cast<qsizetype>(st.st_size));
    qsizetype done = 0;
    while (done < out.size()) {
        const ssize_t got = pread(fd, out.data() + done, static_cast<size_t>(out.size() - done), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}

bool writeAll(int fd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t put = pwrite(fd, data.constData() + done, static_cast<size_t>(data.size() - done), done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

// Opens path and takes the lock; the descriptor, or -1 with errno set.  A
// symbolic link is not followed and only a regular file is opened, so that
// a class table can never lead out of its folder or into a device.  The
// lock must hold on the file that carries the name: when a writer renamed
// another file over it meanwhile, the name is opened again.
int openLocked(const QString& path, bool exclusive)
{
    const QByteArray native = QFile::encodeName(path);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(native.constData(), (exclusive ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            return -1;
        struct stat st {};
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            errno = EINVAL;
            return -1;
        }
        int rc;
        do {
            rc = flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            const int err = errno;
            ::close(fd);
            errno = err;
            return -1;
        }
        struct stat named {};
        if (::lstat(native.constData(), &named) == 0 && named.st_dev == st.st_dev && named.st_ino == st.st_ino)
            return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

// Where the record data of a dBase file lie.
struct DbfLayout {
    uint32_t records = 0;     // complete records present in the file
    uint32_t headerLength = 0;
    uint32_t recordLength = 0;
};

bool readLayout(const QByteArray& file, DbfLayout& layout)
{
    if (file.size() < 32)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(file.constData());
    layout.headerLength = le16(p + 8);
    layout.recordLength = le16(p + 10);
    if (layout.headerLength < 33 || layout.recordLength < 1 ||
        layout.headerLength > static_cast<uint32_t>(file.size()))
        return false;
    const uint32_t declared = le32(p + 4);
    const uint64_t room = (static_cast<uint64_t>(file.size()) - layout.headerLength) / layout.recordLength;
    layout.records = static_cast<uint32_t>(std::min<uint64_t>(declared, room));
    return true;
}

// True when the header of the table open at fd describes what the file
// holds: at least one field, the descriptors ending inside the stated header
// length, records wide enough for their fields, and every counted record
// present in full.  A single flipped bit in the record count would otherwise
// make the library walk millions of records that are not there, and a table
// cut off inside a record would be read from a partly filled buffer.
bool headerSound(int fd)
{
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return false;
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    unsigned char head[32];
    if (size < sizeof head || pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head))
        return false;
    const uint32_t count = le32(head + 4);
    const uint32_t headerLength = le16(head + 8);
    const uint32_t recordLength = le16(head + 10);
    if (headerLength < 32 + 32 + 1 || headerLength > size)
        return false;
    QByteArray fields(static_cast<qsizetype>(headerLength - 32), '\0');
    if (pread(fd, fields.data(), static_cast<size_t>(fields.size()), 32) != fields.size())
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(fields.constData());
    uint32_t at = 0;
    uint32_t widths = 0;
    int n = 0;
    while (at < static_cast<uint32_t>(fields.size()) && p[at] != 0x0D) {
        if (at + 32 > static_cast<uint32_t>(fields.size()))
            return false;
        const unsigned char* f = p + at;
        // A text field keeps the high byte of its width in the decimals.
        const uint32_t width = f[11] == 'C' ? le16(f + 16) : f[16];
        if (width == 0)
            return false;
        widths += width;
        ++n;
        at += 32;
    }
    if (n == 0 || at >= static_cast<uint32_t>(fields.size()) || recordLength < 1 + widths)
        return false;
    return static_cast<uint64_t>(headerLength) + static_cast<uint64_t>(count) * recordLength <= size;
}

// The library's file access, with one change: it ignores what its stream
// reports, so after a refused write (disk full, stick pulled) it would read
// the header back from a broken stream and write those bytes over the real
// header, destroying the whole class table.  Here the first failure is
// remembered and every later write through the same handle is refused, so
// that what is on disk stays as it was; the table reports the failure.
// What the refused write left in the stream's buffer is dropped, so that the
// table can still be read as it stands on disk.
struct GuardedStream {
    FILE* file = nullptr;
    bool failed = false;
};

void markFailed(GuardedStream* g)
{
    g->failed = true;
    __fpurge(g->file);
    std::clearerr(g->file);
}

GuardedStream* guarded(SAFile f)
{
    return reinterpret_cast<GuardedStream*>(f);
}

// The descriptor that holds the lock of the table being opened: the library
// reads and writes through a copy of it, never through the name, so that it
// works on the very file that was checked and locked.
thread_local int t_lockedFd = -1;

SAFile guardedOpen(const char* name, const char* access)
{
    // The library also looks for a code-page file beside the table; this
    // program knows the code pages of its tables itself.
    const size_t len = std::strlen(name);
    if (t_lockedFd < 0 || len < 4 || strcasecmp(name + len - 4, ".dbf") != 0)
        return nullptr;
    const int fd = ::dup(t_lockedFd);
    if (fd < 0)
        return nullptr;
    t_lockedFd = -1;
    // The copy shares its position with the lock's descriptor, and the
    // library reads the header from where the stream stands.
    FILE* file = ::lseek(fd, 0, SEEK_SET) == 0 ? ::fdopen(fd, access) : nullptr;
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    auto* g = new GuardedStream;
    g->file = file;
    return reinterpret_cast<SAFile>(g);
}

SAOffset guardedRead(void* p, SAOffset size, SAOffset count, SAFile f)
{
    GuardedStream* g = guarded(f);
    const size_t got = std::fread(p, size, count, g->file);
    if (got != count && std::ferror(g->file))
        std::clearerr(g->file);
    return got;
}

SAOffset guardedWrite(void* p, SAOffset size, SAOffset count, SAFile f)
{
    GuardedStream* g = guarded(f);
    if (g->failed)
        return 0;
    if (FileStepFails(FileStep::Write)) {
        markFailed(g);
        return 0;
    }
    const size_t put = std::fwrite(p, size, count, g->file);
    if (put != count) {
        markFailed(g);
        return 0;
    }
    return put;
}

SAOffset guardedSeek(SAFile f, SAOffset offset, int whence)
{
    GuardedStream* g = guarded(f);
    // A seek writes out what is buffered; its failure is a write failure.
    if (fseeko(g->file, static_cast<off_t>(offset), whence) != 0) {
        markFailed(g);
        if (fseeko(g->file, static_cast<off_t>(offset), whence) != 0)
            return static_cast<SAOffset>(-1);
    }
    return 0;
}

SAOffset guardedTell(SAFile f)
{
    return static_cast<SAOffset>(ftello(guarded(f)->file));
}

int guardedFlush(SAFile f)
{
    GuardedStream* g = guarded(f);
    if (g->failed)
        return -1;
    if (std::fflush(g->file) != 0) {
        markFailed(g);
        return -1;
    }
    return 0;
}

int guardedClose(SAFile f)
{
    GuardedStream* g = guarded(f);
    const int rc = std::fclose(g->file);
    delete g;
    return rc;
}

// The library reports to stderr; the table reports its failures itself.
void quietError(const char*) {}

SAHooks guardedHooks()
{
    SAHooks h;
    SASetupDefaultHooks(&h);
    h.Error = quietError;
    h.FOpen = guardedOpen;
    h.FRead = guardedRead;
    h.FWrite = guardedWrite;
    h.FSeek = guardedSeek;
    h.FTell = guardedTell;
    h.FFlush = guardedFlush;
    h.FClose = guardedClose;
    return h;
}

} // namespace

QString DamagedTableMessage(const QString& path)
{
    return QStringLiteral("Die Datei %1 ist beschädigt und wird nicht benutzt.").arg(nativePath(path));
}

QByteArray FamilyBytesToWindows1252(QByteArray bytes)
{
    for (char& c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        for (const auto& pair : kFamilyPairs)
            if (b == pair[0]) {
                c = static_cast<char>(pair[1]);
                break;
            }
    }
    return bytes;
}

QByteArray Windows1252ToFamilyBytes(QByteArray bytes)
{
    for (char& c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        for (const auto& pair : kFamilyPairs)
            if (b == pair[1]) {
                c = static_cast<char>(pair[0]);
                break;
            }
    }
    return bytes;
}

struct DbfTable::Impl {
    DBFHandle handle = nullptr;
    int lockFd = -1;
};

DbfTable::DbfTable() : d_(new Impl) {}

DbfTable::~DbfTable()
{
    close();
    delete d_;
}

void DbfTable::open(const QString& path, DbfAccess access, DbfTextBytes bytes)
{
    close();
    const bool exclusive = access == DbfAccess::Exclusive;
    const int fd = openLocked(path, exclusive);
    if (fd < 0)
        throw openError(path);
    d_->lockFd = fd;
    path_ = path;
    access_ = access;
    bytes_ = bytes;
    try {
        openHandle();
    } catch (...) {
        ::close(d_->lockFd);
        d_->lockFd = -1;
        path_.clear();
        throw;
    }
    rebuildLive();
}

void DbfTable::openHandle()
{
    if (!headerSound(d_->lockFd))
        throw damagedError(path_);
    // The name only has to end in ".dbf"; the file is the locked one.
    const QByteArray name = "table.dbf";
    SAHooks hooks = guardedHooks();
    t_lockedFd = d_->lockFd;
    d_->handle = DBFOpenLL(name.constData(), readOnly() ? "rb" : "rb+", &hooks);
    t_lockedFd = -1;
    if (!d_->handle)
        throw damagedError(path_);
    if (!readOnly()) {
        unsigned char date[4] = {};
        stampToday(date);
        DBFSetLastModifiedDate(d_->handle, date[1], date[2], date[3]);
    }
}

void DbfTable::close()
{
    if (d_->handle) {
        // Every change of the header was written when it was made; only a
        // record still pending needs writing now.
        if (!d_->handle->bCurrentRecordModified)
            d_->handle->bUpdated = 0;
        DBFClose(d_->handle);
        d_->handle = nullptr;
    }
    if (d_->lockFd >= 0) {
        if (!readOnly())
            fsync(d_->lockFd);
        ::close(d_->lockFd);
        d_->lockFd = -1;
    }
    live_.clear();
    path_.clear();
}

bool DbfTable::isOpen() const
{
    return d_->handle != nullptr;
}

QString DbfTable::fileName() const
{
    return QFileInfo(path_).fileName();
}

void DbfTable::requireOpen() const
{
    if (!d_->handle)
        throw FileError(QStringLiteral("Tabelle ist nicht geöffnet"));
}

void DbfTable::requireWritable() const
{
    requireOpen();
    if (readOnly())
        throw FileError(QStringLiteral("Datei %1 ist schreibgeschützt").arg(nativePath(path_)));
}

int DbfTable::fieldCount() const
{
    return d_->handle ? DBFGetFieldCount(d_->handle) : 0;
}

DbfField DbfTable::field(int index) const
{
    requireOpen();
    if (index < 0 || index >= fieldCount())
        throw FileError(QStringLiteral("Feld %1 nicht gefunden").arg(index));
    char name[XBASE_FLDNAME_LEN_READ + 1] = {};
    int width = 0;
    int decimals = 0;
    DBFGetFieldInfo(d_->handle, index, name, &width, &decimals);
    DbfField f;
    f.name = FromWindows1252(QByteArray(name));
    f.type = DBFGetNativeFieldType(d_->handle, index);
    f.width = width;
    f.decimals = decimals;
    return f;
}

QStringList DbfTable::fieldNames() const
{
    QStringList names;
    for (int i = 0; i < fieldCount(); ++i)
        names << field(i).name;
    return names;
}

int DbfTable::fieldIndex(const QString& name) const
{
    for (int i = 0; i < fieldCount(); ++i)
        if (field(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int DbfTable::requireField(const QString& name) const
{
    requireOpen();
    const int i = fieldIndex(name);
    if (i < 0)
        throw FileError(QStringLiteral("Feld %1 nicht gefunden").arg(name));
    return i;
}

int DbfTable::recordCount() const
{
    return static_cast<int>(live_.size());
}

void DbfTable::rebuildLive()
{
    live_.clear();
    if (!d_->handle)
        return;
    const int n = DBFGetRecordCount(d_->handle);
    live_.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        if (!DBFIsRecordDeleted(d_->handle, i))
            live_.push_back(i);
}

int DbfTable::physical(int record) const
{
    requireOpen();
    if (record < 0 || record >= recordCount())
        throw FileError(QStringLiteral("Datensatz %1 in Datei %2 nicht vorhanden")
                            .arg(record + 1)
                            .arg(nativePath(path_)));
    return live_[static_cast<size_t>(record)];
}

QByteArray DbfTable::rawValue(int record, int fieldPos) const
{
    const int phys = physical(record);
    if (fieldPos < 0 || fieldPos >= fieldCount())
        throw FileError(QStringLiteral("Feld %1 nicht gefunden").arg(fieldPos));
    const char* rec = DBFReadTuple(d_->handle, phys);
    if (!rec) {
        discardRecordBuffer();
        throw damagedError(path_);
    }
    const int offset = d_->handle->panFieldOffset[fieldPos];
    const int width = d_->handle->panFieldSize[fieldPos];
    return QByteArray(rec + offset, width);
}

QString DbfTable::value(int record, int fieldPos) const
{
    QByteArray raw = rawValue(record, fieldPos);
    const char type = DBFGetNativeFieldType(d_->handle, fieldPos);
    qsizetype end = raw.size();
    while (end > 0 && (raw[end - 1] == ' ' || raw[end - 1] == '\0'))
        --end;
    raw.truncate(end);
    if (isNumberType(type)) {
        qsizetype start = 0;
        while (start < raw.size() && raw[start] == ' ')
            ++start;
        raw.remove(0, start);
    }
    if (bytes_ == DbfTextBytes::Family)
        raw = FamilyBytesToWindows1252(raw);
    return FromWindows1252(raw);
}

QString DbfTable::value(int record, const QString& fieldName) const
{
    return value(record, requireField(fieldName));
}

int DbfTable::fieldWidth(const QString& name) const
{
    const int i = isOpen() ? fieldIndex(name) : -1;
    return i < 0 ? 0 : field(i).width;
}

QString DbfTable::valueOrEmpty(int record, const QString& fieldName) const
{
    const int i = fieldIndex(fieldName);
    return i < 0 ? QString() : value(record, i);
}

void DbfTable::setValue(int record, int fieldPos, const QString& text)
{
    requireWritable();
    const int phys = physical(record);
    if (fieldPos < 0 || fieldPos >= fieldCount())
        throw FileError(QStringLiteral("Feld %1 nicht gefunden").arg(fieldPos));
    const int width = d_->handle->panFieldSize[fieldPos];
    QByteArray bytes = ToWindows1252(text);
    // The record is a fixed-width byte string: a NUL would end the text early.
    bytes.replace('\0', ' ');
    if (bytes.size() > width)
        bytes.truncate(width);
    if (isNumberType(DBFGetNativeFieldType(d_->handle, fieldPos)) && bytes.size() < width)
        bytes.prepend(QByteArray(width - bytes.size(), ' '));
    // Written as it stands: the string writer of the library would turn the
    // text of a number field into a number and store 0 for anything it cannot
    // parse.
    if (!DBFWriteAttributeDirectly(d_->handle, phys, fieldPos, bytes.data())) {
        discardRecordBuffer();
        throw writeError(path_);
    }
}

void DbfTable::discardRecordBuffer() const
{
    // After a failed read the library's record buffer holds part of another
    // record while it still names the previous one: it must never be shown
    // or written back.
    d_->handle->nCurrentRecord = -1;
    d_->handle->bCurrentRecordModified = 0;
}

void DbfTable::setValue(int record, const QString& fieldName, const QString& text)
{
    setValue(record, requireField(fieldName), text);
}

void DbfTable::clearFields(int record, int firstField, int lastField)
{
    for (int f = std::max(0, firstField); f <= lastField && f < fieldCount(); ++f)
        setValue(record, f, QString());
}

void DbfTable::updateHeader()
{
    DBFUpdateHeader(d_->handle);
    auto* stream = reinterpret_cast<GuardedStream*>(d_->handle->fp);
    if (!stream->failed && std::fflush(stream->file) != 0)
        markFailed(stream);
    if (stream->failed)
        throw writeError(path_);
}

void DbfTable::post()
{
    requireOpen();
    if (readOnly())
        return;
    updateHeader();
}

int DbfTable::appendRecord()
{
    requireWritable();
    // The library writes a record of no fields beyond its buffer.
    if (fieldCount() == 0)
        throw damagedError(path_);
    const int phys = DBFGetRecordCount(d_->handle);
    if (!DBFWriteAttributeDirectly(d_->handle, phys, 0, const_cast<char*>("")))
        throw writeError(path_);
    live_.push_back(phys);
    updateHeader();
    return recordCount() - 1;
}

void DbfTable::deleteRecord(int record)
{
    requireWritable();
    const int phys = physical(record);
    if (!DBFMarkRecordDeleted(d_->handle, phys, 1))
        throw writeError(path_);
    live_.erase(live_.begin() + record);
    updateHeader();
}

void DbfTable::replaceContents(const QByteArray& file)
{
    // The table is rewritten in place under its lock, then opened again; the
    // handle is reopened even after a failed write so the table stays usable.
    bool ok = writeAll(d_->lockFd, file);
    if (ok)
        ok = ftruncate(d_->lockFd, file.size()) == 0;
    if (ok)
        ok = fsync(d_->lockFd) == 0;
    openHandle();
    rebuildLive();
    if (!ok)
        throw writeError(path_);
}

void DbfTable::pack()
{
    requireWritable();
    DBFClose(d_->handle);
    d_->handle = nullptr;
    QByteArray file;
    if (!readAll(d_->lockFd, file)) {
        openHandle();
        rebuildLive();
        throw FileError(QStringLiteral("Lesefehler in Datei %1").arg(nativePath(path_)));
    }
    DbfLayout layout;
    if (!readLayout(file, layout)) {
        openHandle();
        rebuildLive();
        throw openError(path_);
    }
    QByteArray packed = file.left(layout.headerLength);
    uint32_t kept = 0;
    for (uint32_t r = 0; r < layout.records; ++r) {
        const qsizetype at = layout.headerLength + static_cast<qsizetype>(r) * layout.recordLength;
        if (file[at] == '*')
            continue;
        packed.append(file.constData() + at, layout.recordLength);
        ++kept;
    }
    packed.append('\x1A');
    putLe32(reinterpret_cast<unsigned char*>(packed.data()) + 4, kept);
    stampToday(reinterpret_cast<unsigned char*>(packed.data()));
    replaceContents(packed);
}

void DbfTable::renameTo(const QString& path)
{
    requireWritable();
    updateHeader();
    // The lock sits on the file, not on its name: it holds throughout.
    if (!RenamePath(path_, path))
        throw FileError::cannotCreate(path);
    path_ = path;
}

QByteArray DbfTable::snapshot()
{
    requireWritable();
    if (d_->handle->bCurrentRecordModified)
        updateHeader();
    QByteArray file;
    if (!readAll(d_->lockFd, file))
        throw FileError(QStringLiteral("Lesefehler in Datei %1").arg(nativePath(path_)));
    return file;
}

QByteArray DbfTable::pendingSnapshot()
{
    requireWritable();
    QByteArray file;
    if (!readAll(d_->lockFd, file))
        throw FileError(QStringLiteral("Lesefehler in Datei %1").arg(nativePath(path_)));
    const DBFHandle h = d_->handle;
    if (h->bCurrentRecordModified && h->nCurrentRecord >= 0) {
        const qint64 at = qint64(h->nHeaderLength) + qint64(h->nRecordLength) * h->nCurrentRecord;
        if (file.size() < at + h->nRecordLength)
            file.resize(at + h->nRecordLength);
        file.replace(at, h->nRecordLength, h->pszCurrentRecord, h->nRecordLength);
    }
    if (file.size() >= 8)
        qToLittleEndian<quint32>(quint32(h->nRecords), file.data() + 4);
    return file;
}

void DbfTable::restore(const QByteArray& file)
{
    requireWritable();
    // The handle may hold a refused write; it must not flush it on closing.
    auto* stream = reinterpret_cast<GuardedStream*>(d_->handle->fp);
    stream->failed = true;
    __fpurge(stream->file);
    d_->handle->bCurrentRecordModified = 0;
    d_->handle->bUpdated = 0;
    DBFClose(d_->handle);
    d_->handle = nullptr;
    replaceContents(file);
}

DbfTable& ClassTable()
{
    static DbfTable table;
    return table;
}

namespace {
const ProgramWideReset resetClassTable(ResetOrder::Objects, [] { ClassTable().close(); });
}

bool TableInUse(const QString& path)
{
    const int fd = openLocked(path, true);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == EWOULDBLOCK;
}

ClassTableLock::ClassTableLock(const QString& path)
{
    fd_ = openLocked(path, true);
    if (fd_ < 0)
        held_ = errno != EWOULDBLOCK && errno != EAGAIN;
}

ClassTableLock::~ClassTableLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

QString ClassInUseMessage(const QString& name)
{
    return QStringLiteral("Die Klasse %1 ist in einem anderen Programm geöffnet und bleibt unverändert.").arg(name);
}

bool ClassTableSizeFits(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    unsigned char head[32];
    const bool read = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                      ::pread(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head);
    ::close(fd);
    if (!read)
        return false;
    const uint64_t largest = static_cast<uint64_t>(le16(head + 8)) +
                             static_cast<uint64_t>(kClassTableRecords) * le16(head + 10) + 1;
    return static_cast<uint64_t>(st.st_size) <= largest;
}

void ConvertStickClassTable(const QString& path)
{
    const int fd = openLocked(path, true);
    if (fd < 0)
        throw openError(path);
    // The lock is held until the converted table has replaced the old one:
    // another opener that slipped in between would write to a file that no
    // longer carries the name.
    struct Unlock {
        int fd;
        ~Unlock() { ::close(fd); }
    } unlock{fd};
    if (!headerSound(fd) || !ClassTableSizeFits(path))
        throw damagedError(path);
    QByteArray file;
    if (!readAll(fd, file))
        throw FileError(QStringLiteral("Lesefehler in Datei %1").arg(nativePath(path)));
    DbfLayout layout;
    if (!headerSound(fd) || !readLayout(file, layout))
        throw damagedError(path);
    for (uint32_t r = 0; r < layout.records; ++r) {
        const qsizetype at = layout.headerLength + static_cast<qsizetype>(r) * layout.recordLength;
        // The first byte of a record is its deletion flag.
        const QByteArray data = FamilyBytesToWindows1252(file.mid(at + 1, layout.recordLength - 1));
        file.replace(at + 1, data.size(), data);
    }
    stampToday(reinterpret_cast<unsigned char*>(file.data()));
    WriteFileAtomic(path, file);
}

} // namespace hsa
