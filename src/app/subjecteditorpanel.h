#pragma once
#include "classes/subjecteditor.h"

#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace hsa {

// The subject editor of the open class level, shown on the main window where
// its panels stand: the subject list (upper memo, "*" after written-exam
// subjects), heading, footers and weights (lower memo), the multiplier of the
// exam subjects and the MSG switch.  All it does is in subjecteditor.h.
class SubjectEditorPanel : public QWidget {
    Q_OBJECT
public:
    explicit SubjectEditorPanel(QWidget* parent = nullptr);

    QPlainTextEdit* Memo2 = nullptr;
    QPlainTextEdit* Memo3 = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* RadioGroup1Buttons = nullptr;
    QGroupBox* RadioGroup3 = nullptr;
    QButtonGroup* RadioGroup3Buttons = nullptr;
    QPushButton* Button1 = nullptr;   // save
    QPushButton* Button2 = nullptr;   // cancel
    QPushButton* Button7 = nullptr;   // standard subjects
    QLabel* ProjectHint = nullptr;
    QLabel* SyntaxHint = nullptr;

    // TForm1.Fcherl1Click: the warnings, then the panel with the level's
    // subjects.  False (after a message) when the subject file cannot be read.
    bool open();
    void Button1Click();
    void Button2Click();
    void Button7Click();

    // What the widgets hold now.
    SubjectEditorContent content() const;

signals:
    void opened();
    // The panel was hidden after saving or cancelling; the main window
    // focuses the student list.
    void closed();

private:
    void display(const SubjectEditorContent& c);
    SubjectEditorContent content_;
};

} // namespace hsa
