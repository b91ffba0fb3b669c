#include "classes/arithmetic.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace hsa;

namespace {

// A grid with every subject row empty ("- ") and weight "1", as the presets
// leave it, and no short codes.
ExamGrid emptyGrid()
{
    ExamGrid g;
    for (int r = 1; r <= 19; ++r) {
        for (int c = 1; c <= 7; ++c)
            g.at(c, r) = QStringLiteral("- ");
        g.at(ColWeight, r) = QStringLiteral("1");
    }
    return g;
}

struct Marks {
    const char* written;
    const char* comm;
    const char* oral;
    const char* year;
};

// Row 1 of an empty grid with these marks, recomputed.
ExamGrid rowWith(const Marks& m, const GradeContext& ctx, const char* code = "D")
{
    ExamGrid g = emptyGrid();
    g.at(ColCode, 1) = QString::fromUtf8(code);
    g.at(ColWritten, 1) = QString::fromUtf8(m.written);
    g.at(ColComm, 1) = QString::fromUtf8(m.comm);
    g.at(ColOral, 1) = QString::fromUtf8(m.oral);
    g.at(ColYear, 1) = QString::fromUtf8(m.year);
    RecalcExamRow(g, 1, ctx);
    return g;
}

// A grid whose Endnote column holds the given texts in rows 1, 2, ...; every
// weight cell set to weightCell.
ExamGrid endnotes(std::initializer_list<const char*> grades, const char* weightCell = "")
{
    ExamGrid g = emptyGrid();
    int r = 1;
    for (const char* e : grades)
        g.at(ColFinal, r++) = QString::fromUtf8(e);
    for (int row = 1; row <= 19; ++row)
        g.at(ColWeight, row) = QString::fromUtf8(weightCell);
    return g;
}

} // namespace

namespace hsa {
void PrintTo(const BoundaryGrades& b, std::ostream* os)
{
    *os << "{" << b.current.toStdString() << " | " << b.lower.toStdString() << " | "
        << b.upper.toStdString() << "}";
}
} // namespace hsa

namespace {

QString tenthsText(int tenths) { return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10); }

} // namespace

TEST(ExamPartWeight, DayAndEveningSchool)
{
    const int day[] = {1, 3, 2, 1, 1, 1, 1, 1, 1};
    for (int c = 0; c < 9; ++c) {
        EXPECT_EQ(GetExamPartWeight(c, false), day[c]) << c;
        EXPECT_EQ(GetExamPartWeight(c, true), 1) << c;
    }
}

TEST(ExamResult, WeightedMeansOfRows)
{
    GradeContext day;
    GradeContext evening;
    evening.eveningSchoolMode = true;
    struct Case {
        Marks m;
        bool evening;
        const char* exam;
        const char* schnitt;
        const char* endnote;
        const char* code = "D";
    };
    const Case cases[] = {
        // The worked example: (3*2.0 + 2*3.0) / 5 = 2.4, (2.4 + 2.7) / 2 = 2.55 -> 2.5 -> 3.
        {{"2.0", "3.0", "- ", "2.7"}, false, "2.4", "2.5", " 3"},
        // Evening school: (2.0 + 3.0) / 2 = 2.5, (2.5 + 2.7) / 2 = 2.6.
        {{"2.0", "3.0", "- ", "2.7"}, true, "2.5", "2.6", " 3"},
        // No exam: the Schnitt is the year mark, the Endnote the year mark rounded.
        {{"- ", "- ", "- ", "3.5"}, false, " - ", "3.5", " 4"},
        {{"- ", "- ", "- ", "3.4"}, false, " - ", "3.4", " 3"},
        {{"- ", "- ", "- ", "1.5"}, false, " - ", "1.5", " 2"},
        {{"-", "-", "-", "-"}, false, " - ", " - ", " - "},
        // A pending exam makes everything pending.
        {{"P", "- ", "- ", "2.0"}, false, "??", "??", "??"},
        {{"2.0", "P", "- ", "2.0"}, false, "??", "??", "??"},
        {{"2.0", "- ", "?", "2.0"}, false, "??", "??", "??"},
        // Commas, stars, trailing blanks and minus year marks read as grades.
        {{"2,0 ", "3,0", "- ", "2,7"}, false, "2.4", "2.5", " 3"},
        {{"2.0*", "- ", "- ", "3.0-"}, false, "2.0", "2.5", " 3"},
        // Written 3 : oral 1: (3*4.0 + 1.0) / 4 = 3.25 -> 3.2; (3.2 + 3.0) / 2 = 3.1.
        {{"4.0", "- ", "1.0", "3.0"}, false, "3.2", "3.1", " 3"},
        // 3 : 2 : 1: (3*2.3 + 2*2.4 + 1*2.5) / 6 = 14.2 / 6 = 2.366 -> 2.3.
        {{"2.3", "2.4", "2.5", "2.3"}, false, "2.3", "2.3", " 2"},
        // A mean of 2.34 is cut to 2.3, means of 2.3999 and 2.399 give 2.4, 2.39 gives 2.3.
        {{"2.3", "2.4", "- ", "- "}, false, "2.3", "2.3", " 2"},
        {{"2.3999", "- ", "- ", "- "}, false, "2.4", "2.4", " 2"},
        {{"2.399", "- ", "- ", "- "}, false, "2.4", "2.4", " 2"},
        {{"2.39", "- ", "- ", "- "}, false, "2.3", "2.3", " 2"},
        // Values the normalisers would refuse still compute when a file holds them.
        {{"- ", "- ", "- ", "0"}, false, " - ", " - ", " - "},
        {{"6.0", "6.0", "6.0", "6.0"}, false, "6.0", "6.0", " 6"},
        {{"1.0", "1.0", "1.0", "1.0"}, false, "1.0", "1.0", " 1"},
        // (2.0 + 2.9) / 2 = 2.45 -> 2.4 -> 2; (2.0 + 3.0) / 2 = 2.5 -> 3.
        {{"2.0", "- ", "- ", "2.9"}, false, "2.0", "2.4", " 2"},
        {{"2.0", "- ", "- ", "3.0"}, false, "2.0", "2.5", " 3"},
        // (3*2.0 + 1.0) / 4 = 1.75 -> 1.7; (1.7 + 2.0) / 2 = 1.85 -> 1.8 -> 2.
        {{"2.0", "- ", "1.0", "2.0"}, false, "1.7", "1.8", " 2"},
        {{"2.0", "- ", "1.0", "2.0"}, true, "1.5", "1.7", " 2"},
        // (2*2.0 + 5.0) / 3 = 3.0; (3.0 + 3.9) / 2 = 3.45 -> 3.4 -> 3.
        {{"- ", "2.0", "5.0", "3.9"}, false, "3.0", "3.4", " 3"},
        {{"1.0", "2.0", "4.0", "- "}, false, "1.8", "1.8", " 2"},
        {{"1.0", "2.0", "4.0", "- "}, true, "2.3", "2.3", " 2"},
        {{"4.7", "- ", "- ", "4.4"}, false, "4.7", "4.5", " 5"},
        {{"3.4", "- ", "- ", "3.5"}, false, "3.4", "3.4", " 3"},
        // The exam performance is cut before the Schnitt: 14.9 / 6 = 2.483 -> 2.4,
        // (2.4 + 2.5) / 2 = 2.45 -> 2.4 -> 2 (the uncut 2.483 would give 3).
        {{"2.5", "2.5", "2.4", "2.5"}, false, "2.4", "2.4", " 2"},
        {{"3.0", "2.0*", "- ", "- "}, false, "2.6", "2.6", " 3"},
        {{"6.0", "1.0", "- ", "5.0"}, false, "4.0", "4.5", " 5"},
        {{"6.0", "1.0", "- ", "5.0"}, true, "3.5", "4.2", " 4"},
        {{"2.0", "- ", "- ", "??"}, false, "2.0", "??", "??"},
        {{"- ", "- ", "- ", "P"}, false, " - ", "??", "??"},
        {{"- ", "- ", "- ", "2.5"}, false, " - ", "2.5", " 3"},
        {{"- ", "- ", "- ", "5.5"}, false, " - ", "5.5", " 6"},
        // A file value below 1 counts, but its Endnote rounds to 0 and shows " - ".
        {{"- ", "- ", "- ", "0.4"}, false, " - ", "0.4", " - "},
        // The presentation has no exam performance: its marks go into the Schnitt.
        {{"2.0", "- ", "1.0", "3.0"}, false, "-", "2.0", " 2", "Präs"},
        {{"2.0", "- ", "1.0", "3.0"}, true, "-", "2.0", " 2", "Präs"},
        {{"- ", "3.0", "- ", "1.0"}, false, "-", "2.3", " 2", "Präs"},
        {{"- ", "- ", "- ", "- "}, false, "-", " - ", " - ", "Präs"},
        {{"2.0", "- ", "- ", "??"}, false, "-", "??", "??", "Präs"},
    };
    for (const Case& c : cases) {
        const ExamGrid g = rowWith(c.m, c.evening ? evening : day, c.code);
        SCOPED_TRACE(std::string(c.code) + " " + (c.evening ? "evening " : "day ") + c.m.written + "|" + c.m.comm + "|" + c.m.oral + "|" + c.m.year);
        EXPECT_EQ(g.at(ColExamResult, 1), QString::fromUtf8(c.exam));
        EXPECT_EQ(g.at(ColAverage, 1), QString::fromUtf8(c.schnitt));
        EXPECT_EQ(g.at(ColFinal, 1), QString::fromUtf8(c.endnote));
    }
}

TEST(ExamResult, ColumnRangesAndOutsideCells)
{
    GradeContext ctx;
    ExamGrid g = emptyGrid();
    g.at(ColWritten, 2) = "3.0";
    g.at(ColYear, 2) = "1.0";
    EXPECT_EQ(ComputeExamResult(g, 2, 1, 3, ctx), "3.0");
    EXPECT_EQ(ComputeExamResult(g, 2, 1, 5, ctx), "2.5"); // (9 + 1) / 4
    EXPECT_EQ(ComputeExamResult(g, 2, 5, 5, ctx), "1.0");
    EXPECT_EQ(ComputeExamResult(g, 25, 1, 5, ctx), " - ");
    // A mean of ten and more keeps its width: 10.0.
    g.at(ColYear, 3) = "10";
    EXPECT_EQ(ComputeExamResult(g, 3, 5, 5, ctx), "10.0");
}

TEST(ExamResult, PresentationRow)
{
    GradeContext day;
    GradeContext evening;
    evening.eveningSchoolMode = true;
    // (3*2.0 + 2*3.0 + 1.0 + 4.0) / 7 = 17 / 7 = 2.43 -> 2.4 -> 2
    ExamGrid g = rowWith({"2.0", "3.0", "1.0", "4.0"}, day, "Präs");
    EXPECT_EQ(g.at(ColExamResult, 1), "-");
    EXPECT_EQ(g.at(ColAverage, 1), "2.4");
    EXPECT_EQ(g.at(ColFinal, 1), " 2");
    // (2 + 3 + 1 + 4) / 4 = 2.5 -> 3
    g = rowWith({"2.0", "3.0", "1.0", "4.0"}, evening, "Präs");
    EXPECT_EQ(g.at(ColAverage, 1), "2.5");
    EXPECT_EQ(g.at(ColFinal, 1), " 3");
    g = rowWith({"P", "- ", "- ", "4.0"}, day, "Präs");
    EXPECT_EQ(g.at(ColExamResult, 1), "-");
    EXPECT_EQ(g.at(ColFinal, 1), "??");
    // Only the exact code counts.
    g = rowWith({"2.0", "3.0", "1.0", "4.0"}, day, "Präsentation");
    EXPECT_EQ(g.at(ColExamResult, 1), "2.1");
}

TEST(GradeList, StarsMinusesAndBlanks)
{
    GradeContext ctx;
    ctx.classFileName = "9a-23242.dbf";
    GradeContext tenth;
    tenth.classFileName = "xa-23242.dbf";
    GradeContext yClass;
    yClass.classFileName = "ya-23249.dbf";
    struct Case {
        Marks m;
        const char* code;
        const GradeContext* context;
        const char* text;
    };
    const Case cases[] = {
        {{"2.0", "3.0", "- ", "2.7"}, "D", &ctx, "3*"},
        {{"- ", "- ", "- ", "2.7"}, "D", &ctx, "3"},
        {{"- ", "- ", "- ", "- "}, "D", &ctx, "   "},
        {{"P", "- ", "- ", "2.7"}, "D", &ctx, "??"},
        // A starred communication or oral cell keeps the star off.
        {{"2.0", "3.0*", "- ", "2.7"}, "E", &tenth, "3"},
        {{"2.0", "- ", "2.0*", "2.7"}, "D", &ctx, "2"},
        // A starred written cell does not.
        {{"2.0*", "- ", "- ", "2.7"}, "D", &ctx, "2*"},
        // Class 9: English or French with a minus year mark shows "-".
        {{"- ", "- ", "- ", "3.0-"}, "E", &ctx, "-"},
        {{"2.0", "3.0", "- ", "3.0-"}, "F", &ctx, "-"},
        {{"- ", "- ", "- ", "3.0-"}, "D", &ctx, "3"},
        {{"- ", "- ", "- ", "3.0-"}, "E", &tenth, "3"},
        {{"- ", "- ", "- ", "-"}, "E", &ctx, "   "},
        {{"- ", "P", "- ", "3.0-"}, "E", &ctx, "-"},
        {{"- ", "- ", "- ", "3.0-"}, "E", &yClass, "3"},
        {{"- ", "- ", "- ", "2.0-"}, "F", &tenth, "2"},
        // Communication alone makes an exam subject: 2.0, (2.0 + 3.0) / 2 = 2.5 -> 3.
        {{"- ", "2.0", "- ", "3.0"}, "E", &tenth, "3*"},
        // The presentation has no exam performance: no star.
        {{"2.0", "3.0", "1.0", "4.0"}, "Präs", &ctx, "2"},
    };
    for (const Case& c : cases) {
        const ExamGrid g = rowWith(c.m, *c.context, c.code);
        EXPECT_EQ(GradeListText(g, 1, *c.context), QString::fromUtf8(c.text))
            << c.code << " " << c.m.written << "|" << c.m.comm << "|" << c.m.oral << "|" << c.m.year;
    }
}

TEST(GradeList, WholeGridFillsRowsTwoToTwenty)
{
    GradeContext ctx;
    ExamGrid g = emptyGrid();
    g.at(ColYear, 1) = "2.0";
    g.at(ColYear, 19) = "4.5";
    g.at(ColWritten, 5) = "1.0";
    g.at(ColYear, 5) = "2.0";
    GradeList list{};
    list[0] = "2";
    list[1] = "3";
    RecalcExamGrid(g, ctx, list);
    EXPECT_EQ(list[0], "2");
    EXPECT_EQ(list[1], "3");
    EXPECT_EQ(list[2], "2");
    EXPECT_EQ(list[6], "2*"); // (1.0 + 2.0) / 2 = 1.5 -> 2
    EXPECT_EQ(list[20], "5");
    EXPECT_EQ(list[3], "   ");
}

TEST(Gesamtschnitt, CodeStringGroupsAndWeightCells)
{
    GradeContext ctx;
    ctx.subjectCodeString = "11a1a";
    // The documented example: weight cells empty.
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" 2", " 3", " 4", " 1", " 3"}), 1, 19, ctx), "2.2");
    // With the preset weight cells "1" every row counts once and the group
    // best besides: (2+3+4+1+3 + 3) / 6 = 2.67 -> 2.6.
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" 2", " 3", " 4", " 1", " 3"}, "1"), 1, 19, ctx), "2.6");
    // "1 " as the file may hold it reads the same.
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" 2", " 3", " 4", " 1", " 3"}, "1 "), 1, 19, ctx), "2.6");

    // Group a with 4 and 2 contributes 2 once.
    ctx.subjectCodeString = "aa";
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" 4", " 2"}), 1, 19, ctx), "2.0");
    // A group without any Endnote adds nothing.
    ctx.subjectCodeString = "1bb";
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" 3", " - ", " - "}), 1, 19, ctx), "3.0");
    // Three groups, each best once: (2 + 1 + 5) / 3 = 2.67 -> 2.6.
    ctx.subjectCodeString = "aabbcc";
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" 3", " 2", " 1", " 4", " 6", " 5"}), 1, 19, ctx), "2.6");

    // A code string shorter than the rows: the rest weigh 0 ...
    ctx.subjectCodeString = "1";
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" 2", " 5", " 5"}), 1, 19, ctx), "2.0");
    // ... unless their weight cell holds a positive number.
    ExamGrid g = endnotes({" 2", " 5", " 5"});
    g.at(ColWeight, 3) = "1";
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "3.5");

    // Weight digits and weight cells.
    ctx.subjectCodeString = "1211";
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" 1", " 4"}), 1, 19, ctx), "3.0"); // (1 + 8) / 3
    g = endnotes({" 1", " 4"});
    g.at(ColWeight, 1) = "2"; // counts twice
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "2.5"); // (2 + 8) / 4
    g.at(ColWeight, 2) = "0"; // removed although its digit is 2
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "1.0");
    g.at(ColWeight, 2) = "0 "; // "0 " reads as weight 0 too: no override
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "1.0");
    g.at(ColWeight, 2) = "-"; // no number: the code digit stays
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "2.5");
    ctx.subjectCodeString = "1x";
    g = endnotes({" 1", " 4"});
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "1.0"); // "x" weighs 0
}

TEST(Gesamtschnitt, GroupsAndWeightCellsTogether)
{
    struct Case {
        std::initializer_list<const char*> endnotes;
        std::initializer_list<const char*> weights;
        const char* codeString;
        const char* expected;
    };
    const Case cases[] = {
        // Group members with weight cell "0" still take part in their group.
        {{" 4", " 2"}, {"0", "0"}, "aa", "2.0"},
        // One pending member of a group makes the whole average pending.
        {{" 2", "??"}, {}, "1a", "??"},
        // Group letters are lower case; "A" is just a weight of 0.
        {{" 1", " 5"}, {}, "1A", "1.0"},
        {{" 1", " 4"}, {}, "13", "3.2"},
        {{" 1", " 3"}, {}, "01", "3.0"},
        // A weight cell "2 " (as a file may hold it) doubles: (2*1 + 4) / 3 = 2.0.
        {{" 1", " 4"}, {"2 ", ""}, "11", "2.0"},
        {{" 1", " 3"}, {}, "2a", "1.6"},
        // Each group counts once beside the members' own weight cells: 5 / 3.
        {{" 1", " 3"}, {"1", "1"}, "aa", "1.6"},
    };
    for (const Case& k : cases) {
        ExamGrid g = endnotes(k.endnotes);
        int r = 1;
        for (const char* w : k.weights)
            g.at(ColWeight, r++) = QString::fromUtf8(w);
        GradeContext ctx;
        ctx.subjectCodeString = QString::fromUtf8(k.codeString);
        EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), QString::fromUtf8(k.expected)) << k.codeString;
    }
}

TEST(Gesamtschnitt, MsgProfileAndPending)
{
    GradeContext ctx;
    ctx.subjectCodeString = "111";
    ExamGrid g = endnotes({" 2", " 4", " 5"});
    g.at(ColCode, 2) = "MSG";
    g.at(ColCode, 3) = "Prof";
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "3.0"); // MSG counts, Prof not
    ctx.msgGradeCounts = false;
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "2.0");
    // A positive weight cell overrides both rules.
    g.at(ColWeight, 2) = "1";
    g.at(ColWeight, 3) = "1";
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "3.6"); // 11 / 3
    // Pending Endnotes.
    g.at(ColFinal, 4) = "??";
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "??");
    g.at(ColFinal, 4) = "P";
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "??");
    // Rows outside the range are not read.
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 3, ctx), "3.6");
    // Nothing counts.
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" - ", " - "}), 1, 19, ctx), " - ");
    EXPECT_EQ(ComputeGesamtschnitt(emptyGrid(), 1, 19, ctx), " - ");
}

TEST(Gesamtschnitt, CutNotRounded)
{
    GradeContext ctx;
    ctx.subjectCodeString = "111";
    // (2 + 2 + 3) / 3 = 2.33 -> 2.3; (2 + 3 + 3) / 3 = 2.67 -> 2.6
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" 2", " 2", " 3"}), 1, 19, ctx), "2.3");
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" 2", " 3", " 3"}), 1, 19, ctx), "2.6");
    // Nineteen subjects: 1 x 2 + 18 x 3 = 56 / 19 = 2.947 -> 2.9.
    ctx.subjectCodeString = "1111111111111111111";
    ExamGrid g = endnotes({" 2"});
    for (int r = 2; r <= 19; ++r)
        g.at(ColFinal, r) = " 3";
    EXPECT_EQ(ComputeGesamtschnitt(g, 1, 19, ctx), "2.9");
    // Weights of 9: 9 x 1 + 9 x 2 + ... the sum 9 * (1 + 2) / 18 = 1.5.
    ctx.subjectCodeString = "99";
    EXPECT_EQ(ComputeGesamtschnitt(endnotes({" 1", " 2"}), 1, 19, ctx), "1.5");
}

TEST(Gesamtschnitt, Label)
{
    GradeContext ctx;
    const ExamGrid g = endnotes({" 2", " 3"});
    EXPECT_EQ(GesamtschnittLabel(g, 0, ctx), "Gesamtschnitt: 2.5");
    EXPECT_EQ(GesamtschnittLabel(g, 1, ctx), "Gesamtschnitt: 2.5");
    EXPECT_EQ(GesamtschnittLabel(g, 2, ctx), "Gesamtschnitt: 2.5");
    for (int i : {-1, 3, 4, 5, 6})
        EXPECT_EQ(GesamtschnittLabel(g, i, ctx), "") << i;
}

TEST(RowAverage, WholeClassTableRow)
{
    GradeContext ctx;
    ctx.subjectCodeString = "121aa";
    // Columns 2 to 6 hold exam rows 1 to 5; columns 0 and 1 are names.
    QStringList row{"Muster", "Max", "2*", "3", "4", "1", "5", "", ""};
    // rows 1..3: weights 1, 2, 1 -> 2 + 6 + 4 = 12 / 4; group a best 1 -> 13 / 5 = 2.6
    EXPECT_EQ(ComputeRowAverage(row, 2, 20, ctx), "2.6");
    // Weight cells do not matter here and a missing digit weighs 0.
    ctx.subjectCodeString = "1";
    EXPECT_EQ(ComputeRowAverage(row, 2, 20, ctx), "2.0");
    // MSG by the short code of the exam row.
    ctx.subjectCodeString = "11";
    ctx.shortCodes[2] = "MSG";
    EXPECT_EQ(ComputeRowAverage(row, 2, 20, ctx), "2.5");
    ctx.msgGradeCounts = false;
    EXPECT_EQ(ComputeRowAverage(row, 2, 20, ctx), "2.0");
    // "Prof" is not excluded here.
    ctx.shortCodes[2] = "Prof";
    EXPECT_EQ(ComputeRowAverage(row, 2, 20, ctx), "2.5");
    // "?" anywhere gives "??"; nothing counting gives the empty text.
    row[5] = "??";
    EXPECT_EQ(ComputeRowAverage(row, 2, 20, ctx), "??");
    EXPECT_EQ(ComputeRowAverage(QStringList{"", "", "-", "   ", "- "}, 2, 20, ctx), "");
    EXPECT_EQ(ComputeRowAverage(QStringList{}, 2, 20, ctx), "");
}

TEST(ColumnAverage, DecimalCommaWhateverTheLocale)
{
    const QLocale saved;
    for (const QLocale& locale : {QLocale(QLocale::German, QLocale::Germany), QLocale::c(),
                                  QLocale(QLocale::English, QLocale::UnitedStates)}) {
        QLocale::setDefault(locale);
        const QStringList column{"", "2", "3", "2", "- ", "??", "   "};
        EXPECT_EQ(ComputeColumnAverage(column, 1, 40), "2,3"); // 7 / 3
        EXPECT_EQ(ComputeColumnAverage(QStringList{"", "2*", "2"}, 1, 40), "2");
        EXPECT_EQ(ComputeColumnAverage(QStringList{"", "1", "2"}, 1, 40), "1,5");
        EXPECT_EQ(ComputeColumnAverage(QStringList{"", "2.3", "2.4"}, 1, 40), "2,3"); // 2.35
        // The small allowance of the column average: 29.9999 + 0.0001 is 30.
        EXPECT_EQ(ComputeColumnAverage(QStringList{"", "2,99999"}, 1, 40), "3");
        EXPECT_EQ(ComputeColumnAverage(QStringList{"", "2,99998"}, 1, 40), "2,9");
        EXPECT_EQ(ComputeColumnAverage(QStringList{"", "2,9999"}, 1, 40), "2,9");
        EXPECT_EQ(ComputeColumnAverage(QStringList{"", "-", "P"}, 1, 40), "");
        EXPECT_EQ(ComputeColumnAverage(column, 2, 2), "3");
        EXPECT_EQ(ComputeColumnAverage(column, 5, 6), "");
    }
    QLocale::setDefault(saved);
}

TEST(ProjectGrade, EndnoteOfTheProjectRow)
{
    ExamGrid g = emptyGrid();
    EXPECT_EQ(GetProjectGrade(g), "-");
    g.at(ColCode, 16) = "Proj";
    g.at(ColFinal, 16) = " - ";
    EXPECT_EQ(GetProjectGrade(g), "-");
    g.at(ColFinal, 16) = " 2";
    EXPECT_EQ(GetProjectGrade(g), "2");
    g.at(ColFinal, 16) = "??";
    EXPECT_EQ(GetProjectGrade(g), "-");
    g.at(ColCode, 16) = "Proj ";
    g.at(ColFinal, 16) = " 2";
    EXPECT_EQ(GetProjectGrade(g), "-");
    // With two rows "Proj" the later one is reported.
    g.at(ColCode, 16) = "Proj";
    g.at(ColCode, 19) = "Proj";
    g.at(ColFinal, 19) = " 5";
    EXPECT_EQ(GetProjectGrade(g), "5");
}

// ---------------------------------------------------------------------------
// Boundary grades

TEST(BoundaryGrades, DocumentedExamples)
{
    GradeContext day;
    GradeContext evening;
    evening.eveningSchoolMode = true;
    using B = BoundaryGrades;
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.0", "3.4", day), (B{"3", "1,0", "5,7"}));
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.6", "4.0", day), (B{"4", "1,6", "6,0"}));
    EXPECT_EQ(ComputeGrenznotenComm("E", "3.0", "3.4", "-", day), (B{"3", "1,0", "4,8"}));
    EXPECT_EQ(ComputeGrenznotenComm("E", "3.6", "4.0", "-", day), (B{"4", "2,5", "6,0"}));
    EXPECT_EQ(ComputeGrenznotenEvening("3.0", "3.4"), (B{"3", "1,0", "4,5"}));
    EXPECT_EQ(ComputeGrenznotenEvening("3.6", "4.0"), (B{"4", "2,8", "6,0"}));
    // The oral rule hands over to the evening rule in evening-school mode.
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.0", "3.4", evening), (B{"3", "1,0", "4,5"}));
    EXPECT_EQ(ComputeGrenznotenOral("Proj", "3.0", "3.4", evening), (B{"3", "1,0", "4,5"}));
    // Worked by hand: ((6 + x) / 4 + 2) / 2 reaches 2.5 only at x = 6.0.
    EXPECT_EQ(ComputeGrenznotenOral("D", "2.0", "2.0", day), (B{"2", "1,0", "5,9"}));
    EXPECT_EQ(ComputeGrenznotenComm("E", "2.0", "2.0", "- ", day), (B{"2", "1,0", "4,4"}));
    EXPECT_EQ(ComputeGrenznotenEvening("2.0", "2.0"), (B{"2", "1,0", "3,9"}));
    EXPECT_EQ(ComputeGrenznotenComm("E", "3.0", "4.0", "- ", day), (B{"4", "4,0", "6,0"}));
    EXPECT_EQ(ComputeGrenznotenComm("E", "2.4", "", "- ", day), (B{"2", "1,0", "2,5"}));
    // Commas and a minus year mark read as marks.
    EXPECT_EQ(ComputeGrenznotenOral("D", "3,0-", "3,4", day), (B{"3", "1,0", "5,7"}));
    EXPECT_EQ(ComputeGrenznotenComm("E", "3,6", "4,0 ", "- ", day), (B{"4", "2,5", "6,0"}));
}

TEST(BoundaryGrades, EveningSchoolEverywhere)
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

TEST(BoundaryGrades, NothingToBound)
{
    GradeContext day;
    using B = BoundaryGrades;
    const B none{"", "--", "--"};
    EXPECT_EQ(ComputeGrenznotenOral("Proj", "3.0", "3.4", day), none);
    EXPECT_EQ(ComputeGrenznotenOral("Proj ", "3.0", "3.4", day), none);
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.0", "", day), none);
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.0", "   ", day), none);
    // A written mark that is there but reads 0: pending or empty.
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.0", "P", day), none);
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.0", "- ", day), none);
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.0", "0", day), none);
    EXPECT_EQ(ComputeGrenznotenOral("D", "", "3.0", day), none);

    EXPECT_EQ(ComputeGrenznotenComm("Proj", "3.0", "3.4", "-", day), none);
    EXPECT_EQ(ComputeGrenznotenComm("E", "-", "3.4", "-", day), none);
    EXPECT_EQ(ComputeGrenznotenComm("E", "P", "3.4", "-", day), none);
    EXPECT_EQ(ComputeGrenznotenComm("E", "3.0", "3.4", "2.0", day), none); // oral taken

    EXPECT_EQ(ComputeGrenznotenEvening("", "3.4"), (B{"", "", ""}));
    EXPECT_EQ(ComputeGrenznotenEvening("- ", "3.4"), (B{"", "", ""}));
}

TEST(BoundaryGrades, YearMarkAlone)
{
    GradeContext day;
    using B = BoundaryGrades;
    // Communication without a written mark: E = (J + x) / 2, final Round(J + 0.01).
    // J 3.0: grade 3 while (3.0 + x) / 2 lies in [2.5, 3.5): x from 2.0 to 3.9.
    EXPECT_EQ(ComputeGrenznotenComm("E", "3.0", "", "-", day), (B{"3", "2,0", "3,9"}));
    EXPECT_EQ(ComputeGrenznotenComm("E", "3.0", "P", "-", day), (B{"3", "2,0", "3,9"}));
    EXPECT_EQ(ComputeGrenznotenComm("E", "1.2", "-", "", day), (B{"1", "1,0", "1,7"}));
    EXPECT_EQ(ComputeGrenznotenComm("E", "5.8", "-", "", day), (B{"6", "5,2", "6,0"}));
    EXPECT_EQ(ComputeGrenznotenEvening("3.0", ""), (B{"3", "2,0", "3,9"}));
    EXPECT_EQ(ComputeGrenznotenEvening("3.0", "P"), (B{"3", "2,0", "3,9"}));
}

TEST(BoundaryGrades, ExactTieFollowsTheGradeArithmetic)
{
    // Written 2.0, year mark 4.5: a communication mark of 3.2 gives an exam
    // performance of exactly 2.48, cut to 2.4, Schnitt 3.45 -> 3.4 -> 3.
    // The unrounded formula meets a tie (3.49 + 0.01 = 3.5) and would say 4.
    EXPECT_EQ(FinalGradeForMarks(2.0, 3.2, 0, 4.5, false), 3);
    EXPECT_EQ(FinalGradeForMarks(2.0, 3.3, 0, 4.5, false), 4);
    GradeContext day;
    const BoundaryGrades b = ComputeGrenznotenComm("E", "4.5", "2.0", "- ", day);
    EXPECT_EQ(b.current, "3");
    EXPECT_EQ(b.upper, "3,2");
}

TEST(BoundaryGrades, AbsurdFileValuesEndAndStayInRange)
{
    GradeContext day;
    GradeContext evening;
    evening.eveningSchoolMode = true;
    const char* values[] = {"99999999", "1e30", "-1e30", "0.3", "7.5", "2147483648", "1e-30", "6.05"};
    for (const char* j : values) {
        for (const char* s : values) {
            const QString J = QString::fromLatin1(j);
            const QString S = QString::fromLatin1(s);
            for (const BoundaryGrades& b :
                 {ComputeGrenznotenOral("D", J, S, day), ComputeGrenznotenComm("E", J, S, "-", day),
                  ComputeGrenznotenEvening(J, S), ComputeGrenznotenComm("E", J, "", "-", evening)}) {
                for (const QString& bound : {b.lower, b.upper}) {
                    if (bound.isEmpty() || bound == "--")
                        continue;
                    const double v = QString(bound).replace(',', '.').toDouble();
                    EXPECT_GE(v, 1.0) << j << " " << s;
                    EXPECT_LE(v, 6.0) << j << " " << s;
                }
            }
        }
    }
    // A written mark of 99999999 leaves no mark that keeps the grade.
    EXPECT_EQ(ComputeGrenznotenOral("D", "3.0", "99999999", day), (BoundaryGrades{"50000001", "--", "--"}));
}

namespace {

enum class Rule { Oral, Comm, CommYearOnly, Evening, EveningYearOnly };

// Parses "2,5" / "1,0" into tenths.
int boundTenths(const QString& bound)
{
    const QStringList parts = bound.split(',');
    return parts.value(0).toInt() * 10 + parts.value(1).toInt();
}

BoundaryGrades boundsFor(Rule rule, const QString& J, const QString& S)
{
    GradeContext day;
    switch (rule) {
    case Rule::Oral:
        return ComputeGrenznotenOral("D", J, S, day);
    case Rule::Comm:
        return ComputeGrenznotenComm("E", J, S, "- ", day);
    case Rule::CommYearOnly:
        return ComputeGrenznotenComm("E", J, "- ", "- ", day);
    case Rule::Evening:
        return ComputeGrenznotenEvening(J, S);
    case Rule::EveningYearOnly:
        return ComputeGrenznotenEvening(J, "");
    }
    return {};
}

// The final grade the exam grid shows for a row with the mark x (tenths, 0 =
// none) in the cell of the rule, built as texts and recomputed like the grade
// window does.
QString endnoteInGrid(Rule rule, int j, int s, int x)
{
    GradeContext ctx;
    ctx.eveningSchoolMode = rule == Rule::Evening || rule == Rule::EveningYearOnly;
    ExamGrid g = emptyGrid();
    g.at(ColCode, 1) = "D";
    g.at(ColYear, 1) = tenthsText(j);
    const bool withWritten = rule == Rule::Oral || rule == Rule::Comm || rule == Rule::Evening;
    if (withWritten)
        g.at(ColWritten, 1) = tenthsText(s);
    const int column = (rule == Rule::Comm || rule == Rule::CommYearOnly) ? ColComm : ColOral;
    if (x > 0)
        g.at(column, 1) = tenthsText(x);
    RecalcExamRow(g, 1, ctx);
    return g.at(ColFinal, 1);
}

// The classic search with the unrounded formula, in exact rational
// arithmetic: E(x) scaled by 8000 so every value is an integer.  Returns false
// when one of the visited marks meets an exact tie of Round(E + 0.01).
struct FormulaBounds {
    int cur = 0;
    int lower = 0;
    int upper = 0;
    bool tie = false;
};

int64_t formula8000(Rule rule, int j, int s, int x)
{
    switch (rule) {
    case Rule::Oral:
        return 100LL * (3 * s + x) + 400LL * j;
    case Rule::Comm:
        return 80LL * (2 * x + 3 * s) + 400LL * j;
    case Rule::Evening:
        return 200LL * (x + s) + 400LL * j;
    default:
        return 400LL * (j + x);
    }
}

int roundFormula(int64_t e8000, bool& tie)
{
    const int64_t v = e8000 + 80; // + 0.01
    int64_t q = v >= 0 ? v / 8000 : -((-v + 7999) / 8000);
    const int64_t rest = v - q * 8000;
    if (rest == 4000) {
        tie = true;
        if (q % 2 != 0)
            ++q;
    } else if (rest > 4000) {
        ++q;
    }
    return static_cast<int>(q);
}

FormulaBounds classicSearch(Rule rule, int j, int s)
{
    FormulaBounds r;
    const bool yearOnly = rule == Rule::CommYearOnly || rule == Rule::EveningYearOnly;
    r.cur = yearOnly ? roundFormula(800LL * j, r.tie) : roundFormula(400LL * (j + s), r.tie);
    // Lower: down from the larger of S and J (from J itself, tested first,
    // for the year mark alone) until the grade falls below the current one.
    int x = yearOnly ? j + 1 : std::max(s, j);
    for (;;) {
        x -= 1;
        if (roundFormula(formula8000(rule, j, s, x), r.tie) < r.cur)
            break;
    }
    r.lower = std::max(x + 1, 10);
    x = yearOnly ? j : std::min(s, j);
    for (;;) {
        x += 1;
        if (roundFormula(formula8000(rule, j, s, x), r.tie) > r.cur)
            break;
    }
    r.upper = std::min(x - 1, 60);
    return r;
}

} // namespace

// Every written mark and year mark from 1.0 to 6.0, every rule: each bound
// range is exactly the set of marks from 1.0 to 6.0 that give the current
// final grade in the exam grid, and the current grade is the grid's final
// grade without the exam.
TEST(BoundaryGrades, SweepAgreesWithTheGradeArithmetic)
{
    int checked = 0;
    for (Rule rule : {Rule::Oral, Rule::Comm, Rule::CommYearOnly, Rule::Evening, Rule::EveningYearOnly}) {
        for (int j = 10; j <= 60; ++j) {
            for (int s = 10; s <= 60; ++s) {
                const BoundaryGrades b = boundsFor(rule, tenthsText(j), tenthsText(s));
                SCOPED_TRACE(testing::Message() << "rule " << int(rule) << " J " << j << " S " << s);
                ASSERT_NE(b.lower, "--");
                ASSERT_NE(b.upper, "--");
                ASSERT_EQ(QStringLiteral(" ") + b.current, endnoteInGrid(rule, j, s, 0));
                const int lower = boundTenths(b.lower);
                const int upper = boundTenths(b.upper);
                ASSERT_LE(lower, upper);
                for (int x = 10; x <= 60; ++x) {
                    const bool keeps = endnoteInGrid(rule, j, s, x) == QStringLiteral(" ") + b.current;
                    ASSERT_EQ(keeps, x >= lower && x <= upper) << "x " << x;
                    ++checked;
                }
                // Each bound is a real edge: the next tenth beyond it changes the grade.
                if (lower > 10) {
                    ASSERT_NE(endnoteInGrid(rule, j, s, lower - 1), QStringLiteral(" ") + b.current);
                }
                if (upper < 60) {
                    ASSERT_NE(endnoteInGrid(rule, j, s, upper + 1), QStringLiteral(" ") + b.current);
                }
            }
        }
    }
    EXPECT_EQ(checked, 5 * 51 * 51 * 51);
}

// Away from exact ties the bounds are those of the classic formulas; ties
// occur only with the 3 : 2 communication weights.
TEST(BoundaryGrades, SweepEqualsTheFormulasAwayFromTies)
{
    int compared = 0;
    int ties = 0;
    for (Rule rule : {Rule::Oral, Rule::Comm, Rule::CommYearOnly, Rule::Evening, Rule::EveningYearOnly}) {
        for (int j = 10; j <= 60; ++j) {
            for (int s = 10; s <= 60; ++s) {
                const FormulaBounds f = classicSearch(rule, j, s);
                if (f.tie) {
                    ++ties;
                    EXPECT_EQ(rule, Rule::Comm);
                    continue;
                }
                const BoundaryGrades b = boundsFor(rule, tenthsText(j), tenthsText(s));
                SCOPED_TRACE(testing::Message() << "rule " << int(rule) << " J " << j << " S " << s);
                ASSERT_EQ(b.current, QString::number(f.cur));
                ASSERT_EQ(boundTenths(b.lower), f.lower);
                ASSERT_EQ(boundTenths(b.upper), f.upper);
                ++compared;
            }
        }
    }
    EXPECT_GT(ties, 0);
    EXPECT_GT(compared, 5 * 51 * 51 * 9 / 10);
}
