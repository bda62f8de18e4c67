#pragma once

// The main window's display and progress bar as the display tick writes
// them, its tray tip with them, and the display's font.

#include "app/main_window/display_model.h"

#include <windows.h>

#include <optional>
#include <string>

namespace rubo {

struct Options;

namespace ui {
class CToolTipDialog;
}

class MainDisplayPanel {
public:
    // The main window, whose controls and tray icon these are; sets the
    // bar's range.
    void attach(ui::CToolTipDialog& dialog);

    // One tick's texts: each control is written only when what it shows
    // changes, the tray tip (when trayTip) only when it changed.
    void show(const DisplayTexts& texts, bool trayTip);
    // The font, size, colours and background of the display.
    void applyFont(const Options& options);

    // The dialog manager gives the shown window's focus to the display, its
    // first tab stop, where a caret would blink (and wake the window twice a
    // second) for nothing: from the first paint on, each tick's
    // passKeyboardToPlay moves the keyboard on to Play once Play is enabled,
    // unless the focus has moved meanwhile.
    void startKeyboardOnPlay() { keyboardToPlay_ = true; }
    void passKeyboardToPlay();

    // The bar's value under a click at `point` (client coordinates of the
    // bar); nothing outside it.
    std::optional<int> progressAt(LPARAM point) const;

private:
    ui::CToolTipDialog* dialog_ = nullptr;
    HWND display_ = nullptr;
    HWND progress_ = nullptr;
    std::string lastDisplayText_;
    std::string lastTrayTip_;
    int lastProgressPixels_ = -1; // filled width last shown
    bool keyboardToPlay_ = false; // from the first paint until Play has it
};

} // namespace rubo
