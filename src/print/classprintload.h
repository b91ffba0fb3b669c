#pragma once
#include "print/printdata.h"

#include <vector>

// Reading the open class into the print data of the subject lists, the
// protocols and the note pages: the class's own values from the shared
// state, the students from the class table with their grade files.
namespace hsa {

class DbfTable;

// The open class (file, folder, school, subjects, grade context, today).
ClassPrintData ClassPrintDataFromState();

// The record at live position record (0-based) of table with its grade file
// ("v." + NR in the class folder; the presets when it is missing).
StudentPrintData StudentPrintDataFromRecord(const DbfTable& table, int record, const ClassPrintData& cls);

// The students of the lists and protocols: records 1 to 38 that have a name
// and a grade file, never the weighting record ("FAKTOR").  firstKlasse
// receives KLASSE of the first record.
std::vector<StudentPrintData> LoadListStudents(const DbfTable& table, const ClassPrintData& cls,
                                               QString* firstKlasse = nullptr);

// Every record at positions 1 to 39 (for the note pages, which skip by name
// themselves).
std::vector<StudentPrintData> LoadNoteRecords(const DbfTable& table, const ClassPrintData& cls);

} // namespace hsa
