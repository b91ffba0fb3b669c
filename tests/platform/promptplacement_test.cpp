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
