#pragma once

// Which transport controls are enabled, by player mode, and the object that
// applies that to the window.

#include "playback/player_state.h"
#include "playback/transport_window.h"

#include <atomic>
#include <cstdint>

namespace rubo {

struct ControlStates {
    bool play = false;
    bool pause = false;
    bool stop = false;
    bool prev = false;
    bool next = false;
    bool eject = false;
    bool tracks = false; // also the freedb and Edit buttons

    bool operator==(const ControlStates& other) const;
    bool operator!=(const ControlStates& other) const { return !(*this == other); }
};

// While a command or a disc read is under way: only Eject.
ControlStates busyControlStates();
// The states in an MCI mode for a disc with or without audio.
ControlStates controlStatesForMode(std::uint32_t mode, bool hasAudio);

// Applies the tables to the window; called from both threads.
class TransportControls : public PlayerControls {
public:
    explicit TransportControls(TransportWindow& window) : window_(window) {}

    void setControlsBusy() override;
    // Leaves the window alone when it already shows the states of `mode`
    // (the same states as at the last call, and no busy state since). Called
    // from one thread only (the worker's poll).
    void enableControlsForMode(std::uint32_t mode) override;

    // False after setControlsBusy, true after enableControlsForMode.
    bool controlsEnabled() const { return enabled_.load(); }
    // The hasAudio field of the user interface's DiscInfo; set whenever the
    // window takes over or clears its disc.
    void setHasAudio(bool hasAudio) { hasAudio_.store(hasAudio); }
    bool hasAudio() const { return hasAudio_.load(); }
    // What the window's controls show in `mode`: busy until enabled.
    ControlStates currentStates(std::uint32_t mode) const;

private:
    void apply(const ControlStates& states);

    TransportWindow& window_;
    ControlStates modeStates_; // applied by the last enableControlsForMode
    std::atomic<bool> enabled_{false};
    std::atomic<bool> hasAudio_{false};
};

} // namespace rubo
