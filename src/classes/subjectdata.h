#pragma once
#include <QString>
#include <QStringList>
#include <array>

// The subject data of the open class level: everything the subject file of the
// level holds, plus the certificate texts and the profile-subject codes.  One
// plain object (state().subjectData) that the grade arithmetic, the grids and
// the prints read; the subject editor and the class opening write it.
namespace hsa {

inline constexpr int kSubjectEntryCount = 21;   // SubjectNames 0 to 20
inline constexpr int kMaxSubjectRows = 19;      // entries 2 to 20 are subject rows
inline constexpr int kSubjectNameMax = 60;      // characters kept per name
inline constexpr int kSubjectFileMaxLines = 24; // lines read before "****"

struct SubjectData {
    // Entry k belongs to subject row k - 1 of the exam grid; entries 0 and 1
    // hold the first two lines of the subject file when one was read.
    std::array<QString, kSubjectEntryCount> subjectNames{};
    // Rows of the written-exam subjects; 0 or a repeated row = no further one.
    std::array<int, 4> writtenExamRows{3, 7, 7, 7};
    // Item index of "Prüfungsfächer zählen im  Gesamtschnitt" (0 einfach,
    // 1 doppelt, 2 dreifach) and the multiplier it gives (index + 1, >= 1).
    int multiplierIndex = 0;
    int examSubjectMultiplier = 1;
    // "MSG-Note": 0 "zählt", 1 "zählt nicht ($2 VO)".
    int msgGradeIndex = 0;
    QString subjectCodeString = QStringLiteral("1111111111111111111111111");
    QString subjectBlockHeading = QStringLiteral("Leistungen in den einzelnen Fächern");
    std::array<QString, 5> footerLines{};
    QString ebaHeading = QStringLiteral("Teilnahme am Erweiterten Bildungsangebot:");
    // Certificate title, success sentence, third line, signatory role,
    // closing sentence.
    std::array<QString, 5> certificateLines{};
    QString subjectFileName = QStringLiteral("fa9-ohne.DAT");
    // Items of the grade window's "Profilfach" group.
    std::array<QString, 6> profileCodes{QStringLiteral("BKP"), QStringLiteral("MuP"),
                                        QStringLiteral("SpP"), QStringLiteral("NwT"),
                                        QStringLiteral("IMP"), QStringLiteral("Spa")};
    // The grade window shows its profile controls (Gemeinschaftsschule).
    bool profileControlsShown = false;

    bool msgGradeCounts() const { return msgGradeIndex != 1; }
    // True when subject row (1 to 19) is one of the written-exam rows.
    bool isWrittenExamRow(int row) const
    {
        if (row <= 0)
            return false;
        for (int r : writtenExamRows)
            if (r == row)
                return true;
        return false;
    }
    // Name of subject row (1 to 19), empty outside.
    QString rowName(int row) const
    {
        const int k = row + 1;
        return (k >= 2 && k < kSubjectEntryCount) ? subjectNames[k] : QString();
    }
};

} // namespace hsa
