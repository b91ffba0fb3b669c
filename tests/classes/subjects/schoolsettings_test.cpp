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

TEST(SchoolCaption, RulesInOrderLaterMatchWins)
{
    const std::pair<const char*, const char*> cases[] = {
        {"der Hauptschule", "Haupt-/Werkrealschulklasse"},
        {"der Hauptschule mit Werkrealschule", "Werkrealschulklasse"},
        {"der Werkrealschule", "Werkrealschulklasse"},
        {"der Realschule", "Realschulklasse"},
        {"der Abendrealschule", "alt"},
        {"des Gymnasiums", "Gymnasialklasse"},
        {"Förderschule", "SBBZ Lernen"},
        {"SBBZ", "SBBZ Lernen"},
        {"der Gemeinschaftsschule", "Gemeinschaftsschulklasse"},
        {"der Gesamtschule", "Gesamtschulklasse"},
        {"des SBBZ BIldungsgang Werkrealschule / Realschule", "Werkrealschulklasse"},
        {"SBBZ Bildungsgang Realschule", "SBBZ SBBZ Bildungsgang Realschule"},
        {"Hauptschule der Gemeinschaftsschule", "Gemeinschaftsschulklasse"},
        {"", "alt"}};
    for (const auto& [phrase, caption] : cases)
        EXPECT_EQ(SchoolTypeCaption(QString::fromUtf8(phrase), "alt"), QString::fromUtf8(caption)) << phrase;
    EXPECT_EQ(SchoolNameCaption("Schule?am See?Ort"), "Schule\nam See?Ort");
    EXPECT_EQ(SchoolNameCaption("Schule"), "Schule");
}

TEST(SchoolCaption, EveningSchoolAndSbbzTrimming)
{
    EXPECT_TRUE(IsEveningSchool("der Abendrealschule"));
    EXPECT_FALSE(IsEveningSchool("der Realschule"));
    EXPECT_EQ(TrimSbbzPhrase("SBBZ mit Förderschwerpunkt Lernen"), "Förderschwerpunkt");
    EXPECT_EQ(TrimSbbzPhrase("SBBZ: Förderschwerpunkt Lernen"), "Förderschwerpunkt");
    EXPECT_EQ(TrimSbbzPhrase("SBBZ mit SBBZ: Lernen"), "Lernen");
    EXPECT_EQ(TrimSbbzPhrase("SBBZ mit Bildungsgang Lernen"), "Bildungsgang Lernen");
    EXPECT_EQ(TrimSbbzPhrase("des SBBZ BIldungsgang Werkrealschule / Realschule"),
              "des SBBZ BIldungsgang Werkrealschule / Realschule");
    // A prefix further in goes with what precedes it, no fixed cut.
    EXPECT_EQ(TrimSbbzPhrase("des SBBZ mit Förderschwerpunkt Lernen  "), "Förderschwerpunkt");
    // " Lernen" inside the phrase stays.
    EXPECT_EQ(TrimSbbzPhrase("Lernen Lernen und mehr"), "Lernen Lernen und mehr");
    EXPECT_EQ(TrimSbbzPhrase("der Hauptschule"), "der Hauptschule");
}

TEST_F(School, StartUpReadsLineOneAndFive)
{
    // Without the file the defaults stay, and nothing is said.
    LoadSchoolSettingsAtStart();
    EXPECT_EQ(state().schoolTypeCaption, "Werkrealschulklasse");
    EXPECT_TRUE(prompt.shown().isEmpty());

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
    // In memory the phrase stays as typed.
    EXPECT_EQ(state().schoolTypeText, "SBBZ mit Förderschwerpunkt Lernen");
    EXPECT_EQ(state().schoolTypeCaption, "SBBZ Lernen");
    EXPECT_EQ(subjects().subjectNames[0], "3 7 ");
    EXPECT_TRUE(subjects().subjectNames[4].isEmpty());
    EXPECT_TRUE(state().subjectNames.value(4).isEmpty());

    ASSERT_TRUE(SaveSchoolType("der Abendrealschule"));
    EXPECT_TRUE(state().eveningSchoolMode);
    EXPECT_EQ(ReadTextLines(folder.file("epw5.dat")).value(4), "der Abendrealschule");

    // The school name goes to line 1, and only when it changed.
    ASSERT_TRUE(SaveSchoolType("der Realschule", QString("Realschule Neustadt")));
    EXPECT_EQ(ReadRawLines(folder.file("epw5.dat")).value(0), QByteArray("Realschule Neustadt"));
    EXPECT_EQ(ReadRawLines(folder.file("epw5.dat")).value(1), QByteArray("Stra\xdf" "e 1\t "));
    EXPECT_EQ(state().schoolName, "Realschule Neustadt");
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(School, SaveOfShortFileAndEmptyPhrase)
{
    folder.write("epw5.dat", "Name\r\nOrt\r\n");
    EXPECT_FALSE(SaveSchoolType("   "));
    EXPECT_EQ(folder.read("epw5.dat"), QByteArray("Name\r\nOrt\r\n"));
    ASSERT_TRUE(SaveSchoolType("der Werkrealschule"));
    EXPECT_EQ(folder.read("epw5.dat"), QByteArray("Name\r\nOrt\r\n\r\n\r\nder Werkrealschule\r\n\r\n"));
    // Lines after the sixth are kept.
    folder.write("epw5.dat", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n");
    ASSERT_TRUE(SaveSchoolType("der Realschule"));
    EXPECT_EQ(folder.read("epw5.dat"), QByteArray("1\r\n2\r\n3\r\n4\r\nder Realschule\r\n6\r\n7\r\n"));
}

TEST_F(School, SaveWithoutFileKeepsModeAndCaptionConsistent)
{
    state().schoolTypeCaption = "Werkrealschulklasse";
    ASSERT_TRUE(SaveSchoolType("der Abendrealschule"));
    EXPECT_EQ(prompt.texts(), QStringList{"Änderung erfolgt"});
    EXPECT_FALSE(folder.exists("epw5.dat"));
    EXPECT_EQ(state().schoolTypeText, "der Abendrealschule");
    EXPECT_TRUE(state().eveningSchoolMode);
    ASSERT_TRUE(SaveSchoolType("der Gemeinschaftsschule"));
    EXPECT_FALSE(state().eveningSchoolMode);
    EXPECT_EQ(state().schoolTypeCaption, "Gemeinschaftsschulklasse");
}

TEST_F(School, SaveRefusesTextTheFileCannotHold)
{
    folder.write("epw5.dat", kEpw5);
    EXPECT_FALSE(SaveSchoolType(QString::fromUtf8("der \u0151kola")));
    EXPECT_EQ(folder.read("epw5.dat"), kEpw5);
    EXPECT_EQ(state().schoolTypeText, "der Hauptschule mit Werkrealschule");
    EXPECT_EQ(prompt.shown().size(), 1);
}

TEST(Password, EncodingShiftsEveryByteBySevenWithWrap)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QByteArray enc = EncodePassword(all);
    EXPECT_EQ(static_cast<unsigned char>(enc[0]), 249);
    EXPECT_EQ(static_cast<unsigned char>(enc[7]), 0);
    EXPECT_EQ(static_cast<unsigned char>(enc[255]), 248);
    EXPECT_EQ(DecodePassword(enc), all);
    EXPECT_EQ(EncodePassword("3wiro"), QByteArray(",pbkh"));
    EXPECT_FALSE(PasswordBytes(QString::fromUtf8("Pa\u0151")).has_value());
    EXPECT_FALSE(PasswordBytes(QString("a\x11" "b")).has_value());
    EXPECT_EQ(*PasswordBytes(QString::fromUtf8("Gärten€")), QByteArray("G\xe4rten\x80"));
}

TEST_F(School, PasswordFileRoundTripKeepsEveryCharacter)
{
    // "!" becomes the byte 0x1A, "\xff" comes back through the wrap.
    for (const QString& pw : {QString("!"), QString::fromUtf8("ÿ!ä€ Zeichen~"), QString(""),
                              QString::fromUtf8("\u00a0Abc\u00ff")}) {
        WritePasswordFile(pw);
        ASSERT_TRUE(PasswordFileExists());
        EXPECT_EQ(*ReadStoredPassword(), pw);
    }
    WritePasswordFile("3wiro");
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

    prompt.no();
    EXPECT_FALSE(ConfirmProgramAbort());
    EXPECT_FALSE(state().quitRequested);
    prompt.yes();
    EXPECT_TRUE(ConfirmProgramAbort());
    EXPECT_TRUE(state().quitRequested);
    EXPECT_EQ(prompt.lastText(), "Sie wollen das Programm abbrechen?");

    // The empty password is a password.
    WritePasswordFile("");
    EXPECT_TRUE(SubmitPassword(PreparePasswordPrompt(), ""));
}

TEST_F(School, SetPasswordWithRepeat)
{
    state().accessLocked = false;
    prompt.yes().text("Neu!").text("Neu!");
    SetOrRemovePassword();
    EXPECT_EQ(*ReadStoredPassword(), "Neu!");
    EXPECT_EQ(prompt.shown()[0].text, "Soll das Programm durch ein Passwort geschützt werden?");
    EXPECT_EQ(prompt.shown()[1].caption, "Passwort eingeben");
    EXPECT_EQ(prompt.shown()[2].caption, "Passwort wiederholen");

    prompt.clear();
    prompt.yes().text("anders").text("Anders");
    SetOrRemovePassword();
    EXPECT_EQ(prompt.lastText(), "Wiederholung falsch! Altes Passwort bleibt.");
    EXPECT_EQ(*ReadStoredPassword(), "Neu!");

    prompt.clear();
    prompt.yes().text("x").cancelText();
    SetOrRemovePassword();
    EXPECT_EQ(*ReadStoredPassword(), "Neu!");

    prompt.clear();
    prompt.yes().text(QString::fromUtf8("Pass\u0151"));
    SetOrRemovePassword();
    EXPECT_TRUE(prompt.lastText().contains("nicht gespeichert werden"));
    EXPECT_EQ(*ReadStoredPassword(), "Neu!");

    // Both prompts empty: an empty password.
    prompt.clear();
    prompt.yes().text("").text("");
    SetOrRemovePassword();
    EXPECT_EQ(folder.read("pwrsa.dat"), QByteArray("\r\n"));
    EXPECT_FALSE(state().accessLocked);
}

TEST_F(School, RemovingWithoutLockAsksNothingMore)
{
    WritePasswordFile("alt");
    state().accessLocked = false;
    prompt.no();
    SetOrRemovePassword();
    EXPECT_FALSE(PasswordFileExists());
    EXPECT_EQ(prompt.shown().size(), 1);
}

TEST_F(School, ChangingWhileLockedAsksForTheCurrentPassword)
{
    WritePasswordFile("alt");
    ASSERT_TRUE(state().accessLocked);
    // Wrong current password: nothing removed, lock stays.
    prompt.no().text("falsch");
    SetOrRemovePassword();
    EXPECT_TRUE(PasswordFileExists());
    EXPECT_TRUE(state().accessLocked);
    EXPECT_EQ(prompt.lastText(), "Falsches Passwort !");

    // Cancelled: nothing replaced.
    prompt.clear();
    prompt.yes().cancelText();
    SetOrRemovePassword();
    EXPECT_EQ(*ReadStoredPassword(), "alt");

    // Correct: the replacement goes ahead.
    prompt.clear();
    prompt.yes().text("alt").text("neu").text("neu");
    SetOrRemovePassword();
    EXPECT_EQ(*ReadStoredPassword(), "neu");
    EXPECT_FALSE(state().accessLocked);
}

TEST_F(School, StartUpPasswordFiles)
{
    PreparePasswordAtStart();
    EXPECT_FALSE(state().accessLocked);

    resetState();
    folder.write("pw.dat", EncodePassword("alt") + "\r\n");
    PreparePasswordAtStart();
    EXPECT_TRUE(state().accessLocked);
    EXPECT_FALSE(folder.exists("pw.dat"));
    EXPECT_EQ(*ReadStoredPassword(), "alt");
}

TEST_F(School, ZoomChoices)
{
    EXPECT_EQ(ZoomFromChoice(0, 0), 120);
    EXPECT_EQ(ZoomFromChoice(2, 0), 100);
    EXPECT_EQ(ZoomFromChoice(5, 0), 70);
    EXPECT_EQ(ZoomFromChoice(6, 135), 135);
    EXPECT_FALSE(ZoomFromChoice(6, 0).has_value());
    EXPECT_FALSE(ZoomFromChoice(6, -5).has_value());
    EXPECT_EQ(prompt.shown().size(), 2);
    EXPECT_FALSE(ZoomFromChoice(-1, 100).has_value());
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
        if (failRead) {
            settingsFileAccess().readBytes = [](const QString& p) -> QByteArray {
                throw FileError("Datei " + p + " kann nicht geöffnet werden");
            };
            settingsFileAccess().readLines = [](const QString& p) -> QList<QByteArray> {
                throw FileError("Datei " + p + " kann nicht geöffnet werden");
            };
        } else {
            settingsFileAccess().writeLines = [](const QString& p, const QList<QByteArray>&) {
                throw FileError("Datei " + p + " kann nicht erstellt werden");
            };
        }
        prompt.clear();
        prompt.yes().text("Neu").text("Neu");
        try {
            action();
        } catch (const FileError& e) {
            showError(e.message());   // what the dialog does with it
        }
        ResetSettingsFileAccess();
        EXPECT_TRUE(prompt.anyTextContains(QString::fromUtf8(message))) << name << failRead;
        EXPECT_EQ(folder.read("epw5.dat"), kEpw5) << name;
        EXPECT_EQ(*ReadStoredPassword(), "Alt") << name;
        EXPECT_EQ(state().schoolName, "Alte Schule") << name;
        EXPECT_FALSE(state().schoolTypeText.contains("Realschule")) << name;
    }
}
