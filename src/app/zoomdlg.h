#pragma once
#include <QDialog>
#include <QList>
#include <functional>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QSpinBox;

namespace hsa {

// The view-zoom dialog.  When it loses activation (also when OK closes it)
// the chosen zoom is applied once to each of the zoomed windows, contents and
// all (ZoomWindow): the main window, the import dialog, the school-data
// dialog, the archive window and the archive-restore window; the print
// calibration dialog, made anew where it is used, takes state().viewZoom when
// it is shown.
class TBtnRightDlg1 : public QDialog {
    Q_OBJECT
public:
    explicit TBtnRightDlg1(QWidget* parent = nullptr);

    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* RadioGroup1Buttons = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QPushButton* OKBtn = nullptr;

    int previousZoom() const { return previousZoom_; }
    // Applies the chosen zoom (the deactivation handler).
    void ApplyViewZoom();

    // The windows that are scaled; by default the program's windows of the
    // names above that exist.
    std::function<QList<QWidget*>()> scaledWindows;

protected:
    void changeEvent(QEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    int previousZoom_ = 100;
    bool applying_ = false;
};

} // namespace hsa
