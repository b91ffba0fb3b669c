#include "grades/examsheet.h"

#include "classes/helpers.h"
#include "classes/textfile.h"
#include "grades/cellrules.h"
#include "platform/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace hsa {

namespace {

QString lineAt(const QStringList& lines, int index)
{
    return index >= 0 && index < lines.size() ? lines.at(index) : QString();
}

// The result index of line 181: 0 to 5 as written; "-1" (none), a number
// outside the six items, garbage or a missing line all mean 5 ("---").
int resultIndexFromLine(const QString& line)
{
    bool ok = false;
    const int value = line.trimmed().toInt(&ok);
    if (!ok || value < 0 || value >= kExamResultCount)
        return kNoExamResult;
    return value;
}

// One line of the file must stay one line: a line end inside a text would
// shift every later cell.
QString oneLine(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

void presetRows(ExamSheet& sheet, const GradeContext& context)
{
    ExamGrid& g = sheet.grid;
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        g.at(ColCode, r) = context.shortCode(r);

    // From school year 08 on English has a communication exam, pending
    // until it is taken.
    const bool commExamYears = ParseLeadingInt(context.classFileName.mid(3, 2)) >= 8;
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r) {
        for (int c = ColWritten; c <= ColFinal; ++c)
            g.at(c, r) = QStringLiteral("- ");
        if (commExamYears && g.at(ColCode, r) == QStringLiteral("E"))
            g.at(ColComm, r) = QStringLiteral("P");
        g.at(ColWeight, r) = g.at(ColCode, r) == QStringLiteral("Inf") ? QStringLiteral("0")
                                                                        : QStringLiteral("1");
    }

    const bool xClass = context.classFileBeginsWith(QStringLiteral("xX"));
    for (int i = 0; i < 4; ++i) {
        const int row = context.writtenExamRows[i];
        if (row < kFirstSubjectRow || row > kLastSubjectRow)
            continue;
        if (i == 3 && xClass)
            continue;
        g.at(ColWritten, row) = QStringLiteral("P");
    }

    g.at(ColCode, 0) = QStringLiteral("- ");
    for (int c = ColWritten; c <= ColWeight; ++c)
        g.at(c, 0) = ExamGridHeading(c, context.eveningSchoolMode, false);
}

} // namespace

const std::array<QString, kExamResultCount>& ExamResultCaptions()
{
    static const std::array<QString, kExamResultCount> captions{
        QStringLiteral("Hauptschulabschluss bestanden"),
        QStringLiteral("Werkrealschulabschluss bestanden"),
        QStringLiteral("Realschulabschluss bestanden"),
        QStringLiteral("nicht bestanden"),
        QStringLiteral("mit Genehmigung zurückgetreten"),
        QStringLiteral("---"),
    };
    return captions;
}

QString ExamResultCaption(int index)
{
    if (index < 0 || index >= kExamResultCount)
        return {};
    return ExamResultCaptions()[index];
}

QString ExamSheet::gesamtschnittLabel(const GradeContext& context) const
{
    return GesamtschnittLabel(grid, resultIndex, context);
}

GradeList ExamSheet::gradeList(const GradeContext& context) const
{
    GradeList list{};
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        list[r + 1] = GradeListText(grid, r, context);
    return list;
}

QString ExamSheet::notesText() const
{
    QStringList lines = notes;
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

void ExamSheet::setNotesText(const QString& text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    notes = text.isEmpty() ? QStringList() : text.split(lineEnd);
}

QString ExamGridHeading(int column, bool eveningSchoolMode, bool loaded)
{
    switch (column) {
    case ColWritten:
        return eveningSchoolMode ? QStringLiteral("schr(1)") : QStringLiteral("schr(3)");
    case ColComm:
        return eveningSchoolMode ? QStringLiteral("KP/pr(1)") : QStringLiteral("KP/pr(2)");
    case ColOral:
        return QStringLiteral("mü(1)");
    case ColExamResult:
        return QStringLiteral("Pr-Leist.");
    case ColYear:
        return QStringLiteral("Jahresl.");
    case ColAverage:
        return QStringLiteral("Schnitt");
    case ColFinal:
        return QStringLiteral("Endnote");
    case ColWeight:
        return loaded ? QStringLiteral("F.Gew.") : QStringLiteral("F-Gew.");
    default:
        return {};
    }
}

void SetModeHeadings(ExamGrid& grid, bool eveningSchoolMode)
{
    for (int c = ColWritten; c <= ColOral; ++c)
        grid.at(c, 0) = ExamGridHeading(c, eveningSchoolMode, false);
}

int ProfileIndexFromField(const QString& ag7)
{
    bool ok = false;
    const int value = ag7.trimmed().toInt(&ok);
    if (!ok || value < 0 || value > 6)
        return -1;
    // The profile choice has six items: 6 selects the last one.
    return value > 5 ? 5 : value;
}

void NormaliseWeightColumn(ExamGrid& grid)
{
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        grid.at(ColWeight, r) = NormaliseWeightCell(grid.at(ColWeight, r), grid.at(ColCode, r));
}

ExamSheet PresetExamSheet(const GradeContext& context, const QString& profileField)
{
    ExamSheet sheet;
    sheet.profileIndex = ProfileIndexFromField(profileField);
    presetRows(sheet, context);
    NormaliseWeightColumn(sheet.grid);
    RecalcExamGrid(sheet.grid, context);
    sheet.resultIndex = kNoExamResult;
    sheet.resultLabel.clear();
    sheet.notes.clear();
    return sheet;
}

bool MarkValueInRange(const QString& cell)
{
    const double value = ParseDecimal(TrimRight(cell));
    return value == 0 || (value >= 1.0 && value <= 6.0);
}

ExamSheet ExamSheetFromLines(const QStringList& lines, const GradeContext& context,
                             const QString& profileField, QStringList* outOfRange)
{
    ExamSheet sheet;
    sheet.profileIndex = ProfileIndexFromField(profileField);
    presetRows(sheet, context);
    sheet.fromFile = true;

    for (int c = 0; c < kExamGridColumns; ++c) {
        for (int r = 0; r < kExamGridRows; ++r) {
            const QString line = lineAt(lines, c * kExamGridRows + r);
            sheet.grid.at(c, r) = TrimRight(line).isEmpty() ? QStringLiteral("- ") : line;
        }
    }
    SetModeHeadings(sheet.grid, context.eveningSchoolMode);
    // A file written under an older subject list shows the current codes;
    // the marks stay in their rows.
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        sheet.grid.at(ColCode, r) = context.shortCode(r);
    // Typing never lets a mark outside 1.0 to 6.0 into a cell; a damaged or
    // hand-edited file must not either ("65" would count as 65.0 in every
    // result, list and print).  A pending or uncomputable text stays.
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r) {
        for (const int c : {ColWritten, ColComm, ColOral, ColYear}) {
            QString& cell = sheet.grid.at(c, r);
            if (cell.contains(QLatin1Char('P')) || cell.contains(QLatin1Char('?')) || MarkValueInRange(cell))
                continue;
            if (outOfRange)
                *outOfRange << TrimRight(sheet.grid.at(ColCode, r)) + QLatin1Char(' ') + sheet.grid.at(c, 0)
                                   + QStringLiteral(": ") + cell.trimmed();
            cell = QStringLiteral("- ");
        }
    }
    sheet.grid.at(ColWeight, 0) = ExamGridHeading(ColWeight, context.eveningSchoolMode, true);
    NormaliseWeightColumn(sheet.grid);
    RecalcExamGrid(sheet.grid, context);

    sheet.resultIndex = resultIndexFromLine(lineAt(lines, kGradeFileCellLines));
    sheet.resultLabel = ExamResultCaption(sheet.resultIndex);

    sheet.notes.clear();
    for (int i = kGradeFileCellLines + 1; i < lines.size() && sheet.notes.size() < kGradeFileNoteLines; ++i)
        sheet.notes.append(lines.at(i));
    return sheet;
}

// How the lines of a grade file depart from its layout.  Empty lines after
// the notes are no fault.
static GradeFileFlaws gradeFileFlaws(const QStringList& lines, const QStringList& outOfRange)
{
    GradeFileFlaws flaws;
    qsizetype last = lines.size();
    while (last > kGradeFileLines && lines.at(last - 1).trimmed().isEmpty())
        --last;
    flaws.lines = int(last);
    flaws.cutShort = last < kGradeFileLines;
    flaws.overlong = last > kGradeFileLines;
    flaws.outOfRange = outOfRange;
    return flaws;
}

// What the user hears about a file that was read all the same: cut short,
// carrying text beyond its last note, or marks outside 1.0 to 6.0.
static QString gradeFileNotice(const QString& path, const GradeFileFlaws& flaws)
{
    const QString shown = QDir::toNativeSeparators(path);
    QStringList told;
    if (flaws.cutShort)
        told << QStringLiteral("Die Notendatei %1 ist unvollständig: Sie hat nur %2 von %3 Zeilen. "
                               "Was fehlt, ist leer (\"- \"); bitte prüfen Sie die Noten und Notizen dieses "
                               "Schülers. Beim Speichern wird die Datei vollständig geschrieben.")
                    .arg(shown)
                    .arg(flaws.lines)
                    .arg(kGradeFileLines);
    if (flaws.overlong)
        told << QStringLiteral("Die Notendatei %1 ist länger als vorgesehen (%2 statt %3 Zeilen). "
                               "Die Zeilen nach der 45. Notizzeile werden nicht übernommen und beim Speichern "
                               "nicht wieder geschrieben.")
                    .arg(shown)
                    .arg(flaws.lines)
                    .arg(kGradeFileLines);
    if (!flaws.outOfRange.isEmpty())
        told << QStringLiteral("Die Notendatei %1 enthält Noten außerhalb von 1,0 bis 6,0 (%2). "
                               "Sie werden nicht gezählt und als \"- \" angezeigt.")
                    .arg(shown, flaws.outOfRange.join(QStringLiteral("; ")));
    return told.join(QStringLiteral("\n\r\n\r"));
}

ExamSheet LoadStudentGradeFile(const QString& path, const GradeContext& context,
                               const QString& profileField)
{
    const QFileInfo info(path);
    const QString actual = FindFileCI(info.path(), info.fileName());
    if (!QFileInfo::exists(actual))
        return PresetExamSheet(context, profileField);

    QString failure;
    QStringList lines;
    try {
        const QList<QByteArray> raw = ReadRawLines(actual);
        for (const QByteArray& l : raw) {
            if (l.contains('\0')) {
                failure = QStringLiteral("Die Notendatei %1 ist beschädigt (sie enthält Binärdaten).\n\r"
                                         "Die Noten dieses Schülers werden nicht gespeichert, "
                                         "damit die Datei erhalten bleibt.")
                              .arg(QDir::toNativeSeparators(actual));
                break;
            }
            lines.append(FromWindows1252(l));
        }
    } catch (const FileError& e) {
        failure = e.message() + QStringLiteral("\n\rDie Noten dieses Schülers werden nicht gespeichert, "
                                               "damit die Datei erhalten bleibt.");
    }
    if (!failure.isEmpty()) {
        ExamSheet sheet = PresetExamSheet(context, profileField);
        sheet.saveBlocked = true;
        sheet.loadError = failure;
        return sheet;
    }
    QStringList outOfRange;
    ExamSheet sheet = ExamSheetFromLines(lines, context, profileField, &outOfRange);
    sheet.flaws = gradeFileFlaws(lines, outOfRange);
    sheet.loadNotice = gradeFileNotice(actual, sheet.flaws);
    return sheet;
}

QStringList GradeFileLines(const ExamSheet& sheet, const GradeContext& context)
{
    ExamGrid grid = sheet.grid;
    SetModeHeadings(grid, context.eveningSchoolMode);
    QStringList lines;
    lines.reserve(kGradeFileLines);
    for (int c = 0; c < kExamGridColumns; ++c)
        for (int r = 0; r < kExamGridRows; ++r)
            lines.append(oneLine(grid.at(c, r)));
    lines.append(QString::number(sheet.resultIndex));
    for (int i = 0; i < kGradeFileNoteLines; ++i)
        lines.append(i < sheet.notes.size() ? oneLine(sheet.notes.at(i)) : QString());
    return lines;
}

bool SaveStudentGradeFile(const QString& path, const ExamSheet& sheet, const GradeContext& context)
{
    if (sheet.saveBlocked)
        return false;
    const QFileInfo info(path);
    WriteTextLines(FindFileCI(info.path(), info.fileName()), GradeFileLines(sheet, context));
    return true;
}

QString GradeFilePathFor(const QString& classDir, const QString& nr)
{
    QString dir = classDir;
    dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir + QStringLiteral("v.") + nr.trimmed();
}

} // namespace hsa
