#pragma once
#include "print/printdata.h"

#include <QString>
#include <optional>
#include <utility>

// The small pieces every printed page is made of, whatever document it
// belongs to: fonts by nominal size, rules, the student's name, the school
// name split at "?" and subject names that break at "\".  Positions are
// 0.1 mm of the page model; a nominal size is multiplied by the font stretch
// of the print settings, so a calibrated printer keeps every page's
// proportions.
namespace hsa {

// Begins a job in the orientation asked, in the class data's printer font,
// regular, with its pen width (the pen stays while it is 0 or less: no rule
// is drawn then).  A job that could not begin is dropped; false then.
bool BeginPageJob(const ClassPrintData& cls, bool landscape);

// Font height of nominal size times the class data's font stretch; the
// weight stays.
void SetNominalFont(const ClassPrintData& cls, double size);
// The same with the weight.
void SetNominalFont(const ClassPrintData& cls, double size, bool bold);

// A straight rule from (x1, y1) to (x2, y2).
void PrintRule(int x1, int y1, int x2, int y2);

// Prints text at (x, y) so that it never reaches past the page's x = right
// (the next column, rule or frame): a text that is too wide is condensed
// horizontally, or set a size smaller at a time (not below kFittedTextFloor)
// and condensed, and what still does not fit is cut at right.  With bottom > 0 the
// text's cell also ends at y = bottom (a text printed below it), down to the
// floor.  The font in force is the same afterwards.
inline constexpr int kFittedTextFloor = 25;
void PrintFittedText(int x, int y, const QString& text, int right, int bottom = 0);

// VORNAME + " " + NACHNAME.
QString StudentName(const StudentPrintData& student);

// The school name split at its first "?": the part before it and the part
// after it (empty and twoLines false when the name has no "?").
struct SchoolNameParts {
    QString first;
    QString second;
    bool twoLines = false;
};
SchoolNameParts SplitSchoolName(const QString& schoolName);

// The two lines a long subject name is printed in: a name longer than 18
// characters with a "\" that is not its last character breaks there (the
// "\" itself is not printed).  nullopt for a name printed whole.
std::optional<std::pair<QString, QString>> SplitSubjectName(const QString& name);
// Prints a subject name at y, or its two parts at y - above and y + below;
// with right > 0 fitted to end before x = right (its mark).
void PrintSubjectName(int x, int y, const QString& name, int above = 18, int below = 18, int right = 0);

} // namespace hsa
