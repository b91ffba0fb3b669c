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
    EXPECT_EQ(PhraseNumber("1"), 1);
    EXPECT_EQ(PhraseNumber(" 12 "), 12);
    EXPECT_EQ(PhraseNumber("100"), 100);
    EXPECT_EQ(PhraseNumber("007"), 7);
    EXPECT_FALSE(PhraseNumber("0"));
    EXPECT_FALSE(PhraseNumber("101"));
    EXPECT_FALSE(PhraseNumber("12a"));
    EXPECT_FALSE(PhraseNumber("-3"));
    EXPECT_FALSE(PhraseNumber("1 2"));
    EXPECT_FALSE(PhraseNumber(""));
    EXPECT_FALSE(PhraseNumber("1000"));
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

TEST(GradeWindowLayout, ClassXAndG)
{
    const GradeWindowLayout x = LayoutForClass("xa_25262.dbf", "der Werkrealschule");
    EXPECT_TRUE(x.classTypeHintShown);
    EXPECT_EQ(x.classTypeHintFile, "memo2x.dat");
    EXPECT_EQ(x.page2Caption, "Individuelle Berufsschulfächer");
    EXPECT_FALSE(x.attachmentControlsShown);
    EXPECT_EQ(x.hintLength[0], 42);
    EXPECT_EQ(x.topicLabel, "Thema der Projektarbeit:");
    EXPECT_EQ(x.workingGroupsLabel, "Arbeitsgemeinschaften:");

    const GradeWindowLayout g = LayoutForClass("Gb_25262.dbf", "der Werkrealschule");
    EXPECT_EQ(g.classTypeHintFile, "memo2g.dat");
    EXPECT_EQ(g.page2Caption, "Individualfächer für BfK und BpK");

    const GradeWindowLayout nine = LayoutForClass("9a_25262.dbf", "der Hauptschule mit Werkrealschule");
    EXPECT_FALSE(nine.classTypeHintShown);
    EXPECT_EQ(nine.page2Caption, "Notizen");
    EXPECT_TRUE(nine.attachmentControlsShown);
    EXPECT_EQ(nine.workingGroupsLabel, "Arbeitsgemeinschaften");
    EXPECT_FALSE(nine.schoolGradeEditsShown);
    EXPECT_FALSE(nine.gradeListFixedRows);
}

TEST(GradeWindowLayout, ClassFHidesThePersonalEditsAndTakesEightyCharacters)
{
    const GradeWindowLayout f = LayoutForClass("fa_25262.dbf", "der Werkrealschule");
    EXPECT_EQ(f.topicLabel, "Thema der Präsentationsprüfung");
    EXPECT_EQ(f.projectExamHint, "Thema der Projektprüfung nach $45(4) als PWB-Ersatz, sonst leer lassen");
    EXPECT_FALSE(f.hint2Shown);
    EXPECT_FALSE(f.hint3Shown);
    EXPECT_FALSE(f.personalEditsShown);
    EXPECT_EQ(f.hintLength[0], 80);
}

TEST(GradeWindowLayout, FirstHalfYearAndItsExceptions)
{
    const GradeWindowLayout seven = LayoutForClass("7a_25261.dbf", "der Werkrealschule");
    EXPECT_EQ(seven.hintLength[0], 47);
    EXPECT_EQ(seven.hintLength[2], 47);
    EXPECT_EQ(seven.remarkLabel2, "");
    EXPECT_TRUE(seven.gradeListFixedRows);

    const GradeWindowLayout nine = LayoutForClass("9a_25261.dbf", "der Hauptschule");
    EXPECT_EQ(nine.hintLength[0], 42);
    EXPECT_NE(nine.remarkLabel2, "");
    const GradeWindowLayout lowerX = LayoutForClass("xa_25261.dbf", "der Realschule");
    EXPECT_EQ(lowerX.hintLength[0], 42);
    const GradeWindowLayout upperX = LayoutForClass("Xa_25261.dbf", "der Realschule");
    EXPECT_EQ(upperX.hintLength[0], 47);

    EXPECT_TRUE(LayoutForClass("5a_25262.dbf", "").gradeListFixedRows);
    EXPECT_TRUE(LayoutForClass("2a_25262.dbf", "").schoolGradeEditsShown);
    EXPECT_FALSE(LayoutForClass("2a_25261.dbf", "").schoolGradeEditsShown);
}

TEST(GradeWindowLayout, ProfileControlsOnlyAtAGemeinschaftsschule)
{
    const GradeWindowLayout gms = LayoutForClass("xa_25262.dbf", "der Gemeinschaftsschule");
    EXPECT_TRUE(gms.profileControlsShown);
    EXPECT_FALSE(gms.informatikHintShown);
    const GradeWindowLayout wrs = LayoutForClass("xa_25262.dbf", "der Werkrealschule");
    EXPECT_FALSE(wrs.profileControlsShown);
    EXPECT_TRUE(wrs.informatikHintShown);
    EXPECT_TRUE(wrs.informatikHint.startsWith("Wahlfach Informatik (KM-Schreiben vom 2.5.2022):\n"
                                              "Tragen Sie als Fachgewicht 0 oder 1 ein.\n"));
    EXPECT_TRUE(wrs.informatikHint.contains("Fachgewichtsspalte öffnen"));
    EXPECT_EQ(GetConductTabCaption("1a_25262.dbf"), "Verhalten");
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
// Record checks

TEST(StudentRecordCheck, SaysWhatIsMissing)
{
    StudentRecordCheck c;
    c.numberOk = true;
    c.hasLastName = true;
    EXPECT_FALSE(c.isGap());
    EXPECT_FALSE(c.valid(false));
    EXPECT_EQ(c.missingText(true), "Vorname, Geschlecht (M/W)");
    EXPECT_EQ(c.missingText(false), "Vorname");
    c.hasFirstName = true;
    EXPECT_TRUE(c.valid(false));
    EXPECT_FALSE(c.valid(true));
    c.hasGender = true;
    EXPECT_TRUE(c.valid(true));
    StudentRecordCheck gap;
    EXPECT_TRUE(gap.isGap());
    c.lastName = " FAKTOR";
    EXPECT_TRUE(c.isMarker());
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
