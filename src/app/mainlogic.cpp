#include "app/mainlogic.h"

#include "app/apphooks.h"
#include "app/updates.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/programwide.h"
#include "platform/prompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace hsa {

AppHooks& appHooks()
{
    static AppHooks hooks;
    return hooks;
}

namespace {
const ProgramWideReset resetAppHooks(ResetOrder::Objects, [] { appHooks() = {}; });
}

bool CheckNoClassOpen()
{
    return state().openClassFile.isEmpty();
}

namespace {

void showPassword(bool modal)
{
    if (appHooks().showPasswordDialog)
        appHooks().showPasswordDialog(modal);
}

// Saves pending edits of the whole-class table; false when the user chose
// to keep the table open.
bool saveGradeTable()
{
    if (appHooks().saveGradeTableEdits)
        appHooks().saveGradeTableEdits();
    return !(appHooks().gradeTableStillOpen && appHooks().gradeTableStillOpen());
}

} // namespace

bool OpenKlasseMenu()
{
    if (state().accessLocked) {
        showPassword(false);
        return false;
    }
    return saveGradeTable();
}

bool OpenListeMenu()
{
    const bool noClass = CheckNoClassOpen();
    NotifyMainWindow();
    if (noClass && state().accessLocked) {
        showPassword(false);
        return false;
    }
    return saveGradeTable();
}

bool OpenDruckenMenu()
{
    const bool noClass = CheckNoClassOpen();
    NotifyMainWindow();
    if (!noClass)
        return saveGradeTable();
    return true;
}

QString DismountReminder()
{
    const QString br = QStringLiteral("\n\r");
    return QStringLiteral("E R I N N E R U N G:") + br + br
        + QStringLiteral("Wenn Sie mit einem Sicherheitscontainer gearbeitet haben, trennen Sie ihn "
                         "nach dem Beenden des Programms.")
        + br
        + QStringLiteral("Melden Sie einen USB-Stick ordnungsgemäß ab, bevor Sie ihn abziehen.") + br
        + QStringLiteral("Sonst bleiben Daten auf dem Rechner zurück oder gehen verloren.");
}

bool ArbeitBeenden()
{
    const QString dir = ProgramFolder();
    if (FileExistsCI(dir, QStringLiteral("dismount.dat")))
        showMessage(DismountReminder());
    try {
        if (IsProcessRunning(QStringLiteral("down1.exe")))
            KillUpdater();
    } catch (...) {
        // Ending the updater is a courtesy; quitting goes on.
    }
    if (appHooks().isPrinting && appHooks().isPrinting()) {
        if (!askYesNo(QStringLiteral(" Es wird noch gedruckt. Druckvorgang abbrechen ?")))
            return false;
        if (appHooks().abortPrint)
            appHooks().abortPrint();
    }
    if (appHooks().closeClassTable)
        appHooks().closeClassTable();
    state().quitRequested = true;
    return true;
}

bool MainWindowMayClose()
{
    return state().quitRequested;
}

void MainWindowClosing()
{
    if (appHooks().closeClassTable)
        appHooks().closeClassTable();
    state().openClassFile.clear();
    NotifyMainWindow();
    WriteTextLines(FindFileCI(ProgramFolder(), QStringLiteral("tabsperr.dat")), {QStringLiteral("0")});
}

void MainWindowActivated(int screenWidth)
{
    SharedState& st = state();
    if (st.firstActivation) {
        st.firstActivation = false;
        if (screenWidth == 640)
            showInformation(
                QStringLiteral("Empfohlen wird eine Bildschirmauflösung von  800x600 oder 1024*768."));
    }
    st.programDir = QDir::currentPath();
}

bool ClassOpenStopsUpdaterWatch()
{
    return !state().openClassFile.isEmpty();
}

bool UpdaterAsksToQuit()
{
    // Work on a class is never ended from outside.
    if (!state().openClassFile.isEmpty())
        return false;
    const QString dir = ProgramFolder();
    const QString signal = FindFileCI(dir, QStringLiteral("beenden.dat"));
    if (!QFileInfo::exists(signal))
        return false;
    QFile::remove(signal);
    return true;
}

} // namespace hsa
