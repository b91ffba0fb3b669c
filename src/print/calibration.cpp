#include "print/calibration.h"

#include "platform/screen.h"

#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/prompt.h"
#include "print/printsettings.h"

#include <QDir>
#include <QLocale>
#include <cmath>

namespace hsa {

namespace {

struct RowText {
    const char* art;
    const char* standard;
};

const RowText kRowTexts[7] = {
    {"Art", "Standard"},
    {"Verschiebung nach rechts in Zehntelmillimeter", "0"},
    {"Verschiebung nach unten in Zehntelmillimeter", "0"},
    {"Streckfaktor Gesamtausdruck nach rechts", "1"},
    {"Streckfaktor Gesamtausdruck nach unten", "0.95"},
    {"Streckfaktor für die Schriftgröße", "0.95"},
    {"Strichstärke für die Linien (0-4)", "2"},
};

} // namespace

QString CalibrationForm::caption()
{
    return QStringLiteral("Feinjustierung für die Druckausgabe");
}

QString CalibrationForm::buttonCaption()
{
    return QStringLiteral("Zurück  (Speichern / Nicht speichern)");
}

QString CalibrationForm::cell(int column, int row) const
{
    if (column < 0 || column >= kColumns || row < 0 || row >= kRows)
        return {};
    return cells_[column][row];
}

void CalibrationForm::setCell(int column, int row, const QString& text)
{
    if (column < 0 || column >= kColumns || row < 0 || row >= kRows)
        return;
    cells_[column][row] = text;
}

QStringList CalibrationForm::currentValues() const
{
    QStringList out;
    for (int r = 1; r < kRows; ++r)
        out.append(cells_[kValueColumn][r]);
    return out;
}

QString CalibrationForm::formatStretch(double value)
{
    if (!std::isfinite(value))
        value = 0.0;
    // At most five significant digits, then two decimals.
    const double rounded = QString::number(value, 'g', 5).toDouble();
    QString text = QString::number(rounded, 'f', 2);
    const QString point = QLocale().decimalPoint();
    if (point != QStringLiteral("."))
        text.replace(QLatin1Char('.'), point);
    return text;
}

void CalibrationForm::activate()
{
    for (int r = 0; r < kRows; ++r) {
        cells_[0][r] = QString::fromUtf8(kRowTexts[r].art);
        cells_[1][r] = QString::fromUtf8(kRowTexts[r].standard);
    }
    const auto& ps = state().print;
    cells_[kValueColumn][0] = QStringLiteral("Aktuell:");
    cells_[kValueColumn][1] = QString::number(ps.printShiftX);
    cells_[kValueColumn][2] = QString::number(ps.printShiftY);
    cells_[kValueColumn][3] = formatStretch(ps.printStretchX);
    cells_[kValueColumn][4] = formatStretch(ps.printStretchY);
    cells_[kValueColumn][5] = formatStretch(ps.printFontStretch);
    cells_[kValueColumn][6] = QString::number(ps.printLineWidth);
    if (!FileExistsCI(QDir::currentPath(), PrintCalibrationFile)) {
        try {
            SavePrintCalibration(currentValues());
        } catch (const FileError& e) {
            showError(e.message());
        }
    }
}

void CalibrationForm::gridExit()
{
    auto& column = cells_[kValueColumn];
    for (int r = 1; r < kRows; ++r) {
        const auto comma = column[r].indexOf(QLatin1Char(','));
        if (comma >= 0)
            column[r][comma] = QLatin1Char('.');
    }
    auto& ps = state().print;
    ps.printShiftX = ParseLeadingInt(column[1]);
    ps.printShiftY = ParseLeadingInt(column[2]);
    auto stretch = [&](int row, double& target) {
        const double v = ParseDecimal(column[row]);
        if (IsValidStretch(v)) {
            target = v;
            return;
        }
        // A stretch of 0 or less would squeeze the whole page (or the
        // fonts) to nothing: keep the value in force and show it again.
        column[row] = formatStretch(target);
        showWarning(QStringLiteral("Ein Streckfaktor muss größer als 0 sein:\n\r%1\n\r\n\r"
                                   "Der bisherige Wert %2 bleibt eingestellt.")
                        .arg(QString::fromUtf8(kRowTexts[row].art), column[row]));
    };
    stretch(3, ps.printStretchX);
    stretch(4, ps.printStretchY);
    stretch(5, ps.printFontStretch);
    const int typed = ParseLeadingInt(column[6]);
    const int width = ClampLineWidth(typed);
    if (width != typed) {
        column[6] = QString::number(width);
        showWarning(QStringLiteral("Die Strichstärke für die Linien kann nur 0 bis 4 betragen.\n\r"
                                   "Eingestellt wird %1.")
                        .arg(width));
    }
    ps.printLineWidth = width;
}

bool CalibrationForm::buttonClick()
{
    gridExit();
    if (!askYesNo(QStringLiteral("Einstellungen speichern ?")))
        return true;
    try {
        SavePrintCalibration(currentValues());
    } catch (const FileError& e) {
        showError(e.message());
        return false;
    }
    return true;
}

void CalibrationForm::deactivate()
{
    LoadPrintCalibration();
}

CalibrationGeometry CalibrationFormGeometry(int screenHeight, double fontFactor, int formScale,
                                            int usableWidth)
{
    CalibrationGeometry g;
    ScreenInfo s;
    s.height = screenHeight;
    s.width = usableWidth > 0 ? usableWidth : 1 << 20;
    g.scaleNumerator = FormScaleFor(s, fontFactor);
    g.gridFontSize = static_cast<int>(std::trunc(formScale * 8.0 / 640));
    g.buttonFontSize = static_cast<int>(std::trunc(formScale * 9.0 / 640));
    return g;
}

} // namespace hsa
