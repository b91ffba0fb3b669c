#include "classes/arithmetic.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace hsa;

namespace {

// Every subject row empty ("- ") with the given weight cell, no short codes.
ExamGrid emptyGrid(const char* weightCell = "1")
{
    ExamGrid g;
    for (int r = 1; r <= 19; ++r) {
        for (int c = 1; c <= 7; ++c)
            g.at(c, r) = QStringLiteral("- ");
        g.at(ColWeight, r) = QString::fromUtf8(weightCell);
    }
    return g;
}

// Row 1 of an empty grid with the marks "written|comm|oral|year", recomputed.
ExamGrid rowWith(const char* marks, const GradeContext& ctx, const char* code)
{
    ExamGrid g = emptyGrid();
    g.at(ColCode, 1) = QString::fromUtf8(code);
    const QStringList m = QString::fromUtf8(marks).split('|');
    for (int i = 0; i < 4; ++i)
        g.at(std::array{ColWritten, ColComm, ColOral, ColYear}[i], 1) = m.value(i);
    RecalcExamRow(g, 1, ctx);
    return g;
}

GradeContext contextFor(bool evening, const char* classFile = "")
{
    GradeContext ctx;
    ctx.eveningSchoolMode = evening;
    ctx.classFileName = QString::fromUtf8(classFile);
    return ctx;
}

QString tenthsText(int tenths) { return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10); }

} // namespace

TEST(ExamResult, WeightedMeansOfRows)
{
    struct Case {
        const char* marks;
        bool evening;
        const char* exam;
        const char* schnitt;
        const char* endnote;
        const char* code = "D";
    };
    const Case cases[] = {
        // (3*2.0 + 2*3.0) / 5 = 2.4, (2.4 + 2.7) / 2 = 2.55 -> 2.5 -> 3; evening 1 : 1.
        {"2.0|3.0|- |2.7", false, "2.4", "2.5", " 3"}, {"2.0|3.0|- |2.7", true, "2.5", "2.6", " 3"},
        // No exam: the Schnitt is the year mark, the Endnote the year mark rounded.
        {"- |- |- |3.5", false, " - ", "3.5", " 4"}, {"- |- |- |3.4", false, " - ", "3.4", " 3"},
        {"- |- |- |2.5", false, " - ", "2.5", " 3"}, {"-|-|-|-", false, " - ", " - ", " - "},
        // A pending exam makes everything pending.
        {"P|- |- |2.0", false, "??", "??", "??"}, {"2.0|P|- |2.0", false, "??", "??", "??"},
        {"2.0|- |?|2.0", false, "??", "??", "??"}, {"2.0|- |- |??", false, "2.0", "??", "??"},
        {"- |- |- |P", false, " - ", "??", "??"},
        // Commas, stars, trailing blanks and minus year marks read as grades.
        {"2,0 |3,0|- |2,7", false, "2.4", "2.5", " 3"}, {"2.0*|- |- |3.0-", false, "2.0", "2.5", " 3"},
        {"3.0|2.0*|- |- ", false, "2.6", "2.6", " 3"},
        // Written 3 : oral 1: (3*4.0 + 1.0) / 4 = 3.25 -> 3.2; (3.2 + 3.0) / 2 = 3.1; 3 : 2 : 1: 14.2 / 6 -> 2.3.
        {"4.0|- |1.0|3.0", false, "3.2", "3.1", " 3"}, {"2.3|2.4|2.5|2.3", false, "2.3", "2.3", " 2"},
        // Means are cut after a small allowance: 2.399 -> 2.4, 2.39 -> 2.3.
        {"2.399|- |- |- ", false, "2.4", "2.4", " 2"}, {"2.39|- |- |- ", false, "2.3", "2.3", " 2"},
        // Values the normalisers would refuse still compute when a file holds them.
        {"- |- |- |0", false, " - ", " - ", " - "}, {"6.0|6.0|6.0|6.0", false, "6.0", "6.0", " 6"},
        // (2.0 + 2.9) / 2 = 2.45 -> 2.4 -> 2; (2.0 + 3.0) / 2 = 2.5 -> 3.
        {"2.0|- |- |2.9", false, "2.0", "2.4", " 2"}, {"2.0|- |- |3.0", false, "2.0", "2.5", " 3"},
        {"2.0|- |1.0|2.0", false, "1.7", "1.8", " 2"}, {"2.0|- |1.0|2.0", true, "1.5", "1.7", " 2"},
        {"1.0|2.0|4.0|- ", false, "1.8", "1.8", " 2"}, {"1.0|2.0|4.0|- ", true, "2.3", "2.3", " 2"},
        {"4.7|- |- |4.4", false, "4.7", "4.5", " 5"}, {"3.4|- |- |3.5", false, "3.4", "3.4", " 3"},
        // The exam performance is cut before the Schnitt: 14.9 / 6 = 2.483 -> 2.4,
        // (2.4 + 2.5) / 2 = 2.45 -> 2 (the uncut 2.483 would give 3).
        {"2.5|2.5|2.4|2.5", false, "2.4", "2.4", " 2"}, {"6.0|1.0|- |5.0", true, "3.5", "4.2", " 4"},
        // A file value below 1 counts, but its Endnote rounds to 0 and shows " - ".
        {"- |- |- |0.4", false, " - ", "0.4", " - "}, {"- |2.0|5.0|3.9", false, "3.0", "3.4", " 3"},
        // The presentation has no exam performance: its marks go into the
        // Schnitt, 17 / 7 = 2.43 by day, 10 / 4 = 2.5 in the evening.
        {"2.0|3.0|1.0|4.0", false, "-", "2.4", " 2", "Präs"}, {"2.0|3.0|1.0|4.0", true, "-", "2.5", " 3", "Präs"},
        {"2.0|- |1.0|3.0", false, "-", "2.0", " 2", "Präs"}, {"- |3.0|- |1.0", false, "-", "2.3", " 2", "Präs"},
        {"- |- |- |- ", false, "-", " - ", " - ", "Präs"}, {"P|- |- |4.0", false, "-", "??", "??", "Präs"},
        // Only the exact code counts.
        {"2.0|3.0|1.0|4.0", false, "2.1", "3.0", " 3", "Präsentation"},
    };
    for (const Case& c : cases) {
        const ExamGrid g = rowWith(c.marks, contextFor(c.evening), c.code);
        SCOPED_TRACE(std::string(c.code) + (c.evening ? " evening " : " day ") + c.marks);
        EXPECT_EQ(g.at(ColExamResult, 1), QString::fromUtf8(c.exam));
        EXPECT_EQ(g.at(ColAverage, 1), QString::fromUtf8(c.schnitt));
        EXPECT_EQ(g.at(ColFinal, 1), QString::fromUtf8(c.endnote));
    }
}

TEST(ExamResult, ColumnRangesAndOutsideCells)
{
    const GradeContext ctx;
    ExamGrid g = emptyGrid();
    g.at(ColWritten, 2) = "3.0";
    g.at(ColYear, 2) = "1.0";
    g.at(ColYear, 3) = "10";
    const std::tuple<int, int, int, const char*> cases[] = {
        // A mean of ten and more keeps its width.
        {2, 1, 3, "3.0"}, {2, 1, 5, "2.5"}, {2, 5, 5, "1.0"}, {25, 1, 5, " - "}, {3, 5, 5, "10.0"},
    };
    for (const auto& [row, first, last, expected] : cases)
        EXPECT_EQ(ComputeExamResult(g, row, first, last, ctx), expected) << row << " " << first << "-" << last;
}

TEST(GradeList, StarsMinusesAndBlanks)
{
    // Marks, short code, class, text in the grade list.
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"2.0|3.0|- |2.7", "D", "9a", "3*"}, {"- |- |- |2.7", "D", "9a", "3"}, {"- |- |- |- ", "D", "9a", "   "},
        {"P|- |- |2.7", "D", "9a", "??"},
        // A starred communication or oral cell keeps the star off, a starred
        // written cell does not.
        {"2.0|3.0*|- |2.7", "E", "xa", "3"}, {"2.0|- |2.0*|2.7", "D", "9a", "2"}, {"2.0*|- |- |2.7", "D", "9a", "2*"},
        // Class 9: English or French with a minus year mark shows "-".
        {"- |- |- |3.0-", "E", "9a", "-"}, {"2.0|3.0|- |3.0-", "F", "9a", "-"}, {"- |- |- |3.0-", "D", "9a", "3"},
        {"- |- |- |3.0-", "E", "xa", "3"}, {"- |- |- |-", "E", "9a", "   "}, {"- |P|- |3.0-", "E", "9a", "-"},
        // Communication alone makes an exam subject: (2.0 + 3.0) / 2 = 2.5 -> 3.
        {"- |2.0|- |3.0", "E", "xa", "3*"}, {"2.0|3.0|1.0|4.0", "Präs", "9a", "2"},
    };
    for (const auto& [marks, code, classFile, text] : cases) {
        const GradeContext ctx = contextFor(false, classFile);
        EXPECT_EQ(GradeListText(rowWith(marks, ctx, code), 1, ctx), QString::fromUtf8(text)) << code << " " << classFile << " " << marks;
    }
    // The whole grid fills slots 2 to 20 and leaves conduct and cooperation.
    ExamGrid g = emptyGrid();
    g.at(ColYear, 1) = "2.0";
    g.at(ColYear, 19) = "4.5";
    g.at(ColWritten, 5) = "1.0";
    g.at(ColYear, 5) = "2.0";
    GradeList list{"2", "3"};
    RecalcExamGrid(g, GradeContext{}, list);
    EXPECT_EQ((QStringList{list[0], list[1], list[2], list[3], list[6], list[20]}),
              (QStringList{"2", "3", "2", "   ", "2*", "5"}));
}

TEST(Gesamtschnitt, CodeStringGroupsWeightCellsAndCodes)
{
    // Endnotes, weight cells and short codes of rows 1, 2, ... as "a|b|...".
    struct Case {
        const char* finals;
        const char* weights;   // rows beyond take allWeights
        const char* codeString;
        const char* expected;
        const char* allWeights = "";
        const char* codes = "";
        bool msgCounts = true;
        int last = 19;
    };
    const Case cases[] = {
        // Weight cells empty; with the preset "1" (or "1 ") every row counts
        // once and the group best besides: (2+3+4+1+3 + 3) / 6 = 2.67 -> 2.6.
        {" 2| 3| 4| 1| 3", "", "11a1a", "2.2"}, {" 2| 3| 4| 1| 3", "", "11a1a", "2.6", "1"},
        {" 2| 3| 4| 1| 3", "", "11a1a", "2.6", "1 "},
        // A group counts its best once; a group without an Endnote adds nothing.
        {" 4| 2", "", "aa", "2.0"}, {" 3| - | - ", "", "1bb", "3.0"}, {" 3| 2| 1| 4| 6| 5", "", "aabbcc", "2.6"},
        {" 4| 2", "0|0", "aa", "2.0"}, {" 1| 3", "1|1", "aa", "1.6"}, {" 2|??", "", "1a", "??"},
        // Group letters are lower case; "A" and "x" weigh 0, as rows beyond the string.
        {" 1| 5", "", "1A", "1.0"}, {" 1| 4", "", "1x", "1.0"}, {" 2| 5| 5", "", "1", "2.0"},
        {" 2| 5| 5", "||1", "1", "3.5"},
        // Weight digits, and weight cells that override them.
        {" 1| 4", "", "1211", "3.0"}, {" 1| 4", "", "13", "3.2"}, {" 1| 3", "", "01", "3.0"},
        {" 1| 3", "", "2a", "1.6"}, {" 1| 4", "2", "1211", "2.5"}, {" 1| 4", "2 |", "11", "2.0"},
        {" 1| 4", "2|0", "1211", "1.0"}, {" 1| 4", "2|0 ", "1211", "1.0"}, {" 1| 4", "2|-", "1211", "2.5"},
        // MSG counts unless switched off, Prof never; a weight cell overrides both.
        {" 2| 4| 5", "", "111", "3.0", "", "|MSG|Prof"}, {" 2| 4| 5", "", "111", "2.0", "", "|MSG|Prof", false},
        {" 2| 4| 5", "|1|1", "111", "3.6", "", "|MSG|Prof", false},
        {" 2| 4| 5|P", "|1|1", "111", "??", "", "|MSG|Prof", false},
        // Rows outside the range are not read.
        {" 2| 4| 5|??", "|1|1", "111", "3.6", "", "|MSG|Prof", false, 3}, {" - | - ", "", "111", " - "},
        {"", "", "111", " - ", "1"},
        // Cut, not rounded: 2.33 -> 2.3, 2.67 -> 2.6, 56 / 19 = 2.947 -> 2.9.
        {" 2| 2| 3", "", "111", "2.3"}, {" 2| 3| 3", "", "111", "2.6"},
        {" 2| 3| 3| 3| 3| 3| 3| 3| 3| 3| 3| 3| 3| 3| 3| 3| 3| 3| 3", "", "1111111111111111111", "2.9"},
        {" 1| 2", "", "99", "1.5"},
    };
    for (const Case& k : cases) {
        ExamGrid g = emptyGrid(k.allWeights);
        for (const auto& [column, texts] : {std::pair{ColFinal, k.finals}, {ColWeight, k.weights}, {ColCode, k.codes}}) {
            const QStringList cells = QString::fromUtf8(texts).split('|');
            for (int r = 1; texts[0] && r <= cells.size(); ++r)
                g.at(column, r) = cells.at(r - 1);
        }
        GradeContext ctx;
        ctx.subjectCodeString = QString::fromUtf8(k.codeString);
        ctx.msgGradeCounts = k.msgCounts;
        EXPECT_EQ(ComputeGesamtschnitt(g, 1, k.last, ctx), QString::fromUtf8(k.expected))
            << k.finals << " / " << k.weights << " / " << k.codeString;
    }
    // The label shows it for the first three results only.
    ExamGrid g = emptyGrid("");
    g.at(ColFinal, 1) = " 2";
    g.at(ColFinal, 2) = " 3";
    for (int i = -1; i <= 6; ++i)
        EXPECT_EQ(GesamtschnittLabel(g, i, GradeContext{}), i >= 0 && i <= 2 ? "Gesamtschnitt: 2.5" : "") << i;
}

TEST(RowAverage, WholeClassTableRow)
{
    // Columns 2 to 6 hold exam rows 1 to 5 (after the two names); weight
    // cells do not matter here and a missing digit weighs 0; MSG goes by the
    // short code of the exam row, "Prof" is not excluded.
    const std::tuple<const char*, const char*, const char*, bool, const char*> cases[] = {
        {"2*|3|4|1|5||", "121aa", "", true, "2.6"},   // (2 + 6 + 4 + best of a 1) / 5
        {"2*|3|4|1|5||", "1", "", true, "2.0"}, {"2*|3|4|1|5||", "11", "MSG", true, "2.5"},
        {"2*|3|4|1|5||", "11", "MSG", false, "2.0"}, {"2*|3|4|1|5||", "11", "Prof", false, "2.5"},
        {"2*|3|4|??|5||", "11", "Prof", false, "??"}, {"-|   |- ", "11", "", true, ""}};
    for (const auto& [cells, codeString, code2, msg, expected] : cases) {
        GradeContext ctx;
        ctx.subjectCodeString = codeString;
        ctx.shortCodes[2] = code2;
        ctx.msgGradeCounts = msg;
        EXPECT_EQ(ComputeRowAverage(QStringList{"Muster", "Max"} + QString(cells).split('|'), 2, 20, ctx), expected)
            << cells << " " << codeString << " " << code2 << " " << msg;
    }
    EXPECT_EQ(ComputeRowAverage(QStringList{}, 2, 20, GradeContext{}), "");
}

TEST(ColumnAverage, DecimalCommaWhateverTheLocale)
{
    const QLocale saved;
    const QStringList column{"", "2", "3", "2", "- ", "??", "   "};
    const std::tuple<QStringList, int, int, const char*> cases[] = {
        {column, 1, 40, "2,3"}, {{"", "2*", "2"}, 1, 40, "2"}, {{"", "1", "2"}, 1, 40, "1,5"},
        {{"", "2.3", "2.4"}, 1, 40, "2,3"},
        // The small allowance: 29.9999 + 0.0001 is 30.
        {{"", "2,99999"}, 1, 40, "3"}, {{"", "2,99998"}, 1, 40, "2,9"}, {{"", "2,9999"}, 1, 40, "2,9"},
        {{"", "-", "P"}, 1, 40, ""}, {column, 2, 2, "3"}, {column, 5, 6, ""}};
    for (const QLocale& locale : {QLocale(QLocale::German, QLocale::Germany), QLocale::c(),
                                  QLocale(QLocale::English, QLocale::UnitedStates)}) {
        QLocale::setDefault(locale);
        for (const auto& [cells, first, last, expected] : cases)
            EXPECT_EQ(ComputeColumnAverage(cells, first, last), expected) << cells.join('|').toStdString();
    }
    QLocale::setDefault(saved);
}

TEST(ProjectGrade, EndnoteOfTheLastProjectRow)
{
    // Code and Endnote of rows 16 and 19; only the exact code "Proj" counts.
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        {"", "", "", "", "-"}, {"Proj", " - ", "", "", "-"}, {"Proj", " 2", "", "", "2"},
        {"Proj", "??", "", "", "-"}, {"Proj ", " 2", "", "", "-"}, {"Proj", " 2", "Proj", " 5", "5"}};
    for (const auto& [code16, final16, code19, final19, expected] : cases) {
        ExamGrid g = emptyGrid();
        g.at(ColCode, 16) = code16;
        g.at(ColFinal, 16) = final16;
        g.at(ColCode, 19) = code19;
        g.at(ColFinal, 19) = final19;
        EXPECT_EQ(GetProjectGrade(g), expected) << code16 << final16 << code19 << final19;
    }
}

TEST(BoundaryGrades, RulesAndTheirEdges)
{
    using B = BoundaryGrades;
    const B none{"", "--", "--"};
    struct Case {
        char rule;   // 'O' oral, 'C' communication, 'E' evening
        const char* code;
        const char* year;
        const char* written;
        bool evening;
        B expected;
        const char* third = nullptr;   // communication: the oral mark ("-"); else the grade held ("")
    };
    const Case cases[] = {
        // Marks from 1.0 to 6.0 are all swept below; these are the worked
        // examples. ((6 + x) / 4 + 2) / 2 reaches 2.5 only at x = 6.0.
        {'O', "D", "3.0", "3.4", false, {"3", "1,0", "5,7"}}, {'C', "E", "3.6", "4.0", false, {"4", "2,5", "6,0"}},
        {'C', "E", "2.4", "", false, {"2", "1,0", "2,5"}, "- "},
        // Commas and a minus year mark read as marks.
        {'O', "D", "3,0-", "3,4", false, {"3", "1,0", "5,7"}}, {'C', "E", "3,6", "4,0 ", false, {"4", "2,5", "6,0"}, "- "},
        // The oral rule hands over to the evening rule in evening-school mode,
        // which also bounds a subject from the year mark alone.
        {'O', "D", "3.0", "3.4", true, {"3", "1,0", "4,5"}}, {'O', "Proj", "3.0", "3.4", true, {"3", "1,0", "4,5"}},
        {'O', "D", "3.0", "", true, {"3", "2,0", "3,9"}}, {'O', "D", "3.0", "P", true, {"3", "2,0", "3,9"}},
        {'E', "", "3.0", "", false, {"3", "2,0", "3,9"}}, {'E', "", "3.0", "P", false, {"3", "2,0", "3,9"}},
        // In the evening school communication weighs like the written exam.
        {'C', "E", "2.0", "2.0", true, {"2", "1,0", "3,9"}, "- "},
        // No year mark in the evening: empty bounds, the grade held stays.
        {'E', "", "0", "2.0", false, {"3", "", ""}, "3"}, {'E', "", "- ", "2.0", false, {"3", "", ""}, "3"},
        {'O', "D", "", "2.0", true, {"3", "", ""}, "3"},
        {'E', "", "", "3.4", false, {"", "", ""}}, {'E', "", "- ", "3.4", false, {"", "", ""}},
        // Communication from the year mark alone: x from 2.0 to 3.9 keeps a 3.
        {'C', "E", "3.0", "", false, {"3", "2,0", "3,9"}}, {'C', "E", "3.0", "P", false, {"3", "2,0", "3,9"}},
        {'C', "E", "1.2", "-", false, {"1", "1,0", "1,7"}, ""}, {'C', "E", "5.8", "-", false, {"6", "5,2", "6,0"}, ""},
        // Nothing to bound.
        {'O', "D", "3.0", "", false, none}, {'O', "Proj", "3.0", "3.4", false, none},
        {'O', "Proj ", "3.0", "3.4", false, none}, {'O', "D", "3.0", "P", false, none},
        {'O', "D", "3.0", "0", false, none}, {'O', "D", "", "3.0", false, none},
        {'C', "Proj", "3.0", "3.4", false, none}, {'C', "E", "-", "3.4", false, none}, {'C', "E", "P", "3.4", false, none},
        {'C', "E", "3.0", "3.4", false, none, "2.0"},   // oral taken
        // Written 2.0, year 4.5: communication 3.2 gives exactly 2.48, cut to
        // 2.4, Schnitt 3.45 -> 3; the unrounded formula would meet a tie and say 4.
        {'C', "E", "4.5", "2.0", false, {"3", "1,0", "3,2"}, "- "},
        // A written mark of 99999999 leaves no mark that keeps the grade.
        {'O', "D", "3.0", "99999999", false, {"50000001", "--", "--"}},
    };
    for (const Case& c : cases) {
        const GradeContext ctx = contextFor(c.evening);
        const QString third = QString::fromUtf8(c.third ? c.third : c.rule == 'C' ? "-" : "");
        const B got = c.rule == 'O'   ? ComputeGrenznotenOral(c.code, c.year, c.written, ctx, third)
                      : c.rule == 'C' ? ComputeGrenznotenComm(c.code, c.year, c.written, third, ctx)
                                      : ComputeGrenznotenEvening(c.year, c.written, third);
        EXPECT_EQ(got, c.expected) << c.rule << " " << c.code << " J " << c.year << " S " << c.written << " "
                                   << third.toStdString();
    }
    for (const auto& [comm, year, evening, grade] : {std::tuple{3.2, 4.5, false, 3}, {3.3, 4.5, false, 4}, {3.9, 2.0, true, 2},
                                                     {4.0, 2.0, true, 3}})
        EXPECT_EQ(FinalGradeForMarks(2.0, comm, 0, year, evening), grade) << comm << " " << year << " " << evening;
}

TEST(BoundaryGrades, AbsurdFileValuesEndAndStayInRange)
{
    const GradeContext day;
    const GradeContext evening = contextFor(true);
    const char* values[] = {"99999999", "1e30", "-1e30", "0.3", "7.5", "2147483648", "1e-30", "6.05"};
    for (const char* j : values) {
        for (const char* s : values) {
            const QString J = QString::fromLatin1(j);
            const QString S = QString::fromLatin1(s);
            for (const BoundaryGrades& b :
                 {ComputeGrenznotenOral("D", J, S, day), ComputeGrenznotenComm("E", J, S, "-", day),
                  ComputeGrenznotenEvening(J, S), ComputeGrenznotenComm("E", J, "", "-", evening)}) {
                for (const QString& bound : {b.lower, b.upper}) {
                    const double v = QString(bound).replace(',', '.').toDouble();
                    EXPECT_TRUE(bound.isEmpty() || bound == "--" || (v >= 1.0 && v <= 6.0)) << j << " " << s << " " << bound.toStdString();
                }
            }
        }
    }
}

namespace {

enum class Rule { Oral, Comm, CommYearOnly, Evening, EveningYearOnly };

bool yearOnly(Rule rule) { return rule == Rule::CommYearOnly || rule == Rule::EveningYearOnly; }

// Parses "2,5" / "1,0" into tenths.
int boundTenths(const QString& bound) { return bound.section(',', 0, 0).toInt() * 10 + bound.section(',', 1, 1).toInt(); }

BoundaryGrades boundsFor(Rule rule, const QString& J, const QString& S)
{
    const GradeContext day;
    switch (rule) {
    case Rule::Oral: return ComputeGrenznotenOral("D", J, S, day);
    case Rule::Comm: return ComputeGrenznotenComm("E", J, S, "- ", day);
    case Rule::CommYearOnly: return ComputeGrenznotenComm("E", J, "- ", "- ", day);
    case Rule::Evening: return ComputeGrenznotenEvening(J, S);
    case Rule::EveningYearOnly: return ComputeGrenznotenEvening(J, "");
    }
    return {};
}

// The final grade the exam grid shows for a row with the mark x (tenths, 0 =
// none) in the cell of the rule, recomputed like the grade window does.
QString endnoteInGrid(Rule rule, int j, int s, int x)
{
    const GradeContext ctx = contextFor(rule == Rule::Evening || rule == Rule::EveningYearOnly);
    ExamGrid g = emptyGrid();
    g.at(ColCode, 1) = "D";
    g.at(ColYear, 1) = tenthsText(j);
    if (!yearOnly(rule))
        g.at(ColWritten, 1) = tenthsText(s);
    if (x > 0)
        g.at((rule == Rule::Comm || rule == Rule::CommYearOnly) ? ColComm : ColOral, 1) = tenthsText(x);
    RecalcExamRow(g, 1, ctx);
    return g.at(ColFinal, 1);
}

// The classic search with the unrounded formula, in exact rational
// arithmetic: E(x) scaled by 8000 so every value is an integer; tie tells
// whether a visited mark met an exact tie of Round(E + 0.01).
struct FormulaBounds {
    int cur = 0, lower = 0, upper = 0;
    bool tie = false;
};

int64_t formula8000(Rule rule, int j, int s, int x)
{
    switch (rule) {
    case Rule::Oral: return 100LL * (3 * s + x) + 400LL * j;
    case Rule::Comm: return 80LL * (2 * x + 3 * s) + 400LL * j;
    case Rule::Evening: return 200LL * (x + s) + 400LL * j;
    default: return 400LL * (j + x);
    }
}

int roundFormula(int64_t e8000, bool& tie)
{
    const int64_t v = e8000 + 80; // + 0.01
    int64_t q = v >= 0 ? v / 8000 : -((-v + 7999) / 8000);
    const int64_t rest = v - q * 8000;
    tie = tie || rest == 4000;
    if (rest > 4000 || (rest == 4000 && q % 2 != 0))
        ++q;
    return static_cast<int>(q);
}

FormulaBounds classicSearch(Rule rule, int j, int s)
{
    FormulaBounds r;
    r.cur = yearOnly(rule) ? roundFormula(800LL * j, r.tie) : roundFormula(400LL * (j + s), r.tie);
    // Lower: down from the larger of S and J (from J itself, tested first,
    // for the year mark alone) until the grade falls below the current one.
    int x = yearOnly(rule) ? j + 1 : std::max(s, j);
    while (roundFormula(formula8000(rule, j, s, --x), r.tie) >= r.cur) {
    }
    r.lower = std::max(x + 1, 10);
    x = yearOnly(rule) ? j : std::min(s, j);
    while (roundFormula(formula8000(rule, j, s, ++x), r.tie) <= r.cur) {
    }
    r.upper = std::min(x - 1, 60);
    return r;
}

} // namespace

// Every written mark and year mark from 1.0 to 6.0, every rule: each bound
// range is exactly the set of marks from 1.0 to 6.0 that give the current
// final grade in the exam grid, the current grade is the grid's final grade
// without the exam, and away from exact ties (which occur only with the
// 3 : 2 communication weights) the bounds are those of the classic formulas.
TEST(BoundaryGrades, SweepAgreesWithTheGradeArithmeticAndTheFormulas)
{
    int checked = 0;
    int compared = 0;
    int ties = 0;
    for (Rule rule : {Rule::Oral, Rule::Comm, Rule::CommYearOnly, Rule::Evening, Rule::EveningYearOnly}) {
        for (int j = 10; j <= 60; ++j) {
            for (int s = 10; s <= 60; ++s) {
                const BoundaryGrades b = boundsFor(rule, tenthsText(j), tenthsText(s));
                SCOPED_TRACE(testing::Message() << "rule " << int(rule) << " J " << j << " S " << s);
                const QString current = QStringLiteral(" ") + b.current;
                ASSERT_EQ(current, endnoteInGrid(rule, j, s, 0));
                const int lower = boundTenths(b.lower);
                const int upper = boundTenths(b.upper);
                ASSERT_LE(lower, upper);
                for (int x = 10; x <= 60; ++x, ++checked)
                    ASSERT_EQ(endnoteInGrid(rule, j, s, x) == current, x >= lower && x <= upper) << "x " << x;
                // Each bound is a real edge: the next tenth beyond it changes the grade.
                if (lower > 10) {
                    ASSERT_NE(endnoteInGrid(rule, j, s, lower - 1), current);
                }
                if (upper < 60) {
                    ASSERT_NE(endnoteInGrid(rule, j, s, upper + 1), current);
                }
                const FormulaBounds f = classicSearch(rule, j, s);
                if (f.tie) {
                    ++ties;
                    EXPECT_EQ(rule, Rule::Comm);
                    continue;
                }
                ASSERT_EQ(b.current, QString::number(f.cur));
                ASSERT_EQ(lower, f.lower);
                ASSERT_EQ(upper, f.upper);
                ++compared;
            }
        }
    }
    EXPECT_EQ(checked, 5 * 51 * 51 * 51);
    EXPECT_GT(ties, 0);
    EXPECT_GT(compared, 5 * 51 * 51 * 9 / 10);
}
