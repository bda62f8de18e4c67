#include "ui/message_filter_win32.h"

#include "base/callback_guard.h"
#include "ui/dialog_base_win32.h"

namespace rubo::ui {

namespace {

// All of it belongs to the user-interface thread.
HHOOK hook = nullptr;
HWND acceleratorWindow = nullptr;
HACCEL acceleratorTable = nullptr;
// The last message an own loop pre-translated, so that the IsDialogMessage
// that may follow in the same loop does not run the same work twice.
MSG lastPreTranslated{};
bool havePreTranslated = false;

bool sameMessage(const MSG& a, const MSG& b) {
    return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam &&
           a.lParam == b.lParam && a.time == b.time && a.pt.x == b.pt.x && a.pt.y == b.pt.y;
}

bool runFilters(MSG& msg) {
    if (acceleratorWindow && acceleratorTable && IsWindow(acceleratorWindow) &&
        TranslateAcceleratorA(acceleratorWindow, acceleratorTable, &msg))
        return true;
    DialogBase* dialog = DialogBase::fromWindow(msg.hwnd);
    return dialog && dialog->preTranslate(msg);
}

// IsDialogMessage calls the MSGF_DIALOGBOX filter for every message of a
// dialog loop, the dialog manager's modal loops included.
LRESULT CALLBACK filterProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && lParam) {
        MSG& msg = *reinterpret_cast<MSG*>(lParam);
        bool used = false;
        if (!(havePreTranslated && sameMessage(msg, lastPreTranslated)))
            callbackGuard([&] { used = runFilters(msg); });
        havePreTranslated = false;
        if (used)
            return TRUE;
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

} // namespace

bool MessageFilter::install() {
    if (hook)
        return true;
    hook = SetWindowsHookExA(WH_MSGFILTER, filterProc, nullptr, GetCurrentThreadId());
    return hook != nullptr;
}

void MessageFilter::uninstall() {
    if (hook)
        UnhookWindowsHookEx(hook);
    hook = nullptr;
    havePreTranslated = false;
}

void MessageFilter::setAccelerators(HWND window, HACCEL table) {
    acceleratorWindow = window;
    acceleratorTable = window ? table : nullptr;
}

bool MessageFilter::preTranslate(MSG& msg) {
    lastPreTranslated = msg;
    havePreTranslated = true;
    bool used = false;
    callbackGuard([&] { used = runFilters(msg); });
    return used;
}

void MessageFilter::runLoop(HWND window) {
    MSG msg;
    while (IsWindow(window)) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got == 0) {
            // Left in the queue for whoever runs the outer loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (preTranslate(msg))
            continue;
        // The dialog manager answers only keys; other messages it would
        // just dispatch, after one more call of the hook.
        const bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
        if (key && IsDialogMessageA(window, &msg))
            continue;
        havePreTranslated = false;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace rubo::ui
