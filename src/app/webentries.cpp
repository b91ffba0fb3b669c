#include "app/webentries.h"

#include "app/mainmenu.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/help.h"
#include "platform/programwide.h"
#include "platform/prompt.h"
#include "platform/shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace hsa {

namespace {

const QString kBr = QStringLiteral("\n\r");


const QString kTerminalServer =
    QStringLiteral("Bei Installation auf einem Terminalserver ist dieser Menüpunkt deaktiviert.");

// The same question before both ways to the download page.
void offerDownloadPage()
{
    if (askYesNo(QStringLiteral("Einverstanden mit einem Blick auf die Downloadseite?")))
        OpenWebPage(state().homepageUrl + QStringLiteral("/download.htm"));
}

// Writes or deletes a switch file of the program folder; a file error is
// shown.  Returns whether the file exists afterwards.
bool setSwitchFile(const QString& name, bool on, const QString& content)
{
    const QString path = FindFileCI(ProgramFolder(), name);
    try {
        if (on)
            WriteTextLines(path, {content});
        else if (QFileInfo::exists(path) && !QFile::remove(path))
            throw FileError(QStringLiteral("Datei %1 kann nicht gelöscht werden").arg(path));
    } catch (const FileError& e) {
        showError(e.message());
    }
    return QFileInfo::exists(path);
}

} // namespace

WebEntryHooks& webEntryHooks()
{
    static WebEntryHooks hooks;
    return hooks;
}

namespace {
const ProgramWideReset resetWebEntryHooks(ResetOrder::Objects, [] { webEntryHooks() = {}; });
}

QString ProgramAddress(const QString& line, const QString& builtin)
{
    const QString a = line.trimmed();
    if (a.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive)
        || a.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
        return a;
    return builtin;
}

QString ReadAddressFile(const QString& dir, const QString& name, const QString& builtin)
{
    const QString path = FindFileCI(dir, name);
    if (!QFileInfo::exists(path))
        return builtin;
    return ProgramAddress(ReadFirstLine(path), builtin);
}

bool OpenWebPage(const QString& url)
{
    if (shell().openUrl(url))
        return true;
    showWarning(QStringLiteral("Die Seite ") + url + QStringLiteral(" konnte nicht geöffnet werden."));
    return false;
}

void ShowHelpContext(int context)
{
    if (webEntryHooks().setHelpFile)
        webEntryHooks().setHelpFile(state().helpFileName);
    HandleHelpRequest(ProgramFolder(), state().helpFileName, kHelpContext,
                      static_cast<quintptr>(context));
}

QString HomepageVisitText(const QString& homepage)
{
    return QStringLiteral("Sie werden nun mit der Downloadseite ") + homepage
        + QStringLiteral(" der Korvi-Programme verbunden.") + kBr
        + QStringLiteral("Bitte vergleichen Sie den Versionsbuchstaben Ihrer Wendra-Version "
                         "(erkennbar in der Fensterüberschrift) mit ")
        + kBr + QStringLiteral("dem Angebot auf der Downloadseite ganz unten. ") + kBr
        + QStringLiteral("Installieren Sie ggf. die Version mit dem höheren Versionsbuchstaben über Ihre "
                         "aktuelle Version hinweg, Ihre Daten bleiben erhalten.")
        + kBr + QStringLiteral("Vor eine solchen Installation müssen Sie aber das Programm schließen.");
}

QString OfflineHintText(const QString& homepage, bool forFaq)
{
    return QStringLiteral("Falls Ihr Rechner offline ist, informieren Sie sich bitte anderswo auf ") + homepage
        + (forFaq ? QStringLiteral(", ") : QStringLiteral(",")) + kBr
        + QStringLiteral("dort im Downloadbereich bei Wendra_Pruefer oder auch in der Internet-FAQ von Korvi.")
        + kBr + kBr
        + (forFaq ? QStringLiteral("Es wird jetzt die Internet-FAQ von Korvi im Browser aufgerufen.")
                  : QStringLiteral("Es wird jetzt der Browser aufgerufen."));
}

void VisitProgramHomepage()
{
    showMessage(HomepageVisitText(state().homepageUrl));
    offerDownloadPage();
}

void CheckForUpdateOnHomepage()
{
    showInformation(QStringLiteral(
        "Es wird jetzt die Downloadseite von Wendra_Pruefer geöffnet. Eine Version mit höherem "
        "Versionsbuchstaben wird über die vorhandene installiert, Ihre Daten bleiben erhalten."));
    offerDownloadPage();
}

void OpenShortManual()
{
    const QString home = state().homepageUrl;
    showMessage(QStringLiteral("Die Anleitung wird auf unserer Downloadseite ") + home
                + QStringLiteral(" stets aktuell gehalten.") + kBr + kBr
                + QStringLiteral("Sie wird jetzt von dort als pdf-Datei aufgerufen."));
    OpenWebPage(home + QStringLiteral("/Kurzinfo_Wendra_Pruef.pdf"));
}

void OpenVersionPage()
{
    showMessage(OfflineHintText(state().homepageUrl, false));
    OpenWebPage(state().homepageUrl + QStringLiteral("/wendra-version.htm"));
}

void OpenFaqPage()
{
    OpenWebPage(state().homepageUrl + QStringLiteral("/korvi2016-internetfaq.htm"));
}

void OpenChangedRegulationsPage()
{
    showMessage(OfflineHintText(state().homepageUrl, true));
    OpenFaqPage();
}

void InstallCurrentVersion()
{
    if (!state().openClassFile.isEmpty()) {
        showMessage(QStringLiteral("Dazu müssen Sie erst die Klasse schließen."));
        return;
    }
    // The end is announced only once the browser has the address: otherwise
    // the program stays, and the user learns where the setup is to be had.
    const QString setup = state().updateUrl + QStringLiteral("/16/setup_Wendra_Pruef.zip");
    const QString elsewhere = QStringLiteral("Sie können das Setup auch von ") + state().homepageUrl
        + QStringLiteral(" (Downloads) ausführen lassen.");
    if (!shell().openUrl(setup)) {
        showWarning(QStringLiteral("Die Seite ") + setup + QStringLiteral(" konnte nicht geöffnet werden.") + kBr
                    + QStringLiteral("Das Programm bleibt geöffnet. ") + elsewhere);
        return;
    }
    showMessage(QStringLiteral("Das Programm wird jetzt beendet, danach lädt der Browser die aktuelle Version. "
                               "Entpacken Sie das Setup und führen Sie es aus; Ihre Klassen bleiben erhalten.")
                + kBr + elsewhere);
    if (webEntryHooks().quitProgram)
        webEntryHooks().quitProgram();
}

void StartUpdater()
{
    if (state().terminalServerMode) {
        showMessage(kTerminalServer);
        return;
    }
    if (!state().openClassFile.isEmpty()) {
        showMessage(QStringLiteral("Dazu müssen Sie zuerst die Klasse schließen."));
        return;
    }
    const QString dir = ProgramFolder();
    const QString updater = FindFileCI(dir, QStringLiteral("down1.exe"));
    if (!QFileInfo::exists(updater))
        showWarning(QStringLiteral("Das Updateprogramm DOWN1.EXE fehlt im Programmordner; vermutlich hat es "
                                   "ein Virenscanner entfernt.")
                    + kBr + QStringLiteral("Für weitere Updates wiederholen Sie bitte die Grundinstallation von ")
                    + state().homepageUrl + QStringLiteral(". Klassen und Einstellungen bleiben erhalten.") + kBr
                    + QStringLiteral("Bitte teilen Sie uns mit, welcher Virenscanner die Datei entfernt hat."));
    // The watch that ends the program on the updater's signal runs only for an
    // updater that really started.
    if (!shell().startDetached(updater, {QStringLiteral("h")}, dir)) {
        showWarning(QStringLiteral("Das Updateprogramm down1.exe konnte nicht gestartet werden."));
        return;
    }
    if (webEntryHooks().startUpdaterWatch)
        webEntryHooks().startUpdaterWatch();
}

void ToggleUpdateHints()
{
    if (state().terminalServerMode) {
        showMessage(kTerminalServer);
        return;
    }
    const bool wasChecked = webEntryHooks().updateSwitchChecked && webEntryHooks().updateSwitchChecked();
    const bool silence = !wasChecked;
    if (silence)
        showInformation(QStringLiteral("Es werden keine Hinweise auf neue Versionen mehr gegeben. Bitte sehen Sie "
                                       "selbst regelmäßig nach."));
    else
        showInformation(QStringLiteral("Beim Start wird wieder auf neue Versionen hingewiesen, wenn der Rechner "
                                       "das Internet erreicht."));
    const bool exists = setSwitchFile(QStringLiteral("updateverbot.dat"), silence, QStringLiteral("Verboten"));
    if (webEntryHooks().setUpdateSwitchChecked)
        webEntryHooks().setUpdateSwitchChecked(exists);
}

void AskStartupVersionCheck()
{
    const bool silence =
        askYesNo(QStringLiteral("Soll künftig die Aktualitätsprüfung beim Start unterbunden werden?"));
    setSwitchFile(QStringLiteral("nicht_pruefen.txt"), silence,
                  QStringLiteral("Keinen Aktualitätsprüfung beim Start"));
}

void DatabaseAdminSettings()
{
    if (!askYesNo(QStringLiteral("VORSICHT!! Hier vorgenommene Änderungen wirken sich in der Schülerliste auf "
                                 "die Darstellung der Umlaute aus. Weitermachen?")))
        return;
    showInformation(QStringLiteral("Auf diesem System gibt es diese Einstellung nicht: die Umlaute der "
                                   "Klassendateien behandelt das Programm selbst."));
}

void RegisterWebEntryHandlers()
{
    const struct {
        const char* name;
        void (*handler)();
    } entries[] = {
        {"Internetupdate1", VisitProgramHomepage},
        {"InternetupdateberdieProgrammhomepage1", CheckForUpdateOnHomepage},
        {"KurzinformationzurAnwendung1", OpenShortManual},
        {"InfoIstIhreVersionaktuell1", OpenVersionPage},
        {"AktualittsprfungIstIhrProgrammnochaktuell1", OpenVersionPage},
        {"INTERNETFAQaktuelleOnlinehilfemitAntwortenaufaktuellwichtigeFragen1", OpenFaqPage},
        {"auchberkurzfristigerschieneneVerordnungenodererforderlicheSTILLEUPDATES1", OpenFaqPage},
        {"GibtespltzlichgenderteVerordnungenundAusnahmeregelungen1", OpenChangedRegulationsPage},
        {"AktuelleVersiondrberinstallierenDatenbleibenerhalten1", InstallCurrentVersion},
        {"Updatedurchfhren1", StartUpdater},
        {"SchalterHinweiseaufvorhandenesINTERNETUPDATEunterbinden1", ToggleUpdateHints},
        {"AktualittsprfungbeimStart1", AskStartupVersionCheck},
        {"bderungberbdeadminexe1", DatabaseAdminSettings},
    };
    for (const auto& e : entries)
        RegisterMenuHandler(QString::fromLatin1(e.name), e.handler);
    const struct {
        const char* name;
        int context;
    } topics[] = {
        {"Updateinfo1", 2},
        {"Informationendazu1", 11},
        {"Abschlussprfung1", 1},
        {"Schulfremdenprfung1", 40},
        {"WICHTIGDateinamenfrPrfungsklassen1", 110},
    };
    for (const auto& t : topics) {
        const int context = t.context;
        RegisterMenuHandler(QString::fromLatin1(t.name), [context] { ShowHelpContext(context); });
    }
}

} // namespace hsa
