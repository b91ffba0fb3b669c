#include "print/gradewords.h"

#include "classes/helpers.h"

namespace hsa {

namespace {

QString withoutLeadingBlanks(const QString& text)
{
    int i = 0;
    while (i < text.size() && text.at(i) <= QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

// The rule both the grade words and the feedback's year marks apply to the
// subject of their row: no word in an elective heading or a heading row, the
// missing-word mark for a row without a subject.
QString applySubjectRule(QString result, const QString& subject, bool electiveEmpties,
                         QChar headingChar, const QString& missing)
{
    if (electiveEmpties && subject.contains(QStringLiteral("Wahlpflichtbereich")))
        result.clear();
    const QString trimmed = TrimRight(subject);
    if (trimmed.isEmpty())
        return missing;
    if (trimmed.endsWith(headingChar))
        return {};
    return result;
}

} // namespace

QString GradeDigitToWord(GradeWordVariant variant, const QString& grade,
                         const std::optional<QString>& subjectText)
{
    QString result = kMissingGradeWord;
    if (TrimRight(grade) == QStringLiteral("*)"))
        result = grade;
    const QString g = withoutLeadingBlanks(grade) + QLatin1Char(' ');
    static const char16_t* const kWords[] = {u"sehr gut", u"gut", u"befriedigend",
                                             u"ausreichend", u"mangelhaft", u"ungenügend"};
    const int digit = g.at(0).unicode() - u'1';
    if (digit >= 0 && digit <= 5)
        result = QString::fromUtf16(kWords[digit]);
    if (variant == GradeWordVariant::ExamCross && TrimRight(grade).endsWith(QLatin1Char('*')))
        result += QStringLiteral(" (x)");
    if (!subjectText)
        return result;
    const bool list = variant == GradeWordVariant::List;
    return applySubjectRule(result, *subjectText, !list,
                            list ? QLatin1Char('/') : QLatin1Char('\\'), kMissingGradeWord);
}

QString FormatDecimalGradeWithWord(const QString& grade)
{
    if (grade.isEmpty())
        return {};
    const QChar a = grade.at(0);
    const QChar c = grade.size() > 2 ? grade.at(2) : QChar();
    const bool low = c >= QLatin1Char('0') && c <= QLatin1Char('4');
    const bool high = c >= QLatin1Char('5') && c <= QLatin1Char('9');
    QString suffix;
    if (a == QLatin1Char('6'))
        suffix = QStringLiteral("  (ungenügend)");
    else if (low || high) {
        static const char16_t* const kLow[] = {u"  (sehr gut)", u" (gut)", u"  (befriedigend)",
                                               u"  (ausreichend)", u"  (mangelhaft)"};
        static const char16_t* const kHigh[] = {u"  (gut)", u"  (befriedigend)", u"  (ausreichend)",
                                                u"  (mangelhaft)", u"  (ungenügend)"};
        const int digit = a.unicode() - u'1';
        if (digit >= 0 && digit <= 4)
            suffix = QString::fromUtf16(low ? kLow[digit] : kHigh[digit]);
    }
    return suffix.isEmpty() ? QString() : grade + suffix;
}

QString FormatAverageInParens(const QString& average)
{
    QString text = average;
    const int point = text.indexOf(QLatin1Char('.'));
    if (point >= 0)
        text[point] = QLatin1Char(',');
    return QStringLiteral("( ") + text + QStringLiteral(" )");
}

QString FormatLongDate(const QString& date, bool shortDates)
{
    if (shortDates)
        return date;
    const int p = date.indexOf(QLatin1Char('.'));
    const int q = date.lastIndexOf(QLatin1Char('.'));
    if (p < 0 || p == q)
        return date;
    QString day = date.left(qMin(p, 20));
    if (day.startsWith(QLatin1Char('0')))
        day.remove(0, 1);
    const int month = ParseLeadingInt(date.mid(p + 1, q - p - 1));
    if (month < 1 || month > 12)
        return date;
    static const char16_t* const kMonths[] = {u"Januar", u"Februar", u"März", u"April",
                                              u"Mai", u"Juni", u"Juli", u"August",
                                              u"September", u"Oktober", u"November", u"Dezember"};
    return day + QStringLiteral(". ") + QString::fromUtf16(kMonths[month - 1]) + QLatin1Char(' ')
        + date.mid(q + 1);
}

int ParseClassLevel(const QString& className)
{
    QString text = className;
    const int at = text.indexOf(QStringLiteral("1o"));
    if (at >= 0)
        text.replace(at, 2, QStringLiteral("10"));
    return ParseLeadingInt(text);
}

int RemarkLineOverflow(const QString& remark, const QString& secondRemark)
{
    constexpr int kLongRemark = 59;
    return remark.trimmed().size() >= kLongRemark || secondRemark.trimmed().size() >= kLongRemark
        ? 150
        : 0;
}

QString FormatYearMarkForRow(const QString& yearMark, const std::optional<QString>& subjectText)
{
    const QString result = withoutLeadingBlanks(yearMark) + QLatin1Char(' ');
    if (!subjectText)
        return result;
    return applySubjectRule(result, *subjectText, true, QLatin1Char('\\'), QStringLiteral("---"));
}

int WholeGradeOfAverage(const QString& average, int offsetHundredths)
{
    const QString text = withoutLeadingBlanks(average);
    int i = 0;
    long long hundredths = 0;
    for (; i < text.size() && text.at(i).isDigit() && hundredths < 100000; ++i)
        hundredths = hundredths * 10 + text.at(i).digitValue();
    hundredths *= 100;
    if (i < text.size() && (text.at(i) == QLatin1Char('.') || text.at(i) == QLatin1Char(','))) {
        int scale = 10;
        for (++i; i < text.size() && text.at(i).isDigit() && scale > 0; ++i, scale /= 10)
            hundredths += text.at(i).digitValue() * scale;
    }
    return static_cast<int>((hundredths + offsetHundredths) / 100);
}

} // namespace hsa
