#pragma once
#include <QList>
#include <QString>

// PDF files read back with the poppler tools: words with their boxes
// (pdftotext -bbox), the page count (pdfinfo) and the fonts (pdffonts).
namespace hsa::test {

struct PdfWord {
    QString text;
    double xMin, yMin, xMax, yMax; // millimetres from the page's top left corner
    int page;                      // from 0
};

QList<PdfWord> ReadPdfWords(const QString& path);
int PdfPageCount(const QString& path);
// pdfinfo's page lines ("Page    1 size:  595 x 842 ...").
QString PdfPageSizes(const QString& path);
QString PdfFonts(const QString& path);

} // namespace hsa::test
