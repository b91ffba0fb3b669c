#include "classes/drives.h"
#include "exchange/transfercopy.h"
#include "exchange/transferfaults.h"
#include "exchange/yeararchive.h"
#include "support/classfolder.h"
#include "support/restartable.h"

#include <QDirIterator>
#include <QTemporaryDir>

namespace hsa {
namespace {

class YearArchiveTest : public test::Restartable<test::RealClassFixture> {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        SetVolumeSource([this] {
            return QList<VolumeInfo>{{floppy.path(), "/dev/sdc1", "vfat", "", true, false, true},
                                     {other.path(), "/dev/sdd1", "vfat", "", true, false, true}};
        });
        // Every byte already in the target counts against the space.
        SetFreeSpaceSource([this](const QString& target) {
            qint64 used = 0;
            for (QDirIterator it(target, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
                used += QFileInfo(it.next()).size();
            return freeSpace - used;
        });
        yearArchive() = YearArchive();
        archiveRestore() = ArchiveRestore();
        yearArchive().beep = [this] { ++beeps; };
        for (const QString cls : {"9a_21222", "xb_21222"}) {
            folder.write(cls + ".dbf", "table " + cls.toLatin1());
            for (const auto& [name, bytes] : {std::pair{"/v.1", "grades"}, {"/m.1", "memo"}, {"/leer.doc", ""}})
                folder.write(cls + name, bytes);
        }
        folder.write("9c_22232.dbf", "next year");
        folder.write("9a-21222.dbf", "family table, never archived");
        yearArchive().Activate(folder.path());
    }
    void TearDown() override
    {
        SetVolumeSource(nullptr);
        SetFreeSpaceSource(nullptr);
        SetTransferCopyFault(nullptr);
        RealClassFixture::TearDown();
    }
    QStringList filesIn(const QString& dir) const
    {
        return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    QTemporaryDir floppy;
    QTemporaryDir other;
    qint64 freeSpace = 1'000'000'000;
    int beeps = 0;
};

TEST_F(YearArchiveTest, CopyMoveOverwriteAndRestore)
{
    // The years of the class files; a year is four digits, else "9495" and a beep.
    EXPECT_EQ(yearArchive().years(), QStringList({"2122", "2223"}));
    EXPECT_EQ(yearArchive().sourceFiles(), QStringList({"9a_21222.dbf", "xb_21222.dbf"}));
    for (const char* typed : {"21", "21?2", "../x", "21 2", "21222"})
        EXPECT_EQ(CheckedYear(typed), "9495") << typed;
    EXPECT_EQ(CheckedHalfYear("2") + CheckedHalfYear("12") + CheckedHalfYear("3"), "2");
    yearArchive().SetHalfYear("1");
    EXPECT_TRUE(yearArchive().sourceFiles().isEmpty());
    yearArchive().SetYear("../x");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(yearArchive().halfYear(), "");
    EXPECT_EQ(yearArchive().targetFolder(), QDir(folder.path()).filePath("9495"));
    yearArchive().SetYear("2122");
    const QString year = folder.file("2122");
    // Copying keeps the sources and skips the empty file and what a killed
    // save left behind; moving leaves nothing behind and carries the empty file.
    folder.write("9a_21222/.v.1.Ab12cd", "half a save");
    folder.write("9a_21222/v.2.Xy34zz", "half a copy");
    prompt.yes();
    yearArchive().Start({"9a_21222.dbf"});
    EXPECT_EQ(QDir(year + "/9a_21222").entryList(QDir::Files | QDir::Hidden, QDir::Name), QStringList({"m.1", "v.1"}));
    EXPECT_TRUE(folder.exists("9a_21222/leer.doc"));
    yearArchive().SetMoving(true);
    prompt.yes();
    yearArchive().Start({"xb_21222.dbf"});
    EXPECT_FALSE(folder.exists("xb_21222.dbf") || folder.exists("xb_21222"));
    EXPECT_EQ(filesIn(year + "/xb_21222"), QStringList({"leer.doc", "m.1", "v.1"}));
    // Overwriting drops the older class's per-student files first; Return
    // never overwrites a class.
    folder.write("2122/9a_21222/v.7", "stale");
    folder.write("2122/9a_21222/l.7", "stale");
    folder.write("2122/9a_21222/v.40", "stale");
    yearArchive().SetMoving(false);
    prompt.yes().yes();
    yearArchive().Start({"9a_21222.dbf"});
    EXPECT_EQ(filesIn(year + "/9a_21222"), QStringList({"m.1", "v.1"}));
    EXPECT_EQ(prompt.shown().last().text, "Klasse 9a_21222.dbf existiert im Archiv. Überschreiben? ");
    EXPECT_EQ(prompt.shown().last().defaultButton, Answer::No);
    // Back again; a class of another program stays out.
    folder.write("2122/3a_21222.dbf", "other program");
    archiveRestore().Activate(folder.path());
    EXPECT_EQ(archiveRestore().yearFolders(), QStringList({"2122"}));
    archiveRestore().ChooseYearFolder("2122");
    EXPECT_EQ(archiveRestore().archivedFiles(), QStringList({"3a_21222.dbf", "9a_21222.dbf", "xb_21222.dbf"}));
    // The window lists the year folders in brackets below "[..]", which
    // empties the list of archived classes; a year folder fills it again.
    EXPECT_EQ(archiveRestore().yearFolderEntries(), QStringList({"[..]", "[2122]"}));
    for (const auto& [entry, year, count] : {std::tuple{"[..]", "2122", 0}, {"[2122]", "2122", 3}})  {
        archiveRestore().ChooseYearEntry(entry);
        EXPECT_EQ(archiveRestore().year(), year) << entry;
        EXPECT_EQ(archiveRestore().archivedFiles().size(), count) << entry;
    }
    prompt.yes();
    archiveRestore().Start({"3a_21222.dbf", "xb_21222.dbf"});
    EXPECT_TRUE(prompt.anyTextContains("Die Klasse 3a_21222.dbf gehört nicht ins Programm KORVI.\n\r Sie wird nicht eingespielt."));
    EXPECT_FALSE(folder.exists("3a_21222.dbf"));
    EXPECT_EQ(folder.read("xb_21222.dbf"), "table xb_21222");
    EXPECT_EQ(filesIn(folder.file("xb_21222")), QStringList({"m.1", "v.1"}));
}

TEST_F(YearArchiveTest, RefusalsStopsAndDriveA)
{
    const QStringList both{"9a_21222.dbf", "xb_21222.dbf"};
    // The last box's text (its start) and, of a question, the default button:
    // "Nein" wherever the answer replaces a class.
    const std::tuple<const char*, std::function<void()>, const char*, QStringList, std::optional<Answer>> cases[] = {
        {"class open", [&] { state().openClassFile = "9a_21222.dbf"; yearArchive().Start({"9a_21222.dbf"}); },
         "Bitte erst Klasse schließen.", {}, std::nullopt},
        {"nothing marked", [&] { archiveRestore().Start({}); }, "Sie haben keine Dateien markiert.", {}, std::nullopt},
        {"no", [&] { prompt.no(); yearArchive().Start({"9a_21222.dbf"}); }, "Einverstanden mit Kopieren auf Festplatte?", {},
         std::nullopt},
        {"no to moving onto drive A",
         [&] {
             yearArchive().SetMoving(true);
             yearArchive().SetPlace(ArchivePlace::DriveA);
             prompt.no();
             yearArchive().Start({"9a_21222.dbf"});
         },
         "Einverstanden mit Verschieben auf Laufwerk A?", {}, std::nullopt},
        {"no to restoring",
         [&] {
             archiveRestore().Activate(folder.path());
             prompt.no();
             archiveRestore().Start({"9a_21222.dbf"});
         },
         "Einverstanden mit Rückholung von Festplatte?", {}, std::nullopt},
        {"no to restoring over the class at home",
         [&] {
             prompt.yes();
             yearArchive().Start({"9a_21222.dbf"});
             archiveRestore().Activate(folder.path());
             archiveRestore().ChooseYearFolder("2122");
             prompt.yes().no();
             archiveRestore().Start({"9a_21222.dbf"});
         },
         "Klasse 9a_21222.dbf existiert im Arbeitsverzeichnis. Überschreiben? ", {"9a_21222", "9a_21222.dbf"}, Answer::No},
        {"no to overwriting in the archive",
         [&] {
             prompt.yes();
             yearArchive().Start({"9a_21222.dbf"});
             prompt.yes().no();
             yearArchive().Start({"9a_21222.dbf"});
         },
         "Klasse 9a_21222.dbf existiert im Archiv. Überschreiben? ", {"9a_21222", "9a_21222.dbf"}, Answer::No},
        {"hard disk full", [&] { freeSpace = 20; prompt.yes(); yearArchive().Start(both); },
         "Zu wenig Speicherplatz!\n\rAb 9a_21222.dbf wird nicht mehr kopiert.", {}, std::nullopt},
        {"floppy full after the first class",
         [&] { freeSpace = 40; yearArchive().SetPlace(ArchivePlace::DriveA); prompt.yes(); yearArchive().Start(both); },
         "Diskette ist voll!\n\rAb xb_21222.dbf wird nicht mehr kopiert.", {"9a_21222", "9a_21222.dbf"}, std::nullopt},
        {"copy breaks while moving",
         [&] {
             SetTransferCopyFault([](const QString& dest) { return dest.endsWith("v.1"); });
             yearArchive().SetMoving(true);
             prompt.yes();
             yearArchive().Start({"9a_21222.dbf"});
         },
         "Schreibfehler in Datei", {}, std::nullopt},
        {"list change cut off",
         [&] { folder.write("9a_21222/.listenjournal", "HSA-Listenjournal 1"); prompt.yes(); yearArchive().Start({"9a_21222.dbf"}); },
         "Bei der Klasse 9a_21222.dbf wurde eine Änderung der Schülerliste unterbrochen.", {}, std::nullopt},
    };
    for (const auto& [name, run, message, archived, defaultButton] : cases) {
        SCOPED_TRACE(name);
        restart();
        freeSpace = 1'000'000'000;
        prompt.clear();
        QDir(floppy.path() + "/2122").removeRecursively();
        QDir(folder.file("2122")).removeRecursively();
        folder.write("laufwerk_a.txt", floppy.path().toUtf8() + "\r\n");
        run();
        EXPECT_TRUE(prompt.lastText().startsWith(QString::fromUtf8(message))) << prompt.lastText().toStdString();
        EXPECT_EQ(prompt.shown().last().defaultButton, defaultButton);
        EXPECT_EQ(prompt.remainingAnswers(), 0);
        EXPECT_EQ(filesIn(yearArchive().targetFolder()), archived);
        // Nothing of a class is ever lost.
        EXPECT_EQ(folder.read("9a_21222/v.1"), "grades");
        EXPECT_TRUE(folder.exists("9a_21222.dbf"));
    }
    QFile::remove(folder.file("9a_21222/.listenjournal"));
    // A year folder that is the program folder itself: nothing is copied
    // onto itself, and no grade file goes.
    SetTransferCopyFault(nullptr);
    yearArchive().SetMoving(false);
    yearArchive().SetPlace(ArchivePlace::HardDisk);
    QDir(folder.file("2122")).removeRecursively();
    ASSERT_TRUE(QFile::link(folder.path(), folder.file("2122")));
    prompt.clear();
    prompt.yes();
    yearArchive().Start({"9a_21222.dbf"});
    EXPECT_EQ(prompt.lastText(), "Die Klasse 9a_21222.dbf kann nicht in ihren eigenen Ordner kopiert werden.");
    EXPECT_EQ(folder.read("9a_21222/v.1"), "grades");
    QFile::remove(folder.file("2122"));
    // "Laufwerk A": the switch file, else the first removable volume, else none.
    EXPECT_EQ(DriveAFolder(), floppy.path());
    QFile::remove(folder.file("laufwerk_a.txt"));
    EXPECT_EQ(DriveAFolder(), ReadyRemovableRoots().first());
    SetVolumeSource([] { return QList<VolumeInfo>{}; });
    EXPECT_FALSE(yearArchive().SetPlace(ArchivePlace::DriveA));
    EXPECT_EQ(yearArchive().place(), ArchivePlace::HardDisk);
    EXPECT_EQ(prompt.lastText(), "Laufwerk A: spricht nicht an. \n\rVermutlich ist keine Diskette eingelegt.");
}

} // namespace
} // namespace hsa
