#pragma once
#include <QString>

// Field names of the class table that several parts of the program address.
namespace hsa {

inline const QString kFieldNr = QStringLiteral("NR");
inline const QString kFieldLast = QStringLiteral("NACHNAME");
inline const QString kFieldFirst = QStringLiteral("VORNAME");
inline const QString kFieldGender = QStringLiteral("M/W");
inline const QString kFieldGroup = QStringLiteral("HJ");
inline const QString kFieldDate = QStringLiteral("DATUM");
inline const QString kFieldProfile = QStringLiteral("AG7");

// NACHNAME of the record that holds the factors of the whole-class tables:
// no student, skipped by every per-student loop.
inline const QString kWeightRecordName = QStringLiteral("FAKTOR");

inline bool IsWeightRecordName(const QString& surname) { return surname.trimmed() == kWeightRecordName; }

} // namespace hsa
