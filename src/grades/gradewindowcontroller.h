#pragma once
#include "classes/arithmetic.h"
#include "classes/examgrid.h"
#include "grades/cellrules.h"
#include "grades/examsheet.h"
#include "grades/gradewindowrules.h"
#include "grades/phrases.h"

#include <QString>
#include <array>
#include <functional>
#include <optional>

// The grade window's work on one student of the open class, without the
// window: the student's exam sheet, remarks and record fields, the stock
// phrases, the exam result and profile subject, and the steps to the next or
// previous student with the write-back of the student being left (record
// first, then the grade file, then the project-grade reminder).  The window
// (TForm2) shows what this object holds and forwards every edit to it; tests
// drive it directly.
namespace hsa {

class DbfTable;

// The plain remark edits hinweis1..hinweis4, bemerkung1, bemerkung2 and the
// record fields they are copied to and from.
inline constexpr int kRemarkCount = 6;
const std::array<QString, kRemarkCount>& RemarkFieldNames();

// Open mode of the window: "Notiz" when it was opened to work on the
// certificate attachment.
inline const QString kOpenModeNote = QStringLiteral("Notiz");

// Messages of the record checks and the steps.
inline const QString kMsgBadNumber = QStringLiteral("Schülerummer stimmt nicht !");
inline const QString kMsgNameFirst =
    QStringLiteral("Erst Name und Vorname eintragen und das Eingabefeld verlassen!");
inline const QString kMsgListEnd = QStringLiteral("Listenende erreicht oder Lücke in Schülerliste");
inline const QString kMsgNameMissing = QStringLiteral("Vorname /Name /Geschlecht fehlt!");
inline const QString kMsgLastStudent = QStringLiteral("Dies ist der letzte Schüler ");
inline const QString kMsgFirstStudent = QStringLiteral("Dies ist der erste Schüler in der Liste ");
inline const QString kMsgClass9Result = QStringLiteral("In Klasse 9 nur Hauptschulabschluss möglich");
inline const QString kMsgProjectGrade = QStringLiteral(
    "Bitte überprüfen: Für den eingeklickten Realschulabschluss / Werkrealschulabschluss muss "
    "die Projektnote entfernt werden.");
inline const QString kMsgPhraseHelp =
    QStringLiteral("ENTWEDER: Floskel anklicken / Doppelklick ins Zielfeld\n\r"
                   "ODER:          Nummer der Floskel ins Zielfeld schreiben ");
inline const QString kMsgNotesCut = QStringLiteral(
    "Das Notizfeld fasst höchstens 45 Zeilen (so viele speichert die Notendatei).\n\r"
    "Die Zeilen ab der 46. wurden nicht übernommen.");

// Parts of the program the grade window calls but does not own; an empty one
// is skipped.
struct GradeWindowHooks {
    // Leaves a whole-class grade table on the main window first, saving it on
    // request (before a student is opened).
    std::function<void()> leaveGradeTable;
    // Edits a text in the memo editor; nullopt when cancelled.  Defaults to
    // the memo editor dialog.
    std::function<std::optional<QString>(const QString& caption, const QString& text)> editInMemo;
    // Opens help context n (0 contents).  Defaults to the program's help
    // file through the help layer.
    std::function<void(int context)> openHelp;
    // Opens the current student's certificate attachment (window opened in
    // the mode "Notiz").
    std::function<void()> openCertificateAttachment;
    // "Notizfeld drucken": the note page of the current student with the
    // notes as they stand.
    std::function<void()> printNotes;
    // Replaces the current student's attachment by a freshly filled template.
    std::function<void()> recreateCertificateAttachment;
    // Going back to the main window: names attachments still open in the
    // word processor (the program cannot save them for the user).
    std::function<void()> remindOpenAttachments;
};

enum class StepResult {
    Moved,    // the next or previous student is shown
    Stayed,   // no further student in that direction (or a gap): same student
    Closed,   // the record reached is no valid student: the window closed
    Failed,   // the student being left could not be written: nothing moved
};

class GradeWindowController {
public:
    GradeWindowController();
    explicit GradeWindowController(DbfTable& table);

    // ---- opening and closing
    // Opens the window's data on a record of the class table (the student
    // list's current record).  False, after the message, when no class is
    // open, the record is no student (number 1 to 39, name and first name)
    // or a student still shown could not be written.
    bool Open(int record, const QString& openMode = {});
    bool isOpen() const { return open_; }
    // Closing (also on deactivation): writes the phrase store, recomputes
    // and writes the student back.  False, after the message, when the
    // student could not be written; the data stay open then unless force.
    bool Close(bool force = false);
    // Menu "&Zurück (Hauptmenü, Speichern)" and Esc.
    bool Back();
    // "Floskeln speichern / schließen": writes "floskel3.dat" and closes.
    bool SavePhrasesAndClose();

    // ---- the certificate attachment (notes page): "Word - Zeugnisanlage
    // öffnen" and "Zeugnisanlagedatei neu erstellen"
    void OpenAttachment();
    void RecreateAttachment();

    // ---- next and previous
    StepResult Next();
    StepResult Previous();

    // ---- what the window shows
    int record() const { return record_; }
    const QString& openMode() const { return openMode_; }
    const ExamSheet& sheet() const { return sheet_; }
    const GradeContext& context() const { return context_; }
    const GradeList& gradeList() const { return gradeList_; }
    const GradeWindowLayout& layout() const { return layout_; }
    QString studentCaption() const { return studentCaption_; }   // Label2
    QString classCaption() const { return classCaption_; }       // Label3
    QString resultLabel() const { return sheet_.resultLabel; }    // Label11
    QString gesamtschnittLabel() const;                           // Label12, Label13
    QString classTypeHint() const { return classTypeHint_; }      // Memo2
    QString gradeFilePath() const { return gradeFilePath_; }
    QString companionFilePath() const { return companionPath_; }  // "m." + NR
    QString firstName() const;

    // ---- remarks (hinweis1..4, bemerkung1, bemerkung2) and school grades
    // A text with a character the class table cannot hold, or longer than the
    // edit's room, is refused with a message (RefuseUnstorableText) and the
    // old one stays: the setters return false and the window shows it again.
    QString remark(int index) const;
    bool setRemark(int index, const QString& text);
    int remarkMaxLength(int index) const;
    QString deutschnote() const { return deutschnote_; }
    QString mathenote() const { return mathenote_; }
    bool setDeutschnote(const QString& t);
    bool setMathenote(const QString& t);

    // ---- record-bound edits (AG2 to AG7): written and posted at once
    QString recordField(const QString& field) const;
    bool setRecordField(const QString& field, const QString& text);
    int recordFieldWidth(const QString& field) const;

    // ---- notes (at most 45 lines)
    QString notesText() const { return sheet_.notesText(); }
    // Takes the text cut to 45 lines; true when lines were cut (the window
    // then shows the text kept and kMsgNotesCut).
    bool setNotesText(const QString& text);

    // ---- exam grid
    // A typed text for an editable cell: normalised, results recomputed.
    bool commitCell(int column, int row, const QString& text);
    CellPos clickCell(CellPos pos);
    void doubleClickCell(CellPos pos);
    KeyResult keyMove(CellPos pos, ExamGridKey key, int pageRows = 1) const;
    // RecalcExamGrid: computed columns, grade list.
    void recalc();
    bool weightColumnShown() const { return weightColumnShown_; }
    void toggleWeightColumn();

    // Entering the notebook: the headings of row 0 and the short codes of
    // column 0 are written again for the mode and the subject list, so a
    // sheet always shows what its marks belong to.
    void EnterNotebook();

    // ---- grade list
    // Entering the grade list makes its rows 0 and 1 (conduct, cooperation)
    // fixed until the window is opened again.
    void EnterGradeList() { gradeListEntered_ = true; }
    bool gradeListFixedRows() const { return layout_.gradeListFixedRows || gradeListEntered_; }
    // The row a key (Down and Return +1, Up -1) leads to from row.
    int gradeListKeyMove(int row, int step) const;

    // ---- help
    // Help context (kHelpContents and the contexts of the help menu).
    void ShowHelp(int context);

    // ---- exam result and profile subject
    void selectExamResult(int index);
    void selectProfile(int index);
    // Leaving the profile choice stores its index, "-1" for none, into AG7.
    // A text in AG7 that is no profile index (a project topic typed into the
    // personal edit) is not replaced by "-1" when nothing was chosen.
    void leaveProfile();
    void editProfileCodes();       // BitBtn1
    void explainProfileNotCounted(); // BitBtn2
    std::array<QString, 6> profileCodes() const;

    // ---- stock phrases
    PhraseStore& phrases() { return phrases_; }
    const PhraseStore& phrases() const { return phrases_; }
    bool phraseStoreShown() const { return phraseStoreShown_; }
    void togglePhraseStore() { phraseStoreShown_ = !phraseStoreShown_; }
    void showPhraseHelp();
    // Return or leaving a remark edit: a phrase number becomes its phrase.
    bool expandRemark(int index);
    // The same for the record-bound edits AG2 and AG7 (posted).
    bool expandRecordField(const QString& field);
    // Double click with the phrase store shown and row (1 to 100) selected.
    bool doubleClickRemark(int index, int phraseRow);
    bool doubleClickRecordField(const QString& field, int phraseRow);

    GradeWindowHooks& hooks() { return hooks_; }
    DbfTable& table() { return *table_; }

    // Back to the start of the run (tests).
    void reset();

private:
    bool checkOpening(int record);
    void loadStudent(int record);
    // True when the table still holds, at record_, the student that was
    // loaded (same class, number and names); otherwise shows why nothing of
    // him is written.
    bool studentStillInPlace() const;
    bool writeRecord();
    bool writeGradeFile();
    void projectGradeReminder();
    void resetGapRecord(int record);
    void closeUntouched(int record);
    StepResult step(int direction);
    QString field(int record, const QString& name) const;

    DbfTable* table_;
    GradeWindowHooks hooks_;
    bool open_ = false;
    int record_ = -1;
    QString openMode_;
    QString classFile_;
    ExamSheet sheet_;
    GradeContext context_;
    GradeList gradeList_{};
    GradeWindowLayout layout_;
    QString studentCaption_;
    QString classCaption_;
    QString classTypeHint_;
    QString gradeFilePath_;
    QString companionPath_;
    // Who was loaded: the write-back goes onto this student only.
    QString loadedNr_;
    QString loadedLast_;
    QString loadedFirst_;
    std::array<QString, kRemarkCount> remarks_{};
    QString deutschnote_;
    QString mathenote_;
    bool deutschnoteLoaded_ = false;
    PhraseStore phrases_;
    bool phraseStoreShown_ = false;
    bool weightColumnShown_ = false;
    bool gradeListEntered_ = false;
};

// The program's grade window data.
GradeWindowController& gradeWindow();

} // namespace hsa
