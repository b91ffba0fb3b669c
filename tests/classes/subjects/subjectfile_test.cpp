// Reading and writing the subject file of a class level.
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "support/tempfolder.h"
#include "support/textbytes.h"

#include <gtest/gtest.h>

using namespace hsa;
using hsa::test::crlf;

namespace {

class SubjectFile : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
    test::TempProgramFolder folder;
};

} // namespace

TEST_F(SubjectFile, ReadsExamRowsNamesAndSection)
{
    SubjectData d;
    const SubjectFileText t = ApplySubjectFileLines(
        {"3 7 ", "1", "Religion", "Ethik", "Deutsch", "Kunst", "Sport", "Musik", "Mathematik",
         "****1", "Leistungen", "Fußzeile eins", "Durchschnittsberechnung:", "11a1a1a", "Fußzeile zwei"},
        d);
    EXPECT_EQ(d.subjectNames[0], "3 7 ");
    EXPECT_EQ(d.subjectNames[1], "1");
    EXPECT_EQ(d.subjectNames[2], "Religion");
    EXPECT_EQ(d.subjectNames[8], "Mathematik");
    EXPECT_TRUE(d.subjectNames[9].isEmpty());
    EXPECT_EQ(d.writtenExamRows, (std::array<int, 4>{3, 7, 0, 0}));
    EXPECT_EQ(d.examSubjectMultiplier, 2);
    EXPECT_EQ(d.multiplierIndex, 1);
    EXPECT_EQ(d.msgGradeIndex, 1);
    EXPECT_FALSE(d.msgGradeCounts());
    EXPECT_EQ(d.subjectBlockHeading, "Leistungen");
    EXPECT_EQ(d.footerLines[0], "Fußzeile eins");
    // The marker line uses up one of the five footer places.
    EXPECT_TRUE(d.footerLines[1].isEmpty());
    EXPECT_EQ(d.footerLines[2], "Fußzeile zwei");
    EXPECT_EQ(d.subjectCodeString, "11a1a1a");
    EXPECT_EQ(t.subjectLines, (QStringList{"Religion", "Ethik", "Deutsch*", "Kunst", "Sport",
                                           "Musik", "Mathematik*"}));
    EXPECT_EQ(t.lowerLines, (QStringList{"Leistungen", "Fußzeile eins", "Durchschnittsberechnung:",
                                         "11a1a1a", "Fußzeile zwei"}));
    EXPECT_TRUE(d.isWrittenExamRow(3));
    EXPECT_TRUE(d.isWrittenExamRow(7));
    EXPECT_FALSE(d.isWrittenExamRow(0));
    EXPECT_EQ(d.rowName(3), "Deutsch");
}

TEST_F(SubjectFile, EndMarkVariantsAndMissingCodeString)
{
    for (const auto& [mark, msg] : {std::pair{QString("****"), 0}, {QString("****0"), 0},
                                    {QString("****1"), 1}, {QString("*****"), 0},
                                    {QString("xx****1"), 0}, {QString("****1 "), 1}}) {
        SubjectData d;
        d.msgGradeIndex = 1 - msg;
        ApplySubjectFileLines({"3 ", "0", "Deutsch", mark, "Kopf"}, d);
        EXPECT_EQ(d.msgGradeIndex, msg) << mark.toStdString();
        // Without a "Durchschnittsberechnung" line the code string is all ones.
        EXPECT_EQ(d.subjectCodeString, QString(39, '1'));
        EXPECT_EQ(d.subjectBlockHeading, "Kopf");
    }
    // The marker as last line: the code string keeps the ones.
    SubjectData d;
    ApplySubjectFileLines({"3 ", "0", "Deutsch", "****0", "Kopf", "Durchschnittsberechnung"}, d);
    EXPECT_EQ(d.subjectCodeString, QString(39, '1'));
    // "****" as the last line leaves the heading as it was.
    SubjectData e;
    e.subjectBlockHeading = "vorher";
    ApplySubjectFileLines({"3 ", "0", "Deutsch", "****0"}, e);
    EXPECT_EQ(e.subjectBlockHeading, "vorher");
}

TEST_F(SubjectFile, WithoutEndMarkSectionKeepsPreviousValues)
{
    SubjectData d;
    d.subjectBlockHeading = "alt";
    d.footerLines[0] = "Fuß";
    d.subjectCodeString = "12";
    d.msgGradeIndex = 1;
    const SubjectFileText t = ApplySubjectFileLines({"3 ", "0", "Deutsch", "Mathe"}, d);
    EXPECT_FALSE(t.hadEndMark);
    EXPECT_EQ(d.subjectBlockHeading, "alt");
    EXPECT_EQ(d.footerLines[0], "Fuß");
    EXPECT_EQ(d.subjectCodeString, "12");
    EXPECT_EQ(d.msgGradeIndex, 1);
    EXPECT_EQ(d.subjectNames[3], "Mathe");
}

TEST_F(SubjectFile, ReadsAtMost24LinesBeforeTheEndMark)
{
    QStringList lines{"3 7 ", "0"};
    for (int i = 1; i <= 22; ++i)
        lines << QString("Fach %1").arg(i);
    // 24 lines before the end mark: the mark is never reached.
    lines << "****1" << "Kopf" << "Durchschnittsberechnung" << "222";
    SubjectData d;
    d.subjectBlockHeading = "alt";
    d.subjectCodeString = "1";
    const SubjectFileText t = ApplySubjectFileLines(lines, d);
    EXPECT_FALSE(t.hadEndMark);
    EXPECT_EQ(d.subjectNames[20], "Fach 19");
    EXPECT_EQ(t.subjectLines.size(), 22);
    EXPECT_EQ(d.subjectBlockHeading, "alt");
    EXPECT_EQ(d.subjectCodeString, "1");
    EXPECT_EQ(d.msgGradeIndex, 0);

    // 23 lines before it: the mark is read.
    lines.removeAt(23);
    SubjectData e;
    EXPECT_TRUE(ApplySubjectFileLines(lines, e).hadEndMark);
    EXPECT_EQ(e.subjectCodeString, "222");
}

TEST_F(SubjectFile, NamesAreCutTo60Characters)
{
    SubjectData d;
    const QString longName(75, 'x');
    ApplySubjectFileLines({"", "", longName}, d);
    EXPECT_EQ(d.subjectNames[2].size(), 60);
    EXPECT_EQ(d.writtenExamRows, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(d.examSubjectMultiplier, 1);
    // A choice outside the three is refused for the first.
    for (const char* line2 : {"2147483647", "3", "-5"}) {
        SubjectData e;
        ApplySubjectFileLines({"", line2}, e);
        EXPECT_EQ(e.examSubjectMultiplier, 1) << line2;
        EXPECT_EQ(e.multiplierIndex, 0) << line2;
    }
}

TEST_F(SubjectFile, MissingFileChangesNothingAndUnreadableRaises)
{
    SubjectData d;
    d.subjectNames[2] = "bleibt";
    EXPECT_FALSE(ReadSubjectFile(folder.file("fehlt.dat"), d).has_value());
    EXPECT_EQ(d.subjectNames[2], "bleibt");

    folder.write("fa9-mit.DAT", crlf({"3 ", "0", "Deutsch"}));
    QFile::setPermissions(folder.file("fa9-mit.DAT"), QFileDevice::Permissions());
    if (!QFile(folder.file("fa9-mit.DAT")).open(QIODevice::ReadOnly)) {
        EXPECT_THROW(ReadSubjectFile(folder.file("fa9-mit.DAT"), d), FileError);
        EXPECT_EQ(d.subjectNames[2], "bleibt");
        // The class opening reads quietly and keeps the values.
        subjects().subjectFileName = "fa9-mit.DAT";
        subjects().subjectNames[2] = "alt";
        EXPECT_NO_THROW(LoadSubjectFileQuietly());
        EXPECT_EQ(subjects().subjectNames[2], "alt");
    }
}

TEST_F(SubjectFile, SavingMarksRowsAmongWrittenLinesAndReadsBack)
{
    // Blank lines in the memo get no row number.
    const SubjectFileDraft draft = BuildSubjectFile(
        {"Religion", "", "Ethik", "  Deutsch *", "   ", "Englisch", "Mathematik*", "Physik"},
        {"Leistungen", "Durchschnittsberechnung", "1111a1"}, 2, 1);
    ASSERT_TRUE(draft.refusal.isEmpty()) << draft.refusal.toStdString();
    EXPECT_EQ(draft.examField, "3 5 ");
    EXPECT_EQ(draft.lines, (QStringList{"3 5 ", "2", "Religion", "Ethik", "Deutsch", "Englisch",
                                        "Mathematik", "Physik", "****1", "Leistungen",
                                        "Durchschnittsberechnung", "1111a1"}));
    SubjectData d;
    const SubjectFileText t = ApplySubjectFileLines(draft.lines, d);
    EXPECT_EQ(d.writtenExamRows, (std::array<int, 4>{3, 5, 0, 0}));
    EXPECT_EQ(d.rowName(3), "Deutsch");
    EXPECT_EQ(d.rowName(5), "Mathematik");
    EXPECT_EQ(d.examSubjectMultiplier, 3);
    EXPECT_EQ(d.msgGradeIndex, 1);
    EXPECT_EQ(d.subjectCodeString, "1111a1");
    EXPECT_EQ(t.subjectLines, (QStringList{"Religion", "Ethik", "Deutsch*", "Englisch", "Mathematik*", "Physik"}));
}

TEST_F(SubjectFile, RowsThreeAndSevenWriteTheDocumentedLine)
{
    const SubjectFileDraft draft = BuildSubjectFile(
        {"Religionslehre", "Ethik", "Deutsch*", "Erdkunde", "Geschichte", "Englisch", "Mathematik*"},
        {"Kopf"}, 0, 0);
    ASSERT_TRUE(draft.refusal.isEmpty());
    EXPECT_EQ(draft.lines.first(), "3 7 ");
    // Two-digit rows keep the two-character fields.
    QStringList many;
    for (int i = 1; i <= 14; ++i)
        many << (i == 3 || i == 14 ? QString("F%1*").arg(i) : QString("F%1").arg(i));
    const SubjectFileDraft two = BuildSubjectFile(many, {"Kopf"}, 0, 0);
    EXPECT_EQ(two.examField, "3 14");
    SubjectData d;
    ApplySubjectFileLines(two.lines, d);
    EXPECT_EQ(d.writtenExamRows, (std::array<int, 4>{3, 14, 0, 0}));
}

TEST_F(SubjectFile, SavingRefusesListsThatWouldNotReadBack)
{
    QStringList twenty;
    for (int i = 1; i <= 20; ++i)
        twenty << QString("Fach %1").arg(i);
    EXPECT_FALSE(BuildSubjectFile(twenty, {"Kopf"}, 0, 0).refusal.isEmpty());
    EXPECT_TRUE(BuildSubjectFile(twenty.mid(0, 19), {"Kopf"}, 0, 0).refusal.isEmpty());
    // Blank lines do not count as subjects.
    QStringList spaced = twenty.mid(0, 19);
    spaced.insert(4, "");
    spaced << "  ";
    EXPECT_TRUE(BuildSubjectFile(spaced, {"Kopf"}, 0, 0).refusal.isEmpty());

    // Five footer lines push the code string out of the seven lines kept.
    const SubjectFileDraft five = BuildSubjectFile(
        {"Deutsch*"}, {"Kopf", "F1", "F2", "F3", "F4", "F5", "Durchschnittsberechnung", "111"}, 0, 0);
    EXPECT_TRUE(five.refusal.contains("mehr als vier Fußzeilen"));
    EXPECT_TRUE(five.lines.isEmpty());
    // Four are fine.
    const SubjectFileDraft four = BuildSubjectFile(
        {"Deutsch*"}, {"Kopf", "F1", "F2", "F3", "F4", "Durchschnittsberechnung", "111"}, 0, 0);
    EXPECT_TRUE(four.refusal.isEmpty());
    SubjectData d;
    ApplySubjectFileLines(four.lines, d);
    EXPECT_EQ(d.subjectCodeString, "111");
    EXPECT_EQ(d.footerLines[3], "F4");

    // The marker without a code line, lines beyond the seventh, five stars,
    // a stray star, an over-long name, a character the file cannot hold.
    EXPECT_FALSE(BuildSubjectFile({"Deutsch"}, {"Kopf", "Durchschnittsberechnung"}, 0, 0).refusal.isEmpty());
    EXPECT_FALSE(BuildSubjectFile({"Deutsch"}, {"Durchschnittsberechnung", "11"}, 0, 0).refusal.isEmpty());
    EXPECT_FALSE(BuildSubjectFile({"Deutsch"}, {"K", "1", "2", "3", "4", "5", "6", "sieben"}, 0, 0).refusal.isEmpty());
    EXPECT_TRUE(BuildSubjectFile({"Deutsch"}, {"K", "1", "2", "3", "4", "5", "6", "", " "}, 0, 0).refusal.isEmpty());
    EXPECT_FALSE(BuildSubjectFile({"A*", "B*", "C*", "D*", "E*"}, {"K"}, 0, 0).refusal.isEmpty());
    EXPECT_FALSE(BuildSubjectFile({"Deutsch", " * "}, {"K"}, 0, 0).refusal.isEmpty());
    EXPECT_FALSE(BuildSubjectFile({QString(61, 'a')}, {"K"}, 0, 0).refusal.isEmpty());
    EXPECT_TRUE(BuildSubjectFile({QString(60, 'a')}, {"K"}, 0, 0).refusal.isEmpty());
    // Every "*" goes, so no name can carry the end mark into the file.
    EXPECT_EQ(BuildSubjectFile({"De****utsch"}, {"K"}, 0, 0).lines,
              (QStringList{"1 ", "0", "Deutsch", "****0", "K"}));
    EXPECT_FALSE(BuildSubjectFile({QString::fromUtf8("Fach \u0151")}, {"K"}, 0, 0).refusal.isEmpty());
}

TEST_F(SubjectFile, FileRoundTripIsByteExact)
{
    const QByteArray bytes = crlf({"3 7 ", "0", "Religionslehre", "Ethik", "Deutsch", "Erdkunde",
                                   "Geschichte", "Englisch", "Mathematik", "Projektprüfung", "****0",
                                   "Leistungen in den einzelnen Fächern:", "Fuß", "Durchschnittsberechnung",
                                   "11111111"});
    folder.write("fa9-mit.DAT", bytes);
    SubjectData d;
    const SubjectFileText t = *ReadSubjectFile(folder.file("fa9-mit.DAT"), d);
    const SubjectFileDraft draft = BuildSubjectFile(t.subjectLines, t.lowerLines, d.multiplierIndex, d.msgGradeIndex);
    ASSERT_TRUE(draft.refusal.isEmpty());
    WriteTextLines(folder.file("neu.dat"), draft.lines);
    EXPECT_EQ(folder.read("neu.dat"), bytes);
}
