// Raising the toolkit's events. A handler is the program's code: whatever fails inside it ends that
// handler where it failed, and the window and its message loop go on. This is the one place where
// a handler's failure is caught, so handlers themselves stay plain.
#pragma once

#include <utility>

namespace zentrim::toolkit {

template <typename Handler, typename... Args>
void RaiseEvent(const Handler& handler, Args&&... args) noexcept {
    if (!handler) {
        return;
    }
    try {
        handler(std::forward<Args>(args)...);
    } catch (...) {
        // What the handler did before it failed stays; there is nobody to tell.
    }
}

} // namespace zentrim::toolkit
