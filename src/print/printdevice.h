#pragma once
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <stdexcept>

// The surface every printed page is drawn on.  Coordinates are logical units
// of 0.1 mm with the origin in the top left corner of the printable area, x to
// the right and y UPWARD (so points on the page have y <= 0), the metric
// mapping the page model was laid out for.  Fonts are given by their cell
// height (ascent plus descent) in the same units; texts are placed by the top
// left corner of their cell.
namespace hsa {

// A printer failure.  The text is German and meant for the user as it stands.
class PrinterError : public std::runtime_error {
public:
    explicit PrinterError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A rectangle in logical units, given by its edges as the metric mapping has
// them: top is above bottom, so top > bottom.
struct LogicalRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const LogicalRect&) const = default;
};

class PrintDevice {
public:
    virtual ~PrintDevice() = default;

    // The text the printer list shows for this device.
    virtual QString name() const = 0;
    // True for the device that writes PDF files instead of paper.
    virtual bool isPdf() const { return false; }

    // --- Jobs.  One job runs from beginDoc to endDoc or abort.
    // Starts a job.  Returns false when the user declined it (no file chosen
    // for a PDF); the job then runs and is dropped at its end.  Raises
    // PrinterError when the printer cannot be opened.
    virtual bool beginDoc(const QString& title) = 0;
    virtual void newPage() = 0;
    virtual void endDoc() = 0;
    virtual void abort() = 0;
    virtual bool printing() const = 0;

    // Several jobs of one print command.  A PDF device puts them into one
    // file, one page per job, and asks for the file only once; a printer
    // keeps them as separate jobs.  Calls nest; the outermost end closes.
    virtual void beginBatch() {}
    virtual void endBatch() {}

    // Orientation of the next job (a running job keeps its own).
    virtual void setLandscape(bool landscape) = 0;
    virtual bool landscape() const = 0;

    // Size of the printable area in millimetres and in device pixels, for the
    // orientation currently set.
    virtual QSizeF printableSizeMM() const = 0;
    virtual QSize printableSizePixels() const = 0;

    // Paper and printer properties, shown as the printer's own dialog.
    // Returns false when the printer offers none now.
    virtual bool runSetupDialog() { return false; }

    // --- Canvas.
    virtual void setFontName(const QString& name) = 0;
    virtual void setFontHeight(int cellHeight) = 0;
    virtual void setFontBold(bool bold) = 0;
    virtual void setFontItalic(bool italic) = 0;
    virtual void setFontUnderline(bool underline) = 0;
    virtual void setPenWidth(int width) = 0;
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;
    virtual void textOut(int x, int y, const QString& text) = 0;
    // Prints text no wider than width (logical units, > 0): a wider text is
    // condensed horizontally (down to kMinTextCondense of its natural width,
    // textmetrics.h) and what still stands out beyond x + width is clipped.
    virtual void textOutWithin(int x, int y, const QString& text, int width) = 0;
    // The natural width of text in the font in force, logical units.
    virtual int textWidth(const QString& text) const = 0;
    // Draws picture stretched into rect.
    virtual void stretchDraw(const LogicalRect& rect, const QImage& picture) = 0;
};

} // namespace hsa
