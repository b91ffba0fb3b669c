// The exam-board names entry: the class's "vor" file, written only when both names are confirmed.
#include "classes/sharedstate.h"
#include "platform/scriptedprompt.h"
#include "print/examboardentry.h"
#include "support/tempfolder.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace hsa;

TEST(ExamBoardEntry, WritesBothNamesOnlyWhenBothAreConfirmed)
{
    struct Case { const char* name; bool confirmChair, confirmHead; };
    const Case cases[] = {{"both", true, true}, {"chair cancelled", false, true}, {"head cancelled", true, false}};
    const QByteArray before = "Alt Vorsitz\r\nAlt Leitung\r\n";
    for (const Case& c : cases) {
        resetState();
        test::TempProgramFolder folder;
        folder.write("VOR2526X.DAT", before); // found whatever its case
        std::tie(state().programDir, state().openClassFile, state().examChairName, state().headTeacherName) =
            std::tuple(folder.path(), "xa_25262.dbf", "Alt Vorsitz", "Alt Leitung");
        ScriptedPrompt prompt;
        ScopedPrompt guard(prompt);
        c.confirmChair ? prompt.text("Dr. Müller") : prompt.cancelText();
        if (c.confirmChair)
            c.confirmHead ? prompt.text("Frau Özdemir") : prompt.cancelText();
        const bool both = c.confirmChair && c.confirmHead;
        EXPECT_EQ(EnterExamBoardNames(), both) << c.name;
        EXPECT_EQ(folder.read("VOR2526X.DAT"), both ? QByteArray("Dr. M\xfcller\r\nFrau \xd6zdemir\r\n") : before)
            << c.name;
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1) << c.name; // no stray copy
        EXPECT_EQ(std::pair(state().inputOk, prompt.remainingAnswers()), std::pair(both, 0)) << c.name;
    }
}
