#include "ui/tooltip_set_win32.h"

#include <commctrl.h>

#include <cctype>
#include <cstring>
#include <string>

namespace rubo::ui {

namespace {

// Longest tool-tip text loaded from the string table, with its terminator.
constexpr int kToolTextBytes = 256;
// "ListBox" and a little more; longer class names are not list boxes.
constexpr int kClassNameBytes = 21;
constexpr char kExpandMarker[] = "TOOLTIPEXPAND";
// The mouse messages relayed: WM_MOUSEFIRST up to the last button message.
constexpr UINT kLastRelayedMessage = 0x209;

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

void ToolTipSet::attach(HWND owner, bool active) {
    owner_ = owner;
    initToolTipClass();
    toolTip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!toolTip_)
        return;
    setActive(active);
    char text[kToolTextBytes];
    for (HWND child = GetWindow(owner, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!loadString(GetDlgCtrlID(child), text))
            continue;
        TOOLINFOA tool = toolFor(owner, child);
        tool.lpszText = text;
        SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void ToolTipSet::setActive(bool active) {
    if (toolTip_)
        SendMessageA(toolTip_, TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

void ToolTipSet::relay(const MSG& msg) {
    if (!toolTip_ || msg.message < WM_MOUSEFIRST || msg.message > kLastRelayedMessage || !msg.hwnd)
        return;
    HWND child = directChild(owner_, msg.hwnd);
    if (!child)
        return;
    expandListBoxTip(child, msg);
    MSG relayed = msg;
    relayed.hwnd = child;
    SendMessageA(toolTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void ToolTipSet::expandListBoxTip(HWND child, const MSG& msg) {
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
    TOOLINFOA tool = toolFor(owner_, child);
    tool.lpszText = text.data();
    SendMessageA(toolTip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    if (!onItem)
        SendMessageA(toolTip_, TTM_UPDATE, 0, 0);
}

} // namespace rubo::ui
