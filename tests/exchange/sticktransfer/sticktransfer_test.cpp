#include "classes/dbftable.h"
#include "classes/drives.h"
#include "classes/textfile.h"
#include "exchange/sticktransfer.h"
#include "exchange/transfercopy.h"
#include "exchange/transferfaults.h"
#include "platform/errors.h"
#include "support/dbfpeer.h"
#include "support/foldercontents.h"
#include "support/stickfixture.h"
#include "support/restartable.h"

#include <QRegularExpression>
#include <QTemporaryDir>

namespace hsa {
namespace {

const QString kClass = QStringLiteral("9a_21222.dbf");
const QString kBoard = QStringLiteral("vor21229.dat");

// "NACHNAME|VORNAME" of the students, read by python's own dBase reader.
QString namesByDbfread(const QString& path, const char* encoding)
{
    const auto rows = test::DbfreadRows(path, QString::fromLatin1(encoding), {"NACHNAME", "VORNAME"});
    EXPECT_TRUE(rows) << "dbfread cannot read " << path.toStdString();
    return rows ? rows->filter(QRegularExpression("^[^|]")).join('|') : QString();
}

class StickTransferTest : public test::Restartable<test::StickFixture> {
protected:
    void SetUp() override
    {
        StickFixture::SetUp();
        SetFreeSpaceSource([this](const QString&) { return freeSpace; });
        classFiles().hooks().stickExport = [](const QString&, const QString& n) { stickTransfer().ExportClassToStick(n); };
        classFiles().hooks().stickImport = [](const QString& f, const QString& n) { stickTransfer().ImportClassFromStick(f, n); };
        makeClass(kClass, {{"1", "Müller", "Jörg"}, {"2", "Weiß", "Renée"}, {"3", "Öztürk", "Ümit"}});
        folder.write(kBoard, "Frau Ärmel\r\nHerr Brösel\r\n");
        for (const char* f : {"v.1", "v.2", "m.1", "l.1", "a.doc", "b.DOCX"})
            folder.write(QStringLiteral("9a_21222/") + f, QByteArray(f) + " Inhalt");
        folder.write(QStringLiteral("9a_21222/leer.doc"), QByteArray());
        state().stickRoot = stick.path();
        freeSpace = 1'000'000'000;
    }
    void TearDown() override
    {
        SetFreeSpaceSource(nullptr);
        SetTransferCopyFault(nullptr);
        StickFixture::TearDown();
    }
    QString onStick(const QString& name) const { return QDir(stick.path()).filePath(name); }
    // The stick is asked first, then the questions are answered in turn.
    void exportClass(std::initializer_list<Answer> answers = {})
    {
        prompt.text(stick.path());
        for (Answer a : answers)
            prompt.answer(a);
        stickTransfer().PrepareExport();
        classFiles().Activate(kClass);
    }
    // The text of the last message box or question (inputs left out).
    QString lastBox() const
    {
        for (auto it = prompt.shown().crbegin(); it != prompt.shown().crend(); ++it)
            if (it->call == ScriptedPrompt::Call::Message || it->call == ScriptedPrompt::Call::Ask)
                return it->text;
        return {};
    }
    qint64 freeSpace = 0;
};

TEST_F(StickTransferTest, ClassTravelsToAnotherInstallationWithGradesAttachmentsAndBoard)
{
    folder.write("9a_21222/v.40", "v.40 Inhalt");
    exportClass();
    ASSERT_EQ(prompt.lastText(), "Die Klasse wurde auf den Stick ausgespielt.");
    EXPECT_FALSE(QFileInfo::exists(folder.file("temp.dbf"))); // its copy for the stick went with the transfer
    const QByteArray source = folder.read(kClass);
    const QByteArray onStickBytes = ReadFileBytes(onStick(kClass));
    const int header = static_cast<unsigned char>(source[8]) | static_cast<unsigned char>(source[9]) << 8;
    EXPECT_EQ(header, 1313);
    EXPECT_EQ(onStickBytes.left(header), source.left(header));
    EXPECT_TRUE(onStickBytes.contains(ToCp850(QStringLiteral("Öztürk"))));
    EXPECT_EQ(ReadFileBytes(onStick("9a_21222.gxm")), onStickBytes);
    const QStringList carried{"a.doc", "b.DOCX", "v.1", "v.2", "v.40"};
    EXPECT_EQ(RegularFilesIn(onStick("9a_21222")), carried);
    const QString names = QStringLiteral("Müller|Jörg|Weiß|Renée|Öztürk|Ümit");
    EXPECT_EQ(namesByDbfread(onStick(kClass), "cp850"), names);
    // The second installation.
    QTemporaryDir home2;
    state().programDir = home2.path();
    prompt.text(stick.path());
    stickTransfer().PrepareImport();
    ASSERT_EQ(classFiles().view().listEntries, QStringList{kClass});
    classFiles().Activate(kClass);
    ASSERT_EQ(prompt.lastText(), "Die Prüfungsklasse wurde eingespielt.");
    const QString imported = QDir(home2.path()).filePath(kClass);
    EXPECT_EQ(ReadFileBytes(imported), source);
    EXPECT_EQ(namesByDbfread(imported, "cp1252"), names);
    EXPECT_EQ(ReadFileBytes(QDir(home2.path()).filePath(kBoard)), folder.read(kBoard));
    EXPECT_EQ(RegularFilesIn(QDir(home2.path()).filePath("9a_21222")), carried);
    EXPECT_EQ(QDir::currentPath(), home2.path());
}

TEST_F(StickTransferTest, RefusalsAndTheirMessages)
{
    struct Case {
        const char* name;
        std::function<void()> run;
        QString lastText;       // empty: no box at all
        QStringList stickFiles; // what the stick root holds afterwards
        QString alsoShown = {};
        QString question = {};  // the question before a class is replaced, "Nein" its default
    };
    const auto marked = [&] {
        exportClass();
        ASSERT_EQ(lastBox(), "Die Klasse wurde auf den Stick ausgespielt.") << prompt.texts().join(" | ").toStdString();
        prompt.clear();
    };
    const QList<Case> cases = {
        {"terminal server", [&] { state().stickTransferEnabled = false; stickTransfer().PrepareImport(); },
         "Bei Installation auf einem Terminalserver ist dieser Menüpunkt deaktiviert.", {}},
        {"class open", [&] { state().openClassFile = kClass; stickTransfer().PrepareFamilyImport(); },
         "Erst Klasse schließen", {}},
        {"drive not ready", [&] { prompt.text("/nirgends"); stickTransfer().PrepareExport(); },
         "Das Laufwerk /nirgends ist nicht ansprechbar.", {}},
        {"cancel", [&] { prompt.cancelText(); stickTransfer().PrepareExport(); }, {}, {}},
        {"cancel older take-over", [&] { prompt.cancelText(); stickTransfer().PrepareFamilyImport(); },
         "Im Stammverzeichnis des Sticks muss sich eine Korvi-Klassendatei (Endung dbf) aus Klasse 9 oder 10 mit "
         "Halbjahr 2 befinden.", {}},
        {"class table missing", [&] { QFile::remove(folder.file(kClass)); stickTransfer().ExportClassToStick(kClass); },
         kClass + " existiert nicht mehr.\n\rKeine Klasse ausgewählt. Kopiervorgang wird abgebrochen.", {}},
        {"the table left the program folder after the export list was shown",
         [&] {
             prompt.text(stick.path());
             stickTransfer().PrepareExport();
             ASSERT_EQ(classFiles().view().listEntries, QStringList{kClass});
             QFile::rename(folder.file(kClass), folder.file("9a_21222.alt"));
             classFiles().Activate(kClass);
             EXPECT_FALSE(classFiles().view().listVisible);
         },
         kClass + " existiert nicht mehr.\n\rKeine Klasse ausgewählt. Kopiervorgang wird abgebrochen.", {}},
        {"no to overwrite on the stick",
         [&] { QFile(onStick(kClass)).open(QIODevice::WriteOnly); exportClass({Answer::No}); },
         "Kopiervorgang wird abgebrochen", {kClass}, {},
         "Klasse 9a_21222.dbf existiert auf den Stick. Kopiervorgang fortsetzen? "},
        {"too little space", [&] { freeSpace = 5000; exportClass(); }, "Zu wenig Speicherplatz!!", {}},
        {"drive A keeps its floppy rule", [&] { freeSpace = 1'000'000; exportClass(); }, "Zu wenig Speicherplatz!!", {}},
        {"name warning, No",
         [&] { makeClass(kClass, {{"1", "Müller", "Jörg"}, {"2", "Sánchez", "Renée"}}); exportClass({Answer::No}); },
         "Kopiervorgang wird abgebrochen", {}, "2: Sánchez, Renée"},
        {"name warning, a surname or a first name alone",
         [&] {
             makeClass(kClass, {{"1", "Sánchez", ""}, {"2", "", "Máté"}, {"3", "Müller", "Jörg"}});
             exportClass({Answer::No});
         },
         "Kopiervorgang wird abgebrochen", {}, "\n\r\n\r1: Sánchez\n\r2: Máté\n\r\n\r"},
        {"missing marker",
         [&] { marked(); QFile::remove(onStick("9a_21222.gxm")); stickTransfer().ImportClassFromStick(stick.path(), kClass); },
         "Diese Klasse stammt nicht aus Korvi_Wendra_Pruef ab Version C9.\n\r\n\rAb Version C9 wird das Einspielen von "
         "Prüfungsklassen verhindert,\n\rdie mit einer alten HSA- oder RSA-Version für den Bildungsplan 2004 angelegt "
         "wurden.\n\r\n\rDie Vermischung der unterschiedlichen Fächer und Gewichtungen würde zu Fehlern führen.",
         {"9a_21222", kClass, kBoard}},
        {"copy breaks part way: the older class stays whole",
         [&] {
             exportClass();
             SetTransferCopyFault([](const QString& dest) { return dest.endsWith("v.2"); });
             prompt.clear();
             exportClass({Answer::Yes});
             EXPECT_EQ(RegularFilesIn(onStick("9a_21222")), QStringList({"a.doc", "b.DOCX", "v.1", "v.2"}));
         },
         "Kopiervorgang wird abgebrochen", {"9a_21222", kClass, "9a_21222.gxm", kBoard},
         "Schreibfehler in Datei " + onStick("9a_21222/v.2")},
        {"no to overwrite on the disk", [&] { marked(); prompt.no(); stickTransfer().ImportClassFromStick(stick.path(), kClass); },
         "Kopiervorgang wird abgebrochen", {"9a_21222", kClass, "9a_21222.gxm", kBoard}, {},
         "Klasse 9a_21222.dbf existiert auf der Festplatte. Kopiervorgang fortsetzen? "},
        {"the stick is the program folder (run from the stick)",
         [&] {
             SetVolumeSource([&] {
                 return QList<VolumeInfo>{{folder.path(), "/dev/sdb1", "vfat", "STICK", true, false, true}};
             });
             prompt.text(folder.path());
             stickTransfer().PrepareExport();
         },
         "Der Ordner " + folder.path() + " ist der Programmordner, liegt in ihm oder enthält ihn. Bitte wählen Sie den Stick.",
         {}},
        {"importing from the program folder itself",
         [&] { stickTransfer().ImportClassFromStick(folder.path(), kClass); },
         "Kopiervorgang wird abgebrochen", {}, "ist der Programmordner"},
        {"a name that leads out of the folder",
         [&] {
             marked();
             for (const char* ext : {"dbf", "gxm"})
                 WriteFileAtomic(onStick(QStringLiteral("x1_12342\\..\\..\\payload.") + ext), "payload");
             stickTransfer().ImportClassFromStick(stick.path(), "x1_12342\\..\\..\\payload.dbf");
             EXPECT_FALSE(QFileInfo::exists(QDir(folder.path()).filePath("../../payload.dbf")));
         },
         "Der Dateiname x1_12342\\..\\..\\payload.dbf ist ungültig. Kopiervorgang wird abgebrochen",
         {"9a_21222", kClass, "9a_21222.gxm", kBoard, "x1_12342\\..\\..\\payload.dbf",
          "x1_12342\\..\\..\\payload.gxm"}},
        {"class folder missing on the stick",
         [&] { marked(); QDir(onStick("9a_21222")).removeRecursively(); stickTransfer().ImportClassFromStick(stick.path(), kClass); },
         "Auf dem Stick fehlt der Klassenordner 9a_21222 der Klasse 9a_21222.dbf. Die Klasse ist unvollständig.\n\r\n\r"
         "Kopiervorgang wird abgebrochen", {kClass, "9a_21222.gxm", kBoard}},
        {"class folder a link to elsewhere",
         [&] {
             marked();
             QDir(onStick("9a_21222")).removeRecursively();
             QFile::link(folder.file("9a_21222"), onStick("9a_21222"));
             stickTransfer().ImportClassFromStick(stick.path(), kClass);
         },
         "Auf dem Stick fehlt der Klassenordner 9a_21222 der Klasse 9a_21222.dbf. Die Klasse ist unvollständig.\n\r\n\r"
         "Kopiervorgang wird abgebrochen", {"9a_21222", kClass, "9a_21222.gxm", kBoard}},
        {"a huge table is refused unread",
         [&] {
             marked();
             QFile(onStick(kClass)).resize(qint64(3) << 30);
             stickTransfer().ImportClassFromStick(stick.path(), kClass);
         },
         "Die Datei " + QDir::toNativeSeparators(onStick(kClass)) + " ist beschädigt und wird nicht benutzt.\n\r\n\r"
         "Kopiervorgang wird abgebrochen", {"9a_21222", kClass, "9a_21222.gxm", kBoard}},
        {"the table vanished after the list was shown",
         [&] {
             marked();
             prompt.text(stick.path());
             stickTransfer().PrepareImport();
             QFile::remove(onStick(kClass));
             classFiles().Activate(kClass);
         },
         kClass + " existiert nicht mehr.\n\rKeine Klasse ausgewählt. Kopiervorgang wird abgebrochen.", {"9a_21222", "9a_21222.gxm", kBoard}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        restart([this] {
            QDir(stick.path()).removeRecursively();
            QDir().mkpath(stick.path());
        });
        prompt.clear();
        c.run();
        EXPECT_EQ(lastBox(), c.lastText) << prompt.texts().join(" | ").toStdString();
        EXPECT_EQ(prompt.remainingAnswers(), 0);
        EXPECT_EQ(QDir(stick.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name), c.stickFiles);
        EXPECT_TRUE(prompt.anyTextContains(c.alsoShown));
        if (!c.question.isEmpty()) {
            const auto asked = std::find_if(prompt.shown().begin(), prompt.shown().end(),
                                            [](const auto& s) { return s.call == ScriptedPrompt::Call::Ask; });
            ASSERT_NE(asked, prompt.shown().end());
            EXPECT_EQ(asked->text, c.question);
            EXPECT_EQ(asked->defaultButton, Answer::No);
        }
        EXPECT_NE(classFiles().mode(), kModeStickExport);
    }
}

TEST_F(StickTransferTest, OverwritingDropsStaleGradeFilesAndCarriesAtMost41Attachments)
{
    for (int i = 0; i < 42; ++i)
        folder.write(QStringLiteral("9a_21222/anlage%1.doc").arg(i, 2, 10, QLatin1Char('0')), "x");
    for (const char* stale : {"9a_21222/v.3", "9a_21222/v.40"})
        folder.write(stale, "alt");
    exportClass();
    QFile::remove(folder.file("9a_21222/v.3"));
    QFile::remove(folder.file("9a_21222/v.40"));
    exportClass({Answer::Yes});
    // Name order: a.doc, anlage00..anlage39, then v.1 and v.2.
    const QStringList carried = RegularFilesIn(onStick("9a_21222"));
    EXPECT_EQ(carried.size(), 41 + 2);
    EXPECT_EQ(carried.mid(40), QStringList({"anlage39.doc", "v.1", "v.2"}));
    // The disk side too: an older class's v.3 goes before the import.
    folder.write(QStringLiteral("9a_21222/v.3"), "alt");
    folder.write(QStringLiteral("9a_21222/v.40"), "alt");
    prompt.yes();
    stickTransfer().ImportClassFromStick(stick.path(), kClass);
    EXPECT_FALSE(folder.exists("9a_21222/v.3") || folder.exists("9a_21222/v.40"));
    EXPECT_EQ(prompt.lastText(), "Die Prüfungsklasse wurde eingespielt.");
}

// The stick pulled while a class comes in, or the class folder gone while it
// goes out: the whole source folder vanishes while the table is copied, at
// the first, a middle or the last student.  The target keeps its older class to the byte, and the user
// is told that the source can no longer be read, never that it arrived.
TEST_F(StickTransferTest, APulledStickOrAVanishedClassFolderChangesNothing)
{
    const auto writeGrades = [&](const char* kind) {
        for (int n = 1; n <= 38; ++n)
            folder.write(QStringLiteral("9a_21222/v.%1").arg(n), QByteArray(kind) + " " + QByteArray::number(n));
    };
    for (const bool import : {true, false}) {
        for (const char* at : {"9a_21222.dbf", "v.1", "v.20", "v.38"}) {
            SCOPED_TRACE(std::string(import ? "import, stick pulled at " : "export, class folder gone at ") + at);
            QDir(stick.path()).removeRecursively();
            QDir().mkpath(stick.path());
            writeGrades("neu");
            prompt.clear();
            exportClass();
            ASSERT_EQ(lastBox(), "Die Klasse wurde auf den Stick ausgespielt.");
            prompt.clear();
            const QString target = import ? folder.path() : stick.path();
            const QString gone = import ? stick.path() : folder.file("9a_21222");
            if (import)
                writeGrades("alt");
            const auto before = test::FolderContents(target);
            SetTransferCopyFault([&](const QString& dest) {
                if (dest.endsWith(QLatin1Char('/') + QLatin1String(at)))
                    QDir(gone).removeRecursively();
                return false;
            });
            if (import) {
                prompt.yes();
                stickTransfer().ImportClassFromStick(stick.path(), kClass);
            } else {
                exportClass({Answer::Yes});
            }
            SetTransferCopyFault(nullptr);
            EXPECT_EQ(test::FolderContents(target), before);
            EXPECT_TRUE(prompt.anyTextContains(import ? "Der Stick " + stick.path() + " ist nicht mehr lesbar"
                                                      : "Der Klassenordner " + gone + " ist nicht mehr lesbar"))
                << prompt.texts().join(" | ").toStdString();
            EXPECT_EQ(lastBox(), "Kopiervorgang wird abgebrochen");
            EXPECT_EQ(prompt.remainingAnswers(), 0);
            QDir().mkpath(stick.path());
        }
    }
    // A student who never had a grade file is no fault.
    writeGrades("neu");
    QFile::remove(folder.file("9a_21222/v.20"));
    prompt.clear();
    exportClass({Answer::Yes});
    EXPECT_EQ(lastBox(), "Die Klasse wurde auf den Stick ausgespielt.");
    EXPECT_FALSE(QFileInfo::exists(onStick("9a_21222/v.20")));
    EXPECT_TRUE(QFileInfo::exists(onStick("9a_21222/v.21")));
}

TEST_F(StickTransferTest, FamilyTableComesInUnchangedTheOlderWay)
{
    const QByteArray family("family table \x84\x94\x81 bytes");
    WriteFileAtomic(onStick("9a-21222.dbf"), family);
    prompt.text(stick.path());
    stickTransfer().PrepareFamilyImport();
    ASSERT_EQ(classFiles().view().listEntries, QStringList{"9a-21222.dbf"});
    classFiles().Activate("9a-21222.dbf");
    EXPECT_EQ(folder.read("9a-21222.dbf"), family);
    EXPECT_TRUE(prompt.lastText().startsWith("Die Korvi-Klassendatei 9a-21222.dbf wurde einkopiert."));
    EXPECT_FALSE(stickTransfer().familyImportPending());
    EXPECT_THROW(TransferCopyFile(folder.file(kClass), folder.file(kClass)), FileError);
}

// A table on the stick whose header is damaged (a field of width 0) is
// refused naming the stick's file, not the class at home, which stays.
TEST_F(StickTransferTest, ADamagedTableOnTheStickIsNamedAsSuch)
{
    exportClass();
    ASSERT_EQ(lastBox(), "Die Klasse wurde auf den Stick ausgespielt.") << prompt.texts().join(" | ").toStdString();
    QByteArray table = ReadFileBytes(onStick(kClass));
    table[48] = 0;
    table[49] = 0;
    WriteFileAtomic(onStick(kClass), table);
    const QByteArray home = folder.read(kClass);
    prompt.clear();
    prompt.yes();
    stickTransfer().ImportClassFromStick(stick.path(), kClass);
    EXPECT_TRUE(prompt.anyTextContains(DamagedTableMessage(onStick(kClass)))) << prompt.texts().join(" | ").toStdString();
    EXPECT_FALSE(prompt.anyTextContains(DamagedTableMessage(folder.file(kClass))));
    EXPECT_FALSE(prompt.anyTextContains(QStringLiteral("wurde eingespielt")));
    EXPECT_EQ(folder.read(kClass), home);
}

} // namespace
} // namespace hsa
