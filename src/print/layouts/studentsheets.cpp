#include "print/layouts/studentsheets.h"

#include "classes/arithmetic.h"
#include "classes/helpers.h"
#include "print/documentkinds.h"
#include "print/layouts/pageparts.h"
#include "print/pagemodel.h"

namespace hsa {

void PrintSheetSchoolName(const ClassPrintData& cls)
{
    SetNominalFont(cls, 55, true);
    const SchoolNameParts name = SplitSchoolName(cls.schoolName);
    PrintTextOut(250, name.twoLines ? 95 : 150, name.first);
    if (name.twoLines)
        PrintTextOut(250, 150, name.second);
}

void PrintSheetSubjectName(int x, int y, const QString& name, int markX)
{
    if (name.contains(QStringLiteral("Projekt"))) {
        PrintTextOut(x, y, QStringLiteral(" "));
        return;
    }
    PrintSubjectName(x, y, name, 17, 18, markX - kSheetColumnGap);
}

namespace {

bool positive(const QString& cell)
{
    return ParseLeadingInt(cell) > 0;
}

bool graded(const QString& cell)
{
    return ReadGradeCell(cell) > 0;
}

// Schnitt of exam row with "  (PF)" for a subject examined here (an exam
// performance without a starred communication or oral mark).
QString finalDecimalText(const ExamGrid& g, int row)
{
    QString text = g.cell(ColAverage, row);
    if (positive(g.cell(ColExamResult, row)) && !g.cell(ColComm, row).contains(QLatin1Char('*'))
        && !g.cell(ColOral, row).contains(QLatin1Char('*')))
        text += QStringLiteral("  (PF)");
    return text;
}

} // namespace

int SheetSubjectCount(const GradeList& names)
{
    int n = 0;
    while (n < kGradeListRows && !TrimRight(names[n]).isEmpty())
        ++n;
    return n;
}

int SheetLeftColumnEnd(int n)
{
    if (n >= 20)
        return 10;
    return n < 17 ? 8 : 9;
}

void PrintMarkSheet(const ClassPrintData& cls, const StudentPrintData& st, int kind)
{
    const bool yearMarks = kind == kDocYearMarkSheet;
    PrintSheetSchoolName(cls);
    SetNominalFont(cls, 48, true);
    PrintTextOut(250, 250, QStringLiteral("Abschlussprüfung "));
    PrintTextOut(700, 250, QStringLiteral("Schuljahr ") + cls.schoolYearShort());
    PrintTextOut(250, 310, yearMarks ? QStringLiteral("Jahresleistung") : QStringLiteral("Endnoten 1D"));
    PrintFittedText(700, 310, QStringLiteral("Klasse ") + st.klasse, 1080 - kSheetColumnGap);
    PrintTextOut(1080, 310, QStringLiteral("Stand: ") + PrintDateText(cls.today));
    SetPrintFontBold(false);
    PrintRule(250, 240, 1850, 240);
    PrintRule(250, 380, 1850, 380);

    SetNominalFont(cls, 48, false);
    PrintTextOut(250, 510, QStringLiteral("Vor- und Zuname:"));
    PrintTextOut(250, 570, QStringLiteral("Geburtsdatum:"));
    PrintTextOut(250, 630, QStringLiteral("Geburtsort:"));
    SetPrintFontBold(true);
    PrintFittedText(700, 510, StudentName(st), 1850);
    SetPrintFontBold(false);
    PrintTextOut(700, 570, st.birthDate);
    PrintFittedText(700, 630, st.birthPlace, 1850);
    SetPrintFontBold(true);
    PrintTextOut(250, 850, yearMarks ? QStringLiteral("Jahresleistung:") : QStringLiteral("Endnoten (1D) :"));
    SetPrintFontBold(false);

    const int n = SheetSubjectCount(st.gradeNames);
    const int c = SheetLeftColumnEnd(n);
    const ExamGrid& g = st.sheet.grid;
    for (int r = 2; r <= n - 1; ++r) {
        const bool left = r <= c;
        const int y = left ? (r - 3) * 70 + 1020 : (r - 2 - c) * 70 + 1020;
        const QString& name = st.gradeNames[r];
        const int markX = left ? 700 : 1540;
        SetNominalFont(cls, 38, false);
        PrintSheetSubjectName(left ? 250 : 1080, y, name, markX);
        SetNominalFont(cls, 48, false);
        if (yearMarks) {
            if (left || !name.contains(QStringLiteral("Projekt")))
                PrintTextOut(markX, y, g.cell(ColYear, r - 1));
        } else {
            PrintTextOut(markX, y, finalDecimalText(g, r - 1));
        }
    }

    PrintRule(700, 2495, 1300, 2495);
    SetNominalFont(cls, 30, false);
    PrintTextOut(700, 2505, QStringLiteral("Klassenlehrer/in"));
    EndPrint();
}

void PrintBoundaryGradeSheet(const ClassPrintData& cls, const StudentPrintData& st, int)
{
    PrintSheetSchoolName(cls);
    SetNominalFont(cls, 48, true);
    PrintTextOut(250, 250, QStringLiteral("Abschlussprüfung"));
    PrintTextOut(880, 250, QStringLiteral("Schuljahr ") + cls.schoolYearShort());
    PrintTextOut(250, 310, QStringLiteral("Meldung zur mü. Prüfung"));
    PrintFittedText(880, 310, QStringLiteral("Klasse ") + st.klasse, 1400 - kSheetColumnGap);
    PrintTextOut(1400, 310, QStringLiteral("Stand: ") + PrintDateText(cls.today));
    SetPrintFontBold(false);
    PrintRule(250, 240, 1750, 240);
    PrintRule(250, 380, 1750, 380);
    PrintTextOut(250, 450, QStringLiteral("Vor- und Zuname:"));
    PrintTextOut(250, 510, QStringLiteral("Geburtsdatum:"));
    PrintTextOut(250, 570, QStringLiteral("Geburtsort:"));
    SetPrintFontBold(true);
    PrintFittedText(880, 450, StudentName(st), 1750);
    SetPrintFontBold(false);
    PrintTextOut(880, 510, st.birthDate);
    PrintFittedText(880, 570, st.birthPlace, 1750);

    int t = 750;
    for (int k = 0; k <= 5; ++k)
        PrintRule(250 + 300 * k, k == 4 ? t : t - 70, 250 + 300 * k, t + 1400);
    PrintRule(250, t - 70, 1750, t - 70);
    for (int i = 1; i <= 20; ++i)
        PrintRule(250, t + 70 * i, 1750, t + 70 * i);

    t = 770;
    SetPrintFontBold(true);
    PrintTextOut(280, t, QStringLiteral("Fach"));
    PrintTextOut(580, t, QStringLiteral("Jahresleistung"));
    PrintTextOut(880, t, QStringLiteral("schr. / prakt."));
    PrintTextOut(880, t - 70, QStringLiteral("Prüfungserg."));
    PrintTextOut(1165, t, QStringLiteral("EN falls Mü in"));
    PrintTextOut(1480, t, QStringLiteral("Ich wähle:"));
    PrintTextOut(1180, t - 70, QStringLiteral(" Mündliche Prüfung:"));
    SetPrintFontBold(false);
    const ExamGrid& g = st.sheet.grid;
    // Row 0 of the exam grid is its own heading row: "Fach" stands there.
    for (int i = kFirstSubjectRow; i <= kLastSubjectRow; ++i)
        PrintTextOut(280, t + 70 * i, g.cell(ColCode, i));

    for (int i = kFirstSubjectRow; i <= kLastSubjectRow; ++i) {
        const int y = t + 70 * i;
        const QString code = g.cell(ColCode, i);
        const QString year = g.cell(ColYear, i);
        const QString written = g.cell(ColWritten, i);
        const QString comm = g.cell(ColComm, i);
        if (!year.contains(QLatin1Char('?')) && !year.contains(QLatin1Char('P')))
            PrintTextOut(580, y, year);
        PrintTextOut(880, y, written.leftJustified(6, QLatin1Char(' ')));
        PrintTextOut(1010, y, comm);
        if (!graded(year))
            continue;
        const bool noBoundary = !graded(written) || (i == 3 && graded(g.cell(ColOral, i)))
            || graded(comm) || TrimRight(comm) == QStringLiteral("P")
            || TrimRight(code) == QStringLiteral("E");
        if (noBoundary) {
            PrintTextOut(1170, y, QStringLiteral("-"));
            continue;
        }
        const BoundaryGrades b = ComputeGrenznotenOral(code, year, written, cls.context);
        if (b.lower == QStringLiteral("--"))
            PrintTextOut(1170, y, QStringLiteral("-"));
        else
            PrintTextOut(1165, y, b.current + QStringLiteral(" :  [ ") + b.lower + QStringLiteral("...")
                                      + b.upper + QStringLiteral(" ]"));
    }

    SetNominalFont(cls, 33, false);
    PrintTextOut(580, t + 1880, QStringLiteral(" Unterschrift Klassenlehrer(in)"));
    PrintTextOut(1170, t + 1880, QStringLiteral(" Datum, Unterschrift Schüler(in)"));
    PrintTextOut(1170, t + 2040, QStringLiteral(" Datum, Unterschrift Erziehungsberechtigte/r"));
    SetNominalFont(cls, 48, false);
    PrintTextOut(580, t + 1820, QStringLiteral(" _________________________"));
    PrintTextOut(1170, t + 1820, QStringLiteral(" ___________________________"));
    PrintTextOut(1170, t + 1980, QStringLiteral(" ___________________________"));
    EndPrint();
}

} // namespace hsa
