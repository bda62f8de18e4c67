#include "app/main_window/main_window_layout_win32.h"

#include "res/resource.h"

#include <utility>
#include <vector>

namespace rubo {

namespace {

// Controls moved on a resize, in template order.
constexpr int kLayoutControls[] = {IDC_DISPLAY, IDC_PROGRESS,  IDC_PREV,      IDC_PLAY,
                                   IDC_PAUSE,   IDC_STOP,      IDC_NEXT,      IDC_EJECT,
                                   IDC_TRACKS,  IDC_FREEDB,    IDC_EDIT_INFO, IDC_OPTIONS,
                                   IDC_ABOUT,   IDC_TINY_SIZE, IDC_VOLUME};

LayoutRect toLayout(const RECT& r) {
    return LayoutRect{static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                      static_cast<int>(r.bottom)};
}

} // namespace

void MainWindowLayout::limitSizing(int edge, RECT& rect) {
    LayoutRect limited = toLayout(rect);
    if (limitSizingRect(limited, edge))
        rect = RECT{limited.left, limited.top, limited.right, limited.bottom};
}

void MainWindowLayout::record(HWND dialog) {
    dialog_ = dialog;
    RECT client{};
    GetClientRect(dialog_, &client);
    std::vector<std::pair<int, LayoutRect>> controls;
    for (int id : kLayoutControls) {
        HWND control = GetDlgItem(dialog_, id);
        RECT r{};
        if (!control || !GetWindowRect(control, &r))
            continue;
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&r), 2);
        controls.emplace_back(id, toLayout(r));
    }
    layout_.record(static_cast<int>(client.right), static_cast<int>(client.bottom), controls);
}

void MainWindowLayout::apply() {
    if (!layout_.recorded())
        return;
    RECT client{};
    GetClientRect(dialog_, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return; // minimised
    for (const auto& placed : layout_.place(client.right, client.bottom)) {
        const LayoutRect& r = placed.second;
        MoveWindow(GetDlgItem(dialog_, placed.first), r.left, r.top, r.width(), r.height(), FALSE);
    }
}

} // namespace rubo
