#pragma once
#include <QAbstractItemDelegate>
#include <QKeyEvent>

#include <optional>

class QEvent;
class QObject;
class QWidget;

// The keys of a grade grid's cell editor that move the grid's cursor.
namespace hsa {

// Return, Enter, the arrows, PageUp, PageDown, Home, End, Tab and Shift+Tab.
bool IsGridCursorKey(int key);

// For a grid delegate's event filter: a cursor key pressed in the cell
// editor stores what was typed, closes the editor and is handed to the grid,
// which moves as on a cell without editor.  So no editor is left open on the
// next cell (where a click would keep its old text beside the new one) and
// no commit arrives after its editor is gone.  True when the key was taken.
bool HandCursorKeyToGrid(QAbstractItemDelegate* delegate, QObject* editor, QEvent* event, QWidget* grid);

// The move a cursor key asks of a grid whose key type names the moves
// Return, Left, Right, Up, Down, PageUp, PageDown, Home, End, CtrlHome,
// CtrlEnd, Tab and Backtab; none for any other key, or with Alt held (a
// menu's key).
template <typename Key>
std::optional<Key> CursorMoveOf(const QKeyEvent& e)
{
    if (e.modifiers() & Qt::AltModifier)
        return std::nullopt;
    const bool ctrl = e.modifiers() & Qt::ControlModifier;
    switch (e.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return Key::Return;
    case Qt::Key_Left: return Key::Left;
    case Qt::Key_Right: return Key::Right;
    case Qt::Key_Up: return Key::Up;
    case Qt::Key_Down: return Key::Down;
    case Qt::Key_PageUp: return Key::PageUp;
    case Qt::Key_PageDown: return Key::PageDown;
    case Qt::Key_Home: return ctrl ? Key::CtrlHome : Key::Home;
    case Qt::Key_End: return ctrl ? Key::CtrlEnd : Key::End;
    case Qt::Key_Tab: return (e.modifiers() & Qt::ShiftModifier) ? Key::Backtab : Key::Tab;
    case Qt::Key_Backtab: return Key::Backtab;
    default: return std::nullopt;
    }
}

} // namespace hsa
