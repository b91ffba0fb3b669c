// The certificate pages on the recording printer, laid out from the shipped
// class-10 subject file: titles, the split of the subject columns, the
// blocks below them, copies and the emblem.
#include "classes/subjects.h"
#include "grades/gradecontext.h"
#include "print/gradewords.h"
#include "print/layouts/certificates.h"
#include "print/layouts/examtable.h"
#include "print/layouts/externalcertificates.h"
#include "print/layouts/feedback9.h"
#include "print/layouts/protocols.h"
#include "print/layouts/studentsheet.h"
#include "print/layouts/subjectlists.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/qtprintdevice.h"
#include "print/studentlayouts.h"
#include "support/pdfwords.h"
#include "support/printfixture.h"
#include "support/restartable.h"

#include <QImage>
#include <QRegularExpression>

using namespace hsa;

namespace {

const QString kGradeKey = QStringLiteral(
    "Notenstufen: sehr gut (1), gut (2), befriedigend (3), ausreichend (4), mangelhaft (5), ungenügend (6)");

class CertificateLayouts : public test::Restartable<test::PrintTest> {
public:
    void SetUp() override
    {
        PrintTest::SetUp();
        ClearEmblemPicture();
        cls = {};
        st = {};
        std::tie(cls.classFile, cls.schoolName, cls.schoolTypeText, cls.examChairName, cls.headTeacherName) =
            std::tuple("xa_25262.dbf", "Schule am See?Irgendwo", "der Hauptschule mit Werkrealschule", "Dr. Vorsitz",
                       "Frau Leitung");
        ASSERT_TRUE(ReadSubjectFile(QStringLiteral(HSA_DATA_DIR "/sta-fax-mit.dat"), cls.subjects));
        cls.subjects.certificateLines = BuiltInCertificateLines(QStringLiteral("10"));
        cls.subjects.footerLines = {QStringLiteral("Fußzeile 1"), {}, {}, {}, {}};
        useSubjects();
        std::tie(st.firstName, st.surname, st.klasse, st.datum) = std::tuple("Anna", "Berg", "10a", "07.03.2026");
        st.sheet.resultIndex = 0;
        st.grades.fill(QStringLiteral("2"));
        setEndnotes({"2", "3"}); // Gesamtschnitt 2.5
    }
    void TearDown() override { ClearEmblemPicture(); }
    void useSubjects()
    {
        st.gradeNames = cls.subjects.subjectNames;
        cls.context = MakeGradeContext(cls.subjects.subjectNames, cls.classFile, false);
    }
    // Subjects "Fach2" to "Fach<n-1>" in entries 2 to n - 1, with names set
    // at given entries.
    void setSubjectCount(int n, const QList<std::pair<int, QString>>& names = {})
    {
        for (int i = 0; i < kSubjectEntryCount; ++i)
            cls.subjects.subjectNames[i] = i < 2 ? QStringLiteral("x") : i < n ? QStringLiteral("Fach%1").arg(i) : QString();
        for (const auto& [i, name] : names)
            cls.subjects.subjectNames[i] = name;
        useSubjects();
    }
    void setEndnotes(const QStringList& grades)
    {
        for (int r = 1; r <= kLastSubjectRow; ++r)
            st.sheet.grid.at(ColFinal, r) = grades.value(r - 1);
    }
    PrintJob print(StudentLayoutFunction layout, int kind)
    {
        EXPECT_TRUE(BeginPrint());
        layout(cls, st, kind);
        EXPECT_FALSE(PrintJobRunning());
        return dev().lastJob();
    }
    ClassPrintData cls;
    StudentPrintData st;
};

TEST_F(CertificateLayouts, TitlesByKindAndSchoolType)
{
    struct Case { const char* name; StudentLayoutFunction layout; int kind; QString schoolType, line0, text; int x, y; };
    const QString both = QStringLiteral("der Hauptschule mit Werkrealschule");
    const Case cases[] = {
        {"A final", PrintCertificateA, 11, both, "Werkrealschulabschlusszeugnis", "Werkrealschulabschlusszeugnis", 700, 350},
        {"A leaving, two forms", PrintCertificateA, 20, both, "der Hauptschule mit Werkrealschule", "Abgangszeugnis der", 700, 295},
        {"A leaving", PrintCertificateA, 21, both, "Werkrealschulabschlusszeugnis", "Abgangszeugnis der Werkrealschule", 700, 350},
        {"A leaving class", PrintCertificateA, 21, both, "", "heute am Ende der Klasse 10 die Schule.", 250, 775},
        {"B Hauptschule", PrintCertificateB, 20, "der Hauptschule", "", "Abgangszeugnis der Hauptschule", 700, 350},
        {"B both", PrintCertificateB, 21, both, "", "Hauptschule mit Werkrealschule", 700, 360},
        // Layout B hands the final certificate of an "X" class to layout A.
        {"B final to A", PrintCertificateB, 11, both, "Werkrealschulabschlusszeugnis", "Werkrealschulabschlusszeugnis", 700, 350},
        // The sheets print only for their own kind or mode.
        {"exam table", PrintStudentExamTable, 4, both, "", "Vor- und Zuname:", 250, 350},
        {"exam table, other kind", PrintStudentExamTable, 2, both, "", "Vor- und Zuname:", -1, -1},
        {"choice sheet", PrintExamChoiceSheet, 2, both, "", "JAHRESLEISTUNG", 250, 310},
        {"choice sheet, other kind", PrintExamChoiceSheet, 4, both, "", "JAHRESLEISTUNG", -1, -1},
        {"student sheet", PrintStudentSheet, 2, both, "", "Vor- und Zuname:", 250, 410},
        {"student sheet, other mode", PrintStudentSheet, 3, both, "", "Vor- und Zuname:", -1, -1},
        {"HSA", PrintExternalHsaCertificate, 1, both, "", "Zeugnis über den Hauptschulabschluss", 700, 350},
        {"WRS", PrintExternalWrsCertificate, 1, both, "", "gleichwertigen Bildungsstand", 700, 480},
        // The WRS page prints its heading 1 cm lower; the pages after it keep their own.
        {"WRS state", PrintExternalWrsCertificate, 1, both, "", "Baden-Württemberg", 700, 130},
        {"A state after WRS", PrintCertificateA, 11, both, "", "Baden-Württemberg", 700, 30},
        {"feedback state", PrintClass9Feedback, 1, both, "", "Baden-Württemberg", 250, 30},
        {"feedback Werk", PrintClass9Feedback, 1, both, "", "der Werkrealschule", 250, 410},
        {"feedback year", PrintClass9Feedback, 1, both, "", "2025/26", 1380, 588},
        {"own", PrintDispatchCertificate, 1, both, "Werkrealschulabschlusszeugnis", "Werkrealschulabschlusszeugnis", 700, 350},
        {"own kind 7", PrintDispatchCertificate, 7, both, "", "hat die Werkrealschule nach Klasse 9 erfolgreich abgeschlossen.", 250, 730},
        {"own kind 7 Hauptschule", PrintDispatchCertificate, 7, "der Hauptschule", "",
         "hat die Hauptschule nach Klasse 9 erfolgreich abgeschlossen.", 250, 730},
    };
    for (const Case& c : cases) {
        cls.schoolTypeText = c.schoolType;
        cls.subjects.certificateLines[0] = c.line0;
        EXPECT_EQ(at(print(c.layout, c.kind), c.text), QPoint(c.x, c.y)) << c.name;
    }
}

TEST_F(CertificateLayouts, SubjectColumnsSplitByLayoutAndCount)
{
    // The last subject on the left at (250, leftY), the first on the right at
    // (1080, rightY), a subject row not printed.
    struct Case { const char* name; StudentLayoutFunction layout; int n; QList<std::pair<int, QString>> names;
                  int lastLeft, leftY, firstRight, rightY, absent = 0; };
    const Case cases[] = {
        {"A k=13", PrintCertificateA, 16, {{13, "Berufsfachliche Kompetenz"}}, 7, 1300, 8, 950, 14},
        {"A N=20", PrintCertificateA, 20, {{15, "Berufsfachliche Kompetenz"}}, 10, 1510, 11, 950, 16},
        {"B N=15", PrintCertificateB, 15, {}, 7, 1390, 8, 1040},
        {"B N=16", PrintCertificateB, 16, {}, 8, 1460, 9, 1040},
        {"HSA N=18", PrintExternalHsaCertificate, 18, {}, 9, 1500, 10, 1010},
        {"WRS N=14", PrintExternalWrsCertificate, 14, {}, 7, 1580, 8, 1180},
        {"feedback N=20", PrintClass9Feedback, 20, {}, 10, 1510, 11, 950},
        {"own N=16", PrintDispatchCertificate, 16, {}, 8, 1370, 9, 950},
        {"own N=17", PrintDispatchCertificate, 17, {}, 9, 1440, 10, 950},
        // Each split at its count and one beside it.
        {"A k=17", PrintCertificateA, 17, {}, 8, 1370, 9, 950},
        {"B N=19", PrintCertificateB, 19, {}, 9, 1530, 10, 1040},
        {"own N=20", PrintDispatchCertificate, 20, {}, 10, 1510, 11, 950},
        {"HSA N=16", PrintExternalHsaCertificate, 16, {}, 8, 1430, 9, 1010},
        {"WRS N=13", PrintExternalWrsCertificate, 13, {}, 7, 1580, 8, 1180},
        {"feedback N=17", PrintClass9Feedback, 17, {}, 8, 1370, 9, 950},
    };
    for (const Case& c : cases) {
        setSubjectCount(c.n, c.names);
        const int kind = c.layout == PrintCertificateA ? 11 : c.layout == PrintCertificateB ? 20 : 1;
        const PrintJob job = print(c.layout, kind);
        const QString left = QStringLiteral("Fach%1").arg(c.lastLeft);
        const QString right = QStringLiteral("Fach%1").arg(c.firstRight);
        EXPECT_EQ(at(job, left), QPoint(250, c.leftY)) << c.name;
        EXPECT_EQ(at(job, right), QPoint(1080, c.rightY)) << c.name;
        if (c.absent) {
            EXPECT_FALSE(job.findText(QStringLiteral("Fach%1").arg(c.absent))) << c.name;
        }
    }
}

TEST_F(CertificateLayouts, BlocksBelowTheSubjects)
{
    struct Case { const char* name; std::function<void(CertificateLayouts&)> setUp; StudentLayoutFunction layout;
                  int kind; QString text; int x, y; };
    auto hsa = [](int n, QString hint, QList<std::pair<int, QString>> names) {
        return [=](CertificateLayouts& t) {
            t.setSubjectCount(n, names);
            t.st.hints[0] = hint;
            t.st.sheet.resultIndex = 8;
            std::tie(t.st.grades[4], t.st.grades[5], t.st.grades[n - 1]) = std::tuple("3", "4", "1");
        };
    };
    auto average = [](QStringList endnotes, QString ag6 = {}) {
        return [=](CertificateLayouts& t) { t.setEndnotes(endnotes); t.st.ag6 = ag6; };
    };
    // A list short enough for the blocks of the external certificate to keep
    // the form's places.
    auto shortList = [](std::function<void(CertificateLayouts&)> more = nullptr) {
        return [=](CertificateLayouts& t) {
            t.setSubjectCount(11);
            if (more)
                more(t);
        };
    };
    const QList<std::pair<int, QString>> economy5 = {{5, "wirtschaftliche Bildung"}};
    const QList<std::pair<int, QString>> economy4 = {{4, "wirtschaftliche Bildung"}};
    const Case cases[] = {
        {"A whole grade", average({"2", "3"}), PrintCertificateA, 11, "befriedigend   ( 2,5 )", 1540, 1815},
        {"A project word", [](CertificateLayouts& t) { t.setSubjectCount(16, {{14, "Projektprüfung"}}); t.st.grades[14] = "2*"; },
         PrintCertificateA, 11, "gut (x)", 1540, 1715},
        {"A copy", nullptr, PrintCertificateA, 16, "Frau Leitung", 1310, 2535},
        {"B project word", [](CertificateLayouts& t) { t.setSubjectCount(16, {{14, "Projekt"}}); t.st.grades[14] = "5"; },
         PrintCertificateB, 20, "mangelhaft", 1540, 1785},
        {"HSA project word",
         [=](CertificateLayouts& t) { hsa(11, "Mathe", economy5)(t); t.cls.subjects.footerLines = {}; },
         PrintExternalHsaCertificate, 1, "ausreichend", 700, 1365},
        {"HSA after Bildung", hsa(18, "abc", economy4), PrintExternalHsaCertificate, 1, "Fach5", 250, 1245},
        {"HSA 1.5", shortList(average({"1", "2"}, "2")), PrintExternalHsaCertificate, 1, "gut   ( 1,5 )", 960, 1816},
        {"HSA 3.6 AG6 blank", shortList(average({"3", "4", "4", "4", "3"})), PrintExternalHsaCertificate, 1,
         "ausreichend   ( 3,6 )", 875, 1876},
        {"HSA no remark", shortList(), PrintExternalHsaCertificate, 1, "---------------", 700, 2055},
        {"HSA copy", shortList(), PrintExternalHsaCertificate, 6, "Dr. Vorsitz", 1310, 2445},
        // 18 subjects with the project exam entered: six rows on the left,
        // the footer line below them, the project block below the footer
        // line and the rest after it; the remarks and the signature part
        // follow the whole grade down.
        {"HSA 18 project below the footer", hsa(18, "Mathe", economy5), PrintExternalHsaCertificate, 1,
         "Leistungen in der Projektprüfung:", 250, 1479},
        {"HSA 18 project word", hsa(18, "Mathe", economy5), PrintExternalHsaCertificate, 1, "ausreichend", 700, 1599},
        {"HSA 18 presentation", hsa(18, "Mathe", economy5), PrintExternalHsaCertificate, 1,
         "Leistungen in der Präsentationsprüfung:", 250, 1714},
        {"HSA 18 remarks", nullptr, PrintExternalHsaCertificate, 1, "---------------", 700, 2204},
        {"HSA 18 copy", nullptr, PrintExternalHsaCertificate, 6, "Dr. Vorsitz", 1310, 2594},
        // Without the project exam entered, the shipped list's project row
        // prints the block all the same: the left column gives two rows to
        // the right one.
        {"HSA 18 last left row", nullptr, PrintExternalHsaCertificate, 1, "Mathematik", 1080, 1010},
        {"WRS memo name", [](CertificateLayouts& t) { t.setSubjectCount(12, {{3, "Berufsfachliche Kompetenz"}});
             t.st.sheet.notes = QStringList{"Wirtschaft und Verwaltung"}; },
         PrintExternalWrsCertificate, 1, "Wirtschaft und Verwaltung", 250, 1260},
        {"feedback project mark", [](CertificateLayouts& t) { t.setSubjectCount(20, {{14, "Projekt"}});
             t.st.sheet.grid.at(ColYear, 13) = "  2,3"; }, PrintClass9Feedback, 1, "2,3 ", 1540, 1745},
        {"feedback project block", [](CertificateLayouts& t) { t.setSubjectCount(20); }, PrintClass9Feedback, 1,
         "Leistungen in der themenorientierten Projektprüfung:", 250, 1605},
        {"feedback class 8", average({}, "3"), PrintClass9Feedback, 1, "3 ", 1540, 1742},
        {"own box", average({"1", "2"}), PrintDispatchCertificate, 1, "gut   ( 1,5 )", 960, 1770},
        {"own copy", nullptr, PrintDispatchCertificate, 6, "Dr. Vorsitz", 380, 2500},
        {"HSA N=16 foot lifted", [](CertificateLayouts& t) { t.setSubjectCount(16); }, PrintExternalHsaCertificate, 1,
         "Fußzeile 1", 250, 1492},
        {"HSA N=8 presentation", [](CertificateLayouts& t) { t.setSubjectCount(8); }, PrintExternalHsaCertificate, 1,
         "Leistungen in der Präsentationsprüfung:", 250, 1480},
        {"own project heading class 10", nullptr, PrintDispatchCertificate, 1,
         "Leistungen in der themenorientierten Projektprüfung in Klasse 9:", 250, 1565},
        {"own project heading class 9", [](CertificateLayouts& t) { t.cls.classFile = "9a_25262.dbf"; },
         PrintDispatchCertificate, 1, "Leistungen in der themenorientierten Projektprüfung", 250, 1565},
        {"A grade key", nullptr, PrintCertificateA, 11, kGradeKey + ".", 250, 2690},
        {"own exam key", nullptr, PrintDispatchCertificate, 1,
         "Prüfungsfächer sind mit einem Kreuz nach der Note gekennzeichnet.", 250, 2685},
        {"feedback key", nullptr, PrintClass9Feedback, 1, kGradeKey.mid(13) + ".", 250, 2678},
        {"feedback without hints", nullptr, PrintClass9Feedback, 1, kMissingGradeWord, 250, 1890},
    };
    for (const Case& c : cases) {
        restart();
        if (c.setUp)
            c.setUp(*this);
        EXPECT_EQ(at(print(c.layout, c.kind), c.text), QPoint(c.x, c.y)) << c.name;
    }
}

// Size and weight of the titles and headings that stand out.
TEST_F(CertificateLayouts, TitleAndHeadingFonts)
{
    struct Case { const char* name; std::function<void(CertificateLayouts&)> setUp; StudentLayoutFunction layout;
                  int kind; QString text; int height; bool bold; };
    const Case cases[] = {
        {"A title", nullptr, PrintCertificateA, 11, "Werkrealschulabschlusszeugnis", 74, true},
        {"A project heading", nullptr, PrintCertificateA, 11,
         "Leistungen in der themenorientierten Projektprüfung in Klasse 9:", 48, true},
        {"A closing sentence", nullptr, PrintCertificateA, 11,
         "Dieses Abschlusszeugnis verleiht einen dem Realschulabschluss gleichwertigen Bildungsstandard.", 36, true},
        {"WRS title", nullptr, PrintExternalWrsCertificate, 1, "gleichwertigen Bildungsstand", 58, true},
        {"feedback elective", [](CertificateLayouts& t) { t.setSubjectCount(18, {{12, "Wahlpflichtfach"}}); },
         PrintClass9Feedback, 1, "Wahlpflichtfach", 44, true},
        {"feedback subject", [](CertificateLayouts& t) { t.setSubjectCount(18); }, PrintClass9Feedback, 1, "Fach12",
         40, false},
    };
    for (const Case& c : cases) {
        restart();
        if (c.setUp)
            c.setUp(*this);
        const auto t = print(c.layout, c.kind).findText(c.text);
        ASSERT_TRUE(t) << c.name;
        EXPECT_EQ(std::pair(t->fontHeight, t->bold), std::pair(c.height, c.bold)) << c.name;
    }
}

TEST_F(CertificateLayouts, EmblemWithAndWithoutPictureAndTheWrsOffset)
{
    auto emblem = [&](StudentLayoutFunction layout, int kind) {
        const PrintJob job = print(layout, kind);
        const auto op = std::find_if(job.ops.begin(), job.ops.end(),
                                     [](const PrintOp& o) { return o.kind == PrintOp::StretchDraw; });
        return op == job.ops.end() ? LogicalRect{} : op->rect;
    };
    EXPECT_EQ(emblem(PrintCertificateA, 11), LogicalRect{});
    ASSERT_TRUE(QImage(57, 30, QImage::Format_RGB32).save(folder.file("landes2.bmp")));
    ASSERT_TRUE(LoadEmblemPicture());
    EXPECT_EQ(emblem(PrintCertificateA, 11), (LogicalRect{230, -25, 800, -330}));
    EXPECT_EQ(emblem(PrintExternalWrsCertificate, 1), (LogicalRect{230, -125, 800, -430}));
    EXPECT_EQ(emblem(PrintClass9Feedback, 1), LogicalRect{});
}

// With 15 subjects every row stands in the left column of the WRS page; the
// first row without a subject is not printed.  The rows close up so that the
// footer line stays above the remarks.
TEST_F(CertificateLayouts, WrsLeftColumnEndsAtTheLastSubject)
{
    setSubjectCount(15);
    st.sheet.resultIndex = 7; // every grade "2"
    const PrintJob job = print(PrintExternalWrsCertificate, 1);
    EXPECT_EQ(at(job, "Fach14"), QPoint(250, 2044));
    EXPECT_FALSE(job.findText(kMissingGradeWord));
    EXPECT_EQ(job.textStrings().count("gut"), 13);
    EXPECT_EQ(at(job, "Fußzeile 1"), QPoint(250, 2097));
    EXPECT_EQ(at(job, "---------------"), QPoint(700, 2154));
}

// A page is laid out from what it is given: the font stretch, printer font,
// pen width and state line of the class data hold whatever the shared print
// settings say.
TEST_F(CertificateLayouts, PagesFollowTheClassDataNotTheSharedSettings)
{
    PrintSettings& ps = state().print;
    std::tie(ps.printFontStretch, ps.printerFontName, ps.printLineWidth, ps.stateLineSwitch) =
        std::tuple(1.2, QStringLiteral("Courier New"), 4, 1);
    std::tie(cls.fontStretch, cls.printerFontName, cls.lineWidth, cls.stateLine) =
        std::tuple(0.5, QStringLiteral("Arial"), 3, false);
    ASSERT_TRUE(BeginPageJob(cls, false));
    PrintCertificateA(cls, st, 11);
    const PrintJob certificate = dev().lastJob();
    const auto title = certificate.findText(QStringLiteral("Werkrealschulabschlusszeugnis"));
    ASSERT_TRUE(title);
    EXPECT_EQ(std::pair(title->fontHeight, title->fontName), std::pair(37, QStringLiteral("Arial")));
    EXPECT_FALSE(certificate.findText(QStringLiteral("Baden-Württemberg")));
    ASSERT_FALSE(certificate.lines().isEmpty());
    EXPECT_EQ(certificate.lines().first().penWidth, 3);

    PrintSubjectExamList(cls, {st}, 6, ListWritten, kExamOral, false);
    const PrintJob list = dev().lastJob();
    ASSERT_FALSE(list.texts().isEmpty());
    EXPECT_EQ(list.texts().first().fontName, QStringLiteral("Arial"));
    EXPECT_EQ(list.lines().first().penWidth, 3);
}

// A final certificate, a participant list over two pages and a protocol in
// one PDF file through the Qt print device, read back with the poppler tools.
TEST_F(CertificateLayouts, PdfOfACertificateAListAndAProtocol)
{
    ASSERT_TRUE(QImage(57, 30, QImage::Format_RGB32).save(folder.file("landes2.bmp")));
    ASSERT_TRUE(LoadEmblemPicture());
    setPrinterSystem(nullptr);
    ASSERT_TRUE(printer().SelectPrinterDevice(PdfPrinterName(), "WINSPOOL", {}));
    st.grades[2] = "5*";
    std::vector<StudentPrintData> students(34, st);
    for (int i = 0; i < 34; ++i) {
        students[i].surname = QStringLiteral("Name%1").arg(i + 1);
        students[i].sheet.grid.at(ColWritten, 5) = students[i].sheet.grid.at(ColOral, 5) = QStringLiteral("P");
    }
    const QString pdf = folder.file("zeugnis.pdf");
    prompt.text(pdf);
    {
        PrintBatch batch;
        ASSERT_TRUE(BeginPrint());
        PrintCertificateA(cls, st, 11);
        PrintSubjectExamList(cls, students, 6, ListWritten, kExamOral, false);
        PrintExamProtocol(cls, students[0], 6, QStringLiteral("mündliche"));
    }
    ASSERT_FALSE(PrintJobRunning());
    // A4 less 5 mm margins: W = 1900; list edges x1 = 200, x2 = 900; the
    // protocol's value column at 100 + 100 + 500.
    const QList<test::PdfWord> words = test::ReadPdfWords(pdf);
    const struct { QString word; int page, x, y; } expected[] = {{"Werkrealschulabschlusszeugnis", 0, 700, 350}, {"Anna", 0, 700, 508}, {"mangelhaft", 0, 700, 942},
                    {"7.", 0, 700, 2415}, {"Schriftliche", 1, 100, 100}, {"Schüler", 1, 214, 175},
                    {"Name1", 1, 214, 260}, {"Name32", 1, 214, 260 + 31 * 75}, {"Schriftliche", 2, 100, 100},
                    {"Name34", 2, 214, 335}, {"Niederschrift", 3, 700, 340}, {"Prüfungsnote:", 3, 700, 2270},
                    {"(Schriftführer)", 3, 100, 2630}};
    for (const auto& e : expected)
        EXPECT_TRUE(test::PdfWordAt(words, e.word, e.page, e.x, e.y)) << e.word.toStdString() << " page " << e.page;
    const QStringList fonts = test::PdfFonts(pdf).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fonts.isEmpty());
    static const QRegularExpression embedded("\\s(yes|no)\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$");
    for (const QString& font : fonts)
        EXPECT_EQ(embedded.match(font).captured(1), "yes") << font.toStdString();
    // Header lines and the one picture, the emblem.
    EXPECT_EQ(test::PdfImageList(pdf).split('\n', Qt::SkipEmptyParts).size(), 3);
}

} // namespace
