#include "print/printer.h"

#include "classes/sharedstate.h"
#include "platform/programwide.h"
#include "platform/prompt.h"
#include "print/qtprintdevice.h"

namespace hsa {

namespace {

PrinterSystem* g_system = nullptr;

const QString kNoDefaultPrinter = QStringLiteral("Zur Zeit ist kein Standard-Drucker gewählt");

QString nameTooLongText(const QString& fullName)
{
    return QStringLiteral("\n\r\n\rDer Name des Standarddruckers ist zu lang\n\r\n\r"
                          "Bitte geben Sie ihm einen kürzeren Namen. (Das lässt sich in der "
                          "Systemsteuerung unter Drucker/Druckereigenschaften erledigen.)\n\r\n\r"
                          "Standarddrucker: ")
        + fullName;
}

const QString kSelectionGuardText = QStringLiteral(
    "Es wurde kein Standarddrucker gefunden(in Unit Printers)\n\r"
    "Bitte beenden Sie das Programm und legen Sie einen Drucker als Standarddrucker fest.");

} // namespace

PrinterSystem& printerSystem()
{
    return g_system ? *g_system : platformPrinterSystem();
}

void setPrinterSystem(PrinterSystem* s)
{
    g_system = s;
    printer().reset();
}

void RaisePrinterError(const QString& message)
{
    if (message.contains(QStringLiteral("zu lang")))
        state().print.printerNameTooLong = true;
    throw PrinterError(message);
}

Printer& printer()
{
    static Printer p;
    return p;
}

namespace {
// The platform's printers again, and with them a fresh printer selection.
const ProgramWideReset resetPrinter(ResetOrder::Objects, [] { setPrinterSystem(nullptr); });
}

QStringList Printer::printers()
{
    if (!listRead_) {
        list_ = printerSystem().printerNames();
        listRead_ = true;
    }
    return list_;
}

int Printer::printerIndex()
{
    if (index_ < 0)
        SetToDefaultPrinter();
    return index_;
}

void Printer::SetToDefaultPrinter()
{
    const QString defaultName = printerSystem().defaultPrinterName().trimmed();
    if (defaultName.isEmpty())
        RaisePrinterError(kNoDefaultPrinter);
    const QString wanted = defaultName.toUpper();
    const QStringList names = printers();
    int longer = -1;
    for (int i = 0; i < names.size(); ++i) {
        const QString entry = names[i].toUpper();
        if (entry == wanted) {
            PrintDevice* dev = printerSystem().device(names[i]);
            if (!dev)
                RaisePrinterError(QStringLiteral("Der Standarddrucker \"%1\" kann zur Zeit nicht "
                                                 "verwendet werden.").arg(names[i]));
            use(i, dev);
            return;
        }
        // A name that the system reports cut short: remember the entry that
        // begins with it, so the user learns the printer's full name.
        if (entry.startsWith(wanted))
            longer = i;
    }
    if (longer >= 0)
        RaisePrinterError(nameTooLongText(names[longer]));
    RaisePrinterError(kNoDefaultPrinter);
}

bool Printer::SelectPrinterDevice(const QString& deviceName, const QString& driver,
                                  const QString& port)
{
    Q_UNUSED(driver); // the platform's printers are known by name alone
    const QStringList names = printers();
    int found = -1;
    for (int i = 0; i < names.size() && found < 0; ++i) {
        if (names[i] == deviceName
            || (!port.isEmpty() && names[i] == QStringLiteral("%1 an %2").arg(deviceName, port)))
            found = i;
    }
    if (found < 0) {
        // An entry the system does not know cannot be printed on; the
        // printer chosen before stays.
        showMessage(kSelectionGuardText);
        return false;
    }
    PrintDevice* dev = printerSystem().device(names[found]);
    if (!dev) {
        showError(QStringLiteral("Der Drucker \"%1\" kann zur Zeit nicht verwendet werden.\n\r"
                                 "Der bisher gewählte Drucker bleibt eingestellt.")
                      .arg(names[found]));
        return false;
    }
    if (printing() && dev != device_) {
        showError(QStringLiteral("Während gedruckt wird, kann kein anderer Drucker gewählt werden."));
        return false;
    }
    use(found, dev);
    return true;
}

PrintDevice& Printer::device()
{
    if (!device_)
        SetToDefaultPrinter();
    return *device_;
}

bool Printer::printing() const
{
    return device_ && device_->printing();
}

bool Printer::beginDoc()
{
    PrintDevice& dev = device();
    if (dev.printing())
        RaisePrinterError(QStringLiteral("Druckvorgang läuft"));
    dev.setLandscape(landscape_);
    bool started = false;
    try {
        started = dev.beginDoc(title);
    } catch (const PrinterError& e) {
        RaisePrinterError(e.message());
    }
    if (!started && inBatch())
        state().printAbortRequested = true;
    return started;
}

void Printer::newPage()
{
    if (device_)
        device_->newPage();
}

void Printer::endDoc()
{
    if (device_)
        device_->endDoc();
}

void Printer::abort()
{
    if (device_)
        device_->abort();
}

void Printer::beginBatch()
{
    if (batchDepth_++ == 0) {
        batchDevice_ = nullptr;
        try {
            batchDevice_ = &device();
        } catch (const PrinterError&) {
            // No printer yet: the first job reports it.
        }
    }
    if (batchDevice_)
        batchDevice_->beginBatch();
}

void Printer::endBatch()
{
    if (batchDepth_ == 0)
        return;
    PrintDevice* dev = batchDevice_;
    if (--batchDepth_ == 0)
        batchDevice_ = nullptr;
    if (dev)
        dev->endBatch(); // may raise when the PDF file cannot be finished
}

void Printer::setLandscape(bool landscape)
{
    landscape_ = landscape;
    if (device_)
        device_->setLandscape(landscape);
}

void Printer::setFontName(const QString& name)
{
    fontName_ = name;
    if (device_)
        device_->setFontName(name);
}

void Printer::setFontHeight(int height)
{
    fontHeight_ = height;
    if (device_)
        device_->setFontHeight(height);
}

void Printer::setFontBold(bool bold)
{
    bold_ = bold;
    if (device_)
        device_->setFontBold(bold);
}

void Printer::setFontItalic(bool italic)
{
    italic_ = italic;
    if (device_)
        device_->setFontItalic(italic);
}

void Printer::setFontUnderline(bool underline)
{
    underline_ = underline;
    if (device_)
        device_->setFontUnderline(underline);
}

void Printer::setPenWidth(int width)
{
    penWidth_ = width;
    if (device_)
        device_->setPenWidth(width);
}

void Printer::reset()
{
    list_.clear();
    listRead_ = false;
    index_ = -1;
    device_ = nullptr;
    batchDevice_ = nullptr;
    batchDepth_ = 0;
    landscape_ = false;
    fontName_ = QStringLiteral("Times New Roman");
    fontHeight_ = 40;
    bold_ = italic_ = underline_ = false;
    penWidth_ = 1;
}

void Printer::use(int index, PrintDevice* dev)
{
    index_ = index;
    if (dev != device_) {
        device_ = dev;
        applyCanvas(*dev);
        dev->setLandscape(landscape_);
    }
}

void Printer::applyCanvas(PrintDevice& dev)
{
    dev.setFontName(fontName_);
    dev.setFontHeight(fontHeight_);
    dev.setFontBold(bold_);
    dev.setFontItalic(italic_);
    dev.setFontUnderline(underline_);
    dev.setPenWidth(penWidth_);
}

} // namespace hsa
