// Pages written through the Qt print device as PDF files and read back with
// pdftotext -bbox: texts must stand where the page model puts them.
#include "classes/sharedstate.h"
#include "platform/scriptedprompt.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/printersystem.h"
#include "print/qtprintdevice.h"
#include "support/pdfwords.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace hsa;

namespace {

using Word = test::PdfWord;

class PdfOutput : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetState();
        setPrinterSystem(nullptr);
        ASSERT_TRUE(printer().SelectPrinterDevice(PdfPrinterName(), QStringLiteral("WINSPOOL"), {}));
    }
    void TearDown() override { setPrinterSystem(nullptr); }

    test::TempProgramFolder folder;
    ScriptedPrompt prompt;
    ScopedPrompt guard{prompt};
};

TEST_F(PdfOutput, TextsLandWhereThePageModelPutsThem)
{
    const QString pdf = folder.file(QStringLiteral("seite.pdf"));
    prompt.text(pdf);
    auto& ps = state().print;
    ps.printShiftX = 15;
    ps.printShiftY = 20;
    ps.printStretchX = 1.0;
    ps.printStretchY = 0.95;
    ASSERT_TRUE(BeginPrint());
    SetPrintFontName(QStringLiteral("Times New Roman"));
    SetPrintFontHeight(48);
    PrintTextOut(250, 250, QStringLiteral("Abschlussprüfung"));
    SetPrintFontHeight(40);
    PrintTextOut(700, 1500, QStringLiteral("Klasse"));
    PrintTextOut(1080, 2700, QStringLiteral("Unterschrift"));
    EndPrint();
    ASSERT_TRUE(QFileInfo::exists(pdf));
    const QList<Word> words = test::ReadPdfWords(pdf);
    auto expectAt = [&](const QString& text, int x, int y, int height) {
        for (const Word& w : words) {
            if (w.text != text)
                continue;
            const double left = QtPrintDevice::kPdfMarginMM + MapPageX(x) / 10.0;
            const double top = QtPrintDevice::kPdfMarginMM - MapPageY(y) / 10.0;
            EXPECT_NEAR(w.xMin, left, 0.5) << text.toStdString();
            EXPECT_NEAR(w.yMin, top, 0.5) << text.toStdString();
            EXPECT_NEAR(w.yMax - w.yMin, height / 10.0, 0.5) << text.toStdString();
            return;
        }
        ADD_FAILURE() << "not found: " << text.toStdString();
    };
    expectAt(QStringLiteral("Abschlussprüfung"), 250, 250, FontCellHeight(48));
    expectAt(QStringLiteral("Klasse"), 700, 1500, FontCellHeight(40));
    expectAt(QStringLiteral("Unterschrift"), 1080, 2700, FontCellHeight(40));
    // The face asked for is printed with its metric-compatible font.
    EXPECT_TRUE(test::PdfFonts(pdf).contains(QStringLiteral("LiberationSerif"))) << test::PdfFonts(pdf).toStdString();
}

TEST_F(PdfOutput, LandscapePageAndSansFace)
{
    const QString pdf = folder.file(QStringLiteral("quer.pdf"));
    prompt.text(pdf);
    SetPrintOrientation(true);
    ASSERT_TRUE(BeginPrint());
    // A4 landscape less 5 mm on every side.
    EXPECT_EQ(state().print.printPageWidth, 2870);
    EXPECT_EQ(state().print.printPageHeight, 2000);
    SetPrintFontName(QStringLiteral("Arial"));
    SetPrintFontBold(true);
    SetPrintFontHeight(50);
    PrintTextOut(2500, 1800, QStringLiteral("Ende"));
    EndPrint();
    const QList<Word> words = test::ReadPdfWords(pdf);
    ASSERT_EQ(words.size(), 1);
    EXPECT_NEAR(words[0].xMin, 5 + 250.0, 0.5);
    EXPECT_NEAR(words[0].yMin, 5 + 180.0, 0.5);
    EXPECT_NEAR(words[0].yMax - words[0].yMin, 5.0, 0.5);
    EXPECT_TRUE(test::PdfFonts(pdf).contains(QStringLiteral("LiberationSans-Bold"))) << test::PdfFonts(pdf).toStdString();
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
    EXPECT_TRUE(dark(50 + 1000, 50 + 1000));
    EXPECT_FALSE(dark(50 + 1000, 50 + 1000 - 5));
    EXPECT_FALSE(dark(50 + 1000, 50 + 1000 + 5));
    EXPECT_TRUE(dark(50 + 260, 50 + 1000));
    EXPECT_FALSE(dark(50 + 1900, 50 + 1000));
}

TEST_F(PdfOutput, OneFilePerPrintCommandOnePagePerJob)
{
    const QString pdf = folder.file(QStringLiteral("alle"));
    prompt.text(pdf); // asked once; the ".pdf" is added
    {
        PrintBatch batch;
        for (int student = 1; student <= 3; ++student) {
            SetPrintOrientation(student == 2); // a list in between is landscape
            ASSERT_TRUE(BeginPrint());
            SetPrintFontHeight(40);
            PrintTextOut(250, 300 + student * 100, QStringLiteral("Schüler%1").arg(student));
            EndPrint();
        }
    }
    EXPECT_EQ(prompt.remainingAnswers(), 0);
    ASSERT_TRUE(QFileInfo::exists(pdf + QStringLiteral(".pdf")));
    EXPECT_EQ(test::PdfPageCount(pdf + QStringLiteral(".pdf")), 3);
    const QString sizes = test::PdfPageSizes(pdf + QStringLiteral(".pdf"));
    EXPECT_TRUE(sizes.contains(QStringLiteral("Page    1 size:  595 x 842")));
    EXPECT_TRUE(sizes.contains(QStringLiteral("Page    2 size:  842 x 595"))) << sizes.toStdString();
    EXPECT_TRUE(sizes.contains(QStringLiteral("Page    3 size:  595 x 842")));
    const QList<Word> words = test::ReadPdfWords(pdf + QStringLiteral(".pdf"));
    ASSERT_EQ(words.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(words[i].page, i);
        EXPECT_EQ(words[i].text, QStringLiteral("Schüler%1").arg(i + 1));
        EXPECT_NEAR(words[i].yMin, 5 + (300 + (i + 1) * 100) / 10.0, 0.5);
    }
}

TEST_F(PdfOutput, DecliningTheFileStopsThePrintLoop)
{
    prompt.cancelText();
    {
        PrintBatch batch;
        EXPECT_FALSE(BeginPrint());
        PrintTextOut(250, 300, QStringLiteral("weg"));
        EndPrint();
        EXPECT_TRUE(state().printAbortRequested);
        // A loop that went on anyway is not asked again and prints nothing.
        EXPECT_FALSE(BeginPrint());
        EndPrint();
    }
    EXPECT_FALSE(PrintJobRunning());
    EXPECT_TRUE(QDir(folder.path()).entryList({QStringLiteral("*.pdf")}).isEmpty());
}

TEST_F(PdfOutput, AnAbortedJobWritesNothing)
{
    const QString pdf = folder.file(QStringLiteral("abbruch.pdf"));
    prompt.text(pdf);
    ASSERT_TRUE(BeginPrint());
    PrintTextOut(250, 300, QStringLiteral("halb"));
    EXPECT_TRUE(PrintJobRunning());
    AbortPrint();
    EXPECT_FALSE(PrintJobRunning());
    EndPrint();
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(PdfOutput, AnUnwritableFileIsReported)
{
    prompt.text(QStringLiteral("/nicht/vorhanden/ordner/x.pdf"));
    ASSERT_TRUE(BeginPrint());
    PrintTextOut(250, 300, QStringLiteral("x"));
    EndPrint();
    EXPECT_FALSE(PrintJobRunning());
    EXPECT_TRUE(prompt.anyTextContains(QStringLiteral("kann nicht erstellt werden")));
}

} // namespace
