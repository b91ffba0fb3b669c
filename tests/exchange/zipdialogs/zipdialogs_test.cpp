#include "exchange/zipdialogs.h"
#include "platform/scriptedprompt.h"
#include "zip/archiver.h"

#include <gtest/gtest.h>

using namespace hsa;
using Dlg = zip::ZipDialogs;

TEST(PromptZipDialogs, AnswersMapToTheEngine)
{
    ScriptedPrompt p;
    ScopedPrompt guard(p);
    PromptZipDialogs d;
    p.yes().no().cancel();
    EXPECT_EQ(d.AskOverwrite("Overwrite file \"a\" with \"b\""), Dlg::OverwriteAnswer::Yes);
    EXPECT_EQ(d.AskOverwrite("x"), Dlg::OverwriteAnswer::No);
    EXPECT_EQ(d.AskOverwrite("x"), Dlg::OverwriteAnswer::NoToAll);
    EXPECT_EQ(p.shown()[0].text, "Overwrite file \"a\" with \"b\"");

    p.yes().no().cancel().yes().no();
    EXPECT_EQ(d.AskFailure("f", true), Dlg::FailureAnswer::Retry);
    EXPECT_EQ(d.AskFailure("f", true), Dlg::FailureAnswer::Ignore);
    EXPECT_EQ(d.AskFailure("f", true), Dlg::FailureAnswer::Abort);
    EXPECT_EQ(d.AskFailure("f", false), Dlg::FailureAnswer::Ignore);
    EXPECT_EQ(d.AskFailure("f", false), Dlg::FailureAnswer::Abort);

    p.answer(Answer::Ok).cancel();
    EXPECT_TRUE(d.AskOkCancel("Bitte Diskette 2 einlegen"));
    EXPECT_FALSE(d.AskOkCancel("Bitte Diskette 3 einlegen"));

    p.text("Grüße").cancelText();
    EXPECT_EQ(d.AskPassword("Password for \"x\"", "Enter password: "), std::optional<std::string>("Grüße"));
    EXPECT_EQ(d.AskPassword("c", "l"), std::nullopt);
}
