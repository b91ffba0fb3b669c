#pragma once
#include "classes/subjectdata.h"

#include <QString>
#include <QStringList>
#include <optional>

// Subjects of a class level: the subject file of the level, the built-in list,
// the certificate lines ("wahlzeilen.txt"), the heading of the extended
// education offer ("eba9.txt"/"eba10.txt"), the profile-subject codes and the
// short codes of subject names.  Everything works on state().subjectData; the
// routines that change it also bring the mirror fields of the shared state
// (subjectNames, subjectBlockHeading, footerLines, certificateLines,
// ebaHeading) up to date.
namespace hsa {

// The subject data of the open class level (state().subjectData).
SubjectData& subjects();
// Copies the subject data into the mirror fields of the shared state.
void SyncSubjectState();
// Start values of the subject texts: heading "Leistungen in den einzelnen
// Fächern:" and five empty footer lines.
void ResetSubjectStartValues();

// Level key of a class file name: '9', 'X' (x or X), 'Y' (y or Y) or 'O'
// (any other first character).
QChar ClassLevelOf(const QString& classFileName);

// Subject file of a class level: "fa9-mit.DAT", "fax-mit.DAT", "fay-mit.DAT",
// "fachhsag.dat", or "fa9-GMS.dat" for every level when the school-type phrase
// contains "meinschaft".
QString SubjectFileNameFor(const QString& classFileName, const QString& schoolTypeText);
// Standard subject file the editor copies from ("sta-fa9-mit.dat",
// "sta-fax-mit.dat", "sta-fay-mit.dat", "fag.dat", "sta-fa9-GMS.dat").
QString StandardSubjectFileFor(const QString& classFileName, const QString& schoolTypeText);
// "eba9.txt" for level 9, "eba10.txt" for every other level.
QString EbaHeadingFileFor(const QString& classFileName);

// The built-in subject list: exam rows 3 and 7 (Deutsch, Mathematik) and the
// 18 names of entries 0 to 17; entries 18 to 20 emptied.
void LoadDefaultSubjects();
void ApplyDefaultSubjects(SubjectData& data);

// What the reader found in a subject file besides the subject data.
struct SubjectFileText {
    // Lines 3 and following as the editor's upper memo shows them: each
    // subject name, with "*" appended for the written-exam subjects.
    QStringList subjectLines;
    // The lines after "****" as they are in the file and as the reader took
    // them: the heading, the footer lines and, when present, the
    // "Durchschnittsberechnung" line with the code string after it (at most
    // seven lines, the number the editor writes).
    QStringList lowerLines;
    bool hadEndMark = false;   // a "****" line was reached
};

// Applies the lines of a subject file to data as the program reads them when
// a class is opened: all 21 names are emptied first; the heading, the footer
// lines and the code string change only when the "****" line is reached
// within the first 24 lines.
SubjectFileText ApplySubjectFileLines(const QStringList& lines, SubjectData& data);
// Reads the subject file at path into data.  A missing file changes nothing
// and gives nullopt; a file that cannot be read raises FileError.
std::optional<SubjectFileText> ReadSubjectFile(const QString& path, SubjectData& data);

// The lines the editor writes for a subject list, or the German reason why the
// list cannot be saved so that it reads back as entered.
struct SubjectFileDraft {
    QStringList lines;          // the whole file
    QString examField;          // line 1
    QString refusal;            // non-empty: nothing may be written
    int examCount = 0;          // subjects marked with "*"
};
// upper: the subject lines (a "*" marks a written-exam subject); lower: the
// heading, the footer lines, "Durchschnittsberechnung" and the code string.
SubjectFileDraft BuildSubjectFile(const QStringList& upper, const QStringList& lower,
                                  int multiplierIndex, int msgGradeIndex);

// Reads the subject file of the open class level when it exists (the class
// opening); never raises: an unreadable file leaves the data as they are.
void LoadSubjectFileQuietly();

// The heading of the extended education offer: the default, then the first
// line of "eba9.txt" (level 9) or "eba10.txt" (level X) when it exists.  Never
// raises.
void LoadEbaHeading(const QString& classFileName);
// Rewrites the heading file of the level with the current heading.  Raises
// FileError.
void SaveEbaHeading(const QString& classFileName);

// The built-in certificate texts of level key "9" or "10" (empty for others).
std::array<QString, 5> BuiltInCertificateLines(const QString& key);
// Section key of "wahlzeilen.txt" for a class file name: "10", "Y" or "9".
QString CertificateSectionKey(const QString& classFileName);
// Applies the lines of "wahlzeilen.txt" for the class; false when the section
// of the level is missing (the built-in texts were taken then).
bool ApplyCertificateLines(const QStringList& lines, const QString& classFileName,
                           const QString& schoolTypeText, SubjectData& data);
// Reads "wahlzeilen.txt" when it exists; a missing section gives the message
// "Fehler: Die Datei wahlzeilen.txt ist nicht in Ordnung" and the built-in
// texts.  EbaHeading := the third certificate line.  Never raises.
void LoadCertificateLines(const QString& classFileName);
void LoadCertificateLines();   // for the open class (state().openClassFile)

// Reads "profilkuerzel.txt" into the six profile codes when it exists, and
// sets whether the grade window shows its profile controls.  Never raises.
void LoadProfileCodes();

// Everything the class opening and creation load for a level, in order: the
// built-in list, the subject file name, the heading of the extended offer,
// the certificate lines and the subject file.
void LoadClassLevelSubjects(const QString& classFileName);

// Short code of a subject name for grids, lists and the export.
QString SubjectToShortCode(const QString& subjectName);

// Replaces every occurrence of search in text, rescanning from the start after
// each replacement.  An empty search changes nothing; a replacement that
// contains the search is applied once to every occurrence (rescanning would
// never end).
void ReplaceAllText(QString& text, const QString& search, const QString& replacement);

// Full path of a file of the program folder (found ignoring case).
QString ProgramFolderFile(const QString& name);

} // namespace hsa
