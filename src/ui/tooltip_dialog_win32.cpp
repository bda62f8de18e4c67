#include "ui/tooltip_dialog_win32.h"

#include "ui/tiny_status.h"

#include <commctrl.h>

#include <cctype>
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

// Longest tool-tip text loaded from the string table, with its terminator.
constexpr int kToolTextBytes = 256;
// "ListBox" and a little more; longer class names are not list boxes.
constexpr int kClassNameBytes = 21;
constexpr char kExpandMarker[] = "TOOLTIPEXPAND";
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

void initToolTipClass() {
    static bool done = false;
    if (done)
        return;
    INITCOMMONCONTROLSEX init{};
    init.dwSize = sizeof(init);
    init.dwICC = ICC_WIN95_CLASSES;
    done = InitCommonControlsEx(&init) != FALSE;
}

TOOLINFOA toolFor(HWND dialog, HWND child) {
    TOOLINFOA tool{};
    // The first form, understood by every version of the common controls.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(child);
    return tool;
}

// The direct child of `dialog` that is or holds `window` (a combo box for
// its edit part); null when `window` is not inside the dialog.
HWND directChild(HWND dialog, HWND window) {
    for (HWND w = window; w && (GetWindowLongA(w, GWL_STYLE) & WS_CHILD);) {
        HWND parent = GetParent(w);
        if (parent == dialog)
            return w;
        w = parent;
    }
    return nullptr;
}

bool loadString(int id, char (&text)[kToolTextBytes]) {
    text[0] = '\0';
    return id > 0 &&
           LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), text, kToolTextBytes) > 0;
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
    if (trayMenu_)
        DestroyMenu(trayMenu_);
    trayMenu_ = nullptr;
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
    if (toolTip_)
        SendMessageA(toolTip_, TTM_ACTIVATE, dialogToolTipsActive ? TRUE : FALSE, 0);
}

BOOL CToolTipDialog::onInitDialog() {
    BOOL result = DialogBase::onInitDialog();
    tray_.hWnd = hwnd();
    attachToolTips();
    return result;
}

void CToolTipDialog::attachToolTips() {
    initToolTipClass();
    toolTip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!toolTip_)
        return;
    refreshToolTipsActive();
    char text[kToolTextBytes];
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!loadString(GetDlgCtrlID(child), text))
            continue;
        TOOLINFOA tool = toolFor(hwnd(), child);
        tool.lpszText = text;
        SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

bool CToolTipDialog::preTranslate(MSG& msg) {
    if (dialogToolTipsActive && toolTip_ && msg.message >= WM_MOUSEFIRST && msg.message <= 0x209 &&
        msg.hwnd) {
        HWND child = directChild(hwnd(), msg.hwnd);
        if (child) {
            expandListBoxTip(child, msg);
            MSG relay = msg;
            relay.hwnd = child;
            SendMessageA(toolTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
        }
    }
    return DialogBase::preTranslate(msg);
}

void CToolTipDialog::expandListBoxTip(HWND child, const MSG& msg) {
    char className[kClassNameBytes] = "";
    GetClassNameA(child, className, sizeof(className));
    if (std::strcmp(className, "ListBox") != 0)
        return;
    char marker[kToolTextBytes];
    if (!loadString(GetDlgCtrlID(child), marker))
        return;
    for (char* c = marker; *c; ++c)
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    if (std::strcmp(marker, kExpandMarker) != 0)
        return;

    POINT point{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
    MapWindowPoints(msg.hwnd, child, &point, 1);
    const LRESULT hit = SendMessageA(child, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    std::string text;
    bool onItem = false;
    if (hit != LB_ERR && HIWORD(hit) == 0) {
        const WPARAM index = LOWORD(hit);
        const LRESULT length = SendMessageA(child, LB_GETTEXTLEN, index, 0);
        if (length != LB_ERR && length >= 0) {
            text.assign(static_cast<std::size_t>(length) + 1, '\0');
            const LRESULT got =
                SendMessageA(child, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
            text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
            onItem = got != LB_ERR;
        }
    }
    TOOLINFOA tool = toolFor(hwnd(), child);
    tool.lpszText = text.data();
    SendMessageA(toolTip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    if (!onItem)
        SendMessageA(toolTip_, TTM_UPDATE, 0, 0);
}

bool CToolTipDialog::setTrayIcon(int iconId) {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId));
    if (!icon)
        return false;
    // LoadIcon icons are shared and never destroyed.
    trayIcon_ = icon;
    tray_.hIcon = icon;
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
    if (trayMenu_)
        DestroyMenu(trayMenu_);
    trayMenu_ = menu;
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
    HMENU popup = trayMenu_ ? GetSubMenu(trayMenu_, 0) : nullptr;
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
    toolTip_ = nullptr; // owned by the dialog, destroyed with it
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
        case WM_RBUTTONDBLCLK:
            onTrayRightDoubleClick();
            break;
        case WM_MOUSEMOVE:
            onTrayMouseMove();
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
