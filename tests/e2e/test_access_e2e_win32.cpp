// The real rubo.exe for screen readers and the keyboard: the picture
// buttons' names, the display's lines as its text, the Tab order; and its
// main window at 96, 144 and 192 DPI (Wine's LogPixels), photographed.
#include <doctest.h>

#include "base/unique_handle_win32.h"
#include "e2e_steps_win32.h"
#include "support/log_pixels_setting_win32.h"

#include <windows.h>

#include <oleacc.h>

#include <optional>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

struct NamedControl {
    int id;
    const char* name; // the window text; null: not checked
};

// Every control of the main window in the order Tab visits them: the
// display, the transport row left to right, the right-hand buttons row by
// row, the volume slider.
constexpr NamedControl kTabOrder[] = {
    {IDC_DISPLAY, nullptr},   {IDC_PREV, "Previous"}, {IDC_PLAY, "Play"},
    {IDC_PAUSE, "Pause"},     {IDC_STOP, "Stop"},     {IDC_NEXT, "Next"},
    {IDC_EJECT, "Eject"},     {IDC_TRACKS, nullptr},  {IDC_FREEDB, nullptr},
    {IDC_EDIT_INFO, nullptr}, {IDC_OPTIONS, nullptr}, {IDC_ABOUT, nullptr},
    {IDC_TINY_SIZE, nullptr}, {IDC_VOLUME, nullptr},
};

// The ids the dialog manager's Tab visits from the display on, once round.
std::vector<int> tabCycle(HWND main, HWND start) {
    std::vector<int> ids;
    HWND at = start;
    for (int guard = 0; guard < 40; ++guard) {
        ids.push_back(GetDlgCtrlID(at));
        at = GetNextDlgTabItem(main, at, FALSE);
        if (!at || at == start)
            break;
    }
    return ids;
}

// The controls of kTabOrder that can take the focus now.
std::vector<int> focusable(RuboProcess& rubo) {
    std::vector<int> ids;
    for (const NamedControl& control : kTabOrder) {
        HWND window = rubo.control(control.id);
        if (window && IsWindowEnabled(window) && IsWindowVisible(window))
            ids.push_back(control.id);
    }
    return ids;
}

// One Tab key press as the focused control receives it.
void pressTab(HWND focus) {
    PostMessageA(focus, WM_KEYDOWN, VK_TAB, 0x000F0001);
    PostMessageA(focus, WM_KEYUP, VK_TAB, 0xC00F0001);
}

// What MSAA (the standard proxy oleacc builds over a window's messages)
// tells a screen reader about a control: its name, or its value when
// `value`; nullopt when the platform has no MSAA.
class Msaa {
public:
    Msaa() {
        ole32_.reset(LoadLibraryA("ole32.dll"));
        oleaut32_.reset(LoadLibraryA("oleaut32.dll"));
        oleacc_.reset(LoadLibraryA("oleacc.dll"));
        if (!ole32_ || !oleaut32_ || !oleacc_)
            return;
        coInitialize_ = reinterpret_cast<CoInitializeCall>(
            reinterpret_cast<void*>(GetProcAddress(ole32_.get(), "CoInitialize")));
        coUninitialize_ = reinterpret_cast<CoUninitializeCall>(
            reinterpret_cast<void*>(GetProcAddress(ole32_.get(), "CoUninitialize")));
        sysFreeString_ = reinterpret_cast<SysFreeStringCall>(
            reinterpret_cast<void*>(GetProcAddress(oleaut32_.get(), "SysFreeString")));
        fromWindow_ = reinterpret_cast<FromWindowCall>(
            reinterpret_cast<void*>(GetProcAddress(oleacc_.get(), "AccessibleObjectFromWindow")));
        initialised_ = coInitialize_ && coUninitialize_ && sysFreeString_ && fromWindow_ &&
                       SUCCEEDED(coInitialize_(nullptr));
    }
    ~Msaa() {
        if (initialised_)
            coUninitialize_();
    }
    Msaa(const Msaa&) = delete;
    Msaa& operator=(const Msaa&) = delete;

    bool available() const { return initialised_; }

    std::optional<std::string> text(HWND window, bool value) const {
        if (!initialised_)
            return std::nullopt;
        // IID_IAccessible
        static const GUID kAccessible = {
            0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
        IAccessible* object = nullptr;
        if (FAILED(fromWindow_(window, static_cast<DWORD>(OBJID_CLIENT), kAccessible,
                               reinterpret_cast<void**>(&object))) ||
            !object)
            return std::nullopt;
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR answer = nullptr;
        const HRESULT result =
            value ? object->get_accValue(self, &answer) : object->get_accName(self, &answer);
        object->Release();
        if (result != S_OK || !answer)
            return std::nullopt;
        std::string narrow;
        for (const wchar_t* c = answer; *c; ++c)
            narrow.push_back(*c < 128 ? static_cast<char>(*c) : '?');
        sysFreeString_(answer);
        return narrow;
    }

private:
    using CoInitializeCall = HRESULT(WINAPI*)(void*);
    using CoUninitializeCall = void(WINAPI*)();
    using SysFreeStringCall = void(WINAPI*)(BSTR);
    using FromWindowCall = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    UniqueModule ole32_;
    UniqueModule oleaut32_;
    UniqueModule oleacc_;
    CoInitializeCall coInitialize_ = nullptr;
    CoUninitializeCall coUninitialize_ = nullptr;
    SysFreeStringCall sysFreeString_ = nullptr;
    FromWindowCall fromWindow_ = nullptr;
    bool initialised_ = false;
};

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("rubo.exe: screen readers read the buttons' names and the display; Tab visits "
              "every control in order") {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");
        Scratch scratch("");
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        HWND main = waitMainWindow(rubo);
        REQUIRE(main != nullptr);
        REQUIRE(waitUntil([&] { return displayShows(rubo, kFirstDiscLine); }, kDiscTimeoutMs));
        REQUIRE(waitUntil([&] { return IsWindowEnabled(rubo.control(IDC_PLAY)) != 0; },
                          kStepTimeoutMs));

        // The owner-drawn buttons keep their names as window text.
        for (const NamedControl& control : kTabOrder) {
            if (!control.name)
                continue;
            CAPTURE(control.name);
            CHECK(RuboProcess::windowText(rubo.control(control.id)) == control.name);
            CHECK((GetWindowLongA(rubo.control(control.id), GWL_STYLE) & WS_TABSTOP) != 0);
        }

        // What a screen reader asks through MSAA.
        {
            Msaa msaa;
            if (!msaa.available()) {
                MESSAGE("no MSAA here: names checked by WM_GETTEXT only");
            } else {
                for (const NamedControl& control : kTabOrder) {
                    if (!control.name)
                        continue;
                    CAPTURE(control.name);
                    CHECK(msaa.text(rubo.control(control.id), false).value_or("?") == control.name);
                }
                const std::optional<std::string> shown = msaa.text(rubo.control(IDC_DISPLAY), true);
                if (shown)
                    CHECK(*shown == rubo.displayText());
                else
                    MESSAGE("MSAA gives no value for the display here");
            }
        }

        // The display's text is its two lines, and follows the player.
        const std::string stopped = rubo.displayText();
        CHECK(stopped.rfind(std::string(kFirstDiscLine), 0) == 0);
        CHECK(contains(stopped, "\r\n[1]  Opening"));

        HWND display = rubo.control(IDC_DISPLAY);
        SUBCASE("Tab order, stopped") {
            CHECK(tabCycle(main, display) == focusable(rubo));
        }
        SUBCASE("Tab order while playing, and the Tab key itself") {
            REQUIRE(rubo.click(IDC_PLAY));
            expectDisplay(rubo, "[1]  Opening   (0:0");
            REQUIRE(waitUntil([&] { return IsWindowEnabled(rubo.control(IDC_STOP)) != 0; },
                              kStepTimeoutMs));
            const std::vector<int> expected = focusable(rubo);
            CHECK(expected.size() >= 12);
            CHECK(tabCycle(main, display) == expected);

            // The main window is a dialog: its own loop turns Tab into the
            // next control's focus.
            SetForegroundWindow(main);
            PostMessageA(main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(display), TRUE);
            REQUIRE(waitUntil([&] { return focusOf(main) == display; }, kStepTimeoutMs));
            std::vector<int> visited{IDC_DISPLAY};
            for (std::size_t i = 1; i < expected.size() + 1; ++i) {
                HWND before = focusOf(main);
                pressTab(before);
                waitUntil([&] { return focusOf(main) != before; }, kStepTimeoutMs);
                visited.push_back(GetDlgCtrlID(focusOf(main)));
            }
            std::vector<int> round = expected;
            round.push_back(IDC_DISPLAY);
            CHECK(visited == round);
        }
        SUBCASE("the Tiny window's pictures") {
            REQUIRE(rubo.click(IDC_TINY_SIZE, true));
            HWND tiny = nullptr;
            REQUIRE(
                waitUntil([&] { return (tiny = rubo.otherWindow()) != nullptr; }, kStepTimeoutMs));
            const NamedControl pictures[] = {{IDC_TINY_PLAY, "Play"},
                                             {IDC_TINY_PAUSE, "Pause"},
                                             {IDC_TINY_STOP, "Stop"},
                                             {IDC_TINY_PREV, "Previous"},
                                             {IDC_TINY_NEXT, "Next"}};
            for (const NamedControl& picture : pictures) {
                CAPTURE(picture.name);
                CHECK(RuboProcess::windowText(GetDlgItem(tiny, picture.id)) == picture.name);
            }
            PostMessageA(tiny, WM_COMMAND, IDCANCEL, 0);
            expectLog(rubo, "M : Exit Tiny mode");
        }
        closeAndCheck(rubo);
    }

    TEST_CASE("rubo.exe at 96, 144 and 192 DPI: the window grows and the pictures with it") {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");
        long playWidth96 = 0;
        long tinyWidth96 = 0;
        for (DWORD dpi : {96u, 144u, 192u}) {
            CAPTURE(dpi);
            LogPixelsSetting setting(dpi);
            REQUIRE(setting.set());
            // No tool tip under the mouse in the pictures.
            Scratch scratch("ShowToolTips=0\r\n");
            RuboProcess rubo(ruboExe(), scratch.path(), "");
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            HWND main = waitMainWindow(rubo);
            REQUIRE(main != nullptr);
            REQUIRE(waitUntil([&] { return displayShows(rubo, kFirstDiscLine); }, kDiscTimeoutMs));
            // Stopped with the disc read: Play and the disc's buttons enabled.
            REQUIRE(waitUntil(
                [&] {
                    return IsWindowEnabled(rubo.control(IDC_PLAY)) &&
                           IsWindowEnabled(rubo.control(IDC_TRACKS)) &&
                           IsWindowEnabled(rubo.control(IDC_EDIT_INFO)) &&
                           !IsWindowEnabled(rubo.control(IDC_STOP));
                },
                kStepTimeoutMs));
            RECT play{};
            GetClientRect(rubo.control(IDC_PLAY), &play);
            MESSAGE("Play button at " << dpi << " DPI: " << play.right << " x " << play.bottom);
            if (dpi == 96)
                playWidth96 = play.right;
            else
                CHECK(play.right * 96 >= playWidth96 * static_cast<long>(dpi) * 9 / 10);
            screenshot(main, "dpi-" + std::to_string(dpi));

            // The Tiny window's pictures grow too.
            REQUIRE(rubo.click(IDC_TINY_SIZE, true));
            HWND tiny = nullptr;
            REQUIRE(
                waitUntil([&] { return (tiny = rubo.otherWindow()) != nullptr; }, kStepTimeoutMs));
            REQUIRE(
                waitUntil([&] { return RuboProcess::windowText(tiny) == "1"; }, kStepTimeoutMs));
            RECT picture{};
            GetClientRect(GetDlgItem(tiny, IDC_TINY_PLAY), &picture);
            MESSAGE("Tiny picture at " << dpi << " DPI: " << picture.right << " x "
                                       << picture.bottom);
            if (dpi == 96) {
                tinyWidth96 = picture.right;
                REQUIRE(tinyWidth96 > 0);
            } else {
                // Doubled at 150 % and 200 %; the window grows to hold them.
                CHECK(picture.right == 2 * tinyWidth96);
                RECT tinyClient{};
                GetClientRect(tiny, &tinyClient);
                CHECK(tinyClient.right >= 5 * picture.right);
            }
            screenshot(tiny, "tiny-" + std::to_string(dpi));
            PostMessageA(tiny, WM_COMMAND, IDCANCEL, 0);
            expectLog(rubo, "M : Exit Tiny mode");
            REQUIRE(waitUntil([&] { return rubo.mainWindow() != nullptr; }, kStepTimeoutMs));
            closeAndCheck(rubo);
        }
    }
}
