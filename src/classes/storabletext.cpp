#include "classes/storabletext.h"

#include "classes/textfile.h"
#include "platform/prompt.h"

#include <QStringEncoder>

namespace hsa {

namespace {
const QString nl = QStringLiteral("\n\r");
}

QString FirstUnstorableCharacter(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString c = text.mid(i, n);
        // A converter of its own each time: the error flag it raises stays with it.
        QStringEncoder enc("windows-1252", QStringConverter::Flag::Stateless);
        const QByteArray b = enc.encode(c);
        if (enc.hasError() || FromWindows1252(b) != c)
            return c;
        i += n - 1;
    }
    return {};
}

QString StorableTextRefusal(const QString& text, int width, int previousLength)
{
    const QString c = FirstUnstorableCharacter(text);
    if (!c.isEmpty())
        return QStringLiteral("Das Zeichen \"%1\" in \"%2\" kann nicht gespeichert werden.").arg(c, text) + nl
            + QStringLiteral("Bitte geben Sie den Text ohne dieses Zeichen ein; der bisherige Eintrag bleibt erhalten.");
    if (width > 0 && text.size() > width && text.size() > previousLength)
        return QStringLiteral("Der Text ist %1 Zeichen lang; dieses Feld nimmt höchstens %2 Zeichen auf.")
                   .arg(text.size())
                   .arg(width)
            + nl + QStringLiteral("Bitte kürzen Sie ihn; der bisherige Eintrag bleibt erhalten.");
    return {};
}

bool RefuseUnstorableText(const QString& text, int width, int previousLength)
{
    const QString why = StorableTextRefusal(text, width, previousLength);
    if (why.isEmpty())
        return false;
    showWarning(why);
    return true;
}

} // namespace hsa
