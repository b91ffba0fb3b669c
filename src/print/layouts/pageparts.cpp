#include "print/layouts/pageparts.h"

#include "print/pagemodel.h"
#include "print/textmetrics.h"

#include <algorithm>

namespace hsa {

bool BeginPageJob(const ClassPrintData& cls, bool landscape)
{
    SetPrintOrientation(landscape);
    if (!BeginPrint()) {
        if (PrintJobRunning())
            AbortPrint();
        return false;
    }
    SetPrintFontName(cls.printerFontName);
    SetPrintFontBold(false);
    SetPrintFontItalic(false);
    SetPrintFontUnderline(false);
    if (cls.lineWidth > 0)
        SetPrintPenWidth(cls.lineWidth);
    return true;
}

void SetNominalFont(const ClassPrintData& cls, double size)
{
    SetPrintFontHeight(size * cls.fontStretch);
}

void SetNominalFont(const ClassPrintData& cls, double size, bool bold)
{
    SetPrintFontBold(bold);
    SetNominalFont(cls, size);
}

void PrintRule(int x1, int y1, int x2, int y2)
{
    PrintMoveTo(x1, y1);
    PrintLineTo(x2, y2);
}

void PrintFittedText(int x, int y, const QString& text, int right, int bottom)
{
    const int height = PrintFontCellHeight();
    const int floor = std::min(height, kFittedTextFloor);
    int fitted = height;
    if (bottom > 0 && bottom - y < height)
        fitted = std::max(bottom - y, floor);
    if (fitted != height)
        SetPrintFontCellHeight(fitted);
    const int room = right - x;
    const int natural = PrintTextWidth(text);
    if (natural <= room) {
        PrintTextOut(x, y, text);
    } else if (natural * kMinTextCondense <= room) {
        PrintTextOutWithin(x, y, text, right);
    } else {
        // Condensing alone would make a long name unreadable: a size smaller
        // at a time down to the floor, then condensed, and cut only when even
        // that is too wide.
        int size = fitted;
        while (size > floor && PrintTextWidth(text) * kMinTextCondense > room) {
            size = std::max(size * 85 / 100, floor);
            SetPrintFontCellHeight(size);
        }
        PrintTextOutWithin(x, y, text, right);
    }
    if (PrintFontCellHeight() != height)
        SetPrintFontCellHeight(height);
}

QString StudentName(const StudentPrintData& student)
{
    return student.firstName + QLatin1Char(' ') + student.surname;
}

SchoolNameParts SplitSchoolName(const QString& schoolName)
{
    const int q = schoolName.indexOf(QLatin1Char('?'));
    if (q < 0)
        return {schoolName, QString(), false};
    return {schoolName.left(q), schoolName.mid(q + 1), true};
}

std::optional<std::pair<QString, QString>> SplitSubjectName(const QString& name)
{
    const int p = name.indexOf(QLatin1Char('\\'));
    if (p < 0 || p == name.size() - 1 || name.size() <= 18)
        return std::nullopt;
    return std::make_pair(name.left(p), name.mid(p + 1));
}

void PrintSubjectName(int x, int y, const QString& name, int above, int below, int right)
{
    const auto out = [right](int x, int y, const QString& text) {
        if (right > 0)
            PrintFittedText(x, y, text, right);
        else
            PrintTextOut(x, y, text);
    };
    if (const auto parts = SplitSubjectName(name)) {
        out(x, y - above, parts->first);
        out(x, y + below, parts->second);
    } else {
        out(x, y, name);
    }
}

} // namespace hsa
