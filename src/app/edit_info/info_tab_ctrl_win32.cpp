#include "app/edit_info/info_tab_ctrl_win32.h"

#include "base/callback_guard.h"

#include <commctrl.h>

namespace rubo {

namespace {
constexpr UINT_PTR kSubclassId = 1;
} // namespace

CInfoTabCtrl::~CInfoTabCtrl() {
    detach();
}

bool CInfoTabCtrl::attach(HWND tab) {
    if (!tab || tab_)
        return false;
    if (!SetWindowSubclass(tab, subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    tab_ = tab;
    // The dialog manager's Tab key then walks into the pages.
    SetWindowLongA(tab, GWL_EXSTYLE, GetWindowLongA(tab, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    return true;
}

void CInfoTabCtrl::detach() {
    if (tab_ && IsWindow(tab_))
        RemoveWindowSubclass(tab_, subclassProc, kSubclassId);
    tab_ = nullptr;
    pages_.clear();
    shown_ = -1;
}

void CInfoTabCtrl::addPage(const char* text, HWND page) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text);
    const int index = static_cast<int>(pages_.size());
    SendMessageA(tab_, TCM_INSERTITEMA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    pages_.push_back(page);
}

void CInfoTabCtrl::placePages() {
    RECT first{};
    RECT client{};
    if (!SendMessageA(tab_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)) ||
        !GetClientRect(tab_, &client))
        return;
    const int left = first.left;
    const int top = first.bottom + 1;
    const int width = client.right - left - 1;
    const int height = client.bottom - first.bottom - 2;
    for (HWND page : pages_)
        SetWindowPos(page, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CInfoTabCtrl::showPage(int index) {
    if (index < 0 || index >= static_cast<int>(pages_.size()) || index == shown_)
        return;
    if (shown_ >= 0)
        ShowWindow(pages_[static_cast<std::size_t>(shown_)], SW_HIDE);
    shown_ = index;
    SendMessageA(tab_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowWindow(pages_[static_cast<std::size_t>(index)], SW_SHOW);
}

LRESULT CALLBACK CInfoTabCtrl::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<CInfoTabCtrl*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, subclassProc, id);
        if (self && self->tab_ == window) {
            self->tab_ = nullptr;
            self->pages_.clear();
            self->shown_ = -1;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }
    // The default handling's selection notice may already show the page.
    const int shownBefore = self ? self->shown_ : -1;
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_LBUTTONDOWN && self)
        callbackGuard([&] {
            const int focused = static_cast<int>(SendMessageA(window, TCM_GETCURFOCUS, 0, 0));
            if (focused != shownBefore && focused >= 0 &&
                focused < static_cast<int>(self->pages_.size())) {
                self->showPage(focused);
                SetFocus(self->pages_[static_cast<std::size_t>(focused)]);
            }
        });
    return result;
}

} // namespace rubo
