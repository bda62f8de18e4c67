#include <doctest.h>

#include "drive/cd_audio_device.h"

using namespace rubo;

TEST_CASE("without MCI there is no device and no error text") {
    CHECK(createMciCdAudioDevice() == nullptr);
    std::string text = "kept";
    CHECK_FALSE(mciErrorText(kMciErrInvalidDeviceId, text));
    CHECK(text == "kept");
}
