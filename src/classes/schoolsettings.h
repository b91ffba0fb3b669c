#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// School settings and the access password.
//
// "epw5.dat" holds six lines (a string, a string, an integer, an integer, the
// school-type phrase, a string); the program reads the school name from line 1,
// the school number from line 3 (part of the password of the family's class
// files) and the school-type phrase from line 5 and rewrites only those three,
// every other line byte for byte.  "pwrsa.dat" holds the program password, each byte
// (Windows-1252) lowered by 7 modulo 256; its existence switches the
// protection on.
namespace hsa {

inline const QString kSchoolDataFile = QStringLiteral("epw5.dat");
inline const QString kPasswordFile = QStringLiteral("pwrsa.dat");
inline const QString kInitialPassword = QStringLiteral("3wiro");

// How "epw5.dat" and "pwrsa.dat" are read and written: the text-file layer,
// unless a test puts a failing reader or writer in its place.
struct SettingsFileAccess {
    std::function<QByteArray(const QString& path)> readBytes;
    std::function<QList<QByteArray>(const QString& path)> readLines;
    std::function<void(const QString& path, const QList<QByteArray>& lines)> writeLines;
};
SettingsFileAccess& settingsFileAccess();
// Back to the text-file layer.
void ResetSettingsFileAccess();

// School-type choices of the school-data dialog, in order.
QStringList SchoolTypeChoices();

// True exactly when the phrase names an evening Realschule ("bendreal").
bool IsEveningSchool(const QString& schoolTypeText);

// Caption of the main window's school-type label: the phrase is tested in a
// fixed order, a later match replacing an earlier one; without a match the
// caption keeps currentCaption.
QString SchoolTypeCaption(const QString& schoolTypeText, const QString& currentCaption);
// SchoolName as the main window shows it: its first "?" becomes a line feed.
QString SchoolNameCaption(const QString& schoolName);

// Line 5 as stored for a typed phrase: a leading "SBBZ mit " and then "SBBZ: "
// are dropped, then a final " Lernen" unless the phrase names a
// "Bildungsgang".  Trailing blanks are dropped first.
QString TrimSbbzPhrase(const QString& phrase);

// ShowSchoolType: state().schoolNameCaption and state().schoolTypeCaption from
// the school settings, then the main window is told to refresh.
void ShowSchoolType();

// Start-up: reads "epw5.dat" when it exists (school name from line 1 when it
// is not empty, school-type phrase from line 5), derives EveningSchoolMode and
// shows the school type.  A file that cannot be read is reported and the
// defaults stay.
void LoadSchoolSettingsAtStart();

// The school-type save of the school-data dialog (SaveSchoolType).  phrase is
// the text of the dialog's edit; schoolName, when given, replaces line 1;
// schoolNumber, when given and not the number line 3 holds, replaces line 3.
// Without "epw5.dat" a school number other than 0 creates the file (school
// name, number and phrase; the other lines empty, line 4 "0"), so that the
// number is not lost.  Returns false when nothing was done (empty phrase).
// Raises FileError when "epw5.dat" cannot be read or written; nothing changes
// then.
bool SaveSchoolType(const QString& phrase, const std::optional<QString>& schoolName = std::nullopt,
                    std::optional<int> schoolNumber = std::nullopt);

// The school number: the leading digits of line 3 of "epw5.dat", 0 when the
// file or the line is missing or holds no number.  Raises FileError when the
// file cannot be read.
int ReadSchoolNumber();

// Byte shift of the password file.
QByteArray EncodePassword(const QByteArray& windows1252);
QByteArray DecodePassword(const QByteArray& encoded);
// The password a text is stored as; nullopt when a character cannot be stored
// (not Windows-1252, or a control character that would break the line).
std::optional<QByteArray> PasswordBytes(const QString& password);

bool PasswordFileExists();
// The decoded password of "pwrsa.dat" (its first line), nullopt without file.
// Raises FileError when the file cannot be read.
std::optional<QString> ReadStoredPassword();
// Writes "pwrsa.dat".  Raises FileError; nullopt-check with PasswordBytes first.
void WritePasswordFile(const QString& password);

// The password dialog's state.
struct PasswordPrompt {
    QString label;            // "Erster Start mit Passwort 3wiro" / "Passwort eingeben"
    QString storedPassword;   // what a correct entry must equal
};
// On activation of the password dialog.
PasswordPrompt PreparePasswordPrompt();
// OK of the password dialog: clears AccessLocked on an exact match, else the
// warning "Falsches Passwort !".  True when the entry was correct.
bool SubmitPassword(const PasswordPrompt& prompt, const QString& typed);
// Cancel of the password dialog: "Sie wollen das Programm abbrechen?"; true
// for Yes (the program is to end; QuitRequested is set).
bool ConfirmProgramAbort();

// Sets or removes the program password through the prompts.  Removing or
// replacing an existing password while access is locked first asks for the
// current one.  Raises FileError when the password file cannot be read or
// written (the menu entry's guard shows it); nothing has changed then.
void SetOrRemovePassword();

// Information box of the menu entry "Info  zum Passwort".
void ShowPasswordInfo();

// Renames the old password file "pw.dat" to "pwrsa.dat" and clears
// AccessLocked when there is no password file (start-up).
void PreparePasswordAtStart();

// View zoom: 120 - 10 * index for indexes 0 to 5, the user value for 6.
// nullopt (after a message) for a user value of 0 or below.
std::optional<int> ZoomFromChoice(int index, int customValue);

} // namespace hsa
