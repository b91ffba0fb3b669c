#include "print/studentlayouts.h"

#include "print/documentkinds.h"
#include "print/layouts/certificateparts.h"
#include "print/layouts/certificates.h"
#include "print/layouts/externalcertificates.h"
#include "print/layouts/feedback9.h"
#include "print/layouts/examtable.h"
#include "print/layouts/studentsheet.h"
#include "print/layouts/studentsheets.h"

namespace hsa {

StudentLayoutChoice ChooseStudentLayout(int kind, int r, QChar z)
{
    using L = StudentLayout;
    const QChar upper = z.toUpper();
    if (kind == kDocYearMarksWithChoice && z == QLatin1Char('9'))
        return {L::ExamChoiceSheet, kDocYearMarkSheet};
    if (kind == kDocYearMarksWithChoice && (upper == QLatin1Char('X') || upper == QLatin1Char('Y')))
        return {L::StudentSheet, 2};
    if (kind == kDocExamTable)
        return {L::ExamTable, kDocExamTable};
    if (kind != kDocCertificate && kind != kDocCertificateCopy && kind != kDocClass9Certificate) {
        switch (kind) {
        case kDocYearMarkSheet: return {L::YearMarkSheet, kDocYearMarkSheet};
        case kDocFinalGradeSheet: return {L::FinalGradeSheet, kDocFinalGradeSheet};
        case kDocBoundaryGradeSheet: return {L::BoundaryGradeSheet, kDocBoundaryGradeSheet};
        default: return {L::None, kind};
        }
    }
    if (r == 3 && z == QLatin1Char('9'))
        return {L::Class9Feedback, 1};
    if (r < 0 || (r >= 1 && r <= 3))
        return {L::NoCertificate, kind};
    if ((kind == kDocCertificateCopy || kind == kDocXCertificateCopy) && !CopyAllowed(r))
        return {L::CopyRefused, kind};
    if (r == 4)
        kind = kDocClass9Certificate;
    // Leaving certificates: an "X" class takes the class-10 layout, every
    // other class the leaving layout.
    const bool xClass = upper == QLatin1Char('X');
    if (r == 5 || r == 6)
        return {xClass ? L::CertificateA : L::CertificateB, r == 5 ? kDocLeavingDuringYear : kDocLeavingAtYearEnd};
    if (xClass && (kind == kDocCertificate || kind == kDocCertificateCopy))
        return {L::CertificateA, kind + kDocXClassOffset};
    if (r == 8)
        return {L::ExternalHsaCertificate, kind};
    if (r == 7)
        return {L::ExternalWrsCertificate, kind};
    return {L::OwnCertificate, kind};
}

namespace {

struct LayoutRow {
    StudentLayout layout;
    StudentLayoutFunction print;
};

// One row per page.  A row without a function prints nothing.
const LayoutRow kLayouts[] = {
    {StudentLayout::ExamChoiceSheet, &PrintExamChoiceSheet},
    {StudentLayout::StudentSheet, &PrintStudentSheet},
    {StudentLayout::ExamTable, &PrintStudentExamTable},
    {StudentLayout::YearMarkSheet, &PrintMarkSheet},
    {StudentLayout::FinalGradeSheet, &PrintMarkSheet},
    {StudentLayout::BoundaryGradeSheet, &PrintBoundaryGradeSheet},
    {StudentLayout::Class9Feedback, &PrintClass9Feedback},
    {StudentLayout::NoCertificate, &PrintNoCertificatePage},
    {StudentLayout::CopyRefused, &PrintCopyRefusedPage},
    {StudentLayout::CertificateA, &PrintCertificateA},
    {StudentLayout::CertificateB, &PrintCertificateB},
    {StudentLayout::ExternalHsaCertificate, &PrintExternalHsaCertificate},
    {StudentLayout::ExternalWrsCertificate, &PrintExternalWrsCertificate},
    {StudentLayout::OwnCertificate, &PrintDispatchCertificate},
};

} // namespace

StudentLayoutFunction StudentLayoutFor(StudentLayout layout)
{
    for (const LayoutRow& row : kLayouts)
        if (row.layout == layout)
            return row.print;
    return nullptr;
}

} // namespace hsa
