#include "platform/prompt.h"
#include "platform/qtprompt.h"
#include "platform/scriptedprompt.h"
#include "platform/shell.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hsa;

TEST(Prompt, DisplayTextTurnsLineBreakPairsIntoOneBreak)
{
    EXPECT_EQ(displayText("a\n\rb\n\r\n\rc"), "a\nb\n\nc");
    EXPECT_EQ(displayText("a\r\nb"), "a\nb");
    EXPECT_EQ(displayText("a\rb"), "ab");
    EXPECT_EQ(displayText("ohne"), "ohne");
}

TEST(ScriptedPrompt, AnswersInOrderAndRecordsTexts)
{
    ScriptedPrompt p;
    ScopedPrompt guard(p);
    p.yes().text("9a").cancelText().choice(2).no();
    EXPECT_TRUE(askYesNo("Frage 1?"));
    EXPECT_EQ(prompts().input("Titel", "Klasse:", "9"), std::optional<QString>("9a"));
    EXPECT_EQ(prompts().input("Titel", "Jahr:", ""), std::nullopt);
    EXPECT_EQ(prompts().choose("Titel", "Wahl", {"a", "b", "c"}), std::optional<int>(2));
    showWarning("Achtung");
    EXPECT_FALSE(askYesNo("Frage 2?"));
    EXPECT_EQ(p.texts(), QStringList({"Frage 1?", "Klasse:", "Jahr:", "Wahl", "Achtung", "Frage 2?"}));
    EXPECT_EQ(p.shown()[1].preset, "9");
    EXPECT_EQ(p.shown()[4].kind, MsgKind::Warning);
    EXPECT_EQ(p.remainingAnswers(), 0);
}

TEST(ScriptedPrompt, UnscriptedOrMismatchedAnswersRaise)
{
    ScriptedPrompt p;
    EXPECT_THROW(p.ask(MsgKind::Confirmation, "?", Buttons::YesNo, {}), ScriptedPrompt::UnscriptedPrompt);
    p.text("x");
    // A text answer does not answer a question.
    EXPECT_THROW(p.ask(MsgKind::Confirmation, "?", Buttons::YesNo, {}), ScriptedPrompt::UnscriptedPrompt);
    p.setDefaultAnswer(Answer::No);
    EXPECT_EQ(p.ask(MsgKind::Confirmation, "?", Buttons::YesNo, {}), Answer::No);
    EXPECT_EQ(p.input("c", "l", {}), std::optional<QString>("x"));
    EXPECT_THROW(p.password("c", "l"), ScriptedPrompt::UnscriptedPrompt);
}

TEST(SystemShell, FindsAndEndsProcessesByProgramName)
{
    // A copy of sleep under a name of our own, so nothing else matches.
    QTemporaryDir dir;
    const QString exe = dir.filePath("down1test.exe");
    ASSERT_TRUE(QFile::copy("/bin/sleep", exe));
    QFile::setPermissions(exe, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
    QProcess p;
    p.start(exe, {"30"});
    ASSERT_TRUE(p.waitForStarted(5000));
    EXPECT_TRUE(shell().isProcessRunning("DOWN1TEST.EXE"));
    EXPECT_FALSE(shell().isProcessRunning("down1test"));
    EXPECT_EQ(shell().terminateProcessesNamed({"DOWN1TEST.exe"}), 1);
    EXPECT_TRUE(p.waitForFinished(5000));
    EXPECT_FALSE(shell().isProcessRunning("down1test.exe"));
}

TEST(SystemShell, StartDetachedReportsFailure)
{
    EXPECT_FALSE(shell().startDetached("/nonexistent/program", {}, "/"));
    QTemporaryDir dir;
    EXPECT_TRUE(shell().startDetached("/bin/sh", {"-c", "echo x > started.txt"}, dir.path()));
    for (int i = 0; i < 50 && !QFile::exists(dir.filePath("started.txt")); ++i)
        QThread::msleep(50);
    EXPECT_TRUE(QFile::exists(dir.filePath("started.txt")));
    EXPECT_FALSE(shell().openFile(dir.filePath("missing.pdf")));
}

// Return in the real box presses its default button: "Nein" before anything
// is deleted or overwritten, "Ja" for an ordinary question.
TEST(QtPrompt, ReturnPressesTheDefaultButton)
{
    QtPrompt qt;
    Prompt& window = qt;
    for (const auto& [defaultNo, expected] : {std::pair{true, Answer::No}, std::pair{false, Answer::Yes}}) {
        QTimer::singleShot(0, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                QTest::keyClick(box, Qt::Key_Return);
        });
        const Answer a = defaultNo ? window.ask(MsgKind::Confirmation, "löschen?", Buttons::YesNo, {}, Answer::No)
                                   : window.ask(MsgKind::Confirmation, "weiter?", Buttons::YesNo);
        EXPECT_EQ(a, expected) << defaultNo;
    }
}
