#pragma once
#include <functional>

namespace hsa::test {

// A fixture that a test starts anew within one case, as between two cases:
// its own TearDown, then whatever must change while nothing runs (a screen of
// another size, emptied folders), then its own SetUp.  For tables of cases
// that each need the program as it starts.
template <class Fixture>
class Restartable : public Fixture {
protected:
    void restart(const std::function<void()>& whileStopped = {})
    {
        this->TearDown();
        if (whileStopped)
            whileStopped();
        this->SetUp();
    }
};

} // namespace hsa::test
