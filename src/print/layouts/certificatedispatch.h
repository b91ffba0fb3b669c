#pragma once
#include "print/printdata.h"

#include <QChar>

// Which certificate page a student gets for the document kinds 1
// (certificate), 6 (its copy) and 7, by the exam result index R of the
// student's exam sheet and the class code Z (first character of the class
// file name).  The first rule that applies wins:
//   R 3 in a class "9"              class-9 feedback, kind 1
//   R below 0 or 1 to 3             "Kein Zeugnis" page
//   kind 6 and R not 0, 7 or 8      copy-refusal page
//   R 4                             kind becomes 7, the rules go on
//   R 5 / R 6                       leaving certificate, kind 20 / 21:
//                                   layout A in "X" classes, else layout B
//   "X" class and kind 1 or 6       layout B with kind 11 or 16 (to layout A)
//   R 8 / R 7                       external HSA / WRS certificate
//   otherwise                       the dispatch's own certificate
// Every other kind chooses nothing here.
namespace hsa {

enum class CertificatePage {
    None,
    Class9Feedback,
    NoCertificate,
    CopyRefused,
    CertificateA,
    CertificateB,
    DispatchCertificate,
    ExternalHsa,
    ExternalWrs,
};

struct CertificateChoice {
    CertificatePage page = CertificatePage::None;
    int kind = 0; // the kind the page is printed with
    bool operator==(const CertificateChoice&) const = default;
};

CertificateChoice ChooseCertificatePage(int kind, int resultIndex, QChar classCode);

// The page function of a choice, in the shape every per-student layout has;
// nullptr for None.
using StudentLayout = void (*)(const ClassPrintData&, const StudentPrintData&, int);
StudentLayout CertificatePageLayout(CertificatePage page);

// Prints the page the rules choose for this student on the job the driver
// has begun.  False (and the job untouched) when the kind is none of 1, 6, 7.
bool PrintCertificatePage(const ClassPrintData& cls, const StudentPrintData& student, int kind);

} // namespace hsa
