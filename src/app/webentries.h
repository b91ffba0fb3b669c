#pragma once
#include <QString>
#include <functional>

// The menu entries that lead out of the program: the help topics, the pages
// of the program's homepage in the browser, the updater and the switches that
// silence the update hints.  The program has no network code of its own: it
// hands addresses to the desktop's browser and starts the separate updater.
namespace hsa {

// What these entries need of the main window.
struct WebEntryHooks {
    std::function<void()> quitProgram;          // ends the program
    std::function<void()> startUpdaterWatch;    // the 100 ms watch for "beenden.dat"
    std::function<bool()> updateSwitchChecked;  // check mark of the update-hint switch
    std::function<void(bool)> setUpdateSwitchChecked;
    std::function<void(const QString&)> setHelpFile; // the application's help file
};
WebEntryHooks& webEntryHooks();

// An address read from "homepage.dat" or "url.dat" counts only when, trimmed,
// it begins with "http://" or "https://"; otherwise builtin stays.
QString ProgramAddress(const QString& line, const QString& builtin);
// The first line of name in dir taken as such an address; builtin when the
// file is missing or holds no web address.  Raises FileError when it exists
// but cannot be read.
QString ReadAddressFile(const QString& dir, const QString& name, const QString& builtin);

// Opens url in the browser; a page that cannot be opened is reported
// ("Die Seite <url> konnte nicht geöffnet werden.").  True when opened.
bool OpenWebPage(const QString& url);

// Shows a topic of the help file: the help file is set to HelpFileName first.
void ShowHelpContext(int context);

// The text the homepage entry shows before asking to open the download page.
QString HomepageVisitText(const QString& homepage);
// The offline hint before the version page ("," after the address) and before
// the FAQ page (", " after it, and the FAQ's last line).
QString OfflineHintText(const QString& homepage, bool forFaq);

// The entries' handlers.
void VisitProgramHomepage();         // "Info: Programmhomepage besuchen"
void CheckForUpdateOnHomepage();     // hidden update check under "&Schule/Tools"
void OpenShortManual();              // the manual as a PDF
void OpenVersionPage();              // both version-check entries
void OpenFaqPage();                  // both FAQ entries
void OpenChangedRegulationsPage();   // "Gibt es geänderte Verordnungen ...?"
void InstallCurrentVersion();        // "Aktuelle Version drüberinstallieren ..."
void StartUpdater();                 // "Update durchführen"
void ToggleUpdateHints();            // the update-hint switch
void AskStartupVersionCheck();       // "Automatische Aktualitätsprüfung beim Start ..."
void DatabaseAdminSettings();        // "Einstellungen über Bdeadmin.exe"

// Registers the handlers of all these entries by their menu names.
void RegisterWebEntryHandlers();

} // namespace hsa
