#pragma once
#include "classes/examgrid.h"

#include <QString>
#include <array>

// Filling the grade context of the open class from the program's shared state
// (school settings, subject data of the level, the open class table).
namespace hsa {

// Short codes of exam rows 1 to 19 from subject names 0 to 20: row r gets the
// code of entry r + 1, trailing blanks removed.
std::array<QString, kExamGridRows> ShortCodesForSubjects(
    const std::array<QString, kGradeListRows>& subjectNames);

// A context for the given subject names (short codes derived from them).
GradeContext MakeGradeContext(const std::array<QString, kGradeListRows>& subjectNames,
                              const QString& classFileName, bool eveningSchoolMode);

// The context of the open class: evening-school mode, the open class file
// (state().openClassFile), subject names, code string, written-exam rows and
// the MSG switch of state().subjectData.
GradeContext GradeContextFromState();

} // namespace hsa
