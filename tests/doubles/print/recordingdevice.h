#pragma once
#include "print/printdevice.h"
#include "print/printjob.h"
#include "print/printersystem.h"

#include <QList>
#include <QMap>
#include <QSizeF>
#include <QString>
#include <memory>

// Test double of PrintDevice: records every operation, job by job, with the
// font and pen in force, so that layouts can be checked without a printer.
namespace hsa {

class RecordingDevice : public PrintDevice, public PrintJobRecorder {
public:
    explicit RecordingDevice(QString name = QStringLiteral("Testdrucker"));

    // Facts the test sets.
    QSizeF printableMM{200.0, 287.0};  // portrait; landscape swaps
    QSize pixelsPortrait{2362, 3390};
    bool failOnBegin = false;          // beginDoc raises PrinterError
    bool declineBegin = false;         // beginDoc returns false
    bool setupAvailable = true;        // runSetupDialog result
    bool pdf = false;

    // What happened (the jobs are PrintJobRecorder::jobs).
    int setupRuns = 0;
    int batchDepth = 0;
    int batchesEnded = 0;

    // The last job (there must be one).
    const PrintJob& lastJob() const { return jobs.last(); }

    QString name() const override { return name_; }
    bool isPdf() const override { return pdf; }
    bool beginDoc(const QString& title) override;
    void newPage() override { PrintJobRecorder::newPage(); }
    void endDoc() override { PrintJobRecorder::endDoc(); }
    void abort() override { PrintJobRecorder::abort(); }
    bool printing() const override { return PrintJobRecorder::printing(); }
    void beginBatch() override { ++batchDepth; }
    void endBatch() override;
    void setLandscape(bool landscape) override { PrintJobRecorder::setLandscape(landscape); }
    bool landscape() const override { return PrintJobRecorder::landscape(); }
    QSizeF printableSizeMM() const override;
    QSize printableSizePixels() const override;
    bool runSetupDialog() override;

    void setFontName(const QString& name) override { PrintJobRecorder::setFontName(name); }
    void setFontHeight(int cellHeight) override { PrintJobRecorder::setFontHeight(cellHeight); }
    void setFontBold(bool bold) override { PrintJobRecorder::setFontBold(bold); }
    void setFontItalic(bool italic) override { PrintJobRecorder::setFontItalic(italic); }
    void setFontUnderline(bool underline) override { PrintJobRecorder::setFontUnderline(underline); }
    void setPenWidth(int width) override { PrintJobRecorder::setPenWidth(width); }
    void moveTo(int x, int y) override { PrintJobRecorder::moveTo(x, y); }
    void lineTo(int x, int y) override { PrintJobRecorder::lineTo(x, y); }
    void textOut(int x, int y, const QString& text) override { PrintJobRecorder::textOut(x, y, text); }
    void textOutWithin(int x, int y, const QString& text, int width) override
    {
        PrintJobRecorder::textOutWithin(x, y, text, width);
    }
    int textWidth(const QString& text) const override { return PrintJobRecorder::textWidth(text); }
    void stretchDraw(const LogicalRect& rect, const QImage& picture) override
    {
        PrintJobRecorder::stretchDraw(rect, picture);
    }

private:
    QString name_;
};

// The jobs as text, one line per drawing call, for reading a whole recording
// and comparing it with a kept reference.  Positions are page points (0.1 mm,
// y downward, for shift 0); the font and the pen appear as a line of their own
// where the ones in force for the next text or rule change:
//   job 2 "druck1" landscape        a job, its title and orientation (and
//                                   "aborted", "declined" or "not ended")
//   page 2                          the page break before the next page
//   font Times New Roman 40 bold    the font of the texts below
//   text 250,310 "Klasse 9a"        a text at its top left corner
//   text 700,510 w745 "..."         a text given a width it may not pass
//   pen 2                           the pen width of the rules below
//   line 250,240 1850,240           a rule from one point to the other
//   picture 230,25 800,330 120x80   a picture stretched into a rectangle
// No address, time or measured width appears, so the text depends only on
// what the layouts drew.
QStringList RecordingLines(const QList<PrintJob>& jobs);

// Test double of PrinterSystem with a fixed printer list of recording devices.
class RecordingPrinterSystem : public PrinterSystem {
public:
    explicit RecordingPrinterSystem(QStringList names = {QStringLiteral("Testdrucker")},
                                    QString defaultName = QStringLiteral("Testdrucker"));

    QStringList names;
    QString defaultName;
    QStringList unavailable; // names whose device cannot be opened

    QStringList printerNames() override { return names; }
    QString defaultPrinterName() override { return defaultName; }
    PrintDevice* device(const QString& name) override;

    // The device of a list entry (created on first use).
    RecordingDevice& recorder(const QString& name);

private:
    QMap<QString, std::shared_ptr<RecordingDevice>> devices_;
};

// Installs a RecordingPrinterSystem for the lifetime of the object.  The
// program-wide reset puts the platform's printers back: a fixture member
// installs its system again after the reset of its SetUp.
class ScopedRecordingPrinter {
public:
    explicit ScopedRecordingPrinter(QStringList names = {QStringLiteral("Testdrucker")},
                                    QString defaultName = QStringLiteral("Testdrucker"));
    ~ScopedRecordingPrinter();
    ScopedRecordingPrinter(const ScopedRecordingPrinter&) = delete;
    ScopedRecordingPrinter& operator=(const ScopedRecordingPrinter&) = delete;

    RecordingPrinterSystem& system() { return system_; }
    // The device of the default printer.
    RecordingDevice& device() { return system_.recorder(system_.defaultName); }

private:
    RecordingPrinterSystem system_;
};

} // namespace hsa
