#pragma once

// A window's normal position, saved to and restored from a settings section
// ("Top", "Left", "Bottom", "Right").

#include "settings/options.h"

#include <windows.h>

namespace rubo::ui {

// The window's normal-position rectangle; false when it cannot be read.
bool normalWindowRect(HWND window, WindowRect& rect);
void saveWindowPosition(SettingsFile& settings, HWND window, const char* section);
// Applies the saved rectangle when all four values are non-zero and
// `remember` is set; true when it did.
bool restoreWindowPosition(SettingsFile& settings, HWND window, const char* section, bool remember);

} // namespace rubo::ui
