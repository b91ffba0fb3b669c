#pragma once
#include <QObject>
#include <QPointer>

#include <utility>

namespace hsa {

// A hook a window puts into a program-wide table outlives the window unless
// someone clears it.  WhileAlive(window, f) holds the window through a
// QPointer: once the window is gone the hook does nothing (and returns a
// default value), so a print loop or a sort that runs later never calls into
// a destroyed widget.
template <class F>
auto WhileAlive(const QObject* window, F f)
{
    return [window = QPointer<const QObject>(window), f = std::move(f)](auto&&... args) {
        using Result = decltype(f(std::forward<decltype(args)>(args)...));
        if (!window)
            return Result();
        return f(std::forward<decltype(args)>(args)...);
    };
}

} // namespace hsa
