#include "platform/prompt.h"
#include "platform/qtprompt.h"
#include "platform/scriptedprompt.h"
#include "platform/shell.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hsa;

TEST(Prompt, DisplayTextTurnsLineBreakPairsIntoOneBreak)
{
    for (const auto& [in, out] : {std::pair{"a\n\rb\n\r\n\rc", "a\nb\n\nc"}, {"a\r\nb", "a\nb"}, {"a\rb", "ab"}})
        EXPECT_EQ(displayText(in), out) << in;
}

// A test never passes on a question it did not expect: a text answer does
// not answer a question.
TEST(ScriptedPrompt, UnscriptedOrMismatchedAnswersRaise)
{
    ScriptedPrompt p;
    p.text("x");
    EXPECT_THROW(p.ask(MsgKind::Confirmation, "?", Buttons::YesNo, {}), ScriptedPrompt::UnscriptedPrompt);
    EXPECT_EQ(p.input("c", "l", {}), std::optional<QString>("x"));
    EXPECT_THROW(p.password("c", "l"), ScriptedPrompt::UnscriptedPrompt);
}

TEST(SystemShell, FindsEndsAndStartsProcesses)
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
    // Starting and opening report failure.
    EXPECT_FALSE(shell().startDetached("/nonexistent/program", {}, "/"));
    EXPECT_TRUE(shell().startDetached("/bin/sh", {"-c", "echo x > started.txt"}, dir.path()));
    for (int i = 0; i < 50 && !QFile::exists(dir.filePath("started.txt")); ++i)
        QThread::msleep(50);
    EXPECT_TRUE(QFile::exists(dir.filePath("started.txt")));
    EXPECT_FALSE(shell().openFile(dir.filePath("missing.pdf")));
}

// Only an office suite is told the jump mark; its entry's file code takes the
// URL, and the other codes of the desktop entry are dropped.
TEST(SystemShell, JumpMarkCommandsForOfficeHandlers)
{
    const QString url = "file:///k/9a/M%C3%BCller_Anna.docx#Verbal";
    for (const auto& [exec, cmd] :
         {std::pair{"libreoffice --writer %U", QStringList{"libreoffice", "--writer", url}},
          {"/usr/lib/libreoffice/program/soffice %F", {"/usr/lib/libreoffice/program/soffice", url}},
          {"soffice --writer", {"soffice", "--writer", url}},
          {"libreoffice --writer %i %c %U %U", {"libreoffice", "--writer", url}},
          {"abiword %U", {}},
          {"", {}}})
        EXPECT_EQ(JumpMarkCommand(exec, url), cmd) << exec;
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

// A message box gives its first line the height it needs: the dots of a
// capital umlaut there are drawn whole, not cut off at the top of the text.
TEST(QtPrompt, FirstLineKeepsTheDotsOfCapitalUmlauts)
{
    QtPrompt qt;
    for (const QString& text : {QStringLiteral("Übernahme"),
                                QStringLiteral("H I N W E I S :   A K T U A L I T Ä T S P R Ü F U N G \n\rZeile 2")}) {
        SCOPED_TRACE(text.toStdString());
        int inkInTopRow = -1;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            ASSERT_TRUE(label);
            const QImage image = label->grab().toImage();
            inkInTopRow = 0;
            for (int x = 0; x < image.width(); ++x)
                inkInTopRow += qGray(image.pixel(x, 0)) < 128;
            box->accept();
        });
        static_cast<Prompt&>(qt).message(MsgKind::Information, text);
        EXPECT_EQ(inkInTopRow, 0);
    }
}
