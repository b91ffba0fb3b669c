#include "print/qtprintdevice.h"

#include "classes/sharedstate.h"
#include "platform/prompt.h"
#include "print/documentname.h"
#include "print/textmetrics.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMap>
#include <QPageSetupDialog>
#include <QPen>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace hsa {

namespace {

// Page units (0.1 mm) to drawing units (0.01 mm).
constexpr double kUnitsPerPagePoint = 10.0;

QPointF drawPoint(int x, int y)
{
    // Logical y points upward; Qt's y points downward.
    return QPointF(x * kUnitsPerPagePoint, -y * kUnitsPerPagePoint);
}

QPen linePen(int width)
{
    // Width 0 or less: the thinnest line the printer can draw.
    const double w = width > 0 ? width * kUnitsPerPagePoint : 0.0;
    return QPen(QBrush(Qt::black), w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

QString PdfPrinterName()
{
    return QStringLiteral("PDF-Datei");
}

QtPrintDevice::QtPrintDevice(QString listName, QString systemName, bool pdf)
    : listName_(std::move(listName)), systemName_(std::move(systemName)), pdf_(pdf)
{
    if (pdf_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setPageSize(QPageSize(QPageSize::A4));
        printer_->setPageMargins(QMarginsF(kPdfMarginMM, kPdfMarginMM, kPdfMarginMM, kPdfMarginMM),
                                 QPageLayout::Millimeter);
    } else {
        printer_ = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(systemName_),
                                              QPrinter::HighResolution);
    }
    printer_->setFullPage(false);
    printer_->setDocName(QStringLiteral("druck1"));
}

QtPrintDevice::~QtPrintDevice()
{
    if (painter_.isActive())
        painter_.end();
}

bool QtPrintDevice::chooseFile()
{
    if (!presetFile_.isEmpty()) {
        lastFile_ = presetFile_;
        presetFile_.clear();
        return true;
    }
    QString folder = lastFolder_;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // A folder that is not there would stand in the dialog as the file name.
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    // The file is proposed under the document's and the class's name, so that
    // one print does not overwrite the last under a name typed in a hurry.
    const QString proposed =
        QDir(folder).filePath(ProposedPdfFileName(CurrentPrintDocumentName(), state().openClassFile));
    const auto chosen = prompts().saveFileName(QStringLiteral("Druck als PDF-Datei speichern"),
                                               proposed, QStringLiteral("PDF-Dateien (*.pdf)"));
    if (!chosen || chosen->trimmed().isEmpty())
        return false;
    QString path = *chosen;
    if (QFileInfo(path).suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) != 0)
        path += QStringLiteral(".pdf");
    lastFile_ = path;
    lastFolder_ = QFileInfo(path).absolutePath();
    return true;
}

bool QtPrintDevice::beginDoc(const QString& title)
{
    if (job_.printing())
        throw PrinterError(QStringLiteral("Druckvorgang läuft"));
    if (!pdf_ && !printer_->isValid())
        throw PrinterError(
            QStringLiteral("Der Drucker \"%1\" ist zur Zeit nicht bereit.").arg(listName_));
    bool accepted = true;
    if (pdf_ && !batchFileOpen_) {
        if (batchDeclined_) {
            accepted = false;
        } else if (!chooseFile()) {
            accepted = false;
            if (batchDepth_ > 0)
                batchDeclined_ = true; // ask once per print command
        }
    }
    jobAccepted_ = accepted;
    job_.jobs.clear();
    job_.beginJob(title);
    return accepted;
}

void QtPrintDevice::newPage()
{
    job_.newPage();
}

void QtPrintDevice::endDoc()
{
    if (!job_.printing())
        return;
    job_.endDoc();
    const PrintJob job = job_.jobs.takeLast();
    if (jobAccepted_)
        render(job);
    jobAccepted_ = false;
}

void QtPrintDevice::abort()
{
    // The job has not reached the printer yet: dropping it is all.
    job_.abort();
    job_.jobs.clear();
    jobAccepted_ = false;
}

void QtPrintDevice::beginBatch()
{
    ++batchDepth_;
}

void QtPrintDevice::endBatch()
{
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return;
    batchDeclined_ = false;
    closeFile();
}

void QtPrintDevice::closeFile()
{
    if (!batchFileOpen_)
        return;
    batchFileOpen_ = false;
    if (painter_.isActive() && !painter_.end())
        throw PrinterError(
            QStringLiteral("Die PDF-Datei \"%1\" konnte nicht geschrieben werden.").arg(lastFile_));
}

void QtPrintDevice::render(const PrintJob& job)
{
    printer_->setPageOrientation(job.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (batchFileOpen_) {
        printer_->newPage();
    } else {
        printer_->setDocName(job.title);
        if (pdf_)
            printer_->setOutputFileName(lastFile_);
        if (!painter_.begin(printer_.get())) {
            if (pdf_)
                throw PrinterError(
                    QStringLiteral("Die PDF-Datei \"%1\" kann nicht erstellt werden.").arg(lastFile_));
            throw PrinterError(
                QStringLiteral("Der Drucker \"%1\" kann nicht drucken.").arg(listName_));
        }
        if (pdf_ && batchDepth_ > 0)
            batchFileOpen_ = true;
    }
    painter_.resetTransform();
    const double scale = printer_->resolution() / 2540.0; // 0.01 mm to device pixels
    painter_.scale(scale, scale);
    painter_.setBrush(Qt::NoBrush);
    painter_.setPen(linePen(1));

    QString family;
    int height = 0;
    bool bold = false, italic = false, underline = false;
    bool fontDirty = true;
    double ascent = 0;
    QPointF pos(0, 0);
    for (const PrintOp& op : job.ops) {
        switch (op.kind) {
        case PrintOp::NewPage: printer_->newPage(); break;
        case PrintOp::FontName: family = op.text; fontDirty = true; break;
        case PrintOp::FontHeight: height = op.value; fontDirty = true; break;
        case PrintOp::FontBold: bold = op.value != 0; fontDirty = true; break;
        case PrintOp::FontItalic: italic = op.value != 0; fontDirty = true; break;
        case PrintOp::FontUnderline: underline = op.value != 0; fontDirty = true; break;
        case PrintOp::PenWidth: painter_.setPen(linePen(op.value)); break;
        case PrintOp::MoveTo: pos = drawPoint(op.x, op.y); break;
        case PrintOp::LineTo: {
            const QPointF to = drawPoint(op.x, op.y);
            painter_.drawLine(pos, to);
            pos = to;
            break;
        }
        case PrintOp::TextOut: {
            if (fontDirty) {
                painter_.setFont(CellFont(family, qRound(height * kUnitsPerPagePoint), bold, italic,
                                          underline, &ascent));
                fontDirty = false;
            }
            const QPointF at = drawPoint(op.x, op.y);
            const double factor = CondenseFactor(op.naturalWidth, op.value);
            if (op.value <= 0 || op.naturalWidth <= op.value) {
                painter_.drawText(at + QPointF(0, ascent), op.text);
                break;
            }
            // Condensed into its room and cut at the room's end, so that it
            // never covers the next column or crosses its rule.
            painter_.save();
            const double room = op.value * kUnitsPerPagePoint;
            const double cell = height * kUnitsPerPagePoint;
            painter_.setClipRect(QRectF(at.x(), at.y() - cell, room, 3 * cell), Qt::IntersectClip);
            painter_.translate(at.x(), at.y() + ascent);
            painter_.scale(factor, 1.0);
            painter_.drawText(QPointF(0, 0), op.text);
            painter_.restore();
            break;
        }
        case PrintOp::StretchDraw: {
            const QPointF a = drawPoint(op.rect.left, op.rect.top);
            const QPointF b = drawPoint(op.rect.right, op.rect.bottom);
            painter_.drawImage(QRectF(a, b).normalized(), op.picture);
            break;
        }
        }
    }
    if (!batchFileOpen_ && !painter_.end()) {
        if (pdf_)
            throw PrinterError(
                QStringLiteral("Die PDF-Datei \"%1\" konnte nicht geschrieben werden.").arg(lastFile_));
        throw PrinterError(QStringLiteral("Der Drucker \"%1\" kann nicht drucken.").arg(listName_));
    }
}

void QtPrintDevice::setLandscape(bool landscape)
{
    job_.setLandscape(landscape);
}

QSizeF QtPrintDevice::printableSizeMM() const
{
    QPageLayout layout = printer_->pageLayout();
    layout.setOrientation(job_.landscape() ? QPageLayout::Landscape : QPageLayout::Portrait);
    return layout.paintRect(QPageLayout::Millimeter).size();
}

QSize QtPrintDevice::printableSizePixels() const
{
    QPageLayout layout = printer_->pageLayout();
    layout.setOrientation(job_.landscape() ? QPageLayout::Landscape : QPageLayout::Portrait);
    return layout.paintRectPixels(printer_->resolution()).size();
}

bool QtPrintDevice::runSetupDialog()
{
    if (job_.printing() || batchFileOpen_ || (!pdf_ && !printer_->isValid()))
        return false;
    QPageSetupDialog dialog(printer_.get());
    dialog.exec();
    return true;
}

void QtPrintDevice::setFontName(const QString& name) { job_.setFontName(name); }
void QtPrintDevice::setFontHeight(int cellHeight) { job_.setFontHeight(cellHeight); }
void QtPrintDevice::setFontBold(bool bold) { job_.setFontBold(bold); }
void QtPrintDevice::setFontItalic(bool italic) { job_.setFontItalic(italic); }
void QtPrintDevice::setFontUnderline(bool underline) { job_.setFontUnderline(underline); }
void QtPrintDevice::setPenWidth(int width) { job_.setPenWidth(width); }
void QtPrintDevice::moveTo(int x, int y) { job_.moveTo(x, y); }
void QtPrintDevice::lineTo(int x, int y) { job_.lineTo(x, y); }
void QtPrintDevice::textOut(int x, int y, const QString& text) { job_.textOut(x, y, text); }
void QtPrintDevice::textOutWithin(int x, int y, const QString& text, int width)
{
    job_.textOutWithin(x, y, text, width);
}
void QtPrintDevice::stretchDraw(const LogicalRect& rect, const QImage& picture)
{
    job_.stretchDraw(rect, picture);
}

struct QtPrinterSystem::Impl {
    QMap<QString, std::shared_ptr<QtPrintDevice>> devices;
};

QtPrinterSystem::QtPrinterSystem() : d(std::make_unique<Impl>()) {}
QtPrinterSystem::~QtPrinterSystem() = default;

QStringList QtPrinterSystem::printerNames()
{
    QStringList names = QPrinterInfo::availablePrinterNames();
    names.append(PdfPrinterName());
    return names;
}

QString QtPrinterSystem::defaultPrinterName()
{
    // Without a default queue (or without any queue) the PDF entry serves as
    // the default, so that printing always has a target.
    const QString name = QPrinterInfo::defaultPrinterName();
    return name.isEmpty() ? PdfPrinterName() : name;
}

PrintDevice* QtPrinterSystem::device(const QString& name)
{
    auto& slot = d->devices[name];
    if (!slot) {
        if (name == PdfPrinterName())
            slot = std::make_shared<QtPrintDevice>(name, QString(), true);
        else if (QPrinterInfo::availablePrinterNames().contains(name))
            slot = std::make_shared<QtPrintDevice>(name, name, false);
        else {
            d->devices.remove(name);
            return nullptr;
        }
    }
    return slot.get();
}

PrinterSystem& platformPrinterSystem()
{
    // Kept to the very end of the process: the printers must outlive every
    // window that may still print while the program shuts down.
    static QtPrinterSystem* system = new QtPrinterSystem;
    return *system;
}

} // namespace hsa
