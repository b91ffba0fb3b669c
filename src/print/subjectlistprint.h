#pragma once
#include "print/printdata.h"
#include "print/subjectlistchoice.h"

#include <vector>

// "Drucken" of the subject-list choice: the lists or protocols of every
// subject of the order, in one print command.
namespace hsa {

class DbfTable;

// The students of the lists and protocols: records 1 to 38 that have a name
// and a grade file, never the weighting record ("FAKTOR").  A damaged grade
// file is told and the student left out.
std::vector<StudentPrintData> LoadListStudents(const ClassPrintData& cls, const DbfTable& table);

// Prints the order's lists (types 0 to 2 and 5) or protocols (3 and 4) for
// each subject in turn; firstKlasse is KLASSE of the class's first record.
// The protocols show their progress and the abort button.  Returns false
// when the abort button, a declined file choice or a printer failure stopped
// it.
bool PrintSubjectListOrder(const SubjectListOrder& order, const ClassPrintData& cls,
                           const QString& firstKlasse, const std::vector<StudentPrintData>& students);

// The same for the open class, its students read from the class table.
// Does nothing while no class is open.
bool PrintSubjectListsOfOpenClass(const SubjectListOrder& order);

} // namespace hsa
