#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// What the print settings entries of the main window's menu "Drucken" (sub-menu
// "EINSTELLUNGEN (Drucker)"), the hidden font menu and the abort button do.
// The main window calls these from its handlers.
namespace hsa {

// "Druckbild ändern : Verschieben, Strecken, Schriftgröße": the calibration
// dialog, modal.
void ShowCalibrationDialog();

// "Druckereinrichtung ( Eigenschaften )": the chosen printer's set-up dialog;
// when the printer offers none now, the hint to choose another printer first.
void RunPrinterSetup();

// "Drucker wählen (Variante 2)": the printer list with the chosen printer
// marked and "Bitte wählen Sie durch Doppelklick"; the entry chosen becomes
// the printer, leaving the list changes nothing.  A selection that fails
// keeps the printer chosen before.
void ChoosePrinter();
// The printer list and the chosen entry (-1 when none can be chosen), for a
// window that shows the list itself ...
QStringList PrinterChoiceItems(int* current);
// ... and the double click on entry index.  Returns whether the printer
// changed.
bool SelectPrinterFromList(int index);

// "Druckvorgang abbrechen": aborts the running job, when there is one.
void AbortRunningPrintJob();

// The button "Abbrechen" shown while a print loop runs: asks the loop to stop
// after the current student, aborts a running job; setCaption receives the
// button's captions in turn ("Abbruch erfolgt gleich", then
// "Druckvorgang abbrechen").
void RequestPrintAbort(const std::function<void(const QString&)>& setCaption = {});

// The hidden font menu: "Times New  Roman " and "Arial".
void ChoosePrintFont(const QString& fontName);
void ChoosePrintFontTimesNewRoman();
void ChoosePrintFontArial();

// "INFORMATION:    DRUCKVORSCHAU  EINRICHTEN".
QString PrintPreviewHintText();
void ShowPrintPreviewHint();

} // namespace hsa
