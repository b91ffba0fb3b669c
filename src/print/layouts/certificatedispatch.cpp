#include "print/layouts/certificatedispatch.h"

#include "print/layouts/certificateparts.h"
#include "print/layouts/certificates.h"
#include "print/layouts/externalcertificates.h"
#include "print/layouts/feedback9.h"

namespace hsa {

CertificateChoice ChooseCertificatePage(int kind, int r, QChar classCode)
{
    if (kind != 1 && kind != 6 && kind != 7)
        return {};
    const bool xClass = classCode.toUpper() == QLatin1Char('X');
    if (r == 3 && classCode == QLatin1Char('9'))
        return {CertificatePage::Class9Feedback, 1};
    if (r < 0 || (r >= 1 && r <= 3))
        return {CertificatePage::NoCertificate, kind};
    if ((kind == 6 || kind == 16) && !certificate::CopyAllowed(r))
        return {CertificatePage::CopyRefused, kind};
    if (r == 4)
        kind = 7;
    if (r == 5 || r == 6)
        return {xClass ? CertificatePage::CertificateA : CertificatePage::CertificateB, r == 5 ? 20 : 21};
    if (xClass && (kind == 1 || kind == 6))
        return {CertificatePage::CertificateB, kind + 10};
    if (r == 8)
        return {CertificatePage::ExternalHsa, kind};
    if (r == 7)
        return {CertificatePage::ExternalWrs, kind};
    return {CertificatePage::DispatchCertificate, kind};
}

StudentLayout CertificatePageLayout(CertificatePage page)
{
    switch (page) {
    case CertificatePage::None:
        return nullptr;
    case CertificatePage::Class9Feedback:
        return &PrintClass9Feedback;
    case CertificatePage::NoCertificate:
        return [](const ClassPrintData&, const StudentPrintData& st, int) { certificate::PrintNoCertificatePage(st); };
    case CertificatePage::CopyRefused:
        return [](const ClassPrintData&, const StudentPrintData& st, int) { certificate::PrintCopyRefusedPage(st); };
    case CertificatePage::CertificateA:
        return &PrintCertificateA;
    case CertificatePage::CertificateB:
        return &PrintCertificateB;
    case CertificatePage::DispatchCertificate:
        return &PrintDispatchCertificate;
    case CertificatePage::ExternalHsa:
        return &PrintExternalHsaCertificate;
    case CertificatePage::ExternalWrs:
        return &PrintExternalWrsCertificate;
    }
    return nullptr;
}

bool PrintCertificatePage(const ClassPrintData& cls, const StudentPrintData& student, int kind)
{
    const CertificateChoice choice = ChooseCertificatePage(kind, student.sheet.resultIndex, cls.classCode());
    const StudentLayout layout = CertificatePageLayout(choice.page);
    if (!layout)
        return false;
    layout(cls, student, choice.kind);
    return true;
}

} // namespace hsa
