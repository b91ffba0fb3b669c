#include "word/office.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace hsa {

QString OfficeProgram()
{
    for (const char* name : {"soffice", "libreoffice"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

Conversion ConvertDocuments(const QStringList& files, const QString& format, const QString& outDir,
                            int timeoutMs)
{
    Conversion result;
    for (int i = 0; i < files.size(); ++i)
        result.outputs.append(QString());
    if (files.isEmpty())
        return result;
    const QString program = OfficeProgram();
    if (program.isEmpty()) {
        result.error = kMsgNoOffice;
        return result;
    }
    const QString profile = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
                                .filePath(QStringLiteral("wendra-pruefer/office-profile"));
    QDir().mkpath(profile);
    QStringList args{QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
                     QStringLiteral("--headless"), QStringLiteral("--norestore"),
                     QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), outDir};
    args += files;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(30000)) {
        result.error = QStringLiteral("LibreOffice konnte nicht gestartet werden.");
        return result;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        result.error = QStringLiteral("LibreOffice hat die Umwandlung nicht in der vorgesehenen Zeit "
                                      "beendet. Es wurde nichts gedruckt.");
        return result;
    }
    for (int i = 0; i < files.size(); ++i) {
        const QFileInfo out(QDir(outDir).filePath(QFileInfo(files[i]).completeBaseName() + QLatin1Char('.') + format));
        if (out.isFile() && out.size() > 0)
            result.outputs[i] = out.filePath();
    }
    return result;
}

} // namespace hsa
