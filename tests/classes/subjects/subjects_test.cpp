// Subject files, short codes, certificate lines and the other level files, the subject editor,
// the shipped defaults, the school settings ("epw5.dat") and the access password ("pwrsa.dat").
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "classes/subjecteditor.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/scriptedprompt.h"
#include "support/programfolder.h"
#include "support/textbytes.h"

#include <gtest/gtest.h>
#include <functional>
#include <tuple>

using namespace hsa;
using hsa::test::crlf;

namespace {

class Subjects : public test::ProgramFolderTest {};

class Editor : public Subjects {
protected:
    void SetUp() override
    {
        Subjects::SetUp();
        state().openClassFile = "9a_2526_2.dbf";
        state().schoolTypeText = "der Werkrealschule";
        subjects().subjectFileName = SubjectFileNameFor(state().openClassFile, state().schoolTypeText);
    }
};

// Six lines with bytes that a text round trip would not keep: a Windows-1252
// umlaut, trailing blanks, a tab, an empty line.
const QByteArray kEpw5 = QByteArray("Schule am See?Irgendwo \r\n") + "Stra\xdf" "e 1\t \r\n" + "12\r\n" + "0\r\n"
                         + "der Hauptschule\r\n" + "\r\n";

// Every line ends in CR LF, no lone LF or CR, no UTF-8 sequences.
bool isCp1252CrLf(const QByteArray& bytes)
{
    QByteArray rest = bytes;
    rest.replace("\r\n", "");
    return bytes.endsWith("\r\n") && !rest.contains('\r') && !rest.contains('\n') && !bytes.contains('\xc3');
}

} // namespace

TEST_F(Subjects, ReadsExamRowsNamesAndSection)
{
    SubjectData d;
    const SubjectFileText t = ApplySubjectFileLines({"3 7 ", "1", "Religion", "Ethik", "Deutsch", "Kunst", "Sport", "Musik",
                                                     "Mathematik", "****1", "Leistungen", "Fußzeile eins",
                                                     "Durchschnittsberechnung:", "11a1a1a", "Fußzeile zwei"}, d);
    EXPECT_EQ(d.writtenExamRows, (std::array<int, 4>{3, 7, 0, 0}));
    EXPECT_TRUE(d.examSubjectMultiplier == 2 && d.msgGradeIndex == 1);
    EXPECT_EQ(d.subjectBlockHeading, "Leistungen");
    // The marker line uses up one of the five footer places.
    EXPECT_EQ(d.footerLines, (std::array<QString, 5>{"Fußzeile eins", "", "Fußzeile zwei", "", ""}));
    EXPECT_EQ(d.subjectCodeString, "11a1a1a");
    EXPECT_EQ(t.subjectLines, (QStringList{"Religion", "Ethik", "Deutsch*", "Kunst", "Sport", "Musik", "Mathematik*"}));
    EXPECT_EQ(t.lowerLines, (QStringList{"Leistungen", "Fußzeile eins", "Durchschnittsberechnung:", "11a1a1a", "Fußzeile zwei"}));
}

TEST_F(Subjects, EndMarkVariantsAndMissingCodeString)
{
    for (const auto& [mark, msg] : {std::pair{QString("****"), 0}, {QString("****0"), 0}, {QString("****1"), 1},
                                    {QString("*****"), 0}, {QString("xx****1"), 0}, {QString("****1 "), 1}}) {
        SubjectData d;
        d.msgGradeIndex = 1 - msg;
        ApplySubjectFileLines({"3 ", "0", "Deutsch", mark, "Kopf"}, d);
        EXPECT_EQ(d.msgGradeIndex, msg) << mark.toStdString();
        // Without a "Durchschnittsberechnung" line the code string is all ones.
        EXPECT_EQ(d.subjectCodeString, QString(39, '1'));
    }
    SubjectData d;
    ApplySubjectFileLines({"3 ", "0", "Deutsch", "****0", "Kopf", "Durchschnittsberechnung"}, d);
    EXPECT_EQ(d.subjectCodeString, QString(39, '1'));
    // "****" as the last line leaves the heading as it was.
    d.subjectBlockHeading = "vorher";
    ApplySubjectFileLines({"3 ", "0", "Deutsch", "****0"}, d);
    EXPECT_EQ(d.subjectBlockHeading, "vorher");
    // Names are cut to 60 characters; a choice outside the three is the first.
    for (const char* line2 : {"", "2147483647", "3", "-5"}) {
        ApplySubjectFileLines({"", line2, QString(75, 'x')}, d);
        EXPECT_EQ(d.subjectNames[2].size(), 60);
        EXPECT_EQ(d.examSubjectMultiplier, 1) << line2;
        EXPECT_EQ(d.multiplierIndex, 0) << line2;
    }
}

TEST_F(Subjects, AnEndMarkBeyondLine24IsNotReadAndTheSectionStays)
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
    EXPECT_EQ(t.subjectLines.size(), 22);
    EXPECT_EQ((QStringList{d.subjectBlockHeading, d.footerLines[0], d.subjectCodeString}), (QStringList{"alt", "Fuß", "1"}));
    // 23 lines before it: the mark is read.
    lines.removeAt(23);
    EXPECT_TRUE(ApplySubjectFileLines(lines, d).hadEndMark);
    EXPECT_EQ(d.subjectCodeString, "222");
}

TEST_F(Subjects, MissingFileChangesNothingAndUnreadableRaises)
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

TEST_F(Subjects, SavingNumbersTheWrittenRowsAndReadsBack)
{
    // Two-digit rows keep their two-character fields; blanks around a "*" go.
    QStringList many;
    for (int i = 1; i <= 14; ++i)
        many << (i == 3 ? QString("  F3 *") : i == 14 ? QString("F14*") : QString("F%1").arg(i));
    const SubjectFileDraft two = BuildSubjectFile(many, {"Kopf"}, 2, 0);
    EXPECT_EQ(two.examField, "3 14");
    SubjectData d;
    ApplySubjectFileLines(two.lines, d);
    EXPECT_EQ(d.writtenExamRows, (std::array<int, 4>{3, 14, 0, 0}));
    EXPECT_EQ(d.examSubjectMultiplier, 3);
    EXPECT_EQ(d.subjectNames[4], "F3");
    // Every "*" goes, so no name can carry the end mark into the file.
    EXPECT_EQ(BuildSubjectFile({"De****utsch"}, {"K"}, 0, 0).lines, (QStringList{"1 ", "0", "Deutsch", "****0", "K"}));
}

// Lists that would not read back as typed are refused, and nothing is written.
TEST_F(Subjects, SavingRefusesListsThatWouldNotReadBack)
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
        {twenty, {"Kopf"}, "höchstens 19 Fächer"}, {spaced, {"Kopf"}, nullptr},   // blank lines are no subjects
        // Five footer lines push the code string out of the seven lines kept.
        {d, {"Kopf", "F1", "F2", "F3", "F4", "F5", "Durchschnittsberechnung", "111"}, "mehr als vier Fußzeilen"},
        {d, {"Kopf", "F1", "F2", "F3", "F4", "Durchschnittsberechnung", "111"}, nullptr},
        {d, {"Kopf", "Durchschnittsberechnung"}, "fehlt die Zeile mit den Fachgewichten"},
        {d, {"Durchschnittsberechnung", "11"}, "Überschrift des Fächerblocks"},
        {d, {"K", "1", "2", "3", "4", "5", "6", "sieben"}, "ginge verloren"},
        {d, {"K", "1", "2", "3", "4", "5", "6", "", " "}, nullptr},
        {{"A*", "B*", "C*", "D*", "E*"}, {"K"}, "höchstens 4 Prüfungsfächer"},
        {{"Deutsch", " * "}, {"K"}, "ohne Fachnamen"}, {{QString(61, 'a')}, {"K"}, "länger als 60 Zeichen"},
        {{QString(60, 'a')}, {"K"}, nullptr}, {{QString::fromUtf8("Fach \u0151")}, {"K"}, "nicht gespeichert werden können"},
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
    const std::pair<const char*, const char*> cases[] = {
        // Direct patterns: the first found gives the code at once.
        {"Religionslehre", "R"}, {"Naturwissenschaft2", "NW2"}, {"Alltagskultur, Ernährung, Soziales", "AES"},
        {"Gesundheit", "WAG"}, {"Gesundheit und Soziales/Sport", "GuS"}, {"Religionslehre/Ethik/Deutsch", "R-E"},
        {"Wirtschaft und Informatik", "WBS"}, {"Wirtschaftslehre/Informatik", "WBS"}, {"Deutsch/Mathematik", "D"},
        // Provisional patterns: a later one replaces an earlier one, a final one ends at once.
        {"Erdkunde", "Ek"}, {"Textverarbeitung", "TW"}, {"Wirtsch.lehre", "Wl"}, {"Natur u. Technik", "NuT"},
        {"Naturphänomene", "Nph"}, {"Chemie Biologie", "Bio"}, {"Musik Sport Technik", "Sp"},
        {"Technik Hauswirtschaft", "Hw"}, {"Ethik Englisch", "Eth"}, {"Englisch Musik", "E"},
        // Slashes split the name, a trailing one is kept.
        {"Biologie/Chemie/Physik", "Bio/Ch/Ph"}, {"Geschichte/", "G/"}, {"Chemie/Sport", "Sp"},
        {"Projekt/Chemie", "Proj/Ch"}, {"Hauswirtschaft/Textiles Werken", "HTW"}, {"Hauswirtschaft/Textil", "HTW"},
        // No code, and the four-letter fallback, where case counts.
        {"Wahlpflichtbereich", ""}, {"Technik/Wahlpflicht", ""}, {"", ""}, {"    ", ""}, {"Kunst", "Kuns"},
        {"AG", "AG  "}, {"Schulsport", "Schu"}, {"deutsch", "deut"}};
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

// The section of the level, with the mixed wording settled by the school
// type; a missing section gives a message and the built-in texts.
TEST_F(Subjects, CertificateLinesOfTheLevel)
{
    using Lines = std::array<QString, 5>;
    const QStringList full{"Klasse 9", "Titel 9", "nach Klasse 9 der Werkrealschule/Hauptschule, Werkrealschule/Hauptschule",
                           "EBA 9", "Rolle 9", "Schluss 9", "Klasse 10", "Titel 10", "Satz 10", "EBA 10", "Rolle 10", "Schluss 10"};
    const QStringList only9{"Klasse 9", "T", "S", "E", "R", "C"};
    const Lines old{"a", "b", "c", "d", "e"};
    const struct {
        QStringList file;   // empty: no file
        const char* school;
        const char* classFile;
        Lines expected;
        bool reported;
    } cases[] = {
        {full, "der Hauptschule mit Werkrealschule", "9a_1234_2.dbf",
         {"Titel 9", "nach Klasse 9 der Werkrealschule, Werkrealschule", "EBA 9", "Rolle 9", "Schluss 9"}, false},
        {full, "der Hauptschule", "9a_1234_2.dbf",
         {"Titel 9", "nach Klasse 9 der Hauptschule, Hauptschule", "EBA 9", "Rolle 9", "Schluss 9"}, false},
        {full, "der Hauptschule", "X1_1234_2.dbf", {"Titel 10", "Satz 10", "EBA 10", "Rolle 10", "Schluss 10"}, false},
        // A short section leaves the rest empty; without the file nothing changes.
        {{"Klasse 9", "nur Titel"}, "der Hauptschule", "9", {"nur Titel", "", "", "", ""}, false},
        {{}, "der Hauptschule", "9", old, false},
        // The marker as the very last line counts as missing; level Y keeps the lines it had.
        {only9, "der Hauptschule", "x2_1234_2.dbf", BuiltInCertificateLines("10"), true},
        {{"Klasse 10", "a", "b", "c", "d", "e", "Klasse 9"}, "der Hauptschule", "9a_1234_2.dbf",
         BuiltInCertificateLines("9"), true},
        {only9, "der Hauptschule", "y1_1234_2.dbf", old, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.classFile + (" " + c.file.value(0)).toStdString());
        QFile::remove(folder.file("wahlzeilen.txt"));
        if (!c.file.isEmpty())
            folder.write("wahlzeilen.txt", crlf(c.file));
        state().schoolTypeText = c.school;
        subjects().certificateLines = old;
        subjects().ebaHeading = old[2];
        prompt.clear();
        LoadCertificateLines(c.classFile);
        EXPECT_EQ(subjects().certificateLines, c.expected);
        EXPECT_EQ(subjects().ebaHeading, c.expected[2]);
        EXPECT_EQ(prompt.texts(), c.reported ? QStringList{"Fehler: Die Datei wahlzeilen.txt ist nicht in Ordnung"} : QStringList{});
    }
}

TEST_F(Subjects, EbaHeadingAndProfileCodesPerLevel)
{
    folder.write("eba9.txt", crlf({"Angebot Klasse 9"}));
    folder.write("EBA10.TXT", crlf({"Angebot Klasse 10"}));
    for (const auto& [cls, heading] : {std::pair{"9a", "Angebot Klasse 9"}, {"X1", "Angebot Klasse 10"},
                                       {"y1", "Teilnahme am Erweiterten Bildungsangebot:"}}) {
        LoadEbaHeading(cls);
        EXPECT_EQ(subjects().ebaHeading, QString::fromUtf8(heading)) << cls;
    }
    subjects().ebaHeading = "Neu für die Zehner";
    // Every level but 9 keeps its heading in eba10.txt.
    for (const auto& [cls, file] : {std::pair{"y1", "EBA10.TXT"}, {"9a", "eba9.txt"}}) {
        SaveEbaHeading(cls);
        EXPECT_EQ(folder.read(file), QByteArray("Neu f\xfcr die Zehner\r\n")) << cls;
    }

    state().schoolTypeText = "der Realschule";
    LoadProfileCodes();
    EXPECT_TRUE(subjects().profileCodes[0] == "BKP" && !subjects().profileControlsShown);
    folder.write("profilkuerzel.txt", crlf({"AAA", "BBB", "CCC"}));
    state().schoolTypeText = "der Gemeinschaftsschule";
    LoadProfileCodes();
    EXPECT_TRUE(subjects().profileControlsShown);
    EXPECT_EQ(subjects().profileCodes, (std::array<QString, 6>{"AAA", "BBB", "CCC", "", "", ""}));
}

TEST(LevelFileNames, ByLevelAndSchoolType)
{
    // Class file, Gemeinschaftsschule?, subject file, standard file, certificate key, heading file.
    const std::tuple<const char*, bool, const char*, const char*, const char*, const char*> cases[] = {
        {"9a_1234_2.dbf", false, "fa9-mit.DAT", "sta-fa9-mit.dat", "9", "eba9.txt"},
        {"x1", false, "fax-mit.DAT", "sta-fax-mit.dat", "10", "eba10.txt"},
        {"X1", false, "fax-mit.DAT", "sta-fax-mit.dat", "10", "eba10.txt"},
        {"Y1", false, "fay-mit.DAT", "sta-fay-mit.dat", "Y", "eba10.txt"},
        {"4a", false, "fachhsag.dat", "fag.dat", "9", "eba10.txt"}, {"", false, "fachhsag.dat", "fag.dat", "9", "eba10.txt"},
        {"X1", true, "fa9-GMS.dat", "sta-fa9-GMS.dat", "10", "eba10.txt"}};
    for (const auto& [cls, gms, subjectFile, standardFile, key, headingFile] : cases) {
        const QString type = gms ? "der Gemeinschaftsschule" : "der Hauptschule";
        EXPECT_EQ(SubjectFileNameFor(cls, type), subjectFile) << cls;
        EXPECT_EQ(StandardSubjectFileFor(cls, type), standardFile) << cls;
        EXPECT_EQ(CertificateSectionKey(cls), key) << cls;
        EXPECT_EQ(EbaHeadingFileFor(cls), headingFile) << cls;
    }
}

TEST_F(Subjects, ClassLevelLoadingReadsTheSubjectFileOrFallsBackToTheBuiltInList)
{
    state().schoolTypeText = "der Werkrealschule";
    folder.write("FA9-MIT.dat", crlf({"1 2 ", "0", "Deutsch", "Mathe", "****1", "Kopf"}));
    LoadClassLevelSubjects("9a_1234_2.dbf");
    EXPECT_EQ(state().subjectNames.mid(2, 3), (QStringList{"Deutsch", "Mathe", ""}));
    EXPECT_EQ(subjects().writtenExamRows, (std::array<int, 4>{1, 2, 0, 0}));
    EXPECT_EQ(state().subjectBlockHeading, "Kopf");
    EXPECT_EQ(subjects().msgGradeIndex, 1);
    // Without it the next opening has the built-in list again.
    QFile::remove(folder.file("FA9-MIT.dat"));
    LoadClassLevelSubjects("9a_1234_2.dbf");
    EXPECT_EQ(subjects().writtenExamRows, (std::array<int, 4>{3, 7, 7, 7}));
}

TEST_F(Editor, OpeningShowsTheBuiltInListOrTheSubjectFile)
{
    const SubjectEditorContent c = OpenSubjectEditor();
    ASSERT_EQ(prompt.shown().size(), 2);
    EXPECT_TRUE(prompt.shown()[0].text.startsWith("ACHTUNG:  ES WIRD DRINGEND EMPOHLEN, AN DEN FÄCHERN NICHTS ZU ÄNDERN."));
    EXPECT_TRUE(prompt.shown()[1].text.startsWith("NOCH EINMAL: BITTE ÄNDERN SIE AN DEN FÄCHERN NICHTS."));
    EXPECT_TRUE(c.showProjectHint);
    EXPECT_EQ(c.upper.mid(2, 5), (QStringList{"Deutsch*", "Erdkunde", "Geschichte/Gemeinschaftskunde", "Englisch", "Mathematik*"}));
    EXPECT_EQ(c.lower.value(0), subjects().subjectBlockHeading);

    // With a subject file the editor shows it; a cancel restores the heading
    // of the extended offer the certificate lines brought.
    folder.write("fa9-mit.DAT", crlf({"1 ", "2", "Deutsch", "Mathe", "****1", "Kopf", "Durchschnittsberechnung", "10"}));
    folder.write("wahlzeilen.txt", crlf({"Klasse 9", "T", "S", "Angebot aus wahlzeilen", "R", "C"}));
    subjects().ebaHeading = "vorher";
    prompt.clear();
    const SubjectEditorContent f = OpenSubjectEditor();
    EXPECT_EQ(f.upper, (QStringList{"Deutsch*", "Mathe"}));
    EXPECT_EQ(f.lower, (QStringList{"Kopf", "Durchschnittsberechnung", "10"}));
    EXPECT_TRUE(f.multiplierIndex == 2 && f.msgGradeIndex == 1);
    EXPECT_EQ(subjects().ebaHeading, "Angebot aus wahlzeilen");
    CancelSubjectEditor(f);
    EXPECT_EQ(state().ebaHeading, "vorher");
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
    EXPECT_EQ(state().footerLines[0], "Fuß");
    // What a class opening reads from the file is what memory holds.
    SubjectData reread;
    ReadSubjectFile(folder.file("fa9-mit.DAT"), reread);
    const SubjectData& d = subjects();
    EXPECT_TRUE(std::tie(reread.subjectNames, reread.writtenExamRows, reread.examSubjectMultiplier, reread.footerLines,
                         reread.subjectCodeString)
                == std::tie(d.subjectNames, d.writtenExamRows, d.examSubjectMultiplier, d.footerLines, d.subjectCodeString));
}

// Fewer written-exam subjects than the level has (two in class 9, four in
// class 10; level Y asks nothing) need a confirmation before saving.
TEST_F(Editor, ExamCountQuestionPerLevel)
{
    const std::tuple<const char*, const char*, QStringList, const char*, bool> cases[] = {
        {"9a_2526_2.dbf", "fa9-mit.DAT", {"Deutsch*", "Mathe"}, "no", false},
        {"9a_2526_2.dbf", "fa9-mit.DAT", {"Deutsch*", "Mathe"}, "yes", true},
        {"X1_2526_2.dbf", "fax-mit.DAT", {"D*", "M*", "E*"}, "no", false},
        {"X1_2526_2.dbf", "fax-mit.DAT", {"D*", "M*", "E*", "T*"}, "", true},
        {"y1_2526_2.dbf", "fay-mit.DAT", {"D*"}, "", true}};
    for (const auto& [cls, file, upper, answer, saved] : cases) {
        state().openClassFile = cls;
        subjects().subjectFileName = file;
        SubjectEditorContent c;
        c.upper = upper;
        c.lower = {"Kopf"};
        prompt.clear();
        if (*answer)
            answer == std::string("yes") ? prompt.yes() : prompt.no();
        EXPECT_EQ(SaveSubjectEditor(c), saved) << cls << " " << upper.join('|').toStdString();
        EXPECT_EQ(folder.exists(file), saved) << cls;
        EXPECT_EQ(prompt.remainingAnswers(), 0);
        EXPECT_EQ(prompt.lastText().startsWith("Haben Sie wirklich alle Pflichtprüfungsfächer\n\rmit einem * abgeschlossen?"),
                  *answer != 0) << cls;
    }
}

TEST_F(Editor, RefusalWritesNothing)
{
    const QByteArray before = crlf({"3 7 ", "0", "Alt", "****0", "Kopf"});
    folder.write("fa9-mit.DAT", before);
    subjects().subjectNames[2] = "Alt";
    SubjectEditorContent c;
    c.lower = {"Kopf"};
    for (int i = 1; i <= 20; ++i)
        c.upper << QString("Fach %1").arg(i);
    EXPECT_FALSE(SaveSubjectEditor(c));
    EXPECT_TRUE(prompt.lastText().contains("höchstens 19 Fächer"));
    EXPECT_EQ(folder.read("fa9-mit.DAT"), before);
    EXPECT_EQ(subjects().subjectNames[2], "Alt");
    EXPECT_FALSE(folder.exists("eba9.txt"));
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

TEST_F(Subjects, ShippedStandardSubjectFilesReadAsTheBuiltInList)
{
    folder.layDefaults();
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
        EXPECT_TRUE(isCp1252CrLf(folder.read(f.file)));
        SubjectData d;
        const auto text = ReadSubjectFile(folder.file(f.file), d);
        ASSERT_TRUE(text.has_value());
        // Rows 2 on are the built-in names, nothing after them.
        EXPECT_TRUE(std::equal(d.subjectNames.begin() + 2, d.subjectNames.end(), builtIn.subjectNames.begin() + 2));
        EXPECT_EQ(d.writtenExamRows, f.rows);
        EXPECT_TRUE(d.examSubjectMultiplier == 1 && d.msgGradeCounts());
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

TEST_F(Subjects, ShippedCertificateLinesOfEveryLevel)
{
    folder.layDefaults();
    EXPECT_TRUE(isCp1252CrLf(folder.read("wahlzeilen.txt")));
    state().schoolTypeText = "der Werkrealschule";
    LoadCertificateLines("9a_2526_2.dbf");
    EXPECT_EQ(state().certificateLines.mid(0, 3),
              (QStringList{"Hauptschulabschlusszeugnis",
                           "hat die Hauptschulabschlussprüfung nach Klasse 9 der Werkrealschule mit Erfolg abgelegt.",
                           "Teilnahme an Arbeitsgemeinschaften/ergänzenden Angeboten:"}));
    LoadCertificateLines("X1_2526_2.dbf");
    EXPECT_EQ(subjects().certificateLines, BuiltInCertificateLines("10"));
    state().schoolTypeText = "der Hauptschule";
    LoadCertificateLines("y1_2526_2.dbf");
    EXPECT_EQ(subjects().certificateLines[1],
              "hat die Hauptschulabschlussprüfung nach Klasse 10 der Hauptschule mit Erfolg abgelegt.");
    EXPECT_TRUE(prompt.shown().isEmpty());

    // The two default copies hold all three sections as well.
    for (const char* copy : {"wahlzeilen.alt", "wahlzeilen.neu"})
        for (const char* cls : {"9", "x", "y"}) {
            SubjectData d;
            EXPECT_TRUE(ApplyCertificateLines(ReadTextLines(folder.file(copy)), cls, "der Hauptschule", d)) << copy << cls;
        }
}

TEST(SchoolCaption, RulesInOrderLaterMatchWinsAndSbbzTrimming)
{
    const std::pair<const char*, const char*> captions[] = {
        {"der Hauptschule", "Haupt-/Werkrealschulklasse"},
        {"der Hauptschule mit Werkrealschule", "Werkrealschulklasse"}, {"der Werkrealschule", "Werkrealschulklasse"},
        {"der Realschule", "Realschulklasse"}, {"der Abendrealschule", "alt"}, {"des Gymnasiums", "Gymnasialklasse"},
        {"Förderschule", "SBBZ Lernen"}, {"SBBZ", "SBBZ Lernen"},
        {"der Gemeinschaftsschule", "Gemeinschaftsschulklasse"}, {"der Gesamtschule", "Gesamtschulklasse"},
        {"des SBBZ BIldungsgang Werkrealschule / Realschule", "Werkrealschulklasse"},
        {"SBBZ Bildungsgang Realschule", "SBBZ SBBZ Bildungsgang Realschule"},
        {"Hauptschule der Gemeinschaftsschule", "Gemeinschaftsschulklasse"},
        {"", "alt"}};
    for (const auto& [phrase, caption] : captions)
        EXPECT_EQ(SchoolTypeCaption(QString::fromUtf8(phrase), "alt"), QString::fromUtf8(caption)) << phrase;
    EXPECT_EQ(SchoolNameCaption("Schule?am See?Ort"), "Schule\nam See?Ort");
    EXPECT_TRUE(IsEveningSchool("der Abendrealschule"));
    EXPECT_FALSE(IsEveningSchool("der Realschule"));

    const std::pair<const char*, const char*> trimmed[] = {
        {"SBBZ mit Förderschwerpunkt Lernen", "Förderschwerpunkt"},
        {"SBBZ: Förderschwerpunkt Lernen", "Förderschwerpunkt"}, {"SBBZ mit SBBZ: Lernen", "Lernen"},
        {"SBBZ mit Bildungsgang Lernen", "Bildungsgang Lernen"},
        {"des SBBZ BIldungsgang Werkrealschule / Realschule", "des SBBZ BIldungsgang Werkrealschule / Realschule"},
        // A prefix further in goes with what precedes it, no fixed cut.
        {"des SBBZ mit Förderschwerpunkt Lernen  ", "Förderschwerpunkt"},
        // " Lernen" inside the phrase stays.
        {"Lernen Lernen und mehr", "Lernen Lernen und mehr"},
        {"der Hauptschule", "der Hauptschule"}};
    for (const auto& [phrase, kept] : trimmed)
        EXPECT_EQ(TrimSbbzPhrase(QString::fromUtf8(phrase)), QString::fromUtf8(kept)) << phrase;
}

TEST_F(Subjects, StartUpReadsLineOneAndFive)
{
    // Without the file the defaults stay, and nothing is said; so does the
    // shipped file.
    LoadSchoolSettingsAtStart();
    EXPECT_EQ(state().schoolTypeCaption, "Werkrealschulklasse");
    folder.layDefaults();
    LoadSchoolSettingsAtStart();
    EXPECT_EQ(state().schoolTypeText + "|" + state().schoolNameCaption,
              "der Hauptschule mit Werkrealschule|Hauptschule mit Werkrealschule\nIrgendwo");
    EXPECT_TRUE(prompt.shown().isEmpty());
    QFile::remove(folder.file("epw5.dat"));

    folder.write("EPW5.DAT", kEpw5);
    int refreshed = 0;
    SetMainWindowRefresh([&] { ++refreshed; });
    LoadSchoolSettingsAtStart();
    EXPECT_EQ((QStringList{state().schoolName, state().schoolNameCaption, state().schoolTypeText, state().schoolTypeCaption}),
              (QStringList{"Schule am See?Irgendwo ", "Schule am See\nIrgendwo ", "der Hauptschule", "Haupt-/Werkrealschulklasse"}));
    EXPECT_EQ(refreshed, 1);

    resetState();
    folder.write("EPW5.DAT", "\r\n\r\n0\r\n0\r\nder Abendrealschule\r\n");
    LoadSchoolSettingsAtStart();
    EXPECT_EQ(state().schoolName, "Hauptschule mit Werkrealschule Irgendwo");
    EXPECT_TRUE(state().eveningSchoolMode);
}

TEST_F(Subjects, SaveRewritesOnlyLineFiveByteForByte)
{
    folder.write("epw5.dat", kEpw5);
    subjects().subjectNames[0] = "3 7 ";
    subjects().subjectNames[4] = "Deutsch";
    ASSERT_TRUE(SaveSchoolType("SBBZ mit Förderschwerpunkt Lernen"));
    QByteArray expected = kEpw5;
    expected.replace("der Hauptschule\r\n", "F\xf6rderschwerpunkt\r\n");
    EXPECT_EQ(folder.read("epw5.dat"), expected);
    // In memory the phrase stays as typed; the subject names are read anew.
    EXPECT_EQ((QStringList{state().schoolTypeText, state().schoolTypeCaption, subjects().subjectNames[0],
                           state().subjectNames.value(4)}),
              (QStringList{"SBBZ mit Förderschwerpunkt Lernen", "SBBZ Lernen", "3 7 ", ""}));

    // The school name goes to line 1, and only when it changed.
    ASSERT_TRUE(SaveSchoolType("der Realschule", QString("Realschule Neustadt")));
    EXPECT_EQ(ReadRawLines(folder.file("epw5.dat")).mid(0, 2),
              (QList<QByteArray>{"Realschule Neustadt", "Stra\xdf" "e 1\t "}));
    EXPECT_EQ(state().schoolName, "Realschule Neustadt");
    EXPECT_TRUE(prompt.shown().isEmpty());

    // The school number goes to line 3 as an integer, and only when it changed.
    folder.write("epw5.dat", "Name\r\nOrt\r\n0815 \r\n4\r\nder Realschule\r\nx\r\n");
    ASSERT_TRUE(SaveSchoolType("der Realschule", std::nullopt, 815));
    EXPECT_EQ(folder.read("epw5.dat"), QByteArray("Name\r\nOrt\r\n0815 \r\n4\r\nder Realschule\r\nx\r\n"));
    ASSERT_TRUE(SaveSchoolType("der Realschule", std::nullopt, 4711));
    EXPECT_EQ(folder.read("epw5.dat"), QByteArray("Name\r\nOrt\r\n4711\r\n4\r\nder Realschule\r\nx\r\n"));
    EXPECT_EQ(ReadSchoolNumber(), 4711);

    // A short file is filled up to six lines, lines after the sixth are kept,
    // an empty phrase changes nothing.
    folder.write("epw5.dat", "Name\r\nOrt\r\n");
    EXPECT_FALSE(SaveSchoolType("   "));
    EXPECT_EQ(folder.read("epw5.dat"), QByteArray("Name\r\nOrt\r\n"));
    ASSERT_TRUE(SaveSchoolType("der Werkrealschule"));
    EXPECT_EQ(folder.read("epw5.dat"), QByteArray("Name\r\nOrt\r\n\r\n\r\nder Werkrealschule\r\n\r\n"));
    folder.write("epw5.dat", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n");
    ASSERT_TRUE(SaveSchoolType("der Realschule"));
    EXPECT_EQ(folder.read("epw5.dat"), QByteArray("1\r\n2\r\n3\r\n4\r\nder Realschule\r\n6\r\n7\r\n"));

    // Without the file mode and caption still follow the phrase; a phrase no
    // file can hold is refused.
    QFile::remove(folder.file("epw5.dat"));
    prompt.clear();
    ASSERT_TRUE(SaveSchoolType("der Abendrealschule"));
    EXPECT_EQ(prompt.texts(), QStringList{"Änderung erfolgt"});
    EXPECT_FALSE(folder.exists("epw5.dat"));
    EXPECT_TRUE(state().eveningSchoolMode);
    ASSERT_TRUE(SaveSchoolType("der Gemeinschaftsschule"));
    EXPECT_TRUE(!state().eveningSchoolMode && state().schoolTypeCaption == "Gemeinschaftsschulklasse");
    EXPECT_EQ(ReadSchoolNumber(), 0);
    // A school number is not lost for want of the file: it is made.
    ASSERT_TRUE(SaveSchoolType("der Gemeinschaftsschule", std::nullopt, 4711));
    EXPECT_EQ(folder.read("epw5.dat"), crlf({state().schoolName, "", "4711", "0", "der Gemeinschaftsschule", ""}));
    EXPECT_EQ(prompt.texts(), QStringList({"Änderung erfolgt", "Änderung erfolgt"}));

    folder.write("epw5.dat", kEpw5);
    EXPECT_FALSE(SaveSchoolType(QString::fromUtf8("der \u0151kola")));
    EXPECT_EQ(folder.read("epw5.dat"), kEpw5);
    EXPECT_EQ(state().schoolTypeText, "der Gemeinschaftsschule");
    EXPECT_EQ(prompt.shown().size(), 3);
}

TEST_F(Subjects, PasswordEncodingShiftsEveryByteBySevenAndKeepsEveryCharacter)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QByteArray enc = EncodePassword(all);
    EXPECT_EQ(static_cast<unsigned char>(enc[0]), 249);
    EXPECT_EQ(DecodePassword(enc), all);
    EXPECT_EQ(EncodePassword("3wiro"), QByteArray(",pbkh"));
    EXPECT_FALSE(PasswordBytes(QString::fromUtf8("Pa\u0151")).has_value());
    EXPECT_FALSE(PasswordBytes(QString("a\x11" "b")).has_value());
    EXPECT_EQ(*PasswordBytes(QString::fromUtf8("Gärten€")), QByteArray("G\xe4rten\x80"));
    // "!" becomes the byte 0x1A, "\xff" comes back through the wrap.
    for (const char* pw : {"!", "ÿ!ä€ Zeichen~", "", "\u00a0Abc\u00ff", "3wiro"}) {
        WritePasswordFile(QString::fromUtf8(pw));
        EXPECT_EQ(ReadStoredPassword(), QString::fromUtf8(pw));
    }
    EXPECT_EQ(folder.read("pwrsa.dat"), QByteArray(",pbkh\r\n"));
}

// A custom zoom of 0 or below is refused with a message, never applied.
TEST_F(Subjects, ZoomChoices)
{
    const std::tuple<int, int, std::optional<int>> cases[] = {
        {0, 0, 120}, {2, 0, 100}, {5, 0, 70}, {6, 135, 135}, {6, 0, {}}, {6, -5, {}}, {-1, 100, {}}};
    for (const auto& [index, custom, zoom] : cases)
        EXPECT_EQ(ZoomFromChoice(index, custom), zoom) << index << " " << custom;
    EXPECT_EQ(prompt.shown().size(), 2);
}

TEST_F(Subjects, PasswordDialogAnswers)
{
    PasswordPrompt p = PreparePasswordPrompt();
    EXPECT_EQ(p.label + "|" + p.storedPassword, "Erster Start mit Passwort 3wiro|3wiro");
    WritePasswordFile("Geheim");
    p = PreparePasswordPrompt();
    EXPECT_EQ(p.label, "Passwort eingeben");
    EXPECT_FALSE(SubmitPassword(p, "geheim"));
    EXPECT_TRUE(prompt.lastText() == "Falsches Passwort !" && state().accessLocked);
    EXPECT_TRUE(SubmitPassword(p, "Geheim"));
    EXPECT_FALSE(state().accessLocked);
    for (const bool quit : {false, true}) {
        quit ? prompt.yes() : prompt.no();
        EXPECT_EQ(ConfirmProgramAbort(), quit);
        EXPECT_EQ(state().quitRequested, quit);
        EXPECT_EQ(prompt.lastText(), "Sie wollen das Programm abbrechen?");
    }
    // The empty password is a password.
    WritePasswordFile("");
    EXPECT_TRUE(SubmitPassword(PreparePasswordPrompt(), ""));

    // An old "pw.dat" becomes the password file at start; without one the
    // program is not locked.
    QFile::remove(folder.file("pwrsa.dat"));
    resetState();
    PreparePasswordAtStart();
    EXPECT_FALSE(state().accessLocked);
    resetState();
    folder.write("pw.dat", EncodePassword("alt") + "\r\n");
    PreparePasswordAtStart();
    EXPECT_TRUE(state().accessLocked);
    EXPECT_FALSE(folder.exists("pw.dat"));
    EXPECT_EQ(ReadStoredPassword(), "alt");
}

// Setting, replacing and removing the password: a wrong repeat, a cancel, a
// character the file cannot hold or a wrong current password keep the old one.
TEST_F(Subjects, SetOrRemovePasswordKeepsTheOldOneUnlessAllIsRight)
{
    const std::optional<QString> none;
    const struct {
        std::optional<QString> stored;
        bool locked;
        const char* answers;          // "yes", "no", "cancel" or a typed text, "|" between
        const char* message;          // part of the last box shown
        std::optional<QString> after; // the stored password afterwards
        bool lockedAfter;
    } cases[] = {
        {none, false, "yes|Neu!|Neu!", "", "Neu!", false},
        {"Neu!", false, "yes|anders|Anders", "Wiederholung falsch! Altes Passwort bleibt.", "Neu!", false},
        {"Neu!", false, "yes|x|cancel", "", "Neu!", false},
        {"Neu!", false, "yes|Pass\u0151", "nicht gespeichert werden", "Neu!", false},
        {"alt", false, "no", "", none, false},
        {"alt", true, "no|falsch", "Falsches Passwort !", "alt", true}, {"alt", true, "yes|cancel", "", "alt", true},
        {"alt", true, "yes|falsch", "Falsches Passwort !", "alt", true},
        {"alt", true, "yes|alt|neu|neu", "", "neu", false}, {"alt", true, "no|alt", "", none, false},
        {"Neu!", false, "yes||", "", "", false},   // both prompts empty: an empty password
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answers);
        QFile::remove(folder.file("pwrsa.dat"));
        if (c.stored)
            WritePasswordFile(*c.stored);
        state().accessLocked = c.locked;
        prompt.clear();
        for (const QString& a : QString::fromUtf8(c.answers).split('|'))
            a == "yes" ? prompt.yes() : a == "no" ? prompt.no() : a == "cancel" ? prompt.cancelText() : prompt.text(a);
        SetOrRemovePassword();
        EXPECT_EQ(prompt.remainingAnswers(), 0);
        EXPECT_TRUE(prompt.lastText().contains(QString::fromUtf8(c.message))) << prompt.lastText().toStdString();
        EXPECT_EQ(ReadStoredPassword(), c.after);
        EXPECT_EQ(state().accessLocked, c.lockedAfter);
    }
    EXPECT_EQ(prompt.shown()[0].text, "Soll das Programm durch ein Passwort geschützt werden?");
    EXPECT_EQ(folder.read("pwrsa.dat"), QByteArray("\r\n"));
    // Each text stands in the box, not only in its title.
    for (const auto& [i, text] : {std::pair(1, "Passwort eingeben"), {2, "Passwort wiederholen"}})
        EXPECT_EQ(std::pair(prompt.shown()[i].caption, prompt.shown()[i].text), std::pair(QString(text), QString(text)));
}

// A read or write of "epw5.dat" or "pwrsa.dat" that fails is reported in
// German and changes neither the file nor what the program holds.
TEST_F(Subjects, FileErrorsAreReportedAndChangeNothing)
{
    const auto saveType = [] { SaveSchoolType("der Realschule", QString("Neu")); };
    const std::tuple<const char*, bool, std::function<void()>, const char*> cases[] = {
        {"start-up", true, [] { LoadSchoolSettingsAtStart(); }, "epw5.dat kann nicht geöffnet"},
        {"school type", true, saveType, "epw5.dat kann nicht geöffnet"},
        {"school type", false, saveType, "epw5.dat kann nicht erstellt"},
        {"new password", false, [] { SetOrRemovePassword(); }, "pwrsa.dat kann nicht erstellt"},
        {"locked change", true, [] { SetOrRemovePassword(); }, "pwrsa.dat kann nicht geöffnet"},
    };
    for (const auto& [name, failRead, action, message] : cases) {
        resetState();
        state().schoolName = "Alte Schule";
        state().accessLocked = QByteArray(name) == "locked change";
        folder.write("epw5.dat", kEpw5);
        WritePasswordFile("Alt");
        const auto fail = [](const QString& p, const char* what) {
            throw FileError("Datei " + p + " kann nicht " + what + " werden");
        };
        if (failRead) {
            settingsFileAccess().readBytes = [=](const QString& p) -> QByteArray { fail(p, "geöffnet"); return {}; };
            settingsFileAccess().readLines = [=](const QString& p) -> QList<QByteArray> { fail(p, "geöffnet"); return {}; };
        } else {
            settingsFileAccess().writeLines = [=](const QString& p, const QList<QByteArray>&) { fail(p, "erstellt"); };
        }
        prompt.clear();
        prompt.yes().text("Neu").text("Neu");
        try {
            action();
        } catch (const FileError& e) {
            showError(e.message());   // what the dialog does with it
        }
        ResetSettingsFileAccess();
        SCOPED_TRACE(name);
        EXPECT_TRUE(prompt.anyTextContains(QString::fromUtf8(message)));
        EXPECT_EQ(folder.read("epw5.dat"), kEpw5);
        EXPECT_EQ(*ReadStoredPassword(), "Alt");
        EXPECT_EQ(state().schoolName, "Alte Schule");
        EXPECT_FALSE(state().schoolTypeText.contains("Realschule"));
    }
}
