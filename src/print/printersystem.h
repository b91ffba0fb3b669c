#pragma once
#include "print/printdevice.h"

#include <QString>
#include <QStringList>

// The printers the operating system offers (the spooler).  The program asks it
// for the printer list, the default printer and the device of one printer.
namespace hsa {

class PrinterSystem {
public:
    virtual ~PrinterSystem() = default;

    // Texts of the printer list, in list order.
    virtual QStringList printerNames() = 0;
    // The default printer's name as the system reports it; may be cut short or
    // name no printer of the list.  Empty when no default printer is set.
    virtual QString defaultPrinterName() = 0;
    // The device of the printer whose list text is name, or nullptr when it
    // cannot be opened.  The system owns the device and keeps it, with its
    // set-up, for the whole run.
    virtual PrintDevice* device(const QString& name) = 0;
};

// The system in use: the platform's printers unless a test installed another.
PrinterSystem& printerSystem();
// Installs s (not owned); nullptr restores the platform's.  Resets the
// printer selection, so the next use asks the new system for its default.
void setPrinterSystem(PrinterSystem* s);

// Name of the PDF entry the platform's printer list offers as a printer.
QString PdfPrinterName();

} // namespace hsa
