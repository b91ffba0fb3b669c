#include "print/printmenu.h"

#include "classes/sharedstate.h"
#include "platform/prompt.h"
#include "print/calibrationdialog.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/printsettings.h"

#include <QApplication>

namespace hsa {

void ShowCalibrationDialog()
{
    TForm3 dialog(QApplication::activeWindow());
    dialog.exec();
}

void RunPrinterSetup()
{
    bool done = false;
    try {
        done = printer().device().runSetupDialog();
    } catch (const PrinterError&) {
        done = false;
    }
    if (!done)
        showMessage(QStringLiteral(
            "Änderung der Einstellungen beim aktuell gewählten Drucker derzeit nicht möglich.\n\r"
            "Bitte wählen Sie im nächsten Menüpunkt einen anderen und kehren Sie dann zu diesem "
            "Menüpunkt zurück."));
}

QStringList PrinterChoiceItems(int* current)
{
    int index = -1;
    try {
        index = printer().printerIndex();
    } catch (const PrinterError&) {
        index = -1; // no default printer: nothing marked
    }
    if (current)
        *current = index;
    return printer().printers();
}

bool SelectPrinterFromList(int index)
{
    const QStringList items = printer().printers();
    if (index < 0 || index >= items.size())
        return false;
    return printer().SelectPrinterDevice(items[index], QStringLiteral("WINSPOOL"), QString());
}

void ChoosePrinter()
{
    int current = -1;
    const QStringList items = PrinterChoiceItems(&current);
    const auto chosen = prompts().choose(QStringLiteral("Drucker wählen"),
                                         QStringLiteral("Bitte wählen Sie durch Doppelklick"),
                                         items, current < 0 ? 0 : current);
    if (chosen)
        SelectPrinterFromList(*chosen);
}

void AbortRunningPrintJob()
{
    if (PrintJobRunning())
        AbortPrint();
}

void RequestPrintAbort(const std::function<void(const QString&)>& setCaption)
{
    state().printAbortRequested = true;
    if (setCaption)
        setCaption(QStringLiteral("Abbruch erfolgt gleich"));
    if (PrintJobRunning())
        AbortPrint();
    if (setCaption)
        setCaption(QStringLiteral("Druckvorgang abbrechen"));
}

void ChoosePrintFont(const QString& fontName)
{
    state().print.printerFontName = fontName;
    SetPrintFontName(fontName);
    AskSavePrintFont();
}

void ChoosePrintFontTimesNewRoman()
{
    ChoosePrintFont(QStringLiteral("Times New Roman"));
}

void ChoosePrintFontArial()
{
    ChoosePrintFont(QStringLiteral("Arial"));
}

QString PrintPreviewHintText()
{
    const QString br = QStringLiteral("\n\r");
    return QStringLiteral("TIPP zur DRUCKVORSCHAU:") + br + QStringLiteral("\r")
        + QStringLiteral("Das Programm enthält für seine Druckausgaben keine eigene Vorschau.") + br
        + br
        + QStringLiteral("Es würde Ihnen die Arbeit sehr erleichtern, wenn Sie einen Druckertreiber "
                         "mit Vorschaufunktion verwenden würden.")
        + br
        + QStringLiteral("Ganz praktisch ist hier z.B. die kostenlose Version des Programms "
                         "\"FINEPRINT\", siehe Internet.")
        + br + br
        + QStringLiteral("Dann würden alle Druckaufträge zunächst als Vorschau sichtbar und können "
                         "dann (wenn man will) an den Papierdrucker weitergeleitet werden.")
        + br + br
        + QStringLiteral("Ein vom Standarddrucker abweichender Drucker kann unter Menüpunkt "
                         "\"Drucken/Einstellungen\" gewählt werden.");
}

void ShowPrintPreviewHint()
{
    showMessage(PrintPreviewHintText());
}

} // namespace hsa
