#pragma once
#include <QFont>
#include <QString>

// How wide a printed text is.  Every device measures with the same font
// model, so a text the layouts fit into a column on the recording device fits
// the same column on paper and in the PDF.  Heights and widths are logical
// units of 0.1 mm, a font being given by its cell height (ascent plus
// descent), as on the print device.
namespace hsa {

// A text too wide for its room is condensed horizontally down to this share
// of its natural width; what still stands out is clipped.
inline constexpr double kMinTextCondense = 0.8;

// The Qt font that prints with the given cell height in 0.01 mm, and the
// distance from the cell's top to the baseline in the same units.
QFont CellFont(const QString& family, int cellHeightHundredths, bool bold, bool italic, bool underline,
               double* ascent = nullptr);

// The natural width of text in the font given by family, cell height (0.1 mm)
// and weight, rounded up; 0 for an empty text.
int MeasureTextWidth(const QString& family, int cellHeight, bool bold, bool italic, const QString& text);

// The horizontal factor a text of naturalWidth is drawn with in room width:
// 1 when it fits, else room / naturalWidth but not below kMinTextCondense.
double CondenseFactor(int naturalWidth, int width);

} // namespace hsa
