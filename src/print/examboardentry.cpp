#include "print/examboardentry.h"

#include "classes/classrules.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/prompt.h"

namespace hsa {

bool EnterExamBoardNames()
{
    SharedState& s = state();
    // Without an open class there is no file the names would belong to.
    if (s.openClassFile.isEmpty())
        return false;
    const QString label = QStringLiteral("Titel und Name:");
    const std::optional<QString> chair =
        prompts().input(QStringLiteral("Prüfungsausschussvorsitzende/r:"), label, s.examChairName);
    s.inputOk = chair.has_value();
    if (!chair)
        return false;
    s.examChairName = *chair;
    const std::optional<QString> head =
        prompts().input(QStringLiteral("Schulleiter/in :"), label, s.headTeacherName);
    s.inputOk = head.has_value();
    if (!head)
        return false;
    s.headTeacherName = *head;
    if (!IsWindows1252(s.examChairName) || !IsWindows1252(s.headTeacherName)) {
        showWarning(QStringLiteral("Die Namen enthalten Zeichen, die die Datei nicht aufnehmen kann."
                                   "\n\rBitte geben Sie sie ohne diese Zeichen ein."));
        return false;
    }
    try {
        WriteTextLines(FindFileCI(s.programDir, ExamBoardFileName(s.openClassFile)),
                       {s.examChairName, s.headTeacherName});
    } catch (const FileError& e) {
        showError(e.message());
        return false;
    }
    return true;
}

} // namespace hsa
