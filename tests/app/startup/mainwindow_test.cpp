#include "app/apphooks.h"
#include "app/mainlogic.h"
#include "app/mainmenu.h"
#include "app/classgridview.h"
#include "app/mainwindow.h"
#include "app/programblock.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "platform/help.h"
#include "platform/scriptedprompt.h"
#include "platform/screen.h"
#include "platform/shell.h"
#include "support/programwindows.h"
#include "support/tempfolder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTableView>
#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QAbstractButton>
#include <gtest/gtest.h>

using namespace hsa;

namespace {

class MainWindowTest : public test::ProgramWindowsFixture {
protected:
    // Lays a class 9a_21222 and chooses it through the menu.
    void chooseClass()
    {
        dir.layDefaults();
        QFile::copy(dir.file("start2.dbf"), dir.file("9a_21222.dbf"));
        QDir(dir.path()).mkdir("9a_21222");
        prompt.setDefaultAnswer(Answer::Yes);
        form->trigger("whlen1");
    }
};

} // namespace

TEST_F(MainWindowTest, WindowsCreatedOnceInOrder)
{
    EXPECT_EQ(CreatedWindowOrder(),
              QStringList({"Form1", "BtnRightDlg", "Form2", "DualListDlg", "PasswordDlg", "AboutBox",
                           "Form3", "BtnRightDlg1", "arch2form", "archivform", "Form4", "Form5",
                           "memoeingabe", "form_sonder", "Form_email"}));
    EXPECT_EQ(MainWindow(), form);
    // After the import dialog the forms scale from the screen height.
    EXPECT_EQ(state().formScale, 768);
    EXPECT_EQ(QApplication::applicationName(), "KORVI_Wendra_Pruefer");
    EXPECT_EQ(ApplicationHelpFile(), "darovari.chm");
}

TEST_F(MainWindowTest, MenuBarCaptions)
{
    const QStringList captions = {
        "&Klasse", "&Liste", "Allgemeine Eingaben", "&Einzelschüler (Prüfungstabelle)",
        "&Notentabellen (Ganze Klasse)", "PP: Zeugnisanlage", "D&rucken",
        "Endnoten ausspielen für Korvi", "&Schule/Tools", "Update durchführen", "Hilfe/Anleitungs-PDF",
    };
    for (int i = 0; i < captions.size(); ++i) {
        ASSERT_NE(form->topEntry(i), nullptr) << i;
        EXPECT_EQ(form->topEntry(i)->text(), captions[i]) << i;
    }
    EXPECT_EQ(form->topEntry(11), nullptr);
    EXPECT_FALSE(form->topEntry(5)->isVisible());
    EXPECT_FALSE(form->topEntry(9)->isVisible());
    // The student list starts write-protected.
    EXPECT_TRUE(form->menuEntry("ListemitSchreibschutzversehen1")->isChecked());
    EXPECT_FALSE(form->menuEntry("ListezumSchreibenfreigeben1")->isChecked());
    // Every entry name is unique.
    QStringList names;
    for (const MenuEntryDef& d : MainMenuDefinition())
        names << d.name;
    names.removeDuplicates();
    EXPECT_EQ(names.size(), MainMenuDefinition().size());
}

TEST_F(MainWindowTest, MenuGateFollowsTheOpenClass)
{
    EXPECT_TRUE(CheckNoClassOpen());
    EXPECT_TRUE(form->topEntry(0)->isEnabled());
    // Hidden entries (5 and 9) never count as enabled.
    for (int i = 1; i <= 7; ++i)
        EXPECT_FALSE(form->topEntry(i)->isEnabled()) << i;
    for (int i : {8, 10})
        EXPECT_TRUE(form->topEntry(i)->isEnabled()) << i;

    state().openClassFile = "9a_21222.dbf";
    NotifyMainWindow();
    EXPECT_FALSE(CheckNoClassOpen());
    EXPECT_EQ(form->Label1->text(), "9a_21222.dbf");
    for (int i : {0, 1, 2, 3, 4, 6, 7})
        EXPECT_TRUE(form->topEntry(i)->isEnabled()) << i;

    state().openClassFile.clear();
    NotifyMainWindow();
    EXPECT_FALSE(form->topEntry(4)->isEnabled());
}

TEST_F(MainWindowTest, PasswordGateOfTheMenus)
{
    QList<bool> dialogs;
    int saves = 0;
    appHooks().showPasswordDialog = [&](bool modal) { dialogs << modal; };
    appHooks().saveGradeTableEdits = [&] { ++saves; };

    state().accessLocked = true;
    EXPECT_FALSE(OpenKlasseMenu());
    EXPECT_EQ(dialogs, QList<bool>({false}));
    EXPECT_EQ(saves, 0);
    EXPECT_FALSE(OpenListeMenu()); // no class open and locked
    EXPECT_EQ(dialogs.size(), 2);
    EXPECT_TRUE(OpenDruckenMenu()); // no class: nothing to save
    EXPECT_EQ(saves, 0);

    state().openClassFile = "9a_21222.dbf";
    EXPECT_TRUE(OpenListeMenu()); // a class open: the list opens, pending edits saved
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(OpenDruckenMenu());
    EXPECT_EQ(saves, 2);

    state().accessLocked = false;
    EXPECT_TRUE(OpenKlasseMenu());
    EXPECT_EQ(saves, 3);
    EXPECT_EQ(dialogs.size(), 2);
}

TEST_F(MainWindowTest, CloseRefusedUntilQuitCommand)
{
    form->show();
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(dir.exists("tabsperr.dat"));

    int tableClosed = 0;
    appHooks().closeClassTable = [&] { ++tableClosed; };
    form->trigger("Arbeitbeenden1");
    EXPECT_TRUE(state().quitRequested);
    EXPECT_FALSE(form->isVisible());
    EXPECT_GE(tableClosed, 1);
    EXPECT_EQ(dir.read("tabsperr.dat"), QByteArray("0\r\n"));
    EXPECT_TRUE(form->Label1->text().isEmpty());
}

TEST_F(MainWindowTest, QuitWhilePrintingAsksFirst)
{
    bool printing = true;
    int aborted = 0;
    appHooks().isPrinting = [&] { return printing; };
    appHooks().abortPrint = [&] { ++aborted; };
    form->show();

    prompt.no();
    form->Arbeitbeenden1Click();
    EXPECT_FALSE(state().quitRequested);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(prompt.lastText(), " Es wird noch gedruckt. Druckvorgang abbrechen ?");
    EXPECT_EQ(aborted, 0);

    prompt.yes();
    form->Arbeitbeenden1Click();
    EXPECT_EQ(aborted, 1);
    EXPECT_TRUE(state().quitRequested);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindowTest, QuitRemindsAndEndsTheUpdater)
{
    dir.write("dismount.dat", "");
    shellDouble.runningPrograms = {"down1.exe", "/opt/x/DOWN1.EXE", "anderes"};
    EXPECT_TRUE(ArbeitBeenden());
    ASSERT_FALSE(prompt.shown().isEmpty());
    EXPECT_TRUE(prompt.shown()[0].text.startsWith("E R I N N E R U N G:"));
    EXPECT_EQ(shellDouble.runningPrograms, QStringList({"anderes"}));
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

TEST_F(MainWindowTest, FirstActivationOnSmallScreen)
{
    MainWindowActivated(640);
    MainWindowActivated(640);
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(prompt.shown()[0].text, "Empfohlen wird eine Bildschirmauflösung von  800x600 oder 1024*768.");
}

TEST_F(MainWindowTest, SmallHandlers)
{
    form->trigger("Zeugnisse1");
    EXPECT_EQ(state().printDocKind, 1);
    EXPECT_TRUE(HasMenuHandler("Schuldaten1"));

    // The hidden file-name help: topic 110 of the program's help file.
    RecordingHelp helpDouble;
    setHelp(&helpDouble);
    state().helpFileName = "eigene.chm";
    form->trigger("WICHTIGDateinamenfrPrfungsklassen1");
    setHelp(nullptr);
    ASSERT_EQ(helpDouble.requests.size(), 1);
    EXPECT_EQ(helpDouble.requests[0].file, "eigene.chm");
    EXPECT_EQ(helpDouble.requests[0].context, 110);
}

TEST(SystemHelp, MissingHelpFileIsReported)
{
    test::TempProgramFolder dir;
    ScriptedPrompt p;
    ScopedPrompt guard(p);
    RecordingShell sh;
    setShell(&sh);
    EXPECT_FALSE(help().showTopic(dir.path(), "darovari.chm", 110));
    EXPECT_EQ(p.lastText(), "Die Hilfedatei darovari.chm wurde im Programmordner nicht gefunden.");
    dir.write("Darovari.CHM", "x");
    EXPECT_TRUE(help().showTopic(dir.path(), "darovari.chm", 110));
    ASSERT_EQ(sh.requests.size(), 1);
    EXPECT_EQ(sh.requests[0].target, dir.file("Darovari.CHM"));
    setShell(nullptr);
}

// From the menu to an open class: the list of class files, the double click,
// the label, the menu gate and the student list, which has the keyboard when
// the class was opened and again when a grade table was left.
TEST_F(MainWindowTest, ChooseAndOpenAClassThroughTheMenu)
{
    form->show();
    form->activateWindow();
    QCoreApplication::processEvents();
    chooseClass();
    ASSERT_FALSE(form->FileListBox1->isHidden());
    EXPECT_TRUE(form->FileListBox1->hasFocus());
    QStringList entries;
    for (int i = 0; i < form->FileListBox1->count(); ++i)
        entries << form->FileListBox1->item(i)->text();
    ASSERT_TRUE(entries.contains("9a_21222.dbf")) << entries.join(",").toStdString();

    form->FileListBox1->setCurrentRow(entries.indexOf("9a_21222.dbf"));
    form->FileListBox1Activate();
    EXPECT_EQ(state().openClassFile, "9a_21222.dbf") << prompt.texts().join(" | ").toStdString();
    EXPECT_EQ(form->Label1->text(), "9a_21222.dbf");
    EXPECT_TRUE(form->topEntry(3)->isEnabled());
    EXPECT_FALSE(form->DBGrid1->isHidden());
    EXPECT_TRUE(form->DBGrid1->hasFocus());
    EXPECT_EQ(form->DBGrid1->model()->rowCount(), 40);
    EXPECT_EQ(form->DBGrid1->model()->index(0, 0).data().toString(), "1");

    // A whole-class grade table takes the student list's place while open.
    form->trigger("JahresleistungEingabe1");
    EXPECT_FALSE(form->StringGrid1->isHidden()) << prompt.texts().join(" | ").toStdString();
    EXPECT_TRUE(form->DBGrid1->isHidden());
    EXPECT_TRUE(form->StringGrid1->hasFocus());
    form->trigger("speichernundverlassen1");
    EXPECT_TRUE(form->StringGrid1->isHidden());
    EXPECT_FALSE(form->DBGrid1->isHidden());
    EXPECT_TRUE(form->DBGrid1->hasFocus());

    // The grade window of the marked student.
    ClassTable().setValue(0, "NACHNAME", "Muster");
    ClassTable().setValue(0, "VORNAME", "Anna");
    ClassTable().setValue(0, "M/W", "w");
    ClassTable().post();
    state().currentStudentRecord = 0;
    form->trigger("Berichtschreiben1");
    QWidget* grades = ProgramWindow("Form2");
    ASSERT_NE(grades, nullptr);
    EXPECT_TRUE(grades->isVisible()) << prompt.texts().join(" | ").toStdString();
    EXPECT_EQ(state().currentStudentNr, "1");

    form->trigger("schlieen1");
    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_FALSE(form->topEntry(3)->isEnabled());
}

// Every entry of the class, list and grade-table menus reaches its handler.
TEST_F(MainWindowTest, ClassListAndGradeTableEntriesHaveHandlers)
{
    const QStringList entries = {
        "whlen1", "neuanlegen1", "schlieen1", "umbenennen1", "lschen1", "Datenuebernahme1",
        "ListezumSchreibenfreigeben1", "ListemitSchreibschutzversehen1", "Schlerlschen1",
        "LeereZeileeinfgen1", "Schlerinanderezeiletransportieren1", "Schlerlistesortieren1",
        "Zeugnisdatum1", "JahresleistungEingabe1", "SchriftlicheNotenEingabe1", "MndlicheNotenEingabe1",
        "PraktischePrfungsergebnisseEingabe1", "PPPraktischePrfungEingabe4Ausdruck1",
        "PLPrfungsleistungenganzeKlasseAnsichtAusdruck1", "bearbeiten1",
        "JLEZAnsichtnachDurchschnittsortieren1", "speichernundverlassen1"};
    for (const QString& name : entries) {
        ASSERT_NE(form->menuEntry(name), nullptr) << name.toStdString();
        EXPECT_TRUE(HasMenuHandler(name)) << name.toStdString();
    }
    // The hidden ones stay hidden; the rest of the grade-table menu is shown.
    for (const char* name : {"PLPrfungsleistungenganzeKlasseAnsichtAusdruck1",
                                "JLEZAnsichtnachDurchschnittsortieren1", "Zeugnisdatum1"})
        EXPECT_FALSE(form->menuEntry(name)->isVisible()) << name;
    for (const char* name : {"JahresleistungEingabe1", "bearbeiten1", "speichernundverlassen1",
                             "Schlerlistesortieren1"})
        EXPECT_TRUE(form->menuEntry(name)->isVisible()) << name;
}

// While a grade table has the focus only its own menu (and the update and
// help menus) can be opened; every refresh of the window keeps it so, and
// leaving the table gives the menus back.
TEST_F(MainWindowTest, GradeTableKeepsTheOtherMenusLockedUntilItIsLeft)
{
    chooseClass();
    form->FileListBox1->setCurrentRow(0);
    form->FileListBox1Activate();
    ASSERT_EQ(state().openClassFile, "9a_21222.dbf") << prompt.texts().join(" | ").toStdString();

    const QList<int> locked = {0, 1, 2, 3, 6, 7, 8};
    form->trigger("SchriftlicheNotenEingabe1");
    ASSERT_FALSE(form->StringGrid1->isHidden()) << prompt.texts().join(" | ").toStdString();
    for (int i : locked)
        EXPECT_FALSE(form->topEntry(i)->isEnabled()) << i;
    EXPECT_TRUE(form->topEntry(4)->isEnabled());
    EXPECT_TRUE(form->topEntry(10)->isEnabled());

    // Opening the grade-table menu runs the class gate; the lock stays.
    QMetaObject::invokeMethod(form->topMenu(4), "aboutToShow");
    NotifyMainWindow();
    for (int i : locked)
        EXPECT_FALSE(form->topEntry(i)->isEnabled()) << i;

    // A second table is refused while this one is open.
    prompt.clear();
    form->trigger("bearbeiten1");
    EXPECT_EQ(prompt.lastText(), "Tabellenwechsel nur nach dem Schließen der aktuellen Tabelle möglich.");
    EXPECT_EQ(state().gradeTableKind, 1);

    // "Tabelle schließen" on a table nothing was typed into asks nothing and
    // gives the menus back.
    prompt.clear();
    form->trigger("speichernundverlassen1");
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_TRUE(form->StringGrid1->isHidden());
    EXPECT_FALSE(form->DBGrid1->isHidden());
    for (int i : {0, 1, 2, 3, 4, 6, 7, 8})
        EXPECT_TRUE(form->topEntry(i)->isEnabled()) << i;
    EXPECT_EQ(state().gradeTableKind, 5);
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
