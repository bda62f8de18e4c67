#pragma once

// Owners of GDI handles: released when they go out of scope.

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <utility>

namespace rubo::ui {

using GdiObject = UniqueGdiObject<>;

// A memory DC like the given one.
class MemoryDc : public UniqueDc {
public:
    explicit MemoryDc(HDC like) : UniqueDc(CreateCompatibleDC(like)) {}
};

// The DC of a window's client area.
class WindowDc : public UniqueWindowDc {
public:
    explicit WindowDc(HWND window) : UniqueWindowDc(GetDC(window), rubo::WindowDcTraits{window}) {}
};

// The big and small icons of a window, loaded from the module's resources.
// The window only borrows them: this owner must outlive it.
class WindowIcons {
public:
    void set(HWND window, int iconId) {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        const int bigSize = GetSystemMetrics(SM_CXICON);
        const int smallSize = GetSystemMetrics(SM_CXSMICON);
        UniqueIcon big(static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, bigSize, bigSize, 0)));
        UniqueIcon small(static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, smallSize, smallSize, 0)));
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
        big_ = std::move(big);
        small_ = std::move(small);
    }
    HICON bigIcon() const { return big_.get(); }
    HICON smallIcon() const { return small_.get(); }

private:
    UniqueIcon big_;
    UniqueIcon small_;
};

// Selects an object into a DC and puts the old one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (old_)
            SelectObject(dc_, old_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

} // namespace rubo::ui
