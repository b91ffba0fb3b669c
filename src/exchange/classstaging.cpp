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
#include <fcntl.h>
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

const char* const kStagingPrefix = ".uebertragung-";
const char* const kPlanName = "plan";
const char* const kDoneName = "fertig";

// The lock a staging folder's owner holds while it lives (a record lock:
// the system drops it when the program ends, also when it is killed);
// -1 when another program holds it.
int lockStaging(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder + QStringLiteral("/sperre")).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return -1;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLK, &lock) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

ClassStaging::ClassStaging(const QString& targetRoot)
    : root_(targetRoot)
{
    RecoverInterruptedTransfers(targetRoot);
    QByteArray tmpl = QFile::encodeName(QDir(targetRoot).absolutePath()) + "/" + kStagingPrefix + "XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr)
        throw folderError(targetRoot);
    folder_ = QFile::decodeName(tmpl);
    lock_ = lockStaging(folder_);
    if (lock_ < 0 || !QDir().mkdir(folder_ + QStringLiteral("/neu")) || !QDir().mkdir(folder_ + QStringLiteral("/alt"))) {
        QDir(folder_).removeRecursively();
        if (lock_ >= 0)
            ::close(lock_);
        throw folderError(targetRoot);
    }
}

ClassStaging::~ClassStaging()
{
    // A commit that an unexpected error left half done goes back first: the
    // old class must not go with the staging folder.
    if (committing_ && !committed_ && !rollBack(folder_, root_)) {
        ::close(lock_);
        return;
    }
    QDir(folder_).removeRecursively();
    ::close(lock_);
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
    // The plan names each entry with its name in the target, before
    // anything moves; a rollback (now, or after the program was killed)
    // follows it backwards.
    QStringList plan;
    QMap<QString, QString> target;
    for (const QString& entry : entries) {
        if (target.contains(entry))
            continue;
        target.insert(entry, FindFileCI(root_, entry));
        plan << entry + QLatin1Char('\t') + QFileInfo(target.value(entry)).fileName();
    }
    try {
        WriteTextLines(folder_ + QStringLiteral("/") + kPlanName, plan);
    } catch (const FileError&) {
        throw FileError(QStringLiteral("Schreibfehler im Ordner %1").arg(shown(QDir(root_).absolutePath())));
    }
    committing_ = true;
    // Every error names the target, whichever side of the rename failed.
    const auto move = [&](const QString& from, const QString& to, const QString& entry) {
        if (!RenamePath(from, to)) {
            rollBack(folder_, root_);
            throw FileError(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(shown(target.value(entry))));
        }
    };
    const QString aside = folder_ + QStringLiteral("/alt/");
    for (const QString& entry : firstAway)
        if (entries.contains(entry) && present(target.value(entry)))
            move(target.value(entry), aside + entry, entry);
    for (const QString& entry : entries) {
        if (present(target.value(entry)))
            move(target.value(entry), aside + entry, entry);
        move(path(entry), target.value(entry), entry);
    }
    committed_ = true;
    QFile done(folder_ + QStringLiteral("/") + kDoneName);
    done.open(QIODevice::WriteOnly);
}

bool ClassStaging::rollBack(const QString& folder, const QString& root)
{
    QStringList plan;
    try {
        plan = ReadTextLines(folder + QStringLiteral("/") + kPlanName);
    } catch (const FileError&) {
        return false;
    }
    bool whole = true;
    for (qsizetype i = plan.size() - 1; i >= 0; --i) {
        const QString entry = plan.at(i).section(QLatin1Char('\t'), 0, 0);
        const QString name = plan.at(i).section(QLatin1Char('\t'), 1);
        if (!IsPlainEntryName(entry) || !IsPlainEntryName(name))
            return false;
        const QString target = QDir(root).filePath(name);
        const QString staged = folder + QStringLiteral("/neu/") + entry;
        const QString old = folder + QStringLiteral("/alt/") + entry;
        // A staged entry that is gone from the staging folder was put in
        // place: it goes back, and the old one returns.
        if (!present(staged) && present(target))
            whole = RenamePath(target, staged) && whole;
        if (present(old))
            whole = RenamePath(old, target) && whole;
    }
    return whole;
}

void RecoverInterruptedTransfers(const QString& root)
{
    const QDir dir(root);
    for (const QString& name : dir.entryList({QString::fromLatin1(kStagingPrefix) + QLatin1Char('*')},
                                             QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QString folder = dir.filePath(name);
        if (QFileInfo(folder).isSymLink())
            continue;
        // A transfer that is still running (another desk) holds its lock.
        const int lock = lockStaging(folder);
        if (lock < 0)
            continue;
        const bool started = present(folder + QStringLiteral("/") + kPlanName);
        const bool finished = present(folder + QStringLiteral("/") + kDoneName);
        if (!started || finished || ClassStaging::rollBack(folder, root))
            QDir(folder).removeRecursively();
        ::close(lock);
    }
}

} // namespace hsa
