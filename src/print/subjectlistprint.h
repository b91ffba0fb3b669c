#pragma once
#include "print/layouts/listframe.h"
#include "print/printdata.h"
#include "print/subjectlistchoice.h"

#include <vector>

// "Drucken" of the subject-list choice: the lists or protocols of every
// subject of the order, in one print command.
namespace hsa {

// Prints the order's lists (types 0 to 2 and 5) or protocols (3 and 4) for
// each subject in turn.  Returns false when the abort button stopped it.
bool PrintSubjectListOrder(const SubjectListOrder& order, const ClassPrintData& cls,
                           const QString& firstKlasse, const std::vector<StudentPrintData>& students,
                           const ListPrintHooks& hooks = {});

// The same for the open class, its students read from the class table.
// Does nothing while no class is open.
bool PrintSubjectListsOfOpenClass(const SubjectListOrder& order, const ListPrintHooks& hooks = {});

} // namespace hsa
