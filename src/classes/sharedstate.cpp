#include "classes/sharedstate.h"

#include "platform/programwide.h"

#include <QDir>

namespace hsa {

namespace {
SharedState g_state;
std::function<void()> g_refresh;
}

void NotifyMainWindow()
{
    if (g_refresh)
        g_refresh();
}

void SetMainWindowRefresh(std::function<void()> refresh)
{
    g_refresh = std::move(refresh);
}

SharedState& state()
{
    return g_state;
}

void resetState()
{
    g_state = SharedState();
}

namespace {
const ProgramWideReset resetSharedState(ResetOrder::Objects, [] {
    resetState();
    SetMainWindowRefresh({});
});
}

QString ProgramFolder()
{
    return state().programDir.isEmpty() ? QDir::currentPath() : state().programDir;
}

} // namespace hsa
