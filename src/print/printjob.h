#pragma once
#include "print/printdevice.h"

#include <QList>
#include <QSizeF>
#include <QString>
#include <algorithm>
#include <optional>

// Print jobs as lists of drawing operations, each with the font and pen in
// force.  The Qt device collects a job this way and hands it to the printer
// only at its end, so that an aborted job never reaches the paper; the tests
// read from it what a layout drew, without a printer.
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

// Collects the drawing of print jobs, job by job.  The canvas (font, pen)
// keeps its settings across jobs like a printer's canvas; outside a job it
// draws nowhere, but its settings still change.
class PrintJobRecorder {
public:
    // Begins a new job with the canvas as the program left it; raises
    // PrinterError while a job runs.  declined marks a job the user declined.
    void beginJob(const QString& title, bool declined = false);
    void newPage();
    void endDoc();
    void abort();
    bool printing() const { return printing_; }
    void setLandscape(bool landscape) { landscape_ = landscape; }
    bool landscape() const { return landscape_; }

    void setFontName(const QString& name);
    void setFontHeight(int cellHeight);
    void setFontBold(bool bold);
    void setFontItalic(bool italic);
    void setFontUnderline(bool underline);
    void setPenWidth(int width);
    void moveTo(int x, int y);
    void lineTo(int x, int y);
    void textOut(int x, int y, const QString& text);
    void textOutWithin(int x, int y, const QString& text, int width);
    int textWidth(const QString& text) const;
    void stretchDraw(const LogicalRect& rect, const QImage& picture);

    // The jobs so far, the running one last.
    QList<PrintJob> jobs;

    // Canvas state.
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

    bool printing_ = false;
    bool landscape_ = false;
};

} // namespace hsa
