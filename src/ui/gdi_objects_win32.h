#pragma once

// Owners of GDI handles: released when they go out of scope.

#include <windows.h>

#include <initializer_list>

namespace rubo::ui {

class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() {
        if (object_)
            DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ get() const { return object_; }

private:
    HGDIOBJ object_;
};

class MemoryDc {
public:
    explicit MemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
    ~MemoryDc() {
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// The big and small icons of a window, loaded from the module's resources.
// The window only borrows them: this owner must outlive it.
class WindowIcons {
public:
    WindowIcons() = default;
    ~WindowIcons() { release(big_, small_); }
    WindowIcons(const WindowIcons&) = delete;
    WindowIcons& operator=(const WindowIcons&) = delete;

    void set(HWND window, int iconId) {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        const int bigSize = GetSystemMetrics(SM_CXICON);
        const int smallSize = GetSystemMetrics(SM_CXSMICON);
        HICON big = static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, bigSize, bigSize, 0));
        HICON small = static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, smallSize, smallSize, 0));
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
        release(big_, small_);
        big_ = big;
        small_ = small;
    }
    HICON bigIcon() const { return big_; }
    HICON smallIcon() const { return small_; }

private:
    static void release(HICON big, HICON small) {
        for (HICON icon : {big, small}) {
            if (icon)
                DestroyIcon(icon);
        }
    }

    HICON big_ = nullptr;
    HICON small_ = nullptr;
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
