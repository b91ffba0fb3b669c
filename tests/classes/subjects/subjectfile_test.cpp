// The subject file of a class level, short codes, certificate lines and the
// other level files.
#include "classes/sharedstate.h"
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

class SubjectFile : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
    test::TempProgramFolder folder;
    ScriptedPrompt prompt;
    ScopedPrompt guard{prompt};
};

const QString kBadFile = QStringLiteral("Fehler: Die Datei wahlzeilen.txt ist nicht in Ordnung");

} // namespace

TEST_F(SubjectFile, ReadsExamRowsNamesAndSection)
{
    SubjectData d;
    const SubjectFileText t = ApplySubjectFileLines(
        {"3 7 ", "1", "Religion", "Ethik", "Deutsch", "Kunst", "Sport", "Musik", "Mathematik",
         "****1", "Leistungen", "Fußzeile eins", "Durchschnittsberechnung:", "11a1a1a", "Fußzeile zwei"},
        d);
    EXPECT_EQ(d.subjectNames[1], "1");
    EXPECT_EQ(d.subjectNames[8], "Mathematik");
    EXPECT_TRUE(d.subjectNames[9].isEmpty());
    EXPECT_EQ(d.writtenExamRows, (std::array<int, 4>{3, 7, 0, 0}));
    EXPECT_EQ(d.examSubjectMultiplier, 2);
    EXPECT_EQ(d.msgGradeIndex, 1);
    EXPECT_EQ(d.subjectBlockHeading, "Leistungen");
    // The marker line uses up one of the five footer places.
    EXPECT_EQ(d.footerLines, (std::array<QString, 5>{"Fußzeile eins", "", "Fußzeile zwei", "", ""}));
    EXPECT_EQ(d.subjectCodeString, "11a1a1a");
    EXPECT_EQ(t.subjectLines, (QStringList{"Religion", "Ethik", "Deutsch*", "Kunst", "Sport", "Musik", "Mathematik*"}));
    EXPECT_EQ(t.lowerLines, (QStringList{"Leistungen", "Fußzeile eins", "Durchschnittsberechnung:", "11a1a1a", "Fußzeile zwei"}));
    EXPECT_EQ(d.rowName(3), "Deutsch");
}

TEST_F(SubjectFile, EndMarkVariantsAndMissingCodeString)
{
    for (const auto& [mark, msg] : {std::pair{QString("****"), 0}, {QString("****0"), 0}, {QString("****1"), 1},
                                    {QString("*****"), 0}, {QString("xx****1"), 0}, {QString("****1 "), 1}}) {
        SubjectData d;
        d.msgGradeIndex = 1 - msg;
        ApplySubjectFileLines({"3 ", "0", "Deutsch", mark, "Kopf"}, d);
        EXPECT_EQ(d.msgGradeIndex, msg) << mark.toStdString();
        // Without a "Durchschnittsberechnung" line the code string is all ones.
        EXPECT_EQ(d.subjectCodeString, QString(39, '1'));
        EXPECT_EQ(d.subjectBlockHeading, "Kopf");
    }
    SubjectData d;
    ApplySubjectFileLines({"3 ", "0", "Deutsch", "****0", "Kopf", "Durchschnittsberechnung"}, d);
    EXPECT_EQ(d.subjectCodeString, QString(39, '1'));
    // "****" as the last line leaves the heading as it was.
    d.subjectBlockHeading = "vorher";
    ApplySubjectFileLines({"3 ", "0", "Deutsch", "****0"}, d);
    EXPECT_EQ(d.subjectBlockHeading, "vorher");
}

TEST_F(SubjectFile, AnEndMarkBeyondLine24IsNotReadAndTheSectionStays)
{
    QStringList lines{"3 7 ", "0"};
    for (int i = 1; i <= 22; ++i)
        lines << QString("Fach %1").arg(i);
    lines << "****1" << "Kopf" << "Durchschnittsberechnung" << "222";
    SubjectData d;
    d.subjectBlockHeading = "alt";
    d.footerLines[0] = "Fuß";
    d.subjectCodeString = "1";
    const SubjectFileText t = ApplySubjectFileLines(lines, d);
    EXPECT_FALSE(t.hadEndMark);
    EXPECT_EQ(d.subjectNames[20], "Fach 19");
    EXPECT_EQ(t.subjectLines.size(), 22);
    EXPECT_EQ(d.subjectBlockHeading, "alt");
    EXPECT_EQ(d.footerLines[0], "Fuß");
    EXPECT_EQ(d.subjectCodeString, "1");
    EXPECT_EQ(d.msgGradeIndex, 0);
    // 23 lines before it: the mark is read.
    lines.removeAt(23);
    EXPECT_TRUE(ApplySubjectFileLines(lines, d).hadEndMark);
    EXPECT_EQ(d.subjectCodeString, "222");
}

TEST_F(SubjectFile, NamesAreCutTo60CharactersAndABadChoiceIsTheFirst)
{
    SubjectData d;
    ApplySubjectFileLines({"", "", QString(75, 'x')}, d);
    EXPECT_EQ(d.subjectNames[2].size(), 60);
    EXPECT_EQ(d.writtenExamRows, (std::array<int, 4>{0, 0, 0, 0}));
    for (const char* line2 : {"", "2147483647", "3", "-5"}) {
        ApplySubjectFileLines({"", line2}, d);
        EXPECT_EQ(d.examSubjectMultiplier, 1) << line2;
        EXPECT_EQ(d.multiplierIndex, 0) << line2;
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

TEST_F(SubjectFile, SavingNumbersTheWrittenRowsAndReadsBack)
{
    // Blank lines in the memo get no row number; two-digit rows keep their
    // two-character fields.
    const SubjectFileDraft draft = BuildSubjectFile(
        {"Religion", "", "Ethik", "  Deutsch *", "   ", "Englisch", "Mathematik*", "Physik"},
        {"Leistungen", "Durchschnittsberechnung", "1111a1"}, 2, 1);
    ASSERT_TRUE(draft.refusal.isEmpty()) << draft.refusal.toStdString();
    EXPECT_EQ(draft.lines, (QStringList{"3 5 ", "2", "Religion", "Ethik", "Deutsch", "Englisch", "Mathematik",
                                        "Physik", "****1", "Leistungen", "Durchschnittsberechnung", "1111a1"}));
    SubjectData d;
    const SubjectFileText t = ApplySubjectFileLines(draft.lines, d);
    EXPECT_EQ(d.writtenExamRows, (std::array<int, 4>{3, 5, 0, 0}));
    EXPECT_EQ(d.rowName(5), "Mathematik");
    EXPECT_EQ(d.examSubjectMultiplier, 3);
    EXPECT_EQ(t.subjectLines, (QStringList{"Religion", "Ethik", "Deutsch*", "Englisch", "Mathematik*", "Physik"}));

    QStringList many;
    for (int i = 1; i <= 14; ++i)
        many << (i == 3 || i == 14 ? QString("F%1*").arg(i) : QString("F%1").arg(i));
    const SubjectFileDraft two = BuildSubjectFile(many, {"Kopf"}, 0, 0);
    EXPECT_EQ(two.examField, "3 14");
    ApplySubjectFileLines(two.lines, d);
    EXPECT_EQ(d.writtenExamRows, (std::array<int, 4>{3, 14, 0, 0}));
    // Every "*" goes, so no name can carry the end mark into the file.
    EXPECT_EQ(BuildSubjectFile({"De****utsch"}, {"K"}, 0, 0).lines, (QStringList{"1 ", "0", "Deutsch", "****0", "K"}));
}

// Lists that would not read back as typed are refused, and nothing is written.
TEST_F(SubjectFile, SavingRefusesListsThatWouldNotReadBack)
{
    QStringList twenty;
    for (int i = 1; i <= 20; ++i)
        twenty << QString("Fach %1").arg(i);
    QStringList spaced = twenty.mid(0, 19);
    spaced.insert(4, "");
    spaced << "  ";
    const QStringList d{"Deutsch*"};
    const struct {
        QStringList upper;
        QStringList lower;
        const char* refusal;   // part of the refusal, or nullptr when saved
    } cases[] = {
        {twenty, {"Kopf"}, "höchstens 19 Fächer"}, {twenty.mid(0, 19), {"Kopf"}, nullptr},
        {spaced, {"Kopf"}, nullptr},   // blank lines are no subjects
        // Five footer lines push the code string out of the seven lines kept.
        {d, {"Kopf", "F1", "F2", "F3", "F4", "F5", "Durchschnittsberechnung", "111"}, "mehr als vier Fußzeilen"},
        {d, {"Kopf", "F1", "F2", "F3", "F4", "Durchschnittsberechnung", "111"}, nullptr},
        {d, {"Kopf", "Durchschnittsberechnung"}, "fehlt die Zeile mit den Fachgewichten"},
        {d, {"Durchschnittsberechnung", "11"}, "Überschrift des Fächerblocks"},
        {d, {"K", "1", "2", "3", "4", "5", "6", "sieben"}, "ginge verloren"},
        {d, {"K", "1", "2", "3", "4", "5", "6", "", " "}, nullptr},
        {{"A*", "B*", "C*", "D*", "E*"}, {"K"}, "höchstens 4 Prüfungsfächer"},
        {{"Deutsch", " * "}, {"K"}, "ohne Fachnamen"}, {{QString(61, 'a')}, {"K"}, "länger als 60 Zeichen"},
        {{QString(60, 'a')}, {"K"}, nullptr},
        {{QString::fromUtf8("Fach \u0151")}, {"K"}, "nicht gespeichert werden können"},
    };
    for (const auto& c : cases) {
        const SubjectFileDraft draft = BuildSubjectFile(c.upper, c.lower, 0, 0);
        SCOPED_TRACE(c.upper.join('|').toStdString() + " / " + c.lower.join('|').toStdString());
        if (c.refusal) {
            EXPECT_TRUE(draft.refusal.contains(QString::fromUtf8(c.refusal))) << draft.refusal.toStdString();
            EXPECT_TRUE(draft.refusal.endsWith("Es wurde nichts gespeichert."));
            EXPECT_TRUE(draft.lines.isEmpty());
        } else {
            EXPECT_TRUE(draft.refusal.isEmpty()) << draft.refusal.toStdString();
            SubjectData back;
            ApplySubjectFileLines(draft.lines, back);
            EXPECT_EQ(back.subjectCodeString, c.lower.contains("111") ? "111" : QString(39, '1'));
        }
    }
}

TEST(ShortCode, PatternsInOrderSlashesAndFallback)
{
    // The built-in list, the direct patterns (earlier ones win), the
    // provisional patterns (a later one replaces an earlier one, a final one
    // ends at once), slashes, the empty code and the four-letter fallback.
    const std::pair<const char*, const char*> cases[] = {
        {"Religionslehre", "R"}, {"Ethik", "Eth"}, {"Deutsch", "D"}, {"Erdkunde", "Ek"},
        {"Geschichte/Gemeinschaftskunde", "G/Gk"}, {"Englisch", "E"}, {"Mathematik", "M"}, {"Physik", "Ph"},
        {"Biologie/Chemie", "Bio/Ch"}, {"Sport", "Sp"}, {"Musik", "Mu"}, {"Bildende Kunst", "BK"},
        {"Wirtschaftslehre/Informatik", "WBS"}, {"Technik", "Te"}, {"Hauswirtschaft/Textiles Werken", "HTW"},
        {"Projektprüfung", "Proj"}, {"Verhalten", "Verh"}, {"Mitarbeit", "Mita"}, {"Religionslehre/Ethik", "R-E"},
        {"Geographie", "Geo"}, {"Gemeinschaftskut", "GK"}, {"Wirtschaft/Berufs- und Studienorientierung", "WBS"},
        {"Informatik", "Inf"}, {"Alltagskultur, Ernährung, Soziales", "AES"}, {"Berufsorientierende Bildung", "BB"},
        {"Kompetenztraining", "KT"}, {"Berufsfachliche Kompetenz", "BfK"}, {"Berufspraktische Kompetenz", "BpK"},
        {"Naturwissenschaft1", "NW1"}, {"Naturwissenschaft2", "NW2"}, {"Naturwissenschaft3", "NW3"},
        {"Vertiefungsfach1", "VF1"}, {"Vertiefungsfach2", "VF2"}, {"Welt-Zeit-Gesellschaft", "WZG"},
        {"Materie-Natur-Technik", "MNT"}, {"Musik-Sport-Gestalten", "MSG"}, {"Gesundheit und Soziales", "GuS"},
        {"Natur und Technik", "NuT"}, {"Informationstechnik", "WuI"}, {"Gesundheit", "WAG"}, {"Religion", "R"},
        {"Konfessionell", "Konf"}, {"Deutsch als Zweitsprache", "D"}, {"Mathe", "M"}, {"Bildende Kunst/Musik", "BK"},
        // Earlier patterns win over later ones.
        {"Religionslehre/Ethik/Deutsch", "R-E"}, {"Wirtschaft und Informatik", "WBS"},
        {"Gesundheit und Soziales/Sport", "GuS"}, {"Deutsch/Mathematik", "D"}, {"Textverarbeitung", "TW"},
        {"Musiktheater", "Mu"}, {"Musik Sport", "Sp"}, {"Schulsport", "Schu"}, {"Schrift und Gestaltung", "SuG"},
        {"Schriftlich", "SuG"}, {"Ethikunterricht", "Eth"}, {"Geschichte", "G"}, {"Gemeinschaftskunde", "Gk"},
        {"Englisch Musik", "E"}, {"Französisch", "F"}, {"Latein", "L"}, {"Chemie", "Ch"}, {"Biologie", "Bio"},
        {"Wirtschaftslehre", "WBS"}, {"Wirtsch.lehre", "Wl"}, {"Informieren", "Inf"}, {"ITG", "ITG"},
        {"Natur u. Technik", "NuT"}, {"Natur und", "NuT"}, {"Natur u Umwelt", "NuT"}, {"Mensch und Umwelt", "MUM"},
        {"Hauswirtschaft", "Hw"}, {"Textilarbeit", "TW"}, {"Naturphänomene", "Nph"},
        // A later provisional match replaces an earlier one; a final ends at once.
        {"Chemie Biologie", "Bio"}, {"Musik Sport Technik", "Sp"}, {"Technik Hauswirtschaft", "Hw"},
        {"Ethik Englisch", "Eth"}, {"Biologie/Chemie/Physik", "Bio/Ch/Ph"}, {"Geschichte/", "G/"},
        {"Chemie/Sport", "Sp"}, {"Projekt/Chemie", "Proj/Ch"}, {"Wahlpflichtbereich", ""},
        {"Technik/Wahlpflicht", ""}, {"", ""}, {"    ", ""}, {"Kunst", "Kuns"}, {"AG", "AG  "},
        {"Hauswirtschaft/Textil", "HTW"},
        // Case counts.
        {"deutsch", "deut"}};
    for (const auto& [name, code] : cases)
        EXPECT_EQ(SubjectToShortCode(QString::fromUtf8(name)), QString::fromUtf8(code)) << name;
}

TEST(ReplaceAll, ReplacesEveryOccurrenceAndRescans)
{
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"der Werkrealschule/Hauptschule und Werkrealschule/Hauptschule", "Werkrealschule/Hauptschule",
         "Hauptschule", "der Hauptschule und Hauptschule"},
        // Each round starts again at the front: a match formed by a replacement is taken too.
        {"aabb", "ab", "", ""}, {"abc", "", "x", "abc"}, {"abc", "z", "y", "abc"},
        // A replacement holding the search text ends after one pass.
        {"Haupt und Haupt", "Haupt", "Hauptschule", "Hauptschule und Hauptschule"},
    };
    for (const auto& [text, search, replacement, expected] : cases) {
        QString t = text;
        ReplaceAllText(t, search, replacement);
        EXPECT_EQ(t, expected) << text << " / " << search;
    }
}

TEST_F(SubjectFile, CertificateSectionOfTheLevelAndTheMixedWording)
{
    folder.write("wahlzeilen.txt",
                 crlf({"Klasse 9", "Titel 9", "nach Klasse 9 der Werkrealschule/Hauptschule, Werkrealschule/Hauptschule",
                       "EBA 9", "Rolle 9", "Schluss 9", "Klasse 10", "Titel 10", "Satz 10", "EBA 10", "Rolle 10", "Schluss 10"}));
    state().schoolTypeText = "der Hauptschule mit Werkrealschule";
    LoadCertificateLines("9a_1234_2.dbf");
    EXPECT_EQ(subjects().certificateLines[0], "Titel 9");
    EXPECT_EQ(subjects().certificateLines[1], "nach Klasse 9 der Werkrealschule, Werkrealschule");
    EXPECT_EQ(state().ebaHeading, "EBA 9");
    EXPECT_EQ(state().certificateLines.value(4), "Schluss 9");
    state().schoolTypeText = "der Hauptschule";
    LoadCertificateLines("9a_1234_2.dbf");
    EXPECT_EQ(subjects().certificateLines[1], "nach Klasse 9 der Hauptschule, Hauptschule");
    LoadCertificateLines("X1_1234_2.dbf");
    EXPECT_EQ(subjects().certificateLines[0], "Titel 10");
    EXPECT_EQ(subjects().ebaHeading, "EBA 10");
    EXPECT_TRUE(prompt.shown().isEmpty());
    // A short section leaves the rest empty.
    folder.write("wahlzeilen.txt", crlf({"Klasse 9", "nur Titel"}));
    LoadCertificateLines("9");
    EXPECT_EQ(subjects().certificateLines[0], "nur Titel");
    EXPECT_TRUE(subjects().certificateLines[1].isEmpty());
    EXPECT_TRUE(prompt.shown().isEmpty());
    // Without the file nothing changes.
    QFile::remove(folder.file("wahlzeilen.txt"));
    subjects().ebaHeading = "bleibt";
    LoadCertificateLines("9");
    EXPECT_EQ(subjects().ebaHeading, "bleibt");
}

TEST_F(SubjectFile, MissingCertificateSectionGivesMessageAndBuiltInTexts)
{
    folder.write("wahlzeilen.txt", crlf({"Klasse 9", "T", "S", "E", "R", "C"}));
    LoadCertificateLines("x2_1234_2.dbf");
    EXPECT_EQ(prompt.texts(), QStringList{kBadFile});
    EXPECT_EQ(subjects().certificateLines, BuiltInCertificateLines("10"));
    EXPECT_EQ(subjects().ebaHeading, "Teilnahme an Arbeitsgemeinschaften/ergänzenden Angeboten:");
    // The marker as the very last line counts as missing too.
    prompt.clear();
    folder.write("wahlzeilen.txt", crlf({"Klasse 10", "a", "b", "c", "d", "e", "Klasse 9"}));
    LoadCertificateLines("9a_1234_2.dbf");
    EXPECT_EQ(prompt.texts(), QStringList{kBadFile});
    EXPECT_EQ(subjects().certificateLines[1],
              "hat die Hauptschulabschlussprüfung nach Klasse 9 der Werkrealschule/Hauptschule mit Erfolg abgelegt.");
    // Level Y keeps the lines it had.
    prompt.clear();
    subjects().certificateLines = {"a", "b", "c", "d", "e"};
    LoadCertificateLines("y1_1234_2.dbf");
    EXPECT_EQ(prompt.texts(), QStringList{kBadFile});
    EXPECT_EQ(subjects().certificateLines[0], "a");
    EXPECT_EQ(subjects().ebaHeading, "c");
}

TEST_F(SubjectFile, EbaHeadingAndProfileCodesPerLevel)
{
    folder.write("eba9.txt", crlf({"Angebot Klasse 9"}));
    folder.write("EBA10.TXT", crlf({"Angebot Klasse 10"}));
    for (const auto& [cls, heading] : {std::pair{"9a", "Angebot Klasse 9"}, {"X1", "Angebot Klasse 10"},
                                       {"y1", "Teilnahme am Erweiterten Bildungsangebot:"}}) {
        LoadEbaHeading(cls);
        EXPECT_EQ(subjects().ebaHeading, QString::fromUtf8(heading)) << cls;
    }
    subjects().ebaHeading = "Neu für die Zehner";
    SaveEbaHeading("y1");   // every level but 9 keeps its heading in eba10.txt
    EXPECT_EQ(folder.read("EBA10.TXT"), QByteArray("Neu f\xfcr die Zehner\r\n"));
    SaveEbaHeading("9a");
    EXPECT_EQ(folder.read("eba9.txt"), QByteArray("Neu f\xfcr die Zehner\r\n"));

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
}

TEST(LevelFileNames, ByLevelAndSchoolType)
{
    const QString hs = "der Hauptschule";
    const QString gms = "der Gemeinschaftsschule";
    const std::tuple<QString, QString, const char*, const char*, const char*> cases[] = {
        // class file, school type, subject file, standard file, certificate key
        {"9a_1234_2.dbf", hs, "fa9-mit.DAT", "sta-fa9-mit.dat", "9"},
        {"x1", hs, "fax-mit.DAT", "sta-fax-mit.dat", "10"}, {"X1", hs, "fax-mit.DAT", "sta-fax-mit.dat", "10"},
        {"Y1", hs, "fay-mit.DAT", "sta-fay-mit.dat", "Y"}, {"4a", hs, "fachhsag.dat", "fag.dat", "9"},
        {"", hs, "fachhsag.dat", "fag.dat", "9"}, {"X1", gms, "fa9-GMS.dat", "sta-fa9-GMS.dat", "10"},
    };
    for (const auto& [cls, type, subjectFile, standardFile, key] : cases) {
        EXPECT_EQ(SubjectFileNameFor(cls, type), subjectFile) << cls.toStdString();
        EXPECT_EQ(StandardSubjectFileFor(cls, type), standardFile) << cls.toStdString();
        EXPECT_EQ(CertificateSectionKey(cls), key) << cls.toStdString();
    }
    EXPECT_EQ(EbaHeadingFileFor("9a"), "eba9.txt");
    EXPECT_EQ(EbaHeadingFileFor("4a"), "eba10.txt");
}

TEST_F(SubjectFile, ClassLevelLoadingWithAndWithoutSubjectFile)
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
