// Play modes in the real rubo.exe: chosen from the display's menu and by the
// shortcuts' commands, followed by the worker at each track's end.
#include <doctest.h>

#include "e2e_steps_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

constexpr DWORD kWholeDiscMs = 60000;

// The tracks the log's " T: Track %d ended, next %d" lines played, in order,
// up to the first end with nothing next.
std::vector<int> playedByLog(const std::string& log) {
    std::vector<int> played;
    for (std::size_t at = log.find("T: Track "); at != std::string::npos;
         at = log.find("T: Track ", at + 1)) {
        int ended = 0, next = 0;
        if (std::sscanf(log.c_str() + at, "T: Track %d ended, next %d", &ended, &next) != 2)
            continue;
        if (played.empty())
            played.push_back(ended);
        if (next == 0)
            break;
        played.push_back(next);
    }
    return played;
}

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("rubo.exe: shuffle plays every track once, repeat disc starts the disc again") {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");
        Scratch scratch("");
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        HWND main = waitMainWindow(rubo);
        REQUIRE(main != nullptr);
        expectDisplay(rubo, kFirstDiscLine, kDiscTimeoutMs);
        REQUIRE(waitUntil([&] { return IsWindowEnabled(rubo.control(IDC_PLAY)) != 0; },
                          kStepTimeoutMs));

        // A right click on the display opens its menu.
        HWND display = rubo.control(IDC_DISPLAY);
        PostMessageA(display, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
        PostMessageA(display, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
        HWND menu = waitMatchMenu(rubo);
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        screenshot(main, "play-mode-menu", menu);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
        expectLog(rubo, "M : Play mode Shuffle");

        REQUIRE(driveControl("speed 200") == 0);
        REQUIRE(rubo.click(IDC_PLAY));
        const bool ended = waitUntil(
            [&] { return contains(rubo.readFile("rubo.log"), ", next 0\r\n"); }, kWholeDiscMs);
        REQUIRE(ended);
        std::vector<int> played = playedByLog(rubo.readFile("rubo.log"));
        INFO("played " << played.size() << " tracks, the last " << played.back());
        REQUIRE(played.size() == 12);
        const std::vector<int> order = played;
        std::sort(played.begin(), played.end());
        for (int t = 1; t <= 12; ++t)
            CHECK(played[static_cast<std::size_t>(t - 1)] == t);
        CHECK(order != played); // 1 in 12! that a shuffle keeps the disc's order
        expectDisplay(rubo, "[" + std::to_string(order.back()) + "]");

        // The repeat shortcut's command: from shuffle to repeat disc. Play
        // runs from the shown track to the disc's end, then from track 1.
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_PLAYMODE_REPEAT_KEY, 1), 0);
        expectLog(rubo, "M : Play mode Repeat disc");
        const std::size_t before = rubo.readFile("rubo.log").size();
        REQUIRE(rubo.click(IDC_PLAY));
        const auto startedAgain = [&] {
            const std::string log = rubo.readFile("rubo.log").substr(before);
            const std::size_t end = log.find("ended, next 1\r\n");
            return end != std::string::npos &&
                   log.find("Playing Track 1 position  0:00 00", end) != std::string::npos;
        };
        CHECK(waitUntil(startedAgain, kWholeDiscMs));
        expectDisplay(rubo, "   (0:");
        REQUIRE(rubo.click(IDC_STOP));

        closeAndCheck(rubo);
        CHECK(contains(rubo.readFile("RUBO.ini"), "PlayMode=2"));
    }
}
