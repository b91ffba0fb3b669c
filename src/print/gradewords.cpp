#include "print/gradewords.h"

namespace hsa {

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

} // namespace hsa
