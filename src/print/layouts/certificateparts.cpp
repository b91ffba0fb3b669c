#include "print/layouts/certificateparts.h"

#include "classes/arithmetic.h"
#include "classes/helpers.h"
#include "print/pagemodel.h"

#include <algorithm>

namespace hsa {

namespace certificate {

int SubjectCount(const SubjectData& subjects, int from)
{
    for (int i = qMax(from, 0); i < kSubjectEntryCount; ++i)
        if (TrimRight(subjects.subjectNames[i]).isEmpty())
            return i;
    return kSubjectEntryCount;
}

void PrintHeadLines(const ClassPrintData& cls, int x, int offset)
{
    if (cls.stateLine) {
        SetFont(cls, 48);
        PrintTextOut(x, offset + 30, QStringLiteral("Baden-Württemberg"));
    }
    PrintRule(x, offset + 220, 1850, offset + 220);
    SetFont(cls, 35);
    PrintTextOut(x, offset + 230, QStringLiteral("Name der Schule"));
}

void PrintSchoolName(const ClassPrintData& cls, int x, int offset)
{
    const SchoolNameParts name = SplitSchoolName(cls.schoolName);
    if (!name.twoLines) {
        SetFont(cls, 55, true);
        PrintFittedText(x, offset + 150, name.first, kRight);
        return;
    }
    SetFont(cls, 53, true);
    PrintFittedText(x, offset + 95, name.first, kRight);
    PrintFittedText(x, offset + 150, name.second, kRight);
}

void PrintRemarkLines(const StudentPrintData& student, int y)
{
    const bool blank = TrimRight(student.hints[3]).isEmpty();
    PrintFittedText(700, y, blank ? QStringLiteral("---------------") : student.hints[3], kRight);
    PrintFittedText(700, y + 60, student.remarks[0], kRight);
}

FootLines FitFootLines(const ClassPrintData& cls, int size, const std::vector<int>& places, const QStringList& texts,
                       int captionY)
{
    SetFont(cls, size);
    FootLines foot{places, size};
    const int bottom = PrintPageHeight();
    const int top = captionY + PrintFontCellHeight() + 5;
    const int count = static_cast<int>(places.size());
    int last = count - 1;
    while (last > 0 && TrimRight(texts.value(last)).isEmpty())
        --last;
    const int excess = count > 0 ? places[static_cast<size_t>(last)] + PrintFontCellHeight() - bottom : 0;
    if (excess <= 0)
        return foot;
    if (places.front() - excess >= top) {
        for (int& v : foot.y)
            v -= excess;
        return foot;
    }
    // A line's room shrinks with it; a step smaller only once the lines
    // would touch.
    int pitch = 0;
    for (;;) {
        const int cell = PrintFontCellHeight();
        pitch = last > 0 ? std::min(40, (bottom - cell - top) / last) : 0;
        if (pitch >= cell + 2 || foot.size <= kFittedTextFloor)
            break;
        SetFont(cls, --foot.size);
    }
    const int first = bottom - PrintFontCellHeight() - pitch * last;
    for (int i = 0; i < count; ++i)
        foot.y[static_cast<size_t>(i)] = first + pitch * i;
    return foot;
}

QString Gesamtschnitt(const ClassPrintData& cls, const StudentPrintData& student)
{
    return ComputeGesamtschnitt(student.sheet.grid, kFirstSubjectRow, kLastSubjectRow, cls.context);
}

} // namespace certificate

namespace {

void printStandIn(const ClassPrintData& cls, const StudentPrintData& student, const QString& text)
{
    SetNominalFont(cls, 45, false);
    PrintFittedText(250, 200, StudentName(student), certificate::kRight);
    PrintTextOut(250, 300, text);
    EndPrint();
}

} // namespace

void PrintNoCertificatePage(const ClassPrintData& cls, const StudentPrintData& student, int)
{
    printStandIn(cls, student, QStringLiteral(
        "Kein Zeugnis (nicht bestanden / zurückgetreten /Ergebnis steht noch nicht fest)"));
}

void PrintCopyRefusedPage(const ClassPrintData& cls, const StudentPrintData& student, int)
{
    printStandIn(cls, student, QStringLiteral("Abschrift nur für Zeugnisse nach bestandener Prüfung."));
}

bool CopyAllowed(int resultIndex)
{
    return resultIndex == 0 || resultIndex == 7 || resultIndex == 8;
}

} // namespace hsa
