#include <doctest.h>

#include "app/main_window/media_keys.h"
#include "drive/cd_audio_device.h"

using namespace rubo;

TEST_CASE("media keys: Play/Pause pauses only while playing; the others are fixed buttons") {
    CHECK(mediaCommandId(kAppCommandPlayPause, kMciModePlay) == 1004);
    for (std::uint32_t mode : {kMciModePause, kMciModeStop, kMciModeOpen, kMciModeNotReady})
        CHECK(mediaCommandId(kAppCommandPlayPause, mode) == 1002);
    struct Case {
        int appCommand;
        int id;
    };
    for (const Case& c : {Case{46, 1002}, Case{47, 1004}, Case{13, 1003}, Case{11, 1001},
                          Case{12, 1000}, Case{8, 0}, Case{0, 0}, Case{50, 0}})
        CHECK(mediaCommandId(c.appCommand, kMciModePlay) == c.id);
    CHECK(appCommandOfKey(0xB3) == kAppCommandPlayPause);
    CHECK(appCommandOfKey(0xB2) == kAppCommandStop);
    CHECK(appCommandOfKey(0xB0) == kAppCommandNextTrack);
    CHECK(appCommandOfKey(0xB1) == kAppCommandPreviousTrack);
    CHECK(appCommandOfKey(0xAF) == 0);
}
