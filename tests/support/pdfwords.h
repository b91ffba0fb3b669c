#pragma once
#include "print/pagemodel.h"
#include "print/qtprintdevice.h"

#include <QList>
#include <QString>
#include <algorithm>

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
// pdfimages' list: two header lines, then one line per picture.
QString PdfImageList(const QString& path);

// Whether a word text on page has its box begin at the page-model point
// (x, y) in 0.1 mm, calibration applied, within 0.5 mm.
inline bool PdfWordAt(const QList<PdfWord>& words, const QString& text, int page, int x, int y)
{
    const double left = QtPrintDevice::kPdfMarginMM + MapPageX(x) / 10.0;
    const double top = QtPrintDevice::kPdfMarginMM - MapPageY(y) / 10.0;
    return std::any_of(words.begin(), words.end(), [&](const PdfWord& w) {
        return w.text == text && w.page == page && qAbs(w.xMin - left) <= 0.5 && qAbs(w.yMin - top) <= 0.5;
    });
}

} // namespace hsa::test
