#include "playback/transport_controls.h"

#include "drive/cd_audio_device.h"

namespace rubo {

bool ControlStates::operator==(const ControlStates& o) const {
    return play == o.play && pause == o.pause && stop == o.stop && prev == o.prev &&
           next == o.next && eject == o.eject && tracks == o.tracks;
}

ControlStates busyControlStates() {
    ControlStates s;
    s.eject = true;
    return s;
}

ControlStates controlStatesForMode(std::uint32_t mode, bool hasAudio) {
    const bool a = hasAudio;
    ControlStates s;
    s.eject = true;
    s.tracks = a;
    switch (mode) {
    case kMciModeStop:
        s.play = s.prev = s.next = a;
        break;
    case kMciModePlay:
        s.play = s.pause = s.stop = s.prev = s.next = a;
        break;
    case kMciModePause:
        s.play = s.pause = s.stop = a;
        break;
    default:
        break;
    }
    return s;
}

void TransportControls::setControlsBusy() {
    apply(busyControlStates());
    enabled_.store(false);
}

void TransportControls::enableControlsForMode(std::uint32_t mode) {
    const ControlStates states = controlStatesForMode(mode, hasAudio_.load());
    if (enabled_.exchange(true) && states == modeStates_)
        return;
    modeStates_ = states;
    apply(states);
}

ControlStates TransportControls::currentStates(std::uint32_t mode) const {
    return controlsEnabled() ? controlStatesForMode(mode, hasAudio()) : busyControlStates();
}

void TransportControls::apply(const ControlStates& s) {
    window_.enableControl(TransportControl::Play, s.play);
    window_.enableControl(TransportControl::Pause, s.pause);
    window_.enableControl(TransportControl::Stop, s.stop);
    window_.enableControl(TransportControl::Prev, s.prev);
    window_.enableControl(TransportControl::Next, s.next);
    window_.enableControl(TransportControl::Eject, s.eject);
    window_.enableControl(TransportControl::Tracks, s.tracks);
    window_.enableControl(TransportControl::Freedb, s.tracks);
    window_.enableControl(TransportControl::Edit, s.tracks);
}

} // namespace rubo
