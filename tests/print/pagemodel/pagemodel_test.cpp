// The page model's arithmetic (mapping, font cell heights, emblem rectangle)
// with several calibrations, checked on the recording device.
#include "classes/sharedstate.h"
#include "platform/scriptedprompt.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/recordingdevice.h"
#include "support/tempfolder.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

using namespace hsa;

namespace {

class PageModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetState();
        ClearEmblemPicture();
    }
    void TearDown() override { ClearEmblemPicture(); }

    void calibrate(int shiftX, int shiftY, double stretchX, double stretchY)
    {
        auto& ps = state().print;
        ps.printShiftX = shiftX;
        ps.printShiftY = shiftY;
        ps.printStretchX = stretchX;
        ps.printStretchY = stretchY;
    }

    ScopedRecordingPrinter rec;
    ScriptedPrompt prompt;
    ScopedPrompt guard{prompt};
};

TEST_F(PageModel, BeginPrintTakesStretchesAndPageSize)
{
    calibrate(0, 0, 1.02, 0.97);
    state().print.printScaleX = 4.2; // left by the class-list preparation
    ASSERT_TRUE(BeginPrint());
    const auto& ps = state().print;
    EXPECT_EQ(ps.printScaleX, 1.02);
    EXPECT_EQ(ps.printScaleY, 0.97);
    EXPECT_EQ(ps.printPageWidth, 2000);
    EXPECT_EQ(ps.printPageHeight, 2870);
    EXPECT_TRUE(PrintJobRunning());
    EndPrint();
    ASSERT_EQ(rec.device().jobs.size(), 1);
    EXPECT_EQ(rec.device().lastJob().title, QStringLiteral("druck1"));
    EXPECT_TRUE(rec.device().lastJob().ended);
    EXPECT_FALSE(PrintJobRunning());

    // Landscape swaps the printable size; the job carries the orientation.
    SetPrintOrientation(true);
    EXPECT_TRUE(state().print.printLandscape);
    rec.device().printableMM = QSizeF(203.7, 290.2); // whole millimetres count
    ASSERT_TRUE(BeginPrint());
    EXPECT_EQ(ps.printPageWidth, 2900);
    EXPECT_EQ(ps.printPageHeight, 2030);
    EndPrint();
    EXPECT_TRUE(rec.device().lastJob().landscape);
}

// Products are cut toward zero, also below zero, and in extended precision:
// 0.95 is stored a little below 0.95, so 2000 x 0.95 stays below 1900.
TEST_F(PageModel, MappingWithShiftAndStretch)
{
    struct Row {
        int shiftX, shiftY;
        double stretch;
        int page, x, y;
    };
    const Row rows[] = {{15, 0, 1.0, 100, 115, -100},   {7, -12, 0.5, 201, 107, -(100 - 12)},
                        {7, -12, 0.5, -1, 7, 12},       {7, -12, 0.5, -3, 6, -(-1 - 12)},
                        {0, 3, 0.95, 2000, 1899, -(1899 + 3)}, {0, 0, 0.9, 1900, 1710, -1710}};
    for (const Row& r : rows) {
        calibrate(r.shiftX, r.shiftY, r.stretch, r.stretch);
        BeginPrint();
        EXPECT_EQ(MapPageX(r.page), r.x) << r.page << " x " << r.stretch;
        EXPECT_EQ(MapPageY(r.page), r.y) << r.page << " x " << r.stretch;
        EndPrint();
    }
    EXPECT_EQ(TruncProduct(-2000, 0.95), -1899);
    // The device receives the mapped point.
    calibrate(15, 0, 1.0, 1.0);
    BeginPrint();
    PrintTextOut(100, 200, QStringLiteral("Text"));
    EndPrint();
    const auto text = rec.device().lastJob().findText(QStringLiteral("Text"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->x, 115);
    EXPECT_EQ(text->y, -200);
}

TEST_F(PageModel, FontCellHeights)
{
    // Stretches 1.0 and 0.95, divisor 1.0, caller passing 40 x 0.95.
    calibrate(0, 0, 1.0, 0.95);
    state().fontFactor = 1.0;
    BeginPrint();
    SetPrintFontHeight(40 * 0.95);
    EXPECT_EQ(rec.device().fontHeight, 36);
    // The smaller scale counts, whichever axis it belongs to.
    state().print.printScaleX = 0.9;
    state().print.printScaleY = 1.1;
    SetPrintFontHeight(40);
    EXPECT_EQ(rec.device().fontHeight, 36);
    // A 120-dpi screen's divisor makes every font smaller.
    state().print.printScaleX = 1.0;
    state().print.printScaleY = 1.0;
    state().fontFactor = 1.25;
    SetPrintFontHeight(50);
    EXPECT_EQ(rec.device().fontHeight, 40);
    SetPrintFontHeight(48);
    EXPECT_EQ(rec.device().fontHeight, 38); // 38.4 cut
    PrintTextOut(250, 250, QStringLiteral("Kopf"));
    EndPrint();
    EXPECT_EQ(rec.device().lastJob().findText(QStringLiteral("Kopf"))->fontHeight, 38);
}

TEST_F(PageModel, LineWidthZeroLeavesOutLinesAndKeepsThePosition)
{
    state().print.printLineWidth = 0;
    BeginPrint();
    PrintMoveTo(10, 20);
    PrintLineTo(30, 40);
    EXPECT_EQ(rec.device().penX, 10);
    EXPECT_EQ(rec.device().penY, -20);
    state().print.printLineWidth = 2;
    SetPrintPenWidth(2);
    PrintLineTo(50, 20);
    EndPrint();
    const auto lines = rec.device().lastJob().lines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].x1, 10);
    EXPECT_EQ(lines[0].y1, -20);
    EXPECT_EQ(lines[0].x2, 50);
    EXPECT_EQ(lines[0].y2, -20);
    EXPECT_EQ(lines[0].penWidth, 2);
}

TEST_F(PageModel, EmblemRectangleFollowsTheCalibration)
{
    auto& ps = state().print;
    calibrate(0, 0, 1.0, 1.0);
    BeginPrint();
    EXPECT_EQ(EmblemRect(), (LogicalRect{230, -25, 800, -330}));
    EndPrint();

    calibrate(21, 29, 0.95, 0.9);
    BeginPrint();
    // a = 218 + 24, b = 22 + 33; 570 x 0.95 = 541.5 and 305 x 0.9 = 274.5 are cut.
    EXPECT_EQ(EmblemRect(), (LogicalRect{242, -55, 783, -329}));
    EndPrint();

    // Fractions of the shift terms stay in a and b until the edges are cut.
    calibrate(10, 10, 0.95, 0.9);
    ps.emblemShiftX = 5;
    ps.emblemShiftY = -3;
    ps.emblemWidthFactor = 1.1;
    ps.emblemHeightFactor = 0.8;
    BeginPrint();
    // a = 218 + 11.43 + 5 = 234.43; b = 22 + 11.38 - 3 = 30.38
    // right = Trunc(Trunc(570 * 1.1 * 0.95) + a) = Trunc(595 + 234.43)
    // bottom = -Trunc(Trunc(305 * 0.8 * 0.9) + b) = -Trunc(219 + 30.38)
    EXPECT_EQ(EmblemRect(), (LogicalRect{234, -30, 829, -249}));
    // The certificates of external candidates move it down.
    EXPECT_EQ(EmblemRect(100), (LogicalRect{234, -130, 829, -349}));
    EndPrint();
}

TEST_F(PageModel, EmblemIsDrawnOnlyWithAPicture)
{
    test::TempProgramFolder folder;
    BeginPrint();
    DrawEmblem(); // no picture loaded: nothing, quietly
    EndPrint();
    EXPECT_TRUE(rec.device().lastJob().ops.isEmpty() == false);
    for (const PrintOp& op : rec.device().lastJob().ops)
        EXPECT_NE(op.kind, PrintOp::StretchDraw);

    EXPECT_FALSE(LoadEmblemPicture()); // landes2.bmp missing
    QImage picture(57, 31, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(folder.file(QStringLiteral("Landes2.BMP")), "BMP"));
    ASSERT_TRUE(LoadEmblemPicture());
    BeginPrint();
    DrawEmblem();
    EndPrint();
    bool drawn = false;
    for (const PrintOp& op : rec.device().lastJob().ops) {
        if (op.kind == PrintOp::StretchDraw) {
            drawn = true;
            EXPECT_EQ(op.rect, (LogicalRect{230, -25, 800, -330}));
            EXPECT_EQ(op.pictureSize, QSize(57, 31));
        }
    }
    EXPECT_TRUE(drawn);

    // Kind 0 draws nothing even with a picture.
    state().print.emblemKind = 0;
    BeginPrint();
    DrawEmblem();
    EndPrint();
    for (const PrintOp& op : rec.device().lastJob().ops)
        EXPECT_NE(op.kind, PrintOp::StretchDraw);
    EXPECT_FALSE(LoadEmblemPicture());

    // Kind 1 wants the metafile; one that cannot be read leaves no picture.
    state().print.emblemKind = 1;
    folder.write(QStringLiteral("bw2.wmf"), QByteArray("\xD7\xCD\xC6\x9A kaputt", 11));
    EXPECT_FALSE(LoadEmblemPicture());
    EXPECT_TRUE(EmblemPicture().isNull());
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(PageModel, CanvasSettingsReachTheJob)
{
    SetPrintFontName(QStringLiteral("Arial"));
    SetPrintFontBold(true);
    SetPrintFontUnderline(true);
    BeginPrint();
    SetPrintFontHeight(58);
    PrintTextOut(250, 1520, QStringLiteral("Anmeldung"));
    SetPrintFontBold(false);
    SetPrintFontUnderline(false);
    SetPrintFontItalic(true);
    PrintTextOut(250, 1600, QStringLiteral("Hinweis"));
    PrintNewPage();
    PrintTextOut(250, 200, QStringLiteral("Seite2"));
    EndPrint();
    const auto texts = rec.device().lastJob().texts();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts[0].fontName, QStringLiteral("Arial"));
    EXPECT_TRUE(texts[0].bold);
    EXPECT_TRUE(texts[0].underline);
    EXPECT_EQ(texts[0].fontHeight, 58);
    EXPECT_FALSE(texts[1].bold);
    EXPECT_TRUE(texts[1].italic);
    EXPECT_EQ(texts[2].page, 1);
    EXPECT_EQ(rec.device().lastJob().pages, 2);
}

TEST_F(PageModel, AFailingPrinterIsReportedAndStopsTheLoop)
{
    rec.device().failOnBegin = true;
    {
        PrintBatch batch;
        EXPECT_FALSE(BeginPrint());
        PrintTextOut(250, 250, QStringLiteral("nichts"));
        EndPrint();
    }
    EXPECT_TRUE(state().printAbortRequested);
    EXPECT_TRUE(prompt.anyTextContains(QStringLiteral("nicht bereit")));
    EXPECT_TRUE(rec.device().jobs.isEmpty());
    EXPECT_EQ(rec.device().batchesEnded, 1);
}

TEST_F(PageModel, NoDefaultPrinterIsReportedByBeginPrint)
{
    rec.system().defaultName.clear();
    EXPECT_FALSE(BeginPrint());
    PrintTextOut(250, 250, QStringLiteral("nichts"));
    PrintLineTo(300, 300);
    EndPrint();
    EXPECT_EQ(prompt.lastText(), QStringLiteral("Zur Zeit ist kein Standard-Drucker gewählt"));
    EXPECT_FALSE(state().print.printerNameTooLong);
}

} // namespace
