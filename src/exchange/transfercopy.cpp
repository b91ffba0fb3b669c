#include "exchange/transfercopy.h"

#include "classes/classtemplate.h"
#include "classes/drives.h"
#include "classes/fileops.h"
#include "classes/sharedstate.h"
#include "classes/tempfiles.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/programwide.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace hsa {

namespace {

TransferVolume*& installedVolume()
{
    static TransferVolume* v = nullptr;
    return v;
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

FileError writeError(const QString& dest)
{
    return FileError(QStringLiteral("Schreibfehler in Datei %1").arg(shown(dest)));
}

mode_t currentUmask()
{
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

// Closes a descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool close()
    {
        const int f = fd;
        fd = -1;
        return ::close(f) == 0;
    }
};

// Removes a half-written copy on every way out but success.
struct TemporaryName {
    QByteArray path;
    ~TemporaryName()
    {
        if (!path.isEmpty())
            ::unlink(path.constData());
    }
    void release() { path.clear(); }
};

} // namespace

bool IsRegularFile(const QString& path)
{
    const QFileInfo fi(path);
    return fi.exists() && fi.isFile() && !fi.isSymLink();
}

bool IsGradeFileName(const QString& name)
{
    if (!name.startsWith(QStringLiteral("v."), Qt::CaseInsensitive))
        return false;
    bool ok = false;
    const int n = name.mid(2).toInt(&ok);
    return ok && n >= 1 && n <= kClassTableRecords && name.mid(2) == QString::number(n);
}

QStringList RegularFilesIn(const QString& folder)
{
    QStringList out;
    for (const FolderEntry& e : ReadFolder(folder))
        if (e.regular && !IsProgramTemporaryFile(e.name))
            out << e.name;
    return out;
}

bool CheckSourceClassFolder(const QString& folder, bool seenBefore, const QString& targetFolder,
                            const QString& outcome)
{
    const auto refused = [&](const QString& why) {
        return FileError(why.arg(shown(folder)) + QStringLiteral("\n\r") + outcome);
    };
    if (IsRealFolder(folder)) {
        try {
            ReadFolder(folder);
        } catch (const FileError&) {
            throw refused(QStringLiteral("Der Klassenordner %1 kann nicht gelesen werden."));
        }
        return true;
    }
    if (seenBefore)
        throw refused(QStringLiteral("Der Klassenordner %1 ist nicht mehr vorhanden."));
    struct stat st {};
    if (!targetFolder.isEmpty() && ::lstat(QFile::encodeName(targetFolder).constData(), &st) == 0)
        throw refused(QStringLiteral("Der Klassenordner %1 fehlt, die Klasse ist unvollständig."));
    return false;
}

void TransferCopyFile(const QString& source, const QString& dest)
{
    const QByteArray from = QFile::encodeName(source);
    const QFileInfo target(dest);
    const QByteArray to = QFile::encodeName(target.absoluteFilePath());
    // Through the file layer's seam, so that a test can make any copy of a
    // class fail as a full disk does; the source may vanish right before.
    const bool refused = FileStepFails(FileStep::Copy);

    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat st {};
    if (in < 0 || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (in >= 0)
            ::close(in);
        throw FileError::cannotOpen(source);
    }
    Descriptor inGuard{in};
    // Copying a file onto itself would first empty it.
    struct stat old {};
    if (::stat(to.constData(), &old) == 0 && old.st_dev == st.st_dev && old.st_ino == st.st_ino)
        throw FileError::cannotCreate(dest);
    if (refused)
        throw writeError(dest);

    // Written beside dest under a hidden name and renamed only when every
    // byte is on the disk: a full disk reports itself on a write, at the
    // latest on fsync or close, and each of them is checked.
    QByteArray tmpl = QFile::encodeName(target.absolutePath()) + "/." + QFile::encodeName(target.fileName()) + ".XXXXXX";
    const int out = ::mkstemp(tmpl.data());
    if (out < 0)
        throw FileError::cannotCreate(dest);
    Descriptor outGuard{out};
    TemporaryName tmpGuard{tmpl};
    ::fchmod(out, 0666 & ~currentUmask());

    const qint64 size = static_cast<qint64>(st.st_size);
    const std::optional<qint64> full = transferVolume().fullAfter(dest, size);
    const bool breaking = full.has_value();
    const qint64 limit = breaking ? std::clamp<qint64>(*full, 0, size) : size;
    qint64 done = 0;
    std::vector<char> buf(65536);
    while (done < limit) {
        const ssize_t got = ::read(in, buf.data(), static_cast<size_t>(std::min<qint64>(limit - done, buf.size())));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw FileError(QStringLiteral("Lesefehler in Datei %1").arg(shown(source)));
        if (!WriteFully(out, buf.data(), got))
            throw writeError(dest);
        done += got;
    }
    if (breaking)
        throw writeError(dest);
    // A source that grew or shrank while it was read is no copy of it.
    struct stat after {};
    if (::fstat(in, &after) != 0 || after.st_size != st.st_size)
        throw FileError(QStringLiteral("Lesefehler in Datei %1").arg(shown(source)));
    struct stat written {};
    if (::fsync(out) != 0 || ::fstat(out, &written) != 0 || written.st_size != st.st_size)
        throw writeError(dest);
    if (!outGuard.close())
        throw writeError(dest);
    if (!RenamePath(QFile::decodeName(tmpl), target.absoluteFilePath()))
        throw writeError(dest);
    tmpGuard.release();
}

qint64 FreeSpace(const QString& folder)
{
    return transferVolume().freeSpace(folder);
}

qint64 TransferVolume::freeSpace(const QString& folder)
{
    QStorageInfo info(folder);
    if (!info.isValid())
        return -1;
    return info.bytesAvailable();
}

QString DriveAFolder()
{
    const QString sw = FindFileCI(state().programDir, QStringLiteral("laufwerk_a.txt"));
    if (QFileInfo(sw).isFile()) {
        try {
            const QString folder = ReadFirstLine(sw).trimmed();
            return !folder.isEmpty() && IsDriveReady(folder) ? folder : QString();
        } catch (const FileError&) {
            return QString();
        }
    }
    const QStringList roots = ReadyRemovableRoots();
    return roots.isEmpty() ? QString() : roots.first();
}

bool SameFolder(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

bool FoldersOverlap(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    if (ca.isEmpty() || cb.isEmpty())
        return false;
    const auto inside = [](const QString& inner, const QString& outer) {
        return inner == outer || inner.startsWith(outer.endsWith(QLatin1Char('/')) ? outer : outer + QLatin1Char('/'));
    };
    return inside(ca, cb) || inside(cb, ca);
}

bool IsPlainEntryName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QStringLiteral("..")) && !name.startsWith(QLatin1Char('.'));
}

std::optional<qint64> TransferVolume::fullAfter(const QString&, qint64)
{
    return std::nullopt;
}

TransferVolume& transferVolume()
{
    static TransferVolume system;
    return installedVolume() ? *installedVolume() : system;
}

void SetTransferVolume(TransferVolume* volume)
{
    installedVolume() = volume;
}

namespace {
const ProgramWideReset resetTransferVolume(ResetOrder::Objects, [] { SetTransferVolume(nullptr); });
}

} // namespace hsa
