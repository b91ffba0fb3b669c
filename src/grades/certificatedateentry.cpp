#include "grades/certificatedateentry.h"

#include "classes/classfields.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "classes/storabletext.h"
#include "grades/gradewindowrules.h"
#include "platform/errors.h"
#include "platform/prompt.h"

namespace hsa {

bool CertificateDateForAll()
{
    if (state().openClassFile.isEmpty() || !ClassTable().isOpen())
        return false;
    showInformation(kMsgCertificateDateHint);
    // No length limit in the box: it would cut a pasted text without a word.
    const std::optional<QString> date =
        prompts().input(QStringLiteral("Datum für alle Zeugnisse "), QStringLiteral("Datum (Format TT.MM.JJJJ):"));
    state().inputOk = date.has_value();
    if (!date || date->isEmpty())
        return false;
    if (RefuseUnstorableText(*date, ClassTable().fieldWidth(kFieldDate))) {
        state().inputOk = false;
        return false;
    }
    try {
        return FillCertificateDate(*date) > 0;
    } catch (const FileError& e) {
        showError(e.message());
        return false;
    }
}

} // namespace hsa
