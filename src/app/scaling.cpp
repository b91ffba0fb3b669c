#include "app/scaling.h"

#include <cmath>

namespace hsa {

namespace {
int cut(double v)
{
    return static_cast<int>(std::trunc(v));
}
} // namespace

ScreenLayout ComputeScreenLayout(int w, int h, double fontFactor)
{
    if (fontFactor <= 0)
        fontFactor = 1.0;
    ScreenLayout l;
    l.formScale = cut(h / fontFactor * 4 / 3);
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

int FormScaleAfterImportDialog(int height, double fontFactor)
{
    if (fontFactor <= 0)
        fontFactor = 1.0;
    return cut(height / fontFactor);
}

} // namespace hsa
