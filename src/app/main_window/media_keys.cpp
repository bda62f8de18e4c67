#include "app/main_window/media_keys.h"

#include "drive/cd_audio_device.h"
#include "res/resource.h"

namespace rubo {

int appCommandOfKey(int virtualKey) {
    switch (virtualKey) {
    case kVirtualKeyPlayPause:
        return kAppCommandPlayPause;
    case kVirtualKeyStop:
        return kAppCommandStop;
    case kVirtualKeyNextTrack:
        return kAppCommandNextTrack;
    case kVirtualKeyPreviousTrack:
        return kAppCommandPreviousTrack;
    default:
        return 0;
    }
}

int mediaCommandId(int appCommand, std::uint32_t mode) {
    switch (appCommand) {
    case kAppCommandPlayPause:
        return mode == kMciModePlay ? IDC_PAUSE : IDC_PLAY;
    case kAppCommandPlay:
        return IDC_PLAY;
    case kAppCommandPause:
        return IDC_PAUSE;
    case kAppCommandStop:
        return IDC_STOP;
    case kAppCommandNextTrack:
        return IDC_NEXT;
    case kAppCommandPreviousTrack:
        return IDC_PREV;
    default:
        return 0;
    }
}

} // namespace rubo
