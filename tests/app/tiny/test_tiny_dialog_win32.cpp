// The Tiny window and its help with the program's own templates and
// pictures, and the main window's icons: what each use leaves behind.
// (Here rather than with the application's tests because it needs windows,
// and so the X display, and the program's resources.)
#include <doctest.h>

#include "app/tiny/tiny_dialog_win32.h"
#include "app/tiny/tiny_help_dialog_win32.h"
#include "drive/cd_audio_device.h"
#include "res/resource.h"
#include "settings/settings_file.h"
#include "stopped_player_win32.h"
#include "support/test_support.h"
#include "support/ui_test_support_win32.h"
#include "ui/gdi_objects_win32.h"
#include "ui/window_position_win32.h"

using namespace rubo;
using namespace rubo::ui;
using rubo::test::gdiObjectCount;
using rubo::test::StoppedPlayer;

namespace {

// One entry into Tiny mode and out again, without the modal loop.
void enterTiny(StoppedPlayer& player) {
    CTinyDialog tiny(player);
    REQUIRE(tiny.createModeless());
    ShowWindow(tiny.hwnd(), SW_SHOWNA);
    tiny.refreshStatus();
    DestroyWindow(tiny.hwnd());
}

void showHelp() {
    CTinyHelpDialog help(nullptr);
    REQUIRE(help.createModeless());
    DestroyWindow(help.hwnd());
}

} // namespace

TEST_CASE("entering Tiny mode again and again keeps no GDI objects") {
    StoppedPlayer player;
    constexpr int kEntries = 5;
    SUBCASE("the Tiny window and its pictures") {
        enterTiny(player); // what the first use sets up for good
        const DWORD before = gdiObjectCount();
        for (int i = 0; i < kEntries; ++i)
            enterTiny(player);
        CHECK(gdiObjectCount() == before);
    }
    SUBCASE("the help shown before it") {
        showHelp();
        const DWORD before = gdiObjectCount();
        for (int i = 0; i < kEntries; ++i)
            showHelp();
        CHECK(gdiObjectCount() == before);
    }
}

TEST_CASE("a window's icons are freed with their owner") {
    auto openAndClose = [] {
        HWND window = CreateWindowExA(0, "STATIC", "icons", WS_POPUP, 0, 0, 40, 40, nullptr,
                                      nullptr, nullptr, nullptr);
        REQUIRE(window != nullptr);
        WindowIcons icons;
        icons.set(window, IDI_RUBO);
        CHECK(icons.bigIcon() != nullptr);
        CHECK(icons.smallIcon() != nullptr);
        CHECK(SendMessageA(window, WM_GETICON, ICON_BIG, 0) ==
              reinterpret_cast<LRESULT>(icons.bigIcon()));
        CHECK(SendMessageA(window, WM_GETICON, ICON_SMALL, 0) ==
              reinterpret_cast<LRESULT>(icons.smallIcon()));
        DestroyWindow(window);
    };
    openAndClose();
    const DWORD before = gdiObjectCount();
    for (int i = 0; i < 5; ++i)
        openAndClose();
    CHECK(gdiObjectCount() == before);
}

TEST_CASE("a restored window position keeps the size of a window of fixed size") {
    StoppedPlayer player;
    // Saved at another DPI: the place counts, the size only for a sizable window.
    writeWindowRect(player.settings, kPositionSmallSection, WindowRect{20, 10, 220, 310});
    for (const DWORD frame : {DWORD{0}, DWORD{WS_THICKFRAME}}) {
        CAPTURE(frame);
        HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_CAPTION | frame, 200, 150, 240,
                                      90, nullptr, nullptr, nullptr, nullptr);
        REQUIRE(window != nullptr);
        CHECK(restoreWindowPosition(player.settings, window, kPositionSmallSection, true));
        RECT placed{};
        GetWindowRect(window, &placed);
        CHECK(placed.left == 10);
        CHECK(placed.top == 20);
        CHECK(placed.right - placed.left == (frame ? 300 : 240));
        CHECK(placed.bottom - placed.top == (frame ? 200 : 90));
        DestroyWindow(window);
    }
}
