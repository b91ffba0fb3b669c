#include "print/layouts/studentsheet.h"

#include "print/layouts/certificateparts.h"
#include "print/layouts/listframe.h"
#include "print/layouts/pageparts.h"
#include "print/layouts/studentsheets.h"
#include "print/pagemodel.h"

namespace hsa {

namespace {

void upperHalf(const ClassPrintData& cls, const StudentPrintData& st)
{
    SetNominalFont(cls, 48, true);
    const bool wrs = cls.classCode().toUpper() == QLatin1Char('X');
    PrintTextOut(250, 250, wrs ? QStringLiteral("Abschlussprüfung WRS") : QStringLiteral("Abschlussprüfung HS"));
    PrintTextOut(1080, 250, QStringLiteral("Schuljahr ") + cls.schoolYearShort());
    PrintFittedText(700, 310, QStringLiteral("Klasse ") + st.klasse, 1080 - kSheetColumnGap);
    PrintTextOut(1080, 310, QStringLiteral("Stand: ") + PrintDateText(cls.today));
    SetPrintFontBold(false);
    for (int y : {240, 380, 1260, 1400})
        PrintRule(200, y, 1900, y);
    PrintRule(200, 240, 200, 1260);
    PrintRule(1900, 240, 1900, 1260);
    PrintRule(200, 1290, 1900, 1290);
    SetNominalFont(cls, 44, false);
    PrintTextOut(250, 410, QStringLiteral("Vor- und Zuname:"));
    PrintTextOut(250, 470, QStringLiteral("Geburtsdatum:"));
    SetNominalFont(cls, 48, true);
    PrintTextOut(250, 310, QStringLiteral("JAHRESLEISTUNG"));

    const int n = SheetSubjectCount(st.gradeNames);
    const int s = StudentSheetLeftColumnEnd(n);
    const auto rowY = [s](int r) { return r <= s ? 65 * (r - 3) + 640 : 65 * (r - 2 - s) + 640; };
    SetNominalFont(cls, 44, false);
    for (int r = 2; r <= n - 1; ++r)
        PrintSheetSubjectName(r <= s ? 250 : 1080, rowY(r), st.gradeNames[r], r <= s ? 700 : 1540);
    PrintSheetSchoolName(cls);
    SetNominalFont(cls, 44, false);
    for (int r = 2; r <= n - 1; ++r)
        if (r <= s || !st.gradeNames[r].contains(QStringLiteral("Projekt")))
            PrintTextOut(r <= s ? 700 : 1540, rowY(r), st.sheet.grid.cell(ColYear, r - 1));
    PrintRule(250, 1200, 850, 1200);
    SetNominalFont(cls, 30, false);
    PrintTextOut(250, 1210, QStringLiteral("Klassenlehrer/in"));
}

void lowerHalf(const ClassPrintData& cls, const StudentPrintData& st)
{
    SetNominalFont(cls, 48, true);
    const SchoolNameParts school = SplitSchoolName(cls.schoolName);
    if (school.twoLines) {
        PrintTextOut(250, 1300, school.first);
        PrintTextOut(250, 1345, school.second);
    } else {
        PrintTextOut(700, 1300, cls.schoolName);
    }
    PrintTextOut(250, 1440, QStringLiteral("Abschlussprüfung WRS Kl.10, Schuljahr 20") + cls.schoolYearShort());
    SetNominalFont(cls, 58, true);
    SetPrintFontUnderline(true);
    PrintTextOut(250, 1520, QStringLiteral("Anmeldung zur mündlichen Prüfung"));
    SetPrintFontUnderline(false);
    SetNominalFont(cls, 52, true);
    PrintFittedText(250, 1610, QStringLiteral("Name:  ") + st.surname + QStringLiteral(", ") + st.firstName
                                   + QString(9, QLatin1Char(' ')) + QStringLiteral("Klasse:  ") + st.klasse,
                    1900 - kSheetColumnGap);
    SetNominalFont(cls, 44, true);
    PrintTextOut(250, 1710, QStringLiteral("Ich melde mich an zur Prüfung im Fach "));
    SetPrintFontBold(false);
    PrintTextOut(250, 1825, QStringLiteral("(   ) MNT (Materie - Natur - Technik"));
    PrintTextOut(250, 1935, QStringLiteral("(   ) NuT (Natur und Technik)"));
    PrintTextOut(250, 2045, QStringLiteral("(   ) WuI (Wirtschaft und Informationstechnik)"));
    PrintTextOut(250, 2155, QStringLiteral("(   ) GuS (Gesundheit und Soziales)"));
    SetPrintFontBold(true);
    const QString line(60, QLatin1Char('_'));
    PrintTextOut(250, 2320, QStringLiteral("Prüfungsthema: ") + line);
    PrintTextOut(250, 2430, QString(30, QLatin1Char(' ')) + line);
    SetNominalFont(cls, 30, true);
    PrintTextOut(250, 2650, QStringLiteral("Datum") + QString(71, QLatin1Char(' '))
                                + QStringLiteral("Unterschrift Schüler/in") + QString(47, QLatin1Char(' ')));
    SetPrintFontBold(false);
    PrintRule(200, 2695, 1900, 2695);
    PrintRule(200, 1290, 200, 2695);
    PrintRule(1900, 1290, 1900, 2695);
    PrintRule(250, 2645, 600, 2645);
    PrintRule(800, 2645, 1350, 2645);
}

} // namespace

int StudentSheetLeftColumnEnd(int n)
{
    if (n >= 21)
        return 10;
    return n < 17 ? 8 : 9;
}

void PrintStudentSheet(const ClassPrintData& cls, const StudentPrintData& st, int mode)
{
    // Only mode 2 prints the page; any other drops the job.
    if (mode != 2) {
        AbortPrint();
        return;
    }
    SetPrintFontName(cls.printerFontName);
    upperHalf(cls, st);
    lowerHalf(cls, st);
    SetNominalFont(cls, 44, true);
    PrintFittedText(700, 410, StudentName(st), 1900 - kSheetColumnGap);
    SetPrintFontBold(false);
    PrintTextOut(700, 470, st.birthDate);
    EndPrint();
}

} // namespace hsa
