#pragma once

// Pre-translation for every message loop of the user-interface thread,
// the dialog managers' modal loops included: the main window's accelerators
// first, then the tool-tip relay of the dialog under the message.

#include <windows.h>

namespace rubo::ui {

class MessageFilter {
public:
    // Installs the WH_MSGFILTER hook on the calling thread (once).
    static bool install();
    static void uninstall();
    // Accelerators translated for `window` in every loop; null to stop.
    static void setAccelerators(HWND window, HACCEL table);
    // The hook's work, also callable from an own loop; true when used up.
    static bool preTranslate(MSG& msg);
    // The loop of a modeless main window, until `window` is destroyed. Only
    // keyboard input goes through IsDialogMessage (and so the hook): a timer
    // tick or a repaint costs no hook call.
    static void runLoop(HWND window);
};

} // namespace rubo::ui
