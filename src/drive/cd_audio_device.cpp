#include "drive/cd_audio_device.h"

namespace rubo {

const char* modeName(std::uint32_t mode) {
    switch (mode) {
    case kMciModeNotReady:
        return "NOT_READY";
    case kMciModeStop:
        return "STOP";
    case kMciModePlay:
        return "PLAY";
    case kMciModeRecord:
        return "RECORD";
    case kMciModeSeek:
        return "SEEK";
    case kMciModePause:
        return "PAUSE";
    case kMciModeOpen:
        return "OPEN";
    default:
        return "?";
    }
}

CdAudioDevice::~CdAudioDevice() = default;

std::uint32_t CdAudioDevice::mode() {
    return status(kMciStatusMode);
}

std::uint32_t CdAudioDevice::currentTrack() {
    return status(kMciStatusCurrentTrack);
}

std::uint32_t CdAudioDevice::position() {
    return status(kMciStatusPosition);
}

std::uint32_t CdAudioDevice::numberOfTracks() {
    return status(kMciStatusNumberOfTracks);
}

bool CdAudioDevice::isReady() {
    return status(kMciStatusReady) != 0;
}

bool CdAudioDevice::isMediaPresent() {
    return status(kMciStatusMediaPresent) != 0;
}

bool CdAudioDevice::isDoorOpen() {
    return mode() == kMciModeOpen;
}

std::uint32_t CdAudioDevice::trackStart(std::uint32_t track) {
    return trackStatus(track, kMciStatusPosition);
}

std::uint32_t CdAudioDevice::trackLength(std::uint32_t track) {
    return trackStatus(track, kMciStatusLength);
}

std::uint32_t CdAudioDevice::trackType(std::uint32_t track) {
    return trackStatus(track, kMciCdaStatusTypeTrack);
}

MciError CdAudioDevice::noteResult(MciError result) {
    if (result != 0)
        lastError_ = result;
    return result;
}

} // namespace rubo
