#include "platform/screen.h"

#include "platform/programwide.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace hsa {

namespace {

class SystemScreen : public Screen {
public:
    ScreenInfo info() override
    {
        ScreenInfo i;
        if (QScreen* s = QGuiApplication::primaryScreen()) {
            const QRect g = s->geometry();
            i.width = g.width();
            i.height = g.height();
            i.logicalDpiX = s->logicalDotsPerInchX();
            const QRect a = s->availableGeometry();
            i.availableLeft = a.left() - g.left();
            i.availableTop = a.top() - g.top();
            i.availableWidth = a.width();
            i.availableHeight = a.height();
        }
        return i;
    }
};

Screen* g_screen = nullptr;

const char* const kFrameSeen = "hsaFrameSeen";

// Watches the application's windows: a window whose frame would leave the
// screen is pulled back before the user sees it.
class ScreenKeeper : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        const QEvent::Type type = e->type();
        if (type != QEvent::Show && type != QEvent::Resize && type != QEvent::Move)
            return false;
        auto* w = qobject_cast<QWidget*>(watched);
        const bool menuOrTip = w && (w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip);
        if (!w || !w->isWindow() || menuOrTip)
            return false;
        // Some window managers tell the frame (title bar and borders) only
        // after the window is on the screen, and then move the window
        // without resizing it: a window that fitted without its frame may
        // no longer fit with it.  A move by the user leaves the frame as it
        // is and the window where the user put it.
        const QSize frame = w->frameGeometry().size() - w->geometry().size();
        const QVariant seen = w->property(kFrameSeen);
        w->setProperty(kFrameSeen, frame);
        if (type == QEvent::Move && (!w->isVisible() || !seen.isValid() || seen.toSize() == frame))
            return false;
        if (type == QEvent::Resize && busy_ != 0)
            return false;
        ++busy_;
        // A dialog comes wide enough for its caption; a main window keeps
        // the size it is scaled to.
        if (type == QEvent::Show && w->windowType() == Qt::Dialog)
            GiveCaptionItsRoom(w);
        KeepOnScreen(w);
        --busy_;
        // The frame and the final minimum size are known only once
        // the window is on the screen: look again then.
        if (type == QEvent::Show)
            QTimer::singleShot(0, w, [w] { KeepOnScreen(w); });
        return false;
    }

private:
    int busy_ = 0;
};

} // namespace

Screen& screen()
{
    static SystemScreen system;
    return g_screen ? *g_screen : system;
}

void setScreen(Screen* s)
{
    g_screen = s;
}

namespace {
const ProgramWideReset resetScreen(ResetOrder::Objects, [] { setScreen(nullptr); });
}

int FormScaleFor(const ScreenInfo& s, double fontFactor)
{
    if (fontFactor <= 0)
        fontFactor = 1.0;
    const int byHeight = static_cast<int>(std::trunc(s.height / fontFactor * 4 / 3));
    const int byWidth = static_cast<int>(std::trunc(s.usableWidth() / fontFactor));
    return std::min(byHeight, byWidth);
}

void KeepOnScreen(QWidget* window)
{
    // A maximized or full-screen window is the system's to place: resizing
    // it would end its maximized state.
    if (!window || (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const ScreenInfo s = screen().info();
    const QRect area(s.availableLeft, s.availableTop, s.usableWidth(), s.usableHeight());
    if (area.width() <= 0 || area.height() <= 0)
        return;
    // The frame (title bar and borders) is known once the window is mapped;
    // the keeper runs again on every resize, so a window is pulled in then.
    QRect frame = window->frameGeometry();
    QRect inner = window->geometry();
    int extraW = frame.width() - inner.width();
    int extraH = frame.height() - inner.height();
    const int maxW = std::max(1, area.width() - extraW);
    const int maxH = std::max(1, area.height() - extraH);
    if (inner.width() > maxW || inner.height() > maxH)
        window->resize(std::min(inner.width(), maxW), std::min(inner.height(), maxH));
    frame = window->frameGeometry();
    int x = frame.left();
    int y = frame.top();
    x = std::clamp(x, area.left(), std::max(area.left(), area.right() + 1 - frame.width()));
    y = std::clamp(y, area.top(), std::max(area.top(), area.bottom() + 1 - frame.height()));
    if (x != frame.left() || y != frame.top())
        window->move(x, y);
}

int WidthForCaption(const QString& caption)
{
    // Title bars draw their caption bold, at about the size of the
    // program's font or smaller.
    QFont font = QApplication::font();
    font.setBold(true);
    const QFontMetrics fm(font);
    // The icon or the three buttons, with their gaps, take about four lines
    // of the caption's height on each side of the centred caption.
    const int wanted = fm.horizontalAdvance(caption) + 2 * 4 * fm.height();
    const int usable = screen().info().usableWidth();
    return usable > 0 ? std::min(wanted, usable - 20) : wanted;
}

void GiveCaptionItsRoom(QWidget* window)
{
    if (!window || !window->isWindow() || (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const int border = window->frameGeometry().width() - window->geometry().width();
    const int wanted = std::min(WidthForCaption(window->windowTitle()) - border, window->maximumWidth());
    if (window->width() < wanted)
        window->resize(wanted, window->height());
}

void KeepWindowsOnScreen()
{
    static ScreenKeeper* keeper = nullptr;
    if (keeper || !qApp)
        return;
    keeper = new ScreenKeeper(qApp);
    qApp->installEventFilter(keeper);
}

} // namespace hsa
