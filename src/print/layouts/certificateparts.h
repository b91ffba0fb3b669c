#pragma once
#include "print/printdata.h"

#include <QString>
#include <optional>
#include <utility>

// The pieces the certificate pages share: fonts by nominal size, the heading
// of school name, state line and rule, the subject names that break at "\",
// the name line and the pages that stand in for a certificate.  All positions
// are 0.1 mm of the page model; sizes are nominal heights that are multiplied
// by the font stretch of the print settings here.
namespace hsa::certificate {

// Font of the given nominal size (times PrintFontStretch) and weight.
void SetFont(int size, bool bold = false);

// Index of the first entry of the subject names, from `from` upward, that is
// blank after trailing blanks are removed; 21 when every entry is filled.
int SubjectCount(const SubjectData& subjects, int from = 0);

// The two lines a long subject name is printed in: a name longer than 18
// characters with a "\" that is not its last character breaks there (the
// "\" itself is not printed).  nullopt for a name printed whole.
std::optional<std::pair<QString, QString>> SplitSubjectName(const QString& name);
// Prints a subject name at y, or its two parts at y - above and y + below.
void PrintSubjectName(int x, int y, const QString& name, int above = 18, int below = 18);

// State line, school rule and the caption "Name der Schule" with their left
// edge at x, moved down by offset.
void PrintHeadLines(int x, int offset);
// The school name, bold, in one line or split at its first "?".
void PrintSchoolName(int x, int offset, const QString& schoolName);

QString StudentName(const StudentPrintData& student);
// The remarks in the current font: HINWEIS4 at y (fifteen hyphens when it
// is blank) and BEMERK1 60 below it.
void PrintRemarkLines(const StudentPrintData& student, int y);

// The one-page stand-ins for a certificate; both end the job.
void PrintNoCertificatePage(const StudentPrintData& student);
void PrintCopyRefusedPage(const StudentPrintData& student);

// True for the exam results after which a copy of the certificate may be
// printed (0, 7 and 8).
bool CopyAllowed(int resultIndex);

// The student's overall average over subject rows 1 to 19.
QString Gesamtschnitt(const ClassPrintData& cls, const StudentPrintData& student);

} // namespace hsa::certificate
