#include "print/printsettings.h"

#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/prompt.h"
#include "print/pagemodel.h"
#include "print/printer.h"

#include <QDir>
#include <cmath>
#include <cstdio>

namespace hsa {

namespace {

QString settingsPath(const QString& name)
{
    return FindFileCI(QDir::currentPath(), name);
}

bool settingsFileExists(const QString& name)
{
    return FileExistsCI(QDir::currentPath(), name);
}

} // namespace

int ClampLineWidth(int width)
{
    return width < 0 ? 0 : (width > 4 ? 4 : width);
}

bool IsValidStretch(double value)
{
    return std::isfinite(value) && value >= kMinStretch && value <= kMaxStretch;
}

void LoadPrintCalibration()
{
    if (!settingsFileExists(PrintCalibrationFile))
        return;
    QStringList lines;
    try {
        lines = ReadTextLines(settingsPath(PrintCalibrationFile));
    } catch (const FileError& e) {
        showError(e.message());
        return;
    }
    auto& ps = state().print;
    auto stretch = [&](int index, double& target) {
        if (index < lines.size()) {
            const double v = ParseDecimal(lines[index]);
            if (IsValidStretch(v))
                target = v;
        }
    };
    // A shift beyond a page's width would only move the print off the paper
    // (and overflow the coordinates it is added to).
    auto shift = [&](int index, int& target) {
        if (index < lines.size()) {
            const int v = ParseLeadingInt(lines[index]);
            if (std::abs(v) <= kMaxPrintShift)
                target = v;
        }
    };
    shift(0, ps.printShiftX);
    shift(1, ps.printShiftY);
    stretch(2, ps.printStretchX);
    stretch(3, ps.printStretchY);
    stretch(4, ps.printFontStretch);
    if (lines.size() > 5)
        ps.printLineWidth = ClampLineWidth(ParseLeadingInt(lines[5]));
}

void SavePrintCalibration(const QStringList& sixLines)
{
    WriteTextLines(settingsPath(PrintCalibrationFile), sixLines);
}

void LoadPenWidth()
{
    if (!settingsFileExists(PenWidthFile))
        return;
    try {
        const QStringList lines = ReadTextLines(settingsPath(PenWidthFile));
        if (!lines.isEmpty())
            state().print.printLineWidth = ClampLineWidth(ParseLeadingInt(lines[0]));
    } catch (const FileError& e) {
        showError(e.message());
    }
}

void LoadFontFactor()
{
    if (!settingsFileExists(FontFactorFile))
        return;
    try {
        const QStringList lines = ReadTextLines(settingsPath(FontFactorFile));
        if (lines.isEmpty())
            return;
        const double v = ParseDecimal(lines[0]);
        if (v >= kMinFontFactor && v <= kMaxFontFactor)
            state().fontFactor = v;
    } catch (const FileError& e) {
        showError(e.message());
    }
}

void LoadPrintFontName()
{
    if (!settingsFileExists(PrintFontFile))
        return;
    try {
        const QString name = ReadFirstLine(settingsPath(PrintFontFile)).trimmed();
        if (!name.isEmpty())
            state().print.printerFontName = name;
    } catch (const FileError& e) {
        showError(e.message());
    }
}

QString FormatLongReal(double value)
{
    if (!std::isfinite(value))
        value = 0.0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14E", std::fabs(value));
    // "9.50000000000000E-01": mantissa, then the exponent widened to four digits.
    const QString text = QString::fromLatin1(buf);
    const int e = static_cast<int>(text.indexOf(QLatin1Char('E')));
    const QString mantissa = text.left(e);
    const int exponent = text.mid(e + 1).toInt();
    QString out = (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + mantissa
        + QStringLiteral("E") + (exponent < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        + QStringLiteral("%1").arg(std::abs(exponent), 4, 10, QLatin1Char('0'));
    return out.rightJustified(23, QLatin1Char(' '));
}

void SavePrintFont()
{
    const auto& ps = state().print;
    WriteTextLines(settingsPath(PrintFontFile),
                   {ps.printerFontName, FormatLongReal(ps.printFontStretch)});
}

void AskSavePrintFont()
{
    if (askYesNo(QStringLiteral("Schriftart als Voreinstellung  speichern ?")))
        SavePrintFont();
}

void ApplyPrintSettingsForClassList()
{
    auto& ps = state().print;
    ps.printStretchX = 1.0;
    ps.printStretchY = 1.0;
    LoadPrintCalibration();
    LoadPenWidth();
    SetPrintOrientation(false);
    try {
        const QSize pixels = printer().device().printableSizePixels();
        ps.printScaleX = pixels.height() / 3200.0 * ps.printStretchX;
        ps.printScaleY = pixels.width() / 2368.0 * ps.printStretchY;
        if (pixels.width() != 2368)
            ps.printScaleY = ps.printScaleY * 0.98;
    } catch (const PrinterError& e) {
        showError(e.message());
    }
}

void PreparePrintSettingsForClassList()
{
    ApplyPrintSettingsForClassList();
    auto& ps = state().print;
    if (!ps.printFontFileRead) {
        ps.printFontFileRead = true;
        LoadPrintFontName();
    }
}

void InitPrinterDefaults()
{
    Printer& p = printer();
    p.title = QStringLiteral("druck1");
    try {
        p.device();
    } catch (const PrinterError& e) {
        showError(e.message());
    }
}

} // namespace hsa
