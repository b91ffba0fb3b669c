// Pages written through the Qt print device as PDF files and read back with
// pdftotext -bbox: texts must stand where the page model puts them.
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/qtprintdevice.h"
#include "support/pdfwords.h"
#include "support/printfixture.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>

using namespace hsa;

namespace {

using Word = test::PdfWord;

class PdfOutput : public test::PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        setPrinterSystem(nullptr);
        ASSERT_TRUE(printer().SelectPrinterDevice(PdfPrinterName(), QStringLiteral("WINSPOOL"), {}));
    }
};

TEST_F(PdfOutput, TextsLandWhereThePageModelPutsThem)
{
    const QString pdf = folder.file(QStringLiteral("seite.pdf"));
    prompt.text(pdf);
    auto& ps = state().print;
    ps.printShiftX = 15;
    ps.printShiftY = 20;
    ps.printStretchY = 0.95;
    const struct {
        QString text;
        int x, y, height;
    } texts[] = {{"Abschlussprüfung", 250, 250, 48}, {"Klasse", 700, 1500, 40}, {"Unterschrift", 1080, 2700, 40}};
    ASSERT_TRUE(BeginPrint());
    SetPrintFontName(QStringLiteral("Times New Roman"));
    for (const auto& t : texts) {
        SetPrintFontHeight(t.height);
        PrintTextOut(t.x, t.y, t.text);
    }
    EndPrint();
    const QList<Word> words = test::ReadPdfWords(pdf);
    ASSERT_EQ(words.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto& t = texts[i];
        EXPECT_EQ(words[i].text, t.text);
        EXPECT_NEAR(words[i].xMin, QtPrintDevice::kPdfMarginMM + MapPageX(t.x) / 10.0, 0.5) << i;
        EXPECT_NEAR(words[i].yMin, QtPrintDevice::kPdfMarginMM - MapPageY(t.y) / 10.0, 0.5) << i;
        EXPECT_NEAR(words[i].yMax - words[i].yMin, FontCellHeight(t.height) / 10.0, 0.5) << i;
    }
    // The face asked for is printed with its metric-compatible font.
    EXPECT_TRUE(test::PdfFonts(pdf).contains(QStringLiteral("LiberationSerif"))) << test::PdfFonts(pdf).toStdString();
}

TEST_F(PdfOutput, LinesAreDrawnWithTheLineWidth)
{
    // pdftotext does not see lines; the page is rendered and the ink of a
    // long horizontal rule is looked for in the right pixel rows.
    const QString pdf = folder.file(QStringLiteral("linie.pdf"));
    prompt.text(pdf);
    state().print.printLineWidth = 4;
    ASSERT_TRUE(BeginPrint());
    SetPrintPenWidth(state().print.printLineWidth);
    PrintMoveTo(250, 1000);
    PrintLineTo(1850, 1000);
    EndPrint();
    QProcess p;
    const QString base = folder.file(QStringLiteral("linie"));
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("254"),
                                         QStringLiteral("-gray"), QStringLiteral("-singlefile"),
                                         pdf, base});
    ASSERT_TRUE(p.waitForFinished(30000));
    QImage img(base + QStringLiteral(".pgm"));
    ASSERT_FALSE(img.isNull());
    // 254 dpi: one pixel per 0.1 mm.  Rule at y = 5 mm + 100 mm, 0.4 mm wide.
    auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    const QList<bool> ink = {dark(1050, 1050), dark(1050, 1045), dark(1050, 1055), dark(310, 1050), dark(1950, 1050)};
    EXPECT_EQ(ink, QList<bool>({true, false, false, true, false}));
}

TEST_F(PdfOutput, OneFilePerPrintCommandOnePagePerJob)
{
    const QString pdf = folder.file(QStringLiteral("alle"));
    prompt.text(pdf); // asked once; the ".pdf" is added
    {
        PrintBatch batch;
        for (int student = 1; student <= 3; ++student) {
            SetPrintOrientation(student == 2); // a list in between is landscape, in a sans face
            ASSERT_TRUE(BeginPrint());
            SetPrintFontName(QString::fromLatin1(student == 2 ? "Arial" : "Times New Roman"));
            SetPrintFontBold(student == 2);
            SetPrintFontHeight(40);
            PrintTextOut(250, 300 + student * 100, QStringLiteral("Schüler%1").arg(student));
            EndPrint();
        }
    }
    EXPECT_EQ(prompt.remainingAnswers(), 0);
    ASSERT_TRUE(QFileInfo::exists(pdf + QStringLiteral(".pdf")));
    EXPECT_EQ(test::PdfPageCount(pdf + QStringLiteral(".pdf")), 3);
    const QString sizes = test::PdfPageSizes(pdf + QStringLiteral(".pdf"));
    for (const char* size : {"1 size:  595 x 842", "2 size:  842 x 595", "3 size:  595 x 842"})
        EXPECT_TRUE(sizes.contains(QStringLiteral("Page    ") + QString::fromLatin1(size))) << sizes.toStdString();
    const QList<Word> words = test::ReadPdfWords(pdf + QStringLiteral(".pdf"));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(test::PdfWordAt(words, QStringLiteral("Schüler%1").arg(i + 1), i, 250, 400 + i * 100)) << i;
    // The faces asked for are printed with their metric-compatible fonts.
    const QString fonts = test::PdfFonts(pdf + QStringLiteral(".pdf"));
    EXPECT_TRUE(fonts.contains(QStringLiteral("LiberationSans-Bold")) && fonts.contains(QStringLiteral("LiberationSerif")))
        << fonts.toStdString();
}

// Declining the file stops the loop (one that went on anyway is not asked
// again); an aborted job writes nothing; an unwritable file is reported.
TEST_F(PdfOutput, NoFileUnlessTheJobEnds)
{
    prompt.cancelText();
    {
        PrintBatch batch;
        EXPECT_FALSE(BeginPrint());
        EndPrint();
        EXPECT_TRUE(state().printAbortRequested);
        EXPECT_FALSE(BeginPrint());
        EndPrint();
    }
    state().printAbortRequested = false; // as the loop's end does
    const QString pdf = folder.file(QStringLiteral("abbruch.pdf"));
    prompt.text(pdf).text(QStringLiteral("/nicht/vorhanden/ordner/x.pdf"));
    for (const bool abort : {true, false}) {
        ASSERT_TRUE(BeginPrint());
        PrintTextOut(250, 300, QStringLiteral("halb"));
        if (abort)
            AbortPrint();
        EndPrint();
        EXPECT_FALSE(PrintJobRunning());
    }
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_TRUE(prompt.anyTextContains(QStringLiteral("kann nicht erstellt werden")));
    EXPECT_TRUE(QDir(folder.path()).entryList({QStringLiteral("*.pdf")}).isEmpty());
}

} // namespace
