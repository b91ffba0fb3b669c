#pragma once

namespace hsa {

class TForm1;

// Connects the parts of the program to each other before the windows are
// created: window classes, the hooks between the class files, the printer,
// the password dialog and the main window.  Runs once per program block.
void InstallProgramParts();

// The menu handlers that belong to other parts of the program, connected to
// the main window's entries once it exists.
void InstallMenuHandlers(TForm1& form);

} // namespace hsa
