// A failure inside a menu handler ends as a message, never thrown into the
// event loop.
#include "app/mainmenu.h"
#include "app/mainwindow.h"
#include "platform/errors.h"
#include "support/programwindows.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace hsa;

using MenuGuard = test::ProgramWindowsFixture;

TEST_F(MenuGuard, FileErrorsAndOtherFailuresOfAHandlerBecomeMessages)
{
    ASSERT_NE(form, nullptr);
    RegisterMenuHandler("GuardFileError", [] {
        throw FileError(QStringLiteral("Datei C:\\x\\v.3 kann nicht geöffnet werden"));
    });
    RegisterMenuHandler("GuardStdError", [] { throw std::runtime_error("kaputt"); });

    EXPECT_NO_THROW(form->trigger("GuardFileError"));
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_EQ(prompt.texts().first(), QStringLiteral("Datei C:\\x\\v.3 kann nicht geöffnet werden"));

    prompt.clear();
    EXPECT_NO_THROW(form->trigger("GuardStdError"));
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().first().contains("kaputt"));
    RegisterMenuHandler("GuardFileError", {});
    RegisterMenuHandler("GuardStdError", {});
}
