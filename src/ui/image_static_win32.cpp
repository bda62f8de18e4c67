#include "ui/image_static_win32.h"

namespace rubo::ui {

namespace {

HBITMAP loadBitmap(int id) {
    return LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

} // namespace

CImageStatic::~CImageStatic() {
    release();
}

void CImageStatic::release() {
    // The control must not keep showing a bitmap that is deleted below.
    if (hwnd_ && IsWindow(hwnd_) && shown_)
        SendMessageA(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, 0);
    if (enabledBitmap_)
        DeleteObject(enabledBitmap_);
    if (disabledBitmap_)
        DeleteObject(disabledBitmap_);
    enabledBitmap_ = disabledBitmap_ = nullptr;
}

bool CImageStatic::attach(HWND dialog, int controlId, int enabledBitmap, int disabledBitmap) {
    HWND window = GetDlgItem(dialog, controlId);
    if (!window)
        return false;
    HBITMAP enabled = loadBitmap(enabledBitmap);
    HBITMAP disabled = loadBitmap(disabledBitmap);
    if (!enabled || !disabled) {
        if (enabled)
            DeleteObject(enabled);
        if (disabled)
            DeleteObject(disabled);
        return false;
    }
    release();
    hwnd_ = window;
    enabledBitmap_ = enabled;
    disabledBitmap_ = disabled;
    shown_ = false;
    // A picture that reports its clicks.
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    const LONG_PTR wanted = (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | SS_BITMAP | SS_NOTIFY;
    if (wanted != style)
        SetWindowLongPtrA(window, GWL_STYLE, wanted);
    return true;
}

void CImageStatic::setEnabled(bool enabled) {
    // The Tiny window refreshes often; an unchanged picture is left alone.
    if (shown_ && enabled == enabled_)
        return;
    enabled_ = enabled;
    if (!hwnd_)
        return;
    SendMessageA(hwnd_, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(enabled ? enabledBitmap_ : disabledBitmap_));
    shown_ = true;
}

} // namespace rubo::ui
