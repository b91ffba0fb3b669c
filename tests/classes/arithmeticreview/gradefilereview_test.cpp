// A grade file written out line by line as the layout prescribes (cell
// (c, r) on line c * 20 + r + 1, the result index, 45 note lines), then read,
// recomputed and written again.
#include "classes/arithmetic.h"
#include "grades/cellrules.h"
#include "grades/examsheet.h"
#include "grades/gradeslots.h"
#include "support/tempfolder.h"
#include "support/textbytes.h"
#include "classes/textfile.h"

#include <QFileInfo>
#include <sys/stat.h>

#include <QMap>
#include <gtest/gtest.h>

using namespace hsa;

namespace {

const char* const kCodes9[20] = {"", "R", "Eth", "D", "Ek", "G/Gk", "E", "M", "Ph", "Bio/Ch",
                                 "Sp", "Mu", "BK", "WBS", "Te", "HTW", "Proj", "", "", ""};

GradeContext level9(const char* classFile = "9a-23242.dbf")
{
    GradeContext ctx;
    ctx.classFileName = QString::fromUtf8(classFile);
    for (int r = 0; r < 20; ++r)
        ctx.shortCodes[r] = QString::fromUtf8(kCodes9[r]);
    ctx.writtenExamRows = {3, 7, 7, 7};
    return ctx;
}

// 226 lines of a file as the program leaves it after a load and a save: every
// computed cell already what the marks give.
QStringList handWrittenFile()
{
    QStringList cells[9];
    for (int c = 0; c < 9; ++c)
        for (int r = 0; r < 20; ++r)
            cells[c] << QStringLiteral("- ");
    const char* headings[9] = {"- ", "schr(3)", "KP/pr(2)", "mü(1)", "Pr-Leist.", "Jahresl.", "Schnitt", "Endnote", "F.Gew."};
    for (int c = 0; c < 9; ++c)
        cells[c][0] = QString::fromUtf8(headings[c]);
    for (int r = 1; r < 20; ++r) {
        cells[0][r] = QString::fromUtf8(kCodes9[r]);
        cells[4][r] = cells[6][r] = cells[7][r] = QStringLiteral(" - ");
        cells[8][r] = QStringLiteral("1");
    }
    auto row = [&](int r, const char* w, const char* c, const char* o, const char* exam, const char* y,
                   const char* schnitt, const char* end) {
        cells[1][r] = QString::fromUtf8(w);
        cells[2][r] = QString::fromUtf8(c);
        cells[3][r] = QString::fromUtf8(o);
        cells[4][r] = QString::fromUtf8(exam);
        cells[5][r] = QString::fromUtf8(y);
        cells[6][r] = QString::fromUtf8(schnitt);
        cells[7][r] = QString::fromUtf8(end);
    };
    row(1, "- ", "- ", "- ", " - ", "2.0", "2.0", " 2");      // R
    row(3, "2.5", "- ", "3.0", "2.6", "2.7", "2.6", " 3");    // D: (7.5 + 3) / 4, (2.6 + 2.7) / 2
    row(6, "- ", "2.0", "-", "2.0", "3.0-", "2.5", " 3");     // E: minus year mark
    row(7, "4.0", "- ", "- ", "4.0", "3.6", "3.8", " 4");     // M
    row(16, "1.0", "-", "-", "1.0", "-", "1.0", " 1");        // Proj
    cells[8][4] = QStringLiteral("2");                         // Ek weighs twice
    cells[5][4] = QStringLiteral("1.5");
    cells[6][4] = QStringLiteral("1.5");
    cells[7][4] = QStringLiteral(" 2");
    QStringList lines;
    for (int c = 0; c < 9; ++c)
        lines += cells[c];
    lines << QStringLiteral("0");
    lines << QStringLiteral("Nachprüfung: Größe der Gruppe klären") << QString() << QStringLiteral("§ 2 beachten");
    while (lines.size() < 226)
        lines << QString();
    return lines;
}

class FakeRecord : public GradeRecord {
public:
    QString fieldText(const QString& name) const override { return fields.value(name); }
    void setFieldText(const QString& name, const QString& text) override { fields[name] = text; }
    QMap<QString, QString> fields;
};

} // namespace

TEST(ReviewGradeFile, HandWrittenFileReadAndWrittenUnchanged)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    const QByteArray bytes = test::crlf(handWrittenFile());
    folder.write("v.12", bytes);

    const ExamSheet s = LoadStudentGradeFile(folder.file("v.12"), ctx);
    ASSERT_FALSE(s.saveBlocked);
    EXPECT_TRUE(s.fromFile);
    EXPECT_EQ(s.resultIndex, 0);
    EXPECT_EQ(s.notes.size(), 45);
    EXPECT_EQ(s.notes.value(0), "Nachprüfung: Größe der Gruppe klären");
    EXPECT_EQ(s.notes.value(2), "§ 2 beachten");
    EXPECT_EQ(s.grid.at(ColOral, 0), "mü(1)");
    EXPECT_EQ(s.grid.at(ColFinal, 3), " 3");
    EXPECT_EQ(s.grid.at(ColFinal, 6), " 3");
    // R 2, Ek 2 (twice), D 3, E 3, M 4, Proj 1: 17 / 7 = 2.43 -> 2.4.
    EXPECT_EQ(s.gesamtschnittLabel(ctx), "Gesamtschnitt: 2.4");
    EXPECT_EQ(GetProjectGrade(s.grid), "1");

    // Grade list and the positional copy into the record: class 9 turns
    // English with its minus year mark into "-".
    GradeList list = s.gradeList(ctx);
    list[0] = "2";
    list[1] = "2";
    FakeRecord rec;
    ASSERT_TRUE(CopyGradeListToRecord(list, ctx.classFileName, rec));
    EXPECT_EQ(rec.fields["DEU"], "2");        // grade-list row 2 = exam row 1 (R)
    EXPECT_EQ(rec.fields["MATH"], "3*");      // row 4 = exam row 3 (D)
    EXPECT_EQ(rec.fields["ZUSATZ1"], "2");    // row 5 = exam row 4 (Ek)
    EXPECT_EQ(rec.fields["MUSIK"], "-");      // row 7 = exam row 6 (E)
    EXPECT_EQ(rec.fields["ZUSATZ2"], "4*");   // row 8 = exam row 7 (M)
    EXPECT_EQ(rec.fields["F18"], "1*");       // row 17 = exam row 16 (Proj)
    EXPECT_EQ(rec.fields["F17"], "   ");      // row 16 = exam row 15 (HTW)
    EXPECT_EQ(rec.fields["F21"], "   ");

    // Written again: the very same bytes.
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.12"), s, ctx));
    EXPECT_EQ(folder.read("v.12"), bytes);
}

TEST(ReviewGradeFile, LineFeedOnlyAndShortFiles)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    // The same file with bare line feeds, in Windows-1252.
    const QByteArray lf = test::crlf(handWrittenFile()).replace("\r\n", "\n");
    folder.write("v.1", lf);
    folder.write("v.2", test::crlf(handWrittenFile()));
    const ExamSheet a = LoadStudentGradeFile(folder.file("v.1"), ctx);
    const ExamSheet b = LoadStudentGradeFile(folder.file("v.2"), ctx);
    EXPECT_EQ(a.grid, b.grid);
    EXPECT_EQ(a.notes, b.notes);
    // Lone carriage returns end lines too.
    folder.write("v.4", test::crlf(handWrittenFile()).replace("\r\n", "\r"));
    const ExamSheet d = LoadStudentGradeFile(folder.file("v.4"), ctx);
    EXPECT_FALSE(d.saveBlocked);
    EXPECT_EQ(d.grid, b.grid);
    EXPECT_EQ(d.notes, b.notes);

    // Only the cells: result "---", no notes, marks computed all the same.
    folder.write("v.3", test::crlf(handWrittenFile().mid(0, 180)));
    const ExamSheet c = LoadStudentGradeFile(folder.file("v.3"), ctx);
    EXPECT_EQ(c.resultIndex, 5);
    EXPECT_EQ(c.resultLabel, "---");
    EXPECT_TRUE(c.notes.isEmpty());
    EXPECT_EQ(c.grid, b.grid);
    EXPECT_EQ(c.gesamtschnittLabel(ctx), "");
}

TEST(ReviewGradeFile, HostileFilesAreReportedAndNeverOverwritten)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    const QByteArray good = test::crlf(handWrittenFile());
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"eine Zeile", "1\r2\n"},
        {"Binaerdaten", QByteArray(300, '\0')},
        {"Text hinter den Notizen", good + "\r\n\r\nnoch etwas\r\n"},
        {"zu gross", QByteArray(kMaxDataFileBytes + 1, 'x')},
    };
    for (const auto& c : cases) {
        folder.write("v.1", c.bytes);
        const ExamSheet s = LoadStudentGradeFile(folder.file("v.1"), ctx);
        EXPECT_TRUE(s.saveBlocked) << c.name;
        EXPECT_TRUE(s.loadError.contains("Die Noten dieses Schülers werden nicht gespeichert")) << c.name;
        EXPECT_FALSE(SaveStudentGradeFile(folder.file("v.1"), s, ctx)) << c.name;
        EXPECT_EQ(folder.read("v.1"), c.bytes) << c.name;
    }
    // A pipe under the name neither hangs nor is replaced.
    QFile::remove(folder.file("v.1"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file("v.1")).constData(), 0600), 0);
    EXPECT_TRUE(LoadStudentGradeFile(folder.file("v.1"), ctx).saveBlocked);
    EXPECT_EQ(QFileInfo(folder.file("v.1")).isFile(), false);
}

TEST(ReviewGradeFile, StaleResultsAndWeightsAreRecomputed)
{
    const GradeContext ctx = level9();
    QStringList lines = handWrittenFile();
    auto at = [&](int c, int r) -> QString& { return lines[c * 20 + r]; };
    // An older program left wrong computed cells and a blank weight.
    at(4, 3) = "1.0";
    at(6, 3) = "1.0";
    at(7, 3) = " 1";
    at(7, 1) = "??";
    at(8, 7) = "";
    at(8, 1) = "-";
    const ExamSheet s = ExamSheetFromLines(lines, ctx);
    EXPECT_EQ(s.grid.at(ColExamResult, 3), "2.6");
    EXPECT_EQ(s.grid.at(ColAverage, 3), "2.6");
    EXPECT_EQ(s.grid.at(ColFinal, 3), " 3");
    EXPECT_EQ(s.grid.at(ColFinal, 1), " 2");
    // An empty line reads "- ", which the weight rule turns into "1 ".
    EXPECT_EQ(s.grid.at(ColWeight, 7), "1 ");
    EXPECT_EQ(s.grid.at(ColWeight, 1), "1 ");
    EXPECT_EQ(s.gesamtschnittLabel(ctx), "Gesamtschnitt: 2.4");
}

TEST(ReviewPresets, ClassNamesOfEveryLevel)
{
    // F and G classes, as every other, start with the exam result "---".
    for (const char* name : {"Fa-23242.dbf", "ga-23242.dbf", "9a-23242.dbf", "xa-23242.dbf"}) {
        const ExamSheet s = PresetExamSheet(level9(name));
        EXPECT_EQ(s.resultIndex, 5) << name;
        EXPECT_EQ(s.resultLabel, "") << name;
        EXPECT_EQ(s.gesamtschnittLabel(level9(name)), "") << name;
    }
    // School year "07": no communication exam in English; "08" and later: pending.
    EXPECT_EQ(PresetExamSheet(level9("9a-07082.dbf")).grid.at(ColComm, 6), "- ");
    EXPECT_EQ(PresetExamSheet(level9("9a-08092.dbf")).grid.at(ColComm, 6), "P");
    EXPECT_EQ(PresetExamSheet(level9("9a-12132.dbf")).grid.at(ColComm, 6), "P");
    // A pending written exam and a pending communication exam keep the
    // grade list at "??" and the overall average pending.
    const GradeContext ctx = level9();
    ExamSheet s = PresetExamSheet(ctx);
    CommitExamCell(s.grid, ColYear, 3, "2", ctx);
    CommitExamCell(s.grid, ColYear, 6, "3", ctx);
    const GradeList list = s.gradeList(ctx);
    EXPECT_EQ(list[4], "??");
    EXPECT_EQ(list[7], "??");
    EXPECT_EQ(ComputeGesamtschnitt(s.grid, 1, 19, ctx), "??");
}

TEST(ReviewMarkCells, CommasWithStars)
{
    // A typed comma is a decimal point everywhere: "2,5*" is the starred 2.5.
    GradeContext ctx = level9();
    for (int column : {1, 2, 3}) {
        EXPECT_EQ(NormaliseMarkCell("2,5*", column, ctx), NormaliseMarkCell("2.5*", column, ctx)) << column;
        EXPECT_EQ(NormaliseMarkCell("2,0*", column, ctx), NormaliseMarkCell("2.0*", column, ctx)) << column;
        EXPECT_EQ(NormaliseMarkCell("2,5*", column, ctx), "2.5*") << column;
        EXPECT_EQ(NormaliseMarkCell("6,0*", column, ctx), "6.0*") << column;
        EXPECT_EQ(NormaliseMarkCell("2,5", column, ctx), "2.5") << column;
        EXPECT_EQ(NormaliseMarkCell("2,35*", column, ctx), NormaliseMarkCell("2.35*", column, ctx)) << column;
    }
    EXPECT_EQ(NormaliseMarkCell("2,5-", ColYear, ctx), "2.5-");
    // In the communication cell the star decides the grade list.
    ExamSheet s = PresetExamSheet(ctx);
    CommitExamCell(s.grid, ColComm, 6, "2,5*", ctx);
    CommitExamCell(s.grid, ColYear, 6, "2", ctx);
    EXPECT_EQ(s.gradeList(ctx)[7], "2");
}
