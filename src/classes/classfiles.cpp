#include "classes/classfiles.h"

#include "classes/classfields.h"
#include "classes/classrules.h"
#include "classes/classtemplate.h"
#include "classes/dbftable.h"
#include "classes/fileops.h"
#include "classes/helpers.h"
#include "classes/kopier.h"
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "classes/studentlist.h"
#include "classes/subjects.h"
#include "classes/tempfiles.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/programwide.h"
#include "platform/prompt.h"
#include "platform/shell.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

namespace hsa {

namespace {

const QString kBreak = QStringLiteral("\n\r");
const QString kTemplateName = QStringLiteral("start2.dbf");

QString existsMessage(const QString& name)
{
    return name + QStringLiteral(" existiert bereits! (Bitte ggf. erst löschen) ");
}

QString doneMessage(const QString& name)
{
    return QStringLiteral("Erledigt. Rufen Sie jetzt die neue Klasse ") + name + QStringLiteral(" auf.");
}

QString updaterMessage()
{
    return QStringLiteral("Das Updatemodul \"down1.exe\" läuft noch. Bitte wechseln Sie zu diesem Programm "
                          "(siehe Taskleiste), führen Sie es aus oder beenden Sie es.");
}

QString versionRiskMessage()
{
    return QStringLiteral("H I N W E I S :   A K T U A L I T Ä T S P R Ü F U N G ") + kBreak + kBreak +
           QStringLiteral("Die Aktualität der Programmversion wurde beim Programmstart nicht geprüft.") + kBreak +
           QStringLiteral("Veralteten Versionen fehlen möglicherweise neue Vorschriften und Korrekturen.") +
           kBreak + kBreak + QStringLiteral("Das ist ein unnötiges  R I S I K O");
}

QString level10Message()
{
    return QStringLiteral("REALSCHULABSCHLUSS / WERKREALSCHULABSCHLUSS:") + kBreak +
           QStringLiteral("Für diese Schüler darf keine PROJEKTARBEITSNOTE eingetragen werden "
                          "(sonst stimmt der Durchschnitt nicht).") +
           kBreak + QStringLiteral("Ein P in der Schülertabelle wird durch Doppelklick entfernt.") + kBreak +
           kBreak +
           QStringLiteral("Bei angestrebtem Hauptschulabschluss in Klasse 10 muss eine PROJEKTARBEITSNOTE in der "
                          "Spalte \"schr\" der Notentabelle eines Einzelschülers eingetragen werden.") +
           kBreak + QStringLiteral("Das Fachgewicht ist dann automatisch = 1.");
}

QString level9Message()
{
    return QStringLiteral("KLASSE 9:") + kBreak +
           QStringLiteral("Bei angestrebtem Hauptschulabschluss muss auch eine PROJEKTARBEITSNOTE eingetragen werden.") +
           kBreak + QStringLiteral("Der Eintrag erfolgt in der Spalte \"schr\" der Notentabelle eines Einzelschülers.") +
           kBreak + QStringLiteral("Hier ist das Fachgewicht nach urprünglicher Prüfungsordnung automatisch = 1.");
}

QString handCreateWarning()
{
    return QStringLiteral("HINWEIS:") + kBreak + kBreak +
           QStringLiteral("Die Eingabe der Namen von Hand ist nur für Testklassen gedacht.") + kBreak +
           QStringLiteral("Die Prüfungsklassen sollten aus der Klasse des 2. Halbjahres des "
                          "Zeugnisprogramms Korvi übernommen werden.") +
           kBreak + kBreak + QStringLiteral("Trotzdem \"von Hand\" anlegen?");
}

QString initialLetterMessage()
{
    return QStringLiteral("Bitte achten Sie auf den richtigen Anfangsbuchstaben im Dateinamen!") + kBreak + kBreak +
           QStringLiteral("Hauptschulabschluss in Klasse 9:    Der Dateiname beginnt mit der Ziffer 9") + kBreak +
           QStringLiteral("WRS/RS-Abschluss Klasse 10:          Der Dateiname beginnt mit X oder x");
}

QString renameAdvice()
{
    return QStringLiteral("Empfehlung:") + kBreak + kBreak +
           QStringLiteral("Bevor Sie eine Klassendatei umbenennen, sollten Sie über den Menüpunkt "
                          "\"Klasse\\Prüfungsklasse auf USB-Stick sichern\" ") +
           kBreak + QStringLiteral("eine Sicherheitskopie dieser Klasse anfertigen.") + kBreak + kBreak +
           QStringLiteral("<Umbenennen> zu diesem Zweck abbrechen?");
}

QString takeOverInformation(const QString& folder)
{
    return QStringLiteral("Anlegen einer Wendra-Prüfungsklasse mit Übernahme der Namen aus einer "
                          "Korvi-Klassendatei mit Endung dbf") +
           kBreak + QString(60, QLatin1Char('=')) + kBreak + kBreak +
           QStringLiteral("Die Korvi-Klasse (Beispiel: 9a-20212.dbf) muss vorher in das Arbeitsverzeichnis "
                          "von Wendra kopiert worden sein.") +
           kBreak + kBreak + QStringLiteral("Das Arbeitsverzeichnis von Wendra heißt: ") +
           QDir::toNativeSeparators(folder) + kBreak + kBreak +
           QStringLiteral("Beachten Sie bitte auch die ausdruckbare PDF-ANLEITUNG unter Menüpunkt HILFE");
}

QString takeOverDoneMessage(const QString& source, const QString& newName)
{
    const QString second =
        QStringLiteral("Das bringt mehr Übersicht und hat keine Auswirkung auf die spätere Rückübertragung der "
                       "Schüler mit bestandener Prüfung in das Grundprogramm Korvi zum Drucken.");
    const QChar c = source.isEmpty() ? QChar() : source.at(0);
    if (c == QLatin1Char('9'))
        return doneMessage(newName) + kBreak + kBreak +
               QStringLiteral("HINWEIS: Sie können problemlos alle Schüler löschen, die NICHT an der "
                              "HAUPTSCHULABSCHLUSSPRÜFUNG teilnehmen.") +
               kBreak + second;
    if (c == QLatin1Char('x') || c == QLatin1Char('X'))
        return doneMessage(newName) + kBreak + kBreak + QStringLiteral("EMPFEHLUNGEN:") + kBreak + kBreak +
               QStringLiteral("1) Sie können problemlos alle Schüler LÖSCHEN, die NICHT an der "
                              "REALSCHLABSCHLUSSPRÜFUNG / WERKREALSCHULABSCHLUSSPRÜFUNG teilnehmen. ") +
               second + kBreak + kBreak +
               QStringLiteral("2) Schüler aus Klasse 10, die an der HAUPTSCHULABSCHLUSSPRÜFUNG teilnehmen wollen, "
                              "passen hier nicht gut in die Listen und Tabellen.") +
               kBreak +
               QStringLiteral("Je nach Organisationsform an Ihrer Schule könnte man diese Schüler zusätzlich in eine "
                              "vorhandene oder eine extra dafür angelegte Klasse 9 aufnehmen, um die "
                              "Hauptschulabschlussprüfung zu unterstützen.");
    return {};
}

// A name the class list may hand over: a plain file name of the list's
// folder that matches the list's masks.
// True when name may stand in the list (a bare name matching the masks) and,
// with mustExist, names a file of the folder.
bool isListedName(const QString& name, const QString& folder, const QStringList& masks, bool mustExist = true)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.startsWith(QLatin1Char('.')))
        return false;
    if (!masks.isEmpty() && !MatchesMasks(name, masks))
        return false;
    return !mustExist || QFileInfo(QDir(folder).filePath(name)).isFile();
}

// Asks for a class code until one is accepted; nullopt when cancelled.
std::optional<QString> askClassCode(const QString& caption, const QString& label, const QString& preset,
                                    const QString& hint, CodeUse use)
{
    QString current = preset;
    for (;;) {
        const std::optional<QString> entry = prompts().input(caption, label, current);
        if (!entry)
            return std::nullopt;
        const QString code = entry->left(2);
        if (code.size() == 2 && (code.at(1) == QLatin1Char('0') || code.at(1) == QLatin1Char('1')))
            showMessage(hint);
        if (const auto accepted = AcceptClassCode(code, use, state().schoolTypeText))
            return accepted;
        current = code;
    }
}

// Asks for a school-year code until one passes the rule; nullopt when
// cancelled.
std::optional<QString> askSchoolYear(const QString& caption, const QString& label, const QString& preset,
                                     const QString& list)
{
    QString current = preset;
    for (;;) {
        const std::optional<QString> entry = prompts().input(caption, label, current);
        if (!entry)
            return std::nullopt;
        const QString year = entry->left(4);
        if (SchoolYearAccepted(year, list))
            return year;
        current = year;
    }
}

FileError folderError(const QString& folder)
{
    return FileError::cannotCreateFolder(folder);
}

// Creates the class folder when it is missing.  Raises FileError.
void ensureFolder(const QString& folder)
{
    const QFileInfo fi(folder);
    if (fi.isDir())
        return;
    if (fi.exists() || !QDir().mkdir(folder))
        throw folderError(folder);
}


// A new class table is made under a hidden name beside its final one and
// gets the final name only when it is complete: a failure half-way (a full
// disk) must never leave a table that looks like a class.
QString partialTableName(const QString& table)
{
    const QFileInfo fi(table);
    return fi.absoluteDir().filePath(QStringLiteral(".") + fi.fileName() + QStringLiteral(".neu"));
}

// Removes what a failed creation left: the partial table and the class
// folder it made (folder empty when there was one before).
void dropPartialClass(const QString& partTable, const QString& folder)
{
    RemoveFile(partTable);
    if (!folder.isEmpty())
        QDir().rmdir(folder);
}

} // namespace

// ---------------------------------------------------------------------------

ClassFiles& classFiles()
{
    static ClassFiles c;
    return c;
}

namespace {
const ProgramWideReset resetClassFiles(ResetOrder::Objects, [] { classFiles().reset(); });
}

ClassFiles::ClassFiles()
{
    reset();
}

void ClassFiles::reset()
{
    mode_.clear();
    view_ = ClassListView();
    hooks_ = ClassFileHooks();
    hooks_.clearClipboard = [] {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::clipboard()->clear();
    };
    hooks_.today = [] { return QDate::currentDate(); };
    hooks_.renamePath = [](const QString& from, const QString& to) {
        return QFileInfo(from).isDir() ? QDir().rename(from, to) : QFile::rename(from, to);
    };
    chosenBefore_ = false;
}

QString ClassFiles::programDir() const
{
    return state().programDir;
}

QDate ClassFiles::today() const
{
    return hooks_.today ? hooks_.today() : QDate::currentDate();
}

bool ClassFiles::classOpen() const
{
    return !state().openClassFile.isEmpty();
}

bool ClassFiles::updaterRunning() const
{
    try {
        return shell().isProcessRunning(QStringLiteral("down1.exe"));
    } catch (...) {
        return false;
    }
}

void ClassFiles::clearOpenClass()
{
    state().openClassFile.clear();
}

void ClassFiles::refreshList()
{
    view_.listEntries = ListMatchingFiles(view_.listFolder, view_.listMasks);
    view_.listSelected = view_.listEntries.isEmpty() ? -1 : 0;
}

void ClassFiles::showClassList(const QString& folder, const QString& masks)
{
    view_.listFolder = folder;
    view_.listMasks = SplitMasks(masks);
    refreshList();
    view_.studentListVisible = false;
    view_.studentListReadOnly = true;
    if (ClassTable().isOpen()) {
        // A list operation closes the open class first (the stick modes).
        ClassTable().close();
        clearOpenClass();
    }
    view_.listVisible = true;
}

void ClassFiles::hideList()
{
    view_.listVisible = false;
}

void ClassFiles::setWritable(bool writable)
{
    view_.studentListReadOnly = !writable;
    view_.label3Text = writable ? kListWritableCaption : kListProtectedCaption;
    view_.writeEnabledChecked = writable;
    view_.writeProtectedChecked = !writable;
}

void ClassFiles::loadLevelData(const QString& name)
{
    LoadExamBoardNames(name);
    LoadClassLevelSubjects(name);
}

// ---------------------------------------------------------------------------
// Choosing and opening

void ClassFiles::Choose()
{
    SharedState& s = state();
    if (s.eveningSchoolMode)
        view_.practicalExamEntryVisible = false;
    QDir::setCurrent(programDir());
    LoadProfileCodes();
    if (updaterRunning()) {
        showMessage(updaterMessage());
        NotifyMainWindow();
        return;
    }
    // The school name stays in the main window while a class is chosen,
    // opened, sorted or printed: hidden here, nothing would show it again
    // before the next start.
    if (classOpen()) {
        showMessage(QStringLiteral("Erst Klasse schließen"));
        NotifyMainWindow();
        return;
    }
    QDir::setCurrent(programDir());
    if (s.accessLocked) {
        NotifyMainWindow();
        return;
    }
    if (s.versionCheckSkipped)
        showMessage(versionRiskMessage());
    mode_ = kModeChoose;
    if (hooks_.clearClipboard)
        hooks_.clearClipboard();

    s.print.printStretchX = 1.0;
    s.print.printStretchY = 1.0;
    s.print.printLandscape = false;
    // A level without a subject file must not show the heading and footer
    // lines of the class opened before.
    ResetSubjectStartValues();
    if (hooks_.applyPrintSettings)
        hooks_.applyPrintSettings();
    ShowSchoolType();

    if (!chosenBefore_) {
        chosenBefore_ = true;
        const QString fontFile = FindFileCI(programDir(), QStringLiteral("schrift2.dat"));
        if (QFileInfo::exists(fontFile)) {
            try {
                s.print.printerFontName = ReadFirstLine(fontFile);
            } catch (const FileError&) {
                // The font stays as it was.
            }
        }
        view_.startScreenVisible = false;
    }

    s.programDir = QDir::currentPath();
    showClassList(s.programDir, kClassTableMask);
    setWritable(false);
    view_.label3Visible = true;
    if (s.schoolTypeText.isEmpty())
        s.schoolTypeText = QStringLiteral("der Werkrealschule");
    NotifyMainWindow();
}

bool ClassFiles::OpenClass(const QString& name)
{
    SharedState& s = state();
    const QString dir = programDir();
    DbfTable& table = ClassTable();
    const QString folder = FindClassDirCI(dir, name);
    bool recovered = false;
    try {
        // Another program that has the class open may be changing its list:
        // its journal is no leftover to undo.
        if (TableInUse(QDir(dir).filePath(name)))
            throw FileError(ClassInUseMessage(name));
        // A class that another desk's unfinished transfer holds would open
        // without its grade files, and what is typed then would be lost.
        if (hooks_.prepareOpening)
            if (const QString refusal = hooks_.prepareOpening(dir, name); !refusal.isEmpty())
                throw FileError(refusal);
        table.open(QDir(dir).filePath(name));
        // The list and its operations address these fields by position and
        // name; a table without them is no class table.
        for (const QString& field : {kFieldNr, kFieldLast, kFieldFirst})
            if (table.fieldIndex(field) < 0)
                throw FileError(DamagedTableMessage(table.path()));
        // A list operation that a killed program left half-done is undone
        // before anybody sees the class, and what a killed save left behind
        // goes: the class is held exclusively, nobody else writes its folder.
        recovered = RecoverInterruptedListChange(table, folder);
        CutClassTableTo40(table);
        ensureFolder(folder);
        RemoveStaleTemporaryFiles(folder);
    } catch (const FileError& e) {
        table.close();
        clearOpenClass();
        hideList();
        view_.studentListVisible = false;
        QDir::setCurrent(dir);
        showError(e.message());
        NotifyMainWindow();
        return false;
    }
    QDir::setCurrent(dir);
    s.openClassFile = name;
    s.classDir = folder + QLatin1Char('/');
    view_.gradeEditsEditable = true;
    hideList();
    loadLevelData(name);
    view_.studentListVisible = true;
    NotifyMainWindow();
    if (recovered)
        showInformation(QStringLiteral("Eine unterbrochene Änderung der Schülerliste (Löschen, Einfügen, Vertauschen "
                                       "oder Sortieren) wurde rückgängig gemacht. Die Liste steht wie vor dieser "
                                       "Änderung."));

    const QChar level = name.at(0);
    if (!s.eveningSchoolMode) {
        if (level == QLatin1Char('X') || level == QLatin1Char('x'))
            showMessage(level10Message());
        else if (level == QLatin1Char('9'))
            showMessage(level9Message());
    }
    return true;
}

void ClassFiles::Activate(const QString& name)
{
    view_.bevel2Visible = true;
    // A class table that vanished after the list was shown (a pulled stick,
    // a table moved away from the program folder) still reaches the stick
    // copy, which tells the user that nothing was chosen and leaves the list.
    const bool mustExist = mode_ != kModeStickImport && mode_ != kModeStickExport;
    if (name.isEmpty() || !ClassNameAccepted(name, state().schoolTypeText) ||
        !isListedName(name, view_.listFolder, view_.listMasks, false)) {
        NotifyMainWindow();
        return;
    }
    if (mustExist && !isListedName(name, view_.listFolder, view_.listMasks)) {
        // Only an entry the list showed can have vanished; any other name
        // was never offered.
        if (view_.listEntries.contains(name))
            vanishedFromList(name);
        NotifyMainWindow();
        return;
    }
    if (mode_ == kModeDelete)
        deleteSelected(name);
    else if (mode_ == kModeRename)
        renameSelected(name);
    else if (mode_ == kModeTakeOver)
        takeOverSelected(name);
    else if (mode_ == kModeStickExport) {
        if (hooks_.stickExport)
            hooks_.stickExport(view_.listFolder, name);
    } else if (mode_ == kModeStickImport) {
        if (hooks_.stickImport)
            hooks_.stickImport(view_.listFolder, name);
    } else if (mode_ == kModeChoose) {
        OpenClass(name);
    }
    NotifyMainWindow();
}

QString VanishedClassMessage(const QString& name, const QString& action)
{
    return name + QStringLiteral(" existiert nicht mehr.") + kBreak + QStringLiteral("Keine Klasse ausgewählt. ") + action
        + QStringLiteral(" wird abgebrochen.");
}

void ClassFiles::vanishedFromList(const QString& name)
{
    QString action;
    if (mode_ == kModeDelete)
        action = QStringLiteral("Löschen");
    else if (mode_ == kModeRename)
        action = QStringLiteral("Umbenennen");
    else if (mode_ == kModeTakeOver)
        action = QStringLiteral("Datenübernahme");
    else
        action = QStringLiteral("Öffnen");
    showInformation(VanishedClassMessage(name, action));
    if (mode_ == kModeChoose) {
        // The list stays for another class, without the one that went.
        refreshList();
        return;
    }
    // Deleting, renaming and taking over end with their list, as after
    // the action itself.
    clearOpenClass();
    mode_.clear();
    hideList();
}

void ClassFiles::ListEscape()
{
    hideList();
    view_.label5Visible = false;
    mode_.clear();
    NotifyMainWindow();
}

void ClassFiles::ListLeft()
{
    hideList();
    view_.label5Visible = false;
    if (mode_ == kModeStickImport)
        QDir::setCurrent(programDir());
    NotifyMainWindow();
}

void ClassFiles::ListEntered()
{
    view_.label5Visible = true;
    NotifyMainWindow();
}

void ClassFiles::ShowList(const QString& mode, const QString& folder, const QString& masks)
{
    mode_ = mode;
    showClassList(folder, masks);
    NotifyMainWindow();
}

// ---------------------------------------------------------------------------
// Closing and write protection

bool ClassFiles::Close()
{
    if (hooks_.noWordDocumentsOpen && !hooks_.noWordDocumentsOpen())
        return false;
    clearOpenClass();
    if (ClassTable().isOpen()) {
        view_.firstColumnReadOnly = false;
        ClassTable().close();
        view_.studentListVisible = false;
        view_.label3Visible = false;
    }
    NotifyMainWindow();
    return true;
}

void ClassFiles::EnableListWriting()
{
    if (!ClassTable().isOpen()) {
        // The menu's check marks go back to what the list really is.
        NotifyMainWindow();
        return;
    }
    setWritable(true);
    view_.firstColumnReadOnly = true;
    NotifyMainWindow();
}

void ClassFiles::ProtectList()
{
    setWritable(false);
    NotifyMainWindow();
}

// ---------------------------------------------------------------------------
// Deleting

void ClassFiles::PrepareDelete()
{
    QDir::setCurrent(programDir());
    if (classOpen()) {
        showMessage(QStringLiteral("Erst Klasse schließen"));
        return;
    }
    mode_ = kModeDelete;
    showClassList(programDir(), kClassTableMask);
    NotifyMainWindow();
}

void ClassFiles::deleteSelected(const QString& name)
{
    mode_.clear();
    const QDir dir(programDir());
    if (askYesNoDefaultNo(name + QStringLiteral(" wirklich löschen ?"))) {
        const QString path = dir.filePath(name);
        // A class folder that cannot be read would keep its grade files for
        // the next class of this name: the class is then not deleted at all.
        QString unreadable;
        try {
            ReadFolder(FindClassDirCI(programDir(), name));
        } catch (const FileError& e) {
            unreadable = e.message();
            showError(unreadable);
        }
        // A table another program holds open is not deleted under its feet.
        const bool deleted = unreadable.isEmpty() && !TableInUse(path) && QFile::remove(path);
        if (!deleted) {
            showMessage(QStringLiteral("Löschversuch fehlgeschlagen"));
        } else {
            view_.listEntries.removeAll(name);
            const QString folder = FindClassDirCI(programDir(), name);
            try {
                for (int n = 1; n <= 40; ++n)
                    DeleteStudentFiles(folder, n);
                // The program's own hidden files (a list change's journal,
                // one kept unused, set-aside and temporary files) go with
                // the class: left behind they would keep the folder, and a
                // new class of that name would inherit them.
                RemoveProgramHiddenFiles(folder);
            } catch (const FileError& e) {
                showError(e.message());
            }
            // Removed only when nothing else (Word attachments) is left.
            QDir().rmdir(folder);
        }
    }
    clearOpenClass();
    hideList();
}

// ---------------------------------------------------------------------------
// Renaming

void ClassFiles::PrepareRename()
{
    QDir::setCurrent(programDir());
    if (classOpen()) {
        showMessage(QStringLiteral("Erst Klasse schließen"));
        return;
    }
    if (askYesNo(renameAdvice())) {
        hideList();
        NotifyMainWindow();
        return;
    }
    mode_ = kModeRename;
    showClassList(programDir(), kClassTableMask);
    NotifyMainWindow();
}

void ClassFiles::renameSelected(const QString& name)
{
    hideList();
    const auto finish = [this] {
        clearOpenClass();
        mode_.clear();
        hideList();
    };
    if (!askYesNo(name + QStringLiteral(" wirklich umbenennen?"))) {
        finish();
        return;
    }
    mode_.clear();
    const QString caption = name + QStringLiteral(" umbenennen:");
    const auto code = askClassCode(caption, QStringLiteral("Neue Klasse (Ziffer+Buchstabe) "), name.left(2),
                                   QStringLiteral("Abkürzungen hier :  10a = xa  ,  11c = yc , usw. "),
                                   CodeUse::Rename);
    if (!code) {
        finish();
        return;
    }
    const auto year = askSchoolYear(caption, QStringLiteral("Schuljahr (nur 4 Ziffern, z.B. 9697)"), name.mid(3, 4),
                                    kRenameYearList);
    if (!year) {
        finish();
        return;
    }
    const QString newName = ClassTableName(*code, *year);
    const QDir dir(programDir());
    if (FileExistsCI(programDir(), newName)) {
        showMessage(existsMessage(newName));
        finish();
        return;
    }

    // Whether grades and remarks are cleared: the last question asked decides.
    bool clear = false;
    const QChar half = name.size() > 7 ? name.at(7) : QChar();
    if (half == QLatin1Char('1')) {
        clear = askYesNoDefaultNo(QStringLiteral("Sollen dabei Noten und Bemerkungen gelöscht werden?"));
        if (clear)
            clear = askYesNoDefaultNo(QStringLiteral("Noten und Bemerkungen wirklich löschen?"));
    }
    if (half != QLatin1Char('2')) {
        showInformation(QStringLiteral("Halbjahresnoten und Bemerkungen sollten gelöscht werden. "
                                       "(Im 2. Halbjahr gibt es keine Zwischennoten)"));
        clear = askYesNoDefaultNo(QStringLiteral("Noten und Bemerkungen wirklich löschen?"));
    }

    const QString oldTable = dir.filePath(name);
    const QString newTable = dir.filePath(newName);
    const QString oldFolder = FindClassDirCI(programDir(), name);
    const QString newFolder = dir.filePath(ClassFolderName(newName));
    const bool hasFolder = QFileInfo(oldFolder).isDir();
    // Both targets are checked before anything is renamed.
    if (hasFolder && FileExistsCI(programDir(), ClassFolderName(newName))) {
        showMessage(existsMessage(ClassFolderName(newName)));
        finish();
        return;
    }
    try {
        {
            // Refuses a table that another program holds open.
            DbfTable probe;
            probe.open(oldTable);
        }
        if (!hooks_.renamePath(oldTable, newTable))
            throw FileError(QStringLiteral("Datei %1 kann nicht umbenannt werden").arg(QDir::toNativeSeparators(oldTable)));
        if (hasFolder && !hooks_.renamePath(oldFolder, newFolder)) {
            // Undo the table's rename so that table and folder still belong together.
            hooks_.renamePath(newTable, oldTable);
            throw FileError(QStringLiteral("Verzeichnis %1 kann nicht umbenannt werden")
                                .arg(QDir::toNativeSeparators(oldFolder)));
        }
        DbfTable& table = ClassTable();
        table.open(newTable);
        CutClassTableTo40(table);
        const QString klasse = KlasseValue(*code, KlasseFor::Rename);
        for (int r = 0; r < table.recordCount() && r < kClassTableRecords; ++r) {
            table.setValue(r, ClassField::KLASSE, klasse);
            if (clear) {
                // Grades, remarks and the half-year's entries go; the birth
                // date and place belong to the student and stay.
                for (int f = ClassField::DATUM; f < table.fieldCount() && f < kClassTableFields; ++f)
                    if (f != ClassField::AG3 && f != ClassField::AG4)
                        table.setValue(r, f, QString());
            }
            table.post();
        }
        table.close();
        showMessage(doneMessage(newName));
    } catch (const FileError& e) {
        ClassTable().close();
        showError(e.message());
    }
    view_.studentListVisible = false;
    finish();
}

// ---------------------------------------------------------------------------
// Creating by hand

void ClassFiles::CreateByHand()
{
    SharedState& s = state();
    if (!askYesNo(handCreateWarning(), MsgKind::Warning))
        return;
    QDir::setCurrent(programDir());
    LoadProfileCodes();
    if (updaterRunning()) {
        showMessage(updaterMessage());
        return;
    }
    if (classOpen()) {
        showMessage(QStringLiteral("Erst Klasse schließen"));
        return;
    }
    showMessage(initialLetterMessage());
    QDir::setCurrent(programDir());
    if (s.accessLocked) {
        if (hooks_.showPasswordDialog)
            hooks_.showPasswordDialog(false);
        if (s.accessLocked)
            return;
    }
    ShowSchoolType();
    view_.studentListVisible = false;
    mode_ = kModeNewClass;
    NotifyMainWindow();

    const auto code = askClassCode(QStringLiteral("Neue Klasse (2 Zeichen)"), QStringLiteral("z.B. 9a,9b, xa ..."),
                                   QStringLiteral("xa"), QStringLiteral("Abkürzungen hier: 9a, xa, ..."),
                                   CodeUse::Create);
    if (!code)
        return;
    const auto year = askSchoolYear(QStringLiteral("Schuljahr für die Klasse ") + *code,
                                    QStringLiteral("Schuljahr (nur 4 Ziffern, z.B. 1920)"), DefaultSchoolYear(today()),
                                    kCreateYearList);
    if (!year)
        return;
    const QString newName = ClassTableName(*code, *year);
    if (FileExistsCI(programDir(), newName)) {
        showMessage(existsMessage(newName));
        return;
    }
    ClassTable().close();
    const QString templatePath = FindFileCI(programDir(), kTemplateName);
    if (!QFileInfo(templatePath).isFile()) {
        showMessage(QStringLiteral("Finde die Grunddatei start2.dbf nicht !"));
        return;
    }

    const QDir dir(programDir());
    QString older = newName;
    older[7] = QLatin1Char('1');
    bool takeNames = false;
    bool takeReports = false;
    if (FileExistsCI(programDir(), older)) {
        older = QFileInfo(FindFileCI(programDir(), older)).fileName();
        takeNames = askYesNo(QStringLiteral("Namen aus der Datei  ") + older + QStringLiteral(" übernehmen ?"));
        if (takeNames)
            takeReports =
                askYesNo(QStringLiteral("Berichte aus der Datei  ") + older + QStringLiteral(" als Vorlage übernehmen?"));
    }

    const QString newTable = dir.filePath(newName);
    const QString newFolder = FindClassDirCI(programDir(), newName);
    const QString partTable = partialTableName(newTable);
    const bool folderExisted = QFileInfo(newFolder).isDir();
    DbfTable source;
    try {
        if (takeNames)
            source.open(dir.filePath(older), DbfAccess::SharedReadOnly);
        CopyFileContents(templatePath, partTable);
        ensureFolder(newFolder);

        DbfTable& table = ClassTable();
        table.open(partTable);
        CutClassTableTo40(table);
        const QChar level = code->at(0).toLower();
        const QString klasse = KlasseValue(*code, KlasseFor::Create);
        const QString group = level == QLatin1Char('x') ? QStringLiteral("W")
                              : level == QLatin1Char('y') ? QStringLiteral("H")
                                                          : QString();
        const int lastCleared = (level == QLatin1Char('x') || level == QLatin1Char('y')) ? 22 : 27;
        for (int r = 0; r < table.recordCount(); ++r) {
            table.setValue(r, ClassField::NR, QString::number(r + 1));
            table.clearFields(r, ClassField::NACHNAME, ClassField::MW);
            table.setValue(r, ClassField::KLASSE, klasse);
            table.clearFields(r, ClassField::DATUM, ClassField::HJ - 1);
            table.setValue(r, ClassField::HJ, group);
            table.setValue(r, ClassField::NoneMark, QStringLiteral("---"));
            table.clearFields(r, ClassField::NoneMark + 1, lastCleared);
            // A shorter older table leaves the remaining records empty.
            if (takeNames && r < source.recordCount()) {
                table.setValue(r, kFieldLast, source.valueOrEmpty(r, kFieldLast));
                table.setValue(r, kFieldGender, source.valueOrEmpty(r, kFieldGender));
                table.setValue(r, kFieldFirst, source.valueOrEmpty(r, kFieldFirst));
            }
            table.post();
        }
        source.close();
        table.renameTo(newTable);
    } catch (const FileError& e) {
        source.close();
        ClassTable().close();
        // The class was not made: a half-written table would look like one.
        dropPartialClass(partTable, folderExisted ? QString() : newFolder);
        clearOpenClass();
        showError(e.message());
        NotifyMainWindow();
        return;
    }

    if (takeReports) {
        const QString olderFolder = FindClassDirCI(programDir(), older);
        try {
            for (int n = 1; n <= 40; ++n)
                for (const QString& prefix : kStudentFilePrefixes) {
                    const QString file = prefix + QString::number(n);
                    const QString from = FindFileCI(olderFolder, file);
                    if (QFileInfo(from).isFile())
                        CopyFileContents(from, newFolder + QLatin1Char('/') + file);
                }
        } catch (const FileError& e) {
            showError(e.message());
        }
    }

    s.openClassFile = newName;
    s.classDir = newFolder + QLatin1Char('/');
    view_.label3Visible = true;
    view_.studentListVisible = true;
    view_.firstColumnReadOnly = true;
    loadLevelData(newName);
    setWritable(true);
    view_.firstColumnReadOnly = true;
    if (s.schoolTypeText.isEmpty())
        s.schoolTypeText = QStringLiteral("der Hauptschule mit Werkrealschule");
    NotifyMainWindow();
}

// ---------------------------------------------------------------------------
// Taking over a family class table

void ClassFiles::PrepareTakeOver()
{
    QDir::setCurrent(programDir());
    DeleteOutdatedFamilyClassFiles(QStringLiteral("%1").arg(today().year() % 100, 2, 10, QLatin1Char('0')));
    LoadProfileCodes();
    if (classOpen()) {
        showMessage(QStringLiteral("Erst die geöffnete Klasse schließen"));
        return;
    }
    showInformation(takeOverInformation(QDir::currentPath()));
    mode_ = kModeTakeOver;
    showClassList(programDir(), kFamilyTableMask);
    NotifyMainWindow();
}

void ClassFiles::takeOverSelected(const QString& name)
{
    hideList();
    mode_.clear();
    const auto finish = [this] {
        view_.studentListVisible = false;
        clearOpenClass();
        mode_.clear();
        hideList();
    };
    const QDir dir(programDir());
    const QString sourcePath = dir.filePath(name);
    try {
        DbfTable probe;
        probe.open(sourcePath, DbfAccess::SharedReadOnly, DbfTextBytes::Family);
    } catch (const FileError& e) {
        showError(e.message());
        finish();
        return;
    }

    const auto code = askClassCode(QStringLiteral("Datenübernahme aus ") + name,
                                   QStringLiteral("Neue Prüfungsklasse (Beisp: 9a oder xa ) "), name.left(2),
                                   QStringLiteral("Eingabe statt 10a :xa "), CodeUse::TakeOver);
    if (!code) {
        finish();
        return;
    }
    const auto year = askSchoolYear(QStringLiteral("Prüfungsklasse ") + *code + QStringLiteral(" anlegen:"),
                                    QStringLiteral("Schuljahr (nur 4 Ziffern, z.B. 2021)"), name.mid(3, 4),
                                    kRenameYearList);
    if (!year) {
        finish();
        return;
    }
    const QString newName = ClassTableName(*code, *year);
    if (FileExistsCI(programDir(), newName)) {
        showMessage(existsMessage(newName));
        finish();
        return;
    }

    const QString newTable = dir.filePath(newName);
    const QString newFolder = FindClassDirCI(programDir(), newName);
    const QString partTable = partialTableName(newTable);
    const bool folderExisted = QFileInfo(newFolder).isDir();
    DbfTable source;
    try {
        ensureFolder(newFolder);
        const QString templatePath = FindFileCI(programDir(), kTemplateName);
        source.open(sourcePath, DbfAccess::SharedReadOnly, DbfTextBytes::Family);
        CopyFileContents(templatePath, partTable);
        DbfTable& table = ClassTable();
        table.open(partTable);
        const QString klasse = KlasseValue(*code, KlasseFor::TakeOver);
        const int records = std::min(table.recordCount(), kClassTableRecords - 1);
        for (int r = 0; r < records; ++r) {
            table.setValue(r, ClassField::KLASSE, klasse);
            // Records beyond the end of the source stay empty.
            const bool fromSource = r < source.recordCount();
            for (const QString& field : {kFieldLast, kFieldFirst,
                                         kFieldBirthDate, kFieldBirthPlace})
                table.setValue(r, field, fromSource ? source.valueOrEmpty(r, field) : QString());
            table.post();
        }
        table.renameTo(newTable);
        table.close();
        source.close();
    } catch (const FileError& e) {
        source.close();
        ClassTable().close();
        dropPartialClass(partTable, folderExisted ? QString() : newFolder);
        showError(e.message());
        finish();
        return;
    }
    const QString done = takeOverDoneMessage(name, newName);
    if (!done.isEmpty())
        showMessage(done);
    finish();
}

// ---------------------------------------------------------------------------

QString FindClassDirCI(const QString& programDir, const QString& tableName)
{
    return FindFileCI(programDir, ClassFolderName(QFileInfo(tableName).fileName()));
}

QString StudentFilePathCI(const QString& folder, const QString& prefix, const QString& number)
{
    return FindFileCI(folder, prefix + number.trimmed());
}

void CutClassTableTo40(DbfTable& table)
{
    if (table.recordCount() <= kClassTableRecords)
        return;
    while (table.recordCount() > kClassTableRecords)
        table.deleteRecord(table.recordCount() - 1);
    table.pack();
}

void LoadExamBoardNames(const QString& tableName)
{
    const QString path = FindFileCI(state().programDir, ExamBoardFileName(tableName));
    if (!QFileInfo(path).isFile())
        return;
    QStringList lines;
    try {
        lines = ReadTextLines(path);
    } catch (const FileError&) {
        return;
    }
    state().examChairName = lines.value(0);
    state().headTeacherName = lines.value(1);
}

void DeleteOutdatedFamilyClassFiles(const QString& yy)
{
    const QString dirPath = state().programDir;
    if (dirPath.isEmpty())
        return;
    const QDir dir(dirPath);
    const int year = ParseLeadingInt(yy);
    for (const QString& name : dir.entryList({QStringLiteral("*")}, QDir::Files | QDir::Hidden)) {
        if (!IsFamilyClassTableName(name))
            continue;
        if (ParseLeadingInt(name.mid(5, 2)) >= year)
            continue;
        QFile::remove(dir.filePath(name));
        const QString folder = dir.filePath(ClassFolderName(name));
        const QFileInfo fi(folder);
        if (fi.isSymLink())
            QFile::remove(folder);
        else if (fi.isDir() && fi.absolutePath() == QFileInfo(dirPath).absoluteFilePath())
            DeleteFolderTree(folder);
    }
}

bool DeleteFolderTree(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    const QFileInfo fi(folder);
    if (fi.isSymLink())
        return QFile::remove(folder);
    if (!fi.isDir())
        return false;
    const QString canonical = fi.canonicalFilePath();
    if (canonical == QStringLiteral("/") || canonical == QDir::homePath() ||
        canonical == QFileInfo(state().programDir).canonicalFilePath())
        return false;
    return QDir(folder).removeRecursively();
}

} // namespace hsa
