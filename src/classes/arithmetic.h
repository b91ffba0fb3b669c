#pragma once
#include "classes/examgrid.h"

#include <QString>
#include <QStringList>
#include <array>

// The grade arithmetic: weights of the exam parts, a subject's exam
// performance ("Pr-Leist."), average ("Schnitt") and final grade ("Endnote"),
// the overall average ("Gesamtschnitt"), the row and column averages of the
// whole-class table and the boundary grades for the oral and the
// communication or practical exam.
//
// Every routine is a pure function of the texts it is given and of the
// GradeContext.  Marks are read as exact fixed-point numbers (millionths of a
// grade) and every average is cut and every grade rounded in integer
// arithmetic, so no result depends on floating point, the compiler or the
// system locale.  For marks with one decimal the results are those of the
// classic formulas:
//   one-decimal average  Trunc(mean * 10 + 0.01) / 10   (cut, not rounded)
//   column average       Trunc(mean * 10 + 0.0001) / 10
//   whole final grade    Round(Schnitt + 0.05)          (ties to even)
namespace hsa {

// Grade list of the grade window, column 1: row 0 conduct, row 1 cooperation,
// row r + 1 the final grade of exam row r.
using GradeList = std::array<QString, kGradeListRows>;

// Weight of an exam part in the exam performance: written 3, communication or
// practical 2, oral and every other column 1; in evening-school mode 1 each.
int GetExamPartWeight(int column, bool eveningSchoolMode);

// A grade cell read as a number: trailing blanks removed, "," as ".", the
// leading number of the text, 0 when there is none.  Only a value above 0
// counts as a grade.  Exposed for the prints, which read cells the same way.
double ReadGradeCell(const QString& cell);

// Weighted mean of the grades in columns first..last of a row as "2.4"; "??"
// when a cell holds "P" (pending) or "?"; " - " when no cell holds a grade.
QString ComputeExamResult(const ExamGrid& grid, int row, int first, int last,
                          const GradeContext& context);

// Recomputes the computed columns of one subject row: exam performance,
// Schnitt and Endnote, with the rule of the presentation row "Präs" (no exam
// performance; the Schnitt is the weighted mean of all its marks).
void RecalcExamRow(ExamGrid& grid, int row, const GradeContext& context);

// Grade-list texts of exam row r (grade-list row r + 1): the whole final
// grade, "*" after it for an exam subject, "-" for a class-9 English or French
// year mark with a minus tendency, "   " for none, "??" for a pending result.
// Reads the computed columns as they stand.
QString GradeListText(const ExamGrid& grid, int row, const GradeContext& context);

// An English or French year mark that reads a grade and carries the minus
// tendency ("3.0-"); the empty mark "- " is none.  In class 9 it stands for the
// wish to leave the foreign language off the certificate.
bool ForeignLanguageMinusTendency(const QString& shortCode, const QString& yearMark);

// Recomputes rows 1 to 19 and writes rows 2 to 20 of the grade list; rows 0
// and 1 (conduct, cooperation) are left as they are.
void RecalcExamGrid(ExamGrid& grid, const GradeContext& context, GradeList& gradeList);
// The same, without a grade list.
void RecalcExamGrid(ExamGrid& grid, const GradeContext& context);

// The student's overall average over exam rows first..last: code-string
// weights, best-of groups a/b/c, MSG switch, profile subject and weight
// column; "??" when an Endnote is pending, " - " when nothing counts.
QString ComputeGesamtschnitt(const ExamGrid& grid, int first, int last,
                             const GradeContext& context);

// "Gesamtschnitt: " + the overall average for the exam results 0 to 2 (one of
// the three passes), empty for every other result.
QString GesamtschnittLabel(const ExamGrid& grid, int resultIndex, const GradeContext& context);

// Weighted average of one row of the whole-class table; rowCells[c] is the
// text of column c (column c holds exam row c - 1).  "??" when a cell holds
// "?", empty when nothing counts.  No weight column and no profile rule here.
QString ComputeRowAverage(const QStringList& rowCells, int firstColumn, int lastColumn,
                          const GradeContext& context);

// Plain mean of the grades in cells first..last of one table column, cut to
// one decimal and written with a decimal comma ("2,3"; "2" for a whole
// number); empty when no cell holds a grade.  Never depends on the locale.
QString ComputeColumnAverage(const QStringList& columnCells, int firstRow, int lastRow);

// The whole Endnote of the row "Proj" ("3"), or "-" when there is no such row
// or its Endnote is 0.
QString GetProjectGrade(const ExamGrid& grid);

// Boundary grades for the exam still to be taken: the final grade without it
// and the lowest and highest mark (1,0 to 6,0, decimal comma) that keep that
// final grade.  "--" bounds and an empty current grade when nothing can be
// said.
struct BoundaryGrades {
    QString current;
    QString lower;
    QString upper;
    bool operator==(const BoundaryGrades&) const = default;
};

// Oral exam after a written exam (written 3 : oral 1; 1 : 1 in evening-school
// mode, where it is the evening rule and currentBefore is handed on).
BoundaryGrades ComputeGrenznotenOral(const QString& shortCode, const QString& yearMark,
                                     const QString& writtenMark, const GradeContext& context,
                                     const QString& currentBefore = QString());
// Communication or practical exam (written 3 : KP 2), or from the year mark
// alone when there is no written mark.
BoundaryGrades ComputeGrenznotenComm(const QString& shortCode, const QString& yearMark,
                                     const QString& writtenMark, const QString& oralMark,
                                     const GradeContext& context);
// Evening school, 1 : 1 rule.  With an empty or zero year mark both bounds
// are empty and the current grade stays what the caller held
// (currentBefore).
BoundaryGrades ComputeGrenznotenEvening(const QString& yearMark, const QString& writtenMark,
                                        const QString& currentBefore = QString());

// The whole final grade the grid arithmetic gives one subject row with these
// marks (0 = no mark in that cell), or 0 when it has none.  This is the very
// arithmetic of RecalcExamRow; the boundary grades are searched with it.
int FinalGradeForMarks(double written, double comm, double oral, double year,
                       bool eveningSchoolMode);

} // namespace hsa
