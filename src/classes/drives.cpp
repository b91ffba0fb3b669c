#include "classes/drives.h"

#include "classes/sharedstate.h"
#include "platform/programwide.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace hsa {

namespace {

std::function<QList<VolumeInfo>()>& volumeSource()
{
    static std::function<QList<VolumeInfo>()> source;
    return source;
}

// The system's removable flag of a block device ("/dev/sdb1" -> the flag of
// "sdb").
bool deviceIsRemovable(const QString& device)
{
    if (!device.startsWith(QStringLiteral("/dev/")))
        return false;
    const QString name = QFileInfo(device).canonicalFilePath().section(QLatin1Char('/'), -1);
    if (name.isEmpty())
        return false;
    // A partition's sysfs folder lies inside its disk's folder.
    const QString sys = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    for (const QString& candidate : {sys + QStringLiteral("/removable"), sys + QStringLiteral("/../removable")}) {
        QFile f(candidate);
        if (f.open(QIODevice::ReadOnly))
            return f.readAll().trimmed() == "1";
    }
    return false;
}

bool isSystemFileSystem(const QString& fs)
{
    static const QStringList system = {
        QStringLiteral("proc"),    QStringLiteral("sysfs"),    QStringLiteral("tmpfs"),
        QStringLiteral("devtmpfs"), QStringLiteral("devpts"),  QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"), QStringLiteral("overlay"),  QStringLiteral("squashfs"),
        QStringLiteral("autofs"),  QStringLiteral("mqueue"),   QStringLiteral("debugfs"),
        QStringLiteral("tracefs"), QStringLiteral("securityfs"), QStringLiteral("pstore"),
        QStringLiteral("bpf"),     QStringLiteral("configfs"), QStringLiteral("fusectl"),
        QStringLiteral("hugetlbfs"), QStringLiteral("ramfs"),  QStringLiteral("nsfs")};
    return system.contains(fs);
}

bool belowRemovableMountFolder(const QString& root)
{
    for (const QString& base : {QStringLiteral("/media/"), QStringLiteral("/run/media/"), QStringLiteral("/mnt/")})
        if (root.startsWith(base))
            return true;
    return false;
}

void backToProgramDir()
{
    if (!state().programDir.isEmpty())
        QDir::setCurrent(state().programDir);
}

} // namespace

QList<VolumeInfo> MountedVolumes()
{
    if (volumeSource())
        return volumeSource()();
    QList<VolumeInfo> out;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
        VolumeInfo v;
        v.root = s.rootPath();
        v.device = QString::fromLocal8Bit(s.device());
        v.fileSystem = QString::fromLocal8Bit(s.fileSystemType());
        v.label = s.name();
        v.ready = s.isValid() && s.isReady();
        v.readOnly = s.isReadOnly();
        v.removable = deviceIsRemovable(v.device);
        out << v;
    }
    return out;
}

void SetVolumeSource(std::function<QList<VolumeInfo>()> source)
{
    volumeSource() = std::move(source);
}

namespace {
const ProgramWideReset resetVolumeSource(ResetOrder::Objects, [] { SetVolumeSource(nullptr); });
}

QList<VolumeInfo> SelectRemovableVolumes(const QList<VolumeInfo>& list)
{
    QList<VolumeInfo> out;
    for (const VolumeInfo& v : list) {
        if (!v.ready || v.readOnly || v.root.isEmpty() || v.root == QStringLiteral("/"))
            continue;
        if (isSystemFileSystem(v.fileSystem))
            continue;
        if (!v.removable && !belowRemovableMountFolder(v.root))
            continue;
        out << v;
    }
    std::sort(out.begin(), out.end(), [](const VolumeInfo& a, const VolumeInfo& b) { return a.root < b.root; });
    return out;
}

bool IsDriveReady(const QString& root)
{
    bool ready = false;
    if (!root.isEmpty()) {
        const QFileInfo fi(root);
        if (fi.exists() && fi.isDir() && fi.isReadable()) {
            // The volume the folder lies on is the one with the longest root
            // that contains it.
            const QString canonical = fi.canonicalFilePath();
            int best = -1;
            for (const VolumeInfo& v : MountedVolumes()) {
                QString r = QFileInfo(v.root).canonicalFilePath();
                if (r.isEmpty())
                    continue;
                const QString withSlash = r.endsWith(QLatin1Char('/')) ? r : r + QLatin1Char('/');
                if ((canonical == r || canonical.startsWith(withSlash)) && r.size() > best) {
                    best = static_cast<int>(r.size());
                    ready = v.ready;
                }
            }
        }
    }
    backToProgramDir();
    return ready;
}

QStringList ReadyRemovableRoots()
{
    QStringList roots;
    for (const VolumeInfo& v : SelectRemovableVolumes(MountedVolumes()))
        if (IsDriveReady(v.root))
            roots << v.root;
    backToProgramDir();
    return roots;
}

QString ListReadyRemovableDrives()
{
    QString text;
    for (const QString& root : ReadyRemovableRoots())
        text += root + QStringLiteral("   ");
    return text;
}

} // namespace hsa
