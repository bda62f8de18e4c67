#include "vdrive_test_util.h"

#include "sim/drive_state.h"
#include "sim/mci.h"

using namespace rubo::vdrive;

namespace {

struct Rig {
    DriveState state;
    Disc disc;
    MciDevice device;
    explicit Rig(const char* text) : disc(vdtest::makeDisc(text)) {
        resetDriveState(state);
        state.speedFactor = 20;
        REQUIRE(insertDisc(state, "x.disc", true, 0));
        MciRequest open;
        open.command = MciCommand::Open;
        open.element = "D:";
        REQUIRE(device.execute(open, state, &disc, 0).error == 0);
    }
    MciResult status(std::uint32_t item, std::int64_t now, int track = 0) {
        MciRequest r;
        r.command = MciCommand::Status;
        r.item = item;
        r.hasTrack = track != 0;
        r.track = static_cast<std::uint32_t>(track);
        return device.execute(r, state, &disc, now);
    }
    std::uint32_t value(std::uint32_t item, std::int64_t now, int track = 0) {
        MciResult r = status(item, now, track);
        REQUIRE(r.error == 0);
        return r.value;
    }
    void format(std::uint32_t f) {
        MciRequest r;
        r.command = MciCommand::Set;
        r.setTimeFormat = true;
        r.timeFormat = f;
        REQUIRE(device.execute(r, state, &disc, 0).error == 0);
    }
    MciResult play(std::int64_t now, bool hasFrom, std::uint32_t from, bool hasTo = false,
                   std::uint32_t to = 0, bool notify = false) {
        MciRequest r;
        r.command = MciCommand::Play;
        r.hasFrom = hasFrom;
        r.from = from;
        r.hasTo = hasTo;
        r.to = to;
        r.notify = notify;
        return device.execute(r, state, &disc, now);
    }
    MciResult simple(MciCommand c, std::int64_t now) {
        MciRequest r;
        r.command = c;
        return device.execute(r, state, &disc, now);
    }
    MciResult door(bool open, std::int64_t now) {
        MciRequest r;
        r.command = MciCommand::Set;
        r.doorOpen = open;
        r.doorClosed = !open;
        return device.execute(r, state, &disc, now);
    }
};

} // namespace

TEST_CASE("MCI: packing") {
    CHECK(mci::makeMsf(1, 2, 3) == 0x00030201u);
    CHECK(mci::makeTmsf(4, 1, 2, 3) == 0x03020104u);
}

TEST_CASE("MCI: status of the disc") {
    Rig rig(vdtest::kEnhancedDisc);
    SUBCASE("mode, ready and media through spin-up and door") {
        MciResult m = rig.status(mci::kStatusMode, 500);
        CHECK(m.value == 524);
        CHECK(m.resourceReturned);
        CHECK(m.resourceId == 524);
        CHECK(rig.value(mci::kStatusReady, 500) == 0);
        CHECK(rig.status(mci::kStatusReady, 500).resourceId == mci::kResourceFalse);
        CHECK(rig.value(mci::kStatusMediaPresent, 500) == 1);
        CHECK(rig.status(mci::kStatusNumberOfTracks, 500).error == mci::kErrDeviceNotReady);
        CHECK(rig.value(mci::kStatusMode, 1000) == 525);
        CHECK(rig.value(mci::kStatusReady, 1000) == 1);
        REQUIRE(rig.door(true, 2000).error == 0);
        CHECK(rig.value(mci::kStatusMode, 2000) == 530);
        CHECK(rig.value(mci::kStatusMediaPresent, 2000) == 0);
        CHECK(rig.status(mci::kStatusNumberOfTracks, 2000).error == mci::kErrHardware);
        REQUIRE(rig.door(false, 3000).error == 0);
        CHECK(rig.value(mci::kStatusMode, 3500) == 524);
        CHECK(rig.value(mci::kStatusMode, 4000) == 525);
    }
    SUBCASE("tracks in MSF") {
        CHECK(rig.value(mci::kStatusNumberOfTracks, 1000) == 3);
        CHECK(rig.value(mci::kStatusTimeFormat, 1000) == mci::kFormatMsf);
        CHECK(rig.value(mci::kStatusPosition, 1000, 2) == 0x000005u); // 05:00:00
        CHECK(rig.value(mci::kStatusPosition, 1000, 3) == 0x00200Cu); // 12:32:00
        CHECK(rig.value(mci::kStatusLength, 1000, 1) == mci::makeMsf(4, 58, 0));
        CHECK(rig.value(mci::kStatusLength, 1000, 2) == mci::makeMsf(7, 32, 0));
        CHECK(rig.value(mci::kStatusLength, 1000, 3) == mci::makeMsf(7, 27, 74));
        CHECK(rig.value(mci::kStatusLength, 1000) == mci::makeMsf(19, 57, 74));
        CHECK(rig.value(mci::kStatusPosition, 1000) == mci::makeMsf(0, 2, 0));
        CHECK(rig.value(mci::kStatusCurrentTrack, 1000) == 1);
        CHECK(rig.value(mci::kCdaStatusTypeTrack, 1000, 1) == 1088);
        CHECK(rig.value(mci::kCdaStatusTypeTrack, 1000, 3) == 1089);
        CHECK(rig.status(mci::kStatusPosition, 1000, 4).error == mci::kErrOutOfRange);
        CHECK(rig.status(mci::kCdaStatusTypeTrack, 1000, 0).error == mci::kErrMissingParameter);
        CHECK(rig.status(0x7777, 1000).error == mci::kErrUnsupportedFunction);
    }
    SUBCASE("TMSF and milliseconds") {
        rig.format(mci::kFormatTmsf);
        CHECK(rig.value(mci::kStatusPosition, 1000, 2) == 2u);
        CHECK(rig.value(mci::kStatusLength, 1000, 1) == mci::makeMsf(4, 58, 0));
        rig.format(mci::kFormatMilliseconds);
        CHECK(rig.value(mci::kStatusPosition, 1000, 2) == 300000u);
        CHECK(rig.value(mci::kStatusLength, 1000, 1) == 298000u);
        MciRequest bad;
        bad.command = MciCommand::Set;
        bad.setTimeFormat = true;
        bad.timeFormat = 3;
        CHECK(rig.device.execute(bad, rig.state, &rig.disc, 0).error == mci::kErrBadTimeFormat);
        CHECK(rig.device.timeFormat() == mci::kFormatMilliseconds);
    }
}

TEST_CASE("MCI: play, pause, stop with a moving position") {
    Rig rig(vdtest::kAudioDisc);
    SUBCASE("play from a track in TMSF runs to the lead-out") {
        rig.format(mci::kFormatTmsf);
        REQUIRE(rig.play(1000, true, mci::makeTmsf(2, 0, 0, 0)).error == 0);
        CHECK(rig.value(mci::kStatusMode, 1000) == 526);
        CHECK(rig.value(mci::kStatusPosition, 2000) == mci::makeTmsf(2, 0, 20, 0));
        CHECK(rig.value(mci::kStatusCurrentTrack, 5000) == 3);
        CHECK(rig.value(mci::kStatusPosition, 5000) == mci::makeTmsf(3, 0, 20, 0));
        CHECK(rig.value(mci::kStatusMode, 7000) == 525);
        rig.format(mci::kFormatMsf);
        CHECK(rig.value(mci::kStatusPosition, 7000) == mci::makeMsf(3, 0, 0));
    }
    SUBCASE("pause, resume by play, stop") {
        REQUIRE(rig.play(1000, true, mci::makeMsf(0, 30, 0), true, mci::makeMsf(2, 30, 0)).error ==
                0);
        REQUIRE(rig.simple(MciCommand::Pause, 2000).error == 0);
        CHECK(rig.value(mci::kStatusMode, 3000) == 529);
        CHECK(rig.value(mci::kStatusPosition, 3000) == mci::makeMsf(0, 50, 0));
        REQUIRE(rig.play(4000, false, 0).error == 0);
        CHECK(rig.value(mci::kStatusPosition, 5000) == mci::makeMsf(1, 10, 0));
        REQUIRE(rig.simple(MciCommand::Stop, 5000).error == 0);
        CHECK(rig.value(mci::kStatusMode, 6000) == 525);
        CHECK(rig.value(mci::kStatusPosition, 6000) == mci::makeMsf(1, 10, 0));
    }
    SUBCASE("errors") {
        CHECK(rig.play(500, true, mci::makeMsf(0, 2, 0)).error == mci::kErrDeviceNotReady);
        CHECK(rig.play(1000, true, mci::makeMsf(0, 1, 0)).error == mci::kErrOutOfRange);
        CHECK(rig.play(1000, true, mci::makeMsf(3, 0, 0)).error == mci::kErrOutOfRange);
        CHECK(rig.play(1000, true, mci::makeMsf(0, 60, 0)).error == mci::kErrOutOfRange);
        CHECK(rig.play(1000, true, mci::makeMsf(2, 0, 0), true, mci::makeMsf(1, 0, 0)).error ==
              mci::kErrOutOfRange);
        rig.format(mci::kFormatTmsf);
        CHECK(rig.play(1000, true, mci::makeTmsf(4, 0, 0, 0)).error == mci::kErrOutOfRange);
        openTray(rig.state, 1000);
        CHECK(rig.play(1000, true, mci::makeTmsf(1, 0, 0, 0)).error == mci::kErrHardware);
        CHECK(rig.value(mci::kStatusMode, 1000) == 530);
    }
    SUBCASE("notifications") {
        MciResult first =
            rig.play(1000, true, mci::makeMsf(0, 2, 0), true, mci::makeMsf(0, 4, 0), true);
        REQUIRE(first.error == 0);
        CHECK(first.notification == 0);
        CHECK(rig.device.pollNotification(rig.state, 1050) == 0);
        CHECK(rig.device.pollNotification(rig.state, 1100) == mci::kNotifySuccessful);
        CHECK(rig.device.pollNotification(rig.state, 1200) == 0);
        REQUIRE(rig.play(2000, true, mci::makeMsf(0, 2, 0), false, 0, true).error == 0);
        MciResult second = rig.play(2100, true, mci::makeMsf(1, 0, 0), false, 0, true);
        CHECK(second.previousNotification == mci::kNotifySuperseded);
        MciRequest stop;
        stop.command = MciCommand::Stop;
        stop.notify = true;
        MciResult stopped = rig.device.execute(stop, rig.state, &rig.disc, 2200);
        CHECK(stopped.previousNotification == mci::kNotifyAborted);
        CHECK(stopped.notification == mci::kNotifySuccessful);
    }
}

TEST_CASE("MCI: open, close, info") {
    DriveState state;
    resetDriveState(state);
    MciDevice device;
    MciRequest r;
    r.command = MciCommand::Status;
    r.item = mci::kStatusMode;
    CHECK(device.execute(r, state, nullptr, 0).error == mci::kErrInvalidDeviceId);
    r.command = MciCommand::Open;
    r.element = "E:";
    CHECK(device.execute(r, state, nullptr, 0).error == mci::kErrInvalidDeviceName);
    r.element = "d:\\";
    REQUIRE(device.execute(r, state, nullptr, 0).error == 0);
    CHECK(device.execute(r, state, nullptr, 0).error == mci::kErrDeviceOpen);
    r.command = MciCommand::Status;
    MciResult mode = device.execute(r, state, nullptr, 0);
    CHECK(mode.value == mci::kModeNotReady); // empty drive, tray closed
    r.command = MciCommand::Info;
    r.item = mci::kInfoProduct;
    CHECK(device.execute(r, state, nullptr, 0).text == "RUBO Virtual CD-ROM");
    r.item = mci::kInfoMediaIdentity;
    CHECK(device.execute(r, state, nullptr, 0).error == mci::kErrHardware);
    r.command = MciCommand::Close;
    REQUIRE(device.execute(r, state, nullptr, 0).error == 0);
    CHECK_FALSE(device.isOpen());
}

TEST_CASE("MCI: read latency of the status items that read the TOC") {
    Rig rig(vdtest::kEnhancedDisc);
    auto delay = [&rig](std::uint32_t item, std::int64_t now, int track = 0) {
        MciRequest r;
        r.command = MciCommand::Status;
        r.item = item;
        r.hasTrack = track != 0;
        r.track = static_cast<std::uint32_t>(track);
        return rig.device.delayMs(r, rig.state, &rig.disc, now);
    };
    CHECK(delay(mci::kStatusNumberOfTracks, 1000) == 0); // none by default
    REQUIRE(setReadLatencyMs(rig.state, 400));
    CHECK(delay(mci::kStatusNumberOfTracks, 1000) == 400);
    CHECK(delay(mci::kStatusPosition, 1000, 2) == 400);
    CHECK(delay(mci::kStatusLength, 1000, 3) == 400);
    CHECK(delay(mci::kStatusPosition, 1000) == 0); // current position
    CHECK(delay(mci::kStatusLength, 1000) == 0);   // disc length
    CHECK(delay(mci::kStatusMode, 1000) == 0);
    CHECK(delay(mci::kStatusReady, 1000) == 0);
    CHECK(delay(mci::kStatusMediaPresent, 1000) == 0);
    CHECK(delay(mci::kStatusCurrentTrack, 1000) == 0);
    CHECK(delay(mci::kStatusNumberOfTracks, 500) == 0); // spinning up
    MciRequest play;
    play.command = MciCommand::Play;
    CHECK(rig.device.delayMs(play, rig.state, &rig.disc, 1000) == 0);
    MciRequest info;
    info.command = MciCommand::Info;
    info.item = mci::kInfoMediaIdentity;
    CHECK(rig.device.delayMs(info, rig.state, &rig.disc, 1000) == 0);
    // Answers are unchanged.
    CHECK(rig.value(mci::kStatusNumberOfTracks, 1000) == 3);
    REQUIRE(rig.door(true, 2000).error == 0);
    CHECK(delay(mci::kStatusNumberOfTracks, 2000) == 0); // tray open
    MciRequest close;
    close.command = MciCommand::Close;
    REQUIRE(rig.device.execute(close, rig.state, &rig.disc, 2000).error == 0);
    closeTray(rig.state, 2000);
    CHECK(delay(mci::kStatusNumberOfTracks, 4000) == 0); // device closed
}
