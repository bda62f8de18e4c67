// The freedb progress window with its popup menu of matches, and the site
// text window, from the program's own templates. (Here because they need
// windows, and so the X display.)
#include <doctest.h>

#include "app/main_window/progress_window_win32.h"
#include "res/resource.h"
#include "support/ui_test_support_win32.h"

#include <string>
#include <vector>

using namespace rubo;

namespace {

std::string itemText(HWND window, int id) {
    char text[512] = {};
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

// Keys sent to the next popup menu once it is up, from a timer that runs in
// the menu's own loop.
std::vector<WPARAM> menuKeys;
void CALLBACK pressMenuKeys(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu))
        return;
    KillTimer(nullptr, timer);
    for (WPARAM key : menuKeys)
        PostMessageA(menu, WM_KEYDOWN, key, 0);
}

// What the site text window showed, read from a timer in its modal loop.
struct SiteTextSeen {
    std::string title;
    std::string text;
};
SiteTextSeen siteTextSeen;
void CALLBACK readSiteText(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = GetActiveWindow();
    if (!dialog || !GetDlgItem(dialog, IDC_SITE_TEXT))
        return;
    KillTimer(nullptr, timer);
    char title[256] = {};
    GetWindowTextA(dialog, title, sizeof title);
    siteTextSeen = {title, itemText(dialog, IDC_SITE_TEXT)};
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

int chooseWithKeys(app::ProgressWindow& progress, std::vector<WPARAM> keys) {
    menuKeys = std::move(keys);
    SetTimer(nullptr, 0, 50, pressMenuKeys);
    return progress.trackMenu({"1:\t[rock] A - B", "2:\t[jazz] C - D", "3:\t[folk] E - F"},
                              kMatchCommandBase);
}

} // namespace

TEST_CASE("the progress window: borderless, its two lines, the menu and its end") {
    app::ProgressWindow progress(nullptr);
    progress.open("Retrieving info...", "freedb.example");
    HWND window = progress.hwnd();
    REQUIRE(window != nullptr);
    CHECK(IsWindowVisible(window));
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    CHECK((style & (WS_BORDER | WS_CAPTION | WS_THICKFRAME)) == 0);
    CHECK(itemText(window, IDC_PROGRESS_COMMAND) == "Retrieving info...");
    CHECK(itemText(window, IDC_PROGRESS_SERVER) == "freedb.example");

    progress.showServer("cddb.example");
    CHECK(itemText(window, IDC_PROGRESS_SERVER) == "cddb.example");
    progress.open("Submitting info...", "freedb.example");
    CHECK(progress.hwnd() == window);
    CHECK(itemText(window, IDC_PROGRESS_COMMAND) == "Submitting info...");

    CHECK(chooseWithKeys(progress, {VK_DOWN, VK_DOWN, VK_RETURN}) == kMatchCommandBase + 1);
    CHECK(chooseWithKeys(progress, {VK_ESCAPE}) == 0);

    progress.close();
    CHECK_FALSE(IsWindow(window));
    CHECK(progress.hwnd() == nullptr);
    {
        app::ProgressWindow left(nullptr);
        left.open("Contacting site", "freedb.example");
        window = left.hwnd();
        REQUIRE(window != nullptr);
    }
    CHECK_FALSE(IsWindow(window));
}

TEST_CASE("the site text window shows its title and text until OK") {
    siteTextSeen = {};
    SetTimer(nullptr, 0, 50, readSiteText);
    app::showSiteText(nullptr,
                      {"Message of the day from site freedb.example", "Welcome.\r\nSecond line."});
    CHECK(siteTextSeen.title == "Message of the day from site freedb.example");
    CHECK(siteTextSeen.text == "Welcome.\r\nSecond line.");
}
