#pragma once
#include <QAbstractItemDelegate>

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

} // namespace hsa
