#include "platform/shell.h"

#include "platform/programwide.h"

#include <QCursor>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
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

// The command line of the desktop entry that opens documents of mimeType,
// from the desktop's own table of handlers; empty when there is none.
QString desktopHandlerExec(const QString& mimeType)
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
        query.kill();
        query.waitForFinished(1000);
        return {};
    }
    const QString entry = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed().split(QLatin1Char('\n')).value(0);
    if (entry.isEmpty())
        return {};
    const QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
    QFile f(file);
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly))
        return {};
    bool inMainGroup = false;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        else if (inMainGroup && line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return {};
}

// Qt's own call counts the opener's start as success, even when the opener
// then finds no program for the target: the opener's answer is what tells.
// Without an opener only Qt's guess of a handler for url is left.
bool openThroughDesktop(const QString& target, const QUrl& url)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return QDesktopServices::openUrl(url);
    return OpenWithDesktopOpener(opener, target, kOpenerAnswerMs);
}

class SystemShell : public Shell {
public:
    bool openUrl(const QString& url) override
    {
        return openThroughDesktop(url, QUrl(url));
    }
    bool openFile(const QString& path) override
    {
        if (!QFileInfo::exists(path))
            return false;
        const QString abs = QFileInfo(path).absoluteFilePath();
        return openThroughDesktop(abs, QUrl::fromLocalFile(abs));
    }
    bool openFileAt(const QString& path, const QString& mark) override
    {
        if (!QFileInfo::exists(path))
            return false;
        if (!mark.isEmpty()) {
            const QString abs = QFileInfo(path).absoluteFilePath();
            QUrl url = QUrl::fromLocalFile(abs);
            url.setFragment(mark);
            const QString mime = QMimeDatabase().mimeTypeForFile(abs).name();
            const QStringList cmd = JumpMarkCommand(desktopHandlerExec(mime), url.toString(QUrl::FullyEncoded));
            // The office suite the opener would run: asking the opener
            // again after it failed would only fail once more.
            if (!cmd.isEmpty())
                return RunAndAwaitAnswer(cmd, kOpenerAnswerMs);
        }
        return openFile(path);
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

QStringList JumpMarkCommand(const QString& exec, const QString& url)
{
    const QStringList words = QProcess::splitCommand(exec);
    if (words.isEmpty())
        return {};
    const QString program = QFileInfo(words.front()).fileName();
    if (!program.startsWith(QLatin1String("libreoffice")) && !program.startsWith(QLatin1String("soffice")))
        return {};
    QStringList cmd{words.front()};
    bool placed = false;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString& w = words[i];
        if (w == QLatin1String("%U") || w == QLatin1String("%u") || w == QLatin1String("%F")
            || w == QLatin1String("%f")) {
            if (!placed)
                cmd << url;
            placed = true;
        } else if (w.size() == 2 && w.front() == QLatin1Char('%')) {
            continue; // icon, name and location codes carry nothing here
        } else {
            cmd << w;
        }
    }
    if (!placed)
        cmd << url;
    return cmd;
}

bool RunAndAwaitAnswer(const QStringList& command, int waitMs)
{
    if (command.isEmpty())
        return false;
    // The program runs detached behind a shell that leaves its exit status
    // in a file: a browser or word processor it keeps in its foreground must
    // outlive this program (the update ends the program right after the
    // page opened), which a child process of ours would not.
    QTemporaryDir answerDir;
    if (!answerDir.isValid())
        return QProcess::startDetached(command.front(), command.mid(1));
    const QString answer = answerDir.filePath(QStringLiteral("status"));
    const QString script = QStringLiteral(
        "a=$0; \"$@\"; s=$?; { echo $s > \"$a.part\" && mv \"$a.part\" \"$a\"; } 2>/dev/null");
    QProcess run;
    run.setProgram(QStringLiteral("/bin/sh"));
    run.setArguments(QStringList{QStringLiteral("-c"), script, answer} + command);
    run.setStandardInputFile(QProcess::nullDevice());
    if (!run.startDetached())
        return false;
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (gui)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const QDeadlineTimer deadline(waitMs);
    bool taken = true;
    for (;;) {
        QFile status(answer);
        if (status.open(QIODevice::ReadOnly)) {
            taken = status.readAll().trimmed() == "0";
            break;
        }
        if (deadline.hasExpired())
            break;
        QThread::msleep(20);
    }
    if (gui)
        QGuiApplication::restoreOverrideCursor();
    return taken;
}

bool OpenWithDesktopOpener(const QString& opener, const QString& target, int waitMs)
{
    return RunAndAwaitAnswer({opener, target}, waitMs);
}

Shell& shell()
{
    static SystemShell system;
    return g_shell ? *g_shell : system;
}

void setShell(Shell* s)
{
    g_shell = s;
}

namespace {
const ProgramWideReset resetShell(ResetOrder::Objects, [] { setShell(nullptr); });
}

} // namespace hsa
