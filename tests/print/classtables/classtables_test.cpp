// The ruled class tables and the grade list of the result list, on the
// recording printer with a printable area of 277 x 190 mm in landscape.
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "print/classlists.h"
#include "print/drivers.h"
#include "support/gradefilebytes.h"
#include "support/printclass.h"
#include "support/printfixture.h"

using namespace hsa;
using namespace hsa::test;

namespace {

class ClassTables : public PrintClassFixture {
protected:
    void SetUp() override
    {
        PrintClassFixture::SetUp();
        device().printableMM = QSizeF(190.0, 277.0);
    }
    // count rows, rows emptyRow to emptyTo (or emptyRow alone) left empty.
    void makeStudents(int count, int emptyRow = 0, int emptyTo = 0)
    {
        QList<StudentRow> rows;
        for (int i = 1; i <= count; ++i) {
            const bool empty = i == emptyRow || (i > emptyRow && i <= emptyTo);
            rows << StudentRow{QString::number(i), empty ? QString() : QStringLiteral("Name%1").arg(i),
                               empty ? QString() : QStringLiteral("Vor%1").arg(i)};
            if (!empty)
                rows.last().fields = {{"DEU", i == 2 ? "0" : QString::number(1 + i % 5)}, {"KLASSE", "9a"}};
        }
        makeClass(QStringLiteral("9a_25262.dbf"), rows);
        openClass(QStringLiteral("9a_25262.dbf"));
    }
    static QStringList onPage(const PrintJob& job, int page, int x)
    {
        QStringList out;
        for (const PrintedText& t : job.texts())
            if (t.page == page && t.x == x)
                out << t.text;
        return out;
    }
    const GridPrintGeometry wide{2, 64, 128};
};

TEST_F(ClassTables, GridGeometryFollowsTheGridDesign)
{
    const GridTableLayout l = ComputeGridTableLayout(2770, 1900, wide);
    EXPECT_EQ(std::vector<int>({l.width, l.columnWidth, l.fixedWidth, l.x(1), l.x(2), l.x(21), l.y(1)}),
              std::vector<int>({2493, 103, 206, 329, 532, 532 + 19 * 103, 48 + 63}));
    EXPECT_EQ(GridTableTitle(QStringLiteral("Tabelle"), 6, QDate(2026, 3, 15)),
              QStringLiteral("Tabelle  (Stand: 15.03.2026)"));
    EXPECT_EQ(GridTableTitle(QStringLiteral("Tabelle"), 2, QDate(2026, 3, 15)),
              QStringLiteral("Komminikationsprüfung / Praktische Prüfung  (Stand: 15.03.2026)"));
}

TEST_F(ClassTables, FinalGradeOverviewOfThirtyEightStudentsOnTwoPages)
{
    makeStudents(38);
    prompt.no(); // not sorted
    PrintFinalGradeOverview(wide);
    ASSERT_EQ(device().jobs.size(), 1);
    const PrintJob& job = device().lastJob();
    EXPECT_EQ(std::pair(job.pages, job.landscape), std::pair(2, true));
    const GridTableLayout l = ComputeGridTableLayout(2770, 1900, wide);
    EXPECT_EQ(onPage(job, 1, l.x(0) - 50), (QStringList{"35", "36", "37", "38"}));
    EXPECT_EQ(onPage(job, 1, l.x(0) + 2).mid(0, 3), (QStringList{"Klasse 9a", "Name35", "Name36"}));
    EXPECT_EQ(TextAt(job, "Name35").y(), l.y(1) + 2);
    // The title on both pages, the average row once, on the last.
    const QStringList page0 = onPage(job, 0, l.x(0));
    EXPECT_TRUE(page0.first().startsWith(QStringLiteral("Endnoten (Schnittberechnung")));
    EXPECT_TRUE(job.findText(page0.first())->bold);
    EXPECT_EQ(onPage(job, 1, l.x(0)).first(), page0.first());
    EXPECT_EQ(std::tuple(job.textStrings().count("DURCHSCHNITT "), job.findText("DURCHSCHNITT ")->page),
              std::tuple(1, 1));
    // DEU of rows 1..38 sums to 111 over 37 marks (row 2 holds 0, printed
    // blank and not counted); with the 0 counted it would be 2,9.  Row 36
    // stands in the place of row 2 on the second page.
    EXPECT_EQ(TextsAt(job, l.x(2) + 8, l.y(36) - 20), "3");
    EXPECT_EQ(TextsAt(job, l.x(2) + 2, l.y(2) + 2), "   |2");
}

// A second page is printed for the last row alone.
TEST_F(ClassTables, OnlyTheLastRowOnTheSecondPage)
{
    makeStudents(38, 35, 37);
    prompt.no(); // not sorted
    PrintFinalGradeOverview(wide);
    ASSERT_EQ(device().jobs.size(), 1);
    const PrintJob& job = device().lastJob();
    EXPECT_EQ(std::pair(job.pages, job.findText("Name38") ? job.findText("Name38")->page : -1), std::pair(2, 1));
}

TEST_F(ClassTables, GradeListPagesOfSevenNamedStudents)
{
    makeStudents(17, 3); // 16 students after an inserted empty row
    state().schoolTypeText = QStringLiteral("der Gemeinschaftsschule");
    // No exam is pending for student 1: the presets' "P" marks are taken out.
    QList<Cell> first = {{1, 1, "3.0"}, {2, 1, "2.0"}, {3, 1, "4.0"}, {5, 1, "3.0"}};
    for (int r = 2; r <= 19; ++r)
        first << Cell{1, r, "- "} << Cell{2, r, "- "};
    writeSheet(QStringLiteral("1"), 3, first);
    writeSheet(QStringLiteral("2"), 4, {{1, 1, "P"}, {5, 1, "2.0"}});
    writeSheet(QStringLiteral("4"), 0, {{5, 18, "2.0"}});
    DbfTable& table = ClassTable();
    table.setValue(3, QStringLiteral("AG7"), QStringLiteral("1"));
    table.setValue(39, QStringLiteral("NACHNAME"), QStringLiteral("FAKTOR"));
    // Every page is headed with the class of the table's first record.
    for (int r = 1; r < 39; ++r)
        table.setValue(r, QStringLiteral("KLASSE"), QStringLiteral("9b"));
    table.post();
    prompt.text(QStringLiteral("0")).text(QStringLiteral("1"));
    PrintResultListForAuthority();
    ASSERT_EQ(device().jobs.size(), 3);
    QStringList numbers;
    for (const PrintJob& job : device().jobs) {
        EXPECT_TRUE(job.landscape);
        for (const PrintedText& t : job.texts())
            if (t.x == 53 && t.fontHeight == 50 && t.text.at(0).isDigit())
                numbers << t.text;
    }
    EXPECT_EQ(numbers.size(), 16);
    EXPECT_EQ(numbers.first() + "-" + numbers.last(), "1-16");
    EXPECT_FALSE(device().jobs[2].textStrings().contains(QStringLiteral("  FAKTOR,")));
    EXPECT_TRUE(device().jobs[0].textStrings().contains(QStringLiteral("  Name4,")));
    const PrintJob& page = device().jobs[0];
    const QList<QPair<QString, QPoint>> wanted = {
        {"Notenliste für die Abschlussprüfung 2025/26", {53, 6}}, {"Klasse 9a", {53, 52}}, {"Lfd.", {53, 113}},
        {"S", {564, 205}}, {"2.0 / 4.0", {614, 246}}, {"dez / m", {614, 271}}, {"nicht bestanden", {2382, 251}},
        {"(3.0)", {2382, 297}}, {"mit Genehmigung", {2380, 481}}, {"zurückgetreten", {2380, 527}},
        {"Prof = MuP", {2381, 665}}, {"Abkürzungen:", {53, 1825}}};
    for (const auto& [text, p] : wanted)
        EXPECT_EQ(TextAt(page, text), p) << text.toStdString();
    EXPECT_EQ(TextAt(device().jobs[1], "Klasse 9a"), QPoint(53, 52));
    // Student 2's pending written exam (and every pending exam of the
    // presets) prints empty: the only "P" on a page is the label column's.
    for (const PrintJob& job : device().jobs) {
        for (const PrintedText& t : job.texts()) {
            if (t.text.trimmed() == QStringLiteral("P")) {
                EXPECT_EQ(t.x, 564) << "\"P\" at " << t.x << ", " << t.pageY();
            }
        }
    }
    EXPECT_EQ(TextsAt(page, 614, 46 * 7 + 113), ""); // S row of block 2, first subject
}

// Name2's grade file is cut inside the year marks, Name4's holds a year
// mark "65": every class print that reads the grade files tells of exactly
// these two, once, after the job, and still prints; a sound class hears
// nothing.
TEST_F(ClassTables, FlawedGradeFilesAreToldOncePerClassPrint)
{
    makeStudents(5, 3);
    for (const char* nr : {"1", "2", "4", "5"})
        writeSheet(QString::fromLatin1(nr), 0, {{5, 1, "2.0"}, {5, 2, "3.0"}});
    const QString v = className.left(8) + QStringLiteral("/v.");
    const QByteArray sound = folder.read(v + "2");
    const auto spoil = [&](bool flawed) {
        folder.write(v + "2", flawed ? FirstLines(sound, 101) : sound);
        folder.write(v + "4", flawed ? WithLine(sound, CellLine(5, 2), "65") : sound);
    };
    const struct {
        const char* what;
        std::function<void()> print;
    } prints[] = {
        {"final grade overview", [this] { prompt.no(); PrintFinalGradeOverview(wide); }},
        {"year marks", [this] { prompt.no().no(); PrintJahresleistungTable(true, wide); }},
        {"oral exams with marks", [this] { prompt.yes().no(); PrintExamEntryTable(true, wide); }},
        {"result list", [this] { prompt.text("1"); PrintResultListForAuthority(); }},
    };
    for (const auto& p : prints) {
        for (const bool flawed : {true, false}) {
            SCOPED_TRACE(std::string(p.what) + (flawed ? " flawed" : " sound"));
            spoil(flawed);
            prompt.clear();
            device().jobs.clear();
            p.print();
            EXPECT_EQ(prompt.remainingAnswers(), 0);
            EXPECT_FALSE(device().jobs.isEmpty());
            const QStringList told = Warnings(prompt);
            if (!flawed) {
                EXPECT_TRUE(told.isEmpty()) << told.join('|').toStdString();
                continue;
            }
            ASSERT_EQ(told.size(), 1);
            EXPECT_TRUE(told[0].contains("Nr. 2 Name2, Vor2: unvollständig (101 von 226 Zeilen)")) << told[0].toStdString();
            EXPECT_TRUE(told[0].contains("Nr. 4 Name4, Vor4: Noten außerhalb")) << told[0].toStdString();
            EXPECT_FALSE(told[0].contains("Name1") || told[0].contains("Name5"));
        }
    }
}

} // namespace
