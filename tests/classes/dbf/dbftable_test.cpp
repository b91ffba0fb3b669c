#include "classes/classfields.h"
#include "classes/classtemplate.h"
#include "classes/dbftable.h"
#include "classes/filefaultscope.h"
#include "classes/fileops.h"
#include "classes/kopier.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "support/tempfolder.h"

#include <QDate>
#include <QFileInfo>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <shapefil.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace hsa;

namespace {

uint16_t le16At(const QByteArray& b, int at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

const QString kShipped = QStringLiteral(HSA_DATA_DIR "/start2.dbf");

// Python's independent dBase reader over path: a line of field count, header
// length, records and date, then one line per record with the fields joined
// by "|"; nullopt when the reader is not installed.
std::optional<QStringList> readWithDbfread(const QString& path)
{
    QProcess p;
    const QString script = QStringLiteral(
        "import sys\n"
        "from dbfread import DBF\n"
        "t = DBF(sys.argv[1], encoding='cp1252', char_decode_errors='strict')\n"
        "sys.stdout.buffer.write(('%d|%d|%d|%s\\n' % (len(t.fields), t.header.headerlen, len(list(t)), t.date)).encode('utf-8'))\n"
        "for r in t:\n"
        "    sys.stdout.buffer.write(('|'.join(str(v) for v in r.values()) + '\\n').encode('utf-8'))\n");
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!p.waitForFinished(60000))
        return std::nullopt;
    const QByteArray err = p.readAllStandardError();
    if (err.contains("No module named"))
        return std::nullopt;
    EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(ClassTemplate, ShippedFileIsWhatTheToolBuildsAndReadersSee)
{
    test::TempProgramFolder folder;
    const QByteArray shipped = folder.read(kShipped);
    EXPECT_EQ(shipped, BuildClassTemplate());
    QProcess tool;
    tool.start(QStringLiteral(HSA_MAKE_TEMPLATE), {folder.file("start2.dbf")});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(folder.read("start2.dbf"), shipped);

    // The stick copy keeps the first 836 bytes and maps every later byte; the
    // rest of the header must come through that mapping unchanged.
    const int headerLength = le16At(shipped, 8);
    EXPECT_EQ(headerLength, 32 + 40 * 32 + 1);
    const QByteArray tail = shipped.mid(836, headerLength - 836);
    EXPECT_EQ(Windows1252ToFamilyBytes(tail), tail);
    EXPECT_EQ(shipped.size(), headerLength + 40 * le16At(shipped, 10) + 1);
    EXPECT_EQ(shipped.back(), '\x1A');

    const auto lines = readWithDbfread(kShipped);
    if (!lines)
        GTEST_SKIP() << "python3-dbfread not installed";
    ASSERT_EQ(lines->size(), 41);
    EXPECT_EQ(lines->at(0), "40|1313|40|2025-08-01");
    EXPECT_TRUE(lines->at(1).startsWith("1|"));
    EXPECT_TRUE(lines->at(40).startsWith("40|"));
}

// Every name the program reads a field by is that field of the template, at
// the position the positional accesses use: a misspelt name would read
// every student's field as empty without a word.
TEST(ClassTemplate, NamedFieldsAreTheTemplateFieldsAtTheirPositions)
{
    const struct {
        const QString& name;
        const char* file;
        int position;
    } cases[] = {
        {kFieldNr, "NR", ClassField::NR},
        {kFieldLast, "NACHNAME", ClassField::NACHNAME},
        {kFieldFirst, "VORNAME", ClassField::VORNAME},
        {kFieldGender, "M/W", ClassField::MW},
        {kFieldClass, "KLASSE", ClassField::KLASSE},
        {kFieldDate, "DATUM", ClassField::DATUM},
        {kFieldRemark1, "BEMERK1", 6},
        {kFieldRemark2, "BEMERK2", 7},
        {kFieldGroup, "HJ", ClassField::HJ},
        {kFieldWorkingGroups, "AG2", ClassField::NoneMark},
        {kFieldBirthDate, "AG3", ClassField::AG3},
        {kFieldBirthPlace, "AG4", ClassField::AG4},
        {kFieldProjectTopic, "AG5", 12},
        {kFieldClass8Grade, "AG6", 13},
        {kFieldProfile, "AG7", 14},
        {kFieldHints[0], "HINWEIS1", 15},
        {kFieldHints[1], "HINWEIS2", 16},
        {kFieldHints[2], "HINWEIS3", 17},
        {kFieldHints[3], "HINWEIS4", 18},
        {kFieldGerman, "DEU", 21},
        {kFieldGeneralStudies, "SACHKUNDE", 22},
        {kFieldMath, "MATH", 23},
    };
    const auto& fields = ClassTemplateFields();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(c.name, QString::fromLatin1(c.file));
        ASSERT_LT(c.position, static_cast<int>(fields.size()));
        EXPECT_EQ(fields[c.position].name, c.name);
    }
    EXPECT_EQ(kFieldHints, (std::array{kFieldHint1, kFieldHint2, kFieldHint3, kFieldHint4}));
}

TEST(DbfTable, EditPostReopenKeepsTextAndHeader)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("9a_25262.dbf");
    CopyFileContents(kShipped, path);
    const QByteArray before = folder.read(path);
    {
        DbfTable t;
        t.open(path);
        t.setValue(0, "nachname", QStringLiteral("Müller-Lüdenscheidt"));
        t.setValue(0, "VORNAME", QStringLiteral("  Zoë"));               // leading blanks survive
        t.setValue(0, "M/W", QStringLiteral("Weiblich"));                // cut to one character
        t.setValue(1, ClassField::NACHNAME, QStringLiteral("Sánchez"));  // á is no umlaut
        t.setValue(1, "AG4", QStringLiteral("Öhringen"));
        t.setValue(2, "HINWEIS1", QString(100, QLatin1Char('x')));
        t.setValue(3, "DEU", QStringLiteral("2*"));
        t.post();
        t.setValue(3, "DEU", QStringLiteral("3*"));
    }   // closing writes the pending record
    DbfTable t;
    t.open(path);
    const struct { int record; const char* field; QString value; } cases[] = {
        {0, "NACHNAME", "Müller-Lüdenscheidt"}, {0, "vorname", "  Zoë"}, {0, "M/W", "W"}, {1, "nachname", "Sánchez"},
        {1, "ag4", "Öhringen"}, {2, "HINWEIS1", QString(80, QLatin1Char('x'))}, {3, "DEU", "3*"}, {4, "NACHNAME", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(t.value(c.record, c.field), c.value) << c.record << c.field;
    EXPECT_EQ(t.rawValue(0, 2), QByteArray("  Zo\xEB") + QByteArray(35, ' '));
    // Unknown fields and records raise with a German message.
    EXPECT_TRUE(t.valueOrEmpty(0, "GIBTSNICHT").isEmpty());
    for (const auto& bad : std::initializer_list<std::function<void()>>{
             [&] { t.setValue(0, "GIBTSNICHT", "x"); }, [&] { t.value(40, 0); }, [&] { t.value(-1, 0); },
             [&] { t.value(0, 40); }})
        EXPECT_THROW(bad(), FileError);
    try {
        t.value(0, "GIBTSNICHT");
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Feld GIBTSNICHT nicht gefunden"));
    }
    t.close();

    const QByteArray after = folder.read(path);
    ASSERT_EQ(after.size(), before.size());
    // Only the date of the last update moves: today's, as readers expect.
    EXPECT_EQ(after.left(1) + after.mid(4, 1309), before.left(1) + before.mid(4, 1309)) << "header changed";
    EXPECT_EQ(uchar(after[1]), QDate::currentDate().year() - 1900) << "dBase counts the year from 1900";
    const auto lines = readWithDbfread(path);
    if (!lines)
        GTEST_SKIP() << "python3-dbfread not installed";
    ASSERT_EQ(lines->size(), 41);
    EXPECT_EQ(lines->at(0), "40|1313|40|" + QDate::currentDate().toString(Qt::ISODate));
    EXPECT_TRUE(lines->at(1).startsWith(QStringLiteral("1|Müller-Lüdenscheidt|  Zoë|W|")));
    EXPECT_TRUE(lines->at(2).startsWith(QStringLiteral("2|Sánchez|")));
    EXPECT_TRUE(lines->at(2).contains(QStringLiteral("|Öhringen|")));
}

// What a record being edited will make of the file is known before it is
// written: the file after post() (the date of the last update aside), and
// nothing is written meanwhile.
TEST(DbfTable, PendingSnapshotIsTheFileAsPostWillLeaveIt)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("9a_25262.dbf");
    CopyFileContents(kShipped, path);
    DbfTable t;
    t.open(path);
    const QByteArray clean = t.pendingSnapshot();
    EXPECT_EQ(clean, t.snapshot());
    for (const int record : {0, 38, 39}) {
        SCOPED_TRACE(record);
        t.setValue(record, "NACHNAME", QStringLiteral("Zorn %1").arg(record));
        t.setValue(record, "DEU", QStringLiteral("2*"));
        const QByteArray onDisk = folder.read(path);
        const QByteArray pending = t.pendingSnapshot();
        EXPECT_EQ(folder.read(path), onDisk);
        EXPECT_NE(pending.mid(4), onDisk.mid(4));
        t.post();
        const QByteArray posted = t.snapshot();
        ASSERT_EQ(pending.size(), posted.size());
        EXPECT_EQ(pending.left(1) + pending.mid(4), posted.left(1) + posted.mid(4));
    }
}

TEST(DbfTable, NumberFieldsTakeTheTextAsItStands)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("zahl.dbf");
    DBFHandle h = DBFCreate(QFile::encodeName(path).constData());
    DBFAddField(h, "NAME", FTString, 12, 0);
    DBFAddField(h, "ZAHL", FTDouble, 6, 1);
    for (int i = 0; i < 3; ++i)
        DBFWriteAttributeDirectly(h, i, 0, const_cast<char*>("x"));
    DBFClose(h);
    {
        DbfTable t;
        t.open(path);
        t.setValue(0, "ZAHL", QStringLiteral("2.5"));
        t.setValue(1, "ZAHL", QStringLiteral("P"));       // the library's writer would store 0
        t.setValue(2, "ZAHL", QStringLiteral("1234567")); // cut to the width
        t.post();
        EXPECT_EQ(t.rawValue(0, 1), QByteArray("   2.5"));
    }
    DbfTable t;
    t.open(path);
    EXPECT_EQ(QStringList({t.value(0, "ZAHL"), t.value(1, "ZAHL"), t.value(2, "ZAHL")}),
              QStringList({"2.5", "P", "123456"}));
}

TEST(DbfTable, RefusesWhatIsNoTableAndNeverWritesIt)
{
    const QByteArray good = BuildClassTemplate();
    const auto with = [&](int at, uint32_t v, int bytes) {
        QByteArray b = good;
        for (int i = 0; i < bytes; ++i)
            b[at + i] = char(v >> (8 * i));
        return b;
    };
    const uint16_t headerLength = le16At(good, 8);
    const uint16_t recordLength = le16At(good, 10);
    // No records, a header of 33 bytes: nothing but its end mark.
    const QByteArray noFields = good.left(4) + QByteArray(4, '\0') + QByteArray("\x21\0", 2) + good.mid(10, 22) + "\r";
    const struct { const char* name; QByteArray bytes; } cases[] = {
        {"kein dBase", "nur ein Text"},
        {"Anzahl ein Bit zu hoch", with(4, 40u | (1u << 23), 4)},
        {"Anzahl 0x7FFFFFFF", with(4, 0x7FFFFFFFu, 4)},
        {"Kopf zu kurz fuer die Felder", with(8, headerLength - 32, 2)},
        {"Kopf laenger als die Datei", with(8, 0xFFFF, 2)},
        {"Satz zu kurz fuer die Felder", with(10, recordLength - 1, 2)},
        {"keine Felder", noFields},
        {"in Satz 11 abgeschnitten", good.left(headerLength + 10 * recordLength + 5)},
    };
    test::TempProgramFolder folder;
    for (const auto& c : cases) {
        folder.write("kaputt.dbf", c.bytes);
        DbfTable t;
        try {
            t.open(folder.file("kaputt.dbf"));
            ADD_FAILURE() << c.name << ": no error";
        } catch (const FileError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral(" ist beschädigt "))) << c.name;
        }
        EXPECT_FALSE(t.isOpen()) << c.name;
        EXPECT_EQ(folder.read("kaputt.dbf"), c.bytes) << c.name;
    }
    // Neither a link nor a pipe is a table.
    folder.write("gut.dbf", good);
    ASSERT_TRUE(QFile::link(folder.file("gut.dbf"), folder.file("link.dbf")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file("rohr.dbf")).constData(), 0600), 0);
    DbfTable t;
    EXPECT_THROW(t.open(folder.file("link.dbf")), FileError);
    EXPECT_THROW(t.open(folder.file("rohr.dbf"), DbfAccess::SharedReadOnly), FileError);
    // The failed opens leave no lock behind.
    t.open(folder.file("gut.dbf"));
    EXPECT_TRUE(t.isOpen());
}

TEST(DbfTable, ARecordThatCannotBeReadIsNeverShownOrWritten)
{
    test::TempProgramFolder folder;
    folder.write("x.dbf", BuildClassTemplate());
    DbfTable t;
    t.open(folder.file("x.dbf"));
    const QByteArray before = t.rawValue(4, 0);
    // Cut off inside record 31 behind the table's back (far enough from
    // record 5 that no read-ahead holds it).
    const int header = le16At(folder.read("x.dbf"), 8);
    const int record = le16At(folder.read("x.dbf"), 10);
    ASSERT_TRUE(QFile::resize(folder.file("x.dbf"), header + 30 * record + 5));
    EXPECT_THROW(t.value(30, 0), FileError);
    EXPECT_EQ(t.rawValue(4, 0), before);
    t.setValue(4, 1, "Neu");
    t.post();
    EXPECT_EQ(folder.read("x.dbf").mid(header + 4 * record + 1, 3), before);
}

TEST(DbfTable, DeleteSkipsAndPackRemovesInPlace)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("x.dbf");
    CopyFileContents(kShipped, path);
    const QByteArray original = folder.read(path);
    {
        DbfTable t;
        t.open(path);
        for (int i = 0; i < 5; ++i)
            t.setValue(t.appendRecord(), 0, QString::number(41 + i));
        // Deleted records are skipped at once, and stay in the file, marked, until the pack.
        for (int r : {2, 43, 42})   // NR 3, 45, 44
            t.deleteRecord(r);
        EXPECT_EQ(t.value(2, 0), "4");
        EXPECT_EQ(folder.read(path)[4], 45);
        t.setValue(0, 1, QStringLiteral("Erster"));
        t.pack();
        EXPECT_EQ(t.recordCount(), 42);
        EXPECT_EQ(t.value(41, 0), "43");
        // The table is still usable after the pack.
        t.setValue(41, 1, QStringLiteral("Letzter"));
    }
    const QByteArray packed = folder.read(path);
    // Header bytes as they were apart from the record count and the date.
    QByteArray expectHeader = original.left(1313);
    expectHeader[4] = 42;
    expectHeader.replace(1, 3, packed.mid(1, 3));
    EXPECT_EQ(packed.left(1313), expectHeader);
    ASSERT_EQ(packed.size(), 1313 + 42 * 822 + 1);
    EXPECT_EQ(packed.back(), '\x1A');
    for (int r = 0; r < 42; ++r)
        EXPECT_EQ(packed[1313 + r * 822], ' ') << "record " << r;
    const auto lines = readWithDbfread(path);
    if (!lines)
        GTEST_SKIP() << "python3-dbfread not installed";
    EXPECT_EQ(lines->at(0), "40|1313|42|" + QDate::currentDate().toString(Qt::ISODate));
    EXPECT_TRUE(lines->at(1).startsWith("1|Erster|"));
    EXPECT_TRUE(lines->at(3).startsWith("4|"));
    EXPECT_TRUE(lines->at(42).startsWith("43|Letzter|"));
}

// A table write the disk refuses is reported, never taken for done.
TEST(DbfTable, ATableThatCannotGrowReportsTheFailure)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("x.dbf");
    CopyFileContents(kShipped, path);
    DbfTable t;
    t.open(path);
    t.setValue(0, "NACHNAME", "Berg");
    t.post();
    const int before = t.recordCount();
    bool failed = false;
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old;
    lim.rlim_cur = static_cast<rlim_t>(QFileInfo(path).size());
    setrlimit(RLIMIT_FSIZE, &lim);
    try {
        // A handful of records is more than stdio buffers on its own.
        for (int i = 0; i < 64; ++i) {
            t.setValue(t.appendRecord(), "NACHNAME", "Neu");
            t.post();
        }
    } catch (const FileError& e) {
        failed = true;
        EXPECT_TRUE(e.message().contains("Schreibfehler")) << e.message().toStdString();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(failed);
    t.close();
    t.open(path, DbfAccess::SharedReadOnly);
    EXPECT_GE(t.recordCount(), before);
    EXPECT_EQ(t.value(0, "NACHNAME"), "Berg");
}

TEST(DbfTable, FamilyTablesMapTheEightLetters)
{
    const QByteArray family("\x84\x94\x81\x8E\x99\x9A\xE1\x82");
    const QByteArray ansi("\xE4\xF6\xFC\xC4\xD6\xDC\xDF\xE9");
    EXPECT_EQ(FamilyBytesToWindows1252(family), ansi);
    EXPECT_EQ(Windows1252ToFamilyBytes(ansi), family);
    // Bytes outside the set stay.
    EXPECT_EQ(FamilyBytesToWindows1252(QByteArray("A\xA0z\xE9")), QByteArray("A\xA0z\xE9"));

    test::TempProgramFolder folder;
    QByteArray table = BuildClassTemplate();
    table.replace(1313 + 1 + 3, 6, QByteArray("M\x81ller"));          // record 1 as the family stores it
    table.replace(1313 + 822 + 1 + 3, 7, QByteArray("S\xE1nchez"));   // record 2 in our Windows-1252
    folder.write("9a-25262.dbf", table);
    DbfTable t;
    t.open(folder.file("9a-25262.dbf"), DbfAccess::SharedReadOnly, DbfTextBytes::Family);
    EXPECT_EQ(t.value(0, "NACHNAME"), QStringLiteral("Müller"));
    // Read only: every write is refused.
    EXPECT_THROW(t.setValue(0, 1, "x"), FileError);
    EXPECT_THROW(t.deleteRecord(0), FileError);
    EXPECT_THROW(t.pack(), FileError);
    EXPECT_THROW(t.appendRecord(), FileError);
    t.close();
    EXPECT_EQ(folder.read("9a-25262.dbf"), table);
    t.open(folder.file("9a-25262.dbf"));
    EXPECT_EQ(t.value(1, "NACHNAME"), QStringLiteral("Sánchez"));
    EXPECT_EQ(t.value(0, "NACHNAME"), FromWindows1252(QByteArray("M\x81ller")));
}

TEST(DbfTable, StickTableIsConvertedOnce)
{
    test::TempProgramFolder folder;
    QByteArray table = BuildClassTemplate();
    table.replace(1313 + 1 + 3, 13, QByteArray("Gr\x94\xE1" "e-\x8E" "rger "));
    table[1313 + 822] = '*';   // a deleted record keeps its flag
    // Stick layout: header kept, every later byte mapped.
    folder.write("9a_25262.dbf", table.left(836) + Windows1252ToFamilyBytes(table.mid(836)));
    {
        // Nobody may open the table between reading and replacing it.
        FileFaultScope scope(0, unsigned(FileStep::Rename));
        bool lockedAtRename = false;
        scope.watch([&](FileStep) { lockedAtRename = TableInUse(folder.file("9a_25262.dbf")); });
        ConvertStickClassTable(folder.file("9a_25262.dbf"));
        EXPECT_TRUE(lockedAtRename);
    }
    const QByteArray converted = folder.read("9a_25262.dbf");
    EXPECT_EQ(converted.left(1) + converted.mid(4, 1309), table.left(1) + table.mid(4, 1309));
    EXPECT_EQ(converted[1313 + 822], '*');
    EXPECT_EQ(converted.size(), table.size());
    DbfTable t;
    t.open(folder.file("9a_25262.dbf"));
    EXPECT_EQ(t.value(0, "NACHNAME"), QStringLiteral("Größe-Ärger"));
    EXPECT_EQ(t.recordCount(), 39);
}

namespace {

// Whether a child process opens path: 0 opened, 1 the file-open error with
// its text, 2 another error.
int openInChild(const QString& path, DbfAccess access)
{
    const pid_t pid = fork();
    if (pid == 0) {
        int code = 2;
        try {
            DbfTable t;
            t.open(path, access);
            code = 0;
        } catch (const FileError& e) {
            code = e.message() == QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(path) ? 1 : 2;
        } catch (...) {
        }
        _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(DbfTableLock, ReadersShareButKeepWritersOut)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("9a_25262.dbf");
    folder.write("9a_25262.dbf", BuildClassTemplate());
    const struct { const char* name; std::optional<DbfAccess> held; DbfAccess asked; int result; } cases[] = {
        {"geschrieben, schreiben", DbfAccess::Exclusive, DbfAccess::Exclusive, 1},
        {"geschrieben, lesen", DbfAccess::Exclusive, DbfAccess::SharedReadOnly, 1},
        {"gelesen, lesen", DbfAccess::SharedReadOnly, DbfAccess::SharedReadOnly, 0},
        {"gelesen, schreiben", DbfAccess::SharedReadOnly, DbfAccess::Exclusive, 1},
        {"frei", std::nullopt, DbfAccess::Exclusive, 0},
    };
    for (const auto& c : cases) {
        DbfTable held;
        if (c.held)
            held.open(path, *c.held);
        EXPECT_EQ(openInChild(path, c.asked), c.result) << c.name;
    }
    // A second opener in the same process is refused as well.
    DbfTable first;
    first.open(path);
    DbfTable second;
    EXPECT_THROW(second.open(path), FileError);
}
