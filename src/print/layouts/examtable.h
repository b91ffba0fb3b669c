#pragma once
#include "print/printdata.h"

// Two per-student pages on A4 portrait, each on the job the driver began and
// each ending it:
//
// - The exam table, the cover sheet of the student's exam folder ("Deckblatt
//   Prüfungsmappe"): school, school year and class, the personal data (record
//   fields VORNAME, NACHNAME, KLASSE, AG3, AG4), the exam grid as the grade
//   file holds it (row-0 headings included), the weights that are not 1, the
//   overall average as a decimal and as a whole grade, boxes for the exam
//   result, remarks, the class-9 option of a certificate without the foreign
//   language, and the exam chair's signature.  The grid stands at y 650 with
//   rows 60 high and columns 200 wide from x 250.
// - The class-9 choice sheet: the year marks in two columns and the form
//   "WAHL DES SCHÜLERS" (kind of foreign-language exam, oral subject, project
//   topic) with the signatures of student and parent.
//
// Positions are 0.1 mm of the page model, sizes nominal font heights times
// the font stretch.
namespace hsa {

// The exam table prints only for kind 4, the choice sheet only for kind 2;
// any other kind prints nothing and drops the job.
void PrintStudentExamTable(const ClassPrintData& cls, const StudentPrintData& student, int kind);
void PrintExamChoiceSheet(const ClassPrintData& cls, const StudentPrintData& student, int kind);

// The last grade-list row of the choice sheet's left column for n subject
// entries: n div 2 + 1, one less below 17, 10 from 20 on.
int ChoiceSheetLeftColumnEnd(int subjectCount);

} // namespace hsa
