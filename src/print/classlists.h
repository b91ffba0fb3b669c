#pragma once
#include "print/layouts/classtables.h"

// The class tables and the result list of the menu "D&rucken": the fillers
// build a table value from the class table and the grade files (the grade
// grid on screen is never touched), the commands ask their questions and
// print it, one PDF or one set of jobs per command.
namespace hsa {

class DbfTable;

// Row 0, column 0 of the printed tables: "Klasse 9a", "Kl. 10a  ",
// "Kl. 10a  HSA".
QString PrintedClassTitle(const QString& classFile);

// The fillers.  Rows 1 to 38 are the student records in table order; the
// grade file of row n is "v." + n.
GridPrintTable FillFinalGradeOverview(const ClassPrintData& cls, const DbfTable& table);
GridPrintTable FillEmptyClassList(const ClassPrintData& cls, const DbfTable& table);
GridPrintTable FillYearMarkTable(const ClassPrintData& cls, const DbfTable& table);
// Exam-grid column (2 communication/practical, 3 oral) with or without marks:
// "X" for a pending exam, the mark where there is one.
GridPrintTable FillExamEntryTable(const ClassPrintData& cls, const DbfTable& table, int column, bool withMarks);
// The grade grid on screen as it stands.
GridPrintTable CopyOfClassGrid();

// The students of the result list: every named record 1 to 38.
QList<int> ResultListRecords(const DbfTable& table);

// The commands of the menu.  geometry is the grade grid's column design.
void PrintFinalGradeOverview(const GridPrintGeometry& geometry);
void PrintEmptyGradeTable(const GridPrintGeometry& geometry);
void PrintJahresleistungTable(bool withMarks, const GridPrintGeometry& geometry);
void PrintExamEntryTable(bool oral, const GridPrintGeometry& geometry);
// "DRUCKEN: Geöffnete Tabelle ": the open grade table.  Its PDF file is
// proposed under GradeTableDocumentName unless the print command named it.
QString GradeTableDocumentName(int kind, const QString& columnFilter);
void PrintOpenGradeTable(const GridPrintGeometry& geometry);
// The exam-performance table: opened, printed and closed again.
void PrintExamPerformanceTable(const GridPrintGeometry& geometry);
void PrintResultListForAuthority();

// The hint of "SP:  Klassentabelle mit allen schriftlichen Prüfungsnoten ...".
QString WrittenExamTableHint();

} // namespace hsa
