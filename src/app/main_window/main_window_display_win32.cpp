// The main window's display: the tick, the font, the size limits and the
// layout.
#include "app/main_window/main_window_win32.h"

#include "base/event_log.h"
#include "res/resource.h"

#include <commctrl.h>
#include <richedit.h>
#include <windows.h>

#include <cstring>
#include <utility>
#include <vector>

namespace rubo {

namespace {

// CHARFORMAT heights are in twips.
constexpr LONG kTwipsPerPoint = 20;

// Controls moved on a resize, in template order.
constexpr int kLayoutControls[] = {IDC_DISPLAY, IDC_PROGRESS,  IDC_PREV,      IDC_PLAY,
                                   IDC_PAUSE,   IDC_STOP,      IDC_NEXT,      IDC_EJECT,
                                   IDC_TRACKS,  IDC_FREEDB,    IDC_EDIT_INFO, IDC_OPTIONS,
                                   IDC_ABOUT,   IDC_TINY_SIZE, IDC_VOLUME};

LayoutRect toLayout(const RECT& r) {
    return LayoutRect{static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                      static_cast<int>(r.bottom)};
}

} // namespace

void CMainWindow::onTimer(UINT_PTR) {
    refreshDisplay();
    lookUpNewDisc();
    if (options_.logging)
        log_.flush();
}

void CMainWindow::refreshDisplay() {
    MainDisplay* display = session_.display();
    if (!display)
        return;
    if (!displayControl_) {
        displayControl_ = item(IDC_DISPLAY);
        progressControl_ = item(IDC_PROGRESS);
    }
    const DisplayTexts texts = display->refresh(options_);
    const std::string text = texts.text();
    if (text != lastDisplayText_) {
        SetWindowTextA(displayControl_, text.c_str());
        lastDisplayText_ = text;
    }
    // The bar moves when its filled part grows by a pixel, not on every
    // step of its range (a bar is some 300 pixels wide for 1000 steps).
    RECT bar{};
    GetClientRect(progressControl_, &bar);
    const int pixels =
        bar.right > 0 ? texts.progress * static_cast<int>(bar.right) / kProgressMax : -1;
    if (pixels != lastProgressPixels_) {
        if (pixels >= 0)
            SendMessageA(progressControl_, PBM_SETPOS, static_cast<WPARAM>(texts.progress), 0);
        lastProgressPixels_ = pixels;
    }
    // The shell is told only of a changed tip; the record keeps the newest
    // one for the next add.
    if (!closing_ && texts.trayTip != lastTrayTip_) {
        setTrayTip("%s", texts.trayTip.c_str());
        updateTrayIcon();
        lastTrayTip_ = texts.trayTip;
    }
    if (keyboardToPlay_)
        startKeyboardOnPlay();
    volumeSlider_.tick();
}

void CMainWindow::applyDisplayFont() {
    HWND display = item(IDC_DISPLAY);
    CHARRANGE saved{};
    SendMessageA(display, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    CHARFORMATA format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_UNDERLINE | CFM_STRIKEOUT;
    format.dwEffects = 0;
    format.yHeight = options_.fontSize * kTwipsPerPoint;
    format.crTextColor = static_cast<COLORREF>(options_.frontColor);
    format.bCharSet = static_cast<BYTE>(options_.charSet);
    lstrcpynA(format.szFaceName, options_.fontName.c_str(), LF_FACESIZE);
    const LPARAM formatParam = reinterpret_cast<LPARAM>(&format);
    SendMessageA(display, EM_SETCHARFORMAT, SCF_DEFAULT, formatParam);
    CHARRANGE all{0, -1};
    SendMessageA(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    SendMessageA(display, EM_SETCHARFORMAT, SCF_SELECTION, formatParam);
    SendMessageA(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    SendMessageA(display, EM_SETCHARFORMAT, SCF_SELECTION, formatParam);
    SendMessageA(display, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(options_.backColor));
}

void CMainWindow::onSizing(int edge, RECT& rect) {
    LayoutRect limited = toLayout(rect);
    if (limitSizingRect(limited, edge))
        rect = RECT{limited.left, limited.top, limited.right, limited.bottom};
}

void CMainWindow::recordLayout() {
    RECT client{};
    GetClientRect(hwnd(), &client);
    std::vector<std::pair<int, LayoutRect>> controls;
    for (int id : kLayoutControls) {
        HWND control = item(id);
        RECT r{};
        if (!control || !GetWindowRect(control, &r))
            continue;
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
        controls.emplace_back(id, toLayout(r));
    }
    layout_.record(static_cast<int>(client.right), static_cast<int>(client.bottom), controls);
}

void CMainWindow::applyLayout() {
    if (!layout_.recorded())
        return;
    RECT client{};
    GetClientRect(hwnd(), &client);
    if (client.right <= 0 || client.bottom <= 0)
        return; // minimised
    for (const auto& placed : layout_.place(client.right, client.bottom)) {
        const LayoutRect& r = placed.second;
        MoveWindow(item(placed.first), r.left, r.top, r.width(), r.height(), FALSE);
    }
}

void CMainWindow::onProgressClick(HWND bar, LPARAM point) {
    RECT client{};
    GetClientRect(bar, &client);
    const int x = static_cast<short>(LOWORD(point));
    TransportCommands* commands = session_.commands();
    if (client.right > 0 && x >= 0 && x <= client.right && commands)
        commands->seekInTrack(x * kProgressMax / static_cast<int>(client.right));
}

} // namespace rubo
