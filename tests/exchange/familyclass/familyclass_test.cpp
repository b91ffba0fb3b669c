#include "exchange/familyclassimport.h"

#include "classes/textfile.h"
#include "support/childrun.h"
#include "support/stickfixture.h"
#include "zip/archiver.h"
#include "zip/zipstream.h"
#include "zip/support/ziptestsupport.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace hsa;
using namespace hsa::test;
using zip::test::HaveTool;
using zip::test::Quote;
using zip::test::RunShell;

namespace {

const QByteArray kTable = "the class table";

struct Case {
    const char* what;
    const char* tool;         // "zip" (classic, Windows-1252 password), "7z" (AES) or "none" (damaged)
    QString school;           // the school name the archive was made for
    QString chosen;           // file picked on the stick; empty: the dialog is cancelled
    QStringList entries;      // entries beside the class table's own
    bool withTable = true;
    bool targetExists = false;
    bool overwrite = false;   // answer to the overwrite question
    QString lastMessage;      // part of the last text shown
    QByteArray tableAfter;    // "9a-25262.dbf" afterwards (empty: absent)
};

class FamilyTakeIn : public StickFixture {
protected:
    void SetUp() override
    {
        StickFixture::SetUp();
        folder.write("epw5.dat", "Werkrealschule S\xFC" "d\r\nIrgendwo\r\n04711\r\n0\r\n\r\n\r\n");
    }
    // Packs the staged files into the stick's archive with the tool.
    void pack(const Case& c, const QString& archive)
    {
        const QString target = QDir(stick.path()).filePath(archive);
        if (std::string(c.tool) == "none")
            return WriteFileAtomic(target, "PK\x03\x04 damaged");
        QStringList names = c.entries;
        names.removeAll("../9a-25262.dbf");
        if (c.withTable)
            names << "9a-25262.dbf";
        std::string files;
        for (const QString& n : names) {
            QDir(staging.path()).mkpath(QFileInfo(n).path());
            WriteFileAtomic(QDir(staging.path()).filePath(n), n == "9a-25262.dbf" ? kTable : "other " + n.toLatin1());
            files += " " + Quote(n.toStdString());
        }
        const std::string pw = Quote(QString(c.school + "/4711").toLatin1().toStdString());
        const std::string cmd = std::string(c.tool) == "zip" ? "zip -q -P " + pw + " " : "7z a -tzip -mem=AES256 -p" + pw + " ";
        const auto r = RunShell("cd " + Quote(staging.path().toStdString()) + " && " + cmd + Quote(target.toStdString()) + files);
        ASSERT_EQ(r.status, 0) << r.output;
        if (c.entries.contains("../9a-25262.dbf")) {
            // An entry that would land beside the program folder.
            const auto py = RunShell("python3 -c \"import zipfile,sys; zipfile.ZipFile(sys.argv[1],'a')"
                                     ".writestr('../9a-25262.dbf', 'hostile')\" " + Quote(target.toStdString()));
            ASSERT_EQ(py.status, 0) << py.output;
        }
    }
    QTemporaryDir staging;
};

} // namespace

TEST_F(FamilyTakeIn, OnlyTheClassTableComesInWithTheRightPassword)
{
    if (!HaveTool("zip") || !HaveTool("7z") || !HaveTool("python3"))
        GTEST_SKIP() << "zip, 7z or python3 missing";
    const QString done = "Die aus Korvi stammende Klassendatei 9a-25262 wurde einkopiert.";
    const QString failed = "Fehlschlag: Die Klasse 9a-25262 konnte nicht eingespielt werden.";
    const QString south = "Werkrealschule Süd";
    const QList<Case> cases{
        {"classic, extra and hostile entries", "zip", south, "9a-25262 neu.kvz",
         {"9b-25262.dbf", "sub/9a-25262.dbf", "../9a-25262.dbf"}, true, false, false, done, kTable},
        {"AES", "7z", "Hauptschule Nord", "9a-25262.KVZ", {}, true, false, false, done, kTable},
        {"wrong password", "zip", "Andere Schule", "9a-25262.kvz", {}, true, false, false,
         "Das Verschlüsselungspasswort stimmt nicht.", {}},
        {"entry missing", "zip", south, "9a-25262.kvz", {"9b-25262.dbf"}, false, false, false, failed, {}},
        {"damaged archive", "none", south, "9a-25262.kvz", {}, true, false, false, failed, {}},
        {"cancelled", "zip", south, "", {}, true, false, false, "Dateiendung: kvz", {}},
        {"no kvz", "zip", south, "9a-25262.zip", {}, true, false, false, "Sie haben keine Datei der Form *.kvz ausgewählt", {}},
        {"kept", "zip", south, "9a-25262.kvz", {}, true, true, false, "Überschreiben?", "old"},
        {"replaced", "zip", south, "9a-25262.kvz", {}, true, true, true, done, kTable},
        // The class name is the file name's first eight characters, "..\\9a-25".
        {"a file name leading out of the program folder", "zip", south, "..\\9a-25262.kvz", {"..\\9a-25.dbf"}, true,
         false, false, "Der Dateiname ..\\9a-25262.kvz ist ungültig. Die Datei wird nicht einkopiert.", {}},
    };
    const auto cleanUp = qScopeGuard([&] { QFile::remove(folder.file("../9a-25.dbf")); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& f : QDir(folder.path()).entryList({"9?-*"}, QDir::Files))
            QFile::remove(folder.file(f));
        for (QTemporaryDir* dir : {&stick, &staging}) {
            QDir(dir->path()).removeRecursively();
            QDir().mkpath(dir->path());
        }
        // An older archive of the class must never be taken for the new one.
        folder.write("9a-25262.kvz", "an older archive");
        if (c.targetExists)
            folder.write("9a-25262.dbf", "old");
        // Trailing blanks of the school name never count.
        state().schoolName = (QString(c.what) == "wrong password" ? south : c.school) + "  ";
        pack(c, c.chosen.isEmpty() ? "9a-25262.kvz" : c.chosen);
        prompt.clear();
        prompt.yes().text(stick.path());
        c.chosen.isEmpty() ? prompt.cancelText() : prompt.text(QDir(stick.path()).filePath(c.chosen));
        if (c.targetExists)
            prompt.answer(c.overwrite ? Answer::Yes : Answer::No);
        TakeInFamilyClassFile();
        EXPECT_TRUE(prompt.lastText().contains(c.lastMessage)) << prompt.lastText().toStdString();
        EXPECT_EQ(folder.exists("9a-25262.dbf") ? folder.read("9a-25262.dbf") : QByteArray(), c.tableAfter);
        EXPECT_FALSE(folder.exists("9b-25262.dbf"));
        EXPECT_FALSE(QFileInfo::exists(folder.file("../9a-25262.dbf")));
        EXPECT_FALSE(QFileInfo::exists(folder.file("../9a-25.dbf")));
        EXPECT_EQ(prompt.remainingAnswers(), 0);
        // The question before an existing class table is replaced.
        const auto asked = std::find_if(prompt.shown().begin(), prompt.shown().end(), [](const auto& s) {
            return s.call == ScriptedPrompt::Call::Ask && s.text.startsWith("Klasse ");
        });
        EXPECT_EQ(asked != prompt.shown().end(), c.targetExists);
        if (asked != prompt.shown().end()) {
            EXPECT_EQ(asked->text, "Klasse 9a-25262.dbf existiert bereits. Überschreiben? ");
            EXPECT_EQ(asked->defaultButton, Answer::No);
        }
    }
}

namespace {

// Little-endian field of a ZIP record, changed in place.
void Patch(std::string& bytes, size_t at, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + size_t(i)] = char((value >> (8 * i)) & 0xFF);
}

size_t CentralHeader(const std::string& bytes)
{
    return bytes.find(std::string("PK\x01\x02", 4));
}

struct HostileCase {
    const char* what;
    QByteArray table;                                    // content of the class table entry
    bool encrypted = true;
    std::function<void(std::string& archive)> patch = {};
    const char* told = "";                               // part of a text shown
};

} // namespace

// Hostile archives never fill memory or the program folder, and each is told
// for what it is.  Each take-in runs in a child with little room to grow: the
// table must never be held whole in memory, and never beyond a class table.
TEST_F(FamilyTakeIn, HostileArchivesAreRefusedWithinLittleMemory)
{
    if (!kAddressSpaceLimitWorks)
        GTEST_SKIP() << "no address-space limit under a sanitizer";
    const QString school = "Werkrealschule Süd";
    state().schoolName = school;
    // 100 MB of zeros deflate to about 100 KB.
    const QByteArray bomb(100 * 1024 * 1024, '\0');
    // A real table header (65 bytes, 100-byte records) and far more than 40 records.
    QByteArray longTable(2 * 1024 * 1024, ' ');
    longTable[0] = 0x03;
    longTable[8] = 65;
    longTable[10] = 100;
    const std::vector<HostileCase> cases{
        {"inflates to 100 MB", bomb, true, {}, "beschädigt"},
        {"declares 4000 bytes, inflates to 100 MB", bomb, true,
         [](std::string& a) {
             Patch(a, 22, 4000, 4);
             Patch(a, CentralHeader(a) + 24, 4000, 4);
         },
         "beschädigt"},
        {"more than its header and 40 records", longTable, true, {}, "beschädigt"},
        {"not encrypted", kTable, false, {}, "nicht verschlüsselt"},
        {"a link", kTable, true,
         [](std::string& a) {
             Patch(a, CentralHeader(a) + 4, 0x031E, 2);
             Patch(a, CentralHeader(a) + 38, 0120777u << 16, 4);
         },
         "keine gewöhnliche Datei"},
        {"the table twice", kTable, true,
         [](std::string& a) {
             for (size_t at = a.find("9a-25262.dbX"); at != std::string::npos; at = a.find("9a-25262.dbX"))
                 a[at + 11] = 'f';
         },
         "mehrfach"},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.what);
        for (QTemporaryDir* dir : {&stick, &staging}) {
            QDir(dir->path()).removeRecursively();
            QDir().mkpath(dir->path());
        }
        WriteFileAtomic(QDir(staging.path()).filePath("9a-25262.dbf"), c.table);
        if (QString(c.what) == "the table twice")
            WriteFileAtomic(QDir(staging.path()).filePath("9a-25262.dbX"), "a second table");
        const std::string archive = QDir(stick.path()).filePath("9a-25262.kvz").toStdString();
        {
            zip::ZipArchiver z;
            z.SetFileName(archive);
            z.SetPassword(c.encrypted ? (school + "/4711").toStdString() : std::string());
            z.SetCompressionMode(9);
            z.OpenArchive(zip::openmode::Create);
            z.SetBaseDir(staging.path().toStdString());
            z.AddFiles(staging.path().toStdString() + "/*.*");
            z.CloseArchive();
        }
        std::string bytes = zip::test::ReadFile(archive);
        ASSERT_LT(bytes.size(), 1024u * 1024u);
        if (c.patch)
            c.patch(bytes);
        zip::test::WriteFile(archive, bytes);

        const QString told = QDir(staging.path()).filePath("told.txt");
        const LimitedRun run = RunWithMemoryLimit(64ull * 1024 * 1024, [&] {
            prompt.clear();
            prompt.yes().text(stick.path()).text(QString::fromStdString(archive));
            TakeInFamilyClassFile();
            WriteFileAtomic(told, prompt.texts().join("\n").toUtf8());
            return 0;
        });
        ASSERT_TRUE(run.exited && run.code == 0) << run.describe().toStdString();
        const QString texts = QString::fromUtf8(ReadFileBytes(told));
        EXPECT_TRUE(texts.contains(c.told)) << texts.toStdString();
        EXPECT_TRUE(texts.endsWith("Fehlschlag: Die Klasse 9a-25262 konnte nicht eingespielt werden."))
            << texts.toStdString();
        EXPECT_FALSE(texts.contains("Verschlüsselungspasswort")) << texts.toStdString();
        // Neither the table nor a piece of it under a hidden name.
        EXPECT_EQ(QDir(folder.path()).entryList({"*9a-25262.dbf*"}, QDir::Files | QDir::Hidden), QStringList());
    }
}

// A classic password of other school data passes the check byte once in 256
// times and then deciphers to garbage: that is still a wrong password, never
// a damaged archive.
TEST_F(FamilyTakeIn, AWrongPasswordPastTheCheckByteIsStillAWrongPassword)
{
    state().schoolName = "Werkrealschule Süd";
    WriteFileAtomic(QDir(staging.path()).filePath("9a-25262.dbf"), QByteArray(3000, 'x'));
    const std::string archive = QDir(stick.path()).filePath("9a-25262.kvz").toStdString();
    bool slipsPast = false;
    for (int attempt = 0; attempt < 4000 && !slipsPast; ++attempt) {
        zip::ZipArchiver z;
        z.SetFileName(archive);
        z.SetPassword("Andere Schule/4711");
        z.OpenArchive(zip::openmode::Create);
        z.SetBaseDir(staging.path().toStdString());
        z.AddFiles(staging.path().toStdString() + "/*.*");
        z.CloseArchive();
        zip::ZipArchiver probe;
        probe.MaxPasswordAttempts = 0;
        probe.SetFileName(archive);
        probe.SetPassword(FamilyArchivePassword().toStdString());
        probe.OpenArchive();
        zip::NullStream sink;
        try {
            probe.ExtractToStream(0, sink);
        } catch (const zip::EZAException& e) {
            slipsPast = e.NativeError() != zip::err::InvalidPassword;
        }
        probe.CloseArchive();
    }
    ASSERT_TRUE(slipsPast);
    prompt.yes().text(stick.path()).text(QString::fromStdString(archive));
    TakeInFamilyClassFile();
    EXPECT_TRUE(prompt.lastText().startsWith("Das Verschlüsselungspasswort stimmt nicht.")) << prompt.lastText().toStdString();
    EXPECT_FALSE(folder.exists("9a-25262.dbf"));
}
