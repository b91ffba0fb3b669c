// Printer list, default printer, selection, set-up, abort, the hidden font
// menu and the preview hint.
#include "classes/sharedstate.h"
#include "platform/scriptedprompt.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/printmenu.h"
#include "print/printsettings.h"
#include "print/qtprintdevice.h"
#include "print/recordingdevice.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

using namespace hsa;

namespace {

const QString kLaser = QStringLiteral("Laser Sekretariat");
const QString kInk = QStringLiteral("Tinte Rektorat");

class Printers : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }

    test::TempProgramFolder folder;
    ScopedRecordingPrinter rec{{kLaser, kInk}, kLaser};
    ScriptedPrompt prompt;
    ScopedPrompt guard{prompt};
};

TEST_F(Printers, DefaultPrinterIsFoundIgnoringCase)
{
    rec.system().defaultName = QStringLiteral("tinte rektorat");
    EXPECT_EQ(printer().printers(), (QStringList{kLaser, kInk}));
    EXPECT_EQ(printer().printerIndex(), 1);
    EXPECT_EQ(printer().device().name(), kInk);
}

TEST_F(Printers, DefaultNameCutShortNamesTheFullPrinter)
{
    rec.system().names = {QStringLiteral("HP LaserJet 4250 Sekretariat"), kInk,
                          QStringLiteral("HP LaserJet 4250 Sekretariat (Kopie)")};
    rec.system().defaultName = QStringLiteral("HP LaserJet 4250");
    try {
        printer().printerIndex();
        FAIL() << "no error raised";
    } catch (const PrinterError& e) {
        EXPECT_TRUE(e.message().startsWith(
            QStringLiteral("\n\r\n\rDer Name des Standarddruckers ist zu lang\n\r\n\r")));
        // The last entry that begins with the cut name is the one reported.
        EXPECT_TRUE(e.message().endsWith(
            QStringLiteral("Standarddrucker: HP LaserJet 4250 Sekretariat (Kopie)")));
    }
    EXPECT_TRUE(state().print.printerNameTooLong);
    EXPECT_FALSE(printer().hasPrinter());
}

TEST_F(Printers, NoDefaultPrinter)
{
    for (const QString& name : {QString(), QStringLiteral("Gibt es nicht")}) {
        rec.system().defaultName = name;
        printer().reset();
        try {
            printer().device();
            FAIL() << "no error raised";
        } catch (const PrinterError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Zur Zeit ist kein Standard-Drucker gewählt"));
        }
    }
    EXPECT_FALSE(state().print.printerNameTooLong);
}

TEST_F(Printers, StartUpDefaultsReportAPrinterNameTooLong)
{
    rec.system().defaultName = QStringLiteral("Laser");
    InitPrinterDefaults();
    EXPECT_TRUE(state().print.printerNameTooLong);
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
    EXPECT_EQ(printer().printerIndex(), 1);
    EXPECT_EQ(printer().device().name(), kInk);
    // The canvas settings come along to the new printer.
    EXPECT_EQ(rec.system().recorder(kInk).fontName, QStringLiteral("Arial"));

    // Leaving the list changes nothing.
    prompt.cancelChoice();
    ChoosePrinter();
    EXPECT_EQ(printer().printerIndex(), 1);

    int current = -1;
    EXPECT_EQ(PrinterChoiceItems(&current).size(), 2);
    EXPECT_EQ(current, 1);
}

TEST_F(Printers, AFailedSelectionKeepsThePreviousPrinter)
{
    EXPECT_EQ(printer().printerIndex(), 0);
    rec.system().unavailable = {kInk};
    EXPECT_FALSE(SelectPrinterFromList(1));
    EXPECT_EQ(printer().printerIndex(), 0);
    EXPECT_EQ(printer().device().name(), kLaser);
    EXPECT_EQ(prompt.shown().last().kind, MsgKind::Error);
    EXPECT_TRUE(prompt.lastText().contains(QStringLiteral("bleibt eingestellt")));

    // A name the list does not hold: the guard's message, nothing changes.
    prompt.clear();
    EXPECT_FALSE(printer().SelectPrinterDevice(QStringLiteral("Fax"), QStringLiteral("WINSPOOL"), {}));
    EXPECT_EQ(prompt.lastText(),
              QStringLiteral("Es wurde kein Standarddrucker gefunden(in Unit Printers)\n\r"
                             "Bitte beenden Sie das Programm und legen Sie einen Drucker als "
                             "Standarddrucker fest."));
    EXPECT_EQ(printer().printerIndex(), 0);
    EXPECT_FALSE(SelectPrinterFromList(7));
    EXPECT_EQ(printer().printerIndex(), 0);

    // Printing goes on on the previous printer.
    BeginPrint();
    PrintTextOut(250, 250, QStringLiteral("Liste"));
    EndPrint();
    EXPECT_EQ(rec.system().recorder(kLaser).jobs.size(), 1);
}

TEST_F(Printers, NoOtherPrinterWhileAJobRuns)
{
    BeginPrint();
    EXPECT_FALSE(SelectPrinterFromList(1));
    EXPECT_EQ(printer().device().name(), kLaser);
    EndPrint();
    EXPECT_TRUE(SelectPrinterFromList(1));
}

TEST_F(Printers, PrinterSetUp)
{
    RunPrinterSetup();
    EXPECT_EQ(rec.device().setupRuns, 1);
    EXPECT_TRUE(prompt.shown().isEmpty());
    rec.device().setupAvailable = false;
    RunPrinterSetup();
    EXPECT_EQ(prompt.lastText(),
              QStringLiteral("Änderung der Einstellungen beim aktuell gewählten Drucker derzeit "
                             "nicht möglich.\n\rBitte wählen Sie im nächsten Menüpunkt einen anderen "
                             "und kehren Sie dann zu diesem Menüpunkt zurück."));
    rec.system().defaultName.clear();
    printer().reset();
    prompt.clear();
    RunPrinterSetup();
    EXPECT_TRUE(prompt.lastText().startsWith(QStringLiteral("Änderung der Einstellungen")));
}

TEST_F(Printers, AbortFromTheMenuAndTheButton)
{
    AbortRunningPrintJob(); // nothing running: nothing happens
    EXPECT_TRUE(rec.device().jobs.isEmpty());

    BeginPrint();
    PrintTextOut(250, 250, QStringLiteral("halb"));
    AbortRunningPrintJob();
    EXPECT_TRUE(rec.device().lastJob().aborted);
    EXPECT_FALSE(PrintJobRunning());

    QStringList captions;
    BeginPrint();
    RequestPrintAbort([&](const QString& c) { captions.append(c); });
    EXPECT_TRUE(state().printAbortRequested);
    EXPECT_TRUE(rec.device().lastJob().aborted);
    EXPECT_EQ(captions, (QStringList{"Abbruch erfolgt gleich", "Druckvorgang abbrechen"}));

    // Between two students no job runs: only the loop is asked to stop.
    state().printAbortRequested = false;
    RequestPrintAbort();
    EXPECT_TRUE(state().printAbortRequested);
    EXPECT_EQ(rec.device().jobs.size(), 2);
}

TEST_F(Printers, HiddenFontMenu)
{
    state().print.printFontStretch = 0.95;
    prompt.yes();
    ChoosePrintFontArial();
    EXPECT_EQ(prompt.lastText(), QStringLiteral("Schriftart als Voreinstellung  speichern ?"));
    EXPECT_EQ(state().print.printerFontName, QStringLiteral("Arial"));
    EXPECT_EQ(printer().fontName(), QStringLiteral("Arial"));
    EXPECT_EQ(folder.read(QStringLiteral("schrift2.dat")),
              QByteArray("Arial\r\n 9.50000000000000E-0001\r\n"));

    prompt.no();
    ChoosePrintFontTimesNewRoman();
    EXPECT_EQ(state().print.printerFontName, QStringLiteral("Times New Roman"));
    EXPECT_EQ(folder.read(QStringLiteral("schrift2.dat")),
              QByteArray("Arial\r\n 9.50000000000000E-0001\r\n"));
}

TEST_F(Printers, PreviewHint)
{
    ShowPrintPreviewHint();
    const QString text = prompt.lastText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("TIPP zur DRUCKVORSCHAU:\n\r\r")));
    EXPECT_TRUE(text.contains(QStringLiteral(
        "Ganz praktisch ist hier z.B. die kostenlose Version des Programms \"FINEPRINT\", siehe Internet.")));
    EXPECT_TRUE(text.endsWith(QStringLiteral(
        "Ein vom Standarddrucker abweichender Drucker kann unter Menüpunkt "
        "\"Drucken/Einstellungen\" gewählt werden.")));
    EXPECT_EQ(text.count(QStringLiteral("\n\r\n\r")), 3); // empty lines before paragraphs 2 to 4
}

TEST_F(Printers, PlatformListOffersPdf)
{
    QtPrinterSystem system;
    const QStringList names = system.printerNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.last(), PdfPrinterName());
    EXPECT_FALSE(system.defaultPrinterName().isEmpty());
    ASSERT_NE(system.device(PdfPrinterName()), nullptr);
    EXPECT_TRUE(system.device(PdfPrinterName())->isPdf());
    EXPECT_EQ(system.device(QStringLiteral("Kein solcher Drucker")), nullptr);
    // A4 less 5 mm margins.
    const QSizeF mm = system.device(PdfPrinterName())->printableSizeMM();
    EXPECT_NEAR(mm.width(), 200.0, 0.01);
    EXPECT_NEAR(mm.height(), 287.0, 0.01);
}

} // namespace
