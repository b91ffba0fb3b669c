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
    SetListFontSize(40);
    SetPrintFontName(ps.printerFontName);
    SetPrintPenWidth(ps.printLineWidth);
    SetPrintFontBold(false);
    return true;
}

void SetListFontSize(int size)
{
    SetPrintFontHeight(size * state().print.printFontStretch);
}

QString SchoolYearDigits(const QString& classFile)
{
    return classFile.mid(3, 2) + QLatin1Char('/') + classFile.mid(5, 2);
}

QString ExamSchoolYearText(const QString& classFile)
{
    return QStringLiteral("Abschlussprüfung Schuljahr ") + SchoolYearDigits(classFile);
}

QString UpperClassCode(const QString& classFile)
{
    return classFile.left(1).toUpper();
}

SchoolNameParts SplitSchoolName(const QString& schoolName)
{
    const int q = schoolName.indexOf(QLatin1Char('?'));
    if (q < 0)
        return {schoolName, QString(), false};
    return {schoolName.left(q), schoolName.mid(q + 1), true};
}

} // namespace hsa
