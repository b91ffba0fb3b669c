// Printer list, default printer, selection, set-up, abort and the hidden
// font menu.
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/printmenu.h"
#include "print/printsettings.h"
#include "support/printfixture.h"

using namespace hsa;

namespace {

const QString kLaser = QStringLiteral("Laser Sekretariat");
const QString kInk = QStringLiteral("Tinte Rektorat");

class Printers : public test::PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        rec.system().names = {kLaser, kInk};
        rec.system().defaultName = kLaser;
        printer().reset();
    }
    // The message of the printer error the default printer raises, or "".
    QString defaultError()
    {
        printer().reset();
        try {
            printer().device();
        } catch (const PrinterError& e) {
            return e.message();
        }
        return {};
    }
};

TEST_F(Printers, DefaultPrinterByName)
{
    const QString tooLong = QStringLiteral("\n\r\n\rDer Name des Standarddruckers ist zu lang\n\r\n\r");
    const QString none = QStringLiteral("Zur Zeit ist kein Standard-Drucker gewählt");
    struct Row { QString defaultName, error, device; bool tooLong; };
    // A name cut short names the last entry that begins with it.
    const Row rows[] = {{"tinte rektorat", "", kInk, false}, {"", none, "", false}, {"Gibt es nicht", none, "", false},
                        {"Laser", "Standarddrucker: Laser Sekretariat (Kopie)", "", true}};
    rec.system().names << QStringLiteral("Laser Sekretariat (Kopie)");
    for (const Row& r : rows) {
        rec.system().defaultName = r.defaultName;
        const QString error = defaultError();
        EXPECT_TRUE(r.tooLong ? error.startsWith(tooLong) && error.endsWith(r.error) : error == r.error)
            << r.defaultName.toStdString() << ": " << error.toStdString();
        EXPECT_EQ(state().print.printerNameTooLong, r.tooLong) << r.defaultName.toStdString();
        if (!r.device.isEmpty()) {
            EXPECT_EQ(printer().device().name(), r.device);
        }
    }
    InitPrinterDefaults();
    EXPECT_TRUE(prompt.anyTextContains(QStringLiteral("Standarddrucker: Laser Sekretariat")));
}

TEST_F(Printers, ChoosingAPrinterFromTheList)
{
    SetPrintFontName(QStringLiteral("Arial"));
    prompt.choice(1);
    ChoosePrinter();
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(prompt.shown()[0].text, QStringLiteral("Bitte wählen Sie durch Doppelklick"));
    EXPECT_EQ(prompt.shown()[0].items, (QStringList{kLaser, kInk}));
    EXPECT_EQ(printer().device().name(), kInk);
    // The canvas settings come along to the new printer.
    EXPECT_EQ(rec.system().recorder(kInk).fontName, QStringLiteral("Arial"));
    // Leaving the list changes nothing.
    prompt.cancelChoice();
    ChoosePrinter();
    int current = -1;
    EXPECT_EQ(PrinterChoiceItems(&current).size(), 2);
    EXPECT_EQ(current, 1);
}

TEST_F(Printers, AFailedSelectionKeepsThePreviousPrinter)
{
    rec.system().unavailable = {kInk};
    EXPECT_FALSE(SelectPrinterFromList(1));
    EXPECT_EQ(prompt.shown().last().kind, MsgKind::Error);
    EXPECT_TRUE(prompt.lastText().contains(QStringLiteral("bleibt eingestellt")));
    // A name the list does not hold: the guard's message, nothing changes.
    EXPECT_FALSE(printer().SelectPrinterDevice(QStringLiteral("Fax"), QStringLiteral("WINSPOOL"), {}));
    EXPECT_EQ(prompt.lastText(),
              QStringLiteral("Es wurde kein Standarddrucker gefunden(in Unit Printers)\n\r"
                             "Bitte beenden Sie das Programm und legen Sie einen Drucker als "
                             "Standarddrucker fest."));
    EXPECT_FALSE(SelectPrinterFromList(7));
    // No other printer while a job runs.
    rec.system().unavailable.clear();
    BeginPrint();
    EXPECT_FALSE(SelectPrinterFromList(1));
    PrintTextOut(250, 250, QStringLiteral("Liste"));
    EndPrint();
    EXPECT_EQ(printer().printerIndex(), 0);
    EXPECT_EQ(rec.system().recorder(kLaser).jobs.size(), 1);
    EXPECT_TRUE(SelectPrinterFromList(1));
}

TEST_F(Printers, PrinterSetUp)
{
    RunPrinterSetup();
    EXPECT_EQ(dev().setupRuns, 1);
    EXPECT_TRUE(prompt.shown().isEmpty());
    const QString refused = QStringLiteral("Änderung der Einstellungen beim aktuell gewählten Drucker derzeit "
                                           "nicht möglich.\n\rBitte wählen Sie im nächsten Menüpunkt einen anderen "
                                           "und kehren Sie dann zu diesem Menüpunkt zurück.");
    dev().setupAvailable = false;
    RunPrinterSetup();
    EXPECT_EQ(prompt.lastText(), refused);
    rec.system().defaultName.clear();
    printer().reset();
    prompt.clear();
    RunPrinterSetup();
    EXPECT_EQ(prompt.lastText(), refused);
}

TEST_F(Printers, AbortFromTheMenuAndTheButton)
{
    AbortRunningPrintJob(); // nothing running: nothing happens
    EXPECT_TRUE(dev().jobs.isEmpty());
    BeginPrint();
    AbortRunningPrintJob();
    EXPECT_TRUE(dev().lastJob().aborted);
    EXPECT_FALSE(PrintJobRunning());

    QStringList captions;
    BeginPrint();
    RequestPrintAbort([&](const QString& c) { captions.append(c); });
    EXPECT_TRUE(state().printAbortRequested);
    EXPECT_TRUE(dev().lastJob().aborted);
    EXPECT_EQ(captions, (QStringList{"Abbruch erfolgt gleich", "Druckvorgang abbrechen"}));
    // Between two students no job runs: only the loop is asked to stop.
    state().printAbortRequested = false;
    RequestPrintAbort();
    EXPECT_TRUE(state().printAbortRequested);
    EXPECT_EQ(dev().jobs.size(), 2);
}

TEST_F(Printers, HiddenFontMenu)
{
    const QByteArray saved("Arial\r\n 9.50000000000000E-0001\r\n");
    state().print.printFontStretch = 0.95;
    prompt.yes();
    ChoosePrintFontArial();
    EXPECT_EQ(prompt.lastText(), QStringLiteral("Schriftart als Voreinstellung  speichern ?"));
    EXPECT_EQ(printer().fontName(), QStringLiteral("Arial"));
    EXPECT_EQ(folder.read(QStringLiteral("schrift2.dat")), saved);
    prompt.no();
    ChoosePrintFontTimesNewRoman();
    EXPECT_EQ(state().print.printerFontName, QStringLiteral("Times New Roman"));
    EXPECT_EQ(folder.read(QStringLiteral("schrift2.dat")), saved);
}

} // namespace
