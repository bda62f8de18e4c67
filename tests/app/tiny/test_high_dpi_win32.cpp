// The picture buttons, the Tiny pictures and the icon at 192 DPI, with the
// program's own templates and bitmaps: a child run of this program in the
// same prefix with Wine's LogPixels at 192 draws them and reports what it
// read back. And the Tiny pictures for screen readers and the keyboard.
#include <doctest.h>

#include "app/tiny/tiny_dialog_win32.h"
#include "base/unique_handle_win32.h"
#include "drive/cd_audio_device.h"
#include "res/resource.h"
#include "settings/settings_file.h"
#include "stopped_player_win32.h"
#include "support/log_pixels_setting_win32.h"
#include "support/test_support.h"
#include "support/ui_test_support_win32.h"
#include "ui/gdi_objects_win32.h"
#include "ui/image_button_win32.h"
#include "ui/pixel_bitmap_win32.h"

#include <commctrl.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::ui;
using rubo::test::PixelCanvas;
using rubo::test::rgbPixel;
using rubo::test::StoppedPlayer;

namespace {

constexpr DWORD kHighDpi = 192;

std::string windowText(HWND window) {
    char text[64] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

RECT rectInParent(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Where the block of `picture`, each pixel `scale` x `scale`, lies in the
// canvas; {-1, -1} when nowhere.
POINT findScaled(const PixelCanvas& canvas, int width, int height, const PixelImage& picture,
                 int scale) {
    const int w = picture.width * scale;
    const int h = picture.height * scale;
    for (int oy = 0; oy + h <= height; ++oy) {
        for (int ox = 0; ox + w <= width; ++ox) {
            bool same = true;
            for (int y = 0; y < h && same; ++y)
                for (int x = 0; x < w && same; ++x)
                    same = canvas.at(ox + x, oy + y) == picture.at(x / scale, y / scale);
            if (same)
                return POINT{ox, oy};
        }
    }
    return POINT{-1, -1};
}

INT_PTR CALLBACK plainDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// What the child found, as "name value" lines.
using Report = std::map<std::string, long>;

// The main window's Play button drawn into a canvas of its size.
void reportButton(Report& report) {
    LoadLibraryA("riched20.dll");
    HWND main = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                   plainDialogProc, 0);
    if (!main)
        return;
    {
        CImageButton button;
        button.normalBitmap = IDB_PLAY;
        button.setTransparency(true, RGB(255, 255, 255));
        if (button.attach(main, IDC_PLAY)) {
            RECT client{};
            GetClientRect(button.hwnd(), &client);
            PixelCanvas canvas(client.right, client.bottom);
            DRAWITEMSTRUCT item{};
            item.CtlType = ODT_BUTTON;
            item.hwndItem = button.hwnd();
            item.hDC = canvas.dc();
            item.rcItem = client;
            button.draw(item);
            // The picture as the button shows it: white in the face colour.
            PixelImage expected = pixelsOfBitmap(static_cast<HBITMAP>(
                LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_PLAY), IMAGE_BITMAP, 0,
                           0, LR_LOADMAP3DCOLORS)));
            for (std::uint32_t& pixel : expected.pixels)
                if (pixel == 0xFFFFFFu)
                    pixel = rgbPixel(GetSysColor(COLOR_BTNFACE));
            const POINT at = findScaled(canvas, client.right, client.bottom, expected, 2);
            report["button.width"] = client.right;
            report["button.height"] = client.bottom;
            report["button.picture.width"] = expected.width;
            report["button.picture.height"] = expected.height;
            report["button.doubled.x"] = at.x;
            report["button.doubled.y"] = at.y;
        }
    }
    DestroyWindow(main);
}

// The Tiny window's five pictures: their places and the Play picture's pixels.
void reportTiny(Report& report) {
    StoppedPlayer player;
    CTinyDialog tiny(player);
    if (!tiny.createModeless())
        return;
    tiny.refreshStatus();
    RECT client{};
    GetClientRect(tiny.hwnd(), &client);
    report["tiny.client.width"] = client.right;
    report["tiny.client.height"] = client.bottom;
    const int ids[5] = {IDC_TINY_PLAY, IDC_TINY_PAUSE, IDC_TINY_STOP, IDC_TINY_PREV, IDC_TINY_NEXT};
    for (int i = 0; i < 5; ++i) {
        const RECT r = rectInParent(GetDlgItem(tiny.hwnd(), ids[i]));
        const std::string name = "tiny." + std::to_string(i) + ".";
        report[name + "left"] = r.left;
        report[name + "top"] = r.top;
        report[name + "right"] = r.right;
        report[name + "bottom"] = r.bottom;
    }
    HWND play = GetDlgItem(tiny.hwnd(), IDC_TINY_PLAY);
    RECT shown{};
    GetClientRect(play, &shown);
    PixelCanvas canvas(shown.right, shown.bottom);
    SendMessageA(play, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    const PixelImage expected = pixelsOfBitmap(
        static_cast<HBITMAP>(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_PLAY))));
    const POINT at = findScaled(canvas, shown.right, shown.bottom, expected, 2);
    report["tiny.picture.width"] = expected.width;
    report["tiny.picture.height"] = expected.height;
    report["tiny.doubled.x"] = at.x;
    report["tiny.doubled.y"] = at.y;
    DestroyWindow(tiny.hwnd());
}

// Whether the icon resource holds an image of exactly `size` pixels, which
// the system then takes as it is rather than scaling another one.
bool iconHasSize(int iconId, int size) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(iconId), MAKEINTRESOURCEA(14));
    HGLOBAL groupData = group ? LoadResource(module, group) : nullptr;
    auto* directory = groupData ? static_cast<BYTE*>(LockResource(groupData)) : nullptr;
    if (!directory)
        return false;
    const int imageId = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
    HRSRC image =
        imageId ? FindResourceA(module, MAKEINTRESOURCEA(imageId), MAKEINTRESOURCEA(3)) : nullptr;
    HGLOBAL imageData = image ? LoadResource(module, image) : nullptr;
    const auto* header =
        imageData ? static_cast<const BITMAPINFOHEADER*>(LockResource(imageData)) : nullptr;
    return header && SizeofResource(module, image) >= sizeof(BITMAPINFOHEADER) &&
           header->biWidth == size && header->biHeight == 2 * size;
}

void reportIcon(Report& report) {
    const int big = GetSystemMetrics(SM_CXICON);
    const int small = GetSystemMetrics(SM_CXSMICON);
    report["icon.big"] = big;
    report["icon.small"] = small;
    report["icon.big.own"] = iconHasSize(IDI_RUBO, big);
    report["icon.small.own"] = iconHasSize(IDI_RUBO, small);
    HWND window = CreateWindowExA(0, "STATIC", "icons", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr,
                                  nullptr, nullptr);
    if (!window)
        return;
    {
        WindowIcons icons;
        icons.set(window, IDI_RUBO);
        ICONINFO info{};
        if (icons.bigIcon() && GetIconInfo(icons.bigIcon(), &info)) {
            BITMAP colour{};
            GetObjectA(info.hbmColor, sizeof colour, &colour);
            report["icon.window.width"] = colour.bmWidth;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
    }
    DestroyWindow(window);
}

int drawAtSystemDpi(int argc, char** argv) {
    if (argc < 1)
        return 2;
    // As rubo.exe's manifest declares (the call is not in the XP headers).
    using AwareCall = BOOL(WINAPI*)();
    if (auto aware = reinterpret_cast<AwareCall>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDPIAware"))))
        aware();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Report report;
    WindowDc screen(nullptr);
    report["dpi"] = GetDeviceCaps(screen.get(), LOGPIXELSY);
    reportButton(report);
    reportTiny(report);
    reportIcon(report);
    std::ostringstream out;
    for (const auto& entry : report)
        out << entry.first << ' ' << entry.second << '\n';
    test::writeBytes(argv[0], out.str());
    return 0;
}

const bool registered = test::registerChildRole("draw-at-system-dpi", drawAtSystemDpi);

Report readReport(const std::string& text) {
    Report report;
    std::istringstream in(text);
    std::string name;
    long value = 0;
    while (in >> name >> value)
        report[name] = value;
    return report;
}

} // namespace

TEST_CASE("at 192 DPI the pictures are doubled pixel for pixel and centred") {
    REQUIRE(registered);
    test::ScratchDir dir;
    const std::string reportFile = dir.file("report.txt");
    {
        test::LogPixelsSetting dpi(kHighDpi);
        REQUIRE(dpi.set());
        test::ChildProcess child("draw-at-system-dpi", {reportFile});
        REQUIRE_MESSAGE(child.started(), child.startError());
        REQUIRE(child.waitFor(std::chrono::seconds(60)));
        REQUIRE(child.wait() == 0);
    }
    Report report = readReport(test::readBytes(reportFile));
    REQUIRE(report["dpi"] == static_cast<long>(kHighDpi));

    SUBCASE("a transport button of the main window") {
        const long width = report["button.width"];
        const long height = report["button.height"];
        const long x = report["button.doubled.x"];
        const long y = report["button.doubled.y"];
        REQUIRE(report["button.picture.width"] > 0);
        CAPTURE(width);
        CAPTURE(height);
        REQUIRE(x >= 0); // found, doubled
        const long right = width - (x + 2 * report["button.picture.width"]);
        const long bottom = height - (y + 2 * report["button.picture.height"]);
        CHECK(std::abs(x - right) <= 1);
        CHECK(std::abs(y - bottom) <= 1);
    }
    SUBCASE("the Tiny pictures") {
        const long pictureWidth = 2 * report["tiny.picture.width"];
        const long pictureHeight = 2 * report["tiny.picture.height"];
        REQUIRE(pictureWidth > 0);
        CHECK(report["tiny.doubled.x"] == 0); // the control is the picture's size
        CHECK(report["tiny.doubled.y"] == 0);
        const long clientHeight = report["tiny.client.height"];
        long gap = -1;
        for (int i = 0; i < 5; ++i) {
            CAPTURE(i);
            const std::string name = "tiny." + std::to_string(i) + ".";
            CHECK(report[name + "right"] - report[name + "left"] == pictureWidth);
            CHECK(report[name + "bottom"] - report[name + "top"] == pictureHeight);
            CHECK(std::abs(report[name + "top"] - (clientHeight - report[name + "bottom"])) <= 1);
            CHECK(report[name + "left"] >= 0);
            CHECK(report[name + "right"] <= report["tiny.client.width"]); // none cut off
            if (i > 0) {
                const std::string before = "tiny." + std::to_string(i - 1) + ".";
                const long thisGap = report[name + "left"] - report[before + "right"];
                CHECK(thisGap >= 0); // side by side, not overlapping
                if (gap >= 0)
                    CHECK(std::abs(thisGap - gap) <= 1);
                gap = thisGap;
            }
        }
    }
    SUBCASE("the icon has images of the large sizes, not one enlarged from 32 pixels") {
        CHECK(report["icon.big"] == 64);
        CHECK(report["icon.small"] == 32);
        CHECK(report["icon.big.own"] == 1);
        CHECK(report["icon.small.own"] == 1);
        CHECK(report["icon.window.width"] == 64);
    }
}

TEST_CASE("the Tiny pictures carry their names and keep their size at 96 DPI") {
    StoppedPlayer player;
    CTinyDialog tiny(player);
    REQUIRE(tiny.createModeless());
    tiny.refreshStatus();
    const int ids[5] = {IDC_TINY_PLAY, IDC_TINY_PAUSE, IDC_TINY_STOP, IDC_TINY_PREV, IDC_TINY_NEXT};
    const char* names[5] = {"Play", "Pause", "Stop", "Previous", "Next"};
    WindowDc screen(nullptr);
    const bool at96 = GetDeviceCaps(screen.get(), LOGPIXELSY) == 96;
    for (int i = 0; i < 5; ++i) {
        HWND picture = GetDlgItem(tiny.hwnd(), ids[i]);
        CAPTURE(names[i]);
        CHECK(windowText(picture) == names[i]);
        const auto shown =
            reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
        REQUIRE(shown != nullptr);
        UniqueBitmap original(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ids[i])));
        BITMAP shownSize{}, originalSize{};
        GetObjectA(shown, sizeof shownSize, &shownSize);
        GetObjectA(original.get(), sizeof originalSize, &originalSize);
        CHECK(originalSize.bmWidth > 0);
        if (at96) {
            CHECK(shownSize.bmWidth == originalSize.bmWidth);
            CHECK(shownSize.bmHeight == originalSize.bmHeight);
            RECT r{};
            GetClientRect(picture, &r);
            CHECK(r.right == originalSize.bmWidth);
            CHECK(r.bottom == originalSize.bmHeight);
        }
    }
    DestroyWindow(tiny.hwnd());
}

TEST_CASE("Tab goes round the Tiny pictures and Space clicks the one with the focus") {
    StoppedPlayer player;
    CTinyDialog tiny(player);
    REQUIRE(tiny.createModeless());
    ShowWindow(tiny.hwnd(), SW_SHOW);
    SetForegroundWindow(tiny.hwnd());
    tiny.refreshStatus();
    const int order[5] = {IDC_TINY_PLAY, IDC_TINY_PAUSE, IDC_TINY_STOP, IDC_TINY_PREV,
                          IDC_TINY_NEXT};
    HWND first = GetDlgItem(tiny.hwnd(), IDC_TINY_PLAY);
    HWND at = first;
    for (int i = 0; i < 5; ++i) {
        CAPTURE(i);
        CHECK(GetDlgCtrlID(at) == order[i]);
        at = GetNextDlgTabItem(tiny.hwnd(), at, FALSE);
    }
    CHECK(at == first);

    // The keys as the dialog manager of the modal loop sees them.
    SetFocus(first);
    auto press = [&](UINT key) {
        PostMessageA(GetFocus(), WM_KEYDOWN, key, 1);
        PostMessageA(GetFocus(), WM_KEYUP, key, 0xC0000001);
        test::pumpUntil(tiny.hwnd(), [] { return true; }); // the queue emptied
    };
    press(VK_TAB);
    CHECK(GetFocus() == GetDlgItem(tiny.hwnd(), IDC_TINY_PAUSE));
    press(VK_TAB);
    press(VK_TAB);
    press(VK_TAB);
    CHECK(GetFocus() == GetDlgItem(tiny.hwnd(), IDC_TINY_NEXT));
    press(VK_SPACE);
    CHECK(player.commands == std::vector<int>{IDC_NEXT});
    press(VK_TAB);
    CHECK(GetFocus() == first);
    press(VK_SPACE);
    CHECK(player.commands == std::vector<int>{IDC_NEXT, IDC_PLAY});
    DestroyWindow(tiny.hwnd());
}
