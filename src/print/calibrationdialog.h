#pragma once
#include "print/calibration.h"

#include <QDialog>

class QTableWidget;
class QPushButton;

// The calibration window "Feinjustierung für die Druckausgabe": shows the
// grid of a CalibrationForm, lets the user edit the "Aktuell:" column and
// passes the window's events on to the form.
namespace hsa {

class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    CalibrationForm& form() { return form_; }
    QTableWidget* StringGrid1 = nullptr;
    QPushButton* Button1 = nullptr;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCells();
    void takeCells();
    void Button1Click();

    CalibrationForm form_;
    bool filling_ = false;
};

} // namespace hsa
