#include "app/main_window/play_mode_menu_win32.h"

#include "app/main_window/play_mode_choice.h"
#include "base/unique_handle_win32.h"
#include "settings/options.h"

namespace rubo {

void fillPlayModeMenu(HMENU menu, int modeInForce, bool programOffered) {
    while (GetMenuItemCount(menu) > 0)
        DeleteMenu(menu, 0, MF_BYPOSITION);
    std::size_t count = 0;
    const PlayModeItem* items = playModeItems(count);
    for (std::size_t i = 0; i < count; ++i) {
        const bool grayed = items[i].mode == kPlayModeProgram && !programOffered;
        AppendMenuA(menu, MF_STRING | (grayed ? MF_GRAYED : MF_ENABLED),
                    static_cast<UINT_PTR>(items[i].commandId), items[i].menuText);
        if (items[i].mode == modeInForce)
            CheckMenuRadioItem(menu, 0, static_cast<UINT>(count - 1), static_cast<UINT>(i),
                               MF_BYPOSITION);
    }
}

HMENU insertPlayModeSubmenu(HMENU menu, UINT position) {
    UniqueMenu submenu(CreatePopupMenu());
    if (!submenu || !InsertMenuA(menu, position, MF_BYPOSITION | MF_POPUP,
                                 reinterpret_cast<UINT_PTR>(submenu.get()), kPlayModeMenuText))
        return nullptr;
    return submenu.release();
}

int trackPlayModeMenu(HWND owner, POINT at, int modeInForce, bool programOffered) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu)
        return 0;
    fillPlayModeMenu(menu.get(), modeInForce, programOffered);
    return static_cast<int>(TrackPopupMenu(
        menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
}

} // namespace rubo
