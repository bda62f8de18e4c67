#include <doctest.h>

#include "drive/cd_audio_device.h"
#include "fake_cd_audio_device.h"

#include <cstring>

using namespace rubo;

TEST_CASE("modeName gives the text of each mode and ? otherwise") {
    CHECK(std::strcmp(modeName(524), "NOT_READY") == 0);
    CHECK(std::strcmp(modeName(525), "STOP") == 0);
    CHECK(std::strcmp(modeName(526), "PLAY") == 0);
    CHECK(std::strcmp(modeName(527), "RECORD") == 0);
    CHECK(std::strcmp(modeName(528), "SEEK") == 0);
    CHECK(std::strcmp(modeName(529), "PAUSE") == 0);
    CHECK(std::strcmp(modeName(530), "OPEN") == 0);
    CHECK(std::strcmp(modeName(0), "?") == 0);
    CHECK(std::strcmp(modeName(523), "?") == 0);
    CHECK(std::strcmp(modeName(531), "?") == 0);
    CHECK(std::strcmp(modeName(0xFFFFFFFFu), "?") == 0);
}

TEST_CASE("each convenience query is one status call with its item") {
    FakeCdAudioDevice device;
    device.setStatus(kMciStatusCurrentTrack, 7);
    device.setStatus(kMciStatusPosition, 0x00221005);
    device.setStatus(kMciStatusNumberOfTracks, 12);
    device.setStatus(kMciStatusMode, kMciModePlay);

    CHECK(device.currentTrack() == 7);
    CHECK(device.position() == 0x00221005u);
    CHECK(device.numberOfTracks() == 12);
    CHECK(device.mode() == kMciModePlay);
    CHECK(device.calls == std::vector<std::string>{"status 8", "status 2", "status 3", "status 4"});
}

TEST_CASE("isReady and isMediaPresent: any status but 0 is true") {
    FakeCdAudioDevice device;
    device.setStatus(kMciStatusReady, 42);
    device.setStatus(kMciStatusMediaPresent, 0);
    CHECK(device.isReady());
    CHECK_FALSE(device.isMediaPresent());
    device.setStatus(kMciStatusReady, 0);
    device.setStatus(kMciStatusMediaPresent, 0xFFFFFFFFu);
    CHECK_FALSE(device.isReady());
    CHECK(device.isMediaPresent());
    CHECK(device.calls == std::vector<std::string>{"status 7", "status 5", "status 7", "status 5"});
}

TEST_CASE("isDoorOpen is true only for the open mode") {
    FakeCdAudioDevice device;
    for (std::uint32_t mode = 523; mode <= 531; ++mode) {
        device.setStatus(kMciStatusMode, mode);
        CAPTURE(mode);
        CHECK(device.isDoorOpen() == (mode == kMciModeOpen));
    }
}

TEST_CASE("isDoorOpen asks again and can disagree with a mode read just before") {
    FakeCdAudioDevice device;
    device.queueStatus(kMciStatusMode, {kMciModeStop, kMciModeOpen});
    CHECK(device.mode() == kMciModeStop);
    CHECK(device.isDoorOpen());
    CHECK(device.countCalls("status 4") == 2);
}

TEST_CASE("track queries ask the track's status item") {
    FakeCdAudioDevice device;
    device.tracks = {{0x00000200, 0x00003004, kMciCdaTrackAudio},
                     {0x00043504, 0x00102001, kMciCdaTrackOther}};
    CHECK(device.trackStart(2) == 0x00043504u);
    CHECK(device.trackLength(1) == 0x00003004u);
    CHECK(device.trackType(1) == kMciCdaTrackAudio);
    CHECK(device.trackType(2) == kMciCdaTrackOther);
    CHECK(device.calls == std::vector<std::string>{"trackStatus 2 2", "trackStatus 1 1",
                                                   "trackStatus 1 16385", "trackStatus 2 16385"});
}

TEST_CASE("a failed status reads as 0 and keeps its code") {
    FakeCdAudioDevice device;
    device.setStatus(kMciStatusReady, 1);
    device.failStatus(kMciStatusReady, kMciErrDeviceNotReady);
    CHECK_FALSE(device.isReady());
    CHECK(device.lastError() == kMciErrDeviceNotReady);
}

TEST_CASE("the device starts closed with its fields at 0") {
    FakeCdAudioDevice device;
    CHECK(device.deviceId() == 0);
    CHECK(device.callbackWindow() == 0);
}

TEST_CASE("lastError keeps the newest failure and is untouched by successes") {
    FakeCdAudioDevice device;
    device.playResult = kMciErrHardware;
    CHECK(device.playFrom(0x00000200, 1) == kMciErrHardware);
    CHECK(device.lastError() == kMciErrHardware);
    device.playResult = 0;
    CHECK(device.playFrom(0x00000200, 1) == 0);
    CHECK(device.lastError() == kMciErrHardware);
    device.stopResult = kMciErrInvalidDeviceId;
    device.stop();
    CHECK(device.lastError() == kMciErrInvalidDeviceId);
}

TEST_CASE("a failed open keeps the old device id, close keeps it too") {
    FakeCdAudioDevice device;
    device.nextDeviceId = 5;
    REQUIRE(device.open("E:", 1) == 0);
    CHECK(device.deviceId() == 5);
    device.openResult = kMciErrCannotLoadDriver;
    CHECK(device.open("E:", 1) == kMciErrCannotLoadDriver);
    CHECK(device.deviceId() == 5);
    CHECK(device.close() == 0);
    CHECK(device.deviceId() == 5);
    CHECK(device.lastError() == kMciErrCannotLoadDriver);
}

TEST_CASE("the fake plays in the time format last set") {
    FakeCdAudioDevice device;
    device.setTimeFormat(kMciFormatTmsf);
    device.setTimeFormat(kMciFormatMsf);
    device.playFrom(0x00020100, 1);
    device.setTimeFormat(kMciFormatTmsf);
    CHECK(device.playedFrom == std::vector<std::uint32_t>{0x00020100});
    CHECK(device.playFormats == std::vector<std::uint32_t>{kMciFormatMsf});
    CHECK(device.timeFormat == kMciFormatTmsf);
    CHECK(device.calls.back() == "setTimeFormat 10");
    CHECK(device.calls[2] == "playFrom 0x00020100 1");
}

TEST_CASE("the fake's info cuts its text to the buffer") {
    FakeCdAudioDevice device;
    device.infoText = "CD Audio";
    char buffer[5];
    std::memset(buffer, 'x', sizeof buffer);
    CHECK(device.info(kMciInfoProduct, buffer, sizeof buffer) == 0);
    CHECK(std::string(buffer) == "CD A");
}
