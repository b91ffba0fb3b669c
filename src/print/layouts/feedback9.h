#pragma once
#include "print/printdata.h"

// The written feedback on a class-9 student's standing after a failed exam
// ("Schriftliche Rückmeldung über den Leistungsstand am Ende von Klasse 9 "):
// one A4 portrait page on the job the print driver has begun, ended here.
// Each subject shows its year mark from the exam sheet (column 5), decimals
// included, in place of a grade word; the project block, the subject
// completed in class 8 (fields AG5 and AG6), the participation lines and the
// remarks follow.  No emblem and no copy marks: the copy kind prints the same
// sheet.
namespace hsa {

void PrintClass9Feedback(const ClassPrintData& cls, const StudentPrintData& student, int kind);

} // namespace hsa
