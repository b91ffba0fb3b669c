// The panel shows the subject-list choice a print menu entry fills and hands
// its clicks to it.
#include "app/subjectlistpanel.h"
#include "support/programwindows.h"

#include <QButtonGroup>
#include <QPushButton>
#include <QTableWidget>

using namespace hsa;
using hsa::test::ProgramWindowsFixture;

TEST_F(ProgramWindowsFixture, PresetShowsTheChoiceAndAbbruchHidesIt)
{
    state().openClassFile = QStringLiteral("xa_25262.dbf");
    state().subjectData.subjectNames[2] = QStringLiteral("Deutsch");
    state().subjectData.subjectNames[20] = QStringLiteral("Technik");
    form->trigger(QStringLiteral("PPProtokollefrdiepraktischePrfung1"));
    auto* panel = form->findChild<SubjectListPanel*>();
    ASSERT_TRUE(panel);
    EXPECT_FALSE(form->Panel1->isHidden());
    EXPECT_FALSE(panel->isHidden());
    EXPECT_EQ(panel->StringGrid2->item(0, 0)->text(), QStringLiteral("Deutsch"));
    EXPECT_EQ(panel->StringGrid2->item(18, 1)->text(), QStringLiteral("nein"));
    EXPECT_EQ(form->RadioGroup2Buttons->checkedId(), 3);
    EXPECT_EQ(form->RadioGroup4Buttons->checkedId(), 1);
    emit panel->StringGrid2->cellDoubleClicked(18, 0);
    EXPECT_EQ(panel->StringGrid2->item(18, 1)->text(), QStringLiteral("ja"));
    EXPECT_EQ(subjectListChoice().markedSubjects(), std::vector<int>({20}));
    panel->Button4->click();
    EXPECT_TRUE(form->Panel1->isHidden());
}
