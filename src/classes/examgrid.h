#pragma once
#include <QString>
#include <array>

// The exam grid of one student (nine columns of exam parts, year mark and
// results for up to nineteen subject rows) and the settings of the open class
// that the grade arithmetic reads.  Plain values: the grade window, the
// whole-class tables, the prints and the export all work on copies of these.
namespace hsa {

inline constexpr int kExamGridColumns = 9;
inline constexpr int kExamGridRows = 20;      // row 0 holds the headings
inline constexpr int kFirstSubjectRow = 1;
inline constexpr int kLastSubjectRow = 19;
inline constexpr int kGradeListRows = 21;     // grade list: exam row r is row r + 1

// Columns of the exam grid.
enum ExamColumn : int {
    ColCode = 0,        // subject short code
    ColWritten = 1,     // "schr": written exam (project exam in the row "Proj")
    ColComm = 2,        // "KP/pr": communication (English) or practical exam
    ColOral = 3,        // "mü": oral exam
    ColExamResult = 4,  // "Pr-Leist.": exam performance, computed
    ColYear = 5,        // "Jahresl.": year mark
    ColAverage = 6,     // "Schnitt", computed
    ColFinal = 7,       // "Endnote", computed
    ColWeight = 8,      // "F-Gew.": weight in the overall average
};

// 9 x 20 cells of text, addressed (column, row) like the grid on screen.
struct ExamGrid {
    std::array<std::array<QString, kExamGridRows>, kExamGridColumns> cells{};

    QString& at(int column, int row) { return cells[column][row]; }
    const QString& at(int column, int row) const { return cells[column][row]; }
    // An empty text for a cell outside the grid.
    QString cell(int column, int row) const
    {
        if (column < 0 || column >= kExamGridColumns || row < 0 || row >= kExamGridRows)
            return {};
        return cells[column][row];
    }
    bool operator==(const ExamGrid&) const = default;
};

// What the grade arithmetic and the grade file need to know about the open
// class and its level.  Filled by the caller (see grades/gradecontext.h for the
// filling from the shared state); the arithmetic never looks anywhere else.
struct GradeContext {
    // Evening school: every exam part weighs 1, boundary grades use 1 : 1.
    bool eveningSchoolMode = false;
    // File name of the open class table ("9a-23242.dbf"); its first character
    // is the class level, characters 4 and 5 the school year, the eighth the
    // half-year.
    QString classFileName;
    // SubjectNames 0 to 20 (entry k belongs to exam row k - 1).
    std::array<QString, kGradeListRows> subjectNames{};
    // Short code of every exam row (index 0 unused), trailing blanks removed.
    std::array<QString, kExamGridRows> shortCodes{};
    // One character per subject row: a weight digit or a group letter a/b/c.
    QString subjectCodeString = QStringLiteral("1111111111111111111111111");
    // Exam rows of the written-exam subjects; 0 = none.
    std::array<int, 4> writtenExamRows{3, 7, 7, 7};
    // "MSG-Note zählt" (false: "zählt nicht ($2 VO)").
    bool msgGradeCounts = true;

    QString shortCode(int row) const
    {
        return (row >= 0 && row < kExamGridRows) ? shortCodes[row] : QString();
    }
    // The class file name begins with one of chars (case as given).
    bool classFileBeginsWith(const QString& chars) const
    {
        return !classFileName.isEmpty() && chars.contains(classFileName.at(0));
    }
};

} // namespace hsa
