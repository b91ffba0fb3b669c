// A participant list over two pages and a protocol sheet written as PDF
// through the Qt print device: key texts stand where the layout puts them.
#include "layoutfixture.h"
#include "print/layouts/protocols.h"
#include "print/layouts/subjectlists.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/qtprintdevice.h"
#include "support/pdfwords.h"
#include "support/tempfolder.h"

using namespace hsa;
using hsa::test::LayoutTest;

TEST_F(LayoutTest, ListAndProtocolAsPdf)
{
    setPrinterSystem(nullptr);
    ASSERT_TRUE(printer().SelectPrinterDevice(PdfPrinterName(), QStringLiteral("WINSPOOL"), {}));
    test::TempProgramFolder folder;
    const QString pdf = folder.file(QStringLiteral("listen.pdf"));
    prompt.text(pdf);
    std::vector<StudentPrintData> students;
    for (int nr = 1; nr <= 34; ++nr)
        students.push_back(student(nr, 5, QStringLiteral("P"), {}, QStringLiteral("P")));
    {
        PrintBatch batch;
        PrintSubjectExamList(cls, students, 6, ListWritten, kExamOral, false);
        PrintExamProtocol(cls, students[0], 6, QStringLiteral("mündliche"));
    }
    setPrinterSystem(nullptr);
    const QList<test::PdfWord> words = test::ReadPdfWords(pdf);
    struct Case { QString word; int page, x, y; };
    // A4 less 5 mm margins: W = 1900; edges x1 = 200, x2 = 900; the protocol's
    // value column at 100 + 100 + 500.
    const Case cases[] = {
        {"Schriftliche", 0, 100, 100}, {"Schüler", 0, 214, 175}, {"Name1", 0, 214, 260},
        {"Name32", 0, 214, 260 + 31 * 75}, {"Schriftliche", 1, 100, 100}, {"Name33", 1, 214, 260},
        {"Name34", 1, 214, 335}, {"Niederschrift", 2, 700, 340}, {"Prüfungsnote:", 2, 700, 2270},
        {"(Schriftführer)", 2, 100, 2630},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(test::PdfWordAt(words, c.word, c.page, c.x, c.y)) << c.word.toStdString() << " page " << c.page;
}
