#include "app/mainmenu.h"
#include "app/startup.h"
#include "app/updates.h"
#include "app/webentries.h"
#include "platform/help.h"
#include "platform/recordinghelp.h"
#include "support/privatedesktop.h"
#include "support/programwindows.h"

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <functional>

using namespace hsa;

namespace {

const QString kHome = QStringLiteral("https://wendra.example");
const QString kBr = QStringLiteral("\n\r");

// The entries on the program's own main window, with a recording help.
struct WebEntries : test::ProgramWindowsFixture {
    RecordingHelp hlp;
    void SetUp() override
    {
        ProgramWindowsFixture::SetUp();
        state().homepageUrl = kHome;
        state().updateUrl = QStringLiteral("https://setup.example");
        setHelp(&hlp);
    }
    QStringList targets() const
    {
        QStringList out;
        for (const auto& r : shellDouble.requests)
            out << r.target;
        return out;
    }
};

} // namespace

TEST_F(WebEntries, HelpEntriesSetTheHelpFileAndAskForTheirTopic)
{
    state().helpFileName = "hilfe.chm";
    for (const auto& [entry, context] :
         {std::pair{"Updateinfo1", 2}, {"Informationendazu1", 11}, {"Abschlussprfung1", 1}, {"Schulfremdenprfung1", 40},
          {"WICHTIGDateinamenfrPrfungsklassen1", 110}}) {
        hlp.requests.clear();
        ASSERT_TRUE(RunMenuHandler(entry)) << entry;
        ASSERT_EQ(hlp.requests.size(), 1) << entry;
        EXPECT_EQ(hlp.requests[0].context, context) << entry;
        EXPECT_EQ(hlp.requests[0].file, "hilfe.chm") << entry;
        EXPECT_EQ(form->helpFile(), "hilfe.chm") << entry;
    }
    hlp.requests.clear(); // closing the help asks nothing of the help file
    EXPECT_FALSE(HandleHelpRequest(dir.path(), "hilfe.chm", kHelpQuit, 0));
    EXPECT_TRUE(hlp.requests.isEmpty());
}

TEST_F(WebEntries, WebEntriesShowTheirTextsAndOpenTheirPages)
{
    const QString offline = "Falls Ihr Rechner offline ist, informieren Sie sich bitte anderswo auf " + kHome;
    const QString faq = kHome + "/korvi2016-internetfaq.htm";
    const struct {
        void (*handler)();
        bool yes;
        QString firstText;
        QStringList pages;
    } cases[] = {
        {VisitProgramHomepage, true,
         "Sie werden nun mit der Downloadseite " + kHome + " der Korvi-Programme verbunden." + kBr
             + "Bitte vergleichen Sie den Versionsbuchstaben Ihrer Wendra-Version (erkennbar in der "
               "Fensterüberschrift) mit " + kBr + "dem Angebot auf der Downloadseite ganz unten. " + kBr
             + "Installieren Sie ggf. die Version mit dem höheren Versionsbuchstaben über Ihre aktuelle Version "
               "hinweg, Ihre Daten bleiben erhalten." + kBr
             + "Vor eine solchen Installation müssen Sie aber das Programm schließen.",
         {kHome + "/download.htm"}},
        {CheckForUpdateOnHomepage, true,
         "Es wird jetzt die Downloadseite von Wendra_Pruefer geöffnet. Eine Version mit höherem "
         "Versionsbuchstaben wird über die vorhandene installiert, Ihre Daten bleiben erhalten.",
         {kHome + "/download.htm"}},
        {OpenShortManual, false,
         "Die Anleitung wird auf unserer Downloadseite " + kHome + " stets aktuell gehalten." + kBr + kBr
             + "Sie wird jetzt von dort als pdf-Datei aufgerufen.",
         {kHome + "/Kurzinfo_Wendra_Pruef.pdf"}},
        {OpenVersionPage, false,
         offline + "," + kBr + "dort im Downloadbereich bei Wendra_Pruefer oder auch in der Internet-FAQ von Korvi."
             + kBr + kBr + "Es wird jetzt der Browser aufgerufen.",
         {kHome + "/wendra-version.htm"}},
        {OpenChangedRegulationsPage, false,
         offline + ", " + kBr + "dort im Downloadbereich bei Wendra_Pruefer oder auch in der Internet-FAQ von Korvi."
             + kBr + kBr + "Es wird jetzt die Internet-FAQ von Korvi im Browser aufgerufen.",
         {faq}},
    };
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE("row " + std::to_string(row++));
        shellDouble.requests.clear();
        prompt.clear();
        prompt.setDefaultAnswer(c.yes ? Answer::Yes : Answer::No);
        c.handler();
        if (!c.firstText.isEmpty()) {
            EXPECT_EQ(prompt.texts().value(0), c.firstText);
        }
        EXPECT_EQ(targets(), c.pages);
    }
}

// Only a web address counts; anything else falls back to the built-in one.
TEST_F(WebEntries, AddressFilesCountOnlyWithAWebAddress)
{
    const QString builtin = "https://built.in";
    const struct {
        const char* content; // nullptr: no file
        QString expected;
    } cases[] = {
        {nullptr, builtin}, {"https://other.example/x\r\n", "https://other.example/x"},
        {"  http://plain.example  \r\nzweite\r\n", "http://plain.example"}, {"file:///etc/passwd\r\n", builtin},
        {"javascript:alert(1)\r\n", builtin}, {"\r\n", builtin},
    };
    for (const auto& c : cases) {
        QFile::remove(dir.file("homepage.dat"));
        if (c.content)
            dir.write("homepage.dat", c.content);
        EXPECT_EQ(ReadAddressFile(dir.path(), "HOMEPAGE.DAT", builtin), c.expected)
            << (c.content ? c.content : "(none)");
    }
}

TEST_F(WebEntries, SwitchesWriteAndDeleteTheirFiles)
{
    prompt.setDefaultAnswer(Answer::Yes);
    const QAction* hintSwitch = form->menuEntry("SchalterHinweiseaufvorhandenesINTERNETUPDATEunterbinden1");
    ToggleUpdateHints();
    EXPECT_TRUE(hintSwitch->isChecked());
    EXPECT_EQ(dir.read("updateverbot.dat"), QByteArray("Verboten\r\n"));
    EXPECT_EQ(prompt.texts().last(),
              "Es werden keine Hinweise auf neue Versionen mehr gegeben. Bitte sehen Sie selbst regelmäßig nach.");
    ToggleUpdateHints();
    EXPECT_FALSE(hintSwitch->isChecked());
    EXPECT_FALSE(dir.exists("updateverbot.dat"));
    AskStartupVersionCheck();
    EXPECT_EQ(dir.read("nicht_pruefen.txt"), QByteArray("Keinen Aktualit\xe4tspr\xfc" "fung beim Start\r\n"));
    prompt.setDefaultAnswer(Answer::No);
    AskStartupVersionCheck();
    EXPECT_FALSE(dir.exists("nicht_pruefen.txt"));
}

// Entries that must not act on a terminal server or with a class open say so
// and change nothing.
TEST_F(WebEntries, RefusalsChangeNothing)
{
    const QString terminal = "Bei Installation auf einem Terminalserver ist dieser Menüpunkt deaktiviert.";
    const struct {
        void (*handler)();
        bool terminal, classOpen;
        QString text;
    } rows[] = {
        {ToggleUpdateHints, true, false, terminal}, {StartUpdater, true, false, terminal},
        {StartUpdater, false, true, "Dazu müssen Sie zuerst die Klasse schließen."},
        {InstallCurrentVersion, false, true, "Dazu müssen Sie erst die Klasse schließen."},
        {DatabaseAdminSettings, false, false,
         "Auf diesem System gibt es diese Einstellung nicht: die Umlaute der Klassendateien behandelt das "
         "Programm selbst."},
    };
    dir.write("DOWN1.EXE", "x");
    prompt.setDefaultAnswer(Answer::Yes);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text.toStdString());
        state().terminalServerMode = r.terminal;
        state().openClassFile = r.classOpen ? "9a_25262.dbf" : "";
        r.handler();
        EXPECT_EQ(prompt.texts().last(), r.text);
        EXPECT_TRUE(shellDouble.requests.isEmpty());
        EXPECT_FALSE(state().quitRequested || form->Timer1->isActive() || dir.exists("updateverbot.dat"));
    }
}

// The updater is watched, and the program ended for an install, only when
// the system really took the updater or the address.
TEST_F(WebEntries, UpdaterAndInstallActOnlyWhenStarted)
{
    const QString setup = "https://setup.example/16/setup_Wendra_Pruef.zip";
    const QStringList failures{"Das Updateprogramm down1.exe konnte nicht gestartet werden.",
                               "Die Seite " + setup + " konnte nicht geöffnet werden.\n\rDas Programm bleibt geöffnet. "
                               "Sie können das Setup auch von https://wendra.example (Downloads) ausführen lassen."};
    dir.write("DOWN1.EXE", "x");
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        shellDouble.result = ok;
        shellDouble.requests.clear();
        prompt.clear();
        StartUpdater();
        InstallCurrentVersion();
        EXPECT_EQ(form->Timer1->isActive(), ok); // the updater's watch
        EXPECT_EQ(state().quitRequested, ok);
        EXPECT_EQ(targets(), QStringList({dir.file("DOWN1.EXE"), setup}));
        EXPECT_EQ(prompt.texts().filter("konnte nicht"), ok ? QStringList{} : failures);
        // The end is announced only when it comes.
        EXPECT_EQ(prompt.anyTextContains("Das Programm wird jetzt beendet"), ok);
    }
    EXPECT_EQ(shellDouble.requests[0].args, QStringList{"h"});
    EXPECT_EQ(shellDouble.requests[0].workDir, dir.path());
}

// On a real X display with the system's shell: without a browser every web
// entry, the start-up's version question among them, says that its page
// could not be opened and the program stays; with a browser each page opens
// in it, and the update ends the program.
TEST_F(WebEntries, EntriesSayWhetherTheBrowserOpenedThePage)
{
    test::OnPrivateDesktop([this](test::PrivateDesktop& desktop) {
        setShell(nullptr);
        const QString faq = kHome + "/korvi2016-internetfaq.htm";
        const struct {
            const char* name;
            std::function<void()> run;
            QString page;
        } entries[] = {
            {"start-up", [this] { RunFormCreate(*form); }, kHome + "/wendra-version.htm"},
            {"homepage", VisitProgramHomepage, kHome + "/download.htm"},
            {"update check", CheckForUpdateOnHomepage, kHome + "/download.htm"},
            {"manual", OpenShortManual, kHome + "/Kurzinfo_Wendra_Pruef.pdf"},
            {"version", OpenVersionPage, kHome + "/wendra-version.htm"},
            {"faq", [] { RunMenuHandler("INTERNETFAQaktuelleOnlinehilfemitAntwortenaufaktuellwichtigeFragen1"); }, faq},
            {"regulations", OpenChangedRegulationsPage, faq},
            {"install", InstallCurrentVersion, "https://setup.example/16/setup_Wendra_Pruef.zip"},
        };
        QStringList opened;
        for (const bool browser : {false, true}) {
            if (browser)
                desktop.registerBrowser(test::PrivateDesktop::Browser::Hands);
            for (const auto& e : entries) {
                SCOPED_TRACE(std::string(e.name) + (browser ? " with a browser" : " without a browser"));
                prompt.clear();
                prompt.setDefaultAnswer(Answer::Yes);
                e.run();
                const QString failure = "Die Seite " + e.page + " konnte nicht geöffnet werden.";
                EXPECT_EQ(prompt.anyTextContains(failure), !browser) << prompt.texts().join(" | ").toStdString();
                const bool install = e.page.startsWith("https://setup.example");
                EXPECT_EQ(state().quitRequested, browser && install);
                EXPECT_EQ(prompt.anyTextContains("Das Programm wird jetzt beendet"), browser && install);
                if (browser)
                    opened << e.page;
                EXPECT_EQ(desktop.openedAddresses(opened.size()).join(' '), opened.join(' '));
            }
            EXPECT_EQ(state().versionCheckSkipped, !browser);
        }
    });
}

TEST(KillUpdater, EndsOnlyTheUpdatersProcesses)
{
    QTemporaryDir dir;
    QProcess procs[3];
    const char* names[] = {"down1.exe", "DOWN1", "lockdown1"};
    for (int i = 0; i < 3; ++i) {
        const QString exe = dir.filePath(names[i]);
        ASSERT_TRUE(QFile::copy("/bin/sleep", exe));
        procs[i].start(exe, {"30"});
        ASSERT_TRUE(procs[i].waitForStarted(5000)) << names[i];
    }
    KillUpdater();
    EXPECT_TRUE(procs[0].waitForFinished(5000));
    EXPECT_TRUE(procs[1].waitForFinished(5000));
    EXPECT_EQ(procs[2].state(), QProcess::Running);
    procs[2].kill();
    procs[2].waitForFinished(5000);
}
