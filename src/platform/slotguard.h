#pragma once
#include <concepts>
#include <functional>
#include <utility>

namespace hsa {

// The guard around the work of a window's slot (a menu entry, a button, a
// list event, a dialog's show event).  An exception must not leave a Qt
// slot: it would end the program with the secretary's unsaved input.  A
// FileError is shown with its own message, any other std::exception as
// "Unerwarteter Fehler: " and its text, both through the prompt in use;
// whatever the work had saved before stays saved.  Returns true when the
// work ran through, false when it was cut short by an error (already shown),
// so that the slot can stop there.
bool runGuarded(const std::function<void()>& work);

// A slot for connect() that runs `slot` under runGuarded.  It takes exactly
// the signal arguments `slot` takes (Qt drops the rest), so a connect line
// reads as before: connect(button, &QPushButton::clicked, this, guardedSlot([this] { … })).
template <typename F>
auto guardedSlot(F slot)
{
    return [slot = std::move(slot)](auto&&... args)
               requires std::invocable<const F&, decltype(args)...>
    {
        runGuarded([&] { slot(std::forward<decltype(args)>(args)...); });
    };
}

} // namespace hsa
