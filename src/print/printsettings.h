#pragma once
#include <QString>
#include <QStringList>

// The print settings files of the program folder and the routines that load
// them into state().print and state().fontFactor.  Every loader leaves the
// current values in place when its file is missing; a file that cannot be
// read is reported to the user and the values read before stay set.
namespace hsa {

// File names (found case-insensitively in the program folder).
inline const QString PrintCalibrationFile = QStringLiteral("einstell.dat");
inline const QString PenWidthFile = QStringLiteral("penwi.dat");
inline const QString FontFactorFile = QStringLiteral("fontfakt.dat");
inline const QString PrintFontFile = QStringLiteral("schrift2.dat");

// einstell.dat: six lines, shift right, shift down (integers), stretch right,
// stretch down, font stretch (decimals, "," or "."), line width (integer).
// A stretch outside 0.1 to 10 or a shift beyond kMaxPrintShift (0.1 mm) is
// refused and the value before kept; the line width
// is held to 0..4; lines the file lacks leave their values unchanged.
inline constexpr int kMaxPrintShift = 2100;
void LoadPrintCalibration();
// Writes the six texts as they stand, one per line.
void SavePrintCalibration(const QStringList& sixLines);

// penwi.dat: one integer, the line width (held to 0..4).
void LoadPenWidth();

// fontfakt.dat: one decimal, the font divisor; taken only from kMinFontFactor
// to kMaxFontFactor (the window scale divides by it).
inline constexpr double kMinFontFactor = 0.25;
inline constexpr double kMaxFontFactor = 8.0;
void LoadFontFactor();

// schrift2.dat: line 1 the printer font, line 2 the font stretch in the long
// real format.  Only line 1 is read; an empty line 1 is ignored.
void LoadPrintFontName();
void SavePrintFont();
// Asks "Schriftart als Voreinstellung  speichern ?" and on Yes writes
// schrift2.dat.  Raises FileError (the menu entry's guard shows it).
void AskSavePrintFont();

// The real format of the text-file writer: width 23, scientific with 14
// decimals and a four-digit exponent (0.95 gives " 9.50000000000000E-0001").
QString FormatLongReal(double value);

// The line width held to 0..4.
int ClampLineWidth(int width);
// True when value may serve as a stretch (kMinStretch to kMaxStretch: a
// printer stretches by a few percent, never by orders of magnitude).
inline constexpr double kMinStretch = 0.1;
inline constexpr double kMaxStretch = 10.0;
bool IsValidStretch(double value);

// Preparing the class list for choosing a class: stretches back to 1.0,
// einstell.dat and penwi.dat read, portrait orientation and the start scales
// from the printer's page size in pixels.  Printer errors (no printer) are
// reported and do not stop the preparation.  This is the class-file code's
// hook ClassFileHooks::applyPrintSettings.
void ApplyPrintSettingsForClassList();
// The same and, at the first call of the run, the printer font from
// schrift2.dat (for callers that do not read it themselves).
void PreparePrintSettingsForClassList();

// Start-up defaults of the printer: job title "druck1", black solid pen and
// black font (the canvas draws only in black).  Choosing the default printer
// here makes a default printer name that is too long known at once
// (PrinterNameTooLong); the error is shown to the user.
void InitPrinterDefaults();

} // namespace hsa
