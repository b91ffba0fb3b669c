#pragma once
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace hsa {

// The special-functions dialog: the fixed password opens the subject editor
// of the open class.
class Tform_sonder : public QDialog {
    Q_OBJECT
public:
    explicit Tform_sonder(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    void BitBtn1Click();

    // Opens the subject editor (installed by the main window); empty: the
    // global SubjectEditorOpenHook().
    std::function<void()> openSubjectEditor;

protected:
    void showEvent(QShowEvent* e) override;
};

// The main window installs here how the subject editor is opened.
std::function<void()>& SubjectEditorOpenHook();

} // namespace hsa
