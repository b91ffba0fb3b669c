#include "classes/kopier.h"
#include "classes/fileops.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace hsa {

void CopyFileContents(const QString& source, const QString& dest)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(QDir::toNativeSeparators(source)));
    QFile out(dest);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw FileError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(QDir::toNativeSeparators(dest)));
    // A full disk shows itself after the target was already cut to nothing.
    if (FileStepFails(FileStep::Copy))
        throw FileError(QStringLiteral("Schreibfehler in Datei %1").arg(QDir::toNativeSeparators(dest)));
    qint64 left = in.size();
    char buf[65536];
    while (left > 0) {
        const qint64 want = std::min<qint64>(left, sizeof buf);
        const qint64 got = in.read(buf, want);
        if (got <= 0)
            throw FileError(QStringLiteral("Lesefehler in Datei %1").arg(QDir::toNativeSeparators(source)));
        if (out.write(buf, got) != got)
            throw FileError(QStringLiteral("Schreibfehler in Datei %1").arg(QDir::toNativeSeparators(dest)));
        left -= got;
    }
    if (!out.flush())
        throw FileError(QStringLiteral("Schreibfehler in Datei %1").arg(QDir::toNativeSeparators(dest)));
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
