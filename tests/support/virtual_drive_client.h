#pragma once

// What the tests that run against the virtual CD drive under Wine share.

#include "base/event_log.h"
#include "drive/cd_audio_device.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <doctest.h>

#include <memory>
#include <string>

namespace rubo::test {

// The letter the prepared prefix gives the drive.
inline const std::string kVirtualDrive = "D:";

// Path of a sample disc description.
inline std::string virtualDiscPath(const char* file) {
    return std::string(RUBO_SOURCE_DIR) + "/tools/virtual-drive/discs/" + file;
}

// Runs the drive's control program (installed in the prefix's system folder)
// with the given arguments; its exit code, -1 when it could not start, 255
// when it did not end within 30 s.
int driveControl(const std::string& args);

// An open MCI device that is closed when the test lets it go.
struct CloseDevice {
    void operator()(CdAudioDevice* device) const {
        device->close();
        delete device;
    }
};
using Device = std::unique_ptr<CdAudioDevice, CloseDevice>;

inline Device openDriveDevice(const std::string& drive) {
    auto made = createMciCdAudioDevice();
    REQUIRE(made != nullptr);
    Device device(made.release());
    REQUIRE(device->open(drive.c_str(), 1) == 0);
    return device;
}

// Waits until the drive reports ready and stopped (spin-up done); false
// after five seconds.
bool waitReady(CdAudioDevice& device);

// Puts a sample disc in the drive and waits until it has spun up.
void insertDisc(const char* file);

// RUBO.ini and an event log writing to a scratch folder, the logs switched
// as given.
struct DriveScratch {
    explicit DriveScratch(bool logging, bool developMode = false, char activeDrive = 0);
    DriveScratch(const DriveScratch&) = delete;
    DriveScratch& operator=(const DriveScratch&) = delete;

    std::string file(const char* name) const { return readBytes(dir.path() / name); }
    bool exists(const char* name) const;

    ScratchDir dir;
    SettingsFile settings;
    EventLog log;
};

} // namespace rubo::test
