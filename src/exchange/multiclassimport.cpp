#include "exchange/multiclassimport.h"

#include "classes/classfields.h"
#include "classes/classfiles.h"
#include "classes/classrules.h"
#include "classes/classtemplate.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "classes/studentlist.h"
#include "classes/textfile.h"
#include "exchange/classstaging.h"
#include "exchange/transfercopy.h"
#include "platform/errors.h"
#include "platform/prompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace hsa {
namespace {

const QString kBr = QStringLiteral("\n\r");


QString convert(const QByteArray& dos)
{
    return FromWindows1252(DosToAnsiString(dos));
}

QString withoutBlanks(QByteArray bytes)
{
    bytes.replace(" ", "");
    return FromWindows1252(bytes);
}

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// DOS programs end a file with Ctrl-Z, which is no line; in the SDF format
// blank lines at the end hold nobody (in the line format a blank last line
// is the last student's empty birth place).
QList<QByteArray> withoutEndMarks(QList<QByteArray> lines, ImportFormat format)
{
    if (!lines.isEmpty() && lines.last().endsWith('\x1A')) {
        lines.last().chop(1);
        if (lines.last().isEmpty())
            lines.removeLast();
    }
    if (format == ImportFormat::Sdf)
        while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
            lines.removeLast();
    return lines;
}

// What an SDF line holds outside its quoted fields other than the
// separators (comma, semicolon, blanks): a quote missing or in the wrong
// place ("Meier","Anna,9a,"01.01.2010) would shift text between the fields.
QByteArray textOutsideQuotes(const QByteArray& line)
{
    QByteArray outside;
    bool inField = false;
    for (const char c : line) {
        if (c == '"')
            inField = !inField;
        else if (!inField && c != ',' && c != ';' && c != ' ' && c != '\t')
            outside += c;
    }
    return outside;
}

void sortIgnoringCase(QStringList& list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

void fillTable(DbfTable& t, const QList<ImportStudent>& students)
{
    const int filled = std::min<int>(students.size(), kImportMaxStudents);
    for (int r = 0; r < t.recordCount(); ++r) {
        if (r < filled) {
            const ImportStudent& s = students.at(r);
            t.setValue(r, kFieldLast, s.last);
            t.setValue(r, kFieldFirst, s.first);
            t.setValue(r, kFieldClass, s.klasse);
            t.setValue(r, kFieldBirthDate, s.birthDate);
            t.setValue(r, kFieldBirthPlace, s.birthPlace);
        } else {
            for (const QString& field : {kFieldLast, kFieldFirst, kFieldGender, kFieldClass, kFieldGeneralStudies})
                t.setValue(r, field, QString());
        }
        t.post();
    }
}

} // namespace

char DosToAnsiChar(char c)
{
    static const unsigned char map[][2] = {
        {0x81, 0xFC}, {0x82, 0xE9}, {0x83, 0xE2}, {0x84, 0xE4}, {0x85, 0xE0}, {0x88, 0xEA}, {0x8A, 0xE8},
        {0x8E, 0xC4}, {0x90, 0xC9}, {0x94, 0xF6}, {0x95, 0xF2}, {0x97, 0xF9}, {0x99, 0xD6}, {0x9A, 0xDC},
        {0xA0, 0xE1}, {0xA2, 0xF3}, {0xA3, 0xFA}, {0xB5, 0xC1}, {0xB7, 0xC0}, {0xD4, 0xC8}, {0xE0, 0xD3},
        {0xE1, 0xDF}, {0xE3, 0xD2}, {0xE9, 0xDA}, {0xEB, 0xD9},
    };
    const auto byte = static_cast<unsigned char>(c);
    for (const auto& m : map)
        if (m[0] == byte)
            return static_cast<char>(m[1]);
    return c;
}

QByteArray DosToAnsiString(const QByteArray& text)
{
    QByteArray out = text;
    for (char& c : out)
        c = DosToAnsiChar(c);
    return out;
}

QByteArray GetSdfField(int n, const QByteArray& line)
{
    if (n < 1 || n > 5)
        return {};
    QList<int> quotes;
    for (int i = 0; i < line.size() && quotes.size() < 10; ++i)
        if (line.at(i) == '"')
            quotes << i;
    if (quotes.isEmpty())
        return {};
    while (quotes.size() < 10)
        quotes << quotes.last();
    const int open = quotes.at(2 * n - 2);
    const int close = quotes.at(2 * n - 1);
    return close > open ? line.mid(open + 1, close - open - 1) : QByteArray();
}

QList<ImportStudent> ParseImportLines(const QList<QByteArray>& lines, ImportFormat format)
{
    QList<ImportStudent> students;
    if (format == ImportFormat::Line) {
        for (int i = 0; i + 5 <= lines.size(); i += 5)
            students << ImportStudent{convert(lines.at(i)), convert(lines.at(i + 1)), withoutBlanks(lines.at(i + 2)),
                                      convert(lines.at(i + 3)), convert(lines.at(i + 4))};
        return students;
    }
    for (const QByteArray& line : lines)
        students << ImportStudent{convert(GetSdfField(1, line)), convert(GetSdfField(2, line)),
                                  withoutBlanks(GetSdfField(3, line)), FromWindows1252(GetSdfField(4, line)),
                                  FromWindows1252(GetSdfField(5, line))};
    return students;
}

QString ImportFileRefusal(const QString& file, const QList<QByteArray>& given, ImportFormat format)
{
    const bool sdf = format == ImportFormat::Sdf;
    const auto refuse = [&](qsizetype line, const QString& why) {
        return QStringLiteral("Die Datei %1 ist keine vorbereitete Importdatei im %2.") .arg(file, sdf ? QStringLiteral("SDF-Format") : QStringLiteral("Zeilenformat"))
               + kBr + QStringLiteral("Zeile %1: %2").arg(line + 1).arg(why) + kBr + kBr
               + QStringLiteral("Die Datei wird nicht übernommen.");
    };
    const QList<QByteArray> lines = withoutEndMarks(given, format);
    if (lines.isEmpty() || (lines.size() == 1 && lines.first().isEmpty()))
        return refuse(0, QStringLiteral("Die Datei ist leer."));
    const QByteArray& first = lines.first();
    if (first.startsWith("\xEF\xBB\xBF"))
        return refuse(0, QStringLiteral("Die Datei ist UTF-8-kodiert; erwartet wird die DOS-Codepage 850."));
    if (first.startsWith("\xFF\xFE") || first.startsWith("\xFE\xFF"))
        return refuse(0, QStringLiteral("Die Datei ist UTF-16-kodiert; erwartet wird die DOS-Codepage 850."));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        if (line.contains('\0'))
            return refuse(i, QStringLiteral("Die Zeile enthält Nullbytes (UTF-16-Text oder keine Textdatei)."));
        for (qsizetype k = 0; k < line.size(); ++k) {
            const auto b = static_cast<unsigned char>(line.at(k));
            if ((b < 0x20 && b != '\t') || b == 0x7F)
                return refuse(i, QStringLiteral("Die Zeile enthält Steuerzeichen (keine Textdatei)."));
            // "\xC3\xBC" is the UTF-8 "ü"; in code page 850 these are box
            // drawing characters no name holds.
            if (b >= 0xC2 && b <= 0xC5 && k + 1 < line.size()
                && (static_cast<unsigned char>(line.at(k + 1)) & 0xC0) == 0x80)
                return refuse(i, QStringLiteral("Die Zeile ist UTF-8-kodiert; erwartet wird die DOS-Codepage 850."));
        }
        if (line.size() > kImportMaxLineBytes)
            return refuse(i, QStringLiteral("Die Zeile ist länger als %1 Zeichen.").arg(kImportMaxLineBytes));
        // A blank line of an SDF file is a student row without data: it
        // stays an empty record, as a line without quotes reads.
        if (sdf && !line.trimmed().isEmpty()) {
            if (!line.trimmed().startsWith('"') || line.count('"') % 2 != 0)
                return refuse(i, QStringLiteral("Die Felder stehen nicht paarweise in Anführungszeichen."));
            if (const QByteArray outside = textOutsideQuotes(line); !outside.isEmpty())
                return refuse(i, QStringLiteral("Außerhalb der Anführungszeichen steht \"%1\"; ein Anführungszeichen "
                                                "fehlt oder steht an falscher Stelle.")
                                     .arg(FromWindows1252(DosToAnsiString(outside))));
        }
    }
    if (!sdf) {
        if (lines.size() < 5)
            return refuse(lines.size() - 1, QStringLiteral("Die Datei hat keine fünf Zeilen für einen Schüler."));
        // A file cut inside its last student would lose that student
        // without a word; blank lines after the last one are no student.
        const qsizetype rest = lines.size() % 5;
        const qsizetype restStart = lines.size() - rest;
        for (qsizetype i = restStart; i < lines.size(); ++i)
            if (!lines.at(i).trimmed().isEmpty())
                return refuse(restStart, QStringLiteral("Der Schüler ab dieser Zeile ist unvollständig (%1 von 5 "
                                                        "Zeilen); die Datei ist abgeschnitten.")
                                             .arg(rest));
    }
    const QList<ImportStudent> students = ParseImportLines(lines, format);
    if (std::none_of(students.begin(), students.end(), [](const ImportStudent& s) {
            return !s.last.trimmed().isEmpty() || !s.first.trimmed().isEmpty();
        }))
        return refuse(0, QStringLiteral("Die Datei enthält keinen Schüler mit Namen."));
    return {};
}

QString ImportTargetName(const QString& importFile, const QString& year)
{
    return ClassTableName(importFile.mid(4, 2), year);
}

ImportResult ImportClassFile(const QString& file, const QString& target, ImportFormat format)
{
    const QString dir = ProgramFolder();
    // Every check comes before anything of an existing class is touched.
    if (target.size() < 2 || !QStringLiteral("56789xyXY").contains(target.at(0)) || !isAsciiLetter(target.at(1))) {
        showWarning(QStringLiteral("Falsche Klassennummer bei ") + target);
        return ImportResult::Skipped;
    }
    const QString templatePath = FindFileCI(dir, QStringLiteral("start2.dbf"));
    if (!QFileInfo(templatePath).isFile()) {
        showWarning(QStringLiteral("Finde die Grunddatei start2.dbf nicht !"));
        return ImportResult::Skipped;
    }
    QList<QByteArray> lines;
    try {
        lines = ReadRawLines(FindFileCI(dir, file));
    } catch (const FileError& e) {
        showError(e.message() + kBr + kBr + QStringLiteral("Die Datei ") + file
                  + QStringLiteral(" konnte nicht gelesen werden. Der Import wird beendet."));
        return ImportResult::Failed;
    }
    // Random bytes or a file of another program never become a class that
    // looks imported.
    if (const QString refusal = ImportFileRefusal(file, lines, format); !refusal.isEmpty()) {
        showWarning(refusal);
        return ImportResult::Skipped;
    }
    const QList<ImportStudent> students = ParseImportLines(withoutEndMarks(lines, format), format);
    const QString targetPath = FindFileCI(dir, target);
    const bool existed = QFileInfo::exists(targetPath);
    // Another program that has the class open may be changing its list: its
    // journal is no leftover to undo, and the user is told who holds it.
    if (TableInUse(targetPath)) {
        showWarning(ClassInUseMessage(target));
        return ImportResult::Skipped;
    }
    // The older class keeps files beside the new one: a list change cut off
    // in it is undone first, so that they stand where its students had them.
    try {
        RecoverListChangeOfClass(targetPath, FindFileCI(dir, ClassFolderName(target)));
    } catch (const FileError& e) {
        showError(e.message());
        return ImportResult::Skipped;
    }
    // The same lock as opening the class: another desk that has it open
    // would lose its grade files and every later edit.
    const ClassTableLock lock(targetPath);
    if (!lock.held()) {
        showWarning(ClassInUseMessage(target));
        return ImportResult::Skipped;
    }
    if (existed && !askYesNoDefaultNo(QStringLiteral("Klasse ") + target + QStringLiteral(" existiert bereits. Überschreiben? ")))
        return ImportResult::Skipped;

    ClassTable().close();
    // The new class is put together beside the target and replaces the
    // older one in one step, as every whole-class copy does: a full disk
    // leaves the older class with its table and grade files, and the grades
    // of the older students never land on the new ones.
    const QString cls8 = ClassFolderName(target);
    DbfTable table;
    try {
        ClassStaging staging(dir);
        try {
            staging.copy(templatePath, target);
            table.open(staging.path(target));
            CutClassTableTo40(table);
            fillTable(table, students);
            table.close();
            staging.makeFolder(cls8);
            staging.keepFolder(FindFileCI(dir, cls8), cls8, IsGradeFileName);
            staging.commit({cls8, target});
        } catch (const FileError& e) {
            table.close();
            throw staging.forTarget(e);
        }
    } catch (const FileError& e) {
        showError(e.message() + kBr + kBr + QStringLiteral("Die Klasse ") + target + QStringLiteral(" aus der Datei ")
                  + file + QStringLiteral(" konnte nicht angelegt werden. Der Import wird beendet."));
        return ImportResult::Failed;
    }
    if (students.size() > kImportMaxStudents) {
        QStringList names;
        for (int i = kImportMaxStudents; i < students.size(); ++i)
            if (const QString n = (students.at(i).last.trimmed() + QLatin1Char(' ') + students.at(i).first.trimmed()).trimmed();
                !n.isEmpty())
                names << n;
        if (!names.isEmpty())
            showWarning(QStringLiteral("Die Datei ") + file + QStringLiteral(" enthält mehr als 38 Schüler. Nicht übernommen: ")
                    + names.join(QStringLiteral(", ")));
    }
    return ImportResult::Imported;
}

// ---------------------------------------------------------------------------
// The dialog's lists

void DualListModel::Refill(const QString& folder)
{
    source_ = ListMatchingFiles(folder, SplitMasks(mask()));
    sortIgnoringCase(source_);
    destination_.clear();
}

void DualListModel::ChooseFormat(const QString& text, const QString& folder)
{
    format_ = text.contains(QStringLiteral("ASCII")) ? ImportFormat::Line : ImportFormat::Sdf;
    Refill(folder);
}

int DualListModel::move(QStringList& from, QStringList& to, const QList<int>& rows, bool sortTarget)
{
    QList<int> picked;
    for (int r : rows)
        if (r >= 0 && r < from.size() && !picked.contains(r))
            picked << r;
    std::sort(picked.begin(), picked.end());
    for (int i = static_cast<int>(picked.size()) - 1; i >= 0; --i)
        to << from.takeAt(picked.at(i));
    if (sortTarget)
        sortIgnoringCase(to);
    if (from.isEmpty())
        return -1;
    if (picked.isEmpty())
        return 0;
    return std::min(picked.first(), static_cast<int>(from.size()) - 1);
}

int DualListModel::Include(const QList<int>& rows)
{
    return move(source_, destination_, rows, false);
}

int DualListModel::Exclude(const QList<int>& rows)
{
    return move(destination_, source_, rows, true);
}

void DualListModel::IncludeAll()
{
    destination_ << source_;
    source_.clear();
}

void DualListModel::ExcludeAll()
{
    source_ << destination_;
    sortIgnoringCase(source_);
    destination_.clear();
}

// ---------------------------------------------------------------------------

std::optional<QStringList> RunMultiClassImport(DualListModel& model, const QDate& today,
                                               const ImportProgress& progress)
{
    QString year = DefaultSchoolYear(today);
    for (;;) {
        const std::optional<QString> entry = prompts().input(
            QStringLiteral("Schuljahr für die Klasse "), QStringLiteral("Schuljahr (4 Ziffern, z.B. 1920)"), year);
        if (!entry)
            return std::nullopt;
        year = entry->left(4);
        if (SchoolYearAccepted(year, kRenameYearList))
            break;
    }
    QStringList created;
    const QStringList items = model.destination();
    for (const QString& item : items) {
        const QString target = ImportTargetName(item, year);
        if (progress.label)
            progress.label(item + QStringLiteral(" ----> ") + target);
        const ImportResult result = ImportClassFile(item, target, model.format());
        if (result == ImportResult::Imported) {
            model.RemoveFromDestination(item);
            created << target;
            if (progress.created)
                progress.created(target);
        }
        if (result == ImportResult::Failed)
            break;
    }
    if (progress.label)
        progress.label(QString());
    NotifyMainWindow();
    return created;
}

QString MultiClassImportHelpText()
{
    return QStringLiteral("Wie die Importdateien (hsa?9*.imp, hsa?x*.imp im Zeilenformat, hsa?9*.sdf, hsa?x*.sdf im "
                          "SDF-Format) erzeugt werden, steht im Handbuch des Programms, das sie schreibt.");
}

QString MultiClassImportClosingText()
{
    return QStringLiteral("Bitte rufen Sie gleich die neu angelegten Klassen auf, um in der Notentabelle die "
                          "schriftlichen Prüfungen mit einem \"P\" zu markieren. Dies ist für den Listendruck "
                          "erforderlich.");
}

bool PrepareMultiClassImport()
{
    QDir::setCurrent(ProgramFolder());
    LoadProfileCodes();
    if (!state().openClassFile.trimmed().isEmpty()) {
        showMessage(QStringLiteral("Erst Klasse schließen"));
        return false;
    }
    showMessage(QStringLiteral("Die Importdateien müssen sich direkt im Verzeichnis") + kBr + kBr
                + QDir::toNativeSeparators(QDir::currentPath()) + kBr + kBr + QStringLiteral(" befinden."));
    return true;
}

} // namespace hsa
