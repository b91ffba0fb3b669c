#include "classes/helpers.h"
#include "classes/kopier.h"
#include "platform/errors.h"
#include "support/tempfolder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hsa;

TEST(TrimRight, DropsOnlyTrailingBlanks)
{
    EXPECT_EQ(TrimRight(""), "");
    EXPECT_EQ(TrimRight("   "), "");
    EXPECT_EQ(TrimRight("ab  "), "ab");
    EXPECT_EQ(TrimRight(" ab"), " ab");
    EXPECT_EQ(TrimRight("ab\t"), "ab\t");
    EXPECT_EQ(TrimRight("a b \r\n"), "a b \r\n");
}

TEST(ParseLeadingInt, LeadingPartOrZero)
{
    struct Case { const char* text; int value; };
    const Case cases[] = {
        {"12", 12}, {" 7", 7}, {"12abc", 12}, {"3-", 3}, {"12 ", 12}, {"1,5", 1},
        {"-4", -4}, {"abc", 0}, {"-", 0}, {"", 0}, {" ", 0}, {"007", 7}, {"+5", 5},
        {"40", 40}, {"4O", 4}, {"$1F", 31}, {"0x10", 16}, {"x1g", 1}, {"  ", 0},
        {"+", 0}, {"- 3", 0}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"99999999999", 999999999},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseLeadingInt(QString::fromUtf8(c.text)), c.value) << "'" << c.text << "'";
}

TEST(ParseDecimal, CommaAndLeadingPart)
{
    struct Case { const char* text; double value; };
    const Case cases[] = {
        {"2,5", 2.5}, {"2.5", 2.5}, {"3.7*", 3.7}, {"4 ", 4}, {"1-", 1}, {"P", 0},
        {"- ", 0}, {"??", 0}, {"", 0}, {"1.000,5", 1.0}, {",5", 0.5}, {"1,2,3", 1.2},
        {" -1,5", -1.5}, {"2.5*", 2.5}, {"1e2", 100}, {"1e", 1}, {"1e+", 1}, {".", 0},
        {"-.5", -0.5}, {"5.", 5}, {"6.0", 6}, {"1e999", 1},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(ParseDecimal(QString::fromUtf8(c.text)), c.value) << "'" << c.text << "'";
    // Far longer than any number: none, and read in one pass (a quadratic
    // reading would take minutes here).
    const struct {
        const char* name;
        QString text;
        double value;
    } hostile[] = {
        {"20000 Ziffern", QString(20000, '9'), 0},
        {"Million Ziffern", "1," + QString(1000000, '5'), 0},
        {"2,5 und ein langer Rest", "2,5" + QString(1000000, 'x'), 2.5},
        {"40 Zeichen", "1." + QString(38, '0'), 1},
    };
    for (const auto& c : hostile)
        EXPECT_DOUBLE_EQ(ParseDecimal(c.text), c.value) << c.name;
}

TEST(RealToText, DigitsLeftPaddingMovedBehind)
{
    EXPECT_EQ(RealToText(3, 1, 2.3), "2.3");
    EXPECT_EQ(RealToText(3, 1, 10), "10.0");
    EXPECT_EQ(RealToText(3, 1, 0.5), "0.5");
    EXPECT_EQ(RealToText(3, 1, 23.0 / 10.0), "2.3");
    EXPECT_EQ(RealToText(2, 0, 3), "3 ");
    EXPECT_EQ(RealToText(6, 2, 1.5), "1.50  ");
    EXPECT_EQ(RealToText(3, 1, 1.0), "1.0");
    EXPECT_EQ(RealToText(5, 1, 1.0), "1.0  ");
    EXPECT_EQ(RealToText(1, 1, 123.45), "123.5"); // a longer number is not cut
    EXPECT_EQ(RealToText(3, 1, 2.26), "2.3");
}

TEST(CopyFileContents, ReplacesLongerTargetExactly)
{
    test::TempProgramFolder dir;
    dir.write("a.txt", "short");
    dir.write("b.txt", "a much longer old content");
    CopyFileContents("a.txt", "b.txt");
    EXPECT_EQ(dir.read("b.txt"), QByteArray("short"));
}

TEST(CopyFileContents, RaisesWithGermanMessages)
{
    test::TempProgramFolder dir;
    try {
        CopyFileContents("missing.txt", "b.txt");
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.message(), "Datei missing.txt kann nicht geöffnet werden");
    }
    EXPECT_FALSE(dir.exists("b.txt"));
    dir.write("a.txt", "x");
    try {
        CopyFileContents("a.txt", "nofolder/b.txt");
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.message(), "Datei nofolder/b.txt kann nicht erstellt werden");
    }
}

TEST(CopyFileContents, RefusesItselfUnderAnyName)
{
    test::TempProgramFolder dir;
    dir.write("a.txt", "grades");
    ASSERT_EQ(::link(dir.file("a.txt").toLocal8Bit().constData(), dir.file("hard.txt").toLocal8Bit().constData()), 0);
    for (const char* dest : {"a.txt", "./a.txt", "hard.txt"}) {
        EXPECT_THROW(CopyFileContents("a.txt", dest), FileError) << dest;
        EXPECT_EQ(dir.read("a.txt"), QByteArray("grades")) << dest;
    }
    CopyFileContents("a.txt", "b.txt");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3); // no temporary left
}

TEST(FindFileSize, SizesAndPatterns)
{
    test::TempProgramFolder dir;
    EXPECT_EQ(FindFileSize("missing.dat"), -1);
    dir.write("empty.dat", "");
    EXPECT_EQ(FindFileSize("empty.dat"), 0);
    dir.write("9a_21222.dbf", QByteArray(1234, 'x'));
    EXPECT_EQ(FindFileSize("9?_????2.dbf"), 1234);
    EXPECT_EQ(FindFileSize("9A_21222.DBF"), 1234);
    EXPECT_EQ(FindFileSize(dir.file("9a_21222.dbf")), 1234);
    EXPECT_EQ(FindFileSize("x?_????2.dbf"), -1);
}
