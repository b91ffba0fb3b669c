#pragma once
#include "grades/examsheet.h"

#include <QList>
#include <QString>

// The students of one class whose grade files were read all the same (cut
// short, longer than their layout, marks outside 1.0 to 6.0), gathered while
// a whole-class table is filled, a print runs or the final grades are
// exported, so that the user hears of them in one message instead of one
// box per student:
//
//   Die Notendatei von Nr. 7 Meier, Anna war unvollständig und wurde so weit
//   gelesen, wie sie reicht. <closing>
//
// or, for several students, one line each ("Nr. 7 Meier, Anna: unvollständig
// (120 von 226 Zeilen)") under a common heading.
namespace hsa {

// Closings: what the user is to do, as each place says it.
inline const QString kFlawedCheckAndSave = QStringLiteral("Bitte die Noten prüfen und speichern.");
inline const QString kFlawedCheckInGradeWindow =
    QStringLiteral("Bitte die Noten beim Einzelschüler prüfen und speichern.");

class FlawedGradeFiles {
public:
    // Notes the student whose grade file "v." + nr gave sheet, when the file
    // had a flaw; a student noted before is not noted again.
    void note(const QString& nr, const QString& surname, const QString& firstName, const ExamSheet& sheet);
    bool isEmpty() const { return entries_.isEmpty(); }
    qsizetype size() const { return entries_.size(); }
    // "Nr. 7 Meier, Anna" of each student noted, in the order noted.
    QStringList students() const;
    // The message naming every student noted and what was wrong with the
    // file, then closing; empty when none was noted.
    QString message(const QString& closing) const;

private:
    struct Entry {
        QString who;
        GradeFileFlaws flaws;
    };
    QList<Entry> entries_;
};

} // namespace hsa
