#pragma once
#include <QProcess>
#include <QStringList>

#include <optional>

namespace hsa::test {

// The given fields of every record, joined by '|', as python's independent
// dBase reader sees them; nullopt when it is not installed.
inline std::optional<QStringList> DbfreadRows(const QString& path, const QString& encoding, const QStringList& fields)
{
    QProcess p;
    const QStringList args{QStringLiteral("-c"),
                           QStringLiteral("import sys\nfrom dbfread import DBF\n"
                                          "for r in DBF(sys.argv[1], encoding=sys.argv[2], char_decode_errors='strict'):\n"
                                          "    sys.stdout.buffer.write(('|'.join(r[f] or '' for f in sys.argv[3:]) + "
                                          "'\\n').encode('utf-8'))\n"),
                           path, encoding};
    p.start(QStringLiteral("/usr/bin/python3"), args + fields);
    p.waitForFinished(60000);
    if (p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace hsa::test
