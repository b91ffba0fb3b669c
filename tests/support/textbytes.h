#pragma once
#include "classes/textfile.h"

#include <QByteArray>
#include <QStringList>

namespace hsa::test {

// The bytes of a text file as the program writes it: Windows-1252, every line
// ended by CR LF.
inline QByteArray crlf(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines)
        out += ToWindows1252(l) + "\r\n";
    return out;
}

} // namespace hsa::test
