#pragma once

// What the taskbar button shows of the player: its thumbnail buttons and the
// playing track's progress, in whole seconds so that it seldom changes.

#include "app/main_window/player_session.h"
#include "discinfo/disc_model.h"
#include "playback/transport_controls.h"

#include <cstdint>

namespace rubo {

enum class TaskbarProgress { None, Normal, Paused };

struct TaskbarState {
    TaskbarProgress progress = TaskbarProgress::None;
    int seconds = 0; // into the track; 0 without progress
    int totalSeconds = 0;
    bool prev = false;
    bool playPause = false; // enabled
    bool next = false;
    bool showsPause = false; // the middle button's picture and tip: while playing
    bool pauses = false;     // its click pauses or resumes, else it plays

    bool sameButtons(const TaskbarState& other) const;
    bool operator==(const TaskbarState& other) const;
    bool operator!=(const TaskbarState& other) const { return !(*this == other); }
};

// The calls that take the taskbar from what it was last sent to what is wanted.
struct TaskbarChanges {
    bool buttons = false;
    bool progressState = false;
    bool progressValue = false;
};
TaskbarChanges taskbarChanges(const TaskbarState& sent, const TaskbarState& wanted);

// mode: the window's player mode; states: its transport buttons; position:
// the track position of the last tick that played.
TaskbarState taskbarStateFor(std::uint32_t mode, const ControlStates& states, const DiscInfo& disc,
                             PackedTmsf position);
// The same for the session as the last display tick left it.
TaskbarState taskbarStateOf(const PlayerSession& session);

} // namespace rubo
