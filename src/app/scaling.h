#pragma once

namespace hsa {

// Sizes of the main window's controls for a screen, from its width W and
// height H in pixels and the font factor (pixel density / 96).  The window was
// designed for a 640 pixel wide screen and is scaled from there.
struct ScreenLayout {
    int formScale = 640;          // effective screen width for the forms
    int gridDefaultColWidth = 0;  // StringGrid1
    int gridCol0Width = 0;
    int gridCol1Width = 0;
    int gridCol21Width = 0;
    int gridRowHeight = 0;
    int gridFontSize = 0;
    int label3Left = 75;
    int label3FontSize = 0;
    int panelWidth = 0;           // Panel1, Panel2 and the labels 4 to 7
    int imageWidth = 0;           // Image1
    int imageHeight = 0;
    int imageTop = 0;
    int imageLeft = 0;
};

// usableWidth is the width without the taskbar (0: the whole width); FormScale
// never exceeds it.
ScreenLayout ComputeScreenLayout(int width, int height, double fontFactor, int usableWidth = 0);

// FormScale once the import dialog exists: the screen height over the font
// factor, which holds for every window created after it; never wider than the
// usable width either.
int FormScaleAfterImportDialog(int height, double fontFactor, int usableWidth = 0);

} // namespace hsa
