#pragma once
#include <QString>
#include <QStringList>

// The subject editor of the open class level as plain logic: what its two
// memos and radio groups show, saving them as the level's subject file,
// cancelling, and loading the standard subjects.  The editor panel only shows
// a SubjectEditorContent and hands it back.
namespace hsa {

struct SubjectEditorContent {
    QStringList upper;          // subject lines, "*" after written-exam subjects
    QStringList lower;          // heading, footers, "Durchschnittsberechnung", code
    int multiplierIndex = 0;    // "Prüfungsfächer zählen im  Gesamtschnitt"
    int msgGradeIndex = 0;      // "MSG-Note"
    bool showProjectHint = false;   // "Projektarbeit muss muss das letzte Fach sein."
    QString keptEbaHeading;     // restored by a cancel
};

// Opening the editor for the open class: the two warnings, the certificate
// lines, then the level's subject file (or the built-in list when there is
// none).  Raises FileError when the subject file cannot be read.
SubjectEditorContent OpenSubjectEditor();

// "So für die aktuelle Klassenstufe abspeichern".  Refuses (message, nothing
// written) a list that would not read back as entered; asks when the number
// of written-exam subjects does not fit the level.  True when saved.  Raises
// FileError when a file cannot be written.
bool SaveSubjectEditor(const SubjectEditorContent& content);

// "Abbrechen": the heading of the extended offer as it was on opening.
void CancelSubjectEditor(const SubjectEditorContent& content);

// "Fächer: Standardvorgaben einlesen": fills content from the standard file of
// the level and copies that file over the level's subject file, so that the
// subject data follow it.  Raises FileError when the standard file is missing
// (content then shows the built-in list) or a file cannot be written.
void LoadStandardSubjects(SubjectEditorContent& content);

// The certificate-lines editor: the lines of "wahlzeilen.txt" (or of one of
// its default copies "wahlzeilen.alt", "wahlzeilen.neu"); empty when the file
// does not exist.  Raises FileError when it cannot be read.
QStringList ReadCertificateLinesFile(const QString& name);
// Saves the lines as "wahlzeilen.txt" and reloads the certificate lines of the
// open class.  Refuses (message, false) text the file cannot hold.  Raises
// FileError when the file cannot be written.
bool SaveCertificateLinesFile(const QStringList& lines);

// The special-functions password.
bool IsSpecialFunctionsPassword(const QString& typed);

} // namespace hsa
