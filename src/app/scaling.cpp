#include "app/scaling.h"

#include "platform/screen.h"

#include <algorithm>
#include <cmath>

namespace hsa {

namespace {
int cut(double v)
{
    return static_cast<int>(std::trunc(v));
}
} // namespace

ScreenLayout ComputeScreenLayout(int w, int h, double fontFactor, int usableWidth)
{
    if (fontFactor <= 0)
        fontFactor = 1.0;
    ScreenInfo s;
    s.width = w;
    s.height = h;
    s.availableWidth = usableWidth;
    ScreenLayout l;
    l.formScale = FormScaleFor(s, fontFactor);
    w = s.usableWidth();
    l.panelWidth = w;
    l.gridDefaultColWidth = cut(w * 24.0 / 640);
    l.gridCol0Width = cut(w * 72.8 / 640);
    l.gridCol1Width = cut(w * 64.0 / 640);
    l.gridCol21Width = cut(w * 25.0 / 640);
    l.gridRowHeight = cut(w * 23.0 / 640);
    l.gridFontSize = cut(l.formScale * 8.0 / 640);
    l.label3Left = 75;
    l.label3FontSize = cut(l.formScale * 5.0 / 640);
    l.imageWidth = (w / 30) * 13;
    l.imageHeight = (h / 30) * 21;
    l.imageTop = h / 35;
    l.imageLeft = cut((w - l.imageWidth) * 1.1) / 2;
    return l;
}

int FormScaleAfterImportDialog(int height, double fontFactor, int usableWidth)
{
    if (fontFactor <= 0)
        fontFactor = 1.0;
    const int byHeight = cut(height / fontFactor);
    return usableWidth > 0 ? std::min(byHeight, cut(usableWidth / fontFactor)) : byHeight;
}

} // namespace hsa
