#include <doctest.h>

#include "app/main_window/media_keys.h"
#include "drive/cd_audio_device.h"

using namespace rubo;

TEST_CASE("media keys: Play/Pause pauses only while playing; the others are fixed buttons") {
    CHECK(mediaCommandId(kAppCommandPlayPause, kMciModePlay) == 1004);
    for (std::uint32_t mode : {kMciModePause, kMciModeStop, kMciModeOpen})
        CHECK(mediaCommandId(kAppCommandPlayPause, mode) == 1002);
    const int commands[][2] = {{46, 1002}, {47, 1004}, {13, 1003}, {11, 1001}, {12, 1000}, {8, 0}};
    for (const auto& c : commands)
        CHECK(mediaCommandId(c[0], kMciModePlay) == c[1]);
    const int keys[][2] = {{0xB3, 14}, {0xB2, 13}, {0xB0, 11}, {0xB1, 12}, {0xAF, 0}};
    for (const auto& k : keys)
        CHECK(appCommandOfKey(k[0]) == k[1]);
}
