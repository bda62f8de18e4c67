// The keyboard's media keys in the real rubo.exe: WM_APPCOMMAND to its
// windows, WM_HOTKEY as the system sends it for the keys RUBO registered,
// and a key another program holds.
#include <doctest.h>

#include "e2e_steps_win32.h"

#include <windows.h>

#include <string>

using namespace rubo;
using namespace rubo::test;

namespace {

constexpr const char kHeldLine[] = "M : Media keys held by another program: Stop, Previous";
constexpr const char kPlayingFirst[] = "[1]  Opening   (0:";
constexpr int kTestHotKeyId = 1;

// The key as the keyboard sends it, once the button it stands for is enabled.
void mediaKey(RuboProcess& rubo, HWND window, UINT message, int key, int button) {
    REQUIRE(waitUntil([&] { return IsWindowEnabled(rubo.control(button)) != 0; }, kStepTimeoutMs));
    const LPARAM lParam =
        message == WM_HOTKEY ? MAKELPARAM(0, key) : MAKELPARAM(0, FAPPCOMMAND_KEY | key);
    PostMessageA(window, message, message == WM_HOTKEY ? key : 0, lParam);
}

// A media key this test holds as "another program", as long as it lives.
struct HeldKey {
    HeldKey(int id, int key)
        : id(id), held(RegisterHotKey(nullptr, id, 0, static_cast<UINT>(key)) != 0) {}
    ~HeldKey() {
        if (held)
            UnregisterHotKey(nullptr, id);
    }
    HeldKey(const HeldKey&) = delete;
    HeldKey& operator=(const HeldKey&) = delete;
    int id;
    bool held;
};

// Whether no program (RUBO included) holds the key.
bool keyFree(int key) {
    return HeldKey(kTestHotKeyId + 1, key).held;
}

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("rubo.exe: media keys as app commands and hot keys") {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");

        SUBCASE("Play/Pause, Next and Stop; the keys are RUBO's") {
            Scratch scratch("");
            RuboProcess rubo(ruboExe(), scratch.path(), "");
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            HWND main = waitMainWindow(rubo);
            REQUIRE(main != nullptr);
            expectDisplay(rubo, kFirstDiscLine, kDiscTimeoutMs);
            CHECK_FALSE(keyFree(VK_MEDIA_PLAY_PAUSE));
            mediaKey(rubo, main, WM_APPCOMMAND, APPCOMMAND_MEDIA_PLAY_PAUSE, IDC_PLAY);
            expectDisplay(rubo, kPlayingFirst);
            mediaKey(rubo, main, WM_APPCOMMAND, APPCOMMAND_MEDIA_PLAY_PAUSE, IDC_PAUSE);
            expectDisplay(rubo, "(paused)");
            mediaKey(rubo, main, WM_APPCOMMAND, APPCOMMAND_MEDIA_PLAY_PAUSE, IDC_PLAY);
            CHECK(waitUntil([&] { return !displayShows(rubo, "(paused)"); }, kStepTimeoutMs));
            mediaKey(rubo, main, WM_HOTKEY, VK_MEDIA_NEXT_TRACK, IDC_NEXT);
            expectDisplay(rubo, "[2]  A Very Long Title That Continues   (0:");
            mediaKey(rubo, main, WM_HOTKEY, VK_MEDIA_STOP, IDC_STOP);
            expectLog(rubo, "M : Button STOP");
            CHECK(waitUntil([&] { return !contains(rubo.displayText(), "(0:"); }, kStepTimeoutMs));
            closeAndCheck(rubo);
            CHECK_FALSE(contains(rubo.readFile("rubo.log"), "held by another program"));
        }

        SUBCASE("the keys another program holds are logged in one line") {
            const HeldKey stop(kTestHotKeyId, VK_MEDIA_STOP);
            const HeldKey previous(kTestHotKeyId + 2, VK_MEDIA_PREV_TRACK);
            REQUIRE((stop.held && previous.held));
            Scratch scratch("");
            RuboProcess rubo(ruboExe(), scratch.path(), "");
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            HWND main = waitMainWindow(rubo);
            REQUIRE(main != nullptr);
            expectLog(rubo, kHeldLine);
            CHECK_FALSE(keyFree(VK_MEDIA_NEXT_TRACK));
            closeAndCheck(rubo);
        }

        SUBCASE("GlobalMediaKeys=0: no hot keys; the Tiny window takes app commands") {
            const HeldKey stop(kTestHotKeyId, VK_MEDIA_STOP);
            REQUIRE(stop.held);
            Scratch scratch("GlobalMediaKeys=0\r\nStartTiny=1\r\n");
            RuboProcess rubo(ruboExe(), scratch.path(), "");
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            HWND tiny = nullptr;
            REQUIRE(
                waitUntil([&] { return (tiny = rubo.otherWindow()) != nullptr; }, kDiscTimeoutMs));
            CHECK(keyFree(VK_MEDIA_PLAY_PAUSE));
            mediaKey(rubo, tiny, WM_APPCOMMAND, APPCOMMAND_MEDIA_PLAY, IDC_PLAY);
            CHECK(waitUntil([&] { return contains(RuboProcess::windowText(tiny), "1 / 0:"); },
                            kStepTimeoutMs));
            PostMessageA(tiny, WM_COMMAND, IDCANCEL, 0);
            REQUIRE(waitMainWindow(rubo) != nullptr);
            closeAndCheck(rubo);
            CHECK_FALSE(contains(rubo.readFile("rubo.log"), "held by another program"));
        }
    }
}
