#include "app/examboardmenu.h"

#include "app/mainmenu.h"
#include "print/examboardentry.h"

namespace hsa {

void RegisterExamBoardMenuHandler()
{
    RegisterMenuHandler(QStringLiteral("Pruefungsvorsitzender1"), [] { EnterExamBoardNames(); });
}

} // namespace hsa
