#include "grades/examsheet.h"

#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "grades/cellrules.h"
#include "grades/gradecontext.h"
#include "grades/gradeslots.h"
#include "support/textbytes.h"
#include "support/tempfolder.h"

#include <QFile>
#include <QMap>
#include "support/maprecord.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

using namespace hsa;

namespace {

// The built-in subject list of level 9: rows 1 to 16 with their short codes,
// written exams in rows 3 (D) and 7 (M).
GradeContext level9(const QString& classFile = QStringLiteral("9a-23242.dbf"))
{
    GradeContext ctx;
    ctx.classFileName = classFile;
    const char* codes[] = {"", "R", "Eth", "D", "Ek", "G/Gk", "E", "M", "Ph", "Bio/Ch",
                           "Sp", "Mu", "BK", "WBS", "Te", "HTW", "Proj", "", "", ""};
    for (int r = 0; r < 20; ++r)
        ctx.shortCodes[r] = QString::fromUtf8(codes[r]);
    ctx.writtenExamRows = {3, 7, 7, 7};
    return ctx;
}

QList<QByteArray> linesOf(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The 180 cell lines of a grade file, every cell `fill`.
QStringList cellLines(const char* fill)
{
    QStringList lines;
    for (int i = 0; i < 180; ++i)
        lines << QString::fromUtf8(fill);
    return lines;
}

// A sheet with marks, results and notes as a secretary leaves it.
ExamSheet filledSheet(const GradeContext& ctx)
{
    ExamSheet sheet = PresetExamSheet(ctx);
    CommitExamCell(sheet.grid, ColWritten, 3, "25", ctx);
    CommitExamCell(sheet.grid, ColOral, 3, "3", ctx);
    CommitExamCell(sheet.grid, ColYear, 3, "2,7", ctx);
    CommitExamCell(sheet.grid, ColComm, 6, "2", ctx);
    CommitExamCell(sheet.grid, ColYear, 6, "3-", ctx);
    CommitExamCell(sheet.grid, ColYear, 1, "1.5", ctx);
    CommitExamCell(sheet.grid, ColWeight, 1, "2", ctx);
    sheet.resultIndex = 0;
    sheet.setNotesText(QStringLiteral("Gespräch mit den Eltern am 3.5.\nÄrztliches Attest liegt vor.\n\nEnde"));
    return sheet;
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
        cells[0][r] = level9().shortCodes[r];
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

using FakeRecord = test::MapRecord;


// Subject codes of a class-10 level: rows 1 to 19.
const char* const kCodes[20] = {"",  "R",   "Eth", "D",    "Ek",  "G/Gk", "E", "M",   "Ph",  "Bio/Ch",
                                "Sp", "Mu", "BK",  "Präs", "Te",  "MSG",  "Proj", "F", "Inf", "Prof"};

GradeContext ctxFor(const char* classFile = "xa-23242.dbf", bool evening = false)
{
    GradeContext ctx;
    ctx.classFileName = QString::fromUtf8(classFile);
    ctx.eveningSchoolMode = evening;
    for (int r = 0; r < 20; ++r)
        ctx.shortCodes[r] = QString::fromUtf8(kCodes[r]);
    return ctx;
}

} // namespace

TEST(Presets, StudentWithoutGradeFile)
{
    const GradeContext ctx = level9();
    const ExamSheet s = PresetExamSheet(ctx);
    EXPECT_FALSE(s.saveBlocked);
    for (int r = 1; r <= 19; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(s.grid.at(ColCode, r), ctx.shortCodes[r]);
        const bool writtenExam = r == 3 || r == 7;
        const bool english = r == 6;
        EXPECT_EQ(s.grid.at(ColWritten, r), writtenExam ? "P" : "- ");
        EXPECT_EQ(s.grid.at(ColComm, r), english ? "P" : "- ");
        EXPECT_EQ(s.grid.at(ColOral, r), "- ");
        EXPECT_EQ(s.grid.at(ColYear, r), "- ");
        const bool pending = writtenExam || english;
        EXPECT_EQ(s.grid.at(ColExamResult, r), pending ? "??" : " - ");
        EXPECT_EQ(s.grid.at(ColAverage, r), pending ? "??" : " - ");
        EXPECT_EQ(s.grid.at(ColFinal, r), pending ? "??" : " - ");
        EXPECT_EQ(s.grid.at(ColWeight, r), "1");
    }
    const char* headings[] = {"- ", "schr(3)", "KP/pr(2)", "mü(1)", "Pr-Leist.", "Jahresl.", "Schnitt", "Endnote", "F-Gew."};
    for (int c = 0; c < 9; ++c)
        EXPECT_EQ(s.grid.at(c, 0), QString::fromUtf8(headings[c])) << c;
}

TEST(Presets, ByClassNameSubjectsAndExamRows)
{
    // Informatics and the profile subject weigh 0.
    GradeContext ctx = level9();
    ctx.shortCodes[17] = "Inf";
    ctx.shortCodes[18] = "Prof";
    ExamSheet s = PresetExamSheet(ctx);
    EXPECT_EQ(s.grid.at(ColWeight, 17), "0");
    EXPECT_EQ(s.grid.at(ColWeight, 18), "0");
    EXPECT_EQ(s.grid.at(ColWeight, 16), "1");

    // Before school year 08 English has no communication exam.
    s = PresetExamSheet(level9("9a-07082.dbf"));
    EXPECT_EQ(s.grid.at(ColComm, 6), "- ");
    s = PresetExamSheet(level9("9a-08092.dbf"));
    EXPECT_EQ(s.grid.at(ColComm, 6), "P");

    // The fourth written exam only outside "X" classes.
    for (const char* name : {"xa-23242.dbf", "Xb-23242.dbf", "9a-23242.dbf", "ya-23242.dbf"}) {
        GradeContext c = level9(name);
        c.writtenExamRows = {3, 7, 14, 6};
        s = PresetExamSheet(c);
        const bool xClass = name[0] == 'x' || name[0] == 'X';
        EXPECT_EQ(s.grid.at(ColWritten, 3), "P") << name;
        EXPECT_EQ(s.grid.at(ColWritten, 7), "P") << name;
        EXPECT_EQ(s.grid.at(ColWritten, 14), "P") << name;
        EXPECT_EQ(s.grid.at(ColWritten, 6), xClass ? "- " : "P") << name;
    }

    // 0 means none; rows outside the grid are ignored.
    ctx = level9();
    ctx.writtenExamRows = {0, 25, -1, 0};
    s = PresetExamSheet(ctx);
    for (int r = 1; r <= 19; ++r)
        EXPECT_EQ(s.grid.at(ColWritten, r), "- ") << r;

    // Evening school headings.
    ctx.eveningSchoolMode = true;
    s = PresetExamSheet(ctx);
    EXPECT_EQ(s.grid.at(ColWritten, 0), "schr(1)");
    EXPECT_EQ(s.grid.at(ColComm, 0), "KP/pr(1)");

    // The profile subject of field AG7.
    EXPECT_EQ(PresetExamSheet(ctx, "3").profileIndex, 3);
    EXPECT_EQ(PresetExamSheet(ctx, "6").profileIndex, 5);
    EXPECT_EQ(PresetExamSheet(ctx, "7").profileIndex, -1);
    EXPECT_EQ(PresetExamSheet(ctx, "-1").profileIndex, -1);
    EXPECT_EQ(PresetExamSheet(ctx, "").profileIndex, -1);
}

TEST(GradeFile, LayoutLinesAndEncoding)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    const ExamSheet sheet = filledSheet(ctx);
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.5"), sheet, ctx));
    const QByteArray bytes = folder.read("v.5");
    const QList<QByteArray> lines = linesOf(bytes);
    ASSERT_EQ(lines.size(), 226);
    for (const QByteArray& l : lines)
        EXPECT_TRUE(l.endsWith('\r'));
    EXPECT_EQ(bytes.count("\r\n"), 226);
    // Cell (c, r) on line c * 20 + r + 1.
    auto line = [&](int n) { return lines[n - 1].chopped(1); };
    EXPECT_EQ(line(1 * 20 + 3 + 1), "2.5");          // written D
    EXPECT_EQ(line(3 * 20 + 3 + 1), "3.0");          // oral D
    EXPECT_EQ(line(5 * 20 + 6 + 1), "3.0-");         // year mark E
    EXPECT_EQ(line(2 * 20 + 6 + 1), "2.0");          // communication E
    EXPECT_EQ(line(0 * 20 + 6 + 1), "E");
    EXPECT_EQ(line(3 * 20 + 0 + 1), QByteArray("m\xFC(1)")); // Windows-1252
    EXPECT_EQ(line(1 * 20 + 5 + 1), "- ");           // trailing blank kept
    EXPECT_EQ(line(8 * 20 + 1 + 1), "2");
    EXPECT_EQ(line(8 * 20 + 0 + 1), "F-Gew.");
    EXPECT_EQ(line(181), "0");
    EXPECT_EQ(line(182), QByteArray("Gespr\xE4" "ch mit den Eltern am 3.5."));
    EXPECT_EQ(line(183), QByteArray("\xC4rztliches Attest liegt vor."));
    EXPECT_EQ(line(184), "");
    EXPECT_EQ(line(185), "Ende");
    EXPECT_EQ(line(226), "");
    // Written (3 * 2.5 + 3.0) / 4 = 2.625 -> 2.6; Schnitt (2.6 + 2.7) / 2 = 2.65 -> 2.6 -> 3.
    EXPECT_EQ(line(4 * 20 + 3 + 1), "2.6");
    EXPECT_EQ(line(6 * 20 + 3 + 1), "2.6");
    EXPECT_EQ(line(7 * 20 + 3 + 1), " 3");
}

TEST(GradeFile, RoundTripByteForByte)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.5"), filledSheet(ctx), ctx));
    const QByteArray first = folder.read("v.5");

    const ExamSheet loaded = LoadStudentGradeFile(folder.file("v.5"), ctx);
    EXPECT_TRUE(loaded.fromFile);
    EXPECT_EQ(loaded.resultIndex, 0);
    EXPECT_EQ(loaded.resultLabel, "Hauptschulabschluss bestanden");
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.5"), loaded, ctx));
    const QByteArray second = folder.read("v.5");
    // Only the heading of the weight column tells a loaded sheet.
    const QList<QByteArray> a = linesOf(first);
    const QList<QByteArray> b = linesOf(second);
    ASSERT_EQ(a.size(), b.size());
    for (int i = 0; i < a.size(); ++i) {
        if (i == 160)
            EXPECT_EQ(b[i], "F.Gew.\r");
        else
            EXPECT_EQ(a[i], b[i]) << "line " << i + 1;
    }
    // From then on load and save change nothing at all.
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.5"), LoadStudentGradeFile(folder.file("v.5"), ctx), ctx));
    EXPECT_EQ(folder.read("v.5"), second);
    EXPECT_EQ(LoadStudentGradeFile(folder.file("v.5"), ctx).grid, loaded.grid);
}

TEST(GradeFile, ModeHeadingsFollowTheSchool)
{
    test::TempProgramFolder folder;
    GradeContext evening = level9();
    evening.eveningSchoolMode = true;
    const GradeContext day = level9();
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.1"), filledSheet(day), evening));
    const QList<QByteArray> lines = linesOf(folder.read("v.1"));
    EXPECT_EQ(lines[20], "schr(1)\r");
    EXPECT_EQ(lines[40], "KP/pr(1)\r");
    const ExamSheet back = LoadStudentGradeFile(folder.file("v.1"), day);
    EXPECT_EQ(back.grid.at(ColWritten, 0), "schr(3)");
    EXPECT_EQ(back.grid.at(ColComm, 0), "KP/pr(2)");
    EXPECT_EQ(back.grid.at(ColWeight, 0), "F.Gew.");
}

TEST(GradeFile, ShortFilesIndexLinesAndOldSubjectLists)
{
    const GradeContext ctx = level9();
    // Ten lines: the rest reads empty and becomes "- "; no index line means 5.
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines << QStringLiteral("Alt%1").arg(i);
    ExamSheet s = ExamSheetFromLines(lines, ctx);
    EXPECT_EQ(s.resultIndex, 5);
    EXPECT_EQ(s.resultLabel, "---");
    EXPECT_EQ(s.grid.at(ColCode, 3), "D"); // current codes, not the file's
    EXPECT_EQ(s.grid.at(ColWritten, 3), "- ");
    EXPECT_EQ(s.grid.at(ColFinal, 3), " - ");
    EXPECT_TRUE(s.notes.isEmpty());

    struct Case {
        const char* line;
        int index;
    };
    for (const Case& c : {Case{"-1", 5}, Case{"0", 0}, Case{"2", 2}, Case{" 3 ", 3}, Case{"5", 5},
                          Case{"6", 5}, Case{"8", 5}, Case{"-2", 5}, Case{"x", 5}, Case{"", 5}}) {
        QStringList file = cellLines("- ");
        file << QString::fromLatin1(c.line);
        s = ExamSheetFromLines(file, ctx);
        EXPECT_EQ(s.resultIndex, c.index) << c.line;
        EXPECT_EQ(s.resultLabel, ExamResultCaption(c.index));
    }

    // A file written under an older subject list: column 0 shows the current
    // codes, the marks stay in their rows and are computed with the new codes.
    QStringList file = cellLines("- ");
    file[0 * 20 + 4] = "Präs"; // the old row 4
    file[0 * 20 + 3] = "Alt";
    file[1 * 20 + 4] = "2.0";
    file[3 * 20 + 4] = "1.0";
    file[5 * 20 + 4] = "4.0";
    file << "1";
    s = ExamSheetFromLines(file, ctx);
    EXPECT_EQ(s.grid.at(ColCode, 4), "Ek");
    EXPECT_EQ(s.grid.at(ColCode, 3), "D");
    EXPECT_EQ(s.grid.at(ColExamResult, 4), "1.7"); // (6 + 1) / 4 = 1.75
    GradeContext withPresentation = ctx;
    withPresentation.shortCodes[4] = "Präs";
    s = ExamSheetFromLines(file, withPresentation);
    EXPECT_EQ(s.grid.at(ColExamResult, 4), "-");
    EXPECT_EQ(s.grid.at(ColAverage, 4), "2.2"); // (6 + 1 + 4) / 5
    EXPECT_EQ(s.grid.at(ColFinal, 4), " 2");
}

TEST(GradeFile, LoadRecomputesEveryRow)
{
    const GradeContext ctx = level9();
    QStringList file = cellLines("- ");
    // Stale computed cells as an older version or another program left them.
    file[1 * 20 + 3] = "2.0";
    file[2 * 20 + 3] = "3.0";
    file[5 * 20 + 3] = "2.7";
    file[4 * 20 + 3] = "1.0";
    file[6 * 20 + 3] = "1.0";
    file[7 * 20 + 3] = " 1";
    file[7 * 20 + 8] = " 5"; // an Endnote without any mark
    file << "0";
    const ExamSheet s = ExamSheetFromLines(file, ctx);
    EXPECT_EQ(s.grid.at(ColExamResult, 3), "2.4");
    EXPECT_EQ(s.grid.at(ColAverage, 3), "2.5");
    EXPECT_EQ(s.grid.at(ColFinal, 3), " 3");
    EXPECT_EQ(s.grid.at(ColFinal, 8), " - ");
    EXPECT_EQ(s.gradeList(ctx)[4], "3*");
    EXPECT_EQ(s.gesamtschnittLabel(ctx), "Gesamtschnitt: 3.0");
}

TEST(GradeFile, WeightRuleAppliedToLoadedData)
{
    GradeContext ctx = level9();
    ctx.shortCodes[18] = "Prof";
    QStringList file = cellLines("1");
    for (int r = 1; r < 20; ++r)
        file[5 * 20 + r] = "3.0";
    file[8 * 20 + 1] = "-";
    file[8 * 20 + 2] = "0 ";
    file[8 * 20 + 3] = "5";
    file[8 * 20 + 4] = "abc";
    file[8 * 20 + 18] = "1"; // the profile subject never counts
    file << "0";
    const ExamSheet s = ExamSheetFromLines(file, ctx);
    EXPECT_EQ(s.grid.at(ColWeight, 1), "1 ");
    EXPECT_EQ(s.grid.at(ColWeight, 2), "0 ");
    EXPECT_EQ(s.grid.at(ColWeight, 3), "5");
    EXPECT_EQ(s.grid.at(ColWeight, 4), "0 ");
    EXPECT_EQ(s.grid.at(ColWeight, 18), "0");
    EXPECT_EQ(s.grid.at(ColWeight, 5), "1");
}

TEST(GradeFile, NothingInheritedFromThePreviousStudent)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.1"), filledSheet(ctx), ctx));
    ExamSheet s = LoadStudentGradeFile(folder.file("v.1"), ctx);
    EXPECT_EQ(s.resultIndex, 0);
    EXPECT_FALSE(s.notes.isEmpty());
    s = LoadStudentGradeFile(folder.file("v.2"), ctx);
    EXPECT_FALSE(s.fromFile);
    EXPECT_EQ(s.resultIndex, 5);
    EXPECT_EQ(s.resultLabel, "");
    EXPECT_TRUE(s.notes.isEmpty());
    EXPECT_EQ(s.gesamtschnittLabel(ctx), "");
    EXPECT_EQ(s.grid, PresetExamSheet(ctx).grid);
}

TEST(GradeFile, DamagedOrUnreadableFilesAreNeverOverwritten)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.3"), filledSheet(ctx), ctx));
    QByteArray damaged = folder.read("v.3");
    damaged.replace(100, 40, QByteArray(40, '\0'));
    folder.write("v.3", damaged);

    ExamSheet s = LoadStudentGradeFile(folder.file("v.3"), ctx);
    EXPECT_TRUE(s.saveBlocked);
    EXPECT_TRUE(s.loadError.contains("beschädigt"));
    EXPECT_TRUE(s.loadError.contains("v.3"));
    EXPECT_EQ(s.grid, PresetExamSheet(ctx).grid);
    CommitExamCell(s.grid, ColYear, 1, "2", ctx);
    EXPECT_FALSE(SaveStudentGradeFile(folder.file("v.3"), s, ctx));
    EXPECT_EQ(folder.read("v.3"), damaged);

    if (::geteuid() != 0) {
        ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.4"), filledSheet(ctx), ctx));
        const QByteArray good = folder.read("v.4");
        QFile::setPermissions(folder.file("v.4"), QFileDevice::Permissions());
        s = LoadStudentGradeFile(folder.file("v.4"), ctx);
        EXPECT_TRUE(s.saveBlocked);
        EXPECT_FALSE(s.loadError.isEmpty());
        EXPECT_FALSE(SaveStudentGradeFile(folder.file("v.4"), s, ctx));
        QFile::setPermissions(folder.file("v.4"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        EXPECT_EQ(folder.read("v.4"), good);
    }
}

TEST(GradeFile, NamesFoundIgnoringCase)
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

    EXPECT_EQ(GradeFilePathFor("/schule/9a-23242/", "5"), "/schule/9a-23242/v.5");
    EXPECT_EQ(GradeFilePathFor("/schule/9a-23242", " 12"), "/schule/9a-23242/v.12");
    EXPECT_EQ(GradeFilePathFor("9a-23242\\", "3"), "9a-23242/v.3");
}

TEST(GradeFile, NotesAndLineEndsKeepTheLayout)
{
    test::TempProgramFolder folder;
    const GradeContext ctx = level9();
    ExamSheet s = PresetExamSheet(ctx);
    QStringList many;
    for (int i = 1; i <= 50; ++i)
        many << QStringLiteral("Zeile %1").arg(i);
    s.notes = many;
    s.notes[2] = "zwei\r\nZeilen";
    s.grid.at(ColYear, 2) = "2.0\n";
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.8"), s, ctx));
    const QList<QByteArray> lines = linesOf(folder.read("v.8"));
    ASSERT_EQ(lines.size(), 226);
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
    EXPECT_EQ(t.notesText(), "eins\nzwei\ndrei");
    ASSERT_TRUE(SaveStudentGradeFile(folder.file("v.9"), t, ctx));
    EXPECT_EQ(LoadStudentGradeFile(folder.file("v.9"), ctx).notesText(), "eins\nzwei\ndrei");
}

TEST(GradeContextFill, FromTheSharedState)
{
    resetState();
    SharedState& st = state();
    st.openClassFile = "xa-23242.dbf";
    st.eveningSchoolMode = true;
    st.subjectData.subjectNames = {};
    st.subjectData.subjectNames[4] = "Deutsch";
    st.subjectData.subjectNames[7] = "Englisch";
    st.subjectData.subjectNames[8] = "Mathematik";
    st.subjectData.subjectNames[17] = "Projektprüfung";
    st.subjectData.subjectCodeString = "11a1";
    st.subjectData.writtenExamRows = {3, 7, 6, 0};
    st.subjectData.msgGradeIndex = 1;
    const GradeContext ctx = GradeContextFromState();
    EXPECT_EQ(ctx.classFileName, "xa-23242.dbf");
    EXPECT_TRUE(ctx.eveningSchoolMode);
    EXPECT_EQ(ctx.shortCodes[3], "D");
    EXPECT_EQ(ctx.shortCodes[6], "E");
    EXPECT_EQ(ctx.shortCodes[7], "M");
    EXPECT_EQ(ctx.shortCodes[16], "Proj");
    EXPECT_EQ(ctx.shortCodes[1], "");
    EXPECT_EQ(ctx.subjectCodeString, "11a1");
    EXPECT_EQ(ctx.writtenExamRows, (std::array<int, 4>{3, 7, 6, 0}));
    EXPECT_FALSE(ctx.msgGradeCounts);
    EXPECT_EQ(ctx.subjectNames[8], "Mathematik");
    resetState();
}

TEST(GradeFile, HandWrittenFileReadAndWrittenUnchanged)
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

TEST(GradeFile, LineFeedOnlyFilesReadTheSame)
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
}

TEST(GradeFile, HostileFilesAreReportedAndNeverOverwritten)
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
    EXPECT_FALSE(QFileInfo(folder.file("v.1")).isFile());
}

TEST(Presets, EveryLevelStartsWithoutAResult)
{
    for (const char* name : {"Fa-23242.dbf", "ga-23242.dbf", "9a-23242.dbf", "xa-23242.dbf"}) {
        const ExamSheet s = PresetExamSheet(level9(name));
        EXPECT_EQ(s.resultIndex, 5) << name;
        EXPECT_EQ(s.gesamtschnittLabel(level9(name)), "") << name;
    }
}

TEST(Gesamtschnitt, WholeSheetTypedThroughTheCellRules)
{
    // A class-10 sheet as the grade window leaves it: preset weight cells
    // ("0" for "Inf" and "Prof"), marks typed through the cell rules.
    GradeContext ctx = ctxFor("xa-23242.dbf");
    ctx.writtenExamRows = {0, 0, 0, 0};
    ctx.msgGradeCounts = false;
    ExamSheet s = PresetExamSheet(ctx);
    struct Typed {
        int row;
        int column;
        const char* text;
    };
    const Typed typed[] = {
        {1, 5, "2"},                                  // R   2.0 -> 2
        {3, 1, "25"},  {3, 3, "3"},  {3, 5, "2,7"},   // D   (7.5 + 3) / 4 = 2.6, 2.65 -> 2.6 -> 3
        {6, 2, "2"},   {6, 5, "3-"},                  // E   2.0, 2.5 -> 3
        {7, 1, "4"},   {7, 5, "36"},                  // M   4.0, 3.8 -> 4
        {13, 1, "2"},  {13, 3, "1"}, {13, 5, "3"},    // Präs (6 + 1 + 3) / 5 = 2.0 -> 2
        {15, 5, "1"},                                 // MSG 1 (switch off, but weight cell 1)
        {16, 1, "1"},                                 // Proj 1.0 -> 1
        {18, 5, "1"},                                 // Inf 1, weight 0
        {19, 5, "1"},                                 // Prof 1, weight 0
    };
    for (const Typed& t : typed)
        ASSERT_TRUE(CommitExamCell(s.grid, t.column, t.row, QString::fromUtf8(t.text), ctx));
    EXPECT_EQ(s.grid.at(ColWeight, 18), "0");
    EXPECT_EQ(s.grid.at(ColWeight, 19), "0");
    EXPECT_EQ(s.grid.at(ColFinal, 3), " 3");
    EXPECT_EQ(s.grid.at(ColFinal, 13), " 2");
    // Counting: R 2, D 3, E 3, M 4, Präs 2, MSG 1, Proj 1 = 16 / 7 = 2.29 -> 2.2.
    EXPECT_EQ(ComputeGesamtschnitt(s.grid, 1, 19, ctx), "2.2");
    s.resultIndex = 1;
    EXPECT_EQ(s.gesamtschnittLabel(ctx), "Gesamtschnitt: 2.2");
    s.resultIndex = 3;
    EXPECT_EQ(s.gesamtschnittLabel(ctx), "");
    // The MSG weight cell set to 0: 15 / 6 = 2.5.
    ASSERT_TRUE(CommitExamCell(s.grid, ColWeight, 15, "0", ctx));
    EXPECT_EQ(ComputeGesamtschnitt(s.grid, 1, 19, ctx), "2.5");
    // Doubling German: 18 / 7 = 2.57 -> 2.5.
    ASSERT_TRUE(CommitExamCell(s.grid, ColWeight, 3, "2", ctx));
    EXPECT_EQ(ComputeGesamtschnitt(s.grid, 1, 19, ctx), "2.5");
    // A pending mark anywhere: "??".
    ASSERT_TRUE(CommitExamCell(s.grid, ColOral, 7, "p", ctx));
    EXPECT_EQ(s.grid.at(ColFinal, 7), "??");
    EXPECT_EQ(ComputeGesamtschnitt(s.grid, 1, 19, ctx), "??");

    const GradeList list = s.gradeList(ctx);
    EXPECT_EQ(list[2], "2");
    EXPECT_EQ(list[4], "3*");
    EXPECT_EQ(list[7], "3*");
    EXPECT_EQ(list[8], "??");
    EXPECT_EQ(list[14], "2");
    EXPECT_EQ(list[17], "1*");
    EXPECT_EQ(GetProjectGrade(s.grid), "1");
}
