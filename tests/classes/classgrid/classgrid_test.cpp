#include "gridfixture.h"

#include "classes/subjects.h"
#include "grades/gradeslots.h"

using namespace hsa;
using namespace hsa::test;

namespace {

class ClassGridFlow : public GridFixture {
protected:
    ClassGrid& g() { return classGrid(); }

    // A class 9a with three students; student 1 has a grade file with year
    // marks and notes, the others have none.
    void threeStudentClass(const QString& name = QStringLiteral("9a_25262.dbf"))
    {
        makeClass(name, threeStudents());
        openClass(name);
        writeSheet(1, {{ColYear, "D", "2.0"}, {ColYear, "M", "3.0"}, {ColYear, "E", "2.0"},
                       {ColWritten, "D", "2.3"}},
                   {"Notiz eins", "Notiz zwei"});
    }
    QStringList headings() const
    {
        QStringList h;
        for (int c = 0; c < kGridCells; ++c)
            h << classGrid().cell(c, 0);
        return h;
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Pure rules

TEST(GridRules, EntryCellNormaliser)
{
    const QList<std::pair<QString, QString>> cases = {
        {"37", "3.7"}, {"3.", "3.0"}, {"4", "4.0"}, {"7", "- "}, {"2,5", "2.5"},
        {"p", "P"},    {"pq", "P"},   {"P ", "P "}, {"", "-"},   {"2.35", ""},
        {"2.3-", "2.3-"}, {"2.3*", "2.3*"}, {"-", "-"}, {"- ", "- "}, {"0", "- "},
        {"6.0", "6.0"}, {"6.5", "- "}, {"0.5", "- "}, {"1.0", "1.0"}, {" 3", "3   "},
        {"65", "6.5"}, {"x", "- "},
    };
    for (const auto& [typed, stored] : cases)
        EXPECT_EQ(NormaliseGridEntryCell(typed), stored) << typed.toStdString();
}

// A committed cell holds what the rule no longer changes: a mark above 6
// or a half-normalised text never reaches a grade file.
TEST(GridRules, CommittedCellsSettle)
{
    const QList<std::pair<QString, QString>> cases = {
        {"65", "- "},  {"6,5", "- "}, {" 3", "3.0"},  {"  4", "4.0"}, {"2.35", "-"},
        {"2,", "2.0"}, {"0,5", "- "}, {"37", "3.7"},  {"7", "- "},    {"2.3*", "2.3*"},
        {"p", "P"},    {"", "-"},     {"2,5", "2.5"}, {"4", "4.0"},   {"5.5", "5.5"},
        {"P2", "2.0"}, {"P 2,5", "2.5"}, {"p3.7", "3.7"}, {"P7", "- "},
    };
    for (const auto& [typed, stored] : cases) {
        EXPECT_EQ(SettleGridEntryCell(typed), stored) << typed.toStdString();
        EXPECT_EQ(NormaliseGridEntryCell(stored), stored) << typed.toStdString();
    }
}

TEST(GridRules, FiltersByTableClassAndEveningMode)
{
    EXPECT_EQ(ColumnFilterFor(GradeTable::SP, "9a_25262.dbf", false), "*D*E*M*");
    EXPECT_EQ(ColumnFilterFor(GradeTable::SP, "xa_25262.dbf", false), "*D*E*M*Te*AES*F*");
    EXPECT_EQ(ColumnFilterFor(GradeTable::PL, "Xb_25262.dbf", false), "*D*E*M*Te*AES*F*");
    EXPECT_EQ(ColumnFilterFor(GradeTable::PL, "9a_25262.dbf", true), "*D*E*M*");
    EXPECT_EQ(ColumnFilterFor(GradeTable::MP, "9a_25262.dbf", false), "*D*M*");
    EXPECT_EQ(ColumnFilterFor(GradeTable::MP, "9a_25262.dbf", true), "*D*M*G*Geo*Gk*Ph*Ch*Bio*");
    EXPECT_EQ(ColumnFilterFor(GradeTable::KP, "xa_25262.dbf", true), "*E*");
    EXPECT_EQ(ColumnFilterFor(GradeTable::PP, "9a_25262.dbf", false), "*Te*AES*F*");
    EXPECT_EQ(ColumnFilterFor(GradeTable::JL, "xa_25262.dbf", false), "");
    EXPECT_EQ(ColumnFilterFor(GradeTable::EZ, "xa_25262.dbf", false), "");
    EXPECT_TRUE(FilterContainsHeading("*D*E*M*", "E  "));
    EXPECT_FALSE(FilterContainsHeading("*D*E*M*", "Mu"));
    EXPECT_FALSE(FilterContainsHeading("*D*E*M*", ""));
}

TEST(GridRules, TitlesAndHeadings)
{
    EXPECT_EQ(GridClassTitle("9a_25262.dbf", kKindWritten), "Klasse 9a");
    EXPECT_EQ(GridClassTitle("xb_25262.dbf", kKindYear), "Kl. 10b  ");
    EXPECT_EQ(GridClassTitle("Xb_25262.dbf", kKindExam), "Kl. 10b  ");
    EXPECT_EQ(GridClassTitle("xb_25262.dbf", kKindFinal), "Kl. 10b ");
    EXPECT_EQ(GridClassTitle("Yc_25262.dbf", kKindFinal), "Kl. 10c  HSA");
    EXPECT_EQ(GridTableHeading(kKindWritten), "Schriftlich");
    EXPECT_EQ(GridTableHeading(kKindComm), "KP / Prakt.");
    EXPECT_EQ(GridTableHeading(kKindOral), "Mündlich");
    EXPECT_EQ(GridTableHeading(kKindYear), "Jahresleist.");
    EXPECT_EQ(GradeTableKindOf(GradeTable::PP), 2);
    EXPECT_EQ(GradeTableKindOf(GradeTable::KP), 2);
    EXPECT_TRUE(EndsWithSlash("Bio/  "));
    EXPECT_FALSE(EndsWithSlash("   "));
    EXPECT_FALSE(EndsWithSlash("B/io"));
}

TEST(GridRules, ProfileTextOfAG7)
{
    const std::array<QString, 6> codes{"BKP", "MuP", "SpP", "NwT", "IMP", "Spa"};
    EXPECT_EQ(ProfileRowText("2", codes), "SpP");
    EXPECT_EQ(ProfileRowText("0", codes), "BKP");
    EXPECT_EQ(ProfileRowText("6", codes), "Spa");
    // An empty field is no profile subject, not the first one.
    EXPECT_EQ(ProfileRowText("", codes), "");
    EXPECT_EQ(ProfileRowText("-1", codes), "");
    EXPECT_EQ(ProfileRowText("abc", codes), "");
    EXPECT_EQ(ProfileRowText("9", codes), "");
}

// ---------------------------------------------------------------------------
// Filling

TEST_F(ClassGridFlow, WrittenExamTableShowsTheWrittenMarksOfEveryStudent)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    EXPECT_TRUE(g().visible());
    EXPECT_TRUE(g().editing());
    EXPECT_TRUE(g().entryOpen());
    EXPECT_EQ(g().kind(), kKindWritten);
    EXPECT_EQ(state().gradeTableKind, kKindWritten);
    EXPECT_EQ(g().cell(0, 0), "Klasse 9a");
    EXPECT_EQ(g().cell(1, 0), "Schriftlich");
    EXPECT_EQ(g().cell(columnOf("D"), 0), "D");
    EXPECT_EQ(g().cell(21, 0), "Ø");
    EXPECT_EQ(g().cell(22, 0), "V");
    EXPECT_EQ(g().cell(23, 0), "M");
    EXPECT_EQ(g().cell(0, 1), "Berg");
    EXPECT_EQ(g().cell(1, 2), "Bernd");
    EXPECT_EQ(g().cell(columnOf("D"), 1), "2.3");
    // Students without a grade file show the presets: written exam pending.
    EXPECT_EQ(g().cell(columnOf("D"), 2), "P");
    EXPECT_EQ(g().cell(columnOf("E"), 2), "- ");
    // Only D, E and M are shown; the first of them is current.
    for (int c = 2; c <= 21; ++c) {
        const QString h = g().cell(c, 0);
        const bool shown = h == "D" || h == "E" || h == "M";
        EXPECT_EQ(g().columnWidth(c), shown ? 24 : 0) << h.toStdString();
    }
    EXPECT_EQ(g().columnWidth(0), kGridWidthUntouched);
    EXPECT_EQ(g().FirstFilteredColumn(), columnOf("D"));
    EXPECT_EQ(g().current(), (GridPos{columnOf("D"), 1}));
    // No averages in an entry table.
    EXPECT_EQ(g().cell(21, 1), "");
    // The weighting record is named on opening, in the file too.
    EXPECT_EQ(g().cell(0, 40), "FAKTOR");
    EXPECT_EQ(ClassTable().value(39, "NACHNAME"), "FAKTOR");
    EXPECT_EQ(QString::fromLatin1(rawField(tableBytes(), 39, "NACHNAME")).trimmed(), "FAKTOR");
    // The row of a student without a name cannot be typed into, nor rows 39
    // and 40.
    EXPECT_TRUE(g().isEditableCell(columnOf("D"), 1));
    EXPECT_FALSE(g().isEditableCell(columnOf("D"), 0));
    EXPECT_FALSE(g().isEditableCell(columnOf("D"), 4));
    EXPECT_FALSE(g().isEditableCell(columnOf("D"), 39));
    EXPECT_FALSE(g().isEditableCell(columnOf("D"), 40));
    EXPECT_FALSE(g().isEditableCell(columnOf("Mu"), 1));
    EXPECT_FALSE(g().isEditableCell(0, 1));
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(ClassGridFlow, EveryEntryKindShowsItsExamGridColumn)
{
    threeStudentClass();
    writeSheet(2, {{ColComm, "E", "1.7"}, {ColOral, "M", "4.0"}, {ColYear, "Mu", "2.0"},
                   {ColComm, "Te", "3.3"}});
    struct Case {
        GradeTable table;
        QString code;
        QString mark;
        QString heading;
    };
    const QList<Case> cases = {{GradeTable::KP, "E", "1.7", "KP / Prakt."},
                               {GradeTable::MP, "M", "4.0", "Mündlich"},
                               {GradeTable::JL, "Mu", "2.0", "Jahresleist."},
                               {GradeTable::PP, "Te", "3.3", "KP / Prakt."}};
    for (const Case& c : cases) {
        ASSERT_TRUE(g().OpenTable(c.table));
        EXPECT_EQ(g().cell(columnOf(c.code), 2), c.mark) << c.code.toStdString();
        EXPECT_EQ(g().cell(1, 0), c.heading);
        EXPECT_EQ(g().columnWidth(columnOf(c.code)), 24);
        prompt.no().yes();   // leave without saving
        ASSERT_TRUE(g().Leave());
    }
    // JL shows every column.
    ASSERT_TRUE(g().OpenTable(GradeTable::JL));
    for (int c = 2; c <= 21; ++c)
        EXPECT_EQ(g().columnWidth(c), 24);
    EXPECT_EQ(g().FirstFilteredColumn(), 2);
}

TEST_F(ClassGridFlow, ExamPerformanceTableIsAViewWithAverages)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::PL));
    EXPECT_FALSE(g().editing());
    EXPECT_FALSE(g().entryOpen());
    EXPECT_EQ(g().kind(), kKindExam);
    // Written 2.3 only: exam performance 2.3 in D.
    EXPECT_EQ(g().cell(columnOf("D"), 1), "2.3");
    EXPECT_FALSE(g().cell(21, 1).trimmed().isEmpty());
    EXPECT_FALSE(g().isEditableCell(columnOf("D"), 1));
    EXPECT_FALSE(g().commitCell(columnOf("D"), 1, "1"));
    // Leaving a view table asks nothing.
    EXPECT_TRUE(g().Leave());
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_FALSE(g().visible());
}

TEST_F(ClassGridFlow, ProfileTextsInAGemeinschaftsschule)
{
    state().schoolTypeText = "der Gemeinschaftsschule";
    QList<Student> rows = threeStudents();
    rows[0].fields = {{"AG7", "3"}};
    rows[1].fields = {{"AG7", ""}};
    rows[2].fields = {{"AG7", "-1"}};
    rows << Student{"4", "", "", "", {{"AG7", "1"}}};
    makeClass("9a_25262.dbf", rows);
    openClass("9a_25262.dbf");
    ASSERT_TRUE(g().OpenTable(GradeTable::JL));
    EXPECT_EQ(g().rowText(1), "NwT");
    EXPECT_EQ(g().rowText(2), "");
    EXPECT_EQ(g().rowText(3), "");
    EXPECT_EQ(g().rowText(4), "");  // no name, no text
    EXPECT_EQ(state().gridRowTexts.size(), kGridRows);

    state().schoolTypeText = "der Werkrealschule";
    prompt.no().yes();
    ASSERT_TRUE(g().Leave());
    ASSERT_TRUE(g().OpenTable(GradeTable::JL));
    EXPECT_EQ(g().rowText(1), "");
}

TEST_F(ClassGridFlow, DamagedGradeFileLocksItsRowAndIsNeverOverwritten)
{
    threeStudentClass();
    static const char bytes[] = "2.0\r\n\0\0\0garbage";
    const QByteArray damaged(bytes, sizeof bytes - 1);
    writeFile(studentFile("v.", 2), damaged);
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.lastText().contains("Czech Bernd (v.2)"));
    EXPECT_FALSE(g().isEditableCell(columnOf("D"), 2));
    EXPECT_FALSE(g().commitCell(columnOf("D"), 2, "1"));
    EXPECT_TRUE(g().commitCell(columnOf("D"), 3, "1"));
    prompt.clear();
    prompt.yes();
    ASSERT_TRUE(g().Leave());
    EXPECT_EQ(readFile(studentFile("v.", 2)), damaged);
    EXPECT_EQ(cellLine(gradeLines(3), ColWritten, rowOf("D")), "1.0");
}

// ---------------------------------------------------------------------------
// Saving and discarding

TEST_F(ClassGridFlow, AMarkAboveSixNeverReachesTheGradeFile)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    const int d = columnOf("D");
    const int m = columnOf("M");
    EXPECT_TRUE(g().commitCell(d, 2, "65"));
    EXPECT_EQ(g().cell(d, 2), "- ");
    EXPECT_TRUE(g().commitCell(m, 2, " 3"));
    EXPECT_EQ(g().cell(m, 2), "3.0");
    prompt.yes();
    ASSERT_TRUE(g().Leave());
    EXPECT_EQ(cellLine(gradeLines(2), ColWritten, rowOf("D")).trimmed(), "-");
    EXPECT_EQ(cellLine(gradeLines(2), ColWritten, rowOf("M")), "3.0");
}

TEST_F(ClassGridFlow, SavingWritesTheTypedMarksIntoGradeFilesAndRecords)
{
    QList<Student> rows = threeStudents();
    rows[0].fields = {{"RELIGION", "2"}, {"ZUSATZ4", "3"}};
    rows[1].fields = {{"RELIGION", "1"}, {"ZUSATZ4", "1"}};
    makeClass("9a_25262.dbf", rows);
    openClass("9a_25262.dbf");
    writeSheet(1, {{ColYear, "D", "2.0"}, {ColYear, "M", "3.0"}, {ColYear, "E", "2.0"},
                   {ColWritten, "M", "3.0"}},
                   {"Notiz eins", "Notiz zwei"});
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    const QByteArray before = tableBytes();
    const QByteArray file1Before = readFile(studentFile("v.", 1));

    const int d = columnOf("D");
    EXPECT_TRUE(g().commitCell(d, 1, "37"));
    EXPECT_EQ(g().cell(d, 1), "3.7");
    EXPECT_TRUE(g().commitCell(d, 2, "2,5"));
    EXPECT_EQ(g().cell(d, 2), "2.5");

    // The expected grade file of student 1: the old sheet with the typed
    // mark, recomputed.
    const GradeContext ctx = GradeContextFromState();
    ExamSheet expected1 = LoadStudentGradeFile(studentFile("v.", 1), ctx);
    expected1.grid.at(ColWritten, rowOf("D")) = "3.7";
    GradeList list1{};
    RecalcExamGrid(expected1.grid, ctx, list1);
    // Student 2 had no file: the presets with the typed mark, nothing of
    // student 1.
    ExamSheet expected2 = PresetExamSheet(ctx);
    expected2.grid.at(ColWritten, rowOf("D")) = "2.5";
    GradeList list2{};
    RecalcExamGrid(expected2.grid, ctx, list2);

    prompt.yes();
    ASSERT_TRUE(g().Leave());
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(prompt.shown().at(0).text, kMsgLeaveSave);
    EXPECT_FALSE(g().visible());
    EXPECT_FALSE(g().entryOpen());
    EXPECT_EQ(g().kind(), kKindYear);

    EXPECT_NE(readFile(studentFile("v.", 1)), file1Before);
    EXPECT_EQ(gradeLines(1), GradeFileLines(expected1, ctx));
    EXPECT_EQ(gradeLines(2), GradeFileLines(expected2, ctx));
    EXPECT_EQ(cellLine(gradeLines(1), ColWritten, rowOf("D")), "3.7");
    EXPECT_EQ(cellLine(gradeLines(1), ColYear, rowOf("D")), "2.0");
    EXPECT_EQ(gradeLines(1).value(181), "Notiz eins");
    EXPECT_EQ(cellLine(gradeLines(2), ColYear, rowOf("D")), "- ");
    EXPECT_EQ(cellLine(gradeLines(2), ColWritten, rowOf("M")), "P");
    // Rows without a name get no file; rows 39 and 40 never.
    EXPECT_FALSE(QFileInfo::exists(studentFile("v.", 4)));
    EXPECT_FALSE(QFileInfo::exists(studentFile("v.", 39)));
    EXPECT_FALSE(QFileInfo::exists(studentFile("v.", 40)));

    // The class table: only the grade slots 2 to 20 of the three students
    // changed, never conduct and cooperation.
    const QByteArray after = tableBytes();
    QSet<QString> expectedChanges;
    for (int rec = 1; rec <= 3; ++rec) {
        const GradeList& list = rec == 1 ? list1 : list2;
        for (int k = 2; k <= 20; ++k) {
            const QString field = GradeSlotFieldName(k);
            if (rawField(before, rec - 1, field) != rawField(after, rec - 1, field))
                expectedChanges << QStringLiteral("%1:%2").arg(rec).arg(field);
            if (rec <= 2) {
                EXPECT_EQ(QString::fromLatin1(rawField(after, rec - 1, field)).trimmed(),
                          list[k].trimmed())
                    << rec << " " << field.toStdString();
            }
        }
    }
    // Deutsch is subject index 4, kept in the slot MATH.
    EXPECT_TRUE(expectedChanges.contains("1:" + GradeSlotFieldName(columnOf("D"))));
    EXPECT_EQ(changedFields(before, after), expectedChanges);
    EXPECT_EQ(rawField(after, 0, "RELIGION"), rawField(before, 0, "RELIGION"));
    EXPECT_EQ(rawField(after, 1, "RELIGION").trimmed(), "1");
    EXPECT_EQ(rawField(after, 1, "ZUSATZ4").trimmed(), "1");
    EXPECT_EQ(state().currentStudentRecord, 0);
}

TEST_F(ClassGridFlow, GradeFileOfARowIsNamedByTheRowNotByNr)
{
    QList<Student> rows = threeStudents();
    rows[1].nr = "7";
    makeClass("9a_25262.dbf", rows);
    openClass("9a_25262.dbf");
    ASSERT_TRUE(g().OpenTable(GradeTable::JL));
    EXPECT_TRUE(g().commitCell(columnOf("Mu"), 2, "2"));
    prompt.yes();
    ASSERT_TRUE(g().Leave());
    EXPECT_TRUE(QFileInfo::exists(studentFile("v.", 2)));
    EXPECT_FALSE(QFileInfo::exists(studentFile("v.", 7)));
    EXPECT_EQ(cellLine(gradeLines(2), ColYear, rowOf("Mu")), "2.0");
}

TEST_F(ClassGridFlow, DiscardingNeedsConfirmationAndWritesNothing)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    const QByteArray table = tableBytes();
    const QByteArray file1 = readFile(studentFile("v.", 1));
    EXPECT_TRUE(g().commitCell(columnOf("D"), 1, "1"));

    // No, then No: the table stays open and unchanged.
    prompt.no().no();
    EXPECT_FALSE(g().Leave());
    EXPECT_TRUE(g().visible());
    EXPECT_TRUE(g().entryOpen());
    EXPECT_EQ(g().cell(columnOf("D"), 1), "1.0");
    EXPECT_EQ(prompt.shown().at(1).text, kMsgConfirmDiscard);
    EXPECT_EQ(prompt.shown().at(1).kind, MsgKind::Warning);

    // No, then Yes: nothing written anywhere.
    prompt.no().yes();
    EXPECT_TRUE(g().Leave());
    EXPECT_FALSE(g().visible());
    EXPECT_FALSE(g().entryOpen());
    EXPECT_FALSE(g().editing());
    EXPECT_EQ(g().kind(), kKindYear);
    EXPECT_EQ(tableBytes(), table);
    EXPECT_EQ(readFile(studentFile("v.", 1)), file1);
    EXPECT_FALSE(QFileInfo::exists(studentFile("v.", 2)));
}

TEST_F(ClassGridFlow, ASecondTableIsRefusedAndTheOpenOneKeepsItsEdits)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    EXPECT_TRUE(g().commitCell(columnOf("D"), 1, "1"));
    for (GradeTable t : {GradeTable::JL, GradeTable::PL, GradeTable::EZ}) {
        prompt.clear();
        EXPECT_FALSE(g().OpenTable(t));
        EXPECT_EQ(prompt.lastText(), kMsgTableChange);
        EXPECT_TRUE(g().entryOpen());
        EXPECT_TRUE(g().editing());
        EXPECT_EQ(g().kind(), kKindWritten);
    }
    prompt.clear();
    prompt.yes();
    ASSERT_TRUE(g().Leave());
    EXPECT_EQ(cellLine(gradeLines(1), ColWritten, rowOf("D")), "1.0");
}

TEST_F(ClassGridFlow, MarksNeverGoIntoAnotherClass)
{
    threeStudentClass();
    makeClass("9b_25262.dbf", threeStudents());
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    EXPECT_TRUE(g().commitCell(columnOf("D"), 2, "1"));
    // The class was changed behind the open table.
    ClassTable().close();
    openClass("9b_25262.dbf");
    const QByteArray other = tableBytes();
    prompt.yes();
    EXPECT_FALSE(g().Leave());
    EXPECT_TRUE(prompt.lastText().contains("9a_25262.dbf"));
    EXPECT_TRUE(g().visible());
    EXPECT_EQ(tableBytes(), other);
    EXPECT_FALSE(QFileInfo::exists(folder.file("9b_25262/v.2")));
    // Giving the marks up still works.
    prompt.no().yes();
    EXPECT_TRUE(g().Leave());
}

TEST_F(ClassGridFlow, WithoutAnOpenClassNothingOpens)
{
    EXPECT_FALSE(g().OpenTable(GradeTable::JL));
    EXPECT_FALSE(g().visible());
    EXPECT_TRUE(g().Leave());
}

// ---------------------------------------------------------------------------
// Final grades

TEST_F(ClassGridFlow, FinalGradeTableShowsTheRecordsWithBlanksForZero)
{
    QList<Student> rows = threeStudents();
    rows[0].fields = {{"DEU", "2*"}, {"MATH", "3*"}, {"SACHKUNDE", "-"}, {"RELIGION", "2"},
                      {"ZUSATZ4", "1"}, {"AG7", "1"}, {"DATUM", "15.07.2026"}};
    rows[1].fields = {{"DEU", "4"}, {"MATH", "??"}};
    makeClass("xa_25262.dbf", rows);
    openClass("xa_25262.dbf");
    {
        // Record 39 holds a left-over name: EZ shows it in row 39.
        ClassTable().setValue(38, "NACHNAME", "Rest");
        ClassTable().setValue(38, "DEU", "5");
        ClassTable().setValue(39, "F11", "2");
        ClassTable().post();
    }
    ASSERT_TRUE(g().OpenTable(GradeTable::EZ));
    EXPECT_FALSE(g().editing());
    EXPECT_FALSE(g().entryOpen());
    EXPECT_FALSE(g().entryChosen());
    EXPECT_EQ(g().kind(), kKindFinal);
    EXPECT_EQ(g().cell(0, 0), "Kl. 10a ");
    EXPECT_EQ(g().cell(1, 0), "15.07.2026");
    // Column c shows grade slot c: DEU, SACHKUNDE, MATH, ... F11 to F21.
    EXPECT_EQ(g().cell(2, 1), "2*");       // DEU
    EXPECT_EQ(g().cell(3, 1), "   ");      // "-" in row 1 is blanked too
    EXPECT_EQ(g().cell(4, 1), "3*");       // MATH
    EXPECT_EQ(g().cell(5, 1), "   ");      // empty
    EXPECT_EQ(g().cell(22, 1), "2");
    EXPECT_EQ(g().cell(23, 1), "1");
    EXPECT_EQ(g().cell(21, 1), "2.5");
    EXPECT_EQ(g().cell(2, 2), "4");
    EXPECT_EQ(g().cell(4, 2), "   ");      // "??" shows blank
    EXPECT_EQ(g().cell(21, 2), "   ");     // so does its "??" average
    EXPECT_EQ(g().cell(0, 39), "Rest");
    EXPECT_EQ(g().cell(2, 39), "5");
    EXPECT_EQ(g().cell(0, 40), "FAKTOR");
    EXPECT_EQ(g().cell(10, 40), "2");      // F11 of the weighting record is kept
    // No question on leaving a view.
    EXPECT_TRUE(g().Leave());
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(ClassGridFlow, FinalGradesKeepTheColumnsThePreviousTableLeft)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    g().enter();
    EXPECT_TRUE(g().menusDisabled());
    prompt.no().yes();
    EXPECT_TRUE(g().exit());  // Escape
    EXPECT_FALSE(g().menusDisabled());
    ASSERT_TRUE(g().OpenTable(GradeTable::EZ));
    EXPECT_EQ(g().columnWidth(columnOf("Mu")), 0);
    EXPECT_EQ(g().columnWidth(columnOf("D")), 24);
    EXPECT_EQ(g().current().column, columnOf("D"));
    // "Tabelle schließen" brings every column back.
    EXPECT_TRUE(g().CloseTable());
    EXPECT_EQ(g().columnFilter(), "");
    for (int c = 2; c <= 21; ++c)
        EXPECT_EQ(g().columnWidth(c), 24);
}

// ---------------------------------------------------------------------------
// Sorting

TEST_F(ClassGridFlow, SortByAverageOrdersNumbersThenPendingThenEmptyThenNameless)
{
    QList<Student> rows = {
        {"1", "Eins", "A", "M", {{"DEU", "4"}, {"MATH", "4"}, {"RELIGION", "1"}}},
        {"2", "Zwei", "B", "W", {{"DEU", "??"}, {"MATH", "2"}, {"RELIGION", "2"}}},
        {"3", "Drei", "C", "M", {{"DEU", "1"}, {"MATH", "2"}, {"RELIGION", "3"}}},
        {"4", "Vier", "D", "W", {}},
        {"5", "", "", "", {{"DEU", "1"}}},
        {"6", "Sechs", "E", "W", {{"DEU", "2"}, {"MATH", "2"}, {"RELIGION", "4"}}},
    };
    rows[0].fields << QPair<QString, QString>{"AG7", "1"};
    state().schoolTypeText = "der Gemeinschaftsschule";
    makeClass("9a_25262.dbf", rows);
    openClass("9a_25262.dbf");

    EXPECT_FALSE(g().SortMenuEntry());
    EXPECT_EQ(prompt.lastText(), kMsgOpenTableFirst);
    ASSERT_TRUE(g().OpenTable(GradeTable::JL));
    prompt.clear();
    EXPECT_FALSE(g().SortMenuEntry());
    EXPECT_EQ(prompt.lastText(), kMsgNotInEntryMode);
    prompt.clear();
    prompt.no().yes();
    ASSERT_TRUE(g().Leave());

    ASSERT_TRUE(g().OpenTable(GradeTable::EZ));
    ASSERT_TRUE(g().SortMenuEntry());
    QStringList order;
    for (int r = 1; r <= 6; ++r)
        order << g().cell(0, r);
    // 1.5 (Drei), 2.0 (Sechs), 4.0 (Eins), "??" blanked to an empty average
    // (Zwei, Vier in their old order), then the nameless row.
    EXPECT_EQ(order, (QStringList{"Drei", "Sechs", "Eins", "Zwei", "Vier", ""}));
    // Conduct and profile text travel with their student.
    EXPECT_EQ(g().cell(22, 1), "3");
    EXPECT_EQ(g().cell(22, 2), "4");
    EXPECT_EQ(g().cell(22, 3), "1");
    EXPECT_EQ(g().rowText(3), "MuP");
    EXPECT_EQ(g().rowText(1), "");
    for (int c = 0; c < kGridCells; ++c)
        EXPECT_EQ(g().cell(c, 39), "   ");
    EXPECT_EQ(g().cell(0, 40), "FAKTOR");
}

TEST_F(ClassGridFlow, PendingAverageSortsAfterNumbersBeforeEmpty)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::PL));
    g().setCell(21, 1, "??");
    g().setCell(21, 2, "");
    g().setCell(21, 3, "3.0");
    g().SortGradeGridByAverage();
    EXPECT_EQ(g().cell(0, 1), "Dorn");
    EXPECT_EQ(g().cell(0, 2), "Berg");
    EXPECT_EQ(g().cell(0, 3), "Czech");
}

// ---------------------------------------------------------------------------
// Keys and mouse

TEST_F(ClassGridFlow, KeysPassOverHiddenAndSlashColumns)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::SP));
    const int d = columnOf("D"), e = columnOf("E"), m = columnOf("M");
    ASSERT_LT(d, e);
    ASSERT_LT(e, m);
    EXPECT_EQ(g().current().column, d);
    EXPECT_EQ(g().keyMove(GridKey::Left).column, d);   // nothing shown to the left
    EXPECT_EQ(g().keyMove(GridKey::Right).column, e);  // hidden columns passed over
    EXPECT_EQ(g().keyMove(GridKey::Right).column, m);
    EXPECT_EQ(g().keyMove(GridKey::Right).column, m);  // nothing shown to the right
    EXPECT_EQ(g().keyMove(GridKey::Left).column, e);
    EXPECT_EQ(state().currentStudentRecord, 0);
    EXPECT_EQ(g().keyMove(GridKey::Return), (GridPos{e, 2}));
    EXPECT_TRUE(g().label9Visible());
    EXPECT_EQ(state().currentStudentRecord, 1);
    g().selectCell(GridPos{e, 40});
    EXPECT_EQ(g().keyMove(GridKey::Return).row, 40);
    prompt.no().yes();
    ASSERT_TRUE(g().Leave());

    // In JL every column is shown; a heading ending in "/" is jumped over.
    ASSERT_TRUE(g().OpenTable(GradeTable::JL));
    g().setCell(5, 0, "Bio/");
    g().selectCell(GridPos{4, 1});
    EXPECT_EQ(g().keyMove(GridKey::Right).column, 6);
    EXPECT_EQ(g().keyMove(GridKey::Left).column, 4);
    EXPECT_EQ(g().click(GridPos{5, 3}), (GridPos{6, 3}));
    EXPECT_EQ(g().click(GridPos{0, 3}).column, 2);
    g().selectCell(GridPos{21, 1});
    EXPECT_EQ(g().keyMove(GridKey::Right).column, 21);
}

TEST_F(ClassGridFlow, EnteringDisablesMenusAndLeavingAsksToSave)
{
    threeStudentClass();
    ASSERT_TRUE(g().OpenTable(GradeTable::MP));
    g().selectCell(GridPos{columnOf("M"), 3});
    g().enter();
    EXPECT_TRUE(g().menusDisabled());
    EXPECT_EQ(g().current(), (GridPos{columnOf("D"), 1}));
    EXPECT_EQ(GridFocusDisabledMenus().size(), 8);
    EXPECT_FALSE(GridFocusDisabledMenus().contains("Notentabellen1"));
    EXPECT_TRUE(g().commitCell(columnOf("M"), 1, "5"));
    prompt.yes();
    EXPECT_TRUE(g().exit());
    EXPECT_FALSE(g().menusDisabled());
    EXPECT_FALSE(g().label9Visible());
    EXPECT_EQ(cellLine(gradeLines(1), ColOral, rowOf("M")), "5.0");
}
