#include "classes/helpers.h"
#include "classes/kopier.h"
#include "classes/tempfiles.h"
#include "platform/errors.h"
#include "support/tempfolder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hsa;

TEST(Helpers, TrimRightAndRealToText)
{
    const struct { const char* text; const char* trimmed; } trims[] = {
        {"", ""}, {"   ", ""}, {"ab  ", "ab"}, {" ab", " ab"}, {"ab\t", "ab\t"}, {"a b \r\n", "a b \r\n"}};
    for (const auto& c : trims)
        EXPECT_EQ(TrimRight(c.text), c.trimmed) << "'" << c.text << "'";
    // The digits lead, the padding moves behind; a longer number is not cut.
    const struct { int width; int decimals; double value; const char* text; } reals[] = {
        {3, 1, 2.3, "2.3"}, {3, 1, 10, "10.0"}, {3, 1, 23.0 / 10.0, "2.3"}, {2, 0, 3, "3 "},
        {6, 2, 1.5, "1.50  "}, {5, 1, 1.0, "1.0  "}, {1, 1, 123.45, "123.5"}, {3, 1, 2.26, "2.3"}};
    for (const auto& c : reals)
        EXPECT_EQ(RealToText(c.width, c.decimals, c.value), c.text) << c.value << " " << c.width;
}

TEST(Helpers, ParseLeadingIntTakesTheLeadingPartOrZero)
{
    const struct { const char* text; int value; } cases[] = {
        {"12", 12}, {" 7", 7}, {"12abc", 12}, {"3-", 3}, {"12 ", 12}, {"1,5", 1},
        {"-4", -4}, {"abc", 0}, {"-", 0}, {"", 0}, {" ", 0}, {"007", 7}, {"+5", 5},
        {"40", 40}, {"4O", 4}, {"$1F", 31}, {"0x10", 16}, {"x1g", 1}, {"  ", 0},
        {"+", 0}, {"- 3", 0}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"99999999999", 999999999}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseLeadingInt(QString::fromUtf8(c.text)), c.value) << "'" << c.text << "'";
}

TEST(Helpers, ParseDecimalTakesCommaAndTheLeadingPart)
{
    const struct { QString text; double value; } cases[] = {
        {"2,5", 2.5}, {"2.5", 2.5}, {"3.7*", 3.7}, {"4 ", 4}, {"1-", 1}, {"P", 0},
        {"- ", 0}, {"??", 0}, {"", 0}, {"1.000,5", 1.0}, {",5", 0.5}, {"1,2,3", 1.2},
        {" -1,5", -1.5}, {"1e2", 100}, {"1e", 1}, {"1e+", 1}, {".", 0},
        {"-.5", -0.5}, {"5.", 5}, {"1e999", 1},
        // Far longer than any number: none, and read in one pass (a quadratic
        // reading would take minutes here).
        {QString(20000, '9'), 0}, {"1," + QString(1000000, '5'), 0}, {"2,5" + QString(1000000, 'x'), 2.5},
        {"1." + QString(38, '0'), 1}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(ParseDecimal(c.text), c.value) << "'" << c.text.left(20).toStdString() << "'";
}

TEST(CopyFileContents, ReplacesTheTargetRaisesInGermanAndRefusesItselfUnderAnyName)
{
    test::TempProgramFolder dir;
    dir.write("a.txt", "short");
    dir.write("b.txt", "a much longer old content");
    CopyFileContents("a.txt", "b.txt");
    EXPECT_EQ(dir.read("b.txt"), QByteArray("short"));
    ASSERT_EQ(::link(dir.file("a.txt").toLocal8Bit().constData(), dir.file("hard.txt").toLocal8Bit().constData()), 0);
    const struct { const char* from; const char* to; const char* message; } errors[] = {
        {"missing.txt", "c.txt", "Datei missing.txt kann nicht geöffnet werden"},
        {"a.txt", "nofolder/b.txt", "Datei nofolder/b.txt kann nicht erstellt werden"},
        {"a.txt", "a.txt", "Datei a.txt kann nicht auf sich selbst kopiert werden"},
        {"a.txt", "./a.txt", "Datei ./a.txt kann nicht auf sich selbst kopiert werden"},
        {"a.txt", "hard.txt", "Datei hard.txt kann nicht auf sich selbst kopiert werden"},
    };
    for (const auto& c : errors) {
        try {
            CopyFileContents(c.from, c.to);
            ADD_FAILURE() << c.to << ": no error";
        } catch (const FileError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_EQ(dir.read("a.txt"), QByteArray("short")) << c.to;
    }
    // Nothing made where the copy failed, no temporary left.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"a.txt", "b.txt", "hard.txt"}));
}

// The program's own temporary files are told from a class's data by name
// alone; only they go when a class folder is tidied.
TEST(TemporaryFiles, OnlyTheProgramsOwnTemporaryNamesGo)
{
    const struct { const char* name; bool temporary; } cases[] = {
        {".v.12.Ab3xYz", true}, {".9a_21222.dbf.000aZ9", true}, {".9a-21222 Endnoten.qdn.qqqqqq", true},
        {"v.12.Ab3xYz", true}, {"M.3.abcdef", true}, {".weg-4-v.7", true}, {".weg-12-L.38", true},
        {"v.12", false}, {"m.3", false}, {"l.38", false}, {".listenjournal", false}, {"._v.12", false},
        {"v.12.Ab3xY", false}, {".v.12.Ab3x-z", false}, {"anlage.docx", false}, {"x.12.abcdef", false},
        {".weg-x-v.7", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProgramTemporaryFile(c.name), c.temporary) << c.name;
    hsa::test::TempProgramFolder dir;
    for (const auto& c : cases)
        dir.write(QStringLiteral("9a_21222/") + c.name, "x");
    EXPECT_EQ(RemoveStaleTemporaryFiles(dir.file("9a_21222")), 7);
    for (const auto& c : cases)
        EXPECT_EQ(dir.exists(QStringLiteral("9a_21222/") + c.name), !c.temporary) << c.name;
}
