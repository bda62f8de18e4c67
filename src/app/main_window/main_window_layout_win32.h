#pragma once

// The main window's controls following its size, and its size limits, on
// the dialog's window.

#include "app/main_window/window_layout.h"

#include <windows.h>

namespace rubo {

class MainWindowLayout {
public:
    // Records where the dialog's template put its controls.
    void record(HWND dialog);
    bool recorded() const { return layout_.recorded(); }
    // Moves the controls for the dialog's client size; nothing before the
    // record or while minimised.
    void apply();
    // WM_SIZING: keeps the dragged rectangle within the size limits.
    static void limitSizing(int edge, RECT& rect);

private:
    HWND dialog_ = nullptr;
    MainLayout layout_;
};

} // namespace rubo
