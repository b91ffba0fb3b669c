// The participant and communication lists, protocols, note pages and the
// list choice: on a class built by hand with a page 203 x 287 mm (so
// W = 1930), and on a real class read with its grade files.
#include "classes/dbftable.h"
#include "grades/examsheet.h"
#include "grades/gradecontext.h"
#include "grades/gradewindowcontroller.h"
#include "print/layouts/notepages.h"
#include "print/layouts/protocols.h"
#include "print/layouts/subjectlists.h"
#include "print/notepagecommands.h"
#include "print/printdata.h"
#include "print/subjectlistchoice.h"
#include "print/subjectlistprint.h"
#include "support/classfolder.h"
#include "support/gradefilebytes.h"
#include "support/printfixture.h"
#include "support/scopedhook.h"

using namespace hsa;

namespace {

class LayoutTest : public test::PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        dev().printableMM = QSizeF(203.0, 287.0);
        std::array<QString, kSubjectEntryCount> names{};
        const char* subjects[] = {"Deutsch", "Mathematik", "Englisch", "Biologie", "Wirtschaft-/Beruf"};
        for (int i = 2; i < 21; ++i)
            names[i] = i < 7 ? QString::fromUtf8(subjects[i - 2]) : QStringLiteral("Fach%1").arg(i);
        cls.classFile = QStringLiteral("xa_25262.dbf");
        cls.schoolName = QStringLiteral("Realschule?Irgendwo");
        cls.subjects.subjectNames = names;
        cls.context = MakeGradeContext(names, cls.classFile, false);
        cls.today = QDate(2026, 3, 15);
    }
    // A student whose exam-grid row holds the cells written, comm, oral, year.
    static StudentPrintData student(int nr, int row, const QString& written, const QString& comm = {},
                                    const QString& oral = {}, const QString& year = {})
    {
        StudentPrintData st;
        std::tie(st.record, st.nr, st.surname, st.firstName, st.klasse) =
            std::tuple(nr, QString::number(nr), QStringLiteral("Name%1").arg(nr), QStringLiteral("Vor"), "10a");
        ExamGrid& g = st.sheet.grid;
        std::tie(g.at(ColWritten, row), g.at(ColComm, row), g.at(ColOral, row), g.at(ColYear, row)) =
            std::tie(written, comm, oral, year);
        st.sheet.fromFile = true;
        return st;
    }
    ClassPrintData cls;
};

TEST_F(LayoutTest, SelectionAndMarksPerListType)
{
    const int row = 2; // Mathematik, s = 3
    const std::vector<StudentPrintData> students{
        student(1, row, QStringLiteral("P"), {}, QStringLiteral("P"), QStringLiteral("3.0")),
        student(2, row, QStringLiteral("2.0"), QStringLiteral("P"), {}, QStringLiteral("2.0")),
        student(3, row, QStringLiteral("- ")),
        student(4, row, QStringLiteral("3.4"), QStringLiteral("2.0"), QStringLiteral("2.0"), QStringLiteral("3.0")),
        student(5, row, QStringLiteral("P"), {}, QStringLiteral("P"), QStringLiteral("3.0")),
    };
    struct Case { const char* name; int type, kind; bool marks; QString title; QList<int> listed; };
    const Case cases[] = {
        {"written", ListWritten, kExamOral, true, "Schriftliche Prüfungen im Fach Mathematik", {1, 2, 4, 5}},
        {"oral", ListOral, kExamOral, true, "Mündliche Prüfungen im Fach Mathematik", {1, 4, 5}},
        {"practical", ListOral, kExamPractical, false, "Praktische Prüfungen im Fach Mathematik", {2, 4}},
        {"organisation", ListOrganisation, kExamOral, true, "Schriftliche Prüfungen im Fach Mathematik", {1, 4, 5}},
    };
    for (const Case& c : cases) {
        PrintSubjectExamList(cls, students, 3, c.type, c.kind, c.marks);
        const PrintJob& job = dev().lastJob();
        EXPECT_EQ(at(job, c.title), QPoint(100, 100)) << c.name;
        for (int nr = 1; nr <= 5; ++nr)
            EXPECT_EQ(at(job, QStringLiteral("Name%1 Vor").arg(nr)).y(),
                      c.listed.contains(nr) ? 260 + 75 * c.listed.indexOf(nr) : -1) << c.name << " student " << nr;
        // The organisation list carries no marks.
        EXPECT_EQ(job.findText(QStringLiteral("Endn. Bereich")).has_value(), c.type == ListOral && c.marks)
            << c.name;
    }
    // The oral list with marks: the written column with the second mark after
    // four blanks, the exam mark, and boundary texts computed row by row (the
    // pending written mark of student 5 gets "-", not the text of student 4).
    PrintSubjectExamList(cls, students, 3, ListOral, kExamOral, true);
    const PrintJob& job = dev().lastJob();
    EXPECT_EQ(textsAt(job, 1114 + 14, 335) + "|" + textsAt(job, 1621 + 34, 335), "3.4    2.0|2.0");
    EXPECT_EQ(textsAt(job, 1331, 260) + "|" + textsAt(job, 1331, 335) + "|" + textsAt(job, 1331, 410),
              "-|3 :  [ 1,0...5,7 ]|-");
}

// The column headings that change with the subject and the exam kind, read
// exactly; (-1, -1) for a heading not printed.
TEST_F(LayoutTest, ColumnHeadingsBySubjectAndKind)
{
    struct Case { int s, type, kind; bool marks; QString text; QPoint p; };
    const Case cases[] = {
        {4, ListOral, kExamOral, true, "Schr./KP.", {1128, 175}},      // English
        {3, ListOral, kExamOral, true, "Schr.", {1128, 175}},          // mathematics
        {4, ListOral, kExamPractical, true, "Schr./KP", {1128, 175}},  // English, communication exam
        {6, ListOral, kExamPractical, true, "Schr./Pr", {1128, 175}},  // a practical subject
        {6, ListOral, kExamPractical, true, "Pr. P-Note", {1635, 175}},
        {4, ListWritten, kExamOral, false, "Note   ", {932, 175}},
        {4, ListWritten, kExamOral, false, "Erstkorrektur", {932, 210}},
        {2, ListWritten, kExamOral, false, "Erstkorrektur", {932, 210}},
        {5, ListWritten, kExamOral, false, "Erstkorrektur", {-1, -1}}, // no correction columns
    };
    for (const Case& c : cases) {
        PrintSubjectExamList(cls, {student(1, c.s - 1, "P", {}, "P", "3.0")}, c.s, c.type, c.kind, c.marks);
        EXPECT_EQ(at(dev().lastJob(), c.text), c.p) << c.s << " " << c.type << " " << c.kind << " " << c.text.toStdString();
    }
}

TEST_F(LayoutTest, LongListsContinueOnFurtherPages)
{
    std::vector<StudentPrintData> students;
    for (int nr = 1; nr <= 38; ++nr)
        students.push_back(student(nr, 2, QStringLiteral("P")));
    PrintSubjectExamList(cls, students, 3, ListWritten, kExamOral, false);
    const PrintJob& job = dev().lastJob();
    ASSERT_EQ(job.pages, 2);
    // Rows, heading texts and the one foot, per page.
    QList<int> perPage{0, 0, 0, 0, 0, 0};
    for (const PrintedText& t : job.texts()) {
        perPage[t.page] += t.text.startsWith(QStringLiteral("Name"));
        perPage[2 + t.page] += t.text == QStringLiteral("Schüler") || t.text == QStringLiteral("Erstkorrektur");
        perPage[4 + t.page] += t.text == QStringLiteral("(Unterschrift)");
    }
    EXPECT_EQ(perPage, QList<int>({32, 6, 2, 2, 0, 1}));
    EXPECT_EQ(at(job, QStringLiteral("(Unterschrift)")), QPoint(1164, 260 + 6 * 75 + 120));
    // The first page's vertical rules end at its last row rule.
    int firstPageBottom = 0;
    for (const PrintedLine& l : job.lines())
        if (l.page == 0 && l.x1 == 100 && l.x2 == 100)
            firstPageBottom = -l.y2;
    EXPECT_EQ(firstPageBottom, 260 + 32 * 75 - 20);
    for (const auto& [rows, pages] : {std::pair(35, 1), {36, 2}}) {
        PrintCommunicationExamList(cls, {students.begin(), students.begin() + rows}, QStringLiteral("10a"), 4, false);
        EXPECT_EQ(dev().lastJob().pages, pages) << rows << " rows";
    }
}

TEST_F(LayoutTest, ProtocolsBySelectionWordAndAbort)
{
    struct Case { const char* name; int type, kind; QString comm, oral, word; };
    const Case cases[] = {
        {"oral pending", ListOralProtocols, kExamOral, "2.0", "P", "mündliche"},
        {"practical pending, kind oral", ListOralProtocols, kExamOral, "P", "", "mündliche"},
        {"practical pending", ListOralProtocols, kExamPractical, "P", "", "praktische"},
        {"oral pending, kind practical", ListOralProtocols, kExamPractical, "", "P", ""},
        {"communication", ListCommProtocols, kExamOral, "P", "", "Kommunikationsprüfung"},
        {"communication, oral only", ListCommProtocols, kExamOral, "", "P", ""},
    };
    for (const Case& c : cases) {
        const StudentPrintData st = student(1, 3, {}, c.comm, c.oral);
        EXPECT_EQ(ProtocolExamWord(st.sheet.grid, 3, c.type, c.kind), c.word) << c.name;
    }
    std::vector<StudentPrintData> students;
    for (int nr = 1; nr <= 4; ++nr)
        students.push_back(student(nr, 5, QStringLiteral("2.0"), {}, QStringLiteral("P")));
    int pauses = 0;
    QStringList progress;
    {
        const test::ScopedHook progressHook(printLoopHooks().progress, [&](const QString& t) { progress << t; });
        const test::ScopedHook pauseHook(printLoopHooks().pause, [&] { state().printAbortRequested = ++pauses == 2; });
        const PrintLoopScope loop(false);
        EXPECT_FALSE(PrintExamProtocols(cls, students, 6, ListOralProtocols, kExamOral, loop));
    }
    ASSERT_EQ(dev().jobs.size(), 2);
    EXPECT_EQ(progress, QStringList({"Name1  Vor", "Name2  Vor", ""})); // hidden at the end
    EXPECT_FALSE(state().printAbortRequested);
    for (const auto& [text, y] : {std::pair("Irgendwo", 80), {"Abschlussprüfung Schuljahr 25/26", 150},
                                  {"Niederschrift über die mündliche Prüfung", 340},
                                  {"im Fach Wirtschaft- Beruf", 410}, {"Name2, Vor", 630}})
        EXPECT_EQ(at(dev().lastJob(), QString::fromUtf8(text)), QPoint(708, y)) << text;
    PrintExamProtocol(cls, students[0], 4, QStringLiteral("Kommunikationsprüfung"));
    const auto title = dev().lastJob().findText(QStringLiteral("Niederschrift über die Kommunikationsprüfung"));
    ASSERT_TRUE(title);
    EXPECT_EQ(std::tuple(title->x, title->pageY(), title->fontHeight, title->bold), std::tuple(708, 340, 60, true));
}

// A protocol order names the subjects in which no student is marked for the
// exam, instead of printing nothing without a word.
TEST_F(LayoutTest, ProtocolsTellSubjectsWithoutMarkedStudents)
{
    const std::vector<StudentPrintData> students{student(1, 5, QStringLiteral("2.0"), {}, QStringLiteral("P"))};
    const QString br = QStringLiteral("\n\r");
    const struct {
        int type, kind;
        std::vector<int> subjects;
        qsizetype jobs;
        QString told;
    } rows[] = {
        {ListOralProtocols, kExamOral, {6}, 1, {}},
        {ListOralProtocols, kExamOral, {6, 7}, 1,
         "Kein Schüler ist für die mündliche Prüfung markiert (\"P\") im Fach:" + br + "Fach7" + br + br
             + "Dafür wurde kein Protokoll gedruckt."},
        {ListOralProtocols, kExamPractical, {6}, 0,
         "Kein Schüler ist für die praktische Prüfung markiert (\"P\") im Fach:" + br + "Wirtschaft-/Beruf" + br + br
             + "Dafür wurde kein Protokoll gedruckt."},
        {ListCommProtocols, kExamOral, {4, 6}, 0,
         "Kein Schüler ist für die Kommunikationsprüfung markiert (\"P\") im Fach:" + br + "Englisch" + br
             + "Wirtschaft-/Beruf" + br + br + "Dafür wurde kein Protokoll gedruckt."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.told.toStdString());
        dev().jobs.clear();
        prompt.clear();
        SubjectListOrder order;
        order.listType = r.type;
        order.examKind = r.kind;
        order.subjects = r.subjects;
        EXPECT_TRUE(PrintSubjectListOrder(order, cls, QStringLiteral("10a"), students));
        EXPECT_EQ(dev().jobs.size(), r.jobs);
        EXPECT_EQ(prompt.texts(), r.told.isEmpty() ? QStringList{} : QStringList{r.told});
    }
}

TEST_F(LayoutTest, RangePromptsKeepTheirOwnRange)
{
    state().printFromNr = 2;
    state().printToNr = 30;
    for (const char* answer : {"40", "39", "38", "40", "39"})
        prompt.text(QString::fromLatin1(answer));
    const auto range = AskNoteRange();
    ASSERT_TRUE(range);
    EXPECT_EQ(std::tuple(range->from, range->to, prompt.remainingAnswers()), std::tuple(39, 39, 0));
    prompt.cancelText();
    EXPECT_FALSE(AskNoteRange());
    // Positions 3 to 7: record positions, whatever NR says; gaps and the
    // weighting record are skipped, a record without first name is not.
    std::vector<StudentPrintData> records;
    for (int pos = 1; pos <= 7; ++pos) {
        records.push_back(student(pos + 10, 1, {}));
        records.back().record = pos;
    }
    records[3].surname.clear();
    records[4].surname = QStringLiteral("FAKTOR");
    records[2].sheet.fromFile = false; // no grade file: the head only
    records[6].firstName.clear();
    PrintNoteFields(cls, records, NoteRange{3, 7}, PrintLoopScope());
    QStringList heads;
    for (const PrintJob& job : dev().jobs)
        heads << job.texts().at(1).text;
    EXPECT_EQ(heads, QStringList({"13)  Name13 Vor  ", "16)  Name16 Vor  ", "17)  Name17   "}));
    EXPECT_EQ(std::pair(state().printFromNr, state().printToNr), std::pair(2, 30));
}

TEST_F(LayoutTest, FortyFiveNoteLinesAndTheWarning)
{
    StudentPrintData st = student(7, 1, {});
    st.projectGroup = QStringLiteral("3");
    for (int n : {45, 46}) {
        QStringList notes;
        for (int i = 1; i <= n; ++i)
            notes << QStringLiteral("Zeile %1").arg(i);
        PrintNoteFieldsCurrent(cls, st, notes);
        const PrintJob& job = dev().lastJob();
        EXPECT_EQ(std::tuple(at(job, "Zeile 45"), at(job, "Zeile 46"), at(job, kNotesTooLong)),
                  std::tuple(QPoint(100, 2500), QPoint(-1, -1), n == 46 ? QPoint(100, 2550) : QPoint(-1, -1)))
            << n;
        // The page ends with the font height 4.
        int lastHeight = 0;
        for (const PrintOp& op : job.ops)
            if (op.kind == PrintOp::FontHeight)
                lastHeight = op.value;
        EXPECT_EQ(lastHeight, 4) << n;
    }
    const PrintJob& job = dev().lastJob();
    EXPECT_EQ(std::pair(at(job, "xa_25262.dbf   (Stand: 15.03.2026)"), at(job, "Projektgruppe 3")),
              std::pair(QPoint(100, 100), QPoint(1600, 200)));
}

TEST_F(LayoutTest, PrintButtonChecksAndAsks)
{
    SubjectListChoice choice;
    choice.applyPreset(SubjectListPresets()[0], cls.subjects.subjectNames);
    choice.toggle(19); // no subject: stays empty
    EXPECT_FALSE(choice.pressPrint());
    EXPECT_EQ(std::tuple(choice.rows[19].mark, prompt.lastText(), choice.visible),
              std::tuple(QString(), kMsgChooseSubject, true));
    // The nineteenth subject (row 18) is printed like any other.
    for (int row : {18, 1, 1, 1})
        choice.toggle(row);
    choice.setListType(-1);
    EXPECT_FALSE(choice.pressPrint());
    EXPECT_EQ(std::pair(prompt.lastText(), choice.visible), std::pair(kMsgNoListType, false));
    EXPECT_EQ(prompt.shown().last().buttons, Buttons::Cancel);
    for (int type = 0; type <= 5; ++type) {
        prompt.clear();
        choice.setListType(type);
        const bool asks = type == 0 || type == 1 || type == 5;
        if (asks)
            prompt.yes();
        const auto order = choice.pressPrint();
        ASSERT_TRUE(order) << type;
        EXPECT_EQ(std::pair(prompt.anyTextContains(kAskWithMarks), order->withMarks), std::pair(asks, asks)) << type;
        EXPECT_EQ(order->subjects, std::vector<int>({3, 20})) << type;
    }
}

class OpenClassPrint : public test::RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        setPrinterSystem(&rec.system());
        gradeWindow().reset();
        QList<test::StudentRow> rows;
        for (int nr = 1; nr <= 38; ++nr)
            rows.append({QString::number(nr), QStringLiteral("Name%1").arg(nr), QStringLiteral("Vor"), "M",
                         {{"KLASSE", "10a"}}});
        rows.append({"39", "FAKTOR", "", "", {}});
        makeClass("xa_25262.dbf", rows);
        openClass("xa_25262.dbf");
        const GradeContext context = GradeContextFromState();
        for (int nr = 1; nr <= 39; ++nr)
            if (nr != 5)
                SaveStudentGradeFile(classFolder() + "/v." + QString::number(nr), PresetExamSheet(context), context);
    }
    void TearDown() override
    {
        gradeWindow().reset();
        RealClassFixture::TearDown();
    }
    ScopedRecordingPrinter rec;
};

TEST_F(OpenClassPrint, CommunicationListTakesStudentsUpToThirtyEight)
{
    SubjectListChoice choice;
    ASSERT_TRUE(choice.applyPreset(SubjectListPresets()[6], state().subjectData.subjectNames));
    prompt.no();
    const auto order = choice.pressPrint();
    ASSERT_TRUE(order);
    PrintSubjectListsOfOpenClass(*order);
    ASSERT_EQ(rec.device().jobs.size(), 1);
    const PrintJob& job = rec.device().lastJob();
    QStringList numbers;
    for (const PrintedText& t : job.texts())
        if (t.x == 114 && t.pageY() >= kListFirstRowY)
            numbers << t.text;
    // Every student but the one without a grade file, never the weighting record.
    EXPECT_EQ(numbers.size(), 37);
    EXPECT_TRUE(numbers.contains("38") && !numbers.contains("5") && !numbers.contains("39"));
    EXPECT_EQ(std::pair(job.pages, rec.device().batchesEnded), std::pair(2, 1));
}

TEST_F(OpenClassPrint, NotePagesOfTheRangeAndOfTheGradeWindow)
{
    prompt.text("30").text("39");
    PrintNotePagesOfRange();
    EXPECT_EQ(rec.device().jobs.size(), 9); // positions 30 to 38; 39 is the weighting record
    GradeWindowController& gw = gradeWindow();
    ASSERT_TRUE(gw.Open(1));
    gw.setNotesText("erste Zeile\nneu getippt");
    PrintGradeWindowNotePage();
    const PrintJob& job = rec.device().lastJob();
    EXPECT_EQ(std::pair(test::TextAt(job, "neu getippt").y(), test::TextAt(job, "2)  Name2 Vor  ").y()),
              std::pair(350, 200));
    EXPECT_FALSE(folder.read(QStringLiteral("xa_25262/v.2")).contains("neu getippt")); // printing saves nothing
}

// The subject lists and the note pages read the grade files of the class:
// a cut file (Name7) and one with a mark "65" (Name9) are told once per
// print, and printed; a sound class hears nothing.
TEST_F(OpenClassPrint, SubjectListsAndNotePagesTellFlawedGradeFilesOnce)
{
    const QString v = QStringLiteral("xa_25262/v.");
    const QByteArray sound = folder.read(v + "7");
    const auto spoil = [&](bool flawed) {
        folder.write(v + "7", flawed ? test::FirstLines(sound, 190) : sound);
        folder.write(v + "9", flawed ? test::WithLine(sound, test::CellLine(ColWritten, 1), "65") : sound);
    };
    SubjectListChoice choice;
    ASSERT_TRUE(choice.applyPreset(SubjectListPresets()[6], state().subjectData.subjectNames));
    prompt.no();
    const auto order = choice.pressPrint();
    ASSERT_TRUE(order);
    const struct {
        const char* what;
        std::function<void()> print;
    } prints[] = {
        {"subject list", [&] { PrintSubjectListsOfOpenClass(*order); }},
        {"note pages", [this] { prompt.text("1").text("12"); PrintNotePagesOfRange(); }},
    };
    for (const auto& p : prints) {
        for (const bool flawed : {true, false}) {
            SCOPED_TRACE(std::string(p.what) + (flawed ? " flawed" : " sound"));
            spoil(flawed);
            prompt.clear();
            rec.device().jobs.clear();
            p.print();
            EXPECT_FALSE(rec.device().jobs.isEmpty());
            const QStringList told = test::Warnings(prompt);
            if (!flawed) {
                EXPECT_TRUE(told.isEmpty()) << told.join('|').toStdString();
                continue;
            }
            ASSERT_EQ(told.size(), 1);
            EXPECT_TRUE(told[0].contains("Nr. 7 Name7, Vor: unvollständig (190 von 226 Zeilen)")) << told[0].toStdString();
            EXPECT_TRUE(told[0].contains("Nr. 9 Name9, Vor: Noten außerhalb")) << told[0].toStdString();
            EXPECT_EQ(told[0].count("Nr. "), 2);
        }
    }
}

} // namespace
