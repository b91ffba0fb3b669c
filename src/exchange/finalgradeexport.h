#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The final grades of the open class for the report-card program.
//
// "<8 characters of the class file, third one '-'> Endnoten.txt" in the folder
// "Export" of the program folder (Windows-1252, CR LF):
//   line 1   the school name as the program holds it
//   line 2   the first 8 characters of the class file ("9a_21222")
//   line 3   "PZeugnisnummern Start"
//   then per record 1 to 39: surname, first name, exam-result index, the grade
//            of F21, birth date, birth place and, from school year 2021 on,
//            the overall average with its word (6 or 7 lines)
//   then     "Zeugnisnummern Ende"
//   then per passed student (result 0 to 2, a name): surname, first name and
//            for grade columns 2 to 20 the subject code and the grade (40 lines)
// The text file is written only into a folder of the system's temporary
// folder that its owner alone may open, packed from there into
// "... Endnoten.qdn" in "Export" (encrypted with a fixed password) and
// removed with its folder; only the archive is ever in "Export".  An older
// archive of the class is removed before the new one is begun, so a failed
// or killed export never leaves one that looks like the new one.
namespace hsa {

inline constexpr int kExportRecords = 39;
inline constexpr int kExportGradeColumns = 19;   // grade-table columns 2 to 20

// One record of the class table as the export reads it.
struct FinalGradeRecord {
    QString last;              // NACHNAME as stored
    QString first;             // VORNAME as stored
    int resultIndex = 5;       // exam result of the grade file ("---" without one)
    QString birthDate;         // AG3 as stored
    QString birthPlace;        // AG4 as stored
    QString profileField;      // AG7
    QString average;           // overall average of the grade file's exam grid
    std::array<QString, kExportGradeColumns> grades{};   // fields of columns 2 to 20
};

struct FinalGradeExportInput {
    QString schoolName;
    QString classFileName;     // "9a_21222.dbf"
    std::array<QString, kExportGradeColumns> shortCodes{};   // headings of columns 2 to 20
    std::array<QString, 6> profileCodes{};
    QList<FinalGradeRecord> records;   // records 1 to 39 (fewer when the table is shorter)
};

// The lines of the export file.
QStringList BuildFinalGradeExport(const FinalGradeExportInput& input);

// "9a-21222 Endnoten.txt" for "9a_21222.dbf".
QString FinalGradeExportFileName(const QString& classFileName);

// The fixed password of the final-grade archive.
QString FinalGradeArchivePassword();

// The menu entries "Endnoten ausspielen für Korvi" (top menu) and "... Endnoten
// ausspielen  für den Zeugnisdruck in KORVI" (menu "Klasse").
void ConfirmFinalGradeExport();
void ConfirmFinalGradeExportFromClassMenu();

// Writes, packs and checks the export of the open class and offers the stick
// copy.  Returns the archive's path when it was written.
std::optional<QString> ExportFinalGrades();

// At start: removes the private folders of exports that a killed program
// left in the system's temporary folder (never one of a program still
// running), and plain or half-written export texts in "Export".
void RemoveFinalGradeLeftovers();

// Copies file into a folder the user picks (the stick's root), through a
// temporary name there.  False when cancelled, refused (the file's own
// folder) or failed; each told to the user.
bool CopyFileToStick(const QString& file);

} // namespace hsa
