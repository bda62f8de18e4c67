#include "ui/image_static_win32.h"

#include <utility>

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
    if (hwnd_ && IsWindow(hwnd_) && (shown_ || templateBitmap_))
        SendMessageA(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, 0);
    enabledBitmap_.reset();
    disabledBitmap_.reset();
    templateBitmap_.reset();
}

bool CImageStatic::attach(HWND dialog, int controlId, int enabledBitmap, int disabledBitmap) {
    HWND window = GetDlgItem(dialog, controlId);
    if (!window)
        return false;
    UniqueBitmap enabled(loadBitmap(enabledBitmap));
    UniqueBitmap disabled(loadBitmap(disabledBitmap));
    if (!enabled || !disabled)
        return false;
    release();
    hwnd_ = window;
    enabledBitmap_ = std::move(enabled);
    disabledBitmap_ = std::move(disabled);
    templateBitmap_.reset(
        reinterpret_cast<HBITMAP>(SendMessageA(window, STM_GETIMAGE, IMAGE_BITMAP, 0)));
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
    const auto previous = reinterpret_cast<HBITMAP>(SendMessageA(
        hwnd_, STM_SETIMAGE, IMAGE_BITMAP,
        reinterpret_cast<LPARAM>(enabled ? enabledBitmap_.get() : disabledBitmap_.get())));
    // STM_SETIMAGE hands back the picture it replaced; the template's is ours to free.
    if (previous && previous == templateBitmap_.get())
        templateBitmap_.reset();
    shown_ = true;
}

} // namespace rubo::ui
