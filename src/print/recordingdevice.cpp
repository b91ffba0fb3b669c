#include "print/recordingdevice.h"

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

QStringList RecordingLines(const QList<PrintJob>& jobs)
{
    QStringList out;
    const auto point = [](int x, int y) { return QStringLiteral("%1,%2").arg(x).arg(-y); };
    for (int j = 0; j < jobs.size(); ++j) {
        const PrintJob& job = jobs.at(j);
        QString head = QStringLiteral("job %1 \"%2\" %3")
                           .arg(j + 1)
                           .arg(job.title, job.landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"));
        if (job.declined)
            head += QStringLiteral(" declined");
        else if (job.aborted)
            head += QStringLiteral(" aborted");
        else if (!job.ended)
            head += QStringLiteral(" not ended");
        out << head;
        // The font and pen in force, and the ones last written out.
        QString fontName;
        int height = 0, pen = 1;
        bool bold = false, italic = false, underline = false;
        QString shownFont;
        int shownPen = -1;
        int x = 0, y = 0, page = 1;
        for (const PrintOp& op : job.ops) {
            switch (op.kind) {
            case PrintOp::NewPage: out << QStringLiteral("page %1").arg(++page); break;
            case PrintOp::FontName: fontName = op.text; break;
            case PrintOp::FontHeight: height = op.value; break;
            case PrintOp::FontBold: bold = op.value != 0; break;
            case PrintOp::FontItalic: italic = op.value != 0; break;
            case PrintOp::FontUnderline: underline = op.value != 0; break;
            case PrintOp::PenWidth: pen = op.value; break;
            case PrintOp::MoveTo: x = op.x; y = op.y; break;
            case PrintOp::LineTo:
                if (pen != shownPen)
                    out << QStringLiteral("pen %1").arg(shownPen = pen);
                out << QStringLiteral("line %1 %2").arg(point(x, y), point(op.x, op.y));
                x = op.x;
                y = op.y;
                break;
            case PrintOp::TextOut: {
                QString font = QStringLiteral("font %1 %2").arg(fontName).arg(height);
                if (bold)
                    font += QStringLiteral(" bold");
                if (italic)
                    font += QStringLiteral(" italic");
                if (underline)
                    font += QStringLiteral(" underline");
                if (font != shownFont)
                    out << (shownFont = font);
                const QString width = op.value > 0 ? QStringLiteral(" w%1").arg(op.value) : QString();
                out << QStringLiteral("text %1%2 \"%3\"").arg(point(op.x, op.y), width, op.text);
                break;
            }
            case PrintOp::StretchDraw:
                out << QStringLiteral("picture %1 %2 %3x%4")
                           .arg(point(op.rect.left, op.rect.top), point(op.rect.right, op.rect.bottom))
                           .arg(op.pictureSize.width())
                           .arg(op.pictureSize.height());
                break;
            }
        }
    }
    return out;
}

RecordingDevice::RecordingDevice(QString name) : name_(std::move(name)) {}

bool RecordingDevice::beginDoc(const QString& title)
{
    if (printing_)
        throw PrinterError(QStringLiteral("Druckvorgang läuft"));
    if (failOnBegin)
        throw PrinterError(QStringLiteral("Drucker ist nicht bereit"));
    PrintJob job;
    job.title = title;
    job.landscape = landscape_;
    job.declined = declineBegin;
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
    return !declineBegin;
}

void RecordingDevice::newPage()
{
    if (!printing_)
        return;
    ++jobs.last().pages;
    record(makeOp(PrintOp::NewPage, 0, 0, 0));
}

void RecordingDevice::endDoc()
{
    if (!printing_)
        return;
    jobs.last().ended = true;
    printing_ = false;
}

void RecordingDevice::abort()
{
    if (!printing_)
        return;
    jobs.last().aborted = true;
    printing_ = false;
}

void RecordingDevice::endBatch()
{
    if (batchDepth > 0 && --batchDepth == 0)
        ++batchesEnded;
}

QSizeF RecordingDevice::printableSizeMM() const
{
    return landscape_ ? printableMM.transposed() : printableMM;
}

QSize RecordingDevice::printableSizePixels() const
{
    return landscape_ ? pixelsPortrait.transposed() : pixelsPortrait;
}

bool RecordingDevice::runSetupDialog()
{
    ++setupRuns;
    return setupAvailable;
}

void RecordingDevice::setFontName(const QString& name)
{
    fontName = name;
    record(makeOp(PrintOp::FontName, 0, 0, 0, name));
}

void RecordingDevice::setFontHeight(int cellHeight)
{
    fontHeight = cellHeight;
    record(makeOp(PrintOp::FontHeight, 0, 0, cellHeight));
}

void RecordingDevice::setFontBold(bool b)
{
    bold = b;
    record(makeOp(PrintOp::FontBold, 0, 0, b ? 1 : 0));
}

void RecordingDevice::setFontItalic(bool i)
{
    italic = i;
    record(makeOp(PrintOp::FontItalic, 0, 0, i ? 1 : 0));
}

void RecordingDevice::setFontUnderline(bool u)
{
    underline = u;
    record(makeOp(PrintOp::FontUnderline, 0, 0, u ? 1 : 0));
}

void RecordingDevice::setPenWidth(int width)
{
    penWidth = width;
    record(makeOp(PrintOp::PenWidth, 0, 0, width));
}

void RecordingDevice::moveTo(int x, int y)
{
    penX = x;
    penY = y;
    record(makeOp(PrintOp::MoveTo, x, y, 0));
}

void RecordingDevice::lineTo(int x, int y)
{
    penX = x;
    penY = y;
    record(makeOp(PrintOp::LineTo, x, y, 0));
}

void RecordingDevice::textOut(int x, int y, const QString& text)
{
    textOutWithin(x, y, text, 0);
}

void RecordingDevice::textOutWithin(int x, int y, const QString& text, int width)
{
    PrintOp op = makeOp(PrintOp::TextOut, x, y, width > 0 ? width : 0, text);
    if (printing_)
        op.naturalWidth = textWidth(text);
    record(std::move(op));
}

int RecordingDevice::textWidth(const QString& text) const
{
    return MeasureTextWidth(fontName, fontHeight, bold, italic, text);
}

void RecordingDevice::stretchDraw(const LogicalRect& rect, const QImage& picture)
{
    PrintOp op = makeOp(PrintOp::StretchDraw, 0, 0, 0);
    op.rect = rect;
    op.pictureSize = picture.size();
    op.picture = picture;
    record(std::move(op));
}

void RecordingDevice::record(PrintOp op)
{
    // Outside a job the canvas draws nowhere; its settings still change.
    if (printing_)
        jobs.last().ops.append(std::move(op));
}

RecordingPrinterSystem::RecordingPrinterSystem(QStringList n, QString d)
    : names(std::move(n)), defaultName(std::move(d))
{
}

PrintDevice* RecordingPrinterSystem::device(const QString& name)
{
    if (!names.contains(name) || unavailable.contains(name))
        return nullptr;
    return &recorder(name);
}

RecordingDevice& RecordingPrinterSystem::recorder(const QString& name)
{
    auto& slot = devices_[name];
    if (!slot)
        slot = std::make_shared<RecordingDevice>(name);
    return *slot;
}

ScopedRecordingPrinter::ScopedRecordingPrinter(QStringList names, QString defaultName)
    : system_(std::move(names), std::move(defaultName))
{
    setPrinterSystem(&system_);
}

ScopedRecordingPrinter::~ScopedRecordingPrinter()
{
    setPrinterSystem(nullptr);
}

} // namespace hsa
