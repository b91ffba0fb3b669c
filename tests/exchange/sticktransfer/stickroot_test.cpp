// The question for the stick: the ready sticks offered in the prompt, or,
// without any, the folder dialog with the word that any folder will do.
#include "classes/drives.h"
#include "classes/sharedstate.h"
#include "exchange/stickroot.h"
#include "platform/scriptedprompt.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hsa;

TEST(StickRoot, OffersTheSticksOrAnyFolder)
{
    QTemporaryDir stick, folder;
    using Call = ScriptedPrompt::Call;
    const struct {
        const char* name;
        bool withStick;
        std::optional<QString> answer; // nullopt: cancelled
        QList<Call> calls;
        std::optional<QString> root;
    } rows[] = {
        {"stick offered", true, stick.path(), {Call::Input}, stick.path()},
        {"no stick: a folder", false, folder.path(), {Call::Message, Call::Folder}, folder.path()},
        {"no stick: cancelled", false, std::nullopt, {Call::Message, Call::Folder}, std::nullopt},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        resetState();
        // The system's disk, and the stick when there is one.
        SetVolumeSource([&] {
            QList<VolumeInfo> v{{"/", "/dev/sda1", "ext4", "", true, false, false}};
            if (r.withStick)
                v.append({stick.path(), "/dev/sdb1", "vfat", "STICK", true, false, true});
            return v;
        });
        ScriptedPrompt prompt;
        ScopedPrompt guard(prompt);
        r.answer ? prompt.text(*r.answer) : prompt.cancelText();
        EXPECT_EQ(AskStickRoot(QStringLiteral("Klasse auf USB ausspielen  ")), r.root);
        EXPECT_EQ(state().inputOk, r.root.has_value());
        QList<Call> calls;
        for (const auto& s : prompt.shown())
            calls << s.call;
        EXPECT_EQ(calls, r.calls);
        if (r.withStick) {
            EXPECT_EQ(prompt.shown()[0].text, "Mögliche Laufwerke:     " + stick.path() + "   ");
            EXPECT_EQ(prompt.shown()[0].preset, stick.path());
        } else {
            EXPECT_TRUE(prompt.shown()[0].text.contains("Jeder Ordner kann als Stick dienen"));
            EXPECT_EQ(prompt.shown()[1].caption, "Klasse auf USB ausspielen: Ordner wählen, der als Stick dient");
        }
        SetVolumeSource(nullptr);
    }
}
