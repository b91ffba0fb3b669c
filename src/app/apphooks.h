#pragma once
#include <functional>

namespace hsa {

// Calls from the main window into parts of the program that own the open
// class table, the grade tables, the printer and the password dialog.  Each is
// installed by the part that owns it; an empty one means there is nothing to do.
struct AppHooks {
    // The password dialog; modal or not.  Afterwards state().accessLocked tells.
    std::function<void(bool modal)> showPasswordDialog;
    // Saves pending edits of the whole-class grade table.
    std::function<void()> saveGradeTableEdits;
    // True when the whole-class table stayed open (the user kept it).
    std::function<bool()> gradeTableStillOpen;
    // Closes the open class table.
    std::function<void()> closeClassTable;
    // The printer is printing a job, and aborting it.
    std::function<bool()> isPrinting;
    std::function<void()> abortPrint;
    // The chosen printer's name did not fit: the program ends at first show.
    std::function<bool()> printerNameTooLong;
};

AppHooks& appHooks();

} // namespace hsa
