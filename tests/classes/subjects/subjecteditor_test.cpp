// The subject editor's logic: opening, saving, cancelling, standard subjects.
#include "classes/sharedstate.h"
#include "classes/subjecteditor.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/scriptedprompt.h"
#include "support/tempfolder.h"
#include "support/textbytes.h"

#include <gtest/gtest.h>

using namespace hsa;
using hsa::test::crlf;

namespace {

class Editor : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetState();
        state().openClassFile = "9a_2526_2.dbf";
        state().schoolTypeText = "der Werkrealschule";
        subjects().subjectFileName = SubjectFileNameFor(state().openClassFile, state().schoolTypeText);
    }
    test::TempProgramFolder folder;
    ScriptedPrompt prompt;
    ScopedPrompt guard{prompt};
};

} // namespace

TEST_F(Editor, OpeningWithoutSubjectFileShowsTheBuiltInList)
{
    const SubjectEditorContent c = OpenSubjectEditor();
    ASSERT_EQ(prompt.shown().size(), 2);
    EXPECT_TRUE(prompt.shown()[0].text.startsWith("ACHTUNG:  ES WIRD DRINGEND EMPOHLEN, AN DEN FÄCHERN NICHTS ZU ÄNDERN."));
    EXPECT_TRUE(prompt.shown()[1].text.startsWith("NOCH EINMAL: BITTE ÄNDERN SIE AN DEN FÄCHERN NICHTS."));
    EXPECT_TRUE(c.showProjectHint);
    EXPECT_EQ(c.upper.mid(2, 5), (QStringList{"Deutsch*", "Erdkunde", "Geschichte/Gemeinschaftskunde", "Englisch", "Mathematik*"}));
    EXPECT_EQ(c.upper.value(15), "Projektprüfung");
    EXPECT_EQ(c.lower.value(0), subjects().subjectBlockHeading);
}

TEST_F(Editor, SaveWritesFileAndMemoryEqualsIt)
{
    SubjectEditorContent c = OpenSubjectEditor();
    c.upper = QStringList{"Religion", "", "Deutsch*", "", "Englisch", "Mathematik*", "Kunst"};
    c.lower = QStringList{"Leistungen", "Fuß", "Durchschnittsberechnung", "11111"};
    c.multiplierIndex = 1;
    c.msgGradeIndex = 1;
    subjects().ebaHeading = "Angebot";
    ASSERT_TRUE(SaveSubjectEditor(c));
    EXPECT_EQ(folder.read("fa9-mit.DAT"), crlf({"2 4 ", "1", "Religion", "Deutsch", "Englisch", "Mathematik", "Kunst",
                                                "****1", "Leistungen", "Fuß", "Durchschnittsberechnung", "11111"}));
    EXPECT_EQ(folder.read("eba9.txt"), crlf({"Angebot"}));
    EXPECT_EQ(state().subjectNames.value(5), "Mathematik");
    EXPECT_EQ(state().footerLines[0], "Fuß");
    // What a class opening reads from the file is what memory holds.
    SubjectData reread;
    ReadSubjectFile(folder.file("fa9-mit.DAT"), reread);
    const SubjectData& d = subjects();
    EXPECT_EQ(reread.subjectNames, d.subjectNames);
    EXPECT_EQ(reread.writtenExamRows, d.writtenExamRows);
    EXPECT_EQ(reread.examSubjectMultiplier, d.examSubjectMultiplier);
    EXPECT_EQ(reread.footerLines, d.footerLines);
    EXPECT_EQ(reread.subjectCodeString, d.subjectCodeString);
}

TEST_F(Editor, ExamCountQuestionPerLevel)
{
    SubjectEditorContent c;
    c.upper = {"Deutsch*", "Mathe"};
    c.lower = {"Kopf"};
    prompt.no();
    EXPECT_FALSE(SaveSubjectEditor(c));
    EXPECT_TRUE(prompt.lastText().startsWith("Haben Sie wirklich alle Pflichtprüfungsfächer\n\rmit einem * abgeschlossen?"));
    EXPECT_FALSE(folder.exists("fa9-mit.DAT"));
    prompt.yes();
    EXPECT_TRUE(SaveSubjectEditor(c));
    EXPECT_TRUE(folder.exists("fa9-mit.DAT"));
    // Class 10 wants four; level Y asks nothing.
    state().openClassFile = "X1_2526_2.dbf";
    subjects().subjectFileName = "fax-mit.DAT";
    c.upper = {"D*", "M*", "E*"};
    prompt.no();
    EXPECT_FALSE(SaveSubjectEditor(c));
    c.upper = {"D*", "M*", "E*", "T*"};
    EXPECT_TRUE(SaveSubjectEditor(c));
    EXPECT_EQ(ReadTextLines(folder.file("fax-mit.DAT")).first(), "1 2 3 4 ");
    state().openClassFile = "y1_2526_2.dbf";
    subjects().subjectFileName = "fay-mit.DAT";
    c.upper = {"D*"};
    EXPECT_TRUE(SaveSubjectEditor(c));
    EXPECT_EQ(prompt.remainingAnswers(), 0);
}

TEST_F(Editor, RefusalWritesNothing)
{
    folder.write("fa9-mit.DAT", crlf({"3 7 ", "0", "Alt", "****0", "Kopf"}));
    const QByteArray before = folder.read("fa9-mit.DAT");
    subjects().subjectNames[2] = "Alt";
    SubjectEditorContent c;
    c.lower = {"Kopf"};
    for (int i = 1; i <= 20; ++i)
        c.upper << QString("Fach %1").arg(i);
    EXPECT_FALSE(SaveSubjectEditor(c));
    EXPECT_TRUE(prompt.lastText().contains("höchstens 19 Fächer"));
    EXPECT_TRUE(prompt.lastText().contains("Es wurde nichts gespeichert."));
    EXPECT_EQ(folder.read("fa9-mit.DAT"), before);
    EXPECT_EQ(subjects().subjectNames[2], "Alt");
    EXPECT_FALSE(folder.exists("eba9.txt"));
}

TEST_F(Editor, OpeningReadsTheSubjectFileAndCancelRestoresTheHeading)
{
    folder.write("fa9-mit.DAT", crlf({"1 ", "2", "Deutsch", "Mathe", "****1", "Kopf", "Durchschnittsberechnung", "10"}));
    folder.write("wahlzeilen.txt", crlf({"Klasse 9", "T", "S", "Angebot aus wahlzeilen", "R", "C"}));
    subjects().ebaHeading = "vorher";
    const SubjectEditorContent c = OpenSubjectEditor();
    EXPECT_EQ(c.upper, (QStringList{"Deutsch*", "Mathe"}));
    EXPECT_EQ(c.lower, (QStringList{"Kopf", "Durchschnittsberechnung", "10"}));
    EXPECT_EQ(c.multiplierIndex, 2);
    EXPECT_EQ(c.msgGradeIndex, 1);
    EXPECT_EQ(subjects().ebaHeading, "Angebot aus wahlzeilen");
    CancelSubjectEditor(c);
    EXPECT_EQ(state().ebaHeading, "vorher");
}

TEST_F(Editor, StandardSubjectsAreCopiedOverTheLevelFile)
{
    folder.write("fa9-mit.DAT", crlf({"1 ", "0", "Eigene Liste", "****0"}));
    subjects().subjectNames[2] = "Eigene Liste";
    // Without the standard file the level file and memory stay.
    SubjectEditorContent c;
    EXPECT_THROW(LoadStandardSubjects(c), FileError);
    EXPECT_EQ(ReadTextLines(folder.file("fa9-mit.DAT")).value(2), "Eigene Liste");
    EXPECT_EQ(subjects().subjectNames[2], "Eigene Liste");

    folder.write("sta-fa9-mit.dat", crlf({"1 ", "1", "Deutsch", "Mathe", "****1", "Kopf", "F", "Durchschnittsberechnung", "11"}));
    LoadStandardSubjects(c);
    EXPECT_EQ(c.upper, (QStringList{"Deutsch*", "Mathe"}));
    EXPECT_EQ(c.lower, (QStringList{"Kopf", "F", "Durchschnittsberechnung", "11"}));
    EXPECT_EQ(c.multiplierIndex, 1);
    EXPECT_EQ(folder.read("fa9-mit.DAT"), folder.read("sta-fa9-mit.dat"));
    EXPECT_EQ(subjects().subjectNames[2], "Deutsch");
    EXPECT_TRUE(prompt.shown().isEmpty());

    // A Gemeinschaftsschule is told what it gets.
    state().schoolTypeText = "der Gemeinschaftsschule";
    subjects().subjectFileName = "fa9-GMS.dat";
    folder.write("sta-fa9-GMS.dat", crlf({"3 ", "0", "Deutsch", "****0"}));
    LoadStandardSubjects(c);
    EXPECT_TRUE(prompt.lastText().startsWith("BITTE BEACHTEN:"));
    EXPECT_TRUE(folder.exists("fa9-GMS.dat"));
}

TEST(SpecialFunctions, FixedPasswordComparedExactly)
{
    for (const char* typed : {"Gärten48260", "gärten48260", "Gärten48260 ", ""})
        EXPECT_EQ(IsSpecialFunctionsPassword(QString::fromUtf8(typed)), typed == std::string("Gärten48260")) << typed;
}
