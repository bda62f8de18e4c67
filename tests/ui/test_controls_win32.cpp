#include <doctest.h>

#include "support/ui_test_support_win32.h"
#include "test_ui_resources.h"
#include "ui/controls_win32.h"
#include "ui/dialog_base_win32.h"
#include "ui/hyperlink_win32.h"
#include "ui/image_button_win32.h"
#include "ui/image_static_win32.h"

#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::ui;
using rubo::test::gdiObjectCount;
using rubo::test::PixelCanvas;
using rubo::test::rgbPixel;

namespace {

struct ControlsDialog : DialogBase {
    ControlsDialog() : DialogBase(IDD_T_CONTROLS, nullptr) {
        REQUIRE(createModeless());
        ShowWindow(hwnd(), SW_SHOW);
    }
    std::vector<int> clicks;
    bool onCommand(int id, int code, HWND) override {
        if (code == STN_CLICKED)
            clicks.push_back(id);
        return code == STN_CLICKED;
    }
};

std::vector<std::string> opened;
void recordOpen(const std::string& target) {
    opened.push_back(target);
}

const std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x008000, kYellow = 0xFFFF00;

// Draws `button` into a 24 x 20 item: the face is (2,2)-(22,18) and the 8 x 6
// test picture (white frame, red inside, blue at (2,2)) lands at (8,7).
void drawButton(CImageButton& button, PixelCanvas& canvas, UINT state) {
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.hwndItem = button.hwnd();
    item.hDC = canvas.dc();
    item.rcItem = {0, 0, 24, 20};
    item.itemState = state;
    button.draw(item);
}

} // namespace

TEST_CASE("an image button shows transparent white in the face colour") {
    ControlsDialog dialog;
    CImageButton button;
    REQUIRE(button.attach(dialog.hwnd(), IDC_T_BUTTON));
    CHECK((GetWindowLongA(button.hwnd(), GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW);
    button.normalBitmap = IDB_T_NORMAL;
    const std::uint32_t face = rgbPixel(GetSysColor(COLOR_BTNFACE));
    PixelCanvas canvas(24, 20);

    drawButton(button, canvas, 0);
    CHECK(canvas.at(8, 7) == 0xFFFFFF); // no transparency set
    button.setTransparency(true, RGB(255, 255, 255));
    drawButton(button, canvas, 0);
    CHECK(canvas.at(8, 7) == face);
    CHECK(canvas.at(15, 12) == face);
    CHECK(canvas.at(9, 8) == kRed);
    CHECK(canvas.at(10, 9) == kBlue);
    CHECK(canvas.at(4, 4) == face); // the middle of the edge is filled

    SUBCASE("disabled without its own bitmap: dithered with the face colour") {
        drawButton(button, canvas, ODS_DISABLED);
        for (int y = 1; y < 5; ++y)
            for (int x = 1; x < 7; ++x) {
                CAPTURE(x);
                CAPTURE(y);
                const std::uint32_t picture = (x == 2 && y == 2) ? kBlue : kRed;
                CHECK(canvas.at(8 + x, 7 + y) == ((x + y) % 2 ? face : picture));
            }
    }
    SUBCASE("disabled with its own bitmap, and pressed") {
        button.disabledBitmap = IDB_T_DISABLED;
        drawButton(button, canvas, ODS_DISABLED);
        CHECK(canvas.at(8, 7) == kGreen);
        CHECK(canvas.at(9, 8) == kGreen);
        button.pressedBitmap = IDB_T_PRESSED;
        drawButton(button, canvas, ODS_SELECTED);
        CHECK(canvas.at(8, 7) == face); // one pixel right and down
        CHECK(canvas.at(9, 8) == kYellow);
        CHECK(canvas.at(16, 13) == kYellow);
    }
    SUBCASE("the dialog reflects WM_DRAWITEM to the button") {
        PixelCanvas other(24, 20);
        DRAWITEMSTRUCT item{ODT_BUTTON, IDC_T_BUTTON,   0, ODA_DRAWENTIRE, 0, button.hwnd(),
                            other.dc(), {0, 0, 24, 20}, 0};
        CHECK(SendMessageA(dialog.hwnd(), WM_DRAWITEM, IDC_T_BUTTON,
                           reinterpret_cast<LPARAM>(&item)) == TRUE);
        CHECK(other.at(9, 8) == kRed);
    }
}

TEST_CASE("an image button builds each picture once, and again after a colour change") {
    ControlsDialog dialog;
    PixelCanvas canvas(24, 20);
    // The dialog keeps what its first colour change sets up (two objects
    // under Wine): that is not the button's.
    SendMessageA(dialog.hwnd(), WM_SYSCOLORCHANGE, 0, 0);
    const DWORD before = gdiObjectCount();
    {
        CImageButton button;
        REQUIRE(button.attach(dialog.hwnd(), IDC_T_BUTTON));
        button.normalBitmap = IDB_T_NORMAL;
        button.pressedBitmap = IDB_T_PRESSED;
        button.disabledBitmap = IDB_T_DISABLED;
        button.setTransparency(true, RGB(255, 255, 255));
        std::vector<int> loads;
        button.setBitmapLoader([&loads](int id) {
            loads.push_back(id);
            return static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                                   IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
        });
        const UINT states[] = {0, ODS_SELECTED, ODS_DISABLED};
        for (int round = 0; round < 10; ++round) {
            for (UINT state : states)
                drawButton(button, canvas, state);
        }
        CHECK(loads == std::vector<int>{IDB_T_NORMAL, IDB_T_PRESSED, IDB_T_DISABLED});
        CHECK(canvas.at(9, 8) == kGreen);

        // Only top-level windows hear of new system colours; the dialog
        // passes the news on to its controls.
        const DWORD held = gdiObjectCount();
        SendMessageA(dialog.hwnd(), WM_SYSCOLORCHANGE, 0, 0);
        for (UINT state : states)
            drawButton(button, canvas, state);
        CHECK(loads.size() == 6);
        CHECK(gdiObjectCount() == held);
        drawButton(button, canvas, 0);
        CHECK(canvas.at(9, 8) == kRed);
        CHECK(canvas.at(8, 7) == rgbPixel(GetSysColor(COLOR_BTNFACE)));
    }
    CHECK(gdiObjectCount() == before);
}

TEST_CASE("an image button larger than its face shows the part its alignment picks") {
    ControlsDialog dialog;
    CImageButton corner; // BS_RIGHT | BS_TOP
    REQUIRE(corner.attach(dialog.hwnd(), IDC_T_BUTTON_CORNER));
    corner.normalBitmap = IDB_T_WIDE; // 60 x 30, pixel (x, y) = RGB(4x, 8y, 40)
    PixelCanvas canvas(24, 20);
    drawButton(corner, canvas, 0);
    CHECK(canvas.at(2, 2) == ((160u << 16) | 40u));                 // picture (40, 0)
    CHECK(canvas.at(21, 17) == ((236u << 16) | (120u << 8) | 40u)); // picture (59, 15)
}

TEST_CASE("a hyperlink with the default options") {
    ControlsDialog dialog;
    CHyperLink::setOpener(recordOpen);
    opened.clear();
    CHyperLink link;
    link.setTarget("http://example.org/");
    REQUIRE(link.attach(dialog.hwnd(), IDC_T_LINK));
    HWND window = link.hwnd();

    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    CHECK(font.lfUnderline);
    RECT client;
    GetClientRect(window, &client);
    SIZE extent{};
    HDC dc = GetDC(window);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc, "Visit the site", 14, &extent);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    CHECK(client.right == extent.cx);
    CHECK(client.bottom == extent.cy);
    CHECK(SendMessageA(window, WM_NCHITTEST, 0, 0) == HTCLIENT);
    CHECK(link.textColour() == RGB(0, 0, 255));

    SUBCASE("it opens on release after a press, not on the press") {
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        CHECK(opened.empty());
        CHECK(GetFocus() == window);
        CHECK(link.active());
        CHECK(link.textColour() == RGB(0, 128, 128));
        SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        CHECK(opened == std::vector<std::string>{"http://example.org/"});
    }
    SUBCASE("pressed, moved off and released elsewhere it still opens") {
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        CHECK(link.hover());
        CHECK(GetCapture() == window);
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-30, 200));
        CHECK_FALSE(link.hover());
        CHECK(GetCapture() != window);
        SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(-30, 200));
        CHECK(opened.size() == 1);
    }
    SUBCASE("Space opens it when it has the focus; losing the focus ends active") {
        SetFocus(window);
        PostMessageA(window, WM_KEYDOWN, 'A', 0);
        PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
        CHECK(test::pumpUntil(dialog.hwnd(), [] { return !opened.empty(); }));
        CHECK(opened.size() == 1);
        SetFocus(dialog.item(IDC_T_EDIT));
        CHECK_FALSE(link.active());
    }
    SUBCASE("the dialog gives the colour request to the link") {
        HDC screen = GetDC(nullptr);
        const LRESULT brush =
            SendMessageA(dialog.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(screen),
                         reinterpret_cast<LPARAM>(window));
        CHECK(brush == reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
        CHECK(GetTextColor(screen) == RGB(0, 0, 255));
        CHECK(GetBkMode(screen) == TRANSPARENT);
        ReleaseDC(nullptr, screen);
    }
    CHyperLink::setOpener(nullptr);
}

TEST_CASE("a link on press, without underline, right-aligned; the hand cursor is shared") {
    ControlsDialog dialog;
    CHyperLink::setOpener(recordOpen);
    opened.clear();
    RECT before;
    GetWindowRect(dialog.item(IDC_T_LINK_RIGHT), &before);
    {
        CHyperLink link;
        link.setOptions(CHyperLink::kDownClick | CHyperLink::kAutoSize);
        REQUIRE(link.attach(dialog.hwnd(), IDC_T_LINK_RIGHT));
        CHECK(link.target() == "Right link"); // the window text
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(link.hwnd(), WM_GETFONT, 0, 0)),
                   sizeof(font), &font);
        CHECK_FALSE(font.lfUnderline);
        RECT after;
        GetWindowRect(link.hwnd(), &after);
        CHECK(after.right == before.right);
        CHECK(after.left > before.left);

        SendMessageA(link.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
        CHECK(opened.size() == 1);
        CHECK(GetFocus() != link.hwnd()); // no kGetFocusOnClick
        SendMessageA(link.hwnd(), WM_LBUTTONUP, 0, 0);
        CHECK(opened.size() == 1);

        // Whether Wine's help program has the cursor decides only whether
        // the link answers WM_SETCURSOR itself.
        const bool hand = CHyperLink::handCursor() != nullptr;
        MESSAGE("hand cursor from winhlp32.exe: " << (hand ? "loaded" : "absent"));
        CHECK((SendMessageA(link.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.hwnd()),
                            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) != 0) == hand);
    }
    CHECK(CHyperLink::handCursor() == nullptr);
    CHyperLink::setOpener(nullptr);
}

TEST_CASE("an image static switches its picture and stays clickable") {
    ControlsDialog dialog;
    CImageStatic picture;
    REQUIRE(picture.attach(dialog.hwnd(), IDC_T_PICTURE, IDB_T_NORMAL, IDB_T_DISABLED));
    auto shownPixel = [&] {
        HBITMAP shown =
            reinterpret_cast<HBITMAP>(SendMessageA(picture.hwnd(), STM_GETIMAGE, IMAGE_BITMAP, 0));
        PixelCanvas canvas(8, 6);
        HDC source = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(source, shown);
        BitBlt(canvas.dc(), 0, 0, 8, 6, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
        return shown ? canvas.at(3, 3) : 0xFFFFFFFFu;
    };
    picture.setEnabled(true);
    CHECK(shownPixel() == kRed);
    picture.setEnabled(false);
    CHECK(shownPixel() == kGreen);
    CHECK_FALSE(picture.enabled());
    CHECK(IsWindowEnabled(picture.hwnd()));
    SendMessageA(picture.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(picture.hwnd(), WM_LBUTTONUP, 0, 0);
    CHECK(dialog.clicks == std::vector<int>{IDC_T_PICTURE});
}

TEST_CASE("a vertical trackbar mirrors values in its range, not from zero") {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    REQUIRE(InitCommonControlsEx(&classes));
    ControlsDialog dialog;
    Trackbar slider(CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_CHILD | TBS_VERT, 0, 0, 20, 100,
                                    dialog.hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr));
    REQUIRE(slider.window());
    const long low = 10, high = 110, value = 30;
    slider.setRange(low, high);
    CHECK(slider.mirrored(low) == high);
    CHECK(slider.mirrored(high) == low);
    slider.setPos(slider.mirrored(value));
    CHECK(slider.mirrored(slider.pos()) == value);
}
