#include "print/printjob.h"

#include "print/textmetrics.h"

namespace hsa {

namespace {

PrintOp makeOp(PrintOp::Kind kind, int x, int y, int value, const QString& text = {})
{
    PrintOp op;
    op.kind = kind;
    op.x = x;
    op.y = y;
    op.value = value;
    op.text = text;
    return op;
}

} // namespace

QList<PrintedText> PrintJob::texts() const
{
    QList<PrintedText> out;
    PrintedText font;
    int page = 0;
    for (const PrintOp& op : ops) {
        switch (op.kind) {
        case PrintOp::NewPage: ++page; break;
        case PrintOp::FontName: font.fontName = op.text; break;
        case PrintOp::FontHeight: font.fontHeight = op.value; break;
        case PrintOp::FontBold: font.bold = op.value != 0; break;
        case PrintOp::FontItalic: font.italic = op.value != 0; break;
        case PrintOp::FontUnderline: font.underline = op.value != 0; break;
        case PrintOp::TextOut: {
            PrintedText t = font;
            t.x = op.x;
            t.y = op.y;
            t.text = op.text;
            t.page = page;
            t.width = op.value;
            t.naturalWidth = op.naturalWidth;
            out.append(t);
            break;
        }
        default: break;
        }
    }
    return out;
}

QList<PrintedLine> PrintJob::lines() const
{
    QList<PrintedLine> out;
    int x = 0, y = 0, pen = 1, page = 0;
    for (const PrintOp& op : ops) {
        switch (op.kind) {
        case PrintOp::NewPage: ++page; break;
        case PrintOp::PenWidth: pen = op.value; break;
        case PrintOp::MoveTo: x = op.x; y = op.y; break;
        case PrintOp::LineTo:
            out.append(PrintedLine{x, y, op.x, op.y, pen, page});
            x = op.x;
            y = op.y;
            break;
        default: break;
        }
    }
    return out;
}

std::optional<PrintedText> PrintJob::findText(const QString& text) const
{
    for (const PrintedText& t : texts())
        if (t.text == text)
            return t;
    return std::nullopt;
}

QStringList PrintJob::textStrings() const
{
    QStringList out;
    for (const PrintedText& t : texts())
        out.append(t.text);
    return out;
}

void PrintJobRecorder::beginJob(const QString& title, bool declined)
{
    if (printing_)
        throw PrinterError(QStringLiteral("Druckvorgang läuft"));
    PrintJob job;
    job.title = title;
    job.landscape = landscape_;
    job.declined = declined;
    jobs.append(job);
    printing_ = true;
    // A new job starts with the canvas as the program left it.
    record(makeOp(PrintOp::FontName, 0, 0, 0, fontName));
    record(makeOp(PrintOp::FontHeight, 0, 0, fontHeight));
    record(makeOp(PrintOp::FontBold, 0, 0, bold ? 1 : 0));
    record(makeOp(PrintOp::FontItalic, 0, 0, italic ? 1 : 0));
    record(makeOp(PrintOp::FontUnderline, 0, 0, underline ? 1 : 0));
    record(makeOp(PrintOp::PenWidth, 0, 0, penWidth));
    penX = penY = 0;
}

void PrintJobRecorder::newPage()
{
    if (!printing_)
        return;
    ++jobs.last().pages;
    record(makeOp(PrintOp::NewPage, 0, 0, 0));
}

void PrintJobRecorder::endDoc()
{
    if (!printing_)
        return;
    jobs.last().ended = true;
    printing_ = false;
}

void PrintJobRecorder::abort()
{
    if (!printing_)
        return;
    jobs.last().aborted = true;
    printing_ = false;
}

void PrintJobRecorder::setFontName(const QString& name)
{
    fontName = name;
    record(makeOp(PrintOp::FontName, 0, 0, 0, name));
}

void PrintJobRecorder::setFontHeight(int cellHeight)
{
    fontHeight = cellHeight;
    record(makeOp(PrintOp::FontHeight, 0, 0, cellHeight));
}

void PrintJobRecorder::setFontBold(bool b)
{
    bold = b;
    record(makeOp(PrintOp::FontBold, 0, 0, b ? 1 : 0));
}

void PrintJobRecorder::setFontItalic(bool i)
{
    italic = i;
    record(makeOp(PrintOp::FontItalic, 0, 0, i ? 1 : 0));
}

void PrintJobRecorder::setFontUnderline(bool u)
{
    underline = u;
    record(makeOp(PrintOp::FontUnderline, 0, 0, u ? 1 : 0));
}

void PrintJobRecorder::setPenWidth(int width)
{
    penWidth = width;
    record(makeOp(PrintOp::PenWidth, 0, 0, width));
}

void PrintJobRecorder::moveTo(int x, int y)
{
    penX = x;
    penY = y;
    record(makeOp(PrintOp::MoveTo, x, y, 0));
}

void PrintJobRecorder::lineTo(int x, int y)
{
    penX = x;
    penY = y;
    record(makeOp(PrintOp::LineTo, x, y, 0));
}

void PrintJobRecorder::textOut(int x, int y, const QString& text)
{
    textOutWithin(x, y, text, 0);
}

void PrintJobRecorder::textOutWithin(int x, int y, const QString& text, int width)
{
    PrintOp op = makeOp(PrintOp::TextOut, x, y, width > 0 ? width : 0, text);
    if (printing_)
        op.naturalWidth = textWidth(text);
    record(std::move(op));
}

int PrintJobRecorder::textWidth(const QString& text) const
{
    return MeasureTextWidth(fontName, fontHeight, bold, italic, text);
}

void PrintJobRecorder::stretchDraw(const LogicalRect& rect, const QImage& picture)
{
    PrintOp op = makeOp(PrintOp::StretchDraw, 0, 0, 0);
    op.rect = rect;
    op.pictureSize = picture.size();
    op.picture = picture;
    record(std::move(op));
}

void PrintJobRecorder::record(PrintOp op)
{
    // Outside a job the canvas draws nowhere; its settings still change.
    if (printing_)
        jobs.last().ops.append(std::move(op));
}

} // namespace hsa
