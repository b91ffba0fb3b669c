#pragma once
// The words of a PDF file with their boxes, read with pdftotext -bbox, for
// tests that check where printed texts land.
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

namespace hsa::test {

struct PdfWord {
    QString text;
    double xMin, yMin, xMax, yMax; // millimetres from the page's top left corner
    int page;                      // 0-based
};

inline QList<PdfWord> ReadPdfWords(const QString& path)
{
    constexpr double kMMPerPoint = 25.4 / 72.0;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    p.waitForFinished(30000);
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    QList<PdfWord> words;
    int page = -1;
    static const QRegularExpression re(QStringLiteral(
        "<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            ++page;
            continue;
        }
        words.append(PdfWord{m.captured(5), m.captured(1).toDouble() * kMMPerPoint,
                             m.captured(2).toDouble() * kMMPerPoint, m.captured(3).toDouble() * kMMPerPoint,
                             m.captured(4).toDouble() * kMMPerPoint, page});
    }
    return words;
}

} // namespace hsa::test
