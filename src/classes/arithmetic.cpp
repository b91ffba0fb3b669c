#include "classes/arithmetic.h"

#include "classes/helpers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace hsa {

namespace {

// Grades are held in millionths: every mark with up to six decimals is exact,
// and sums of up to thousands of weighted grades stay far inside 128 bits.
using Micro = int64_t;
using Wide = __int128;
constexpr Micro kMicro = 1'000'000;
constexpr Micro kTenth = 100'000;
// Nonsense such as "1e30" in a cell is held at a billion; it still counts as
// a (useless) grade but can never overflow anything.
constexpr double kMaxGrade = 1e9;

Micro toMicro(double value)
{
    if (std::isnan(value))
        return 0;
    value = std::clamp(value, -kMaxGrade, kMaxGrade);
    return static_cast<Micro>(std::llround(value * static_cast<double>(kMicro)));
}

Micro readMicro(const QString& cell) { return toMicro(ReadGradeCell(cell)); }

Wide floorDiv(Wide a, Wide b)
{
    Wide q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Trunc(sum / n * 10 + 0.01) in tenths, sum in millionths, n > 0.
int64_t cutMeanTenths(Wide sum, Wide n)
{
    return static_cast<int64_t>(floorDiv(sum + n * 1000, n * kTenth));
}

// Trunc(10 * sum / n + 0.0001) in tenths.
int64_t cutColumnMeanTenths(Wide sum, Wide n)
{
    return static_cast<int64_t>(floorDiv(sum + n * 10, n * kTenth));
}

// Round to the nearest whole number, ties to even, of a value in millionths.
int64_t roundHalfEven(Wide value)
{
    Wide q = floorDiv(value, kMicro);
    const Wide rest = value - q * kMicro;
    if (rest > kMicro / 2 || (rest == kMicro / 2 && (q % 2 != 0)))
        ++q;
    return static_cast<int64_t>(q);
}

// "2.3": tenths written with one decimal and a point (RealToText(3, 1, x)).
QString tenthsWithPoint(int64_t tenths)
{
    const bool negative = tenths < 0;
    const int64_t a = negative ? -tenths : tenths;
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(a / 10)
        .arg(a % 10);
}

// "2,3" for tenths, "2" for a whole number: the general number format with a
// decimal comma.
QString tenthsGeneralComma(int64_t tenths)
{
    const bool negative = tenths < 0;
    const int64_t a = negative ? -tenths : tenths;
    QString text = negative ? QStringLiteral("-") : QString();
    text += QString::number(a / 10);
    if (a % 10 != 0)
        text += QLatin1Char(',') + QString::number(a % 10);
    return text;
}

// "2,5": a mark in tenths with one decimal and a comma.
QString tenthsOneDecimalComma(int64_t tenths)
{
    const bool negative = tenths < 0;
    const int64_t a = negative ? -tenths : tenths;
    return QStringLiteral("%1%2,%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(a / 10)
        .arg(a % 10);
}

// Weighted mean of parts in tenths; false when no part holds a grade.
struct Part {
    Micro value;
    int weight;
};

bool weightedMeanTenths(const Part* parts, int count, int64_t& tenths)
{
    Wide sum = 0;
    Wide n = 0;
    for (int i = 0; i < count; ++i) {
        if (parts[i].value > 0) {
            n += parts[i].weight;
            sum += Wide(parts[i].weight) * parts[i].value;
        }
    }
    if (n < 1)
        return false;
    tenths = cutMeanTenths(sum, n);
    return true;
}

// Endnote of a Schnitt given in millionths: Round(Schnitt + 0.05).
int64_t endnoteOf(Micro schnitt) { return roundHalfEven(Wide(schnitt) + 50'000); }

// The final grade of a row with these marks in millionths: exam performance
// from written, communication and oral, Schnitt from exam performance and
// year mark, Endnote rounded; 0 when there is none.  Mirrors RecalcExamRow
// for an ordinary (non-presentation) row without pending cells.
int64_t finalGradeMicro(Micro written, Micro comm, Micro oral, Micro year, bool evening)
{
    const Part exam[] = {{written, GetExamPartWeight(ColWritten, evening)},
                         {comm, GetExamPartWeight(ColComm, evening)},
                         {oral, GetExamPartWeight(ColOral, evening)}};
    int64_t examTenths = 0;
    Micro examMicro = 0;
    if (weightedMeanTenths(exam, 3, examTenths))
        examMicro = examTenths * kTenth;
    const Part avg[] = {{examMicro, GetExamPartWeight(ColExamResult, evening)},
                        {year, GetExamPartWeight(ColYear, evening)}};
    int64_t schnittTenths = 0;
    if (!weightedMeanTenths(avg, 2, schnittTenths))
        return 0;
    return endnoteOf(schnittTenths * kTenth);
}

bool isSubjectRow(int row) { return row >= kFirstSubjectRow && row <= kLastSubjectRow; }

int codeDigit(const QString& codeString, int position)
{
    // Character position (counting from 1) of the code string; a missing
    // character gives weight 0 like any other non-digit.
    if (position < 1 || position > codeString.size())
        return 0;
    return ParseLeadingInt(QString(codeString.at(position - 1)));
}

QChar codeChar(const QString& codeString, int position)
{
    if (position < 1 || position > codeString.size())
        return QChar();
    return codeString.at(position - 1);
}

// Best grade of the groups a, b and c; starts at 7.0 (no grade).
struct GroupBests {
    Micro best[3] = {7 * kMicro, 7 * kMicro, 7 * kMicro};

    void offer(QChar k, Micro g)
    {
        const int i = k == QLatin1Char('a') ? 0 : k == QLatin1Char('b') ? 1 : k == QLatin1Char('c') ? 2 : -1;
        if (i >= 0 && g > 0 && best[i] > g)
            best[i] = g;
    }
    void addTo(Wide& sum, Wide& n) const
    {
        for (Micro b : best) {
            if (b < 7 * kMicro) {
                n += 1;
                sum += b;
            }
        }
    }
};

} // namespace

int GetExamPartWeight(int column, bool eveningSchoolMode)
{
    if (eveningSchoolMode && column >= ColWritten && column <= ColOral)
        return 1;
    switch (column) {
    case ColWritten:
        return 3;
    case ColComm:
        return 2;
    default:
        return 1;
    }
}

double ReadGradeCell(const QString& cell) { return ParseDecimal(TrimRight(cell)); }

QString ComputeExamResult(const ExamGrid& grid, int row, int first, int last,
                          const GradeContext& context)
{
    Wide sum = 0;
    Wide n = 0;
    for (int c = first; c <= last; ++c) {
        const QString cell = grid.cell(c, row);
        if (cell.contains(QLatin1Char('P')) || cell.contains(QLatin1Char('?')))
            return QStringLiteral("??");
        const Micro g = readMicro(cell);
        if (g > 0) {
            const int w = GetExamPartWeight(c, context.eveningSchoolMode);
            n += w;
            sum += Wide(w) * g;
        }
    }
    if (n < 1)
        return QStringLiteral(" - ");
    return tenthsWithPoint(cutMeanTenths(sum, n));
}

void RecalcExamRow(ExamGrid& grid, int row, const GradeContext& context)
{
    if (!isSubjectRow(row))
        return;
    grid.at(ColExamResult, row) = ComputeExamResult(grid, row, ColWritten, ColOral, context);
    grid.at(ColAverage, row) = ComputeExamResult(grid, row, ColExamResult, ColYear, context);
    if (grid.at(ColCode, row) == QStringLiteral("Präs")) {
        // The presentation has no separate exam performance: all its marks
        // go straight into the Schnitt.
        grid.at(ColExamResult, row) = QStringLiteral("-");
        grid.at(ColAverage, row) = ComputeExamResult(grid, row, ColWritten, ColYear, context);
    }
    const QString& schnitt = grid.at(ColAverage, row);
    QString endnote = QLatin1Char(' ') + QString::number(endnoteOf(readMicro(schnitt)));
    if (ParseLeadingInt(endnote) == 0)
        endnote = QStringLiteral(" - ");
    if (schnitt.contains(QLatin1Char('?')))
        endnote = QStringLiteral("??");
    grid.at(ColFinal, row) = endnote;
}

QString GradeListText(const ExamGrid& grid, int row, const GradeContext& context)
{
    if (!isSubjectRow(row))
        return {};
    const QString& endnote = grid.at(ColFinal, row);
    const int whole = ParseLeadingInt(endnote);
    QString text = whole > 0 ? QString::number(whole) : QStringLiteral("   ");
    if (endnote.contains(QLatin1Char('?')))
        text = QStringLiteral("??");

    // An exam subject carries a star, unless the communication or oral cell
    // is starred (the part does not make it an exam subject).
    const QString parts = grid.at(ColWritten, row) + grid.at(ColComm, row) + grid.at(ColOral, row);
    const bool examSubject = parts.contains(QLatin1Char('P'))
                             || ParseLeadingInt(grid.at(ColExamResult, row)) > 0;
    if (examSubject && !endnote.contains(QLatin1Char('?'))
        && !grid.at(ColComm, row).contains(QLatin1Char('*'))
        && !grid.at(ColOral, row).contains(QLatin1Char('*')))
        text += QLatin1Char('*');

    // Class 9: a year mark with a minus tendency in English or French shows
    // "-" instead of a grade.
    if (context.classFileBeginsWith(QStringLiteral("9"))
        && ForeignLanguageMinusTendency(grid.at(ColCode, row), grid.at(ColYear, row)))
        text = QStringLiteral("-");
    return text;
}

bool ForeignLanguageMinusTendency(const QString& shortCode, const QString& yearMark)
{
    const QString code = TrimRight(shortCode);
    return (code == QStringLiteral("E") || code == QStringLiteral("F")) && ParseLeadingInt(yearMark) > 0
           && yearMark.contains(QLatin1Char('-'));
}

void RecalcExamGrid(ExamGrid& grid, const GradeContext& context, GradeList& gradeList)
{
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        RecalcExamRow(grid, r, context);
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        gradeList[r + 1] = GradeListText(grid, r, context);
}

void RecalcExamGrid(ExamGrid& grid, const GradeContext& context)
{
    for (int r = kFirstSubjectRow; r <= kLastSubjectRow; ++r)
        RecalcExamRow(grid, r, context);
}

QString ComputeGesamtschnitt(const ExamGrid& grid, int first, int last,
                             const GradeContext& context)
{
    GroupBests groups;
    Wide sum = 0;
    Wide n = 0;
    for (int r = first; r <= last; ++r) {
        const QString endnote = grid.cell(ColFinal, r);
        if (endnote.contains(QLatin1Char('P')) || endnote.contains(QLatin1Char('?')))
            return QStringLiteral("??");
        const Micro g = readMicro(endnote);
        groups.offer(codeChar(context.subjectCodeString, r), g);
        int64_t w = codeDigit(context.subjectCodeString, r);
        const QString code = grid.cell(ColCode, r);
        if (code.contains(QStringLiteral("MSG")) && !context.msgGradeCounts)
            w = 0;
        if (code.contains(QStringLiteral("Prof")))
            w = 0;
        const QString weightCell = TrimRight(grid.cell(ColWeight, r));
        if (weightCell == QStringLiteral("0"))
            w = 0;
        const int cellWeight = ParseLeadingInt(weightCell);
        if (cellWeight > 0)
            w = cellWeight;
        if (g > 0) {
            n += w;
            sum += Wide(w) * g;
        }
    }
    groups.addTo(sum, n);
    if (n <= 0)
        return QStringLiteral(" - ");
    return tenthsWithPoint(cutMeanTenths(sum, n));
}

QString GesamtschnittLabel(const ExamGrid& grid, int resultIndex, const GradeContext& context)
{
    if (resultIndex < 0 || resultIndex > 2)
        return {};
    return QStringLiteral("Gesamtschnitt: ")
           + ComputeGesamtschnitt(grid, kFirstSubjectRow, kLastSubjectRow, context);
}

QString ComputeRowAverage(const QStringList& rowCells, int firstColumn, int lastColumn,
                          const GradeContext& context)
{
    GroupBests groups;
    Wide sum = 0;
    Wide n = 0;
    for (int c = firstColumn; c <= lastColumn; ++c) {
        const QString cell = c >= 0 && c < rowCells.size() ? rowCells.at(c) : QString();
        if (cell.contains(QLatin1Char('?')))
            return QStringLiteral("??");
        const Micro g = readMicro(cell);
        const int subjectRow = c - 1;
        groups.offer(codeChar(context.subjectCodeString, subjectRow), g);
        int64_t w = codeDigit(context.subjectCodeString, subjectRow);
        if (context.shortCode(subjectRow).contains(QStringLiteral("MSG")) && !context.msgGradeCounts)
            w = 0;
        if (g > 0) {
            n += w;
            sum += Wide(w) * g;
        }
    }
    groups.addTo(sum, n);
    if (n < 1)
        return {};
    return tenthsWithPoint(cutMeanTenths(sum, n));
}

QString ComputeColumnAverage(const QStringList& columnCells, int firstRow, int lastRow)
{
    Wide sum = 0;
    Wide count = 0;
    for (int r = firstRow; r <= lastRow; ++r) {
        if (r < 0 || r >= columnCells.size())
            continue;
        const Micro g = readMicro(columnCells.at(r));
        if (g > 0) {
            sum += g;
            ++count;
        }
    }
    if (count == 0)
        return {};
    return tenthsGeneralComma(cutColumnMeanTenths(sum, count));
}

QString GetProjectGrade(const ExamGrid& grid)
{
    QString result = QStringLiteral("-");
    for (int r = 0; r < kExamGridRows; ++r) {
        if (grid.at(ColCode, r) == QStringLiteral("Proj"))
            result = QString::number(ParseLeadingInt(grid.at(ColFinal, r)));
    }
    if (result == QStringLiteral("0"))
        result = QStringLiteral("-");
    return result;
}

int FinalGradeForMarks(double written, double comm, double oral, double year,
                       bool eveningSchoolMode)
{
    return static_cast<int>(finalGradeMicro(toMicro(written), toMicro(comm), toMicro(oral),
                                            toMicro(year), eveningSchoolMode));
}

namespace {

// Which cell of the row the mark still to be taken goes into.
enum class Slot { Comm, Oral };

BoundaryGrades noBounds()
{
    return BoundaryGrades{QString(), QStringLiteral("--"), QStringLiteral("--")};
}

// The marks from 1.0 to 6.0 (in tenths) that give the row the final grade it
// has without the exam: they form one range because the final grade never
// falls when a mark rises.  Each bound is checked by the grid arithmetic
// itself: the mark at the bound gives the current grade, the next tenth
// beyond it does not (or the bound is 1,0 or 6,0).
BoundaryGrades searchBounds(Micro written, Micro year, Slot slot, bool evening)
{
    const int64_t current = finalGradeMicro(written, 0, 0, year, evening);
    auto gradeWith = [&](int tenths) {
        const Micro x = tenths * kTenth;
        return slot == Slot::Comm ? finalGradeMicro(written, x, 0, year, evening)
                                  : finalGradeMicro(written, 0, x, year, evening);
    };
    int lower = -1;
    int upper = -1;
    for (int x = 10; x <= 60; ++x) {
        if (gradeWith(x) == current) {
            if (lower < 0)
                lower = x;
            upper = x;
        }
    }
    BoundaryGrades result;
    result.current = QString::number(current);
    if (lower < 0) {
        // No mark an examiner can give keeps the grade (only with marks
        // outside 1.0 to 6.0 in the file).
        result.lower = result.upper = QStringLiteral("--");
        return result;
    }
    result.lower = lower <= 10 ? QStringLiteral("1,0") : tenthsOneDecimalComma(lower);
    result.upper = upper >= 60 ? QStringLiteral("6,0") : tenthsOneDecimalComma(upper);
    return result;
}

} // namespace

BoundaryGrades ComputeGrenznotenEvening(const QString& yearMark, const QString& writtenMark,
                                        const QString& currentBefore)
{
    const Micro year = toMicro(ParseDecimal(yearMark));
    if (TrimRight(yearMark).isEmpty() || year <= 0)
        return BoundaryGrades{currentBefore, QString(), QString()};
    Micro written = toMicro(ParseDecimal(writtenMark));
    if (written <= 0)
        written = 0; // year mark alone: the exam counts 1 : 1 with it
    return searchBounds(written, year, Slot::Oral, true);
}

BoundaryGrades ComputeGrenznotenOral(const QString& shortCode, const QString& yearMark,
                                     const QString& writtenMark, const GradeContext& context,
                                     const QString& currentBefore)
{
    if (context.eveningSchoolMode)
        return ComputeGrenznotenEvening(yearMark, writtenMark, currentBefore);
    if (TrimRight(shortCode) == QStringLiteral("Proj") || TrimRight(writtenMark).isEmpty())
        return noBounds();
    const Micro written = toMicro(ParseDecimal(writtenMark));
    const Micro year = toMicro(ParseDecimal(yearMark));
    // A pending or empty written mark ("P", "-") or no year mark: the oral
    // exam has nothing to be weighed against.
    if (written <= 0 || year <= 0)
        return noBounds();
    return searchBounds(written, year, Slot::Oral, false);
}

BoundaryGrades ComputeGrenznotenComm(const QString& shortCode, const QString& yearMark,
                                     const QString& writtenMark, const QString& oralMark,
                                     const GradeContext& context)
{
    const Micro year = toMicro(ParseDecimal(yearMark));
    const Micro oral = toMicro(ParseDecimal(oralMark));
    if (TrimRight(shortCode) == QStringLiteral("Proj") || year <= 0 || oral > 0)
        return noBounds();
    Micro written = toMicro(ParseDecimal(writtenMark));
    if (written <= 0)
        written = 0; // bounds from the year mark alone
    return searchBounds(written, year, Slot::Comm, context.eveningSchoolMode);
}

} // namespace hsa
