#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

// The class-table template "start2.dbf": every new class table is a byte copy
// of it.  Its fields are all text fields, in the order the program addresses
// them by position:
//   0 NR, 1 NACHNAME, 2 VORNAME, 3 "M/W", 4 KLASSE, 5 DATUM (certificate
//   date), 6 BEMERK1, 7 BEMERK2, 8 HJ (project group), 9 AG2 (working groups,
//   "---" in a new class), 10 AG3 (birth date), 11 AG4 (birth place), 12 AG5,
//   13 AG6, 14 AG7, 15-18 HINWEIS1-4, 19-39 the grade slots RELIGION ... F21.
// Widths hold the longest text the windows let a user type; none is wider
// than 80, the most a record copy of the student list carries per field.
namespace hsa {

// The names come from classfields.h, where the program reads them.
struct TemplateField {
    QString name;
    int width;
};

inline constexpr int kClassTableRecords = 40;
inline constexpr int kClassTableFields = 40;

// The field list of the template, in file order.
const std::vector<TemplateField>& ClassTemplateFields();

// Position of the fields the program addresses by position.
namespace ClassField {
inline constexpr int NR = 0;
inline constexpr int NACHNAME = 1;
inline constexpr int VORNAME = 2;
inline constexpr int MW = 3;
inline constexpr int KLASSE = 4;
inline constexpr int DATUM = 5;
inline constexpr int HJ = 8;
inline constexpr int NoneMark = 9;   // takes "---" in a new class
inline constexpr int AG3 = 10;
inline constexpr int AG4 = 11;
inline constexpr int FirstGradeSlot = 19; // RELIGION, then one a grade-list row
} // namespace ClassField

// The bytes of "start2.dbf": a dBase table (version byte 3, Windows-1252
// language driver) with the fields above and 40 records whose NR is "1" to
// "40", everything else blank, ended by the end-of-file mark.  The header is
// 1313 bytes long.  The date of last update is fixed so that the file is the
// same whenever it is built.
QByteArray BuildClassTemplate();

// Writes the template to path (atomically).  Raises FileError.
void WriteClassTemplate(const QString& path);

} // namespace hsa
