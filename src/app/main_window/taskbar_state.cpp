#include "app/main_window/taskbar_state.h"

#include <algorithm>

namespace rubo {

namespace {

int wholeSeconds(int frames) {
    return frames / kFramesPerSecond;
}

} // namespace

bool TaskbarState::sameButtons(const TaskbarState& o) const {
    return prev == o.prev && playPause == o.playPause && next == o.next &&
           showsPause == o.showsPause && pauses == o.pauses;
}

bool TaskbarState::operator==(const TaskbarState& o) const {
    return sameButtons(o) && progress == o.progress && seconds == o.seconds &&
           totalSeconds == o.totalSeconds;
}

TaskbarChanges taskbarChanges(const TaskbarState& sent, const TaskbarState& wanted) {
    TaskbarChanges changes;
    changes.buttons = !sent.sameButtons(wanted);
    changes.progressState = sent.progress != wanted.progress;
    // A value set without progress would show the bar again.
    changes.progressValue = wanted.progress != TaskbarProgress::None &&
                            (changes.progressState || sent.seconds != wanted.seconds ||
                             sent.totalSeconds != wanted.totalSeconds);
    return changes;
}

TaskbarState taskbarStateFor(std::uint32_t mode, const ControlStates& states, const DiscInfo& disc,
                             PackedTmsf position) {
    TaskbarState state;
    const bool playing = mode == kMciModePlay;
    state.showsPause = playing;
    state.pauses = playing || mode == kMciModePause;
    state.prev = states.prev;
    state.next = states.next;
    state.playPause = state.pauses ? states.pause : states.play;
    const TrackEntry* entry = disc.trackList.entry(disc.firstAudioTrack);
    if (!state.pauses || !entry)
        return state;
    state.progress = playing ? TaskbarProgress::Normal : TaskbarProgress::Paused;
    state.totalSeconds = wholeSeconds(msfToFrames(entry->length));
    state.seconds = std::clamp(wholeSeconds(tmsfToFrames(position)), 0, state.totalSeconds);
    return state;
}

TaskbarState taskbarStateOf(const PlayerSession& session) {
    const std::uint32_t mode = session.view().uiMode;
    const MainDisplay* display = session.display();
    return taskbarStateFor(mode, session.controls().currentStates(mode), session.view().disc,
                           display ? display->uiTrackPosition() : 0);
}

} // namespace rubo
