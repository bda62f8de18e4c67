#include "ui/window_position_win32.h"

#include "settings/options.h"

namespace rubo::ui {

bool normalWindowRect(HWND window, WindowRect& rect) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(window, &placement))
        return false;
    const RECT& r = placement.rcNormalPosition;
    rect = WindowRect{static_cast<int>(r.top), static_cast<int>(r.left), static_cast<int>(r.bottom),
                      static_cast<int>(r.right)};
    return true;
}

void saveWindowPosition(SettingsFile& settings, HWND window, const char* section) {
    WindowRect rect;
    if (normalWindowRect(window, rect))
        writeWindowRect(settings, section, rect);
}

bool restoreWindowPosition(SettingsFile& settings, HWND window, const char* section,
                           bool remember) {
    const WindowRect saved = readWindowRect(settings, section);
    if (!saved.allSet() || !remember)
        return false;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(window, &placement);
    placement.flags = WPF_RESTORETOMAXIMIZED;
    placement.showCmd = SW_SHOWNORMAL;
    RECT rect{saved.left, saved.top, saved.right, saved.bottom};
    // A window of fixed size keeps its own: one saved at another DPI would
    // cut it off or leave it too large.
    if ((GetWindowLongA(window, GWL_STYLE) & WS_THICKFRAME) == 0) {
        const RECT& now = placement.rcNormalPosition;
        rect.right = rect.left + (now.right - now.left);
        rect.bottom = rect.top + (now.bottom - now.top);
    }
    placement.rcNormalPosition = rect;
    return SetWindowPlacement(window, &placement) != FALSE;
}

} // namespace rubo::ui
