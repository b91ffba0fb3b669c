#include "app/apphooks.h"
#include "app/mainlogic.h"
#include "app/mainwindow.h"
#include "app/programblock.h"
#include "app/scaling.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "app/updates.h"
#include "app/webentries.h"
#include "platform/errors.h"
#include "platform/instanceguard.h"
#include "platform/programwide.h"
#include "support/programwindows.h"
#include "support/scopedhook.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace hsa;

namespace {

using StartupTest = test::StartupFixture;

} // namespace

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
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " usable " + std::to_string(c.usable)
                     + " factor " + std::to_string(c.factor));
        EXPECT_EQ(ComputeScreenLayout(c.w, c.h, c.factor, c.usable).formScale, c.formScale);
        EXPECT_EQ(FormScaleAfterImportDialog(c.h, c.factor, c.usable ? c.usable : c.w), c.afterImport);
    }
    // Sizes are cut toward zero, never rounded: 38.4, 116.48, 36.8, 12.8.
    const ScreenLayout l = ComputeScreenLayout(1024, 768, 1.0);
    EXPECT_EQ(QList<int>({l.gridDefaultColWidth, l.gridCol0Width, l.gridRowHeight, l.gridFontSize}),
              QList<int>({38, 116, 36, 12}));
}

// An empty folder, then one with every switch and address file; every start
// begins locked and rewrites the version file.
TEST_F(StartupTest, SwitchAndAddressFiles)
{
    dir.write("vorhanden.dat", "alt");
    state().accessLocked = true;
    start();
    const SharedState& st = state();
    EXPECT_EQ(form->windowTitle(), DesignCaption);
    EXPECT_TRUE(st.stickTransferEnabled);
    EXPECT_FALSE(st.accessLocked);
    EXPECT_EQ(st.formScale, 1024);
    EXPECT_EQ(dir.read("vorhanden.dat"), QByteArray("C\r\n"));
    for (const auto& [name, content] :
         {std::pair{"profilfach_zaehlt.txt", "x\r\n"}, {"TERMINAL.DAT", ""}, {"einaus.dat", ""}, {"pw.dat", "abc\r\n"},
          {"updateh.exe", "old"}, {"updateverbot.dat", "Verboten\r\n"}, {"beenden.dat", ""}, {"vorhanden.dat", "alt"},
          {"url.dat", "https://update.example\r\nzweite Zeile\r\n"}, {"homepage.dat", "https://home.example\r\n"},
          {"hilfedatei.txt", "eigene.chm\r\n"}})
        dir.write(name, content);
    state().accessLocked = true;
    start();
    for (const char* gone : {"profilfach_zaehlt.txt", "pw.dat", "updateh.exe", "beenden.dat"})
        EXPECT_FALSE(dir.exists(gone)) << gone;
    EXPECT_TRUE(st.terminalServerMode);
    EXPECT_EQ(form->windowTitle(), TerminalCaption);
    EXPECT_FALSE(st.stickTransferEnabled);
    EXPECT_EQ(dir.read("pwrsa.dat"), QByteArray("abc\r\n"));
    EXPECT_TRUE(st.accessLocked);
    EXPECT_TRUE(form->menuEntry("SchalterHinweiseaufvorhandenesINTERNETUPDATEunterbinden1")->isChecked());
    EXPECT_EQ(dir.read("vorhanden.dat"), QByteArray("C\r\n")); // the terminal caption's letter
    EXPECT_EQ(st.updateUrl, "https://update.example");
    EXPECT_EQ(form->menuEntry("Internetupdate1")->text(), "https://home.example");
    EXPECT_EQ(form->helpFile(), "eigene.chm");
}

TEST_F(StartupTest, UnreadableFileIsReportedAndStartGoesOn)
{
    QDir(dir.path()).mkdir("homepage.dat"); // exists, but cannot be read as a file
    start();
    EXPECT_TRUE(prompt.anyTextContains("homepage.dat"));
    EXPECT_EQ(prompt.shown().last().text, VersionPromptText(DesignCaption));
    EXPECT_EQ(dir.read("vorhanden.dat"), QByteArray("C\r\n"));
}

TEST_F(StartupTest, UpdaterReplacedAndFilesRefreshed)
{
    dir.write("down1.exe", "old updater, longer than the new one");
    QDir(dir.path()).mkdir("down2.exe"); // a new updater that cannot be read leaves the old one whole
    start();
    EXPECT_EQ(dir.read("down1.exe"), QByteArray("old updater, longer than the new one"));
    QDir(dir.path()).rmdir("down2.exe");
    dir.write("down2.exe", "new updater");
    dir.write("down1.eee", "");
    dir.write("Darovari.eee", ""); // a marker without its file is only consumed
    dir.write("libeay322.dll", "neu");
    dir.write("ssleay322.dll", "neu2");
    dir.write("ssleay32.dll", "alt2");
    start();
    for (const char* gone :
         {"down2.exe", "down1.eee", "Darovari.eee", "Darovari.chm", "libeay322.dll", "ssleay322.dll"})
        EXPECT_FALSE(dir.exists(gone)) << gone;
    EXPECT_EQ(dir.read("down1.exe"), QByteArray("new updater"));
    EXPECT_EQ(dir.read("libeay32.dll"), QByteArray("neu"));
    EXPECT_EQ(dir.read("ssleay32.dll"), QByteArray("alt2")); // the new name was taken
}

// Yes opens the version page unless the switch file says not to; a browser
// that does not take the page counts as skipped.
TEST_F(StartupTest, VersionCheck)
{
    const QString br = QStringLiteral("\n\r");
    const QStringList question{
        "Installierte Programmversion: KORVI_WENDRA-PRUEFER.C17" + br + br
        + "Ist diese Version C17  noch  A K T U E L L ?" + br + br
        + "Bitte überprüfen Sie das jetzt durch einen Blick auf die entsprechende Informationsseite," + br
        + "damit die KORREKTHEIT aller Funktionen auch wirklich gewährleistet ist." + br + br
        + "Sie erfahren, ob eine aktualisierte Version drüberinstalliert werden muss." + br + br
        + "E I N V E R S T A N D E N ?"};
    const QString notice = "Die Information wird jetzt im Browser aufgerufen";
    dir.write("homepage.dat", "https://home.example\r\n");
    const struct {
        Answer answer;
        bool switchFile, browserOk, skipped;
        QStringList pages;
    } rows[] = {
        {Answer::No, false, true, true, {}},
        {Answer::Yes, false, true, false, {"https://home.example/wendra-version.htm"}},
        {Answer::Yes, true, true, false, {}},
        {Answer::Yes, false, false, true, {"https://home.example/wendra-version.htm"}},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const auto& r = rows[i];
        QFile::remove(dir.file("nicht_pruefen.txt"));
        if (r.switchFile)
            dir.write("nicht_pruefen.txt", "x\r\n");
        shellDouble.result = r.browserOk;
        shellDouble.requests.clear();
        prompt.clear();
        start(r.answer);
        EXPECT_EQ(state().versionCheckSkipped, r.skipped);
        EXPECT_EQ(shellDouble.requests.size(), r.pages.size());
        for (const auto& req : shellDouble.requests)
            EXPECT_EQ(req.target, r.pages.value(0));
        QStringList told = r.answer == Answer::Yes ? question + QStringList{notice} : question;
        if (!r.browserOk)
            told << "Die Seite https://home.example/wendra-version.htm konnte nicht geöffnet werden.";
        EXPECT_EQ(prompt.texts(), told);
    }
}

// The school type comes before the fonts; the display's factor comes
// before the font file's.
TEST_F(StartupTest, HooksRunInOrderAndEveningNotice)
{
    screenDouble.facts = ScreenInfo{1024, 768, 120};
    QStringList order;
    const test::ScopedHook school(startupHooks().showSchoolType, [&] {
        order << "school";
        state().eveningSchoolMode = true;
    });
    const test::ScopedHook font(startupHooks().loadFontFactor,
                                [&] { order << "font " + QString::number(std::exchange(state().fontFactor, 1.5)); });
    start();
    EXPECT_EQ(order, QStringList({"school", "font 1.25"}));
    EXPECT_EQ(state().formScale, 682);
    EXPECT_TRUE(prompt.lastText().startsWith("ABENDREALSCHULE"));
}

TEST(SingleInstance, GuardHeldUntilReleasedUnlessSwitchedOff)
{
    test::TempProgramFolder dir;
    QTemporaryDir lockDir;
    FileLockInstanceGuard first(lockDir.path().toStdString());
    FileLockInstanceGuard second(lockDir.path().toStdString());
    EXPECT_TRUE(RunSingleInstanceGuard(dir.path(), first));
    EXPECT_FALSE(RunSingleInstanceGuard(dir.path(), second));
    dir.write("OHNE_MUTEX.DAT", "");
    EXPECT_TRUE(RunSingleInstanceGuard(dir.path(), second));
    first.release();
    EXPECT_TRUE(second.acquire("HSA"));
}

// Two real copies of the program in one folder: the second ends at once and
// silently while the first waits at its start-up question (offscreen); with
// "ohne_mutex.dat" both keep running.
TEST(SingleInstance, SecondProgramEndsSilentlyUnlessSwitchedOff)
{
    for (const bool switchedOff : {false, true}) {
        SCOPED_TRACE(switchedOff ? "ohne_mutex.dat" : "guarded");
        test::TempProgramFolder dir;
        if (switchedOff) {
            dir.write("ohne_mutex.dat", "");
        }
        QTemporaryDir lockDir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", lockDir.path());
        QProcess first, second;
        for (QProcess* p : {&first, &second}) {
            p->setProcessEnvironment(env);
            p->setWorkingDirectory(dir.path());
            p->start(QStringLiteral(HSA_PROGRAM), {});
            ASSERT_TRUE(p->waitForStarted(5000));
            // The first copy takes the guard before anything else; give it a moment.
            if (p == &first) {
                ASSERT_FALSE(first.waitForFinished(1500));
            }
        }
        if (switchedOff) {
            EXPECT_FALSE(second.waitForFinished(2000));
        } else {
            EXPECT_TRUE(second.waitForFinished(10000));
            EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(second.exitCode(), 0);
            EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
        }
        EXPECT_EQ(first.state(), QProcess::Running);
        for (QProcess* p : {&first, &second}) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}
