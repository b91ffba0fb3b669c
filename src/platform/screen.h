#pragma once

namespace hsa {

struct ScreenInfo {
    int width = 1024;        // pixels
    int height = 768;        // pixels
    double logicalDpiX = 96; // logical dots per inch
};

// Facts of the screen the program runs on.
class Screen {
public:
    virtual ~Screen() = default;
    virtual ScreenInfo info() = 0;
};

Screen& screen();
void setScreen(Screen* s); // nullptr restores the system one

// Test double with fixed facts.
class FixedScreen : public Screen {
public:
    explicit FixedScreen(ScreenInfo i = {}) : facts(i) {}
    ScreenInfo info() override { return facts; }
    ScreenInfo facts;
};

} // namespace hsa
