#pragma once
#include "classes/schoolsettings.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace hsa {

// The password dialog: asks for the program password while access is locked.
// A correct entry clears AccessLocked; "Programmabbruch" asks whether the
// program is to end.
class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPasswordDlg(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* Password = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    void OKBtnClick();
    void CancelBtnClick();

signals:
    // The user chose to end the program (QuitRequested is set).  Without a
    // receiver the dialog closes the application's windows itself.
    void programAbortRequested();

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;   // Escape

private:
    void activate();
    PasswordPrompt prompt_;
};

} // namespace hsa
