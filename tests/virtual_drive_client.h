#pragma once

// What the tests that run against the virtual CD drive under Wine share.

#include "drive/cd_audio_device.h"

#include <doctest.h>

#include <memory>
#include <string>

namespace rubo::test {

// Path of a sample disc description.
inline std::string virtualDiscPath(const char* file) {
    return std::string(RUBO_SOURCE_DIR) + "/tools/virtual-drive/discs/" + file;
}

// Runs the drive's control program (installed in the prefix's system folder)
// with the given arguments; its exit code, -1 when it could not start.
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

} // namespace rubo::test
