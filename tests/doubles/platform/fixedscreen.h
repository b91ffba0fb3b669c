#pragma once
#include "platform/screen.h"

namespace hsa {

// A screen with fixed facts, for the window sizes of a screen the test names.
class FixedScreen : public Screen {
public:
    explicit FixedScreen(ScreenInfo i = {}) : facts(i) {}
    ScreenInfo info() override { return facts; }
    ScreenInfo facts;
};

} // namespace hsa
