#include "classes/schoolsettings.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/programwide.h"
#include "platform/prompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace hsa {

namespace {

const QString nl = QStringLiteral("\n\r");

bool isFile(const QString& path)
{
    return QFileInfo(path).isFile();
}

// Asks for the current password before an existing one is replaced or
// removed while access is still locked.  True when it was entered correctly.
bool confirmCurrentPassword()
{
    const std::optional<QString> stored = ReadStoredPassword();
    if (!stored)
        return true;
    const std::optional<QString> typed =
        prompts().password(QStringLiteral("Passwort-Dialog"),
                           QStringLiteral("Bitte geben Sie zuerst das bisherige Passwort ein:"));
    if (!typed)
        return false;
    if (*typed != *stored) {
        showWarning(QStringLiteral("Falsches Passwort !"));
        return false;
    }
    state().accessLocked = false;
    return true;
}

} // namespace

SettingsFileAccess& settingsFileAccess()
{
    static SettingsFileAccess access{ReadFileBytes, ReadRawLines, WriteRawLines};
    return access;
}

void ResetSettingsFileAccess()
{
    settingsFileAccess() = SettingsFileAccess{ReadFileBytes, ReadRawLines, WriteRawLines};
}

namespace {
const ProgramWideReset resetSettingsFileAccess(ResetOrder::Objects, &ResetSettingsFileAccess);
}

QStringList SchoolTypeChoices()
{
    return {QStringLiteral("der Hauptschule"),
            QStringLiteral("der Hauptschule mit Werkrealschule"),
            QStringLiteral("der Werkrealschule"),
            QStringLiteral("der Realschule"),
            QStringLiteral("der Gemeinschaftsschule"),
            QStringLiteral("des SBBZ BIldungsgang Werkrealschule / Realschule")};
}

bool IsEveningSchool(const QString& schoolTypeText)
{
    return schoolTypeText.contains(QStringLiteral("bendreal"));
}

QString SchoolTypeCaption(const QString& t, const QString& currentCaption)
{
    QString caption = currentCaption;
    auto rule = [&](const char* part, const QString& text) {
        if (t.contains(QString::fromUtf8(part)))
            caption = text;
    };
    rule("SBBZ", QStringLiteral("SBBZ Lernen"));
    rule("aupt", QStringLiteral("Haupt-/Werkrealschulklasse"));
    rule("Werk", QStringLiteral("Werkrealschulklasse"));
    rule("der Real", QStringLiteral("Realschulklasse"));
    rule("ymn", QStringLiteral("Gymnasialklasse"));
    rule("örder", QStringLiteral("SBBZ Lernen"));
    rule("emein", QStringLiteral("Gemeinschaftsschulklasse"));
    rule("esamtschu", QStringLiteral("Gesamtschulklasse"));
    rule("Bildungsgang", QStringLiteral("SBBZ ") + t);
    return caption;
}

QString SchoolNameCaption(const QString& schoolName)
{
    QString s = schoolName;
    const qsizetype q = s.indexOf(QLatin1Char('?'));
    if (q >= 0)
        s.replace(q, 1, QStringLiteral("\n"));
    return s;
}

QString TrimSbbzPhrase(const QString& phrase)
{
    // The prefixes are meant to stand at the start; one that stands further
    // in is dropped together with what precedes it, never a fixed number of
    // characters that would cut into the phrase.
    QString s = TrimRight(phrase);
    const QString withPrefix = QStringLiteral("SBBZ mit ");
    qsizetype at = s.indexOf(withPrefix);
    if (at >= 0)
        s.remove(0, at + withPrefix.size());
    const QString colonPrefix = QStringLiteral("SBBZ: ");
    at = s.indexOf(colonPrefix);
    if (at >= 0)
        s.remove(0, at + colonPrefix.size());
    const QString lernen = QStringLiteral(" Lernen");
    if (s.endsWith(lernen) && !s.contains(QStringLiteral("Bildungsgang")))
        s.chop(lernen.size());
    return s;
}

void ShowSchoolType()
{
    SharedState& st = state();
    st.schoolNameCaption = SchoolNameCaption(st.schoolName);
    st.schoolTypeCaption = SchoolTypeCaption(st.schoolTypeText, st.schoolTypeCaption);
    NotifyMainWindow();
}

void LoadSchoolSettingsAtStart()
{
    SharedState& st = state();
    const QString path = ProgramFolderFile(kSchoolDataFile);
    if (isFile(path)) {
        try {
            const QList<QByteArray> lines = settingsFileAccess().readLines(path);
            if (!lines.isEmpty()) {
                const QString name = FromWindows1252(lines.at(0));
                if (!TrimRight(name).isEmpty())
                    st.schoolName = name;
            }
            if (lines.size() >= 5)
                st.schoolTypeText = FromWindows1252(lines.at(4));
        } catch (const FileError& e) {
            showError(e.message());
        }
    }
    st.eveningSchoolMode = IsEveningSchool(st.schoolTypeText);
    ShowSchoolType();
}

int ReadSchoolNumber()
{
    const QString path = ProgramFolderFile(kSchoolDataFile);
    if (!isFile(path))
        return 0;
    const QList<QByteArray> lines = settingsFileAccess().readLines(path);
    return lines.size() >= 3 ? ParseLeadingInt(FromWindows1252(lines.at(2))) : 0;
}

bool SaveSchoolType(const QString& phrase, const std::optional<QString>& schoolName,
                    std::optional<int> schoolNumber)
{
    if (TrimRight(phrase).isEmpty())
        return false;
    if (!IsWindows1252(phrase) || (schoolName && !IsWindows1252(*schoolName))) {
        showWarning(QStringLiteral("Die Eingabe enthält Zeichen, die nicht gespeichert werden können.")
                    + nl + QStringLiteral("Die Schulart bleibt unverändert."));
        return false;
    }
    SharedState& st = state();
    const QString path = ProgramFolderFile(kSchoolDataFile);
    if (!isFile(path) && schoolNumber.value_or(0) != 0) {
        // The number exists nowhere else: the file is made for it.
        settingsFileAccess().writeLines(
            path, {ToWindows1252(schoolName.value_or(st.schoolName)), QByteArray(), QByteArray::number(*schoolNumber),
                   QByteArrayLiteral("0"), ToWindows1252(TrimSbbzPhrase(phrase)), QByteArray()});
    } else if (!isFile(path)) {
        showMessage(QStringLiteral("Änderung erfolgt"));
    } else {
        QList<QByteArray> lines = settingsFileAccess().readLines(path);
        while (lines.size() < 6)
            lines.append(QByteArray());
        lines[4] = ToWindows1252(TrimSbbzPhrase(phrase));
        if (schoolName && FromWindows1252(lines[0]) != *schoolName)
            lines[0] = ToWindows1252(*schoolName);
        if (schoolNumber && ParseLeadingInt(FromWindows1252(lines[2])) != *schoolNumber)
            lines[2] = QByteArray::number(*schoolNumber);
        settingsFileAccess().writeLines(path, lines);
    }
    // Memory follows only after the file was written.  Without "epw5.dat" the
    // new phrase holds for this run, with the same consequences.
    st.schoolTypeText = phrase;
    if (schoolName)
        st.schoolName = *schoolName;
    st.eveningSchoolMode = IsEveningSchool(phrase);
    ShowSchoolType();
    // The next class opening reads the subject file of the new school type.
    SubjectData& d = subjects();
    for (int k = 1; k < kSubjectEntryCount; ++k)
        d.subjectNames[k].clear();
    SyncSubjectState();
    return true;
}

QByteArray EncodePassword(const QByteArray& plain)
{
    QByteArray out = plain;
    for (char& c : out)
        c = static_cast<char>(static_cast<unsigned char>(c) - 7);
    return out;
}

QByteArray DecodePassword(const QByteArray& encoded)
{
    QByteArray out = encoded;
    for (char& c : out)
        c = static_cast<char>(static_cast<unsigned char>(c) + 7);
    return out;
}

std::optional<QByteArray> PasswordBytes(const QString& password)
{
    if (!IsWindows1252(password))
        return std::nullopt;
    for (QChar c : password)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return std::nullopt;
    return ToWindows1252(password);
}

bool PasswordFileExists()
{
    return isFile(ProgramFolderFile(kPasswordFile));
}

std::optional<QString> ReadStoredPassword()
{
    const QString path = ProgramFolderFile(kPasswordFile);
    if (!isFile(path))
        return std::nullopt;
    // The first line, taken from the raw bytes: an encoded "!" is the byte
    // 0x1A, which a text reader would drop as an end-of-file mark.
    QByteArray data = settingsFileAccess().readBytes(path);
    const qsizetype lf = data.indexOf('\n');
    if (lf >= 0)
        data.truncate(lf);
    if (data.endsWith('\r'))
        data.chop(1);
    return FromWindows1252(DecodePassword(data));
}

void WritePasswordFile(const QString& password)
{
    const std::optional<QByteArray> bytes = PasswordBytes(password);
    if (!bytes)
        throw FileError(QStringLiteral("Das Passwort enthält Zeichen, die nicht gespeichert werden können."));
    settingsFileAccess().writeLines(ProgramFolderFile(kPasswordFile), {EncodePassword(*bytes)});
}

PasswordPrompt PreparePasswordPrompt()
{
    PasswordPrompt p;
    p.label = QStringLiteral("Erster Start mit Passwort 3wiro");
    if (PasswordFileExists()) {
        p.label = QStringLiteral("Passwort eingeben");
        if (const std::optional<QString> stored = ReadStoredPassword())
            state().storedPassword = *stored;
    }
    p.storedPassword = state().storedPassword;
    return p;
}

bool SubmitPassword(const PasswordPrompt& prompt, const QString& typed)
{
    if (typed == prompt.storedPassword) {
        state().accessLocked = false;
        return true;
    }
    showWarning(QStringLiteral("Falsches Passwort !"));
    return false;
}

bool ConfirmProgramAbort()
{
    if (prompts().ask(MsgKind::Warning, QStringLiteral("Sie wollen das Programm abbrechen?"),
                      Buttons::YesNo) != Answer::Yes)
        return false;
    state().quitRequested = true;
    return true;
}

void SetOrRemovePassword()
{
    try {
        SharedState& st = state();
        if (!askYesNo(QStringLiteral("Soll das Programm durch ein Passwort geschützt werden?"),
                      MsgKind::Information)) {
            if (PasswordFileExists() && st.accessLocked && !confirmCurrentPassword())
                return;
            st.accessLocked = false;
            const QString path = ProgramFolderFile(kPasswordFile);
            if (isFile(path) && !QFile::remove(path))
                showError(QStringLiteral("Die Datei %1 konnte nicht gelöscht werden;").arg(kPasswordFile)
                          + nl + QStringLiteral("der Passwortschutz bleibt beim nächsten Start bestehen."));
            return;
        }
        if (PasswordFileExists() && st.accessLocked && !confirmCurrentPassword())
            return;
        // The prompt texts stand in the box itself, not only in its title.
        const std::optional<QString> first =
            prompts().password(QStringLiteral("Passwort eingeben"), QStringLiteral("Passwort eingeben"));
        if (!first)
            return;
        if (!PasswordBytes(*first)) {
            showInformation(QStringLiteral("Das Passwort enthält Zeichen, die nicht gespeichert werden können")
                            + nl + QStringLiteral("(nur Buchstaben, Ziffern und Satzzeichen). Altes Passwort bleibt."));
            return;
        }
        const std::optional<QString> second =
            prompts().password(QStringLiteral("Passwort wiederholen"), QStringLiteral("Passwort wiederholen"));
        if (!second)
            return;
        if (*first != *second) {
            showInformation(QStringLiteral("Wiederholung falsch! Altes Passwort bleibt."));
            return;
        }
        WritePasswordFile(*first);
    } catch (const FileError& e) {
        showError(e.message());
    }
}

void ShowPasswordInfo()
{
    showInformation(
        QStringLiteral("Das Programm kann durch ein eigenes Passwort vor unbefugtem Zugriff geschützt werden.")
        + nl + nl
        + QStringLiteral("Eingerichtet, geändert oder entfernt wird es im Menü \"Schule/Tools\".") + nl
        + QStringLiteral("Ist ein Passwort gesetzt, fragt das Programm einmal je Sitzung danach,") + nl
        + QStringLiteral("bevor eine Klasse geöffnet, angelegt, bearbeitet oder gedruckt wird.") + nl + nl
        + QStringLiteral("Groß- und Kleinschreibung werden unterschieden. Wer das Passwort vergessen hat,") + nl
        + QStringLiteral("löscht die Datei pwrsa.dat im Programmordner; danach ist das Programm ungeschützt."),
        QStringLiteral("Info zum Passwort"));
}

void PreparePasswordAtStart()
{
    const QString old = ProgramFolderFile(QStringLiteral("pw.dat"));
    if (isFile(old))
        QFile::rename(old, QFileInfo(old).absolutePath() + QLatin1Char('/') + kPasswordFile);
    if (!PasswordFileExists())
        state().accessLocked = false;
}

std::optional<int> ZoomFromChoice(int index, int customValue)
{
    if (index >= 0 && index <= 5)
        return 120 - 10 * index;
    if (index == 6) {
        if (customValue > 0)
            return customValue;
        showWarning(QStringLiteral("Bitte geben Sie eine Vergrößerung über 0 Prozent ein."));
    }
    return std::nullopt;
}

} // namespace hsa
