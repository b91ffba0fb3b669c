#pragma once
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

// The window of the project-exam forms (TForm4): the choices of
// WordFormsController, its list of students done and the abort button.  It
// cannot be closed while a run is under way.
namespace hsa {

class WordFormsController;

class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(WordFormsController& controller, QWidget* parent = nullptr);

    QButtonGroup* RadioGroup1 = nullptr; // "Formulartyp"
    QButtonGroup* RadioGroup2 = nullptr; // "Ausdruck für"
    QButtonGroup* RadioGroup3 = nullptr; // "Technische Variante"
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* SpinEdit2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;      // "Unsichtbar im Hintergrund", ticked, hidden
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* Panel3 = nullptr;            // "Bitte warten, ..."
    QPushButton* Button1 = nullptr;      // "Start"
    QPushButton* Panel2 = nullptr;       // "Druckschleife abbrechen"

    void Button1Click();
    void Panel2Click();

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    WordFormsController& c_;
};

// Size of the window for FormScale: FormScale - 10 wide; above 800 pixels
// 650 high and 100 pixels from the top (top -1: where the desktop puts it),
// below that the 650 pixels scaled to FormScale against 800.
struct WordFormsGeometry {
    int width = 0;
    int height = 0;
    int top = -1;
    bool operator==(const WordFormsGeometry&) const = default;
};
WordFormsGeometry ComputeWordFormsGeometry(int formScale);

QWidget* CreateWordFormsWindow();

// The menu entries of the forms: after the check for open attachments the
// window (the program's TForm4) is shown, with the form type preset when
// formType >= 0.
void ShowWordFormsWindow(QWidget* window, int formType = -1);

} // namespace hsa
