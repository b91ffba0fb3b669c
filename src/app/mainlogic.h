#pragma once
#include <QString>

// The main window's decisions as plain functions: the menu gate, the menu
// openers with the password gate, the quit path and the close.
namespace hsa {

// True when no class is open (the main menu's entries 1 to 7 are then
// disabled; otherwise entries 0 to 7 are enabled).
bool CheckNoClassOpen();

// Openers of the menus "&Klasse", "&Liste" and "D&rucken".  Each returns true
// when the menu may open; false when the password dialog was shown instead.
bool OpenKlasseMenu();
bool OpenListeMenu();
bool OpenDruckenMenu();

// "Arbeit beenden": the reminders and questions before quitting.  True when
// the program is to end (QuitRequested is then set); false when the user
// chose to keep printing.
bool ArbeitBeenden();

// The reminder shown at quit when "dismount.dat" exists.
QString DismountReminder();

// The main window may close only once the quit was requested.
bool MainWindowMayClose();

// The main window closes: the class table is closed, the open class cleared
// and "tabsperr.dat" rewritten.  Raises FileError when it cannot be (the
// window's guard shows it).
void MainWindowClosing();

// First activation on a screen 640 pixels wide recommends a larger one; every
// activation makes the current folder the program folder again.
void MainWindowActivated(int screenWidth);

// "Timer3": with a class open the updater watch ends.  Returns true when the
// timers are to stop.
bool ClassOpenStopsUpdaterWatch();

// "Timer1": true when the updater asked the program to end ("beenden.dat"
// existed and was deleted) while no class is open.
bool UpdaterAsksToQuit();

} // namespace hsa
