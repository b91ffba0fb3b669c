#include "grades/cellrules.h"

#include "classes/arithmetic.h"
#include "grades/examsheet.h"
#include "grades/gradeslots.h"

#include "support/maprecord.h"

#include <gtest/gtest.h>

using namespace hsa;

namespace {

GradeContext context(const QString& classFile = QStringLiteral("9a-23241.dbf"))
{
    GradeContext ctx;
    ctx.classFileName = classFile;
    const char* codes[] = {"", "R", "Eth", "D", "Ek", "G/Gk", "E", "M", "Ph", "Bio/Ch",
                           "Sp", "Mu", "BK", "WBS", "Te", "HTW", "Proj", "F", "AES", "Prof"};
    for (int r = 0; r < 20; ++r)
        ctx.shortCodes[r] = QString::fromUtf8(codes[r]);
    return ctx;
}

} // namespace

TEST(MarkCells, TypedTextsBecomeMarks)
{
    const GradeContext ctx = context();
    struct Case {
        const char* typed;
        int column;
        const char* cell;
    };
    const Case cases[] = {
        {"37", 1, "3.7"},   {"2,5", 1, "2.5"},   {"3", 1, "3.0"},   {"7", 1, "-"},
        {"3-", 5, "3.0-"},  {"2*", 1, "2.0*"},   {"2.35", 1, "-"},  {"45", 1, "4.5"},
        {"60", 1, "6.0"},   {"65", 1, "-"},      {"70", 1, "-"},    {"p", 1, "P"},
        {"P", 2, "P"},      {"P ", 3, "P"},      {"3.", 5, "3.0"},  {"3.0-", 5, "3.0-"},
        {"2.0*", 2, "2.0*"}, {"2.5*", 3, "2.5*"}, {"", 1, "-"},     {"   ", 5, "-"},
        {"-", 1, "-"},      {"- ", 2, "-"},      {"0", 1, "-"},     {"0.5", 5, "-"},
        {"6.1", 1, "-"},    {"1.0", 1, "1.0"},   {"1", 3, "1.0"},   {"6", 5, "6.0"},
        {"99999999", 1, "-"}, {"1e30", 1, "-"},  {"abc", 1, "-"},   {"3,", 5, "3.0"},
        {"1,0", 1, "1.0"},  {"5.9", 2, "5.9"},   {"2.0 ", 1, "2.0 "}, {"4-", 5, "4.0-"},
        // A minus is a year-mark tendency only; elsewhere "4-" is a 4.
        {"4-", 1, "4.0"},   {"2.0-", 1, "-"},    {"35-", 5, "3.5"},
        // A mark typed behind a pending "P" is that mark.
        {"P2", 1, "2.0"},   {"P 2,5", 2, "2.5"}, {"p3.7", 3, "3.7"}, {"P7", 1, "-"},
        // A typed comma is a decimal point everywhere: "2,5*" is the starred 2.5.
        {"2,5*", 1, "2.5*"}, {"2,5*", 2, "2.5*"}, {"2,5*", 3, "2.5*"}, {"6,0*", 1, "6.0*"},
        {"2,0*", 3, "2.0*"}, {"2,35*", 2, "2.35*"}, {"2,5-", 5, "2.5-"}, {"-5", 5, "-"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NormaliseMarkCell(QString::fromUtf8(c.typed), c.column, ctx), QString::fromUtf8(c.cell))
            << "'" << c.typed << "' in column " << c.column;
        // Whatever comes out of the rules goes through them again unchanged.
        for (int column : {1, 2, 3, 5}) {
            const QString once = NormaliseMarkCell(QString::fromUtf8(c.typed), column, ctx);
            EXPECT_EQ(NormaliseMarkCell(once, column, ctx), once) << "'" << c.typed << "' in column " << column;
        }
    }
    // The second half-year keeps its dashes.
    EXPECT_EQ(NormaliseMarkCell("-", 5, context("9a-23242.dbf")), "-");
}

TEST(WeightCells, WholeNumbersZeroToNine)
{
    for (const auto& [typed, code, cell] :
         {std::tuple{"0", "D", "0"}, {"0 ", "D", "0 "}, {"1", "D", "1"}, {"7", "D", "7"}, {"9", "D", "9"},
          {"12", "D", "9"}, {"2.5", "D", "2"}, {"-", "D", "1 "}, {"-3", "D", "1 "}, {"", "D", "0 "},
          {"abc", "D", "0 "}, {"3", "Prof", "0"}, {"0", "Prof", "0"}, {"1 ", "D", "1 "}})
        EXPECT_EQ(CommitWeightCell(typed, code), cell) << typed << " " << code;
    // The grid's display rule alone leaves other numbers as they are.
    EXPECT_EQ(NormaliseWeightCell("12", "D"), "12");
    EXPECT_EQ(NormaliseWeightCell("1", "Prof"), "0");
}

TEST(CommitCell, NormalisesAndRecomputesTheRow)
{
    const GradeContext ctx = context();
    ExamSheet s = PresetExamSheet(ctx);
    for (const auto& [c, text] : {std::pair{ColWritten, "2"}, {ColComm, "3,0"}, {ColYear, "27"}})
        EXPECT_TRUE(CommitExamCell(s.grid, c, 3, text, ctx));
    EXPECT_EQ(s.grid.at(ColExamResult, 3) + s.grid.at(ColAverage, 3) + s.grid.at(ColFinal, 3), "2.42.5 3");
    // The weight column keeps its whole numbers; the profile subject weighs 0.
    for (const auto& [row, typed, cell] : {std::tuple{3, "0", "0"}, {3, "7", "7"}, {19, "2", "0"}}) {
        EXPECT_TRUE(CommitExamCell(s.grid, ColWeight, row, typed, ctx));
        EXPECT_EQ(s.grid.at(ColWeight, row), cell) << typed;
    }
    // In the communication cell the star of a comma mark decides the grade list.
    CommitExamCell(s.grid, ColComm, 6, "2,5*", ctx);
    CommitExamCell(s.grid, ColYear, 6, "2", ctx);
    EXPECT_EQ(s.gradeList(ctx)[7], "2");
    // Computed cells, codes, headings and rows outside are not editable.
    const ExamGrid before = s.grid;
    for (const CellPos& p : {CellPos{0, 3}, {4, 3}, {6, 3}, {7, 3}, {1, 0}, {1, 20}, {9, 3}})
        EXPECT_FALSE(CommitExamCell(s.grid, p.column, p.row, "1", ctx)) << p.column << "," << p.row;
    EXPECT_EQ(s.grid, before);
}

TEST(EditRules, ClicksDoubleClicksAndKeys)
{
    const GradeContext ctx = context();
    ExamSheet s = PresetExamSheet(ctx);
    ExamGrid& g = s.grid;
    // Clicks on codes and computed cells land on an editable one.
    for (const auto& [from, to] : {std::pair{CellPos{0, 4}, CellPos{1, 4}}, {{4, 4}, {5, 4}}, {{6, 4}, {5, 4}},
                                   {{7, 4}, {5, 4}}, {{3, 4}, {3, 4}}})
        EXPECT_EQ(ClickExamCell(g, from, ctx), to) << from.column;
    // No oral exam in E, F, AES and Te.
    for (int row : {6, 17, 18, 14}) {
        g.at(ColOral, row) = "2.0";
        EXPECT_EQ(ClickExamCell(g, {3, row}, ctx), (CellPos{2, row})) << row;
        EXPECT_EQ(g.at(ColOral, row), "-");
    }
    // The project row holds only its project mark.
    g.at(ColComm, 16) = "3.0";
    EXPECT_EQ(ClickExamCell(g, {2, 16}, ctx), (CellPos{1, 16}));
    EXPECT_EQ(g.at(ColComm, 16), "-");
    // Double clicks mark and unmark pending exams, never a mark.
    g.at(ColOral, 4) = "2.0";
    for (const auto& [pos, cell] : {std::pair{CellPos{1, 3}, "- "}, {{1, 3}, "P"}, {{3, 4}, "2.0"}, {{5, 4}, "- "}}) {
        DoubleClickExamCell(g, pos, ctx);
        EXPECT_EQ(g.at(pos.column, pos.row), cell) << pos.column << "," << pos.row;
    }
    EXPECT_EQ(g.at(ColFinal, 3), "??");
    // Keys; Right over Schnitt lands on 7 and so on 5.
    using K = ExamGridKey;
    for (const auto& [from, key, to] : {std::tuple{CellPos{1, 3}, K::Return, CellPos{1, 4}}, {{1, 19}, K::Return, {1, 19}},
                                        {{1, 3}, K::Right, {2, 3}}, {{1, 3}, K::Left, {1, 3}}, {{3, 3}, K::Right, {4, 3}},
                                        {{5, 3}, K::Right, {5, 3}}, {{8, 3}, K::Left, {6, 3}}, {{8, 3}, K::Right, {8, 3}}})
        EXPECT_EQ(ExamGridKeyMove(g, from, key).pos, to) << from.column << "," << from.row << " key " << int(key);
}

TEST(GradeSlots, PositionalCopyIntoTheClassTable)
{
    QStringList names;
    for (int row = -1; row <= 21; ++row)
        names << GradeSlotFieldName(row);
    EXPECT_EQ(names.join(' '), " RELIGION ZUSATZ4 DEU SACHKUNDE MATH ZUSATZ1 WERKEN MUSIK ZUSATZ2 ZUSATZ3 F11 F12 F13 "
                               "F14 F15 F16 F17 F18 F19 F20 F21 ");
    const GradeContext ctx = context();
    ExamSheet s = PresetExamSheet(ctx);
    for (const auto& [c, r, text] : {std::tuple{ColWritten, 3, "2"}, {ColYear, 3, "3"}, {ColYear, 6, "3-"},
                                     {ColComm, 6, "2"}, {ColYear, 8, "4"}})
        CommitExamCell(s.grid, c, r, text, ctx);
    GradeList list = s.gradeList(ctx);
    list[0] = "2";
    list[1] = "1";
    test::MapRecord rec;
    ASSERT_TRUE(CopyGradeListToRecord(list, "9a-23242.dbf", rec));
    // Classes 3 to 9, X, Y, F and G keep the slots; every other name none.
    for (const auto& [cls, keeps] : {std::pair{"xa-23242.dbf", true}, {"Ya", true}, {"fa", true}, {"G1", true}, {"3a", true},
                                     {"8b", true}, {"1a-23242.dbf", false}, {"2b", false}, {"Ha", false}, {"", false}, {"ab", false}}) {
        test::MapRecord some;
        EXPECT_EQ(CopyGradeListToRecord(list, cls, some), keeps) << cls;
        EXPECT_EQ(some.fields.size(), keeps ? 21 : 0) << cls;
        EXPECT_EQ(GradeListFromRecord(rec, cls), keeps ? list : GradeList{}) << cls;
    }
    // Grade-list row r + 1 holds exam row r: D 2.0 and 3.0 -> 2.5 -> 3, E in
    // class 9 with a minus year mark, M still pending.
    for (const auto& [field, grade] : {std::pair{"RELIGION", "2"}, {"ZUSATZ4", "1"}, {"SACHKUNDE", "   "}, {"MATH", "3*"},
                                       {"MUSIK", "-"}, {"ZUSATZ2", "??"}, {"ZUSATZ3", "4"}, {"F11", "   "}})
        EXPECT_EQ(rec.fields[field], grade) << field;
}
