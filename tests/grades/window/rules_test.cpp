#include "grades/gradewindowrules.h"
#include "grades/phrases.h"
#include "platform/errors.h"
#include "support/tempfolder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace hsa;

TEST(InsertFirstName, ReplacesTheFirstStarNotFollowedByAParenthesis)
{
    // Phrase, first character and count kept, result.
    const std::tuple<const char*, int, int, const char*> cases[] = {
        {"* war fleißig.", 1, 100, "Anna war fleißig."}, {"*) Fußnote: * und *", 1, 100, "*) Fußnote: Anna und *"},
        {"ohne Stern", 1, 100, "ohne Stern"}, {"*)", 1, 100, "*)"}, {"Ende *", 1, 100, "Ende Anna"},
        {"* war da", 1, 6, "Anna w"}, {"* war da", 3, 100, "na war da"}, {"* war da", 1, 0, ""},
    };
    for (const auto& [phrase, start, count, want] : cases)
        EXPECT_EQ(InsertFirstName(QString::fromUtf8(phrase), start, count, "Anna"), QString::fromUtf8(want))
            << phrase << " " << start << "," << count;
}

TEST(PhraseNumber, OnlyAWholeNumberFromOneToHundred)
{
    const std::pair<const char*, int> cases[] = {{"1", 1},   {" 12 ", 12}, {"100", 100}, {"007", 7}, {"0", 0},
                                                 {"101", 0}, {"12a", 0},   {"-3", 0},    {"1 2", 0}, {"", 0}};
    for (const auto& [text, number] : cases)
        EXPECT_EQ(PhraseNumber(text).value_or(0), number) << text;
}

TEST(PhraseStore, RoundTripKeepsEveryRowItsUmlautsAndTheFileFoundIgnoringCase)
{
    test::TempProgramFolder folder;
    QByteArray file = "* nahm teil\r\n\r\nPr\xfc" "fung bestanden\r\n";
    for (int i = 4; i <= 120; ++i)
        file += "Floskel " + QByteArray::number(i) + "\r\n";
    folder.write("FLOSKEL3.DAT", file);
    PhraseStore store;
    store.load(folder.file("floskel3.dat"));
    const std::pair<int, const char*> rows[] = {{1, "* nahm teil"}, {2, ""}, {3, "Prüfung bestanden"},
                                                {100, "Floskel 100"}, {0, ""}, {101, ""}};
    for (const auto& [row, text] : rows)
        EXPECT_EQ(store.phrase(row), QString::fromUtf8(text)) << row;
    store.setPhrase(100, "letzte\nZeile");
    ASSERT_TRUE(store.save(folder.file("floskel3.dat")));
    EXPECT_FALSE(folder.exists("floskel3.dat")); // written to the file found
    const QByteArray saved = folder.read("FLOSKEL3.DAT");
    EXPECT_TRUE(saved.startsWith(file.left(34)));
    EXPECT_EQ(saved.count("\r\n"), 100);
    EXPECT_TRUE(saved.endsWith("letzte Zeile\r\n"));
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
    EXPECT_FALSE(store.save(folder.file("floskel3.dat")));
    QFile::setPermissions(folder.file("floskel3.dat"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(folder.read("floskel3.dat"), "geheim\r\n");
}

TEST(GradeWindowLayout, ByClassTypeHalfYearAndSchoolType)
{
    // Flags: class type hint, attachments, personal edits, fixed grade rows,
    // school grade edits, profile, hints 2 and 3, second remark label.
    const struct {
        const char *file, *school;
        int hint0;
        const char *flags, *page2, *hintFile;
    } cases[] = {
        {"xa_25262.dbf", "der Werkrealschule", 42, "10100011", "Individuelle Berufsschulfächer", "memo2x.dat"},
        {"Gb_25262.dbf", "der Werkrealschule", 42, "10100011", "Individualfächer für BfK und BpK", "memo2g.dat"},
        {"9a_25262.dbf", "der Hauptschule", 42, "01100011", "Notizen", ""},
        {"fa_25262.dbf", "der Werkrealschule", 80, "01000001", "Notizen", ""},
        {"7a_25261.dbf", "der Werkrealschule", 47, "01110010", "Notizen", ""},
        {"9a_25261.dbf", "der Hauptschule", 42, "01110011", "Notizen", ""},
        {"xa_25261.dbf", "der Realschule", 42, "10110011", "Individuelle Berufsschulfächer", "memo2x.dat"},
        {"Xa_25261.dbf", "der Realschule", 47, "10110010", "Individuelle Berufsschulfächer", "memo2x.dat"},
        {"5a_25262.dbf", "", 42, "01110011", "Notizen", ""},
        {"2a_25262.dbf", "", 42, "01101011", "Notizen", ""},
        {"xa_25262.dbf", "der Gemeinschaftsschule", 42, "10100111", "Individuelle Berufsschulfächer", "memo2x.dat"},
    };
    for (const auto& c : cases) {
        const GradeWindowLayout l = LayoutForClass(c.file, c.school);
        QString flags;
        for (bool b : {l.classTypeHintShown, l.attachmentControlsShown, l.personalEditsShown, l.gradeListFixedRows,
                       l.schoolGradeEditsShown, l.profileControlsShown, l.hint2Shown && l.hint3Shown,
                       !l.remarkLabel2.isEmpty()})
            flags += QLatin1Char(b ? '1' : '0');
        EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(l.hintLength[0]).arg(flags, l.page2Caption, l.classTypeHintFile),
                  QStringLiteral("%1 %2 %3 %4").arg(c.hint0).arg(c.flags, QString::fromUtf8(c.page2), c.hintFile))
            << c.file << " " << c.school;
    }
}

TEST(LimitNoteLines, CutsAfterTheFortyFifthLine)
{
    QStringList lines;
    for (int i = 1; i <= 46; ++i)
        lines << QString::number(i);
    const LimitedNotes cut = LimitNoteLines(lines.join('\n'));
    EXPECT_TRUE(cut.cut && cut.text == lines.mid(0, 45).join('\n'));
    const LimitedNotes whole = LimitNoteLines(lines.mid(0, 45).join("\r\n"));
    EXPECT_TRUE(!whole.cut && whole.text == lines.mid(0, 45).join("\r\n"));
}

TEST(ProfileCodes, EditorTextBecomesSixCodesOfAtMostThreeCharactersSavedOneALine)
{
    using Codes = std::array<QString, 6>;
    const std::pair<const char*, Codes> cases[] = {
        {"\n\n BKP \nMusik\nSpP\nNwT\nIMP\nSpa\nzuviel", {"BKP", "Mus", "SpP", "NwT", "IMP", "Spa"}},
        {"A\n\nC", {"A", "--", "C", "--", "--", "--"}},
        {"", {"--", "--", "--", "--", "--", "--"}},
    };
    for (const auto& [text, codes] : cases) {
        EXPECT_EQ(ProfileCodesFromEditorText(text), codes) << text;
        EXPECT_EQ(ProfileCodesFromEditorText(ProfileCodesEditorText(codes)), codes) << text;
    }
    test::TempProgramFolder folder;
    SaveProfileCodes(folder.path(), {"Ä1", "B", "C", "D", "E", "F"});
    EXPECT_EQ(folder.read("profilkuerzel.txt"), QByteArray("\xc4" "1\r\nB\r\nC\r\nD\r\nE\r\nF\r\n"));
}

TEST(GradeListKeyMove, GroupHeadingsArePassedOverAndFixedRowsNeverReached)
{
    std::array<QString, kGradeListRows> names;
    for (int i = 0; i < kGradeListRows; ++i)
        names[i] = QStringLiteral("Fach %1").arg(i);
    names[4] = QStringLiteral("Fächerverbund / ");
    names[20] = QStringLiteral("Wahlfach/");
    // Row, step, conduct rows fixed, row reached.
    const std::tuple<int, int, bool, int> cases[] = {
        {2, +1, false, 3}, {3, +1, false, 5}, {5, -1, false, 3}, {19, +1, false, 19}, {18, +1, false, 19},
        {0, -1, false, 0}, {2, -1, false, 1}, {2, -1, true, 2},  {1, +1, true, 2},    {7, 0, true, 7},
    };
    for (const auto& [row, step, fixed, want] : cases)
        EXPECT_EQ(GradeListKeyMove(names, row, step, fixed), want) << row << " " << step << " " << fixed;
    // A heading right after the fixed rows: Up from below it stays.
    names[2] = QStringLiteral("Gruppe/");
    EXPECT_EQ(GradeListKeyMove(names, 3, -1, true), 3);
    EXPECT_EQ(GradeListKeyMove(names, 3, -1, false), 1);
}
