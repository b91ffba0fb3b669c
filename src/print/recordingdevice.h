#pragma once
#include "print/printdevice.h"
#include "print/printersystem.h"

#include <QList>
#include <QMap>
#include <QSizeF>
#include <QString>
#include <algorithm>
#include <memory>
#include <optional>

// Test double of PrintDevice: records every operation, job by job, with the
// font and pen in force, so that layouts can be checked without a printer.
namespace hsa {

struct PrintOp {
    enum Kind {
        NewPage, FontName, FontHeight, FontBold, FontItalic, FontUnderline,
        PenWidth, MoveTo, LineTo, TextOut, StretchDraw
    };
    Kind kind = TextOut;
    int x = 0;          // logical units (y upward, so page points have y <= 0)
    int y = 0;
    int value = 0;      // height, pen width, flag, or the width a text was given (0: none)
    int naturalWidth = 0; // TextOut: the text's own width in the font in force
    QString text;       // text or font name
    LogicalRect rect;   // StretchDraw
    QSize pictureSize;  // StretchDraw
    QImage picture;     // StretchDraw (shared, not copied)
};

// A text as it was printed: logical position and the font in force.
struct PrintedText {
    int x = 0;
    int y = 0;
    QString text;
    QString fontName;
    int fontHeight = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int page = 0;
    int width = 0;        // the width the text was given; 0 when none
    int naturalWidth = 0; // its own width in its font
    // Page point of the text (y downward), for shift 0 and stretch 1.
    int pageY() const { return -y; }
    // Where the printed text ends: a given width is never crossed.
    int right() const { return x + (width > 0 ? std::min(width, naturalWidth) : naturalWidth); }
};

// A line as it was drawn, in logical units.
struct PrintedLine {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int penWidth = 0;
    int page = 0;
};

struct PrintJob {
    QString title;
    bool landscape = false;
    bool declined = false; // the user declined the job (no PDF file chosen)
    bool ended = false;
    bool aborted = false;
    int pages = 1;
    QList<PrintOp> ops;

    QList<PrintedText> texts() const;
    QList<PrintedLine> lines() const;
    // The first text equal to text, or nullopt.
    std::optional<PrintedText> findText(const QString& text) const;
    // Every text in print order, as plain strings.
    QStringList textStrings() const;
};

class RecordingDevice : public PrintDevice {
public:
    explicit RecordingDevice(QString name = QStringLiteral("Testdrucker"));

    // Facts the test sets.
    QSizeF printableMM{200.0, 287.0};  // portrait; landscape swaps
    QSize pixelsPortrait{2362, 3390};
    bool failOnBegin = false;          // beginDoc raises PrinterError
    bool declineBegin = false;         // beginDoc returns false
    bool setupAvailable = true;        // runSetupDialog result
    bool pdf = false;

    // What happened.
    QList<PrintJob> jobs;
    int setupRuns = 0;
    int batchDepth = 0;
    int batchesEnded = 0;

    // The last job (there must be one).
    const PrintJob& lastJob() const { return jobs.last(); }

    QString name() const override { return name_; }
    bool isPdf() const override { return pdf; }
    bool beginDoc(const QString& title) override;
    void newPage() override;
    void endDoc() override;
    void abort() override;
    bool printing() const override { return printing_; }
    void beginBatch() override { ++batchDepth; }
    void endBatch() override;
    void setLandscape(bool landscape) override { landscape_ = landscape; }
    bool landscape() const override { return landscape_; }
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
    int textWidth(const QString& text) const override;
    void stretchDraw(const LogicalRect& rect, const QImage& picture) override;

    // Canvas state, kept across jobs like a printer's canvas.
    QString fontName;
    int fontHeight = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int penWidth = 1;
    int penX = 0;
    int penY = 0;

private:
    void record(PrintOp op);

    QString name_;
    bool printing_ = false;
    bool landscape_ = false;
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

// Installs a RecordingPrinterSystem for the lifetime of the object.
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
