#include "grades/gradecontext.h"

#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "classes/subjects.h"

namespace hsa {

std::array<QString, kExamGridRows> ShortCodesForSubjects(
    const std::array<QString, kGradeListRows>& subjectNames)
{
    std::array<QString, kExamGridRows> codes{};
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        codes[r] = TrimRight(SubjectToShortCode(subjectNames[r + 1]));
    return codes;
}

GradeContext MakeGradeContext(const std::array<QString, kGradeListRows>& subjectNames,
                              const QString& classFileName, bool eveningSchoolMode)
{
    GradeContext context;
    context.subjectNames = subjectNames;
    context.shortCodes = ShortCodesForSubjects(subjectNames);
    context.classFileName = classFileName;
    context.eveningSchoolMode = eveningSchoolMode;
    return context;
}

GradeContext GradeContextFromState()
{
    const SharedState& s = state();
    const SubjectData& d = s.subjectData;
    GradeContext context = MakeGradeContext(d.subjectNames, s.openClassFile, s.eveningSchoolMode);
    context.subjectCodeString = d.subjectCodeString;
    context.writtenExamRows = d.writtenExamRows;
    context.msgGradeCounts = d.msgGradeCounts();
    return context;
}

} // namespace hsa
