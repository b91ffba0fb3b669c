#include "classes/sharedstate.h"

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

QString ProgramFolder()
{
    return state().programDir.isEmpty() ? QDir::currentPath() : state().programDir;
}

} // namespace hsa
