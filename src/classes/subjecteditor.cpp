#include "classes/subjecteditor.h"
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/prompt.h"

#include <QDir>
#include <QFileInfo>

namespace hsa {

namespace {

const QString nl = QStringLiteral("\n\r");

// Entries 2 to 20 as the upper memo shows them, without trailing empties.
QStringList builtInUpperLines(const SubjectData& d)
{
    QStringList out;
    for (int k = 2; k < kSubjectEntryCount; ++k) {
        const int row = k - 1;
        out << (d.isWrittenExamRow(row) ? d.subjectNames[k] + QLatin1Char('*') : d.subjectNames[k]);
    }
    while (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

QStringList currentLowerLines(const SubjectData& d)
{
    QStringList out{d.subjectBlockHeading};
    for (const QString& f : d.footerLines)
        if (!f.isEmpty())
            out << f;
    return out;
}

} // namespace

SubjectEditorContent OpenSubjectEditor()
{
    showWarning(QStringLiteral("ACHTUNG:  ES WIRD DRINGEND EMPOHLEN, AN DEN FÄCHERN NICHTS ZU ÄNDERN.")
                + nl + nl
                + QStringLiteral("Die Standardliste enthält alle Fächer des Bildungsplans 2016.") + nl
                + QStringLiteral("Fächer, die Sie nicht brauchen, lassen Sie bitte in der Liste stehen und tragen einfach keine Noten ein.")
                + nl + nl
                + QStringLiteral("Wer die Reihenfolge oder die Fächer ändert, muss die Fachgewichte im unteren Fenster anpassen."));
    showWarning(QStringLiteral("NOCH EINMAL: BITTE ÄNDERN SIE AN DEN FÄCHERN NICHTS.") + nl + nl
                + QStringLiteral("Sonst gibt es Probleme bei der Übertragung der Endnoten.") + nl
                + QStringLiteral("Lesen Sie im Zweifel die Standardfächer wieder ein oder installieren Sie das Programm neu.")
                + nl + nl
                + QStringLiteral("Prüfen Sie danach, ob alle Noten noch an der richtigen Stelle stehen."));

    SubjectEditorContent c;
    const QString cls = state().openClassFile;
    c.showProjectHint = ClassLevelOf(cls) == QLatin1Char('9');
    c.keptEbaHeading = subjects().ebaHeading;

    LoadCertificateLines(cls);
    SubjectData& d = subjects();
    const QString path = ProgramFolderFile(d.subjectFileName);
    if (QFileInfo(path).isFile()) {
        SubjectData read = d;
        const SubjectFileText text = *ReadSubjectFile(path, read);   // raises before a change
        d = read;
        c.upper = text.subjectLines;
        c.lower = text.lowerLines;
    } else {
        LoadDefaultSubjects();
        c.upper = builtInUpperLines(d);
        c.lower = currentLowerLines(d);
    }
    c.multiplierIndex = d.multiplierIndex;
    c.msgGradeIndex = d.msgGradeIndex;
    SyncSubjectState();
    return c;
}

bool SaveSubjectEditor(const SubjectEditorContent& content)
{
    const SubjectFileDraft draft =
        BuildSubjectFile(content.upper, content.lower, content.multiplierIndex, content.msgGradeIndex);
    if (!draft.refusal.isEmpty()) {
        showWarning(draft.refusal);
        return false;
    }
    const QString cls = state().openClassFile;
    const QChar level = ClassLevelOf(cls);
    if ((level == QLatin1Char('9') && draft.examCount != 2)
        || (level == QLatin1Char('X') && draft.examCount != 4)) {
        if (!askYesNo(QStringLiteral("Haben Sie wirklich alle Pflichtprüfungsfächer") + nl
                      + QStringLiteral("mit einem * abgeschlossen?")))
            return false;
    }
    SubjectData& d = subjects();
    WriteTextLines(ProgramFolderFile(d.subjectFileName), draft.lines);
    // The data in memory are what the file now holds, read the way a class
    // opening reads it.
    ApplySubjectFileLines(draft.lines, d);
    SyncSubjectState();
    SaveEbaHeading(cls);
    return true;
}

void CancelSubjectEditor(const SubjectEditorContent& content)
{
    subjects().ebaHeading = content.keptEbaHeading;
    SyncSubjectState();
}

void LoadStandardSubjects(SubjectEditorContent& content)
{
    const QString cls = state().openClassFile;
    const QString schoolType = state().schoolTypeText;
    if (schoolType.contains(QStringLiteral("meinschaft")))
        showInformation(QStringLiteral("BITTE BEACHTEN:") + nl + nl
                        + QStringLiteral("Es werden die Fächer der Gemeinschaftsschule eingelesen.") + nl
                        + QStringLiteral("Das Profilfach kann wegen der Grenze von 19 Fächern nicht angegeben werden;")
                        + nl + QStringLiteral("für die Berechnungen spielt das keine Rolle."));
    const QString name = StandardSubjectFileFor(cls, schoolType);
    const QString source = ProgramFolderFile(name);
    content.upper.clear();
    if (!QFileInfo(source).isFile()) {
        SubjectData builtIn = subjects();
        ApplyDefaultSubjects(builtIn);
        content.upper = builtInUpperLines(builtIn);
        throw FileError::cannotOpen(source);
    }
    SubjectData read = subjects();
    const QByteArray bytes = ReadFileBytes(source);
    const SubjectFileText text = *ReadSubjectFile(source, read);
    content.upper = text.subjectLines;
    content.lower = text.lowerLines;
    content.multiplierIndex = read.multiplierIndex;
    content.msgGradeIndex = read.msgGradeIndex;
    // The level's subject file becomes the standard one at once.
    WriteFileAtomic(ProgramFolderFile(subjects().subjectFileName), bytes);
    subjects() = read;
    SyncSubjectState();
}

QStringList ReadCertificateLinesFile(const QString& name)
{
    const QString path = ProgramFolderFile(name);
    if (!QFileInfo(path).isFile())
        return {};
    return ReadTextLines(path);
}

bool SaveCertificateLinesFile(const QStringList& lines)
{
    for (const QString& l : lines)
        if (!IsWindows1252(l)) {
            showWarning(QStringLiteral("Die Zeile \"%1\" enthält Zeichen, die nicht gespeichert werden können.").arg(l)
                        + nl + nl + QStringLiteral("Es wurde nichts gespeichert."));
            return false;
        }
    WriteTextLines(ProgramFolderFile(QStringLiteral("wahlzeilen.txt")), lines);
    LoadCertificateLines();
    return true;
}

bool IsSpecialFunctionsPassword(const QString& typed)
{
    return typed == QStringLiteral("Gärten48260");
}

} // namespace hsa
