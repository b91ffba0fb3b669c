#include "classes/classtemplate.h"
#include "classes/dbftable.h"
#include "classes/fileops.h"
#include "classes/kopier.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "support/tempfolder.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

uint32_t le32At(const QByteArray& b, int at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

uint16_t le16At(const QByteArray& b, int at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

QString shippedTemplate()
{
    return QStringLiteral(HSA_DATA_DIR "/start2.dbf");
}

// A small table with a number field, made by the library itself.
void makeMixedTable(const QString& path, int records)
{
    DBFHandle h = DBFCreate(QFile::encodeName(path).constData());
    ASSERT_NE(h, nullptr);
    DBFAddField(h, "NAME", FTString, 12, 0);
    DBFAddField(h, "ZAHL", FTDouble, 6, 1);
    DBFAddField(h, "KURZ", FTString, 3, 0);
    for (int i = 0; i < records; ++i)
        DBFWriteAttributeDirectly(h, i, 0, const_cast<char*>(QByteArray::number(i + 1).constData()));
    DBFClose(h);
}

// Runs python's independent dBase reader over path and returns its output
// (one line per record, fields joined by "|"), or nullopt when the reader is
// not installed.
std::optional<QString> readWithDbfread(const QString& path, const QString& encoding)
{
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python))
        return std::nullopt;
    QProcess p;
    const QString script = QStringLiteral(
        "import sys\n"
        "from dbfread import DBF\n"
        "t = DBF(sys.argv[1], encoding=sys.argv[2], char_decode_errors='strict')\n"
        "sys.stdout.buffer.write(('%d|%d|%d|%s\\n' % (len(t.fields), t.header.headerlen, len(list(t)), t.date)).encode('utf-8'))\n"
        "for r in t:\n"
        "    sys.stdout.buffer.write(('|'.join(str(v) for v in r.values()) + '\\n').encode('utf-8'))\n");
    p.start(python, {QStringLiteral("-c"), script, path, encoding});
    p.waitForFinished(60000);
    const QByteArray err = p.readAllStandardError();
    if (err.contains("No module named"))
        return std::nullopt;
    EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

// ---------------------------------------------------------------------------
// The template

TEST(ClassTemplate, ShippedFileIsWhatTheToolBuilds)
{
    const QByteArray shipped = fileBytes(shippedTemplate());
    EXPECT_EQ(shipped, BuildClassTemplate());

    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("start2.dbf"));
    QProcess tool;
    tool.start(QStringLiteral(HSA_MAKE_TEMPLATE), {out});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(fileBytes(out), shipped);
}

TEST(ClassTemplate, ShapeOfTheTable)
{
    DbfTable t;
    t.open(shippedTemplate(), DbfAccess::SharedReadOnly);
    ASSERT_EQ(t.fieldCount(), 40);
    ASSERT_EQ(t.recordCount(), 40);

    // Positions the program addresses.
    const QStringList names = t.fieldNames();
    EXPECT_EQ(names[0], "NR");
    EXPECT_EQ(names[1], "NACHNAME");
    EXPECT_EQ(names[2], "VORNAME");
    EXPECT_EQ(names[3], "M/W");
    EXPECT_EQ(names[4], "KLASSE");
    EXPECT_EQ(names[5], "DATUM");
    EXPECT_EQ(names[8], "HJ");
    EXPECT_EQ(names[ClassField::NoneMark], "AG2");
    EXPECT_GT(names.indexOf("AG3"), 9);
    EXPECT_GT(names.indexOf("AG4"), names.indexOf("AG3"));

    // Every field used by name exists exactly once.
    QStringList used = {"NR", "NACHNAME", "VORNAME", "M/W", "KLASSE", "HJ", "DATUM",
                        "BEMERK1", "BEMERK2", "RELIGION", "ZUSATZ4", "DEU", "SACHKUNDE",
                        "MATH", "ZUSATZ1", "WERKEN", "MUSIK", "ZUSATZ2", "ZUSATZ3"};
    for (int i = 2; i <= 7; ++i)
        used << QStringLiteral("AG%1").arg(i);
    for (int i = 1; i <= 4; ++i)
        used << QStringLiteral("HINWEIS%1").arg(i);
    for (int i = 11; i <= 21; ++i)
        used << QStringLiteral("F%1").arg(i);
    ASSERT_EQ(used.size(), 40);
    for (const QString& n : used)
        EXPECT_EQ(names.count(n), 1) << n.toStdString();

    // Text fields wide enough for what the windows let a user type.
    const std::map<QString, int> minimum = {
        {"AG2", 42}, {"AG3", 20}, {"AG4", 50}, {"AG6", 1}, {"AG7", 42}, {"HINWEIS1", 80},
        {"HINWEIS2", 50}, {"HINWEIS3", 50}, {"HINWEIS4", 70}, {"BEMERK1", 70}, {"BEMERK2", 42},
        {"DATUM", 10}, {"KLASSE", 6}, {"NR", 2}, {"DEU", 3}, {"F21", 3}};
    for (int i = 0; i < t.fieldCount(); ++i) {
        const DbfField f = t.field(i);
        EXPECT_EQ(f.type, 'C') << f.name.toStdString();
        EXPECT_LE(f.width, 80) << f.name.toStdString();
        EXPECT_GE(f.width, 1);
        const auto m = minimum.find(f.name);
        if (m != minimum.end()) {
            EXPECT_GE(f.width, m->second) << f.name.toStdString();
        }
    }

    for (int r = 0; r < 40; ++r) {
        EXPECT_EQ(t.value(r, 0), QString::number(r + 1));
        for (int f = 1; f < 40; ++f)
            EXPECT_TRUE(t.value(r, f).isEmpty());
    }
}

TEST(ClassTemplate, HeaderSurvivesTheStickMapping)
{
    // The stick copy keeps the first 836 bytes and maps every later byte; the
    // rest of the header must come through that mapping unchanged.
    const QByteArray shipped = fileBytes(shippedTemplate());
    const int headerLength = le16At(shipped, 8);
    EXPECT_GT(headerLength, 836);
    EXPECT_EQ(headerLength, 32 + 40 * 32 + 1);
    const QByteArray tail = shipped.mid(836, headerLength - 836);
    EXPECT_EQ(Windows1252ToFamilyBytes(tail), tail);
    EXPECT_EQ(shipped.back(), '\x1A');
    EXPECT_EQ(shipped.size(), headerLength + 40 * le16At(shipped, 10) + 1);
}

TEST(ClassTemplate, IndependentReaderSeesTheSameTable)
{
    const auto out = readWithDbfread(shippedTemplate(), QStringLiteral("cp1252"));
    if (!out)
        GTEST_SKIP() << "python3-dbfread not installed";
    const QStringList lines = out->split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 41);
    EXPECT_EQ(lines[0], "40|1313|40|2025-08-01");
    EXPECT_TRUE(lines[1].startsWith("1|"));
    EXPECT_TRUE(lines[40].startsWith("40|"));
}

// ---------------------------------------------------------------------------
// Reading and writing

TEST(DbfTable, EditPostReopenKeepsTextAndHeader)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("9a_25262.dbf");
    CopyFileContents(shippedTemplate(), path);
    const QByteArray before = fileBytes(path);
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
    EXPECT_EQ(t.value(0, 1), QStringLiteral("Müller-Lüdenscheidt"));
    EXPECT_EQ(t.value(0, 2), QStringLiteral("  Zoë"));
    EXPECT_EQ(t.value(0, 3), QStringLiteral("W"));
    EXPECT_EQ(t.value(1, "nachname"), QStringLiteral("Sánchez"));
    EXPECT_EQ(t.value(1, "ag4"), QStringLiteral("Öhringen"));
    EXPECT_EQ(t.value(2, "HINWEIS1"), QString(80, QLatin1Char('x')));
    EXPECT_EQ(t.value(3, "DEU"), QStringLiteral("3*"));
    EXPECT_EQ(t.rawValue(1, 1).left(8), QByteArray("S\xE1nchez "));
    EXPECT_EQ(t.rawValue(0, 2), QByteArray("  Zo\xEB") + QByteArray(35, ' '));
    t.close();

    const QByteArray after = fileBytes(path);
    ASSERT_EQ(after.size(), before.size());
    // Only the date of the last update moves: today's, as readers expect.
    EXPECT_EQ(after.left(1) + after.mid(4, 1309), before.left(1) + before.mid(4, 1309)) << "header changed";
    EXPECT_EQ(after.back(), '\x1A');
    EXPECT_EQ(uchar(after[1]), QDate::currentDate().year() - 1900) << "dBase counts the year from 1900";

    const auto out = readWithDbfread(path, QStringLiteral("cp1252"));
    if (!out)
        GTEST_SKIP() << "python3-dbfread not installed";
    const QStringList lines = out->split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 41);
    EXPECT_EQ(lines[0], "40|1313|40|" + QDate::currentDate().toString(Qt::ISODate));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1|Müller-Lüdenscheidt|  Zoë|W|")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("2|Sánchez|")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("|Öhringen|")));
}

TEST(DbfTable, FieldsByNameAndPositionAndErrors)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("t.dbf");
    CopyFileContents(shippedTemplate(), path);
    DbfTable t;
    t.open(path);
    EXPECT_EQ(t.fieldIndex("klasse"), 4);
    EXPECT_EQ(t.fieldIndex("m/w"), 3);
    EXPECT_EQ(t.fieldIndex("GIBTSNICHT"), -1);
    EXPECT_TRUE(t.valueOrEmpty(0, "GIBTSNICHT").isEmpty());
    EXPECT_THROW(t.value(0, "GIBTSNICHT"), FileError);
    EXPECT_THROW(t.setValue(0, "GIBTSNICHT", "x"), FileError);
    EXPECT_THROW(t.value(40, 0), FileError);
    EXPECT_THROW(t.value(-1, 0), FileError);
    EXPECT_THROW(t.value(0, 40), FileError);
    try {
        t.value(0, "GIBTSNICHT");
    } catch (const FileError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Feld GIBTSNICHT nicht gefunden"));
    }
}

TEST(DbfTable, NumberFieldsTakeTheTextAsItStands)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("zahl.dbf");
    makeMixedTable(path, 3);
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
    EXPECT_EQ(t.value(0, "ZAHL"), QStringLiteral("2.5"));
    EXPECT_EQ(t.value(1, "ZAHL"), QStringLiteral("P"));
    EXPECT_EQ(t.value(2, "ZAHL"), QStringLiteral("123456"));
    EXPECT_EQ(t.field(1).type, 'N');
}

TEST(DbfTable, RefusesWhatIsNoTableAndNeverWritesIt)
{
    const QByteArray good = BuildClassTemplate();
    const auto withLe32 = [&](int at, uint32_t v) {
        QByteArray b = good;
        for (int i = 0; i < 4; ++i)
            b[at + i] = char(v >> (8 * i));
        return b;
    };
    const auto withLe16 = [&](int at, uint16_t v) {
        QByteArray b = good;
        b[at] = char(v & 0xFF);
        b[at + 1] = char(v >> 8);
        return b;
    };
    const uint16_t headerLength = le16At(good, 8);
    const uint16_t recordLength = le16At(good, 10);
    QByteArray noFields = good.left(32) + "\r";
    noFields[8] = 33;
    noFields[9] = 0;
    noFields[4] = noFields[5] = noFields[6] = noFields[7] = 0;
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"kein dBase", "nur ein Text"},
        {"Anzahl ein Bit zu hoch", withLe32(4, 40u | (1u << 23))},
        {"Anzahl 0x7FFFFFFF", withLe32(4, 0x7FFFFFFFu)},
        {"Kopf zu kurz fuer die Felder", withLe16(8, headerLength - 32)},
        {"Kopf laenger als die Datei", withLe16(8, 0xFFFF)},
        {"Satz zu kurz fuer die Felder", withLe16(10, recordLength - 1)},
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
    // The failed opens leave no lock behind.
    folder.write("gut.dbf", good);
    DbfTable t;
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
    const uint32_t cut = le16At(folder.read("x.dbf"), 8) + 30 * le16At(folder.read("x.dbf"), 10) + 5;
    ASSERT_TRUE(QFile::resize(folder.file("x.dbf"), cut));
    EXPECT_THROW(t.value(30, 0), FileError);
    EXPECT_EQ(t.rawValue(4, 0), before);
    t.setValue(4, 1, "Neu");
    t.post();
    EXPECT_EQ(folder.read("x.dbf").mid(le16At(folder.read("x.dbf"), 8) + 4 * le16At(folder.read("x.dbf"), 10) + 1, 3),
              before);
}

TEST(DbfTable, ALinkOrAPipeIsNoTable)
{
    test::TempProgramFolder folder;
    folder.write("gut.dbf", BuildClassTemplate());
    ASSERT_TRUE(QFile::link(folder.file("gut.dbf"), folder.file("link.dbf")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file("rohr.dbf")).constData(), 0600), 0);
    DbfTable t;
    EXPECT_THROW(t.open(folder.file("link.dbf")), FileError);
    EXPECT_THROW(t.open(folder.file("rohr.dbf"), DbfAccess::SharedReadOnly), FileError);
}

TEST(DbfTable, ReadOnlyTableRefusesWrites)
{
    test::TempProgramFolder folder;
    folder.write("9a-25262.dbf", BuildClassTemplate());
    const QByteArray before = folder.read("9a-25262.dbf");
    {
        DbfTable t;
        t.open(folder.file("9a-25262.dbf"), DbfAccess::SharedReadOnly, DbfTextBytes::Family);
        EXPECT_THROW(t.setValue(0, 1, "x"), FileError);
        EXPECT_THROW(t.deleteRecord(0), FileError);
        EXPECT_THROW(t.pack(), FileError);
        EXPECT_THROW(t.appendRecord(), FileError);
    }
    EXPECT_EQ(folder.read("9a-25262.dbf"), before);
}

// ---------------------------------------------------------------------------
// Delete and pack

TEST(DbfTable, DeleteSkipsAndPackRemovesInPlace)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("x.dbf");
    CopyFileContents(shippedTemplate(), path);
    const QByteArray original = fileBytes(path);
    {
        DbfTable t;
        t.open(path);
        for (int i = 0; i < 5; ++i) {
            const int r = t.appendRecord();
            EXPECT_EQ(r, 40 + i);
            t.setValue(r, 0, QString::number(41 + i));
        }
        t.post();
        EXPECT_EQ(t.recordCount(), 45);
        EXPECT_EQ(le32At(fileBytes(path), 4), 45u);

        t.deleteRecord(2);                 // NR 3
        EXPECT_EQ(t.recordCount(), 44);
        EXPECT_EQ(t.value(2, 0), "4");     // live positions skip the deleted one
        t.deleteRecord(43);                // NR 45
        t.deleteRecord(42);                // NR 44
        EXPECT_EQ(t.recordCount(), 42);
        // Still in the file, marked.
        EXPECT_EQ(le32At(fileBytes(path), 4), 45u);

        t.setValue(0, 1, QStringLiteral("Erster"));
        t.pack();
        EXPECT_EQ(t.recordCount(), 42);
        EXPECT_EQ(t.value(0, 1), "Erster");
        EXPECT_EQ(t.value(2, 0), "4");
        EXPECT_EQ(t.value(41, 0), "43");
        // The table is still usable after the pack.
        t.setValue(41, 1, QStringLiteral("Letzter"));
    }
    const QByteArray packed = fileBytes(path);
    EXPECT_EQ(le32At(packed, 4), 42u);
    // Header bytes as they were apart from the record count and the date.
    QByteArray expectHeader = original.left(1313);
    expectHeader[4] = 42;
    expectHeader.replace(1, 3, packed.mid(1, 3));
    EXPECT_EQ(packed.left(1313), expectHeader);
    EXPECT_EQ(packed.size(), 1313 + 42 * 822 + 1);
    EXPECT_EQ(packed.back(), '\x1A');
    for (int r = 0; r < 42; ++r)
        EXPECT_EQ(packed[1313 + r * 822], ' ') << "record " << r;

    DbfTable t;
    t.open(path);
    ASSERT_EQ(t.recordCount(), 42);
    EXPECT_EQ(t.value(41, 1), "Letzter");
    t.close();
    const auto out = readWithDbfread(path, QStringLiteral("cp1252"));
    if (!out)
        GTEST_SKIP() << "python3-dbfread not installed";
    const QStringList lines = out->split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines[0], "40|1313|42|" + QDate::currentDate().toString(Qt::ISODate));
    EXPECT_TRUE(lines[3].startsWith("4|"));
}

// A table write the disk refuses is reported, never taken for done.
TEST(DbfTable, ATableThatCannotGrowReportsTheFailure)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("x.dbf");
    CopyFileContents(shippedTemplate(), path);
    DbfTable t;
    t.open(path);
    t.setValue(0, "NACHNAME", "Berg");
    t.post();
    const int before = t.recordCount();
    bool failed = false;
    {
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
    }
    EXPECT_TRUE(failed);
    t.close();
    DbfTable again;
    again.open(path, DbfAccess::SharedReadOnly);
    EXPECT_GE(again.recordCount(), before);
    EXPECT_EQ(again.value(0, "NACHNAME"), "Berg");
}

// ---------------------------------------------------------------------------
// Code pages

TEST(DbfTable, FamilyTablesMapTheEightLetters)
{
    EXPECT_EQ(FamilyBytesToWindows1252(QByteArray("\x84\x94\x81\x8E\x99\x9A\xE1\x82")),
              QByteArray("\xE4\xF6\xFC\xC4\xD6\xDC\xDF\xE9"));
    EXPECT_EQ(Windows1252ToFamilyBytes(QByteArray("\xE4\xF6\xFC\xC4\xD6\xDC\xDF\xE9")),
              QByteArray("\x84\x94\x81\x8E\x99\x9A\xE1\x82"));
    // Bytes outside the set stay.
    EXPECT_EQ(FamilyBytesToWindows1252(QByteArray("A\xA0z\xE9")), QByteArray("A\xA0z\xE9"));

    test::TempProgramFolder folder;
    QByteArray table = BuildClassTemplate();
    // Record 1, NACHNAME: "M\x81ller" as the family stores it.
    const int rec1 = 1313 + 0 * 822 + 1 + 3;
    table.replace(rec1, 6, QByteArray("M\x81ller"));
    // Record 2, NACHNAME: "S\xE1nchez" (our own Windows-1252 text).
    const int rec2 = 1313 + 1 * 822 + 1 + 3;
    table.replace(rec2, 7, QByteArray("S\xE1nchez"));
    folder.write("9a-25262.dbf", table);

    DbfTable family;
    family.open(folder.file("9a-25262.dbf"), DbfAccess::SharedReadOnly, DbfTextBytes::Family);
    EXPECT_EQ(family.value(0, "NACHNAME"), QStringLiteral("Müller"));
    family.close();

    DbfTable own;
    own.open(folder.file("9a-25262.dbf"));
    EXPECT_EQ(own.value(1, "NACHNAME"), QStringLiteral("Sánchez"));
    EXPECT_EQ(own.value(0, "NACHNAME"), FromWindows1252(QByteArray("M\x81ller")));
    // A name typed with umlauts is stored as typed.
    own.setValue(2, "NACHNAME", QStringLiteral("Jäger"));
    own.post();
    EXPECT_EQ(own.rawValue(2, 1).left(5), QByteArray("J\xE4ger"));
}

TEST(DbfTable, StickTableIsConvertedOnce)
{
    test::TempProgramFolder folder;
    QByteArray table = BuildClassTemplate();
    table.replace(1313 + 1 + 3, 13, QByteArray("Gr\x94\xE1" "e-\x8E" "rger "));
    table[1313 + 822] = '*';   // a deleted record keeps its flag
    // Stick layout: header kept, every later byte mapped.
    QByteArray stick = table.left(836) + Windows1252ToFamilyBytes(table.mid(836));
    EXPECT_EQ(stick.left(1313), table.left(1313));
    folder.write("9a_25262.dbf", stick);

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

// ---------------------------------------------------------------------------
// Locks between two processes

namespace {

// Runs fn in a child process; its exit status.
template <typename Fn>
int inChild(Fn fn)
{
    const pid_t pid = fork();
    if (pid == 0) {
        int code = 99;
        try {
            code = fn();
        } catch (...) {
            code = 98;
        }
        _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// 0: opened, 1: file-open error with the expected text, 2: another error.
int tryOpen(const QString& path, DbfAccess access)
{
    try {
        DbfTable t;
        t.open(path, access);
        return 0;
    } catch (const FileError& e) {
        return e.message() == QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(path) ? 1 : 2;
    }
}

} // namespace

TEST(DbfTableLock, SecondProcessCannotOpenWhileTheTableIsOpen)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("9a_25262.dbf");
    folder.write("9a_25262.dbf", BuildClassTemplate());
    {
        DbfTable t;
        t.open(path);
        EXPECT_EQ(inChild([&] { return tryOpen(path, DbfAccess::Exclusive); }), 1);
        EXPECT_EQ(inChild([&] { return tryOpen(path, DbfAccess::SharedReadOnly); }), 1);
        // A second opener in the same process is refused as well.
        DbfTable second;
        EXPECT_THROW(second.open(path), FileError);
    }
    EXPECT_EQ(inChild([&] { return tryOpen(path, DbfAccess::Exclusive); }), 0);
}

TEST(DbfTableLock, ReadersShareButKeepWritersOut)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("9a-25262.dbf");
    folder.write("9a-25262.dbf", BuildClassTemplate());
    DbfTable reader;
    reader.open(path, DbfAccess::SharedReadOnly);
    EXPECT_EQ(inChild([&] { return tryOpen(path, DbfAccess::SharedReadOnly); }), 0);
    EXPECT_EQ(inChild([&] { return tryOpen(path, DbfAccess::Exclusive); }), 1);
    reader.close();
    EXPECT_EQ(inChild([&] { return tryOpen(path, DbfAccess::Exclusive); }), 0);
}

TEST(DbfTableLock, LockHeldByAnotherProcessKeepsUsOut)
{
    test::TempProgramFolder folder;
    const QString path = folder.file("9a_25262.dbf");
    folder.write("9a_25262.dbf", BuildClassTemplate());
    int toChild[2];
    int toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        int code = 0;
        try {
            DbfTable t;
            t.open(path);
            t.setValue(0, 1, QStringLiteral("Kind"));
            t.post();
            char c = 'o';
            if (write(toParent[1], &c, 1) != 1)
                code = 3;
            if (read(toChild[0], &c, 1) != 1)   // wait for the parent
                code = 4;
        } catch (...) {
            code = 5;
        }
        _exit(code);
    }
    char c = 0;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    DbfTable t;
    EXPECT_THROW(t.open(path), FileError);
    EXPECT_FALSE(t.isOpen());
    c = 'x';
    ASSERT_EQ(write(toChild[1], &c, 1), 1);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    t.open(path);
    EXPECT_EQ(t.value(0, 1), QStringLiteral("Kind"));
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
        ::close(fd);
}
