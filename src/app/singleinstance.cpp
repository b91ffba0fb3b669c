#include "app/singleinstance.h"

#include "classes/textfile.h"
#include "platform/instanceguard.h"

namespace hsa {

bool RunSingleInstanceGuard(const QString& programDir, InstanceGuard& guard)
{
    if (FileExistsCI(programDir, QStringLiteral("ohne_mutex.dat")))
        return true;
    return guard.acquire("HSA");
}

} // namespace hsa
