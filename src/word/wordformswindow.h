#pragma once
#include <QWidget>

class QButtonGroup;
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

QWidget* CreateWordFormsWindow();

// The menu entries of the forms: after the check for open attachments the
// window (the program's TForm4) is shown, with the form type preset when
// formType >= 0.
void ShowWordFormsWindow(QWidget* window, int formType = -1);

} // namespace hsa
