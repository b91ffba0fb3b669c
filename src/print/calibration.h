#pragma once
#include <QString>
#include <QStringList>
#include <array>

// The calibration dialog "Feinjustierung für die Druckausgabe" without its
// window: a grid of 3 columns ("Art", "Standard", "Aktuell:") and 7 rows whose
// last column the user edits, and the dialog's events.  The window (Form3)
// shows and edits these cells and calls the events.
namespace hsa {

class CalibrationForm {
public:
    static constexpr int kColumns = 3;
    static constexpr int kRows = 7;
    static constexpr int kValueColumn = 2;

    static QString caption();
    static QString buttonCaption();

    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
    // The six texts of the "Aktuell:" column (rows 1 to 6).
    QStringList currentValues() const;

    // Fills the grid from the print settings; writes einstell.dat from it when
    // the file does not exist yet.
    void activate();
    // Leaving the grid: the six cells become the print settings at once
    // ("," read as ".").  A stretch of 0 or less is refused with a message
    // and the value before is put back into its cell; a line width outside
    // 0..4 is held to the range and its cell corrected.
    void gridExit();
    // The button: takes the cells over, asks "Einstellungen speichern ?" and
    // on Yes writes einstell.dat.  Returns whether the dialog may close
    // (false only when the file could not be written, so nothing typed is
    // lost).
    bool buttonClick();
    // The dialog lost its activation: einstell.dat is read again, so values
    // not saved fall back to the saved ones.
    void deactivate();

    // Text of a stretch in the grid: fixed with two decimals (five significant
    // digits at most) and the decimal separator of the user's number format.
    static QString formatStretch(double value);

private:
    std::array<std::array<QString, kRows>, kColumns> cells_{};
};

// Size and place of the dialog window and its controls.
struct CalibrationGeometry {
    int left = 231;
    int top = 120;
    int width = 529;
    int height = 380;
    int scaleNumerator = 640;   // the window is scaled by numerator : 640
    int gridFontSize = 8;
    int buttonFontSize = 9;
    int rowHeight = 50;
    std::array<int, 3> columnWidths{400, 90, 90};
};
// The geometry for a screen of screenHeight pixels with the given font
// divisor and form scale; the scale never exceeds the usable screen width
// (0: no limit).
CalibrationGeometry CalibrationFormGeometry(int screenHeight, double fontFactor, int formScale,
                                            int usableWidth = 0);

} // namespace hsa
