#include "grades/examsheet.h"

#include "classes/arithmetic.h"
#include "classes/textfile.h"
#include "grades/cellrules.h"
#include "grades/flawedgradefiles.h"
#include "grades/gradecontext.h"
#include "grades/gradeslots.h"
#include "support/maprecord.h"
#include "support/tempfolder.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hsa;

namespace {

// The built-in subject list of level 9, rows 1 to 19.
const char* const kLevel9[20] = {"", "R", "Eth", "D", "Ek", "G/Gk", "E", "M", "Ph", "Bio/Ch",
                                 "Sp", "Mu", "BK", "WBS", "Te", "HTW", "Proj", "F", "AES", "Prof"};

// Written exams of level 9 in rows 3 (D) and 7 (M).
GradeContext level9(const char* classFile = "9a-23242.dbf")
{
    GradeContext ctx;
    ctx.classFileName = QString::fromUtf8(classFile);
    for (int r = 0; r < 20; ++r)
        ctx.shortCodes[r] = QString::fromUtf8(kLevel9[r]);
    ctx.writtenExamRows = {3, 7, 7, 7};
    return ctx;
}

// Columns `from` to `to` of a grid row.
QStringList rowOf(const ExamGrid& g, int row, int from = 0, int to = 8)
{
    QStringList out;
    for (int c = from; c <= to; ++c)
        out << g.at(c, row);
    return out;
}

// A sheet with marks, results and notes as a secretary leaves it.
ExamSheet filledSheet(const GradeContext& ctx)
{
    ExamSheet sheet = PresetExamSheet(ctx);
    const std::tuple<int, int, const char*> typed[] = {{ColWritten, 3, "25"}, {ColOral, 3, "3"}, {ColYear, 3, "2,7"},
                                                       {ColComm, 6, "2"},     {ColYear, 6, "3-"}, {ColYear, 1, "1.5"},
                                                       {ColWeight, 1, "2"}};
    for (const auto& [c, r, text] : typed)
        CommitExamCell(sheet.grid, c, r, QString::fromUtf8(text), ctx);
    sheet.resultIndex = 0;
    sheet.setNotesText(QStringLiteral("Gespräch mit den Eltern am 3.5.\nÄrztliches Attest liegt vor.\n\nEnde"));
    return sheet;
}

} // namespace

TEST(Presets, EmptySheetByClassSubjectsAndExamRows)
{
    GradeContext ctx = level9();
    ctx.shortCodes[17] = "Inf";
    ctx.shortCodes[18] = "Prof";
    ExamSheet s = PresetExamSheet(ctx);
    // Pending exams show "??" in the computed cells; "Inf" and "Prof" weigh 0.
    EXPECT_EQ(rowOf(s.grid, 3), QStringList({"D", "P", "- ", "- ", "??", "- ", "??", "??", "1"}));
    EXPECT_EQ(rowOf(s.grid, 6), QStringList({"E", "- ", "P", "- ", "??", "- ", "??", "??", "1"}));
    EXPECT_EQ(rowOf(s.grid, 17), QStringList({"Inf", "- ", "- ", "- ", " - ", "- ", " - ", " - ", "0"}));
    EXPECT_EQ(s.grid.at(ColWeight, 18) + s.grid.at(ColWeight, 16), "01");
    EXPECT_EQ(rowOf(s.grid, 0),
              QStringList({"- ", "schr(3)", "KP/pr(2)", "mü(1)", "Pr-Leist.", "Jahresl.", "Schnitt", "Endnote", "F-Gew."}));
    // English has its communication exam from school year 08 on; the fourth
    // written exam counts only outside "X" classes; 0 and rows outside mean none.
    const struct {
        const char* classFile;
        std::array<int, 4> examRows;
        QList<int> written;
        const char* comm;
    } cases[] = {
        {"9a-07082.dbf", {3, 7, 7, 7}, {3, 7}, "- "},         {"9a-08092.dbf", {3, 7, 7, 7}, {3, 7}, "P"},
        {"xa-23242.dbf", {3, 7, 14, 6}, {3, 7, 14}, "P"},     {"Xb-23242.dbf", {3, 7, 14, 6}, {3, 7, 14}, "P"},
        {"9a-23242.dbf", {3, 7, 14, 6}, {3, 6, 7, 14}, "P"},  {"ya-23242.dbf", {3, 7, 14, 6}, {3, 6, 7, 14}, "P"},
        {"9a-23242.dbf", {0, 25, -1, 0}, {}, "P"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.classFile);
        GradeContext cc = level9(c.classFile);
        cc.writtenExamRows = c.examRows;
        s = PresetExamSheet(cc);
        for (int r = 1; r <= 19; ++r) {
            EXPECT_EQ(s.grid.at(ColWritten, r), c.written.contains(r) ? "P" : "- ") << r;
        }
        EXPECT_EQ(s.grid.at(ColComm, 6), c.comm);
        EXPECT_EQ(s.resultIndex, 5);
        EXPECT_EQ(s.gesamtschnittLabel(cc), "");
    }
    ctx.eveningSchoolMode = true;
    s = PresetExamSheet(ctx);
    EXPECT_EQ(s.grid.at(ColWritten, 0) + s.grid.at(ColComm, 0), "schr(1)KP/pr(1)");
    // The profile subject of field AG7.
    for (const auto& [field, index] : {std::pair{"3", 3}, {"6", 5}, {"7", -1}, {"-1", -1}, {"", -1}})
        EXPECT_EQ(PresetExamSheet(ctx, field).profileIndex, index) << field;
}

TEST(GradeFile, LayoutEncodingAndRoundTrip)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.5"), filledSheet(ctx), ctx));
    const QByteArray first = folder.read("v.5");
    const QList<QByteArray> lines = first.split('\n'); // CR kept, an empty piece after the last
    ASSERT_EQ(lines.size(), 227);
    EXPECT_EQ(first.count("\r\n"), 226);
    // Cell (c, r) on line c * 20 + r + 1; Windows-1252, trailing blanks kept.
    // Written (3 * 2.5 + 3.0) / 4 = 2.625 -> 2.6; Schnitt (2.6 + 2.7) / 2 = 2.65 -> 2.6 -> 3.
    const std::pair<int, QByteArray> expected[] = {
        {1 * 20 + 4, "2.5"}, {5 * 20 + 7, "3.0-"}, {3 * 20 + 1, "m\xFC(1)"}, {1 * 20 + 6, "- "}, {8 * 20 + 1, "F-Gew."},
        {181, "0"}, {182, "Gespr\xE4" "ch mit den Eltern am 3.5."}, {184, ""}, {185, "Ende"}, {226, ""},
        {4 * 20 + 4, "2.6"}, {6 * 20 + 4, "2.6"}, {7 * 20 + 4, " 3"}};
    for (const auto& [n, text] : expected)
        EXPECT_EQ(lines[n - 1], text + "\r") << "line " << n;
    const ExamSheet loaded = LoadStudentGradeFile(folder.file("v.5"), ctx);
    EXPECT_TRUE(loaded.fromFile);
    EXPECT_EQ(loaded.resultLabel, "Hauptschulabschluss bestanden");
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.5"), loaded, ctx));
    const QByteArray second = folder.read("v.5");
    // Only the heading of the weight column tells a loaded sheet; from then on
    // load and save change nothing at all.
    EXPECT_EQ(QByteArray(second).replace("F.Gew.", "F-Gew."), first);
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.5"), LoadStudentGradeFile(folder.file("v.5"), ctx), ctx));
    EXPECT_EQ(folder.read("v.5"), second);
    // Bare line feeds or carriage returns read the same.
    for (const char* end : {"\n", "\r"}) {
        folder.write("v.2", QByteArray(second).replace("\r\n", end));
        const ExamSheet other = LoadStudentGradeFile(folder.file("v.2"), ctx);
        EXPECT_FALSE(other.saveBlocked) << end;
        EXPECT_EQ(other.grid, loaded.grid);
        EXPECT_EQ(other.notes, loaded.notes);
    }
    // The headings follow the school's mode.
    GradeContext evening = ctx;
    evening.eveningSchoolMode = true;
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.1"), filledSheet(ctx), evening));
    const QList<QByteArray> eveningLines = folder.read("v.1").split('\n');
    EXPECT_EQ(eveningLines[20] + eveningLines[40], "schr(1)\rKP/pr(1)\r");
}

// Short files, index lines, older subject lists, stale computed cells and
// weights: whatever a file holds, the sheet is computed afresh.
TEST(GradeFile, LinesOfShortOldOrStaleFiles)
{
    GradeContext ctx = level9();
    // Ten lines: the rest reads empty and becomes "- "; no index line means 5.
    ExamSheet s = ExamSheetFromLines(QStringList(10, QStringLiteral("Alt")), ctx);
    EXPECT_EQ(s.resultLabel, "---");
    EXPECT_EQ(s.grid.at(ColCode, 3), "D"); // current codes, not the file's
    EXPECT_EQ(s.grid.at(ColWritten, 3), "- ");
    EXPECT_EQ(s.grid.at(ColFinal, 3), " - ");
    EXPECT_TRUE(s.notes.isEmpty());
    for (const auto& [line, index] : {std::pair{"-1", 5}, {"0", 0}, {"2", 2}, {" 3 ", 3}, {"5", 5}, {"6", 5}, {"8", 5},
                                      {"-2", 5}, {"x", 5}, {"", 5}}) {
        s = ExamSheetFromLines(QStringList(180, "- ") << QString::fromLatin1(line), ctx);
        EXPECT_EQ(s.resultIndex, index) << line;
        EXPECT_EQ(s.resultLabel, ExamResultCaption(index)) << line;
    }
    // A file written under an older subject list: column 0 shows the current
    // codes, the marks stay in their rows and are computed with the new codes.
    QStringList file = QStringList(180, "- ");
    file[0 * 20 + 4] = "Präs"; // the old row 4
    file[1 * 20 + 4] = "2.0";
    file[3 * 20 + 4] = "1.0";
    s = ExamSheetFromLines(file << "1", ctx);
    EXPECT_EQ(rowOf(s.grid, 4, 0, 4), QStringList({"Ek", "2.0", "- ", "1.0", "1.7"})); // (6 + 1) / 4 = 1.75
    // Stale computed cells as an older version or another program left them.
    file = QStringList(180, "- ");
    for (const auto& [line, text] : {std::pair{1 * 20 + 3, "2.0"}, {2 * 20 + 3, "3.0"}, {5 * 20 + 3, "2.7"},
                                     {4 * 20 + 3, "1.0"}, {6 * 20 + 3, "1.0"}, {7 * 20 + 3, " 1"}, {7 * 20 + 8, " 5"}})
        file[line] = text;
    s = ExamSheetFromLines(file << "0", ctx);
    EXPECT_EQ(rowOf(s.grid, 3, 4, 7), QStringList({"2.4", "2.7", "2.5", " 3"}));
    EXPECT_EQ(s.grid.at(ColFinal, 8), " - "); // an Endnote without any mark
    EXPECT_EQ(s.gradeList(ctx)[4], "3*");
    EXPECT_EQ(s.gesamtschnittLabel(ctx), "Gesamtschnitt: 3.0");
    // The weight rule applies to loaded cells; the profile subject never counts.
    ctx.shortCodes[18] = "Prof";
    file = QStringList(180, "1");
    for (int r = 1; r < 20; ++r)
        file[5 * 20 + r] = "3.0";
    for (const auto& [r, text] : {std::pair{1, "-"}, {2, "0 "}, {3, "5"}, {4, "abc"}, {18, "1"}})
        file[8 * 20 + r] = text;
    s = ExamSheetFromLines(file << "0", ctx);
    for (const auto& [r, weight] : {std::pair{1, "1 "}, {2, "0 "}, {3, "5"}, {4, "0 "}, {18, "0"}, {5, "1"}})
        EXPECT_EQ(s.grid.at(ColWeight, r), weight) << r;
}

TEST(GradeFile, DamagedHostileOrUnreadableFilesAreNeverOverwritten)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.3"), filledSheet(ctx), ctx));
    const QByteArray good = folder.read("v.3");
    const struct {
        const char* name;
        QByteArray bytes;
        const char* message;
    } cases[] = {
        {"zerstoerte Zeilen", QByteArray(good).replace(100, 40, QByteArray(40, '\0')), "beschädigt (sie enthält Binärdaten)"},
        {"zu gross", QByteArray(kMaxDataFileBytes + 1, 'x'), "nicht gespeichert"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        folder.write("v.1", c.bytes);
        ExamSheet s = LoadStudentGradeFile(folder.file("v.1"), ctx);
        EXPECT_TRUE(s.saveBlocked);
        EXPECT_TRUE(s.loadError.contains(QString::fromUtf8(c.message))) << s.loadError.toStdString();
        EXPECT_TRUE(s.loadError.contains("Die Noten dieses Schülers werden nicht gespeichert"));
        EXPECT_EQ(s.grid, PresetExamSheet(ctx).grid);
        CommitExamCell(s.grid, ColYear, 1, "2", ctx);
        EXPECT_FALSE(SaveStudentGradeFile(folder.file("v.1"), s, ctx));
        EXPECT_EQ(folder.read("v.1"), c.bytes);
    }
    if (::geteuid() != 0) {
        folder.write("v.4", good);
        QFile::setPermissions(folder.file("v.4"), QFileDevice::Permissions());
        const ExamSheet s = LoadStudentGradeFile(folder.file("v.4"), ctx);
        EXPECT_TRUE(s.saveBlocked);
        EXPECT_FALSE(SaveStudentGradeFile(folder.file("v.4"), s, ctx));
        QFile::setPermissions(folder.file("v.4"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        EXPECT_EQ(folder.read("v.4"), good);
    }
    // A pipe under the name neither hangs nor is replaced.
    QFile::remove(folder.file("v.1"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file("v.1")).constData(), 0600), 0);
    EXPECT_TRUE(LoadStudentGradeFile(folder.file("v.1"), ctx).saveBlocked);
    EXPECT_FALSE(QFileInfo(folder.file("v.1")).isFile());
}

// A file cut short or carrying more than its layout is read as far as it
// goes: every line present keeps its place, a missing cell is "- ", lines
// beyond the 45th note are left out.  The user hears of it, and the sheet
// may be saved, which writes the file whole again.
TEST(GradeFile, CutOrLengthenedFilesAreReadAsFarAsTheyGoAndMayBeSaved)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    ExamSheet filled = filledSheet(ctx);
    for (int i = filled.notes.size(); i < 45; ++i)
        filled.notes << QStringLiteral("Notiz %1").arg(i + 1);
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.1"), filled, ctx));
    const QByteArray good = folder.read("v.1");
    const ExamSheet full = LoadStudentGradeFile(folder.file("v.1"), ctx);
    ASSERT_TRUE(full.loadNotice.isEmpty());
    ASSERT_EQ(good.count("\r\n"), 226);
    // The first n lines of the good file with their line ends.
    const auto head = [&](int n) {
        qsizetype at = 0;
        for (int i = 0; i < n; ++i)
            at = good.indexOf("\r\n", at) + 2;
        return good.left(at);
    };
    const struct {
        const char* what;
        int kept;            // lines of the good file that are there
        QByteArray bytes;
        const char* notice;  // part of the notice; empty: none
    } cases[] = {
        {"empty", 0, "", "unvollständig: Sie hat nur 0 von 226 Zeilen"},
        {"one line", 1, head(1), "nur 1 von 226"},
        {"inside the written column", 24, head(24), "nur 24 von 226"},
        {"inside the year marks", 105, head(105), "nur 105 von 226"},
        {"all cells, no result", 180, head(180), "nur 180 von 226"},
        {"result, no notes", 181, head(181), "nur 181 von 226"},
        {"inside the notes", 200, head(200), "nur 200 von 226"},
        {"last line without its end", 226, good.chopped(2), ""},
        {"empty lines after the notes", 226, good + "\r\n\r\n\r\n", ""},
        {"text after the notes", 226, good + "\r\n\r\nnoch etwas\r\n", "länger als vorgesehen (229 statt 226 Zeilen)"},
        {"many more lines", 226, good + QByteArray("mehr\r\n").repeated(300),
         "länger als vorgesehen (526 statt 226 Zeilen)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        folder.write("v.2", c.bytes);
        const ExamSheet s = LoadStudentGradeFile(folder.file("v.2"), ctx);
        EXPECT_FALSE(s.saveBlocked);
        EXPECT_TRUE(s.loadError.isEmpty()) << s.loadError.toStdString();
        const QString notice = QString::fromUtf8(c.notice);
        EXPECT_EQ(s.loadNotice.isEmpty(), notice.isEmpty()) << s.loadNotice.toStdString();
        EXPECT_TRUE(s.loadNotice.contains(notice)) << s.loadNotice.toStdString();
        const int present = c.kept;
        for (int col : {ColWritten, ColComm, ColOral, ColYear, ColWeight})
            for (int r = 1; r < 20; ++r)
                if (col * 20 + r < present) {
                    EXPECT_EQ(s.grid.at(col, r), full.grid.at(col, r)) << col << "," << r;
                } else if (col != ColWeight) {
                    EXPECT_EQ(s.grid.at(col, r), "- ") << col << "," << r;
                }
        EXPECT_EQ(s.resultIndex, present > 180 ? full.resultIndex : 5);
        EXPECT_EQ(s.notes.join('|').toStdString(), full.notes.mid(0, std::max(0, present - 181)).join('|').toStdString());
        // Saved, the file has its whole layout again and loads without a word.
        ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.2"), s, ctx));
        EXPECT_EQ(folder.read("v.2").count("\r\n"), 226);
        const ExamSheet again = LoadStudentGradeFile(folder.file("v.2"), ctx);
        EXPECT_TRUE(again.loadNotice.isEmpty()) << again.loadNotice.toStdString();
        EXPECT_EQ(again.grid, s.grid);
    }
}

// A mark outside 1.0 to 6.0 in a file (damaged or edited by hand) is no mark:
// it shows "- " and counts nowhere, neither in the exam result nor in the
// average, the final grade, the grade list or the overall average.
TEST(GradeFile, MarksOutsideOneToSixAreNeverCounted)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    const int deu = 3, math = 7, sport = 10;
    const struct {
        const char* text;
        bool kept;
    } marks[] = {
        {"65", false}, {"99", false}, {"1e30", false}, {"7", false}, {"6.1", false}, {"0.9", false}, {"0.5*", false},
        {"-3", false}, {"1e-5", false}, {"65-", false}, {"1.0", true}, {"6.0", true}, {"3.0-", true}, {"2.0*", true},
        {"P", true}, {"- ", true}, {"-", true}, {"", true},
    };
    for (const auto& m : marks) {
        const QString mark = QString::fromLatin1(m.text);
        for (const int col : {ColWritten, ColComm, ColOral, ColYear}) {
            SCOPED_TRACE(mark.toStdString() + " in column " + std::to_string(col));
            QStringList file = QStringList(180, "- ");
            file[ColYear * 20 + deu] = "2.0";
            if (col != ColYear)
                file[ColYear * 20 + sport] = "3.0";
            file[col * 20 + (col == ColYear ? sport : deu)] = mark;
            file[ColYear * 20 + math] = "4.0";
            folder.write("v.1", (file << "0").join("\r\n").toLatin1() + "\r\n");
            const ExamSheet s = LoadStudentGradeFile(folder.file("v.1"), ctx);
            const int row = col == ColYear ? sport : deu;
            const QString shown = m.kept ? (mark.isEmpty() ? QStringLiteral("- ") : mark) : QStringLiteral("- ");
            EXPECT_EQ(s.grid.at(col, row), shown);
            EXPECT_EQ(s.loadNotice.contains("außerhalb von 1,0 bis 6,0"), !m.kept) << s.loadNotice.toStdString();
            if (m.kept)
                continue;
            EXPECT_TRUE(s.loadNotice.contains(": " + mark.trimmed() + ")")) << s.loadNotice.toStdString();
            // Only the sound marks count: D 2.0, M 4.0, Sp 3.0 (the year mark
            // of the row whose exam mark was dropped).
            EXPECT_EQ(rowOf(s.grid, deu, ColExamResult, ColFinal).join('|'), " - |2.0|2.0| 2");
            EXPECT_EQ(rowOf(s.grid, sport, ColExamResult, ColFinal).join('|'),
                      col == ColYear ? " - |- | - | - " : " - |3.0|3.0| 3");
            EXPECT_EQ(s.gradeList(ctx)[deu + 1] + s.gradeList(ctx)[sport + 1],
                      col == ColYear ? QStringLiteral("2   ") : QStringLiteral("23"));
            EXPECT_EQ(s.gesamtschnittLabel(ctx), col == ColYear ? "Gesamtschnitt: 3.0" : "Gesamtschnitt: 3.0");
            ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.1"), s, ctx));
            EXPECT_TRUE(LoadStudentGradeFile(folder.file("v.1"), ctx).loadNotice.isEmpty());
        }
    }
}

TEST(GradeFile, NamesFoundIgnoringCaseAndNothingInherited)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("V.7"), filledSheet(ctx), ctx));
    ExamSheet s = LoadStudentGradeFile(folder.file("v.7"), ctx);
    EXPECT_TRUE(s.fromFile);
    s.resultIndex = 3;
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.7"), s, ctx));
    // The existing "V.7" is replaced; no second file appears.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"V.7"});
    EXPECT_EQ(LoadStudentGradeFile(folder.file("V.7"), ctx).resultIndex, 3);
    // A student without a file starts from the presets, never from the one before.
    s = LoadStudentGradeFile(folder.file("v.2"), ctx);
    EXPECT_FALSE(s.fromFile);
    EXPECT_EQ(s.resultIndex, 5);
    EXPECT_EQ(s.resultLabel, "");
    EXPECT_TRUE(s.notes.isEmpty());
    EXPECT_EQ(s.grid, PresetExamSheet(ctx).grid);
    for (const auto& [dir, nr, path] : {std::tuple{"/schule/9a-23242/", "5", "/schule/9a-23242/v.5"},
                                        {"/schule/9a-23242", " 12", "/schule/9a-23242/v.12"},
                                        {"9a-23242\\", "3", "9a-23242/v.3"}})
        EXPECT_EQ(GradeFilePathFor(dir, nr), path) << dir;
}

TEST(GradeFile, NotesAndLineEndsKeepTheLayout)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    ExamSheet s = PresetExamSheet(ctx);
    for (int i = 1; i <= 50; ++i)
        s.notes << QStringLiteral("Zeile %1").arg(i);
    s.notes[2] = "zwei\r\nZeilen";
    s.grid.at(ColYear, 2) = "2.0\n";
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.8"), s, ctx));
    const QList<QByteArray> lines = folder.read("v.8").split('\n');
    ASSERT_EQ(lines.size(), 227);
    EXPECT_EQ(lines[225], "Zeile 45\r");
    EXPECT_EQ(lines[183], "zwei  Zeilen\r");
    const ExamSheet back = LoadStudentGradeFile(folder.file("v.8"), ctx);
    EXPECT_EQ(back.notes.size(), 45);
    EXPECT_EQ(back.notes.first(), "Zeile 1");
    EXPECT_EQ(back.grid.at(ColFinal, 2), " 2");
    // notesText leaves out the empty tail the file pads with.
    ExamSheet t = PresetExamSheet(ctx);
    t.setNotesText("eins\r\nzwei\rdrei\n");
    EXPECT_EQ(t.notes, (QStringList{"eins", "zwei", "drei", ""}));
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.9"), t, ctx));
    EXPECT_EQ(LoadStudentGradeFile(folder.file("v.9"), ctx).notesText(), "eins\nzwei\ndrei");
}


TEST(MarkCells, TypedTextsBecomeMarks)
{
    const GradeContext ctx = level9("9a-23241.dbf");
    struct Case {
        const char* typed;
        int column;
        const char* cell;
    };
    const Case cases[] = {
        {"37", 1, "3.7"},   {"2,5", 1, "2.5"},   {"3", 1, "3.0"},   {"7", 1, "-"},
        {"3-", 5, "3.0-"},  {"2*", 1, "2.0*"},   {"2.35", 1, "-"},  {"45", 1, "4.5"},
        {"60", 1, "6.0"},   {"65", 1, "-"},      {"70", 1, "-"},    {"p", 1, "P"},
        {"P", 2, "P"},      {"P ", 3, "P"},      {"3.", 5, "3.0"},  {"3.0-", 5, "3.0-"},
        {"2.0*", 2, "2.0*"}, {"2.5*", 3, "2.5*"}, {"", 1, "-"},     {"   ", 5, "-"},
        {"-", 1, "-"},      {"- ", 2, "-"},      {"0", 1, "-"},     {"0.5", 5, "-"},
        {"6.1", 1, "-"},    {"1.0", 1, "1.0"},   {"1", 3, "1.0"},   {"6", 5, "6.0"},
        {"99999999", 1, "-"}, {"1e30", 1, "-"},  {"abc", 1, "-"},   {"3,", 5, "3.0"},
        {"1,0", 1, "1.0"},  {"5.9", 2, "5.9"},   {"2.0 ", 1, "2.0 "}, {"4-", 5, "4.0-"},
        // A minus is a year-mark tendency only; elsewhere "4-" is a 4.
        {"4-", 1, "4.0"},   {"2.0-", 1, "-"},    {"35-", 5, "3.5"},
        // A mark typed behind a pending "P" is that mark.
        {"P2", 1, "2.0"},   {"P 2,5", 2, "2.5"}, {"p3.7", 3, "3.7"}, {"P7", 1, "-"},
        // A typed comma is a decimal point everywhere: "2,5*" is the starred 2.5.
        {"2,5*", 1, "2.5*"}, {"2,5*", 2, "2.5*"}, {"2,5*", 3, "2.5*"}, {"6,0*", 1, "6.0*"},
        {"2,0*", 3, "2.0*"}, {"2,35*", 2, "2.35*"}, {"2,5-", 5, "2.5-"}, {"-5", 5, "-"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NormaliseMarkCell(QString::fromUtf8(c.typed), c.column, ctx), QString::fromUtf8(c.cell))
            << "'" << c.typed << "' in column " << c.column;
        // Whatever comes out of the rules goes through them again unchanged.
        for (int column : {1, 2, 3, 5}) {
            const QString once = NormaliseMarkCell(QString::fromUtf8(c.typed), column, ctx);
            EXPECT_EQ(NormaliseMarkCell(once, column, ctx), once) << "'" << c.typed << "' in column " << column;
        }
    }
    // The second half-year keeps its dashes.
    EXPECT_EQ(NormaliseMarkCell("-", 5, level9()), "-");
}

TEST(WeightCells, WholeNumbersZeroToNine)
{
    for (const auto& [typed, code, cell] :
         {std::tuple{"0", "D", "0"}, {"0 ", "D", "0 "}, {"1", "D", "1"}, {"7", "D", "7"}, {"9", "D", "9"},
          {"12", "D", "9"}, {"2.5", "D", "2"}, {"-", "D", "1 "}, {"-3", "D", "1 "}, {"", "D", "0 "},
          {"abc", "D", "0 "}, {"3", "Prof", "0"}, {"0", "Prof", "0"}, {"1 ", "D", "1 "}})
        EXPECT_EQ(CommitWeightCell(typed, code), cell) << typed << " " << code;
    // The grid's display rule alone leaves other numbers as they are.
    EXPECT_EQ(NormaliseWeightCell("12", "D") + NormaliseWeightCell("1", "Prof"), "120");
}

TEST(CommitCell, NormalisesAndRecomputesTheRow)
{
    const GradeContext ctx = level9("9a-23241.dbf");
    ExamSheet s = PresetExamSheet(ctx);
    for (const auto& [c, text] : {std::pair{ColWritten, "2"}, {ColComm, "3,0"}, {ColYear, "27"}})
        EXPECT_TRUE(CommitExamCell(s.grid, c, 3, text, ctx));
    EXPECT_EQ(s.grid.at(ColExamResult, 3) + s.grid.at(ColAverage, 3) + s.grid.at(ColFinal, 3), "2.42.5 3");
    // The weight column keeps its whole numbers; the profile subject weighs 0.
    for (const auto& [row, typed, cell] : {std::tuple{3, "0", "0"}, {3, "7", "7"}, {19, "2", "0"}}) {
        EXPECT_TRUE(CommitExamCell(s.grid, ColWeight, row, typed, ctx));
        EXPECT_EQ(s.grid.at(ColWeight, row), cell) << typed;
    }
    // In the communication cell the star of a comma mark decides the grade list.
    CommitExamCell(s.grid, ColComm, 6, "2,5*", ctx);
    CommitExamCell(s.grid, ColYear, 6, "2", ctx);
    EXPECT_EQ(s.gradeList(ctx)[7], "2");
    // Computed cells, codes, headings and rows outside are not editable.
    const ExamGrid before = s.grid;
    for (const CellPos& p : {CellPos{0, 3}, {4, 3}, {6, 3}, {7, 3}, {1, 0}, {1, 20}, {9, 3}})
        EXPECT_FALSE(CommitExamCell(s.grid, p.column, p.row, "1", ctx)) << p.column << "," << p.row;
    EXPECT_EQ(s.grid, before);
}

TEST(EditRules, ClicksDoubleClicksAndKeys)
{
    const GradeContext ctx = level9("9a-23241.dbf");
    ExamSheet s = PresetExamSheet(ctx);
    ExamGrid& g = s.grid;
    // Clicks on codes and computed cells land on an editable one.
    for (const auto& [from, to] : {std::pair{CellPos{0, 4}, CellPos{1, 4}}, {{4, 4}, {5, 4}}, {{6, 4}, {5, 4}},
                                   {{7, 4}, {5, 4}}, {{3, 4}, {3, 4}}})
        EXPECT_EQ(ClickExamCell(g, from, ctx), to) << from.column;
    // No oral exam in E, F, AES and Te.
    for (int row : {6, 17, 18, 14}) {
        g.at(ColOral, row) = "2.0";
        EXPECT_EQ(ClickExamCell(g, {3, row}, ctx), (CellPos{2, row})) << row;
        EXPECT_EQ(g.at(ColOral, row), "-");
    }
    // The project row holds only its project mark.
    g.at(ColComm, 16) = "3.0";
    EXPECT_EQ(ClickExamCell(g, {2, 16}, ctx), (CellPos{1, 16}));
    EXPECT_EQ(g.at(ColComm, 16), "-");
    // Double clicks mark and unmark pending exams, never a mark.
    g.at(ColOral, 4) = "2.0";
    for (const auto& [pos, cell] : {std::pair{CellPos{1, 3}, "- "}, {{1, 3}, "P"}, {{3, 4}, "2.0"}, {{5, 4}, "- "}}) {
        DoubleClickExamCell(g, pos, ctx);
        EXPECT_EQ(g.at(pos.column, pos.row), cell) << pos.column << "," << pos.row;
    }
    EXPECT_EQ(g.at(ColFinal, 3), "??");
    // Keys; Right over Schnitt lands on 7 and so on 5.
    using K = ExamGridKey;
    for (const auto& [from, key, to] : {std::tuple{CellPos{1, 3}, K::Return, CellPos{1, 4}}, {{1, 19}, K::Return, {1, 19}},
                                        {{1, 3}, K::Right, {2, 3}}, {{1, 3}, K::Left, {1, 3}}, {{3, 3}, K::Right, {4, 3}},
                                        {{5, 3}, K::Right, {5, 3}}, {{8, 3}, K::Left, {6, 3}}, {{8, 3}, K::Right, {8, 3}}})
        EXPECT_EQ(ExamGridKeyMove(g, from, key).pos, to) << from.column << "," << from.row << " key " << int(key);
}

TEST(GradeSlots, PositionalCopyIntoTheClassTable)
{
    QStringList names;
    for (int row = -1; row <= 21; ++row)
        names << GradeSlotFieldName(row);
    EXPECT_EQ(names.join(' '), " RELIGION ZUSATZ4 DEU SACHKUNDE MATH ZUSATZ1 WERKEN MUSIK ZUSATZ2 ZUSATZ3 F11 F12 F13 "
                               "F14 F15 F16 F17 F18 F19 F20 F21 ");
    const GradeContext ctx = level9("9a-23241.dbf");
    ExamSheet s = PresetExamSheet(ctx);
    for (const auto& [c, r, text] : {std::tuple{ColWritten, 3, "2"}, {ColYear, 3, "3"}, {ColYear, 6, "3-"},
                                     {ColComm, 6, "2"}, {ColYear, 8, "4"}})
        CommitExamCell(s.grid, c, r, text, ctx);
    GradeList list = s.gradeList(ctx);
    list[0] = "2";
    list[1] = "1";
    test::MapRecord rec;
    ASSERT_TRUE(CopyGradeListToRecord(list, "9a-23242.dbf", rec));
    // Classes 3 to 9, X, Y, F and G keep the slots; every other name none.
    for (const auto& [cls, keeps] : {std::pair{"xa-23242.dbf", true}, {"Ya", true}, {"fa", true}, {"G1", true}, {"3a", true},
                                     {"8b", true}, {"1a-23242.dbf", false}, {"2b", false}, {"Ha", false}, {"", false}, {"ab", false}}) {
        test::MapRecord some;
        EXPECT_EQ(CopyGradeListToRecord(list, cls, some), keeps) << cls;
        EXPECT_EQ(some.fields.size(), keeps ? 21 : 0) << cls;
        EXPECT_EQ(GradeListFromRecord(rec, cls), keeps ? list : GradeList{}) << cls;
    }
    // Grade-list row r + 1 holds exam row r: D 2.0 and 3.0 -> 2.5 -> 3, E in
    // class 9 with a minus year mark, M still pending.
    for (const auto& [field, grade] : {std::pair{"RELIGION", "2"}, {"ZUSATZ4", "1"}, {"SACHKUNDE", "   "}, {"MATH", "3*"},
                                       {"MUSIK", "-"}, {"ZUSATZ2", "??"}, {"ZUSATZ3", "4"}, {"F11", "   "}})
        EXPECT_EQ(rec.fields[field], grade) << field;
}

// The message of a whole class: one student in sentences, several in lines
// under one heading, each named once by number and name, a sound sheet never.
TEST(FlawedGradeFileMessage, NamesEachFlawedStudentOnce)
{
    const auto sheet = [](bool cut, bool overlong, QStringList outOfRange) {
        ExamSheet s;
        s.flaws = GradeFileFlaws{cut ? 120 : overlong ? 230 : 226, cut, overlong, outOfRange};
        return s;
    };
    const QString closing = QStringLiteral("Bitte prüfen.");
    const struct {
        const char* what;
        QList<ExamSheet> sheets;   // students 1, 2, ... in turn
        const char* message;
    } cases[] = {
        {"sound", {sheet(false, false, {})}, ""},
        {"cut", {sheet(true, false, {})},
         "Die Notendatei von Nr. 1 Meier, Anna war unvollständig und wurde so weit gelesen, wie sie reicht. "
         "Bitte prüfen."},
        {"out of range", {sheet(false, false, {"D schr(3): 65"})},
         "Die Notendatei von Nr. 1 Meier, Anna enthielt Noten außerhalb von 1,0 bis 6,0 (D schr(3): 65); sie zählen "
         "nicht und stehen als \"- \" da. Bitte prüfen."},
        {"overlong and out of range", {sheet(false, true, {"D schr(3): 65", "M mü(1): 99"})},
         "Die Notendatei von Nr. 1 Meier, Anna war länger als vorgesehen; was nach der 45. Notizzeile stand, wurde "
         "nicht übernommen, und sie enthielt Noten außerhalb von 1,0 bis 6,0 (D schr(3): 65; M mü(1): 99); sie "
         "zählen nicht und stehen als \"- \" da. Bitte prüfen."},
        {"several", {sheet(true, false, {}), sheet(false, false, {}), sheet(true, false, {"E Jahresl.: 7"})},
         "Die Notendateien dieser Schüler waren nicht in Ordnung und wurden so weit gelesen, wie sie reichen:\n\r"
         "Nr. 1 Meier, Anna: unvollständig (120 von 226 Zeilen)\n\r"
         "Nr. 3 Meier, Anna: unvollständig (120 von 226 Zeilen); Noten außerhalb von 1,0 bis 6,0, die nicht zählen "
         "(E Jahresl.: 7)\n\r\n\rBitte prüfen."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FlawedGradeFiles flawed;
        for (int i = 0; i < c.sheets.size(); ++i)
            for (int twice = 0; twice < 2; ++twice)
                flawed.note(QString::number(i + 1), QStringLiteral("Meier  "), QStringLiteral("Anna"), c.sheets[i]);
        EXPECT_EQ(flawed.message(closing).toStdString(), QString::fromUtf8(c.message).toStdString());
        EXPECT_EQ(flawed.isEmpty(), QByteArray(c.message).isEmpty());
    }
}
