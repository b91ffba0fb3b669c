#pragma once
#include "print/printdata.h"

#include <QChar>

// Which page a per-student print gives, and the one table from each page to
// the function that lays it out.
namespace hsa {

enum class StudentLayout {
    None,               // nothing to print: no job is begun
    ExamChoiceSheet,    // class 9, year marks with the exam choice form
    StudentSheet,       // classes x and y, year marks with the oral-exam registration
    ExamTable,          // exam table / cover sheet of the exam folder
    YearMarkSheet,      // kDocYearMarkSheet
    FinalGradeSheet,    // kDocFinalGradeSheet
    BoundaryGradeSheet, // kDocBoundaryGradeSheet
    Class9Feedback,
    NoCertificate,
    CopyRefused,
    CertificateA,       // kinds 11 and 16, and the leaving certificates of "X" classes
    CertificateB,       // the leaving certificates of the other classes
    ExternalHsaCertificate,
    ExternalWrsCertificate,
    OwnCertificate,     // the dispatch's own certificate layout
};

// The page and the number handed to its layout: the document kind after the
// dispatch (7, 11, 16, 20, 21 ...) or, for the choice sheet, the student
// sheet and the class-9 feedback, their mode.
struct StudentLayoutChoice {
    StudentLayout layout = StudentLayout::None;
    int kind = 0;
    bool operator==(const StudentLayoutChoice&) const = default;
};

// The choice of the page for document kind (documentkinds.h), exam result index (-1 none) and
// class code (first character of the class file name); the first matching
// rule wins.
StudentLayoutChoice ChooseStudentLayout(int kind, int resultIndex, QChar classCode);

// A layout: draws one student's page(s) on the job the driver began and ends
// that job.
using StudentLayoutFunction = void (*)(const ClassPrintData& cls, const StudentPrintData& student,
                                       int kind);

// The function of a page, nullptr while it is not built (the driver then
// begins no job).
StudentLayoutFunction StudentLayoutFor(StudentLayout layout);

} // namespace hsa
