#pragma once
#include "print/printdevice.h"

#include <QImage>
#include <QString>

// The page model every printed document is laid out in: tenths of a
// millimetre from the top left corner of the printable area, x to the right,
// y downward.  Layouts draw only through these routines; the user's
// calibration (shift and stretch of the whole output) is applied here.
//
// The products of a coordinate and a stretch are formed with a 64-bit mantissa
// and then cut toward zero, so 2000 x 0.95 gives 1899 (the double product
// would round to 1900 first).
namespace hsa {

// Mapping of a page point to the device's logical point (y upward):
// X = Trunc(x * PrintScaleX) + PrintShiftX, Y = -(Trunc(y * PrintScaleY) + PrintShiftY).
int MapPageX(int x);
int MapPageY(int y);
// Trunc(value * factor) with the product formed in extended precision.
long long TruncProduct(long double value, double factor);

// Font cell height for a nominal height h (already multiplied by
// PrintFontStretch by the caller): Trunc(h * s / FontFactor), s the smaller
// of the two scales.
int FontCellHeight(double h);

// Starts a print job on the chosen printer: job title "druck1", printable
// size into PrintPageWidth/PrintPageHeight, the scales from the stretches.
// A printer failure is shown to the user; the job then does not run (and a
// running print loop is asked to stop).  Returns whether a job runs.
bool BeginPrint();
// The printable size of the running job in 0.1 mm, as BeginPrint found it:
// what a layout learns of the page it draws on.
int PrintPageWidth();
int PrintPageHeight();

// The four primitives.
void SetPrintFontHeight(double h);
void PrintMoveTo(int x, int y);
// Does nothing at all (not even move) while PrintLineWidth is 0 or less.
void PrintLineTo(int x, int y);
// Prints text with the top left corner of its cell at the mapped point.
void PrintTextOut(int x, int y, const QString& text);
// The same, never beyond the page's x = right: a wider text is condensed and
// cut there by the device.
void PrintTextOutWithin(int x, int y, const QString& text, int right);
// The width text takes in the font in force, in 0.1 mm of the page (0 when no
// printer is chosen).
int PrintTextWidth(const QString& text);
// The font's cell height as the device has it, and setting it back to such a
// value, for a text printed a size smaller and the font restored after it.
int PrintFontCellHeight();
void SetPrintFontCellHeight(int cellHeight);

// The emblem rectangle of the certificates, in logical units; extraShiftY is
// added to its vertical value (moves it down).
LogicalRect EmblemRect(int extraShiftY = 0);
// Draws the emblem picture into EmblemRect when EmblemKind > 0 and a picture
// is loaded; without a picture nothing is drawn.
void DrawEmblem(int extraShiftY = 0);

// The emblem picture (the main window's picture control): "bw2.wmf" for
// EmblemKind 1, "landes2.bmp" for greater kinds, from the program folder.
// Returns whether a picture is loaded; a missing or unreadable file leaves
// none, quietly.
bool LoadEmblemPicture();
const QImage& EmblemPicture();
void ClearEmblemPicture();

// Printer settings the layouts change directly.
void SetPrintOrientation(bool landscape); // also sets PrintLandscape
void SetPrintFontName(const QString& name);
void SetPrintFontBold(bool bold);
void SetPrintFontItalic(bool italic);
void SetPrintFontUnderline(bool underline);
void SetPrintPenWidth(int width);
void PrintNewPage();
void EndPrint();          // EndDoc: the job goes to the printer
void AbortPrint();        // drops the running job
bool PrintJobRunning();   // the printer's Printing state

// One print command that makes several jobs (one per student): a PDF printer
// puts them into one file, chosen once.  Declining the file choice stops the
// loop through PrintAbortRequested.
class PrintBatch {
public:
    PrintBatch();
    ~PrintBatch();
    PrintBatch(const PrintBatch&) = delete;
    PrintBatch& operator=(const PrintBatch&) = delete;
};

} // namespace hsa
