#pragma once
#include "classes/examgrid.h"

#include <QString>

// How typed texts become cell texts of the exam grid, and what clicks, double
// clicks and arrow keys do to it.  Pure functions of text, column and
// context: the grade window applies them when an edit is committed, never
// while drawing, so every reader of a sheet sees the same data.
namespace hsa {

// Mark columns 1, 2, 3 and 5 (written, communication/practical, oral, year
// mark).  "37" -> "3.7", "2,5" -> "2.5", "3" -> "3.0", "7" -> "-",
// "3-" (year mark) -> "3.0-", "2*" -> "2.0*", "2.35" -> "-", "p" -> "P",
// "65" -> "-", "2,5*" -> "2.5*" (a comma is a point).  A value outside 1.0
// to 6.0 becomes "-".  In the second half-year (eighth character of the class
// file name "2") a text beginning with "-" stays as typed.
QString NormaliseMarkCell(const QString& text, int column, const GradeContext& context);

// A mark typed behind a pending "P" that was not overwritten ("P2",
// "P 2,5", "p3.7"): the mark alone ("2", "2,5", "3.7").  Every other text,
// "P" itself included, is returned as it stands.
QString DropLeftoverPending(const QString& text);

// Weight column as the grid has always shown it: "0" stays, the row "Prof"
// weighs "0", a text with "-" becomes "1 ", a text whose leading integer is 0
// becomes "0 ", anything else stays.  Applied to presets and loaded sheets.
QString NormaliseWeightCell(const QString& text, const QString& shortCode);

// A typed weight: the rule above, then a whole number 0 to 9 ("2.5" -> "2",
// "12" -> "9").
QString CommitWeightCell(const QString& text, const QString& shortCode);

// True for the cells a user may type into: rows 1 to 19, columns 1, 2, 3, 5
// and 8.
bool IsEditableExamCell(int column, int row);

// Stores a typed text into an editable cell, normalised, and recomputes the
// row.  Returns false (and changes nothing) for any other cell.
bool CommitExamCell(ExamGrid& grid, int column, int row, const QString& text,
                    const GradeContext& context);

struct CellPos {
    int column = 1;
    int row = 1;
    bool operator==(const CellPos&) const = default;
};

// A click: column 0 goes to column 1, the computed columns 4, 6 and 7 to
// column 5; the oral cell of "E", "F", "AES" and "Te" gets "-" and the
// cursor goes to column 2 (no oral exam there); columns 2, 3 and 5 of the
// row "Proj" get "-" and the cursor goes to column 1 (the project row holds
// only its project mark).  Returns the cell the cursor goes to.
CellPos ClickExamCell(ExamGrid& grid, CellPos pos, const GradeContext& context);

// A double click: "P" becomes "- "; in columns 1 to 3 an empty mark (leading
// integer 0) becomes "P" (exam pending).  The row is recomputed.
void DoubleClickExamCell(ExamGrid& grid, CellPos pos, const GradeContext& context);

enum class ExamGridKey { Return, Left, Right, Up, Down, PageUp, PageDown, Home, End, CtrlHome, CtrlEnd, Tab, Backtab };
struct KeyResult {
    CellPos pos;
    bool swallowed = false; // the key must not move the cursor any further
};
// Return goes one row down (not beyond row 19); Left and Right jump over a
// computed column by its heading ("insg", "chnit", "ndnote", "dez"), never
// leave the grid, and a landing in column 7 goes to column 5.  The other
// keys land on mark cells (columns 1, 2, 3 and 5 of rows 1 to 19): Up, Down,
// PageUp and PageDown (by pageRows) keep the column; Home and End go to the
// written and the year mark of the row, Ctrl+Home and Ctrl+End to those of
// the first and last row; Tab and Shift+Tab (Backtab) go from mark to mark
// and on into the next or previous row.
KeyResult ExamGridKeyMove(const ExamGrid& grid, CellPos pos, ExamGridKey key, int pageRows = 1);

} // namespace hsa
