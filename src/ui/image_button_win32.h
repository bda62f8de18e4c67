#pragma once

// An owner-drawn push button that shows one of three bitmaps (normal,
// pressed, disabled) with a raised or sunken edge. The dialog reflects
// WM_DRAWITEM to it (DialogBase does). At a high DPI the bitmap grows by a
// whole factor; the window text stays the button's name for screen readers.

#include "base/unique_handle_win32.h"
#include "ui/image_pixels.h"

#include <windows.h>

#include <functional>

namespace rubo::ui {

class CImageButton {
public:
    CImageButton() = default;
    ~CImageButton();
    CImageButton(const CImageButton&) = delete;
    CImageButton& operator=(const CImageButton&) = delete;

    // Subclasses the dialog's button `controlId` and gives it BS_OWNERDRAW.
    bool attach(HWND dialog, int controlId);
    HWND hwnd() const { return hwnd_; }

    int normalBitmap = 0;
    int pressedBitmap = 0;  // 0: the normal one
    int disabledBitmap = 0; // 0: the normal one, dithered
    bool stretch = false;
    void setTransparency(bool on, COLORREF colour);

    // Draws the button for one owner-draw request.
    void draw(const DRAWITEMSTRUCT& item);

    // Loads a bitmap by resource id; from the module with the 3-D colour
    // mapping unless a test replaces it (null restores that).
    using BitmapLoader = std::function<HBITMAP(int bitmapId)>;
    void setBitmapLoader(BitmapLoader loader) {
        loader_ = std::move(loader);
        dropPictures();
    }

private:
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    // A bitmap made ready for drawing: transparency and dithering applied
    // to `base`; `image` is it enlarged by `scale` for the DPI.
    struct Picture {
        PixelImage base;
        UniqueBitmap image;
        int scale = 0;
        int bitmapId = 0;
        bool dither = false;
        bool transparent = false;
        COLORREF transparentColour = 0;
    };

    HBITMAP loadBitmap(int bitmapId) const;
    // The picture of a slot (normal, pressed, disabled), built on first
    // use and again when what it was built from has changed.
    Picture* pictureFor(int slot, int bitmapId, bool dither);
    // Its image at `scale`; null when GDI refuses.
    static HBITMAP scaledImage(Picture& picture, int scale);
    static void dropPicture(Picture& picture);
    void dropPictures();

    HWND hwnd_ = nullptr;
    BitmapLoader loader_;
    bool transparent_ = false;
    COLORREF transparentColour_ = RGB(255, 255, 255);
    // Built once per state; dropped on WM_SYSCOLORCHANGE.
    Picture pictures_[3];
};

} // namespace rubo::ui
