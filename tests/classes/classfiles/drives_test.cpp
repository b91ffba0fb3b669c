#include "classes/drives.h"
#include "classes/sharedstate.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace hsa;

namespace {

VolumeInfo volume(const QString& root, const QString& fs, bool removable, bool ready = true, bool readOnly = false)
{
    return VolumeInfo{.root = root, .device = QStringLiteral("/dev/sdx1"), .fileSystem = fs, .label = {}, .ready = ready,
                      .readOnly = readOnly, .removable = removable};
}

} // namespace

TEST(Drives, ReadyWritableRemovableVolumesAreSticks)
{
    // The stick under a user's media folder counts although not flagged; the
    // one flagged removable by the system counts wherever it is mounted.
    const QList<VolumeInfo> all = {
        volume("/", "ext4", false), volume("/run/media/anna/STICK", "vfat", false), volume("/media/usb0", "exfat", true),
        volume("/home", "ext4", false), volume("/srv/usb", "vfat", true),
        volume("/media/cdrom", "iso9660", true, true, true), volume("/media/leer", "vfat", true, false),
        volume("/mnt/ram", "tmpfs", false),
    };
    QStringList roots;
    for (const VolumeInfo& v : SelectRemovableVolumes(all))
        roots << v.root;
    EXPECT_EQ(roots, QStringList({"/media/usb0", "/run/media/anna/STICK", "/srv/usb"}));

    test::TempProgramFolder program;
    resetState();
    state().programDir = program.path();
    test::TempProgramFolder stick;   // makes itself current
    const QString ready = stick.path();
    QTemporaryDir gone;
    const QList<VolumeInfo> volumes = {volume("/", "ext4", false), volume(ready, "vfat", true),
                                       volume(gone.path(), "vfat", true, false)};
    SetVolumeSource([volumes] { return volumes; });
    const struct { QString root; bool ready; } cases[] = {
        {ready, true}, {ready + "/", true}, {gone.path(), false}, {ready + "/fehlt", false}, {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsDriveReady(c.root), c.ready) << c.root.toStdString();
    // The current folder goes back to the program folder.
    EXPECT_EQ(QDir::currentPath(), QDir(program.path()).canonicalPath());
    EXPECT_EQ(ListReadyRemovableDrives(), ready + "   ");
    EXPECT_EQ(ReadyRemovableRoots(), QStringList({ready}));
    SetVolumeSource([] { return QList<VolumeInfo>{volume("/", "ext4", false)}; });
    EXPECT_TRUE(ListReadyRemovableDrives().isEmpty());
    SetVolumeSource(nullptr);
    // The real system answers without error; the root folder is on a ready volume.
    EXPECT_TRUE(IsDriveReady("/"));
    resetState();
}
