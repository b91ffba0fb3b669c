#include "print/layouts/examtable.h"

#include "classes/arithmetic.h"
#include "classes/helpers.h"
#include "print/documentkinds.h"
#include "print/gradewords.h"
#include "print/layouts/certificateparts.h"
#include "print/layouts/pageparts.h"
#include "print/layouts/studentsheets.h"
#include "print/pagemodel.h"

namespace hsa {

namespace {

constexpr int kRowHeight = 60;
constexpr int kTableTop = 650;

int columnX(int column)
{
    return 250 + 200 * column;
}

bool classNine(const ClassPrintData& cls)
{
    return cls.classCode() == QLatin1Char('9');
}

// The subject text of an exam row; in a Gemeinschaftsschule the row "Prof"
// names the student's profile subject once one is chosen.
QString rowSubject(const ClassPrintData& cls, const StudentPrintData& st, int row)
{
    const QString& text = st.sheet.grid.at(ColCode, row);
    const int profile = st.sheet.profileIndex;
    if (cls.gemeinschaftsschule() && TrimRight(text) == QStringLiteral("Prof") && profile >= 0
        && profile < int(cls.subjects.profileCodes.size()))
        return cls.subjects.profileCodes[profile];
    return text;
}

// Not computable ("?") or still pending ("P"): the exam table leaves the cell
// empty rather than print a result that is not one.
bool printable(const QString& cell)
{
    return !cell.contains(QLatin1Char('?')) && !cell.contains(QLatin1Char('P'));
}

void examTableHead(const ClassPrintData& cls, const StudentPrintData& st)
{
    PrintSheetSchoolName(cls);
    SetNominalFont(cls, 55, true);
    PrintTextOut(250, 250, QStringLiteral("Abschlussprüfung"));
    PrintFittedText(880, 250, QStringLiteral("Klasse ") + st.klasse, 1480 - kSheetColumnGap);
    PrintTextOut(1480, 250, QStringLiteral("Schuljahr ") + cls.schoolYearShort());
    SetPrintFontBold(false);
    PrintRule(250, 240, 1850, 240);
    PrintRule(250, 320, 1850, 320);
    SetNominalFont(cls, 48, false);
    PrintTextOut(250, 350, QStringLiteral("Vor- und Zuname:"));
    PrintTextOut(250, 410, QStringLiteral("Geburtsdatum:"));
    PrintTextOut(250, 470, QStringLiteral("Geburtsort:"));
    SetPrintFontBold(true);
    PrintFittedText(880, 350, StudentName(st), 1850);
    SetPrintFontBold(false);
    PrintTextOut(880, 410, st.birthDate);
    PrintFittedText(880, 470, st.birthPlace, 1850);
}

void examGrid(const ClassPrintData& cls, const StudentPrintData& st)
{
    const int t = kTableTop;
    const int h = kRowHeight;
    for (int i : {0, 1, 5, 6, 7, 8})
        PrintRule(columnX(i), t - h, columnX(i), t + 20 * h);
    for (int i : {2, 3, 4})
        PrintRule(columnX(i), t, columnX(i), t + 20 * h);
    PrintRule(650, t, 650, t + 22 * h);
    PrintRule(1850, t, 1850, t + 22 * h);
    if (classNine(cls))
        PrintRule(1750, t + h, 1750, t + 20 * h);
    PrintRule(250, t - h, 1850, t - h);
    for (int r = 1; r <= 20; ++r)
        PrintRule(250, t + r * h, 1850, t + r * h);
    PrintRule(650, t + 21 * h, 1850, t + 21 * h);
    PrintRule(650, t + 22 * h, 1850, t + 22 * h);

    const ExamGrid& g = st.sheet.grid;
    SetPrintFontBold(true);
    // Every cell ends before the rule of the next column.
    const auto cellRight = [](int c) { return columnX(c + 1) - kSheetColumnGap; };
    for (int c = ColWritten; c <= ColFinal; ++c)
        PrintFittedText(280 + 200 * c, t, g.at(c, 0), cellRight(c));
    PrintTextOut(280, t, QStringLiteral("Fach"));
    PrintTextOut(620, t - h, QStringLiteral("P r ü f u n g s l e i s t u n g"));
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        PrintFittedText(280, t + r * h, rowSubject(cls, st, r), cellRight(1));
    SetPrintFontBold(false);
    for (int c = ColWritten; c <= ColFinal; ++c)
        for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
            if (printable(g.at(c, r)))
                PrintFittedText(280 + 200 * c, t + r * h, g.at(c, r), cellRight(c));

    // A weight only means something once the student has results.
    if (ParseLeadingInt(g.at(ColFinal, 1)) > 0) {
        SetNominalFont(cls, 36, false);
        for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
            if (TrimRight(g.at(ColWeight, r)) != QStringLiteral("1"))
                PrintFittedText(1755, t + r * h + 5, QStringLiteral("Gew=") + g.at(ColWeight, r),
                                1850 - kSheetColumnGap);
    }
}

// The option is ticked for a class-9 English or French subject whose year
// mark is a grade with the minus tendency: the student asked for a
// certificate without the foreign-language grade.
bool foreignLanguageLeftOff(const ExamGrid& g)
{
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        if (ParseLeadingInt(g.at(ColAverage, r)) > 0
            && ForeignLanguageMinusTendency(g.at(ColCode, r), g.at(ColYear, r)))
            return true;
    return false;
}

void examTableFoot(const ClassPrintData& cls, const StudentPrintData& st)
{
    int t = kTableTop;
    const int h = kRowHeight;
    SetNominalFont(cls, 48, false);
    PrintTextOut(680, t + 20 * h, QStringLiteral("Durchschnitt der Gesamtleistungen als Dezimale:"));
    PrintTextOut(680, t + 21 * h, QStringLiteral("Durchschnitt der Gesamtleistungen als ganze Note:"));
    SetPrintFontBold(true);
    const QString average = certificate::Gesamtschnitt(cls, st);
    if (!average.contains(QLatin1Char('?'))) {
        PrintTextOut(1680, t + 20 * h, average);
        // " - " (nothing counts) has no whole grade: a "0" would read as one.
        if (ReadGradeCell(average) > 0)
            PrintTextOut(1680, t + 21 * h, QLatin1Char(' ') + QString::number(WholeGradeOfAverage(average, 52)));
    }

    t += 180;
    PrintTextOut(1280, t + 20 * h, QStringLiteral("Prüfungsergebnis:"));
    SetNominalFont(cls, 41, true);
    const QString results[] = {QStringLiteral("(   )  Hauptschulabschluss bestanden"),
                               QStringLiteral("(   )  Werkrealschulabschluss bestanden"),
                               QStringLiteral("(   )  Realschulabschluss bestanden")};
    for (int i = 0; i < 3; ++i) {
        PrintTextOut(1280, t + (21 + i) * h, results[i]);
        if (st.sheet.resultIndex == i)
            PrintTextOut(1295, t + (21 + i) * h, QStringLiteral("X"));
    }
    PrintTextOut(250, t + 26 * h, QStringLiteral("Bemerkungen (Nachtermine, Täuschungen u.a.)"));
    PrintRule(250, t + 28 * h, 1850, t + 28 * h);
    if (classNine(cls)) {
        SetPrintFontBold(false);
        PrintTextOut(250, t + 29 * h,
                     foreignLanguageLeftOff(st.sheet.grid)
                         ? QStringLiteral("( X ) Abschlusszeugnis auf Wunsch des Schülers ohne Note für die Fremdsprache")
                         : QStringLiteral("(  ) Abschlusszeugnis auf Wunsch des Schülers ohne Note für die Fremdsprache"));
    }
    SetPrintFontBold(true);
    PrintRule(250, t + 32 * h, 850, t + 32 * h);
    SetNominalFont(cls, 32, true);
    PrintTextOut(250, t + 32 * h + 20, QStringLiteral("Vorsitzende/r des Prüfungsausschusses"));
    PrintTextOut(1250, t + 32 * h - 4, QStringLiteral("Dienstsiegel"));
}

// Year marks of the choice sheet: rows 2 to s on the left, s + 1 to n - 1 on
// the right, 65 apart.
void choiceYearMarks(const ClassPrintData& cls, const StudentPrintData& st)
{
    SetNominalFont(cls, 44, false);
    const int n = SheetSubjectCount(st.gradeNames);
    const int s = ChoiceSheetLeftColumnEnd(n);
    for (int r = 2; r <= n - 1; ++r) {
        const bool left = r <= s;
        const int y = left ? 65 * (r - 3) + 640 : 65 * (r - 2 - s) + 640;
        const QString& name = st.gradeNames[r];
        PrintSubjectName(left ? 250 : 1080, y, name, 17, 18, (left ? 700 : 1540) - kSheetColumnGap);
        if (left || !name.contains(QStringLiteral("Projekt")))
            PrintTextOut(left ? 700 : 1540, y, st.sheet.grid.cell(ColYear, r - 1));
    }
}

} // namespace

int ChoiceSheetLeftColumnEnd(int n)
{
    if (n >= 20)
        return 10;
    return n / 2 + 1 - (n < 17 ? 1 : 0);
}

void PrintStudentExamTable(const ClassPrintData& cls, const StudentPrintData& st, int kind)
{
    // Any other document kind prints nothing: the job is dropped.
    if (kind != kDocExamTable) {
        AbortPrint();
        return;
    }
    examTableHead(cls, st);
    examGrid(cls, st);
    examTableFoot(cls, st);
    EndPrint();
}

void PrintExamChoiceSheet(const ClassPrintData& cls, const StudentPrintData& st, int kind)
{
    if (kind != kDocYearMarkSheet) {
        AbortPrint();
        return;
    }
    SetNominalFont(cls, 48, true);
    PrintTextOut(250, 250, QStringLiteral("Abschlussprüfung "));
    PrintTextOut(700, 250, QStringLiteral("Schuljahr ") + cls.schoolYearShort());
    PrintTextOut(700, 310, QStringLiteral("Klasse ") + st.klasse);
    PrintTextOut(1080, 310, QStringLiteral("Stand: ") + PrintDateText(cls.today));
    PrintTextOut(250, 310, QStringLiteral("JAHRESLEISTUNG"));
    PrintSheetSchoolName(cls);
    SetNominalFont(cls, 44, false);
    PrintTextOut(250, 410, QStringLiteral("Vor- und Zuname:"));
    PrintTextOut(250, 470, QStringLiteral("Geburtsdatum:"));
    SetPrintFontBold(true);
    PrintFittedText(700, 410, StudentName(st), 1900 - kSheetColumnGap);
    SetPrintFontBold(false);
    PrintTextOut(700, 470, st.birthDate);

    // The frame starts 100 lower in class 9, which has the extra line of the
    // exam subjects.
    const int c = classNine(cls) ? 100 : 0;
    for (int y : {240, 380, c + 1260, c + 1400})
        PrintRule(200, y, 1900, y);
    PrintRule(200, 240, 200, c + 1260);
    PrintRule(1900, 240, 1900, c + 1260);
    PrintRule(200, c + 1290, 1900, c + 1290);

    choiceYearMarks(cls, st);

    PrintRule(700, c + 1200, 1300, c + 1200);
    SetNominalFont(cls, 30, false);
    PrintTextOut(700, c + 1210, QStringLiteral("Klassenlehrer/in"));
    SetNominalFont(cls, 48, true);
    PrintFittedText(250, c + 1320,
                    QStringLiteral("WAHL DES SCHÜLERS :") + QString(12, QLatin1Char(' ')) + st.surname
                        + QStringLiteral(", ") + st.firstName + QString(6, QLatin1Char(' '))
                        + QStringLiteral("Klasse  ") + st.klasse,
                    1900 - kSheetColumnGap);

    const int l = 1520;
    SetNominalFont(cls, 44, true);
    PrintTextOut(250, l + 145, QStringLiteral("1. Prüfung in der Fremdsprache "));
    SetPrintFontBold(false);
    PrintTextOut(880, l + 145, QStringLiteral("(   ) schriftlich          (   ) mündlich"));
    SetPrintFontBold(true);
    PrintTextOut(250, l + 355, QStringLiteral("2. Mündliche Prüfung "));
    SetPrintFontBold(false);
    PrintTextOut(880, l + 510, QStringLiteral("(   ) Deutsch "));
    PrintTextOut(880, l + 665, QStringLiteral("(   ) Mathematik "));
    SetPrintFontBold(true);
    PrintTextOut(250, l + 820, QStringLiteral("3. Thema der Projektprüfung: "));
    SetPrintFontBold(false);
    PrintTextOut(880, l + 870, QString(46, QLatin1Char('_')));

    SetNominalFont(cls, 30, false);
    PrintTextOut(250, l + 1090,
                 QStringLiteral("Datum") + QString(56, QLatin1Char(' ')) + QStringLiteral("Unterschrift Schüler")
                     + QString(49, QLatin1Char(' ')) + QStringLiteral("Unterschrift Erziehungsberechtigte/r"));
    PrintRule(200, l + 1155, 1900, l + 1155);
    PrintRule(200, l + 1155, 200, c + 1290);
    PrintRule(1900, l + 1155, 1900, c + 1290);
    PrintRule(250, l + 1085, 500, l + 1085);
    PrintRule(700, l + 1085, 1150, l + 1085);
    PrintRule(1250, l + 1085, 1850, l + 1085);
    EndPrint();
}

} // namespace hsa
