#pragma once
#include <QString>
#include <optional>

// The wording of grades and dates on paper and in the final-grade export.
// Pure functions of text: no window, no shared state.  Where a routine looks
// at the subject of a grade-list row, the caller passes that row's subject
// text (column 0 of the grade list); std::nullopt stands for "no row".
namespace hsa {

// The three ways a whole grade is worded.
enum class GradeWordVariant {
    List,        // external candidates: no exam cross; a subject ending in "/" gets no word
    Certificate, // leaving certificate: a "Wahlpflichtbereich" or "\"-ending subject gets no word
    ExamCross,   // final certificate: as Certificate, and " (x)" after the word of an exam subject
};

// Fourteen hyphens: the word of a grade or subject that is missing.
inline const QString kMissingGradeWord = QStringLiteral("--------------");

// The word of a whole grade ("2", "2*", " 5", "3-"): "sehr gut" to
// "ungenügend" by its first non-blank character; kMissingGradeWord for any
// other text.  "*)" is returned as it stands.  With a subject text, a blank
// subject gives kMissingGradeWord and a heading row the empty text.
QString GradeDigitToWord(GradeWordVariant variant, const QString& grade,
                         const std::optional<QString>& subjectText = std::nullopt);

// A one-decimal grade ("2,3" or "2.3") followed by its word in parentheses:
// "2,3 (gut)", "2,5  (befriedigend)".  Every word but the one of 2,0 to 2,4
// stands after two blanks.  A text that is no such grade gives the empty text.
QString FormatDecimalGradeWithWord(const QString& grade);

// "( 2,4 )" for the average "2.4": the first point becomes a comma.
QString FormatAverageInParens(const QString& average);

// "07.03.2024" as "7. März 2024".  Returned unchanged when shortDates is set
// (the switch file "kurzdat.dat" exists), when it has fewer than two points
// or when its month is not 1 to 12.
QString FormatLongDate(const QString& date, bool shortDates);

// The class level of a class name ("10a" and "1oa" give 10, "9b" 9), 0 when
// it starts with no digit.
int ParseClassLevel(const QString& className);

// 150 when either remark line (HINWEIS4, BEMERK1), trailing blanks removed,
// has 59 characters or more: the remarks are then printed smaller.  Else 0.
int RemarkLineOverflow(const QString& remark, const QString& secondRemark);

// The year mark printed in place of a grade on the class-9 feedback: the mark
// without leading blanks and with one blank appended.  With a subject text, a
// "Wahlpflichtbereich" or "\"-ending subject gives the empty text and a blank
// subject "---".
QString FormatYearMarkForRow(const QString& yearMark,
                             const std::optional<QString>& subjectText = std::nullopt);

// The whole grade of an overall average: Trunc(g + offset / 100) (0.51 on the
// certificates, 0.52 on the exam table), formed in hundredths so that no
// binary fraction can move it; 0 for "??", " - " and other texts without a
// number.
int WholeGradeOfAverage(const QString& average, int offsetHundredths = 51);

} // namespace hsa
