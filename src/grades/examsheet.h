#pragma once
#include "classes/arithmetic.h"
#include "classes/examgrid.h"

#include <QString>
#include <QStringList>
#include <array>

// One student's exam sheet: the exam grid, the exam result and the notes, as
// the grade file "v." + NR in the class folder holds them.  The grade window,
// the whole-class tables, the prints and the export all load and save a
// student through these functions and work on the ExamSheet value.
//
// Grade file (Windows-1252, CR LF, one value a line):
//   lines 1..180   cell (c, r) on line c * 20 + r + 1 (column by column,
//                  headings of row 0 included, cells exactly as they stand)
//   line 181       index of the exam result, "-1" for none
//   lines 182..226 45 lines of notes, empty where the notes are shorter
namespace hsa {

inline constexpr int kGradeFileCellLines = kExamGridColumns * kExamGridRows; // 180
inline constexpr int kGradeFileNoteLines = 45;
inline constexpr int kGradeFileLines = kGradeFileCellLines + 1 + kGradeFileNoteLines; // 226
inline constexpr int kExamResultCount = 6;
inline constexpr int kNoExamResult = 5; // "---"

// Items of the exam result choice, index 0 to 5.
const std::array<QString, kExamResultCount>& ExamResultCaptions();
// The caption of an exam result index, empty for none or an index outside.
QString ExamResultCaption(int index);

// How a grade file that was read all the same departs from its layout.
struct GradeFileFlaws {
    int lines = 0;              // lines the file held (trailing empty ones after the notes left out)
    bool cutShort = false;      // fewer than 226 lines: what is missing reads "- " or empty
    bool overlong = false;      // text after the 45th note, which is not kept
    QStringList outOfRange;     // marks outside 1.0 to 6.0, as "D schr(3): 65"
    bool any() const { return cutShort || overlong || !outOfRange.isEmpty(); }
};

struct ExamSheet {
    ExamGrid grid;
    // Exam result 0 to 5 (5 "---": none yet); -1 none selected.
    int resultIndex = kNoExamResult;
    // Caption shown beside the result choice: the caption of the loaded
    // result, empty for a student without a grade file.
    QString resultLabel;
    // Notes page, at most 45 lines (lines beyond are not kept by the file).
    QStringList notes;
    // Profile subject 0 to 5 from the record's field AG7, -1 for none.
    int profileIndex = -1;
    // The sheet came from an existing grade file.
    bool fromFile = false;
    // A grade file existed but could not be read: the sheet holds only the
    // presets and must never be saved over that file.
    bool saveBlocked = false;
    QString loadError;
    // What the user must hear about a grade file that was read all the same
    // (cut short, longer than its layout, marks outside 1.0 to 6.0): the
    // sheet holds what could be used and may be saved.  Empty otherwise.
    QString loadNotice;
    // The same in parts, for the places that tell about a whole class at once.
    GradeFileFlaws flaws;

    // "Gesamtschnitt: 2.3" for the results 0 to 2, else empty.
    QString gesamtschnittLabel(const GradeContext& context) const;
    // Grade list rows 2 to 20 from the grid as it stands (rows 0 and 1 empty).
    GradeList gradeList(const GradeContext& context) const;
    // Notes as one text (lines joined with "\n", trailing empty lines left
    // out) and back (split at any line end).
    QString notesText() const;
    void setNotesText(const QString& text);
};

// Headings of row 0: "schr(3)"/"schr(1)", "KP/pr(2)"/"KP/pr(1)", "mü(1)",
// "Pr-Leist.", "Jahresl.", "Schnitt", "Endnote" and "F-Gew." (before a load)
// or "F.Gew." (after one).
QString ExamGridHeading(int column, bool eveningSchoolMode, bool loaded);
// Rewrites the headings of columns 1 to 3 for the mode.
void SetModeHeadings(ExamGrid& grid, bool eveningSchoolMode);

// The profile index that field AG7 selects: an integer 0 to 6 (6 selects the
// last item, 5), anything else none (-1).
int ProfileIndexFromField(const QString& ag7);

// The weight rule of the weight column, applied to every subject row: the
// row "Prof" weighs "0" (the profile subject never counts); "-" means the
// default "1 "; see NormaliseWeightCell.
void NormaliseWeightColumn(ExamGrid& grid);

// The sheet of a student without a grade file: short codes, "- " in columns 1
// to 7, weight "1" ("0" for "Inf" and "Prof"), "P" in the written cell of the
// written-exam rows (the fourth only outside "X" classes) and in the
// communication cell of "E" from school year 08 on; exam result 5, no notes,
// empty result label.  Every row computed.
ExamSheet PresetExamSheet(const GradeContext& context, const QString& profileField = {});

// False for a cell whose value lies outside 1.0 to 6.0 ("65", "1e30",
// "0.5", "-3"): such a mark must never count.  True for a value from 1.0 to
// 6.0 (a trailing "-" or "*" allowed) and for texts that read 0 ("- ", "P",
// "??"), which count as no mark anyway.
bool MarkValueInRange(const QString& cell);

// The sheet the lines of a grade file give (missing lines read empty, empty
// cells become "- ", a missing or unreadable result index means 5, lines
// beyond the 45th note are ignored).  A mark cell (written, communication,
// oral, year mark) whose value lies outside 1.0 to 6.0 becomes "- " and is
// listed in outOfRange as "D schr(3): 65".  Column 0 gets the current short
// codes, the weight rule is applied and every row is recomputed, so every
// reader sees the same values.
ExamSheet ExamSheetFromLines(const QStringList& lines, const GradeContext& context,
                             const QString& profileField = {}, QStringList* outOfRange = nullptr);

// Loads the grade file at path (found ignoring the case of its name).  A
// missing file gives the presets.  A file that cannot be read or is damaged
// (binary zeros) gives the presets with saveBlocked and a German loadError;
// it never raises.  A file shorter or longer than its 226 lines, or one with
// marks outside 1.0 to 6.0, is read as far as it goes and gets a loadNotice.
ExamSheet LoadStudentGradeFile(const QString& path, const GradeContext& context,
                               const QString& profileField = {});

// The 226 lines the sheet is saved as (headings of columns 1 to 3 for the
// mode; line ends inside a cell or a note become blanks).
QStringList GradeFileLines(const ExamSheet& sheet, const GradeContext& context);

// Writes the sheet to path atomically (an existing file of that name in any
// case is replaced).  Returns false and writes nothing when the sheet is
// saveBlocked; raises FileError when the file cannot be written.
bool SaveStudentGradeFile(const QString& path, const ExamSheet& sheet, const GradeContext& context);

// ClassDir + "v." + NR.
QString GradeFilePathFor(const QString& classDir, const QString& nr);

} // namespace hsa
