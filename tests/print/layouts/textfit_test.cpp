// Long texts on the lists and sheets: a surname of the field's full 40
// characters, long subject names, results and headings stay inside their
// column on the recording printer, and the PDF really cuts them there.
#include "grades/gradecontext.h"
#include "print/drivers.h"
#include "print/layouts/classtables.h"
#include "print/layouts/pageparts.h"
#include "print/layouts/subjectlists.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/qtprintdevice.h"
#include "support/pdfwords.h"
#include "support/printfixture.h"

#include <QProcess>
#include <functional>

using namespace hsa;

namespace {

const QString kSurname = QStringLiteral("Wolkenkratzer-Schimmelpfennig-Bergmannsh"); // 40
const QString kSubject = QStringLiteral("Geschichte/Gemeinschaftskunde");

// What text t runs into, or an empty text: a vertical rule or another text
// to its right on its line, or the edge of the printable area.
QString Crossing(const PrintJob& job, const PrintedText& t, int pageRight)
{
    const int top = t.pageY(), bottom = top + t.fontHeight;
    const auto sharesLine = [&](int a, int b) { return std::min(bottom, b) - std::max(top, a) > 5; };
    if (t.right() > pageRight)
        return QStringLiteral("the page edge");
    for (const PrintedLine& l : job.lines())
        if (l.page == t.page && l.x1 == l.x2 && l.x1 > t.x && t.right() > l.x1
            && sharesLine(std::min(-l.y1, -l.y2), std::max(-l.y1, -l.y2)))
            return QStringLiteral("the rule at x %1").arg(l.x1);
    for (const PrintedText& u : job.texts())
        if (u.page == t.page && u.x > t.x && t.right() > u.x && !u.text.trimmed().isEmpty()
            && sharesLine(u.pageY(), u.pageY() + u.fontHeight))
            return QStringLiteral("\"%1\" at x %2").arg(u.text).arg(u.x);
    return {};
}

class TextFit : public test::PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        dev().printableMM = QSizeF(200.0, 287.0);
        for (int k = 0; k < kGradeListRows; ++k)
            st.gradeNames[k] = k < 16 ? QStringLiteral("Fach%1").arg(k) : QString();
        st.gradeNames[4] = kSubject;
        cls.subjects.subjectNames = {};
        const char* subjects[] = {"Deutsch", "Mathematik", "Englisch", "Biologie", "Wirtschaft-/Beruf"};
        for (int i = 2; i < 7; ++i)
            cls.subjects.subjectNames[i] = QString::fromUtf8(subjects[i - 2]);
        cls.classFile = QStringLiteral("Xa_25262.dbf");
        cls.schoolName = QStringLiteral("Werkrealschule am langen Bergwaldweg?Irgendwo im Tal");
        cls.today = QDate(2026, 3, 15);
        cls.context = MakeGradeContext(cls.subjects.subjectNames, cls.classFile, false);
        std::tie(st.record, st.nr, st.surname, st.firstName, st.klasse, st.birthDate, st.birthPlace) =
            std::tuple(1, "1", kSurname, "Maximiliane", "10a", "01.02.2010", "Villingen-Schwenningen");
        ExamGrid& g = st.sheet.grid;
        for (int r = 1; r <= 19; ++r)
            std::tie(g.at(ColWritten, r), g.at(ColComm, r), g.at(ColOral, r), g.at(ColYear, r)) =
                std::tuple("P", "2.0", "P", "3.0");
        st.sheet.resultIndex = 5;
        st.sheet.fromFile = true;
    }
    // A class table with the student in row 1 and the short codes given.
    GridPrintTable table(const QStringList& headings) const
    {
        GridPrintTable t;
        t.at(0, 0) = QStringLiteral("Kl. 10a  ");
        for (int c = 2; c < 2 + headings.size(); ++c)
            t.at(c, 0) = headings[c - 2];
        t.at(0, 1) = kSurname;
        t.at(1, 1) = st.firstName;
        for (int c = 2; c <= 20; ++c)
            t.at(c, 1) = QStringLiteral("2");
        return t;
    }
    ClassPrintData cls;
    StudentPrintData st;
};

// Every layout with its long texts: each printed text containing one of them
// ends before the next column's rule or text and inside the frame.
TEST_F(TextFit, LongTextsStayInsideTheirColumns)
{
    const QStringList headings{"D", "M", "G/Gk", "E", "WBS", "Te", "Bio"};
    const GridPrintGeometry geometry;
    struct Case { const char* layout; QStringList texts; std::function<void()> print; };
    const Case cases[] = {
        {"final-grade overview", {kSurname},
         [&] { PrintGridTable(cls, table(headings), true, true, QStringLiteral("Tabelle"), 7, geometry); }},
        {"portrait class table", {kSurname, "G/Gk", "E", "WBS", "Te"},
         [&] { PrintGridTable(cls, table(headings), false, true, QStringLiteral("Jahresleistung 10"), 5, geometry); }},
        {"portrait entry form", {kSurname, "G/Gk", "WBS"},
         [&] { PrintGridTable(cls, table(headings), false, false, QString(), 0, geometry); }},
        {"result list", {kSurname, "nicht teilgenommen"}, [&] { PrintGradeList(cls, {st}, 1, st.klasse); }},
        {"oral list", {kSurname, "Abschlussprüfung Kl.10"},
         [&] { PrintSubjectExamList(cls, {st}, 3, ListOral, kExamOral, true); }},
        {"practical list", {kSurname, "Abschlussprüfung Kl.10"},
         [&] { PrintSubjectExamList(cls, {st}, 6, ListOral, kExamPractical, true); }},
        {"written list", {kSurname}, [&] { PrintSubjectExamList(cls, {st}, 3, ListWritten, kExamOral, false); }},
        {"communication list", {kSurname}, [&] { PrintCommunicationExamList(cls, {st}, "10a", 4, true); }},
        {"year-mark sheet with registration", {kSurname, "Klasse:  10a", kSubject},
         [&] { PrintStudentDocument(29, cls, st); }},
        {"year-mark sheet", {kSurname, kSubject}, [&] { PrintStudentDocument(2, cls, st); }},
        {"exam table", {kSurname}, [&] { PrintStudentDocument(4, cls, st); }},
        {"boundary-grade sheet", {kSurname}, [&] { PrintStudentDocument(5, cls, st); }},
    };
    for (const Case& c : cases) {
        const int jobs = dev().jobs.size();
        c.print();
        ASSERT_EQ(dev().jobs.size(), jobs + 1) << c.layout;
        const PrintJob& job = dev().lastJob();
        const int pageRight = static_cast<int>(dev().printableSizeMM().width() * 10);
        for (const QString& text : c.texts) {
            int found = 0;
            for (const PrintedText& t : job.texts()) {
                const bool heading = text.size() <= 4;
                if (heading ? t.text != text : !t.text.contains(text))
                    continue;
                ++found;
                EXPECT_EQ(Crossing(job, t, pageRight).toStdString(), "")
                    << c.layout << ": \"" << t.text.toStdString() << "\" at x " << t.x << " ends at " << t.right();
            }
            EXPECT_GT(found, 0) << c.layout << ": " << text.toStdString();
        }
    }
}

// The fitting helper: a text that fits stays as it is; a wider one is given
// its room, in its own size while condensing suffices, else a size smaller
// at a time but never below the floor; a text over another one ends where
// that begins.
TEST_F(TextFit, HelperCondensesShrinksAndRestoresTheFont)
{
    ASSERT_TRUE(BeginPrint());
    SetPrintFontName(QStringLiteral("Times New Roman"));
    struct Case { const char* name; int height; QString text; int room, bottom; int width, drawnHeight; };
    const int w = [] { SetPrintFontHeight(40); return PrintTextWidth(kSurname); }();
    const Case cases[] = {
        {"fits", 40, kSurname, w, 0, 0, 40},
        {"condensed", 40, kSurname, w * 9 / 10, 0, w * 9 / 10, 40},
        {"one size smaller", 40, kSurname, w * 7 / 10, 0, w * 7 / 10, 34},
        {"two sizes smaller", 40, kSurname, w * 6 / 10, 0, w * 6 / 10, 28},
        {"floor", 40, kSurname, w / 4, 0, w / 4, 25},
        {"above a text", 50, QStringLiteral("Abschlussprüfung Kl.10"), 2000, 25, 0, 25},
    };
    for (const Case& c : cases) {
        SetPrintFontHeight(c.height);
        PrintFittedText(100, 500, c.text, 100 + c.room, c.bottom ? 500 + c.bottom : 0);
        const PrintedText t = dev().lastJob().texts().last();
        EXPECT_EQ(std::tuple(t.x, t.width, t.fontHeight), std::tuple(100, c.width, c.drawnHeight)) << c.name;
        EXPECT_EQ(PrintFontCellHeight(), c.height) << c.name;
    }
    EndPrint();
}

// Through the Qt print device the cut is real: the PDF's words of a fitted
// name end before the room's end, and the pixels right of it stay white.
class TextFitPdf : public TextFit {
protected:
    void SetUp() override
    {
        TextFit::SetUp();
        setPrinterSystem(nullptr);
        ASSERT_TRUE(printer().SelectPrinterDevice(PdfPrinterName(), QStringLiteral("WINSPOOL"), {}));
    }
};

TEST_F(TextFitPdf, FittedTextsEndBeforeTheirRoomOnPaper)
{
    const QString pdf = folder.file(QStringLiteral("passend.pdf"));
    prompt.text(pdf);
    ASSERT_TRUE(BeginPrint());
    SetPrintFontName(QStringLiteral("Times New Roman"));
    SetPrintFontHeight(40);
    const int w = PrintTextWidth(kSurname);
    // Condensed only, then smaller and cut, then cut at the floor.
    const struct { int y, room; bool cut; } rows[] = {{300, w * 9 / 10, false}, {500, w / 2, true}, {700, w / 4, true}};
    for (const auto& r : rows) {
        PrintFittedText(100, r.y, kSurname, 100 + r.room);
        PrintTextOut(100 + r.room + 20, r.y, QStringLiteral("2.0"));
    }
    EndPrint();
    const QList<test::PdfWord> words = test::ReadPdfWords(pdf);
    for (const auto& r : rows) {
        if (r.cut)
            continue; // a cut word keeps its whole extent in the text layer
        const double roomEnd = QtPrintDevice::kPdfMarginMM + (100 + r.room) / 10.0;
        bool seen = false;
        for (const test::PdfWord& word : words)
            if (std::abs(word.yMin - (QtPrintDevice::kPdfMarginMM + r.y / 10.0)) < 1.0 && word.text != "2.0") {
                seen = true;
                EXPECT_LE(word.xMax, roomEnd + 0.3) << r.room << " " << word.text.toStdString();
            }
        EXPECT_TRUE(seen) << r.room;
    }
    // The ink stops at the room's end (the page at 254 dpi: one pixel per
    // 0.1 mm plus the 5 mm margin).
    const QString base = folder.file(QStringLiteral("passend"));
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {"-r", "254", "-gray", "-singlefile", pdf, base});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QImage img(base + QStringLiteral(".pgm"));
    ASSERT_FALSE(img.isNull());
    for (const auto& r : rows) {
        int lastInk = 0;
        for (int x = 150; x < 50 + 100 + r.room + 15; ++x)
            for (int y = 50 + r.y; y < 50 + r.y + 40; ++y)
                if (qGray(img.pixel(x, y)) < 128)
                    lastInk = x;
        EXPECT_LE(lastInk, 50 + 100 + r.room) << r.room;
        EXPECT_GT(lastInk, 50 + 100 + r.room - 60) << r.room;
    }
}

} // namespace
