#pragma once

namespace hsa {

class TForm1;

// The entries of the menu "D&rucken" that print students, class tables and
// the result list, "DRUCKEN: Geöffnete Tabelle " of the grade tables, and the
// progress field and abort button the print loops show in the main window.
void InstallPrintEntries(TForm1& form);

} // namespace hsa
