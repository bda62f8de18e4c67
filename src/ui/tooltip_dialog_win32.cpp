#include "ui/tooltip_dialog_win32.h"

#include "ui/tray_tip.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstring>
#include <string>

namespace rubo::ui {

namespace {

// Process-wide tool-tip flag of dialogs; 0 until set.
bool dialogToolTipsActive = false;

CToolTipDialog::TrayNotifier trayNotifier = nullptr;

// The record's first form: 88 bytes in the 32-bit program.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88, "NOTIFYICONDATAA first form");

// The system commands that minimise: SC_MINIMIZE and the 15 above it.
constexpr WPARAM kMinimizeFirst = 0xF020;
constexpr WPARAM kMinimizeLast = 0xF02F;

// The shell announces a restart of the task bar with this message.
UINT taskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

BOOL notifyShell(DWORD action, NOTIFYICONDATAA& data) {
    if (trayNotifier)
        return trayNotifier(action, data);
    return Shell_NotifyIconA(action, &data);
}

} // namespace

CToolTipDialog::CToolTipDialog(int templateId, HWND parent) : DialogBase(templateId, parent) {
    tray_.cbSize = NOTIFYICONDATAA_V1_SIZE;
    tray_.uID = kTrayIconId;
    tray_.uFlags = NIF_MESSAGE;
    tray_.uCallbackMessage = kTrayCallbackMessage;
}

CToolTipDialog::~CToolTipDialog() {
    // Destroyed with its window still there (a modeless dialog): the icon
    // must not stay behind.
    if (inTray_ && hwnd())
        removeTrayIcon();
}

void CToolTipDialog::setToolTipsActive(bool active) {
    dialogToolTipsActive = active;
}

bool CToolTipDialog::toolTipsActive() {
    return dialogToolTipsActive;
}

void CToolTipDialog::setTrayNotifier(TrayNotifier notifier) {
    trayNotifier = notifier;
}

void CToolTipDialog::refreshToolTipsActive() {
    tips_.setActive(dialogToolTipsActive);
}

BOOL CToolTipDialog::onInitDialog() {
    BOOL result = DialogBase::onInitDialog();
    tray_.hWnd = hwnd();
    tips_.attach(hwnd(), dialogToolTipsActive);
    return result;
}

bool CToolTipDialog::preTranslate(MSG& msg) {
    if (dialogToolTipsActive)
        tips_.relay(msg);
    return DialogBase::preTranslate(msg);
}

bool CToolTipDialog::setTrayIcon(int iconId) {
    // The image of the small-icon size, so the shell need not shrink the
    // big one at high DPI.
    const int size = GetSystemMetrics(SM_CXSMICON);
    UniqueIcon icon(
        static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId),
                                      IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    if (!icon)
        return false;
    tray_.hIcon = icon.get();
    trayIcon_ = std::move(icon);
    tray_.uFlags |= NIF_ICON;
    return true;
}

void CToolTipDialog::setTrayTip(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    // A 512-byte buffer, then cut to what the 64-byte field holds.
    const std::string tip = trayTipText(formatBoundedV(kMessageMaxChars, format, args));
    va_end(args);
    std::memcpy(tray_.szTip, tip.c_str(), tip.size() + 1);
    tray_.uFlags |= NIF_TIP;
}

bool CToolTipDialog::loadTrayMenu(int menuId) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menuId));
    if (!menu)
        return false;
    trayMenu_.reset(menu);
    return true;
}

bool CToolTipDialog::addTrayIcon() {
    if (inTray_)
        return false;
    if (!notifyShell(NIM_ADD, tray_))
        return false;
    inTray_ = true;
    return true;
}

bool CToolTipDialog::removeTrayIcon() {
    if (!inTray_)
        return false;
    if (!notifyShell(NIM_DELETE, tray_))
        return false;
    inTray_ = false;
    return true;
}

bool CToolTipDialog::updateTrayIcon() {
    if (!inTray_)
        return false;
    return notifyShell(NIM_MODIFY, tray_) != FALSE;
}

void CToolTipDialog::onTrayLeftClick() {
    SetForegroundWindow(hwnd());
    PostMessageA(hwnd(), WM_NULL, 0, 0);
}

void CToolTipDialog::onTrayDoubleClick() {
    if (trayEnabled_ && removeTrayIcon())
        ShowWindow(hwnd(), SW_SHOW);
}

void CToolTipDialog::onTrayRightClick() {
    showTrayMenu();
}

void CToolTipDialog::showTrayMenu() {
    HMENU popup = trayMenu_ ? GetSubMenu(trayMenu_.get(), 0) : nullptr;
    if (!popup)
        return;
    prepareTrayMenu(popup);
    SetForegroundWindow(hwnd());
    POINT cursor{};
    GetCursorPos(&cursor);
    TrackPopupMenu(popup, TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd(),
                   nullptr);
    SetMenuDefaultItem(popup, static_cast<UINT>(trayDefaultItem_), TRUE);
    // Lets the menu close properly when the user clicks elsewhere.
    PostMessageA(hwnd(), WM_NULL, 0, 0);
}

void CToolTipDialog::onDestroy() {
    if (inTray_)
        removeTrayIcon();
    tips_.release(); // the control is destroyed with the dialog
    DialogBase::onDestroy();
}

bool CToolTipDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) >= kMinimizeFirst &&
        (wParam & 0xFFF0) <= kMinimizeLast) {
        // Into the tray; when the icon cannot be added the window
        // minimises as usual.
        if (trayEnabled_ && addTrayIcon()) {
            ShowWindow(hwnd(), SW_HIDE);
            result = 0;
            return true;
        }
        return false;
    }
    if (message == kTrayCallbackMessage) {
        if (wParam != kTrayIconId)
            return false;
        switch (static_cast<UINT>(lParam)) {
        case WM_RBUTTONDOWN:
        case WM_CONTEXTMENU:
            onTrayRightClick();
            break;
        case WM_LBUTTONDOWN:
            onTrayLeftClick();
            break;
        case WM_LBUTTONDBLCLK:
            onTrayDoubleClick();
            break;
        default:
            break;
        }
        result = 0;
        return true;
    }
    if (message == taskbarCreatedMessage() && message != 0) {
        // The shell restarted and forgot the icon: add it again, or show
        // the window when that fails so that it can still be reached.
        if (inTray_) {
            inTray_ = false;
            if (!addTrayIcon())
                ShowWindow(hwnd(), SW_SHOW);
        }
        result = 0;
        return true;
    }
    return DialogBase::onMessage(message, wParam, lParam, result);
}

} // namespace rubo::ui
