#pragma once
#include "print/printdata.h"

// The student sheet of classes x and y, one A4 portrait page in two framed
// halves, on the job the driver began and ending it: above, the year marks
// ("JAHRESLEISTUNG", grade-list names with the exam grid's year-mark column)
// with the class teacher's signature line at y 1200; below, the form
// "Anmeldung zur mündlichen Prüfung" with the four subject areas, the exam
// topic and the student's signature.  Positions are 0.1 mm of the page model,
// sizes nominal font heights times the font stretch.
namespace hsa {

// Prints only in mode 2 (the one the driver passes); any other mode prints
// nothing and drops the job.
void PrintStudentSheet(const ClassPrintData& cls, const StudentPrintData& student, int mode);

// The last grade-list row of the left column for n subject entries: 8 below
// 17, else 9; with all 19 subjects 10, so the right column ends above the
// signature line.
int StudentSheetLeftColumnEnd(int subjectCount);

} // namespace hsa
