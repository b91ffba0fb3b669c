#include "platform/errors.h"
#include "platform/scriptedprompt.h"
#include "platform/slotguard.h"

#include <QPushButton>
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

using namespace hsa;

// Whatever the work of a slot throws, the click returns to its caller, the
// slot runs on after the guard and the user sees the right message once.
TEST(SlotGuard, ErrorsAreShownAndStayInTheSlot)
{
    struct Case {
        const char* name;
        std::function<void()> fail;   // what the work does after its first step
        bool ranThrough;
        QString shown;                // empty: no message at all
    };
    const Case cases[] = {
        {"no error", [] {}, true, {}},
        {"file error", [] { throw FileError(QStringLiteral("Datei C:\\kl\\10a.dbf kann nicht geöffnet werden")); },
         false, QStringLiteral("Datei C:\\kl\\10a.dbf kann nicht geöffnet werden")},
        {"runtime error", [] { throw std::runtime_error("index 12 past the end"); }, false,
         QStringLiteral("Unerwarteter Fehler: index 12 past the end")},
        {"logic error", [] { throw std::out_of_range("Zeile 7"); }, false,
         QStringLiteral("Unerwarteter Fehler: Zeile 7")},
        {"out of memory", [] { throw std::bad_alloc(); }, false,
         QStringLiteral("Unerwarteter Fehler: ") + QString::fromLocal8Bit(std::bad_alloc().what())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPrompt prompt;
        ScopedPrompt scoped(prompt);
        QPushButton button;
        bool firstStep = false;
        bool finished = false;
        bool slotRanOn = false;
        bool result = !c.ranThrough;
        QObject::connect(&button, &QPushButton::clicked, &button, [&] {
            result = runGuarded([&] {
                firstStep = true;
                c.fail();
                finished = true;
            });
            slotRanOn = true;
        });

        EXPECT_NO_THROW(button.click());

        EXPECT_TRUE(slotRanOn);
        EXPECT_TRUE(firstStep);   // what the work did before the error stays done
        EXPECT_EQ(finished, c.ranThrough);
        EXPECT_EQ(result, c.ranThrough);
        if (c.shown.isEmpty()) {
            EXPECT_TRUE(prompt.shown().isEmpty());
        } else {
            ASSERT_EQ(prompt.shown().size(), 1);
            EXPECT_EQ(prompt.shown().front().call, ScriptedPrompt::Call::Message);
            EXPECT_EQ(prompt.shown().front().kind, MsgKind::Error);
            EXPECT_EQ(prompt.shown().front().text, c.shown);
        }
    }
}
