#include "app/sonderdlg.h"
#include "classes/sharedstate.h"
#include "classes/subjecteditor.h"
#include "platform/programwide.h"
#include "platform/prompt.h"
#include "platform/slotguard.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hsa {

std::function<void()>& SubjectEditorOpenHook()
{
    static std::function<void()> hook;
    return hook;
}

namespace {
const ProgramWideReset resetSubjectEditorOpenHook(ResetOrder::Objects, [] { SubjectEditorOpenHook() = {}; });
}

Tform_sonder::Tform_sonder(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Sonderfunktionen"));
    Label1 = new QLabel(QStringLiteral("Passwort eingeben:"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("Schließen"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    for (QPushButton* b : {BitBtn1, BitBtn2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);

    connect(BitBtn1, &QPushButton::clicked, this, guardedSlot([this] { BitBtn1Click(); }));
    connect(Edit1, &QLineEdit::returnPressed, this, guardedSlot([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void Tform_sonder::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    Edit1->clear();
    Edit1->setFocus();
}

void Tform_sonder::BitBtn1Click()
{
    if (!IsSpecialFunctionsPassword(Edit1->text()))
        return;   // another entry changes nothing; the dialog stays open
    Edit1->clear();
    accept();
    if (state().openClassFile.isEmpty()) {
        showMessage(QStringLiteral("Dazu erst die Klasse öffnen, in der Fächer geändert werden sollen."));
        return;
    }
    const std::function<void()>& open = openSubjectEditor ? openSubjectEditor : SubjectEditorOpenHook();
    if (open)
        open();
}

} // namespace hsa
