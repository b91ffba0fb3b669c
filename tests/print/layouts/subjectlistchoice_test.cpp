#include "layoutfixture.h"
#include "print/subjectlistchoice.h"

using namespace hsa;
using hsa::test::LayoutTest;

// Each menu entry's list type and exam kind, whether it prints at once (then
// with only "Englisch" marked), the subjects filled in up to the last.
TEST_F(LayoutTest, MenuPresetsFillTheChoice)
{
    const std::tuple<int, int, bool, int> presets[] = {{0, 0, false, 18}, {1, 0, false, 18}, {3, 0, false, 18},
                                                       {3, 1, false, 18}, {4, 0, true, 18},  {1, 1, false, 18},
                                                       {5, 0, true, 17}};
    ASSERT_EQ(SubjectListPresets().size(), std::size(presets));
    for (size_t i = 0; i < std::size(presets); ++i) {
        const auto [type, kind, atOnce, lastFilled] = presets[i];
        SubjectListChoice choice;
        choice.setListType(1);
        choice.setExamKind(1 - kind);
        choice.rows[18] = {QStringLiteral("Alt"), QStringLiteral("ja")};
        EXPECT_EQ(choice.applyPreset(SubjectListPresets()[i], cls.subjects.subjectNames), atOnce) << i;
        EXPECT_EQ(std::tuple(choice.visible, choice.listType(), choice.examKind()), std::tuple(true, type, kind)) << i;
        EXPECT_EQ(choice.rows[lastFilled].subject, cls.subjects.subjectNames[lastFilled + 2]) << i;
        EXPECT_TRUE(choice.rows[19].subject.isEmpty()) << i;
        EXPECT_EQ(choice.markedSubjects(), atOnce ? std::vector<int>{4} : std::vector<int>{}) << i;
    }
}

TEST_F(LayoutTest, PrintButtonChecksAndAsks)
{
    SubjectListChoice choice;
    choice.applyPreset(SubjectListPresets()[0], cls.subjects.subjectNames);
    choice.toggle(19); // no subject: stays empty
    EXPECT_TRUE(choice.rows[19].mark.isEmpty());
    EXPECT_FALSE(choice.pressPrint());
    EXPECT_EQ(prompt.lastText(), kMsgChooseSubject);
    EXPECT_TRUE(choice.visible);

    // The nineteenth subject (row 18) is printed like any other.
    for (int row : {18, 1, 1, 1})
        choice.toggle(row);
    choice.setListType(-1);
    EXPECT_FALSE(choice.pressPrint());
    EXPECT_EQ(prompt.lastText(), kMsgNoListType);
    EXPECT_FALSE(choice.visible);

    for (int type = 0; type <= 5; ++type) {
        prompt.clear();
        choice.setListType(type);
        const bool asks = type == 0 || type == 1 || type == 5;
        if (asks)
            prompt.yes();
        const auto order = choice.pressPrint();
        ASSERT_TRUE(order) << type;
        EXPECT_EQ(std::pair(prompt.anyTextContains(kAskWithMarks), order->withMarks), std::pair(asks, asks)) << type;
        EXPECT_EQ(order->subjects, std::vector<int>({3, 20})) << type;
    }
}
