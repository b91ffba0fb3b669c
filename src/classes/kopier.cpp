#include "classes/kopier.h"
#include "classes/textfile.h"
#include "classes/fileops.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace hsa {

namespace {

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa;
    struct stat sb;
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace

void CopyFileContents(const QString& source, const QString& dest)
{
    // Opening the target first would empty the very file that is to be read.
    if (sameFile(source, dest))
        throw FileError(QStringLiteral("Datei %1 kann nicht auf sich selbst kopiert werden")
                            .arg(QDir::toNativeSeparators(dest)));
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw FileError::cannotOpen(source);
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("Lesefehler in Datei %1").arg(QDir::toNativeSeparators(source)));
    // The seam through which tests make a copy fail as on a full disk.
    if (FileStepFails(FileStep::Copy))
        throw FileError(QStringLiteral("Schreibfehler in Datei %1").arg(QDir::toNativeSeparators(dest)));
    // Written beside the target and renamed when complete: a copy that
    // fails halfway leaves the old target whole.
    WriteFileAtomic(dest, data);
}

int32_t FindFileSize(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QFileInfo fi(QDir::current(), n);
    const QString pattern = fi.fileName();
    if (pattern.isEmpty())
        return -1;
    QDir dir = fi.absoluteDir();
    if (!dir.exists())
        return -1;
    QStringList matches;
    if (pattern.contains(QLatin1Char('*')) || pattern.contains(QLatin1Char('?'))) {
        matches = dir.entryList({pattern}, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                QDir::Name);
    } else {
        const QStringList all = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                              QDir::Name);
        if (dir.exists(pattern))
            matches << pattern;
        for (const QString& e : all)
            if (e.compare(pattern, Qt::CaseInsensitive) == 0)
                matches << e;
    }
    if (matches.isEmpty())
        return -1;
    const QFileInfo found(dir.filePath(matches.first()));
    return static_cast<int32_t>(static_cast<uint32_t>(found.isDir() ? 0 : found.size()));
}

} // namespace hsa
