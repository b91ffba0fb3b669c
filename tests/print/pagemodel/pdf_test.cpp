// Pages written through the Qt print device as PDF files and read back with
// pdftotext -bbox: texts must stand where the page model puts them.
#include "print/documentname.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/qtprintdevice.h"
#include "support/pdfwords.h"
#include "support/printfixture.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <optional>

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

// Texts and a rule stand where the calibrated page model puts them.
TEST_F(PdfOutput, TextsAndLinesLandWhereThePageModelPutsThem)
{
    const QString pdf = folder.file(QStringLiteral("seite.pdf"));
    prompt.text(pdf);
    auto& ps = state().print;
    std::tie(ps.printShiftX, ps.printShiftY, ps.printStretchY, ps.printLineWidth) = std::tuple(15, 20, 0.95, 4);
    const struct { QString text; int x, y, height; } texts[] = {{"Abschlussprüfung", 250, 250, 48}, {"Klasse", 700, 1500, 40}, {"Unterschrift", 1080, 2700, 40}};
    ASSERT_TRUE(BeginPrint());
    SetPrintFontName(QStringLiteral("Times New Roman"));
    for (const auto& t : texts) {
        SetPrintFontHeight(t.height);
        PrintTextOut(t.x, t.y, t.text);
    }
    SetPrintPenWidth(ps.printLineWidth);
    PrintMoveTo(250, 1000);
    PrintLineTo(1850, 1000);
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
    // pdftotext does not see lines: the page is rendered at 254 dpi (one pixel
    // per 0.1 mm) and the ink of the 0.4 mm rule looked for in its pixel rows.
    const QString base = folder.file(QStringLiteral("linie"));
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {"-r", "254", "-gray", "-singlefile", pdf, base});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QImage img(base + QStringLiteral(".pgm"));
    ASSERT_FALSE(img.isNull());
    const int y = 50 - MapPageY(1000), left = 50 + MapPageX(250), right = 50 + MapPageX(1850);
    auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    const QList<bool> ink = {dark(1050, y), dark(1050, y - 5), dark(1050, y + 5), dark(left + 5, y),
                             dark(right + 50, y)};
    EXPECT_EQ(ink, QList<bool>({true, false, false, true, false})) << y;
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
    EXPECT_EQ(std::pair(prompt.remainingAnswers(), test::PdfPageCount(pdf + QStringLiteral(".pdf"))), std::pair(0, 3));
    const QString sizes = test::PdfPageSizes(pdf + QStringLiteral(".pdf"));
    for (const char* size : {"1 size:  595 x 842", "2 size:  842 x 595", "3 size:  595 x 842"})
        EXPECT_TRUE(sizes.contains(QStringLiteral("Page    ") + QString::fromLatin1(size))) << sizes.toStdString();
    const QList<Word> words = test::ReadPdfWords(pdf + QStringLiteral(".pdf"));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(test::PdfWordAt(words, QStringLiteral("Schüler%1").arg(i + 1), i, 250, 400 + i * 100)) << i;
    // The faces asked for are printed with their metric-compatible fonts.
    const QString fonts = test::PdfFonts(pdf + QStringLiteral(".pdf"));
    EXPECT_TRUE(fonts.contains("LiberationSans-Bold") && fonts.contains("LiberationSerif")) << fonts.toStdString();
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

// The file dialog proposes a name made of the document the print command
// names (an inner name standing while it lasts) and the open class, in the
// documents folder.
TEST_F(PdfOutput, FileDialogProposesDocumentAndClass)
{
    QString folderShown = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folderShown.isEmpty() || !QDir(folderShown).exists())
        folderShown = QDir::homePath();
    const struct {
        const char* outer;
        const char* inner; // nullptr: none
        const char* classFile;
        const char* proposed;
    } rows[] = {
        {"Klassenübersicht Endnoten", nullptr, "xa_25262.dbf", "Klassenübersicht Endnoten 10a.pdf"},
        {"Prüfungsleistungen Klassentabelle", "Notentabelle Jahresleistung", "9b_25262.dbf",
         "Notentabelle Jahresleistung 9b.pdf"},
        {"", nullptr, "9b_25262.dbf", "Druck 9b.pdf"},
        {"Notizfeld Meier/Schulz:", nullptr, "", "Notizfeld Meier Schulz.pdf"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.proposed);
        state().openClassFile = QString::fromUtf8(r.classFile);
        prompt.clear();
        prompt.cancelText();
        {
            const PrintDocumentName outer(QString::fromUtf8(r.outer));
            std::optional<PrintDocumentName> inner;
            if (r.inner)
                inner.emplace(QString::fromUtf8(r.inner));
            EXPECT_FALSE(BeginPrint()); // the dialog is cancelled
            EndPrint();
        }
        EXPECT_TRUE(CurrentPrintDocumentName().isEmpty());
        ASSERT_EQ(prompt.shown().size(), 1);
        EXPECT_EQ(prompt.shown()[0].preset, QDir(folderShown).filePath(QString::fromUtf8(r.proposed)));
    }
}
