#pragma once
#include <QString>

#include <array>

// Field names of the class table that the program addresses by name.  Every
// part of the program names a field through these, never through its own
// literal; the class-table template (classtemplate.h) builds its field list
// from them.
namespace hsa {

inline const QString kFieldNr = QStringLiteral("NR");             // student number, "1" to "40"
inline const QString kFieldLast = QStringLiteral("NACHNAME");     // surname
inline const QString kFieldFirst = QStringLiteral("VORNAME");     // first name
inline const QString kFieldGender = QStringLiteral("M/W");        // gender
inline const QString kFieldClass = QStringLiteral("KLASSE");      // the class as the certificates print it
inline const QString kFieldDate = QStringLiteral("DATUM");        // certificate date
inline const QString kFieldRemark1 = QStringLiteral("BEMERK1");   // first line of the certificate remarks
inline const QString kFieldRemark2 = QStringLiteral("BEMERK2");   // second line of the certificate remarks
inline const QString kFieldGroup = QStringLiteral("HJ");          // project group; "x" keeps a German grade
inline const QString kFieldWorkingGroups = QStringLiteral("AG2"); // working groups ("Arbeitsgemeinschaften")
inline const QString kFieldBirthDate = QStringLiteral("AG3");     // birth date
inline const QString kFieldBirthPlace = QStringLiteral("AG4");    // birth place
inline const QString kFieldProjectTopic = QStringLiteral("AG5");  // topic of the project exam
inline const QString kFieldClass8Grade = QStringLiteral("AG6");   // grade of the subject completed in class 8
inline const QString kFieldProfile = QStringLiteral("AG7");       // profile subject index or project topic
inline const QString kFieldHint1 = QStringLiteral("HINWEIS1");    // the four hint lines of the certificates
inline const QString kFieldHint2 = QStringLiteral("HINWEIS2");
inline const QString kFieldHint3 = QStringLiteral("HINWEIS3");
inline const QString kFieldHint4 = QStringLiteral("HINWEIS4");
inline const std::array<QString, 4> kFieldHints{kFieldHint1, kFieldHint2, kFieldHint3, kFieldHint4};

// Grade slots that are read or cleared by name outside the slot table
// (gradeslots.h, which maps every row of the grade list to its slot).
inline const QString kFieldGerman = QStringLiteral("DEU");              // German
inline const QString kFieldMath = QStringLiteral("MATH");               // mathematics
inline const QString kFieldGeneralStudies = QStringLiteral("SACHKUNDE"); // "Sachkunde"

// NACHNAME of the record that holds the factors of the whole-class tables:
// no student, skipped by every per-student loop.
inline const QString kWeightRecordName = QStringLiteral("FAKTOR");

inline bool IsWeightRecordName(const QString& surname) { return surname.trimmed() == kWeightRecordName; }

} // namespace hsa
