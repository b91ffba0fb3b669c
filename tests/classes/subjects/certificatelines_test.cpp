// Certificate lines, heading of the extended offer, profile codes and the
// loading of a class level.
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "platform/scriptedprompt.h"
#include "support/tempfolder.h"
#include "support/textbytes.h"

#include <gtest/gtest.h>

using namespace hsa;
using hsa::test::crlf;

namespace {

class LevelFiles : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
    test::TempProgramFolder folder;
    ScriptedPrompt prompt;
    ScopedPrompt guard{prompt};
};

const QString kBadFile = QStringLiteral("Fehler: Die Datei wahlzeilen.txt ist nicht in Ordnung");

} // namespace

TEST_F(LevelFiles, SectionOfTheLevelIsReadAndTheMixedWordingResolved)
{
    folder.write("wahlzeilen.txt",
                 crlf({"Klasse 9", "Titel 9", "nach Klasse 9 der Werkrealschule/Hauptschule, Werkrealschule/Hauptschule",
                       "EBA 9", "Rolle 9", "Schluss 9", "Klasse 10", "Titel 10", "Satz 10", "EBA 10", "Rolle 10", "Schluss 10"}));
    state().schoolTypeText = "der Hauptschule mit Werkrealschule";
    LoadCertificateLines("9a_1234_2.dbf");
    const SubjectData& d = subjects();
    EXPECT_EQ(d.certificateLines[0], "Titel 9");
    EXPECT_EQ(d.certificateLines[1], "nach Klasse 9 der Werkrealschule, Werkrealschule");
    EXPECT_EQ(d.ebaHeading, "EBA 9");
    EXPECT_EQ(state().ebaHeading, "EBA 9");
    EXPECT_EQ(state().certificateLines.value(4), "Schluss 9");
    EXPECT_TRUE(prompt.shown().isEmpty());

    state().schoolTypeText = "der Hauptschule";
    LoadCertificateLines("9a_1234_2.dbf");
    EXPECT_EQ(subjects().certificateLines[1], "nach Klasse 9 der Hauptschule, Hauptschule");

    LoadCertificateLines("X1_1234_2.dbf");
    EXPECT_EQ(subjects().certificateLines[0], "Titel 10");
    EXPECT_EQ(subjects().ebaHeading, "EBA 10");
}

TEST_F(LevelFiles, MissingSectionGivesMessageAndBuiltInTexts)
{
    folder.write("wahlzeilen.txt", crlf({"Klasse 9", "T", "S", "E", "R", "C"}));
    LoadCertificateLines("x2_1234_2.dbf");
    EXPECT_EQ(prompt.texts(), QStringList{kBadFile});
    EXPECT_EQ(subjects().certificateLines[0], "Werkrealschulabschlusszeugnis");
    EXPECT_EQ(subjects().certificateLines[3], "Schulleiter/in");
    EXPECT_EQ(subjects().ebaHeading, "Teilnahme an Arbeitsgemeinschaften/ergänzenden Angeboten:");

    // The marker as the very last line counts as missing too.
    prompt.clear();
    folder.write("wahlzeilen.txt", crlf({"Klasse 10", "a", "b", "c", "d", "e", "Klasse 9"}));
    LoadCertificateLines("9a_1234_2.dbf");
    EXPECT_EQ(prompt.texts(), QStringList{kBadFile});
    EXPECT_EQ(subjects().certificateLines[1],
              "hat die Hauptschulabschlussprüfung nach Klasse 9 der Werkrealschule/Hauptschule mit Erfolg abgelegt.");
    EXPECT_TRUE(subjects().certificateLines[4].isEmpty());

    // Level Y keeps the lines it had.
    prompt.clear();
    subjects().certificateLines = {"a", "b", "c", "d", "e"};
    LoadCertificateLines("y1_1234_2.dbf");
    EXPECT_EQ(prompt.texts(), QStringList{kBadFile});
    EXPECT_EQ(subjects().certificateLines[0], "a");
    EXPECT_EQ(subjects().ebaHeading, "c");
}

TEST_F(LevelFiles, ShortSectionAndMissingFile)
{
    folder.write("wahlzeilen.txt", crlf({"Klasse 9", "nur Titel"}));
    LoadCertificateLines("9");
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_EQ(subjects().certificateLines[0], "nur Titel");
    EXPECT_TRUE(subjects().certificateLines[1].isEmpty());

    QFile::remove(folder.file("wahlzeilen.txt"));
    subjects().ebaHeading = "bleibt";
    LoadCertificateLines("9");
    EXPECT_EQ(subjects().ebaHeading, "bleibt");
}

TEST_F(LevelFiles, EbaHeadingPerLevel)
{
    folder.write("eba9.txt", crlf({"Angebot Klasse 9"}));
    folder.write("EBA10.TXT", crlf({"Angebot Klasse 10"}));
    LoadEbaHeading("9a");
    EXPECT_EQ(subjects().ebaHeading, "Angebot Klasse 9");
    LoadEbaHeading("X1");
    EXPECT_EQ(subjects().ebaHeading, "Angebot Klasse 10");
    LoadEbaHeading("y1");
    EXPECT_EQ(subjects().ebaHeading, "Teilnahme am Erweiterten Bildungsangebot:");

    subjects().ebaHeading = "Neu für die Zehner";
    SaveEbaHeading("y1");   // every level but 9 keeps its heading in eba10.txt
    EXPECT_EQ(folder.read("EBA10.TXT"), QByteArray("Neu f\xfcr die Zehner\r\n"));
    SaveEbaHeading("9a");
    EXPECT_EQ(folder.read("eba9.txt"), QByteArray("Neu f\xfcr die Zehner\r\n"));
}

TEST_F(LevelFiles, ProfileCodes)
{
    state().schoolTypeText = "der Realschule";
    LoadProfileCodes();
    EXPECT_EQ(subjects().profileCodes[0], "BKP");
    EXPECT_FALSE(subjects().profileControlsShown);

    folder.write("profilkuerzel.txt", crlf({"AAA", "BBB", "CCC"}));
    state().schoolTypeText = "der Gemeinschaftsschule";
    LoadProfileCodes();
    EXPECT_TRUE(subjects().profileControlsShown);
    EXPECT_EQ(subjects().profileCodes[2], "CCC");
    EXPECT_TRUE(subjects().profileCodes[3].isEmpty());
    EXPECT_TRUE(subjects().profileCodes[5].isEmpty());
}

TEST_F(LevelFiles, FileNamesByLevelAndSchoolType)
{
    const QString hs = "der Hauptschule";
    EXPECT_EQ(SubjectFileNameFor("9a_1234_2.dbf", hs), "fa9-mit.DAT");
    EXPECT_EQ(SubjectFileNameFor("x1", hs), "fax-mit.DAT");
    EXPECT_EQ(SubjectFileNameFor("X1", hs), "fax-mit.DAT");
    EXPECT_EQ(SubjectFileNameFor("Y1", hs), "fay-mit.DAT");
    EXPECT_EQ(SubjectFileNameFor("4a", hs), "fachhsag.dat");
    EXPECT_EQ(SubjectFileNameFor("", hs), "fachhsag.dat");
    EXPECT_EQ(SubjectFileNameFor("X1", "der Gemeinschaftsschule"), "fa9-GMS.dat");
    EXPECT_EQ(StandardSubjectFileFor("9a", hs), "sta-fa9-mit.dat");
    EXPECT_EQ(StandardSubjectFileFor("x1", hs), "sta-fax-mit.dat");
    EXPECT_EQ(StandardSubjectFileFor("y1", hs), "sta-fay-mit.dat");
    EXPECT_EQ(StandardSubjectFileFor("4a", hs), "fag.dat");
    EXPECT_EQ(StandardSubjectFileFor("9a", "der Gemeinschaftsschule"), "sta-fa9-GMS.dat");
    EXPECT_EQ(CertificateSectionKey("x1"), "10");
    EXPECT_EQ(CertificateSectionKey("Y1"), "Y");
    EXPECT_EQ(CertificateSectionKey("4a"), "9");
    EXPECT_EQ(EbaHeadingFileFor("9a"), "eba9.txt");
    EXPECT_EQ(EbaHeadingFileFor("4a"), "eba10.txt");
}

TEST_F(LevelFiles, ClassLevelLoadingWithAndWithoutSubjectFile)
{
    state().schoolTypeText = "der Werkrealschule";
    LoadClassLevelSubjects("9a_1234_2.dbf");
    // No subject file: the built-in list.
    EXPECT_EQ(subjects().subjectFileName, "fa9-mit.DAT");
    EXPECT_EQ(subjects().subjectNames[0], "Verhalten");
    EXPECT_EQ(subjects().subjectNames[17], "Projektprüfung");
    EXPECT_TRUE(subjects().subjectNames[18].isEmpty());
    EXPECT_EQ(subjects().writtenExamRows, (std::array<int, 4>{3, 7, 7, 7}));
    EXPECT_EQ(state().subjectNames.size(), 21);
    EXPECT_EQ(state().subjectNames.value(4), "Deutsch");

    folder.write("FA9-MIT.dat", crlf({"1 2 ", "0", "Deutsch", "Mathe", "****1", "Kopf"}));
    LoadClassLevelSubjects("9a_1234_2.dbf");
    EXPECT_EQ(subjects().subjectNames[2], "Deutsch");
    EXPECT_TRUE(subjects().subjectNames[4].isEmpty());
    EXPECT_EQ(subjects().writtenExamRows, (std::array<int, 4>{1, 2, 0, 0}));
    EXPECT_EQ(state().subjectBlockHeading, "Kopf");
    EXPECT_EQ(subjects().msgGradeIndex, 1);
}
