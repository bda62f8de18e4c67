#include <doctest.h>

#include "player_fixture.h"

using namespace rubo;
using namespace rubo::test;

namespace {

DiscInfo discWithStarts(std::initializer_list<PackedMsf> starts) {
    DiscInfo disc;
    resetDiscInfo(disc);
    int n = 0;
    for (PackedMsf start : starts) {
        TrackEntry entry;
        entry.number = ++n;
        entry.start = start;
        disc.trackList.store(n, entry);
    }
    disc.trackList.trackCount = n;
    disc.valid = true;
    return disc;
}

} // namespace

TEST_CASE("the absolute start carries frames into seconds and seconds into minutes") {
    DiscInfo disc = discWithStarts({makeMsf(0, 2, 0), makeMsf(3, 59, 70)});
    PackedMsf start = 0;
    REQUIRE(playStart(disc, makeTmsf(2, 2, 5, 10), start));
    CHECK(start == makeMsf(6, 5, 5));
    REQUIRE(playStart(disc, makeTmsf(1, 0, 0, 0), start));
    CHECK(start == makeMsf(0, 2, 0));
}

TEST_CASE("no start outside the disc's tracks") {
    DiscInfo disc = discWithStarts({makeMsf(0, 2, 0), makeMsf(3, 0, 0)});
    PackedMsf start = 77;
    CHECK_FALSE(playStart(disc, makeTmsf(0, 0, 0, 0), start));
    CHECK_FALSE(playStart(disc, makeTmsf(3, 0, 0, 0), start));
    CHECK_FALSE(playStart(disc, makeTmsf(99, 0, 0, 0), start));
    disc.trackList.entryForStore(20); // extra entries beyond the track count
    CHECK_FALSE(playStart(disc, makeTmsf(15, 0, 0, 0), start));
    disc.valid = false;
    CHECK_FALSE(playStart(disc, makeTmsf(1, 0, 0, 0), start));
    CHECK(start == 77);
}

TEST_CASE("a play request for track 99 on a 12-track disc does nothing") {
    PlayerFixture f;
    f.startWithDisc(12);
    f.setPlayRequest(makeTmsf(99, 0, 0, 0));
    f.engine->handle(kPlayEvent);
    CHECK(f.device.calls.empty());
    CHECK(f.takeLog() == Lines{" T: Play", " T: Play command started"});
    f.setPlayRequest(makeTmsf(13, 0, 0, 0));
    f.engine->handle(kPlayEvent);
    CHECK(f.device.calls.empty());
}

TEST_CASE("a start-up request beyond the disc does nothing after the TOC read") {
    PlayerFixture f;
    f.setPlayRequest(makeTmsf(99, 0, 0, 0));
    f.insertDisc(12);
    REQUIRE(f.engine->start());
    f.engine->handle(kPlayerWaitTimeout);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.device.playedFrom.empty());
    const Lines log = f.takeLog();
    REQUIRE(log.size() >= 2);
    CHECK(log[log.size() - 2] == " T: Playing");
    CHECK(log.back() == " T: Play command started");
    CHECK(f.engine->flags().pendingPlay == 0);
}

TEST_CASE("play before any disc was read does nothing") {
    PlayerFixture f;
    f.insertDisc(12);
    REQUIRE(f.engine->start());
    f.device.calls.clear();
    f.setPlayRequest(makeTmsf(1, 0, 0, 0));
    f.engine->handle(kPlayEvent);
    CHECK(f.device.calls.empty());
}

TEST_CASE("resume where the drive reports a track beyond the disc does nothing") {
    PlayerFixture f;
    f.startWithDisc(3);
    f.device.setStatus(kMciStatusCurrentTrack, 40);
    f.device.setStatus(kMciStatusPosition, makeTmsf(40, 1, 0, 0));
    f.engine->handle(kPauseEvent);
    f.engine->handle(kPlayEvent);
    CHECK(f.device.playedFrom.empty());
    CHECK(f.engine->flags().paused == 0);
}

TEST_CASE("a failed MCI play is ignored and the time format restored") {
    PlayerFixture f;
    f.startWithDisc(3);
    f.device.playResult = kMciErrHardware;
    f.setPlayRequest(makeTmsf(1, 0, 0, 0));
    CHECK(f.engine->handle(kPlayEvent));
    CHECK(f.device.calls.back() == "setTimeFormat 10");
    std::string text;
    const Lines log = f.takeLog();
    if (mciErrorText(kMciErrHardware, text))
        CHECK(std::find(log.begin(), log.end(), "  : MCI Error: " + text) != log.end());
    else
        CHECK(log.size() == 3);
}

namespace {

// Enhanced CD: audio tracks 1-3 in session one (lead-out 30:00:00), data in
// session two.
std::vector<FullTocEntry> bothSessions() {
    return {
        {1, 0x10, 0xA0, 1, 0x20, 0}, {1, 0x10, 0xA1, 3, 0, 0}, {1, 0x10, 0xA2, 30, 0, 0},
        {1, 0x10, 1, 0, 2, 0},       {1, 0x10, 2, 10, 0, 0},   {1, 0x10, 3, 20, 30, 15},
        {2, 0x10, 0xA0, 4, 0x20, 0}, {2, 0x10, 0xA1, 4, 0, 0}, {2, 0x10, 0xA2, 40, 0, 0},
        {2, 0x14, 4, 32, 0, 0},
    };
}

struct DirectDrive {
    std::uint8_t audioStatus = 0x11;
    std::vector<Cdb> plays;

    bool answer(const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        if (c[0] == kOpPlayAudioMsf) {
            plays.push_back(c);
            return true;
        }
        if (c[0] == kOpReadSubChannel && n >= 16) {
            const std::uint8_t data[16] = {0, audioStatus, 0,  12, 1, 0x10, 2,  1,
                                           0, 12,          34, 56, 0, 2,    32, 56};
            std::copy(data, data + 16, b);
            return true;
        }
        std::vector<std::uint8_t> sessions(804, 0);
        sessions[2] = 1;
        sessions[3] = 2;
        return answerToc(c, b, n, kTocFormatSessions, sessions) ||
               answerToc(c, b, n, kTocFormatFullToc, buildFullToc(1, 2, bothSessions()));
    }
};

} // namespace

TEST_CASE("direct mode after a multisession read: positions and plays through SCSI") {
    PlayerFixture f;
    DirectDrive drive;
    f.drive.spti = [&](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        return drive.answer(c, b, n);
    };
    f.setup.options.detectMultiSession = 1;
    f.startWithDisc(3);
    CHECK(f.shared.directMode.load() == 1);
    CHECK(f.engine->localDisc().trackList.leadOut == 135000);

    f.setDrive(kMciModePlay, 1, 1);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.device.countCalls("status 2") == 0);
    {
        SharedScope scope(f.lock);
        CHECK(f.shared.absolutePosition == makeMsf(12, 34, 56));
        CHECK(f.shared.trackPosition == makeTmsf(2, 2, 32, 56));
    }
    f.takeLog();

    f.setPlayRequest(makeTmsf(2, 0, 10, 0));
    f.engine->handle(kPlayEvent);
    CHECK(f.device.playedFrom.empty());
    REQUIRE(drive.plays.size() == 1);
    const Cdb& play = drive.plays[0];
    CHECK(play[3] == 10);
    CHECK(play[4] == 10);
    CHECK(play[5] == 0);
    CHECK(play[6] == 30);
    CHECK(play[7] == 0);
    CHECK(play[8] == 0);
    CHECK(f.takeLog() ==
          Lines{" T: Play", "  : Playing Direct position 10:10 00", " T: Play command started"});

    // Pause goes through the device; the resume position through SCSI.
    f.engine->handle(kPauseEvent);
    CHECK(f.device.countCalls("pause") == 1);
    f.engine->handle(kPlayEvent);
    REQUIRE(drive.plays.size() == 2);
    CHECK(drive.plays[1][3] == 12);
    CHECK(drive.plays[1][4] == 32);
    CHECK(drive.plays[1][5] == 0);

    // Neither playing nor paused: positions read as 0.
    drive.audioStatus = 0x13;
    f.engine->handle(kPlayerWaitTimeout);
    SharedScope scope(f.lock);
    CHECK(f.shared.absolutePosition == 0);
    CHECK(f.shared.trackPosition == 0);
}

TEST_CASE("the log reads Multisession mode after a multisession TOC") {
    PlayerFixture f;
    DirectDrive drive;
    f.drive.spti = [&](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        return drive.answer(c, b, n);
    };
    f.setup.options.detectMultiSession = 1;
    f.insertDisc(3);
    REQUIRE(f.engine->start());
    f.engine->handle(kPlayerWaitTimeout);
    f.takeLog();
    f.engine->handle(kPlayerWaitTimeout);
    const Lines log = f.takeLog();
    REQUIRE(log.size() > 2);
    CHECK(log[1] == " T: Got TOC Multisession mode");
}

TEST_CASE("options handed over while the worker runs take effect at its next wake-up") {
    PlayerFixture f;
    DirectDrive drive;
    f.drive.spti = [&](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        return drive.answer(c, b, n);
    };
    std::vector<std::string> iniPaths;
    f.engine->setDiscLookup(
        [&](const std::string&, const std::string& cdPlayerIni, const DiscInfo&, DiscInfo& info) {
            LockWatch::callOut();
            iniPaths.push_back(cdPlayerIni);
            info.valid = true;
        });
    f.startWithDisc(3);
    CHECK(f.shared.directMode.load() == 0);

    WorkerOptions changed;
    changed.cdPlayerIni = "C:\\WINDOWS\\cdplayer.ini";
    changed.stopOnClose = 1;
    changed.detectMultiSession = 1;
    handOverWorkerOptions(f.shared, f.lock, changed);
    CHECK(f.setup.options.stopOnClose == 0); // not before the worker wakes up

    // The next disc is read with the session layout and looked up in the new file.
    f.engine->handle(kReopenEvent);
    f.engine->handle(kPlayerWaitTimeout);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.shared.directMode.load() == 1);
    REQUIRE(iniPaths.size() == 2);
    CHECK(iniPaths[0].empty());
    CHECK(iniPaths[1] == changed.cdPlayerIni);
    CHECK(f.shared.newOptionsPending.load() == 0);
    CHECK(LockWatch::violations() == 0);

    f.setDrive(kMciModePlay, 1, 1);
    f.engine->handle(kPlayerWaitTimeout);
    f.device.calls.clear();
    f.engine->handle(kQuitEvent);
    CHECK(f.device.calls == Lines{"stop", "close"});
}
