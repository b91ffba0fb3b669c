#include "classes/tempfiles.h"

#include "classes/fileops.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace hsa {

bool IsProgramTemporaryFile(const QString& fileName)
{
    static const QRegularExpression patterns[] = {
        QRegularExpression(QStringLiteral("^\\..+\\.[A-Za-z0-9]{6}$")),
        QRegularExpression(QStringLiteral("^[vmlVML]\\.[0-9]+\\.[A-Za-z0-9]{6}$")),
        QRegularExpression(QStringLiteral("^\\.weg-[0-9]+-.+$")),
    };
    for (const QRegularExpression& p : patterns)
        if (p.match(fileName).hasMatch())
            return true;
    return false;
}

int RemoveStaleTemporaryFiles(const QString& folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return 0;
    int removed = 0;
    const QDir dir(folder);
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        // A link is removed as a link, never what it points to.
        if (IsProgramTemporaryFile(fi.fileName()) && RemoveFile(dir.filePath(fi.fileName())))
            ++removed;
    }
    return removed;
}

} // namespace hsa
