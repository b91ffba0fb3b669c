#include "classes/dbftable.h"
#include "classes/textfile.h"
#include "grades/gradewindowrules.h"
#include "grades/phrases.h"
#include "platform/errors.h"
#include "support/tempfolder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hsa;

// ---------------------------------------------------------------------------
// Stock phrases

TEST(InsertFirstName, ReplacesTheFirstStarNotFollowedByAParenthesis)
{
    EXPECT_EQ(InsertFirstName("* war fleißig.", 1, 100, "Anna"), "Anna war fleißig.");
    EXPECT_EQ(InsertFirstName("*) Fußnote: * und *", 1, 100, "Ben"), "*) Fußnote: Ben und *");
    EXPECT_EQ(InsertFirstName("ohne Stern", 1, 100, "Ben"), "ohne Stern");
    EXPECT_EQ(InsertFirstName("*)", 1, 100, "Ben"), "*)");
    EXPECT_EQ(InsertFirstName("Ende *", 1, 100, "Ben"), "Ende Ben");
    // Start and count as in the edit: from character start, at most count.
    EXPECT_EQ(InsertFirstName("* war da", 1, 6, "Carla"), "Carla ");
    EXPECT_EQ(InsertFirstName("* war da", 3, 100, "Carla"), "rla war da");
    EXPECT_EQ(InsertFirstName("* war da", 1, 0, "Carla"), "");
}

TEST(PhraseNumber, OnlyAWholeNumberFromOneToHundred)
{
    const std::pair<const char*, int> cases[] = {{"1", 1},   {" 12 ", 12}, {"100", 100}, {"007", 7}, {"0", 0},
                                                 {"101", 0}, {"12a", 0},   {"-3", 0},    {"1 2", 0}, {"", 0}};
    for (const auto& [text, number] : cases)
        EXPECT_EQ(PhraseNumber(text).value_or(0), number) << text;
}

TEST(PhraseStore, RoundTripKeepsEveryRowAndItsUmlauts)
{
    test::TempProgramFolder folder;
    QByteArray file = "* nahm teil\r\n\r\nPr\xfc" "fung bestanden\r\n";
    folder.write("floskel3.dat", file);
    PhraseStore store;
    store.load(folder.file("floskel3.dat"));
    EXPECT_EQ(store.phrase(1), "* nahm teil");
    EXPECT_EQ(store.phrase(2), "");
    EXPECT_EQ(store.phrase(3), "Prüfung bestanden");
    EXPECT_EQ(store.phrase(4), "");
    EXPECT_EQ(store.phrase(0), "");
    EXPECT_EQ(store.phrase(101), "");
    store.setPhrase(100, "letzte\nZeile");
    ASSERT_TRUE(store.save(folder.file("floskel3.dat")));
    const QByteArray saved = folder.read("floskel3.dat");
    EXPECT_TRUE(saved.startsWith(file));
    EXPECT_EQ(saved.count("\r\n"), 100);
    EXPECT_TRUE(saved.endsWith("letzte Zeile\r\n"));
    PhraseStore again;
    again.load(folder.file("floskel3.dat"));
    EXPECT_EQ(again.phrases(), store.phrases());
}

TEST(PhraseStore, ReadsAtMostHundredLinesAndFindsTheFileIgnoringCase)
{
    test::TempProgramFolder folder;
    QStringList lines;
    for (int i = 1; i <= 120; ++i)
        lines << QStringLiteral("Floskel %1").arg(i);
    WriteTextLines(folder.file("FLOSKEL3.DAT"), lines);
    PhraseStore store;
    store.load(folder.file("floskel3.dat"));
    EXPECT_EQ(store.phrase(100), "Floskel 100");
    ASSERT_TRUE(store.save(folder.file("floskel3.dat")));
    EXPECT_FALSE(folder.exists("floskel3.dat")); // written to the file found
    EXPECT_EQ(ReadTextLines(folder.file("FLOSKEL3.DAT")).size(), 100);
}

TEST(PhraseStore, AMissingFileGivesEmptyRows)
{
    test::TempProgramFolder folder;
    PhraseStore store;
    store.load(folder.file("floskel3.dat"));
    EXPECT_FALSE(store.loadFailed());
    EXPECT_EQ(store.phrase(1), "");
    EXPECT_FALSE(ExpandPhraseNumber("1", store, 40, "Anna"));
}

TEST(PhraseStore, AFileThatCannotBeReadIsNeverOverwritten)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the superuser";
    test::TempProgramFolder folder;
    folder.write("floskel3.dat", "geheim\r\n");
    QFile::setPermissions(folder.file("floskel3.dat"), QFileDevice::WriteOwner);
    PhraseStore store;
    EXPECT_THROW(store.load(folder.file("floskel3.dat")), FileError);
    EXPECT_TRUE(store.loadFailed());
    EXPECT_FALSE(store.save(folder.file("floskel3.dat")));
    QFile::setPermissions(folder.file("floskel3.dat"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(folder.read("floskel3.dat"), "geheim\r\n");
}

// ---------------------------------------------------------------------------
// Layout by class type

TEST(GradeWindowLayout, ByClassTypeHalfYearAndSchoolType)
{
    const struct {
        const char* file;
        const char* school;
        int hint0;
        bool typeHint, attachments, personal, fixedRows, schoolGrades, profile;
        const char* page2;
        const char* hintFile; // and whether hints 2 and 3 and the second remark label are shown
        bool hints23, remark2;
    } cases[] = {
        {"xa_25262.dbf", "der Werkrealschule", 42, true, false, true, false, false, false, "Individuelle Berufsschulfächer", "memo2x.dat", true, true},
        {"Gb_25262.dbf", "der Werkrealschule", 42, true, false, true, false, false, false, "Individualfächer für BfK und BpK", "memo2g.dat", true, true},
        {"9a_25262.dbf", "der Hauptschule", 42, false, true, true, false, false, false, "Notizen", "", true, true},
        {"fa_25262.dbf", "der Werkrealschule", 80, false, true, false, false, false, false, "Notizen", "", false, true},
        {"7a_25261.dbf", "der Werkrealschule", 47, false, true, true, true, false, false, "Notizen", "", true, false},
        {"9a_25261.dbf", "der Hauptschule", 42, false, true, true, true, false, false, "Notizen", "", true, true},
        {"xa_25261.dbf", "der Realschule", 42, true, false, true, true, false, false, "Individuelle Berufsschulfächer", "memo2x.dat", true, true},
        {"Xa_25261.dbf", "der Realschule", 47, true, false, true, true, false, false, "Individuelle Berufsschulfächer", "memo2x.dat", true, false},
        {"5a_25262.dbf", "", 42, false, true, true, true, false, false, "Notizen", "", true, true},
        {"2a_25262.dbf", "", 42, false, true, true, false, true, false, "Notizen", "", true, true},
        {"xa_25262.dbf", "der Gemeinschaftsschule", 42, true, false, true, false, false, true, "Individuelle Berufsschulfächer", "memo2x.dat", true, true},
    };
    for (const auto& c : cases) {
        const GradeWindowLayout l = LayoutForClass(c.file, c.school);
        const QString got = QStringLiteral("%1 %2%3%4%5%6%7 %8")
                                .arg(l.hintLength[0]).arg(l.classTypeHintShown).arg(l.attachmentControlsShown)
                                .arg(l.personalEditsShown).arg(l.gradeListFixedRows).arg(l.schoolGradeEditsShown)
                                .arg(l.profileControlsShown).arg(l.page2Caption);
        const QString want = QStringLiteral("%1 %2%3%4%5%6%7 %8")
                                 .arg(c.hint0).arg(c.typeHint).arg(c.attachments).arg(c.personal).arg(c.fixedRows)
                                 .arg(c.schoolGrades).arg(c.profile).arg(QString::fromUtf8(c.page2));
        EXPECT_EQ(got.toStdString(), want.toStdString()) << c.file << " " << c.school;
        const bool shown = !l.classTypeHintShown || l.classTypeHintFile == QLatin1String(c.hintFile);
        EXPECT_TRUE(shown) << c.file << " " << l.classTypeHintFile.toStdString();
        EXPECT_EQ(l.hint2Shown && l.hint3Shown, c.hints23) << c.file;
        EXPECT_EQ(!l.remarkLabel2.isEmpty(), c.remark2) << c.file;
    }
    // The Informatik hint is shown where there are no profile subjects.
    EXPECT_TRUE(LayoutForClass("xa_25262.dbf", "der Werkrealschule").informatikHint.contains("Fachgewichtsspalte öffnen"));
    EXPECT_EQ(GetConductTabCaption("9a_25262.dbf"), "Allg. Beurt.");
}

TEST(ClassTypeHint, FileOrBuiltInText)
{
    test::TempProgramFolder folder;
    EXPECT_TRUE(LoadClassTypeHint(folder.path(), "memo2g.dat").startsWith(
        "Berufsfachliche Kompetenz\nBerufspraktische Kompetenz\nNaturwissenschaften"));
    WriteTextLines(folder.file("memo2g.dat"), {"Für G: BfK und BpK", "zweite Zeile"});
    QString error;
    EXPECT_EQ(LoadClassTypeHint(folder.path(), "memo2g.dat", &error), "Für G: BfK und BpK\nzweite Zeile");
    EXPECT_TRUE(error.isEmpty());
}

// ---------------------------------------------------------------------------
// Notes, profile codes

TEST(LimitNoteLines, CutsAfterTheFortyFifthLine)
{
    QStringList lines;
    for (int i = 1; i <= 46; ++i)
        lines << QString::number(i);
    const LimitedNotes cut = LimitNoteLines(lines.join('\n'));
    EXPECT_TRUE(cut.cut);
    EXPECT_EQ(cut.text, lines.mid(0, 45).join('\n'));
    const LimitedNotes whole = LimitNoteLines(lines.mid(0, 45).join("\r\n"));
    EXPECT_FALSE(whole.cut);
    EXPECT_EQ(whole.text, lines.mid(0, 45).join("\r\n"));
    EXPECT_FALSE(LimitNoteLines("").cut);
}

TEST(ProfileCodes, EditorTextBecomesSixCodesOfAtMostThreeCharacters)
{
    const std::array<QString, 6> a = ProfileCodesFromEditorText("\n\n BKP \nMusik\nSpP\nNwT\nIMP\nSpa\nzuviel");
    EXPECT_EQ(a, (std::array<QString, 6>{"BKP", "Mus", "SpP", "NwT", "IMP", "Spa"}));
    const std::array<QString, 6> b = ProfileCodesFromEditorText("A\n\nC");
    EXPECT_EQ(b, (std::array<QString, 6>{"A", "--", "C", "--", "--", "--"}));
    const std::array<QString, 6> c = ProfileCodesFromEditorText("");
    EXPECT_EQ(c, (std::array<QString, 6>{"--", "--", "--", "--", "--", "--"}));
    EXPECT_EQ(ProfileCodesFromEditorText(ProfileCodesEditorText(a)), a);
}

TEST(ProfileCodes, SavedOneALineInWindowsText)
{
    test::TempProgramFolder folder;
    SaveProfileCodes(folder.path(), {"Ä1", "B", "C", "D", "E", "F"});
    EXPECT_EQ(folder.read("profilkuerzel.txt"), QByteArray("\xc4" "1\r\nB\r\nC\r\nD\r\nE\r\nF\r\n"));
}

// ---------------------------------------------------------------------------
// Keys in the grade list

TEST(GradeListKeyMove, GroupHeadingsArePassedOverAndFixedRowsNeverReached)
{
    std::array<QString, kGradeListRows> names;
    for (int i = 0; i < kGradeListRows; ++i)
        names[i] = QStringLiteral("Fach %1").arg(i);
    names[4] = QStringLiteral("Fächerverbund / ");
    names[20] = QStringLiteral("Wahlfach/");

    EXPECT_EQ(GradeListKeyMove(names, 2, +1, false), 3);
    EXPECT_EQ(GradeListKeyMove(names, 3, +1, false), 5);  // "/" heading skipped
    EXPECT_EQ(GradeListKeyMove(names, 5, -1, false), 3);
    EXPECT_EQ(GradeListKeyMove(names, 19, +1, false), 19); // would land past the end
    EXPECT_EQ(GradeListKeyMove(names, 18, +1, false), 19);
    EXPECT_EQ(GradeListKeyMove(names, 0, -1, false), 0);

    // Without fixed rows the conduct rows are reachable, with them not.
    EXPECT_EQ(GradeListKeyMove(names, 2, -1, false), 1);
    EXPECT_EQ(GradeListKeyMove(names, 2, -1, true), 2);
    EXPECT_EQ(GradeListKeyMove(names, 1, +1, true), 2);
    EXPECT_EQ(GradeListKeyMove(names, 7, 0, true), 7);

    // A heading right after the fixed rows: Up from below it stays.
    names[2] = QStringLiteral("Gruppe/");
    EXPECT_EQ(GradeListKeyMove(names, 3, -1, true), 3);
    EXPECT_EQ(GradeListKeyMove(names, 3, -1, false), 1);
}

TEST(GradeWindowMetrics, CodeColumnIsSeventyOnTheUsualScreenAndGrowsWithIt)
{
    EXPECT_EQ(ComputeGradeWindowMetrics(1).examGridCodeColumnWidth, 44);
    EXPECT_EQ(ComputeGradeWindowMetrics(640).examGridCodeColumnWidth, 44);
    EXPECT_EQ(ComputeGradeWindowMetrics(1024).examGridCodeColumnWidth, 70); // 70.4 cut
    EXPECT_EQ(ComputeGradeWindowMetrics(1280).examGridCodeColumnWidth, 88);
}
