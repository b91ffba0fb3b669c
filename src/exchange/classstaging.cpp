#include "exchange/classstaging.h"

#include "classes/fileops.h"
#include "classes/tempfiles.h"
#include "classes/textfile.h"
#include "exchange/transfercopy.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
#include <cstdlib>
#include <optional>
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
    return FileError::cannotCreateFolder(folder);
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
// -1 when another program holds it or the lock file is no regular file.
int lockStaging(const QString& folder, bool create = true)
{
    const int fd = ::open(QFile::encodeName(folder + QStringLiteral("/sperre")).constData(),
                          O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0600);
    if (fd < 0)
        return -1;
    struct stat st {};
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETLK, &lock) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct stat statOf(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        st.st_mode = 0;
    return st;
}

bool isRealFolder(const QString& path)
{
    return S_ISDIR(statOf(path).st_mode);
}

bool isRealFile(const QString& path)
{
    return S_ISREG(statOf(path).st_mode);
}

bool ownedByUs(const QString& path)
{
    const struct stat st = statOf(path);
    return st.st_mode != 0 && st.st_uid == ::geteuid();
}

// A name in a staging folder: a plain one, or the hidden name of a copy a
// killed program left half-written.
bool stagedName(const QString& name)
{
    return IsPlainEntryName(name) || IsProgramTemporaryFile(name);
}

// Everything in folder (a part "neu" or "alt") is a regular file or a
// folder of regular files (no links), the entries with names that lead
// nowhere else.
bool soundPart(const QString& folder)
{
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString path = dir.filePath(name);
        if (!stagedName(name))
            return false;
        if (isRealFile(path))
            continue;
        if (!isRealFolder(path))
            return false;
        const QDir inner(path);
        for (const QString& file :
             inner.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            if (!isRealFile(inner.filePath(file)))
                return false;
    }
    return true;
}

QString shownFolder(const QString& folder)
{
    return QDir::toNativeSeparators(folder);
}

// The plan's lines, each entry with its name in the target; nullopt when
// the plan cannot be read or names anything but plain entries.
std::optional<QList<QPair<QString, QString>>> readPlan(const QString& folder)
{
    QStringList lines;
    try {
        lines = ReadTextLines(folder + QLatin1Char('/') + QLatin1String(kPlanName));
    } catch (const FileError&) {
        return std::nullopt;
    }
    QList<QPair<QString, QString>> plan;
    for (const QString& line : lines) {
        const QString entry = line.section(QLatin1Char('\t'), 0, 0);
        const QString name = line.section(QLatin1Char('\t'), 1);
        if (!IsPlainEntryName(entry) || !IsPlainEntryName(name))
            return std::nullopt;
        plan.append({entry, name});
    }
    return plan;
}

// Why a staging folder of root is not to be touched; empty when it is ours
// and sound: only the parts, the plan and its marks, each what it should
// be, and every target of its plan a regular file or a real folder.
QString untrusted(const QString& folder, const QString& root)
{
    if (!ownedByUs(folder))
        return QStringLiteral("Der Übertragungsordner %1 gehört einem anderen Benutzer; eine Übertragung dieses "
                              "Benutzers ist nicht abgeschlossen. Der Ordner bleibt unverändert.")
            .arg(shownFolder(folder));
    const QString odd = QStringLiteral("Der Übertragungsordner %1 enthält Verknüpfungen oder unerwartete Einträge "
                                       "und bleibt unverändert.")
                            .arg(shownFolder(folder));
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString path = dir.filePath(name);
        const bool part = name == QLatin1String("neu") || name == QLatin1String("alt");
        const bool mark = name == QLatin1String(kPlanName) || name == QLatin1String(kDoneName)
                          || name == QLatin1String("sperre") || IsProgramTemporaryFile(name);
        if (part ? !(isRealFolder(path) && ownedByUs(path) && soundPart(path)) : !(mark && isRealFile(path)))
            return odd;
    }
    if (present(folder + QLatin1Char('/') + QLatin1String(kPlanName))) {
        const auto plan = readPlan(folder);
        if (!plan)
            return odd;
        for (const auto& [entry, name] : *plan) {
            const QString target = QDir(root).filePath(name);
            if (present(target) && !isRealFile(target) && !isRealFolder(target))
                return odd;
        }
    }
    return {};
}

// The newest modification of path, a file or a folder and its files.
qint64 newestChange(const QString& path)
{
    const struct stat st = statOf(path);
    qint64 newest = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (S_ISDIR(st.st_mode)) {
        const QDir dir(path);
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
            newest = std::max(newest, newestChange(dir.filePath(name)));
    }
    return newest;
}

} // namespace

// The check of InUnfinishedTransfer, passing over the staging folder except
// (the caller's own).
bool InUnfinishedTransfer(const QString& root, const QStringList& names, const QString& except);

ClassStaging::ClassStaging(const QString& targetRoot)
    : root_(targetRoot)
{
    RecoverInterruptedTransfers(targetRoot);
    QByteArray tmpl = QFile::encodeName(QDir(targetRoot).absolutePath()) + "/" + kStagingPrefix + "XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr)
        throw folderError(targetRoot);
    folder_ = QFile::decodeName(tmpl);
    // Readable by every user (never writable): another user's program must
    // see which class this transfer holds.
    ::chmod(tmpl.constData(), 0755);
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
    // A folder that cannot be read would pass for one without files, and
    // what the older class keeps would be lost with it.
    QStringList files;
    for (const FolderEntry& e : ReadFolder(folder)) {
        if (!e.regular)
            throw odd;
        files << e.name;
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
    for (const QString& entry : entries)
        if (InUnfinishedTransfer(root_, {QFileInfo(target.value(entry)).fileName()}, folder_))
            throw FileError(ClassBeingChangedMessage(QFileInfo(target.value(entry)).fileName()));
    try {
        WriteTextLines(folder_ + QStringLiteral("/") + kPlanName, plan);
        ::chmod(QFile::encodeName(folder_ + QStringLiteral("/") + kPlanName).constData(), 0644);
    } catch (const FileError&) {
        throw FileError(QStringLiteral("Schreibfehler im Ordner %1").arg(shown(QDir(root_).absolutePath())));
    }
    committing_ = true;
    // Every error names the target, whichever side of the rename failed.
    const auto move = [&](const QString& from, const QString& to, const QString& entry) {
        if (!RenamePath(from, to)) {
            rollBack(folder_, root_);
            throw FileError::cannotCreate(target.value(entry));
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

bool ClassStaging::rollBack(const QString& folder, const QString& root, bool forward)
{
    const auto plan = readPlan(folder);
    if (!plan)
        return false;
    const QString planPath = folder + QLatin1Char('/') + QLatin1String(kPlanName);
    const qint64 planned = newestChange(planPath);
    const auto targetOf = [&](const QPair<QString, QString>& step) { return QDir(root).filePath(step.second); };
    const auto staged = [&](const QPair<QString, QString>& step) { return folder + QStringLiteral("/neu/") + step.first; };
    const auto old = [&](const QPair<QString, QString>& step) { return folder + QStringLiteral("/alt/") + step.first; };
    // A new entry that was written to after the plan (another desk opened
    // the class and typed marks) must not go with the older class: the
    // commit is finished instead.
    if (!forward)
        for (const auto& step : *plan)
            if (!present(staged(step)) && present(targetOf(step)) && newestChange(targetOf(step)) > planned)
                forward = true;
    bool whole = true;
    if (forward) {
        for (const auto& step : *plan) {
            if (!present(staged(step)))
                continue;
            if (present(targetOf(step)) && !present(old(step)))
                whole = RenamePath(targetOf(step), old(step)) && whole;
            whole = !present(targetOf(step)) && RenamePath(staged(step), targetOf(step)) && whole;
        }
        if (whole) {
            QFile done(folder + QLatin1Char('/') + QLatin1String(kDoneName));
            whole = done.open(QIODevice::WriteOnly);
        }
        return whole;
    }
    for (qsizetype i = plan->size() - 1; i >= 0; --i) {
        const auto& step = plan->at(i);
        // A staged entry that is gone from the staging folder was put in
        // place: it goes back, and the old one returns.
        if (!present(staged(step)) && present(targetOf(step)))
            whole = RenamePath(targetOf(step), staged(step)) && whole;
        if (present(old(step)))
            whole = RenamePath(old(step), targetOf(step)) && whole;
    }
    return whole;
}

namespace {

QStringList stagingFolders(const QString& root)
{
    QStringList out;
    const QDir dir(root);
    for (const QString& name : dir.entryList({QString::fromLatin1(kStagingPrefix) + QLatin1Char('*')},
                                             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        out << dir.filePath(name);
    return out;
}

} // namespace

QStringList RecoverInterruptedTransfers(const QString& root)
{
    QStringList reports;
    for (const QString& folder : stagingFolders(root)) {
        // A link or a file under the name is nothing this program made.
        if (!isRealFolder(folder)) {
            reports << QStringLiteral("%1 ist kein Übertragungsordner dieses Programms und bleibt unverändert.")
                           .arg(shownFolder(folder));
            continue;
        }
        if (!ownedByUs(folder)) {
            reports << untrusted(folder, root);
            continue;
        }
        // Nothing is written into a folder before it proved sound; a
        // transfer that is still running (another desk) holds its lock.
        if (const QString why = untrusted(folder, root); !why.isEmpty()) {
            const int running = lockStaging(folder, false);
            if (running >= 0 || !isRealFile(folder + QStringLiteral("/sperre")))
                reports << why;
            if (running >= 0)
                ::close(running);
            continue;
        }
        const int lock = lockStaging(folder);
        if (lock < 0)
            continue;
        const bool started = present(folder + QStringLiteral("/") + kPlanName);
        const bool finished = present(folder + QStringLiteral("/") + kDoneName);
        if (!started || finished || ClassStaging::rollBack(folder, root))
            QDir(folder).removeRecursively();
        ::close(lock);
    }
    return reports;
}

bool InUnfinishedTransfer(const QString& root, const QStringList& names, const QString& except)
{
    for (const QString& folder : stagingFolders(root)) {
        if (folder == except || !isRealFolder(folder))
            continue;
        if (present(folder + QLatin1Char('/') + QLatin1String(kDoneName)))
            continue;
        const bool planned = present(folder + QLatin1Char('/') + QLatin1String(kPlanName));
        // A folder this user cannot look into may hold any class.
        if (!planned && QDir(folder).isReadable())
            continue;
        bool recoverable = false;
        if (ownedByUs(folder)) {
            const int lock = lockStaging(folder, false);
            recoverable = lock >= 0 && untrusted(folder, root).isEmpty();
            if (lock >= 0)
                ::close(lock);
        }
        if (recoverable)
            continue;
        const auto plan = readPlan(folder);
        if (!plan)
            return true;
        for (const auto& step : *plan)
            for (const QString& name : names)
                if (step.second.compare(name, Qt::CaseInsensitive) == 0)
                    return true;
    }
    return false;
}

bool InUnfinishedTransfer(const QString& root, const QStringList& names)
{
    return InUnfinishedTransfer(root, names, QString());
}

QString ClassBeingChangedMessage(const QString& name)
{
    return QStringLiteral("Die Klasse %1 wird gerade von einem anderen Benutzer geändert: eine Übertragung dieser "
                          "Klasse ist nicht abgeschlossen. Die Klasse bleibt unverändert und kann erst danach "
                          "wieder benutzt werden.")
        .arg(name);
}

} // namespace hsa
