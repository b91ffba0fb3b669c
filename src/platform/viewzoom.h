#pragma once

class QWidget;

// The view zoom of a window ("Ansicht (Zoom)"): the window is shown at a
// percentage of the state it has at 100 %.  What grows and shrinks:
//  - the font of the window and of every control inside it (a main window's
//    menu bar keeps the desktop's font, like the system's menus);
//  - the pixel sizes its layout takes from the screen scaling: the default
//    and the set widths and heights of the rows and columns of every grid,
//    and the minimum and maximum sizes set on its controls;
//  - the window's own size.
// The window never leaves the usable screen: it is shrunk and moved into it,
// and contents the screen cannot hold at the percentage asked for grow only
// as far as the screen allows.  100 % gives back exactly the window as it
// was: fonts, sizes and position.  Controls the program changed meanwhile keep
// what the program gave them, taken back to 100 %.
namespace hsa {

// Zooms window to percent (> 0; other values do nothing) of its 100 % state.
// The first zoom away from 100 % takes the window as it then is as its 100 %
// state; returning to 100 % restores that state and forgets it.
void ZoomWindow(QWidget* window, int percent);

// For a window that sets its fonts and sizes anew each time it is shown:
// forgets any earlier 100 % state, takes the window as it now is as its 100 %
// state and zooms it to percent.
void ZoomWindowAsLaidOut(QWidget* window, int percent);

// The percentage window shows (100 when it was never zoomed; less than asked
// for when the screen could not hold more).
int WindowZoom(const QWidget* window);

} // namespace hsa
