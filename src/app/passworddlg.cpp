#include "app/passworddlg.h"
#include "classes/sharedstate.h"
#include "platform/errors.h"
#include "platform/prompt.h"
#include "platform/slotguard.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QVBoxLayout>

namespace hsa {

TPasswordDlg::TPasswordDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Passwort-Dialog"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Password = new QLineEdit(this);
    Password->setObjectName(QStringLiteral("Password"));
    Password->setEchoMode(QLineEdit::Password);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = new QPushButton(QStringLiteral("Programmabbruch"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    // Return in the edit is the OK; no button takes it besides.
    for (QPushButton* b : {OKBtn, CancelBtn}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Password);
    layout->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, guardedSlot([this] { OKBtnClick(); }));
    connect(Password, &QLineEdit::returnPressed, this, guardedSlot([this] { OKBtnClick(); }));
    connect(CancelBtn, &QPushButton::clicked, this, guardedSlot([this] { CancelBtnClick(); }));
}

void TPasswordDlg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    activate();
}

void TPasswordDlg::activate()
{
    Password->clear();
    Password->setFocus();
    try {
        prompt_ = PreparePasswordPrompt();
    } catch (const FileError& err) {
        prompt_.label = QStringLiteral("Passwort eingeben");
        prompt_.storedPassword = state().storedPassword;
        showError(err.message());
    }
    Label1->setText(prompt_.label);
}

void TPasswordDlg::OKBtnClick()
{
    const QString typed = Password->text();
    SubmitPassword(prompt_, typed);
    Password->clear();
    done(state().accessLocked ? QDialog::Rejected : QDialog::Accepted);
}

void TPasswordDlg::reject()
{
    CancelBtnClick();
}

void TPasswordDlg::CancelBtnClick()
{
    Password->clear();
    done(QDialog::Rejected);
    if (!ConfirmProgramAbort())
        return;
    if (isSignalConnected(QMetaMethod::fromSignal(&TPasswordDlg::programAbortRequested))) {
        emit programAbortRequested();
        return;
    }
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

} // namespace hsa
