#include "platform/programwide.h"

#include <vector>

namespace hsa {

namespace {

struct Registered {
    ResetOrder order;
    void (*reset)();
};

// Filled during static initialisation, hence reached through a function.
std::vector<Registered>& registered()
{
    static std::vector<Registered> r;
    return r;
}

} // namespace

ProgramWideReset::ProgramWideReset(ResetOrder order, void (*reset)())
{
    registered().push_back(Registered{order, reset});
}

void ResetProgramWideObjects()
{
    for (const ResetOrder order : {ResetOrder::Windows, ResetOrder::Objects})
        for (const Registered& r : registered())
            if (r.order == order)
                r.reset();
}

} // namespace hsa
