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

// Begins a job in the orientation asked, in the printer font, regular, with
// the pen width of the settings (the pen stays while it is 0 or less: no rule
// is drawn then).  A job that could not begin is dropped; false then.
bool BeginPageJob(bool landscape);

// Font height of nominal size times PrintFontStretch; the weight stays.
void SetNominalFont(double size);
// The same with the weight.
void SetNominalFont(double size, bool bold);

// A straight rule from (x1, y1) to (x2, y2).
void PrintRule(int x1, int y1, int x2, int y2);

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
// Prints a subject name at y, or its two parts at y - above and y + below.
void PrintSubjectName(int x, int y, const QString& name, int above = 18, int below = 18);

} // namespace hsa
