#pragma once
#include "print/printdata.h"

// The final and leaving certificates of the exam classes, one A4 portrait
// page each on the job the print driver has begun; every layout ends the job.
// The texts come from the print data: the student's record fields, grade list
// (subject text in column 0, whole grade in column 1), remarks and exam sheet,
// and the class level's certificate lines, subject names, subject heading,
// footer lines and exam-board names.
//
// Kinds: 1 final certificate, 6 its copy ("Abschrift"), 7 the certificate
// after class 9 without an exam; 11 and 16 the same two for a class whose
// class code is "X"; 20 and 21 the leaving certificates "während" and
// "am Ende" of the class year.
namespace hsa {

// Layout A: kinds 11, 16, 20 and 21 (class-10 certificates and their copies,
// leaving certificates of "X" classes).  Subject grades as words with the exam
// cross, the project block, the whole grade and the participation lines.
// The copy of a student whose exam result allows none prints the refusal
// page instead.  Any other kind prints nothing and drops the job.
void PrintCertificateA(const ClassPrintData& cls, const StudentPrintData& student, int kind);

// Kinds 20 and 21: the leaving certificate of the classes other than "X"
// (no whole grade, no participation heading, no closing sentence); kinds 11
// and 16 go to layout A.  Any other kind prints nothing and drops the job.
void PrintCertificateB(const ClassPrintData& cls, const StudentPrintData& student, int kind);

// The certificate of classes other than "X" for the results 0 and 4: kinds 1
// and 6 (the copy, with "gez.:" and "Abschrift") and 7 (class 9 completed
// without an exam, with the subject completed in class 8).  Title and school
// form from certificate lines 1 and 2 (counted from 1), subjects as on the
// student sheets, the whole grade in a box.
void PrintDispatchCertificate(const ClassPrintData& cls, const StudentPrintData& student, int kind);

} // namespace hsa
