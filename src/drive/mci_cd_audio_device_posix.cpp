#include "drive/cd_audio_device.h"

// Without MCI: no device and no error texts.
namespace rubo {

bool mciErrorText(MciError, std::string&) {
    return false;
}

std::unique_ptr<CdAudioDevice> createMciCdAudioDevice(const MciBackend*) {
    return nullptr;
}

} // namespace rubo
