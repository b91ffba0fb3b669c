#include "platform/errors.h"

#include <QDir>

namespace hsa {

FileError FileError::cannotOpen(const QString& path)
{
    return FileError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(QDir::toNativeSeparators(path)));
}

FileError FileError::cannotCreate(const QString& path)
{
    return FileError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(QDir::toNativeSeparators(path)));
}

FileError FileError::cannotCreateFolder(const QString& path)
{
    return FileError(QStringLiteral("Verzeichnis %1 kann nicht erstellt werden").arg(QDir::toNativeSeparators(path)));
}

} // namespace hsa
