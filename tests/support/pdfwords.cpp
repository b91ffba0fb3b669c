#include "support/pdfwords.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace hsa::test {

namespace {

constexpr double kMMPerPoint = 25.4 / 72.0;

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

QList<PdfWord> ReadPdfWords(const QString& path)
{
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    QList<PdfWord> words;
    int page = -1;
    static const QRegularExpression re(QStringLiteral(
        "<page |<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    auto it = re.globalMatch(html);
    while (it.hasNext()) {
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

int PdfPageCount(const QString& path)
{
    static const QRegularExpression re(QStringLiteral("Pages:\\s+(\\d+)"));
    const auto m = re.match(run(QStringLiteral("pdfinfo"), {path}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString PdfPageSizes(const QString& path)
{
    return run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                           QStringLiteral("99"), path});
}

QString PdfFonts(const QString& path)
{
    return run(QStringLiteral("pdffonts"), {path});
}

QString PdfImageList(const QString& path)
{
    return run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path});
}

} // namespace hsa::test
