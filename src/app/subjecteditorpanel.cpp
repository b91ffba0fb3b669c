#include "app/subjecteditorpanel.h"
#include "platform/errors.h"
#include "platform/prompt.h"
#include "platform/slotguard.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace hsa {

namespace {

QButtonGroup* radioGroup(QGroupBox* box, const QStringList& items)
{
    auto* group = new QButtonGroup(box);
    auto* layout = new QVBoxLayout(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], box);
        group->addButton(b, i);
        layout->addWidget(b);
    }
    return group;
}

QStringList memoLines(const QPlainTextEdit* memo)
{
    const QString text = memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

} // namespace

SubjectEditorPanel::SubjectEditorPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SubjectEditorPanel"));
    Memo2 = new QPlainTextEdit(this);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo3 = new QPlainTextEdit(this);
    Memo3->setObjectName(QStringLiteral("Memo3"));
    Memo3->setLineWrapMode(QPlainTextEdit::NoWrap);
    RadioGroup1 = new QGroupBox(QStringLiteral("Prüfungsfächer zählen im  Gesamtschnitt"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1Buttons = radioGroup(RadioGroup1, {QStringLiteral("einfach (KuU 10.7.08)"),
                                                  QStringLiteral("doppelt"), QStringLiteral("dreifach")});
    RadioGroup3 = new QGroupBox(QStringLiteral("MSG-Note"), this);
    RadioGroup3->setObjectName(QStringLiteral("RadioGroup3"));
    RadioGroup3Buttons = radioGroup(RadioGroup3, {QStringLiteral("zählt"), QStringLiteral("zählt nicht ($2 VO)")});
    Button1 = new QPushButton(QStringLiteral("So für die aktuelle Klassenstufe abspeichern"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Abbrechen"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button7 = new QPushButton(QStringLiteral("Fächer: Standardvorgaben einlesen"), this);
    Button7->setObjectName(QStringLiteral("Button7"));
    ProjectHint = new QLabel(QStringLiteral("Projektarbeit muss muss das letzte Fach sein."), this);
    ProjectHint->setObjectName(QStringLiteral("ProjectHint"));
    SyntaxHint = new QLabel(QStringLiteral("Syntaxbeispiel:  111111110aaa0bbb1"), this);
    SyntaxHint->setObjectName(QStringLiteral("SyntaxHint"));

    // The editor lies in the main window beside the student list and must
    // fit a 1024 x 768 screen at a zoom of 120 %: the captions are set on
    // two lines, and the save and cancel buttons come right below the two
    // choices.
    auto* upper = new QVBoxLayout;
    upper->addWidget(new QLabel(QStringLiteral("Fächer in der Reihenfolge der Notentabelle\n(Prüfungsfächer mit *):"), this));
    upper->addWidget(Memo2, 3);
    upper->addWidget(ProjectHint);
    upper->addWidget(
        new QLabel(QStringLiteral("Überschrift, Fußzeilen, \"Durchschnittsberechnung\"\nund Fachgewichte:"), this));
    upper->addWidget(Memo3, 2);
    upper->addWidget(SyntaxHint);
    auto* side = new QVBoxLayout;
    side->addWidget(RadioGroup1);
    side->addWidget(RadioGroup3);
    side->addWidget(Button1);
    side->addWidget(Button2);
    side->addWidget(Button7);
    side->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(upper, 3);
    layout->addLayout(side, 1);

    connect(Button1, &QPushButton::clicked, this, &SubjectEditorPanel::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &SubjectEditorPanel::Button2Click);
    connect(Button7, &QPushButton::clicked, this, &SubjectEditorPanel::Button7Click);
    setVisible(false);
}

bool SubjectEditorPanel::open()
{
    if (!runGuarded([&] { content_ = OpenSubjectEditor(); }))
        return false;
    display(content_);
    setVisible(true);
    Memo2->setFocus();
    emit opened();
    return true;
}

void SubjectEditorPanel::display(const SubjectEditorContent& c)
{
    Memo2->setPlainText(c.upper.join(QLatin1Char('\n')));
    Memo3->setPlainText(c.lower.join(QLatin1Char('\n')));
    if (QAbstractButton* b = RadioGroup1Buttons->button(c.multiplierIndex))
        b->setChecked(true);
    if (QAbstractButton* b = RadioGroup3Buttons->button(c.msgGradeIndex))
        b->setChecked(true);
    ProjectHint->setVisible(c.showProjectHint);
}

SubjectEditorContent SubjectEditorPanel::content() const
{
    SubjectEditorContent c = content_;
    c.upper = memoLines(Memo2);
    c.lower = memoLines(Memo3);
    c.multiplierIndex = std::max(0, RadioGroup1Buttons->checkedId());
    c.msgGradeIndex = std::max(0, RadioGroup3Buttons->checkedId());
    return c;
}

void SubjectEditorPanel::Button1Click()
{
    bool saved = false;
    if (!runGuarded([&] { saved = SaveSubjectEditor(content()); }) || !saved)
        return;   // refused, not confirmed or not written: the panel stays with its text
    setVisible(false);
    emit closed();
}

void SubjectEditorPanel::Button2Click()
{
    CancelSubjectEditor(content_);
    setVisible(false);
    emit closed();
}

void SubjectEditorPanel::Button7Click()
{
    SubjectEditorContent c = content();
    try {
        LoadStandardSubjects(c);
    } catch (const FileError& err) {
        display(c);
        showError(err.message());
        return;
    }
    display(c);
}

} // namespace hsa
