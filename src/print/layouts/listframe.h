#pragma once
#include "print/layouts/pageparts.h"

#include <QString>

// What the per-subject lists, the protocol sheets and the note pages share:
// the start of a portrait job in the printer font and line width and the
// school-year text of the heading.
namespace hsa {

// Portrait orientation, BeginPrint, font size 40, the class data's printer
// font and pen width.  False when no job runs (the printer failed; the user
// was told).
bool StartPortraitJob(const ClassPrintData& cls);

// "Abschlussprüfung Schuljahr " + the short school year ("25/26").
QString ExamSchoolYearText(const ClassPrintData& cls);

} // namespace hsa
