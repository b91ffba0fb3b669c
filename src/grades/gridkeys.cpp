#include "grades/gridkeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace hsa {

bool IsGridCursorKey(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return false;
    }
}

bool HandCursorKeyToGrid(QAbstractItemDelegate* delegate, QObject* editor, QEvent* event, QWidget* grid)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* k = static_cast<QKeyEvent*>(event);
    if (!IsGridCursorKey(k->key()) || (k->modifiers() & Qt::AltModifier))
        return false;
    if (auto* w = qobject_cast<QWidget*>(editor)) {
        emit delegate->commitData(w);
        emit delegate->closeEditor(w, QAbstractItemDelegate::NoHint);
    }
    QKeyEvent copy(QEvent::KeyPress, k->key(), k->modifiers(), k->text());
    QApplication::sendEvent(grid, &copy);
    return true;
}

} // namespace hsa
