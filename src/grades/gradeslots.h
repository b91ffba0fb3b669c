#pragma once
#include "classes/arithmetic.h"

#include <QString>

// The whole final grades of the grade list are kept in the grade fields of
// the student's record in the class table.  The field names are slots, not
// subjects: slot k holds grade-list row k, whatever subject that row has.
//   row 0 RELIGION, 1 ZUSATZ4, 2 DEU, 3 SACHKUNDE, 4 MATH, 5 ZUSATZ1,
//   6 WERKEN, 7 MUSIK, 8 ZUSATZ2, 9 ZUSATZ3, 10..20 F11..F21
namespace hsa {

// What the grade copy needs of a record of the class table: its fields by
// name, as text.  The class table layer implements it for its current record.
class GradeRecord {
public:
    virtual ~GradeRecord() = default;
    virtual QString fieldText(const QString& fieldName) const = 0;
    virtual void setFieldText(const QString& fieldName, const QString& text) = 0;
};

// Field name of grade-list row 0 to 20, empty outside.
QString GradeSlotFieldName(int gradeListRow);

// True when the class keeps its final grades in the record: the class file
// name begins with one of "3456789xyXYfFgG".
bool ClassKeepsGradeSlots(const QString& classFileName);

// Stores grade-list rows 0 to 20 into the record's grade slots, when the
// class keeps them; returns whether it did.  The texts go in as they stand
// ("3*", "2", "-", "   ", "??").
bool CopyGradeListToRecord(const GradeList& gradeList, const QString& classFileName,
                           GradeRecord& record);

// Grade-list rows 0 to 20 read back from the record's grade slots (as the
// grade window shows them when it opens a student); all empty when the class
// does not keep them.
GradeList GradeListFromRecord(const GradeRecord& record, const QString& classFileName);

} // namespace hsa
