#pragma once
#include "print/drivers.h"
#include "print/layouts/listframe.h"
#include "print/printdata.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The note pages: one portrait page per student with the 45 note lines of the
// grade file, in the page model (0.1 mm).  Head: the class file name and
// "(Stand: date)" at (100, 100); the student's line between the rules at
// y = 180 and 275; note line i (0 to 44) at (100, 300 + 50 i), so the last
// at 2500; notes longer than 45 lines get the warning at (100, 2550).
namespace hsa {

inline constexpr int kNotePageLines = 45;
inline const QString kNotesTooLong = QStringLiteral("    Bericht enthält zu viele Zeilen. Bitte kürzen!  ");

// Line n (counted from 1) of the notes when it is not empty after TrimRight,
// else def.
QString GetMemoLineOrDefault(const QStringList& notes, int n, const QString& def);
// Index of the last line that is not empty after TrimRight; 0 when all are.
int FindLastNonEmptyMemoLine(const QStringList& notes);

// The range of the note pages, as positions of the records in the class table
// (1 = first record).  Kept apart from the range of the other prints.
struct NoteRange {
    int from = 1;
    int to = 38;
};
// Asks "Drucken von..." and "Drucken bis..." until the first number lies in
// 1..39 and the last in first..39; nullopt when either prompt is cancelled.
std::optional<NoteRange> AskNoteRange(NoteRange preset = {});

// The page of one student with notes (one print job).
void PrintNotePage(const ClassPrintData& cls, const StudentPrintData& student, const QStringList& notes);

// The pages of the records at positions range.from..range.to (student.record)
// among records, skipping records without a name and the weighting record
// ("FAKTOR").  Each student's notes are those of student.sheet (empty when
// the grade file is missing).  Each shows in the progress field of loop;
// stops after the current page on the abort button.
void PrintNoteFields(const ClassPrintData& cls, const std::vector<StudentPrintData>& records,
                     NoteRange range, const PrintLoopScope& loop);

// The grade window's "Notizfeld drucken": the page of its student with the
// notes as they stand in the window, saved or not.
void PrintNoteFieldsCurrent(const ClassPrintData& cls, const StudentPrintData& student,
                            const QStringList& notesAsTyped);

} // namespace hsa
