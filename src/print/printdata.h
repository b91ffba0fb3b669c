#pragma once
#include "classes/arithmetic.h"
#include "classes/examgrid.h"
#include "classes/subjectdata.h"
#include "grades/examsheet.h"

#include <QDate>
#include <QString>
#include <array>
#include <functional>

// What the printed documents know of the open class and of one student.
// Layouts take these plain values and never read a widget, the class table
// or the shared state, so every document can be laid out in a test from
// values built by hand.
namespace hsa {

struct ClassPrintData {
    QString classFile;          // file name of the open class table ("9a_25262.dbf")
    QString classDir;           // its folder, ending in "/"
    QString schoolName;         // may hold one "?" splitting it into two lines
    QString schoolTypeText;
    bool eveningSchoolMode = false;
    SubjectData subjects;       // subject names 0..20, certificate lines, profile codes
    QString examChairName;
    QString headTeacherName;
    GradeContext context;
    QDate today;
    // "kurzdat.dat" exists: certificate dates print as stored, not spelled out.
    bool shortDates = false;
    double fontStretch = 1.0;   // PrintFontStretch: every font size is multiplied by it
    QString printerFontName = QStringLiteral("Times New Roman");
    int lineWidth = 2;          // PrintLineWidth
    bool stateLine = true;      // StateLineSwitch > 0: certificate headings print the state's name
    // First character of the class file name: the class code the layouts
    // choose by ("9", "x", "X", "y", ...); a null character for none.
    QChar classCode() const { return classFile.isEmpty() ? QChar() : classFile.at(0); }
    // The school type is a Gemeinschaftsschule (profile subjects are shown).
    bool gemeinschaftsschule() const { return schoolTypeText.contains(QStringLiteral("emein")); }
    // "25/26" from characters 4-5 and 6-7 of the class file name.
    QString schoolYearShort() const { return classFile.mid(3, 2) + QLatin1Char('/') + classFile.mid(5, 2); }
};

struct StudentPrintData {
    int record = 0;             // live record position 1..40 in the class table
    QString nr;                 // NR as stored
    QString surname;            // NACHNAME
    QString firstName;          // VORNAME
    QString klasse;             // KLASSE
    QString projectGroup;       // HJ (the note pages' "Projektgruppe")
    QString birthDate;          // AG3
    QString birthPlace;         // AG4
    QString ag2, ag5, ag6, ag7; // further fields the certificates read
    std::array<QString, 4> hints{};   // HINWEIS1..4
    std::array<QString, 2> remarks{}; // BEMERK1, BEMERK2
    QString deu, math;          // DEU, MATH
    QString datum;              // DATUM (certificate date)
    ExamSheet sheet;            // the grade file, or the presets when it is missing
    // Grade list: column 0 the subject names of rows 0..20, column 1 the grades
    // (the record's grade slots where the class keeps them, else the sheet's own).
    GradeList gradeNames{};
    GradeList grades{};
    QString gradeFilePath;      // the grade file the sheet was loaded from
};

class DbfTable;

// The open class as the prints see it: the shared state of the moment,
// today from the print clock.
ClassPrintData LoadClassPrintData();

// The student of record (1-based position) of table: the record's fields, the
// grade file "v." + NR of the class folder (the presets when there is none)
// and the grade list.  Built afresh for every student, so nothing of the
// student printed before can remain.  The grade list comes from the record's
// grade slots where the class keeps them (ClassKeepsGradeSlots), else from
// the student's own sheet.  A record beyond the table gives an
// empty student.
StudentPrintData LoadStudentPrintData(const ClassPrintData& cls, const DbfTable& table, int record);

// One print command's account of the grade files it read that were cut
// short, longer than their layout or held marks outside 1.0 to 6.0.  While
// a scope is open, LoadStudentPrintData and the class tables note each such
// student; when the outermost scope closes, the user is told once, in one
// message naming them all.  The print itself goes on: what the files held is
// printed, a missing mark as "- ".  Without an open scope nothing is noted
// (the grade window tells of its own student itself).
class FlawedGradeFileScope {
public:
    FlawedGradeFileScope();
    ~FlawedGradeFileScope();
    FlawedGradeFileScope(const FlawedGradeFileScope&) = delete;
    FlawedGradeFileScope& operator=(const FlawedGradeFileScope&) = delete;

private:
    bool outermost_;
    int exceptions_;
};
// Notes the student of the grade file "v." + nr in the open scope, when its
// sheet has a flaw.
void NoteFlawedGradeFile(const QString& nr, const QString& surname, const QString& firstName,
                         const ExamSheet& sheet);

// The clock the prints date their pages with; tests install a fixed day.
QDate PrintToday();
void SetPrintClock(std::function<QDate()> clock); // nullptr: the system's date

// dd.MM.yyyy whatever the locale.
QString PrintDateText(const QDate& date);

} // namespace hsa
