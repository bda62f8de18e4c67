#pragma once

// A clickable picture with an enabled and a disabled bitmap; the flag only
// changes the picture, never whether the control reacts to clicks.

#include "settings/unique_handle_win32.h"

#include <windows.h>

namespace rubo::ui {

class CImageStatic {
public:
    CImageStatic() = default;
    ~CImageStatic();
    CImageStatic(const CImageStatic&) = delete;
    CImageStatic& operator=(const CImageStatic&) = delete;

    // Takes the dialog's static `controlId` (SS_BITMAP | SS_NOTIFY) and
    // loads both bitmaps from the module's resources.
    bool attach(HWND dialog, int controlId, int enabledBitmap, int disabledBitmap);
    HWND hwnd() const { return hwnd_; }
    // Shows the enabled or disabled picture (STM_SETIMAGE).
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }

private:
    void release();

    HWND hwnd_ = nullptr;
    UniqueBitmap enabledBitmap_;
    UniqueBitmap disabledBitmap_;
    // The picture the dialog template named: the control loaded it and
    // nobody else frees it.
    UniqueBitmap templateBitmap_;
    bool enabled_ = true;
    bool shown_ = false;
};

} // namespace rubo::ui
