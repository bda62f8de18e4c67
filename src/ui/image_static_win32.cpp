#include "ui/image_static_win32.h"

#include "ui/gdi_objects_win32.h"
#include "ui/pixel_bitmap_win32.h"

#include <commctrl.h>

#include <utility>

namespace rubo::ui {

namespace {

constexpr UINT_PTR kSubclassId = 1;

HBITMAP loadBitmap(int id) {
    return LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

// The bitmap enlarged by `scale`; itself at 1.
UniqueBitmap scaled(UniqueBitmap bitmap, int scale) {
    if (scale <= 1 || !bitmap)
        return bitmap;
    const PixelImage base = pixelsOfBitmap(bitmap.get());
    return bitmapOfPixels(scaleNearest(base.pixels.data(), base.width, base.height, scale));
}

SIZE bitmapSize(HBITMAP bitmap) {
    BITMAP header{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(header), &header))
        return SIZE{0, 0};
    return SIZE{header.bmWidth, header.bmHeight};
}

} // namespace

CImageStatic::~CImageStatic() {
    release();
}

void CImageStatic::release() {
    if (hwnd_ && IsWindow(hwnd_))
        RemoveWindowSubclass(hwnd_, &CImageStatic::subclassProc, kSubclassId);
    // The control must not keep showing a bitmap that is deleted below.
    if (hwnd_ && IsWindow(hwnd_) && (shown_ || templateBitmap_))
        SendMessageA(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, 0);
    enabledBitmap_.reset();
    disabledBitmap_.reset();
    templateBitmap_.reset();
}

bool CImageStatic::attach(HWND dialog, int controlId, int enabledBitmap, int disabledBitmap,
                          const RECT* cell) {
    HWND window = GetDlgItem(dialog, controlId);
    if (!window)
        return false;
    RECT room{};
    if (cell) {
        room = *cell;
    } else {
        GetWindowRect(window, &room);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&room), 2);
    }
    UniqueBitmap enabled(loadBitmap(enabledBitmap));
    UniqueBitmap disabled(loadBitmap(disabledBitmap));
    if (!enabled || !disabled)
        return false;
    const SIZE size = bitmapSize(enabled.get());
    const int scale = pictureScale(windowDpi(window), size.cx, size.cy, room.right - room.left,
                                   room.bottom - room.top);
    enabled = scaled(std::move(enabled), scale);
    disabled = scaled(std::move(disabled), scale);
    if (!enabled || !disabled)
        return false;
    release();
    hwnd_ = window;
    cell_ = room;
    scale_ = scale;
    enabledBitmap_ = std::move(enabled);
    disabledBitmap_ = std::move(disabled);
    templateBitmap_.reset(
        reinterpret_cast<HBITMAP>(SendMessageA(window, STM_GETIMAGE, IMAGE_BITMAP, 0)));
    shown_ = false;
    SetWindowSubclass(window, &CImageStatic::subclassProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
    // A picture that reports its clicks.
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    const LONG_PTR wanted = (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | SS_BITMAP | SS_NOTIFY;
    if (wanted != style)
        SetWindowLongPtrA(window, GWL_STYLE, wanted);
    return true;
}

void CImageStatic::centreInCell() {
    const SIZE size = bitmapSize(enabled_ ? enabledBitmap_.get() : disabledBitmap_.get());
    const PixelRect place =
        centredIn(PixelRect{cell_.left, cell_.top, cell_.right, cell_.bottom}, size.cx, size.cy);
    SetWindowPos(hwnd_, nullptr, place.left, place.top, place.width(), place.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
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
    // The control took the picture's size at its top left corner.
    centreInCell();
    shown_ = true;
}

LRESULT CALLBACK CImageStatic::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, &CImageStatic::subclassProc, kSubclassId);
        break;
    case WM_GETDLGCODE:
        // Space reaches the picture (no mnemonic search); Tab, Enter and
        // Escape stay the dialog's.
        return DLGC_STATIC | DLGC_WANTCHARS;
    case WM_KEYUP:
        if (wParam == VK_SPACE) {
            // As a click: the parent hears STN_CLICKED.
            SendMessageA(GetParent(window), WM_COMMAND,
                         MAKEWPARAM(GetDlgCtrlID(window), STN_CLICKED),
                         reinterpret_cast<LPARAM>(window));
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, TRUE);
        break;
    case WM_PAINT: {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        // As buttons do: the frame once the keyboard has been used.
        const bool hideFocus = (SendMessageA(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
        if (GetFocus() == window && !hideFocus) {
            RECT client{};
            GetClientRect(window, &client);
            WindowDc dc(window);
            if (dc.get())
                DrawFocusRect(dc.get(), &client);
        }
        return result;
    }
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace rubo::ui
