#include "app/subjectlistpanel.h"

#include "app/mainmenu.h"
#include "app/mainwindow.h"
#include "app/subjecteditorpanel.h"
#include "classes/sharedstate.h"
#include "grades/gradewindowcontroller.h"
#include "platform/programwide.h"
#include "platform/windowhook.h"
#include "print/notepagecommands.h"
#include "print/subjectlistprint.h"
#include "platform/slotguard.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace hsa {

SubjectListChoice& subjectListChoice()
{
    static SubjectListChoice choice;
    return choice;
}

namespace {
const ProgramWideReset resetSubjectListChoice(ResetOrder::Objects, [] { subjectListChoice() = SubjectListChoice(); });
}

SubjectListPanel::SubjectListPanel(TForm1& form) : QWidget(form.Panel2), form_(form)
{
    setObjectName(QStringLiteral("SubjectListPanel"));
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    StringGrid2 = new QTableWidget(kSubjectChoiceRows, 2, this);
    StringGrid2->setObjectName(QStringLiteral("StringGrid2"));
    StringGrid2->horizontalHeader()->setVisible(false);
    StringGrid2->verticalHeader()->setVisible(false);
    StringGrid2->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    StringGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid2->setSelectionMode(QAbstractItemView::SingleSelection);
    l->addWidget(StringGrid2, 1);
    auto* buttons = new QHBoxLayout;
    Button3 = new QPushButton(QStringLiteral("Drucken"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button4 = new QPushButton(QStringLiteral("Abbruch"), this);
    Button4->setObjectName(QStringLiteral("Button4"));
    buttons->addWidget(Button3);
    buttons->addWidget(Button4);
    l->addLayout(buttons);
    setVisible(false);

    connect(StringGrid2, &QTableWidget::cellDoubleClicked, this, guardedSlot([this](int row, int) {
        subjectListChoice().toggle(row);
        refresh();
    }));
    connect(Button3, &QPushButton::clicked, this, guardedSlot([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, guardedSlot([this] { Button4Click(); }));
    connect(form.RadioGroup2Buttons, &QButtonGroup::idClicked, this, guardedSlot([this](int id) {
        if (!updating_)
            subjectListChoice().setListType(id);
    }));
    connect(form.RadioGroup4Buttons, &QButtonGroup::idClicked, this, guardedSlot([this](int id) {
        if (!updating_)
            subjectListChoice().setExamKind(id);
    }));
}

void SubjectListPanel::refresh()
{
    const SubjectListChoice& c = subjectListChoice();
    updating_ = true;
    for (int r = 0; r < kSubjectChoiceRows; ++r) {
        StringGrid2->setItem(r, 0, new QTableWidgetItem(c.rows[r].subject));
        StringGrid2->setItem(r, 1, new QTableWidgetItem(c.rows[r].mark));
    }
    QButtonGroup* types = form_.RadioGroup2Buttons;
    types->setExclusive(false);
    for (QAbstractButton* b : types->buttons())
        b->setChecked(types->id(b) == c.listType());
    types->setExclusive(true);
    if (QAbstractButton* b = form_.RadioGroup4Buttons->button(c.examKind()))
        b->setChecked(true);
    updating_ = false;

    form_.Panel1->setVisible(c.visible);
    if (c.visible && form_.SubjectEditor)
        form_.SubjectEditor->setVisible(false);
    form_.Panel2->setVisible(c.visible);
    form_.RadioGroup2->setVisible(c.visible);
    form_.RadioGroup4->setVisible(c.visible && c.examKindShown());
    setVisible(c.visible);
}

void SubjectListPanel::openWith(const SubjectListPreset& preset)
{
    if (state().openClassFile.isEmpty())
        return;
    const bool atOnce = subjectListChoice().applyPreset(preset, state().subjectData.subjectNames);
    refresh();
    StringGrid2->setFocus();
    if (atOnce)
        Button3Click();
}

void SubjectListPanel::Button3Click()
{
    const auto order = subjectListChoice().pressPrint();
    refresh();
    if (order)
        PrintSubjectListsOfOpenClass(*order);
}

void SubjectListPanel::Button4Click()
{
    subjectListChoice().pressCancel();
    refresh();
}

void InstallSubjectListPrinting(TForm1& form)
{
    auto* panel = new SubjectListPanel(form);
    form.Panel2->layout()->addWidget(panel);
    for (const SubjectListPreset& p : SubjectListPresets())
        RegisterMenuHandler(QString::fromLatin1(p.entry), WhileAlive(panel, [panel, &p] { panel->openWith(p); }));
    RegisterMenuHandler(QStringLiteral("Notizfelder1"),
                        [] { PrintNotePagesOfRange(); });
    gradeWindow().hooks().printNotes = [] { PrintGradeWindowNotePage(); };
}

} // namespace hsa
