#include "exchange/sticktransfer.h"

#include "classes/classfields.h"
#include "classes/classfiles.h"
#include "classes/classrules.h"
#include "classes/dbftable.h"
#include "classes/drives.h"
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "classes/studentlist.h"
#include "classes/textfile.h"
#include "exchange/classstaging.h"
#include "exchange/stickroot.h"
#include "exchange/transferrecovery.h"
#include "exchange/transfercopy.h"
#include "platform/errors.h"
#include "platform/programwide.h"
#include "platform/prompt.h"

#include <QDir>
#include <QScopeGuard>
#include <cstdio>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <fcntl.h>
#include <unistd.h>

namespace hsa {

namespace {

const QString kBreak = QStringLiteral("\n\r");
const QString kCancelled = QStringLiteral("Kopiervorgang wird abgebrochen");
const QString kNothingChosen = QStringLiteral("Keine Klasse ausgewählt. Kopiervorgang wird abgebrochen.");
const QString kCopyAction = QStringLiteral("Kopiervorgang");
constexpr int kMaxAttachments = 41;
constexpr int kMaxStudents = 40;
// The old floppy rule: below this the export does not even start.
constexpr qint64 kDriveAMinimum = 1300000;

// Bytes a Windows-1252 name may hold that come back from the stick's
// code-page-850 form as another letter.
bool lostOnStick(unsigned char b)
{
    switch (b) {
    case 0xE1: case 0x81: case 0x82: case 0x84: case 0x8E: case 0x94: case 0x99: case 0x9A:
        return true;
    default:
        return false;
    }
}

qint64 sizeOf(const QString& path)
{
    return IsRegularFile(path) ? QFileInfo(path).size() : 0;
}

// True when path can be opened for reading now (a pulled stick's files
// cannot); links are not followed.
bool CanOpenForReading(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

QString gradeFileName(int n)
{
    return QStringLiteral("v.") + QString::number(n);
}

void backToProgramDir()
{
    QDir::setCurrent(state().programDir);
}

// Hides the list and leaves the list mode, as the double click does before
// the copy starts.
void leaveListMode()
{
    classFiles().ListEscape();
}

} // namespace

QString StickMarkerName(const QString& tableName)
{
    return tableName.left(tableName.size() - 3) + QStringLiteral("gxm");
}

void MakeOemTableCopy(const QString& source, const QString& dest)
{
    QByteArray bytes = ReadFileBytes(source);
    if (bytes.size() < 10)
        throw FileError::cannotOpen(source);
    const int header = static_cast<unsigned char>(bytes.at(8)) | static_cast<unsigned char>(bytes.at(9)) << 8;
    const int from = std::min<int>(header, static_cast<int>(bytes.size()));
    bytes.replace(from, bytes.size() - from, Windows1252ToFamilyBytes(bytes.mid(from)));
    WriteFileAtomic(dest, bytes);
}

QStringList StickAttachments(const QString& classFolder)
{
    QStringList out;
    for (const QString& name : RegularFilesIn(classFolder)) {
        const QString lower = name.toLower();
        if (!lower.endsWith(QStringLiteral(".doc")) && !lower.endsWith(QStringLiteral(".docx")))
            continue;
        if (QFileInfo(QDir(classFolder).filePath(name)).size() <= 0)
            continue;
        out << name;
        if (out.size() == kMaxAttachments)
            break;
    }
    return out;
}

QStringList NamesLostOnStick(const QString& tablePath)
{
    QStringList out;
    DbfTable t;
    t.open(tablePath, DbfAccess::SharedReadOnly);
    const int last = t.fieldIndex(kFieldLast);
    const int first = t.fieldIndex(kFieldFirst);
    if (last < 0 || first < 0)
        return out;
    for (int r = 0; r < t.recordCount(); ++r) {
        const QByteArray bytes = t.rawValue(r, last) + t.rawValue(r, first);
        if (!std::any_of(bytes.begin(), bytes.end(), [](char c) { return lostOnStick(static_cast<unsigned char>(c)); }))
            continue;
        // A surname or a first name alone is named without a stray comma.
        QStringList name;
        for (const int field : {last, first})
            if (const QString part = t.value(r, field).trimmed(); !part.isEmpty())
                name << part;
        out << t.valueOrEmpty(r, kFieldNr).trimmed() + QStringLiteral(": ") + name.join(QStringLiteral(", "));
    }
    return out;
}

StickTransfer& stickTransfer()
{
    static StickTransfer s;
    return s;
}

namespace {
const ProgramWideReset resetStickTransfer(ResetOrder::Objects, [] { stickTransfer() = StickTransfer(); });
}

// What the class folder a transfer reads held when the transfer began: the
// grade files (by student number; empty where a student has none) and the
// attachments that travel.  Only these are carried, and each of them must
// still be readable when its turn comes: a stick pulled half-way would
// otherwise pass for a class whose later students have no marks.
struct StickTransfer::SourceListing {
    QString folder;
    bool existed = false;
    std::array<QString, kMaxStudents + 1> gradeFiles;
    QStringList attachments;

    explicit SourceListing(const QString& classFolder) : folder(classFolder)
    {
        existed = IsRealFolder(classFolder);
        if (!existed)
            return;
        // A folder that cannot be read is never a class without marks.
        ReadFolder(classFolder);
        for (int n = 1; n <= kMaxStudents; ++n) {
            const QString grade = FindFileCI(classFolder, gradeFileName(n));
            // A link is listed too: its copy refuses it by name.
            if (QFileInfo::exists(grade) || QFileInfo(grade).isSymLink())
                gradeFiles[n] = grade;
        }
        attachments = StickAttachments(classFolder);
    }
};

void StickTransfer::showProgress(const QString& text)
{
    if (progress)
        progress(text);
}

bool StickTransfer::refusedToStart()
{
    backToProgramDir();
    if (!state().stickTransferEnabled) {
        showMessage(QStringLiteral("Bei Installation auf einem Terminalserver ist dieser Menüpunkt deaktiviert."));
        return true;
    }
    if (!state().openClassFile.isEmpty()) {
        showMessage(QStringLiteral("Erst Klasse schließen"));
        return true;
    }
    return false;
}

void StickTransfer::PrepareExport()
{
    if (refusedToStart())
        return;
    if (!AskStickRoot(QStringLiteral("Klasse auf USB ausspielen  "))) {
        backToProgramDir();
        return;
    }
    classFiles().ShowList(kModeStickExport, state().programDir, QStringLiteral("x?_????2.dbf;9?_????2.dbf"));
}

void StickTransfer::PrepareImport()
{
    backToProgramDir();
    LoadProfileCodes();
    if (refusedToStart())
        return;
    if (!AskStickRoot(QStringLiteral("Klasse holen: USB-Laufwerk wählen"))) {
        backToProgramDir();
        return;
    }
    familyImportPending_ = false;
    classFiles().ShowList(kModeStickImport, state().stickRoot, QStringLiteral("x?_????2*.dbf;9?_????2.dbf"));
}

void StickTransfer::PrepareFamilyImport()
{
    LoadProfileCodes();
    if (refusedToStart())
        return;
    showMessage(QStringLiteral("Im Stammverzeichnis des Sticks muss sich eine Korvi-Klassendatei (Endung dbf) aus "
                               "Klasse 9 oder 10 mit Halbjahr 2 befinden."));
    if (!AskStickRoot(QStringLiteral("Korvi-Klasse vom USB-Stick auf Festplatte einspielen, um danach die "
                                     "Klassendaten zu übernehmen  "))) {
        backToProgramDir();
        return;
    }
    familyImportPending_ = true;
    classFiles().ShowList(kModeStickImport, state().stickRoot, QStringLiteral("x?-????2*.dbf;9?-????2.dbf"));
}

// Puts the class folder together in the staging folder: what the target's
// folder keeps (all but its grade files and the attachments that come
// anew), then the listed attachments and grade files of from, the first
// attachment before the first student and one more after each, as the
// progress text counts the students.  A listed file that can no longer be
// opened, or the folder gone by the end, raises sourceGone.
void StickTransfer::copyClassFolder(const SourceListing& from, const QString& existing, ClassStaging& staging,
                                    const QString& cls8, const QString& sourceGone)
{
    const QStringList& attachments = from.attachments;
    staging.makeFolder(cls8);
    staging.keepFolder(existing, cls8, [&](const QString& name) {
        return IsGradeFileName(name) || attachments.contains(name, Qt::CaseInsensitive);
    });
    const auto copyListed = [&](const QString& source, const QString& entry) {
        try {
            staging.copy(source, entry);
        } catch (const FileError&) {
            // A full or read-only target speaks for itself; a source that
            // cannot even be opened any more is gone (a pulled stick, a
            // removed class folder).
            if (!QFileInfo(source).isSymLink() && !CanOpenForReading(source))
                throw FileError(sourceGone);
            throw;
        }
    };
    int nextAttachment = 0;
    auto copyAttachment = [&] {
        if (nextAttachment < attachments.size()) {
            const QString name = attachments.at(nextAttachment++);
            const QString kept = FindFileCI(existing, name);
            copyListed(QDir(from.folder).filePath(name), cls8 + QLatin1Char('/') + QFileInfo(kept).fileName());
        }
    };
    copyAttachment();
    for (int n = 1; n <= kMaxStudents; ++n) {
        showProgress(QStringLiteral("Kopiere Schüler Nr. ") + QString::number(n));
        if (!from.gradeFiles[n].isEmpty())
            copyListed(from.gradeFiles[n], cls8 + QLatin1Char('/') + gradeFileName(n));
        copyAttachment();
    }
    // The last file may have been open when the stick went: what was copied
    // is only a class when its folder is still there.
    const QFileInfo after(from.folder);
    if (from.existed && (!after.isDir() || after.isSymLink()))
        throw FileError(sourceGone);
}

void StickTransfer::ExportClassToStick(const QString& name)
{
    leaveListMode();
    backToProgramDir();
    const QString programDir = state().programDir;
    const QString root = state().stickRoot;
    const QString cls8 = ClassFolderName(name);

    if (!IsDriveReady(root)) {
        showWarning(QStringLiteral("Laufwerk ") + root + QStringLiteral(" ist nicht ansprechbar. "));
        showInformation(kCancelled);
        return;
    }
    if (FoldersOverlap(root, programDir)) {
        showWarning(StickIsProgramFolderMessage(root));
        showInformation(kCancelled);
        return;
    }
    // A name that is no plain entry of the program folder is no class.
    if (!IsPlainEntryName(name)) {
        showInformation(kNothingChosen);
        return;
    }
    // The program folder is read and the stick written: what a killed
    // program left half-done in either is finished or put back first.
    RecoverFolder(programDir);
    RecoverFolder(root);
    if (ClassHeldByUnfinishedWork(programDir, name) || ClassHeldByUnfinishedWork(root, name)) {
        showWarning(ClassBeingChangedMessage(name));
        showInformation(kCancelled);
        return;
    }
    // A table that left the program folder after the list was shown is told
    // as the import tells a table that left the stick.
    const QString table = FindFileCI(programDir, name);
    if (table.isEmpty() || !IsRegularFile(table)) {
        showInformation(VanishedClassMessage(name, kCopyAction));
        return;
    }
    // A list change that was cut off leaves a student in two rows until the
    // class is opened again and the change undone: such a class would travel
    // half-changed.  While another program has the class open its journal
    // belongs to a change that still runs, and the user is told that.
    const QString classFolder = FindFileCI(programDir, cls8);
    if (QFileInfo::exists(FindFileCI(classFolder, kListJournalName))) {
        showWarning(TableInUse(table) ? ClassInUseMessage(name) : InterruptedListChangeMessage(name));
        showInformation(kCancelled);
        return;
    }
    const bool folderSeen = IsRealFolder(classFolder);
    const QString stickTable = FindFileCI(root, name);
    if (QFileInfo::exists(stickTable) &&
        !askYesNoDefaultNo(QStringLiteral("Klasse ") + name + QStringLiteral(" existiert auf den Stick. Kopiervorgang fortsetzen? "))) {
        showInformation(kCancelled);
        return;
    }

    try {
        const QStringList lost = NamesLostOnStick(table);
        if (!lost.isEmpty() &&
            !askYesNo(QStringLiteral("Bei folgenden Schülern enthält der Name Zeichen, die auf dem Stick nicht "
                                     "erhalten bleiben:") + kBreak + kBreak + lost.join(kBreak) + kBreak + kBreak +
                      QStringLiteral("Trotzdem auf den Stick ausspielen?"))) {
            showInformation(kCancelled);
            return;
        }

        // The class folder is read only now that every question is answered:
        // what happened to it meanwhile is what travels, or the export stops.
        const QString unchanged = QStringLiteral("Die Klasse ") + name +
                                  QStringLiteral(" wurde nicht auf den Stick ausgespielt; auf dem Stick ist nichts "
                                                 "verändert.");
        CheckSourceClassFolder(classFolder, folderSeen, FindFileCI(root, cls8), unchanged);
        const SourceListing listing(classFolder);
        const QString board = FindFileCI(programDir, ExamBoardFileName(name));
        qint64 needed = 2 * sizeOf(table) + sizeOf(board);
        for (const QString& grade : listing.gradeFiles)
            needed += sizeOf(grade);
        for (const QString& a : listing.attachments)
            needed += sizeOf(QDir(classFolder).filePath(a));
        const qint64 free = FreeSpace(root);
        const bool driveA = SameFolder(root, DriveAFolder());
        if (free >= 0 && (free < needed || (driveA && free < kDriveAMinimum))) {
            showWarning(QStringLiteral("Zu wenig Speicherplatz!!"));
            return;
        }

        // The whole class is put together on the stick first; only then it
        // replaces the older one there, the marker last, so that a pulled
        // stick or a full one leaves the older class (or none) as it was.
        const QString oem = FindFileCI(programDir, QStringLiteral("temp.dbf"));
        // The copy serves only this transfer: it goes when the transfer ends,
        // finished or not, instead of lying in the program folder.
        const auto removeOem = qScopeGuard([&oem] { QFile::remove(oem); });
        MakeOemTableCopy(table, oem);
        ClassStaging staging(root);
        const QString markerName = StickMarkerName(name);
        const QString boardName = ExamBoardFileName(name);
        staging.copy(oem, name);
        QStringList entries{cls8, name};
        if (IsRegularFile(board)) {
            staging.copy(board, boardName);
            entries << boardName;
        }
        copyClassFolder(listing, FindFileCI(root, cls8), staging, cls8,
                        QStringLiteral("Der Klassenordner ") + QDir::toNativeSeparators(classFolder) +
                            QStringLiteral(" ist nicht mehr lesbar.") + kBreak + unchanged);
        staging.copy(oem, markerName);
        staging.commit(entries << markerName, {markerName});
    } catch (const FileError& e) {
        showProgress(QString());
        showError(e.message());
        showInformation(kCancelled);
        backToProgramDir();
        return;
    }
    showProgress(QString());
    backToProgramDir();
    showMessage(QStringLiteral("Die Klasse wurde auf den Stick ausgespielt."));
}

void StickTransfer::ImportClassFromStick(const QString& folder, const QString& name)
{
    leaveListMode();
    backToProgramDir();
    const QString programDir = state().programDir;
    const bool ownClass = name.contains(QLatin1Char('_'));
    const bool family = familyImportPending_;
    familyImportPending_ = false;

    // A name that could lead out of a folder is never looked up.
    if (!IsPlainEntryName(name)) {
        showInformation(QStringLiteral("Der Dateiname ") + name + QStringLiteral(" ist ungültig. ") + kCancelled);
        return;
    }
    if (FoldersOverlap(folder, programDir)) {
        showWarning(StickIsProgramFolderMessage(folder));
        showInformation(kCancelled);
        return;
    }
    // A stick a killed export left half-written gets its older class back
    // before anything of it is read.
    RecoverFolder(folder);
    if (ClassHeldByUnfinishedWork(folder, name) || ClassHeldByUnfinishedWork(programDir, name)) {
        showWarning(ClassBeingChangedMessage(name));
        showInformation(kCancelled);
        return;
    }
    // A table that vanished after the list was shown (a pulled stick).
    const QString source = FindFileCI(folder, name);
    if (name.isEmpty() || !IsRegularFile(source)) {
        showInformation(name.isEmpty() ? kNothingChosen : VanishedClassMessage(name, kCopyAction));
        return;
    }
    if (ownClass && !QFileInfo::exists(FindFileCI(folder, StickMarkerName(name)))) {
        showInformation(QStringLiteral("Diese Klasse stammt nicht aus Korvi_Wendra_Pruef ab Version C9.") + kBreak +
                        kBreak + QStringLiteral("Ab Version C9 wird das Einspielen von Prüfungsklassen verhindert,") +
                        kBreak +
                        QStringLiteral("die mit einer alten HSA- oder RSA-Version für den Bildungsplan 2004 angelegt "
                                       "wurden.") +
                        kBreak + kBreak +
                        QStringLiteral("Die Vermischung der unterschiedlichen Fächer und Gewichtungen würde zu "
                                       "Fehlern führen."));
        return;
    }
    const QString cls8 = ClassFolderName(name);
    const QString stickFolder = FindFileCI(folder, cls8);
    if (ownClass) {
        // A class table is never larger than its header with 40 records:
        // anything larger is refused before a byte of it is read.
        if (!ClassTableSizeFits(source)) {
            showInformation(DamagedTableMessage(source) + kBreak + kBreak + kCancelled);
            return;
        }
        // The export always writes the class folder; without it (or with a
        // link in its place) the grade files of the class are not there.
        const QFileInfo info(stickFolder);
        if (!info.isDir() || info.isSymLink()) {
            showInformation(QStringLiteral("Auf dem Stick fehlt der Klassenordner ") + cls8 +
                            QStringLiteral(" der Klasse ") + name + QStringLiteral(". Die Klasse ist unvollständig.") +
                            kBreak + kBreak + kCancelled);
            return;
        }
    }
    const QString target = FindFileCI(programDir, name);
    // Another program that has the class open may be changing its list: its
    // journal is no leftover to undo, and the user is told who holds it.
    if (TableInUse(target)) {
        showWarning(ClassInUseMessage(name));
        showInformation(kCancelled);
        return;
    }
    // The older class keeps files beside the new one: a list change cut off
    // in it is undone first, so that they stand where its students had them.
    try {
        RecoverListChangeOfClass(target, FindFileCI(programDir, cls8));
    } catch (const FileError& e) {
        showError(e.message());
        showInformation(kCancelled);
        return;
    }
    // The same lock as opening the class: another desk that has it open
    // would lose every later edit.
    const ClassTableLock lock(target);
    if (!lock.held()) {
        showWarning(ClassInUseMessage(name));
        showInformation(kCancelled);
        return;
    }
    if (QFileInfo::exists(target) &&
        !askYesNoDefaultNo(QStringLiteral("Klasse ") + name +
                  QStringLiteral(" existiert auf der Festplatte. Kopiervorgang fortsetzen? "))) {
        showInformation(kCancelled);
        return;
    }

    const QString stickGone = QStringLiteral("Der Stick ") + QDir::toNativeSeparators(folder) +
                              QStringLiteral(" ist nicht mehr lesbar (wurde er abgezogen?).") + kBreak +
                              QStringLiteral("Die Klasse ") + name +
                              QStringLiteral(" wurde nicht eingespielt; auf der Festplatte ist nichts verändert.");
    try {
        if (family) {
            TransferCopyFile(source, target);
            backToProgramDir();
            NotifyMainWindow();
            showMessage(QStringLiteral("Die Korvi-Klassendatei ") + name + QStringLiteral(" wurde einkopiert.") + kBreak +
                        kBreak + QStringLiteral("Jetzt ist noch ein zweiter Schritt erforderlich:") + kBreak +
                        QStringLiteral("=============================") + kBreak + kBreak +
                        QStringLiteral("Rufen Sie den Menüpunkt \"Klasse/...Wendra-Prüfungskasse anlegen mit "
                                       "Datenübernahme aus eine einkopierten Korvi-Klassendatei\" aus."));
            return;
        }
        // The whole class is put together beside the program's classes and
        // converted there; only then it replaces the older one.
        ClassStaging staging(programDir);
        staging.copy(source, name);
        if (ownClass) {
            try {
                ConvertStickClassTable(staging.path(name));
            } catch (const FileError& e) {
                // The damage is in the stick's copy of the table.
                QString message = e.message();
                message.replace(QDir::toNativeSeparators(staging.path(name)), QDir::toNativeSeparators(source));
                throw FileError(message);
            }
        }
        // The stick as it is now that every question is answered; a file or
        // folder of it that goes before the class is in place means the
        // stick was pulled.
        CheckSourceClassFolder(stickFolder, ownClass, FindFileCI(programDir, cls8),
                               QStringLiteral("Die Klasse ") + name +
                                   QStringLiteral(" wurde nicht eingespielt; auf der Festplatte ist nichts verändert."));
        const SourceListing listing(stickFolder);
        QStringList entries{cls8};
        const QString boardName = ExamBoardFileName(name);
        const QString board = FindFileCI(folder, boardName);
        if (IsRegularFile(board)) {
            staging.copy(board, boardName);
            entries << boardName;
        }
        copyClassFolder(listing, FindFileCI(programDir, cls8), staging, cls8, stickGone);
        staging.commit(entries << name);
    } catch (const FileError& e) {
        showProgress(QString());
        // The table itself may be what went with the stick.
        const bool tableGone = !QFileInfo(source).isSymLink() && !CanOpenForReading(source);
        showError(tableGone ? stickGone : e.message());
        showInformation(kCancelled);
        backToProgramDir();
        NotifyMainWindow();
        return;
    }
    showMessage(QStringLiteral("Die Prüfungsklasse wurde eingespielt."));
    showProgress(QString());
    backToProgramDir();
    NotifyMainWindow();
}

void ShowYearEndHint()
{
    showMessage(QStringLiteral("Es wird empfohlen, am Ende des Schuljahres den gesamten Wendra-Ordner als "
                               "Sicherheitskopie zu speichern.") +
                kBreak + kBreak +
                QStringLiteral("Da das Programm portabel ist, kann eine solche Kopie an jedem Speicherort wieder "
                               "als Programmordner dienen."));
}

} // namespace hsa
