#pragma once
#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

// Names and codes of exam classes: the class-table name ("9a_25262.dbf"),
// its class folder ("9a_25262"), the KLASSE value from a class code, the
// school-year rule and its default, the family's class tables ("9a-25262.dbf")
// and the file masks of the class list.
namespace hsa {

// The school-year lists whose pieces pass the rule.
inline const QString kRenameYearList = QStringLiteral("929394959697989900010203040506070809");
inline const QString kCreateYearList = QStringLiteral("92939495969798990001020304050607080910");

// School-year code of a new class: exactly four digits that occur in list or
// whose first two digits plus one give the last two ('2526', '9900').
bool SchoolYearAccepted(const QString& entry, const QString& list);
// The proposed school year on date: YY (the year's last two digits, one less
// before August) followed by the next year's digits ("2526", "9900", "0910").
QString DefaultSchoolYear(const QDate& date);

// How the KLASSE value of a new class is derived from its class code.
enum class KlasseFor { Create, Rename, TakeOver };
// The KLASSE value of class code (two characters): "x"/"y" -> "10" + c2,
// "F" -> "9" + c2 + "_sf", "G" -> "10" + c2 + "S", else c1 + c2.  A trailing
// "-" is dropped for rename and take-over; for create every "-" becomes a
// blank.
QString KlasseValue(const QString& code, KlasseFor use);

// Which first characters a class code may have.
enum class CodeUse { Create, Rename, TakeOver };
// Checks a typed class code (already cut to two characters).  The second
// character must be a letter, "-" or (create and take-over) a blank, or be
// missing; digits and characters that do not belong in a file name are
// refused.  Returns the code to use (a missing or blank second character
// becomes "-"), or nullopt when the entry is refused.
std::optional<QString> AcceptClassCode(const QString& entry, CodeUse use, const QString& schoolTypeText);

// New class-table name: code + "_" + year + "2.dbf".
QString ClassTableName(const QString& code, const QString& year);
// Class folder name: the first eight characters of the table name.
QString ClassFolderName(const QString& tableName);
// Exam-board file of a class: "vor" + characters 4 to 7 + character 1 + ".dat".
QString ExamBoardFileName(const QString& tableName);
// True when a list entry with this name may be acted on: first character "9",
// "x", "X", "y", "Y", or "4" when the school-type phrase contains "örder".
bool ClassNameAccepted(const QString& tableName, const QString& schoolTypeText);

// Family class table: two characters, "-", five digits, ".dbf".
bool IsFamilyClassTableName(const QString& name);

// File masks ("x?_????2.dbf;9?_????2.dbf"), matched ignoring case.
QStringList SplitMasks(const QString& masks);
bool MatchesMasks(const QString& fileName, const QStringList& masks);
// Plain files of folder matching the masks, sorted ignoring case.
QStringList ListMatchingFiles(const QString& folder, const QStringList& masks);

inline const QString kClassTableMask = QStringLiteral("x?_????2.dbf;9?_????2.dbf");
inline const QString kFamilyTableMask = QStringLiteral("\?\?-*.dbf");

} // namespace hsa
