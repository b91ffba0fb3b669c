#include "app/apphooks.h"
#include "app/classgridview.h"
#include "app/mainlogic.h"
#include "app/mainmenu.h"
#include "app/mainwindow.h"
#include "app/programblock.h"
#include "app/scaling.h"
#include "app/singleinstance.h"
#include "app/sonderdlg.h"
#include "app/startup.h"
#include "app/subjectlistpanel.h"
#include "app/updates.h"
#include "app/webentries.h"
#include "classes/dbftable.h"
#include "classes/studentlist.h"
#include "exchange/sticktransfer.h"
#include "platform/errors.h"
#include "platform/help.h"
#include "platform/instanceguard.h"
#include "platform/programwide.h"
#include "print/drivers.h"
#include "support/programwindows.h"
#include "support/scopedhook.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <stdexcept>

using namespace hsa;

namespace {

class MainWindowTest : public test::ProgramWindowsFixture {
protected:
    void TearDown() override
    {
        startupHooks() = {}; // the next program block sets its own again
        ProgramWindowsFixture::TearDown();
    }
    // The start run again on the program's main window, in its program folder.
    void start(Answer versionAnswer = Answer::No)
    {
        prompt.answer(versionAnswer);
        RunFormCreate(*form);
    }
    // Lays a class 9a_21222, chooses it through the menu and opens it.
    void openClass()
    {
        dir.layDefaults();
        QFile::copy(dir.file("start2.dbf"), dir.file("9a_21222.dbf"));
        QDir(dir.path()).mkdir("9a_21222");
        prompt.setDefaultAnswer(Answer::Yes);
        form->trigger("whlen1");
        ASSERT_FALSE(form->FileListBox1->isHidden());
        EXPECT_EQ(form->FileListBox1->hasFocus(), form->isActiveWindow()); // the list takes the keyboard
        QListWidget* list = form->FileListBox1;
        list->setCurrentItem(list->findItems("9a_21222.dbf", Qt::MatchFixedString).value(0));
        form->FileListBox1Activate();
        ASSERT_EQ(state().openClassFile, "9a_21222.dbf") << prompt.texts().join(" | ").toStdString();
    }
    void expectTopEntries(const QList<int>& entries, bool enabled)
    {
        for (int i : entries)
            EXPECT_EQ(form->topEntry(i)->isEnabled(), enabled) << i;
    }
};

using StartupTest = MainWindowTest;

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

// No entry silently does nothing: every shown leaf of the menu reaches a handler,
// names are unique, and the hidden entries stay hidden.
TEST_F(MainWindowTest, EveryMenuEntryReachesAHandler)
{
    QSet<QString> names, parents;
    for (const MenuEntryDef& d : MainMenuDefinition()) {
        names.insert(d.name);
        parents.insert(d.parent);
    }
    EXPECT_EQ(names.size(), MainMenuDefinition().size());
    for (const MenuEntryDef& d : MainMenuDefinition()) {
        if (d.visible && !d.parent.isEmpty() && !parents.contains(d.name) && !d.heading) {
            EXPECT_TRUE(HasMenuHandler(d.name)) << d.name.toStdString();
        }
    }
    // The exchange entries stand under their headings, which cannot be chosen.
    const QList<QAction*> klasse = form->menuEntry("Klasse1")->menu()->actions();
    for (const auto& [caption, below] : {std::pair{"AUSSPIELDATEI mit PRÜFUNGSERGEBNISSEN für Korvi:", "Endnotenzeugnisdruck1"},
                                        {"Wendra-Klassen ÜBERTRAGEN:", "StickSichern1"}}) {
        const qsizetype at = klasse.indexOf(form->menuEntry(below));
        ASSERT_GT(at, 0) << below;
        EXPECT_EQ(klasse[at - 1]->text(), QString::fromUtf8(caption));
        EXPECT_TRUE(klasse[at - 1]->isVisible() && !klasse[at - 1]->isEnabled()) << caption;
    }
    for (const char* hidden : {"PLPrfungsleistungenganzeKlasseAnsichtAusdruck1",
                               "JLEZAnsichtnachDurchschnittsortieren1",
                               "Zeugnisdatum1", "Zeugnisse1", "PTInformation1", "AZAbschrift1",
                               "JahrgangsarchivierungAbschlussklassen1", "KlassenausdemArchivzurckholen1"})
        EXPECT_FALSE(form->menuEntry(hidden)->isVisible()) << hidden;
    EXPECT_TRUE(form->menuEntry("MPSchuelerblatt1")->isVisible());
    EXPECT_TRUE(form->menuEntry("ListemitSchreibschutzversehen1")->isChecked()); // the list starts protected
}

// A locked program asks for the password before the class menu, and before
// the list menu while no class is open; an opening menu saves pending edits.
TEST_F(MainWindowTest, PasswordGateOfTheMenus)
{
    QList<bool> dialogs;
    int saves = 0;
    const test::ScopedHook dialog(appHooks().showPasswordDialog, [&](bool modal) { dialogs << modal; });
    const test::ScopedHook save(appHooks().saveGradeTableEdits, [&] { ++saves; });
    const struct {
        bool locked, classOpen;
        bool (*open)();
        bool opens, asks, saves;
    } rows[] = {
        {true, false, OpenKlasseMenu, false, true, false}, {true, false, OpenListeMenu, false, true, false},
        {true, false, OpenDruckenMenu, true, false, false}, {true, true, OpenKlasseMenu, false, true, false},
        {true, true, OpenListeMenu, true, false, true},     {true, true, OpenDruckenMenu, true, false, true},
        {false, true, OpenKlasseMenu, true, false, true},   {false, false, OpenListeMenu, true, false, true},
    };
    for (int i = 0; i < 8; ++i) {
        const auto& r = rows[i];
        dialogs.clear();
        saves = 0;
        state().accessLocked = r.locked;
        state().openClassFile = r.classOpen ? "9a_21222.dbf" : "";
        EXPECT_EQ(r.open(), r.opens) << "row " << i;
        // Counted, not compared as lists: Qt compares two empty lists through a null pointer.
        EXPECT_EQ(dialogs.size(), r.asks ? 1 : 0) << "row " << i;
        EXPECT_EQ(dialogs.count(true), 0) << "row " << i; // never modal
        EXPECT_EQ(saves, r.saves ? 1 : 0) << "row " << i;
    }
}

// The window closes only through the quit command; quitting while printing
// asks first, and quitting reminds of the stick and ends the updater.
TEST_F(MainWindowTest, QuitCommand)
{
    int tableClosed = 0, aborted = 0;
    const test::ScopedHook close(appHooks().closeClassTable, [&] { ++tableClosed; });
    const test::ScopedHook printing(appHooks().isPrinting, [] { return true; });
    const test::ScopedHook abort(appHooks().abortPrint, [&] { ++aborted; });
    dir.write("dismount.dat", "");
    shellDouble.runningPrograms = {"down1.exe", "/opt/x/DOWN1.EXE", "anderes"};
    form->show();
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    prompt.no();
    form->trigger("Arbeitbeenden1");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(aborted, 0);
    EXPECT_FALSE(dir.exists("tabsperr.dat"));
    EXPECT_TRUE(prompt.texts().value(0).startsWith("E R I N N E R U N G:"));
    EXPECT_EQ(prompt.lastText(), " Es wird noch gedruckt. Druckvorgang abbrechen ?");
    EXPECT_EQ(shellDouble.runningPrograms, QStringList({"anderes"}));
    prompt.yes();
    form->trigger("Arbeitbeenden1");
    EXPECT_EQ(aborted, 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_GE(tableClosed, 1);
    EXPECT_EQ(dir.read("tabsperr.dat"), QByteArray("0\r\n"));
}

TEST_F(MainWindowTest, Timers)
{
    // Timer4: the exam kind only for list types 1 and 3.
    form->RadioGroup2Buttons->button(1)->setChecked(true);
    form->Timer4Timer();
    EXPECT_FALSE(form->RadioGroup4->isHidden());
    form->RadioGroup4Buttons->button(1)->setChecked(true);
    form->RadioGroup2Buttons->button(2)->setChecked(true);
    form->Timer4Timer();
    EXPECT_TRUE(form->RadioGroup4->isHidden());
    EXPECT_EQ(form->RadioGroup4Buttons->checkedId(), 0);
    // Timer3 stops the updater watch once a class is open.
    form->Timer1->start();
    form->Timer3Timer();
    EXPECT_TRUE(form->Timer1->isActive());
    state().openClassFile = "9a_21222.dbf";
    form->Timer3Timer();
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_FALSE(form->Timer3->isActive());
    // Timer1 ends the program when the updater asks for it, never with a
    // class open.
    form->show();
    dir.write("Beenden.dat", ""); // found ignoring case
    form->Timer1Timer();
    EXPECT_TRUE(form->isVisible());
    state().openClassFile.clear();
    form->Timer1Timer();
    EXPECT_FALSE(dir.exists("Beenden.dat"));
    EXPECT_FALSE(form->isVisible());
}

// The main window holds an animated-cursor holder without data; the holder
// keeps a file's name without its folder and its bytes, none while it is
// being loaded, and frees them for an empty name.
TEST_F(MainWindowTest, MainWindowHoldsAnEmptyAnimatedCursor)
{
    EXPECT_EQ(form->DFAniCursor1.AniCursorFile(), "");
    EXPECT_FALSE(form->DFAniCursor1.storesData());
    dir.write("cur/lauf.ani", "RIFF-ani");
    TDFAniCursor c;
    for (const auto& [path, loading, name, bytes] :
         {std::tuple{dir.file("cur/lauf.ani"), false, "lauf.ani", "RIFF-ani"}, {dir.file("cur/fehlt.ani"), false, "fehlt.ani", "RIFF-ani"},
          {QString(), false, "", ""}, {dir.file("cur/lauf.ani"), true, "lauf.ani", ""}}) {
        c.setAniCursorFile(path, loading);
        EXPECT_EQ(c.AniCursorFile(), name) << name;
        EXPECT_EQ(c.data(), QByteArray(bytes)) << name;
        EXPECT_EQ(c.storesData(), !QByteArray(bytes).isEmpty()) << name;
    }
}

TEST_F(MainWindowTest, FirstActivationOnSmallScreen)
{
    MainWindowActivated(640);
    MainWindowActivated(640);
    EXPECT_EQ(prompt.texts(), QStringList{"Empfohlen wird eine Bildschirmauflösung von  800x600 oder 1024*768."});
}

// The CHM viewer opens the topic by its context number, the start page for
// context 0; without it the desktop shows the file at its start.
TEST_F(MainWindowTest, HelpFileOpensAtItsTopic)
{
    EXPECT_FALSE(help().showTopic(dir.path(), "darovari.chm", 110));
    EXPECT_EQ(prompt.lastText(), "Die Hilfedatei darovari.chm wurde im Programmordner nicht gefunden.");
    dir.write("Darovari.CHM", "x");
    dir.write("hilfe.pdf", "x");
    dir.write("bin/xchm", "#!/bin/sh\n");
    QFile::setPermissions(dir.file("bin/xchm"), QFile::ReadOwner | QFile::ExeOwner);
    dir.write("leer/keinviewer", "");
    const QByteArray path = qgetenv("PATH");
    const QString chm = dir.file("Darovari.CHM");
    const struct {
        const char* pathDir;
        const char* file;
        int context;
        QString what, target;
        QStringList args;
    } rows[] = {
        {"bin", "darovari.chm", 110, "start", dir.file("bin/xchm"), {"--contextid=110", chm}},
        {"bin", "darovari.chm", 0, "start", dir.file("bin/xchm"), {chm}},
        {"bin", "hilfe.pdf", 11, "file", dir.file("hilfe.pdf"), {}},
        {"leer", "darovari.chm", 110, "file", chm, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.pathDir) + " " + r.file);
        qputenv("PATH", dir.file(r.pathDir).toLocal8Bit());
        shellDouble.requests.clear();
        EXPECT_TRUE(help().showTopic(dir.path(), r.file, r.context));
        ASSERT_EQ(shellDouble.requests.size(), 1);
        EXPECT_EQ(shellDouble.requests[0].what, r.what);
        EXPECT_EQ(shellDouble.requests[0].target, r.target);
        EXPECT_EQ(shellDouble.requests[0].args, r.args);
    }
    qputenv("PATH", path);
}

// From the menu to an open class and back: the file list, the student list
// and the grade table take the keyboard in turn.  While a grade table is open
// only its own menu (and the update and help menus) can be opened, also after
// a refresh, and a second table is refused; leaving it gives all back.
TEST_F(MainWindowTest, OpenAClassAndAGradeTable)
{
    form->show();
    form->activateWindow();
    QCoreApplication::processEvents();
    openClass();
    EXPECT_EQ(form->Label1->text(), "9a_21222.dbf");
    EXPECT_TRUE(form->DBGrid1->hasFocus());
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 40);
    form->trigger("SchriftlicheNotenEingabe1");
    ASSERT_FALSE(form->StringGrid1->isHidden()) << prompt.texts().join(" | ").toStdString();
    EXPECT_TRUE(form->DBGrid1->isHidden());
    EXPECT_TRUE(form->StringGrid1->hasFocus());
    QMetaObject::invokeMethod(form->topMenu(4), "aboutToShow");
    NotifyMainWindow();
    expectTopEntries({0, 1, 2, 3, 6, 7, 8}, false);
    expectTopEntries({4, 10}, true);
    prompt.clear();
    form->trigger("bearbeiten1");
    EXPECT_EQ(prompt.lastText(), "Tabellenwechsel nur nach dem Schließen der aktuellen Tabelle möglich.");
    EXPECT_EQ(state().gradeTableKind, 1);
    prompt.clear();
    form->trigger("speichernundverlassen1"); // nothing typed: asks nothing
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_TRUE(form->DBGrid1->hasFocus());
    expectTopEntries({0, 1, 2, 3, 4, 6, 7, 8}, true);
    // The grade window of the marked student.
    ClassTable().setValue(0, "NACHNAME", "Muster");
    ClassTable().setValue(0, "VORNAME", "Anna");
    ClassTable().post();
    state().currentStudentRecord = 0;
    form->trigger("Berichtschreiben1");
    EXPECT_TRUE(ProgramWindow("Form2")->isVisible()) << prompt.texts().join(" | ").toStdString();
    EXPECT_EQ(state().currentStudentNr, "1");
    // Without a class only the class, school, update and help menus are
    // enabled; the hidden ones never count as enabled.
    form->trigger("schlieen1");
    EXPECT_TRUE(state().openClassFile.isEmpty());
    expectTopEntries({1, 2, 3, 4, 5, 6, 7, 9}, false);
    expectTopEntries({0, 8, 10}, true);
}

// The check marks of the list menu always say what the list is, also when
// writing cannot be allowed because no table is open.
TEST_F(MainWindowTest, ListMenuChecksFollowTheList)
{
    ClassTable().close();
    state().openClassFile = "9a_21222.dbf"; // named, but its table is not open
    NotifyMainWindow();
    form->menuEntry("ListezumSchreibenfreigeben1")->trigger();
    EXPECT_FALSE(form->menuEntry("ListezumSchreibenfreigeben1")->isChecked());
    EXPECT_TRUE(form->menuEntry("ListemitSchreibschutzversehen1")->isChecked());
    form->menuEntry("ListemitSchreibschutzversehen1")->trigger();
    EXPECT_TRUE(form->menuEntry("ListemitSchreibschutzversehen1")->isChecked());
    EXPECT_EQ(form->Label3->text(), "(Listenschreibschutz aktiviert)");
}

// A failure inside a menu handler ends as a message, never thrown into the
// event loop.
TEST_F(MainWindowTest, FailuresOfAHandlerBecomeMessages)
{
    RegisterMenuHandler("GuardFileError", [] { throw FileError("Datei C:\\x\\v.3 kann nicht geöffnet werden"); });
    RegisterMenuHandler("GuardStdError", [] { throw std::runtime_error("kaputt"); });
    EXPECT_NO_THROW(form->trigger("GuardFileError"));
    EXPECT_NO_THROW(form->trigger("GuardStdError"));
    ASSERT_EQ(prompt.texts().size(), 2);
    EXPECT_EQ(prompt.texts()[0], "Datei C:\\x\\v.3 kann nicht geöffnet werden");
    EXPECT_TRUE(prompt.texts()[1].contains("kaputt"));
    RegisterMenuHandler("GuardFileError", {});
    RegisterMenuHandler("GuardStdError", {});
}

// A print entry for subject lists shows its choice on the main window and
// hands the clicks to it; the copy entries tell the exam-board names first,
// and without a class nothing is printed.
TEST_F(MainWindowTest, PrintEntries)
{
    state().openClassFile = "xa_25262.dbf";
    state().subjectData.subjectNames[20] = "Technik";
    form->trigger("PPProtokollefrdiepraktischePrfung1");
    auto* panel = form->findChild<SubjectListPanel*>();
    ASSERT_TRUE(panel);
    EXPECT_FALSE(form->Panel1->isHidden());
    EXPECT_EQ(panel->StringGrid2->item(18, 1)->text(), "nein");
    emit panel->StringGrid2->cellDoubleClicked(18, 0);
    EXPECT_EQ(panel->StringGrid2->item(18, 1)->text(), "ja");
    EXPECT_EQ(subjectListChoice().markedSubjects(), std::vector<int>({20}));
    panel->Button4->click();
    EXPECT_TRUE(form->Panel1->isHidden());
    state().openClassFile.clear();
    state().examChairName = "Dr. Vogt";
    form->trigger("MarkierterSchler5");
    EXPECT_TRUE(prompt.lastText().endsWith("Prüfungsvorsitzende/r: Dr. Vogt\n\rSchulleiter/in:                 "));
    EXPECT_EQ(state().printDocKind, 6);
}

// The windows put hooks into program-wide tables that outlive them: once the
// windows are gone, a print loop, a sort, the stick copy or a web entry
// reaches no freed widget, and the reset empties every table.
TEST_F(MainWindowTest, HooksOfDestroyedWindowsReachNothing)
{
    ASSERT_TRUE(printLoopHooks().abortButton);
    ASSERT_TRUE(HasMenuHandler("Arbeitbeenden1"));
    DestroyProgramWindows();
    {
        const PrintLoopScope loop; // the abort button shown, the list hidden
        loop.progress("Name1  Vor");
    }
    studentListHooks().sortProgress("Sortiere Daten und Dateien. Bitte warten...");
    SubjectEditorOpenHook()();
    stickTransfer().progress("Kopiere Schüler Nr. 3");
    webEntryHooks().setHelpFile("anders.chm");
    webEntryHooks().quitProgram();
    EXPECT_FALSE(webEntryHooks().updateSwitchChecked());
    EXPECT_TRUE(RunMenuHandler("Arbeitbeenden1"));
    EXPECT_FALSE(state().quitRequested); // the quit of the window that is gone did nothing

    ResetProgramWideObjects();
    const PrintLoopHooks& loop = printLoopHooks();
    const AppHooks& app = appHooks();
    const WebEntryHooks& web = webEntryHooks();
    const StartupHooks& start = startupHooks();
    const struct {
        const char* table;
        bool empty;
    } tables[] = {
        {"print loop", !loop.progress && !loop.abortButton && !loop.studentList && !loop.pause},
        {"main window", !app.showPasswordDialog && !app.saveGradeTableEdits && !app.gradeTableStillOpen &&
                            !app.closeClassTable && !app.isPrinting && !app.abortPrint && !app.printerNameTooLong},
        {"web entries", !web.quitProgram && !web.startUpdaterWatch && !web.updateSwitchChecked &&
                            !web.setUpdateSwitchChecked && !web.setHelpFile},
        {"start-up", !start.showSchoolType && !start.loadFontFactor && !start.printerDefaults},
        {"student list", !studentListHooks().sortProgress},
        {"subject editor", !SubjectEditorOpenHook()},
        {"menu handlers", !HasMenuHandler("Arbeitbeenden1") && !HasMenuHandler("AktuellerSchler1")},
        {"stick transfer", !stickTransfer().progress},
        {"program windows", ProgramWindow("Form1") == nullptr},
    };
    for (const auto& t : tables)
        EXPECT_TRUE(t.empty) << t.table;
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
