#include "classes/filefaultscope.h"

namespace hsa {

FileFaultScope::FileFaultScope(int failAt, unsigned kinds) : failAt_(failAt), kinds_(kinds)
{
    SetFileStepFaults(this);
}

FileFaultScope::~FileFaultScope()
{
    SetFileStepFaults(nullptr);
}

bool FileFaultScope::fails(FileStep step)
{
    if ((kinds_ & static_cast<unsigned>(step)) == 0)
        return false;
    if (watch_)
        watch_(step);
    if (++count_ != failAt_)
        return false;
    fired_ = true;
    return true;
}

} // namespace hsa
