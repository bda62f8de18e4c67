#pragma once

// The play modes in a menu: the tray menu's "Play mode" submenu and the
// display's context menu.

#include <windows.h>

namespace rubo {

// Refills `menu` with the modes, `modeInForce` checked; the program item is
// grayed unless `programOffered`.
void fillPlayModeMenu(HMENU menu, int modeInForce, bool programOffered);

// Inserts an empty "Play mode" submenu at `position` of `menu`, which owns it
// from then on; null when it cannot.
HMENU insertPlayModeSubmenu(HMENU menu, UINT position);

// The display's context menu at `at` (screen); the chosen command, 0 for none.
int trackPlayModeMenu(HWND owner, POINT at, int modeInForce, bool programOffered);

} // namespace rubo
