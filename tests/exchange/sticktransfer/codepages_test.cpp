#include "classes/classtemplate.h"
#include "classes/dbftable.h"
#include "exchange/sticktransfer.h"
#include "support/codepages.h"
#include "support/tempfolder.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace hsa;
using namespace hsa::test;

namespace {

// The letters a class table carries on the stick in code page 850.
const QString kStickLetters = QStringLiteral("éäöüßÄÖÜ");

int onStick(unsigned char b)
{
    return ExpectedLetterByte(b, "windows-1252", "IBM850", kStickLetters);
}

int fromStick(unsigned char b)
{
    return ExpectedLetterByte(b, "IBM850", "windows-1252", kStickLetters);
}

// Offset of a field within a record of the class table (after the deletion
// flag), read from the header's field descriptors.
int fieldOffset(const QByteArray& table, const char* name)
{
    int offset = 1;
    for (int at = 32; at + 32 <= table.size() && table.at(at) != '\x0D'; at += 32) {
        if (QByteArray(table.constData() + at) == name)
            return offset;
        offset += static_cast<unsigned char>(table.at(at + 16));
    }
    return -1;
}

} // namespace

// Every byte, both ways: a letter left out or two letters swapped ("Übel"
// coming home as "Öbel") changes a name on its way over the stick.
TEST(StickCodePage, EveryByteBothWaysAsTheCodecsSay)
{
    int changedOut = 0, changedIn = 0;
    QByteArray all;
    QByteArray out, in;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        ASSERT_GE(onStick(byte), 0) << "no IBM850 or windows-1252 codec";
        ASSERT_GE(fromStick(byte), 0);
        const QByteArray one(1, static_cast<char>(byte));
        EXPECT_EQ(static_cast<unsigned char>(Windows1252ToFamilyBytes(one).at(0)), onStick(byte))
            << HexByte(b).toStdString();
        EXPECT_EQ(static_cast<unsigned char>(FamilyBytesToWindows1252(one).at(0)), fromStick(byte))
            << HexByte(b).toStdString();
        changedOut += onStick(byte) != b;
        changedIn += fromStick(byte) != b;
        all += one;
        out += static_cast<char>(onStick(byte));
        in += static_cast<char>(fromStick(byte));
    }
    EXPECT_EQ(changedOut, kStickLetters.size());
    EXPECT_EQ(changedIn, kStickLetters.size());
    EXPECT_EQ(Windows1252ToFamilyBytes(all), out);
    EXPECT_EQ(FamilyBytesToWindows1252(all), in);
}

// The warning before an export names exactly the students whose name holds a
// byte that comes back from the stick as another character ("Kašpar": the
// "š" is the code-page-850 "Ü"), for every byte a name may hold.
TEST(StickCodePage, EveryNameByteThatWouldComeBackChangedIsWarnedOf)
{
    test::TempProgramFolder folder;
    const QByteArray blank = BuildClassTemplate();
    const int header = static_cast<unsigned char>(blank[8]) | static_cast<unsigned char>(blank[9]) << 8;
    const int record = static_cast<unsigned char>(blank[10]) | static_cast<unsigned char>(blank[11]) << 8;
    const int last = fieldOffset(blank, "NACHNAME");
    ASSERT_GT(last, 0);
    QStringList warned, expected;
    constexpr int kPerTable = 38;
    for (int first = 0x20; first < 256; first += kPerTable) {
        QByteArray table = blank;
        for (int k = 0; k < kPerTable && first + k < 256; ++k) {
            const int b = first + k;
            table.replace(header + k * record + last, 6, QByteArray("K") + char(b) + "spar");
            if (fromStick(static_cast<unsigned char>(onStick(static_cast<unsigned char>(b)))) != b)
                expected << HexByte(b);
        }
        folder.write("9a_25262.dbf", table);
        for (const QString& line : NamesLostOnStick(folder.file("9a_25262.dbf"))) {
            bool ok = false;
            const int n = line.section(QLatin1Char(':'), 0, 0).trimmed().toInt(&ok);
            ASSERT_TRUE(ok) << line.toStdString();
            ASSERT_TRUE(line.endsWith(QStringLiteral("spar"))) << line.toStdString();
            warned << HexByte(first + n - 1);
        }
    }
    EXPECT_EQ(warned.join(' ').toStdString(), expected.join(' ').toStdString());
    EXPECT_EQ(expected.size(), kStickLetters.size());
    EXPECT_TRUE(expected.contains(QStringLiteral("0x9A"))); // "Kašpar"
}
