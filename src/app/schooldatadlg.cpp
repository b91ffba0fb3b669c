#include "app/schooldatadlg.h"
#include "app/webentries.h"
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "platform/prompt.h"
#include "platform/slotguard.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace hsa {

TBtnRightDlg::TBtnRightDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Schuldaten"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(SchoolTypeChoices());
    ComboBox1->setPlaceholderText(QStringLiteral("Hier bitte die Schulart auswählen!"));
    Edit3 = new QLineEdit(this);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    EditSchoolName = new QLineEdit(this);
    EditSchoolName->setObjectName(QStringLiteral("EditSchoolName"));
    EditSchoolNumber = new QLineEdit(this);
    EditSchoolNumber->setObjectName(QStringLiteral("EditSchoolNumber"));
    // Line 3 of "epw5.dat" is an integer: digits only.
    EditSchoolNumber->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), EditSchoolNumber));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    PanelLabel = new QLabel(QStringLiteral("Ändern Sie bitte nur die Schulart und klicken Sie dann hier."), Panel1);
    SaveBtn = new QPushButton(QStringLiteral("Geänderte Schulart speichern"), Panel1);
    SaveBtn->setObjectName(QStringLiteral("SaveBtn"));
    auto* panelLayout = new QHBoxLayout(Panel1);
    panelLayout->addWidget(PanelLabel);
    panelLayout->addWidget(SaveBtn);

    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    HelpBtn = new QPushButton(QStringLiteral("Hilfe"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    for (QPushButton* b : {SaveBtn, CancelBtn, HelpBtn})
        b->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Schulart:"), ComboBox1);
    form->addRow(QStringLiteral("Schulart (Text):"), Edit3);
    form->addRow(QStringLiteral("Schulname (? = Zeilenumbruch):"), EditSchoolName);
    form->addRow(QStringLiteral("Schulnummer:"), EditSchoolNumber);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpBtn);
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Panel1);
    layout->addLayout(buttons);
    Panel1->setVisible(false);

    connect(ComboBox1, &QComboBox::activated, this, &TBtnRightDlg::ComboBox1Change);
    connect(SaveBtn, &QPushButton::clicked, this, &TBtnRightDlg::SaveSchoolTypeClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, guardedSlot([] { ShowHelpContext(99); }));
}

void TBtnRightDlg::prepareForSchoolType()
{
    Panel1->setVisible(true);
}

void TBtnRightDlg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    ComboBox1->setCurrentIndex(-1);
    Edit3->setText(state().schoolTypeText);
    EditSchoolName->setText(state().schoolName);
    EditSchoolNumber->clear();
    runGuarded([&] { EditSchoolNumber->setText(QString::number(ReadSchoolNumber())); });
}

void TBtnRightDlg::hideEvent(QHideEvent* e)
{
    Panel1->setVisible(false);
    QDialog::hideEvent(e);
}

void TBtnRightDlg::ComboBox1Change(int index)
{
    if (index < 0)
        return;
    const QString text = ComboBox1->itemText(index);
    Edit3->setText(text);
    if (text.contains(QStringLiteral("Gemeinschaf")))
        showInformation(QStringLiteral("Gemeinschaftsschule: Bitte lesen Sie die einschränkenen Bedingungen für die "
                                       "Gemeinschaftsschule unter Menüpunkt \"Hilfe\" (Kurzanleitung zum Programm)"));
}

void TBtnRightDlg::SaveSchoolTypeClick()
{
    const QString name = EditSchoolName->text();
    std::optional<QString> newName;
    if (name != state().schoolName && !name.trimmed().isEmpty())
        newName = name;
    std::optional<int> newNumber;
    if (!EditSchoolNumber->text().isEmpty())
        newNumber = EditSchoolNumber->text().toInt();
    bool saved = false;
    if (!runGuarded([&] { saved = SaveSchoolType(Edit3->text(), newName, newNumber); }) || !saved)
        return;
    Panel1->setVisible(false);
    accept();
}

} // namespace hsa
