// The menu "D&rucken" reaches a handler from every entry; the hidden
// certificate entries stay hidden.
#include "app/mainmenu.h"
#include "support/programwindows.h"

#include <QAction>
#include <QSet>

using namespace hsa;

namespace {

using PrintEntriesTest = test::ProgramWindowsFixture;

TEST_F(PrintEntriesTest, EveryPrintEntryHasItsHandler)
{
    QSet<QString> inPrintMenu{QStringLiteral("Drucken1")};
    QSet<QString> parents;
    for (const MenuEntryDef& d : MainMenuDefinition())
        parents.insert(d.parent);
    int leaves = 0;
    for (const MenuEntryDef& d : MainMenuDefinition()) {
        if (!inPrintMenu.contains(d.parent))
            continue;
        inPrintMenu.insert(d.name);
        if (parents.contains(d.name))
            continue;
        ++leaves;
        EXPECT_TRUE(HasMenuHandler(d.name)) << d.name.toStdString();
    }
    EXPECT_EQ(leaves, 7 * 3 + 9 + 4 + 2 + 1 + 8); // with the seven subject lists and the note pages
    EXPECT_TRUE(HasMenuHandler(QStringLiteral("Druckstarten1")));
    for (const char* hidden : {"Zeugnisse1", "PTInformation1", "AZAbschrift1"})
        EXPECT_FALSE(form->menuEntry(QString::fromLatin1(hidden))->isVisible()) << hidden;
    EXPECT_TRUE(form->menuEntry(QStringLiteral("MPSchuelerblatt1"))->isVisible());

    // The copy entries tell the exam-board names first; without a class
    // nothing is printed.
    state().examChairName = QStringLiteral("Dr. Vogt");
    form->trigger(QStringLiteral("MarkierterSchler5"));
    EXPECT_TRUE(prompt.lastText().endsWith(QStringLiteral("Prüfungsvorsitzende/r: Dr. Vogt\n\r"
                                                          "Schulleiter/in:                 ")));
    EXPECT_EQ(state().printDocKind, 6);
}

} // namespace
