#include <doctest.h>

#include "fake_transport_window.h"
#include "playback/transport_controls.h"

#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

ControlStates states(bool play, bool pause, bool stop, bool prev, bool next, bool eject,
                     bool tracks) {
    ControlStates s;
    s.play = play;
    s.pause = pause;
    s.stop = stop;
    s.prev = prev;
    s.next = next;
    s.eject = eject;
    s.tracks = tracks;
    return s;
}

} // namespace

TEST_CASE("enable table for every mode with and without audio") {
    struct Row {
        std::uint32_t mode;
        ControlStates withAudio;
    };
    const Row rows[] = {
        {524, states(0, 0, 0, 0, 0, 1, 1)}, {525, states(1, 0, 0, 1, 1, 1, 1)},
        {526, states(1, 1, 1, 1, 1, 1, 1)}, {527, states(0, 0, 0, 0, 0, 1, 1)},
        {528, states(0, 0, 0, 0, 0, 1, 1)}, {529, states(1, 1, 1, 0, 0, 1, 1)},
        {530, states(0, 0, 0, 0, 0, 1, 1)}, {0, states(0, 0, 0, 0, 0, 1, 1)},
    };
    const ControlStates onlyEject = states(0, 0, 0, 0, 0, 1, 0);
    for (const Row& row : rows) {
        CAPTURE(row.mode);
        CHECK(controlStatesForMode(row.mode, true) == row.withAudio);
        CHECK(controlStatesForMode(row.mode, false) == onlyEject);
    }
}

TEST_CASE("busy leaves only Eject enabled") {
    CHECK(busyControlStates() == states(0, 0, 0, 0, 0, 1, 0));
}

TEST_CASE("the controls object applies the table to all nine controls") {
    FakeTransportWindow window;
    TransportControls controls(window);
    CHECK_FALSE(controls.controlsEnabled());
    controls.setHasAudio(1);
    controls.enableControlsForMode(kMciModePause);
    CHECK(controls.controlsEnabled());
    CHECK(window.enableCalls == std::vector<std::string>{"play=1", "pause=1", "stop=1", "prev=0",
                                                         "next=0", "eject=1", "tracks=1",
                                                         "freedb=1", "edit=1"});
    window.enableCalls.clear();
    controls.setControlsBusy();
    CHECK_FALSE(controls.controlsEnabled());
    CHECK(window.enableCalls == std::vector<std::string>{"play=0", "pause=0", "stop=0", "prev=0",
                                                         "next=0", "eject=1", "tracks=0",
                                                         "freedb=0", "edit=0"});
}

TEST_CASE("the controls object leaves the window alone while the mode's states stand") {
    FakeTransportWindow window;
    TransportControls controls(window);
    controls.setHasAudio(1);
    controls.enableControlsForMode(kMciModeStop);
    window.enableCalls.clear();
    controls.enableControlsForMode(kMciModeStop);
    CHECK(window.enableCalls.empty());
    controls.enableControlsForMode(kMciModeNotReady);
    CHECK(window.enableCalls.size() == 9);
    window.enableCalls.clear();
    controls.setHasAudio(0);
    controls.enableControlsForMode(kMciModeNotReady);
    CHECK(window.enableCalls.size() == 9);
    controls.setControlsBusy();
    window.enableCalls.clear();
    controls.enableControlsForMode(kMciModeNotReady);
    CHECK(window.enableCalls.size() == 9);
    CHECK(controls.controlsEnabled());
}
