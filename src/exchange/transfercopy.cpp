#include "exchange/transfercopy.h"

#include "classes/drives.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace hsa {

namespace {

std::function<bool(const QString&)>& fault()
{
    static std::function<bool(const QString&)> f;
    return f;
}

std::function<qint64(const QString&)>& spaceSource()
{
    static std::function<qint64(const QString&)> s;
    return s;
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

FileError writeError(const QString& dest)
{
    return FileError(QStringLiteral("Schreibfehler in Datei %1").arg(shown(dest)));
}

} // namespace

bool IsRegularFile(const QString& path)
{
    const QFileInfo fi(path);
    return fi.exists() && fi.isFile() && !fi.isSymLink();
}

QStringList RegularFilesIn(const QString& folder)
{
    QStringList out;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return out;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System,
                                                  QDir::Name | QDir::IgnoreCase))
        if (IsRegularFile(dir.filePath(name)))
            out << name;
    return out;
}

void TransferCopyFile(const QString& source, const QString& dest)
{
    if (!IsRegularFile(source))
        throw FileError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(shown(source)));
    // Copying a file onto itself would first empty it.
    const QFileInfo target(dest);
    if (target.exists() && target.canonicalFilePath() == QFileInfo(source).canonicalFilePath())
        throw FileError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(shown(dest)));

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(shown(source)));
    QSaveFile out(dest);
    // QSaveFile writes beside dest under a temporary name and renames it
    // over dest only on commit.
    if (!out.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(shown(dest)));
    const bool breaking = fault() && fault()(dest);
    const qint64 limit = breaking ? in.size() / 2 : in.size();
    qint64 done = 0;
    char buf[65536];
    while (done < limit) {
        const qint64 got = in.read(buf, std::min<qint64>(limit - done, sizeof buf));
        if (got <= 0) {
            out.cancelWriting();
            throw FileError(QStringLiteral("Lesefehler in Datei %1").arg(shown(source)));
        }
        if (out.write(buf, got) != got) {
            out.cancelWriting();
            throw writeError(dest);
        }
        done += got;
    }
    if (breaking) {
        out.cancelWriting();
        throw writeError(dest);
    }
    if (!out.commit())
        throw writeError(dest);
}

qint64 FreeSpace(const QString& folder)
{
    if (spaceSource())
        return spaceSource()(folder);
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

void SetTransferCopyFault(std::function<bool(const QString& dest)> f)
{
    fault() = std::move(f);
}

void SetFreeSpaceSource(std::function<qint64(const QString& folder)> source)
{
    spaceSource() = std::move(source);
}

} // namespace hsa
