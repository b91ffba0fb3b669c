#include "exchange/yeararchive.h"

#include "classes/classrules.h"
#include "classes/sharedstate.h"
#include "classes/studentlist.h"
#include "classes/textfile.h"
#include "classes/dbftable.h"
#include "classes/fileops.h"
#include "exchange/archivemove.h"
#include "exchange/classstaging.h"
#include "exchange/transferrecovery.h"
#include "exchange/transfercopy.h"
#include "platform/errors.h"
#include "platform/programwide.h"
#include "platform/prompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace hsa {

namespace {

const QString kBreak = QStringLiteral("\n\r");

bool isYear(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^[0-9]{4}$"));
    return re.match(text).hasMatch();
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

void makeFolder(const QString& folder)
{
    if (!QDir().mkpath(folder))
        throw FileError::cannotCreateFolder(folder);
}

// "v.", "m." and "l." + 1 to 40, any case.
bool isStudentFileName(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^[vml]\\.([1-9]|[1-3][0-9]|40)$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch();
}

} // namespace

QString ArchivePlaceCaption(ArchivePlace place)
{
    return place == ArchivePlace::DriveA ? QStringLiteral("Laufwerk A") : QStringLiteral("Festplatte");
}

QString CheckedYear(const QString& text, bool* replaced)
{
    const bool ok = isYear(text);
    if (replaced)
        *replaced = !ok;
    return ok ? text : QStringLiteral("9495");
}

QString CheckedHalfYear(const QString& text)
{
    return text == QStringLiteral("1") || text == QStringLiteral("2") ? text : QString();
}

QString YearClassMask(const QString& year, const QString& halfYear)
{
    return QStringLiteral("??_") + year + halfYear + QStringLiteral("*.dbf");
}

QStringList ClassFileYears(const QString& folder)
{
    QStringList years;
    for (const QString& name : ListMatchingFiles(folder, {QStringLiteral("??_*.dbf")})) {
        const QString year = name.mid(3, 4);
        if (isYear(year) && !years.contains(year))
            years << year;
    }
    years.sort();
    return years;
}

QStringList YearFolders(const QString& root)
{
    QStringList out;
    if (root.isEmpty())
        return out;
    for (const QString& name : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (isYear(name))
            out << name;
    return out;
}

ClassCopy CopyClassBetweenFolders(const QString& from, const QString& to, const QString& name, bool move,
                                  const QString& overwriteQuestion, const QString& fullFirstLine)
{
    if (!IsPlainEntryName(name))
        throw FileError::cannotOpen(name);
    if (SameFolder(from, to))
        throw FileError(QStringLiteral("Die Klasse %1 kann nicht in ihren eigenen Ordner kopiert werden.").arg(name));
    // Another program that has the class open (on the side it is replaced,
    // or left when moving) may be changing its list: what it holds is no
    // leftover of a killed program, and the user is told who holds it.
    if (TableInUse(FindFileCI(to, name)) || (move && TableInUse(FindFileCI(from, name)))) {
        showWarning(ClassInUseMessage(name));
        return ClassCopy::Skipped;
    }
    // Both folders are read: what a killed program left half-done in either
    // is finished or put back first, and a class that another program's
    // unfinished work holds is left alone.
    RecoverFolder(from);
    RecoverFolder(to);
    if (ClassHeldByUnfinishedWork(from, name) || ClassHeldByUnfinishedWork(to, name)) {
        showWarning(ClassBeingChangedMessage(name));
        return ClassCopy::Skipped;
    }
    const QString table = FindFileCI(from, name);
    if (!IsRegularFile(table))
        throw FileError::cannotOpen(table);
    const QString cls8 = ClassFolderName(name);
    const QString sourceFolder = FindFileCI(from, cls8);
    const bool folderSeen = IsRealFolder(sourceFolder);
    makeFolder(to);
    const QString targetTable = FindFileCI(to, name);
    // The older class keeps files beside the new one: a list change cut off
    // in it is undone first, so that they stand where its students had them.
    RecoverListChangeOfClass(targetTable, FindFileCI(to, ClassFolderName(name)));
    // The same lock as opening the class, on both sides a class leaves or
    // is replaced: another desk that has it open would lose its edits.
    const ClassTableLock targetLock(targetTable);
    std::optional<ClassTableLock> sourceLock;
    if (move)
        sourceLock.emplace(table);
    if (!targetLock.held() || (sourceLock && !sourceLock->held())) {
        showWarning(ClassInUseMessage(name));
        return ClassCopy::Skipped;
    }
    if (QFileInfo::exists(targetTable) && !askYesNoDefaultNo(overwriteQuestion))
        return ClassCopy::Skipped;

    // A list operation that was cut off leaves a student in two rows until
    // the class is opened again and the operation undone; such a class would
    // be archived half-changed.  While another program has the class open,
    // its journal belongs to a change that still runs.
    if (QFileInfo::exists(FindFileCI(sourceFolder, kListJournalName))) {
        showWarning(TableInUse(table) ? ClassInUseMessage(name) : InterruptedListChangeMessage(name));
        return ClassCopy::Skipped;
    }
    // The class folder is read only now that every question is answered:
    // what happened to it meanwhile is what is copied, or nothing is.
    QStringList files;
    if (CheckSourceClassFolder(sourceFolder, folderSeen, FindFileCI(to, cls8),
                               QStringLiteral("Die Klasse %1 wurde nicht kopiert; %2 ist nicht verändert.")
                                   .arg(name, shown(to))))
        // The program's own hidden files belong to this place alone.
        for (const QString& f : RegularFilesIn(sourceFolder))
            if (!f.startsWith(QLatin1Char('.')))
                files << f;
    qint64 size = QFileInfo(table).size();
    for (const QString& f : files)
        size += QFileInfo(QDir(sourceFolder).filePath(f)).size();
    const qint64 free = FreeSpace(to);
    if (free >= 0 && free < size) {
        showWarning(fullFirstLine + kBreak + QStringLiteral("Ab ") + name + QStringLiteral(" wird nicht mehr kopiert."));
        return ClassCopy::TargetFull;
    }

    // The whole class is put together beside the target and replaces the
    // older one there in one step; the per-student files of an older class
    // must not land on the students of the new one.
    const QString targetFolder = FindFileCI(to, cls8);
    QStringList carried;
    for (const QString& f : files)
        if (move || QFileInfo(QDir(sourceFolder).filePath(f)).size() > 0)
            carried << f;
    std::optional<ArchiveMove> moving;
    if (move)
        moving.emplace(from, to, name);
    {
        ClassStaging staging(to);
        staging.copy(table, name);
        staging.makeFolder(cls8);
        staging.keepFolder(targetFolder, cls8, [&](const QString& f) {
            return isStudentFileName(f) || carried.contains(f, Qt::CaseInsensitive);
        });
        for (const QString& f : carried) {
            const QString kept = QFileInfo(FindFileCI(targetFolder, f)).fileName();
            staging.copy(QDir(sourceFolder).filePath(f), cls8 + QLatin1Char('/') + kept);
        }
        staging.commit({cls8, name});
    }
    if (moving)
        moving->leave();
    return ClassCopy::Done;
}

// ---------------------------------------------------------------------------

void ArchiveWindowModel::SetYear(const QString& text)
{
    bool replaced = false;
    year_ = CheckedYear(text, &replaced);
    if (replaced) {
        if (beep)
            beep();
        yearReplaced();
    }
}

void ArchiveWindowModel::SetHalfYear(const QString& text)
{
    halfYear_ = CheckedHalfYear(text);
}

bool ArchiveWindowModel::SetPlace(ArchivePlace place)
{
    if (place == ArchivePlace::DriveA && DriveAFolder().isEmpty()) {
        showWarning(QStringLiteral("Laufwerk A: spricht nicht an. ") + kBreak +
                    QStringLiteral("Vermutlich ist keine Diskette eingelegt."));
        place_ = ArchivePlace::HardDisk;
        return false;
    }
    place_ = place;
    return true;
}

QString ArchiveWindowModel::placeRoot() const
{
    return place_ == ArchivePlace::DriveA ? DriveAFolder() : workFolder_;
}

bool ArchiveWindowModel::confirmRun(const QStringList& selected, const QString& question) const
{
    // The windows stay open beside the main window, so a class may have been
    // opened since they came up.
    if (!state().openClassFile.isEmpty()) {
        showMessage(QStringLiteral("Bitte erst Klasse schließen."));
        return false;
    }
    if (selected.isEmpty()) {
        showMessage(QStringLiteral("Sie haben keine Dateien markiert."));
        return false;
    }
    return askYesNo(question, MsgKind::Information);
}

void ArchiveWindowModel::showProgress(const QString& text) const
{
    if (progress)
        progress(text);
}

// ---------------------------------------------------------------------------

void YearArchive::Activate(const QString& sourceFolder)
{
    workFolder_ = sourceFolder;
    // A half-year left from the last time would hide classes of the year
    // chosen now.
    halfYear_.clear();
    years_ = ClassFileYears(sourceFolder);
    if (!years_.isEmpty())
        year_ = years_.first();
    else
        year_ = CheckedYear(year_);
}

QString YearArchive::targetFolder() const
{
    const QString root = placeRoot();
    return root.isEmpty() ? QString() : QDir(root).filePath(year_);
}

QStringList YearArchive::sourceFiles() const
{
    return ListMatchingFiles(workFolder_, {YearClassMask(year_, halfYear_)});
}

QStringList YearArchive::targetFiles() const
{
    const QString folder = targetFolder();
    return folder.isEmpty() ? QStringList() : ListMatchingFiles(folder, {QStringLiteral("??_*.dbf")});
}

ClassCopy YearArchive::ArchiveClassFile(const QString& name)
{
    const QString target = targetFolder();
    if (target.isEmpty())
        throw FileError(QStringLiteral("Laufwerk A: spricht nicht an. "));
    return CopyClassBetweenFolders(workFolder_, target, name, move_,
                                   QStringLiteral("Klasse ") + name + QStringLiteral(" existiert im Archiv. Überschreiben? "),
                                   place_ == ArchivePlace::DriveA ? QStringLiteral("Diskette ist voll!")
                                                                  : QStringLiteral("Zu wenig Speicherplatz!"));
}

void ArchiveWindowModel::copyClasses(const QStringList& selected,
                                     const std::function<ClassCopy(const QString&)>& copyOne)
{
    try {
        for (const QString& name : selected) {
            showProgress(QStringLiteral("Kopiere ") + name);
            if (copyOne(name) == ClassCopy::TargetFull)
                break;
        }
    } catch (const FileError& e) {
        showError(e.message());
    }
    showProgress(QString());
    QDir::setCurrent(workFolder_);
    NotifyMainWindow();
}

void YearArchive::Start(const QStringList& selected)
{
    QDir::setCurrent(workFolder_);
    const QString kind = move_ ? QStringLiteral("Verschieben") : QStringLiteral("Kopieren");
    if (!confirmRun(selected, QStringLiteral("Einverstanden mit ") + kind + QStringLiteral(" auf ") +
                                  ArchivePlaceCaption(place_) + QStringLiteral("?")))
        return;
    showProgress(QStringLiteral("Es wird kopiert..."));
    copyClasses(selected, [this](const QString& name) { return ArchiveClassFile(name); });
}

// ---------------------------------------------------------------------------

void ArchiveRestore::Activate(const QString& workingFolder)
{
    workFolder_ = workingFolder;
    leftYearFolders_ = false;
    halfYear_.clear();
    const QStringList folders = yearFolders();
    year_ = folders.isEmpty() ? CheckedYear(year_) : folders.first();
}

QStringList ArchiveRestore::yearFolders() const
{
    return YearFolders(placeRoot());
}

QStringList ArchiveRestore::yearFolderEntries() const
{
    QStringList entries{QStringLiteral("[..]")};
    for (const QString& y : yearFolders())
        entries << QLatin1Char('[') + y + QLatin1Char(']');
    return entries;
}

void ArchiveRestore::ChooseYearFolder(const QString& folder)
{
    leftYearFolders_ = false;
    SetYear(folder);
    halfYear_.clear();
}

void ArchiveRestore::ChooseYearEntry(const QString& entry)
{
    if (entry == QLatin1String("[..]"))
        leftYearFolders_ = true;
    else if (entry.size() == 6 && entry.startsWith(QLatin1Char('[')) && entry.endsWith(QLatin1Char(']')))
        ChooseYearFolder(entry.mid(1, 4));
}

QString ArchiveRestore::chosenYearEntry() const
{
    return leftYearFolders_ ? QStringLiteral("[..]") : QLatin1Char('[') + year_ + QLatin1Char(']');
}

QString ArchiveRestore::archiveFolder() const
{
    const QString root = placeRoot();
    return root.isEmpty() ? QString() : QDir(root).filePath(year_);
}

QStringList ArchiveRestore::archivedFiles() const
{
    const QString folder = archiveFolder();
    return folder.isEmpty() || leftYearFolders_ ? QStringList()
                                                 : ListMatchingFiles(folder, {YearClassMask(year_, halfYear_)});
}

QStringList ArchiveRestore::workingFiles() const
{
    return ListMatchingFiles(workFolder_, {QStringLiteral("??_*.dbf")});
}

ClassCopy ArchiveRestore::RestoreArchivedClass(const QString& name)
{
    if (name.startsWith(QLatin1Char('1')) || name.startsWith(QLatin1Char('2')) || name.startsWith(QLatin1Char('3'))) {
        showMessage(QStringLiteral("Die Klasse ") + name + QStringLiteral(" gehört nicht ins Programm KORVI.") + kBreak +
                    QStringLiteral(" Sie wird nicht eingespielt."));
        return ClassCopy::Skipped;
    }
    return CopyClassBetweenFolders(archiveFolder(), workFolder_, name, false,
                                   QStringLiteral("Klasse ") + name +
                                       QStringLiteral(" existiert im Arbeitsverzeichnis. Überschreiben? "),
                                   QStringLiteral("Zu wenig Speicherplatz!"));
}

void ArchiveRestore::Start(const QStringList& selected)
{
    QDir::setCurrent(workFolder_);
    if (!confirmRun(selected, QStringLiteral("Einverstanden mit Rückholung von ") + ArchivePlaceCaption(place_) +
                                  QStringLiteral("?")))
        return;
    copyClasses(selected, [this](const QString& name) { return RestoreArchivedClass(name); });
}

YearArchive& yearArchive()
{
    static YearArchive a;
    return a;
}

ArchiveRestore& archiveRestore()
{
    static ArchiveRestore r;
    return r;
}

namespace {
const ProgramWideReset resetYearArchive(ResetOrder::Objects, [] {
    yearArchive() = YearArchive();
    archiveRestore() = ArchiveRestore();
});
}

} // namespace hsa
