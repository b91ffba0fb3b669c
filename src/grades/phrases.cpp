#include "grades/phrases.h"

#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace hsa {

QString PhraseStore::phrase(int n) const
{
    return n >= 1 && n <= kPhraseCount ? phrases_[n - 1] : QString();
}

void PhraseStore::setPhrase(int n, const QString& text)
{
    if (n < 1 || n > kPhraseCount)
        return;
    // One phrase is one line of the file.
    QString s = text;
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    phrases_[n - 1] = s;
}

void PhraseStore::load(const QString& path)
{
    phrases_.fill(QString());
    loadFailed_ = false;
    const QFileInfo info(path);
    const QString actual = FindFileCI(info.path(), info.fileName());
    if (!QFileInfo(actual).isFile())
        return;
    QStringList lines;
    try {
        lines = ReadTextLines(actual);
    } catch (const FileError&) {
        loadFailed_ = true;
        throw;
    }
    for (int i = 0; i < kPhraseCount && i < lines.size(); ++i)
        phrases_[i] = lines.at(i);
}

bool PhraseStore::save(const QString& path) const
{
    if (loadFailed_)
        return false;
    const QFileInfo info(path);
    const QString actual = FindFileCI(info.path(), info.fileName());
    QStringList lines;
    lines.reserve(kPhraseCount);
    for (const QString& p : phrases_)
        lines.append(p);
    WriteTextLines(actual, lines);
    return true;
}

QString PhraseStore::defaultPath()
{
    const QString dir = ProgramFolder();
    return FindFileCI(dir, kPhraseStoreFile);
}

QString InsertFirstName(const QString& phrase, int start, int count, const QString& firstName)
{
    QString s = phrase;
    for (int i = 0; i < s.size(); ++i) {
        if (s.at(i) != QLatin1Char('*'))
            continue;
        if (i + 1 < s.size() && s.at(i + 1) == QLatin1Char(')'))
            continue;
        s.replace(i, 1, firstName);
        break;
    }
    const int from = start < 1 ? 0 : start - 1;
    if (count < 0)
        count = 0;
    return s.mid(from, count);
}

std::optional<int> PhraseNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 3)
        return std::nullopt;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const int n = t.toInt();
    if (n < 1 || n > kPhraseCount)
        return std::nullopt;
    return n;
}

std::optional<QString> ExpandPhraseNumber(const QString& text, const PhraseStore& store,
                                          int maxLength, const QString& firstName)
{
    const std::optional<int> n = PhraseNumber(text);
    if (!n)
        return std::nullopt;
    const QString phrase = store.phrase(*n);
    // An empty row keeps the number: nothing typed is replaced by nothing.
    if (phrase.isEmpty())
        return std::nullopt;
    const int count = maxLength > 0 ? maxLength : int(phrase.size() + firstName.size());
    return InsertFirstName(phrase, 1, count, firstName);
}

} // namespace hsa
