#include "classes/classrules.h"

#include "classes/helpers.h"

#include <QDir>
#include <QRegularExpression>

namespace hsa {

namespace {

bool allDigits(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// A class letter: a letter that a Windows-1252 file name can hold.
bool isClassLetter(QChar c)
{
    if (!c.isLetter())
        return false;
    const ushort u = c.unicode();
    return u < 0x80 || (u >= 0xC0 && u <= 0xFF && u != 0xD7 && u != 0xF7);
}

} // namespace

bool SchoolYearAccepted(const QString& entry, const QString& list)
{
    // Only four digits name a school year; anything shorter would give a
    // class-table name the class list never shows.
    if (entry.size() != 4 || !allDigits(entry))
        return false;
    if (list.contains(entry))
        return true;
    return ParseLeadingInt(entry.left(2)) + 1 == ParseLeadingInt(entry.mid(2, 2));
}

QString DefaultSchoolYear(const QDate& date)
{
    int yy = date.year() % 100;
    if (date.month() < 8)
        yy = (yy + 99) % 100;
    const QString y = QStringLiteral("%1").arg(yy, 2, 10, QLatin1Char('0'));
    // Years of the 1990s to 2020s get the following year's two digits ("9900",
    // "0910", "2526"); any other decade is proposed as its two digits only.
    if (QStringLiteral("9012").contains(y.at(0)))
        return y + QStringLiteral("%1").arg((yy + 1) % 100, 2, 10, QLatin1Char('0'));
    return y;
}

QString KlasseValue(const QString& code, KlasseFor use)
{
    const QString c1 = code.left(1);
    const QString c2 = code.mid(1, 1);
    const QChar first = c1.isEmpty() ? QChar() : c1.at(0).toLower();
    QString value;
    if (first == QLatin1Char('x') || first == QLatin1Char('y'))
        value = QStringLiteral("10") + c2;
    else if (use == KlasseFor::Rename && first == QLatin1Char('f'))
        value = QStringLiteral("9") + c2 + QStringLiteral("_sf");
    else if (use == KlasseFor::Rename && first == QLatin1Char('g'))
        value = QStringLiteral("10") + c2 + QStringLiteral("S");
    else
        value = c1 + c2;
    if (use == KlasseFor::Create) {
        value.replace(QLatin1Char('-'), QLatin1Char(' '));
    } else if (value.endsWith(QLatin1Char('-'))) {
        value.chop(1);
    }
    return value;
}

std::optional<QString> AcceptClassCode(const QString& entry, CodeUse use, const QString& schoolTypeText)
{
    const QString code = entry.left(2);
    if (code.isEmpty())
        return std::nullopt;
    const QChar c1 = code.at(0);
    QString firsts;
    switch (use) {
    case CodeUse::Create: firsts = QStringLiteral("9XYxy"); break;
    case CodeUse::Rename: firsts = QStringLiteral("56789FGXYfgxy"); break;
    case CodeUse::TakeOver: firsts = QStringLiteral("9Xx"); break;
    }
    const bool special = use != CodeUse::TakeOver && c1 == QLatin1Char('4') &&
                         schoolTypeText.contains(QStringLiteral("örder"));
    if (!firsts.contains(c1) && !special)
        return std::nullopt;
    if (code.size() == 1)
        return code + QLatin1Char('-');
    const QChar c2 = code.at(1);
    if (c2 == QLatin1Char(' ') && use != CodeUse::Rename)
        return QString(c1) + QLatin1Char('-');
    if (c2 == QLatin1Char('-') || isClassLetter(c2))
        return code;
    return std::nullopt;
}

QString ClassTableName(const QString& code, const QString& year)
{
    return code + QLatin1Char('_') + year + QStringLiteral("2.dbf");
}

QString ClassFolderName(const QString& tableName)
{
    return tableName.left(8);
}

QString ExamBoardFileName(const QString& tableName)
{
    return QStringLiteral("vor") + tableName.mid(3, 4) + tableName.left(1) + QStringLiteral(".dat");
}

bool ClassNameAccepted(const QString& tableName, const QString& schoolTypeText)
{
    if (tableName.isEmpty())
        return false;
    const QChar c = tableName.at(0);
    if (QStringLiteral("9xXyY").contains(c))
        return true;
    return c == QLatin1Char('4') && schoolTypeText.contains(QStringLiteral("örder"));
}

bool IsFamilyClassTableName(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^[0-9A-Za-z][0-9A-Za-z-]-[0-9]{5}\\.dbf$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch();
}

QStringList SplitMasks(const QString& masks)
{
    QStringList out;
    for (const QString& m : masks.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        out << m.trimmed();
    return out;
}

bool MatchesMasks(const QString& fileName, const QStringList& masks)
{
    for (const QString& m : masks) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(
                                        m, QRegularExpression::UnanchoredWildcardConversion),
                                    QRegularExpression::CaseInsensitiveOption);
        const QRegularExpression anchored(QStringLiteral("^(?:") + re.pattern() + QStringLiteral(")$"),
                                          QRegularExpression::CaseInsensitiveOption);
        if (anchored.match(fileName).hasMatch())
            return true;
    }
    return false;
}

QStringList ListMatchingFiles(const QString& folder, const QStringList& masks)
{
    QDir dir(folder);
    QStringList out;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (MatchesMasks(name, masks))
            out << name;
    std::sort(out.begin(), out.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return out;
}

} // namespace hsa
