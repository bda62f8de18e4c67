#include <doctest.h>

#include "app/main_window/taskbar_state.h"

using namespace rubo;

namespace {

// Track 2 of 3:30 playing at 1:05 (and 74 frames).
TaskbarState stateIn(std::uint32_t mode, int seconds = 5, int frames = 74) {
    DiscInfo disc;
    disc.trackList.store(2, TrackEntry{2, "B", "", makeMsf(3, 30, 40), makeMsf(5, 0, 0), 1});
    disc.firstAudioTrack = 2;
    return taskbarStateFor(mode, controlStatesForMode(mode, true), disc,
                           makeTmsf(2, 1, seconds, frames));
}

} // namespace

TEST_CASE("taskbar state: the progress and the buttons follow the player") {
    const TaskbarState playing = stateIn(kMciModePlay);
    CHECK((playing.progress == TaskbarProgress::Normal && playing.seconds == 65 &&
           playing.totalSeconds == 210));
    CHECK((playing.prev && playing.playPause && playing.next && playing.showsPause &&
           playing.pauses));
    const TaskbarState paused = stateIn(kMciModePause);
    CHECK((paused.progress == TaskbarProgress::Paused && paused.seconds == 65));
    CHECK(
        (!paused.prev && paused.playPause && !paused.next && !paused.showsPause && paused.pauses));
    const TaskbarState stopped = stateIn(kMciModeStop);
    CHECK((stopped.progress == TaskbarProgress::None && stopped.seconds == 0));
    CHECK((stopped.prev && stopped.playPause && !stopped.showsPause && !stopped.pauses));
    const TaskbarState busy = taskbarStateFor(kMciModePlay, busyControlStates(), DiscInfo(), 0);
    CHECK((!busy.prev && !busy.playPause && !busy.next));
}
