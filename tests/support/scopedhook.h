#pragma once
#include <type_traits>
#include <utility>

namespace hsa::test {

// Puts a test's hook into a program-wide hook slot for one scope and gives
// the slot back what it held before, so that a hook capturing the test's
// locals never outlives them:
//   ScopedHook progress(printLoopHooks().progress, [&](const QString& t) { shown << t; });
template <class Slot>
class ScopedHook {
public:
    ScopedHook(Slot& slot, std::type_identity_t<Slot> hook) : slot_(slot), previous_(std::exchange(slot, std::move(hook))) {}
    ~ScopedHook() { slot_ = std::move(previous_); }
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;

private:
    Slot& slot_;
    Slot previous_;
};

} // namespace hsa::test
