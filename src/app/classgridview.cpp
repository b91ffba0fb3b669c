#include "app/classgridview.h"

#include "app/apphooks.h"
#include "grades/gradewindowcontroller.h"
#include "grades/gridheadings.h"
#include "classes/sharedstate.h"
#include "platform/slotguard.h"

#include <QApplication>
#include <QPointer>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace hsa {

namespace {

const QAbstractItemView::EditTriggers kGridEditTriggers =
    QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked;

} // namespace

// The cell editor: its text goes through the grid's commit rule, and the keys
// that move the cursor leave the editor to the grid.
class ClassGridDelegate : public QStyledItemDelegate {
public:
    explicit ClassGridDelegate(ClassGridView* view) : QStyledItemDelegate(view), view_(view) {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            runGuarded([&] { view_->commitFromEditor(index.row(), index.column(), line->text()); });
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        WrapHeadingCell(option, index.row(), 0);
    }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(event);
            auto* editor = qobject_cast<QWidget*>(object);
            if (k->key() == Qt::Key_Escape) {
                // Escape takes back what was typed: the cell keeps its
                // value, and the grid is left as Escape always leaves it.
                if (editor)
                    emit closeEditor(editor, RevertModelCache);
                QKeyEvent copy(QEvent::KeyPress, k->key(), k->modifiers(), k->text());
                QApplication::sendEvent(view_, &copy);
                return true;
            }
            switch (k->key()) {
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Return:
            case Qt::Key_Enter: {
                if (editor) {
                    emit const_cast<ClassGridDelegate*>(this)->commitData(editor);
                    emit const_cast<ClassGridDelegate*>(this)->closeEditor(editor, NoHint);
                }
                QKeyEvent copy(QEvent::KeyPress, k->key(), k->modifiers(), k->text());
                QApplication::sendEvent(view_, &copy);
                return true;
            }
            default:
                break;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    ClassGridView* view_;
};

ClassGridView::ClassGridView(QWidget* parent) : QTableWidget(kGridRows, kGridCells, parent)
{
    setObjectName(QStringLiteral("StringGrid1"));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setShowGrid(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new ClassGridDelegate(this));
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(9);
    setFont(f);
    horizontalHeader()->setDefaultSectionSize(defaultWidth_);
    setColumnHidden(kGridConductCell, true);
    setColumnHidden(kGridCooperationCell, true);
    setVisible(false);
    connect(this, &QTableWidget::currentCellChanged, this, guardedSlot([this](int row, int column, int, int) {
        if (refreshing_ || row < 0 || column < 0)
            return;
        classGrid().selectCell(GridPos{column, row});
        const GridPos p = classGrid().current();
        if (p.row != row || p.column != column)
            showCurrent();
        emit gridStateChanged();
    }));
}

void ClassGridView::setDefaultColumnWidth(int pixels)
{
    defaultWidth_ = pixels > 0 ? pixels : kGridDefaultColumnWidth;
    horizontalHeader()->setDefaultSectionSize(defaultWidth_);
    refresh();
}

void ClassGridView::refresh()
{
    if (inRefresh_)
        return;
    inRefresh_ = true;
    // A table that appears gets the focus, which disables the other menus.
    const bool appears = isHidden() && classGrid().visible();
    if (appears && !classGrid().menusDisabled())
        classGrid().enter();
    refreshing_ = true;
    const ClassGrid& g = classGrid();
    static const QColor fixedColour(0xE0, 0xE0, 0xE0);
    static const QColor olive(0x80, 0x80, 0x00);
    for (int r = 0; r < kGridRows; ++r) {
        for (int c = 0; c < kGridCells; ++c) {
            QTableWidgetItem* it = item(r, c);
            if (!it) {
                it = new QTableWidgetItem;
                setItem(r, c, it);
            }
            if (it->text() != g.cell(c, r))
                it->setText(g.cell(c, r));
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (g.isEditableCell(c, r))
                flags |= Qt::ItemIsEditable;
            it->setFlags(flags);
            if (r == 0 && c == 1) {
                it->setBackground(olive);
                it->setForeground(Qt::white);
            } else if (r == 0 || c < kGridFixedCols) {
                it->setBackground(fixedColour);
            }
        }
    }
    for (int c = kGridFixedCols; c < kGridColCount; ++c) {
        const int w = g.columnWidth(c);
        if (w == kGridWidthUntouched)
            continue;
        setColumnHidden(c, w == 0);
        // "24" is the grid's default width, scaled by the screen layout.
        if (w > 0)
            setColumnWidth(c, horizontalHeader()->defaultSectionSize());
    }
    fitHeadings();
    // Typing into a cell replaces its mark; F2 and a double click open it to
    // be amended.  A click alone opens nothing, and no editor waits on the
    // current cell: a click into such an editor, or the editor the view opens
    // a moment after a click on the current cell, would keep the old text
    // with the cursor where the mouse was, and "45" would become "- 45".
    setEditTriggers(g.editing() ? kGridEditTriggers : QAbstractItemView::NoEditTriggers);
    setVisible(g.visible());
    showCurrent();
    refreshing_ = false;
    inRefresh_ = false;
    if (appears)
        setFocus(Qt::OtherFocusReason);
}

void ClassGridView::fitHeadings()
{
    // The short codes are what the column has room for; the tool tip names
    // the subject, and the names of the fixed columns show whole there too.
    const QStringList& subjects = hsa::state().subjectNames;
    FitGridHeadings(this, 0, [&subjects](int column) {
        const int s = column;
        return column >= kGridFixedCols && column < kGridAverageColumn && s < subjects.size() ? subjects.at(s)
                                                                                            : QString();
    });
    for (int r = 1; r < kGridRows; ++r)
        for (int c = 0; c < kGridFixedCols; ++c)
            if (QTableWidgetItem* it = item(r, c); it && it->toolTip() != it->text())
                it->setToolTip(it->text());
}

void ClassGridView::showCurrent()
{
    const bool was = refreshing_;
    refreshing_ = true;
    const GridPos p = classGrid().current();
    if (currentRow() != p.row || currentColumn() != p.column)
        setCurrentCell(p.row, p.column);
    refreshing_ = was;
}

void ClassGridView::commitFromEditor(int row, int column, const QString& text)
{
    if (classGrid().commitCell(column, row, text)) {
        refreshing_ = true;
        if (QTableWidgetItem* it = item(row, column))
            it->setText(classGrid().cell(column, row));
        if (QTableWidgetItem* avg = item(row, kGridAverageColumn))
            avg->setText(classGrid().cell(kGridAverageColumn, row));
        refreshing_ = false;
    }
}

void ClassGridView::leaveGrid()
{
    classGrid().exit();
    refresh();
    emit gridStateChanged();
}

void ClassGridView::keyPressEvent(QKeyEvent* e)
{
    runGuarded([&] {
        switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            classGrid().keyMove(GridKey::Return);
            showCurrent();
            emit gridStateChanged();
            return;
        case Qt::Key_Left:
            classGrid().keyMove(GridKey::Left);
            showCurrent();
            emit gridStateChanged();
            return;
        case Qt::Key_Right:
            classGrid().keyMove(GridKey::Right);
            showCurrent();
            emit gridStateChanged();
            return;
        case Qt::Key_Escape:
            leaveGrid();
            return;
        default:
            QTableWidget::keyPressEvent(e);
        }
    });
}

void ClassGridView::focusInEvent(QFocusEvent* e)
{
    QTableWidget::focusInEvent(e);
    // Coming back from a box, a menu or the cell editor is no entering.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason
        || e->reason() == Qt::OtherFocusReason || !classGrid().visible())
        return;
    if (classGrid().menusDisabled())
        return;
    runGuarded([this] {
        classGrid().enter();
        refresh();
        emit gridStateChanged();
    });
}

void ClassGridView::focusOutEvent(QFocusEvent* e)
{
    QTableWidget::focusOutEvent(e);
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason
        || e->reason() == Qt::MenuBarFocusReason || !classGrid().visible())
        return;
    QWidget* now = QApplication::focusWidget();
    if (now && isAncestorOf(now))
        return;
    runGuarded([this] { leaveGrid(); });
}

void ClassGridView::mousePressEvent(QMouseEvent* e)
{
    QTableWidget::mousePressEvent(e);
    const int r = currentRow();
    const int c = currentColumn();
    if (r < 0 || c < 0)
        return;
    runGuarded([&] {
        classGrid().click(GridPos{c, r});
        showCurrent();
        emit gridStateChanged();
    });
}

void InstallClassGridHooks(ClassGridView* grid)
{
    // The hooks outlive the view; they reach it through a QPointer.
    const QPointer<ClassGridView> view = grid;
    appHooks().saveGradeTableEdits = [view] {
        classGrid().Leave();
        if (view)
            view->refresh();
    };
    gradeWindow().hooks().leaveGradeTable = [view] {
        classGrid().Leave();
        if (view)
            view->refresh();
    };
    classGrid().hooks().busy = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    classGrid().hooks().changed = [view] {
        if (view) {
            view->refresh();
            emit view->gridStateChanged();
        }
    };
}

} // namespace hsa
