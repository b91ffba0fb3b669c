#include "print/layouts/listframe.h"

#include "classes/sharedstate.h"
#include "print/pagemodel.h"

namespace hsa {

bool StartPortraitJob()
{
    SetPrintOrientation(false);
    // A declined PDF file still runs the job and drops it at its end, so the
    // layout goes on; only a printer that failed leaves no job at all.
    if (!BeginPrint() && !PrintJobRunning())
        return false;
    const PrintSettings& ps = state().print;
    SetNominalFont(40);
    SetPrintFontName(ps.printerFontName);
    SetPrintPenWidth(ps.printLineWidth);
    SetPrintFontBold(false);
    return true;
}

QString ExamSchoolYearText(const ClassPrintData& cls)
{
    return QStringLiteral("Abschlussprüfung Schuljahr ") + cls.schoolYearShort();
}

} // namespace hsa
