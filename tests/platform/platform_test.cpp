#include "platform/prompt.h"
#include "platform/help.h"
#include "platform/qtprompt.h"
#include "platform/scriptedprompt.h"
#include "platform/shell.h"
#include "support/privatedesktop.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

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

// A page counts as opened only when the desktop opener says a program took
// it: on a real X display, with no browser, a failing one, one that hands the
// page on and ends, and one that keeps running with it.
TEST(SystemShell, OpenUrlTellsWhetherABrowserTookThePage)
{
    test::OnPrivateDesktop([](test::PrivateDesktop& desktop) {
        using Browser = test::PrivateDesktop::Browser;
        const QString opener = QStandardPaths::findExecutable("xdg-open");
        const auto openUrl = [](const QString& u) { return shell().openUrl(u); };
        const struct {
            const char* name;
            std::optional<Browser> browser;
            std::function<bool(const QString&)> open;
            bool opened;
        } rows[] = {
            {"no browser", std::nullopt, openUrl, false},
            {"browser fails", Browser::Fails, openUrl, false},
            {"opener missing", Browser::Hands,
             [](const QString& u) { return OpenWithDesktopOpener("/nonexistent/opener", u, 20000); }, false},
            {"browser hands the page on", Browser::Hands, openUrl, true},
            {"browser stays with the page", Browser::Stays,
             [&](const QString& u) { return OpenWithDesktopOpener(opener, u, 300); }, true},
        };
        QStringList expected;
        for (const auto& r : rows) {
            SCOPED_TRACE(r.name);
            if (r.browser)
                desktop.registerBrowser(*r.browser);
            const QString page = QStringLiteral("https://wendra.example/%1.htm?a=1&b=2").arg(expected.size());
            EXPECT_EQ(r.open(page), r.opened);
            if (r.opened)
                expected << page;
            EXPECT_EQ(desktop.openedAddresses(expected.size()).join(' '), expected.join(' '));
        }
    });
}

// A document counts as opened only when a program took it: on a real X
// display, with no program for it, a failing one, one that takes it from the
// desktop opener and an office suite that is told the jump mark.  Help that
// no help viewer shows goes the same way and says when it could not.
TEST(SystemShell, OpenFileTellsWhetherAProgramTookTheFile)
{
    test::OnPrivateDesktop([](test::PrivateDesktop& desktop) {
        using Kind = test::PrivateDesktop::Browser;
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString docx = dir.filePath("Müller_Anna.docx");
        const QString pdf = dir.filePath("Kurzinfo.pdf");
        ASSERT_TRUE(QFile::copy(QStringLiteral(HSA_DATA_DIR "/doc/anlage.docx"), docx));
        QFile f(pdf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4\n%%EOF\n");
        f.close();
        const QStringList word{"application/vnd.openxmlformats-officedocument.wordprocessingml.document"};
        const QStringList viewer{"application/pdf"};
        ScriptedPrompt prompt;
        ScopedPrompt scope(prompt);
        const auto showHelp = [&](const QString&) { return help().showTopic(dir.path(), "kurzinfo.PDF", 12); };
        const auto at = [](const QString& p) { return shell().openFileAt(p, "Verbal"); };
        const auto plain = [](const QString& p) { return shell().openFile(p); };
        const struct {
            const char* name;
            std::optional<Kind> kind;
            const char* program;
            QStringList types;
            std::function<bool(const QString&)> open;
            QString file;
            QString recorded; // empty: not opened
            QString said = {};
        } rows[] = {
            {"no word processor", std::nullopt, "", {}, plain, docx, ""},
            {"no word processor, at a mark", std::nullopt, "", {}, at, docx, ""},
            {"no viewer for help", std::nullopt, "", {}, showHelp, pdf, "",
             "Die Hilfedatei kurzinfo.PDF kann auf diesem Rechner nicht angezeigt werden."},
            {"word processor fails", Kind::Fails, "textverarbeitung", word, plain, docx, ""},
            {"office suite fails", Kind::Fails, "soffice-ersatz", word, at, docx, ""},
            {"word processor", Kind::Hands, "textverarbeitung", word, plain, docx, docx},
            {"other word processor, at a mark", Kind::Hands, "textverarbeitung", word, at, docx, docx},
            {"office suite, at a mark", Kind::Hands, "soffice-ersatz", word, at, docx,
             QUrl::fromLocalFile(docx).toString(QUrl::FullyEncoded) + "#Verbal"},
            {"PDF viewer", Kind::Hands, "pdf-ersatz", viewer, plain, pdf, pdf},
            {"help in the PDF viewer", Kind::Hands, "pdf-ersatz", viewer, showHelp, pdf, pdf},
        };
        QStringList expected;
        for (const auto& r : rows) {
            SCOPED_TRACE(r.name);
            if (r.kind)
                desktop.registerHandler(*r.kind, r.program, r.types);
            prompt.clear();
            EXPECT_EQ(r.open(r.file), !r.recorded.isEmpty());
            if (!r.recorded.isEmpty())
                expected << r.recorded;
            EXPECT_EQ(desktop.openedAddresses(expected.size()).join(' ').toStdString(),
                      expected.join(' ').toStdString());
            EXPECT_EQ(prompt.texts().join(" | ").toStdString(), r.said.toStdString());
        }
    });
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
