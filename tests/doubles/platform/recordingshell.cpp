#include "platform/recordingshell.h"

#include <QFileInfo>

namespace hsa {

bool RecordingShell::openUrl(const QString& url)
{
    requests.append({QStringLiteral("url"), url, {}, {}});
    return result;
}

bool RecordingShell::openFile(const QString& path)
{
    requests.append({QStringLiteral("file"), path, {}, {}});
    return result;
}

bool RecordingShell::openFileAt(const QString& path, const QString& mark)
{
    requests.append({QStringLiteral("file"), path, {mark}, {}});
    return result;
}

bool RecordingShell::startDetached(const QString& program, const QStringList& args,
                                   const QString& workDir)
{
    requests.append({QStringLiteral("start"), program, args, workDir});
    return result;
}

bool RecordingShell::isProcessRunning(const QString& exeName)
{
    requests.append({QStringLiteral("running"), exeName, {}, {}});
    for (const QString& p : runningPrograms)
        if (QFileInfo(p).fileName().compare(exeName, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

int RecordingShell::terminateProcessesNamed(const QStringList& names)
{
    requests.append({QStringLiteral("terminate"), names.join(QLatin1Char(';')), {}, {}});
    int ended = 0;
    for (qsizetype i = runningPrograms.size() - 1; i >= 0; --i) {
        if (names.contains(QFileInfo(runningPrograms[i]).fileName(), Qt::CaseInsensitive)) {
            runningPrograms.removeAt(i);
            ++ended;
        }
    }
    return ended;
}

} // namespace hsa
