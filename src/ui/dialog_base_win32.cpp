#include "ui/dialog_base_win32.h"

#include "base/callback_guard.h"
#include "ui/controls_win32.h"

#include <algorithm>
#include <vector>

namespace rubo::ui {

namespace {

// Live dialogs, oldest first; touched on the user-interface thread only.
std::vector<DialogBase*>& liveDialogs() {
    static std::vector<DialogBase*> dialogs;
    return dialogs;
}

// Messages whose value the dialog procedure returns itself instead of
// through DWLP_MSGRESULT.
bool returnsDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

} // namespace

DialogBase::DialogBase(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

DialogBase::~DialogBase() {
    HWND window = hwnd_;
    const bool modeless = !modal_;
    detach();
    // A modeless window must not outlive its object; detached first, so no
    // handler of a half-destroyed object runs.
    if (window && modeless && IsWindow(window))
        DestroyWindow(window);
}

INT_PTR DialogBase::doModal() {
    if (hwnd_)
        return -1;
    modal_ = true;
    INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent_,
                        &DialogBase::dialogProc, reinterpret_cast<LPARAM>(this));
    modal_ = false;
    return result;
}

HWND DialogBase::createModeless() {
    if (hwnd_)
        return nullptr;
    modal_ = false;
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent_,
                              &DialogBase::dialogProc, reinterpret_cast<LPARAM>(this));
}

std::string DialogBase::itemText(int controlId) const {
    return windowText(item(controlId));
}

void DialogBase::fillPage(PROPSHEETPAGEA& page) {
    page = PROPSHEETPAGEA{};
    page.dwSize = sizeof(page);
    page.hInstance = GetModuleHandleA(nullptr);
    page.pszTemplate = MAKEINTRESOURCEA(templateId_);
    page.pfnDlgProc = &DialogBase::pageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
}

void DialogBase::endDialog(INT_PTR result) {
    if (!hwnd_)
        return;
    if (modal_)
        EndDialog(hwnd_, result);
    else
        DestroyWindow(hwnd_);
}

bool DialogBase::preTranslate(MSG& msg) {
    (void)msg;
    return false;
}

DialogBase* DialogBase::fromWindow(HWND window) {
    const std::vector<DialogBase*>& dialogs = liveDialogs();
    for (HWND w = window; w; w = GetParent(w)) {
        for (auto it = dialogs.rbegin(); it != dialogs.rend(); ++it) {
            if ((*it)->hwnd_ == w)
                return *it;
        }
        // Past a top-level window GetParent gives the owner, which does not
        // hold this window.
        if (!(GetWindowLongA(w, GWL_STYLE) & WS_CHILD))
            break;
    }
    return nullptr;
}

bool DialogBase::onCommand(int id, int code, HWND control) {
    (void)id;
    (void)code;
    (void)control;
    return false;
}

bool DialogBase::onNotify(NMHDR& header, LRESULT& result) {
    (void)header;
    (void)result;
    return false;
}

bool DialogBase::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    (void)message;
    (void)wParam;
    (void)lParam;
    (void)result;
    return false;
}

void DialogBase::attach(HWND window) {
    hwnd_ = window;
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
    liveDialogs().push_back(this);
}

void DialogBase::detach() {
    std::vector<DialogBase*>& dialogs = liveDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), this), dialogs.end());
    if (hwnd_ && IsWindow(hwnd_) &&
        GetWindowLongPtrA(hwnd_, DWLP_USER) == reinterpret_cast<LONG_PTR>(this))
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
    hwnd_ = nullptr;
}

INT_PTR CALLBACK DialogBase::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DialogBase*>(lParam);
        if (self)
            self->attach(window);
    } else {
        self = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self)
        return FALSE;
    INT_PTR result = FALSE;
    callbackGuard([&] { result = self->dispatch(message, wParam, lParam); });
    if (message == WM_NCDESTROY)
        self->detach();
    return result;
}

// A page gets its PROPSHEETPAGEA with WM_INITDIALOG; the object is in it.
INT_PTR CALLBACK DialogBase::pageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* page = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        lParam = page ? page->lParam : 0;
    }
    return dialogProc(window, message, wParam, lParam);
}

INT_PTR DialogBase::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog();
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        // A click on a button of a disabled dialog, as a posted BM_CLICK
        // makes one, does what a real click does: nothing.
        if (code == BN_CLICKED && lParam != 0 && !IsWindowEnabled(hwnd_))
            return TRUE;
        if (onCommand(id, code, reinterpret_cast<HWND>(lParam)))
            return TRUE;
        if (code == BN_CLICKED && id == IDOK) {
            onOk();
            return TRUE;
        }
        if (code == BN_CLICKED && id == IDCANCEL) {
            onCancel();
            return TRUE;
        }
        return FALSE;
    }
    case WM_NOTIFY: {
        if (!lParam)
            return FALSE;
        LRESULT result = 0;
        if (!onNotify(*reinterpret_cast<NMHDR*>(lParam), result))
            return FALSE;
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_TIMER:
        onTimer(static_cast<UINT_PTR>(wParam));
        return TRUE;
    case WM_CLOSE:
        onClose();
        return TRUE;
    case WM_DESTROY:
        onDestroy();
        return FALSE;
    case WM_SYSCOLORCHANGE:
        // Only top-level windows hear of new system colours; controls that
        // keep pictures in them must too.
        for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            SendMessageA(child, WM_SYSCOLORCHANGE, wParam, lParam);
        break;
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        // Reflected to the control that asks, which may draw or colour
        // itself; a menu's WM_DRAWITEM (control id 0) is not.
        HWND child = nullptr;
        if (message == WM_DRAWITEM) {
            if (wParam != 0 && lParam)
                child = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        } else {
            child = reinterpret_cast<HWND>(lParam);
        }
        if (child && IsChild(hwnd_, child)) {
            const LRESULT answer = SendMessageA(child, kReflectBase + message, wParam, lParam);
            if (answer != 0) {
                if (returnsDirectly(message))
                    return static_cast<INT_PTR>(answer);
                SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, answer);
                return TRUE;
            }
        }
        break;
    }
    default:
        break;
    }
    INT_PTR result = 0;
    if (!onMessage(message, wParam, lParam, result))
        return FALSE;
    if (returnsDirectly(message))
        return result;
    SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
}

} // namespace rubo::ui
