#include "fakehost.h"

#include "app/scaling.h"
#include "app/startup.h"
#include "app/updates.h"
#include "classes/sharedstate.h"
#include "platform/scriptedprompt.h"
#include "platform/screen.h"
#include "platform/shell.h"
#include "support/tempfolder.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace hsa;

namespace {

const QString BR = QStringLiteral("\n\r");

// A start in a temporary program folder with scripted prompts, a recording
// shell and a fixed screen.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetState();
        startupHooks() = {};
        setShell(&shellDouble);
        setScreen(&screenDouble);
    }
    void TearDown() override
    {
        setShell(nullptr);
        setScreen(nullptr);
        startupHooks() = {};
        resetState();
    }
    // Runs the start with the version question answered by answer.
    void start(Answer answer = Answer::No)
    {
        ScopedPrompt guard(prompt);
        prompt.answer(answer);
        RunFormCreate(host);
    }
    QStringList urlsOpened() const
    {
        QStringList out;
        for (const auto& r : shellDouble.requests)
            if (r.what == "url")
                out << r.target;
        return out;
    }

    test::TempProgramFolder dir;
    ScriptedPrompt prompt;
    RecordingShell shellDouble;
    FixedScreen screenDouble{ScreenInfo{1024, 768, 96}};
    FakeHost host;
};

} // namespace

TEST(VersionPrompt, TextIsByteExact)
{
    const QString expected = QStringLiteral("Installierte Programmversion: KORVI_WENDRA-PRUEFER.C17") + BR + BR
        + "Ist diese Version C17  noch  A K T U E L L ?" + BR + BR
        + "Bitte überprüfen Sie das jetzt durch einen Blick auf die entsprechende Informationsseite," + BR
        + "damit die KORREKTHEIT aller Funktionen auch wirklich gewährleistet ist." + BR + BR
        + "Sie erfahren, ob eine aktualisierte Version drüberinstalliert werden muss." + BR + BR
        + "E I N V E R S T A N D E N ?";
    EXPECT_EQ(VersionPromptText(DesignCaption), expected);
    EXPECT_EQ(VersionLetter(DesignCaption), "C");
    EXPECT_EQ(VersionLetter(TerminalCaption), "C");
    EXPECT_EQ(VersionLetter("ohne Punkt"), "");
    EXPECT_EQ(TerminalCaption.indexOf("VERSION") - TerminalCaption.indexOf("C5") - 2, 13);
}

TEST(ScreenScaling, FormScaleFigures)
{
    struct Case {
        int w, h, usable;
        double factor;
        int formScale, afterImport;
    };
    // 4:3 screens keep the height rule; wider-than-tall ones are capped at
    // the usable width (a side taskbar takes its share).
    const Case cases[] = {
        {1024, 768, 0, 1.0, 1024, 768},  {1024, 768, 0, 1.25, 819, 614},  {1280, 1024, 0, 1.0, 1280, 1024},
        {1280, 1024, 0, 1.25, 1024, 819}, {1366, 768, 0, 1.0, 1024, 768},  {1920, 1080, 0, 1.0, 1440, 1080},
        {768, 1024, 0, 1.0, 768, 768},    {1024, 768, 960, 1.0, 960, 768},
    };
    for (const Case& c : cases) {
        const std::string row = std::to_string(c.w) + "x" + std::to_string(c.h) + " usable " + std::to_string(c.usable)
                                + " factor " + std::to_string(c.factor);
        EXPECT_EQ(ComputeScreenLayout(c.w, c.h, c.factor, c.usable).formScale, c.formScale) << row;
        EXPECT_EQ(FormScaleAfterImportDialog(c.h, c.factor, c.usable ? c.usable : c.w), c.afterImport) << row;
    }
    // Sizes are cut toward zero, never rounded: 38.4, 116.48, 36.8, 12.8.
    const ScreenLayout l = ComputeScreenLayout(1024, 768, 1.0);
    EXPECT_EQ(QList<int>({l.gridDefaultColWidth, l.gridCol0Width, l.gridRowHeight, l.gridFontSize}),
              QList<int>({38, 116, 36, 12}));
}

TEST_F(StartupTest, PlainFolderDefaults)
{
    start(Answer::No);
    const SharedState& st = state();
    EXPECT_EQ(st.programDir, QDir::currentPath());
    EXPECT_EQ(host.caption, DesignCaption);
    EXPECT_FALSE(st.terminalServerMode);
    EXPECT_TRUE(st.stickTransferEnabled);
    EXPECT_FALSE(st.accessLocked);
    EXPECT_EQ(host.helpFile, "darovari.chm");
    EXPECT_EQ(st.formScale, 1024);
    EXPECT_TRUE(host.layoutApplied);
    EXPECT_EQ(dir.read("vorhanden.dat"), QByteArray("C\r\n"));
    EXPECT_TRUE(st.versionCheckSkipped);
    EXPECT_TRUE(urlsOpened().isEmpty());
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(prompt.shown()[0].text, VersionPromptText(DesignCaption));
    EXPECT_EQ(prompt.shown()[0].buttons, Buttons::YesNo);
    EXPECT_EQ(prompt.shown()[0].kind, MsgKind::Plain);
}

TEST_F(StartupTest, SwitchFiles)
{
    dir.write("profilfach_zaehlt.txt", "x\r\n");
    dir.write("TERMINAL.DAT", "");
    dir.write("einaus.dat", "");
    dir.write("pw.dat", "abc\r\n");
    dir.write("updateh.exe", "old");
    dir.write("updateverbot.dat", "Verboten\r\n");
    dir.write("beenden.dat", "");
    start(Answer::No);
    const SharedState& st = state();
    EXPECT_FALSE(dir.exists("profilfach_zaehlt.txt"));
    EXPECT_TRUE(st.terminalServerMode);
    EXPECT_EQ(host.caption, TerminalCaption);
    EXPECT_FALSE(st.stickTransferEnabled);
    EXPECT_FALSE(dir.exists("pw.dat"));
    EXPECT_EQ(dir.read("pwrsa.dat"), QByteArray("abc\r\n"));
    EXPECT_TRUE(st.accessLocked);
    EXPECT_FALSE(dir.exists("updateh.exe"));
    EXPECT_TRUE(host.updateSwitchChecked);
    EXPECT_FALSE(dir.exists("beenden.dat"));
    // The terminal caption's version letter.
    EXPECT_EQ(dir.read("vorhanden.dat"), QByteArray("C\r\n"));
}

TEST_F(StartupTest, AddressesAndHelpFile)
{
    dir.write("url.dat", "https://update.example\r\nzweite Zeile\r\n");
    dir.write("homepage.dat", "https://home.example\r\n");
    dir.write("hilfedatei.txt", "eigene.chm\r\n");
    start(Answer::No);
    EXPECT_EQ(state().updateUrl, "https://update.example");
    EXPECT_EQ(state().homepageUrl, "https://home.example");
    EXPECT_EQ(state().helpFileName, "eigene.chm");
    EXPECT_EQ(host.helpFile, "eigene.chm");
    EXPECT_EQ(host.homepageCaption, "https://home.example");
}

TEST_F(StartupTest, UnreadableFileIsReportedAndStartGoesOn)
{
    QDir(dir.path()).mkdir("homepage.dat"); // exists, but cannot be read as a file
    start(Answer::No);
    EXPECT_TRUE(prompt.anyTextContains("homepage.dat"));
    EXPECT_EQ(prompt.shown().last().text, VersionPromptText(DesignCaption));
    EXPECT_EQ(dir.read("vorhanden.dat"), QByteArray("C\r\n"));
}

TEST_F(StartupTest, UpdaterReplacedAndFilesRefreshed)
{
    dir.write("down1.exe", "old updater, longer than the new one");
    dir.write("down2.exe", "new updater");
    dir.write("Darovari.chm", "help");
    dir.write("Darovari.eee", "");
    dir.write("libeay322.dll", "neu");
    dir.write("ssleay322.dll", "neu2");
    dir.write("ssleay32.dll", "alt2");
    start(Answer::No);
    EXPECT_FALSE(dir.exists("down2.exe"));
    EXPECT_EQ(dir.read("down1.exe"), QByteArray("new updater"));
    EXPECT_EQ(dir.read("Darovari.chm"), QByteArray("help"));
    EXPECT_FALSE(dir.exists("Darovari.eee"));
    EXPECT_FALSE(dir.exists("Darovari.tmp"));
    EXPECT_EQ(dir.read("libeay32.dll"), QByteArray("neu"));
    EXPECT_FALSE(dir.exists("libeay322.dll"));
    EXPECT_EQ(dir.read("ssleay32.dll"), QByteArray("alt2")); // the new name was taken
    EXPECT_FALSE(dir.exists("ssleay322.dll"));
}

TEST_F(StartupTest, RefreshMarkerWithoutFileIsConsumed)
{
    dir.write("down1.eee", "");
    start(Answer::No);
    EXPECT_FALSE(dir.exists("down1.eee"));
    EXPECT_FALSE(dir.exists("down1.exe"));
}

TEST_F(StartupTest, VersionCheckYesOpensThePage)
{
    dir.write("homepage.dat", "https://home.example\r\n");
    start(Answer::Yes);
    EXPECT_FALSE(state().versionCheckSkipped);
    EXPECT_EQ(urlsOpened(), QStringList({"https://home.example/wendra-version.htm"}));
    ASSERT_EQ(prompt.shown().size(), 2);
    EXPECT_EQ(prompt.shown()[1].text, "Die Information wird jetzt im Browser aufgerufen");
}

TEST_F(StartupTest, VersionCheckWithoutBrowserSwitchOrWithAFailingBrowser)
{
    dir.write("nicht_pruefen.txt", "Keinen Aktualitätsprüfung beim Start\r\n");
    start(Answer::Yes);
    EXPECT_FALSE(state().versionCheckSkipped);
    EXPECT_TRUE(urlsOpened().isEmpty());
    EXPECT_TRUE(prompt.anyTextContains("Die Information wird jetzt im Browser aufgerufen"));

    QFile::remove(dir.file("nicht_pruefen.txt"));
    shellDouble.result = false;
    start(Answer::Yes);
    EXPECT_TRUE(state().versionCheckSkipped);
    EXPECT_EQ(urlsOpened().size(), 1);
}

TEST_F(StartupTest, HooksRunInOrderAndEveningNotice)
{
    QStringList order;
    startupHooks().showSchoolType = [&] {
        order << "school";
        state().eveningSchoolMode = true;
    };
    startupHooks().loadFontFactor = [&] {
        order << "font";
        state().fontFactor = 1.25;
    };
    start(Answer::No);
    EXPECT_EQ(order, QStringList({"school", "font"}));
    EXPECT_EQ(state().formScale, 819);
    ASSERT_EQ(prompt.shown().size(), 2);
    EXPECT_TRUE(prompt.shown()[1].text.startsWith("ABENDREALSCHULE"));
}

TEST_F(StartupTest, HighDensityScreen)
{
    screenDouble.facts = ScreenInfo{1024, 768, 120};
    start(Answer::No);
    EXPECT_DOUBLE_EQ(state().fontFactor, 1.25);
    EXPECT_EQ(state().formScale, 819);
}
