#pragma once

// Nothing may throw across a Win32 callback: the system's frames between the
// callback and its caller cannot unwind. Every window procedure, subclass
// procedure and hook runs its own code through callbackGuard.

#include <utility>

namespace rubo {

// Runs `body`; false when an exception escaped it, which ends there. The
// callback then answers as if it had not handled the message.
template <class Body> bool callbackGuard(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace rubo
