#pragma once
#include <QString>
#include <cstdint>

// Text and number helpers used by every part of the program to turn the texts
// of grids, edits, table fields and text files into numbers and back.  None of
// the number routines ever reports an error: unusable text gives the value of
// its longest valid leading part, or 0.
namespace hsa {

// Drops trailing blanks (character 32 only; tabs and line breaks stay).
QString TrimRight(const QString& text);

// The integer of the leading part of text: leading blanks, an optional sign,
// decimal digits (or hexadecimal after "$", "x", "X" or "0x").  '12abc' gives
// 12, 'abc' and the empty text give 0.
int32_t ParseLeadingInt(const QString& text);

// The real of the leading part of text; every "," counts as ".".  '2,5' and
// '2.5*' give 2.5, 'P' and '- ' give 0; so does a leading part longer than
// 40 characters, which is no number anybody typed.
double ParseDecimal(const QString& text);

// Fixed-point text with Decimals digits after a point, rounded at the last
// digit shown, padded to Width; leading blanks are moved to the end, so the
// digits stand at the left ("3" with Width 2 gives "3 ").
QString RealToText(int width, int decimals, double value);

} // namespace hsa
