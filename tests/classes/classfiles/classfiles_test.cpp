#include "classes/classrules.h"
#include "classes/classtemplate.h"
#include "classes/filefaultscope.h"
#include "classes/fileops.h"
#include "classes/subjects.h"
#include "platform/recordingshell.h"
#include "platform/shell.h"
#include "support/childrun.h"
#include "support/classfolder.h"
#include "support/foldercontents.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <shapefil.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace hsa;

namespace {

const QString kBr = QStringLiteral("\n\r");

// The real-class fixture with a shell without updater.
class ClassFilesTest : public test::RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        state().versionCheckSkipped = false;
        setShell(&shell);
    }
    // A class table from the template; names[i] goes to record i with a first
    // name, a birth date, a German mark and a remark.
    void classWith(const QString& name, const QStringList& names = {}, int records = 40)
    {
        QList<test::StudentRow> rows;
        for (int i = 0; i < names.size(); ++i)
            rows << test::StudentRow{QString::number(i + 1), names[i], QStringLiteral("Vorname%1").arg(i + 1),
                                     i % 2 ? "W" : "M", {{"AG3", "01.01.2010"}, {"DEU", "2*"}, {"BEMERK1", "fleißig"}}};
        makeClass(name, rows, records);
    }
    // The menu's entries as a user goes through them, school year 2526.
    void choose(const QString& name) { classFiles().Choose(); classFiles().Activate(name); }
    void createByHand(const QString& code) { prompt.yes().text(code).text("2526"); classFiles().CreateByHand(); }
    void deleteClass(const QString& name) { classFiles().PrepareDelete(); prompt.yes(); classFiles().Activate(name); }
    void renameTo(const QString& name, const QString& code)
    {
        classFiles().ShowList(kModeRename, folder.path(), kClassTableMask);
        prompt.yes().text(code).text("2526");
        classFiles().Activate(name);
    }
    void takeOver(const QString& family, const QString& code)
    {
        classFiles().PrepareTakeOver();
        prompt.text(code).text("2526");
        classFiles().Activate(family);
    }
    // Caption, text and preset of the i-th prompt shown, joined by "|".
    QString asked(int i) const
    {
        const auto& s = prompt.shown().at(i);
        return s.caption + "|" + s.text + "|" + s.preset;
    }
    QMap<QString, QByteArray> contents() const { return test::FolderContents(folder.path()); }

    RecordingShell shell;
};

// A family table of its own shape with names stored as the family does:
// code-page-850 umlauts.  One deleted record in the middle.
void makeFamilyTable(const QString& path, const QList<QByteArray>& surnames)
{
    DBFHandle h = DBFCreate(QFile::encodeName(path).constData());
    for (const auto& [field, width] : {std::pair{"NR", 2}, std::pair{"NACHNAME", 30}, std::pair{"VORNAME", 30},
                                       std::pair{"AG3", 10}, std::pair{"AG4", 30}})
        DBFAddField(h, field, FTString, width, 0);
    DBFAddField(h, "ZNOTE", FTDouble, 4, 1);
    int rec = 0;
    for (int i = 0; i < surnames.size(); ++i, ++rec) {
        if (i == 1) {
            DBFWriteAttributeDirectly(h, rec, 1, const_cast<char*>("Geloescht"));
            DBFMarkRecordDeleted(h, rec++, 1);
        }
        const QByteArray nr = QByteArray::number(i + 1);
        const char* values[] = {nr.constData(), surnames[i].constData(), "J\x81rgen", "12.03.2010", "N\x81rtingen"};
        for (int field = 0; field < 5; ++field)
            DBFWriteAttributeDirectly(h, rec, field, const_cast<char*>(values[field]));
    }
    DBFClose(h);
}

} // namespace

TEST(ClassRules, SchoolYearsClassCodesKlasseValuesAndNames)
{
    // Shorter pieces of the year list no longer pass: they would make names
    // the class list never shows.
    const QString &R = kRenameYearList, &C = kCreateYearList;
    const struct { const char* entry; const QString& list; bool accepted; } years[] = {
        {"2526", R, true}, {"9900", R, true}, {"2939", R, true}, {"0910", C, true}, {"2527", R, false},
        {"9", R, false}, {"929", R, false}, {"", R, false}, {"25a6", R, false}, {"-1 0", R, false},
    };
    for (const auto& c : years)
        EXPECT_EQ(SchoolYearAccepted(c.entry, c.list), c.accepted) << c.entry;
    const struct { QDate date; const char* year; } defaults[] = {
        {{2026, 3, 15}, "2526"}, {{2026, 8, 1}, "2627"}, {{2010, 7, 31}, "0910"}, {{2000, 7, 31}, "9900"},
        {{2005, 9, 1}, "0506"}, {{2045, 9, 1}, "45"},
    };
    for (const auto& c : defaults)
        EXPECT_EQ(DefaultSchoolYear(c.date), c.year) << c.date.toString().toStdString();
    using K = KlasseFor;
    const struct { const char* code; KlasseFor use; const char* klasse; } klassen[] = {
        {"xa", K::Rename, "10a"}, {"Yc", K::TakeOver, "10c"}, {"x-", K::TakeOver, "10"}, {"9-", K::Rename, "9"},
        {"9-", K::TakeOver, "9"}, {"9-", K::Create, "9 "}, {"x-", K::Create, "10 "}, {"Fb", K::Rename, "9b_sf"},
        {"gb", K::Rename, "10bS"}, {"7b", K::Rename, "7b"}, {"4a", K::Create, "4a"},
    };
    for (const auto& c : klassen)
        EXPECT_EQ(KlasseValue(c.code, c.use), c.klasse) << c.code << int(c.use);
    // Characters that do not belong in a file name are refused.
    const QString normal = QStringLiteral("der Werkrealschule"), special = QStringLiteral("des SBBZ (Förderschule)");
    using U = CodeUse;
    const std::optional<QString> no;
    const struct { QString entry; CodeUse use; const QString& school; std::optional<QString> code; } codes[] = {
        {"xa", U::Create, normal, "xa"}, {"9", U::Create, normal, "9-"}, {"9 ", U::Create, normal, "9-"},
        {"9 ", U::TakeOver, normal, "9-"}, {"9 ", U::Rename, normal, no}, {"9-", U::Rename, normal, "9-"},
        {"10", U::Create, normal, no}, {"", U::Create, normal, no}, {"ya", U::TakeOver, normal, no},
        {"Fa", U::Rename, normal, "Fa"}, {"Fa", U::Create, normal, no}, {"4a", U::Create, normal, no},
        {"4a", U::Create, special, "4a"}, {"9ä", U::Create, normal, "9ä"},
    };
    for (const auto& c : codes)
        EXPECT_EQ(AcceptClassCode(c.entry, c.use, c.school), c.code) << c.entry.toStdString() << int(c.use);
    for (const QChar bad : QStringLiteral("/\\.:*?_\"<|"))
        EXPECT_EQ(AcceptClassCode(QStringLiteral("9") + bad, U::Create, normal), no) << QString(bad).toStdString();
    EXPECT_EQ(ClassFolderName("9a_25262.dbf"), "9a_25262");
    EXPECT_EQ(ExamBoardFileName("9a_25262.dbf"), "vor25269.dat");
    EXPECT_EQ(ExamBoardFileName("xa_25262.dbf"), "vor2526x.dat");
    const QStringList masks = SplitMasks(kClassTableMask);
    const struct { const char* name; bool family; bool listed; } names[] = {
        {"9a-20212.dbf", true, false}, {"9--20212.DBF", true, false}, {"9a_20212.dbf", false, true},
        {"ab-cdefg.dbf", false, false}, {"9a-2021.dbf", false, false}, {"XA_25262.DBF", false, true},
        {"9a_25261.dbf", false, false}, {"ya_25262.dbf", false, false}, {"4a_25262.dbf", false, false},
    };
    for (const auto& c : names) {
        EXPECT_EQ(IsFamilyClassTableName(c.name), c.family) << c.name;
        EXPECT_EQ(MatchesMasks(c.name, masks), c.listed) << c.name;
    }
}

TEST_F(ClassFilesTest, ChooseListsLevel9AndXAndResetsWhatTheClassBeforeSet)
{
    for (const char* n : {"9a_25262.dbf", "xb_25262.dbf", "Xc_25262.dbf", "ya_25262.dbf", "4a_25262.dbf",
                          "9a_25261.dbf", "9a-25262.dbf"})
        folder.write(n, BuildClassTemplate());
    folder.write("schrift2.dat", "Liberation Serif\r\n 9.50000000000000E-0001\r\n");
    state().print.printStretchX = 2.0;
    subjects().subjectBlockHeading = "Fächer der alten Klasse";
    subjects().footerLines[0] = "Fußzeile der alten Klasse";
    SyncSubjectState();
    classFiles().Choose();
    EXPECT_EQ(classFiles().mode(), kModeChoose);
    EXPECT_EQ(classFiles().view().listEntries, QStringList({"9a_25262.dbf", "xb_25262.dbf", "Xc_25262.dbf"}));
    EXPECT_TRUE(classFiles().view().studentListReadOnly);
    EXPECT_EQ(state().print.printStretchX, 1.0);
    EXPECT_EQ(state().print.printerFontName, "Liberation Serif");
    EXPECT_EQ(state().subjectBlockHeading, "Leistungen in den einzelnen Fächern:");
    EXPECT_EQ(state().footerLines[0], "");
    EXPECT_TRUE(prompt.texts().isEmpty());

    // Locked: nothing shown.  Unchecked version: the warning.
    classFiles().ListEscape();
    state().accessLocked = true;
    classFiles().Choose();
    EXPECT_FALSE(classFiles().view().listVisible);
    state().accessLocked = false;
    state().versionCheckSkipped = true;
    state().print.printerFontName = "Arial";   // only the first choice takes the font of the file
    classFiles().Choose();
    EXPECT_EQ(state().print.printerFontName, "Arial");
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts()[0].startsWith("H I N W E I S :   A K T U A L I T Ä T S P R Ü F U N G "));
    EXPECT_TRUE(prompt.texts()[0].contains("Das ist ein unnötiges  R I S I K O"));
}

TEST_F(ClassFilesTest, OpenCutsTo40AndLoadsTheClassLevel)
{
    classWith("9a_25262.dbf", {"Adler", "Berger"});
    {
        DbfTable t;
        t.open(folder.file("9a_25262.dbf"));
        for (int i = 0; i < 5; ++i)
            t.setValue(t.appendRecord(), 0, QString::number(41 + i));
    }
    folder.write("vor25269.dat", "Dr. Vorsitz\r\nRektorin Leitung\r\n");
    choose("9a_25262.dbf");
    EXPECT_EQ(state().openClassFile, "9a_25262.dbf");
    EXPECT_EQ(ClassTable().recordCount(), 40);
    EXPECT_EQ(ClassTable().value(1, "NACHNAME"), "Berger");
    EXPECT_TRUE(QFileInfo(state().classDir).isDir());
    EXPECT_EQ(state().examChairName, "Dr. Vorsitz");
    EXPECT_EQ(state().headTeacherName, "Rektorin Leitung");
    EXPECT_EQ(state().subjectData.subjectFileName, "fa9-mit.DAT");
    EXPECT_TRUE(classFiles().view().studentListVisible);
    EXPECT_EQ(prompt.lastText(),
              "KLASSE 9:" + kBr + "Bei angestrebtem Hauptschulabschluss muss auch eine PROJEKTARBEITSNOTE eingetragen werden."
                  + kBr + "Der Eintrag erfolgt in der Spalte \"schr\" der Notentabelle eines Einzelschülers." + kBr
                  + "Hier ist das Fachgewicht nach urprünglicher Prüfungsordnung automatisch = 1.");
    ClassTable().close();
    // The file itself holds 40 records now.
    EXPECT_EQ(folder.read("9a_25262.dbf").size(), 1313 + 40 * 822 + 1);
}

TEST_F(ClassFilesTest, ADamagedHeldOrUnlistedTableIsNotOpened)
{
    DBFHandle h = DBFCreate(QFile::encodeName(folder.file("9a_25262.dbf")).constData());
    DBFAddField(h, "NR", FTString, 2, 0);
    DBFAddField(h, "NAME", FTString, 30, 0);
    DBFWriteAttributeDirectly(h, 0, 0, const_cast<char*>("1"));
    DBFClose(h);
    folder.write("9b_25262.dbf", "kaputt");
    classWith("9c_25262.dbf");
    folder.write("ya_25262.dbf", BuildClassTemplate());
    // Another program holds 9c.
    const pid_t pid = fork();
    if (pid == 0) {
        DbfTable t;
        t.open(folder.file("9c_25262.dbf"));
        sleep(3);
        _exit(0);
    }
    for (int i = 0; i < 300 && !TableInUse(folder.file("9c_25262.dbf")); ++i)
        usleep(10000);
    ASSERT_TRUE(TableInUse(folder.file("9c_25262.dbf")));
    const QString damaged = QStringLiteral(" ist beschädigt ");
    const struct { const char* name; QString text; } cases[] = {
        {"9a_25262.dbf", damaged}, {"9b_25262.dbf", damaged},
        {"9c_25262.dbf", ClassInUseMessage("9c_25262.dbf")},
        // Not in the list, and nothing said: level y, a path, a name not there.
        {"", ""}, {"ya_25262.dbf", ""}, {"../9c_25262.dbf", ""}, {"9z_25262.dbf", ""},
    };
    const auto before = contents();
    for (const auto& c : cases) {
        classFiles().Choose();
        prompt.clear();
        classFiles().Activate(c.name);
        EXPECT_TRUE(state().openClassFile.isEmpty()) << c.name;
        EXPECT_FALSE(ClassTable().isOpen()) << c.name;
        EXPECT_EQ(prompt.shown().size(), c.text.isEmpty() ? 0 : 1) << c.name;
        EXPECT_TRUE(c.text.isEmpty() || prompt.shown().last().kind == MsgKind::Error) << c.name;
        EXPECT_TRUE(prompt.lastText().contains(c.text)) << c.name;
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(contents(), before);
}

TEST_F(ClassFilesTest, CloseWaitsForWordAndReleasesTheLock)
{
    classWith("9a_25262.dbf");
    choose("9a_25262.dbf");
    classFiles().EnableListWriting();
    bool wordClosed = false;
    classFiles().hooks().noWordDocumentsOpen = [&] { return wordClosed; };
    EXPECT_FALSE(classFiles().Close());
    EXPECT_TRUE(ClassTable().isOpen());
    wordClosed = true;
    EXPECT_TRUE(classFiles().Close());
    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_FALSE(TableInUse(folder.file("9a_25262.dbf")));
    // The stick modes close an open class before they list the tables.
    choose("9a_25262.dbf");
    classFiles().ShowList(kModeStickExport, folder.path(), kClassTableMask);
    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_FALSE(TableInUse(folder.file("9a_25262.dbf")));
}

TEST_F(ClassFilesTest, EveryEntryRefusesWithAClassOpenOrATakenNameAndChangesNoFile)
{
    classWith("9a_25262.dbf");
    classWith("9b_25262.dbf");
    folder.write("9a_25262/v.1", "a");
    folder.write("9c_25262/fremd.txt", "x");
    makeFamilyTable(folder.file("xb-25262.dbf"), {"Adler"});
    folder.write("x-_25262.dbf", BuildClassTemplate());
    folder.write("9c-25262.dbf", "kein dBase");
    const auto classOpen = [] { state().openClassFile = "9a_25262.dbf"; };
    DbfTable other;
    const struct { const char* name; std::function<void()> run; QString text; } cases[] = {
        {"wählen, Klasse offen", [&] { classOpen(); classFiles().Choose(); }, "Erst Klasse schließen"},
        {"löschen, Klasse offen", [&] { classOpen(); classFiles().PrepareDelete(); }, "Erst Klasse schließen"},
        {"umbenennen, Klasse offen", [&] { classOpen(); classFiles().PrepareRename(); }, "Erst Klasse schließen"},
        {"anlegen, Klasse offen", [&] { classOpen(); prompt.yes(); classFiles().CreateByHand(); }, "Erst Klasse schließen"},
        {"übernehmen, Klasse offen", [&] { classOpen(); classFiles().PrepareTakeOver(); },
         "Erst die geöffnete Klasse schließen"},
        {"Updatemodul läuft", [&] { shell.runningPrograms = {"down1.exe"}; classFiles().Choose(); shell.runningPrograms = {}; },
         "Das Updatemodul \"down1.exe\" läuft noch."},
        {"anlegen, Tabelle vergeben", [&] { createByHand("9a"); },
         "9a_25262.dbf existiert bereits! (Bitte ggf. erst löschen) "},
        {"anlegen ohne Vorlage", [&] { createByHand("9d"); },
         "Finde die Grunddatei start2.dbf nicht !"},
        {"umbenennen, Tabelle vergeben", [&] { renameTo("9a_25262.dbf", "9b"); },
         "9b_25262.dbf existiert bereits! (Bitte ggf. erst löschen) "},
        {"umbenennen, Ordner vergeben", [&] { renameTo("9a_25262.dbf", "9c"); },
         "9c_25262 existiert bereits! (Bitte ggf. erst löschen) "},
        {"übernehmen, Familientabelle beschädigt",
         [&] { classFiles().PrepareTakeOver(); classFiles().Activate("9c-25262.dbf"); }, " ist beschädigt "},
        {"übernehmen, Tabelle vergeben", [&] { takeOver("xb-25262.dbf", "x"); }, "x-_25262.dbf existiert bereits! (Bitte ggf. erst löschen) "},
        {"löschen, Tabelle in Gebrauch", [&] { other.open(folder.file("9a_25262.dbf")); deleteClass("9a_25262.dbf"); },
         "Löschversuch fehlgeschlagen"},
    };
    // Names are checked before the template is looked for.
    QFile::remove(folder.file("start2.dbf"));
    const auto before = contents();
    for (const auto& c : cases) {
        prompt.clear();
        c.run();
        EXPECT_TRUE(prompt.lastText().contains(c.text)) << c.name << ": " << prompt.lastText().toStdString();
        EXPECT_EQ(prompt.remainingAnswers(), 0) << c.name;
        EXPECT_EQ(contents(), before) << c.name;
        EXPECT_NE(classFiles().mode(), kModeDelete) << c.name;
        state().openClassFile.clear();
        classFiles().setMode("");
    }
}

// A class table that left the program folder after the list was shown:
// the double click says so and changes no file; choosing lists what is
// left, deleting, renaming and taking over end with their list.
TEST_F(ClassFilesTest, AClassThatLeftTheFolderAfterTheListWasShownIsNamed)
{
    classWith("9a_25262.dbf");
    classWith("9b_25262.dbf");
    folder.write("9a-25262.dbf", "Familienklasse");
    folder.write("9b-25262.dbf", "Familienklasse");
    const struct {
        const char* mode;
        std::function<void()> show;
        QString gone;
        QString action;
        bool listStays;
    } cases[] = {
        {"wählen", [] { classFiles().Choose(); }, "9a_25262.dbf", "Öffnen", true},
        {"löschen", [] { classFiles().PrepareDelete(); }, "9a_25262.dbf", "Löschen", false},
        {"umbenennen", [this] { prompt.no(); classFiles().PrepareRename(); }, "9a_25262.dbf", "Umbenennen", false},
        {"hol", [] { classFiles().PrepareTakeOver(); }, "9a-25262.dbf", "Datenübernahme", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        c.show();
        const QString shownMode = classFiles().mode();
        ASSERT_TRUE(classFiles().view().listEntries.contains(c.gone));
        ASSERT_TRUE(QFile::rename(folder.file(c.gone), folder.file(c.gone + ".weg")));
        const auto before = contents();
        prompt.clear();
        classFiles().Activate(c.gone);
        EXPECT_EQ(prompt.texts(), QStringList({c.gone + " existiert nicht mehr." + kBr + "Keine Klasse ausgewählt. "
                                               + c.action + " wird abgebrochen."}));
        EXPECT_EQ(prompt.remainingAnswers(), 0);
        EXPECT_EQ(contents(), before);
        EXPECT_TRUE(state().openClassFile.isEmpty());
        EXPECT_EQ(classFiles().view().listVisible, c.listStays);
        EXPECT_EQ(classFiles().mode(), c.listStays ? shownMode : QString());
        if (c.listStays) {
            // The list without the table that went, and the other class opens.
            EXPECT_FALSE(classFiles().view().listEntries.contains(c.gone));
            classFiles().Activate("9b_25262.dbf");
            EXPECT_EQ(state().openClassFile, "9b_25262.dbf");
            ASSERT_TRUE(classFiles().Close());
        }
        ASSERT_TRUE(QFile::rename(folder.file(c.gone + ".weg"), folder.file(c.gone)));
    }
}

TEST_F(ClassFilesTest, DeleteRemovesTableStudentFilesAndEmptyFolder)
{
    classWith("9a_25262.dbf");
    classWith("9b_25262.dbf");
    // The program's own hidden files (a journal, one kept unused, set-aside
    // and temporary files) go with the class; another hidden file stays.
    for (const char* f : {"9a_25262/v.1", "9a_25262/m.1", "9a_25262/l.40", "9a_25262/.listenjournal",
                          "9a_25262/.listenjournal.unbenutzt", "9a_25262/.listenjournal.unbenutzt-2",
                          "9a_25262/.weg-3-v.2", "9a_25262/.v.1.Ab3xYz", "9b_25262/v.1", "9b_25262/anlage.doc",
                          "9b_25262/.LISTENJOURNAL", "9b_25262/.notizen"})
        folder.write(f, "x");
    const auto before = contents();
    classFiles().PrepareDelete();
    prompt.no();
    classFiles().Activate("9a_25262.dbf");
    EXPECT_EQ(contents(), before);
    prompt.clear();
    deleteClass("9a_25262.dbf");
    EXPECT_EQ(prompt.shown()[0].text, "9a_25262.dbf wirklich löschen ?");
    EXPECT_EQ(prompt.shown()[0].defaultButton, Answer::No);   // Return never deletes
    EXPECT_FALSE(folder.exists("9a_25262.dbf"));
    EXPECT_FALSE(folder.exists("9a_25262"));
    EXPECT_EQ(classFiles().view().listEntries, QStringList({"9b_25262.dbf"}));

    deleteClass("9b_25262.dbf");
    EXPECT_FALSE(folder.exists("9b_25262.dbf"));
    EXPECT_FALSE(folder.exists("9b_25262/v.1"));
    EXPECT_FALSE(folder.exists("9b_25262/.LISTENJOURNAL"));
    EXPECT_TRUE(folder.exists("9b_25262/.notizen"));
    EXPECT_TRUE(folder.exists("9b_25262/anlage.doc"));   // the folder stays with it
}

// A class whose folder cannot be read is not deleted: its grade files would
// stay there for the next class of its name.  Root reads any folder, so the
// deletion runs in a child under another uid.
TEST_F(ClassFilesTest, AClassWhoseFolderCannotBeReadIsNotDeleted)
{
    constexpr uid_t kUser = 4245;
    const bool asRoot = ::geteuid() == 0;
    classWith("9a_25262.dbf");
    folder.write("9a_25262/v.1", "Noten");
    const auto before = contents();
    const QString classDir = folder.file("9a_25262");
    QStringList paths = test::FolderContents(folder.path()).keys();
    paths << folder.path();
    for (const QString& path : paths)
        if (asRoot)
            (void)!::lchown(QFile::encodeName(path).constData(), kUser, kUser);
    const test::LimitedRun run = test::RunInChild([&] {
        if (asRoot && (::setresgid(kUser, kUser, kUser) != 0 || ::setresuid(kUser, kUser, kUser) != 0))
            return 97;
        ::chmod(QFile::encodeName(classDir).constData(), 0);
        deleteClass("9a_25262.dbf");
        return prompt.anyTextContains(FolderUnreadableMessage(classDir)) ? 0 : 1;
    });
    ::chmod(QFile::encodeName(classDir).constData(), 0755);
    EXPECT_EQ(run.code, 0) << run.describe().toStdString();
    EXPECT_TRUE(contents() == before);
}

TEST_F(ClassFilesTest, OutdatedFamilyFilesGoWithTheirFolders)
{
    const QString outside = QDir(folder.path()).filePath("../outside_" + QString::number(getpid()));
    QDir().mkpath(outside);
    ASSERT_TRUE(QFile(outside + "/keep.txt").open(QIODevice::WriteOnly));
    for (const char* n : {"9a-24252.dbf", "9a-25262.dbf", "xb-99002.dbf", "ab-cdefg.dbf", "9a_24252.dbf",
                          "9b-2425.dbf", "9c-24252.dbf"})
        folder.write(n, BuildClassTemplate());
    folder.write("9a-24252/v.1", "x");
    folder.write("9a_24252/v.1", "x");
    QFile::link(outside, folder.file("9c-24252"));

    DeleteOutdatedFamilyClassFiles("26");
    for (const char* gone : {"9a-24252.dbf", "9a-24252", "xb-99002.dbf", "9c-24252.dbf"})
        EXPECT_FALSE(folder.exists(gone)) << gone;
    // Not of the family pattern or not outdated.
    for (const char* kept : {"9a-25262.dbf", "ab-cdefg.dbf", "9a_24252.dbf", "9a_24252/v.1", "9b-2425.dbf"})
        EXPECT_TRUE(folder.exists(kept)) << kept;
    EXPECT_FALSE(QFileInfo(folder.file("9c-24252")).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(outside + "/keep.txt"));   // the link was not followed
    QDir(outside).removeRecursively();
    // The program folder itself is never deleted.
    folder.write("sub/a/b.txt", "x");
    EXPECT_FALSE(DeleteFolderTree(folder.path()));
    EXPECT_FALSE(DeleteFolderTree(""));
    EXPECT_TRUE(DeleteFolderTree(folder.file("sub")));
    EXPECT_FALSE(folder.exists("sub"));
}

TEST_F(ClassFilesTest, RenameToLevel10)
{
    classWith("9a_25262.dbf", {"Adler", "Berger"});
    folder.write("9a_25262/v.1", "noten");
    prompt.no();   // no, do not stop for a backup
    classFiles().PrepareRename();
    EXPECT_TRUE(prompt.shown()[0].text.startsWith("Empfehlung:" + kBr + kBr + "Bevor Sie eine Klassendatei"));
    EXPECT_EQ(classFiles().mode(), kModeRename);

    prompt.yes().text("10a").text("xa").text("2526");
    classFiles().Activate("9a_25262.dbf");
    const auto shown = prompt.shown();
    EXPECT_EQ(shown[1].text, "9a_25262.dbf wirklich umbenennen?");
    EXPECT_EQ(asked(2), "9a_25262.dbf umbenennen:|Neue Klasse (Ziffer+Buchstabe) |9a");
    EXPECT_EQ(shown[3].text, "Abkürzungen hier :  10a = xa  ,  11c = yc , usw. ");
    EXPECT_EQ(shown[4].preset, "10");   // asked again
    EXPECT_EQ(asked(5), "9a_25262.dbf umbenennen:|Schuljahr (nur 4 Ziffern, z.B. 9697)|2526");
    EXPECT_EQ(prompt.lastText(), "Erledigt. Rufen Sie jetzt die neue Klasse xa_25262.dbf auf.");
    EXPECT_FALSE(folder.exists("9a_25262.dbf"));
    EXPECT_FALSE(folder.exists("9a_25262"));
    EXPECT_EQ(folder.read("xa_25262/v.1"), "noten");
    DbfTable t;
    t.open(folder.file("xa_25262.dbf"));
    for (int r = 0; r < 40; ++r)
        EXPECT_EQ(t.value(r, "KLASSE"), "10a") << r;
    EXPECT_EQ(t.value(0, "NACHNAME"), "Adler");
    EXPECT_EQ(t.value(0, "DEU"), "2*");   // nothing cleared for a second half-year table
    t.close();

    // A class whose folder is missing is renamed all the same.
    classWith("9d_25262.dbf");
    renameTo("9d_25262.dbf", "9e");
    EXPECT_TRUE(folder.exists("9e_25262.dbf"));
    EXPECT_FALSE(folder.exists("9e_25262"));
}

TEST_F(ClassFilesTest, RenameFirstHalfYearClearsGradesButKeepsBirthData)
{
    makeClass("9a_25261.dbf", {{"1", "Adler", "Anna", "W", {{"AG3", "01.01.2010"}, {"AG4", "Öhringen"}, {"DEU", "2*"},
                                {"BEMERK1", "fleißig"}, {"HINWEIS1", "Hinweis"}, {"DATUM", "01.02.2026"}}}});
    classFiles().ShowList(kModeRename, folder.path(), "9?_????1.dbf");
    prompt.yes().text("9").text("2526").yes().yes().yes();
    classFiles().Activate("9a_25261.dbf");
    EXPECT_TRUE(prompt.anyTextContains("Sollen dabei Noten und Bemerkungen gelöscht werden?"));
    EXPECT_TRUE(prompt.anyTextContains("Halbjahresnoten und Bemerkungen sollten gelöscht werden. "
                                       "(Im 2. Halbjahr gibt es keine Zwischennoten)"));
    EXPECT_EQ(prompt.remainingAnswers(), 0);
    DbfTable t;
    t.open(folder.file("9-_25262.dbf"));
    const struct { const char* field; const char* value; } cases[] = {
        {"KLASSE", "9"}, {"NACHNAME", "Adler"}, {"AG3", "01.01.2010"}, {"AG4", "Öhringen"},
        {"DEU", ""}, {"BEMERK1", ""}, {"HINWEIS1", ""}, {"DATUM", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(t.value(0, c.field), c.value) << c.field;
}

TEST_F(ClassFilesTest, RenameUndoneWhenTheFolderCannotFollow)
{
    classWith("9a_25262.dbf");
    folder.write("9a_25262/v.1", "a");
    const auto before = contents();
    int renames = 0;
    classFiles().hooks().renamePath = [&](const QString& from, const QString& to) {
        return ++renames != 2 && QFile::rename(from, to);
    };
    renameTo("9a_25262.dbf", "9e");
    EXPECT_EQ(renames, 3);
    EXPECT_EQ(prompt.lastText(), "Verzeichnis " + QDir::toNativeSeparators(folder.file("9a_25262"))
                                     + " kann nicht umbenannt werden");
    EXPECT_EQ(contents(), before);

    // Short school years and unsafe class codes are asked again; cancel ends
    // without change; "no" asks nothing further.
    const struct { const char* name; std::function<void()> answers; } declined[] = {
        {"Schuljahr 9", [&] { prompt.yes().text("9d").text("9").cancelText(); }},
        {"Zeichen", [&] { prompt.yes().text("9/").text("9.").cancelText(); }},
        {"nein", [&] { prompt.no(); }},
    };
    for (const auto& c : declined) {
        classFiles().ShowList(kModeRename, folder.path(), kClassTableMask);
        c.answers();
        classFiles().Activate("9a_25262.dbf");
        EXPECT_EQ(prompt.remainingAnswers(), 0) << c.name;
        EXPECT_TRUE(classFiles().mode().isEmpty()) << c.name;
        EXPECT_EQ(contents(), before) << c.name;
    }
    // "Yes, stop for a backup" ends the preparation.
    prompt.yes();
    classFiles().PrepareRename();
    EXPECT_TRUE(classFiles().mode().isEmpty());
    EXPECT_FALSE(classFiles().view().listVisible);
}

TEST_F(ClassFilesTest, CreateByHandFromNothing)
{
    prompt.no();
    classFiles().CreateByHand();
    EXPECT_EQ(prompt.shown().size(), 1);
    // Locked: the password dialog; still locked: the end.
    state().accessLocked = true;
    int dialogs = 0;
    classFiles().hooks().showPasswordDialog = [&](bool modal) { dialogs += modal ? 100 : 1; };
    prompt.yes();
    classFiles().CreateByHand();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(prompt.remainingAnswers(), 0);
    EXPECT_TRUE(state().openClassFile.isEmpty());

    state().accessLocked = false;
    prompt.clear();
    prompt.yes().text("10").text("9").text("2526");
    const auto entries = [this] {
        return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    const QStringList before = entries();
    classFiles().CreateByHand();
    // Only the class and its folder are new: no working copy is left behind.
    QStringList expected = QStringList(before) << "9-_25262" << "9-_25262.dbf";
    expected.sort();
    EXPECT_EQ(entries(), expected);
    const auto shown = prompt.shown();
    EXPECT_EQ(shown[0].kind, MsgKind::Warning);
    EXPECT_TRUE(shown[0].text.startsWith("HINWEIS:"));
    EXPECT_TRUE(shown[0].text.endsWith("Trotzdem \"von Hand\" anlegen?"));
    EXPECT_TRUE(shown[1].text.startsWith("Bitte achten Sie auf den richtigen Anfangsbuchstaben im Dateinamen!"));
    EXPECT_EQ(asked(2), "Neue Klasse (2 Zeichen)|z.B. 9a,9b, xa ...|xa");
    EXPECT_EQ(shown[3].text, "Abkürzungen hier: 9a, xa, ...");
    EXPECT_EQ(asked(5), "Schuljahr für die Klasse 9-|Schuljahr (nur 4 Ziffern, z.B. 1920)|2526");

    EXPECT_EQ(state().openClassFile, "9-_25262.dbf");
    DbfTable& t = ClassTable();
    ASSERT_EQ(t.recordCount(), 40);
    for (int r = 0; r < 40; ++r) {
        EXPECT_EQ(t.value(r, "NR"), QString::number(r + 1));
        EXPECT_EQ(t.rawValue(r, ClassField::KLASSE).left(2), "9 ");
        EXPECT_EQ(t.value(r, ClassField::NoneMark), "---");
    }
    EXPECT_TRUE(QFileInfo(folder.file("9-_25262")).isDir());
    EXPECT_FALSE(classFiles().view().studentListReadOnly);
    EXPECT_EQ(classFiles().mode(), kModeNewClass);
}

TEST_F(ClassFilesTest, CreateByHandTakesNamesAndReportsOfTheFirstHalfYear)
{
    classWith("xa_25261.dbf", {"Adler", "Berger", "Conrad"}, 3);
    folder.write("xa_25261/v.2", "zwei");
    folder.write("xa_25261/l.3", "drei");
    folder.write("vor2526x.dat", "Vorsitz\r\nLeitung\r\n");
    prompt.yes().text("xa").text("2526").yes().yes();
    classFiles().CreateByHand();
    EXPECT_TRUE(prompt.anyTextContains("Namen aus der Datei  xa_25261.dbf übernehmen ?"));
    EXPECT_TRUE(prompt.anyTextContains("Berichte aus der Datei  xa_25261.dbf als Vorlage übernehmen?"));
    EXPECT_EQ(state().openClassFile, "xa_25262.dbf");
    // Only names and gender come over; the older table ends after three records.
    const struct { int record; const char* field; const char* value; } cases[] = {
        {0, "NACHNAME", "Adler"}, {0, "VORNAME", "Vorname1"}, {1, "M/W", "W"}, {2, "NACHNAME", "Conrad"},
        {3, "NACHNAME", ""}, {37, "NACHNAME", ""}, {0, "KLASSE", "10a"}, {0, "HJ", "W"}, {0, "AG3", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassTable().value(c.record, c.field), c.value) << c.record << c.field;
    EXPECT_EQ(folder.read("xa_25262/v.2"), "zwei");
    EXPECT_EQ(folder.read("xa_25262/l.3"), "drei");
    EXPECT_EQ(state().examChairName, "Vorsitz");
    EXPECT_EQ(state().headTeacherName, "Leitung");
}

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
    EXPECT_EQ(asked(0), "Datenübernahme aus 9a-25262.dbf|Neue Prüfungsklasse (Beisp: 9a oder xa ) |9a");
    EXPECT_EQ(shown[1].text, "Eingabe statt 10a :xa ");
    EXPECT_EQ(asked(3), "Prüfungsklasse 9a anlegen:|Schuljahr (nur 4 Ziffern, z.B. 2021)|2526");
    EXPECT_TRUE(prompt.lastText().startsWith("Erledigt. Rufen Sie jetzt die neue Klasse 9a_25262.dbf auf." + kBr
                                             + kBr + "HINWEIS: Sie können problemlos alle Schüler löschen"));
    EXPECT_TRUE(state().openClassFile.isEmpty());
    EXPECT_TRUE(QFileInfo(folder.file("9a_25262")).isDir());
    DbfTable t;
    t.open(folder.file("9a_25262.dbf"));
    ASSERT_EQ(t.recordCount(), 40);
    const struct { int record; const char* field; const char* value; } cases[] = {
        {0, "NACHNAME", "Müller"}, {0, "VORNAME", "Jürgen"}, {0, "AG3", "12.03.2010"}, {0, "AG4", "Nürtingen"},
        {1, "NACHNAME", "Größ"} /* the deleted family record skipped */, {0, "KLASSE", "9a"}, {3, "NACHNAME", ""},
        {38, "KLASSE", "9a"}, {39, "KLASSE", ""} /* record 40 as in the template */, {39, "NR", "40"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(t.value(c.record, c.field), c.value) << c.record << c.field;
    // Stored as plain Windows-1252.
    EXPECT_EQ(t.rawValue(0, 1).left(6), QByteArray("M\xFCller"));
}

TEST_F(ClassFilesTest, ACreationFailingAtAnyStepLeavesNoClassBehind)
{
    makeFamilyTable(folder.file("9b-25262.dbf"), {"Adler", "Berger"});
    const struct { const char* name; const char* made; std::function<void()> run; } cases[] = {
        {"anlegen", "9a_25262.dbf", [&] { createByHand("9a"); }},
        {"übernehmen", "9b_25262.dbf", [&] { takeOver("9b-25262.dbf", "9b"); }},
    };
    const unsigned kinds = unsigned(FileStep::Write) | unsigned(FileStep::Rename) | unsigned(FileStep::Copy);
    for (const auto& c : cases) {
        const auto before = contents();
        int steps = 0;
        {
            FileFaultScope count(0, kinds);
            c.run();
            steps = count.steps();
        }
        ClassTable().close();
        classFiles().reset();
        state().openClassFile.clear();
        ASSERT_TRUE(QFile::remove(folder.file(c.made))) << c.name;
        ASSERT_TRUE(QDir().rmdir(folder.file(QString(c.made).left(8))));
        ASSERT_GT(steps, 2) << c.name;
        for (int failAt = 1; failAt <= steps; ++failAt) {
            prompt.clear();
            FileFaultScope fault(failAt, kinds);
            c.run();
            EXPECT_EQ(contents(), before) << c.name << " step " << failAt;
            EXPECT_TRUE(state().openClassFile.isEmpty()) << c.name << " step " << failAt;
            EXPECT_EQ(prompt.shown().last().kind, MsgKind::Error) << c.name << " step " << failAt;
        }
    }
}
