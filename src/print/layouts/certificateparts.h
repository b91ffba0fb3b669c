#pragma once
#include "print/layouts/pageparts.h"
#include "print/printdata.h"

#include <QString>
#include <QStringList>
#include <vector>

// The pieces the certificate pages share: the heading of school name, state
// line and rule, the remarks, and the pages that stand in for a certificate.
// All positions are 0.1 mm of the page model; sizes are nominal heights that
// are multiplied by the font stretch of the print settings.
namespace hsa {

namespace certificate {

// No text of a certificate reaches past the right end of the school rule and
// the signature rules; a text in a column ends kColumnGap before the grade
// word beside it.
inline constexpr int kRight = 1850;
inline constexpr int kColumnGap = 15;

// Font of the given nominal size (times the font stretch) and weight.
inline void SetFont(const ClassPrintData& cls, int size, bool bold = false)
{
    SetNominalFont(cls, size, bold);
}

// Index of the first entry of the subject names, from `from` upward, that is
// blank after trailing blanks are removed; 21 when every entry is filled.
int SubjectCount(const SubjectData& subjects, int from = 0);

// State line (when the class data asks for it), school rule and the caption
// "Name der Schule" with their left edge at x, moved down by offset.
void PrintHeadLines(const ClassPrintData& cls, int x, int offset);
// The class's school name, bold, in one line or split at its first "?".
void PrintSchoolName(const ClassPrintData& cls, int x, int offset);

// The remarks in the current font: HINWEIS4 at (700, y) (fifteen hyphens
// when it is blank) and BEMERK1 60 below it, each ending at kRight.
void PrintRemarkLines(const StudentPrintData& student, int y);

// The lines at a certificate's foot (grade key, exam key, footer lines), all
// regular in one nominal size, given by their places on the form from the
// top and their texts.  The form's places hold while the last line with a
// text ends inside the printable area.  Else the lines move up together, no
// higher than a line's height below captionY (the signature captions above
// them); when even that is not enough they close up evenly down to the
// bottom of the page, and become a size smaller at a time (not below
// kFittedTextFloor) until they no longer touch one another.  The places and
// the nominal size to print them in; the font is left in that size.
struct FootLines {
    std::vector<int> y;
    int size = 0;
};
FootLines FitFootLines(const ClassPrintData& cls, int size, const std::vector<int>& places, const QStringList& texts,
                       int captionY);

// The student's overall average over subject rows 1 to 19.
QString Gesamtschnitt(const ClassPrintData& cls, const StudentPrintData& student);

} // namespace certificate

// The one-page stand-ins for a certificate, in the shape of every student
// layout (the kind is not read); both end the job.
void PrintNoCertificatePage(const ClassPrintData& cls, const StudentPrintData& student, int kind);
void PrintCopyRefusedPage(const ClassPrintData& cls, const StudentPrintData& student, int kind);

// True for the exam results after which a copy of the certificate may be
// printed (0, 7 and 8).
bool CopyAllowed(int resultIndex);

} // namespace hsa
