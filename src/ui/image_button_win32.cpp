#include "ui/image_button_win32.h"

#include "base/callback_guard.h"
#include "ui/dialog_base_win32.h"
#include "ui/gdi_objects_win32.h"
#include "ui/image_pixels.h"
#include "ui/pixel_bitmap_win32.h"

#include <commctrl.h>

#include <utility>

namespace rubo::ui {

namespace {

constexpr UINT_PTR kSubclassId = 1;

std::uint32_t pixelFromColour(COLORREF colour) {
    return pixelFromRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

ImageAlign horizontalAlign(LONG_PTR style) {
    switch (style & BS_CENTER) {
    case BS_LEFT:
        return ImageAlign::Start;
    case BS_RIGHT:
        return ImageAlign::End;
    default:
        return ImageAlign::Centre;
    }
}

ImageAlign verticalAlign(LONG_PTR style) {
    switch (style & BS_VCENTER) {
    case BS_TOP:
        return ImageAlign::Start;
    case BS_BOTTOM:
        return ImageAlign::End;
    default:
        return ImageAlign::Centre;
    }
}

RECT toRect(const PixelRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

} // namespace

CImageButton::~CImageButton() {
    if (hwnd_ && IsWindow(hwnd_))
        RemoveWindowSubclass(hwnd_, &CImageButton::subclassProc, kSubclassId);
    hwnd_ = nullptr;
    dropPictures();
}

bool CImageButton::attach(HWND dialog, int controlId) {
    HWND window = GetDlgItem(dialog, controlId);
    if (!window)
        return false;
    if (hwnd_ && IsWindow(hwnd_))
        RemoveWindowSubclass(hwnd_, &CImageButton::subclassProc, kSubclassId);
    hwnd_ = nullptr;
    if (!SetWindowSubclass(window, &CImageButton::subclassProc, kSubclassId,
                           reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = window;
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    SetWindowLongPtrA(window, GWL_STYLE,
                      (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    InvalidateRect(window, nullptr, TRUE);
    return true;
}

void CImageButton::setTransparency(bool on, COLORREF colour) {
    transparent_ = on;
    transparentColour_ = colour;
}

HBITMAP CImageButton::loadBitmap(int bitmapId) const {
    if (loader_)
        return loader_(bitmapId);
    return static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId),
                                           IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
}

void CImageButton::dropPicture(Picture& picture) {
    picture = Picture();
}

void CImageButton::dropPictures() {
    for (Picture& picture : pictures_)
        dropPicture(picture);
}

CImageButton::Picture* CImageButton::pictureFor(int slot, int bitmapId, bool dither) {
    Picture& picture = pictures_[slot];
    if (!picture.base.pixels.empty() && picture.bitmapId == bitmapId && picture.dither == dither &&
        picture.transparent == transparent_ && picture.transparentColour == transparentColour_)
        return &picture;
    dropPicture(picture);

    GdiObject loaded(loadBitmap(bitmapId));
    PixelImage base = pixelsOfBitmap(static_cast<HBITMAP>(loaded.get()));
    if (base.pixels.empty())
        return nullptr;
    const std::uint32_t face = pixelFromColour(GetSysColor(COLOR_BTNFACE));
    if (transparent_)
        replaceColour(base.pixels.data(), base.width, base.height,
                      pixelFromColour(transparentColour_), face);
    if (dither)
        ditherCheckerboard(base.pixels.data(), base.width, base.height, face);

    picture.base = std::move(base);
    picture.bitmapId = bitmapId;
    picture.dither = dither;
    picture.transparent = transparent_;
    picture.transparentColour = transparentColour_;
    return &picture;
}

HBITMAP CImageButton::scaledImage(Picture& picture, int scale) {
    if (picture.image && picture.scale == scale)
        return picture.image.get();
    picture.image.reset();
    picture.scale = 0;
    UniqueBitmap image =
        scale == 1 ? bitmapOfPixels(picture.base)
                   : bitmapOfPixels(scaleNearest(picture.base.pixels.data(), picture.base.width,
                                                 picture.base.height, scale));
    if (!image)
        return nullptr;
    picture.image = std::move(image);
    picture.scale = scale;
    return picture.image.get();
}

void CImageButton::draw(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const int borderX = GetSystemMetrics(SM_CXBORDER);
    const int borderY = GetSystemMetrics(SM_CYBORDER);
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;

    int bitmapId = normalBitmap;
    bool dither = false;
    if (pressed) {
        if (pressedBitmap)
            bitmapId = pressedBitmap;
    } else if (disabled) {
        if (disabledBitmap)
            bitmapId = disabledBitmap;
        else
            dither = true;
    }

    RECT whole = item.rcItem;
    DrawEdge(dc, &whole, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT | BF_MIDDLE);

    Picture* picture = pictureFor(pressed ? 1 : disabled ? 2 : 0, bitmapId, dither);
    if (!picture)
        return;
    const PixelRect faceRect =
        buttonFace({item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom},
                   borderX, borderY);
    // Stretched pictures cover the face anyway; placed ones grow with the DPI.
    const int scale = stretch
                          ? 1
                          : buttonPictureScale(GetDeviceCaps(dc, LOGPIXELSY), picture->base.width,
                                               picture->base.height, faceRect, borderX, borderY);
    HBITMAP bitmap = scaledImage(*picture, scale);
    MemoryDc image(dc);
    if (!bitmap || !image.get())
        return;
    SelectedObject selectedPicture(image.get(), bitmap);
    const int width = picture->base.width * scale;
    const int height = picture->base.height * scale;

    const LONG_PTR style = GetWindowLongPtrA(item.hwndItem, GWL_STYLE);
    ImagePlacement place;
    if (stretch) {
        place = stretchImage(faceRect, width, height, pressed, borderX, borderY);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, place.dest.left, place.dest.top, place.dest.width(), place.dest.height(),
                   image.get(), 0, 0, width, height, SRCCOPY);
    } else {
        place = placeImage(faceRect, width, height, horizontalAlign(style), verticalAlign(style),
                           pressed, borderX, borderY);
        BitBlt(dc, place.dest.left, place.dest.top, place.dest.width(), place.dest.height(),
               image.get(), place.source.left, place.source.top, SRCCOPY);
    }

    if (item.itemState & ODS_FOCUS) {
        RECT focus = toRect(place.dest);
        InflateRect(&focus, borderX, borderY);
        DrawFocusRect(dc, &focus);
    }
}

LRESULT CALLBACK CImageButton::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR refData) {
    (void)id;
    auto* self = reinterpret_cast<CImageButton*>(refData);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &CImageButton::subclassProc, kSubclassId);
        if (self && self->hwnd_ == window)
            self->hwnd_ = nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    if (message == WM_SYSCOLORCHANGE && self && self->hwnd_ == window) {
        // The pictures hold the face colour and the 3-D colour mapping; the
        // system repaints every window after a colour change.
        self->dropPictures();
    }
    if (message == kReflectBase + WM_DRAWITEM && lParam && self && self->hwnd_ == window) {
        callbackGuard([&] { self->draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); });
        return TRUE;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace rubo::ui
