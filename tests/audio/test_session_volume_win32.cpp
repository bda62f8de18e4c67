// The program's audio session: the event sink across threads, and the
// volume control over Wine's session when its mixer has no CD line.
#include <doctest.h>

#include "audio/mixer_api_win32.h"
#include "audio/session_volume_win32.h"
#include "audio/volume_control_win32.h"
#include "settings/options.h"
#include "support/ui_test_support_win32.h"

#include <windows.h>

#include <audioclient.h> // after <windows.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

using namespace rubo;

namespace {

constexpr UINT kPosted = WM_APP + 7;

struct MessageWindow {
    HWND handle = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    MessageWindow() = default;
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;
    ~MessageWindow() {
        if (handle)
            DestroyWindow(handle);
    }
};

// The messages `kPosted` waiting for `window`, taken out of the queue.
int takePosted(HWND window) {
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, window, kPosted, kPosted, PM_REMOVE))
        ++count;
    return count;
}

// Calls the sink the way the audio system does: from a thread of its own.
void volumeChangedOnAudioThread(SessionEventSink& sink, float level) {
    std::thread audio([&sink, level] { sink.OnSimpleVolumeChanged(level, FALSE, nullptr); });
    audio.join();
}

std::vector<std::pair<long, std::uintptr_t>> changes;

void recordChange(long volume, std::uintptr_t userData) {
    changes.emplace_back(volume, userData);
}

// The system's session, with the one the control opened kept in view, so
// that the test can change it as the system's volume mixer would.
SessionVolume* opened = nullptr;

std::unique_ptr<SessionVolume> openAndKeep(HWND window, UINT message) {
    std::unique_ptr<SessionVolume> session = openProcessSession(window, message);
    opened = session.get();
    return session;
}

struct SessionOpenerScope {
    explicit SessionOpenerScope(SessionOpener opener) { setSessionOpener(opener); }
    ~SessionOpenerScope() { setSessionOpener(nullptr); }
};

} // namespace

TEST_CASE("session volume: the event sink posts from the audio thread and nothing after "
          "detach") {
    MessageWindow window;
    if (!window.handle) {
        MESSAGE("no display for windows: skipped (run under Xvfb)");
        return;
    }
    auto* sink = new SessionEventSink(window.handle, kPosted);

    volumeChangedOnAudioThread(*sink, 0.3f);
    CHECK(takePosted(window.handle) == 1);
    // The other events carry nothing the slider shows.
    sink->OnStateChanged(AudioSessionStateActive);
    sink->OnDisplayNameChanged(L"x", nullptr);
    CHECK(takePosted(window.handle) == 0);

    void* object = nullptr;
    REQUIRE(sink->QueryInterface(__uuidof(IAudioSessionEvents), &object) == S_OK);
    CHECK(object == static_cast<IAudioSessionEvents*>(sink));
    REQUIRE(sink->QueryInterface(__uuidof(IUnknown), &object) == S_OK);
    CHECK(object == static_cast<IAudioSessionEvents*>(sink));
    CHECK(sink->QueryInterface(__uuidof(ISimpleAudioVolume), &object) == E_NOINTERFACE);
    CHECK(object == nullptr);
    CHECK(sink->Release() == 2); // the two references handed out above
    CHECK(sink->Release() == 1);

    sink->detach();
    volumeChangedOnAudioThread(*sink, 0.6f);
    CHECK(takePosted(window.handle) == 0);
    CHECK(sink->Release() == 0);
}

TEST_CASE("session volume: Wine's session stands in for the missing CD line") {
    setMixerApi(nullptr);
    SessionOpenerScope scope(openAndKeep);
    opened = nullptr;
    changes.clear();
    CVolumeControl control(kVolumeTypeCd);
    if (control.lineFound()) {
        MESSAGE("this mixer has a CD line: the session is not used");
        CHECK_FALSE(control.usesSession());
        return;
    }
    if (!control.usesSession()) {
        MESSAGE("no audio session here (no output device or no Core Audio): the control is "
                "unusable");
        CHECK_FALSE(control.getVolume());
        return;
    }
    REQUIRE(opened != nullptr);
    REQUIRE(control.hasVolume());
    CHECK(control.range()->minimum == 0);
    CHECK(control.range()->maximum == 65535);
    control.setChangeCallback(recordChange, 9);

    // The slider's value reaches the session and reads back from it.
    control.setVolume(16384);
    float level = -1;
    REQUIRE(opened->level(level));
    CHECK(level == doctest::Approx(0.25).epsilon(0.001));
    CHECK(control.getVolume() == 16384);
    control.setVolume(65535);
    CHECK(control.getVolume() == 65535);

    // A change made on the session itself, as by the system's volume mixer,
    // reaches the callback on this thread: by the session's event, or by the
    // polling of an owner whose slider is shown (Wine sends no events).
    REQUIRE(opened->setLevel(0.75f));
    CHECK(test::pumpUntil(
        nullptr,
        [&] {
            control.pollSession();
            return !changes.empty();
        },
        5000));
    CHECK(changes == std::vector<std::pair<long, std::uintptr_t>>{{49151, 9}});
    opened = nullptr;
}
