// The default files shipped in data/ read back through the program's readers.
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "classes/subjecteditor.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "platform/scriptedprompt.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

using namespace hsa;

namespace {

class Shipped : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetState();
        folder.layDefaults();
    }
    test::TempProgramFolder folder;
    ScriptedPrompt prompt;
    ScopedPrompt guard{prompt};
};

// Every line ends in CR LF, no lone LF or CR, no UTF-8 sequences.
bool isCp1252CrLf(const QByteArray& bytes)
{
    QByteArray rest = bytes;
    rest.replace("\r\n", "");
    return bytes.endsWith("\r\n") && !rest.contains('\r') && !rest.contains('\n') && !bytes.contains('\xc3');
}

} // namespace

TEST_F(Shipped, StandardSubjectFilesReadAsTheBuiltInList)
{
    const struct {
        const char* file;
        std::array<int, 4> rows;
        const char* code;
    } files[] = {{"sta-fa9-mit.dat", {3, 7, 0, 0}, "1111111111111111"},
                 {"sta-fax-mit.dat", {3, 6, 7, 14}, "1111111111111110"},
                 {"sta-fay-mit.dat", {3, 7, 0, 0}, "1111111111111111"}, {"fag.dat", {3, 7, 0, 0}, "1111111111111111"},
                 {"sta-fa9-GMS.dat", {3, 7, 0, 0}, "1111111111111111"}};
    SubjectData builtIn;
    ApplyDefaultSubjects(builtIn);
    for (const auto& f : files) {
        SCOPED_TRACE(f.file);
        ASSERT_TRUE(FileExistsCI(folder.path(), f.file));
        EXPECT_TRUE(isCp1252CrLf(folder.read(f.file)));
        SubjectData d;
        const auto text = ReadSubjectFile(folder.file(f.file), d);
        ASSERT_TRUE(text.has_value());
        EXPECT_TRUE(text->hadEndMark);
        // Rows 2 on are the built-in names, nothing after them.
        EXPECT_TRUE(std::equal(d.subjectNames.begin() + 2, d.subjectNames.end(), builtIn.subjectNames.begin() + 2));
        EXPECT_EQ(d.writtenExamRows, f.rows);
        EXPECT_EQ(d.examSubjectMultiplier, 1);
        EXPECT_TRUE(d.msgGradeCounts());
        EXPECT_EQ(d.subjectBlockHeading, "Leistungen in den einzelnen Fächern:");
        EXPECT_TRUE(d.footerLines[0].startsWith("Notenstufen"));
        EXPECT_EQ(d.subjectCodeString, QString::fromLatin1(f.code));
        // The editor saves them back unchanged.
        const SubjectFileDraft draft = BuildSubjectFile(text->subjectLines, text->lowerLines,
                                                        d.multiplierIndex, d.msgGradeIndex);
        ASSERT_TRUE(draft.refusal.isEmpty()) << draft.refusal.toStdString();
        WriteTextLines(folder.file("kopie.dat"), draft.lines);
        EXPECT_EQ(folder.read("kopie.dat"), folder.read(f.file));
    }
}

TEST_F(Shipped, EveryLevelAndSchoolTypeFindsItsStandardFile)
{
    for (const QString& type : {QString("der Werkrealschule"), QString("der Gemeinschaftsschule")})
        for (const QString& cls : {QString("9a_2526_2.dbf"), QString("x1_2526_2.dbf"),
                                   QString("Y1_2526_2.dbf"), QString("4a_2526_2.dbf")}) {
            SCOPED_TRACE((type + " " + cls).toStdString());
            resetState();
            state().schoolTypeText = type;
            state().openClassFile = cls;
            LoadClassLevelSubjects(cls);
            SubjectEditorContent c;
            prompt.setDefaultAnswer(Answer::Ok);
            ASSERT_NO_THROW(LoadStandardSubjects(c));
            EXPECT_EQ(c.upper.value(2), "Deutsch*");
            // A class opening now reads the copied file.
            LoadClassLevelSubjects(cls);
            EXPECT_EQ(subjects().subjectCodeString.size(), 16);
            EXPECT_EQ(subjects().subjectNames[17], "Projektprüfung");
        }
}

TEST_F(Shipped, CertificateLinesOfEveryLevel)
{
    EXPECT_TRUE(isCp1252CrLf(folder.read("wahlzeilen.txt")));
    state().schoolTypeText = "der Werkrealschule";
    LoadCertificateLines("9a_2526_2.dbf");
    EXPECT_EQ(subjects().certificateLines[0], "Hauptschulabschlusszeugnis");
    EXPECT_EQ(subjects().certificateLines[1],
              "hat die Hauptschulabschlussprüfung nach Klasse 9 der Werkrealschule mit Erfolg abgelegt.");
    EXPECT_EQ(subjects().ebaHeading, "Teilnahme an Arbeitsgemeinschaften/ergänzenden Angeboten:");
    LoadCertificateLines("X1_2526_2.dbf");
    EXPECT_EQ(subjects().certificateLines, BuiltInCertificateLines("10"));
    state().schoolTypeText = "der Hauptschule";
    LoadCertificateLines("y1_2526_2.dbf");
    EXPECT_EQ(subjects().certificateLines[1],
              "hat die Hauptschulabschlussprüfung nach Klasse 10 der Hauptschule mit Erfolg abgelegt.");
    EXPECT_TRUE(prompt.shown().isEmpty());

    // The two default copies hold all three sections as well.
    for (const char* copy : {"wahlzeilen.alt", "wahlzeilen.neu"}) {
        const QStringList lines = ReadTextLines(folder.file(copy));
        for (const char* cls : {"9", "x", "y"}) {
            SubjectData d;
            EXPECT_TRUE(ApplyCertificateLines(lines, cls, "der Hauptschule", d)) << copy << cls;
            EXPECT_FALSE(d.certificateLines[0].isEmpty());
        }
    }
}

TEST_F(Shipped, SchoolDataOfTheDemoFolder)
{
    EXPECT_TRUE(isCp1252CrLf(folder.read("epw5.dat")));
    EXPECT_EQ(ReadRawLines(folder.file("epw5.dat")).size(), 6);
    LoadSchoolSettingsAtStart();
    EXPECT_EQ(state().schoolTypeText, "der Hauptschule mit Werkrealschule");
    EXPECT_EQ(state().schoolNameCaption, "Hauptschule mit Werkrealschule\nIrgendwo");
    EXPECT_EQ(state().schoolTypeCaption, "Werkrealschulklasse");
    EXPECT_FALSE(state().eveningSchoolMode);
    EXPECT_TRUE(prompt.shown().isEmpty());
}
