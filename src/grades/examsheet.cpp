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

ExamSheet ExamSheetFromLines(const QStringList& lines, const GradeContext& context,
                             const QString& profileField)
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

// Every cell present (result and notes may be missing), and nothing beyond
// the notes but empty lines: a file of another layout would lose its content
// on the next save.
static bool holdsGradeFileLayout(const QStringList& lines)
{
    if (lines.size() < kGradeFileCellLines)
        return false;
    for (qsizetype i = kGradeFileLines; i < lines.size(); ++i)
        if (!lines.at(i).trimmed().isEmpty())
            return false;
    return true;
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
    if (failure.isEmpty() && !holdsGradeFileLayout(lines))
        failure = QStringLiteral("Die Notendatei %1 ist beschädigt (ihr Aufbau stimmt nicht).\n\r"
                                 "Die Noten dieses Schülers werden nicht gespeichert, "
                                 "damit die Datei erhalten bleibt.")
                      .arg(QDir::toNativeSeparators(actual));
    if (!failure.isEmpty()) {
        ExamSheet sheet = PresetExamSheet(context, profileField);
        sheet.saveBlocked = true;
        sheet.loadError = failure;
        return sheet;
    }
    return ExamSheetFromLines(lines, context, profileField);
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
