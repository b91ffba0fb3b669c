#include "support/privatedesktop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>

namespace hsa::test {

namespace {

// Set in the child only: the private home it runs in.
constexpr char kChildMark[] = "HSA_PRIVATE_DESKTOP_HOME";

void writeFile(const QString& path, const QByteArray& bytes, bool executable = false)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    f.close();
    if (executable)
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList linesOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Why the desktop cannot be had here; empty when it can.
QString missingPiece()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        return QStringLiteral("Xvfb is not installed: the desktop opener is tried only on a real X display");
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return QStringLiteral("the desktop opener xdg-open is not installed");
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    if (!QFile::exists(QDir(plugins).filePath(QStringLiteral("platforms/libqxcb.so"))))
        return QStringLiteral("Qt's xcb platform plugin is not installed");
    return {};
}

// Starts Xvfb on a display it finds free; the display number, or nullopt.
std::optional<int> startServer(QProcess& server)
{
    server.setProgram(QStandardPaths::findExecutable(QStringLiteral("Xvfb")));
    server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                         QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                         QStringLiteral("tcp")});
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start();
    // The server names its display once it accepts clients.
    QByteArray number;
    const QDeadlineTimer deadline(20000);
    while (!number.endsWith('\n') && !deadline.hasExpired() && server.state() != QProcess::NotRunning)
        if (server.waitForReadyRead(200))
            number += server.readAllStandardOutput();
    bool ok = false;
    const int display = number.trimmed().toInt(&ok);
    return ok ? std::optional(display) : std::nullopt;
}

void stopServer(QProcess& server)
{
    if (server.state() == QProcess::NotRunning)
        return;
    server.terminate();
    if (!server.waitForFinished(5000)) {
        server.kill();
        server.waitForFinished(5000);
    }
}

// The environment of the child: the machine's, with the private home and
// display and no desktop session, so the opener takes its generic way
// through the handlers registered in the private folders.
QProcessEnvironment childEnvironment(const QString& home, int display)
{
    const QDir h(home);
    for (const char* sub : {"config", "data/applications", "cache", "system-data", "system-config", "runtime", "bin"})
        h.mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(h.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The machine's table of file types is no setting: Qt needs it to tell
    // a document's type, as on every desktop.
    const QString machineData =
        env.value(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/usr/local/share:/usr/share"));
    for (const QString& d : machineData.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QFileInfo(QDir(d).filePath(QStringLiteral("mime/packages"))).isDir()) {
            QFile::link(QDir(d).filePath(QStringLiteral("mime")), h.filePath(QStringLiteral("system-data/mime")));
            break;
        }
    for (const char* var : {"WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "XDG_SESSION_TYPE",
                            "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                            "MATE_DESKTOP_SESSION_ID", "LXQT_SESSION_CONFIG", "DESKTOP", "XDG_MENU_PREFIX",
                            "XAUTHORITY"})
        env.remove(QString::fromLatin1(var));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), h.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), h.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), h.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), h.filePath(QStringLiteral("system-config")));
    env.insert(QStringLiteral("XDG_DATA_DIRS"), h.filePath(QStringLiteral("system-data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), h.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + h.filePath(QStringLiteral("runtime/kein-bus")));
    // Without a handler the opener tries the machine's well-known browsers
    // next; a browser list of one missing program stands for a machine that
    // has none.
    env.insert(QStringLiteral("BROWSER"), h.filePath(QStringLiteral("bin/kein-browser")));
    // Under AddressSanitizer the strict check of string calls reports a read
    // inside the system's X keyboard library (its own strings, not ours) the
    // moment Qt connects to a real display; every other check stays on.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    if (asan.contains(QStringLiteral("strict_string_checks=1")))
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   QString(asan).replace(QStringLiteral("strict_string_checks=1"),
                                         QStringLiteral("strict_string_checks=0")));
    env.insert(QString::fromLatin1(kChildMark), home);
    return env;
}

} // namespace

QString PrivateDesktop::path(const QString& name) const
{
    return QDir(home_).filePath(name);
}

void PrivateDesktop::registerBrowser(Browser kind) const
{
    registerHandler(kind, QStringLiteral("ersatz-browser"),
                    {QStringLiteral("x-scheme-handler/http"), QStringLiteral("x-scheme-handler/https")});
}

void PrivateDesktop::registerHandler(Browser kind, const QString& name, const QStringList& mimeTypes) const
{
    const QString script = path(QStringLiteral("bin/") + name);
    const QByteArray record = "printf '%s\\n' \"$1\" >> '" + path(QStringLiteral("geoeffnet.txt")).toLocal8Bit() + "'\n";
    QByteArray body = "#!/bin/sh\n";
    switch (kind) {
    case Browser::Hands:
        body += record;
        break;
    case Browser::Stays:
        body += "echo $$ >> '" + path(QStringLiteral("browser.pids")).toLocal8Bit() + "'\n" + record + "exec sleep 60\n";
        break;
    case Browser::Fails:
        body += "exit 1\n";
        break;
    }
    writeFile(script, body, true);
    writeFile(path(QStringLiteral("data/applications/%1.desktop").arg(name)),
              "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec=" + script.toLocal8Bit()
                  + " %u\nMimeType=" + mimeTypes.join(QLatin1Char(';')).toUtf8() + ";\nNoDisplay=true\n");
    // The defaults of other types stay.
    QByteArray list = "[Default Applications]\n";
    for (const QString& line : linesOf(path(QStringLiteral("config/mimeapps.list"))))
        if (line.contains(QLatin1Char('=')) && !mimeTypes.contains(line.section(QLatin1Char('='), 0, 0)))
            list += line.toUtf8() + "\n";
    for (const QString& type : mimeTypes)
        list += type.toUtf8() + "=" + name.toUtf8() + ".desktop\n";
    writeFile(path(QStringLiteral("config/mimeapps.list")), list);
}

QStringList PrivateDesktop::openedAddresses(int count) const
{
    const QDeadlineTimer deadline(10000);
    QStringList opened = linesOf(path(QStringLiteral("geoeffnet.txt")));
    while (opened.size() < count && !deadline.hasExpired()) {
        QThread::msleep(20);
        opened = linesOf(path(QStringLiteral("geoeffnet.txt")));
    }
    return opened;
}

void PrivateDesktop::endBrowsers() const
{
    const QString pids = path(QStringLiteral("browser.pids"));
    for (const QString& pid : linesOf(pids))
        if (const int p = pid.trimmed().toInt(); p > 0)
            ::kill(static_cast<pid_t>(p), SIGTERM);
    QFile::remove(pids);
}

void OnPrivateDesktop(const std::function<void(PrivateDesktop&)>& piece)
{
    if (qEnvironmentVariableIsSet(kChildMark)) {
        PrivateDesktop desktop(qEnvironmentVariable(kChildMark));
        piece(desktop);
        desktop.endBrowsers();
        return;
    }
    if (const QString missing = missingPiece(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcess server;
    const std::optional<int> display = startServer(server);
    if (!display) {
        stopServer(server);
        GTEST_SKIP() << "Xvfb did not come up";
    }
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcess child;
    child.setProcessEnvironment(childEnvironment(home.path(), *display));
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=%1.%2")
                     .arg(QString::fromUtf8(info->test_suite_name()), QString::fromUtf8(info->name()))});
    const bool ended = child.waitForFinished(300000);
    if (!ended)
        child.kill();
    child.waitForFinished(5000);
    const QString output = QString::fromLocal8Bit(child.readAll());
    PrivateDesktop(home.path()).endBrowsers(); // those a failed child left
    stopServer(server);
    EXPECT_TRUE(ended && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0) << output.toStdString();
    // A child that skipped or found no test proves nothing.
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test."))) << output.toStdString();
}

} // namespace hsa::test
