#include "print/layouts/listframe.h"

#include "print/pagemodel.h"

namespace hsa {

bool StartPortraitJob(const ClassPrintData& cls)
{
    SetPrintOrientation(false);
    // A declined PDF file still runs the job and drops it at its end, so the
    // layout goes on; only a printer that failed leaves no job at all.
    if (!BeginPrint() && !PrintJobRunning())
        return false;
    SetNominalFont(cls, 40);
    SetPrintFontName(cls.printerFontName);
    SetPrintPenWidth(cls.lineWidth);
    SetPrintFontBold(false);
    return true;
}

QString ExamSchoolYearText(const ClassPrintData& cls)
{
    return QStringLiteral("Abschlussprüfung Schuljahr ") + cls.schoolYearShort();
}

} // namespace hsa
