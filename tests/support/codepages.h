#pragma once
#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace hsa::test {

// What a letter mapping between two code pages must give for one byte,
// derived from Qt's own codecs ("IBM850", "windows-1252") and never from a
// table of ours: the byte read as a character of page from; when that
// character is one of letters, its byte in page to, else the byte itself.
// Returns -1 when a codec is missing or the letter has no byte in page to.
inline int ExpectedLetterByte(unsigned char byte, const char* from, const char* to, const QString& letters)
{
    QStringDecoder decoder(from);
    QStringEncoder encoder(to);
    if (!decoder.isValid() || !encoder.isValid())
        return -1;
    const QString c = decoder.decode(QByteArray(1, static_cast<char>(byte)));
    if (c.size() != 1 || !letters.contains(c.at(0)))
        return byte;
    const QByteArray out = encoder.encode(c);
    if (encoder.hasError() || out.size() != 1)
        return -1;
    return static_cast<unsigned char>(out.at(0));
}

// "0x9A" for a byte, for readable failures.
inline QString HexByte(int b)
{
    return QStringLiteral("0x") + QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

} // namespace hsa::test
