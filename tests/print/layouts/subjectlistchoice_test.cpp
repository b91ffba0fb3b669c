#include "layoutfixture.h"
#include "print/subjectlistchoice.h"

using namespace hsa;
using hsa::test::LayoutTest;

TEST_F(LayoutTest, MenuPresetsFillTheChoice)
{
    struct Case { const char* entry; int kindBefore, kind, type, lastFilled; bool atOnce; };
    const Case cases[] = {
        {"FachlistenPrfungsteilnehmerErgebnisseTerminplanung1", 1, 0, 0, 18, false},
        {"FachlistenzurOrganisationdermndlPrfung1", 1, 0, 1, 18, false},
        {"MPProtokollefrdiemndlichePrfung1", 1, 0, 3, 18, false},
        {"PPProtokollefrdiepraktischePrfung1", 0, 1, 3, 18, false},
        {"DEZPrfungsprotokolle1", 1, 0, 4, 18, true},
        {"PPFachlistenPrflingePraktischePrfung1", 0, 1, 1, 18, false},
        {"DEZKlassenlistefrdiedenentraleEnglischprfung1", 1, 0, 5, 17, true},
    };
    ASSERT_EQ(SubjectListPresets().size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const SubjectListPreset& p = SubjectListPresets()[i];
        ASSERT_STREQ(p.entry, c.entry);
        SubjectListChoice choice;
        choice.setListType(1);
        choice.setExamKind(c.kindBefore);
        choice.rows[18] = {QStringLiteral("Alt"), QStringLiteral("ja")};
        EXPECT_EQ(choice.applyPreset(p, cls.subjects.subjectNames), c.atOnce) << c.entry;
        EXPECT_EQ(std::tuple(choice.visible, choice.listType(), choice.examKind()), std::tuple(true, c.type, c.kind))
            << c.entry;
        EXPECT_EQ(choice.rows[c.lastFilled].subject, cls.subjects.subjectNames[c.lastFilled + 2]) << c.entry;
        EXPECT_TRUE(choice.rows[19].subject.isEmpty()) << c.entry;
        // Only "Englisch" is marked, and only by the entries that print at once.
        EXPECT_EQ(choice.markedSubjects(), c.atOnce ? std::vector<int>{4} : std::vector<int>{}) << c.entry;
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
