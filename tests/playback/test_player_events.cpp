#include <doctest.h>

#include "player_fixture.h"

using namespace rubo;
using namespace rubo::test;

TEST_CASE("the events wake in priority order and reset themselves") {
    std::unique_ptr<PlayerEvents> events = createPlayerEvents();
    REQUIRE(events);
    CHECK(events->wait(0) == kPlayerWaitTimeout);
    for (int e = kPlayerEventCount - 1; e >= 0; --e)
        CHECK(events->set(e));
    CHECK(events->set(kPlayEvent)); // no count: still one wake
    for (int e = 0; e < kPlayerEventCount; ++e)
        CHECK(events->wait(0) == e);
    CHECK(events->wait(10) == kPlayerWaitTimeout);
    CHECK_FALSE(events->set(kPlayerEventCount));
    CHECK_FALSE(events->set(-1));
}

TEST_CASE("play from the request in MCI mode") {
    PlayerFixture f;
    f.startWithDisc(12);
    f.setPlayRequest(makeTmsf(2, 1, 30, 10));
    CHECK(f.engine->handle(kPlayEvent));
    CHECK(f.device.calls == Lines{"setTimeFormat 2", "playFrom 0x000A2005 1", "setTimeFormat 10"});
    CHECK(f.takeLog() == Lines{" T: Play", "  : Playing Track 2 position  1:30 10   Abs:  5:32 10",
                               " T: Play command started"});
    CHECK(LockWatch::violations() == 0);
}

TEST_CASE("pause, then play resumes at the same track, minute and second") {
    PlayerFixture f;
    f.startWithDisc(12);
    f.device.setStatus(kMciStatusCurrentTrack, 5);
    f.device.setStatus(kMciStatusPosition, makeTmsf(5, 2, 17, 40));

    CHECK(f.engine->handle(kPauseEvent));
    CHECK(f.device.calls == Lines{"pause"});
    CHECK(f.engine->flags().paused == 1);
    CHECK(f.takeLog() == Lines{" T: Pause"});

    f.device.calls.clear();
    f.engine->handle(kPlayEvent);
    CHECK(f.engine->flags().paused == 0);
    REQUIRE(!f.device.playedFrom.empty());
    CHECK(f.device.playedFrom.back() == makeMsf(18, 19, 0));
    CHECK(f.takeLog() == Lines{" T: Resume (Play)",
                               "  : Playing Track 5 position  2:17 00   Abs: 18:19 00",
                               " T: Play command started"});
}

TEST_CASE("pause twice resumes with its own line") {
    PlayerFixture f;
    f.startWithDisc(12);
    f.device.setStatus(kMciStatusCurrentTrack, 1);
    f.device.setStatus(kMciStatusPosition, makeTmsf(1, 0, 3, 2));
    f.engine->handle(kPauseEvent);
    f.engine->handle(kPauseEvent);
    CHECK(f.engine->flags().paused == 0);
    CHECK(f.device.countCalls("pause") == 1);
    CHECK(f.takeLog() == Lines{" T: Pause", " T: Resume",
                               "  : Playing Track 1 position  0:03 00   Abs:  0:05 00",
                               " T: Play command started"});
}

TEST_CASE("stop clears the pause") {
    PlayerFixture f;
    f.startWithDisc(2);
    f.engine->handle(kPauseEvent);
    f.takeLog();
    f.engine->handle(kStopEvent);
    CHECK(f.engine->flags().paused == 0);
    CHECK(f.device.calls.back() == "stop");
    CHECK(f.takeLog() == Lines{" T: Stop"});
}

TEST_CASE("eject with the door closed opens the tray") {
    PlayerFixture f;
    f.startWithDisc(2);
    f.engine->handle(kTrayEvent);
    CHECK(f.device.calls == Lines{"setDoor 1"});
    CHECK(f.takeLog() == Lines{" T: Tray open  (IsOpen=0)", " T: Tray command finished"});
}

TEST_CASE("eject twice while the door reads open: closes, then opens") {
    PlayerFixture f;
    f.startWithDisc(2);
    f.openDoor();
    f.engine->handle(kPlayerWaitTimeout);
    REQUIRE(f.engine->flags().doorOpen == 1);
    f.takeLog();
    f.device.calls.clear();

    f.engine->handle(kTrayEvent);
    f.engine->handle(kTrayEvent);
    f.engine->handle(kTrayEvent);
    CHECK(f.device.calls == Lines{"setDoor 0", "setDoor 1", "setDoor 0"});
    CHECK(f.takeLog() == Lines{" T: Tray close  (IsOpen=1, Toggle=1)", " T: Tray command finished",
                               " T: Tray open  (IsOpen=1, Toggle=0)", " T: Tray command finished",
                               " T: Tray close  (IsOpen=1, Toggle=1)",
                               " T: Tray command finished"});
}

TEST_CASE("quit stops a playing or paused drive only with StopOnClose") {
    for (std::uint32_t mode : {kMciModePlay, kMciModePause, kMciModeStop}) {
        for (int stopOnClose : {0, 1}) {
            CAPTURE(mode);
            CAPTURE(stopOnClose);
            PlayerFixture f;
            f.startWithDisc(2);
            f.setup.options.stopOnClose = stopOnClose;
            f.setDrive(mode, 1, 1);
            f.engine->handle(kPlayerWaitTimeout);
            f.takeLog();
            f.device.calls.clear();

            CHECK_FALSE(f.engine->handle(kQuitEvent));
            const bool stops = stopOnClose && mode != kMciModeStop;
            if (stops) {
                CHECK(f.device.calls == Lines{"stop", "close"});
                CHECK(f.takeLog() == Lines{" T: Stop Thread", " T: Stop playing",
                                           " T: Playing stopped", " T: Thread stopped"});
            } else {
                CHECK(f.device.calls == Lines{"close"});
                CHECK(f.takeLog() == Lines{" T: Stop Thread", " T: Thread stopped"});
            }
        }
    }
}

TEST_CASE("quit with StopOnClose stops a drive that reports stop while paused") {
    PlayerFixture f;
    f.startWithDisc(2);
    f.setup.options.stopOnClose = 1;
    f.engine->handle(kPauseEvent);
    f.engine->handle(kPlayerWaitTimeout); // 525 read as 529
    f.device.calls.clear();
    f.engine->handle(kQuitEvent);
    CHECK(f.device.calls == Lines{"stop", "close"});
}

TEST_CASE("a failed wait is ignored") {
    PlayerFixture f;
    f.startWithDisc(2);
    CHECK(f.engine->handle(kPlayerWaitFailed));
    CHECK(f.device.calls.empty());
    CHECK(f.takeLog().empty());
}

TEST_CASE("the loop handles the events in priority order until quit") {
    PlayerFixture f;
    f.startWithDisc(2);
    std::unique_ptr<PlayerEvents> events = createPlayerEvents();
    REQUIRE(events);
    f.setPlayRequest(makeTmsf(1, 0, 0, 0));
    events->set(kStopEvent);
    events->set(kPlayEvent);
    events->set(kQuitEvent);
    events->set(kPauseEvent);
    runPlayerLoop(*f.engine, *events);
    // Quit comes first: nothing else is handled.
    CHECK(f.device.calls == Lines{"close"});
    CHECK(events->wait(0) == kPlayEvent);
}
