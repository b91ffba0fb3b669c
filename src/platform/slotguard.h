#pragma once
#include <functional>

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

} // namespace hsa
