#pragma once

// An owner-drawn push button that shows one of three bitmaps (normal,
// pressed, disabled) with a raised or sunken edge. The dialog reflects
// WM_DRAWITEM to it (DialogBase does).

#include <windows.h>

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

private:
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    HWND hwnd_ = nullptr;
    bool transparent_ = false;
    COLORREF transparentColour_ = RGB(255, 255, 255);
};

} // namespace rubo::ui
