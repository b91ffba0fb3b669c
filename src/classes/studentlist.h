#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

// The student list of the open class: its columns, and the operations of the
// menu "&Liste" that rearrange whole records (delete a student, insert an
// empty row, swap two rows, sort the class).
//
// The class table always holds 40 records: 1 to 38 are students, 39 is the
// swap row through which every exchange passes, 40 the weighting record.
// Records are numbered by position from 1; the field NR holds that number.
// Each student owns the files "v.", "m." and "l." + number in the class
// folder; every operation moves them together with the record, so that a
// grade file never ends up beside another student.
namespace hsa {

class DbfTable;

inline constexpr int kClassRecordCount = 40;
inline constexpr int kLastStudentRecord = 38;
inline constexpr int kSwapRecord = 39;
inline constexpr int kWeightRecord = 40;
// Characters of a field value carried by MoveStudentRecord.
inline constexpr int kMovedFieldMax = 80;
// Length of a sort key and width of each name part.
inline constexpr int kSortKeyMax = 70;
inline constexpr int kSortNameWidth = 25;

// Prefixes of the per-student files.
inline const QString kStudentFilePrefixes[3] = {QStringLiteral("v."), QStringLiteral("m."),
                                                QStringLiteral("l.")};

// Texts of the operations.
inline const QString kMsgSortProgress = QStringLiteral("Sortiere Daten und Dateien. Bitte warten...");
inline const QString kMsgCtrlProtects = QStringLiteral("Die <Strg>-Taste aktiviert wieder die Eingabesperre");
inline const QString kMsgSwapRowTaken =
    QStringLiteral("In Zeile 39 steht noch der Schüler %1. Bitte zuerst einen Schüler löschen, "
                   "damit er in die Liste nachrückt.");
inline const QString kMsgStudentNumberWrong = QStringLiteral("Schülerummer stimmt nicht !");

// ------------------------------------------------------------------ columns

// One column of the student list: the field shown, its title and its display
// width in characters.
struct StudentListColumn {
    QString field;
    QString title;
    int widthChars = 0;
};
// NR, NACHNAME, VORNAME, M/W, "Kl.", "Z_Datum", "Pro.Gr.", "Geb_Datum",
// "Geburtsort" (the fields NR, NACHNAME, VORNAME, M/W, KLASSE, DATUM, HJ,
// AG3, AG4).  Every other field of the class table is not shown.
const std::vector<StudentListColumn>& StudentListColumns();

// ------------------------------------------------------------------ records

// Folder of the per-student files of the open class: the program folder +
// the first eight characters of the class file name + "/".
QString StudentFilesFolder();

// Number of records of the table (0 when it is closed).
int CountClassRecords(const DbfTable& table);

// Deletes "v.", "m." and "l." + number in folder where they exist (names
// found ignoring case).  Raises FileError when an existing file cannot be
// deleted.
void DeleteStudentFiles(const QString& folder, int number);

// The journal of a list operation in the class folder, ".listenjournal"
// (binary, CR LF after each line):
//   "HSA-Listenjournal 2"
//   the byte count of the class table as it was
//   the SHA-256 checksum of those bytes (hex)
//   the table file's device TAB inode
//   the bytes of the table as it was
// then one block per step, written (and flushed to the disk) before the
// renames it names are made:
//   "T" TAB checksum of the table as the step left it
//   "U" TAB old name TAB new name  (bare names in the class folder)
//   "P" TAB checksum of the whole journal before this line
// It exists only while an operation runs: a program killed half-way leaves
// it, and the next opening of the class undoes the operation with it.  A
// block without its "P" line was cut off by the kill, and none of its
// renames was made.
inline const QString kListJournalName = QStringLiteral(".listenjournal");

// Why a class whose list operation was cut off is not copied away before it
// was opened (and the operation undone) once more.
inline QString InterruptedListChangeMessage(const QString& name)
{
    return QStringLiteral("Bei der Klasse %1 wurde eine Änderung der Schülerliste unterbrochen. "
                          "Bitte die Klasse zuerst wählen, damit die Änderung rückgängig gemacht wird; "
                          "danach kann sie kopiert werden. Die Klasse bleibt unverändert.").arg(name);
}

// A rearrangement of the student list as one whole: either every record and
// file ends where the operation puts it, or the class stays exactly as it
// was.  Files move by renaming inside the class folder, which needs no room
// on the disk; a file that would be overwritten is first set aside under a
// hidden name and removed only by commit().  A failure at any step (a refused
// write of the table, a refused rename, a refused write of the journal)
// raises FileError; the destructor of a change that was not committed then
// writes the table back as it was and undoes the renames, newest first.  The
// journal records the intent before anything changes, so that even a killed
// program's change is undone when the class is opened next
// (RecoverInterruptedListChange).
class StudentListChange {
public:
    StudentListChange(DbfTable& table, const QString& folder);
    ~StudentListChange();
    StudentListChange(const StudentListChange&) = delete;
    StudentListChange& operator=(const StudentListChange&) = delete;

    // Record source onto record dest (both from 1): every field but NR, each
    // cut to 80 characters; the files "v.", "m.", "l." of dest are set aside
    // and those of source renamed to dest's names.  source == dest changes
    // nothing.
    void move(int source, int dest);
    // Empties record number (see ClearStudentRecord) and sets its files aside.
    void clear(int number, bool keepClassAndDate);
    // Makes the change final: the set-aside files are removed.
    void commit();

private:
    // Plans the set-aside renames of number's files.
    void setAside(int number, std::vector<std::pair<QString, QString>>& plan);
    // Writes the planned renames into the journal, then makes them in order.
    void rename(const std::vector<std::pair<QString, QString>>& plan);
    void undo() noexcept;
    void closeJournal() noexcept;

    DbfTable& table_;
    QString folder_;
    QByteArray before_;
    QString journal_;
    QByteArray written_;
    int journalFd_ = -1;
    int asideCount_ = 0;
    std::vector<std::pair<QString, QString>> renamed_;
    QStringList setAside_;
    bool committed_ = false;
};

// Undoes a list operation that a killed program left half-done in the class
// whose table is open (held exclusively) and whose per-student files lie in
// folder: the table is written back as it was, the renames of the journal
// are undone newest first, and the journal goes.  False when there was
// nothing to undo.  Raises FileError (the class must then not be used) when
// the journal is damaged (any part of it fails its check: nothing is
// written then), or a step fails; the journal then stays for the next try.
// A sound journal that was written for another table (the class was
// replaced as a whole since: neither the same file nor the table as one of
// the journal's steps left it) is removed unused; false then.
bool RecoverInterruptedListChange(DbfTable& table, const QString& folder);

// The same for the closed class table at tablePath, whose per-student files
// lie in folder, before the class is replaced as a whole (the files it keeps
// must stand where the older students had them): the table is opened
// exclusively for it.  False when there was nothing to undo.  Raises
// FileError.
bool RecoverListChangeOfClass(const QString& tablePath, const QString& folder);

// One move of StudentListChange on its own, all or nothing.  Raises FileError.
void MoveStudentRecord(DbfTable& table, const QString& folder, int source, int dest);

// Empties record number (from 1) from field 1 on and sets NR to the number.
// keepClassAndDate keeps fields 4 and 5 (KLASSE and the certificate date).
void ClearStudentRecord(DbfTable& table, int number, bool keepClassAndDate);

// ------------------------------------------------------------------ sort keys

// Replaces, while old occurs in text, its first occurrence by replacement.
// An empty old, or a replacement that contains old, replaces each
// occurrence once.
void ReplaceAll(QByteArray& text, const QByteArray& oldText, const QByteArray& replacement);

// The name part of a sort key, on Windows-1252 bytes: "Ä" "Ö" "Ü" become "A"
// "O" "U", "ß" becomes "SS", "ä" "ö" "ü" become "a" "o" "u"; then cut to
// width or padded with blanks to width.
QByteArray BuildSortKey(const QByteArray& text, int width);

// The sort key of record number (1 to 39): name and first name parts, NR;
// with gender the gender field first; upper case (a to z only); with groups
// the project group (HJ) first of all.  A record without NACHNAME gets
// byte 255, byte number + 64 and NR, so that empty rows sort last in their
// old order.  At most 70 bytes.
QByteArray StudentSortKey(const DbfTable& table, int number, bool gender, bool groups);

// Sorts keys[low..high] ascending; exchange(i, j) is called for every pair of
// different positions that is exchanged, right after the keys are.
void QuickSortKeys(int low, int high, std::vector<QByteArray>& keys,
                   const std::function<void(int, int)>& exchange);

// Sorts students 1 to 38 of the table by their keys, moving each record with
// its files through record 39; record 39 is cleared afterwards (NR "39",
// its files deleted).  All or nothing; raises FileError.  The table must
// hold 40 records.
void SortClassRecords(DbfTable& table, const QString& folder, bool gender, bool groups);

// ------------------------------------------------------------------ menu "&Liste"

// What the list operations tell the main window besides the shared state.
struct StudentListHooks {
    // The status text of a running sort ("Sortiere Daten und Dateien. Bitte
    // warten..."); an empty text when the sort has ended.
    std::function<void(const QString& text)> sortProgress;
};
StudentListHooks& studentListHooks();

// "Schüler löschen": deletes the student of the current record
// (state().currentStudentRecord) after the question; the students below move
// up one place with their files.  False when nothing was changed.
bool DeleteStudent();
// "Leere Zeile einfügen": inserts an empty row before the current record
// after two questions; the students from there to 38 move down one place
// into record 39.  The list is left open for typing.
//
// Insert, swap and sort pass through record 39 and are refused while it
// still holds a student (kMsgSwapRowTaken); deleting a student moves him up.
// Every operation is all or nothing (StudentListChange).
bool InsertEmptyRow();
// "Zwei Zeilen vertauschen": asks for two numbers 1 to 38 and exchanges the
// two students with their files.
bool SwapTwoRows();
// "Schülerliste sortieren": checks the table size, asks and sorts.
bool SortStudentList();

// The Ctrl key in the student list: in an open list the information
// "Die <Strg>-Taste aktiviert wieder die Eingabesperre" and the list becomes
// write-protected.  True when it did.
bool StudentListCtrlKey();

} // namespace hsa
