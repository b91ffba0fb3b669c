#pragma once
#include "print/printdevice.h"
#include "print/printersystem.h"
#include "print/printjob.h"

#include <QFont>
#include <QPainter>
#include <QPointF>
#include <memory>

class QPrinter;

// The print device over Qt's printer: a printer queue of the system, or a PDF
// file.  Pages are drawn in units of 0.01 mm so that fonts and lines keep their
// size to a hundredth of a millimetre at any printer resolution.
namespace hsa {

class QtPrintDevice : public PrintDevice {
public:
    // A device for the system printer systemName, or (pdf) for PDF files.
    QtPrintDevice(QString listName, QString systemName, bool pdf);
    ~QtPrintDevice() override;

    // For a PDF device: the file the next job (or batch) writes, instead of
    // asking the user.  Cleared when that file is closed.
    void setOutputFile(const QString& path) { presetFile_ = path; }
    // The file the last PDF job wrote to.
    QString lastOutputFile() const { return lastFile_; }
    // PDF margins (printable area inside the page), millimetres.
    static constexpr double kPdfMarginMM = 5.0;

    QString name() const override { return listName_; }
    bool isPdf() const override { return pdf_; }
    bool beginDoc(const QString& title) override;
    void newPage() override;
    void endDoc() override;
    void abort() override;
    bool printing() const override { return job_.printing(); }
    void beginBatch() override;
    void endBatch() override;
    void setLandscape(bool landscape) override;
    bool landscape() const override { return job_.landscape(); }
    QSizeF printableSizeMM() const override;
    QSize printableSizePixels() const override;
    bool runSetupDialog() override;

    void setFontName(const QString& name) override;
    void setFontHeight(int cellHeight) override;
    void setFontBold(bool bold) override;
    void setFontItalic(bool italic) override;
    void setFontUnderline(bool underline) override;
    void setPenWidth(int width) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void textOut(int x, int y, const QString& text) override;
    void textOutWithin(int x, int y, const QString& text, int width) override;
    int textWidth(const QString& text) const override { return job_.textWidth(text); }
    void stretchDraw(const LogicalRect& rect, const QImage& picture) override;

private:
    void render(const PrintJob& job);
    void closeFile();
    bool chooseFile();

    QString listName_;
    QString systemName_;
    bool pdf_;
    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    // The running job is collected here and handed to the printer only at
    // its end, so that an aborted job never reaches the paper.
    PrintJobRecorder job_;
    bool jobAccepted_ = false;
    int batchDepth_ = 0;
    bool batchDeclined_ = false;
    bool batchFileOpen_ = false;
    QString presetFile_;
    QString lastFile_;
    QString lastFolder_;
};

// The platform's printers: the queues of the system's print service and, as
// the last entry, PDF files.
class QtPrinterSystem : public PrinterSystem {
public:
    QtPrinterSystem();
    ~QtPrinterSystem() override;
    QStringList printerNames() override;
    QString defaultPrinterName() override;
    PrintDevice* device(const QString& name) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

PrinterSystem& platformPrinterSystem();

} // namespace hsa
