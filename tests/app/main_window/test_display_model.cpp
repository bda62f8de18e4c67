#include <doctest.h>

#include "app/main_window/display_model.h"
#include "playback/transport_fixture.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

using Lines = std::vector<std::string>;

// The main display over the transport fixture's shared state and lock.
struct DisplayFixture : TransportFixture {
    TransportControls transportControls{window};
    MainDisplay display{shared, lock, view, transportControls, log};

    DisplayFixture() {
        options.showModeDisc = kTimeModeElapsedTotal;
        options.showModeTrack = kTimeModeElapsed;
        options.showStatus = 0;
    }
    // Writes a shared field as the worker does: under the lock.
    template <typename T, typename V> void set(T SharedPlayerState::*field, V value) {
        SharedScope scope(lock);
        shared.*field = static_cast<T>(value);
    }
    // A settled drive in `mode`.
    void drive(std::uint32_t mode) {
        set(&SharedPlayerState::mode, mode);
        set(&SharedPlayerState::doorOpen, mode == kMciModeOpen);
        set(&SharedPlayerState::mediaPresent, mode != kMciModeOpen);
        set(&SharedPlayerState::ready, mode != kMciModeOpen && mode != kMciModeNotReady);
    }
    void play(PackedMsf absolute, PackedTmsf track) {
        drive(kMciModePlay);
        set(&SharedPlayerState::absolutePosition, absolute);
        set(&SharedPlayerState::trackPosition, track);
    }
    DisplayTexts tick() { return display.refresh(options); }
    int lockCycles() const {
        return static_cast<int>(
            std::count(transportJournal().begin(), transportJournal().end(), std::string("lock")));
    }
};

struct Expected {
    std::string first, second, tip;
    int progress;
};

void checkTexts(const DisplayTexts& t, const Expected& e) {
    CHECK(t.firstLine == e.first);
    CHECK(t.secondLine == e.second);
    CHECK(t.trayTip == e.tip);
    CHECK(t.progress == e.progress);
    CHECK(t.text() == e.first + "\r\n" + e.second);
}

} // namespace

TEST_CASE("disc time by time mode and player mode") {
    const PackedMsf total = makeMsf(12, 2, 0);
    const PackedMsf position = makeMsf(5, 2, 0);
    struct Row {
        int timeMode;
        const char* stop;
        const char* play;
        const char* pause;
    };
    const Row rows[] = {
        {kTimeModeNone, "", "", ""},
        {kTimeModeElapsed, "", "(5:02)", ""},
        {kTimeModeElapsedTotal, "(12:02)", "(5:02 / 12:02)", "(5:02 / 12:02)"},
        {kTimeModeRemaining, "", "(7:00)", ""},
        {kTimeModeRemainingTotal, "(12:02)", "(7:00 / 12:02)", "(7:00 / 12:02)"},
    };
    for (const Row& r : rows) {
        CAPTURE(r.timeMode);
        CHECK(discTimeText(r.timeMode, kMciModeStop, total, position) == r.stop);
        CHECK(discTimeText(r.timeMode, kMciModePlay, total, position) == r.play);
        CHECK(discTimeText(r.timeMode, kMciModePause, total, position) == r.pause);
        for (std::uint32_t other : {kMciModeNotReady, kMciModeSeek, kMciModeOpen, 0u})
            CHECK(discTimeText(r.timeMode, other, total, position).empty());
    }
    // Frames count towards the remaining time.
    CHECK(discTimeText(kTimeModeRemaining, kMciModePlay, total, makeMsf(5, 2, 1)) == "(6:59)");
}

TEST_CASE("track time by time mode: 1:00 into a 4:30 track") {
    const PackedMsf length = makeMsf(4, 30, 0);
    const PackedTmsf position = makeTmsf(7, 1, 0, 0);
    CHECK(trackTimeText(kTimeModeNone, length, position).empty());
    CHECK(trackTimeText(kTimeModeElapsed, length, position) == "(1:00)");
    CHECK(trackTimeText(kTimeModeElapsedTotal, length, position) == "(1:00 / 4:30)");
    CHECK(trackTimeText(kTimeModeRemaining, length, position) == "(3:30)");
    CHECK(trackTimeText(kTimeModeRemainingTotal, length, position) == "(3:30 / 4:30)");
    CHECK(trackTimeText(kTimeModeRemaining, length, makeTmsf(7, 1, 0, 40)) == "(3:29)");
    CHECK(trackTimeText(5, length, position).empty());
}

TEST_CASE("texts by state") {
    SUBCASE("stopped with audio") {
        DisplayFixture f;
        f.useDisc(audioDisc(3), kMciModeStop, 2);
        f.drive(kMciModeStop);
        checkTexts(f.tick(), {"Artist - Album   (12:02)", "[2]  Song 2", "RUBO: Artist", 0});
    }
    SUBCASE("stopped, tracks but no audio") {
        DisplayFixture f;
        f.useDisc(makeDisc({{0, makeMsf(0, 2, 0), makeMsf(40, 0, 0), "Data"}}), kMciModeStop, 1);
        f.drive(kMciModeStop);
        checkTexts(f.tick(), {"no audio", "", "RUBO: no audio", 0});
    }
    SUBCASE("stopped, no tracks") {
        DisplayFixture f;
        f.view.disc = makeDisc({});
        f.drive(kMciModeStop);
        checkTexts(f.tick(), {"empty disc", "", "RUBO: no audio", 0});
    }
    SUBCASE("playing 1:00 into track 2") {
        DisplayFixture f;
        f.useDisc(audioDisc(3), kMciModeStop, 1);
        f.play(makeMsf(5, 2, 0), makeTmsf(2, 1, 0, 0));
        checkTexts(f.tick(), {"Artist - Album   (5:02 / 12:02)", "[2]  Song 2   (1:00)",
                              "RUBO: Artist - Song 2", 250});
        CHECK(f.display.uiAbsolutePosition() == makeMsf(5, 2, 0));
        CHECK(f.display.uiTrackPosition() == makeTmsf(2, 1, 0, 0));
        CHECK(f.current() == 2);
        f.options.playMode = kPlayModeShuffle; // named in the tip; a program only with one
        CHECK(f.tick().trayTip == "RUBO (Shuffle): Artist - Song 2");
        f.options.playMode = kPlayModeProgram;
        CHECK(f.tick().trayTip == "RUBO: Artist - Song 2");
    }
    SUBCASE("record, seek, not ready, no disc") {
        DisplayFixture f;
        f.useDisc(audioDisc(3), kMciModeStop, 1);
        f.drive(kMciModeRecord);
        checkTexts(f.tick(), {"record", "", "RUBO: record", 0});
        f.drive(kMciModeSeek);
        checkTexts(f.tick(), {"Artist - Album", "seek", "RUBO: Artist", 0});
        f.drive(kMciModeNotReady);
        checkTexts(f.tick(), {"not ready", "", "RUBO: not ready", 0});
        f.drive(kMciModeOpen);
        checkTexts(f.tick(), {"no disc", "", "RUBO: no disc", 0});
    }
}

TEST_CASE("without a valid disc every mode but open shows not ready") {
    for (std::uint32_t mode : {kMciModeStop, kMciModePlay, kMciModePause, kMciModeSeek}) {
        CAPTURE(mode);
        DisplayFixture f;
        f.drive(mode);
        checkTexts(f.tick(), {"not ready", "", "RUBO: not ready", 0});
        CHECK(f.view.uiMode == kMciModeNotReady);
    }
    DisplayFixture f;
    f.drive(kMciModeOpen);
    CHECK(f.tick().firstLine == "no disc");
    CHECK(f.view.uiMode == kMciModeOpen);
}

TEST_CASE("pause keeps the progress and shows the disc time by mode") {
    DisplayFixture f;
    f.useDisc(audioDisc(3), kMciModeStop, 1);
    f.play(makeMsf(5, 2, 0), makeTmsf(2, 1, 0, 0));
    REQUIRE(f.tick().progress == 250);
    // Positions are copied only while playing.
    f.drive(kMciModePause);
    f.set(&SharedPlayerState::absolutePosition, makeMsf(9, 0, 0));
    f.set(&SharedPlayerState::trackPosition, makeTmsf(3, 0, 58, 0));
    checkTexts(f.tick(),
               {"Artist - Album   (5:02 / 12:02)", "[2]  Song 2   (paused)", "RUBO: Artist", 250});
    f.options.showModeDisc = kTimeModeElapsed;
    checkTexts(f.tick(), {"Artist - Album   ", "[2]  Song 2   (paused)", "RUBO: Artist", 250});
    f.drive(kMciModeStop);
    CHECK(f.tick().progress == 0);
}

TEST_CASE("play progress: scanning, lead-in, zero length, end and overrun") {
    DisplayFixture f;
    f.useDisc(makeDisc({{1, makeMsf(0, 2, 0), makeMsf(4, 0, 0), "One"},
                        {1, makeMsf(4, 2, 0), makeMsf(0, 0, 0), "Zero"},
                        {1, makeMsf(4, 5, 0), makeMsf(4, 30, 0), "Three"}}),
              kMciModeStop, 1);
    f.options.showModeTrack = kTimeModeRemaining;
    f.play(makeMsf(1, 2, 0), makeTmsf(1, 1, 0, 0));
    CHECK(f.tick().progress == 250);
    // Scanning wins over play.
    f.set(&SharedPlayerState::scanning, 1);
    checkTexts(f.tick(), {"Scanning disc", "", "RUBO: Scanning disc", 0});
    f.set(&SharedPlayerState::scanning, 0);

    // The gap before track 3.
    f.play(makeMsf(4, 4, 0), makeTmsf(3, 0, 1, 0));
    DisplayTexts t = f.tick();
    CHECK(t.secondLine == "[3]  Three    (Lead-in)");
    CHECK(t.progress == 0);

    f.play(makeMsf(5, 5, 0), makeTmsf(3, 1, 0, 0));
    t = f.tick();
    CHECK(t.secondLine == "[3]  Three   (3:30)");
    CHECK(t.progress == 4500 * 1000 / 20250);

    f.play(makeMsf(4, 2, 0), makeTmsf(2, 0, 0, 0));
    CHECK(f.tick().progress == 0);

    f.play(makeMsf(4, 2, 0), makeTmsf(1, 4, 0, 0));
    CHECK(f.tick().progress == kProgressMax);
    f.play(makeMsf(4, 2, 1), makeTmsf(1, 4, 0, 1));
    CHECK(f.tick().progress == 0);
}

TEST_CASE("the current track follows play and stays within the disc") {
    DisplayFixture f;
    f.useDisc(audioDisc(3), kMciModeStop, 9);
    f.drive(kMciModeStop);
    CHECK(f.tick().secondLine == "[3]  Song 3");
    CHECK(f.current() == 3);
    f.play(makeMsf(0, 3, 0), makeTmsf(1, 0, 1, 0));
    f.tick();
    CHECK(f.current() == 1);
    f.play(makeMsf(0, 3, 0), makeTmsf(7, 0, 1, 0));
    f.tick();
    CHECK(f.current() == 3);
}

TEST_CASE("ShowStatus fills an empty second line with the status bits") {
    DisplayFixture f;
    f.options.showStatus = 1;
    f.drive(kMciModeOpen);
    checkTexts(f.tick(), {"no disc", "Open:1  Present:0  Ready:0  Scanning:0", "RUBO: no disc", 0});
    CHECK(f.display.statusBits() == "Open:1  Present:0  Ready:0  Scanning:0");

    f.useDisc(audioDisc(2), kMciModeStop, 1);
    f.drive(kMciModeStop);
    CHECK(f.tick().secondLine == "[1]  Song 1");
    CHECK(f.display.statusBits() == "Open:0  Present:1  Ready:1  Scanning:0");

    f.set(&SharedPlayerState::scanning, 1);
    CHECK(f.tick().secondLine == "Open:0  Present:1  Ready:1  Scanning:1");
    f.options.showStatus = 0;
    CHECK(f.tick().secondLine.empty());
}

TEST_CASE("the status line is logged only when it changes") {
    DisplayFixture f;
    f.useDisc(audioDisc(2), kMciModeStop, 1);
    f.drive(kMciModeStop);
    f.tick();
    f.tick();
    f.set(&SharedPlayerState::scanning, 1);
    f.tick();
    f.tick();
    f.drive(kMciModeOpen);
    f.tick();
    CHECK(f.logLines() ==
          Lines{"M :       o M R s STOP", "M :       o M R S STOP", "M :       O m r S OPEN"});
    CHECK(f.display.lastStatusLine() == "M :       O m r S OPEN");
}

TEST_CASE("the door opened during play clears the disc") {
    DisplayFixture f;
    f.useDisc(audioDisc(3), kMciModeStop, 1);
    f.transportControls.setHasAudio(1);
    f.play(makeMsf(5, 2, 0), makeTmsf(2, 1, 0, 0));
    f.tick();

    f.drive(kMciModeOpen);
    f.view.cdText.valid = true;
    f.set(&SharedPlayerState::clearRequest, 1);
    transportJournal().clear();
    checkTexts(f.tick(), {"no disc", "", "RUBO: no disc", 0});
    CHECK(f.shared.clearRequest == 0);
    CHECK_FALSE(f.view.disc.valid);
    CHECK_FALSE(f.view.cdText.valid);
    CHECK(f.view.disc.trackList.trackCount == 0);
    CHECK(f.transportControls.hasAudio() == 0);
    CHECK(f.lockCycles() == 2);
    CHECK(f.logLines() ==
          Lines{"M :       o M R s PLAY", "M :       O m r s OPEN", "M : Clear info"});
}

TEST_CASE("new disc information waits for a settled drive") {
    DisplayFixture f;
    f.set(&SharedPlayerState::discInfo, audioDisc(2));
    DiscInfo text = audioDisc(2);
    text.artist = "Text Artist";
    f.set(&SharedPlayerState::cdTextInfo, text);
    f.set(&SharedPlayerState::discInfoReady, 1);
    f.set(&SharedPlayerState::scanning, 1);
    f.drive(kMciModeOpen);
    CHECK(f.tick().firstLine == "Scanning disc");
    CHECK_FALSE(f.view.disc.valid);
    CHECK(f.shared.discInfoReady == 1);

    f.drive(kMciModeStop);
    f.set(&SharedPlayerState::ready, 0);
    f.tick();
    CHECK_FALSE(f.view.disc.valid);
    CHECK(f.shared.scanning == 1);

    f.set(&SharedPlayerState::ready, 1);
    transportJournal().clear();
    checkTexts(f.tick(), {"Artist - Album   (8:02)", "[1]  Song 1", "RUBO: Artist", 0});
    CHECK(f.view.disc.valid);
    CHECK(f.view.disc.trackList.trackCount == 2);
    // The disc's CD-TEXT comes with it, for the Edit button.
    CHECK(f.view.cdText.artist == "Text Artist");
    CHECK(f.shared.discInfoReady == 0);
    CHECK(f.shared.scanning == 0);
    CHECK(f.transportControls.hasAudio() == 1);
    CHECK(f.lockCycles() == 2);
}

TEST_CASE("a tick takes the lock only when someone held it since the last one") {
    DisplayFixture f;
    f.useDisc(audioDisc(3), kMciModeStop, 1);
    f.play(makeMsf(5, 2, 0), makeTmsf(2, 1, 0, 0));
    f.tick();
    transportJournal().clear();
    checkTexts(f.tick(), {"Artist - Album   (5:02 / 12:02)", "[2]  Song 2   (1:00)",
                          "RUBO: Artist - Song 2", 250});
    CHECK(f.lockCycles() == 0);

    f.play(makeMsf(5, 3, 0), makeTmsf(2, 1, 1, 0));
    transportJournal().clear();
    CHECK(f.tick().secondLine == "[2]  Song 2   (1:01)");
    CHECK(f.lockCycles() == 1);

    // The display's own clearing counts too: the next tick reads again.
    f.drive(kMciModeOpen);
    f.set(&SharedPlayerState::clearRequest, 1);
    f.tick();
    transportJournal().clear();
    CHECK(f.tick().firstLine == "no disc");
    CHECK(f.lockCycles() == 1);
    f.tick();
    CHECK(f.lockCycles() == 1);
    const Lines log = f.logLines();
    CHECK(std::count(log.begin(), log.end(), "M : Clear info") == 1);
}
