#include "exchange/archivemove.h"

#include "classes/classrules.h"
#include "classes/fileops.h"
#include "classes/textfile.h"
#include "exchange/transfercopy.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hsa {

namespace {

const QString kIntentSuffix = QStringLiteral(".verschieben");
const QString kLeavingSuffix = QStringLiteral(".verschoben");

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString intentPath(const QString& root, const QString& cls8)
{
    return QDir(root).filePath(QLatin1Char('.') + cls8 + kIntentSuffix);
}

QString leavingPath(const QString& root, const QString& cls8)
{
    return QDir(root).filePath(QLatin1Char('.') + cls8 + kLeavingSuffix);
}

struct stat statOf(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        st.st_mode = 0;
    return st;
}

bool present(const QString& path)
{
    return statOf(path).st_mode != 0;
}

bool lockFd(int fd)
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_SETLK, &lock) == 0;
}

// The intent's descriptor with its lock taken; -1 when another program holds
// it, or it is no regular file of this user.
int lockIntent(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || !lockFd(fd)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The files of a class folder that travel with the class: regular files,
// not the program's own hidden ones.
QStringList travellingFiles(const QString& folder)
{
    QStringList out;
    for (const QString& f : RegularFilesIn(folder))
        if (!f.startsWith(QLatin1Char('.')))
            out << f;
    return out;
}

bool sameBytes(const QString& a, const QString& b)
{
    if (!IsRegularFile(a) || !IsRegularFile(b) || QFileInfo(a).size() != QFileInfo(b).size())
        return false;
    try {
        return ReadFileBytes(a) == ReadFileBytes(b);
    } catch (const FileError&) {
        return false;
    }
}

// True for the name of one entry that leads nowhere else.
bool plainName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/'))
        || name.contains(QLatin1Char('\\')))
        return false;
    return std::none_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20; });
}

// True when everything below folder is a regular file or a folder with a
// plain name: what the program itself puts into a class folder.
bool onlyPlainEntries(const QString& folder, int depth = 0)
{
    constexpr int kDeepest = 8;
    try {
        for (const FolderEntry& e : ReadFolder(folder)) {
            if (!plainName(e.name) || !(e.regular || e.folder))
                return false;
            if (e.folder && (depth == kDeepest || !onlyPlainEntries(QDir(folder).filePath(e.name), depth + 1)))
                return false;
        }
    } catch (const FileError&) {
        return false;
    }
    return true;
}

// Brings a class folder that stepped aside back to its name; only plain
// entries come back (a link planted there must not turn up among a class's
// files), the rest stays aside, unused.  True when nothing stayed.
bool putBack(const QString& leaving, const QString& classFolder)
{
    if (onlyPlainEntries(leaving))
        return RenamePath(leaving, classFolder);
    if (!QDir().mkdir(classFolder))
        return false;
    try {
        for (const FolderEntry& e : ReadFolder(leaving)) {
            const QString path = QDir(leaving).filePath(e.name);
            if (plainName(e.name) && (e.regular || (e.folder && onlyPlainEntries(path))))
                RenamePath(path, QDir(classFolder).filePath(e.name));
        }
    } catch (const FileError&) {
    }
    return false;
}

// A free name beside the intent that no recovery reads again.
QString unusedIntentPath(const QString& intent)
{
    QString candidate = intent + QStringLiteral(".unbenutzt");
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = intent + QStringLiteral(".unbenutzt%1").arg(n);
    return candidate;
}

QString leftAsideMessage(const QString& leaving)
{
    return QStringLiteral("Der Ordner %1 blieb von einer unterbrochenen Verschiebung ins Archiv zurück. Er enthält "
                          "Verknüpfungen oder andere besondere Einträge; sie bleiben dort und werden nicht benutzt, "
                          "die übrigen Dateien stehen wieder im Klassenordner.")
        .arg(shown(leaving));
}

// Empties the class folder of the files that the archive holds and removes
// it; a folder that keeps anything returns to its name as the class folder,
// with only its plain entries when planted is set (a folder the recovery
// found).  False when something stayed aside.
bool emptyLeavingFolder(const QString& folder, const QString& classFolder, const QStringList& files,
                        bool planted = false)
{
    for (const QString& f : files)
        RemoveFile(QDir(folder).filePath(f));
    if (QDir().rmdir(folder) || folder == classFolder || present(classFolder))
        return true;
    return planted ? putBack(folder, classFolder) : RenamePath(folder, classFolder);
}

// True when archive is the class tableName's folder of the year archive:
// the folder of its school year in root or on drive A, no link.  A move
// finishes into nothing else.
bool isOwnYearArchive(const QString& archive, const QString& root, const QString& tableName)
{
    const QFileInfo info(archive);
    const QString year = tableName.mid(3, 4);
    if (!info.isAbsolute() || year.size() != 4 || info.fileName() != year
        || !std::all_of(year.begin(), year.end(), [](QChar c) { return c.isDigit(); }) || !IsRealFolder(archive))
        return false;
    const QString parent = info.absolutePath();
    if (SameFolder(parent, root))
        return true;
    const QString driveA = DriveAFolder();
    return !driveA.isEmpty() && SameFolder(parent, driveA);
}

} // namespace

ArchiveMove::ArchiveMove(const QString& from, const QString& to, const QString& name)
    : from_(from), to_(to), name_(name), intent_(intentPath(from, ClassFolderName(name)))
{
    // The intent is on the disk, and locked, before anything changes.
    const QString failed = FileError::cannotCreate(intent_).message();
    fd_ = ::open(QFile::encodeName(intent_).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd_ < 0)
        throw FileError(failed);
    const QByteArray text = QFile::encodeName(name) + "\r\n" + QFile::encodeName(QDir(to).absolutePath()) + "\r\n";
    if (!lockFd(fd_) || FileStepFails(FileStep::Write) || !WriteFully(fd_, text.constData(), text.size())
        || ::fsync(fd_) != 0) {
        RemoveFile(intent_);
        ::close(fd_);
        throw FileError(failed);
    }
}

ArchiveMove::~ArchiveMove()
{
    if (fd_ >= 0) {
        RemoveFile(intent_);
        ::close(fd_);
    }
}

void ArchiveMove::leave()
{
    const QString cls8 = ClassFolderName(name_);
    const QString table = FindFileCI(from_, name_);
    const QString sourceFolder = FindFileCI(from_, cls8);
    const QString leaving = leavingPath(from_, cls8);
    const auto stays = [&](const QString& why) {
        return FileError(QStringLiteral("Die Klasse %1 wurde ins Archiv kopiert, bleibt aber auch, wo sie ist: %2")
                             .arg(name_, why));
    };
    // Its folder steps aside, the table goes, then the files the archive
    // holds.  Files that were not carried (links, sub-folders) keep the
    // folder in its place.
    const bool hasFolder = QFileInfo(sourceFolder).isDir();
    if (hasFolder && !RenamePath(sourceFolder, leaving))
        throw stays(QStringLiteral("%1 kann nicht verschoben werden.").arg(shown(sourceFolder)));
    if (!RemoveFile(table)) {
        if (hasFolder)
            RenamePath(leaving, sourceFolder);
        throw stays(QStringLiteral("Datei %1 kann nicht gelöscht werden.").arg(shown(table)));
    }
    if (hasFolder)
        emptyLeavingFolder(leaving, sourceFolder, travellingFiles(leaving));
    RemoveFile(intent_);
    ::close(fd_);
    fd_ = -1;
}

QStringList RecoverInterruptedArchiveMoves(const QString& root)
{
    QStringList reports;
    QStringList toldAside; // folders left aside that a report already names
    const QDir dir(root);
    for (const QString& entry : dir.entryList({QStringLiteral(".*") + kIntentSuffix},
                                              QDir::AllEntries | QDir::Hidden | QDir::System)) {
        const QString intent = dir.filePath(entry);
        const QString cls8 = entry.mid(1, entry.size() - 1 - kIntentSuffix.size());
        const int fd = lockIntent(intent);
        if (fd < 0) {
            if (!S_ISREG(statOf(intent).st_mode) || statOf(intent).st_uid != ::geteuid())
                reports << QStringLiteral("%1 stammt nicht von diesem Benutzer und bleibt unverändert.").arg(shown(intent));
            continue;
        }
        struct Close {
            int fd;
            ~Close() { ::close(fd); }
        } closing{fd};
        QStringList lines;
        try {
            lines = ReadTextLines(intent);
        } catch (const FileError&) {
        }
        const QString leaving = leavingPath(root, cls8);
        const QString classFolder = dir.filePath(cls8);
        if (present(leaving) && !S_ISDIR(statOf(leaving).st_mode)) {
            reports << QStringLiteral("%1 ist kein Ordner dieses Programms und bleibt unverändert.").arg(shown(leaving));
            continue;
        }
        const bool named = lines.size() >= 2 && IsPlainEntryName(lines.at(0)) && ClassFolderName(lines.at(0)) == cls8
                           && IsPlainEntryName(cls8);
        const QString table = named ? FindFileCI(root, lines.at(0)) : QString();
        const bool tableHome = named && present(table);
        const QString folder = present(leaving) ? leaving : FindFileCI(root, cls8);
        // An intent naming anything but the class's own year archive (the
        // program folder itself, a folder holding a copy) was not written by
        // a move of this program: nothing is taken away for it.
        if (named && !isOwnYearArchive(lines.at(1), root, lines.at(0))) {
            // Kept under its own name it would be reported at every start
            // and block every later move of the class (the intent is made
            // exclusively): it steps aside under a name that says so.
            const QString unused = unusedIntentPath(intent);
            const bool setAside = RenamePath(intent, unused);
            reports << QStringLiteral("%1 nennt als Ziel einer Verschiebung den Ordner %2, der nicht das "
                                      "Jahrgangsarchiv der Klasse %3 ist. Die Klasse bleibt, wo sie ist; %4")
                           .arg(shown(intent), shown(lines.at(1)), lines.at(0),
                                setAside ? QStringLiteral("die Datei liegt unverändert als %1 beiseite.").arg(shown(unused))
                                         : QStringLiteral("die Datei bleibt unverändert."));
            if (tableHome && present(leaving) && !present(classFolder) && !putBack(leaving, classFolder)) {
                reports << leftAsideMessage(leaving);
                toldAside << leaving;
            }
            continue;
        }
        QStringList files;
        try {
            files = travellingFiles(folder);
        } catch (const FileError& e) {
            reports << e.message() + QStringLiteral(" Die unterbrochene Verschiebung der Klasse %1 bleibt, wie sie ist.")
                                         .arg(cls8);
            continue;
        }
        // The archive holds the class when its table and each file still at
        // home stand there byte for byte.
        bool archived = named;
        if (named) {
            const QString archive = lines.at(1);
            const QString archivedTable = FindFileCI(archive, lines.at(0));
            archived = IsRegularFile(archivedTable) && (!tableHome || sameBytes(table, archivedTable));
            const QString archivedFolder = FindFileCI(archive, cls8);
            for (const QString& f : files)
                archived = archived && sameBytes(QDir(folder).filePath(f), FindFileCI(archivedFolder, f));
        }
        if (archived) {
            if (tableHome)
                RemoveFile(table);
            if (present(folder) && !emptyLeavingFolder(folder, classFolder, files, true)) {
                reports << leftAsideMessage(folder);
                toldAside << folder;
            }
        } else if (!named || tableHome) {
            // Nothing was taken away yet but the folder's name.
            if (present(leaving) && !present(classFolder) && !putBack(leaving, classFolder)) {
                reports << leftAsideMessage(leaving);
                toldAside << leaving;
            }
        } else {
            reports << QStringLiteral("Die Klasse %1 wurde ins Archiv %2 verschoben, das Archiv ist aber nicht lesbar "
                                      "oder unvollständig. Die Verschiebung wird beim nächsten Start beendet.")
                           .arg(lines.at(0), shown(lines.at(1)));
            continue;
        }
        RemoveFile(intent);
    }
    // A folder being emptied without its intent (left by a version that
    // did not record one): while its table is at home, it is the class
    // folder again.
    for (const QString& entry : dir.entryList({QStringLiteral(".*") + kLeavingSuffix},
                                              QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QString cls8 = entry.mid(1, entry.size() - 1 - kLeavingSuffix.size());
        const QString leaving = dir.filePath(entry);
        if (present(intentPath(root, cls8)) || !S_ISDIR(statOf(leaving).st_mode) || !IsPlainEntryName(cls8)
            || toldAside.contains(leaving))
            continue;
        const bool tableHome = !ListMatchingFiles(root, {cls8 + QStringLiteral("*.dbf")}).isEmpty();
        if (tableHome && !present(dir.filePath(cls8))) {
            if (!putBack(leaving, dir.filePath(cls8)))
                reports << leftAsideMessage(leaving);
            continue;
        }
        reports << QStringLiteral("Der Ordner %1 blieb von einer unterbrochenen Verschiebung ins Archiv zurück und "
                                  "bleibt unverändert.")
                       .arg(shown(leaving));
    }
    return reports;
}

bool ArchiveMoveInProgress(const QString& root, const QString& tableName)
{
    const QString intent = intentPath(root, ClassFolderName(tableName));
    if (!present(FindFileCI(root, QFileInfo(intent).fileName())))
        return false;
    const int fd = lockIntent(FindFileCI(root, QFileInfo(intent).fileName()));
    if (fd < 0)
        return true;
    ::close(fd);
    return false;
}

} // namespace hsa
