#include "print/layouts/certificateparts.h"

#include "classes/arithmetic.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "print/pagemodel.h"

namespace hsa::certificate {

void SetFont(int size, bool bold)
{
    SetPrintFontBold(bold);
    SetPrintFontHeight(size * state().print.printFontStretch);
}

int SubjectCount(const SubjectData& subjects, int from)
{
    for (int i = qMax(from, 0); i < kSubjectEntryCount; ++i)
        if (TrimRight(subjects.subjectNames[i]).isEmpty())
            return i;
    return kSubjectEntryCount;
}

std::optional<std::pair<QString, QString>> SplitSubjectName(const QString& name)
{
    const int p = name.indexOf(QLatin1Char('\\'));
    if (p < 0 || p == name.size() - 1 || name.size() <= 18)
        return std::nullopt;
    return std::make_pair(name.left(p), name.mid(p + 1));
}

void PrintSubjectName(int x, int y, const QString& name, int above, int below)
{
    if (const auto parts = SplitSubjectName(name)) {
        PrintTextOut(x, y - above, parts->first);
        PrintTextOut(x, y + below, parts->second);
    } else {
        PrintTextOut(x, y, name);
    }
}

void PrintHeadLines(int x, int offset)
{
    if (state().print.stateLineSwitch > 0) {
        SetFont(48);
        PrintTextOut(x, offset + 30, QStringLiteral("Baden-Württemberg"));
    }
    PrintMoveTo(x, offset + 220);
    PrintLineTo(1850, offset + 220);
    SetFont(35);
    PrintTextOut(x, offset + 230, QStringLiteral("Name der Schule"));
}

void PrintSchoolName(int x, int offset, const QString& schoolName)
{
    const int mark = schoolName.indexOf(QLatin1Char('?'));
    if (mark < 0) {
        SetFont(55, true);
        PrintTextOut(x, offset + 150, schoolName);
        return;
    }
    SetFont(53, true);
    PrintTextOut(x, offset + 95, schoolName.left(mark));
    PrintTextOut(x, offset + 150, schoolName.mid(mark + 1));
}

QString StudentName(const StudentPrintData& student)
{
    return student.firstName + QLatin1Char(' ') + student.surname;
}

void PrintRemarkLines(const StudentPrintData& student, int y)
{
    PrintTextOut(700, y, TrimRight(student.hints[3]).isEmpty() ? QStringLiteral("---------------") : student.hints[3]);
    PrintTextOut(700, y + 60, student.remarks[0]);
}

namespace {

void printStandIn(const StudentPrintData& student, const QString& text)
{
    SetFont(45);
    PrintTextOut(250, 200, StudentName(student));
    PrintTextOut(250, 300, text);
    EndPrint();
}

} // namespace

void PrintNoCertificatePage(const StudentPrintData& student)
{
    printStandIn(student, QStringLiteral(
        "Kein Zeugnis (nicht bestanden / zurückgetreten /Ergebnis steht noch nicht fest)"));
}

void PrintCopyRefusedPage(const StudentPrintData& student)
{
    printStandIn(student, QStringLiteral("Abschrift nur für Zeugnisse nach bestandener Prüfung."));
}

bool CopyAllowed(int resultIndex)
{
    return resultIndex == 0 || resultIndex == 7 || resultIndex == 8;
}

QString Gesamtschnitt(const ClassPrintData& cls, const StudentPrintData& student)
{
    return ComputeGesamtschnitt(student.sheet.grid, kFirstSubjectRow, kLastSubjectRow, cls.context);
}

} // namespace hsa::certificate
