#include "grades/cellrules.h"

#include "classes/arithmetic.h"
#include "classes/helpers.h"

#include <algorithm>
#include <iterator>

namespace hsa {

namespace {

bool isDigitIn(QChar c, char from, char to) { return c >= QLatin1Char(from) && c <= QLatin1Char(to); }

// The rule applied when the cursor leaves a mark cell.
QString leaveCell(const QString& text)
{
    QString s = text;
    if (TrimRight(s) == QStringLiteral("p"))
        s = QStringLiteral("P");
    if (s.size() == 1 && ParseLeadingInt(s) > 0)
        s += QStringLiteral(".0");
    if (s.size() >= 2 && isDigitIn(s.at(0), '1', '6') && isDigitIn(s.at(1), '0', '9'))
        s = QString(s.at(0)) + QLatin1Char('.') + s.at(1);
    const int lead = ParseLeadingInt(s);
    if ((lead < 1 || lead > 6) && TrimRight(s) != QStringLiteral("P"))
        s = QStringLiteral("-");
    return s;
}

QString writeBack(const QString& text, bool minusYearMark)
{
    QString s = TrimRight(text);
    const qsizetype comma = s.indexOf(QLatin1Char(','));
    if (comma >= 0)
        s[comma] = QLatin1Char('.');
    if (minusYearMark)
        s += QLatin1Char('-');
    return s;
}

// One pass of the display rules the grid has always applied to a mark cell.
QString markPass(const QString& text, int column, const GradeContext& context)
{
    const QString trimmed = TrimRight(text);
    if (trimmed == QStringLiteral("p") || trimmed == QStringLiteral("P"))
        return QStringLiteral("P");

    QString s = trimmed;
    bool minus = false;
    if (column == ColYear && s.endsWith(QLatin1Char('-')) && ParseLeadingInt(s) > 0) {
        minus = true; // a year mark with a minus tendency
        s.chop(1);
    }
    if (s.size() == 2 && s.endsWith(QLatin1Char('.'))) {
        const int lead = ParseLeadingInt(s);
        if (lead >= 1 && lead <= 6)
            return writeBack(s + QLatin1Char('0'), minus);
    }
    if (s.size() > 3 && ParseDecimal(s) > 0 && !s.contains(QLatin1Char('*')))
        return QString(); // more than one decimal: erased

    QString t = s.left(3);
    while (t.size() < 3)
        t += QLatin1Char(' ');
    t += QLatin1Char(' ');
    if (context.classFileName.size() >= 8 && context.classFileName.at(7) == QLatin1Char('2')
        && t.startsWith(QLatin1Char('-')))
        return text;
    if (TrimRight(t).isEmpty())
        return writeBack(QStringLiteral("- "), minus);
    if (t.startsWith(QLatin1Char(' ')))
        return writeBack(t.mid(1), minus);

    const QString before = t;
    const qsizetype comma = t.indexOf(QLatin1Char(','));
    if (comma >= 0)
        t[comma] = QLatin1Char('.');
    if (isDigitIn(t.at(0), '1', '6') && isDigitIn(t.at(1), '0', '9'))
        t.insert(1, QLatin1Char('.'));
    const double value = ParseDecimal(t);
    if (value < 1.0 || value > 6.0)
        t = QStringLiteral("- ");
    else if (!t.contains(QLatin1Char('.')))
        t = QString::number(ParseLeadingInt(t))
            + (t.contains(QLatin1Char('*')) ? QStringLiteral(".0*") : QStringLiteral(".0"));
    if (t != before)
        return writeBack(t, minus);
    return text;
}

} // namespace

QString DropLeftoverPending(const QString& text)
{
    if (text.isEmpty() || (text.at(0) != QLatin1Char('P') && text.at(0) != QLatin1Char('p')))
        return text;
    qsizetype at = 1;
    while (at < text.size() && text.at(at) == QLatin1Char(' '))
        ++at;
    // Only a mark: "P7" or "Px" stay what the rules make of them.
    if (at < text.size() && isDigitIn(text.at(at), '1', '6'))
        return text.mid(at);
    return text;
}

QString NormaliseMarkCell(const QString& text, int column, const GradeContext& context)
{
    // A typed comma is a decimal point.  Turned into one before the display
    // rules, which keep only three characters once they change a text: "2,5*"
    // would otherwise lose its star there and the subject would wrongly be
    // starred as an exam subject in the grade list.
    // The exam was still pending when the user typed its mark behind the
    // "P": the rules below would turn "P2" into "-", an exam not taken.
    QString s = DropLeftoverPending(text);
    const qsizetype comma = s.indexOf(QLatin1Char(','));
    if (comma >= 0)
        s[comma] = QLatin1Char('.');
    s = leaveCell(s);
    // The display rules settle within a few passes ("2.35" -> "" -> "-");
    // the bound only guards against a rule that would never settle.
    for (int pass = 0; pass < 8; ++pass) {
        const QString next = markPass(s, column, context);
        if (next == s)
            break;
        s = next;
    }
    return s;
}

QString NormaliseWeightCell(const QString& text, const QString& shortCode)
{
    const QString trimmed = TrimRight(text);
    if (trimmed == QStringLiteral("0"))
        return text;
    if (shortCode == QStringLiteral("Prof"))
        return QStringLiteral("0");
    if (trimmed.contains(QLatin1Char('-')))
        return QStringLiteral("1 ");
    if (ParseLeadingInt(trimmed) == 0)
        return QStringLiteral("0 ");
    return text;
}

QString CommitWeightCell(const QString& text, const QString& shortCode)
{
    const QString s = NormaliseWeightCell(text, shortCode);
    const QString trimmed = TrimRight(s);
    if (trimmed.size() == 1 && isDigitIn(trimmed.at(0), '0', '9'))
        return s;
    const int value = ParseLeadingInt(trimmed);
    return QString::number(value > 9 ? 9 : value);
}

bool IsEditableExamCell(int column, int row)
{
    if (row < kFirstSubjectRow || row > kLastSubjectRow)
        return false;
    return column == ColWritten || column == ColComm || column == ColOral || column == ColYear
           || column == ColWeight;
}

bool CommitExamCell(ExamGrid& grid, int column, int row, const QString& text,
                    const GradeContext& context)
{
    if (!IsEditableExamCell(column, row))
        return false;
    if (column == ColWeight)
        grid.at(column, row) = CommitWeightCell(text, grid.at(ColCode, row));
    else
        grid.at(column, row) = NormaliseMarkCell(text, column, context);
    RecalcExamRow(grid, row, context);
    return true;
}

CellPos ClickExamCell(ExamGrid& grid, CellPos pos, const GradeContext& context)
{
    if (pos.row < kFirstSubjectRow || pos.row > kLastSubjectRow)
        return pos;
    if (pos.column == ColCode)
        return CellPos{ColWritten, pos.row};
    if (pos.column == ColExamResult || pos.column == ColAverage || pos.column == ColFinal)
        return CellPos{ColYear, pos.row};
    const QString code = grid.at(ColCode, pos.row);
    if (pos.column == ColOral
        && (code == QStringLiteral("E") || code == QStringLiteral("F") || code == QStringLiteral("AES")
            || code == QStringLiteral("Te"))) {
        grid.at(ColOral, pos.row) = QStringLiteral("-");
        RecalcExamRow(grid, pos.row, context);
        return CellPos{ColComm, pos.row};
    }
    if (code == QStringLiteral("Proj")
        && (pos.column == ColComm || pos.column == ColOral || pos.column == ColYear)) {
        grid.at(ColComm, pos.row) = QStringLiteral("-");
        grid.at(ColOral, pos.row) = QStringLiteral("-");
        grid.at(ColYear, pos.row) = QStringLiteral("-");
        RecalcExamRow(grid, pos.row, context);
        return CellPos{ColWritten, pos.row};
    }
    return pos;
}

void DoubleClickExamCell(ExamGrid& grid, CellPos pos, const GradeContext& context)
{
    if (pos.row < kFirstSubjectRow || pos.row > kLastSubjectRow || pos.column < ColWritten
        || pos.column >= kExamGridColumns)
        return;
    QString& cell = grid.at(pos.column, pos.row);
    if (TrimRight(cell) == QStringLiteral("P"))
        cell = QStringLiteral("- ");
    else if (pos.column >= ColWritten && pos.column <= ColOral && ParseLeadingInt(cell) == 0)
        cell = QStringLiteral("P");
    RecalcExamRow(grid, pos.row, context);
}

KeyResult ExamGridKeyMove(const ExamGrid& grid, CellPos pos, ExamGridKey key, int pageRows)
{
    KeyResult result{pos, false};
    static constexpr int kMarkColumns[] = {ColWritten, ColComm, ColOral, ColYear};
    const int row = std::clamp(pos.row, kFirstSubjectRow, kLastSubjectRow);
    const int page = std::max(1, pageRows);
    // The column itself, or the nearest mark column left of it.
    const auto markColumn = [](int column) {
        int at = ColWritten;
        for (int c : kMarkColumns)
            if (c <= column)
                at = c;
        return at;
    };
    switch (key) {
    case ExamGridKey::Up:
    case ExamGridKey::Down:
    case ExamGridKey::PageUp:
    case ExamGridKey::PageDown: {
        const int step = key == ExamGridKey::Up ? -1 : key == ExamGridKey::Down ? 1 : key == ExamGridKey::PageUp ? -page : page;
        result.pos = CellPos{markColumn(pos.column), std::clamp(row + step, kFirstSubjectRow, kLastSubjectRow)};
        result.swallowed = true;
        return result;
    }
    case ExamGridKey::Home:
    case ExamGridKey::End:
        result.pos = CellPos{key == ExamGridKey::Home ? ColWritten : ColYear, row};
        result.swallowed = true;
        return result;
    case ExamGridKey::CtrlHome:
        result.pos = CellPos{ColWritten, kFirstSubjectRow};
        result.swallowed = true;
        return result;
    case ExamGridKey::CtrlEnd:
        result.pos = CellPos{ColYear, kLastSubjectRow};
        result.swallowed = true;
        return result;
    case ExamGridKey::Tab: {
        result.swallowed = true;
        for (int c : kMarkColumns)
            if (c > pos.column) {
                result.pos = CellPos{c, row};
                return result;
            }
        result.pos = row < kLastSubjectRow ? CellPos{ColWritten, row + 1} : CellPos{ColYear, row};
        return result;
    }
    case ExamGridKey::Backtab: {
        result.swallowed = true;
        for (auto it = std::rbegin(kMarkColumns); it != std::rend(kMarkColumns); ++it)
            if (*it < pos.column) {
                result.pos = CellPos{*it, row};
                return result;
            }
        result.pos = row > kFirstSubjectRow ? CellPos{ColYear, row - 1} : CellPos{ColWritten, row};
        return result;
    }
    default:
        break;
    }
    if (key == ExamGridKey::Return) {
        if (pos.row < kLastSubjectRow)
            result.pos.row = pos.row + 1;
        result.swallowed = true;
        return result;
    }
    if (pos.column == ColCode)
        return result;
    const int step = key == ExamGridKey::Right ? 1 : -1;
    int target = pos.column + step;
    const QString heading = grid.cell(target, 0);
    const bool computed = heading.contains(QStringLiteral("insg")) || heading.contains(QStringLiteral("chnit"))
                          || heading.contains(QStringLiteral("ndnote")) || heading.contains(QStringLiteral("dez"));
    if (computed) {
        target += step;
        result.swallowed = true;
    }
    if (target < ColWritten || target >= kExamGridColumns) {
        result.swallowed = true; // would leave the grid: ignored
        return result;
    }
    if (target == ColFinal)
        target = ColYear;
    result.pos.column = target;
    result.swallowed = true;
    return result;
}

} // namespace hsa
