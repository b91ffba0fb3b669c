#include "platform/inprocessinstanceguard.h"

#include <mutex>
#include <set>

namespace hsa {

namespace {
std::mutex g_heldMutex;
std::set<std::string>& heldNames()
{
    static std::set<std::string> s;
    return s;
}
} // namespace

InProcessInstanceGuard::~InProcessInstanceGuard()
{
    release();
}

bool InProcessInstanceGuard::acquire(const std::string& name)
{
    std::lock_guard<std::mutex> l(g_heldMutex);
    if (heldNames().count(name))
        return false;
    heldNames().insert(name);
    held_ = name;
    return true;
}

void InProcessInstanceGuard::release()
{
    std::lock_guard<std::mutex> l(g_heldMutex);
    if (!held_.empty()) {
        heldNames().erase(held_);
        held_.clear();
    }
}

} // namespace hsa
