#include "print/studentlayouts.h"

#include "print/layouts/examtable.h"
#include "print/layouts/studentsheet.h"
#include "print/layouts/studentsheets.h"

namespace hsa {

StudentLayoutChoice ChooseStudentLayout(int kind, int r, QChar z)
{
    using L = StudentLayout;
    const QChar upper = z.toUpper();
    if (kind == 29 && z == QLatin1Char('9'))
        return {L::ExamChoiceSheet, 2};
    if (kind == 29 && (upper == QLatin1Char('X') || upper == QLatin1Char('Y')))
        return {L::StudentSheet, 2};
    if (kind == 4)
        return {L::ExamTable, 4};
    if (kind != 1 && kind != 6 && kind != 7) {
        switch (kind) {
        case 2: return {L::YearMarkSheet, 2};
        case 3: return {L::FinalGradeSheet, 3};
        case 5: return {L::BoundaryGradeSheet, 5};
        default: return {L::None, kind};
        }
    }
    if (r == 3 && z == QLatin1Char('9'))
        return {L::Class9Feedback, 1};
    if (r < 0 || (r >= 1 && r <= 3))
        return {L::NoCertificate, kind};
    if ((kind == 6 || kind == 16) && r != 0 && r != 7 && r != 8)
        return {L::CopyRefused, kind};
    if (r == 4)
        kind = 7;
    const L certificate = upper == QLatin1Char('X') ? L::CertificateB : L::CertificateA;
    if (r == 5)
        return {certificate, 20};
    if (r == 6)
        return {certificate, 21};
    if (upper == QLatin1Char('X') && (kind == 1 || kind == 6))
        return {L::CertificateB, kind + 10};
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
    {StudentLayout::Class9Feedback, nullptr},
    {StudentLayout::NoCertificate, &PrintNoCertificatePage},
    {StudentLayout::CopyRefused, &PrintCopyRefusedPage},
    {StudentLayout::CertificateA, nullptr},
    {StudentLayout::CertificateB, nullptr},
    {StudentLayout::ExternalHsaCertificate, nullptr},
    {StudentLayout::ExternalWrsCertificate, nullptr},
    {StudentLayout::OwnCertificate, nullptr},
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
