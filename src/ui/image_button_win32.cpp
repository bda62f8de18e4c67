#include "ui/image_button_win32.h"

#include "ui/dialog_base_win32.h"
#include "ui/gdi_objects_win32.h"
#include "ui/image_pixels.h"

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

const CImageButton::Picture* CImageButton::pictureFor(int slot, int bitmapId, bool dither, HDC dc) {
    Picture& picture = pictures_[slot];
    if (picture.image && picture.bitmapId == bitmapId && picture.dither == dither &&
        picture.transparent == transparent_ && picture.transparentColour == transparentColour_)
        return &picture;
    dropPicture(picture);

    GdiObject loaded(loadBitmap(bitmapId));
    BITMAP info{};
    if (!loaded.get() || !GetObjectA(loaded.get(), sizeof(info), &info) || info.bmWidth <= 0 ||
        info.bmHeight <= 0)
        return nullptr;
    const int width = info.bmWidth;
    const int height = info.bmHeight;

    // A 32-bit top-down copy whose pixels can be changed in place.
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(header.bmiHeader);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = -height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap section(CreateDIBSection(dc, &header, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section)
        return nullptr;
    {
        MemoryDc image(dc);
        MemoryDc source(dc);
        if (!bits || !image.get() || !source.get())
            return nullptr;
        SelectedObject selectedSection(image.get(), section.get());
        SelectedObject selectedSource(source.get(), loaded.get());
        BitBlt(image.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
    }
    GdiFlush();

    auto* pixels = static_cast<std::uint32_t*>(bits);
    const std::uint32_t face = pixelFromColour(GetSysColor(COLOR_BTNFACE));
    if (transparent_)
        replaceColour(pixels, width, height, pixelFromColour(transparentColour_), face);
    if (dither)
        ditherCheckerboard(pixels, width, height, face);

    picture.image = std::move(section);
    picture.width = width;
    picture.height = height;
    picture.bitmapId = bitmapId;
    picture.dither = dither;
    picture.transparent = transparent_;
    picture.transparentColour = transparentColour_;
    return &picture;
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

    const Picture* picture = pictureFor(pressed ? 1 : disabled ? 2 : 0, bitmapId, dither, dc);
    MemoryDc image(dc);
    if (!picture || !image.get())
        return;
    SelectedObject selectedPicture(image.get(), picture->image.get());
    const int width = picture->width;
    const int height = picture->height;

    const PixelRect faceRect =
        buttonFace({item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom},
                   borderX, borderY);
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
        try {
            self->draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        } catch (...) {
        }
        return TRUE;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace rubo::ui
