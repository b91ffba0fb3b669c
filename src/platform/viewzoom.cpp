#include "platform/viewzoom.h"

#include "platform/screen.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace hsa {

namespace {

const QString kStateName = QStringLiteral("hsaViewZoom");

int scaled(int value, double factor)
{
    return static_cast<int>(std::lround(value * factor));
}

// A length of 0 and "no limit" stay what they are.
int scaledExtent(int value, double factor)
{
    if (value <= 0 || value >= QWIDGETSIZE_MAX)
        return value;
    return std::max(1, scaled(value, factor));
}

QSize scaledSize(const QSize& s, double factor)
{
    return {scaledExtent(s.width(), factor), scaledExtent(s.height(), factor)};
}

QFont scaledFont(const QFont& base, double factor)
{
    QFont f = base;
    if (base.pointSizeF() > 0)
        f.setPointSizeF(base.pointSizeF() * factor);
    else if (base.pixelSize() > 0)
        f.setPixelSize(std::max(1, scaled(base.pixelSize(), factor)));
    return f;
}

// A font as a control shows it, every property its own: set back on the
// control it stays what it was, whatever its parent holds.
QFont shownFont(const QWidget* w)
{
    QFont f = w->font();
    f.setResolveMask(QFont::AllPropertiesResolved);
    return f;
}

struct FontRecord {
    QPointer<QWidget> widget;
    QFont base, applied;
};

struct LimitRecord {
    QPointer<QWidget> widget;
    QSize baseMin, baseMax, appliedMin, appliedMax;
};

// Sections the grid sizes itself (stretched, fitted to their contents) or
// that are hidden are left to the grid: -1.
struct HeaderRecord {
    QPointer<QHeaderView> header;
    int baseDefault = 0, appliedDefault = 0;
    QList<int> base, applied;
};

class ZoomState;
void fitShownWindow(QWidget* window, ZoomState& s);

// The 100 % state of one window, kept with the window until it is back at
// 100 %.
class ZoomState : public QObject {
public:
    explicit ZoomState(QWidget* window) : QObject(window)
    {
        setObjectName(kStateName);
        window->installEventFilter(this);
    }

    int percent = 100;   // what the window shows
    int requested = 100; // what was asked for; more than percent when the screen is too small
    QSize size;
    QPoint pos;
    // A window the program never sized or placed is sized by its contents
    // and placed by the system when it is shown: the zoom keeps it so.
    bool sized = false, placed = false;
    // Whether the zoomed window was seen on the screen: only a shown window
    // has the least size its contents need.
    bool fitted = false;
    QList<FontRecord> fonts;
    QList<LimitRecord> limits;
    QList<HeaderRecord> headers;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        // Once the window has filled itself for this showing.
        if (e->type() == QEvent::Show && !fitted && watched == parent())
            QTimer::singleShot(0, this, [this] {
                if (!fitted)
                    fitShownWindow(static_cast<QWidget*>(parent()), *this);
            });
        return false;
    }
};

ZoomState* stateOf(const QWidget* window)
{
    for (QObject* o : window->children())
        if (o->objectName() == kStateName)
            return static_cast<ZoomState*>(o);
    return nullptr;
}

bool sizedByProgram(const QHeaderView* h, int section)
{
    if (h->isSectionHidden(section))
        return false;
    const QHeaderView::ResizeMode mode = h->sectionResizeMode(section);
    return mode == QHeaderView::Interactive || mode == QHeaderView::Fixed;
}

void recordHeader(ZoomState& s, QHeaderView* h)
{
    HeaderRecord r;
    r.header = h;
    r.baseDefault = r.appliedDefault = h->defaultSectionSize();
    for (int i = 0; i < h->count(); ++i)
        r.base << (sizedByProgram(h, i) ? h->sectionSize(i) : -1);
    r.applied = r.base;
    s.headers << r;
}

bool inMenuBar(const QWidget* w, const QWidget* window)
{
    for (; w && w != window; w = w->parentWidget())
        if (qobject_cast<const QMenuBar*>(w))
            return true;
    return false;
}

ZoomState* capture(QWidget* window)
{
    // Fonts as they will show: the style may still change them when the
    // window is polished for its first showing.
    window->ensurePolished();
    auto* s = new ZoomState(window);
    s->size = window->size();
    s->pos = window->pos();
    s->sized = window->testAttribute(Qt::WA_Resized);
    s->placed = window->testAttribute(Qt::WA_Moved);
    // Every control's font is taken as it shows, set or inherited: some
    // controls (grid headings) take their font from the style, not from their
    // parent, and must grow and come back all the same.
    if (!qobject_cast<QMainWindow*>(window))
        s->fonts << FontRecord{window, shownFont(window), window->font()};
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // Dialogs and menus of their own are not part of this window.
        if (w->window() != window)
            continue;
        if (!inMenuBar(w, window))
            s->fonts << FontRecord{w, shownFont(w), w->font()};
        if (w->minimumSize() != QSize(0, 0) || w->maximumSize() != QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX))
            s->limits << LimitRecord{w, w->minimumSize(), w->maximumSize(), w->minimumSize(), w->maximumSize()};
        if (auto* view = qobject_cast<QTableView*>(w)) {
            recordHeader(*s, view->horizontalHeader());
            recordHeader(*s, view->verticalHeader());
        }
    }
    // A header's own limits follow its sections.
    s->limits.erase(std::remove_if(s->limits.begin(), s->limits.end(),
                                   [](const LimitRecord& r) { return qobject_cast<QHeaderView*>(r.widget.data()); }),
                    s->limits.end());
    return s;
}

// What the program set while the window was zoomed becomes part of the 100 %
// state, taken back by the zoom it was set at.
void takeProgramChanges(ZoomState& s)
{
    const double back = 100.0 / s.percent;
    for (FontRecord& r : s.fonts)
        if (r.widget && r.widget->font() != r.applied)
            r.base = scaledFont(shownFont(r.widget), back);
    for (LimitRecord& r : s.limits) {
        if (!r.widget)
            continue;
        if (r.widget->minimumSize() != r.appliedMin)
            r.baseMin = scaledSize(r.widget->minimumSize(), back);
        if (r.widget->maximumSize() != r.appliedMax)
            r.baseMax = scaledSize(r.widget->maximumSize(), back);
    }
    for (HeaderRecord& r : s.headers) {
        if (!r.header)
            continue;
        if (r.header->defaultSectionSize() != r.appliedDefault)
            r.baseDefault = scaledExtent(r.header->defaultSectionSize(), back);
        for (int i = 0; i < r.header->count(); ++i) {
            if (i >= r.base.size()) {
                r.base << -1;
                r.applied << -1;
            }
            if (!sizedByProgram(r.header, i))
                continue;
            if (r.header->sectionSize(i) != r.applied[i])
                r.base[i] = scaledExtent(r.header->sectionSize(i), back);
        }
    }
}

void applyContents(ZoomState& s, int percent)
{
    const double factor = percent / 100.0;
    for (FontRecord& r : s.fonts) {
        if (!r.widget)
            continue;
        r.widget->setFont(percent == 100 ? r.base : scaledFont(r.base, factor));
        r.applied = r.widget->font();
    }
    for (LimitRecord& r : s.limits) {
        if (!r.widget)
            continue;
        r.appliedMin = scaledSize(r.baseMin, factor);
        r.appliedMax = scaledSize(r.baseMax, factor);
        r.widget->setMinimumSize(r.appliedMin);
        r.widget->setMaximumSize(r.appliedMax);
    }
    for (HeaderRecord& r : s.headers) {
        if (!r.header)
            continue;
        r.appliedDefault = scaledExtent(r.baseDefault, factor);
        r.header->setDefaultSectionSize(r.appliedDefault);
        for (int i = 0; i < r.base.size() && i < r.header->count(); ++i) {
            if (r.base[i] < 0 || !sizedByProgram(r.header, i))
                continue;
            r.header->resizeSection(i, scaledExtent(r.base[i], factor));
            r.applied[i] = r.header->sectionSize(i);
        }
    }
}

// The window's least size follows its new contents before it is sized.
// Some controls size themselves only when their pending layout request is
// handled (the status bar takes its height from its font then): handled
// first, the window's layout takes their new sizes, and a window whose own
// size stays the same is laid out anew all the same.
void settleLayout(QWidget* window)
{
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->window() == window)
            QCoreApplication::sendPostedEvents(w, QEvent::LayoutRequest);
    if (QLayout* layout = window->layout()) {
        layout->invalidate();
        layout->activate();
    }
}

// The window's contents fit the usable screen, frame included.
bool fitsScreen(const QWidget* window)
{
    const ScreenInfo scr = screen().info();
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize()) + frame;
    return least.width() <= scr.usableWidth() && least.height() <= scr.usableHeight();
}

// Grown contents that the screen cannot hold are grown less; then the window
// takes its size for the zoom it shows.
void fitShownWindow(QWidget* window, ZoomState& s)
{
    s.fitted = true;
    settleLayout(window);
    while (s.percent > 100 && !fitsScreen(window)) {
        s.percent = std::max(100, s.percent - 5);
        applyContents(s, s.percent);
        settleLayout(window);
    }
    if (s.sized) {
        window->resize(s.percent == 100 ? s.size : scaledSize(s.size, s.percent / 100.0));
    } else {
        // Sized by its contents, as the system does when it shows it.
        window->adjustSize();
        window->setAttribute(Qt::WA_Resized, false);
    }
    KeepOnScreen(window);
}

} // namespace

void ZoomWindow(QWidget* window, int percent)
{
    if (!window || percent <= 0)
        return;
    ZoomState* s = stateOf(window);
    if (!s) {
        if (percent == 100)
            return;
        s = capture(window);
    }
    if (percent == s->requested)
        return;
    takeProgramChanges(*s);
    applyContents(*s, percent);
    s->requested = s->percent = percent;
    s->fitted = false;
    if (s->placed)
        window->move(s->pos);
    // A window not on the screen is fitted when it comes: until then its
    // contents have no least size, and asking for one would fix sizes that
    // only its first showing is to set.
    if (window->isVisible())
        fitShownWindow(window, *s);
    else if (s->sized)
        window->resize(percent == 100 ? s->size : scaledSize(s->size, percent / 100.0));
    if (percent == 100)
        delete s;
}

void ZoomWindowAsLaidOut(QWidget* window, int percent)
{
    if (!window)
        return;
    delete stateOf(window);
    ZoomWindow(window, percent);
}

int WindowZoom(const QWidget* window)
{
    const ZoomState* s = window ? stateOf(window) : nullptr;
    return s ? s->percent : 100;
}

} // namespace hsa
