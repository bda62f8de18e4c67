#include "app/main_window/main_transport_window_win32.h"

#include "app/main_window/transport_ids.h"
#include "base/unique_handle_win32.h"
#include "ui/menu_text.h"

#include <cstring>

namespace rubo {

void MainTransportWindow::enableControl(TransportControl control, bool enabled) {
    EnableWindow(GetDlgItem(dialog_, transportControlId(control)), enabled ? TRUE : FALSE);
}

bool MainTransportWindow::setClipboardText(const std::string& text) {
    if (!OpenClipboard(dialog_))
        return false;
    EmptyClipboard();
    UniqueGlobal memory(GlobalAlloc(GMEM_DDESHARE, text.size() + 1));
    char* target = memory ? static_cast<char*>(GlobalLock(memory.get())) : nullptr;
    if (target) {
        std::memcpy(target, text.c_str(), text.size() + 1);
        GlobalUnlock(memory.get());
        if (SetClipboardData(CF_TEXT, memory.get()))
            memory.release(); // the clipboard owns it now
    }
    CloseClipboard();
    return true;
}

int MainTransportWindow::showTrackMenu(const TrackMenu& menu) {
    UniqueMenu owned(CreatePopupMenu());
    HMENU popup = owned.get();
    if (!popup)
        return 0;
    for (const TrackMenuItem& entry : menu.items) {
        const UINT flags = MF_STRING | (entry.grayed ? MF_GRAYED : MF_ENABLED);
        AppendMenuA(popup, flags, static_cast<UINT_PTR>(entry.commandId),
                    ui::menuItemText(entry.text).c_str());
    }
    if (menu.defaultPosition >= 0)
        SetMenuDefaultItem(popup, static_cast<UINT>(menu.defaultPosition), TRUE);
    POINT cursor{};
    GetCursorPos(&cursor);
    const int chosen =
        static_cast<int>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                        cursor.x, cursor.y, 0, dialog_, nullptr));
    return chosen;
}

} // namespace rubo
