#include "print/calibrationdialog.h"

#include "classes/sharedstate.h"
#include "platform/screen.h"
#include "platform/viewzoom.h"
#include "platform/slotguard.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace hsa {

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(CalibrationForm::caption());
    StringGrid1 = new QTableWidget(CalibrationForm::kRows, CalibrationForm::kColumns, this);
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setEditTriggers(QAbstractItemView::AllEditTriggers);
    StringGrid1->installEventFilter(this);
    Button1 = new QPushButton(CalibrationForm::buttonCaption(), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGrid1);
    layout->addWidget(Button1);

    // Place and size, scaled to the screen as the other windows are.
    const CalibrationGeometry g = CalibrationFormGeometry(
        hsa::screen().info().height, state().fontFactor, state().formScale, hsa::screen().info().usableWidth());
    const double factor = g.scaleNumerator > 0 ? g.scaleNumerator / 640.0 : 1.0;
    setGeometry(static_cast<int>(g.left * factor), static_cast<int>(g.top * factor),
                static_cast<int>(g.width * factor), static_cast<int>(g.height * factor));

    connect(StringGrid1, &QTableWidget::itemChanged, this, guardedSlot([this](QTableWidgetItem* item) {
        if (!filling_ && item)
            form_.setCell(item->column(), item->row(), item->text());
    }));
    connect(Button1, &QPushButton::clicked, this, guardedSlot([this] { Button1Click(); }));
}

void TForm3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Laid out anew at 100 %, then zoomed like the program's other windows.
    ZoomWindow(this, 100);
    const CalibrationGeometry g = CalibrationFormGeometry(
        hsa::screen().info().height, state().fontFactor, state().formScale, hsa::screen().info().usableWidth());
    QFont gridFont = StringGrid1->font();
    if (g.gridFontSize > 0)
        gridFont.setPointSize(g.gridFontSize);
    StringGrid1->setFont(gridFont);
    QFont buttonFont = Button1->font();
    if (g.buttonFontSize > 0)
        buttonFont.setPointSize(g.buttonFontSize);
    Button1->setFont(buttonFont);
    StringGrid1->verticalHeader()->setDefaultSectionSize(g.rowHeight);
    for (int c = 0; c < CalibrationForm::kColumns; ++c)
        StringGrid1->setColumnWidth(c, g.columnWidths[c]);
    ZoomWindowAsLaidOut(this, state().viewZoom);
    runGuarded([this] {
        form_.activate();
        showCells();
    });
    StringGrid1->setCurrentCell(1, CalibrationForm::kValueColumn);
    StringGrid1->setFocus();
    // The editor is always shown: open it once the window is on screen.
    QTimer::singleShot(0, this, [this] {
        if (QTableWidgetItem* item = StringGrid1->item(1, CalibrationForm::kValueColumn))
            if (isVisible())
                StringGrid1->editItem(item);
    });
}

bool TForm3::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == StringGrid1 && event->type() == QEvent::FocusOut) {
        // Leaving the grid (not merely opening a cell editor inside it).
        QWidget* now = QApplication::focusWidget();
        if (!now || !StringGrid1->isAncestorOf(now)) {
            runGuarded([this] {
                takeCells();
                form_.gridExit();
                showCells();
            });
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm3::showCells()
{
    filling_ = true;
    for (int c = 0; c < CalibrationForm::kColumns; ++c) {
        for (int r = 0; r < CalibrationForm::kRows; ++r) {
            auto* item = new QTableWidgetItem(form_.cell(c, r));
            const bool fixed = c < CalibrationForm::kValueColumn || r == 0;
            if (fixed) {
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                item->setBackground(palette().button());
            }
            StringGrid1->setItem(r, c, item);
        }
    }
    filling_ = false;
}

void TForm3::takeCells()
{
    for (int r = 1; r < CalibrationForm::kRows; ++r)
        if (QTableWidgetItem* item = StringGrid1->item(r, CalibrationForm::kValueColumn))
            form_.setCell(CalibrationForm::kValueColumn, r, item->text());
}

void TForm3::Button1Click()
{
    takeCells();
    const bool close = form_.buttonClick();
    showCells();
    if (close)
        accept();
}

void TForm3::done(int result)
{
    QDialog::done(result);
    // Losing the activation re-reads the saved settings: what was not saved
    // is given up.
    runGuarded([this] { form_.deactivate(); });
}

} // namespace hsa
