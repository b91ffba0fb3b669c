#include "exchange/classstaging.h"

#include "classes/fileops.h"
#include "classes/textfile.h"
#include "exchange/transfercopy.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace hsa {

namespace {

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

FileError folderError(const QString& folder)
{
    return FileError(QStringLiteral("Verzeichnis %1 kann nicht erstellt werden").arg(shown(folder)));
}

// True when something (a file, a folder, a dangling link) carries the name.
bool present(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

} // namespace

ClassStaging::ClassStaging(const QString& targetRoot)
    : root_(targetRoot)
{
    QByteArray tmpl = QFile::encodeName(QDir(targetRoot).absolutePath()) + "/.uebertragung-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr)
        throw folderError(targetRoot);
    folder_ = QFile::decodeName(tmpl);
    if (!QDir().mkdir(folder_ + QStringLiteral("/neu")) || !QDir().mkdir(folder_ + QStringLiteral("/alt"))) {
        QDir(folder_).removeRecursively();
        throw folderError(targetRoot);
    }
}

ClassStaging::~ClassStaging()
{
    QDir(folder_).removeRecursively();
}

QString ClassStaging::path(const QString& entry) const
{
    return folder_ + QStringLiteral("/neu/") + entry;
}

void ClassStaging::copy(const QString& source, const QString& entry)
{
    try {
        TransferCopyFile(source, path(entry));
    } catch (const FileError& e) {
        throw forTarget(e);
    }
}

void ClassStaging::makeFolder(const QString& entry)
{
    if (!QDir().mkpath(path(entry)))
        throw forTarget(folderError(path(entry)));
}

FileError ClassStaging::forTarget(const FileError& e) const
{
    QString message = e.message();
    message.replace(shown(folder_ + QStringLiteral("/neu")), shown(QDir(root_).absolutePath()));
    return FileError(message);
}

QStringList ClassStaging::folderFiles(const QString& folder) const
{
    if (!present(folder))
        return {};
    const FileError odd(QStringLiteral("Der Ordner %1 enthält Unterordner oder Verknüpfungen und wird nicht ersetzt.")
                            .arg(shown(folder)));
    const QFileInfo info(folder);
    if (info.isSymLink() || !info.isDir())
        throw odd;
    QStringList files;
    for (const QString& name :
         QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (!IsRegularFile(QDir(folder).filePath(name)))
            throw odd;
        files << name;
    }
    return files;
}

void ClassStaging::keep(const QString& existing, const QString& entry)
{
    // A second name for the same bytes costs no space; volumes without
    // links (a stick) get a copy.
    if (::link(QFile::encodeName(existing).constData(), QFile::encodeName(path(entry)).constData()) == 0)
        return;
    copy(existing, entry);
}

void ClassStaging::commit(const QStringList& entries, const QStringList& firstAway)
{
    // The names as they stand in the target, before anything moves.
    QMap<QString, QString> target;
    for (const QString& entry : entries + firstAway)
        target.insert(entry, FindFileCI(root_, entry));
    struct Move {
        QString from;
        QString to;
    };
    QList<Move> done;
    // Every error names the target, whichever side of the rename failed.
    const auto move = [&](const QString& from, const QString& to, const QString& entry) {
        if (!RenamePath(from, to))
            throw FileError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(shown(target.value(entry))));
        done.append({from, to});
    };
    const QString aside = folder_ + QStringLiteral("/alt/");
    try {
        for (const QString& entry : firstAway)
            if (present(target.value(entry)))
                move(target.value(entry), aside + entry, entry);
        for (const QString& entry : entries) {
            if (present(target.value(entry)))
                move(target.value(entry), aside + entry, entry);
            move(path(entry), target.value(entry), entry);
        }
    } catch (const FileError&) {
        // Back in reverse order; each of these renames undoes one that
        // worked a moment ago on the same volume.
        for (qsizetype i = done.size() - 1; i >= 0; --i)
            RenamePath(done.at(i).to, done.at(i).from);
        throw;
    }
}

} // namespace hsa
