#pragma once

// An operation that runs modal loops of its own (a popup menu, message
// boxes, a progress window) on behalf of a window: meanwhile the window
// takes no input and owns the operation's message boxes, so nothing else
// can be started on what the operation works on.

#include <windows.h>

namespace rubo::ui {

class ModalOperation {
public:
    explicit ModalOperation(HWND window);
    // Enables the window again before the operation's own windows go, so
    // that the activation returns to it.
    ~ModalOperation();
    ModalOperation(const ModalOperation&) = delete;
    ModalOperation& operator=(const ModalOperation&) = delete;

private:
    HWND window_;
    bool wasEnabled_;
    HWND previousOwner_;
};

} // namespace rubo::ui
