#include "app/startup.h"

#include "app/updates.h"
#include "app/webentries.h"
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "classes/textfile.h"
#include "exchange/transferrecovery.h"
#include "exchange/finalgradeexport.h"
#include "platform/errors.h"
#include "platform/programwide.h"
#include "platform/prompt.h"
#include "platform/shell.h"

#include <QDir>
#include <QFileInfo>

namespace hsa {

const QString DesignCaption = QStringLiteral(
    "Korvi_Wendra-Pruefer.C17  (Schuljahre ab 2021/2022)  Hilfe für die ordentlichen "
    "Abschlussprüfungen an Gemeinschaftsschule, Realschule und Werkrealschule nach dem "
    "Bildungsplan 2016  in Klasse 9 und 10");
const QString TerminalCaption =
    QStringLiteral("Korvi_Wendra-Pruefer.C5             VERSION FÜR TERMINALSERVER");
const QString ProgramBlockTitle = QStringLiteral("KORVI_Wendra_2020");
const QString StartupTitle = QStringLiteral("KORVI_Wendra_Pruefer");
const QString ProgramBlockHelpFile = QStringLiteral("dudarora.hlp");

StartupHooks& startupHooks()
{
    static StartupHooks hooks;
    return hooks;
}

namespace {
const ProgramWideReset resetStartupHooks(ResetOrder::Objects, [] { startupHooks() = {}; });
}

QString EveningSchoolNotice()
{
    const QString br = QStringLiteral("\n\r");
    return QStringLiteral("ABENDREALSCHULE") + br + br
        + QStringLiteral("Alle Berechnungen richten sich jetzt nach der Prüfungsordnung für "
                         "Abendrealschulen vom Mai 2021.")
        + br + br
        + QStringLiteral("1. Fächerkombinationen und Ausgabeformen dürfen weder hier noch im "
                         "Zeugnisprogramm geändert werden.")
        + br
        + QStringLiteral("2. P-Markierungen und Noten nur dort eintragen, wo Noten erteilt werden.")
        + br
        + QStringLiteral("3. Bevor die Ergebnisse zurückgegeben werden, ist das Prüfungsergebnis "
                         "jedes Schülers zu prüfen.")
        + br
        + QStringLiteral("4. Übernommen werden nur Schüler mit \"Realschulabschluss\".") + br
        + QStringLiteral("5. Die besonderen Zeugnisse werden im Zeugnisprogramm erstellt.") + br
        + QStringLiteral("6. Weitere Informationen finden Sie in der Hilfe des Zeugnisprogramms.");
}

namespace {

// Runs one step; an unreadable file ends only that step, with the error shown
// as the application's default error box would.
template <typename Step>
void step(Step&& s)
{
    try {
        s();
    } catch (const FileError& e) {
        showError(e.message());
    }
}

QString firstLineIfExists(const QString& dir, const QString& name, const QString& fallback)
{
    const QString p = FindFileCI(dir, name);
    if (!QFileInfo::exists(p))
        return fallback;
    return ReadFirstLine(p);
}

} // namespace

void RunFormCreate(StartupHost& host)
{
    SharedState& st = state();

    // 1. Program folder; the profile-subject switch is made anew by the grade window.
    st.programDir = QDir::currentPath();
    const QString dir = st.programDir;
    step([&] { DeleteProgramFile(dir, QStringLiteral("profilfach_zaehlt.txt")); });
    // Grades never stay unencrypted after a killed export.
    step([&] { RemoveFinalGradeLeftovers(); });
    // A class copy or archive move the program was killed in is finished or
    // puts the older class back; what belongs to another user stays and is
    // named.
    step([&] {
        const QStringList reports = RecoverProgramFolder(dir);
        if (!reports.isEmpty())
            showWarning(reports.join(QStringLiteral("\n\r")));
    });

    // 2. Title.
    host.setApplicationTitle(StartupTitle);

    // 3. Switches.
    st.terminalServerMode = FileExistsCI(dir, QStringLiteral("terminal.dat"));
    st.stickTransferEnabled = !FileExistsCI(dir, QStringLiteral("einaus.dat"));
    if (st.terminalServerMode)
        host.setWindowCaption(TerminalCaption);

    // 4. The password file's old name.
    step([&] {
        const QString oldPw = FindFileCI(dir, QStringLiteral("pw.dat"));
        if (QFileInfo::exists(oldPw))
            QFile::rename(oldPw, QDir(dir).filePath(QStringLiteral("pwrsa.dat")));
    });

    // 5. Printer defaults.
    step([&] {
        if (startupHooks().printerDefaults)
            startupHooks().printerDefaults();
    });

    // 6. Start values of the subject texts.
    host.clearSubjectMemo();
    ResetSubjectStartValues();

    // 7. School type.
    step([&] {
        if (startupHooks().showSchoolType)
            startupHooks().showSchoolType();
    });

    // 8. Addresses and help file.
    step([&] { st.updateUrl = ReadAddressFile(dir, QStringLiteral("url.dat"), st.updateUrl); });
    step([&] { st.homepageUrl = ReadAddressFile(dir, QStringLiteral("homepage.dat"), st.homepageUrl); });
    step([&] { st.helpFileName = firstLineIfExists(dir, QStringLiteral("hilfedatei.txt"), st.helpFileName); });
    host.setHelpFile(st.helpFileName);

    // 9. Font factor from the display, then the font divisor file.
    const ScreenInfo scr = screen().info();
    st.fontFactor = scr.logicalDpiX / 96.0;
    step([&] {
        if (startupHooks().loadFontFactor)
            startupHooks().loadFontFactor();
    });

    // 10. Screen scaling.
    const ScreenLayout layout = ComputeScreenLayout(scr.width, scr.height, st.fontFactor, scr.usableWidth());
    st.formScale = layout.formScale;
    st.openClassFile.clear();
    host.applyScreenLayout(layout, scr);

    // 11. Without a password file nothing is locked.
    if (!FileExistsCI(dir, QStringLiteral("pwrsa.dat")))
        st.accessLocked = false;

    // 12. and 13. Menu gate and school name.
    host.refreshFromState();

    // 14. Left-over file of the updater.
    step([&] { DeleteProgramFile(dir, QStringLiteral("updateh.exe")); });

    // 15. The installed version letter.
    step([&] {
        WriteTextLines(FindFileCI(dir, QStringLiteral("vorhanden.dat")),
                       {VersionLetter(host.windowCaption())});
    });

    // 16. Homepage address as the caption of its menu entry.
    step([&] {
        st.homepageUrl = ReadAddressFile(dir, QStringLiteral("homepage.dat"), st.homepageUrl);
        host.setHomepageEntryCaption(st.homepageUrl);
    });

    // 17. New copy of the updater.
    step([&] { ReplaceUpdater(dir); });

    // 18. Refresh by copy of the help file and the updater.
    step([&] { RefreshByCopy(QDir(dir).filePath(QStringLiteral("Darovari.")), QStringLiteral("chm")); });
    step([&] { RefreshByCopy(QDir(dir).filePath(QStringLiteral("down1.")), QStringLiteral("exe")); });

    // 19. Library names.
    step([&] { RenameLibraries(dir); });

    // 20. Update-hint switch and the updater's quit signal.
    host.setUpdateSwitchChecked(FileExistsCI(dir, QStringLiteral("updateverbot.dat")));
    step([&] { DeleteProgramFile(dir, QStringLiteral("beenden.dat")); });

    // 21. Is the installed version current?
    const Answer a = prompts().ask(MsgKind::Plain, VersionPromptText(host.windowCaption()),
                                   Buttons::YesNo);
    if (a != Answer::Yes) {
        st.versionCheckSkipped = true;
    } else {
        showMessage(QStringLiteral("Die Information wird jetzt im Browser aufgerufen"));
        st.versionCheckSkipped = false;
        // The user was told the page opens: when no browser takes it, he is
        // told that too, as by every other web entry.
        if (!FileExistsCI(dir, QStringLiteral("nicht_pruefen.txt"))) {
            if (!OpenWebPage(st.homepageUrl + QStringLiteral("/wendra-version.htm")))
                st.versionCheckSkipped = true;
        }
    }

    // 22. Evening school.
    if (st.eveningSchoolMode)
        showInformation(EveningSchoolNotice());
}

} // namespace hsa
