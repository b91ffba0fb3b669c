#include "grades/gradeslots.h"

namespace hsa {

QString GradeSlotFieldName(int gradeListRow)
{
    static const char* const named[] = {"RELIGION", "ZUSATZ4", "DEU",    "SACHKUNDE", "MATH",
                                        "ZUSATZ1",  "WERKEN",  "MUSIK",  "ZUSATZ2",   "ZUSATZ3"};
    if (gradeListRow < 0 || gradeListRow >= kGradeListRows)
        return {};
    if (gradeListRow < 10)
        return QString::fromLatin1(named[gradeListRow]);
    return QStringLiteral("F%1").arg(gradeListRow + 1);
}

bool ClassKeepsGradeSlots(const QString& classFileName)
{
    return !classFileName.isEmpty() && QStringLiteral("3456789xyXYfFgG").contains(classFileName.at(0));
}

bool CopyGradeListToRecord(const GradeList& gradeList, const QString& classFileName,
                           GradeRecord& record)
{
    if (!ClassKeepsGradeSlots(classFileName))
        return false;
    for (int row = 0; row < kGradeListRows; ++row)
        record.setFieldText(GradeSlotFieldName(row), gradeList[row]);
    return true;
}

GradeList GradeListFromRecord(const GradeRecord& record, const QString& classFileName)
{
    GradeList list{};
    if (!ClassKeepsGradeSlots(classFileName))
        return list;
    for (int row = 0; row < kGradeListRows; ++row)
        list[row] = record.fieldText(GradeSlotFieldName(row));
    return list;
}

} // namespace hsa
