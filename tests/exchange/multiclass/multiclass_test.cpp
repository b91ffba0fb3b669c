#include "exchange/multiclassimport.h"

#include "support/classfolder.h"
#include "support/dbfpeer.h"

using namespace hsa;
using namespace hsa::test;

namespace {

// NACHNAME|VORNAME|KLASSE|AG3|AG4 of every record, read by python's
// independent dBase reader.
std::optional<QStringList> readBack(const QString& path)
{
    return DbfreadRows(path, "cp1252", {"NACHNAME", "VORNAME", "KLASSE", "AG3", "AG4"});
}

QByteArray lineFile(int students)
{
    QByteArray out;
    for (int i = 1; i <= students; ++i)
        out += "M\x81ller" + QByteArray::number(i) + "\r\nJ\x94rg\r\n9 a\r\n01.02.2010\r\nK\x94ln\r\n";
    return out;
}

} // namespace

TEST(MultiClassImport, FieldsOfLineAndSdfFiles)
{
    // 12 lines make two students; code page 850 becomes Windows-1252 except
    // in KLASSE (blanks removed) and in the SDF dates and places.
    const QList<QByteArray> lines = QByteArray("M\x81ller\nHans\n10 a\n12.12.1980\nK\x94ln\nA\nB\nx a\n1\n\x99hr\nC\nD").split('\n');
    const QList<ImportStudent> s = ParseImportLines(lines, ImportFormat::Line);
    ASSERT_EQ(s.size(), 2);
    EXPECT_EQ(QStringList({s[0].last, s[0].klasse, s[0].birthPlace, s[1].birthPlace}),
              QStringList({"Müller", "10a", "Köln", "Öhr"}));
    const QList<ImportStudent> sdf = ParseImportLines(
        {"\"M\x81ller\", \"Hans\";\"10 a\"  \"12.12.1980\",\"Frankf\x81rt\"", "\"A\",\"B\",\"9 b\"", "keine Felder",
         "\"1\",\"2\",\"3"},
        ImportFormat::Sdf);
    ASSERT_EQ(sdf.size(), 4);
    const auto row = [](const ImportStudent& i) { return QStringList{i.last, i.first, i.klasse, i.birthDate, i.birthPlace}; };
    // A field never closed is empty.
    const QStringList expected[] = {{"Müller", "Hans", "10a", "12.12.1980", QString::fromLatin1("Frankf\x81rt")},
                                    {"A", "B", "9b", "", ""}, {"", "", "", "", ""}, {"1", "2", "", "", ""}};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(row(sdf[i]), expected[i]) << i;
    EXPECT_EQ(DosToAnsiString("\x84\x8E\xE1\x82\xEB\x41"), QByteArray("\xE4\xC4\xDF\xE9\xD9\x41"));
}

class MultiClassImportRun : public RealClassFixture {};

TEST_F(MultiClassImportRun, ClassesFromPreparedFiles)
{
    folder.write("hsa_9a.imp", lineFile(40));
    folder.write("hsa_xb.imp", lineFile(2));
    folder.write("hsa_91.imp", lineFile(1));
    // An existing class whose grade files go only when it is overwritten.
    folder.write("xb_21222.dbf", folder.read("start2.dbf"));
    folder.write("xb_21222/v.1", "grades");
    DualListModel m;
    m.Refill(folder.path());
    m.IncludeAll();
    prompt.text("9").text("92").text("2122").no();
    const auto created = RunMultiClassImport(m, QDate(2026, 3, 15));
    ASSERT_TRUE(created);
    EXPECT_EQ(*created, QStringList({"9a_21222.dbf"}));
    EXPECT_EQ(m.destination(), QStringList({"hsa_91.imp", "hsa_xb.imp"}));
    EXPECT_TRUE(prompt.anyTextContains("Falsche Klassennummer bei 91_21222.dbf"));
    EXPECT_TRUE(prompt.anyTextContains("Die Datei hsa_9a.imp enthält mehr als 38 Schüler. Nicht übernommen: "
                                       "Müller39 Jörg, Müller40 Jörg"));
    EXPECT_EQ(prompt.shown().at(0).preset + prompt.shown().at(2).preset, "252692");
    EXPECT_TRUE(folder.exists("xb_21222/v.1"));
    EXPECT_FALSE(folder.exists("91_21222.dbf"));
    prompt.text("2122").yes();
    m.Include({0, 1});
    EXPECT_EQ(*RunMultiClassImport(m, QDate(2026, 3, 15)), QStringList({"xb_21222.dbf"}));
    EXPECT_FALSE(folder.exists("xb_21222/v.1"));
    const auto rows = readBack(folder.file("9a_21222.dbf"));
    if (!rows)
        GTEST_SKIP() << "python3-dbfread not installed";
    ASSERT_EQ(rows->size(), 40);
    EXPECT_EQ(QStringList({rows->at(0), rows->at(37), rows->at(38)}),
              QStringList({"Müller1|Jörg|9a|01.02.2010|Köln", "Müller38|Jörg|9a|01.02.2010|Köln", "||||"}));
    EXPECT_EQ(readBack(folder.file("xb_21222.dbf"))->at(1), "Müller2|Jörg|9a|01.02.2010|Köln");
}

TEST_F(MultiClassImportRun, RefusedFilesTouchNothing)
{
    // A file that cannot be read ends the import and creates nothing.
    EXPECT_EQ(ImportClassFile("hsa_9c.imp", "9c_21222.dbf", ImportFormat::Line), ImportResult::Failed);
    EXPECT_TRUE(prompt.lastText().contains("Die Datei hsa_9c.imp konnte nicht gelesen werden"));
    EXPECT_FALSE(folder.exists("9c_21222.dbf") || folder.exists("9c_21222"));
    folder.write("hsa_9a.imp", lineFile(1));
    folder.write("9a_21222.dbf", "old table");
    folder.write("9a_21222/v.3", "grades");
    QFile::remove(folder.file("start2.dbf"));
    DualListModel m;
    m.Refill(folder.path());
    m.IncludeAll();
    prompt.text("2122");
    EXPECT_TRUE(RunMultiClassImport(m, QDate(2026, 3, 15))->isEmpty());
    EXPECT_EQ(prompt.lastText(), "Finde die Grunddatei start2.dbf nicht !");
    EXPECT_EQ(folder.read("9a_21222.dbf"), "old table");
    EXPECT_TRUE(folder.exists("9a_21222/v.3"));
}
