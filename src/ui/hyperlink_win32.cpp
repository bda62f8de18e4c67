#include "ui/hyperlink_win32.h"

#include "base/callback_guard.h"
#include "ui/controls_win32.h"
#include "ui/dialog_base_win32.h"
#include "ui/gdi_objects_win32.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cstring>

namespace rubo::ui {

namespace {

constexpr UINT_PTR kSubclassId = 1;
// The hand cursor inside the system's help program.
constexpr int kHelpHandCursorId = 106;

// Shared by all links, touched on the user-interface thread only.
COLORREF linkColour = RGB(0, 0, 255);
COLORREF activeColour = RGB(0, 128, 128);
COLORREF visitedColour = RGB(128, 0, 128);
COLORREF hoverColour = RGB(255, 0, 0);
UniqueCursor sharedHandCursor;
CHyperLink::Opener opener = nullptr;

// The help program is read only for its cursor; a copy outlives it.
void loadHandCursor() {
    if (sharedHandCursor)
        return;
    char folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const std::string path = std::string(folder, length) + "\\winhlp32.exe";
    UniqueModule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module)
        return;
    HCURSOR cursor = LoadCursorA(module.get(), MAKEINTRESOURCEA(kHelpHandCursorId));
    if (cursor)
        sharedHandCursor.reset(CopyCursor(cursor));
}

// The link's text is drawn on the dialog's background, so that is
// repainted under it.
void repaint(HWND window) {
    HWND parent = GetParent(window);
    RECT area;
    if (!parent || !GetWindowRect(window, &area)) {
        InvalidateRect(window, nullptr, TRUE);
        return;
    }
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

} // namespace

CHyperLink::~CHyperLink() {
    detach();
    // Any link's end takes the shared cursor with it; the next link loads
    // it again.
    sharedHandCursor.reset();
}

bool CHyperLink::attach(HWND dialog, int controlId) {
    detach();
    HWND window = GetDlgItem(dialog, controlId);
    if (!window)
        return false;
    if (!SetWindowSubclass(window, &CHyperLink::subclassProc, kSubclassId,
                           reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = window;
    SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) | SS_NOTIFY);

    const std::string text = windowText(window);
    if (target_.empty())
        target_ = text;
    if (text.empty() && !target_.empty())
        SetWindowTextA(window, target_.c_str());

    HFONT current = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    LOGFONTA font{};
    if (current && GetObjectA(current, sizeof(font), &font) == sizeof(font)) {
        font.lfUnderline = (options_ & kUnderline) ? TRUE : FALSE;
        font_.reset(CreateFontIndirectA(&font));
    }
    if (font_) {
        originalFont_ = current;
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        sizeToText();
    } else {
        options_ &= ~static_cast<unsigned>(kAutoSize);
    }
    if (!(options_ & kNoHandCursor))
        loadHandCursor();
    return true;
}

void CHyperLink::detach() {
    if (hwnd_ && IsWindow(hwnd_)) {
        RemoveWindowSubclass(hwnd_, &CHyperLink::subclassProc, kSubclassId);
        if (font_)
            SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(originalFont_), FALSE);
    }
    font_.reset();
    originalFont_ = nullptr;
    hwnd_ = nullptr;
    active_ = false;
    hover_ = false;
}

void CHyperLink::setTarget(const std::string& target) {
    target_ = target;
    if (hwnd_ && IsWindow(hwnd_)) {
        ShowWindow(hwnd_, SW_HIDE);
        sizeToText();
        ShowWindow(hwnd_, SW_SHOW);
    }
}

void CHyperLink::setColours(COLORREF link, COLORREF active, COLORREF visited, COLORREF hover) {
    linkColour = link;
    activeColour = active;
    visitedColour = visited;
    hoverColour = hover;
}

COLORREF CHyperLink::textColour() const {
    if (hover_ && (options_ & kUseHover))
        return hoverColour == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_HIGHLIGHT)
                                                        : hoverColour;
    if (active_ && !(options_ & kNoActiveColour))
        return activeColour;
    return visited_ ? visitedColour : linkColour;
}

void CHyperLink::setOpener(Opener replacement) {
    opener = replacement;
}

HCURSOR CHyperLink::handCursor() {
    return sharedHandCursor.get();
}

void CHyperLink::open() {
    if (opener) {
        opener(target_);
        return;
    }
    ShellExecuteA(nullptr, nullptr, target_.c_str(), nullptr, "", SW_SHOWNORMAL);
}

void CHyperLink::sizeToText() {
    if (!hwnd_ || !(options_ & kAutoSize))
        return;
    const std::string text = windowText(hwnd_);
    SIZE extent{};
    {
        WindowDc dc(hwnd_);
        if (!dc.get())
            return;
        SelectedObject font(dc.get(),
                            reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
        if (!GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent))
            return;
    }
    RECT window;
    RECT client;
    if (!GetWindowRect(hwnd_, &window) || !GetClientRect(hwnd_, &client))
        return;
    MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&window), 2);
    // The non-client margins stay as they are.
    const int width = extent.cx + (window.right - window.left) - client.right;
    const int height = extent.cy + (window.bottom - window.top) - client.bottom;
    const LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE);
    int left = window.left;
    if ((style & SS_TYPEMASK) == SS_CENTER)
        left = (window.left + window.right) / 2 - width / 2;
    else if ((style & SS_TYPEMASK) == SS_RIGHT)
        left = window.right - width;
    int top = window.top;
    if (style & SS_CENTERIMAGE)
        top = (window.top + window.bottom) / 2 - height / 2;
    SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK CHyperLink::subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR refData) {
    (void)id;
    auto* self = reinterpret_cast<CHyperLink*>(refData);
    if (message == WM_NCDESTROY) {
        if (self && self->hwnd_ == window)
            self->detach();
        else
            RemoveWindowSubclass(window, &CHyperLink::subclassProc, kSubclassId);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    bool handled = false;
    LRESULT result = 0;
    if (self && self->hwnd_ == window &&
        !callbackGuard([&] { result = self->handle(message, wParam, lParam, handled); }))
        handled = false;
    return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CHyperLink::handle(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = false;
    switch (message) {
    case kReflectBase + WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, textColour());
        SetBkMode(dc, TRANSPARENT);
        handled = true;
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    case WM_NCHITTEST:
        // A static is transparent to the mouse otherwise.
        handled = true;
        return HTCLIENT;
    case WM_SETCURSOR:
        if (sharedHandCursor) {
            SetCursor(sharedHandCursor.get());
            handled = true;
            return TRUE;
        }
        return 0;
    case WM_MOUSEMOVE:
        if (!hover_) {
            hover_ = true;
            repaint(hwnd_);
            SetCapture(hwnd_);
        } else {
            POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            RECT client;
            GetClientRect(hwnd_, &client);
            if (!PtInRect(&client, point)) {
                hover_ = false;
                ReleaseCapture();
                repaint(hwnd_);
            }
        }
        return 0;
    case WM_LBUTTONDOWN:
        if (options_ & kGetFocusOnClick)
            SetFocus(hwnd_);
        if (options_ & kDownClick)
            open();
        active_ = true;
        handled = true;
        return 0;
    case WM_LBUTTONUP:
        // Wherever the button comes up: the press made the link active.
        if (active_ && !(options_ & kDownClick))
            open();
        handled = true;
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            open();
            handled = true;
        }
        return 0;
    case WM_SETFOCUS:
        active_ = true;
        repaint(hwnd_);
        return 0;
    case WM_KILLFOCUS:
        active_ = false;
        hover_ = false;
        repaint(hwnd_);
        return 0;
    default:
        return 0;
    }
}

} // namespace rubo::ui
