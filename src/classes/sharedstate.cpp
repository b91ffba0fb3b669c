#include "classes/sharedstate.h"

namespace hsa {

namespace {
SharedState g_state;
}

SharedState& state()
{
    return g_state;
}

void resetState()
{
    g_state = SharedState();
}

} // namespace hsa
