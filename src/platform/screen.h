#pragma once

class QString;
class QWidget;

namespace hsa {

struct ScreenInfo {
    int width = 1024;        // pixels
    int height = 768;        // pixels
    double logicalDpiX = 96; // logical dots per inch
    // The part that windows may cover, without the taskbar; a width or
    // height of 0 means the whole screen.
    int availableLeft = 0;
    int availableTop = 0;
    int availableWidth = 0;
    int availableHeight = 0;

    int usableWidth() const { return availableWidth > 0 ? availableWidth : width; }
    int usableHeight() const { return availableHeight > 0 ? availableHeight : height; }
};

// Facts of the screen the program runs on.
class Screen {
public:
    virtual ~Screen() = default;
    virtual ScreenInfo info() = 0;
};

Screen& screen();
void setScreen(Screen* s); // nullptr restores the system one

// The effective screen width the windows scale to from their design width:
// the height seen as a 4:3 screen, but never wider than the usable width, so
// that 5:4, portrait and narrow screens keep every window on the screen.
int FormScaleFor(const ScreenInfo& s, double fontFactor);

// Shrinks a top-level window to the usable area of the screen and moves it
// there, frame included.  Content that does not fit then has to scroll or
// elide inside the window.
void KeepOnScreen(QWidget* window);

// The width of a top-level window (frame included) at which the desktop
// shows its whole caption: the desktop centres the caption in the title bar
// between the window's icon and its buttons, so the room of the buttons
// counts on both sides.  Never wider than the usable screen.
int WidthForCaption(const QString& caption);

// Widens a window narrower than its caption needs, as far as the window
// allows (a box of fixed size keeps its size).
void GiveCaptionItsRoom(QWidget* window);

// From now on every top-level window is kept on the screen when it is shown
// or resized by the program, and a dialog comes wide enough for its caption.
void KeepWindowsOnScreen();

} // namespace hsa
