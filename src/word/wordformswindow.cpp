#include "word/wordformswindow.h"

#include "classes/sharedstate.h"
#include "platform/screen.h"
#include "platform/windowhook.h"
#include "word/attachments.h"
#include "word/wordforms.h"
#include "platform/slotguard.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace hsa {

namespace {

QButtonGroup* radioGroup(QWidget* parent, QLayout* into, const QString& caption, const QStringList& items,
                         int checked, const QString& name)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    auto* l = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], box);
        group->addButton(b, i);
        l->addWidget(b);
    }
    group->button(checked)->setChecked(true);
    into->addWidget(box);
    return group;
}

} // namespace

TForm4::TForm4(WordFormsController& controller, QWidget* parent) : QWidget(parent), c_(controller)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Formulare für die Projektprüfung     (Setzt Word 97 oder höher voraus)"));
    auto* main = new QVBoxLayout(this);
    auto* choices = new QHBoxLayout;
    main->addLayout(choices);
    RadioGroup1 = radioGroup(this, choices, QStringLiteral("Formulartyp"),
                             {QStringLiteral("Projektbeschreibung (allgem. Formular)"),
                              QStringLiteral("Beobachtungsbogen (schülerbezogen)"),
                              QStringLiteral("Bewertungsbogen (schülerbezogen)"), QStringLiteral("Zeugnisanlage ")},
                             1, QStringLiteral("RadioGroup1"));
    auto* rangeColumn = new QVBoxLayout;
    choices->addLayout(rangeColumn);
    RadioGroup2 = radioGroup(this, rangeColumn, QStringLiteral("Ausdruck für"),
                             {QStringLiteral("Markierter Schüler"), QStringLiteral("Alle Schüler"),
                              QStringLiteral("Von Schülerummer   ...    bis  ...")},
                             0, QStringLiteral("RadioGroup2"));
    auto* spins = new QHBoxLayout;
    SpinEdit1 = new QSpinBox(this);
    SpinEdit2 = new QSpinBox(this);
    for (QSpinBox* s : {SpinEdit1, SpinEdit2}) {
        s->setRange(1, 36);
        s->setValue(1);
        spins->addWidget(s);
    }
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit2->setObjectName(QStringLiteral("SpinEdit2"));
    rangeColumn->addLayout(spins);
    auto* variantColumn = new QVBoxLayout;
    choices->addLayout(variantColumn);
    RadioGroup3 = radioGroup(this, variantColumn, QStringLiteral("Technische Variante"),
                             {QStringLiteral("Mehrere Druckaufträge"), QStringLiteral("Ein Gesamtdruckauftrag (empf.)")},
                             1, QStringLiteral("RadioGroup3"));
    // The office suite always fills the forms out of sight, so the choice
    // stays ticked and is not offered.
    CheckBox1 = new QCheckBox(QStringLiteral("Unsichtbar im Hintergrund"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    CheckBox1->setVisible(false);
    variantColumn->addWidget(CheckBox1);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    main->addWidget(Memo1, 1);
    Panel3 = new QLabel(QStringLiteral("Bitte warten, bis diese Meldung verschwindet"), this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setWordWrap(true);
    Panel3->setVisible(false);
    main->addWidget(Panel3);
    auto* buttons = new QHBoxLayout;
    Button1 = new QPushButton(QStringLiteral("Start"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Panel2 = new QPushButton(QStringLiteral("Druckschleife abbrechen"), this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    buttons->addWidget(Button1);
    buttons->addStretch();
    buttons->addWidget(Panel2);
    main->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, guardedSlot([this] { Button1Click(); }));
    connect(Panel2, &QPushButton::clicked, this, guardedSlot([this] { Panel2Click(); }));

    c_.hooks().studentDone = WhileAlive(this, [this](const QString& lastName) {
        Memo1->appendPlainText(lastName);
        Memo1->repaint();
    });
    c_.hooks().processEvents = [] { QApplication::processEvents(); };

    // Sized for the screen's FormScale, never larger than the screen.
    const ScreenInfo scr = hsa::screen().info();
    const WordFormsGeometry g = ComputeWordFormsGeometry(state().formScale);
    resize(scr.width > 0 ? std::min(g.width, scr.width) : g.width,
           scr.height > 0 ? std::min(g.height, scr.height) : g.height);
    if (g.top >= 0)
        move(x(), std::min(g.top, std::max(0, scr.height - height())));
}

WordFormsGeometry ComputeWordFormsGeometry(int formScale)
{
    // Designed 650 pixels high for an 800 pixel wide screen; wider screens
    // keep that height and put the window 100 pixels from the top.
    const int scale = std::max(formScale, 1);
    if (scale > 800)
        return {scale - 10, 650, 100};
    return {std::max(scale - 10, 1), 650 * scale / 800, -1};
}

void TForm4::Button1Click()
{
    c_.formType = RadioGroup1->checkedId();
    c_.range = RadioGroup2->checkedId();
    c_.fromNr = SpinEdit1->value();
    c_.toNr = SpinEdit2->value();
    c_.variant = RadioGroup3->checkedId();
    Button1->setEnabled(false);
    Memo1->clear();
    Panel3->setVisible(true);
    // A failed run gives the buttons back for the next try.
    runGuarded([this] { c_.Start(); });
    Panel3->setVisible(false);
    Button1->setEnabled(true);
}

void TForm4::Panel2Click()
{
    c_.Abort();
}

void TForm4::closeEvent(QCloseEvent* e)
{
    if (c_.mayClose())
        e->accept();
    else
        e->ignore();
}

void TForm4::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && Button1->isEnabled())
        runGuarded([this] { c_.Activate(); });
    QWidget::changeEvent(e);
}

void ShowWordFormsWindow(QWidget* window, int formType)
{
    if (SaveOpenAttachments())
        return;
    auto* form = qobject_cast<TForm4*>(window);
    if (!form)
        return;
    if (formType >= 0 && form->RadioGroup1->button(formType))
        form->RadioGroup1->button(formType)->setChecked(true);
    form->show();
    form->raise();
    form->activateWindow();
}

QWidget* CreateWordFormsWindow()
{
    return new TForm4(wordForms());
}

} // namespace hsa
