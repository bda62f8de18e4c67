#pragma once

// A clickable picture with an enabled and a disabled bitmap; the flag only
// changes the picture, never whether the control reacts to clicks. At a
// high DPI the bitmaps grow by a whole factor, centred in the control's
// cell; the window text stays the picture's name for screen readers. With
// WS_TABSTOP it takes the focus, and Space clicks it.

#include "base/unique_handle_win32.h"
#include "ui/image_pixels.h"

#include <windows.h>

namespace rubo::ui {

class CImageStatic {
public:
    CImageStatic() = default;
    ~CImageStatic();
    CImageStatic(const CImageStatic&) = delete;
    CImageStatic& operator=(const CImageStatic&) = delete;

    // Takes the dialog's static `controlId` (SS_BITMAP | SS_NOTIFY) and
    // loads both bitmaps from the module's resources. `cell` (dialog client
    // coordinates) is the room the picture is centred in; null: the
    // control's own rectangle.
    bool attach(HWND dialog, int controlId, int enabledBitmap, int disabledBitmap,
                const RECT* cell = nullptr);
    HWND hwnd() const { return hwnd_; }
    // Shows the enabled or disabled picture (STM_SETIMAGE).
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }
    // The factor the bitmaps were enlarged by.
    int scale() const { return scale_; }

private:
    // Space clicks the picture; the focus shows as a dotted frame.
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void release();
    void centreInCell();

    HWND hwnd_ = nullptr;
    UniqueBitmap enabledBitmap_;
    UniqueBitmap disabledBitmap_;
    // The picture the dialog template named: the control loaded it and
    // nobody else frees it.
    UniqueBitmap templateBitmap_;
    RECT cell_{};
    int scale_ = 1;
    bool enabled_ = true;
    bool shown_ = false;
};

} // namespace rubo::ui
