#pragma once
#include <QList>
#include <QString>
#include <functional>

// Removable volumes (USB sticks) for the stick transfer and the export.  A
// volume is named by the folder it is mounted on ("/media/sekretariat/STICK");
// there are no drive letters.
namespace hsa {

struct VolumeInfo {
    QString root;        // mount folder
    QString device;      // "/dev/sdb1"
    QString fileSystem;  // "vfat"
    QString label;       // volume name, may be empty
    bool ready = false;  // mounted and answering
    bool readOnly = false;
    bool removable = false; // the system calls its disk removable
};

// The mounted volumes as the system reports them.  Tests install their own
// list with SetVolumeSource; nullptr restores the system's.
QList<VolumeInfo> MountedVolumes();
void SetVolumeSource(std::function<QList<VolumeInfo>()> source);

// The volumes among list that a stick can be: ready, writable, not the
// system's own file systems, and either flagged removable by the system or
// mounted below "/media", "/run/media" or "/mnt".  Sorted by root.
QList<VolumeInfo> SelectRemovableVolumes(const QList<VolumeInfo>& list);

// True when root is the mount folder (or a folder on it) of a ready volume
// and can be read.  Never raises; the current folder is set back to the
// program folder afterwards.
bool IsDriveReady(const QString& root);

// The ready removable volumes, each root followed by three blanks; empty
// when there is none.
QString ListReadyRemovableDrives();
// The same as a list of roots.
QStringList ReadyRemovableRoots();

} // namespace hsa
