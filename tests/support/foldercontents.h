#pragma once
#include <QDirIterator>
#include <QFile>
#include <QMap>

namespace hsa::test {

// Every file and folder below root (hidden ones too) with its bytes, a
// folder's empty: equal before and after shows that nothing at all changed.
inline QMap<QString, QByteArray> FolderContents(const QString& root)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        out[file.fileName()] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    return out;
}

} // namespace hsa::test
