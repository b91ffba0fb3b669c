#include "app/updates.h"

#include "platform/errors.h"
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

namespace {

// Writes a copy of source over target through a temporary file beside it, so
// target is whole at every moment: the old file until the new one is
// complete.  False (target untouched) when source cannot be read or the copy
// cannot be written.
bool ReplaceFromCopy(const QString& source, const QString& target)
{
    try {
        WriteFileAtomic(target, ReadFileBytes(source));
        return true;
    } catch (const FileError&) {
        return false;
    }
}

} // namespace

void RefreshByCopy(const QString& base, const QString& extension)
{
    const QString marker = existing(base + QStringLiteral("eee"));
    if (!QFileInfo::exists(marker))
        return;
    const QString target = existing(base + extension);
    // The rewrite gives the file a fresh directory entry; when the file itself
    // is missing there is nothing to refresh, only the marker.  A failed
    // rewrite keeps the marker, so the next start tries again.
    if (QFileInfo::exists(target) && !ReplaceFromCopy(target, target))
        return;
    QFile::remove(marker);
}

void ReplaceUpdater(const QString& dir)
{
    const QString down2 = FindFileCI(dir, QStringLiteral("down2.exe"));
    if (!QFileInfo(down2).isFile())
        return;
    // The old updater is replaced, never deleted first: a failed copy leaves
    // it, and the new copy stays for the next start.
    const QString down1 = FindFileCI(dir, QStringLiteral("down1.exe"));
    if (ReplaceFromCopy(down2, down1))
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
    // Only the updater itself: a program that merely has "down1" in its name
    // belongs to someone else.
    const QStringList names{QStringLiteral("down1.exe"), QStringLiteral("down1")};
    for (int round = 0; round < 2; ++round) {
        shell().terminateProcessesNamed(names);
        QThread::msleep(500);
    }
}

} // namespace hsa
