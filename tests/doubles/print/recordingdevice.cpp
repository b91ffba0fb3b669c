#include "print/recordingdevice.h"

#include "print/textmetrics.h"

namespace hsa {

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
                // A text too wide even condensed is cut at its width: the
                // line shows the part on paper and, after "cut", what is lost.
                if (op.value > 0 && op.naturalWidth * kMinTextCondense > op.value) {
                    qsizetype shown = op.text.size();
                    while (shown > 0
                           && MeasureTextWidth(fontName, height, bold, italic, op.text.left(shown)) * kMinTextCondense
                               > op.value)
                        --shown;
                    out << QStringLiteral("text %1%2 \"%3\" cut \"%4\"")
                               .arg(point(op.x, op.y), width, op.text.left(shown), op.text.mid(shown));
                    break;
                }
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
    if (printing())
        throw PrinterError(QStringLiteral("Druckvorgang läuft"));
    if (failOnBegin)
        throw PrinterError(QStringLiteral("Drucker ist nicht bereit"));
    beginJob(title, declineBegin);
    return !declineBegin;
}

void RecordingDevice::endBatch()
{
    if (batchDepth > 0 && --batchDepth == 0)
        ++batchesEnded;
}

QSizeF RecordingDevice::printableSizeMM() const
{
    return landscape() ? printableMM.transposed() : printableMM;
}

QSize RecordingDevice::printableSizePixels() const
{
    return landscape() ? pixelsPortrait.transposed() : pixelsPortrait;
}

bool RecordingDevice::runSetupDialog()
{
    ++setupRuns;
    return setupAvailable;
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
