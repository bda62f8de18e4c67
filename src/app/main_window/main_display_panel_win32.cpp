#include "app/main_window/main_display_panel_win32.h"

#include "res/resource.h"
#include "settings/options.h"
#include "ui/tooltip_dialog_win32.h"

#include <commctrl.h>
#include <richedit.h>

namespace rubo {

namespace {

// CHARFORMAT heights are in twips.
constexpr LONG kTwipsPerPoint = 20;

} // namespace

void MainDisplayPanel::attach(ui::CToolTipDialog& dialog) {
    dialog_ = &dialog;
    display_ = dialog.item(IDC_DISPLAY);
    progress_ = dialog.item(IDC_PROGRESS);
    SendMessageA(progress_, PBM_SETRANGE32, 0, kProgressMax);
}

void MainDisplayPanel::show(const DisplayTexts& texts, bool trayTip) {
    const std::string text = texts.text();
    if (text != lastDisplayText_) {
        SetWindowTextA(display_, text.c_str());
        lastDisplayText_ = text;
    }
    // The bar moves when its filled part grows by a pixel, not on every
    // step of its range (a bar is some 300 pixels wide for 1000 steps).
    RECT bar{};
    GetClientRect(progress_, &bar);
    const int pixels =
        bar.right > 0 ? texts.progress * static_cast<int>(bar.right) / kProgressMax : -1;
    if (pixels != lastProgressPixels_) {
        if (pixels >= 0)
            SendMessageA(progress_, PBM_SETPOS, static_cast<WPARAM>(texts.progress), 0);
        lastProgressPixels_ = pixels;
    }
    // The shell is told only of a changed tip; the record keeps the newest
    // one for the next add.
    if (trayTip && texts.trayTip != lastTrayTip_) {
        dialog_->setTrayTip("%s", texts.trayTip.c_str());
        dialog_->updateTrayIcon();
        lastTrayTip_ = texts.trayTip;
    }
}

void MainDisplayPanel::applyFont(const Options& options) {
    CHARRANGE saved{};
    SendMessageA(display_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    CHARFORMATA format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_UNDERLINE | CFM_STRIKEOUT;
    format.dwEffects = 0;
    format.yHeight = options.fontSize * kTwipsPerPoint;
    format.crTextColor = static_cast<COLORREF>(options.frontColor);
    format.bCharSet = static_cast<BYTE>(options.charSet);
    lstrcpynA(format.szFaceName, options.fontName.c_str(), LF_FACESIZE);
    const LPARAM formatParam = reinterpret_cast<LPARAM>(&format);
    SendMessageA(display_, EM_SETCHARFORMAT, SCF_DEFAULT, formatParam);
    CHARRANGE all{0, -1};
    SendMessageA(display_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    SendMessageA(display_, EM_SETCHARFORMAT, SCF_SELECTION, formatParam);
    SendMessageA(display_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    SendMessageA(display_, EM_SETCHARFORMAT, SCF_SELECTION, formatParam);
    SendMessageA(display_, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(options.backColor));
}

void MainDisplayPanel::passKeyboardToPlay() {
    if (!keyboardToPlay_)
        return;
    HWND play = dialog_->item(IDC_PLAY);
    if (GetFocus() != display_) {
        keyboardToPlay_ = false;
    } else if (IsWindowEnabled(play)) {
        keyboardToPlay_ = false;
        SendMessageA(dialog_->hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(play), TRUE);
    }
}

std::optional<int> MainDisplayPanel::progressAt(LPARAM point) const {
    RECT client{};
    GetClientRect(progress_, &client);
    const int x = static_cast<short>(LOWORD(point));
    if (client.right > 0 && x >= 0 && x <= client.right)
        return x * kProgressMax / static_cast<int>(client.right);
    return std::nullopt;
}

} // namespace rubo
