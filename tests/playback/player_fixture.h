#pragma once

// An engine over the fake device, a fake SCSI transport, a recording window
// and a fixed log clock; the lock reports any call out while it is held.

#include "drive/drive_fixture.h"
#include "drive/fake_cd_audio_device.h"
#include "playback/player_engine.h"

#include <atomic>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace rubo::test {

// Depth of the shared lock and the calls made out of the engine under it.
struct LockWatch {
    static std::atomic<int>& depth() {
        static std::atomic<int> value{0};
        return value;
    }
    static std::atomic<int>& violations() {
        static std::atomic<int> value{0};
        return value;
    }
    static std::atomic<int>& acquires() {
        static std::atomic<int> value{0};
        return value;
    }
    static void callOut() {
        if (depth().load() != 0)
            ++violations();
    }
};

class TrackingLock : public PlayerLock {
public:
    void acquire() override {
        ++LockWatch::acquires();
        if (++LockWatch::depth() != 1)
            ++LockWatch::violations(); // nested
    }
    void release() override { --LockWatch::depth(); }
};

inline std::unique_ptr<PlayerLock> makeTrackingLock() {
    return std::make_unique<TrackingLock>();
}

// The fake device, noting calls made while the shared lock is held.
class WatchedDevice : public FakeCdAudioDevice {
public:
    MciError open(const char* d, int s) override { return note(), FakeCdAudioDevice::open(d, s); }
    MciError close() override { return note(), FakeCdAudioDevice::close(); }
    std::uint32_t status(std::uint32_t i) override { return note(), FakeCdAudioDevice::status(i); }
    MciError setTimeFormat(std::uint32_t f) override {
        return note(), FakeCdAudioDevice::setTimeFormat(f);
    }
    MciError playFrom(std::uint32_t p, int n) override {
        return note(), FakeCdAudioDevice::playFrom(p, n);
    }
    MciError playRange(std::uint32_t f, std::uint32_t t, int n) override {
        return note(), FakeCdAudioDevice::playRange(f, t, n);
    }
    MciError stop() override { return note(), FakeCdAudioDevice::stop(); }
    MciError pause() override { return note(), FakeCdAudioDevice::pause(); }
    MciError setDoor(int o) override { return note(), FakeCdAudioDevice::setDoor(o); }

private:
    static void note() { LockWatch::callOut(); }
};

class RecordingControls : public PlayerControls {
public:
    std::vector<std::string> calls;
    void setControlsBusy() override {
        LockWatch::callOut();
        calls.push_back("busy");
    }
    void enableControlsForMode(std::uint32_t mode) override {
        LockWatch::callOut();
        calls.push_back("enable " + std::to_string(mode));
    }
};

constexpr std::time_t kFixedLogTime = 1000000000;

// Track i of a disc starts at (4 * (i - 1)) minutes + 2 seconds.
inline PackedMsf trackStartOf(int track) {
    return makeMsf(4 * (track - 1), 2, 0);
}

struct PlayerFixture {
    DriveFixture drive;
    WatchedDevice device;
    SharedPlayerState shared;
    SharedPlayerLock lock{makeTrackingLock};
    RecordingControls controls;
    PlayerSetup setup;
    std::vector<std::string> fatal;
    int lookups = 0;
    std::unique_ptr<PlayerEngine> engine;
    std::size_t logTaken = 0;

    PlayerFixture() {
        LockWatch::violations() = 0;
        LockWatch::depth() = 0;
        drive.log.setClock([] { return kFixedLogTime; });
        drive.log.setActiveDrive('E');
        setup.drive = "E:";
        drive.make().setErrorDetail(0); // no transport lines among the worker's
        engine = std::make_unique<PlayerEngine>(setup, device, *drive.scsi, shared, lock, controls,
                                                drive.log);
        engine->setFatalExit([this](const char* m) { fatal.push_back(m); });
        engine->setDiscLookup(
            [this](const std::string&, const std::string&, const DiscInfo&, DiscInfo& info) {
                LockWatch::callOut();
                ++lookups;
                info.valid = true;
                info.origin = OriginRuboIni;
                info.artist = "Band";
                info.title = "Album";
            });
    }

    // A stopped audio disc with `count` tracks of 4 minutes.
    void insertDisc(int count = 12, std::uint32_t mode = kMciModeStop) {
        device.tracks.clear();
        for (int i = 1; i <= count; ++i)
            device.tracks.push_back({trackStartOf(i), makeMsf(4, 0, 0)});
        device.setStatus(kMciStatusNumberOfTracks, static_cast<std::uint32_t>(count));
        setDrive(mode, 1, 1);
    }
    void setDrive(std::uint32_t mode, int media, int ready) {
        device.setStatus(kMciStatusMode, mode);
        device.setStatus(kMciStatusMediaPresent, static_cast<std::uint32_t>(media));
        device.setStatus(kMciStatusReady, static_cast<std::uint32_t>(ready));
    }
    void openDoor() { setDrive(kMciModeOpen, 0, 0); }

    void setPlayRequest(PackedTmsf request) {
        SharedScope scope(lock);
        shared.playRequest = request;
    }

    // Start, the first poll and the TOC read of a disc in the drive.
    void startWithDisc(int count = 12) {
        insertDisc(count);
        REQUIRE(engine->start());
        engine->handle(kPlayerWaitTimeout);
        REQUIRE(engine->flags().wantToc == 1);
        engine->handle(kPlayerWaitTimeout);
        REQUIRE(engine->localDisc().valid);
        takeLog();
        device.calls.clear();
    }

    // Texts of the event lines logged since the last call.
    std::vector<std::string> takeLog() {
        std::istringstream in(drive.eventLog());
        std::vector<std::string> texts;
        std::string line;
        std::size_t n = 0;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const std::size_t at = line.find(") ");
            if (line.empty() || at == std::string::npos)
                continue;
            if (n++ >= logTaken)
                texts.push_back(line.substr(at + 2));
        }
        logTaken = n;
        return texts;
    }

    PackedTmsf sharedTrackPosition() {
        SharedScope scope(lock);
        return shared.trackPosition;
    }
};

using Lines = std::vector<std::string>;

} // namespace rubo::test
