#pragma once

// The media keys in the main and Tiny windows (WM_APPCOMMAND), and the same
// keys system-wide as hot keys of the main window while GlobalMediaKeys is on.

#include "app/tiny/tiny_dialog_win32.h"
#include "base/event_log.h"

#include <windows.h>

namespace rubo {

// Runs a media key's WM_APPCOMMAND or WM_HOTKEY as a click on its transport
// button (nothing while that button is disabled); false for any other
// message or key.
bool handleMediaKey(TinyOwner& owner, UINT message, LPARAM lParam);

// The four hot keys of one window; unregistered when switched off or gone.
class MediaHotKeys {
public:
    explicit MediaHotKeys(EventLog& log) : log_(log) {}
    ~MediaHotKeys() { release(); }
    MediaHotKeys(const MediaHotKeys&) = delete;
    MediaHotKeys& operator=(const MediaHotKeys&) = delete;

    // On: registers on `window` each key no other program holds and logs
    // those it holds, once while on; off: release().
    void apply(HWND window, bool on);
    // Unregisters every key registered; before the window is destroyed.
    void release();

private:
    EventLog& log_;
    HWND window_ = nullptr;
    bool on_ = false;
    bool registered_[4] = {};
};

} // namespace rubo
