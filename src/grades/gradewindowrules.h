#pragma once
#include "classes/classfields.h"
#include "classes/examgrid.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Rules of the grade window that do not need the window: its layout by class
// type and school type, the class-type hints of the notes page, the checks of
// a class-table record before a student is shown, the profile-code editor,
// the note-line limit and the certificate date for every record.
namespace hsa {

class DbfTable;

// ---------------------------------------------------------------- layout

// What the window shows for the open class (class table file name such as
// "xa_25262.dbf") at a school of the given school-type phrase.
struct GradeWindowLayout {
    // Page captions and the two menu entries that switch to pages 0 and 1.
    QString page0Caption = QStringLiteral("Prüfung");
    QString page1Caption = QStringLiteral("Zeugnis");
    QString page2Caption = QStringLiteral("Notizen");
    QString examMenuCaption = QStringLiteral("&Prüfung");
    QString certificateMenuCaption = QStringLiteral("&Zeugnis");

    // Notes page: the read-only hint memo of the X and G classes, or the
    // attachment controls (Word) and the project labels of all other classes.
    bool classTypeHintShown = false;
    QString classTypeHintFile;        // "memo2x.dat" / "memo2g.dat"
    bool attachmentControlsShown = true;

    // Exam page: profile-subject controls (Gemeinschaftsschule) or the
    // Informatik hint label.
    bool profileControlsShown = false;
    bool informatikHintShown = true;
    QString informatikHint;

    // Certificate page labels.
    QString hintsLabel = QStringLiteral("Hinweise");
    QString remarkLabel1 = QStringLiteral("Bemerkungen:");
    QString remarkLabel2 = QStringLiteral("Bemerkungen (2. Zeile):");
    QString workingGroupsLabel = QStringLiteral("Arbeitsgemeinschaften:");
    QString topicLabel = QStringLiteral("Thema der Projektarbeit:");
    QString projectExamHint;          // F classes only
    bool hint2Shown = true;
    bool hint3Shown = true;
    bool personalEditsShown = true;

    // Lengths of the remark edits hinweis1..hinweis4, bemerkung1, bemerkung2.
    std::array<int, 4> hintLength{42, 42, 42, 70};
    std::array<int, 2> remarkLength{70, 42};

    // Grade list: rows 0 and 1 (conduct, cooperation) fixed.
    bool gradeListFixedRows = false;
    // The one-character edits deutschnote and mathenote.
    bool schoolGradeEditsShown = false;
};

GradeWindowLayout LayoutForClass(const QString& classFileName, const QString& schoolTypeText);

// Caption of page 0 for the class: "Verhalten" for class codes beginning
// with "1" or "2", else "Allg. Beurt.".
QString GetConductTabCaption(const QString& classFileName);

// The text of the hint label shown instead of the profile controls.
QString InformatikHintText();

// Built-in text of the class-type hint memo (used when its file is missing).
QString BuiltInClassTypeHint();

// The hint text of the notes page: the file (found ignoring case in dir)
// when it exists, else the built-in text.  A file that exists but cannot be
// read gives the built-in text and the German error in *error.
QString LoadClassTypeHint(const QString& dir, const QString& fileName, QString* error = nullptr);

// The explanation of the weight column shown when it is opened or closed.
QString WeightColumnMessage();

// ---------------------------------------------------------------- grade list

// Where a key in the grade list goes from row: step +1 for Down and Return,
// -1 for Up.  A row whose subject name ends with "/" heads a group and is
// passed over (two rows in one step); with fixed rows the conduct and
// cooperation rows 0 and 1 cannot be reached; a move that would leave the
// list (or land on a row it may not) stays on row.
int GradeListKeyMove(const std::array<QString, kGradeListRows>& subjectNames, int row, int step,
                     bool fixedRows);

// ---------------------------------------------------------------- help

// Help contexts of the grade window's help menu.
inline constexpr int kHelpContents = 0;            // "Inhaltsverzeichnis"
inline constexpr int kHelpFinalExam = 0;           // "Abschlussprüfung"
inline constexpr int kHelpExternalCandidates = 40; // "Schulfremde"
inline constexpr int kHelpVocationalSubjects = 41; // "Individuelle Berufsschulfächer"

// ---------------------------------------------------------------- records

// A record of the class table as a student for the grade window.
struct StudentRecordCheck {
    bool numberOk = false;    // NR reads a whole number from 1 to 40
    bool hasLastName = false;
    bool hasFirstName = false;
    bool hasGender = false;   // field "M/W"
    int number = 0;
    QString lastName;

    // The last record (number 40) and a record named "FAKTOR" hold the
    // factors of the whole-class tables: no student.
    bool isMarker() const
    {
        return number == 40 || IsWeightRecordName(lastName);
    }
    // Neither last nor first name: an empty row of the list.
    bool isGap() const { return !hasLastName && !hasFirstName; }
    // Enough to be shown (number and both names; gender when asked for).
    bool valid(bool genderRequired) const
    {
        return numberOk && hasLastName && hasFirstName && (hasGender || !genderRequired);
    }
    // German list of what is missing ("Nachname, Geschlecht (M/W)").
    QString missingText(bool genderRequired) const;
};

StudentRecordCheck CheckStudentRecord(const DbfTable& table, int record);

// Writes date into the field DATUM of every record and posts.  Does nothing
// for an empty date or a closed table.  Returns the number of records
// written.  Raises FileError when the table cannot be written.
int FillCertificateDate(DbfTable& table, const QString& certificateDate);
// The same for the open class table (ClassTable()); the main window is told
// to refresh its student list.
int FillCertificateDate(const QString& certificateDate);

// ---------------------------------------------------------------- notes

// The notes page holds what the grade file keeps: 45 lines.  Returns the text
// cut after its 45th line and whether anything was cut.
struct LimitedNotes {
    QString text;
    bool cut = false;
};
LimitedNotes LimitNoteLines(const QString& text, int maxLines = 45);

// ---------------------------------------------------------------- profile codes

inline const QString kProfileCodesFile = QStringLiteral("profilkuerzel.txt");

// The Yes/No explanation before the profile codes are edited.
QString ProfileCodesQuestion();
// Caption of the editor and the message after saving.
QString ProfileCodesEditorCaption();
QString ProfileCodesSavedMessage();
QString ProfileNotCountedMessage();

// Six profile codes from the editor's text: empty lines at the top are
// dropped, every code is its line without surrounding blanks cut to three
// characters, and an empty or missing line becomes "--".
std::array<QString, 6> ProfileCodesFromEditorText(const QString& text);
// The editor's text for the current codes, one per line.
QString ProfileCodesEditorText(const std::array<QString, 6>& codes);
// Writes the six codes, one a line, to "profilkuerzel.txt" in dir.  Raises
// FileError.
void SaveProfileCodes(const QString& dir, const std::array<QString, 6>& codes);

// ---------------------------------------------------------------- metrics

// The window was laid out for a screen 640 pixels wide; its fonts, column
// widths and row heights grow with the effective screen width (FormScale),
// each cut to a whole number.
inline constexpr int kGradeWindowDesignWidth = 640;

// The design sizes fit a window on a 640 x 480 screen, as the window was laid
// out; FormScale (about the screen width) scales them to the real screen, so
// that on a 1024 pixel wide screen the window fills it without scrolling.
struct GradeWindowMetrics {
    int formScale = kGradeWindowDesignWidth; // the width the sizes were made for

    // Point sizes: the window's own text, the student heading, the two grids.
    int windowFontPointSize = 7;
    int headingFontPointSize = 9;
    int examGridFontPointSize = 7;
    int gradeListFontPointSize = 7;

    // Exam grid: every column (the weight column takes the width of the
    // final-grade column when it is opened) and every row.
    int examGridColumnWidth = 38;
    // Column 0 (the short codes) once the notebook has been entered.
    int examGridCodeColumnWidth = 44;
    int examGridRowHeight = 16;

    // Grade list: subject names, grades, rows.
    int gradeListNameColumnWidth = 84;
    int gradeListGradeColumnWidth = 28;
    int gradeListRowHeight = 14;

    // Phrase store: the column of the phrase numbers.
    int phraseNumberColumnWidth = 28;

    // The window's size when it is first shown.
    int windowWidth = 632;
    int windowHeight = 440;
};

// The sizes for an effective screen width: every design value at 640 times
// formScale / 640, cut toward zero, and never below 1.  A formScale of 1 or
// less is the value before start-up has measured the screen: the design
// sizes are used.
GradeWindowMetrics ComputeGradeWindowMetrics(int formScale);

} // namespace hsa
