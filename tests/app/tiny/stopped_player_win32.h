#pragma once

// The Tiny window's owner for the tests: a stopped audio disc whose
// transport buttons are enabled, and a settings file of the test's own.

#include "app/tiny/tiny_dialog_win32.h"
#include "drive/cd_audio_device.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <vector>

namespace rubo::test {

struct StoppedPlayer : TinyOwner {
    StoppedPlayer() : settings(dir.file("RUBO.ini"), systemProfileApi()) {
        disc.valid = true;
        disc.hasAudio = true;
    }
    HWND ownerWindow() const override { return nullptr; }
    std::uint32_t playerMode() const override { return kMciModeStop; }
    const DiscInfo& playerDisc() const override { return disc; }
    PackedTmsf playerTrackPosition() const override { return makeTmsf(1, 0, 0, 0); }
    bool transportEnabled() const override { return true; }
    const Options& playerOptions() const override { return options; }
    SettingsFile& playerSettings() override { return settings; }
    void transportCommand(int command) override { commands.push_back(command); }
    HACCEL playerAccelerators() const override { return nullptr; }
    std::vector<int> commands;
    DiscInfo disc;
    Options options;
    ScratchDir dir;
    SettingsFile settings;
};

} // namespace rubo::test
