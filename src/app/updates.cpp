#include "app/updates.h"

#include "classes/kopier.h"
#include "classes/textfile.h"
#include "platform/shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace hsa {

namespace {

// base may carry a folder: split it into the folder and the file name part.
QString existing(const QString& path)
{
    const QFileInfo fi(path);
    return FindFileCI(fi.absolutePath(), fi.fileName());
}

} // namespace

bool DeleteProgramFile(const QString& dir, const QString& name)
{
    const QString p = FindFileCI(dir, name);
    if (!QFileInfo::exists(p))
        return false;
    return QFile::remove(p);
}

void RefreshByCopy(const QString& base, const QString& extension)
{
    const QString marker = existing(base + QStringLiteral("eee"));
    if (!QFileInfo::exists(marker))
        return;
    const QString target = existing(base + extension);
    const QString temp = base + QStringLiteral("tmp");
    // The copy round trip gives the file a fresh directory entry; when the
    // file itself is missing there is nothing to refresh, only the marker.
    if (QFileInfo::exists(target)) {
        CopyFileContents(target, temp);
        QFile::remove(target);
        CopyFileContents(temp, target);
        QFile::remove(temp);
    }
    QFile::remove(marker);
}

void ReplaceUpdater(const QString& dir)
{
    const QString down2 = FindFileCI(dir, QStringLiteral("down2.exe"));
    if (!QFileInfo::exists(down2))
        return;
    DeleteProgramFile(dir, QStringLiteral("down1.exe"));
    const QString down1 = QDir(dir).filePath(QStringLiteral("down1.exe"));
    CopyFileContents(down2, down1);
    if (QFileInfo::exists(down1))
        QFile::remove(down2);
}

void RenameLibraries(const QString& dir)
{
    const struct { const char* oldName; const char* newName; } libs[] = {
        {"libeay322.dll", "libeay32.dll"},
        {"ssleay322.dll", "ssleay32.dll"},
    };
    for (const auto& l : libs) {
        const QString oldPath = FindFileCI(dir, QString::fromLatin1(l.oldName));
        const QString newPath = FindFileCI(dir, QString::fromLatin1(l.newName));
        if (QFileInfo::exists(oldPath) && !QFileInfo::exists(newPath))
            QFile::rename(oldPath, newPath); // a failed rename is left to the deletion below
    }
    for (const auto& l : libs)
        DeleteProgramFile(dir, QString::fromLatin1(l.oldName));
}

QString VersionLetter(const QString& caption)
{
    const qsizetype dot = caption.indexOf(QLatin1Char('.'));
    if (dot < 0 || dot + 1 >= caption.size())
        return QString();
    return caption.mid(dot + 1, 1);
}

QString VersionPromptText(const QString& caption)
{
    const QString br = QStringLiteral("\n\r");
    const QString br2 = br + br;
    return QStringLiteral("Installierte Programmversion: ") + caption.left(24).toUpper() + br2
        + QStringLiteral("Ist diese Version ") + caption.mid(21, 3)
        + QStringLiteral("  noch  A K T U E L L ?") + br2
        + QStringLiteral("Bitte überprüfen Sie das jetzt durch einen Blick auf die entsprechende Informationsseite,")
        + br
        + QStringLiteral("damit die KORREKTHEIT aller Funktionen auch wirklich gewährleistet ist.") + br2
        + QStringLiteral("Sie erfahren, ob eine aktualisierte Version drüberinstalliert werden muss.") + br2
        + QStringLiteral("E I N V E R S T A N D E N ?");
}

bool IsProcessRunning(const QString& exeName)
{
    return shell().isProcessRunning(exeName);
}

void KillUpdater()
{
    for (int round = 0; round < 2; ++round) {
        shell().terminateProcessesContaining(QStringLiteral("DOWN1"));
        QThread::msleep(500);
    }
}

} // namespace hsa
