#include "platform/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace hsa {

namespace {

// Process ids of this user's processes whose program name matches.
template <typename Match>
QList<pid_t> processesMatching(Match match)
{
    QList<pid_t> out;
    const QDir proc(QStringLiteral("/proc"));
    const uid_t me = ::getuid();
    for (const QString& e : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const pid_t pid = e.toInt(&ok);
        if (!ok || pid == ::getpid())
            continue;
        const QFileInfo info(proc.filePath(e));
        if (info.ownerId() != me)
            continue;
        QFile cmd(proc.filePath(e + QStringLiteral("/cmdline")));
        if (!cmd.open(QIODevice::ReadOnly))
            continue;
        const QByteArray all = cmd.readAll();
        const QList<QByteArray> argv = all.split('\0');
        // A Windows program runs under a loader: look at the first two words.
        for (int i = 0; i < std::min<qsizetype>(2, argv.size()); ++i) {
            QString name = QFileInfo(QFile::decodeName(argv[i])).fileName();
            if (match(name)) {
                out << pid;
                break;
            }
        }
    }
    return out;
}

class SystemShell : public Shell {
public:
    bool openUrl(const QString& url) override
    {
        return QDesktopServices::openUrl(QUrl(url));
    }
    bool openFile(const QString& path) override
    {
        if (!QFileInfo::exists(path))
            return false;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    }
    bool startDetached(const QString& program, const QStringList& args,
                       const QString& workDir) override
    {
        return QProcess::startDetached(program, args, workDir);
    }
    bool isProcessRunning(const QString& exeName) override
    {
        return !processesMatching([&](const QString& n) {
                    return n.compare(exeName, Qt::CaseInsensitive) == 0;
                }).isEmpty();
    }
    int terminateProcessesNamed(const QStringList& names) override
    {
        const QList<pid_t> pids = processesMatching([&](const QString& n) {
            return names.contains(n, Qt::CaseInsensitive);
        });
        for (pid_t p : pids)
            ::kill(p, SIGTERM);
        return static_cast<int>(pids.size());
    }
};

Shell* g_shell = nullptr;

} // namespace

Shell& shell()
{
    static SystemShell system;
    return g_shell ? *g_shell : system;
}

void setShell(Shell* s)
{
    g_shell = s;
}

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
