#pragma once
#include "classes/subjectdata.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

// The subject-list choice of the main window: a table of subjects marked
// "ja" or "nein", the list type ("Listentyp", -1 none, 0 to 5) and the exam
// kind ("Prüfungsart", 0 "mündlich", 1 "praktisch"), with the presets the
// print menu's entries give it.  The panel on the main window shows and edits
// this object; "Drucken" turns it into an order of lists to print.
namespace hsa {

inline constexpr int kSubjectChoiceRows = 21;
// Rows 0 to 18 carry subjects (row r is subject index r + 2).
inline constexpr int kSubjectChoiceLastSubjectRow = kSubjectEntryCount - 3;

inline const QString kMsgChooseSubject = QStringLiteral("Bitte erst ein Fach oder mehrere Fächer wählen");
inline const QString kMsgNoListType = QStringLiteral("Sie haben keinen Listentyp gewählt");
inline const QString kAskWithMarks = QStringLiteral("Sollen Noten eingetragen werden?");

// The print menu's entries that open the choice.
struct SubjectListPreset {
    const char* entry;   // menu entry name
    const char* caption; // menu caption
    int examKind;        // -1 keeps the exam kind
    int listType;
    int lastRow;         // rows 0..lastRow are filled from the subject names
    bool englishAtOnce;  // "Englisch" := "ja" and print at once
};
const std::array<SubjectListPreset, 7>& SubjectListPresets();

// What "Drucken" asks for: subject indexes in row order.
struct SubjectListOrder {
    int listType = -1;
    int examKind = 0;
    bool withMarks = false;
    std::vector<int> subjects;
};

class SubjectListChoice {
public:
    struct Row {
        QString subject;
        QString mark; // "ja", "nein" or empty
    };

    std::array<Row, kSubjectChoiceRows> rows{};
    bool visible = false;

    int listType() const { return listType_; }
    int examKind() const { return examKind_; }
    // The exam kind is asked only for the oral lists and protocols (list
    // types 1 and 3); every other type goes back to "mündlich".
    void setListType(int type);
    void setExamKind(int kind);
    bool examKindShown() const;

    // A menu entry's preset: shows the choice and fills it.  Returns whether
    // the entry prints at once.
    bool applyPreset(const SubjectListPreset& preset,
                     const std::array<QString, kSubjectEntryCount>& subjectNames);
    // Double click: "ja" <-> "nein" on a row with a subject.
    void toggle(int row);

    // Subject indexes of the rows marked "ja" that carry a subject.
    std::vector<int> markedSubjects() const;

    // "Drucken": without a marked subject the hint (the choice stays open);
    // else the choice closes, a missing list type is told, and list types 0,
    // 1 and 5 ask whether the marks are to be printed.
    std::optional<SubjectListOrder> pressPrint();
    // "Abbruch".
    void pressCancel() { visible = false; }

private:
    int listType_ = -1;
    int examKind_ = 0;
};

} // namespace hsa
