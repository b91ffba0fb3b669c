#include "support/gridfixture.h"

#include "classes/subjects.h"
#include "grades/flawedgradefiles.h"
#include "grades/gradeslots.h"
#include "support/gradefilebytes.h"

using namespace hsa;
using namespace hsa::test;

namespace {

class ClassGridFlow : public GridFixture {
protected:
    ClassGrid& g() { return classGrid(); }

    // A class 9a with three students; student 1 has a grade file with year
    // marks and notes, the others have none.
    void threeStudentClass()
    {
        makeClass("9a_25262.dbf", threeStudents());
        openClass("9a_25262.dbf");
        writeSheet(1, {{ColYear, "D", "2.0"}, {ColYear, "M", "3.0"}, {ColYear, "E", "2.0"}, {ColWritten, "D", "2.3"}},
                   {"Notiz eins", "Notiz zwei"});
    }
    // Leaves an entry table without saving.
    void discard()
    {
        prompt.no().yes();
        ASSERT_TRUE(g().Leave());
    }
};

} // namespace

TEST(GridRules, EntryCellsNormaliseAndSettle)
{
    const std::pair<const char*, const char*> cases[] = {
        {"37", "3.7"}, {"3.", "3.0"}, {"4", "4.0"}, {"7", "- "}, {"2,5", "2.5"}, {"p", "P"}, {"pq", "P"},
        {"P ", "P "}, {"", "-"}, {"2.35", ""}, {"2.3-", "2.3-"}, {"2.3*", "2.3*"}, {"-", "-"}, {"- ", "- "},
        {"0", "- "}, {"6.0", "6.0"}, {"6.5", "- "}, {"0.5", "- "}, {"1.0", "1.0"}, {" 3", "3   "}, {"65", "6.5"},
        {"x", "- "}};
    for (const auto& [typed, stored] : cases)
        EXPECT_EQ(NormaliseGridEntryCell(typed), stored) << typed;
    // A committed cell holds what the rule no longer changes: a mark above 6
    // or a half-normalised text never reaches a grade file.
    const std::pair<const char*, const char*> settled[] = {
        {"65", "- "}, {"6,5", "- "}, {" 3", "3.0"}, {"  4", "4.0"}, {"2.35", "-"}, {"2,", "2.0"}, {"0,5", "- "},
        {"2.3*", "2.3*"}, {"p", "P"}, {"5.5", "5.5"}, {"P2", "2.0"}, {"P 2,5", "2.5"}, {"p3.7", "3.7"}, {"P7", "- "}};
    for (const auto& [typed, stored] : settled) {
        EXPECT_EQ(SettleGridEntryCell(typed), stored) << typed;
        EXPECT_EQ(NormaliseGridEntryCell(stored), stored) << typed;
    }
}

TEST(GridRules, FiltersTitlesAndProfileTexts)
{
    const std::tuple<GradeTable, const char*, bool, const char*> filters[] = {
        {GradeTable::SP, "9a", false, "*D*E*M*"}, {GradeTable::SP, "xa", false, "*D*E*M*Te*AES*F*"},
        {GradeTable::PL, "Xb", false, "*D*E*M*Te*AES*F*"}, {GradeTable::PL, "9a", true, "*D*E*M*"},
        {GradeTable::MP, "9a", false, "*D*M*"}, {GradeTable::MP, "9a", true, "*D*M*G*Geo*Gk*Ph*Ch*Bio*"},
        {GradeTable::KP, "xa", true, "*E*"}, {GradeTable::PP, "9a", false, "*Te*AES*F*"},
        {GradeTable::JL, "xa", false, ""}, {GradeTable::EZ, "xa", false, ""}};
    for (const auto& [table, cls, evening, filter] : filters)
        EXPECT_EQ(ColumnFilterFor(table, cls, evening), filter) << cls << " " << int(table);
    for (const auto& [heading, shown] : {std::pair{"E  ", true}, {"Mu", false}, {"", false}})
        EXPECT_EQ(FilterContainsHeading("*D*E*M*", heading), shown) << heading;

    const std::tuple<const char*, int, const char*> titles[] = {
        {"9a", kKindWritten, "Klasse 9a"}, {"xb", kKindYear, "Kl. 10b  "}, {"Xb", kKindExam, "Kl. 10b  "},
        {"xb", kKindFinal, "Kl. 10b "}, {"Yc", kKindFinal, "Kl. 10c  HSA"}};
    for (const auto& [cls, kind, title] : titles)
        EXPECT_EQ(GridClassTitle(cls, kind), title) << cls << " " << kind;
    for (const auto& [heading, slash] : {std::pair{"Bio/  ", true}, {"   ", false}, {"B/io", false}})
        EXPECT_EQ(EndsWithSlash(heading), slash) << heading;

    // An empty field is no profile subject, not the first one.
    const std::array<QString, 6> codes{"BKP", "MuP", "SpP", "NwT", "IMP", "Spa"};
    for (const auto& [ag7, text] : {std::pair{"2", "SpP"}, {"0", "BKP"}, {"6", "Spa"}, {"", ""}, {"-1", ""},
                                    {"abc", ""}, {"9", ""}})
        EXPECT_EQ(ProfileRowText(ag7, codes), text) << ag7;
}

TEST_F(ClassGridFlow, WrittenExamTableShowsTheWrittenMarksOfEveryStudent)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    EXPECT_TRUE(g().visible() && g().editing() && g().entryOpen());
    const int d = columnOf("D");
    // Students without a grade file show the presets (written exam pending);
    // an entry table shows no averages; the weighting record is named.
    const std::tuple<int, int, const char*> cells[] = {
        {0, 0, "Klasse 9a"}, {1, 0, "Schriftlich"}, {d, 0, "D"}, {21, 0, "Ø"}, {22, 0, "V"}, {23, 0, "M"},
        {0, 1, "Berg"}, {1, 2, "Bernd"}, {d, 1, "2.3"}, {d, 2, "P"}, {columnOf("E"), 2, "- "}, {21, 1, ""},
        {0, 40, "FAKTOR"}};
    for (const auto& [column, row, text] : cells)
        EXPECT_EQ(g().cell(column, row), QString::fromUtf8(text)) << column << " " << row;
    // Only D, E and M are shown; the first of them is current.
    for (int c = 2; c <= 21; ++c) {
        const QString h = g().cell(c, 0);
        EXPECT_EQ(g().columnWidth(c), h == "D" || h == "E" || h == "M" ? 24 : 0) << h.toStdString();
    }
    EXPECT_EQ(g().current(), (GridPos{d, 1}));
    // Only the shown subject cells of named students can be typed into.
    const std::tuple<int, int, bool> editable[] = {{d, 1, true}, {d, 0, false}, {d, 4, false}, {d, 39, false},
                                                   {d, 40, false}, {columnOf("Mu"), 1, false}, {0, 1, false}};
    for (const auto& [column, row, yes] : editable)
        EXPECT_EQ(g().isEditableCell(column, row), yes) << column << " " << row;
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(ClassGridFlow, EveryEntryKindShowsItsExamGridColumn)
{
    threeStudentClass();
    writeSheet(2, {{ColComm, "E", "1.7"}, {ColOral, "M", "4.0"}, {ColYear, "Mu", "2.0"}, {ColComm, "Te", "3.3"}});
    const std::tuple<GradeTable, QString, QString, QString> cases[] = {
        {GradeTable::KP, "E", "1.7", "KP / Prakt."}, {GradeTable::MP, "M", "4.0", "Mündlich"},
        {GradeTable::JL, "Mu", "2.0", "Jahresleist."}, {GradeTable::PP, "Te", "3.3", "KP / Prakt."}};
    for (const auto& [table, code, mark, heading] : cases) {
        ASSERT_TRUE(g().OpenTable(table));
        EXPECT_EQ(g().cell(columnOf(code), 2), mark) << code.toStdString();
        EXPECT_EQ(g().cell(1, 0), heading);
        EXPECT_EQ(g().columnWidth(columnOf(code)), 24);
        discard();
    }
}

TEST_F(ClassGridFlow, DamagedGradeFileLocksItsRowAndIsNeverOverwritten)
{
    threeStudentClass();
    const QByteArray damaged("2.0\r\n\0\0\0garbage", 15);
    writeFile(studentFile("v.", 2), damaged);
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.lastText().contains("Czech Bernd (v.2)"));
    EXPECT_FALSE(g().commitCell(columnOf("D"), 2, "1"));
    EXPECT_TRUE(g().commitCell(columnOf("D"), 3, "1"));
    prompt.yes();
    ASSERT_TRUE(g().Leave());
    EXPECT_EQ(readFile(studentFile("v.", 2)), damaged);
    EXPECT_EQ(cellLine(gradeLines(3), ColWritten, rowOf("D")), "1.0");
}

// Student 1's grade file is cut inside the year marks, student 3's holds a
// year mark "65": every table tells of exactly these two, in one message,
// when it is filled, before anything can be saved over them.  A sound class
// hears nothing.  An entry table that shows such a file offers the save even
// when nothing was typed, and the save writes the files whole.
TEST_F(ClassGridFlow, FlawedGradeFilesAreToldOnceWhenTheTableIsFilled)
{
    threeStudentClass();
    writeSheet(3, {{ColYear, "D", "2.0"}, {ColWritten, "M", "2.0"}});
    const QByteArray sound1 = readFile(studentFile("v.", 1));
    const QByteArray sound3 = readFile(studentFile("v.", 3));
    const auto spoil = [&](bool flawed) {
        writeFile(studentFile("v.", 1), flawed ? FirstLines(sound1, 105) : sound1);
        writeFile(studentFile("v.", 3), flawed ? WithLine(sound3, CellLine(ColYear, rowOf("D")), "65") : sound3);
    };
    const struct {
        GradeTable table;
        bool entry;
    } tables[] = {{GradeTable::JL, true}, {GradeTable::SP, true}, {GradeTable::MP, true},
                  {GradeTable::KP, true}, {GradeTable::PP, true}, {GradeTable::PL, false}};
    for (const auto& t : tables) {
        for (const bool flawed : {true, false}) {
            SCOPED_TRACE(std::to_string(int(t.table)) + (flawed ? " flawed" : " sound"));
            spoil(flawed);
            prompt.clear();
            ASSERT_TRUE(g().OpenTable(t.table));
            if (!flawed) {
                EXPECT_TRUE(prompt.shown().isEmpty()) << prompt.texts().join('|').toStdString();
                ASSERT_TRUE(g().Leave()); // nothing to save: no question
                continue;
            }
            ASSERT_EQ(prompt.shown().size(), 1) << prompt.texts().join('|').toStdString();
            const QStringList told = Warnings(prompt);
            ASSERT_EQ(told.size(), 1);
            EXPECT_TRUE(told[0].contains("Nr. 1 Berg, Anna: unvollständig (105 von 226 Zeilen)")) << told[0].toStdString();
            EXPECT_TRUE(told[0].contains("Nr. 3 Dorn, Carla: Noten außerhalb von 1,0 bis 6,0, die nicht zählen "
                                         "(D Jahresl.: 65)"))
                << told[0].toStdString();
            EXPECT_FALSE(told[0].contains("Czech"));
            EXPECT_TRUE(told[0].endsWith(t.entry ? kFlawedCheckAndSave : kFlawedCheckInGradeWindow));
            if (t.entry)
                prompt.no().yes(); // the save is offered; given up here
            ASSERT_TRUE(g().Leave());
            EXPECT_EQ(prompt.remainingAnswers(), 0);
        }
    }
    // Saved, both files are whole and sound again: "65" is gone, the marks
    // before the cut stay.
    spoil(true);
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    prompt.clear();
    prompt.yes();
    ASSERT_TRUE(g().Leave());
    EXPECT_EQ(gradeLines(1).size(), 226);
    EXPECT_EQ(cellLine(gradeLines(1), ColYear, rowOf("D")), "2.0");
    EXPECT_EQ(cellLine(gradeLines(3), ColYear, rowOf("D")), "- ");
    prompt.clear();
    ASSERT_TRUE(g().OpenTable(GradeTable::JL));
    EXPECT_TRUE(prompt.shown().isEmpty()) << prompt.texts().join('|').toStdString();
    ASSERT_TRUE(g().Leave());
}

// Row n is saved into record n and the grade file "v.n" (whatever NR says);
// a mark above 6 never reaches the file, nor conduct and cooperation change.
TEST_F(ClassGridFlow, SavingWritesTheTypedMarksIntoGradeFilesAndRecords)
{
    QList<Student> rows = threeStudents();
    rows[0].fields = {{"RELIGION", "2"}, {"ZUSATZ4", "3"}};
    rows[1].fields = {{"RELIGION", "1"}, {"ZUSATZ4", "1"}};
    rows[1].nr = "7";
    makeClass("9a_25262.dbf", rows);
    openClass("9a_25262.dbf");
    writeSheet(1, {{ColYear, "D", "2.0"}, {ColYear, "M", "3.0"}, {ColWritten, "M", "3.0"}}, {"Notiz eins"});
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    const QByteArray before = tableBytes();
    const int d = columnOf("D");
    EXPECT_TRUE(g().commitCell(d, 1, "37"));
    EXPECT_TRUE(g().commitCell(d, 2, "2,5"));
    EXPECT_TRUE(g().commitCell(columnOf("M"), 2, "65"));
    EXPECT_EQ(g().cell(columnOf("M"), 2), "- ");

    // Student 1: the old sheet with the typed mark, recomputed; student 2
    // had no file: the presets with the typed mark.
    const GradeContext ctx = GradeContextFromState();
    ExamSheet expected1 = LoadStudentGradeFile(studentFile("v.", 1), ctx);
    expected1.grid.at(ColWritten, rowOf("D")) = "3.7";
    ExamSheet expected2 = PresetExamSheet(ctx);
    expected2.grid.at(ColWritten, rowOf("D")) = "2.5";
    expected2.grid.at(ColWritten, rowOf("M")) = "- ";
    GradeList lists[2]{};
    RecalcExamGrid(expected1.grid, ctx, lists[0]);
    RecalcExamGrid(expected2.grid, ctx, lists[1]);

    prompt.yes();
    ASSERT_TRUE(g().Leave());
    EXPECT_EQ(prompt.texts(), QStringList{kMsgLeaveSave});
    EXPECT_FALSE(g().visible() || g().entryOpen());
    EXPECT_EQ(gradeLines(1), GradeFileLines(expected1, ctx));
    EXPECT_EQ(gradeLines(2), GradeFileLines(expected2, ctx));
    EXPECT_EQ(gradeLines(1).value(181), "Notiz eins");
    const int rd = rowOf("D");
    EXPECT_EQ((QStringList{cellLine(gradeLines(1), ColWritten, rd), cellLine(gradeLines(1), ColYear, rd),
                           cellLine(gradeLines(2), ColYear, rd), cellLine(gradeLines(2), ColWritten, rowOf("M"))}),
              (QStringList{"3.7", "2.0", "- ", "- "}));
    // Rows without a name get no file; rows 39 and 40 never.
    for (int n : {4, 7, 39, 40})
        EXPECT_FALSE(QFileInfo::exists(studentFile("v.", n))) << n;

    // The class table: grade slots 2 to 20 hold the recomputed grade lists;
    // nothing else changed (the header's date aside), never conduct and cooperation.
    const QByteArray after = tableBytes();
    for (int rec = 0; rec < 2; ++rec)
        for (int k = 2; k <= 20; ++k) {
            EXPECT_EQ(QString::fromLatin1(rawField(after, rec, GradeSlotFieldName(k))).trimmed(), lists[rec][k].trimmed())
                << rec << " " << k;
        }
    EXPECT_NE(rawField(after, 0, GradeSlotFieldName(d)), rawField(before, 0, GradeSlotFieldName(d)));
    const auto withoutSlots = [](QByteArray dbf) {
        for (const FieldSpan& f : fieldSpans(dbf))
            for (int k = 2; k <= 20; ++k)
                for (int rec = 0; f.name == GradeSlotFieldName(k) && rec < 40; ++rec)
                    dbf.replace(headerLength(dbf) + rec * recordLength(dbf) + f.offset, f.width, QByteArray(f.width, ' '));
        return dbf.remove(1, 3);
    };
    EXPECT_EQ(withoutSlots(after), withoutSlots(before));
}

// Typed marks stay with their table and their class: a second table is
// refused, a changed class gets nothing, and giving them up needs a
// confirmation and writes nothing.
TEST_F(ClassGridFlow, EditsStayWithTheirTableAndClassAndDiscardingWritesNothing)
{
    EXPECT_FALSE(g().OpenTable(GradeTable::JL));   // no class open
    threeStudentClass();
    makeClass("9b_25262.dbf", threeStudents());
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    const QByteArray table = tableBytes();
    const QString file1 = studentFile("v.", 1), file2 = studentFile("v.", 2);
    const QByteArray file1Bytes = readFile(file1);
    EXPECT_TRUE(g().commitCell(columnOf("D"), 1, "1"));
    for (GradeTable t : {GradeTable::JL, GradeTable::PL, GradeTable::EZ}) {
        EXPECT_FALSE(g().OpenTable(t));
        EXPECT_EQ(prompt.lastText(), kMsgTableChange);
        EXPECT_TRUE(g().entryOpen() && g().editing());
        EXPECT_EQ(g().kind(), kKindWritten);
    }
    // No, then No: the table stays open with its edits.
    prompt.clear();
    prompt.no().no();
    EXPECT_FALSE(g().Leave());
    EXPECT_TRUE(g().visible() && g().entryOpen() && g().cell(columnOf("D"), 1) == "1.0");
    EXPECT_TRUE(prompt.shown().at(1).text == kMsgConfirmDiscard && prompt.shown().at(1).kind == MsgKind::Warning);
    // The class was changed behind the open table.
    ClassTable().close();
    openClass("9b_25262.dbf");
    const QByteArray other = tableBytes();
    prompt.yes();
    EXPECT_FALSE(g().Leave());
    EXPECT_TRUE(prompt.lastText().contains("9a_25262.dbf"));
    EXPECT_TRUE(g().visible());
    EXPECT_EQ(tableBytes(), other);
    EXPECT_FALSE(QFileInfo::exists(folder.file("9b_25262/v.1")));
    // No, then Yes: nothing written anywhere.
    discard();
    EXPECT_FALSE(g().visible() || g().entryOpen() || g().editing());
    EXPECT_EQ(g().kind(), kKindYear);
    EXPECT_EQ(folder.read("9a_25262.dbf"), table);
    EXPECT_EQ(readFile(file1), file1Bytes);
    EXPECT_FALSE(QFileInfo::exists(file2));
}

TEST_F(ClassGridFlow, FinalGradeTableShowsTheRecordsWithBlanksForZero)
{
    QList<Student> rows = threeStudents();
    rows[0].fields = {{"DEU", "2*"}, {"MATH", "3*"}, {"SACHKUNDE", "-"}, {"RELIGION", "2"},
                      {"ZUSATZ4", "1"}, {"AG7", "1"}, {"DATUM", "15.07.2026"}};
    rows[1].fields = {{"DEU", "4"}, {"MATH", "??"}};
    makeClass("xa_25262.dbf", rows);
    openClass("xa_25262.dbf");
    // Record 39 holds a left-over name: EZ shows it in row 39.
    ClassTable().setValue(38, "NACHNAME", "Rest");
    ClassTable().setValue(38, "DEU", "5");
    ClassTable().setValue(39, "F11", "2");
    ClassTable().post();
    ASSERT_TRUE(g().OpenTable(GradeTable::EZ));
    EXPECT_TRUE(!g().editing() && !g().entryOpen() && !g().entryChosen() && g().kind() == kKindFinal);
    // Column c shows grade slot c: DEU, SACHKUNDE, MATH, ...; in rows 2 to 39
    // "-", "??" and empty show blank, so does a "??" average, while row 1
    // keeps its texts; F11 of the weighting record stays.
    const std::tuple<int, int, const char*> cells[] = {
        {0, 0, "Kl. 10a "}, {1, 0, "15.07.2026"}, {2, 1, "2*"}, {3, 1, "-"}, {4, 1, "3*"}, {5, 1, ""},
        {22, 1, "2"}, {23, 1, "1"}, {21, 1, "2.5"}, {2, 2, "4"}, {4, 2, "   "}, {21, 2, "   "}, {0, 39, "Rest"},
        {2, 39, "5"}, {0, 40, "FAKTOR"}, {10, 40, "2"}};
    for (const auto& [column, row, text] : cells)
        EXPECT_EQ(g().cell(column, row), text) << column << " " << row;
    // No question on leaving a view.
    EXPECT_TRUE(g().Leave());
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(ClassGridFlow, SortByAverageOrdersNumbersThenPendingThenEmptyThenNameless)
{
    QList<Student> rows = {
        {"1", "Eins", "A", "M", {{"DEU", "4"}, {"MATH", "4"}, {"RELIGION", "1"}, {"AG7", "1"}}},
        {"2", "Zwei", "B", "W", {{"DEU", "??"}, {"MATH", "2"}, {"RELIGION", "2"}}},
        {"3", "Drei", "C", "M", {{"DEU", "1"}, {"MATH", "2"}, {"RELIGION", "3"}}}, {"4", "Vier", "D", "W", {}},
        {"5", "", "", "", {{"DEU", "1"}, {"AG7", "1"}}},
        {"6", "Sechs", "E", "W", {{"DEU", "2"}, {"MATH", "2"}, {"RELIGION", "4"}}},
    };
    state().schoolTypeText = "der Gemeinschaftsschule";
    makeClass("9a_25262.dbf", rows);
    openClass("9a_25262.dbf");
    EXPECT_FALSE(g().SortMenuEntry());
    EXPECT_EQ(prompt.lastText(), kMsgOpenTableFirst);
    ASSERT_TRUE(g().OpenTable(GradeTable::JL));
    EXPECT_FALSE(g().SortMenuEntry());
    EXPECT_EQ(prompt.lastText(), kMsgNotInEntryMode);
    EXPECT_EQ((QStringList{g().rowText(1), g().rowText(5)}), (QStringList{"MuP", ""}));
    state().schoolTypeText = "der Werkrealschule";   // no profile texts elsewhere
    discard();
    ASSERT_TRUE(g().OpenTable(GradeTable::JL));
    EXPECT_EQ(g().rowText(1), "");
    discard();
    state().schoolTypeText = "der Gemeinschaftsschule";

    ASSERT_TRUE(g().OpenTable(GradeTable::EZ));
    ASSERT_TRUE(g().SortMenuEntry());
    // 1.5 (Drei), 2.0 (Sechs), 4.0 (Eins), "??" blanked to an empty average
    // (Zwei, Vier in their old order), then the nameless row.  Conduct and
    // profile text travel with their student; a row without a name has none.
    for (const auto& [row, name, conduct, profile] :
         {std::tuple{1, "Drei", "3", ""}, {2, "Sechs", "4", ""}, {3, "Eins", "1", "MuP"}, {4, "Zwei", "2", ""},
          {5, "Vier", "", ""}, {6, "", "", ""}}) {
        EXPECT_EQ(g().cell(0, row), name) << row;
        EXPECT_EQ(g().cell(22, row), conduct) << row;
        EXPECT_EQ(g().rowText(row), profile) << row;
    }
    for (int c = 0; c < kGridCells; ++c)
        EXPECT_EQ(g().cell(c, 39), "   ");

    // A pending average sorts after the numbers, before the empty ones.
    g().setCell(21, 1, "??");
    g().setCell(21, 2, "");
    g().setCell(21, 3, "3.0");
    g().SortGradeGridByAverage();
    EXPECT_EQ((QStringList{g().cell(0, 1), g().cell(0, 2), g().cell(0, 3)}), (QStringList{"Eins", "Drei", "Sechs"}));
}

TEST_F(ClassGridFlow, KeysPassOverHiddenAndSlashColumns)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    const int d = columnOf("D"), e = columnOf("E"), m = columnOf("M");   // in this order
    // Hidden columns are passed over; with nothing shown beyond, the cursor stays.
    for (const auto& [key, column] : {std::pair{GridKey::Left, d}, {GridKey::Right, e}, {GridKey::Right, m},
                                      {GridKey::Right, m}, {GridKey::Left, e}})
        EXPECT_EQ(g().keyMove(key).column, column);
    EXPECT_EQ(state().currentStudentRecord, 0);
    EXPECT_EQ(g().keyMove(GridKey::Return), (GridPos{e, 2}));
    EXPECT_TRUE(g().label9Visible() && state().currentStudentRecord == 1);
    g().selectCell(GridPos{e, 40});
    EXPECT_EQ(g().keyMove(GridKey::Return).row, 40);
    discard();

    // In JL every column is shown; a heading ending in "/" is jumped over.
    ASSERT_TRUE(g().OpenTable(GradeTable::JL));
    EXPECT_EQ(g().FirstFilteredColumn(), 2);
    g().setCell(5, 0, "Bio/");
    g().selectCell(GridPos{4, 1});
    EXPECT_EQ(g().keyMove(GridKey::Right).column, 6);
    EXPECT_EQ(g().keyMove(GridKey::Left).column, 4);
    EXPECT_EQ(g().click(GridPos{5, 3}), (GridPos{6, 3}));
    EXPECT_EQ(g().click(GridPos{0, 3}).column, 2);
    g().selectCell(GridPos{21, 1});
    EXPECT_EQ(g().keyMove(GridKey::Right).column, 21);
}

TEST_F(ClassGridFlow, EnteringDisablesMenusLeavingAsksToSaveAndFinalGradesKeepTheColumns)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::MP));
    g().selectCell(GridPos{columnOf("M"), 3});
    g().enter();
    EXPECT_TRUE(g().menusDisabled());
    EXPECT_EQ(g().current(), (GridPos{columnOf("D"), 1}));
    EXPECT_TRUE(g().commitCell(columnOf("M"), 1, "5"));
    prompt.yes();
    EXPECT_TRUE(g().exit());   // Escape
    EXPECT_FALSE(g().menusDisabled() || g().label9Visible());
    EXPECT_EQ(cellLine(gradeLines(1), ColOral, rowOf("M")), "5.0");
    // The final grades show the columns the oral table left.
    ASSERT_TRUE(g().OpenTable(GradeTable::EZ));
    EXPECT_EQ(QList<int>({g().columnWidth(columnOf("E")), g().columnWidth(columnOf("M")), g().current().column}),
              QList<int>({0, 24, columnOf("D")}));
    // "Tabelle schließen" brings every column back.
    EXPECT_TRUE(g().CloseTable());
    for (int c = 2; c <= 21; ++c)
        EXPECT_EQ(g().columnWidth(c), 24);
}
