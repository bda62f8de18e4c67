#include <doctest.h>

#include "discinfo/disc_store.h"
#include "player_fixture.h"
#include "settings/profile_api.h"
#include "settings/settings_file.h"

using namespace rubo;
using namespace rubo::test;

TEST_CASE("a poll publishes mode, positions and flags, then enables the controls") {
    PlayerFixture f;
    f.startWithDisc(12);
    f.controls.calls.clear();
    f.setDrive(kMciModePlay, 1, 1);
    f.device.setStatus(kMciStatusPosition, makeTmsf(4, 1, 2, 3));
    f.engine->handle(kPlayerWaitTimeout);
    // Track 4 starts at 12:02:00; the absolute position comes from the list.
    CHECK(f.device.calls ==
          Lines{"status 4", "status 5", "status 7", "setTimeFormat 10", "status 2"});
    CHECK(f.controls.calls == Lines{"enable 526"});
    SharedScope scope(f.lock);
    CHECK(f.shared.mode == kMciModePlay);
    CHECK(f.shared.trackPosition == makeTmsf(4, 1, 2, 3));
    CHECK(f.shared.absolutePosition == makeMsf(13, 4, 3));
    CHECK(f.shared.ready == 1);
    CHECK(f.shared.mediaPresent == 1);
    CHECK(f.shared.doorOpen == 0);
    CHECK(f.shared.clearRequest == 0);
}

TEST_CASE("a poll out of play reads no positions; one the window would not see takes no lock") {
    PlayerFixture f;
    f.startWithDisc(12);
    f.setDrive(kMciModePlay, 1, 1);
    f.device.setStatus(kMciStatusPosition, makeTmsf(4, 1, 2, 3));
    f.engine->handle(kPlayerWaitTimeout);
    const int acquires = LockWatch::acquires();
    // Moved by frames only: the window shows whole seconds.
    f.device.setStatus(kMciStatusPosition, makeTmsf(4, 1, 2, 18));
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(LockWatch::acquires() == acquires);
    f.setDrive(kMciModePause, 1, 1);
    f.device.setStatus(kMciStatusPosition, makeTmsf(5, 0, 0, 0));
    f.device.calls.clear();
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.device.calls == Lines{"status 4", "status 5", "status 7"});
    CHECK(LockWatch::acquires() == acquires + 1);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(LockWatch::acquires() == acquires + 1);
    SharedScope scope(f.lock);
    CHECK(f.shared.mode == kMciModePause);
    CHECK(f.shared.trackPosition == makeTmsf(4, 1, 2, 3));
}

TEST_CASE("a settled drive is asked for media and ready once in a while, never while playing") {
    PlayerFixture f;
    f.startWithDisc(12);
    f.setDrive(kMciModePlay, 1, 1);
    f.device.setStatus(kMciStatusPosition, makeTmsf(13, 0, 0, 0)); // not in the list
    f.engine->handle(kPlayerWaitTimeout);
    f.device.calls.clear();
    for (int i = 0; i < kSettledRecheckPolls; ++i)
        f.engine->handle(kPlayerWaitTimeout);
    CHECK(std::count(f.device.calls.begin(), f.device.calls.end(), "status 5") == 0);
    CHECK(std::count(f.device.calls.begin(), f.device.calls.end(), "setTimeFormat 2") ==
          kSettledRecheckPolls);
    f.setDrive(kMciModePause, 1, 1);
    f.engine->handle(kPlayerWaitTimeout);
    f.device.calls.clear();
    for (int i = 0; i < kSettledRecheckPolls; ++i)
        f.engine->handle(kPlayerWaitTimeout);
    CHECK(std::count(f.device.calls.begin(), f.device.calls.end(), "status 5") == 1);
    // A disc gone while the mode stays "stop" is still noticed.
    f.setDrive(kMciModeStop, 1, 1);
    f.engine->handle(kPlayerWaitTimeout);
    f.setDrive(kMciModeStop, 0, 0);
    for (int i = 0; i < kSettledRecheckPolls; ++i)
        f.engine->handle(kPlayerWaitTimeout);
    SharedScope scope(f.lock);
    CHECK(f.shared.mediaPresent == 0);
}

TEST_CASE("stop is shown as pause while paused; the status line only on change") {
    PlayerFixture f;
    f.startWithDisc(2);
    f.engine->handle(kPauseEvent);
    f.takeLog();
    f.engine->handle(kPlayerWaitTimeout);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.engine->flags().mode == kMciModePause);
    CHECK(f.engine->flags().paused == 1);
    CHECK(f.controls.calls.back() == "enable 529");
    CHECK(f.takeLog() == Lines{" T:       o M R   PAUSE"});
    {
        SharedScope scope(f.lock);
        CHECK(f.shared.mode == kMciModePause);
    }
    f.engine->handle(kStopEvent);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.engine->flags().mode == kMciModeStop);
    CHECK(f.takeLog() == Lines{" T: Stop", " T:       o M R   STOP"});
}

TEST_CASE("a drive reporting pause sets the pause flag") {
    PlayerFixture f;
    f.startWithDisc(2);
    f.setDrive(kMciModePause, 1, 1);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.engine->flags().paused == 1);
    f.setDrive(kMciModePlay, 1, 1);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.engine->flags().paused == 0);
}

TEST_CASE("the door opened while playing raises the clear request") {
    PlayerFixture f;
    f.startWithDisc(2);
    f.setDrive(kMciModePlay, 1, 1);
    f.engine->handle(kPlayerWaitTimeout);
    f.takeLog();
    f.openDoor();
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.takeLog() == Lines{" T:       O m r   OPEN", " T: Want clear disc"});
    CHECK(f.engine->flags().doorOpen == 1);
    {
        SharedScope scope(f.lock);
        CHECK(f.shared.clearRequest == 1);
        CHECK(f.shared.doorOpen == 1);
        f.shared.clearRequest = 0; // taken by the window
    }
    f.engine->handle(kPlayerWaitTimeout);
    SharedScope scope(f.lock);
    CHECK(f.shared.clearRequest == 0);
}

TEST_CASE("a new disc after 530, 524, 525 is read once when ready") {
    PlayerFixture f;
    f.openDoor();
    REQUIRE(f.engine->start());
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.engine->flags().wantToc == 0);
    f.insertDisc(12, kMciModeNotReady);
    f.setDrive(kMciModeNotReady, 1, 0);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.engine->flags().wantToc == 1);
    f.engine->handle(kPlayerWaitTimeout); // still not ready: a poll
    CHECK(f.lookups == 0);
    f.setDrive(kMciModeStop, 1, 1);
    f.engine->handle(kPlayerWaitTimeout); // a poll sees it ready
    CHECK(f.lookups == 0);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.lookups == 1);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.lookups == 1);
    const Lines log = f.takeLog();
    CHECK(std::count(log.begin(), log.end(), " T: Want TOC") == 1);
    CHECK(std::count(log.begin(), log.end(), " T: Getting TOC") == 1);
    CHECK(log[1] == " T:       O m r   OPEN");
    CHECK(log[2] == " T:       o M r   NOT_READY");
    CHECK(log[3] == " T: Want TOC");
    CHECK(log[4] == " T:       o M R   STOP");
}

TEST_CASE("no TOC read while the disc is missing or not ready") {
    PlayerFixture f;
    f.startWithDisc(2);
    f.engine->handle(kReopenEvent);
    for (auto [media, ready] : {std::pair{0, 1}, std::pair{1, 0}}) {
        f.setDrive(kMciModeStop, media, ready);
        f.engine->handle(kPlayerWaitTimeout);
        f.engine->handle(kPlayerWaitTimeout);
        CHECK(f.lookups == 1);
    }
    f.setDrive(kMciModeStop, 1, 1);
    f.engine->handle(kPlayerWaitTimeout);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.lookups == 2);
}

namespace {

std::string zeros(std::size_t n) {
    return std::string(n, '\0');
}

// CD-TEXT of a two-track disc: "Album" by "Band".
std::vector<std::uint8_t> twoTrackCdText() {
    return cdTextResponse({
        cdTextPack(0x80, 0, 0, 0, "Album" + zeros(1) + "One" + zeros(1) + "Tw"),
        cdTextPack(0x80, 2, 1, 2, "o" + zeros(11)),
        cdTextPack(0x81, 0, 2, 0, "Band" + zeros(1) + "Band" + zeros(1) + "Ban"),
        cdTextPack(0x81, 2, 3, 3, "d" + zeros(11)),
    });
}

class NoSerials : public VolumeSerialSource {
public:
    bool volumeSerial(const std::string&, std::uint32_t&) override { return false; }
};

} // namespace

TEST_CASE("a new disc: CD-TEXT, the store lookup and the hand-over flag") {
    PlayerFixture f;
    SettingsFile settings(f.drive.dir.file("RUBO.ini"), systemProfileApi());
    NoSerials serials;
    DiscStoreAccess access{settings, systemProfileApi(), serials};
    f.engine->setDiscLookup([&](const std::string& drive, const std::string& ini,
                                const DiscInfo& cdText, DiscInfo& info) {
        LockWatch::callOut();
        loadDiscInfo(access, drive, ini, cdText, info);
    });
    const auto text = twoTrackCdText();
    f.drive.spti = [&](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        return answerToc(c, b, n, kTocFormatCdText, text);
    };
    f.insertDisc(2);
    REQUIRE(f.engine->start());
    f.engine->handle(kPlayerWaitTimeout);
    f.takeLog();
    f.engine->handle(kPlayerWaitTimeout);

    DiscId id = 0;
    {
        SharedScope scope(f.lock);
        CHECK(f.shared.discInfoReady == 1);
        CHECK(f.shared.discInfo.origin == OriginCdText);
        CHECK(f.shared.discInfo.artist == "Band");
        CHECK(f.shared.discInfo.title == "Album");
        // The CD-TEXT record is handed over with the disc.
        CHECK(f.shared.cdTextInfo.valid);
        CHECK(f.shared.cdTextInfo.artist == "Band");
        id = f.shared.discInfo.discId;
        f.shared.discInfoReady = 0; // taken by the window
        f.shared.scanning = 0;
    }
    CHECK(f.takeLog() == Lines{" T: Getting TOC", " T: Got TOC ", " T: Getting CD TEXT",
                               " T: Got CD TEXT: Band - Album", " T: Getting CD info",
                               formatText(" T: Got CD info: origin=CD TEXT  %08X Band - Album",
                                          static_cast<unsigned>(id))});

    // Read again: now from the settings file; no CD-TEXT while playing.
    f.setDrive(kMciModePlay, 1, 1);
    f.engine->handle(kReopenEvent);
    f.engine->handle(kPlayerWaitTimeout);
    f.takeLog();
    f.engine->handle(kPlayerWaitTimeout);
    SharedScope scope(f.lock);
    CHECK(f.shared.discInfoReady == 1);
    CHECK(f.shared.scanning == 1);
    CHECK(f.shared.discInfo.origin == OriginRuboIni);
    CHECK_FALSE(f.shared.cdTextInfo.valid);
    CHECK(f.takeLog() == Lines{" T: Getting TOC", " T: Got TOC ", " T: Getting CD info",
                               formatText(" T: Got CD info: origin=rubo.ini  %08X Band - Album",
                                          static_cast<unsigned>(id))});
}

TEST_CASE("CD-TEXT read without packs is reported with its empty texts") {
    PlayerFixture f;
    const auto empty = cdTextResponse({});
    f.drive.spti = [&](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        return answerToc(c, b, n, kTocFormatCdText, empty);
    };
    f.insertDisc(2);
    REQUIRE(f.engine->start());
    f.engine->handle(kPlayerWaitTimeout);
    f.takeLog();
    f.engine->handle(kPlayerWaitTimeout);
    const Lines log = f.takeLog();
    REQUIRE(log.size() > 3);
    CHECK(log[3] == " T: Got CD TEXT: ? - ?");
}
