#pragma once

// Helpers of the dialog tests: waiting by pumping messages, a 32-bit
// memory bitmap to draw into and read back, and the count of GDI objects.

#include "ui/message_filter_win32.h"

#include <windows.h>

#include <cstdint>

namespace rubo::test {

// Pumps this thread's messages, through the filters and the dialog
// manager of `dialog`, until `done()` or the timeout.
template <class Done> bool pumpUntil(HWND dialog, Done done, DWORD timeoutMs = 3000) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (ui::MessageFilter::preTranslate(msg))
                continue;
            if (dialog && IsWindow(dialog) && IsDialogMessageA(dialog, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

// A top-down 32-bit DIB selected into a memory DC.
class PixelCanvas {
public:
    PixelCanvas(int width, int height) : width_(width) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~PixelCanvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    HDC dc() const { return dc_; }
    // 0x00RRGGBB
    std::uint32_t at(int x, int y) const {
        GdiFlush();
        return static_cast<const std::uint32_t*>(bits_)[y * width_ + x] & 0x00FFFFFFu;
    }

private:
    int width_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

// The live GDI objects of this process. GetGuiResources counts them on
// Windows; Wine's is a stub (0, ERROR_CALL_NOT_IMPLEMENTED), but Wine's
// handle table answers GetObjectType for a bare table index, so there the
// live entries are counted one by one.
inline DWORD gdiObjectCount() {
    SetLastError(0);
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return counted;
    DWORD live = 0;
    for (ULONG_PTR index = 0; index <= 0xFFFF; ++index) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0)
            ++live;
    }
    return live;
}

inline std::uint32_t rgbPixel(COLORREF colour) {
    return (static_cast<std::uint32_t>(GetRValue(colour)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
}

} // namespace rubo::test
