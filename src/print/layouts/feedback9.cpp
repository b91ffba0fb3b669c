#include "print/layouts/feedback9.h"

#include "classes/helpers.h"
#include "print/gradewords.h"
#include "print/layouts/certificateparts.h"
#include "print/pagemodel.h"

#include <algorithm>
#include <cstdlib>

namespace hsa {

using namespace certificate;

namespace {

// The rule the date and the class teacher's signature stand on.
constexpr int kDateRuleY = 2400;

} // namespace

void PrintClass9Feedback(const ClassPrintData& cls, const StudentPrintData& st, int /*kind*/)
{
    // The heading stands where it always stands on this sheet, whatever was
    // printed before it.
    constexpr int offset = 0;
    const SubjectData& sub = cls.subjects;
    const int n = SubjectCount(sub);
    const int s = n <= 15 ? 7 : n <= 17 ? 8 : n <= 19 ? 9 : 10;
    const int p = n >= 20 ? 170 : 110;
    const int q = n >= 20 ? 140 : 110;

    // The class-8 lines stand between the project block and the
    // participation heading: the labels beside the subject's two-line
    // places, the subject and its mark off the project grade's line.  When
    // they need more room the participation lines and the remarks move down.
    const bool class8 = !TrimRight(st.ag6).isEmpty();
    SetFont(cls, 28);
    const int labelsY = std::max(1726, q + 1585 + PrintFontCellHeight() + 3);
    const int projectGradeY = p + 1575;
    const int class8Y = std::abs(projectGradeY - 1742) < 48 ? projectGradeY + 50 : 1742;
    SetFont(cls, 44);
    const int class8End = std::max({labelsY + 35 + PrintFontCellHeight(), class8Y + 48,
                                    SplitSubjectName(st.ag5) ? class8Y + 1 + 18 + PrintFontCellHeight() : 0});
    const int down = class8 ? std::max(0, class8End + 5 - 1830) : 0;

    SetFont(cls, 55, true);
    PrintTextOut(250, 350, QStringLiteral("Schriftliche Rückmeldung über den Leistungsstand am Ende von Klasse 9 "));
    PrintTextOut(250, 410, cls.schoolTypeText.contains(QStringLiteral("Werk")) ? QStringLiteral("der Werkrealschule")
                                                                               : QStringLiteral("der Hauptschule"));
    PrintHeadLines(cls, 250, offset);
    SetFont(cls, 40);
    PrintTextOut(1080, 590, QStringLiteral("Schuljahr"));
    PrintTextOut(250, 590, QStringLiteral("Klasse"));
    PrintTextOut(250, 670, QStringLiteral("Vor- und Zuname"));
    SetFont(cls, 48, true);
    PrintTextOut(250, 1830 + down, QStringLiteral("Ergänzende Hinweise zum Lern-, Arbeits- und Sozialverhalten"));
    PrintTextOut(250, 850, sub.subjectBlockHeading);
    PrintTextOut(250, 2115 + down, QStringLiteral("Bemerkungen:"));
    SetFont(cls, 35);
    PrintRule(250, kDateRuleY, 950, kDateRuleY);
    PrintRule(1180, kDateRuleY, 1850, kDateRuleY);
    PrintRule(1030, 2550, 1850, 2550);
    PrintTextOut(250, 2410, QStringLiteral("Datum"));
    PrintTextOut(1180, 2410, QStringLiteral("Klassenlehrer/in"));
    SetFont(cls, 40);
    PrintTextOut(250, 2530, QStringLiteral("Gesehen! Erziehungsberechtigte/r"));
    SetFont(cls, 35);
    PrintTextOut(250, 2635, QStringLiteral("Notenangaben in Dezimalen innerhalb der Notenstufen:"));
    PrintTextOut(250, 2678, QStringLiteral(
        "sehr gut (1), gut (2), befriedigend (3), ausreichend (4), mangelhaft (5), ungenügend (6)."));
    PrintTextOut(250, 2730, QStringLiteral("² Beste Einzelnote aus Musik-Sport-Gestalten"));

    auto subjectOf = [&](int r) { return st.gradeNames[static_cast<size_t>(r)]; };
    auto shown = [](const QString& t) { return t.contains(QStringLiteral("Projekt")) ? QStringLiteral(" ") : t; };
    for (int r = 2; r <= s && r < kGradeListRows; ++r) {
        SetFont(cls, 40);
        PrintSubjectName(250, 70 * (r - 3) + 1020, shown(subjectOf(r)), 18, 18, 700 - kColumnGap);
    }
    for (int r = s + 1; r <= n - 1 && r < kGradeListRows; ++r) {
        const bool elective = subjectOf(r).contains(QStringLiteral("Wahlpflicht"));
        SetFont(cls, elective ? 44 : 40, elective);
        PrintSubjectName(1080, 70 * (r - 2 - s) + 1020, shown(subjectOf(r)), 18, 18, 1540 - kColumnGap);
    }
    PrintSchoolName(cls, 250, offset);

    auto mark = [&](int r) { return FormatYearMarkForRow(st.sheet.grid.cell(ColYear, r - 1), subjectOf(r)); };
    SetFont(cls, 48);
    for (int r = 2; r <= s && r < kGradeListRows; ++r)
        PrintTextOut(700, 70 * (r - 3) + 1020, mark(r));
    for (int r = s + 1; r <= n - 1 && r < kGradeListRows; ++r)
        PrintTextOut(1540, subjectOf(r).contains(QStringLiteral("Projekt")) ? p + 1575 : 70 * (r - 2 - s) + 1020,
                     mark(r));

    SetFont(cls, 48, true);
    PrintTextOut(250, q + 1465, QStringLiteral("Leistungen in der themenorientierten Projektprüfung:"));
    SetFont(cls, 40);
    PrintTextOut(250, q + 1525, QStringLiteral("Thema:"));
    PrintTextOut(250, q + 1575, QStringLiteral("Note  "));
    PrintFittedText(410, q + 1525, st.ag5, kRight);
    SetFont(cls, 28);
    PrintTextOut(410, q + 1585, QStringLiteral("(Verbalbeurteilung siehe Beiblatt):"));

    if (class8) {
        SetFont(cls, 44);
        PrintTextOut(250, labelsY, QStringLiteral("Note des in Klasse 8"));
        PrintTextOut(250, labelsY + 35, QStringLiteral("abgeschlossenen Pflichtfaches:"));
        PrintSubjectName(1080, class8Y + 1, st.ag5, 17, 18, 1540 - kColumnGap);
        PrintTextOut(1540, class8Y, FormatYearMarkForRow(st.ag6));
    }

    SetFont(cls, 44);
    if (!TrimRight(st.hints[0]).isEmpty()) {
        PrintFittedText(250, 1890 + down, TrimRight(st.hints[0]) + QLatin1Char(' ') + TrimRight(st.hints[1]),
                        kRight);
        PrintFittedText(250, 1950 + down, TrimRight(st.hints[2]) + QLatin1Char(' ') + TrimRight(st.ag2), kRight);
        PrintFittedText(250, 2010 + down, TrimRight(st.remarks[1]) + QLatin1Char(' ') + TrimRight(st.ag7), kRight);
    } else {
        PrintTextOut(250, 1890 + down, kMissingGradeWord);
    }
    SetFont(cls, RemarkLineOverflow(st.hints[3], st.remarks[0]) > 0 ? 40 : 44);
    PrintRemarkLines(st, 2115 + down);

    // The date stands on its rule, never across it.
    SetFont(cls, 46);
    PrintTextOut(250, std::min(q + 2235, kDateRuleY - PrintFontCellHeight() - 3),
                 FormatLongDate(st.datum, cls.shortDates));
    SetFont(cls, 50, true);
    PrintFittedText(700, 670, StudentName(st), kRight);
    SetFont(cls, 50);
    PrintTextOut(1380, 588, QStringLiteral("20") + cls.classFile.mid(3, 2) + QLatin1Char('/') + cls.classFile.mid(5, 2));
    PrintFittedText(700, 588, st.klasse, 1080 - kColumnGap);
    EndPrint();
}

} // namespace hsa
