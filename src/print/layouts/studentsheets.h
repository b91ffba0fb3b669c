#pragma once
#include "print/printdata.h"

// The student sheets the dispatch prints itself, on a job already begun; each
// ends its job.
namespace hsa {

// Kind 2 (year marks, "Jahresleistung") and kind 3 (final grades with one
// decimal, "Endnoten 1D").
void PrintMarkSheet(const ClassPrintData& cls, const StudentPrintData& student, int kind);
// Kind 5: all marks with the boundary grades for the oral-exam registration.
void PrintBoundaryGradeSheet(const ClassPrintData& cls, const StudentPrintData& student, int kind);

// The sheets' subject columns: n subject entries give the last grade-list row
// of the left column (8, 9 or 10).
int SheetLeftColumnEnd(int subjectCount);
// Entries of the subject names before the first empty one (at most 21).
int SheetSubjectCount(const GradeList& names);

// The parts the sheets share: the school name at the top in font 55 bold (a
// "?" splits it into the lines 95 and 150), and a subject name on its line
// ("Projekt" names print as one blank, long names with an inner "\" in two
// lines, 17 above and 18 below), fitted to end before its mark at markX.
void PrintSheetSchoolName(const ClassPrintData& cls);
void PrintSheetSubjectName(int x, int y, const QString& name, int markX);

// The gap a fitted text keeps to the next column's text or rule.
inline constexpr int kSheetColumnGap = 15;

} // namespace hsa
