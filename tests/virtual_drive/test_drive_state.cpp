#include "vdrive_test_util.h"

#include "sim/drive_state.h"

#include <string>

using namespace rubo::vdrive;

namespace {

DriveState freshDrive() {
    DriveState s;
    resetDriveState(s);
    s.speedFactor = 20;
    return s;
}

} // namespace

TEST_CASE("drive state: tray, media and spin-up") {
    DriveState s = freshDrive();
    CHECK(isValidDriveState(s));
    CHECK_FALSE(isMediaPresent(s));
    CHECK_FALSE(isReady(s, 0));
    SUBCASE("insert starts the spin-up") {
        REQUIRE(insertDisc(s, "/discs/a.disc", true, 5000));
        CHECK(s.discGeneration == 1);
        CHECK(isMediaPresent(s));
        CHECK(isSpinningUp(s, 5999));
        CHECK_FALSE(isReady(s, 5999));
        CHECK(isReady(s, 6000));
        openTray(s, 7000);
        CHECK_FALSE(isMediaPresent(s));
        CHECK(s.mediaPresent == 1);
        closeTray(s, 8000);
        CHECK_FALSE(isReady(s, 8500));
        CHECK(isReady(s, 9000));
        removeDisc(s, 9500);
        CHECK(s.discGeneration == 2);
        CHECK(isTrayOpen(s));
        CHECK(s.discPath[0] == 0);
        closeTray(s, 9600);
        CHECK_FALSE(isReady(s, 20000));
    }
    SUBCASE("empty-tray description and bad paths") {
        REQUIRE(insertDisc(s, "/discs/empty.disc", false, 0));
        CHECK_FALSE(isMediaPresent(s));
        CHECK_FALSE(insertDisc(s, "", true, 0));
        CHECK_FALSE(insertDisc(s, std::string(kDiscPathSize, 'x'), true, 0));
        CHECK(s.discGeneration == 1);
        CHECK(std::string(s.discPath) == "/discs/empty.disc");
    }
}

TEST_CASE("drive state: play position with a fake clock") {
    DriveState s = freshDrive();
    REQUIRE(insertDisc(s, "a.disc", true, 0));
    SUBCASE("advances with speed and completes at the end") {
        startPlay(s, 150, 3150, 1000);
        CHECK(audioState(s, 1000) == AudioState::Playing);
        CHECK(currentFrame(s, 1000) == 150);
        // 20 x real time: 1500 frames per second.
        CHECK(currentFrame(s, 1500) == 900);
        CHECK(msUntilPlayEnd(s, 1500) == 1500);
        CHECK(currentFrame(s, 2999) == 3148);
        CHECK(msUntilPlayEnd(s, 2999) == 2); // rounded up, never early
        CHECK(currentFrame(s, 3000) == 3150);
        CHECK(audioState(s, 3000) == AudioState::Completed);
        CHECK(static_cast<PlayEnd>(s.playEnd) == PlayEnd::Completed);
        CHECK(currentFrame(s, 9000) == 3150);
    }
    SUBCASE("pause, resume, stop") {
        startPlay(s, 150, 30150, 0);
        REQUIRE(pausePlay(s, 1000));
        CHECK(audioState(s, 5000) == AudioState::Paused);
        CHECK(msUntilPlayEnd(s, 5000) == -1);
        CHECK(currentFrame(s, 5000) == 1650);
        CHECK_FALSE(pausePlay(s, 5000));
        REQUIRE(resumePlay(s, 6000));
        CHECK(currentFrame(s, 7000) == 3150);
        CHECK_FALSE(resumePlay(s, 7000));
        stopPlay(s, 8000);
        CHECK(audioState(s, 8000) == AudioState::Stopped);
        CHECK(currentFrame(s, 9000) == 4650);
        CHECK(static_cast<PlayEnd>(s.playEnd) == PlayEnd::Aborted);
    }
    SUBCASE("door opened while playing") {
        startPlay(s, 150, 30150, 0);
        openTray(s, 1000);
        CHECK(audioState(s, 1000) == AudioState::Stopped);
        CHECK(static_cast<PlayEnd>(s.playEnd) == PlayEnd::Aborted);
        closeTray(s, 2000);
        CHECK(currentFrame(s, 5000) == 150);
    }
    SUBCASE("speed change keeps the position") {
        startPlay(s, 150, 300150, 0);
        setSpeedFactor(s, 1, 1000); // 1500 frames played
        CHECK(currentFrame(s, 1000) == 1650);
        CHECK(currentFrame(s, 3000) == 1800);
        setSpeedFactor(s, 0, 3000);
        CHECK(s.speedFactor == 1);
    }
    SUBCASE("empty range only moves the position") {
        startPlay(s, 4000, 4000, 0);
        CHECK(audioState(s, 0) == AudioState::Stopped);
        CHECK(currentFrame(s, 100) == 4000);
    }
}

TEST_CASE("drive state: read latency") {
    DriveState s = freshDrive();
    CHECK(s.readLatencyMs == 0);
    CHECK(s.reserved == 0);
    SUBCASE("set within 0-10000, else unchanged") {
        CHECK(setReadLatencyMs(s, 300));
        CHECK(s.readLatencyMs == 300);
        CHECK(setReadLatencyMs(s, kMaxReadLatencyMs));
        CHECK(s.readLatencyMs == 10000);
        CHECK_FALSE(setReadLatencyMs(s, 10001));
        CHECK_FALSE(setReadLatencyMs(s, -1));
        CHECK(s.readLatencyMs == 10000);
        CHECK(setReadLatencyMs(s, 0));
        CHECK(s.readLatencyMs == 0);
        // Spin-up, speed and the rest of the state are left alone.
        CHECK(s.spinUpMs == kDefaultSpinUpMs);
        CHECK(s.speedFactor == 20);
    }
    SUBCASE("the argument of vdrivectl latency") {
        std::int32_t ms = -7;
        std::string error;
        CHECK(parseReadLatencyMs("300", ms, error));
        CHECK(ms == 300);
        CHECK(parseReadLatencyMs("0", ms, error));
        CHECK(ms == 0);
        CHECK(parseReadLatencyMs("10000", ms, error));
        CHECK(ms == 10000);
        CHECK(parseReadLatencyMs("000000000000250", ms, error));
        CHECK(ms == 250);
        CHECK(error.empty());
        ms = 42;
        for (const char* bad : {"", "-1", "+5", " 5", "5 ", "5ms", "1e3", "0x10", "abc", "3.5"}) {
            INFO("argument '" << bad << "'");
            error.clear();
            CHECK_FALSE(parseReadLatencyMs(bad, ms, error));
            CHECK(error == std::string("latency must be a whole number of milliseconds 0-10000, "
                                       "not '") +
                               bad + "'");
        }
        for (const char* big : {"10001", "600000", "99999999999999999999"}) {
            INFO("argument '" << big << "'");
            error.clear();
            CHECK_FALSE(parseReadLatencyMs(big, ms, error));
            CHECK(error == std::string("latency ") + big + " ms is out of range 0-10000");
        }
        CHECK(ms == 42);
    }
    SUBCASE("delay of a TOC read: only with a ready disc") {
        Disc disc = vdtest::makeDisc(vdtest::kAudioDisc);
        REQUIRE(setReadLatencyMs(s, 300));
        CHECK(tocReadDelayMs(s, &disc, 0) == 0); // no disc in the drive
        REQUIRE(insertDisc(s, "a.disc", true, 1000));
        CHECK(tocReadDelayMs(s, &disc, 1999) == 0); // spinning up
        CHECK(tocReadDelayMs(s, &disc, 2000) == 300);
        CHECK(tocReadDelayMs(s, nullptr, 2000) == 0); // disc file not loaded
        Disc empty = vdtest::makeDisc("empty\n");
        CHECK(tocReadDelayMs(s, &empty, 2000) == 0);
        openTray(s, 3000);
        CHECK(tocReadDelayMs(s, &disc, 3000) == 0);
        closeTray(s, 3000);
        CHECK(tocReadDelayMs(s, &disc, 4000) == 300);
        REQUIRE(setReadLatencyMs(s, 0));
        CHECK(tocReadDelayMs(s, &disc, 4000) == 0);
        s.readLatencyMs = 99999; // a damaged record never stalls a caller for long
        CHECK(tocReadDelayMs(s, &disc, 4000) == kMaxReadLatencyMs);
    }
}
