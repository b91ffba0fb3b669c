#include "exchange/finalgradeexport.h"

#include "classes/classfields.h"
#include "classes/classrules.h"
#include "classes/dbftable.h"
#include "classes/fileops.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "grades/classgrid.h"
#include "grades/examsheet.h"
#include "grades/flawedgradefiles.h"
#include "grades/gradecontext.h"
#include "grades/gradeslots.h"
#include "platform/errors.h"
#include "platform/prompt.h"
#include "print/gradewords.h"
#include "zip/archiver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hsa {
namespace {

const QString kBr = QStringLiteral("\n\r");
const QString kNothingExported = QStringLiteral("Es wurde nichts ausgespielt");


QString exportFolder()
{
    return FindFileCI(ProgramFolder(), QStringLiteral("Export"));
}

bool isWeightRecord(const FinalGradeRecord& r)
{
    return IsWeightRecordName(r.last);
}

QString exportedCode(const QString& shortCode, const QString& profileField, const std::array<QString, 6>& codes)
{
    const QString code = TrimRight(shortCode);
    if (code == QStringLiteral("Inf"))
        return QStringLiteral("WI");
    if (code == QStringLiteral("Prof")) {
        const QString own = ProfileRowText(profileField, codes);
        return own.isEmpty() ? shortCode : own;
    }
    return shortCode;
}

QString exportedGrade(const QString& cell)
{
    const QString grade = TrimRight(cell);
    return grade.contains(QLatin1Char('*')) ? grade.left(1) : grade;
}

QString folderAndFileLines(const QString& archiveName)
{
    return QStringLiteral("Ordnername:   ") + QDir::toNativeSeparators(ProgramFolder() + QStringLiteral("/Export"))
           + kBr + QStringLiteral("Dateiname:      ") + archiveName;
}

// Reads records 1 to 39 of the open class with each student's grade file.
// Returns nullopt after an abort request.
std::optional<QList<FinalGradeRecord>> collectRecords(DbfTable& table, QStringList& unreadable,
                                                      FlawedGradeFiles& flawed)
{
    SharedState& s = state();
    const GradeContext context = GradeContextFromState();
    const QString classDir =
        QDir(ProgramFolder()).filePath(s.openClassFile.left(s.openClassFile.size() - 4)) + QLatin1Char('/');
    QList<FinalGradeRecord> records;
    const int count = std::min(table.recordCount(), kExportRecords);
    for (int r = 1; r <= count; ++r) {
        const int rec = r - 1;
        FinalGradeRecord out;
        out.last = table.valueOrEmpty(rec, kFieldLast);
        out.first = table.valueOrEmpty(rec, kFieldFirst);
        out.birthDate = table.valueOrEmpty(rec, kFieldBirthDate);
        out.birthPlace = table.valueOrEmpty(rec, kFieldBirthPlace);
        out.profileField = table.valueOrEmpty(rec, kFieldProfile);
        for (int c = kGridFirstSubjectColumn; c <= kGridLastSubjectColumn; ++c)
            out.grades[c - kGridFirstSubjectColumn] = table.valueOrEmpty(rec, GradeSlotFieldName(c));
        s.classDir = classDir;
        s.gradeFilePath = GradeFilePathFor(classDir, QString::number(r));
        // Every student starts from a fresh sheet: one without grade file has
        // the presets (result "---"), never the result of the student before.
        const ExamSheet sheet = LoadStudentGradeFile(s.gradeFilePath, context, out.profileField);
        if (sheet.saveBlocked && !TrimRight(out.last).isEmpty())
            unreadable << QStringLiteral("%1 %2 (v.%3)").arg(TrimRight(out.last), TrimRight(out.first)).arg(r);
        if (!TrimRight(out.last).isEmpty() && !IsWeightRecordName(out.last))
            flawed.note(QString::number(r), out.last, out.first, sheet);
        out.resultIndex = sheet.resultIndex;
        out.average = ComputeGesamtschnitt(sheet.grid, kFirstSubjectRow, kLastSubjectRow, context);
        records << out;

        QCoreApplication::processEvents();
        if (s.printAbortRequested) {
            s.printAbortRequested = false;
            return std::nullopt;
        }
    }
    return records;
}

const QString kScratchPrefix = QStringLiteral("hsa-endnoten-");

// The plain export text exists only in a folder of its own in the system's
// temporary folder, open to its owner alone and named after the process, so
// that a later start can tell the orphan of a killed export from the export
// of a program still running.  The folder goes with everything in it on
// every way out of the export.
class ExportScratch {
public:
    ExportScratch()
    {
        QByteArray tmpl = QFile::encodeName(QDir(QDir::tempPath()).absolutePath()) + "/"
                          + QFile::encodeName(kScratchPrefix) + QByteArray::number(qint64(::getpid())) + "-XXXXXX";
        if (!::mkdtemp(tmpl.data()))
            throw FileError::cannotCreateFolder(QDir::tempPath());
        folder_ = QFile::decodeName(tmpl);
    }
    ~ExportScratch() { QDir(folder_).removeRecursively(); }
    ExportScratch(const ExportScratch&) = delete;
    ExportScratch& operator=(const ExportScratch&) = delete;
    QString folder() const { return folder_; }

private:
    QString folder_;
};

// Writes the lines (Windows-1252, each followed by CR LF) into a new file
// that only its owner may read.
void writePrivateText(const QString& path, const QStringList& lines)
{
    QByteArray data;
    for (const QString& l : lines)
        data += ToWindows1252(l) + "\r\n";
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool ok = fd >= 0 && !FileStepFails(FileStep::Write) && WriteFully(fd, data.constData(), data.size());
    if (fd >= 0 && ::close(fd) != 0)
        ok = false;
    if (!ok)
        throw FileError::cannotCreate(path);
}

void removeQuietly(const QString& path)
{
    if (QFileInfo::exists(path))
        QFile::remove(path);
}

// Packs the text file into the archive and checks the entry.  On failure the
// text file and the archive are gone and the error is returned.
std::optional<QString> encryptFinalGradeExport(const QString& textPath, const QString& archivePath)
{
    const QString bareName = QFileInfo(textPath).fileName();
    zip::ZipArchiver z;
    z.Name = "ZipArchiver1";
    QString error;
    try {
        z.SetPassword(FinalGradeArchivePassword().toStdString());
        z.SetFileName(archivePath.toStdString());
        z.OpenArchive(zip::openmode::Create);
        z.SetBaseDir((QFileInfo(textPath).absolutePath() + QLatin1Char('/')).toStdString());
        const int added = z.AddFiles(textPath.toStdString(), zip::attr::DefaultSearch, "");
        const int intact = added == 1 ? z.TestFiles(bareName.toStdString(), zip::attr::DefaultSearch, "") : 0;
        if (added != 1 || intact != 1) {
            const auto& failures = z.LastFailures();
            error = failures.empty() ? QStringLiteral("Der Eintrag %1 fehlt im Archiv.").arg(bareName)
                                     : QString::fromStdString(failures.back());
        }
        z.CloseArchive();
    } catch (const std::exception& e) {
        error = QString::fromStdString(e.what());
        try {
            z.CloseArchive();
        } catch (const std::exception&) {
        }
    }
    z.SetPassword("");
    if (error.isEmpty() && !RemoveFile(textPath))
        error = QStringLiteral("Die Datei %1 konnte nicht gelöscht werden.").arg(QDir::toNativeSeparators(textPath));
    if (!error.isEmpty()) {
        // Grades never stay unencrypted, and an archive that did not prove
        // good (or an older one of the class) must not be taken for this export.
        removeQuietly(textPath);
        removeQuietly(archivePath);
        return error;
    }
    return std::nullopt;
}

QString stickInstructions()
{
    return QStringLiteral("Einspielen der Endnotendatei in Korvi:") + kBr
           + QStringLiteral("1) Starten Sie Korvi und öffnen Sie die zugehörige Klasse 9 oder 10 des ZWEITEN "
                            "Halbjahres.")
           + kBr + QStringLiteral("2) Klicken Sie auf \"Zeugnis- und Fachnotentabellen\".") + kBr
           + QStringLiteral("3) Im Hauptmenüpunkt \"Notentabellen\" wählen Sie \"Import von Abschlusszeugnisnoten "
                            "aus Wendra\": Die Datei wird auf dem Stick gesucht, in den Importordner kopiert und "
                            "eingelesen.");
}

} // namespace

QString FinalGradeExportFileName(const QString& classFileName)
{
    QString name = ClassFolderName(classFileName);
    if (name.size() >= 3)
        name[2] = QLatin1Char('-');
    return name + QStringLiteral(" Endnoten.txt");
}

QString FinalGradeArchivePassword()
{
    return QStringLiteral("Kw4öÜ!#pT8n2Lx");
}

QStringList BuildFinalGradeExport(const FinalGradeExportInput& in)
{
    QStringList lines;
    lines << in.schoolName << ClassFolderName(in.classFileName) << QStringLiteral("PZeugnisnummern Start");
    const bool withAverage = ParseLeadingInt(in.classFileName.mid(3, 4)) >= 2021;
    for (const FinalGradeRecord& r : in.records) {
        // The weighting record carries factors, not a student: it is written
        // as an empty record.
        const FinalGradeRecord blank;
        const FinalGradeRecord& w = isWeightRecord(r) ? blank : r;
        const QString average = isWeightRecord(r) ? QString() : r.average;
        lines << TrimRight(w.last) << TrimRight(w.first) << QString::number(w.resultIndex)
              << TrimRight(w.grades[kExportGradeColumns - 1]) << w.birthDate << w.birthPlace;
        if (withAverage)
            lines << FormatDecimalGradeWithWord(average);
    }
    lines << QStringLiteral("Zeugnisnummern Ende");
    for (const FinalGradeRecord& r : in.records) {
        const bool passed = r.resultIndex >= 0 && r.resultIndex < 3;
        if (!passed || TrimRight(r.last).isEmpty() || isWeightRecord(r))
            continue;
        lines << TrimRight(r.last) << TrimRight(r.first);
        for (int k = 0; k < kExportGradeColumns; ++k)
            lines << exportedCode(in.shortCodes[k], r.profileField, in.profileCodes) << exportedGrade(r.grades[k]);
    }
    return lines;
}

void ConfirmFinalGradeExportFromClassMenu()
{
    if (state().openClassFile.trimmed().isEmpty()) {
        showMessage(QStringLiteral("Bitte erst Klasse öffnen"));
        return;
    }
    ConfirmFinalGradeExport();
}

void ConfirmFinalGradeExport()
{
    const QString& cls = state().openClassFile;
    if (cls.trimmed().isEmpty()) {
        showMessage(QStringLiteral("Bitte erst Klasse öffnen"));
        return;
    }
    if (cls.left(1).toUpper() == QStringLiteral("X"))
        showInformation(QStringLiteral("REALSCHULABSCHLUSS / WERKREALSCHULABSCHLUSS:") + kBr
                        + QStringLiteral("Für diese Prüfungen darf keine Note der Projektarbeit eingetragen sein, "
                                         "sonst stimmt der Durchschnitt nicht.")
                        + kBr + kBr
                        + QStringLiteral("Für den Hauptschulabschluss in Klasse 10 muss eine Note der Projektarbeit "
                                         "eingetragen sein, mit der Fachgewichtung 1."));
    showInformation(
        QStringLiteral("Ausspielen von Prüfungsergebnissen zum Einspielen und Drucken in Korvi2016-2019") + kBr + kBr
        + QStringLiteral("Es wird eine verschlüsselte Datei ausgespielt, die Korvi zum Drucken der Zeugnisse "
                         "einliest. Für jeden Schüler mit bestandener Prüfung enthält sie alle Endnoten (mit der "
                         "Note der Projektarbeit, wo vorhanden), den Gesamtschnitt, die Zeugnisnummer 1 oder 2 "
                         "(HSA oder RSA) für die Korvi-Spalte \"NIV\" sowie Geburtsdatum und Geburtsort.")
        + kBr + kBr
        + QStringLiteral("Schüler mit \"NICHT BESTANDEN\", \"ZURÜCKGETRETEN\" oder \"-\" als Ergebnis werden nicht "
                         "ausgespielt und bleiben in Korvi unverändert."));
    if (askYesNo(QStringLiteral("Sie haben kontrolliert, bei welchen Schülern \"bestanden\" angeklickt wurde?") + kBr
                 + QStringLiteral("Nur Schüler mit angeklicktem Abschluss werden ausgespielt.") + kBr
                 + QStringLiteral("Fortfahren mit dem Ausspielen?")))
        ExportFinalGrades();
    else
        showMessage(kNothingExported);
}

std::optional<QString> ExportFinalGrades()
{
    SharedState& s = state();
    if (classGrid().visible()) {
        showInformation(kMsgTableChange);
        return std::nullopt;
    }
    DbfTable& table = ClassTable();
    if (s.openClassFile.trimmed().isEmpty() || !table.isOpen()) {
        showMessage(QStringLiteral("Bitte erst Klasse öffnen"));
        return std::nullopt;
    }
    const QString textName = FinalGradeExportFileName(s.openClassFile);
    const QString archiveName = textName.left(textName.size() - 3) + QStringLiteral("qdn");
    showMessage(QStringLiteral("Die Ausspieldatei wird zunächst verschlüsselt im Unterordner \"Export\" von "
                               "Wendra_Pruefer abgespeichert.")
                + kBr + kBr + folderAndFileLines(archiveName) + kBr + kBr
                + QStringLiteral("Sie können diese anschließend auf einen Stick kopieren lassen, um sie ganz bequem "
                                 "(ohne Verwendung des Windows-Explorers) in Korvi einzuspielen.")
                + kBr + kBr
                + QStringLiteral("Zu beachten ist: Die Schreibweise der Namen der Prüfungsschüler und die "
                                 "Fachkürzel müssen in beiden Programmen übereinstimmen"));

    LoadProfileCodes();
    FinalGradeExportInput in;
    in.schoolName = s.schoolName;
    in.classFileName = s.openClassFile;
    in.profileCodes = s.subjectData.profileCodes;
    for (int c = kGridFirstSubjectColumn; c <= kGridLastSubjectColumn; ++c)
        in.shortCodes[c - kGridFirstSubjectColumn] = SubjectToShortCode(s.subjectData.subjectNames[c]);
    QStringList unreadable;
    FlawedGradeFiles flawed;
    std::optional<QList<FinalGradeRecord>> records;
    try {
        records = collectRecords(table, unreadable, flawed);
    } catch (const FileError& e) {
        showError(e.message() + kBr + kBr + kNothingExported);
        return std::nullopt;
    }
    if (!records) {
        showMessage(kNothingExported);
        return std::nullopt;
    }
    if (!unreadable.isEmpty()) {
        // A student whose grade file cannot be read would silently miss his
        // certificate grades in the report-card program.
        showError(QStringLiteral("Die Notendateien dieser Schüler können nicht gelesen werden:") + kBr
                  + unreadable.join(kBr) + kBr + kBr + kNothingExported);
        return std::nullopt;
    }
    // A file read only in part gives its student the exam result and the
    // average of what it held: the export goes on, but never without a word.
    if (!flawed.isEmpty())
        showWarning(flawed.message(QStringLiteral("Ausgespielt wird, was gelesen werden konnte (Prüfungsergebnis "
                                                  "und Gesamtschnitt). Bitte die Noten beim Einzelschüler prüfen, "
                                                  "speichern und die Endnoten danach erneut ausspielen.")));
    in.records = *records;

    QString folder = exportFolder();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        showError(QStringLiteral("Der Ordner %1 kann nicht angelegt werden.").arg(QDir::toNativeSeparators(folder))
                  + kBr + kBr + kNothingExported);
        return std::nullopt;
    }
    const QString archivePath = QDir(folder).filePath(archiveName);
    // An older archive of the class must never be taken for this export,
    // whatever becomes of it: it goes before the new one is begun.
    if (QFileInfo(archivePath).isFile() && !RemoveFile(archivePath)) {
        showError(QStringLiteral("Die Datei %1 kann nicht ersetzt werden.").arg(QDir::toNativeSeparators(archivePath))
                  + kBr + kBr + kNothingExported);
        return std::nullopt;
    }
    std::optional<QString> error;
    try {
        const ExportScratch scratch;
        const QString textPath = QDir(scratch.folder()).filePath(textName);
        writePrivateText(textPath, BuildFinalGradeExport(in));
        error = encryptFinalGradeExport(textPath, archivePath);
    } catch (const FileError& e) {
        removeQuietly(archivePath);
        showError(e.message() + kBr + kBr + kNothingExported);
        return std::nullopt;
    }
    if (error) {
        showError(QStringLiteral("Die Ausspieldatei konnte nicht verschlüsselt werden:") + kBr + *error + kBr + kBr
                  + kNothingExported);
        return std::nullopt;
    }

    // The table stays on the screen with the heading the export gave the
    // average column.
    if (classGrid().OpenTable(GradeTable::EZ)) {
        classGrid().setCell(kGridAverageColumn, 0, QStringLiteral("Sch"));
        NotifyMainWindow();
    }

    if (askYesNo(QStringLiteral("Datei im Exportordner gespeichert") + kBr + kBr
                 + QStringLiteral("Soll die Ausspieldatei auch noch auf einen Stick kopiert werden,") + kBr
                 + QStringLiteral("damit sie ganz einfach direkt aus Korvi heraus vom Stick einkopiert werden kann?"))) {
        if (CopyFileToStick(archivePath))
            showInformation(stickInstructions());
        else
            showInformation(
                QStringLiteral("Die Ausspieldatei wurde (verschlüsselt) nur im Unterordner \"Export\" von "
                               "Wendra_Pruefer abgespeichert und nicht zusätzlich auf einen Stick.")
                + kBr + kBr + folderAndFileLines(archiveName) + kBr + kBr
                + QStringLiteral("Einspielen der Endnotendatei in Korvi:") + kBr
                + QStringLiteral("1) Kopieren Sie diese Datei mit dem Windows-Datenexplorer aus dem Exportornder "
                                 "von Wendra in den Unterordner IMPORT Ihres Korvi_2016-Ordners hinein.")
                + kBr
                + QStringLiteral("2) Öffnen Sie die zugehörige Klasse 9 oder 10 des ZWEITEN Halbjahres und klicken "
                                 "Sie auf \"Zeugnis- und Fachnotentabellen\" ")
                + kBr
                + QStringLiteral("3) Im Hauptmenüpunkt \"Notentabellen / Import\" finden Sie den Untermenüpunkt "
                                 "\"Import von Abschlusszeugnisnoten aus Wendra\"")
                + kBr + kBr
                + QStringLiteral("(Die Schreibweise der Namen der Prüfungsschüler und die Fachkürzel müssen in "
                                 "beiden Programmen übereinstimmen)"));
    }
    return archivePath;
}

void RemoveFinalGradeLeftovers()
{
    const QDir temp(QDir::tempPath());
    for (const QFileInfo& fi : temp.entryInfoList({kScratchPrefix + QLatin1Char('*')},
                                                  QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        bool ok = false;
        const qint64 pid = fi.fileName().mid(kScratchPrefix.size()).section(QLatin1Char('-'), 0, 0).toLongLong(&ok);
        if (!ok || fi.isSymLink() || fi.ownerId() != ::getuid())
            continue;
        // The folder of an export still running in another program stays.
        if (pid != qint64(::getpid()) && pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH))
            continue;
        QDir(fi.absoluteFilePath()).removeRecursively();
    }
    // Earlier versions wrote the plain text into "Export" under its own name,
    // or half of it under a hidden one, and a killed export left it there.
    const QString folder = exportFolder();
    if (!QFileInfo(folder).isDir())
        return;
    for (const QFileInfo& fi : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString name = fi.fileName();
        const bool plain = name.endsWith(QStringLiteral(" Endnoten.txt"), Qt::CaseInsensitive);
        const bool half = name.startsWith(QLatin1Char('.'))
                          && (name.contains(QStringLiteral(" Endnoten.txt."), Qt::CaseInsensitive)
                              || name.contains(QStringLiteral(" Endnoten.qdn."), Qt::CaseInsensitive));
        if (plain || half)
            RemoveFile(fi.absoluteFilePath());
    }
}

bool CopyFileToStick(const QString& file)
{
    showMessage(QStringLiteral("Suchen Sie jetzt einfach nur den Stick und wählen Sie KEINEN Unterordner davon."));
    const std::optional<QString> chosen = prompts().folderName(QStringLiteral("Select a directory"), QString());
    if (!chosen || chosen->trimmed().isEmpty()) {
        showMessage(QStringLiteral("Sie haben die Stickauswahl abgebrochen."));
        return false;
    }
    const QFileInfo source(file);
    const QString dest = QDir(*chosen).filePath(source.fileName());
    const QFileInfo target(dest);
    if (target.exists() && target.canonicalFilePath() == source.canonicalFilePath()) {
        showWarning(QStringLiteral("Die Datei liegt bereits in diesem Ordner. Bitte wählen Sie den Stick."));
        return false;
    }
    try {
        WriteFileAtomic(dest, ReadFileBytes(file));
    } catch (const FileError& e) {
        showError(e.message());
        return false;
    }
    QString shownFolder = QDir::toNativeSeparators(*chosen);
    if (!shownFolder.endsWith(QDir::separator()))
        shownFolder += QDir::separator();
    showMessage(QStringLiteral("Die Datei ") + kBr + kBr + source.fileName() + kBr + kBr + QStringLiteral("wurde auch auf ")
                + shownFolder + QStringLiteral(" kopiert."));
    return true;
}

} // namespace hsa
