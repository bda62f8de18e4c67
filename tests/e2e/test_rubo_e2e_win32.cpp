// The real rubo.exe under Wine and Xvfb against the virtual CD drive: it is
// started in a scratch directory with its own RUBO.ini, driven through its
// windows and checked by its display, RUBO.ini and rubo.log. Skipped in a
// plain run; the "rubo_e2e_wine" CTest entry prepares a prefix with the
// drive and runs them with --no-skip.
#include <doctest.h>

#include "e2e_steps_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace rubo;
using namespace rubo::test;

namespace {

// The elapsed track time "(m:ss)" at the end of the second line, in seconds.
int trackSeconds(const std::string& display) {
    const std::size_t open = display.rfind('(');
    int minutes = -1, seconds = -1;
    if (open == std::string::npos ||
        std::sscanf(display.c_str() + open, "(%d:%d)", &minutes, &seconds) != 2)
        return -1;
    return minutes * 60 + seconds;
}

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("rubo.exe: a disc is read, played, paused, skipped, ejected and changed") {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");
        REQUIRE(driveControl("latency 400") == 0);
        Scratch scratch("ShowModeDisc=2\r\nShowModeTrack=1\r\n");
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        HWND main = waitMainWindow(rubo);
        REQUIRE(main != nullptr);

        bool scanningSeen = false;
        const bool read = waitUntil(
            [&] {
                const std::string text = rubo.displayText();
                scanningSeen = scanningSeen || contains(text, "Scanning disc");
                return contains(text, kFirstDiscLine);
            },
            kDiscTimeoutMs);
        REQUIRE(read);
        CHECK(scanningSeen);
        CHECK(displayShows(rubo, "[1]  Opening"));
        CHECK(waitUntil([&] { return IsWindowEnabled(rubo.control(IDC_PLAY)) != 0; },
                        kStepTimeoutMs));
        screenshot(main, "stopped");

        SUBCASE("transport buttons") {
            REQUIRE(rubo.click(IDC_PLAY));
            expectLog(rubo, "M : Button PLAY");
            expectDisplay(rubo, "[1]  Opening   (0:0");
            screenshot(main, "playing");

            REQUIRE(rubo.click(IDC_PAUSE));
            expectDisplay(rubo, "(paused)");
            screenshot(main, "paused");
            REQUIRE(rubo.click(IDC_PLAY));
            expectDisplay(rubo, "[1]  Opening   (0:");

            REQUIRE(rubo.click(IDC_NEXT));
            expectDisplay(rubo, "[2]  A Very Long Title That Continues   (0:");
            REQUIRE(rubo.click(IDC_PREV));
            expectDisplay(rubo, "[1]  Opening   (0:");

            REQUIRE(rubo.click(IDC_STOP));
            expectLog(rubo, "M : Button STOP");
            expectDisplay(rubo, "\r\n[1]  Opening");
            CHECK(waitUntil([&] { return !contains(rubo.displayText(), "(0:"); }, kStepTimeoutMs));
        }

        SUBCASE("track menu and the progress bar") {
            REQUIRE(rubo.click(IDC_TRACKS, true));
            HWND menu = nullptr;
            REQUIRE(waitUntil([&] { return (menu = FindWindowA("#32768", nullptr)) != nullptr; },
                              kStepTimeoutMs));
            for (int i = 0; i < 3; ++i)
                PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
            expectLog(rubo, "M : Tracks button");
            expectDisplay(rubo, "[3]  Glass Harbour   (0:");

            // Track 3 lasts 3:17; a click at the middle of the bar asks for 1:38.
            HWND bar = rubo.control(IDC_PROGRESS);
            RECT client{};
            GetClientRect(bar, &client);
            PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right / 2, 2));
            PostMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(client.right / 2, 2));
            const bool moved = waitUntil(
                [&] {
                    const int at = trackSeconds(rubo.displayText());
                    return at >= 97 && at <= 105 && displayShows(rubo, "[3]");
                },
                kStepTimeoutMs);
            INFO("display: " << rubo.displayText());
            CHECK(moved);
            REQUIRE(rubo.click(IDC_STOP));
        }

        SUBCASE("eject, the tray from outside and a new disc") {
            REQUIRE(rubo.click(IDC_EJECT));
            expectLog(rubo, "M : Button TRAY");
            expectDisplay(rubo, "no disc");
            expectLog(rubo, "M : Clear info");
            // The status line: door open, no media.
            expectLog(rubo, "M :       O m r s OPEN");
            CHECK(waitUntil([&] { return !IsWindowEnabled(rubo.control(IDC_TRACKS)); },
                            kStepTimeoutMs));
            screenshot(main, "no-disc");
            REQUIRE(rubo.click(IDC_EJECT));
            expectDisplay(rubo, kFirstDiscLine, kDiscTimeoutMs);

            REQUIRE(driveControl("open") == 0);
            expectDisplay(rubo, "no disc");
            REQUIRE(driveControl("insert " + environmentText("VDRIVE_TEST_DISC2")) == 0);
            expectDisplay(rubo, kSecondDiscLine, kDiscTimeoutMs);
            expectDisplay(rubo, "[1]  First");
            REQUIRE(driveControl("open") == 0);
            expectDisplay(rubo, "no disc");
            REQUIRE(driveControl("insert " + environmentText("VDRIVE_TEST_DISC")) == 0);
            expectDisplay(rubo, kFirstDiscLine, kDiscTimeoutMs);
        }

        closeAndCheck(rubo);
        const std::string ini = rubo.readFile("RUBO.ini");
        CHECK(contains(ini, "[POSITION]"));
    }

    TEST_CASE("rubo.exe: start-up plays from the command line") {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");

        SUBCASE("a drive") {
            Scratch scratch("");
            RuboProcess rubo(ruboExe(), scratch.path(), "D:");
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            REQUIRE(waitMainWindow(rubo) != nullptr);
            expectDisplay(rubo, "[1]  Opening   (0:", kDiscTimeoutMs);
            expectLog(rubo, "M : Playing CD");
            closeAndCheck(rubo);
        }

        SUBCASE("a CD audio track file") {
            // A .cda file names its track at byte 22.
            std::string cda(44, '\0');
            cda[22] = 5;
            const std::string path = "D:\\Track05.cda";
            HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            REQUIRE(file != INVALID_HANDLE_VALUE);
            DWORD written = 0;
            WriteFile(file, cda.data(), static_cast<DWORD>(cda.size()), &written, nullptr);
            CloseHandle(file);
            REQUIRE(written == cda.size());

            Scratch scratch("");
            RuboProcess rubo(ruboExe(), scratch.path(), path);
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            REQUIRE(waitMainWindow(rubo) != nullptr);
            expectDisplay(rubo, "[5]  Guest Singer / Duet in Blue   (0:", kDiscTimeoutMs);
            expectLog(rubo, "M : Playing track 5");
            closeAndCheck(rubo);
            DeleteFileA(path.c_str());
        }

        SUBCASE("a .cda file naming track 0 starts without playing") {
            ScratchDir files;
            const std::string path = (files.path() / "Zero.cda").string();
            writeBytes(path, std::string(44, '\0'));
            Scratch scratch("");
            RuboProcess rubo(ruboExe(), scratch.path(), "\"" + path + "\"");
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            REQUIRE(waitMainWindow(rubo) != nullptr);
            expectDisplay(rubo, kFirstDiscLine, kDiscTimeoutMs);
            expectLog(rubo, "M : Playing track 0");
            CHECK(waitUntil([&] { return IsWindowEnabled(rubo.control(IDC_PLAY)) != 0; },
                            kStepTimeoutMs));
            CHECK_FALSE(IsWindowEnabled(rubo.control(IDC_PAUSE)));
            CHECK_FALSE(displayShows(rubo, "(0:"));
            closeAndCheck(rubo);
        }

        SUBCASE("a .cda file too short to name a track") {
            ScratchDir files;
            const std::string path = (files.path() / "Short.cda").string();
            writeBytes(path, std::string(10, '\0'));
            Scratch scratch("");
            RuboProcess rubo(ruboExe(), scratch.path(), "\"" + path + "\"");
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            HWND box = nullptr;
            REQUIRE(
                waitUntil([&] { return (box = rubo.otherWindow()) != nullptr; }, kDiscTimeoutMs));
            CHECK(RuboProcess::windowText(box) == "RUBO");
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            REQUIRE(rubo.exited(kStepTimeoutMs));
            CHECK(rubo.exitCode() == 0);
        }
    }

    TEST_CASE("rubo.exe: Tiny mode, the tray and the saved position") {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");

        SUBCASE("StartTiny opens the Tiny window first") {
            Scratch scratch("StartTiny=1\r\n");
            RuboProcess rubo(ruboExe(), scratch.path(), "");
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            HWND tiny = nullptr;
            REQUIRE(
                waitUntil([&] { return (tiny = rubo.otherWindow()) != nullptr; }, kDiscTimeoutMs));
            CHECK(rubo.mainWindow() == nullptr);
            CHECK(waitUntil([&] { return RuboProcess::windowText(tiny) == "1"; }, kDiscTimeoutMs));
            screenshot(tiny, "tiny");
            PostMessageA(GetDlgItem(tiny, IDC_TINY_PLAY), WM_LBUTTONDOWN, MK_LBUTTON, 0);
            PostMessageA(GetDlgItem(tiny, IDC_TINY_PLAY), WM_LBUTTONUP, 0, 0);
            CHECK(waitUntil([&] { return contains(RuboProcess::windowText(tiny), "1 / 0:"); },
                            kStepTimeoutMs));
            PostMessageA(tiny, WM_COMMAND, IDCANCEL, 0);
            HWND main = waitMainWindow(rubo);
            REQUIRE(main != nullptr);
            expectLog(rubo, "M : Exit Tiny mode");
            CHECK(contains(rubo.readFile("RUBO.ini"), "[POSITION_SMALL]"));
            closeAndCheck(rubo);
        }

        SUBCASE("Escape goes to Tiny mode or closes, as EscapeKey says") {
            Scratch scratch("EscapeKey=2\r\n");
            RuboProcess rubo(ruboExe(), scratch.path(), "");
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            HWND main = waitMainWindow(rubo);
            REQUIRE(main != nullptr);
            PostMessageA(rubo.control(IDC_DISPLAY), WM_KEYDOWN, VK_ESCAPE, 0);
            HWND tiny = nullptr;
            REQUIRE(
                waitUntil([&] { return (tiny = rubo.otherWindow()) != nullptr; }, kStepTimeoutMs));
            CHECK_FALSE(IsWindowVisible(main));
            PostMessageA(tiny, WM_COMMAND, IDCANCEL, 0);
            REQUIRE(waitMainWindow(rubo) != nullptr);
            closeAndCheck(rubo);

            Scratch closing("EscapeKey=1\r\n");
            RuboProcess second(ruboExe(), closing.path(), "");
            REQUIRE_MESSAGE(second.started(), second.startError());
            REQUIRE(waitMainWindow(second) != nullptr);
            PostMessageA(second.control(IDC_DISPLAY), WM_KEYDOWN, VK_ESCAPE, 0);
            REQUIRE(second.exited(kStepTimeoutMs));
            CHECK(contains(second.readFile("rubo.log"), "M : Thread stopped OK"));
        }

        SUBCASE("minimise to the tray and back") {
            Scratch scratch("MinimizeToTray=1\r\n");
            RuboProcess rubo(ruboExe(), scratch.path(), "");
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            HWND main = waitMainWindow(rubo);
            REQUIRE(main != nullptr);
            expectDisplay(rubo, kFirstDiscLine, kDiscTimeoutMs);
            PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            CHECK(waitUntil([&] { return !IsWindowVisible(main); }, kStepTimeoutMs));
            CHECK_FALSE(IsIconic(main));
            // The icon's double click, as the shell reports it.
            PostMessageA(main, WM_USER + 1, 1, WM_LBUTTONDBLCLK);
            CHECK(waitUntil([&] { return IsWindowVisible(main) != 0; }, kStepTimeoutMs));
            closeAndCheck(rubo);
        }

        SUBCASE("the position is saved and restored with RememberPos") {
            Scratch scratch("RememberPos=1\r\n");
            RECT moved{};
            {
                RuboProcess rubo(ruboExe(), scratch.path(), "");
                REQUIRE_MESSAGE(rubo.started(), rubo.startError());
                HWND main = waitMainWindow(rubo);
                REQUIRE(main != nullptr);
                SetWindowPos(main, nullptr, 123, 87, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
                REQUIRE(waitUntil(
                    [&] {
                        GetWindowRect(main, &moved);
                        return moved.left == 123 && moved.top == 87;
                    },
                    kStepTimeoutMs));
                closeAndCheck(rubo);
            }
            const std::string ini = readBytes(scratch.dir.path() / "RUBO.ini");
            CHECK(contains(ini, "Top=87"));
            CHECK(contains(ini, "Left=123"));
            RuboProcess again(ruboExe(), scratch.path(), "");
            REQUIRE_MESSAGE(again.started(), again.startError());
            HWND main = waitMainWindow(again);
            REQUIRE(main != nullptr);
            RECT now{};
            CHECK(waitUntil(
                [&] {
                    GetWindowRect(main, &now);
                    return now.left == moved.left && now.top == moved.top;
                },
                kStepTimeoutMs));
            closeAndCheck(again);
        }
    }

    TEST_CASE("rubo.exe: close ends a worker stuck in a read by force and still exits") {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");
        // Every TOC read takes 10 s: the worker is still reading when the
        // 5 s wait of close runs out.
        REQUIRE(driveControl("latency 10000") == 0);
        Scratch scratch("");
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        HWND main = waitMainWindow(rubo);
        REQUIRE(main != nullptr);
        expectDisplay(rubo, "Scanning disc", kDiscTimeoutMs);
        const DWORD start = GetTickCount();
        PostMessageA(main, WM_CLOSE, 0, 0);
        REQUIRE(rubo.exited(kDiscTimeoutMs));
        MESSAGE("close took " << GetTickCount() - start << " ms");
        CHECK(rubo.exitCode() == 0);
        const std::string log = rubo.readFile("rubo.log");
        CHECK(contains(log, "M : Thread timed out"));
        const std::string ini = rubo.readFile("RUBO.ini");
        CHECK(contains(ini, "CdromDrive=D"));
        CHECK(contains(ini, "[POSITION]"));
        REQUIRE(driveControl("latency 0") == 0);
    }

    TEST_CASE("rubo.exe: time from launch to the disc's text") {
        REQUIRE_FALSE(ruboExe().empty());
        // No spin-up, so that only rubo's own start counts.
        REQUIRE(driveControl("spinup 0") == 0);
        REQUIRE(driveControl("insert " + environmentText("VDRIVE_TEST_DISC")) == 0);
        for (int run = 0; run < 3; ++run) {
            Scratch scratch("");
            RuboProcess rubo(ruboExe(), scratch.path(), "");
            REQUIRE_MESSAGE(rubo.started(), rubo.startError());
            REQUIRE(waitUntil([&] { return displayShows(rubo, kFirstDiscLine); }, kDiscTimeoutMs));
            MESSAGE("start " << run + 1 << ": " << GetTickCount() - rubo.startTick()
                             << " ms from launch to the disc's text");
            closeAndCheck(rubo);
        }
    }

} // TEST_SUITE
