#include "platform/screen.h"

#include <QGuiApplication>
#include <QScreen>

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
        }
        return i;
    }
};

Screen* g_screen = nullptr;

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

} // namespace hsa
