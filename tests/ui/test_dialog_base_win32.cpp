#include <doctest.h>

#include "support/ui_test_support_win32.h"
#include "test_ui_resources.h"
#include "ui/dialog_base_win32.h"
#include "ui/message_filter_win32.h"

#include <commctrl.h>

#include <vector>

using namespace rubo;
using namespace rubo::ui;

namespace {

constexpr int kAcceleratorCommand = 4242;
constexpr UINT_PTR kGiveUpTimer = 7;
constexpr UINT kProbe = WM_APP + 5;

// A modal dialog that posts `key` to its edit box when it starts and gives
// up after two seconds.
struct ModalDialog : DialogBase {
    explicit ModalDialog(WPARAM key) : DialogBase(IDD_T_MODAL, nullptr), key_(key) {}
    std::vector<int> seen; // control ids of the probes
    bool destroyed = false;
    BOOL onInitDialog() override {
        PostMessageA(item(IDC_T_INNER_EDIT), key_ ? WM_KEYDOWN : kProbe, key_, 0);
        SetTimer(hwnd(), kGiveUpTimer, 2000, nullptr);
        return TRUE;
    }
    void onTimer(UINT_PTR) override { endDialog(-2); }
    void onDestroy() override { destroyed = true; }
    bool preTranslate(MSG& msg) override {
        if (msg.message == kProbe) {
            seen.push_back(GetDlgCtrlID(msg.hwnd));
            endDialog(55);
            return true;
        }
        return false;
    }

private:
    WPARAM key_;
};

ModalDialog* running = nullptr;

LRESULT CALLBACK acceleratorTarget(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == kAcceleratorCommand && running)
        running->endDialog(77);
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND makeTargetWindow() {
    WNDCLASSA type{};
    type.lpfnWndProc = acceleratorTarget;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "RuboAcceleratorTarget";
    RegisterClassA(&type);
    return CreateWindowA("RuboAcceleratorTarget", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

struct ReflectingDialog : DialogBase {
    ReflectingDialog() : DialogBase(IDD_T_CONTROLS, nullptr) { REQUIRE(createModeless()); }
    UINT lastOther = 0;
    bool onMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) override {
        if (message != WM_CTLCOLORSTATIC)
            return false;
        lastOther = message;
        result = 0x5A;
        return true;
    }
    bool onNotify(NMHDR& header, LRESULT& result) override {
        result = static_cast<LRESULT>(header.code) + 1;
        return true;
    }
};

LRESULT CALLBACK answerColour(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR answer) {
    if (message == kReflectBase + WM_CTLCOLORSTATIC)
        return static_cast<LRESULT>(answer);
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace

TEST_CASE("the message filter translates an accelerator inside DialogBoxParam's loop") {
    HWND target = makeTargetWindow();
    REQUIRE(target);
    ACCEL accel{FVIRTKEY, VK_F7, kAcceleratorCommand};
    HACCEL table = CreateAcceleratorTableA(&accel, 1);
    REQUIRE(MessageFilter::install());
    MessageFilter::setAccelerators(target, table);

    ModalDialog dialog(VK_F7);
    running = &dialog;
    CHECK(dialog.doModal() == 77);
    CHECK(dialog.destroyed);
    CHECK(dialog.hwnd() == nullptr);

    SUBCASE("without the hook the key reaches the edit box") {
        MessageFilter::uninstall();
        ModalDialog unfiltered(VK_F7);
        running = &unfiltered;
        CHECK(unfiltered.doModal() == -2);
    }
    running = nullptr;
    MessageFilter::setAccelerators(nullptr, nullptr);
    MessageFilter::uninstall();
    DestroyAcceleratorTable(table);
    DestroyWindow(target);
}

TEST_CASE("the dialog under a message pre-translates it in a modal loop") {
    REQUIRE(MessageFilter::install());
    ModalDialog dialog(0);
    CHECK(dialog.doModal() == 55);
    CHECK(dialog.seen == std::vector<int>{IDC_T_INNER_EDIT});
    MessageFilter::uninstall();
    CHECK(DialogBase(99999, nullptr).doModal() == -1);
}

TEST_CASE("live dialogs are found from their windows, innermost first") {
    ReflectingDialog outer;
    HWND edit = outer.item(IDC_T_EDIT);
    CHECK(GetWindowLongPtrA(outer.hwnd(), DWLP_USER) == reinterpret_cast<LONG_PTR>(&outer));
    CHECK(DialogBase::fromWindow(outer.hwnd()) == &outer);
    CHECK(DialogBase::fromWindow(edit) == &outer);
    HWND innerWindow = nullptr;
    {
        DialogBase inner(IDD_T_INNER, outer.hwnd());
        innerWindow = inner.createModeless();
        REQUIRE(innerWindow);
        CHECK(DialogBase::fromWindow(inner.item(IDC_T_INNER_EDIT)) == &inner);
        CHECK(DialogBase::fromWindow(edit) == &outer);
    }
    CHECK_FALSE(IsWindow(innerWindow)); // the object took its window with it
    CHECK(DialogBase::fromWindow(GetDesktopWindow()) == nullptr);

    SendMessageA(outer.hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    CHECK(outer.hwnd() == nullptr);
    CHECK(DialogBase::fromWindow(edit) == nullptr);
}

TEST_CASE("colour requests go to the control first, then to onMessage; WM_NOTIFY answers") {
    ReflectingDialog dialog;
    HWND link = dialog.item(IDC_T_LINK);
    HWND other = dialog.item(IDC_T_LINK_RIGHT);
    const HGDIOBJ brush = GetStockObject(BLACK_BRUSH);
    SetWindowSubclass(link, answerColour, 1, reinterpret_cast<DWORD_PTR>(brush));
    SetWindowSubclass(other, answerColour, 1, 0);
    HDC dc = GetDC(dialog.hwnd());
    CHECK(SendMessageA(dialog.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(link)) == reinterpret_cast<LRESULT>(brush));
    CHECK(dialog.lastOther == 0);
    CHECK(SendMessageA(dialog.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(other)) == 0x5A);
    CHECK(dialog.lastOther == WM_CTLCOLORSTATIC);
    ReleaseDC(dialog.hwnd(), dc);

    NMHDR header{link, IDC_T_LINK, 41};
    CHECK(SendMessageA(dialog.hwnd(), WM_NOTIFY, IDC_T_LINK, reinterpret_cast<LPARAM>(&header)) ==
          42);
}
