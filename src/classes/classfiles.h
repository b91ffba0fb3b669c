#pragma once
#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

// The exam classes of the program folder: choosing, opening, closing,
// creating, taking over, renaming and deleting them, all through the class
// list of the main window (FileListBox1).  The main window calls the
// operations below from its menu entries and list events, and after every
// call (and on NotifyMainWindow) shows what classFiles().view() says.  The
// open class is state().openClassFile (the caption of Label1), its table
// ClassTable() and its folder state().classDir.
namespace hsa {

class DbfTable;

// List modes (ClassListMode).
inline const QString kModeChoose = QStringLiteral("wählen");
inline const QString kModeDelete = QStringLiteral("loeschen");
inline const QString kModeRename = QStringLiteral("umbenennen");
inline const QString kModeTakeOver = QStringLiteral("hol");
inline const QString kModeStickExport = QStringLiteral("ausspielen");
inline const QString kModeStickImport = QStringLiteral("einspielen");
inline const QString kModeNewClass = QStringLiteral("Neue_Klasse");

inline const QString kListProtectedCaption = QStringLiteral("(Listenschreibschutz aktiviert)");
inline const QString kListWritableCaption = QStringLiteral("(Listeneingabe möglich)");

// What the main window shows of the class operations.
struct ClassListView {
    // FileListBox1: shown, its folder, masks and entries, the selected entry.
    bool listVisible = false;
    QString listFolder;
    QStringList listMasks;
    QStringList listEntries;
    int listSelected = -1;
    // The student list DBGrid1 and its first column (NR).
    bool studentListVisible = false;
    bool studentListReadOnly = true;
    bool firstColumnReadOnly = false;
    // Label3 (write protection of the student list) and the two menu checks
    // "Liste zum Schreiben freigeben" / "Liste mit Schreibschutz versehen".
    QString label3Text = QStringLiteral("(gesperrt)");
    bool label3Visible = true;
    bool writeEnabledChecked = false;
    bool writeProtectedChecked = true;
    bool label5Visible = false;
    bool bevel2Visible = false;
    // The start screen (Image1, Image2, Label4, Label6, Label7).
    bool startScreenVisible = true;
    // Grade-table menu entry "PP:  Praktische Prüfung ..." (hidden in an
    // evening school).
    bool practicalExamEntryVisible = true;
    // The grade window's edits deutschnote and mathenote may be edited.
    bool gradeEditsEditable = false;
};

// Parts of the program that the class operations call but cannot link.
// Each is installed by the part that owns it; an empty one is skipped.
struct ClassFileHooks {
    // Print settings when a class is about to be chosen: start values of the
    // page model (ResetStartValues), the calibration and pen-width files,
    // portrait orientation and the scales from the printer's resolution.
    // The stretches (1.0) and PrintLandscape (false) are set before the call.
    std::function<void()> applyPrintSettings;
    // The password dialog (not modal when the class is created by hand);
    // afterwards state().accessLocked tells whether it was entered.
    std::function<void(bool modal)> showPasswordDialog;
    // True when no Word document of the class is open any more, so that the
    // class may close; false keeps the class open.
    std::function<bool()> noWordDocumentsOpen;
    // The stick transfer's double-click actions: folder is the list's folder,
    // name the chosen file.
    std::function<void(const QString& folder, const QString& name)> stickExport;
    std::function<void(const QString& folder, const QString& name)> stickImport;
    // Empties the clipboard (when a class is chosen).  Defaults to the
    // application's clipboard.
    std::function<void()> clearClipboard;
    // Today (the school-year default and the clean-up of family tables).
    std::function<QDate()> today;
    // Renames a file or folder; true on success.  Defaults to the system's
    // rename; tests make it fail to see that a rename is undone whole.
    std::function<bool(const QString& from, const QString& to)> renamePath;
    // Before a class is opened: finishes or puts back what a killed transfer
    // left in the program folder dir; the message why the class name must
    // not be opened (another program's unfinished transfer holds it), empty
    // when it may.
    std::function<QString(const QString& dir, const QString& name)> prepareOpening;
};

class ClassFiles {
public:
    ClassFiles();

    // Menu "wählen": prepares the class list for opening.
    void Choose();
    // Menu "löschen", "umbenennen" and the take-over entry: prepare the list.
    void PrepareDelete();
    void PrepareRename();
    void PrepareTakeOver();
    // Menu "neu anlegen mit Namenseingabe von Hand".
    void CreateByHand();
    // Menu "schließen".  False when the class stays open (Word documents).
    bool Close();
    // Menus "Liste zum Schreiben freigeben" and "Liste mit Schreibschutz
    // versehen".
    void EnableListWriting();
    void ProtectList();

    // Double click, or Return, on the class list; name is the selected entry
    // (empty when none is selected).
    void Activate(const QString& name);
    // Escape in the list; the list loses or gets the focus.
    void ListEscape();
    void ListLeft();
    void ListEntered();
    // Shows the list in folder with masks for a mode of another part (the
    // stick transfer): the student list hidden, the class table closed.
    void ShowList(const QString& mode, const QString& folder, const QString& masks);

    // Opens the class table name of the program folder as the open class
    // (what a double click in mode "wählen" does).  False after a failure,
    // which has been reported; no class is open then.
    bool OpenClass(const QString& name);

    QString mode() const { return mode_; }
    void setMode(const QString& mode) { mode_ = mode; }
    const ClassListView& view() const { return view_; }
    ClassFileHooks& hooks() { return hooks_; }
    // Back to the start of the run (tests).
    void reset();

private:
    void deleteSelected(const QString& name);
    void renameSelected(const QString& name);
    void takeOverSelected(const QString& name);
    // A listed class table that left the list's folder after the list was
    // shown: says so; choosing lists what is left, the other modes end.
    void vanishedFromList(const QString& name);
    void showClassList(const QString& folder, const QString& masks);
    void refreshList();
    void hideList();
    void clearOpenClass();
    bool classOpen() const;
    bool updaterRunning() const;
    void loadLevelData(const QString& name);
    void setWritable(bool writable);
    QDate today() const;
    QString programDir() const;

    QString mode_;
    ClassListView view_;
    ClassFileHooks hooks_;
    bool chosenBefore_ = false;
};

// The program's class operations.
ClassFiles& classFiles();

// Cuts an open class table to 40 records: records beyond the fortieth are
// deleted and the table packed (table1AfterOpen).
void CutClassTableTo40(DbfTable& table);

// What the user is told when the class table name, chosen from a list,
// left its folder after the list was shown: the class by name, and which
// action ("Öffnen", "Kopiervorgang" …) ends.
QString VanishedClassMessage(const QString& name, const QString& action);

// Reads the exam-board names of the class (ExamChairName, HeadTeacherName)
// from its "vor" file when it exists; otherwise the names stay.
void LoadExamBoardNames(const QString& tableName);

// The class folder of the class table tableName in programDir, found
// ignoring case as every program file is: a table "9A_25262.DBF" copied from
// Windows beside its folder "9a_25262" gets that folder.  programDir + the
// table name without ".dbf" when no spelling of it exists.  No "/" at the end.
QString FindClassDirCI(const QString& programDir, const QString& tableName);
// A student's file ("v.", "m." or "l." + number) in the class folder, found
// ignoring case; folder + prefix + number when there is none.
QString StudentFilePathCI(const QString& folder, const QString& prefix, const QString& number);

// Deletes the family's class tables of past school years from the program
// folder: every file named like "9a-25262.dbf" whose characters 6 and 7 give
// a number below yy, with its folder "9a-25262" when that lies directly in
// the program folder.
void DeleteOutdatedFamilyClassFiles(const QString& yy);

// Deletes a folder with everything in it (links are removed, never
// followed).  True on success.
bool DeleteFolderTree(const QString& folder);

} // namespace hsa
