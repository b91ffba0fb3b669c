// The page model's arithmetic (mapping, font cell heights, emblem rectangle)
// with several calibrations, checked on the recording device; the printer
// list, default printer, selection, set-up, abort and the hidden font menu.
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/printmenu.h"
#include "print/printsettings.h"
#include "support/printfixture.h"

#include <QImage>

using namespace hsa;

namespace {

class PageModel : public test::PrintTest {
protected:
    void calibrate(int shiftX, int shiftY, double stretchX, double stretchY)
    {
        auto& ps = state().print;
        std::tie(ps.printShiftX, ps.printShiftY, ps.printStretchX, ps.printStretchY) =
            std::tuple(shiftX, shiftY, stretchX, stretchY);
    }
};

TEST_F(PageModel, BeginPrintTakesStretchesAndPageSize)
{
    calibrate(0, 0, 1.02, 0.97);
    state().print.printScaleX = 4.2; // left by the class-list preparation
    ASSERT_TRUE(BeginPrint());
    const auto& ps = state().print;
    EXPECT_EQ(std::tuple(ps.printScaleX, ps.printScaleY, ps.printPageWidth, ps.printPageHeight),
              std::tuple(1.02, 0.97, 2000, 2870));
    EndPrint();
    EXPECT_FALSE(PrintJobRunning());
    // Landscape swaps the printable size; whole millimetres count.
    SetPrintOrientation(true);
    dev().printableMM = QSizeF(203.7, 290.2);
    ASSERT_TRUE(BeginPrint());
    EXPECT_EQ(std::pair(ps.printPageWidth, ps.printPageHeight), std::pair(2900, 2030));
    EndPrint();
}

// Products are cut toward zero, also below zero, and in extended precision:
// 0.95 is stored a little below 0.95, so 2000 x 0.95 stays below 1900.
TEST_F(PageModel, MappingWithShiftAndStretch)
{
    struct Row { int shiftX, shiftY; double stretch; int page, x, y; };
    const Row rows[] = {{15, 0, 1.0, 100, 115, -100},   {7, -12, 0.5, 201, 107, -(100 - 12)},
                        {7, -12, 0.5, -1, 7, 12},       {7, -12, 0.5, -3, 6, -(-1 - 12)},
                        {0, 3, 0.95, 2000, 1899, -(1899 + 3)}, {0, 0, 0.9, 1900, 1710, -1710}};
    for (const Row& r : rows) {
        calibrate(r.shiftX, r.shiftY, r.stretch, r.stretch);
        BeginPrint();
        EXPECT_EQ(QPoint(MapPageX(r.page), MapPageY(r.page)), QPoint(r.x, r.y)) << r.page << " x " << r.stretch;
        PrintTextOut(r.page, r.page, QStringLiteral("T"));
        EndPrint();
        const auto text = dev().lastJob().findText(QStringLiteral("T"));
        EXPECT_EQ(QPoint(text->x, text->y), QPoint(r.x, r.y)) << "device, " << r.page;
    }
    EXPECT_EQ(TruncProduct(-2000, 0.95), -1899);
}

TEST_F(PageModel, FontCellHeights)
{
    struct Row { double scaleX, scaleY, factor, nominal; int height; };
    // The smaller scale counts, whichever axis it belongs to; a 120-dpi
    // screen's divisor makes every font smaller; cells are cut.
    const Row rows[] = {{1.0, 0.95, 1.0, 40 * 0.95, 36}, {0.9, 1.1, 1.0, 40, 36}, {1.1, 0.9, 1.0, 40, 36},
                        {1.0, 1.0, 1.25, 50, 40},        {1.0, 1.0, 1.25, 48, 38}};
    BeginPrint();
    for (const Row& r : rows) {
        std::tie(state().print.printScaleX, state().print.printScaleY, state().fontFactor) =
            std::tuple(r.scaleX, r.scaleY, r.factor);
        SetPrintFontHeight(r.nominal);
        EXPECT_EQ(dev().fontHeight, r.height) << r.scaleX << " " << r.scaleY << " " << r.nominal;
    }
    PrintTextOut(250, 250, QStringLiteral("Kopf"));
    EndPrint();
    EXPECT_EQ(dev().lastJob().findText(QStringLiteral("Kopf"))->fontHeight, 38);
}

TEST_F(PageModel, LineWidthZeroLeavesOutLinesAndKeepsThePosition)
{
    state().print.printLineWidth = 0;
    BeginPrint();
    PrintMoveTo(10, 20);
    PrintLineTo(30, 40);
    EXPECT_EQ(QPoint(dev().penX, dev().penY), QPoint(10, -20));
    state().print.printLineWidth = 2;
    SetPrintPenWidth(2);
    PrintLineTo(50, 20);
    EndPrint();
    const auto lines = dev().lastJob().lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(std::tuple(lines[0].x1, lines[0].y1, lines[0].x2, lines[0].y2, lines[0].penWidth),
              std::tuple(10, -20, 50, -20, 2));
}

TEST_F(PageModel, EmblemRectangleFollowsTheCalibration)
{
    struct Row { int shiftX, shiftY, emblemX, emblemY, down; double stretchX, stretchY, widthFactor, heightFactor;
                 LogicalRect rect; };
    const Row rows[] = {
        {0, 0, 0, 0, 0, 1.0, 1.0, 1.0, 1.0, {230, -25, 800, -330}},
        // a = 218 + 24, b = 22 + 33; 570 x 0.95 = 541.5 and 305 x 0.9 = 274.5 are cut.
        {21, 29, 0, 0, 0, 0.95, 0.9, 1.0, 1.0, {242, -55, 783, -329}},
        // Fractions of the shift terms stay in a and b until the edges are cut:
        // a = 218 + 11.43 + 5, b = 22 + 11.38 - 3, right = Trunc(595 + a).
        {10, 10, 5, -3, 0, 0.95, 0.9, 1.1, 0.8, {234, -30, 829, -249}},
        // The certificates of external candidates move it down.
        {10, 10, 5, -3, 100, 0.95, 0.9, 1.1, 0.8, {234, -130, 829, -349}},
    };
    auto& ps = state().print;
    for (const Row& r : rows) {
        calibrate(r.shiftX, r.shiftY, r.stretchX, r.stretchY);
        std::tie(ps.emblemShiftX, ps.emblemShiftY, ps.emblemWidthFactor, ps.emblemHeightFactor) =
            std::tuple(r.emblemX, r.emblemY, r.widthFactor, r.heightFactor);
        BeginPrint();
        EXPECT_EQ(EmblemRect(r.down), r.rect) << r.shiftX << " " << r.down;
        EndPrint();
    }
}

// The drawn emblem is shown by the certificates; here the picture files.
TEST_F(PageModel, EmblemPictureFilesFoundIgnoringCaseOrLeftOut)
{
    ClearEmblemPicture();
    EXPECT_FALSE(LoadEmblemPicture()); // landes2.bmp missing
    QImage picture(57, 31, QImage::Format_RGB32);
    ASSERT_TRUE(picture.save(folder.file(QStringLiteral("Landes2.BMP")), "BMP"));
    ASSERT_TRUE(LoadEmblemPicture());
    EXPECT_EQ(EmblemPicture().size(), QSize(57, 31));
    // Kind 1 wants the metafile, and one that cannot be read leaves no picture.
    state().print.emblemKind = 1;
    folder.write(QStringLiteral("bw2.wmf"), QByteArray("\xD7\xCD\xC6\x9A kaputt", 11));
    EXPECT_FALSE(LoadEmblemPicture());
    EXPECT_TRUE(EmblemPicture().isNull());
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(PageModel, AFailingPrinterIsReportedAndStopsTheLoop)
{
    dev().failOnBegin = true;
    {
        PrintBatch batch;
        EXPECT_FALSE(BeginPrint());
        PrintTextOut(250, 250, QStringLiteral("nichts"));
        EndPrint();
    }
    EXPECT_TRUE(prompt.anyTextContains(QStringLiteral("nicht bereit")));
    EXPECT_EQ(std::tuple(state().printAbortRequested, dev().jobs.size(), dev().batchesEnded), std::tuple(true, 0, 1));
}

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

TEST_F(Printers, AFailedSelectionKeepsThePreviousPrinter)
{
    rec.system().unavailable = {kInk};
    EXPECT_FALSE(SelectPrinterFromList(1));
    EXPECT_TRUE(prompt.shown().last().kind == MsgKind::Error && prompt.lastText().contains("bleibt eingestellt"));
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
    EXPECT_EQ(std::pair(printer().printerIndex(), rec.system().recorder(kLaser).jobs.size()),
              std::pair(0, qsizetype(1)));
    EXPECT_TRUE(SelectPrinterFromList(1));
}

// The list names every printer; the canvas settings come along to the one
// chosen, and leaving the list changes nothing.
TEST_F(Printers, ChoosingAPrinterFromTheList)
{
    SetPrintFontName(QStringLiteral("Arial"));
    prompt.choice(1);
    ChoosePrinter();
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_EQ(std::tuple(prompt.shown()[0].text, prompt.shown()[0].items, printer().device().name()),
              std::tuple(QStringLiteral("Bitte wählen Sie durch Doppelklick"), QStringList{kLaser, kInk}, kInk));
    EXPECT_EQ(rec.system().recorder(kInk).fontName, QStringLiteral("Arial"));
    prompt.cancelChoice();
    ChoosePrinter();
    int current = -1;
    EXPECT_EQ(std::pair(PrinterChoiceItems(&current).size(), current), std::pair(qsizetype(2), 1));
}

// The hidden font menu: "schrift2.dat" is written only when the user says so.
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

TEST_F(Printers, PrinterSetUp)
{
    RunPrinterSetup();
    EXPECT_EQ(std::pair(dev().setupRuns, prompt.shown().size()), std::pair(1, qsizetype(0)));
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
    BeginPrint();
    AbortRunningPrintJob();
    EXPECT_EQ(std::tuple(dev().jobs.size(), dev().lastJob().aborted, PrintJobRunning()), std::tuple(1, true, false));
    QStringList captions;
    BeginPrint();
    RequestPrintAbort([&](const QString& c) { captions.append(c); });
    EXPECT_TRUE(state().printAbortRequested && dev().lastJob().aborted);
    EXPECT_EQ(captions, (QStringList{"Abbruch erfolgt gleich", "Druckvorgang abbrechen"}));
    // Between two students no job runs: only the loop is asked to stop.
    state().printAbortRequested = false;
    RequestPrintAbort();
    EXPECT_TRUE(state().printAbortRequested);
    EXPECT_EQ(dev().jobs.size(), 2);
}

} // namespace
