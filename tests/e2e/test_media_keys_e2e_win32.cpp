// The media keys of rubo.exe: WM_APPCOMMAND, WM_HOTKEY, keys held elsewhere.
#include <doctest.h>

#include "e2e_steps_win32.h"

#include <windows.h>

using namespace rubo::test;

namespace {

// The key as the keyboard sends it, once its button is enabled.
void mediaKey(RuboProcess& rubo, HWND window, UINT message, int key, int button) {
    REQUIRE(waitUntil([&] { return IsWindowEnabled(rubo.control(button)) != 0; }, kStepTimeoutMs));
    const int code = message == WM_HOTKEY ? key : FAPPCOMMAND_KEY | key;
    PostMessageA(window, message, message == WM_HOTKEY ? key : 0, MAKELPARAM(0, code));
}

// A media key this test holds, as another program would, while it lives.
struct HeldKey {
    explicit HeldKey(UINT key) : key(key), held(RegisterHotKey(nullptr, key, 0, key) != 0) {}
    ~HeldKey() {
        if (held)
            UnregisterHotKey(nullptr, key);
    }
    UINT key;
    bool held;
};

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("rubo.exe: media keys as app commands and hot keys") {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");
        const HeldKey stop(VK_MEDIA_STOP);
        REQUIRE(stop.held);

        SUBCASE("keys held elsewhere logged in one line; the others and app commands work") {
            const HeldKey previous(VK_MEDIA_PREV_TRACK);
            Scratch scratch("");
            RuboProcess rubo(ruboExe(), scratch.path(), "");
            HWND main = waitMainWindow(rubo);
            REQUIRE(main != nullptr);
            expectLog(rubo, "M : Media keys held by another program: Stop, Previous");
            CHECK_FALSE(HeldKey(VK_MEDIA_PLAY_PAUSE).held);
            mediaKey(rubo, main, WM_APPCOMMAND, APPCOMMAND_MEDIA_PLAY_PAUSE, IDC_PLAY);
            expectDisplay(rubo, "[1]  Opening   (0:");
            mediaKey(rubo, main, WM_APPCOMMAND, APPCOMMAND_MEDIA_PLAY_PAUSE, IDC_PAUSE);
            expectDisplay(rubo, "(paused)");
            mediaKey(rubo, main, WM_APPCOMMAND, APPCOMMAND_MEDIA_PLAY_PAUSE, IDC_PLAY);
            CHECK(waitUntil([&] { return !displayShows(rubo, "(paused)"); }, kStepTimeoutMs));
            mediaKey(rubo, main, WM_HOTKEY, VK_MEDIA_NEXT_TRACK, IDC_NEXT);
            expectDisplay(rubo, "[2]  A Very Long Title That Continues   (0:");
            mediaKey(rubo, main, WM_HOTKEY, VK_MEDIA_STOP, IDC_STOP);
            expectLog(rubo, "M : Button STOP");
            closeAndCheck(rubo);
        }

        SUBCASE("GlobalMediaKeys=0: no hot keys; the Tiny window takes app commands") {
            Scratch scratch("GlobalMediaKeys=0\r\nStartTiny=1\r\n");
            RuboProcess rubo(ruboExe(), scratch.path(), "");
            HWND tiny = nullptr;
            REQUIRE(
                waitUntil([&] { return (tiny = rubo.otherWindow()) != nullptr; }, kDiscTimeoutMs));
            CHECK(HeldKey(VK_MEDIA_PLAY_PAUSE).held);
            mediaKey(rubo, tiny, WM_APPCOMMAND, APPCOMMAND_MEDIA_PLAY, IDC_PLAY);
            CHECK(waitUntil([&] { return contains(RuboProcess::windowText(tiny), "1 / 0:"); },
                            kStepTimeoutMs));
            PostMessageA(tiny, WM_COMMAND, IDCANCEL, 0);
            REQUIRE(waitMainWindow(rubo) != nullptr);
            closeAndCheck(rubo);
            CHECK_FALSE(contains(rubo.readFile("rubo.log"), "held by another"));
        }
    }
}
