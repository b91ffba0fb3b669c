#include "print/pagemodel.h"

#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/prompt.h"
#include "print/printer.h"

#include <QDir>
#include <algorithm>
#include <climits>
#include <cmath>

namespace hsa {

namespace {

QImage g_emblem;

long long truncToInt(long double v)
{
    v = std::trunc(v);
    if (v > static_cast<long double>(INT_MAX))
        return INT_MAX;
    if (v < static_cast<long double>(INT_MIN))
        return INT_MIN;
    return static_cast<long long>(v);
}

// The device to draw on, or nullptr when no printer could be chosen (the
// failed BeginPrint has told the user already).
PrintDevice* drawingDevice()
{
    return printer().hasPrinter() ? &printer().device() : nullptr;
}

} // namespace

long long TruncProduct(long double value, double factor)
{
    return truncToInt(value * static_cast<long double>(factor));
}

int MapPageX(int x)
{
    const auto& ps = state().print;
    return static_cast<int>(TruncProduct(x, ps.printScaleX) + ps.printShiftX);
}

int MapPageY(int y)
{
    const auto& ps = state().print;
    return static_cast<int>(-(TruncProduct(y, ps.printScaleY) + ps.printShiftY));
}

int FontCellHeight(double h)
{
    const auto& ps = state().print;
    const double s = ps.printScaleX < ps.printScaleY ? ps.printScaleX : ps.printScaleY;
    double divisor = state().fontFactor;
    if (!(divisor > 0.0))
        divisor = 1.0; // only positive divisors are ever taken over
    return static_cast<int>(truncToInt(static_cast<long double>(h) * s / divisor));
}

int PrintPageWidth()
{
    return state().print.printPageWidth;
}

int PrintPageHeight()
{
    return state().print.printPageHeight;
}

bool BeginPrint()
{
    auto& ps = state().print;
    bool started = false;
    try {
        Printer& p = printer();
        p.title = QStringLiteral("druck1");
        started = p.beginDoc();
        const QSizeF mm = p.device().printableSizeMM();
        ps.printPageWidth = static_cast<int>(mm.width()) * 10;
        ps.printPageHeight = static_cast<int>(mm.height()) * 10;
    } catch (const PrinterError& e) {
        showError(e.message());
        if (printer().inBatch())
            state().printAbortRequested = true;
        started = false;
    }
    ps.printScaleX = ps.printStretchX;
    ps.printScaleY = ps.printStretchY;
    return started;
}

void SetPrintFontHeight(double h)
{
    printer().setFontHeight(FontCellHeight(h));
}

void PrintMoveTo(int x, int y)
{
    if (PrintDevice* dev = drawingDevice())
        dev->moveTo(MapPageX(x), MapPageY(y));
}

void PrintLineTo(int x, int y)
{
    if (state().print.printLineWidth <= 0)
        return;
    if (PrintDevice* dev = drawingDevice())
        dev->lineTo(MapPageX(x), MapPageY(y));
}

void PrintTextOut(int x, int y, const QString& text)
{
    if (PrintDevice* dev = drawingDevice())
        dev->textOut(MapPageX(x), MapPageY(y), text);
}

void PrintTextOutWithin(int x, int y, const QString& text, int right)
{
    if (PrintDevice* dev = drawingDevice()) {
        const int left = MapPageX(x);
        dev->textOutWithin(left, MapPageY(y), text, std::max(1, MapPageX(right) - left));
    }
}

int PrintTextWidth(const QString& text)
{
    PrintDevice* dev = drawingDevice();
    if (!dev)
        return 0;
    const double scale = state().print.printScaleX;
    const int logical = dev->textWidth(text);
    return scale > 0.0 ? static_cast<int>(std::ceil(logical / scale)) : logical;
}

int PrintFontCellHeight()
{
    return printer().fontHeight();
}

void SetPrintFontCellHeight(int cellHeight)
{
    printer().setFontHeight(cellHeight);
}

LogicalRect EmblemRect(int extraShiftY)
{
    const auto& ps = state().print;
    const long double a = TruncProduct(230, ps.printScaleX)
        + static_cast<long double>(ps.printShiftX) * 24 / 21 + ps.emblemShiftX;
    const long double b = TruncProduct(25, ps.printScaleY)
        + static_cast<long double>(ps.printShiftY) * 33 / 29 + ps.emblemShiftY + extraShiftY;
    LogicalRect r;
    r.left = static_cast<int>(truncToInt(a));
    r.top = static_cast<int>(-truncToInt(b));
    const long double w = static_cast<long double>(570) * ps.emblemWidthFactor * ps.printScaleX;
    const long double h = static_cast<long double>(305) * ps.emblemHeightFactor * ps.printScaleY;
    r.right = static_cast<int>(truncToInt(truncToInt(w) + a));
    r.bottom = static_cast<int>(-truncToInt(truncToInt(h) + b));
    return r;
}

void DrawEmblem(int extraShiftY)
{
    if (state().print.emblemKind <= 0 || g_emblem.isNull())
        return;
    if (PrintDevice* dev = drawingDevice())
        dev->stretchDraw(EmblemRect(extraShiftY), g_emblem);
}

bool LoadEmblemPicture()
{
    g_emblem = QImage();
    const int kind = state().print.emblemKind;
    if (kind <= 0)
        return false;
    const QString name = kind == 1 ? QStringLiteral("bw2.wmf") : QStringLiteral("landes2.bmp");
    if (!FileExistsCI(QDir::currentPath(), name))
        return false;
    // A picture format Qt cannot read (the Windows metafile) leaves no
    // picture; the certificate is printed without it.
    QImage picture;
    if (!picture.load(FindFileCI(QDir::currentPath(), name)))
        return false;
    g_emblem = picture;
    return true;
}

const QImage& EmblemPicture()
{
    return g_emblem;
}

void ClearEmblemPicture()
{
    g_emblem = QImage();
}

void SetPrintOrientation(bool landscape)
{
    printer().setLandscape(landscape);
    state().print.printLandscape = landscape;
}

void SetPrintFontName(const QString& name)
{
    printer().setFontName(name);
}

void SetPrintFontBold(bool bold)
{
    printer().setFontBold(bold);
}

void SetPrintFontItalic(bool italic)
{
    printer().setFontItalic(italic);
}

void SetPrintFontUnderline(bool underline)
{
    printer().setFontUnderline(underline);
}

void SetPrintPenWidth(int width)
{
    printer().setPenWidth(width);
}

void PrintNewPage()
{
    printer().newPage();
}

void EndPrint()
{
    try {
        printer().endDoc();
    } catch (const PrinterError& e) {
        showError(e.message());
        if (printer().inBatch())
            state().printAbortRequested = true;
    }
}

void AbortPrint()
{
    printer().abort();
}

bool PrintJobRunning()
{
    return printer().printing();
}

PrintBatch::PrintBatch()
{
    printer().beginBatch();
}

PrintBatch::~PrintBatch()
{
    try {
        printer().endBatch();
    } catch (const PrinterError& e) {
        showError(e.message());
    }
}

} // namespace hsa
