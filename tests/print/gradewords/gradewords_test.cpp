// The words and dates printed for grades, row by row through tables.
#include "print/gradewords.h"

#include <QList>

#include <gtest/gtest.h>

using namespace hsa;

namespace {

using V = GradeWordVariant;
const std::optional<QString> kNoRow;

TEST(GradeWords, WholeGradesByVariantAndSubject)
{
    struct Case { V variant; QString grade; std::optional<QString> subject; QString word; };
    const QString dash = kMissingGradeWord;
    const Case cases[] = {
        {V::List, "1", kNoRow, "sehr gut"},          {V::Certificate, "2*", kNoRow, "gut"},
        {V::ExamCross, "2*", kNoRow, "gut (x)"},     {V::ExamCross, "3*  ", kNoRow, "befriedigend (x)"},
        {V::List, "4-", kNoRow, "ausreichend"},      {V::Certificate, "  5", kNoRow, "mangelhaft"},
        {V::ExamCross, "6", kNoRow, "ungenügend"},   {V::List, "", kNoRow, dash},
        {V::ExamCross, "   ", kNoRow, dash},         {V::Certificate, "??", kNoRow, dash},
        {V::List, "*)", kNoRow, "*)"},               {V::ExamCross, "*)  ", kNoRow, "*)  "},
        {V::List, "2", QString("Deutsch"), "gut"},   {V::List, "2", QString("Wahlpflichtbereich"), "gut"},
        {V::Certificate, "2", QString("Wahlpflichtbereich:"), ""},
        {V::ExamCross, "2*", QString("Wahlpflichtbereich"), ""},
        {V::List, "2", QString("Profilfach/  "), ""}, {V::Certificate, "2", QString("Profilfach/"), "gut"},
        {V::Certificate, "2", QString("Profilfach\\ "), ""}, {V::List, "2", QString("Profilfach\\"), "gut"},
        {V::ExamCross, "2*", QString("Wahl\\"), ""}, {V::List, "2", QString("   "), dash},
        {V::ExamCross, "2*", QString(""), dash},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GradeDigitToWord(c.variant, c.grade, c.subject), c.word)
            << int(c.variant) << " '" << c.grade.toStdString() << "' subject '"
            << c.subject.value_or("(none)").toStdString() << "'";
}

TEST(GradeWords, EveryDecimalGradeWithBothSeparators)
{
    const QString words[] = {"sehr gut", "gut", "befriedigend", "ausreichend", "mangelhaft", "ungenügend"};
    for (int whole = 1; whole <= 6; ++whole) {
        for (int tenth = 0; tenth <= 9; ++tenth) {
            for (const QString& sep : {QString(","), QString(".")}) {
                const QString g = QString::number(whole) + sep + QString::number(tenth);
                const int word = whole == 6 ? 5 : tenth <= 4 ? whole - 1 : whole;
                const QString blanks = whole == 2 && tenth <= 4 ? " " : "  ";
                EXPECT_EQ(FormatDecimalGradeWithWord(g), g + blanks + "(" + words[word] + ")") << g.toStdString();
            }
        }
    }
    for (const QString& g : {QString(""), QString("0,9"), QString("7,0"), QString("2"), QString("P")})
        EXPECT_EQ(FormatDecimalGradeWithWord(g), QString()) << g.toStdString();
}

TEST(GradeWords, AveragesDatesLevelsRemarksAndYearMarks)
{
    EXPECT_EQ(FormatAverageInParens("2.4") + FormatAverageInParens("??"), "( 2,4 )( ?? )");
    struct DateCase { QString date; bool shortDates; QString text; };
    const DateCase dates[] = {
        {"07.03.2024", false, "7. März 2024"},   {"01.10.2023", false, "1. Oktober 2023"},
        {"15.12.2025", false, "15. Dezember 2025"}, {"1.1.26", false, "1. Januar 26"},
        {"07.13.2024", false, "07.13.2024"},     {"07.00.2024", false, "07.00.2024"},
        {"07.2024", false, "07.2024"},           {"", false, ""},
        {"07.03.2024", true, "07.03.2024"},
    };
    for (const DateCase& d : dates)
        EXPECT_EQ(FormatLongDate(d.date, d.shortDates), d.text) << d.date.toStdString();
    const std::pair<QString, int> levels[] = {{"10a", 10}, {"1oa", 10}, {"9b", 9}, {" 9", 9}, {"Kl 9", 0}, {"", 0}};
    for (const auto& [name, level] : levels)
        EXPECT_EQ(ParseClassLevel(name), level) << name.toStdString();
    const QString limit(59, QLatin1Char('a')), below = limit.left(58);
    EXPECT_EQ(QList<int>({RemarkLineOverflow(limit, ""), RemarkLineOverflow("", limit),
                          RemarkLineOverflow(below + "   ", " " + below)}),
              QList<int>({150, 150, 0}));
    struct MarkCase { QString mark; std::optional<QString> subject; QString text; };
    const MarkCase marks[] = {
        {"  2,3", kNoRow, "2,3 "},           {"", kNoRow, " "},
        {"3", QString("Deutsch"), "3 "},     {"3", QString("Wahlpflichtbereich"), ""},
        {"3", QString("   "), "---"},        {"3", QString("Profil\\"), ""},
        {"3", QString("Profil/"), "3 "},
    };
    for (const MarkCase& m : marks)
        EXPECT_EQ(FormatYearMarkForRow(m.mark, m.subject), m.text) << m.mark.toStdString();
    const std::pair<QString, int> wholes[] = {{"2.5", 3}, {"2.4", 2}, {"1.5", 2}, {"1.4", 1}, {"3.6", 4},
                                              {"4,49", 5}, {"4,48999", 4}, {"??", 0}, {" - ", 0}};
    for (const auto& [average, whole] : wholes)
        EXPECT_EQ(WholeGradeOfAverage(average), whole) << average.toStdString();
}

} // namespace
