// Where the program's questions stand on the screen.

#include "platform/prompt.h"
#include "platform/qtprompt.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace hsa;

// A question stands centred over the window the user works in, also when
// no window is active at that moment (a dialog has just closed and the
// desktop has not yet activated the window below it) or when the window
// last active has already gone from the screen.
TEST(QtPrompt, QuestionStandsCentredOverTheWindowThatAsked)
{
    QMainWindow main;
    main.setGeometry(40, 60, 360, 240);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    QDialog gone(&main);
    const struct {
        const char* name;
        std::function<void()> before;
    } cases[] = {
        {"main window active", [&] { QApplication::setActiveWindow(&main); }},
        {"no window active", [] { QApplication::setActiveWindow(nullptr); }},
        {"the active window went away",
         [&] {
             gone.show();
             QApplication::setActiveWindow(&gone);
             gone.hide();
         }},
    };
    QtPrompt qt;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        QWidget* parent = nullptr;
        QRect box;
        QTimer::singleShot(0, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                parent = w->parentWidget();
                box = w->frameGeometry();
                QTest::keyClick(w, Qt::Key_Return);
            }
        });
        static_cast<Prompt&>(qt).ask(MsgKind::Confirmation, "Liste im Querformat?", Buttons::YesNo);
        EXPECT_EQ(parent, &main);
        const QPoint off = box.center() - main.frameGeometry().center();
        EXPECT_LE(off.manhattanLength(), 4) << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
    }
}

// A short question leaves the desktop room for the program's whole caption
// in the title bar, in each kind of box: the desktop centres the caption
// between the window's icon and its three buttons, each about a line high
// and wide with a gap, so that room counts on both sides.  A box never grows
// past the screen.
TEST(QtPrompt, BoxesAreWideEnoughForTheirWholeCaption)
{
    QMainWindow main;
    main.setGeometry(40, 60, 600, 400);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    QApplication::setActiveWindow(&main);
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetrics fm(bold);
    const int buttons = 2 * 3 * (fm.height() + 2);
    const int screenWidth = main.screen()->availableGeometry().width();
    QtPrompt qt;
    Prompt& p = qt;
    const QString program = QStringLiteral("KORVI_Wendra_Pruefer");
    const struct {
        const char* name;
        QString caption;
        std::function<void(const QString&)> run;
    } cases[] = {
        {"question", program, [&](const QString& c) { p.ask(MsgKind::Confirmation, "Klasse sortieren?", Buttons::YesNo, c); }},
        {"message", program, [&](const QString& c) { p.message(MsgKind::Information, "OK", c); }},
        {"input", "Neue Klasse (2 Zeichen)", [&](const QString& c) { p.input(c, "z.B. 9a,9b, xa ...", "xa"); }},
        {"input with a label shorter than its caption", "Schuljahr für die Klasse xa",
         [&](const QString& c) { p.input(c, "z.B. 2122", ""); }},
        {"password", "Sonderfunktionen", [&](const QString& c) { p.password(c, "Passwort"); }},
        {"choice", "Drucker wählen", [&](const QString& c) { p.choose(c, "Drucker", {"A", "B"}, 0); }},
        {"caption longer than the screen", program.repeated(200),
         [&](const QString& c) { p.message(MsgKind::Information, "OK", c); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int width = 0;
        int inner = 0;
        QTimer::singleShot(0, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                width = w->frameGeometry().width();
                inner = w->width();
                QTest::keyClick(w, Qt::Key_Escape);
            }
        });
        c.run(c.caption);
        EXPECT_GE(width, std::min(fm.horizontalAdvance(c.caption) + buttons, screenWidth - 20));
        EXPECT_LE(inner, screenWidth);
    }
}
