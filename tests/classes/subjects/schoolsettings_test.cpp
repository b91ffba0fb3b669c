// School settings ("epw5.dat", captions, SBBZ trimming) and the access
// password ("pwrsa.dat").
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/scriptedprompt.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>
#include <functional>
#include <tuple>

using namespace hsa;

namespace {

class School : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
    void TearDown() override { SetMainWindowRefresh(nullptr); }
    test::TempProgramFolder folder;
    ScriptedPrompt prompt;
    ScopedPrompt guard{prompt};
};

// Six lines with bytes that a text round trip would not keep: a Windows-1252
// umlaut, trailing blanks, a tab, an empty line.
const QByteArray kEpw5 = QByteArray("Schule am See?Irgendwo \r\n")
                         + "Stra\xdf" "e 1\t \r\n" + "12\r\n" + "0\r\n"
                         + "der Hauptschule\r\n" + "\r\n";

} // namespace

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

TEST_F(School, StartUpReadsLineOneAndFive)
{
    // Without the file the defaults stay, and nothing is said; so does the
    // shipped file.
    LoadSchoolSettingsAtStart();
    EXPECT_EQ(state().schoolTypeCaption, "Werkrealschulklasse");
    folder.layDefaults();
    EXPECT_EQ(ReadRawLines(folder.file("epw5.dat")).size(), 6);
    LoadSchoolSettingsAtStart();
    EXPECT_EQ(state().schoolTypeText, "der Hauptschule mit Werkrealschule");
    EXPECT_EQ(state().schoolNameCaption, "Hauptschule mit Werkrealschule\nIrgendwo");
    EXPECT_TRUE(prompt.shown().isEmpty());
    QFile::remove(folder.file("epw5.dat"));

    folder.write("EPW5.DAT", kEpw5);
    int refreshed = 0;
    SetMainWindowRefresh([&] { ++refreshed; });
    LoadSchoolSettingsAtStart();
    EXPECT_EQ(state().schoolName, "Schule am See?Irgendwo ");
    EXPECT_EQ(state().schoolNameCaption, "Schule am See\nIrgendwo ");
    EXPECT_EQ(state().schoolTypeText, "der Hauptschule");
    EXPECT_EQ(state().schoolTypeCaption, "Haupt-/Werkrealschulklasse");
    EXPECT_FALSE(state().eveningSchoolMode);
    EXPECT_EQ(refreshed, 1);

    resetState();
    folder.write("EPW5.DAT", "\r\n\r\n0\r\n0\r\nder Abendrealschule\r\n");
    LoadSchoolSettingsAtStart();
    EXPECT_EQ(state().schoolName, "Hauptschule mit Werkrealschule Irgendwo");
    EXPECT_TRUE(state().eveningSchoolMode);
}

TEST_F(School, SaveRewritesOnlyLineFiveByteForByte)
{
    folder.write("epw5.dat", kEpw5);
    subjects().subjectNames[0] = "3 7 ";
    subjects().subjectNames[4] = "Deutsch";
    ASSERT_TRUE(SaveSchoolType("SBBZ mit Förderschwerpunkt Lernen"));
    QByteArray expected = kEpw5;
    expected.replace("der Hauptschule\r\n", "F\xf6rderschwerpunkt\r\n");
    EXPECT_EQ(folder.read("epw5.dat"), expected);
    // In memory the phrase stays as typed; the subject names are read anew.
    EXPECT_EQ(state().schoolTypeText, "SBBZ mit Förderschwerpunkt Lernen");
    EXPECT_EQ(state().schoolTypeCaption, "SBBZ Lernen");
    EXPECT_EQ(subjects().subjectNames[0], "3 7 ");
    EXPECT_TRUE(state().subjectNames.value(4).isEmpty());

    ASSERT_TRUE(SaveSchoolType("der Abendrealschule"));
    EXPECT_TRUE(state().eveningSchoolMode);
    // The school name goes to line 1, and only when it changed.
    ASSERT_TRUE(SaveSchoolType("der Realschule", QString("Realschule Neustadt")));
    EXPECT_EQ(ReadRawLines(folder.file("epw5.dat")).mid(0, 2),
              (QList<QByteArray>{"Realschule Neustadt", "Stra\xdf" "e 1\t "}));
    EXPECT_EQ(state().schoolName, "Realschule Neustadt");
    EXPECT_TRUE(prompt.shown().isEmpty());

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
}

TEST_F(School, SaveWithoutFileKeepsModeAndCaptionConsistentAndRefusesWhatNoFileHolds)
{
    ASSERT_TRUE(SaveSchoolType("der Abendrealschule"));
    EXPECT_EQ(prompt.texts(), QStringList{"Änderung erfolgt"});
    EXPECT_FALSE(folder.exists("epw5.dat"));
    EXPECT_TRUE(state().eveningSchoolMode);
    ASSERT_TRUE(SaveSchoolType("der Gemeinschaftsschule"));
    EXPECT_FALSE(state().eveningSchoolMode);
    EXPECT_EQ(state().schoolTypeCaption, "Gemeinschaftsschulklasse");

    folder.write("epw5.dat", kEpw5);
    EXPECT_FALSE(SaveSchoolType(QString::fromUtf8("der \u0151kola")));
    EXPECT_EQ(folder.read("epw5.dat"), kEpw5);
    EXPECT_EQ(state().schoolTypeText, "der Gemeinschaftsschule");
    EXPECT_EQ(prompt.shown().size(), 3);
}

TEST_F(School, PasswordEncodingShiftsEveryByteBySevenAndKeepsEveryCharacter)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QByteArray enc = EncodePassword(all);
    EXPECT_EQ(static_cast<unsigned char>(enc[0]), 249);
    EXPECT_EQ(static_cast<unsigned char>(enc[7]), 0);
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

TEST_F(School, PasswordDialogAnswers)
{
    PasswordPrompt p = PreparePasswordPrompt();
    EXPECT_EQ(p.label, "Erster Start mit Passwort 3wiro");
    EXPECT_EQ(p.storedPassword, "3wiro");
    WritePasswordFile("Geheim");
    p = PreparePasswordPrompt();
    EXPECT_EQ(p.label, "Passwort eingeben");
    EXPECT_FALSE(SubmitPassword(p, "geheim"));
    EXPECT_EQ(prompt.lastText(), "Falsches Passwort !");
    EXPECT_TRUE(state().accessLocked);
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
TEST_F(School, SetOrRemovePasswordKeepsTheOldOneUnlessAllIsRight)
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
        {"Neu!", false, "yes||", "", "", false}, {"alt", false, "no", "", none, false},
        {"alt", true, "no|falsch", "Falsches Passwort !", "alt", true}, {"alt", true, "yes|cancel", "", "alt", true},
        {"alt", true, "yes|falsch", "Falsches Passwort !", "alt", true},
        {"alt", true, "yes|alt|neu|neu", "", "neu", false}, {"alt", true, "no|alt", "", none, false},
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
    prompt.clear();
    prompt.yes().text("").text("");
    SetOrRemovePassword();
    EXPECT_EQ(folder.read("pwrsa.dat"), QByteArray("\r\n"));
    EXPECT_EQ(prompt.shown()[1].caption, "Passwort eingeben");
    EXPECT_EQ(prompt.shown()[2].caption, "Passwort wiederholen");
}

TEST_F(School, ZoomChoices)
{
    const std::tuple<int, int, std::optional<int>> cases[] = {
        {0, 0, 120}, {2, 0, 100}, {5, 0, 70}, {6, 135, 135}, {6, 0, {}}, {6, -5, {}}, {-1, 100, {}}};
    for (const auto& [index, custom, zoom] : cases)
        EXPECT_EQ(ZoomFromChoice(index, custom), zoom) << index << " " << custom;
    EXPECT_EQ(prompt.shown().size(), 2);
}

// A read or write of "epw5.dat" or "pwrsa.dat" that fails is reported in
// German and changes neither the file nor what the program holds.
TEST_F(School, FileErrorsAreReportedAndChangeNothing)
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
