#pragma once
#include "print/drivers.h"
#include "print/layouts/listframe.h"
#include "print/printdata.h"

#include <QString>
#include <vector>

// The protocol sheet ("Niederschrift") of one student's oral, practical or
// communication exam in one subject: portrait, one print job per sheet, in
// the page model (0.1 mm).  Labels stand at L = 100, values at
// V = L + u(1) + u(5), the task box reaches from L to W with its inner rule
// at V + 3 u(1) (u(k) = k x W / 19 cut, W = PrintPageWidth - 100).
namespace hsa {

struct ProtocolEdges {
    int left = 100, value = 0, box = 0, right = 0;
};
ProtocolEdges ProtocolGeometry(int pageWidth);

// Every "-/" of the subject name loses its "/" to a blank ("Wirtschaft-/Beruf"
// becomes "Wirtschaft- Beruf").
QString StripDashSlash(QString text);

// The exam word of the protocol a student gets, or an empty text for none:
// list type 4 with "P" in the communication cell: "Kommunikationsprüfung";
// list type 3: "mündliche" (exam kind 0) or "praktische" (exam kind 1) when
// the communication/practical cell, or for exam kind 0 the oral cell, is "P".
QString ProtocolExamWord(const ExamGrid& grid, int row, int listType, int examKind);

// One sheet for the student in subject s.
void PrintExamProtocol(const ClassPrintData& cls, const StudentPrintData& student, int s,
                       const QString& word);

// The sheets of every student of subject s who still has the exam to take,
// in record order, each shown in the progress field of loop first.  Stops
// after the current sheet when the abort button was pressed; returns false
// then.
bool PrintExamProtocols(const ClassPrintData& cls, const std::vector<StudentPrintData>& students,
                        int s, int listType, int examKind, const PrintLoopScope& loop);

} // namespace hsa
