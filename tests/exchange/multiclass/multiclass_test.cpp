#include "exchange/multiclassimport.h"

#include "classes/filefaultscope.h"
#include "classes/fileops.h"
#include "support/classfolder.h"
#include "support/codepages.h"
#include "support/foldercontents.h"
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

// Every byte of code page 850: the 25 letters of the table become their
// Windows-1252 bytes as the codecs say, every other byte stays (a letter
// left out or two swapped would change a name).
TEST(MultiClassImport, DosToAnsiForEveryByte)
{
    const QString letters = QStringLiteral("üéâäàêèÄÉöòùÖÜáóúÁÀÈÓßÒÚÙ");
    int changed = 0;
    QByteArray all, expected;
    for (int b = 0; b < 256; ++b) {
        const int want = ExpectedLetterByte(static_cast<unsigned char>(b), "IBM850", "windows-1252", letters);
        ASSERT_GE(want, 0) << "no IBM850 or windows-1252 codec for " << HexByte(b).toStdString();
        EXPECT_EQ(static_cast<unsigned char>(DosToAnsiChar(static_cast<char>(b))), want) << HexByte(b).toStdString();
        changed += want != b;
        all += static_cast<char>(b);
        expected += static_cast<char>(want);
    }
    EXPECT_EQ(changed, letters.size());
    EXPECT_EQ(DosToAnsiString(all), expected);
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
    folder.write("xb_21222/v.40", "grades");
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
    const auto asked = std::find_if(prompt.shown().begin(), prompt.shown().end(),
                                    [](const auto& s) { return s.call == ScriptedPrompt::Call::Ask; });
    ASSERT_NE(asked, prompt.shown().end());
    EXPECT_EQ(asked->text, "Klasse xb_21222.dbf existiert bereits. Überschreiben? ");
    EXPECT_EQ(asked->defaultButton, Answer::No);
    prompt.text("2122").yes();
    m.Include({0, 1});
    EXPECT_EQ(*RunMultiClassImport(m, QDate(2026, 3, 15)), QStringList({"xb_21222.dbf"}));
    EXPECT_FALSE(folder.exists("xb_21222/v.1") || folder.exists("xb_21222/v.40"));
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

// A file that is not the prepared format never becomes a class that looks
// imported; the message names the file and the line at fault.  Files as DOS
// programs write them (a Ctrl-Z at the end, an empty last field) still come in.
TEST_F(MultiClassImportRun, FilesNotInThePreparedFormatAreRefusedWithTheirLine)
{
    QByteArray random(600, '\0');
    for (int i = 0; i < random.size(); ++i)
        random[i] = char((i * 7919 + 13) % 256);
    const QByteArray student = "M\x81ller\r\nJ\x94rg\r\n9 a\r\n01.02.2010\r\nK\x94ln\r\n";
    const QByteArray sdfStudent = "\"M\x81ller\",\"J\x94rg\",\"9 a\",\"01.02.2010\",\"K\x94ln\"\r\n";
    const struct {
        const char* what;
        QByteArray bytes;
        ImportFormat format;
        const char* told;       // empty: imported
        int students = 1;       // records with a surname after the import
        const char* left = "";  // the students left out (beyond the 38th)
        const char* names = ""; // "NACHNAME|VORNAME" of the records from the second on, ";" between
    } cases[] = {
        {"random bytes", random, ImportFormat::Line, "Zeile 2: Die Zeile enthält Nullbytes"},
        {"empty", "", ImportFormat::Line, "Zeile 1: Die Datei ist leer."},
        {"empty SDF", "\r\n\r\n", ImportFormat::Sdf, "Zeile 1: Die Datei ist leer."},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + student, ImportFormat::Line, "Zeile 1: Die Datei ist UTF-8-kodiert"},
        {"UTF-8", student + "Gro\xC3\x9F\r\nJ\xC3\xBCrgen\r\n9a\r\n\r\n\r\n", ImportFormat::Line,
         "Zeile 6: Die Zeile ist UTF-8-kodiert"},
        {"UTF-16", QByteArray("\xFF\xFE" "M\0u\0\r\0\n\0", 10), ImportFormat::Line, "Zeile 1: Die Datei ist UTF-16-kodiert"},
        {"UTF-16 without mark", student + QByteArray("M\0u\0\r\0\n\0", 8), ImportFormat::Line,
         "Zeile 6: Die Zeile enthält Nullbytes"},
        {"no quotes", "\"A\",\"B\",\"9a\"\r\nMaier,Hans,9a\r\n", ImportFormat::Sdf,
         "Zeile 2: Die Felder stehen nicht paarweise in Anführungszeichen."},
        {"odd quotes", "\"A\",\"B\",\"9a\r\n", ImportFormat::Sdf, "Zeile 1: Die Felder stehen nicht paarweise"},
        {"misplaced quotes", "\"Meier\",\"Anna,9a,\"01.01.2010\r\n", ImportFormat::Sdf,
         "Zeile 1: Außerhalb der Anführungszeichen steht \"01.01.2010\"; ein Anführungszeichen fehlt"},
        {"misplaced quotes in the second line", sdfStudent + "\"Meier\" \"Anna\"9a\"\" \"K\x94ln\"\r\n", ImportFormat::Sdf,
         "Zeile 2: Außerhalb der Anführungszeichen steht \"9a\""},
        {"too few lines", "A\r\nB\r\n9a\r\n", ImportFormat::Line, "Zeile 3: Die Datei hat keine fünf Zeilen"},
        {"four lines", "A\r\nB\r\n9a\r\n01.01.2010\r\n", ImportFormat::Line, "Zeile 4: Die Datei hat keine fünf Zeilen"},
        {"cut inside the last student", student + student + "Kurz\r\nAnna\r\n", ImportFormat::Line,
         "Zeile 11: Der Schüler ab dieser Zeile ist unvollständig (2 von 5 Zeilen); die Datei ist abgeschnitten."},
        {"cut before the birth place", student + "Kurz\r\nAnna\r\n9a\r\n01.01.2010\r\n", ImportFormat::Line,
         "Zeile 6: Der Schüler ab dieser Zeile ist unvollständig (4 von 5 Zeilen)"},
        {"nobody named", "\r\n\r\n9a\r\n\r\n\r\n", ImportFormat::Line, "Zeile 1: Die Datei enthält keinen Schüler mit Namen."},
        {"nobody named in SDF", "\"\",\"\",\"9a\"\r\n", ImportFormat::Sdf, "Zeile 1: Die Datei enthält keinen Schüler mit Namen."},
        // Rows without data or without surname are students with empty fields.
        {"a blank line inside an SDF file", sdfStudent + "\r\n\"C\",\"D\"\r\n", ImportFormat::Sdf, "", 2, "", "|;C|D"},
        {"no surname in SDF", sdfStudent + "\"\",\"Lea\",\"9a\"\r\n", ImportFormat::Sdf, "", 1, "", "|Lea"},
        {"a first name without surname", student + "\r\nLea\r\n9a\r\n\r\nUlm\r\n", ImportFormat::Line, "", 1, "",
         "|Lea"},
        {"blank lines after the last student", student + "\r\n\r\n", ImportFormat::Line, "", 1},
        {"too long", student + QByteArray(300, 'x') + "\r\n", ImportFormat::Line, "Zeile 6: Die Zeile ist länger als 255"},
        {"DOS end mark, empty birth place", student + "A\r\nB\r\n9a\r\n\r\n\r\n\x1A", ImportFormat::Line, "", 2},
        {"38 students, the most a class holds", student + lineFile(37), ImportFormat::Line, "", 38},
        {"a 39th without first name is left out", student + lineFile(37) + "Letzter\r\n\r\n9a\r\n\r\n\r\n",
         ImportFormat::Line, "", 38, "Letzter"},
        {"SDF with blank end", "\"M\x81ller\",\"J\x94rg\",\"9 a\",\"\",\"\"\r\n\r\n\x1A", ImportFormat::Sdf, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = c.format == ImportFormat::Line ? "hsa_9a.imp" : "hsa_9a.sdf";
        folder.write(file, c.bytes);
        QFile::remove(folder.file("9a_21222.dbf"));
        prompt.clear();
        const ImportResult r = ImportClassFile(file, "9a_21222.dbf", c.format);
        if (QByteArray(c.told).isEmpty()) {
            if (r != ImportResult::Imported) {
                ADD_FAILURE() << "not imported: " << prompt.texts().join("|").toStdString();
                continue;
            }
            DbfTable t;
            t.open(folder.file("9a_21222.dbf"), DbfAccess::SharedReadOnly);
            EXPECT_EQ(t.value(0, "NACHNAME") + "|" + t.value(0, "VORNAME") + "|" + t.value(0, "KLASSE"), "Müller|Jörg|9a");
            int named = 0;
            for (int r = 0; r < t.recordCount(); ++r)
                named += !t.value(r, "NACHNAME").trimmed().isEmpty();
            EXPECT_EQ(named, c.students);
            if (QByteArray(c.names).size() > 0) {
                QStringList names;
                for (int r = 1; r <= QByteArray(c.names).count(';') + 1; ++r)
                    names << t.value(r, "NACHNAME").trimmed() + "|" + t.value(r, "VORNAME").trimmed();
                EXPECT_EQ(names.join(';'), QString::fromUtf8(c.names));
            }
            const QString left = QString::fromUtf8(c.left);
            EXPECT_EQ(prompt.anyTextContains("mehr als 38"), !left.isEmpty());
            if (!left.isEmpty()) {
                EXPECT_EQ(prompt.lastText(), "Die Datei " + file + " enthält mehr als 38 Schüler. Nicht übernommen: " + left);
            }
            continue;
        }
        EXPECT_EQ(r, ImportResult::Skipped);
        EXPECT_FALSE(folder.exists("9a_21222.dbf"));
        EXPECT_TRUE(prompt.lastText().startsWith("Die Datei " + file + " ist keine vorbereitete Importdatei"))
            << prompt.lastText().toStdString();
        EXPECT_TRUE(prompt.lastText().contains(QString::fromUtf8(c.told))) << prompt.lastText().toStdString();
    }
}

// A disk that fails at any step of the import (writing the new table,
// removing an old grade file, giving the table its name) leaves the older
// class exactly as it was: its table, its grade files, no hidden leftover.
TEST_F(MultiClassImportRun, AFailureAtAnyStepKeepsTheOlderClass)
{
    folder.write("hsa_9a.imp", lineFile(3));
    const QByteArray older = folder.read("start2.dbf");
    const auto classState = [&] { return FolderContents(folder.path()); };
    const auto reset = [&] {
        folder.write("9a_21222.dbf", older);
        folder.write("9a_21222/v.1", "grades 1");
        folder.write("9a_21222/v.2", "grades 2");
    };
    reset();
    // Removing what stepped aside after the table took its name cannot undo
    // the import; a file left there goes when the class is opened next.
    constexpr unsigned kUntilInPlace = unsigned(FileStep::Write) | unsigned(FileStep::Rename) | unsigned(FileStep::Copy);
    int steps = 0;
    {
        FileFaultScope count(0, kUntilInPlace);
        prompt.yes();
        ASSERT_EQ(ImportClassFile("hsa_9a.imp", "9a_21222.dbf", ImportFormat::Line), ImportResult::Imported);
        steps = count.steps();
    }
    ASSERT_GE(steps, 4);
    reset();
    const auto before = classState();
    for (int failAt = 1; failAt <= steps; ++failAt) {
        SCOPED_TRACE(failAt);
        prompt.clear();
        FileFaultScope fault(failAt, kUntilInPlace);
        prompt.yes();
        EXPECT_EQ(ImportClassFile("hsa_9a.imp", "9a_21222.dbf", ImportFormat::Line), ImportResult::Failed);
        EXPECT_TRUE(prompt.lastText().contains("konnte nicht angelegt werden")) << prompt.lastText().toStdString();
        EXPECT_EQ(classState(), before);
    }
}
