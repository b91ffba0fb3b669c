// Exam tables and a grade-list page written as PDF files through the Qt print
// device and read back: one file per command, texts where the layout puts
// them, the metric-compatible fonts embedded.
#include "classes/sharedstate.h"
#include "print/classlists.h"
#include "print/drivers.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/printersystem.h"
#include "print/qtprintdevice.h"
#include "support/pdfwords.h"
#include "support/printclass.h"

#include <QFileInfo>

using namespace hsa;
using namespace hsa::test;

namespace {

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
    void TearDown() override
    {
        setPrinterSystem(nullptr);
        PrintClassFixture::TearDown();
    }
};

TEST_F(PdfSheets, GradeListPageInLandscape)
{
    const QString pdf = folder.file(QStringLiteral("ergebnis.pdf"));
    prompt.text(QStringLiteral("1")).text(pdf);
    PrintResultListForAuthority();
    ASSERT_EQ(PdfPageCount(pdf), 1);
    EXPECT_TRUE(PdfPageSizes(pdf).contains(QStringLiteral("842 x 595")));
    const QList<PdfWord> words = ReadPdfWords(pdf);
    // A4 landscape less the margins: 2870 x 2000, so cw = 97 and rh = 48.
    EXPECT_TRUE(PdfWordAt(words, QStringLiteral("Lfd."), 0, 53, 113));
    EXPECT_TRUE(PdfWordAt(words, QStringLiteral("Notenliste"), 0, 53, 113 - 96 - 16));
    EXPECT_TRUE(PdfWordAt(words, QStringLiteral("2.0"), 0, 53 + 97 * 9 + 3, 113 + 48 * 10));
    EXPECT_TRUE(PdfFonts(pdf).contains(QStringLiteral("LiberationSerif")));
}

TEST_F(PdfSheets, ExamTablesOfAClassInOneFile)
{
    QList<Cell> cells;
    for (int r = 1; r <= 19; ++r)
        cells << Cell{1, r, "- "} << Cell{2, r, "- "} << Cell{3, r, "- "} << Cell{5, r, r == 1 ? "3.0" : "2.0"};
    for (const char* nr : {"1", "3"})
        writeSheet(QString::fromLatin1(nr), 0, cells);
    const QString pdf = folder.file(QStringLiteral("pruefungstabellen.pdf"));
    prompt.text(pdf);
    state().printDocKind = 4;
    PrintAllStudents();
    ASSERT_EQ(PdfPageCount(pdf), 3);
    const QList<PdfWord> words = ReadPdfWords(pdf);
    for (int page : {0, 2}) {
        EXPECT_TRUE(PdfWordAt(words, QString::fromLatin1(page ? "Eva" : "Ina"), page, 880, 350)) << page;
        EXPECT_TRUE(PdfWordAt(words, QStringLiteral("3.0"), page, 1280, 710)) << page;
        EXPECT_TRUE(PdfWordAt(words, QStringLiteral("2.0"), page, 1680, 1850)) << page; // 39 / 19 cut
        EXPECT_TRUE(PdfWordAt(words, QStringLiteral("X"), page, 1295, 2090)) << page;
    }
    // pdffonts: the metric-compatible faces, each embedded ("emb" is the
    // fifth column from the right).
    const QStringList fonts = PdfFonts(pdf).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    EXPECT_TRUE(fonts.join(' ').contains(QStringLiteral("LiberationSerif-Bold"))) << fonts.join('\n').toStdString();
    for (const QString& line : fonts) {
        const QStringList columns = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        EXPECT_TRUE(columns.first().contains(QStringLiteral("LiberationSerif"))) << line.toStdString();
        EXPECT_EQ(columns.value(columns.size() - 5), QStringLiteral("yes")) << line.toStdString();
    }
}

} // namespace
