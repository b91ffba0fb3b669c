#include "word/wordformswindow.h"

#include "classes/sharedstate.h"
#include "platform/screen.h"
#include "word/attachments.h"
#include "word/wordforms.h"

#include <QApplication>
#include <QButtonGroup>
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
    RadioGroup3 = radioGroup(this, choices, QStringLiteral("Technische Variante"),
                             {QStringLiteral("Mehrere Druckaufträge"), QStringLiteral("Ein Gesamtdruckauftrag (empf.)")},
                             1, QStringLiteral("RadioGroup3"));

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
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Panel2, &QPushButton::clicked, this, [this] { Panel2Click(); });

    c_.hooks().progress = [this](const QString& text) {
        Panel3->setText(text.isEmpty() ? QStringLiteral("Bitte warten, bis diese Meldung verschwindet") : text);
    };
    c_.hooks().processEvents = [] { QApplication::processEvents(); };

    // Wide screens get a wider window, never wider than the screen.
    const ScreenInfo scr = hsa::screen().info();
    const int scale = state().formScale;
    const int width = scale > 800 ? scale - 10 : 790;
    resize(scr.width > 0 ? std::min(width, scr.width) : width, scr.height > 0 ? std::min(650, scr.height) : 650);
}

void TForm4::Button1Click()
{
    c_.formType = RadioGroup1->checkedId();
    c_.range = RadioGroup2->checkedId();
    c_.fromNr = SpinEdit1->value();
    c_.toNr = SpinEdit2->value();
    c_.variant = RadioGroup3->checkedId();
    Button1->setEnabled(false);
    Panel3->setVisible(true);
    c_.Start();
    Panel3->setVisible(false);
    Button1->setEnabled(true);
    Memo1->setPlainText(c_.done().join(QLatin1Char('\n')));
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
        c_.Activate();
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
