// The volume slider of the real rubo.exe where the mixer has no CD line (as
// Wine's has none): the program's own audio session stands in, on the main
// window and on the Options page's test slider, and the program still closes
// cleanly with the session open.
#include <doctest.h>

#include "e2e_steps_win32.h"
#include "res/options_resource.h"

#include <commctrl.h>
#include <windows.h>

using namespace rubo;
using namespace rubo::test;

namespace {

constexpr LRESULT kSessionMaximum = 65535;

void checkSessionRange(HWND slider) {
    REQUIRE(slider != nullptr);
    CHECK(SendMessageA(slider, TBM_GETRANGEMIN, 0, 0) == 0);
    CHECK(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0) == kSessionMaximum);
}

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("rubo.exe: without a CD line the volume slider drives the audio session") {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");
        REQUIRE(driveControl("spinup 0") == 0);
        Scratch scratch("");
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        REQUIRE(waitMainWindow(rubo) != nullptr);
        expectDisplay(rubo, kFirstDiscLine, kDiscTimeoutMs);

        // A new session plays at full volume: the vertical slider at the top.
        HWND slider = rubo.control(IDC_VOLUME);
        checkSessionRange(slider);
        CHECK(SendMessageA(slider, TBM_GETPOS, 0, 0) == 0);
        // Moved by the user, it stays where it was put: the display's ticks
        // set the session, and its polling finds no other change.
        SendMessageA(slider, TBM_SETPOS, TRUE, kSessionMaximum / 4);
        const DWORD start = GetTickCount();
        waitUntil([&] { return GetTickCount() - start >= 1000; }, 2000);
        CHECK(SendMessageA(slider, TBM_GETPOS, 0, 0) == kSessionMaximum / 4);

        REQUIRE(rubo.click(IDC_OPTIONS, true));
        HWND sheet = waitDialog(rubo, "Options");
        REQUIRE(sheet != nullptr);
        HWND test = nullptr;
        REQUIRE(
            waitUntil([&] { return (test = findControl(sheet, IDC_OPT_VOLUME_TEST)) != nullptr; },
                      kStepTimeoutMs));
        checkSessionRange(test);
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        expectLog(rubo, "M : Options menu exit: Cancel");
        closeAndCheck(rubo);
    }
}
