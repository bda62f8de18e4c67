// Stopping the worker from the thread that owns the window the worker
// enables controls in: the worker's EnableWindow is a message sent to that
// thread, so the wait on close must keep handling sent messages. (Here
// rather than with the player's tests because it needs windows.)
#include <doctest.h>

#include "playback/player_fixture.h"
#include "playback/player_thread.h"

#include <windows.h>

#include <atomic>
#include <memory>

using namespace rubo;
using namespace rubo::test;

namespace {

// Enables and disables a button of a window that belongs to the test
// thread, as the main window's controls do, and says when it is about to.
// Each call changes the state, so each one sends the window's thread a
// message (an unchanged state sends none).
class WindowControls : public PlayerControls {
public:
    WindowControls(HWND button, HANDLE sending) : button_(button), sending_(sending) {}
    void setControlsBusy() override { toggle(); }
    void enableControlsForMode(std::uint32_t) override { toggle(); }

private:
    void toggle() {
        SetEvent(sending_);
        EnableWindow(button_, IsWindowEnabled(button_) ? FALSE : TRUE);
    }
    HWND button_;
    HANDLE sending_;
};

struct WindowFixture {
    WindowFixture() {
        owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
        button = CreateWindowExA(0, "BUTTON", "Play", WS_CHILD, 0, 0, 5, 5, owner, nullptr, nullptr,
                                 nullptr);
        sending = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    ~WindowFixture() {
        DestroyWindow(owner);
        CloseHandle(sending);
    }
    HWND owner = nullptr;
    HWND button = nullptr;
    HANDLE sending = nullptr;
};

} // namespace

TEST_CASE("the worker stops at once while it is enabling a control of the waiting thread") {
    WindowFixture w;
    REQUIRE(w.button != nullptr);
    PlayerFixture f;
    WindowControls controls(w.button, w.sending);
    PlayerRunner runner(f.setup, *f.drive.scsi, f.shared, controls, f.drive.log);
    runner.setDeviceFactory([] {
        auto device = std::make_unique<FakeCdAudioDevice>();
        return device;
    });
    REQUIRE(runner.createEvents());
    REQUIRE(runner.start());

    // This thread handles no messages until the wait, so the worker is
    // blocked in its EnableWindow when quit is asked for.
    REQUIRE(WaitForSingleObject(w.sending, 5000) == WAIT_OBJECT_0);
    const DWORD start = GetTickCount();
    CHECK(runner.setEvent(kQuitEvent));
    CHECK(runner.waitForEnd(kPlayerStopWaitMs));
    const DWORD took = GetTickCount() - start;
    MESSAGE("the worker ended " << took << " ms after the quit request");
    CHECK(took < 1000);
}
