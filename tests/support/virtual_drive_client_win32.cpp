#include "support/virtual_drive_client.h"

#include "settings/profile_api.h"

#include <filesystem>

namespace rubo::test {

int driveControl(const std::string& args) {
    ChildProcess control(ChildProcess::Command{"vdrivectl.exe " + args, ""});
    if (!control.started()) {
        MESSAGE("vdrivectl " << args << ": " << control.startError());
        return -1;
    }
    return control.waitFor(std::chrono::seconds(30)) ? control.wait() : 255;
}

bool waitReady(CdAudioDevice& device) {
    return eventually([&] { return device.isReady() && device.mode() == kMciModeStop; },
                      std::chrono::seconds(5), std::chrono::milliseconds(25));
}

void insertDisc(const char* file) {
    INFO("disc " << std::string(file));
    REQUIRE(driveControl("spinup 100") == 0);
    REQUIRE(driveControl("insert " + virtualDiscPath(file)) == 0);
    auto device = openDriveDevice(kVirtualDrive);
    REQUIRE(waitReady(*device));
}

DriveScratch::DriveScratch(bool logging, bool developMode, char activeDrive)
    : settings(dir.file("RUBO.ini"), systemProfileApi()) {
    log.setDirectory(dir.path().string() + "\\");
    log.setSwitches(logging, developMode);
    log.setActiveDrive(activeDrive);
}

bool DriveScratch::exists(const char* name) const {
    std::error_code ec;
    return std::filesystem::exists(dir.path() / name, ec);
}

} // namespace rubo::test
