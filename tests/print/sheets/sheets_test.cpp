// The student sheets of kinds 2, 3, 4, 5 and 29, laid out from hand-made
// values on the recording printer; exam tables and a grade-list page of a
// real class as PDF files, read back.
#include "grades/examsheet.h"
#include "grades/gradecontext.h"
#include "print/classlists.h"
#include "print/drivers.h"
#include "print/printer.h"
#include "print/qtprintdevice.h"
#include "support/pdfwords.h"
#include "support/printclass.h"
#include "support/printfixture.h"

#include <algorithm>
#include <functional>

using namespace hsa;
using namespace hsa::test;

namespace {

using Placed = QList<QPair<QString, QPoint>>;

class Sheets : public test::PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        cls.classFile = QStringLiteral("9a_25262.dbf");
        cls.schoolName = QStringLiteral("Realschule?Irgendwo");
        cls.today = QDate(2026, 3, 5);
        std::tie(st.firstName, st.surname, st.klasse, st.birthDate, st.birthPlace) =
            std::tuple("Ina", "Adler", "9a", "01.02.2010", "Ulm");
        st.sheet.resultIndex = 0;
    }
    // n subject entries: 0 and 1 conduct, then "Fach2" ...
    void subjects(int n)
    {
        for (int k = 0; k < kGradeListRows; ++k)
            st.gradeNames[k] = k < n ? QStringLiteral("Fach%1").arg(k) : QString();
        cls.context = MakeGradeContext(st.gradeNames, cls.classFile, false);
    }
    const PrintJob& print(int kind)
    {
        EXPECT_EQ(PrintStudentDocument(kind, cls, st), StudentPrintResult::Printed);
        EXPECT_TRUE(dev().lastJob().ended);
        return dev().lastJob();
    }
    static void expectPlaced(const PrintJob& job, const Placed& expected, const std::string& name = {})
    {
        for (const auto& [text, p] : expected)
            EXPECT_EQ(at(job, text), p) << name << " " << text.toStdString();
    }
    ClassPrintData cls;
    StudentPrintData st;
};

// Kinds 2 and 3: head, student block, a long subject name split in two
// lines, no mark beside "Projekt" on the right, "(PF)" for an exam subject
// unless its oral mark is starred.
TEST_F(Sheets, MarkSheetsOfBothKinds)
{
    subjects(16);
    st.gradeNames[4] = QStringLiteral("Geschichte/Gemeinschaft\\kunde");
    st.gradeNames[12] = QStringLiteral("Projektprüfung");
    auto& g = st.sheet.grid;
    for (const auto& [c, r, text] : {std::tuple(ColYear, 11, "2.0"), {ColAverage, 11, "2.3"},
                                     {ColExamResult, 11, "2.5"}, {ColAverage, 3, "3.1"}, {ColExamResult, 3, "3.0"},
                                     {ColOral, 3, "3.0*"}, {ColYear, 1, "4.0"}, {ColYear, 8, "1.0"}})
        g.at(c, r) = QString::fromLatin1(text);
    const Placed both = {{"Realschule", {250, 95}}, {"Irgendwo", {250, 150}}, {"Abschlussprüfung ", {250, 250}},
                         {"Schuljahr 25/26", {700, 250}}, {"Klasse 9a", {700, 310}}, {"Stand: 05.03.2026", {1080, 310}},
                         {"Vor- und Zuname:", {250, 510}}, {"Ina Adler", {700, 510}}, {"01.02.2010", {700, 570}},
                         {"Ulm", {700, 630}}, {"Klassenlehrer/in", {700, 2505}},
                         {"Geschichte/Gemeinschaft", {250, 1090 - 17}}, {"kunde", {250, 1090 + 18}},
                         {" ", {1080, 1020 + 70 * (12 - 10)}}};
    const PrintJob& year = print(2);
    expectPlaced(year, both + Placed{{"Jahresleistung", {250, 310}}, {"Jahresleistung:", {250, 850}},
                                     {"4.0", {700, 950}}, {"1.0", {1540, 950}}, {"2.0", {-1, -1}}}, "kind 2");
    const QList<PrintedLine> lines = year.lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(std::pair(lines[0].y1, lines[2].x2), std::pair(-240, 1300));
    expectPlaced(print(3), both + Placed{{"Endnoten 1D", {250, 310}}, {"Endnoten (1D) :", {250, 850}},
                                         {"2.3  (PF)", {1540, 1160}}, {"3.1", {700, 1090}}}, "kind 3");
}

// The left column ends after half the subjects on every sheet; the choice
// sheets keep 65 between rows, the mark sheets 70.
TEST_F(Sheets, SubjectColumnsSplitBySubjectCount)
{
    struct Row { int kind, n, leftEnd; const char* file; };
    const Row rows[] = {{2, 16, 8, "9a"},   {2, 17, 9, "9a"},   {2, 18, 9, "9a"},   {2, 20, 10, "9a"},
                        {2, 21, 10, "9a"},  {29, 16, 8, "9a"},  {29, 18, 10, "9a"}, {29, 20, 10, "9a"},
                        {29, 16, 8, "xa"},  {29, 17, 9, "Ya"}, {29, 20, 9, "xa"}, {29, 17, 9, "9a"}};
    for (const Row& r : rows) {
        cls.classFile = QString::fromLatin1(r.file) + QStringLiteral("_25262.dbf");
        subjects(r.n);
        const PrintJob& job = print(r.kind);
        const bool choice = r.kind == 29;
        const std::string name = "kind " + std::to_string(r.kind) + " n " + std::to_string(r.n);
        EXPECT_EQ(at(job, QStringLiteral("Fach%1").arg(r.leftEnd)),
                  QPoint(250, choice ? 65 * (r.leftEnd - 3) + 640 : 70 * (r.leftEnd - 3) + 1020)) << name;
        EXPECT_EQ(at(job, QStringLiteral("Fach%1").arg(r.leftEnd + 1)), QPoint(1080, choice ? 575 : 950)) << name;
        EXPECT_FALSE(job.findText(QStringLiteral("Fach%1").arg(r.n))) << name;
    }
}

TEST_F(Sheets, BoundaryGradesAndEachDashRule)
{
    subjects(12);
    struct Row { const char *code, *written, *comm, *oral, *year, *expected; };
    const Row rows[] = {
        {"D", "3.0", "- ", "- ", "3.0", "3 :  [ 1,0...6,0 ]@1165"},
        {"G", "2.0", "- ", "- ", "- ", ""},       // no year mark: nothing
        {"M", "3.0", "- ", "2.0", "3.0", "-@1170"}, // row 3 with an oral mark
        {"Ph", "- ", "- ", "- ", "3.0", "-@1170"},  // no written mark
        {"Te", "3.0", "2.0", "- ", "3.0", "-@1170"}, // a practical mark
        {"F", "3.0", "P", "- ", "3.0", "-@1170"},   // a pending practical exam
        {"E", "3.0", "- ", "- ", "3.0", "-@1170"},  // English
        {"Proj", "2.0", "- ", "- ", "2.0", "-@1170"}, // no bounds
        {"Bio", "3.4", "- ", "- ", "3.0", "3 :  [ 1,0...5,7 ]@1165"},
        {"Ch", "P", "- ", "- ", "3.0", "-@1170"},   // written still pending
    };
    for (int i = 0; i < 10; ++i) {
        ExamGrid& g = st.sheet.grid;
        const Row& r = rows[i];
        std::tie(g.at(ColCode, i + 1), g.at(ColWritten, i + 1), g.at(ColComm, i + 1), g.at(ColOral, i + 1),
                 g.at(ColYear, i + 1)) = std::tuple(r.code, r.written, r.comm, r.oral, r.year);
    }
    st.sheet.grid.at(ColCode, 0) = QStringLiteral("- "); // the grid's own heading cell, as a grade file has it
    const PrintJob& job = print(5);
    // The heading row is the sheet's: nothing of the grid is printed over it.
    EXPECT_EQ(textsAt(job, 280, 770), "Fach");
    for (int i = 0; i < 10; ++i) {
        QStringList found;
        for (const PrintedText& t : job.texts())
            if (t.pageY() == 770 + 70 * (i + 1) && (t.x == 1165 || t.x == 1170))
                found << QStringLiteral("%1@%2").arg(t.text).arg(t.x);
        EXPECT_EQ(found.join(QLatin1Char('|')), QString::fromUtf8(rows[i].expected)) << "row " << rows[i].code;
    }
    expectPlaced(job, {{"3.0   ", {880, 840}}, {"Meldung zur mü. Prüfung", {250, 310}}, {"Ina Adler", {880, 450}},
                       {"01.02.2010", {880, 510}}, {"Ulm", {880, 570}}, {"Geburtsort:", {250, 570}},
                       {"Stand: 05.03.2026", {1400, 310}},
                       {" Datum, Unterschrift Erziehungsberechtigte/r", {1170, 770 + 2040}}});
    // Six column rules, the top rule and twenty row rules.
    EXPECT_EQ(job.lines().size(), 2 + 6 + 1 + 20);
}

// The exam table's heading, grid and foot; the class-9 line at x 1750.
TEST_F(Sheets, ExamTableOfAFullSheet)
{
    subjects(12);
    const char* row1[] = {"D", "3.0", "- ", "- ", "2.5", "2.0", "2.3", "2", "1"};
    for (int c = 0; c < kExamGridColumns; ++c)
        st.sheet.grid.at(c, 1) = QString::fromLatin1(row1[c]);
    const PrintJob& job = print(4);
    const int t = 650, h = 60;
    expectPlaced(job, {{"Klasse 9a", {880, 250}}, {"Schuljahr 25/26", {1480, 250}}, {"Ina Adler", {880, 350}},
                       {"Ulm", {880, 470}}, {"Fach", {280, t}}, {"P r ü f u n g s l e i s t u n g", {620, t - h}},
                       {"D", {280, t + h}}, {"3.0", {480, t + h}}, {"2", {1680, t + h}}, {"X", {1295, 830 + 21 * h}},
                       {"(   )  Hauptschulabschluss bestanden", {1280, 830 + 21 * h}},
                       {"(   )  Werkrealschulabschluss bestanden", {1280, 830 + 22 * h}},
                       {"(   )  Realschulabschluss bestanden", {1280, 830 + 23 * h}},
                       {"Vorsitzende/r des Prüfungsausschusses", {250, 830 + 32 * h + 20}},
                       {"Dienstsiegel", {1250, 830 + 32 * h - 4}}});
    EXPECT_TRUE(job.findText(QStringLiteral("D"))->bold && !job.findText(QStringLiteral("3.0"))->bold);
    for (const char* file : {"9a_25262.dbf", "xa_25262.dbf"}) {
        cls.classFile = QString::fromLatin1(file);
        const QList<PrintedLine> lines = print(4).lines();
        const int extra = file[0] == '9' ? 1 : 0;
        const auto atX1750 = std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.x1 == 1750; });
        EXPECT_EQ(std::tuple(lines.size(), atX1750), std::tuple(4 + 11 + 23 + extra, extra)) << file;
    }
}
TEST_F(Sheets, ExamTableCases)
{
    subjects(12);
    using Grid = std::initializer_list<std::tuple<int, int, const char*>>;
    // The texts at (x, y), "" for none.
    struct Case { const char* name; Grid cells; std::function<void()> more; int x, y; const char* expected; };
    const int t = 650, h = 60;
    const QString option = QStringLiteral(") Abschlusszeugnis auf Wunsch des Schülers ohne Note für die Fremdsprache");
    const std::function<void()> none;
    const Case cases[] = {
        {"Schnitt 2,4", {{7, 1, "2"}, {7, 2, "2"}, {7, 3, "2"}, {7, 4, "3"}, {7, 5, "3"}}, none, 1680, t + 20 * h, "2.4"},
        {"ganze Note 2", {{7, 1, "2"}, {7, 2, "2"}, {7, 3, "2"}, {7, 4, "3"}, {7, 5, "3"}}, none, 1680, t + 21 * h, " 2"},
        {"ganze Note 3", {{7, 1, "2"}, {7, 2, "3"}}, none, 1680, t + 21 * h, " 3"},
        {"Schnitt ??", {{7, 1, "2"}, {7, 2, "??"}}, none, 1680, t + 20 * h, ""},
        {"ganze Note zu ??", {{7, 1, "2"}, {7, 2, "??"}}, none, 1680, t + 21 * h, ""},
        {"Schnitt ohne Note", {}, none, 1680, t + 20 * h, " - "},
        {"ganze Note ohne Note", {}, none, 1680, t + 21 * h, ""},
        {"Gewicht 2", {{7, 1, "2"}, {8, 2, "2"}}, none, 1755, t + 2 * h + 5, "Gew=2"},
        {"Gewicht ohne Endnote", {{7, 1, "- "}, {8, 2, "2"}}, none, 1755, t + 2 * h + 5, ""},
        {"Gewicht 1", {{7, 1, "2"}, {8, 2, "1 "}}, none, 1755, t + 2 * h + 5, ""},
        {"Zelle P", {{1, 2, "P"}}, none, 480, t + 2 * h, ""},
        {"Zelle ??", {{4, 2, "??"}}, none, 1080, t + 2 * h, ""},
        {"Abendschule", {}, [this] { SetModeHeadings(st.sheet.grid, true); }, 480, t, "schr(1)"},
        {"Profilfach", {{0, 4, "Prof "}}, [this] { st.sheet.profileIndex = 2; }, 280, t + 4 * h, "SpP"},
        {"kein Profilfach", {{0, 4, "Prof"}}, none, 280, t + 4 * h, "Prof"},
        {"Fremdsprache 3.0-", {{0, 3, "E"}, {5, 3, "3.0-"}, {6, 3, "3.0"}}, none, 250, 830 + 29 * h, "( X "},
        {"Fremdsprache leer", {{0, 3, "E"}, {5, 3, "- "}, {6, 3, "3.0"}}, none, 250, 830 + 29 * h, "(  "},
        {"keine Fremdsprache", {{0, 3, "D"}, {5, 3, "3.0-"}, {6, 3, "3.0"}}, none, 250, 830 + 29 * h, "(  "},
        {"Klasse 10", {{0, 3, "E"}, {5, 3, "3.0-"}, {6, 3, "3.0"}},
         [this] { cls.classFile = QStringLiteral("xa_25262.dbf"); }, 250, 830 + 29 * h, ""},
    };
    for (const Case& c : cases) {
        cls.classFile = QStringLiteral("9a_25262.dbf");
        cls.schoolTypeText = QStringLiteral("der Gemeinschaftsschule");
        st.sheet = {};
        for (const auto& [col, row, text] : c.cells)
            st.sheet.grid.at(col, row) = QString::fromLatin1(text);
        if (c.more)
            c.more();
        QString want = QString::fromUtf8(c.expected);
        if (want.startsWith(QLatin1Char('(')))
            want += option;
        EXPECT_EQ(textsAt(print(4), c.x, c.y), want) << c.name;
    }
    // The "X" marks exam results 0 to 2 only.
    for (int result = -1; result <= 5; ++result) {
        st.sheet.resultIndex = result;
        const auto x = print(4).findText(QStringLiteral("X"));
        EXPECT_EQ(x ? x->pageY() : 0, result >= 0 && result <= 2 ? 830 + (21 + result) * h : 0) << result;
    }
}

// Size, weight and underline of headings and ticked lines, read with their
// punctuation.
TEST_F(Sheets, HeadingFonts)
{
    subjects(16);
    struct Case { int kind; const char* file; QString text; int x, y, height; bool bold, underline; };
    const int t = 830, h = 60;
    const Case cases[] = {
        {29, "xa", "Anmeldung zur mündlichen Prüfung", 250, 1520, 58, true, true},
        {29, "xa", "(   ) NuT (Natur und Technik)", 250, 1935, 44, false, false},
        {29, "xa", "Ich melde mich an zur Prüfung im Fach ", 250, 1710, 44, true, false},
        {4, "9a", "(   )  Realschulabschluss bestanden", 1280, t + 23 * h, 41, true, false},
        {4, "9a", "(  ) Abschlusszeugnis auf Wunsch des Schülers ohne Note für die Fremdsprache", 250, t + 29 * h, 41,
         false, false},
        {4, "9a", "Prüfungsergebnis:", 1280, t + 20 * h, 48, true, false},
    };
    for (const Case& c : cases) {
        cls.classFile = QString::fromLatin1(c.file) + QStringLiteral("_25262.dbf");
        const auto p = print(c.kind).findText(c.text);
        ASSERT_TRUE(p) << c.text.toStdString();
        EXPECT_EQ(std::tuple(p->x, p->pageY(), p->fontHeight, p->bold, p->underline),
                  std::tuple(c.x, c.y, c.height, c.bold, c.underline)) << c.text.toStdString();
    }
}

// The school name in both halves, two lines or one; no mark beside "Projekt".
TEST_F(Sheets, StudentSheetOfClassesXAndY)
{
    struct Case { const char *file, *school, *title; int n, leftEnd; Placed names; };
    const Case cases[] = {
        {"xa_25262.dbf", "Realschule?Irgendwo", "Abschlussprüfung WRS", 16, 8,
         {{"Realschule", {250, 95}}, {"Irgendwo", {250, 150}}, {"Realschule", {250, 1300}}, {"Irgendwo", {250, 1345}}}},
        {"Ya_25262.dbf", "Schule Irgendwo", "Abschlussprüfung HS", 17, 9,
         {{"Schule Irgendwo", {250, 150}}, {"Schule Irgendwo", {700, 1300}}}},
    };
    for (const Case& c : cases) {
        cls.classFile = QString::fromLatin1(c.file);
        cls.schoolName = QString::fromUtf8(c.school);
        subjects(c.n);
        st.gradeNames[c.n - 1] = QStringLiteral("Projekt");
        st.sheet.grid.at(ColYear, c.n - 2) = QStringLiteral("1.0");
        const PrintJob& job = print(29);
        EXPECT_EQ(textsAt(job, 250, 250), QString::fromUtf8(c.title)) << c.file;
        for (const auto& [text, p] : c.names)
            EXPECT_TRUE(textsAt(job, p.x(), p.y()).contains(text)) << c.file << " " << p.y();
        const int projectY = 65 * (c.n - 3 - c.leftEnd) + 640;
        EXPECT_EQ(textsAt(job, 1080, projectY) + "|" + textsAt(job, 1540, projectY), " |") << c.file;
    }
    const PrintJob& job = dev().lastJob();
    expectPlaced(job, {{"Abschlussprüfung WRS Kl.10, Schuljahr 2025/26", {250, 1440}},
                       {"(   ) GuS (Gesundheit und Soziales)", {250, 2155}}, {"Ina Adler", {700, 410}}});
    EXPECT_TRUE(job.findText(QStringLiteral("Anmeldung zur mündlichen Prüfung")));
}

// With all 19 subjects no subject row reaches the class teacher's rule at 1200.
TEST_F(Sheets, StudentSheetRowsStayAboveTheSignatureRule)
{
    cls.classFile = QStringLiteral("xa_25262.dbf");
    subjects(21);
    for (int r = 1; r <= kLastSubjectRow; ++r)
        st.sheet.grid.at(ColYear, r) = QStringLiteral("2.0");
    int lowest = 0;
    for (const PrintedText& t : print(29).texts())
        if (t.text.startsWith(QStringLiteral("Fach")) || t.text == QStringLiteral("2.0"))
            lowest = std::max(lowest, t.pageY());
    EXPECT_EQ(lowest, 1160);
}

// Through the Qt print device: one file per command, texts where the layout puts them.
class PdfSheets : public PrintClassFixture {
protected:
    void SetUp() override
    {
        PrintClassFixture::SetUp();
        setPrinterSystem(nullptr);
        ASSERT_TRUE(printer().SelectPrinterDevice(PdfPrinterName(), QStringLiteral("WINSPOOL"), {}));
        makeClass(QStringLiteral("9a_25262.dbf"),
                  {{"1", "Adler", "Ina", "W", {{"KLASSE", "9a"}}},
                   {"2", "Berger", "Tom", "M", {{"KLASSE", "9a"}}},
                   {"3", "Claus", "Eva", "W", {{"KLASSE", "9a"}}}});
        openClass(QStringLiteral("9a_25262.dbf"));
        writeSheet(QStringLiteral("2"), 0, {{5, 4, "2.0"}});
    }
};

TEST_F(PdfSheets, ExamTablesAndAGradeListPage)
{
    QList<Cell> cells;
    for (int r = 1; r <= 19; ++r)
        cells << Cell{1, r, "- "} << Cell{2, r, "- "} << Cell{3, r, "- "} << Cell{5, r, r == 1 ? "3.0" : "2.0"};
    for (const char* nr : {"1", "3"})
        writeSheet(QString::fromLatin1(nr), 0, cells);
    const QString tables = folder.file(QStringLiteral("pruefungstabellen.pdf"));
    const QString list = folder.file(QStringLiteral("ergebnis.pdf"));
    prompt.text(tables).text(QStringLiteral("1")).text(list);
    state().printDocKind = 4;
    PrintAllStudents();
    PrintResultListForAuthority();
    ASSERT_EQ(std::pair(PdfPageCount(tables), PdfPageCount(list)), std::pair(3, 1));
    const QList<PdfWord> words = ReadPdfWords(tables);
    for (int page : {0, 2}) {
        EXPECT_TRUE(PdfWordAt(words, QString::fromLatin1(page ? "Eva" : "Ina"), page, 880, 350)) << page;
        EXPECT_TRUE(PdfWordAt(words, QStringLiteral("3.0"), page, 1280, 710)) << page;
        EXPECT_TRUE(PdfWordAt(words, QStringLiteral("2.0"), page, 1680, 1850)) << page; // 39 / 19 cut
        EXPECT_TRUE(PdfWordAt(words, QStringLiteral("X"), page, 1295, 2090)) << page;
    }
    // The list: A4 landscape less the margins, 2870 x 2000, so cw = 97 and rh = 48.
    EXPECT_TRUE(PdfPageSizes(list).contains(QStringLiteral("842 x 595")));
    const QList<PdfWord> listWords = ReadPdfWords(list);
    EXPECT_TRUE(PdfWordAt(listWords, QStringLiteral("Lfd."), 0, 53, 113));
    EXPECT_TRUE(PdfWordAt(listWords, QStringLiteral("Notenliste"), 0, 53, 113 - 96 - 16));
    EXPECT_TRUE(PdfWordAt(listWords, QStringLiteral("2.0"), 0, 53 + 97 * 9 + 3, 113 + 48 * 10));
}

} // namespace
