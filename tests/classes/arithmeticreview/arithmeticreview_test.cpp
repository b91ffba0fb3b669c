// Second, independent set of grade-arithmetic cases: every expected value
// below was worked out by hand from the grading rules (weights 3 : 2 : 1 or
// 1 : 1 : 1, averages cut to one decimal, whole grades rounded), not taken
// from the program's output.
#include "classes/arithmetic.h"
#include "grades/cellrules.h"
#include "grades/examsheet.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace hsa;

namespace hsa {
void PrintTo(const BoundaryGrades& b, std::ostream* os)
{
    *os << "{" << b.current.toStdString() << " | " << b.lower.toStdString() << " | "
        << b.upper.toStdString() << "}";
}
} // namespace hsa

namespace {

// Subject codes of a class-10 level: rows 1 to 19.
const char* const kCodes[20] = {"",  "R",   "Eth", "D",    "Ek",  "G/Gk", "E", "M",   "Ph",  "Bio/Ch",
                                "Sp", "Mu", "BK",  "Präs", "Te",  "MSG",  "Proj", "F", "Inf", "Prof"};

GradeContext ctxFor(const char* classFile = "xa-23242.dbf", bool evening = false)
{
    GradeContext ctx;
    ctx.classFileName = QString::fromUtf8(classFile);
    ctx.eveningSchoolMode = evening;
    for (int r = 0; r < 20; ++r)
        ctx.shortCodes[r] = QString::fromUtf8(kCodes[r]);
    return ctx;
}

// A grid as a secretary's sheet holds it before any mark: codes, "- " in the
// mark and computed cells, weight "1".
ExamGrid blankGrid(const GradeContext& ctx)
{
    ExamGrid g;
    for (int r = 1; r <= 19; ++r) {
        g.at(ColCode, r) = ctx.shortCodes[r];
        for (int c = 1; c <= 7; ++c)
            g.at(c, r) = QStringLiteral("- ");
        g.at(ColWeight, r) = QStringLiteral("1");
    }
    return g;
}

struct RowCase {
    const char* code;
    const char* w;
    const char* c;
    const char* o;
    const char* y;
    const char* exam;
    const char* schnitt;
    const char* endnote;
};

void checkRows(const RowCase* cases, size_t count, bool evening)
{
    for (size_t i = 0; i < count; ++i) {
        const RowCase& k = cases[i];
        GradeContext ctx = ctxFor("xa-23242.dbf", evening);
        ExamGrid g = blankGrid(ctx);
        int row = 1;
        for (int r = 1; r <= 19; ++r)
            if (ctx.shortCodes[r] == QString::fromUtf8(k.code))
                row = r;
        g.at(ColWritten, row) = QString::fromUtf8(k.w);
        g.at(ColComm, row) = QString::fromUtf8(k.c);
        g.at(ColOral, row) = QString::fromUtf8(k.o);
        g.at(ColYear, row) = QString::fromUtf8(k.y);
        GradeList list{};
        RecalcExamGrid(g, ctx, list);
        SCOPED_TRACE(testing::Message() << (evening ? "evening " : "day ") << k.code << " [" << k.w << "|"
                                        << k.c << "|" << k.o << "|" << k.y << "]");
        EXPECT_EQ(g.at(ColExamResult, row), QString::fromUtf8(k.exam));
        EXPECT_EQ(g.at(ColAverage, row), QString::fromUtf8(k.schnitt));
        EXPECT_EQ(g.at(ColFinal, row), QString::fromUtf8(k.endnote));
    }
}

} // namespace

TEST(ReviewPartWeights, ColumnsOutsideTheExamParts)
{
    for (int c : {-1, 0, 4, 5, 6, 7, 8, 9, 20}) {
        EXPECT_EQ(GetExamPartWeight(c, false), 1) << c;
        EXPECT_EQ(GetExamPartWeight(c, true), 1) << c;
    }
}

TEST(ReviewExamRows, DaySchoolWeights)
{
    const RowCase cases[] = {
        // (3*2.0 + 1.0) / 4 = 1.75 -> 1.7; (1.7 + 2.0) / 2 = 1.85 -> 1.8; Round(1.85) = 2.
        {"D", "2.0", "- ", "1.0", "2.0", "1.7", "1.8", " 2"},
        // (2*2.0 + 5.0) / 3 = 3.0; (3.0 + 3.9) / 2 = 3.45 -> 3.4 -> 3.
        {"E", "- ", "2.0", "5.0", "3.9", "3.0", "3.4", " 3"},
        // (3*1.0 + 2*2.0 + 4.0) / 6 = 1.83 -> 1.8; no year mark: Schnitt 1.8 -> 2.
        {"M", "1.0", "2.0", "4.0", "- ", "1.8", "1.8", " 2"},
        // (4.7 + 4.4) / 2 = 4.55 -> 4.5; Round(4.55) = 5.
        {"D", "4.7", "- ", "- ", "4.4", "4.7", "4.5", " 5"},
        // A Schnitt is cut before it is rounded: (3.4 + 3.5) / 2 = 3.45 -> 3.4 -> 3.
        {"D", "3.4", "- ", "- ", "3.5", "3.4", "3.4", " 3"},
        {"D", "2.5", "- ", "- ", "2.6", "2.5", "2.5", " 3"},
        // The exam performance is cut before the Schnitt: 14.9 / 6 = 2.483 -> 2.4,
        // (2.4 + 2.5) / 2 = 2.45 -> 2.4 -> 2 (the uncut 2.483 would give 3).
        {"D", "2.5", "2.5", "2.4", "2.5", "2.4", "2.4", " 2"},
        // A starred communication mark still counts: (3*3.0 + 2*2.0) / 5 = 2.6.
        {"E", "3.0", "2.0*", "- ", "- ", "2.6", "2.6", " 3"},
        // Commas: (3*2.3 + 1.7) / 4 = 2.15 -> 2.1; (2.1 + 2.0) / 2 = 2.05 -> 2.0.
        {"D", "2,3", "- ", "1,7", "2,0", "2.1", "2.0", " 2"},
        // (3*6.0 + 2*1.0) / 5 = 4.0; (4.0 + 5.0) / 2 = 4.5 -> 5.
        {"E", "6.0", "1.0", "- ", "5.0", "4.0", "4.5", " 5"},
        // Trailing blanks and a minus year mark read as plain marks.
        {"D", "3.0 ", "- ", "- ", "4.0 ", "3.0", "3.5", " 4"},
        {"D", "2.0", "- ", "- ", "2.0-", "2.0", "2.0", " 2"},
        // Uncomputable parts: "??" wherever they reach.
        {"D", "2.0", "- ", "- ", "??", "2.0", "??", "??"},
        {"D", "2.0", "- ", "?", "2.0", "??", "??", "??"},
        {"D", "- ", "- ", "P", "2.0", "??", "??", "??"},
        {"D", "- ", "- ", "- ", "P", " - ", "??", "??"},
    };
    checkRows(cases, std::size(cases), false);
}

TEST(ReviewExamRows, EveningSchoolWeights)
{
    const RowCase cases[] = {
        // (2.0 + 1.0) / 2 = 1.5; (1.5 + 2.0) / 2 = 1.75 -> 1.7 -> 2.
        {"D", "2.0", "- ", "1.0", "2.0", "1.5", "1.7", " 2"},
        // (2.0 + 5.0) / 2 = 3.5; (3.5 + 3.9) / 2 = 3.7 -> 4.
        {"E", "- ", "2.0", "5.0", "3.9", "3.5", "3.7", " 4"},
        // (1.0 + 2.0 + 4.0) / 3 = 2.33 -> 2.3.
        {"M", "1.0", "2.0", "4.0", "- ", "2.3", "2.3", " 2"},
        // (6.0 + 1.0) / 2 = 3.5; (3.5 + 5.0) / 2 = 4.25 -> 4.2 -> 4.
        {"E", "6.0", "1.0", "- ", "5.0", "3.5", "4.2", " 4"},
        // The presentation: (2.0 + 1.0 + 3.0) / 3 = 2.0.
        {"Präs", "2.0", "- ", "1.0", "3.0", "-", "2.0", " 2"},
    };
    checkRows(cases, std::size(cases), true);
}

TEST(ReviewExamRows, SchnittAndEndnoteAtTheHalves)
{
    // A subject without an exam: the Schnitt is the year mark, the Endnote
    // the year mark rounded, a half upwards.
    const RowCase cases[] = {
        {"R", "- ", "- ", "- ", "1.0", " - ", "1.0", " 1"}, {"R", "- ", "- ", "- ", "1.4", " - ", "1.4", " 1"},
        {"R", "- ", "- ", "- ", "2.4", " - ", "2.4", " 2"}, {"R", "- ", "- ", "- ", "2.5", " - ", "2.5", " 3"},
        {"R", "- ", "- ", "- ", "4.5", " - ", "4.5", " 5"}, {"R", "- ", "- ", "- ", "5.4", " - ", "5.4", " 5"},
        {"R", "- ", "- ", "- ", "5.5", " - ", "5.5", " 6"}, {"R", "- ", "- ", "- ", "6.0", " - ", "6.0", " 6"},
        // A file value below 1: it counts, but its Endnote rounds to 0 and shows " - ".
        {"R", "- ", "- ", "- ", "0.4", " - ", "0.4", " - "},
    };
    checkRows(cases, std::size(cases), false);
}

TEST(ReviewExamRows, PresentationRow)
{
    const RowCase cases[] = {
        // (3*2.0 + 1.0 + 3.0) / 5 = 2.0: no exam performance of its own.
        {"Präs", "2.0", "- ", "1.0", "3.0", "-", "2.0", " 2"},
        // (2*3.0 + 1.0) / 3 = 2.33 -> 2.3.
        {"Präs", "- ", "3.0", "- ", "1.0", "-", "2.3", " 2"},
        {"Präs", "- ", "- ", "- ", "4.6", "-", "4.6", " 5"},
        {"Präs", "- ", "- ", "- ", "- ", "-", " - ", " - "},
        {"Präs", "2.0", "- ", "- ", "??", "-", "??", "??"},
        // (3*5.0 + 2*4.0 + 6.0 + 1.0) / 7 = 30 / 7 = 4.29 -> 4.2 -> 4.
        {"Präs", "5.0", "4.0", "6.0", "1.0", "-", "4.2", " 4"},
    };
    checkRows(cases, std::size(cases), false);
}

namespace {

struct ListCase {
    const char* classFile;
    const char* code;
    const char* w;
    const char* c;
    const char* o;
    const char* y;
    const char* text;
};

} // namespace

TEST(ReviewGradeList, StarsMinusesAndPending)
{
    const ListCase cases[] = {
        // Communication alone makes an exam subject: 2.0, (2.0 + 3.0) / 2 = 2.5 -> 3.
        {"xa-23242.dbf", "E", "- ", "2.0", "- ", "3.0", "3*"},
        // A starred oral mark keeps the star off: (3 + 2) / 4 = 1.25 -> 1.2; 1.1 -> 1.
        {"xa-23242.dbf", "D", "1.0", "- ", "2.0*", "1.0", "1"},
        {"xa-23242.dbf", "D", "- ", "- ", "- ", "4.0", "4"},
        {"xa-23242.dbf", "D", "P", "- ", "- ", "4.0", "??"},
        // Class 9: English or French with a minus year mark shows "-", even
        // when the communication exam is still pending or has been taken.
        {"9a-23242.dbf", "E", "- ", "P", "- ", "3.0-", "-"},
        {"9a-23242.dbf", "E", "- ", "4.0", "- ", "5.0-", "-"},
        {"9a-23242.dbf", "F", "- ", "- ", "- ", "2.0", "2"},
        {"9a-23242.dbf", "F", "- ", "- ", "- ", "-", "   "},
        // Only the level digit 9 at the front counts, and only E and F.
        {"xa-23242.dbf", "F", "- ", "- ", "- ", "2.0-", "2"},
        {"ya-23249.dbf", "E", "- ", "- ", "- ", "3.0-", "3"},
        {"9a-23242.dbf", "D", "- ", "- ", "- ", "3.0-", "3"},
        // The presentation row never carries a star: it has no exam performance.
        {"xa-23242.dbf", "Präs", "2.0", "- ", "- ", "2.0", "2"},
    };
    for (const ListCase& k : cases) {
        GradeContext ctx = ctxFor(k.classFile);
        ExamGrid g = blankGrid(ctx);
        int row = 0;
        for (int r = 1; r <= 19; ++r)
            if (ctx.shortCodes[r] == QString::fromUtf8(k.code))
                row = r;
        ASSERT_GT(row, 0);
        g.at(ColWritten, row) = QString::fromUtf8(k.w);
        g.at(ColComm, row) = QString::fromUtf8(k.c);
        g.at(ColOral, row) = QString::fromUtf8(k.o);
        g.at(ColYear, row) = QString::fromUtf8(k.y);
        GradeList list{};
        RecalcExamGrid(g, ctx, list);
        EXPECT_EQ(list[row + 1], QString::fromUtf8(k.text))
            << k.classFile << " " << k.code << " [" << k.w << "|" << k.c << "|" << k.o << "|" << k.y << "]";
        // Every other subject row is empty.
        for (int r = 1; r <= 19; ++r)
            if (r != row) {
                EXPECT_EQ(list[r + 1], "   ") << r;
            }
    }
}

namespace {

// A grid whose Endnotes are given for rows 1, 2, ... with the weight cells
// given alongside ("" for an empty cell) and the class-10 codes.
ExamGrid finals(std::initializer_list<const char*> endnotes, std::initializer_list<const char*> weights = {})
{
    ExamGrid g;
    for (int r = 1; r <= 19; ++r) {
        g.at(ColFinal, r) = QStringLiteral(" - ");
        g.at(ColWeight, r) = QString();
    }
    int r = 1;
    for (const char* e : endnotes)
        g.at(ColFinal, r++) = QString::fromUtf8(e);
    r = 1;
    for (const char* w : weights)
        g.at(ColWeight, r++) = QString::fromUtf8(w);
    return g;
}

QString gs(const ExamGrid& g, const char* codeString, bool msgCounts = true)
{
    GradeContext ctx;
    ctx.subjectCodeString = QString::fromUtf8(codeString);
    ctx.msgGradeCounts = msgCounts;
    return ComputeGesamtschnitt(g, 1, 19, ctx);
}

} // namespace

TEST(ReviewGesamtschnitt, GroupsWeightsAndCutting)
{
    // Group members with weight cell "0" still take part in their group.
    EXPECT_EQ(gs(finals({" 4", " 2"}, {"0", "0"}), "aa"), "2.0");
    // Group b without any Endnote adds nothing.
    EXPECT_EQ(gs(finals({" 3", " - ", " - ", " - "}), "aabb"), "3.0");
    // One pending member of a group makes the whole average pending.
    EXPECT_EQ(gs(finals({" 2", "??"}), "1a"), "??");
    // Group letters are lower case; "A" is just a weight of 0.
    EXPECT_EQ(gs(finals({" 1", " 5"}), "1A"), "1.0");
    // A digit 3: (1 + 3*4) / 4 = 3.25 -> 3.2.
    EXPECT_EQ(gs(finals({" 1", " 4"}), "13"), "3.2");
    // A digit 0 removes a subject.
    EXPECT_EQ(gs(finals({" 1", " 3"}), "01"), "3.0");
    // A weight cell "2 " (as a file may hold it) doubles: (2*1 + 4) / 3 = 2.0.
    EXPECT_EQ(gs(finals({" 1", " 4"}, {"2 ", ""}), "11"), "2.0");
    // Cut, not rounded: 5 / 3 = 1.67 -> 1.6; 11 / 7 = 1.57 -> 1.5.
    EXPECT_EQ(gs(finals({" 1", " 2", " 2"}), "111"), "1.6");
    EXPECT_EQ(gs(finals({" 1", " 1", " 1", " 2", " 2", " 2", " 2"}), "1111111"), "1.5");
    // A digit weight with a group: (2*1 + 3) / 3 = 1.67 -> 1.6.
    EXPECT_EQ(gs(finals({" 1", " 3"}), "2a"), "1.6");
    // Three groups of one each: (6 + 5 + 4) / 3 = 5.0.
    EXPECT_EQ(gs(finals({" 6", " 5", " 4"}), "abc"), "5.0");
    // Each group counts once with weight 1 beside the members' own weight
    // cells: 1 + 3 (row weights) + 1 (best of a) = 5 / 3 = 1.67 -> 1.6.
    EXPECT_EQ(gs(finals({" 1", " 3"}, {"1", "1"}), "aa"), "1.6");
}

TEST(ReviewGesamtschnitt, ShortCodesAndRanges)
{
    // "Prof" anywhere in the code excludes it, unless the weight cell is positive.
    ExamGrid g = finals({" 1", " 5"});
    g.at(ColCode, 2) = "Profil";
    EXPECT_EQ(gs(g, "11"), "1.0");
    g.at(ColWeight, 2) = "1";
    EXPECT_EQ(gs(g, "11"), "3.0");
    // "MSG" anywhere in the code, only when the switch says it does not count.
    g = finals({" 1", " 5"});
    g.at(ColCode, 2) = "MSG1";
    EXPECT_EQ(gs(g, "11"), "3.0");
    EXPECT_EQ(gs(g, "11", false), "1.0");
    // The code-string character belongs to the absolute row: rows 2 and 3 of "121".
    GradeContext ctx;
    ctx.subjectCodeString = "121";
    g = finals({" 1", " 2", " 5"});
    EXPECT_EQ(ComputeGesamtschnitt(g, 2, 3, ctx), "3.0"); // (2*2 + 5) / 3
    EXPECT_EQ(ComputeGesamtschnitt(g, 3, 3, ctx), "5.0");
    EXPECT_EQ(ComputeGesamtschnitt(g, 4, 19, ctx), " - ");
}

TEST(ReviewGesamtschnitt, WholeSheetWithPresets)
{
    // A class-10 sheet as the grade window leaves it: preset weight cells
    // ("0" for "Inf" and "Prof"), marks typed through the cell rules.
    GradeContext ctx = ctxFor("xa-23242.dbf");
    ctx.writtenExamRows = {0, 0, 0, 0};
    ctx.msgGradeCounts = false;
    ExamSheet s = PresetExamSheet(ctx);
    struct Typed {
        int row;
        int column;
        const char* text;
    };
    const Typed typed[] = {
        {1, 5, "2"},                                  // R   2.0 -> 2
        {3, 1, "25"},  {3, 3, "3"},  {3, 5, "2,7"},   // D   (7.5 + 3) / 4 = 2.6, 2.65 -> 2.6 -> 3
        {6, 2, "2"},   {6, 5, "3-"},                  // E   2.0, 2.5 -> 3
        {7, 1, "4"},   {7, 5, "36"},                  // M   4.0, 3.8 -> 4
        {13, 1, "2"},  {13, 3, "1"}, {13, 5, "3"},    // Präs (6 + 1 + 3) / 5 = 2.0 -> 2
        {15, 5, "1"},                                 // MSG 1 (switch off, but weight cell 1)
        {16, 1, "1"},                                 // Proj 1.0 -> 1
        {18, 5, "1"},                                 // Inf 1, weight 0
        {19, 5, "1"},                                 // Prof 1, weight 0
    };
    for (const Typed& t : typed)
        ASSERT_TRUE(CommitExamCell(s.grid, t.column, t.row, QString::fromUtf8(t.text), ctx));
    EXPECT_EQ(s.grid.at(ColWeight, 18), "0");
    EXPECT_EQ(s.grid.at(ColWeight, 19), "0");
    EXPECT_EQ(s.grid.at(ColFinal, 3), " 3");
    EXPECT_EQ(s.grid.at(ColFinal, 13), " 2");
    // Counting: R 2, D 3, E 3, M 4, Präs 2, MSG 1, Proj 1 = 16 / 7 = 2.29 -> 2.2.
    EXPECT_EQ(ComputeGesamtschnitt(s.grid, 1, 19, ctx), "2.2");
    s.resultIndex = 1;
    EXPECT_EQ(s.gesamtschnittLabel(ctx), "Gesamtschnitt: 2.2");
    s.resultIndex = 3;
    EXPECT_EQ(s.gesamtschnittLabel(ctx), "");
    // The MSG weight cell set to 0: 15 / 6 = 2.5.
    ASSERT_TRUE(CommitExamCell(s.grid, ColWeight, 15, "0", ctx));
    EXPECT_EQ(ComputeGesamtschnitt(s.grid, 1, 19, ctx), "2.5");
    // Doubling German: 18 / 7 = 2.57 -> 2.5.
    ASSERT_TRUE(CommitExamCell(s.grid, ColWeight, 3, "2", ctx));
    EXPECT_EQ(ComputeGesamtschnitt(s.grid, 1, 19, ctx), "2.5");
    // A pending mark anywhere: "??".
    ASSERT_TRUE(CommitExamCell(s.grid, ColOral, 7, "p", ctx));
    EXPECT_EQ(s.grid.at(ColFinal, 7), "??");
    EXPECT_EQ(ComputeGesamtschnitt(s.grid, 1, 19, ctx), "??");

    const GradeList list = s.gradeList(ctx);
    EXPECT_EQ(list[2], "2");
    EXPECT_EQ(list[4], "3*");
    EXPECT_EQ(list[7], "3*");
    EXPECT_EQ(list[8], "??");
    EXPECT_EQ(list[14], "2");
    EXPECT_EQ(list[17], "1*");
    EXPECT_EQ(GetProjectGrade(s.grid), "1");
}

namespace {

QString rowAvg(const QStringList& cells, const char* codeString, int last = 20)
{
    GradeContext ctx;
    ctx.subjectCodeString = QString::fromUtf8(codeString);
    QStringList row{"Name", "Vorname"};
    row += cells;
    return ComputeRowAverage(row, 2, last, ctx);
}

} // namespace

TEST(ReviewRowAverage, TableRows)
{
    // Groups b and c once each: (2 + 4 + 5) / 3 = 3.67 -> 3.6.
    EXPECT_EQ(rowAvg({"2", "4", "5"}, "1bc"), "3.6");
    EXPECT_EQ(rowAvg({"1", "2", "2"}, "111"), "1.6");
    EXPECT_EQ(rowAvg({"1*", "3"}, "01"), "3.0");
    EXPECT_EQ(rowAvg({"3", "2*"}, "aa"), "2.0");
    // Class-9 "-" and empty slots are no grades.
    EXPECT_EQ(rowAvg({"-", "   ", "4*", "2"}, "1111"), "3.0");
    // Only the columns asked for are read.
    EXPECT_EQ(rowAvg({"2", "3", "??"}, "111", 3), "2.5");
    EXPECT_EQ(rowAvg({"2", "3", "??"}, "111", 4), "??");
}

TEST(ReviewColumnAverage, PlainMeansWithComma)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    struct Case {
        QStringList cells;
        const char* mean;
    };
    const Case cases[] = {
        {{"1", "2", "2"}, "1,6"},              // 1.67 cut
        {{"2", "3", "3"}, "2,6"},              // 2.67 cut
        {{"3", "4"}, "3,5"},
        {{"6"}, "6"},
        {{"1", "1", "1", "2"}, "1,2"},         // 1.25
        {{"5*", "6"}, "5,5"},
        {{"2", "-", "   ", "??", "3*"}, "2,5"},
        {{"4", "4", "5"}, "4,3"},
        {{"1", "1", "1", "1", "1", "1", "1", "1", "1", "2"}, "1,1"},
        {{"-", "   "}, ""},
    };
    for (const Case& k : cases) {
        QStringList column{"Kopf"};
        column += k.cells;
        EXPECT_EQ(ComputeColumnAverage(column, 1, 40), QString::fromUtf8(k.mean)) << k.cells.join('|').toStdString();
    }
    QLocale::setDefault(saved);
}

TEST(ReviewProjectGrade, FromTheRecomputedRow)
{
    GradeContext ctx = ctxFor();
    ExamGrid g = blankGrid(ctx);
    g.at(ColWritten, 16) = "2.6";
    RecalcExamGrid(g, ctx);
    EXPECT_EQ(g.at(ColFinal, 16), " 3");
    EXPECT_EQ(GetProjectGrade(g), "3");
    // With two rows "Proj" the later one is reported.
    g.at(ColCode, 19) = "Proj";
    g.at(ColYear, 19) = "5.0";
    RecalcExamGrid(g, ctx);
    EXPECT_EQ(GetProjectGrade(g), "5");
    g.at(ColYear, 19) = "- ";
    RecalcExamGrid(g, ctx);
    EXPECT_EQ(GetProjectGrade(g), "-");
}

TEST(ReviewBoundaryGrades, WorkedByHand)
{
    GradeContext day;
    GradeContext evening;
    evening.eveningSchoolMode = true;
    using B = BoundaryGrades;
    // Oral, S 2.0, J 2.0: ((6 + x) / 4 + 2) / 2 reaches 2.5 only at x = 6.0.
    EXPECT_EQ(ComputeGrenznotenOral("D", "2.0", "2.0", day), (B{"2", "1,0", "5,9"}));
    // Communication: ((2x + 6) / 5 + 2) / 2 reaches 2.5 at x = 4.5.
    EXPECT_EQ(ComputeGrenznotenComm("E", "2.0", "2.0", "- ", day), (B{"2", "1,0", "4,4"}));
    // Evening 1 : 1: ((x + 2) / 2 + 2) / 2 reaches 2.5 at x = 4.0.
    EXPECT_EQ(ComputeGrenznotenEvening("2.0", "2.0"), (B{"2", "1,0", "3,9"}));
    // Oral S 5.0, J 5.0: every mark keeps the 5.
    EXPECT_EQ(ComputeGrenznotenOral("D", "5.0", "5.0", day), (B{"5", "1,0", "6,0"}));
    // Communication S 4.0, J 3.0: cur Round(3.51) = 4, which needs x >= 4.0.
    EXPECT_EQ(ComputeGrenznotenComm("E", "3.0", "4.0", "- ", day), (B{"4", "4,0", "6,0"}));
    // Year mark alone, J 2.4: (2.4 + x) / 2 stays below 2.5 up to x = 2.5.
    EXPECT_EQ(ComputeGrenznotenComm("E", "2.4", "", "- ", day), (B{"2", "1,0", "2,5"}));
    EXPECT_EQ(ComputeGrenznotenEvening("4.5", "-"), (B{"5", "4,5", "6,0"}));
    // Commas and a minus year mark read as marks.
    EXPECT_EQ(ComputeGrenznotenOral("D", "3,0-", "3,4", day), (B{"3", "1,0", "5,7"}));
    EXPECT_EQ(ComputeGrenznotenComm("E", "3,6", "4,0 ", "- ", day), (B{"4", "2,5", "6,0"}));
}

TEST(ReviewBoundaryGrades, EveningSchoolEverywhere)
{
    GradeContext day;
    GradeContext evening;
    evening.eveningSchoolMode = true;
    using B = BoundaryGrades;
    // The oral rule hands over to the evening rule, which also bounds a
    // subject without a written mark from the year mark alone.
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.0", "", evening), (B{"3", "2,0", "3,9"}));
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.0", "P", evening), (B{"3", "2,0", "3,9"}));
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.0", "", day), (B{"", "--", "--"}));
    // In the evening school the communication exam weighs like the written
    // one, in the grid and therefore in its bounds: the 1 : 1 result.
    EXPECT_EQ(ComputeGrenznotenComm("E", "2.0", "2.0", "- ", evening), (B{"2", "1,0", "3,9"}));
    EXPECT_EQ(FinalGradeForMarks(2.0, 3.9, 0, 2.0, true), 2);
    EXPECT_EQ(FinalGradeForMarks(2.0, 4.0, 0, 2.0, true), 3);
    // No year mark: empty bounds, and the current grade the caller holds stays.
    for (const char* year : {"0", "", "- "}) {
        EXPECT_EQ(ComputeGrenznotenEvening(year, "2.0", "3"), (B{"3", "", ""})) << year;
        EXPECT_EQ(ComputeGrenznotenOral("D", year, "2.0", evening, "3"), (B{"3", "", ""})) << year;
    }
}
