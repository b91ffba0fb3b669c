#pragma once
#include "print/printdevice.h"
#include "print/printersystem.h"

#include <QString>
#include <QStringList>

// The program's printer: the printer list and the chosen printer, its jobs and
// its canvas.  The canvas settings (font, pen, orientation) belong to the
// printer object, not to one device, so they survive a change of printer.
namespace hsa {

// Every printer error goes through here: remembers a default-printer name
// that is too long (the main window ends the program on it) and raises
// PrinterError with the message.
[[noreturn]] void RaisePrinterError(const QString& message);

class Printer {
public:
    // The printer list (asked from the printer system on first use).
    QStringList printers();
    // Index of the chosen printer in the list; when none is chosen yet the
    // default printer is looked up (SetToDefaultPrinter), which may raise.
    int printerIndex();
    // True when a printer is chosen.
    bool hasPrinter() const { return device_ != nullptr; }

    // Chooses the default printer of the system.  Raises PrinterError when
    // there is none or when its name was cut short.
    void SetToDefaultPrinter();
    // Chooses the list entry whose text is device (or device + " an " + port).
    // When no entry matches or the printer cannot be opened, tells the user
    // and keeps the printer chosen before; returns whether it changed.
    bool SelectPrinterDevice(const QString& device, const QString& driver, const QString& port);

    // The chosen printer's device (looks up the default first; may raise).
    PrintDevice& device();

    QString title = QStringLiteral("druck1");

    // Jobs.
    bool printing() const;
    // Starts a job titled title.  False when the user declined it (no PDF
    // file chosen); inside a batch the abort request is then set so that the
    // print loop stops.  Raises PrinterError.
    bool beginDoc();
    void newPage();
    void endDoc();
    void abort();
    void beginBatch();
    void endBatch();
    bool inBatch() const { return batchDepth_ > 0; }

    // Orientation of the next job.
    void setLandscape(bool landscape);
    bool landscape() const { return landscape_; }

    // Canvas.
    void setFontName(const QString& name);
    void setFontHeight(int height);
    void setFontBold(bool bold);
    void setFontItalic(bool italic);
    void setFontUnderline(bool underline);
    void setPenWidth(int width);
    QString fontName() const { return fontName_; }
    int fontHeight() const { return fontHeight_; }
    int penWidth() const { return penWidth_; }

    // Forgets the list and the choice (a new printer system was installed).
    void reset();

private:
    void use(int index, PrintDevice* dev);
    void applyCanvas(PrintDevice& dev);

    QStringList list_;
    bool listRead_ = false;
    int index_ = -1;
    PrintDevice* device_ = nullptr;
    PrintDevice* batchDevice_ = nullptr;
    int batchDepth_ = 0;
    bool landscape_ = false;
    QString fontName_ = QStringLiteral("Times New Roman");
    int fontHeight_ = 40;
    bool bold_ = false;
    bool italic_ = false;
    bool underline_ = false;
    int penWidth_ = 1;
};

Printer& printer();

} // namespace hsa
