#pragma once
#include "classes/drives.h"
#include "support/classfolder.h"

#include <QTemporaryDir>

namespace hsa::test {

// A real class folder and one USB stick (a temporary folder the system
// reports as the only mounted volume: removable, vfat, named "STICK").
class StickFixture : public RealClassFixture {
protected:
    void SetUp() override
    {
        RealClassFixture::SetUp();
        SetVolumeSource([this] {
            return QList<VolumeInfo>{{stick.path(), "/dev/sdb1", "vfat", "STICK", true, false, true}};
        });
    }
    void TearDown() override
    {
        SetVolumeSource(nullptr);
        RealClassFixture::TearDown();
    }

    QTemporaryDir stick;
};

} // namespace hsa::test
