#include <doctest.h>

#include "support/ui_test_support_win32.h"
#include "test_ui_resources.h"
#include "ui/tooltip_dialog_win32.h"
#include "ui/tray_tip.h"

#include <commctrl.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::ui;

namespace {

struct TestDialog : CToolTipDialog {
    TestDialog() : CToolTipDialog(IDD_T_CONTROLS, nullptr) { REQUIRE(createModeless()); }
    std::vector<HMENU> prepared;
    std::vector<int> commands;
    void prepareTrayMenu(HMENU popup) override { prepared.push_back(popup); }
    bool onCommand(int id, int, HWND) override {
        commands.push_back(id);
        return true;
    }
};

// Relayed mouse messages, seen by a subclass of the tool-tip control.
std::vector<HWND> relayed;
LRESULT CALLBACK countRelays(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR) {
    if (message == TTM_RELAYEVENT && lParam)
        relayed.push_back(reinterpret_cast<const MSG*>(lParam)->hwnd);
    return DefSubclassProc(window, message, wParam, lParam);
}

std::string toolText(HWND toolTip, HWND dialog, HWND child) {
    char text[256] = "";
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(child);
    tool.lpszText = text;
    SendMessageA(toolTip, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
    return text;
}

// TTM_ACTIVATE as sent to any tool-tip control of this thread.
std::vector<WPARAM> activations;
LRESULT CALLBACK watchActivate(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == TTM_ACTIVATE)
        activations.push_back(sent->wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

MSG mouseMove(HWND window, int x, int y) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = WM_MOUSEMOVE;
    msg.lParam = MAKELPARAM(x, y);
    return msg;
}

// The shell as the tray operations see it.
struct FakeShell {
    std::vector<DWORD> calls;
    NOTIFYICONDATAA last{};
    BOOL answer = TRUE;
};
FakeShell shell;
BOOL fakeNotify(DWORD action, NOTIFYICONDATAA& data) {
    shell.calls.push_back(action);
    shell.last = data;
    return shell.answer;
}

void CALLBACK closeMenu(HWND, UINT, UINT_PTR, DWORD) {
    EndMenu();
}

HWND menuOwner = nullptr;
void CALLBACK chooseFirstItem(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostMessageA(menuOwner, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menuOwner, WM_KEYDOWN, VK_RETURN, 0);
}

} // namespace

TEST_CASE("every child with a string-table entry gets its tool tip") {
    CToolTipDialog::setToolTipsActive(true);
    TestDialog dialog;
    HWND tip = dialog.toolTip();
    REQUIRE(tip);
    std::set<int> ids;
    const LRESULT count = SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        REQUIRE(SendMessageA(tip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&tool)));
        CHECK(tool.hwnd == dialog.hwnd());
        ids.insert(GetDlgCtrlID(reinterpret_cast<HWND>(tool.uId)));
    }
    CHECK(ids == std::set<int>{IDC_T_BUTTON, IDC_T_LIST, IDC_T_COMBO, IDC_T_PICTURE});
    CHECK(toolText(tip, dialog.hwnd(), dialog.item(IDC_T_BUTTON)) == "Image button");
}

TEST_CASE("mouse messages reach the tool tip as the dialog's direct child, only with the flag") {
    CToolTipDialog::setToolTipsActive(true);
    activations.clear();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, watchActivate, nullptr, GetCurrentThreadId());
    TestDialog dialog;
    UnhookWindowsHookEx(hook);
    CHECK(activations == std::vector<WPARAM>{TRUE});
    REQUIRE(SetWindowSubclass(dialog.toolTip(), countRelays, 1, 0));
    relayed.clear();
    HWND combo = dialog.item(IDC_T_COMBO);
    HWND comboEdit = GetWindow(combo, GW_CHILD);
    REQUIRE(comboEdit);

    MSG msg = mouseMove(comboEdit, 3, 3);
    MessageFilter::preTranslate(msg);
    CHECK(relayed == std::vector<HWND>{combo});
    MSG key{dialog.item(IDC_T_EDIT), WM_KEYDOWN, 'A', 0, 0, {0, 0}};
    MessageFilter::preTranslate(key);
    MSG wheel = mouseMove(comboEdit, 3, 3);
    wheel.message = 0x20A;
    MessageFilter::preTranslate(wheel);
    CHECK(relayed.size() == 1);

    SUBCASE("a list box marked TOOLTIPEXPAND shows the item under the mouse") {
        HWND list = dialog.item(IDC_T_LIST);
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("first"));
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("the second item"));
        RECT item{};
        SendMessageA(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
        MSG over = mouseMove(list, item.left + 2, (item.top + item.bottom) / 2);
        MessageFilter::preTranslate(over);
        CHECK(toolText(dialog.toolTip(), dialog.hwnd(), list) == "the second item");
        MSG below = mouseMove(list, item.left + 2, item.bottom + 3 * (item.bottom - item.top));
        MessageFilter::preTranslate(below);
        CHECK(toolText(dialog.toolTip(), dialog.hwnd(), list) == "");
    }
    SUBCASE("with the flag 0 nothing is relayed") {
        CToolTipDialog::setToolTipsActive(false);
        hook = SetWindowsHookExA(WH_CALLWNDPROC, watchActivate, nullptr, GetCurrentThreadId());
        dialog.refreshToolTipsActive();
        UnhookWindowsHookEx(hook);
        CHECK(activations == std::vector<WPARAM>{TRUE, FALSE});
        MSG again = mouseMove(comboEdit, 3, 3);
        MessageFilter::preTranslate(again);
        CHECK(relayed.size() == 1);
    }
    CToolTipDialog::setToolTipsActive(false);
}

TEST_CASE("the tray record, the tip and the in-tray state") {
    CToolTipDialog::setTrayNotifier(fakeNotify);
    shell = FakeShell();
    TestDialog dialog;
    CHECK_FALSE(dialog.removeTrayIcon());
    CHECK_FALSE(dialog.updateTrayIcon());
    CHECK(shell.calls.empty());

    CHECK(dialog.setTrayIcon(IDI_T_TRAY));
    CHECK_FALSE(dialog.setTrayIcon(9999));
    dialog.setTrayTip("RUBO: %s - %s", "Artist", "Title");
    CHECK(std::strcmp(dialog.trayTip(), "RUBO: Artist - Title") == 0);
    REQUIRE(dialog.addTrayIcon());
    CHECK(dialog.inTray());
    CHECK(shell.last.cbSize == NOTIFYICONDATAA_V1_SIZE);
    CHECK(shell.last.hWnd == dialog.hwnd());
    CHECK(shell.last.uID == 1);
    CHECK(shell.last.uCallbackMessage == 1025);
    CHECK(shell.last.uFlags == (NIF_MESSAGE | NIF_ICON | NIF_TIP));
    REQUIRE(shell.last.hIcon != nullptr);
    // The small-icon size, not the big icon for the shell to shrink.
    ICONINFO info{};
    REQUIRE(GetIconInfo(shell.last.hIcon, &info));
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    CHECK(mask.bmWidth == GetSystemMetrics(SM_CXSMICON));

    CHECK_FALSE(dialog.addTrayIcon()); // a second icon is refused
    dialog.setTrayTip("%s", std::string(600, 'x').c_str());
    CHECK(std::strlen(dialog.trayTip()) == kTrayTipMaxChars);
    dialog.setTrayTip("%s", "");
    CHECK(std::strcmp(dialog.trayTip(), "?") == 0);
    CHECK(dialog.updateTrayIcon());
    CHECK(std::strcmp(shell.last.szTip, "?") == 0);
    shell.answer = FALSE;
    CHECK_FALSE(dialog.removeTrayIcon());
    CHECK(dialog.inTray());
    shell.answer = TRUE;
    CHECK(dialog.removeTrayIcon());
    CHECK_FALSE(dialog.inTray());
    CHECK(shell.calls == std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_DELETE, NIM_DELETE});
    CToolTipDialog::setTrayNotifier(nullptr);
}

TEST_CASE("minimise to the tray, restore, shell restart and destruction") {
    CToolTipDialog::setTrayNotifier(fakeNotify);
    shell = FakeShell();
    TestDialog dialog;
    HWND window = dialog.hwnd();
    ShowWindow(window, SW_SHOW);

    SUBCASE("tray disabled, or the icon refused: an ordinary minimise") {
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        CHECK(IsIconic(window));
        CHECK(shell.calls.empty());
        ShowWindow(window, SW_RESTORE);
        dialog.setTrayEnabled(true);
        shell.answer = FALSE;
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        CHECK(IsIconic(window));
        CHECK(IsWindowVisible(window));
        CHECK_FALSE(dialog.inTray());
    }
    SUBCASE("tray enabled") {
        dialog.setTrayEnabled(true);
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE + 2, 0);
        CHECK_FALSE(IsWindowVisible(window));
        CHECK_FALSE(IsIconic(window));
        CHECK(dialog.inTray());
        SendMessageA(window, kTrayCallbackMessage, 2, WM_LBUTTONDBLCLK); // not our icon
        CHECK(dialog.inTray());

        const UINT restarted = RegisterWindowMessageA("TaskbarCreated");
        SendMessageA(window, restarted, 0, 0);
        CHECK(shell.calls == std::vector<DWORD>{NIM_ADD, NIM_ADD});
        CHECK(dialog.inTray());

        SendMessageA(window, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDBLCLK);
        CHECK(IsWindowVisible(window));
        CHECK_FALSE(dialog.inTray());
        SendMessageA(window, restarted, 0, 0); // not in the tray: nothing
        CHECK(shell.calls.size() == 3);

        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        CHECK(shell.calls.back() == NIM_ADD);
        DestroyWindow(window);
        CHECK(shell.calls.back() == NIM_DELETE);
        CHECK_FALSE(dialog.inTray());
    }
    CToolTipDialog::setTrayNotifier(nullptr);
}

TEST_CASE("the tray menu is shown at a right click and its first item becomes the default") {
    TestDialog dialog;
    REQUIRE(dialog.loadTrayMenu(IDR_T_TRAY_MENU));
    HMENU popup = GetSubMenu(dialog.trayMenu(), 0);
    CHECK(GetMenuDefaultItem(popup, TRUE, 0) == static_cast<UINT>(-1));
    // The menu loop dispatches timer messages: one closes the menu.
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, closeMenu);
    SendMessageA(dialog.hwnd(), kTrayCallbackMessage, kTrayIconId, WM_RBUTTONDOWN);
    SendMessageA(dialog.hwnd(), kTrayCallbackMessage, kTrayIconId, WM_CONTEXTMENU);
    KillTimer(nullptr, timer);
    CHECK(dialog.prepared == std::vector<HMENU>{popup, popup});
    CHECK(GetMenuDefaultItem(popup, TRUE, 0) == 0);
    bool nullPosted = false;
    MSG msg;
    while (PeekMessageA(&msg, dialog.hwnd(), 0, 0, PM_REMOVE))
        nullPosted = nullPosted || msg.message == WM_NULL;
    CHECK(nullPosted);

    // Keys choose the first item; its command comes to the dialog.
    menuOwner = dialog.hwnd();
    const UINT_PTR keys = SetTimer(nullptr, 0, 100, chooseFirstItem);
    SendMessageA(dialog.hwnd(), kTrayCallbackMessage, kTrayIconId, WM_RBUTTONDOWN);
    KillTimer(nullptr, keys);
    CHECK(test::pumpUntil(dialog.hwnd(), [&] { return !dialog.commands.empty(); }));
    CHECK(dialog.commands == std::vector<int>{ID_T_MAXIMIZE});
}

TEST_CASE("the real notification area: the state follows Shell_NotifyIconA") {
    TestDialog dialog;
    dialog.setTrayIcon(IDI_T_TRAY);
    dialog.setTrayTip("RUBO");
    const bool added = dialog.addTrayIcon();
    const std::string verdict = added ? "added" : "refused";
    MESSAGE("Shell_NotifyIconA(NIM_ADD): " << verdict);
    CHECK(dialog.inTray() == added);
    if (added) {
        CHECK(dialog.updateTrayIcon());
        CHECK(dialog.removeTrayIcon());
        CHECK_FALSE(dialog.inTray());
    }
}
