#include "drive/cd_audio_device.h"

// Without MCI: no device, no error texts, no message box.
namespace rubo {

bool mciErrorText(MciError, std::string&) {
    return false;
}

std::string reportMciError(MciError, int) {
    return "Unknown Error";
}

void setMciErrorOwner(std::uintptr_t) {}

std::unique_ptr<CdAudioDevice> createMciCdAudioDevice(const MciBackend*) {
    return nullptr;
}

} // namespace rubo
