#include "classes/classfiles.h"
#include "classes/classrules.h"
#include "classes/classtemplate.h"
#include "classes/dbftable.h"
#include "classes/fileops.h"
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/scriptedprompt.h"
#include "platform/shell.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <shapefil.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace hsa;

namespace {

// A temporary program folder with the shipped files, scripted prompts, a
// shell without updater and a fixed date.
class ClassFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetState();
        folder.layDefaults();
        state().programDir = folder.path();
        state().accessLocked = false;
        state().versionCheckSkipped = false;
        classFiles().reset();
        classFiles().hooks().today = [this] { return today; };
        classFiles().hooks().clearClipboard = [] {};
        setShell(&shell);
        guard = std::make_unique<ScopedPrompt>(prompt);
        SetMainWindowRefresh([this] { ++refreshes; });
    }
    void TearDown() override
    {
        ClassTable().close();
        SetMainWindowRefresh(nullptr);
        setShell(nullptr);
        guard.reset();
        classFiles().reset();
    }

    // A class table made from the template; names[i] goes to record i.
    void makeClass(const QString& name, const QStringList& names = {}, int records = 40)
    {
        folder.write(name, BuildClassTemplate());
        DbfTable t;
        t.open(folder.file(name));
        for (int i = 0; i < names.size(); ++i) {
            t.setValue(i, "NACHNAME", names[i]);
            t.setValue(i, "VORNAME", QStringLiteral("Vorname%1").arg(i + 1));
            t.setValue(i, "M/W", i % 2 ? "W" : "M");
            t.setValue(i, "AG3", QStringLiteral("0%1.01.2010").arg(i % 9 + 1));
            t.setValue(i, "DEU", "2*");
            t.setValue(i, "BEMERK1", "fleißig");
        }
        while (t.recordCount() > records)
            t.deleteRecord(t.recordCount() - 1);
        while (t.recordCount() < records) {
            const int r = t.appendRecord();
            t.setValue(r, 0, QString::number(r + 1));
        }
        t.post();
        t.pack();
    }

    QStringList shownTexts() const { return prompt.texts(); }

    test::TempProgramFolder folder;
    ScriptedPrompt prompt;
    std::unique_ptr<ScopedPrompt> guard;
    RecordingShell shell;
    QDate today{2026, 3, 15};
    int refreshes = 0;
};

QString br()
{
    return QStringLiteral("\n\r");
}

} // namespace

// ---------------------------------------------------------------------------
// Rules

TEST(ClassRules, SchoolYearNeedsFourDigitsThatFollowTheRule)
{
    EXPECT_TRUE(SchoolYearAccepted("2526", kRenameYearList));
    EXPECT_TRUE(SchoolYearAccepted("9900", kRenameYearList));
    EXPECT_TRUE(SchoolYearAccepted("2939", kRenameYearList));   // a piece of the list
    EXPECT_TRUE(SchoolYearAccepted("0910", kCreateYearList));
    EXPECT_FALSE(SchoolYearAccepted("2527", kRenameYearList));
    // Shorter pieces of the list no longer pass: they would make names the
    // class list never shows.
    EXPECT_FALSE(SchoolYearAccepted("9", kRenameYearList));
    EXPECT_FALSE(SchoolYearAccepted("929", kRenameYearList));
    EXPECT_FALSE(SchoolYearAccepted("", kRenameYearList));
    EXPECT_FALSE(SchoolYearAccepted("25a6", kRenameYearList));
    EXPECT_FALSE(SchoolYearAccepted("-1 0", kRenameYearList));
}

TEST(ClassRules, DefaultSchoolYear)
{
    EXPECT_EQ(DefaultSchoolYear(QDate(2026, 3, 15)), "2526");
    EXPECT_EQ(DefaultSchoolYear(QDate(2026, 8, 1)), "2627");
    EXPECT_EQ(DefaultSchoolYear(QDate(2010, 7, 31)), "0910");
    EXPECT_EQ(DefaultSchoolYear(QDate(2000, 7, 31)), "9900");
    EXPECT_EQ(DefaultSchoolYear(QDate(2005, 9, 1)), "0506");
    EXPECT_EQ(DefaultSchoolYear(QDate(2045, 9, 1)), "45");
}

TEST(ClassRules, KlasseValues)
{
    EXPECT_EQ(KlasseValue("xa", KlasseFor::Rename), "10a");
    EXPECT_EQ(KlasseValue("Yc", KlasseFor::TakeOver), "10c");
    EXPECT_EQ(KlasseValue("9-", KlasseFor::Rename), "9");
    EXPECT_EQ(KlasseValue("9-", KlasseFor::TakeOver), "9");
    EXPECT_EQ(KlasseValue("9-", KlasseFor::Create), "9 ");
    EXPECT_EQ(KlasseValue("x-", KlasseFor::Create), "10 ");
    EXPECT_EQ(KlasseValue("Fb", KlasseFor::Rename), "9b_sf");
    EXPECT_EQ(KlasseValue("gb", KlasseFor::Rename), "10bS");
    EXPECT_EQ(KlasseValue("7b", KlasseFor::Rename), "7b");
    EXPECT_EQ(KlasseValue("4a", KlasseFor::Create), "4a");
}

TEST(ClassRules, ClassCodes)
{
    const QString normal = QStringLiteral("der Werkrealschule");
    const QString special = QStringLiteral("des SBBZ (Förderschule)");
    EXPECT_EQ(AcceptClassCode("xa", CodeUse::Create, normal), QString("xa"));
    EXPECT_EQ(AcceptClassCode("9", CodeUse::Create, normal), QString("9-"));
    EXPECT_EQ(AcceptClassCode("9 ", CodeUse::Create, normal), QString("9-"));
    EXPECT_EQ(AcceptClassCode("9 ", CodeUse::TakeOver, normal), QString("9-"));
    EXPECT_EQ(AcceptClassCode("9 ", CodeUse::Rename, normal), std::nullopt);
    EXPECT_EQ(AcceptClassCode("9-", CodeUse::Rename, normal), QString("9-"));
    EXPECT_EQ(AcceptClassCode("10", CodeUse::Create, normal), std::nullopt);
    EXPECT_EQ(AcceptClassCode("", CodeUse::Create, normal), std::nullopt);
    EXPECT_EQ(AcceptClassCode("ya", CodeUse::TakeOver, normal), std::nullopt);
    EXPECT_EQ(AcceptClassCode("Fa", CodeUse::Rename, normal), QString("Fa"));
    EXPECT_EQ(AcceptClassCode("Fa", CodeUse::Create, normal), std::nullopt);
    EXPECT_EQ(AcceptClassCode("4a", CodeUse::Create, normal), std::nullopt);
    EXPECT_EQ(AcceptClassCode("4a", CodeUse::Create, special), QString("4a"));
    // Characters that do not belong in a file name are refused.
    for (const char* bad : {"9/", "9\\", "9.", "9:", "9*", "9?", "9_", "9\"", "9<", "9|"})
        EXPECT_EQ(AcceptClassCode(bad, CodeUse::Create, normal), std::nullopt) << bad;
    EXPECT_EQ(AcceptClassCode(QStringLiteral("9ä"), CodeUse::Create, normal), QStringLiteral("9ä"));
}

TEST(ClassRules, NamesAndMasks)
{
    EXPECT_EQ(ClassFolderName("9a_25262.dbf"), "9a_25262");
    EXPECT_EQ(ExamBoardFileName("9a_25262.dbf"), "vor25269.dat");
    EXPECT_EQ(ExamBoardFileName("xa_25262.dbf"), "vor2526x.dat");
    EXPECT_TRUE(IsFamilyClassTableName("9a-20212.dbf"));
    EXPECT_TRUE(IsFamilyClassTableName("9--20212.DBF"));
    EXPECT_FALSE(IsFamilyClassTableName("9a_20212.dbf"));
    EXPECT_FALSE(IsFamilyClassTableName("ab-cdefg.dbf"));
    EXPECT_FALSE(IsFamilyClassTableName("9a-2021.dbf"));
    const QStringList masks = SplitMasks(kClassTableMask);
    EXPECT_TRUE(MatchesMasks("9a_25262.dbf", masks));
    EXPECT_TRUE(MatchesMasks("XA_25262.DBF", masks));
    EXPECT_FALSE(MatchesMasks("9a_25261.dbf", masks));
    EXPECT_FALSE(MatchesMasks("ya_25262.dbf", masks));
    EXPECT_FALSE(MatchesMasks("4a_25262.dbf", masks));
    EXPECT_FALSE(MatchesMasks("9a-25262.dbf", masks));
}

// ---------------------------------------------------------------------------
// Choosing and opening

TEST_F(ClassFilesTest, ChooseListsClassTablesOfLevel9AndX)
{
    for (const char* n : {"9a_25262.dbf", "xb_25262.dbf", "Xc_25262.dbf", "ya_25262.dbf", "4a_25262.dbf",
                          "9a_25261.dbf", "9a-25262.dbf"})
        folder.write(n, BuildClassTemplate());
    bool printed = false;
    classFiles().hooks().applyPrintSettings = [&] { printed = true; };
    state().print.printStretchX = 2.0;
    state().print.printLandscape = true;

    classFiles().Choose();

    const ClassListView& v = classFiles().view();
    EXPECT_EQ(classFiles().mode(), kModeChoose);
    EXPECT_TRUE(v.listVisible);
    EXPECT_EQ(v.listEntries, QStringList({"9a_25262.dbf", "xb_25262.dbf", "Xc_25262.dbf"}));
    EXPECT_EQ(v.listSelected, 0);
    EXPECT_FALSE(v.studentListVisible);
    EXPECT_TRUE(v.studentListReadOnly);
    EXPECT_EQ(v.label3Text, kListProtectedCaption);
    EXPECT_TRUE(v.writeProtectedChecked);
    EXPECT_FALSE(v.writeEnabledChecked);
    EXPECT_FALSE(v.startScreenVisible);
    EXPECT_TRUE(printed);
    EXPECT_EQ(state().print.printStretchX, 1.0);
    EXPECT_FALSE(state().print.printLandscape);
    EXPECT_TRUE(shownTexts().isEmpty());
    EXPECT_GT(refreshes, 0);
}

TEST_F(ClassFilesTest, ChooseRefusals)
{
    state().openClassFile = "9a_25262.dbf";
    classFiles().Choose();
    EXPECT_EQ(prompt.lastText(), "Erst Klasse schließen");
    EXPECT_FALSE(classFiles().view().listVisible);

    state().openClassFile.clear();
    prompt.clear();
    state().accessLocked = true;
    classFiles().Choose();
    EXPECT_TRUE(shownTexts().isEmpty());
    EXPECT_FALSE(classFiles().view().listVisible);

    state().accessLocked = false;
    shell.runningPrograms << "down1.exe";
    classFiles().Choose();
    EXPECT_TRUE(prompt.lastText().startsWith("Das Updatemodul \"down1.exe\" läuft noch."));
    EXPECT_FALSE(classFiles().view().listVisible);

    shell.runningPrograms.clear();
    prompt.clear();
    state().versionCheckSkipped = true;
    state().eveningSchoolMode = true;
    state().schoolTypeText.clear();
    classFiles().Choose();
    ASSERT_EQ(shownTexts().size(), 1);
    EXPECT_TRUE(shownTexts()[0].startsWith("H I N W E I S :   A K T U A L I T Ä T S P R Ü F U N G "));
    EXPECT_TRUE(shownTexts()[0].contains("Das ist ein unnötiges  R I S I K O"));
    EXPECT_TRUE(classFiles().view().listVisible);
    EXPECT_FALSE(classFiles().view().practicalExamEntryVisible);
    EXPECT_EQ(state().schoolTypeText, "der Werkrealschule");
}

TEST_F(ClassFilesTest, ChooseResetsTheSubjectTextsOfTheClassBefore)
{
    subjects().subjectBlockHeading = "Fächer der alten Klasse";
    subjects().footerLines[0] = "Fußzeile der alten Klasse";
    SyncSubjectState();
    classFiles().Choose();
    EXPECT_EQ(state().subjectBlockHeading, "Leistungen in den einzelnen Fächern:");
    EXPECT_EQ(state().footerLines[0], "");
}

TEST_F(ClassFilesTest, FirstChooseTakesThePrinterFont)
{
    folder.write("schrift2.dat", "Liberation Serif\r\n 9.50000000000000E-0001\r\n");
    classFiles().Choose();
    EXPECT_EQ(state().print.printerFontName, "Liberation Serif");
    state().print.printerFontName = "Arial";
    classFiles().ListEscape();
    classFiles().Choose();
    EXPECT_EQ(state().print.printerFontName, "Arial");
}

TEST_F(ClassFilesTest, OpenCutsTo40AndLoadsTheClassLevel)
{
    makeClass("9a_25262.dbf", {"Adler", "Berger"}, 45);
    folder.write("vor25269.dat", "Dr. Vorsitz\r\nRektorin Leitung\r\n");
    state().examChairName = "alt";
    classFiles().Choose();
    classFiles().Activate("9a_25262.dbf");

    EXPECT_EQ(state().openClassFile, "9a_25262.dbf");
    EXPECT_TRUE(ClassTable().isOpen());
    EXPECT_EQ(ClassTable().recordCount(), 40);
    EXPECT_EQ(ClassTable().value(1, "NACHNAME"), "Berger");
    EXPECT_TRUE(QFileInfo(folder.file("9a_25262")).isDir());
    EXPECT_EQ(state().classDir, folder.file("9a_25262") + "/");
    EXPECT_EQ(state().examChairName, "Dr. Vorsitz");
    EXPECT_EQ(state().headTeacherName, "Rektorin Leitung");
    EXPECT_EQ(state().subjectData.subjectFileName, "fa9-mit.DAT");
    const ClassListView& v = classFiles().view();
    EXPECT_FALSE(v.listVisible);
    EXPECT_TRUE(v.studentListVisible);
    EXPECT_TRUE(v.gradeEditsEditable);
    EXPECT_EQ(classFiles().mode(), kModeChoose);
    ASSERT_FALSE(shownTexts().isEmpty());
    EXPECT_EQ(prompt.lastText(),
              "KLASSE 9:" + br() +
                  "Bei angestrebtem Hauptschulabschluss muss auch eine PROJEKTARBEITSNOTE eingetragen werden." +
                  br() + "Der Eintrag erfolgt in der Spalte \"schr\" der Notentabelle eines Einzelschülers." + br() +
                  "Hier ist das Fachgewicht nach urprünglicher Prüfungsordnung automatisch = 1.");
    ClassTable().close();
    // The file itself holds 40 records now.
    const QByteArray bytes = folder.read("9a_25262.dbf");
    EXPECT_EQ(bytes[4], 40);
    EXPECT_EQ(bytes.size(), 1313 + 40 * 822 + 1);
}

TEST_F(ClassFilesTest, OpenKeepsShorterTablesAndNamesWithoutBoardFile)
{
    makeClass("xa_25262.dbf", {"Adler"}, 38);
    state().examChairName = "bleibt";
    classFiles().Choose();
    classFiles().Activate("xa_25262.dbf");
    EXPECT_EQ(ClassTable().recordCount(), 38);
    EXPECT_EQ(state().examChairName, "bleibt");
    EXPECT_TRUE(prompt.lastText().startsWith("REALSCHULABSCHLUSS / WERKREALSCHULABSCHLUSS:"));
    EXPECT_EQ(state().subjectData.subjectFileName, "fax-mit.DAT");
}

TEST_F(ClassFilesTest, ATableWithoutTheStudentFieldsIsNoClass)
{
    DBFHandle h = DBFCreate(QFile::encodeName(folder.file("9a_25262.dbf")).constData());
    DBFAddField(h, "NR", FTString, 2, 0);
    DBFAddField(h, "NAME", FTString, 30, 0);
    DBFWriteAttributeDirectly(h, 0, 0, const_cast<char*>("1"));
    DBFClose(h);
    const QByteArray before = folder.read("9a_25262.dbf");
    classFiles().Choose();
    prompt.clear();
    classFiles().Activate("9a_25262.dbf");
    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_TRUE(prompt.lastText().contains(" ist beschädigt "));
    EXPECT_EQ(folder.read("9a_25262.dbf"), before);
}

TEST_F(ClassFilesTest, OpenFailureLeavesNoClassOpen)
{
    makeClass("9a_25262.dbf");
    classFiles().Choose();
    // Another program holds the table.
    const pid_t pid = fork();
    if (pid == 0) {
        DbfTable t;
        t.open(folder.file("9a_25262.dbf"));
        sleep(3);
        _exit(0);
    }
    // Wait until the child holds the lock.
    for (int i = 0; i < 300 && !TableInUse(folder.file("9a_25262.dbf")); ++i)
        usleep(10000);
    ASSERT_TRUE(TableInUse(folder.file("9a_25262.dbf")));
    refreshes = 0;
    classFiles().Activate("9a_25262.dbf");
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);

    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_FALSE(ClassTable().isOpen());
    EXPECT_FALSE(classFiles().view().studentListVisible);
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(prompt.shown()[0].kind, MsgKind::Error);
    EXPECT_EQ(prompt.lastText(), "Datei " + folder.file("9a_25262.dbf") + " kann nicht geöffnet werden");
    EXPECT_GT(refreshes, 0);

    // A damaged table: the same.
    folder.write("9b_25262.dbf", "kaputt");
    prompt.clear();
    classFiles().Choose();
    classFiles().Activate("9b_25262.dbf");
    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_FALSE(ClassTable().isOpen());
}

TEST_F(ClassFilesTest, DoubleClickIgnoresWhatTheListDoesNotHold)
{
    makeClass("9a_25262.dbf");
    folder.write("ya_25262.dbf", BuildClassTemplate());
    classFiles().Choose();
    classFiles().Activate("");
    classFiles().Activate("ya_25262.dbf");        // level y is not opened from the list
    classFiles().Activate("../9a_25262.dbf");     // no paths
    classFiles().Activate("9z_25262.dbf");        // not there
    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_TRUE(classFiles().view().bevel2Visible);
    EXPECT_TRUE(shownTexts().isEmpty());
}

TEST_F(ClassFilesTest, CloseAndWriteProtection)
{
    makeClass("9a_25262.dbf");
    classFiles().Choose();
    classFiles().Activate("9a_25262.dbf");
    classFiles().EnableListWriting();
    EXPECT_FALSE(classFiles().view().studentListReadOnly);
    EXPECT_EQ(classFiles().view().label3Text, kListWritableCaption);
    EXPECT_TRUE(classFiles().view().writeEnabledChecked);
    EXPECT_FALSE(classFiles().view().writeProtectedChecked);
    EXPECT_TRUE(classFiles().view().firstColumnReadOnly);
    classFiles().ProtectList();
    EXPECT_TRUE(classFiles().view().studentListReadOnly);
    EXPECT_EQ(classFiles().view().label3Text, kListProtectedCaption);
    EXPECT_TRUE(classFiles().view().writeProtectedChecked);

    bool wordClosed = false;
    classFiles().hooks().noWordDocumentsOpen = [&] { return wordClosed; };
    EXPECT_FALSE(classFiles().Close());
    EXPECT_EQ(state().openClassFile, "9a_25262.dbf");
    EXPECT_TRUE(ClassTable().isOpen());
    wordClosed = true;
    EXPECT_TRUE(classFiles().Close());
    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_FALSE(ClassTable().isOpen());
    EXPECT_FALSE(classFiles().view().studentListVisible);
    EXPECT_FALSE(classFiles().view().label3Visible);
    EXPECT_FALSE(classFiles().view().firstColumnReadOnly);
    // The lock is gone with the close.
    EXPECT_FALSE(TableInUse(folder.file("9a_25262.dbf")));
}

// ---------------------------------------------------------------------------
// Deleting

TEST_F(ClassFilesTest, DeleteRemovesTableStudentFilesAndEmptyFolder)
{
    makeClass("9a_25262.dbf");
    makeClass("9b_25262.dbf");
    for (const char* f : {"9a_25262/v.1", "9a_25262/m.1", "9a_25262/l.40", "9b_25262/v.1", "9b_25262/anlage.doc",
                          "9b_25262/v.2"})
        folder.write(f, "x");
    classFiles().PrepareDelete();
    EXPECT_EQ(classFiles().mode(), kModeDelete);
    EXPECT_EQ(classFiles().view().listEntries, QStringList({"9a_25262.dbf", "9b_25262.dbf"}));

    prompt.yes();
    classFiles().Activate("9a_25262.dbf");
    EXPECT_EQ(prompt.shown()[0].text, "9a_25262.dbf wirklich löschen ?");
    EXPECT_EQ(prompt.shown()[0].defaultButton, Answer::No);   // Return never deletes
    EXPECT_FALSE(folder.exists("9a_25262.dbf"));
    EXPECT_FALSE(folder.exists("9a_25262"));
    EXPECT_EQ(classFiles().view().listEntries, QStringList({"9b_25262.dbf"}));
    EXPECT_TRUE(classFiles().mode().isEmpty());
    EXPECT_FALSE(classFiles().view().listVisible);
    EXPECT_TRUE(state().openClassFile.isEmpty());

    classFiles().PrepareDelete();
    prompt.yes();
    classFiles().Activate("9b_25262.dbf");
    EXPECT_FALSE(folder.exists("9b_25262.dbf"));
    EXPECT_FALSE(folder.exists("9b_25262/v.1"));
    EXPECT_TRUE(folder.exists("9b_25262/anlage.doc"));   // the folder stays with it
}

TEST_F(ClassFilesTest, DeleteRefusalsLeaveEverything)
{
    makeClass("9a_25262.dbf");
    folder.write("9a_25262/v.1", "x");
    classFiles().PrepareDelete();
    prompt.no();
    classFiles().Activate("9a_25262.dbf");
    EXPECT_TRUE(folder.exists("9a_25262.dbf"));
    EXPECT_TRUE(folder.exists("9a_25262/v.1"));

    // In use by another opener.
    DbfTable other;
    other.open(folder.file("9a_25262.dbf"));
    prompt.clear();
    classFiles().PrepareDelete();
    prompt.yes();
    classFiles().Activate("9a_25262.dbf");
    EXPECT_EQ(prompt.lastText(), "Löschversuch fehlgeschlagen");
    EXPECT_TRUE(folder.exists("9a_25262.dbf"));
    EXPECT_TRUE(folder.exists("9a_25262/v.1"));
    other.close();

    // With a class open nothing starts.
    classFiles().Choose();
    classFiles().Activate("9a_25262.dbf");
    prompt.clear();
    classFiles().PrepareDelete();
    EXPECT_EQ(prompt.lastText(), "Erst Klasse schließen");
    EXPECT_NE(classFiles().mode(), kModeDelete);
}

// ---------------------------------------------------------------------------
// Renaming

TEST_F(ClassFilesTest, RenameToLevel10)
{
    makeClass("9a_25262.dbf", {"Adler", "Berger"});
    folder.write("9a_25262/v.1", "noten");
    prompt.no();   // no, do not stop for a backup
    classFiles().PrepareRename();
    EXPECT_TRUE(prompt.shown()[0].text.startsWith("Empfehlung:" + br() + br() + "Bevor Sie eine Klassendatei"));
    EXPECT_EQ(classFiles().mode(), kModeRename);

    prompt.yes().text("10a").text("xa").text("2526");
    classFiles().Activate("9a_25262.dbf");
    const auto shown = prompt.shown();
    EXPECT_EQ(shown[1].text, "9a_25262.dbf wirklich umbenennen?");
    EXPECT_EQ(shown[2].caption, "9a_25262.dbf umbenennen:");
    EXPECT_EQ(shown[2].text, "Neue Klasse (Ziffer+Buchstabe) ");
    EXPECT_EQ(shown[2].preset, "9a");
    EXPECT_EQ(shown[3].text, "Abkürzungen hier :  10a = xa  ,  11c = yc , usw. ");
    EXPECT_EQ(shown[4].preset, "10");   // asked again
    EXPECT_EQ(shown[5].text, "Schuljahr (nur 4 Ziffern, z.B. 9697)");
    EXPECT_EQ(shown[5].preset, "2526");
    EXPECT_EQ(prompt.lastText(), "Erledigt. Rufen Sie jetzt die neue Klasse xa_25262.dbf auf.");

    EXPECT_FALSE(folder.exists("9a_25262.dbf"));
    EXPECT_FALSE(folder.exists("9a_25262"));
    EXPECT_EQ(folder.read("xa_25262/v.1"), "noten");
    DbfTable t;
    t.open(folder.file("xa_25262.dbf"));
    for (int r = 0; r < 40; ++r)
        EXPECT_EQ(t.value(r, "KLASSE"), "10a");
    EXPECT_EQ(t.value(0, "NACHNAME"), "Adler");
    EXPECT_EQ(t.value(0, "DEU"), "2*");   // nothing cleared for a second half-year table
    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_TRUE(classFiles().mode().isEmpty());
    EXPECT_FALSE(ClassTable().isOpen());
}

TEST_F(ClassFilesTest, RenameFirstHalfYearClearsGradesButKeepsBirthData)
{
    makeClass("9a_25261.dbf", {"Adler"});
    {
        DbfTable t;
        t.open(folder.file("9a_25261.dbf"));
        t.setValue(0, "AG4", "Öhringen");
        t.setValue(0, "HINWEIS1", "Hinweis");
        t.setValue(0, "DATUM", "01.02.2026");
    }
    classFiles().ShowList(kModeRename, folder.path(), "9?_????1.dbf");
    prompt.yes().text("9").text("2526").yes().yes().yes();
    classFiles().Activate("9a_25261.dbf");
    EXPECT_TRUE(prompt.anyTextContains("Sollen dabei Noten und Bemerkungen gelöscht werden?"));
    EXPECT_TRUE(prompt.anyTextContains("Halbjahresnoten und Bemerkungen sollten gelöscht werden. "
                                       "(Im 2. Halbjahr gibt es keine Zwischennoten)"));
    EXPECT_EQ(prompt.remainingAnswers(), 0);
    DbfTable t;
    t.open(folder.file("9-_25262.dbf"));
    EXPECT_EQ(t.value(0, "KLASSE"), "9");
    EXPECT_EQ(t.value(0, "NACHNAME"), "Adler");
    EXPECT_EQ(t.value(0, "AG3"), "01.01.2010");
    EXPECT_EQ(t.value(0, "AG4"), "Öhringen");
    EXPECT_TRUE(t.value(0, "DEU").isEmpty());
    EXPECT_TRUE(t.value(0, "BEMERK1").isEmpty());
    EXPECT_TRUE(t.value(0, "HINWEIS1").isEmpty());
    EXPECT_TRUE(t.value(0, "DATUM").isEmpty());
}

TEST_F(ClassFilesTest, RenameRefusals)
{
    makeClass("9a_25262.dbf");
    makeClass("9b_25262.dbf");
    folder.write("9a_25262/v.1", "a");

    // Target table exists.
    classFiles().ShowList(kModeRename, folder.path(), kClassTableMask);
    prompt.yes().text("9b").text("2526");
    classFiles().Activate("9a_25262.dbf");
    EXPECT_EQ(prompt.lastText(), "9b_25262.dbf existiert bereits! (Bitte ggf. erst löschen) ");
    EXPECT_TRUE(folder.exists("9a_25262.dbf"));

    // Target folder exists: nothing is renamed.
    folder.write("9c_25262/fremd.txt", "x");
    prompt.clear();
    classFiles().ShowList(kModeRename, folder.path(), kClassTableMask);
    prompt.yes().text("9c").text("2526");
    classFiles().Activate("9a_25262.dbf");
    EXPECT_EQ(prompt.lastText(), "9c_25262 existiert bereits! (Bitte ggf. erst löschen) ");
    EXPECT_TRUE(folder.exists("9a_25262.dbf"));
    EXPECT_TRUE(folder.exists("9a_25262/v.1"));
    EXPECT_FALSE(folder.exists("9c_25262.dbf"));

    // The folder cannot be renamed: the table's rename is undone, table and
    // folder stay together under the old name.
    prompt.clear();
    int renames = 0;
    const auto plainRename = classFiles().hooks().renamePath;
    classFiles().hooks().renamePath = [&](const QString& from, const QString& to) {
        return ++renames != 2 && QFile::rename(from, to);
    };
    classFiles().ShowList(kModeRename, folder.path(), kClassTableMask);
    prompt.yes().text("9e").text("2526");
    classFiles().Activate("9a_25262.dbf");
    EXPECT_EQ(renames, 3);
    EXPECT_EQ(prompt.lastText(), "Verzeichnis " + QDir::toNativeSeparators(folder.file("9a_25262"))
                                     + " kann nicht umbenannt werden");
    EXPECT_TRUE(folder.exists("9a_25262.dbf"));
    EXPECT_TRUE(folder.exists("9a_25262/v.1"));
    EXPECT_FALSE(folder.exists("9e_25262.dbf"));
    classFiles().hooks().renamePath = plainRename;

    // Short school years are asked again; cancel ends without change.
    prompt.clear();
    classFiles().ShowList(kModeRename, folder.path(), kClassTableMask);
    prompt.yes().text("9d").text("9").cancelText();
    classFiles().Activate("9a_25262.dbf");
    EXPECT_TRUE(folder.exists("9a_25262.dbf"));
    EXPECT_FALSE(folder.exists("9d_25262.dbf"));
    EXPECT_TRUE(classFiles().mode().isEmpty());

    // Unsafe class codes are asked again.
    prompt.clear();
    classFiles().ShowList(kModeRename, folder.path(), kClassTableMask);
    prompt.yes().text("9/").text("9.").cancelText();
    classFiles().Activate("9a_25262.dbf");
    EXPECT_EQ(prompt.remainingAnswers(), 0);
    EXPECT_TRUE(folder.exists("9a_25262.dbf"));

    // No: nothing asked further.
    prompt.clear();
    classFiles().ShowList(kModeRename, folder.path(), kClassTableMask);
    prompt.no();
    classFiles().Activate("9a_25262.dbf");
    EXPECT_EQ(prompt.shown().size(), 1);

    // "Yes, stop for a backup" ends the preparation.
    prompt.clear();
    classFiles().setMode("");
    prompt.yes();
    classFiles().PrepareRename();
    EXPECT_TRUE(classFiles().mode().isEmpty());
    EXPECT_FALSE(classFiles().view().listVisible);
}

TEST_F(ClassFilesTest, RenameWithoutClassFolder)
{
    // A class whose folder is missing is renamed all the same; opening it
    // later creates the folder.
    makeClass("9a_25262.dbf");
    classFiles().ShowList(kModeRename, folder.path(), kClassTableMask);
    prompt.yes().text("9e").text("2526");
    classFiles().Activate("9a_25262.dbf");
    EXPECT_TRUE(folder.exists("9e_25262.dbf"));
    EXPECT_FALSE(folder.exists("9a_25262.dbf"));
    EXPECT_FALSE(folder.exists("9e_25262"));
    EXPECT_EQ(prompt.lastText(), "Erledigt. Rufen Sie jetzt die neue Klasse 9e_25262.dbf auf.");
}

// ---------------------------------------------------------------------------
// Creating by hand

TEST_F(ClassFilesTest, CreateByHandFromNothing)
{
    prompt.yes().text("10").text("9").text("2526");
    classFiles().CreateByHand();
    const auto shown = prompt.shown();
    EXPECT_EQ(shown[0].kind, MsgKind::Warning);
    EXPECT_TRUE(shown[0].text.startsWith("HINWEIS:"));
    EXPECT_TRUE(shown[0].text.endsWith("Trotzdem \"von Hand\" anlegen?"));
    EXPECT_TRUE(shown[1].text.startsWith("Bitte achten Sie auf den richtigen Anfangsbuchstaben im Dateinamen!"));
    EXPECT_EQ(shown[2].caption, "Neue Klasse (2 Zeichen)");
    EXPECT_EQ(shown[2].text, "z.B. 9a,9b, xa ...");
    EXPECT_EQ(shown[2].preset, "xa");
    EXPECT_EQ(shown[3].text, "Abkürzungen hier: 9a, xa, ...");
    EXPECT_EQ(shown[5].caption, "Schuljahr für die Klasse 9-");
    EXPECT_EQ(shown[5].text, "Schuljahr (nur 4 Ziffern, z.B. 1920)");
    EXPECT_EQ(shown[5].preset, "2526");

    EXPECT_EQ(state().openClassFile, "9-_25262.dbf");
    ASSERT_TRUE(ClassTable().isOpen());
    DbfTable& t = ClassTable();
    ASSERT_EQ(t.recordCount(), 40);
    for (int r = 0; r < 40; ++r) {
        EXPECT_EQ(t.value(r, "NR"), QString::number(r + 1));
        EXPECT_EQ(t.rawValue(r, ClassField::KLASSE).left(2), "9 ");
        EXPECT_EQ(t.value(r, ClassField::NoneMark), "---");
        EXPECT_TRUE(t.value(r, "HJ").isEmpty());
        EXPECT_TRUE(t.value(r, "NACHNAME").isEmpty());
    }
    EXPECT_TRUE(QFileInfo(folder.file("9-_25262")).isDir());
    const ClassListView& v = classFiles().view();
    EXPECT_TRUE(v.studentListVisible);
    EXPECT_FALSE(v.studentListReadOnly);
    EXPECT_EQ(v.label3Text, kListWritableCaption);
    EXPECT_TRUE(v.writeEnabledChecked);
    EXPECT_TRUE(v.firstColumnReadOnly);
    EXPECT_EQ(classFiles().mode(), kModeNewClass);
}

TEST_F(ClassFilesTest, CreateByHandTakesNamesAndReportsOfTheFirstHalfYear)
{
    makeClass("xa_25261.dbf", {"Adler", "Berger", "Conrad"}, 3);
    folder.write("xa_25261/v.2", "zwei");
    folder.write("xa_25261/l.3", "drei");
    folder.write("vor2526x.dat", "Vorsitz\r\nLeitung\r\n");
    prompt.yes().text("xa").text("2526").yes().yes();
    classFiles().CreateByHand();
    EXPECT_TRUE(prompt.anyTextContains("Namen aus der Datei  xa_25261.dbf übernehmen ?"));
    EXPECT_TRUE(prompt.anyTextContains("Berichte aus der Datei  xa_25261.dbf als Vorlage übernehmen?"));
    EXPECT_EQ(state().openClassFile, "xa_25262.dbf");
    DbfTable& t = ClassTable();
    EXPECT_EQ(t.value(0, "NACHNAME"), "Adler");
    EXPECT_EQ(t.value(0, "VORNAME"), "Vorname1");
    EXPECT_EQ(t.value(1, "M/W"), "W");
    EXPECT_EQ(t.value(2, "NACHNAME"), "Conrad");
    // The older table ends after three records: the rest stays empty.
    for (int r = 3; r < 40; ++r) {
        EXPECT_TRUE(t.value(r, "NACHNAME").isEmpty()) << r;
        EXPECT_TRUE(t.value(r, "VORNAME").isEmpty()) << r;
    }
    EXPECT_EQ(t.value(0, "KLASSE"), "10a");
    EXPECT_EQ(t.value(0, "HJ"), "W");
    EXPECT_TRUE(t.value(0, "AG3").isEmpty());     // only names and gender come over
    EXPECT_EQ(folder.read("xa_25262/v.2"), "zwei");
    EXPECT_EQ(folder.read("xa_25262/l.3"), "drei");
    EXPECT_EQ(state().examChairName, "Vorsitz");
    EXPECT_EQ(state().headTeacherName, "Leitung");
}

TEST_F(ClassFilesTest, CreateByHandRefusals)
{
    // No.
    prompt.no();
    classFiles().CreateByHand();
    EXPECT_EQ(prompt.shown().size(), 1);

    // Name exists.
    makeClass("9a_25262.dbf");
    prompt.clear();
    prompt.yes().text("9a").text("2526");
    classFiles().CreateByHand();
    EXPECT_EQ(prompt.lastText(), "9a_25262.dbf existiert bereits! (Bitte ggf. erst löschen) ");

    // No template.
    QFile::remove(folder.file("start2.dbf"));
    prompt.clear();
    prompt.yes().text("9b").text("2526");
    classFiles().CreateByHand();
    EXPECT_EQ(prompt.lastText(), "Finde die Grunddatei start2.dbf nicht !");
    EXPECT_FALSE(folder.exists("9b_25262.dbf"));
    EXPECT_TRUE(state().openClassFile.isEmpty());

    // Locked: the password dialog, still locked: end.
    state().accessLocked = true;
    int dialogs = 0;
    classFiles().hooks().showPasswordDialog = [&](bool modal) {
        EXPECT_FALSE(modal);
        ++dialogs;
    };
    prompt.clear();
    prompt.yes();
    classFiles().CreateByHand();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(prompt.remainingAnswers(), 0);
    EXPECT_TRUE(state().openClassFile.isEmpty());

    // A class open.
    state().accessLocked = false;
    state().openClassFile = "9a_25262.dbf";
    prompt.clear();
    prompt.yes();
    classFiles().CreateByHand();
    EXPECT_EQ(prompt.lastText(), "Erst Klasse schließen");
}

// ---------------------------------------------------------------------------
// Taking over a family class table

namespace {

// A family table of its own shape with names stored as the family does:
// code-page-850 umlauts.  One deleted record in the middle.
void makeFamilyTable(const QString& path, const QList<QByteArray>& surnames)
{
    DBFHandle h = DBFCreate(QFile::encodeName(path).constData());
    DBFAddField(h, "NR", FTString, 2, 0);
    DBFAddField(h, "NACHNAME", FTString, 30, 0);
    DBFAddField(h, "VORNAME", FTString, 30, 0);
    DBFAddField(h, "AG3", FTString, 10, 0);
    DBFAddField(h, "AG4", FTString, 30, 0);
    DBFAddField(h, "ZNOTE", FTDouble, 4, 1);
    int rec = 0;
    for (int i = 0; i < surnames.size(); ++i) {
        if (i == 1) {
            DBFWriteAttributeDirectly(h, rec, 1, const_cast<char*>("Geloescht"));
            DBFMarkRecordDeleted(h, rec, 1);
            ++rec;
        }
        DBFWriteAttributeDirectly(h, rec, 0, const_cast<char*>(QByteArray::number(i + 1).constData()));
        DBFWriteAttributeDirectly(h, rec, 1, const_cast<char*>(surnames[i].constData()));
        DBFWriteAttributeDirectly(h, rec, 2, const_cast<char*>("J\x81rgen"));
        DBFWriteAttributeDirectly(h, rec, 3, const_cast<char*>("12.03.2010"));
        DBFWriteAttributeDirectly(h, rec, 4, const_cast<char*>("N\x81rtingen"));
        ++rec;
    }
    DBFClose(h);
}

} // namespace

TEST_F(ClassFilesTest, TakeOverFamilyTable)
{
    makeFamilyTable(folder.file("9a-25262.dbf"), {"M\x81ller", "Gr\x94\xE1", "S\xE1nchez"});
    classFiles().PrepareTakeOver();
    EXPECT_TRUE(prompt.lastText().startsWith("Anlegen einer Wendra-Prüfungsklasse mit Übernahme der Namen aus einer "
                                             "Korvi-Klassendatei mit Endung dbf"));
    EXPECT_TRUE(prompt.lastText().contains("Das Arbeitsverzeichnis von Wendra heißt: " + folder.path()));
    EXPECT_EQ(classFiles().mode(), kModeTakeOver);
    EXPECT_EQ(classFiles().view().listEntries, QStringList({"9a-25262.dbf"}));

    prompt.clear();
    prompt.text("10").text("9a").text("2526");
    classFiles().Activate("9a-25262.dbf");
    const auto shown = prompt.shown();
    EXPECT_EQ(shown[0].caption, "Datenübernahme aus 9a-25262.dbf");
    EXPECT_EQ(shown[0].text, "Neue Prüfungsklasse (Beisp: 9a oder xa ) ");
    EXPECT_EQ(shown[0].preset, "9a");
    EXPECT_EQ(shown[1].text, "Eingabe statt 10a :xa ");
    EXPECT_EQ(shown[3].caption, "Prüfungsklasse 9a anlegen:");
    EXPECT_EQ(shown[3].text, "Schuljahr (nur 4 Ziffern, z.B. 2021)");
    EXPECT_EQ(shown[3].preset, "2526");
    EXPECT_TRUE(prompt.lastText().startsWith("Erledigt. Rufen Sie jetzt die neue Klasse 9a_25262.dbf auf." + br() +
                                             br() + "HINWEIS: Sie können problemlos alle Schüler löschen"));

    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_FALSE(ClassTable().isOpen());
    EXPECT_TRUE(QFileInfo(folder.file("9a_25262")).isDir());
    DbfTable t;
    t.open(folder.file("9a_25262.dbf"));
    ASSERT_EQ(t.recordCount(), 40);
    EXPECT_EQ(t.value(0, "NACHNAME"), "Müller");
    EXPECT_EQ(t.value(0, "VORNAME"), "Jürgen");
    EXPECT_EQ(t.value(0, "AG3"), "12.03.2010");
    EXPECT_EQ(t.value(0, "AG4"), "Nürtingen");
    EXPECT_EQ(t.value(1, "NACHNAME"), "Größ");          // deleted family record skipped
    EXPECT_EQ(t.value(0, "KLASSE"), "9a");
    for (int r = 3; r < 39; ++r) {
        EXPECT_TRUE(t.value(r, "NACHNAME").isEmpty()) << r;
        EXPECT_EQ(t.value(r, "KLASSE"), "9a");
    }
    EXPECT_TRUE(t.value(39, "KLASSE").isEmpty());       // record 40 as in the template
    EXPECT_EQ(t.value(39, "NR"), "40");
    // Stored as plain Windows-1252.
    EXPECT_EQ(t.rawValue(0, 1).left(6), QByteArray("M\xFCller"));
}

TEST_F(ClassFilesTest, TakeOverLevel10AndRefusals)
{
    makeFamilyTable(folder.file("xb-25262.dbf"), {"Adler"});
    classFiles().PrepareTakeOver();
    prompt.clear();
    prompt.text("yb").text("x").text("2526");
    classFiles().Activate("xb-25262.dbf");
    EXPECT_TRUE(prompt.lastText().contains("EMPFEHLUNGEN:"));
    DbfTable t;
    t.open(folder.file("x-_25262.dbf"));
    EXPECT_EQ(t.value(0, "KLASSE"), "10");
    t.close();

    // Exists already.
    classFiles().PrepareTakeOver();
    prompt.clear();
    prompt.text("x").text("2526");
    classFiles().Activate("xb-25262.dbf");
    EXPECT_EQ(prompt.lastText(), "x-_25262.dbf existiert bereits! (Bitte ggf. erst löschen) ");

    // A damaged family table: reported, nothing made.
    folder.write("9c-25262.dbf", "kein dBase");
    classFiles().PrepareTakeOver();
    prompt.clear();
    classFiles().Activate("9c-25262.dbf");
    EXPECT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(prompt.shown()[0].kind, MsgKind::Error);
    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_TRUE(classFiles().mode().isEmpty());

    // With a class open the entry refuses.
    makeClass("9a_25262.dbf");
    classFiles().Choose();
    classFiles().Activate("9a_25262.dbf");
    prompt.clear();
    classFiles().PrepareTakeOver();
    EXPECT_EQ(prompt.lastText(), "Erst die geöffnete Klasse schließen");
}

TEST_F(ClassFilesTest, TakeOverWithoutTemplateMakesNothing)
{
    makeFamilyTable(folder.file("9a-25262.dbf"), {"Adler"});
    QFile::remove(folder.file("start2.dbf"));
    classFiles().PrepareTakeOver();
    prompt.clear();
    prompt.text("9a").text("2526");
    classFiles().Activate("9a-25262.dbf");
    EXPECT_EQ(prompt.shown().back().kind, MsgKind::Error);
    EXPECT_TRUE(prompt.lastText().contains("start2.dbf"));
    EXPECT_FALSE(folder.exists("9a_25262.dbf"));
    EXPECT_TRUE(state().openClassFile.isEmpty());
}

TEST_F(ClassFilesTest, OutdatedFamilyFilesGoWithTheirFolders)
{
    const QString outside = QDir(folder.path()).filePath("../outside_" + QString::number(getpid()));
    QDir().mkpath(outside);
    QFile f(outside + "/keep.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    for (const char* n : {"9a-24252.dbf", "9a-25262.dbf", "xb-99002.dbf", "ab-cdefg.dbf", "9a_24252.dbf",
                          "9b-2425.dbf", "9c-24252.dbf"})
        folder.write(n, BuildClassTemplate());
    folder.write("9a-24252/v.1", "x");
    folder.write("9a_24252/v.1", "x");
    QFile::link(outside, folder.file("9c-24252"));

    DeleteOutdatedFamilyClassFiles("26");
    EXPECT_FALSE(folder.exists("9a-24252.dbf"));
    EXPECT_FALSE(folder.exists("9a-24252"));
    EXPECT_FALSE(folder.exists("xb-99002.dbf"));
    EXPECT_TRUE(folder.exists("9a-25262.dbf"));
    EXPECT_TRUE(folder.exists("ab-cdefg.dbf"));    // not of the family pattern
    EXPECT_TRUE(folder.exists("9a_24252.dbf"));
    EXPECT_TRUE(folder.exists("9a_24252/v.1"));
    EXPECT_TRUE(folder.exists("9b-2425.dbf"));
    EXPECT_FALSE(folder.exists("9c-24252.dbf"));
    EXPECT_FALSE(QFileInfo(folder.file("9c-24252")).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(outside + "/keep.txt"));   // the link was not followed
    QDir(outside).removeRecursively();
}

TEST_F(ClassFilesTest, DeleteFolderTreeRefusesTheProgramFolder)
{
    folder.write("sub/a/b.txt", "x");
    EXPECT_FALSE(DeleteFolderTree(folder.path()));
    EXPECT_FALSE(DeleteFolderTree(""));
    EXPECT_TRUE(DeleteFolderTree(folder.file("sub")));
    EXPECT_FALSE(folder.exists("sub"));
}

// ---------------------------------------------------------------------------
// Stick modes hand the double click to the transfer

TEST_F(ClassFilesTest, StickModesCloseTheOpenClassAndCallTheTransfer)
{
    makeClass("9a_25262.dbf");
    classFiles().Choose();
    classFiles().Activate("9a_25262.dbf");
    ASSERT_EQ(state().openClassFile, "9a_25262.dbf");
    QString exported;
    classFiles().hooks().stickExport = [&](const QString& dir, const QString& name) { exported = dir + "|" + name; };
    classFiles().ShowList(kModeStickExport, folder.path(), kClassTableMask);
    EXPECT_FALSE(ClassTable().isOpen());
    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_FALSE(TableInUse(folder.file("9a_25262.dbf")));
    EXPECT_TRUE(classFiles().view().listVisible);
    classFiles().Activate("9a_25262.dbf");
    EXPECT_EQ(exported, folder.path() + "|9a_25262.dbf");
    EXPECT_TRUE(state().openClassFile.isEmpty());
}

// ---------------------------------------------------------------------------
// Creating and taking over on a full disk

TEST_F(ClassFilesTest, ACreationFailingAtAnyStepLeavesNoClassBehind)
{
    makeFamilyTable(folder.file("9b-25262.dbf"), {"Adler", "Berger"});
    const struct {
        const char* name;
        std::function<void()> run;
    } cases[] = {
        {"anlegen",
         [&] {
             prompt.yes().text("9a").text("2526");
             classFiles().CreateByHand();
         }},
        {"übernehmen",
         [&] {
             classFiles().PrepareTakeOver();
             prompt.text("9b").text("2526");
             classFiles().Activate("9b-25262.dbf");
         }},
    };
    const unsigned kinds = unsigned(FileStep::Write) | unsigned(FileStep::Rename) | unsigned(FileStep::Copy);
    const auto listing = [&] {
        return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    for (const auto& c : cases) {
        const QStringList before = listing();
        const QString made = c.name == std::string("anlegen") ? "9a_25262.dbf" : "9b_25262.dbf";
        int steps = 0;
        {
            FileFaultScope count(0, kinds);
            c.run();
            steps = count.steps();
        }
        ClassTable().close();
        classFiles().reset();
        state().openClassFile.clear();
        ASSERT_TRUE(folder.exists(made)) << c.name;
        ASSERT_TRUE(QFile::remove(folder.file(made)));
        ASSERT_TRUE(QDir().rmdir(folder.file(made.left(8))));
        ASSERT_GT(steps, 2) << c.name;
        for (int failAt = 1; failAt <= steps; ++failAt) {
            prompt.clear();
            FileFaultScope fault(failAt, kinds);
            c.run();
            EXPECT_EQ(listing(), before) << c.name << " step " << failAt;
            EXPECT_TRUE(state().openClassFile.isEmpty()) << c.name << " step " << failAt;
            EXPECT_EQ(prompt.shown().last().kind, MsgKind::Error) << c.name << " step " << failAt;
        }
    }
}
