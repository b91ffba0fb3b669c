#include "classes/helpers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace hsa {

namespace {

// Result of one conversion in the manner of the run-time's Val: the value and
// the 1-based position of the first character that cannot be used (0 when the
// whole text converted).
struct Conversion {
    double value = 0;
    int errorPos = 0;
};

// More characters than any number of the program's files and grids has.
constexpr int kMaxNumberLength = 40;

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

int hexDigit(QChar c)
{
    if (isDigit(c))
        return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    return -1;
}

Conversion convertInt(const QString& s)
{
    const int n = static_cast<int>(s.size());
    int i = 0;
    while (i < n && s[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < n && (s[i] == QLatin1Char('$') || s[i] == QLatin1Char('x') || s[i] == QLatin1Char('X'))) {
        base = 16;
        ++i;
    } else if (i + 1 < n && s[i] == QLatin1Char('0')
               && (s[i + 1] == QLatin1Char('x') || s[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    const int64_t limit = negative ? int64_t(INT32_MAX) + 1 : int64_t(INT32_MAX);
    int64_t v = 0;
    int digits = 0;
    while (i < n) {
        int d = base == 16 ? hexDigit(s[i]) : (isDigit(s[i]) ? s[i].unicode() - '0' : -1);
        if (d < 0)
            break;
        int64_t next = v * base + d;
        if (next > limit)
            return Conversion{0, i + 1}; // out of range: the digit is unusable
        v = next;
        ++digits;
        ++i;
    }
    if (digits == 0)
        return Conversion{0, i + 1};
    if (i < n)
        return Conversion{0, i + 1};
    return Conversion{static_cast<double>(negative ? -v : v), 0};
}

// The real of the leading part of s in one pass: blanks, a sign, digits with
// at most one point, an exponent when digits follow its "e".  A leading part
// longer than any number a person types is no number (0), so that a
// hostile text neither takes long nor yields a huge value; an exponent that
// overflows is dropped, as the fallback rule would drop it.
double leadingReal(const QString& s)
{
    const int n = static_cast<int>(s.size());
    int i = 0;
    while (i < n && s[i] == QLatin1Char(' '))
        ++i;
    const int start = i;
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    while (i < n && isDigit(s[i]) && i - start <= kMaxNumberLength) {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && isDigit(s[i]) && i - start <= kMaxNumberLength) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0 || i - start > kMaxNumberLength)
        return 0;
    const int mantissaEnd = i;
    if (i < n && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        int j = i + 1;
        if (j < n && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
            ++j;
        const int expStart = j;
        while (j < n && isDigit(s[j]) && j - start <= kMaxNumberLength)
            ++j;
        if (j > expStart)
            i = j;
    }
    if (i - start > kMaxNumberLength)
        return 0;
    double v = std::strtod(s.mid(start, i - start).toStdString().c_str(), nullptr);
    if (!std::isfinite(v))
        v = std::strtod(s.mid(start, mantissaEnd - start).toStdString().c_str(), nullptr);
    return std::isfinite(v) ? v : 0;
}

// The fallback rule shared by both parsers: on failure at position p > 1 the
// first p-1 characters are converted again; should that fail too, the same
// rule applies once more, which ends at the longest valid leading part.
template <typename Convert>
double leadingValue(const QString& text, Convert convert)
{
    QString s = text;
    for (;;) {
        const Conversion c = convert(s);
        if (c.errorPos == 0)
            return c.value;
        // Nothing usable in front, or the text cannot get shorter.
        if (c.errorPos <= 1 || c.errorPos - 1 >= s.size())
            return 0;
        s = s.left(c.errorPos - 1);
    }
}

} // namespace

QString TrimRight(const QString& text)
{
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == QLatin1Char(' '))
        --n;
    return text.left(n);
}

int32_t ParseLeadingInt(const QString& text)
{
    return static_cast<int32_t>(leadingValue(text, convertInt));
}

double ParseDecimal(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    return leadingReal(s);
}

QString RealToText(int width, int decimals, double value)
{
    if (decimals < 0)
        decimals = 0;
    char buf[512];
    std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, value);
    QString s = QString::fromLatin1(buf);
    qsizetype lead = 0;
    while (lead < s.size() && s[lead] == QLatin1Char(' '))
        ++lead;
    return s.mid(lead) + QString(lead, QLatin1Char(' '));
}

} // namespace hsa
