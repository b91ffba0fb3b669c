#pragma once
#include <functional>
#include "grades/gradewindowrules.h"

#include <QMainWindow>
#include <QString>
#include <array>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class QAction;

// The grade window: one student of the open class on three pages (exam
// grid with results, certificate remarks and personal fields, notes).  It
// shows what gradeWindow() (grades/gradewindowcontroller.h) holds and hands
// every edit to it; it closes, saving the student, when another window of the
// program becomes active.
namespace hsa {

class GradeWindowController;

class TForm2 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    explicit TForm2(GradeWindowController& controller, QWidget* parent = nullptr);
    ~TForm2() override;

    GradeWindowController& controller() { return *c_; }
    // The fonts and sizes the window was built with: FormScale as it stood
    // when the window was created.
    const GradeWindowMetrics& metrics() const { return metrics_; }

    // Shows everything the controller holds for the current student.
    void showStudent();
    // The window's actions, as the buttons and menu entries run them.
    void Nchster1Click();     // next student (buttons 2, 7, 9, 13)
    void Vorheriger1Click();  // previous student (buttons 3, 8, 10, 6)
    void Zurck1Click();       // back to the main window, saving
    void Label9Click();       // weight column open / closed

    // Labels and captions.
    QLabel* Label2 = nullptr;   // NR, first name, name
    QLabel* Label3 = nullptr;   // class
    QLabel* Label11 = nullptr;  // exam result
    QLabel* Label12 = nullptr;  // Gesamtschnitt (certificate page)
    QLabel* Label13 = nullptr;  // Gesamtschnitt (exam page)
    QLabel* Label15 = nullptr;  // Informatik hint
    QPushButton* Label9 = nullptr; // "Fachgewichtsspalte öffnen / schließen"

    QTabWidget* tabbednotebook1 = nullptr;
    QTableWidget* StringGrid3 = nullptr; // exam grid
    QTableWidget* StringGrid1 = nullptr; // grade list
    QTableWidget* StringGrid2 = nullptr; // phrase store
    QGroupBox* RadioGroup1 = nullptr;    // exam result
    QButtonGroup* resultButtons = nullptr;
    QGroupBox* RadioGroup2 = nullptr;    // profile subject
    QButtonGroup* profileButtons = nullptr;
    std::array<QRadioButton*, 6> profileItems{};
    QGroupBox* RadioGroup3 = nullptr;    // profile in the Gesamtschnitt (never)
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    // Certificate page.
    std::array<QLineEdit*, 6> remarkEdits{}; // hinweis1..4, bemerkung1, bemerkung2
    QLineEdit* hinweis1 = nullptr;
    QLineEdit* hinweis2 = nullptr;
    QLineEdit* hinweis3 = nullptr;
    QLineEdit* hinweis4 = nullptr;
    QLineEdit* bemerkung1 = nullptr;
    QLineEdit* bemerkung2 = nullptr;
    QLineEdit* deutschnote = nullptr;
    QLineEdit* mathenote = nullptr;
    std::array<QLineEdit*, 6> recordEdits{}; // DBEdit1..6: AG2..AG7
    QLabel* hintsLabel = nullptr;
    QLabel* remarkLabel1 = nullptr;
    QLabel* remarkLabel2 = nullptr;
    QLabel* workingGroupsLabel = nullptr;
    QLabel* topicLabel = nullptr;
    QLabel* projectExamLabel = nullptr;
    QPushButton* Button1 = nullptr;   // phrases saved, window closed
    QPushButton* Button11 = nullptr;  // phrase help
    QPushButton* Button12 = nullptr;  // phrase store shown / hidden

    // Notes page.
    QPlainTextEdit* memo1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QPushButton* Button5 = nullptr; // "Notizfeld drucken"

    // Next and previous.
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button9 = nullptr;
    QPushButton* Button10 = nullptr;
    QPushButton* Button13 = nullptr;
    QPushButton* Button14 = nullptr; // "Word - Zeugnisanlage öffnen"
    QPushButton* Button15 = nullptr; // "Zeugnisanlagedatei neu erstellen"
    QPushButton* Button6 = nullptr;

    QAction* Verhalten1 = nullptr;
    QAction* Arbeiten1 = nullptr;
    QAction* Nchster1 = nullptr;
    QAction* Vorheriger1 = nullptr;
    QAction* Zurck1 = nullptr;
    QAction* N1 = nullptr;                           // help contents
    QAction* Abschlussprfung1 = nullptr;             // hidden help entries
    QAction* Schulfre4mde1 = nullptr;
    QAction* IndividuelleBerufsschulfcher1 = nullptr;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool filterEvent(QObject* watched, QEvent* event);

private:
    void build();
    void buildMenu();
    void buildHeading();
    void buildExamPage();
    void buildCertificatePage();
    void buildNotesPage();
    void connectControls();
    void applyLayout();
    void refreshGrid();
    void fitExamColumns();
    void refreshLabels();
    void refreshGradeList();
    void takeEdit(const std::function<bool()>& set);
    void refreshRemarks();
    void refreshPhraseStore();
    void afterAction();
    void flushPendingEdits();
    void checkDeactivation();
    void commitGridCell(int row, int column);
    void focusRemarkNeighbour(QObject* edit, int step);
    int remarkIndex(QObject* o) const;
    int recordEditIndex(QObject* o) const;
    void expandEdit(QObject* o);
    void doubleClickEdit(QObject* o);
    void clipboardAction(int which);
    void focusMoved(QWidget* from, QWidget* to);
    void tabbednotebook1Enter(QWidget* to);
    void enterGradeList();

    GradeWindowController* c_;
    GradeWindowMetrics metrics_;
    int busy_ = 0;          // own dialogs or updates under way
    bool updating_ = false; // the view is being filled
    QMetaObject::Connection focusConnection_;
};

// True when the grade window is to close because newActive became the active
// window: only another window of the program counts, never a message box or
// dialog (its own or a modal one) and never another application (nullptr).
bool ShouldCloseOnDeactivation(const QWidget* self, const QWidget* newActive, bool ownDialogOpen);

// The program's grade window (created once by the program block).
QWidget* CreateGradeWindow();
TForm2* GradeWindowForm();

// Opens the grade window on the student list's current record
// (state().currentStudentRecord): the main menu's single-student entry and
// the student list's double click; mode "Notiz" for the certificate
// attachment.  False when nothing was opened (no class, or the record is no
// student; the reason was shown).
bool OpenGradeWindow(const QString& openMode = {});

} // namespace hsa
