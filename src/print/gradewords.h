#pragma once
#include <QString>

// The wording of grades on paper and in the final-grade export.  Pure
// functions of text: no window, no shared state.
namespace hsa {

// A one-decimal grade ("2,3" or "2.3") followed by its word in parentheses:
// "2,3 (gut)", "2,5  (befriedigend)".  Every word but the one of 2,0 to 2,4
// stands after two blanks.  A text that is no such grade gives the empty text.
QString FormatDecimalGradeWithWord(const QString& grade);

} // namespace hsa
