#include <doctest.h>

#include "player_fixture.h"
#include "transport_fixture.h"

#include <algorithm>

using namespace rubo;
using namespace rubo::test;

namespace {

// An engine in `mode` over a 12-track disc whose record holds `program`;
// the shuffle's seeds count up from 7.
struct ModeFixture : PlayerFixture {
    explicit ModeFixture(int mode, std::vector<int> program = {}) {
        setup.options.playMode = mode;
        engine->setShuffleSeeds([seed = 7u]() mutable { return seed++; });
        engine->setDiscLookup(
            [program](const std::string&, const std::string&, const DiscInfo&, DiscInfo& info) {
                info.valid = true;
                info.playOrder = program;
            });
        startWithDisc(12);
    }
    void play(int track) {
        setPlayRequest(makeTmsf(track, 0, 0, 0));
        engine->handle(kPlayEvent);
    }
    int lastPlayed() const {
        for (int t = 1; t <= 12; ++t)
            if (!device.playedFrom.empty() && device.playedFrom.back() == trackStartOf(t))
                return t;
        return 0;
    }
    // The drive plays `track` and stops at its end (4:00); the track played
    // next, 0 for none.
    int endOf(int track) {
        const std::size_t plays = device.playedFrom.size();
        setDrive(kMciModePlay, 1, 1);
        device.setStatus(kMciStatusPosition, makeTmsf(track, 3, 59, 0));
        engine->handle(kPlayerWaitTimeout);
        setDrive(kMciModeStop, 1, 1);
        device.setStatus(kMciStatusPosition, makeTmsf(track, 4, 0, 0));
        engine->handle(kPlayerWaitTimeout);
        return device.playedFrom.size() > plays ? lastPlayed() : 0;
    }
    // Plays `first`, then each track to its end while the engine goes on.
    std::vector<int> playThrough(int first) {
        play(first);
        std::vector<int> played{first};
        for (int next = endOf(first); next != 0 && played.size() <= 12; next = endOf(next))
            played.push_back(next);
        return played;
    }
};

} // namespace

TEST_CASE("shuffle plays every track once in its order, which Next and Previous follow") {
    ModeFixture f(kPlayModeShuffle);
    const std::vector<int> order = f.engine->playOrder().tracks();
    CHECK(f.engine->localDisc().firstAudioTrack == order.front()); // where Play begins
    CHECK(f.playThrough(order.front()) == order);                  // each track once: end to end

    TransportFixture ui;
    ui.shared.playOrder = f.shared.playOrder;
    ui.shared.playOrderSerial = 1;
    ui.useDisc(f.engine->localDisc(), kMciModeStop, order[0]);
    for (std::size_t i = 1; i <= 12; ++i) {
        ui.commands.nextTrack();
        CHECK(ui.current() == order[std::min<std::size_t>(i, 11)]);
    }
    ui.commands.previousTrack();
    CHECK(ui.current() == order[10]);

    handOverWorkerOptions(f.shared, f.lock, f.setup.options); // shuffle chosen again
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.engine->playOrder().tracks() != order);
}

TEST_CASE("repeat disc starts again from the first track after the disc's end only") {
    ModeFixture f(kPlayModeRepeatDisc);
    f.play(3);
    CHECK(f.endOf(3) == 0); // stopped from elsewhere at the end of track 3
    f.play(12);
    CHECK(f.endOf(12) == 1);
    CHECK(f.device.countCalls(formatText("playFrom 0x%08X 1", trackStartOf(1))) == 1);
}

TEST_CASE("repeat track plays the track again until the user stops it") {
    ModeFixture f(kPlayModeRepeatTrack);
    f.play(5);
    CHECK(f.device.countCalls(
              formatText("playRange 0x%08X 0x%08X 1", trackStartOf(5), trackStartOf(6))) == 1);
    CHECK(f.endOf(5) == 5);
    CHECK(f.endOf(5) == 5);
    f.engine->handle(kStopEvent);
    CHECK(f.endOf(5) == 0);
}

TEST_CASE("program follows the disc's PLAYORDER; without one the disc's own order") {
    ModeFixture f(kPlayModeProgram, {3, 99, 1, 3, 7});
    CHECK(f.engine->localDisc().firstAudioTrack == 3);
    CHECK(f.playThrough(3) == std::vector<int>{3, 1, 7});
    ModeFixture none(kPlayModeProgram);
    none.play(11);
    CHECK(none.device.countCalls(formatText("playFrom 0x%08X 1", trackStartOf(11))) == 1);
    CHECK(none.endOf(12) == 0);
}
