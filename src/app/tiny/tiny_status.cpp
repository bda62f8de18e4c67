#include "app/tiny/tiny_status.h"

#include "base/text_format.h"
#include "drive/cd_audio_device.h"
#include "playback/transport_controls.h"

namespace rubo {

std::string tinyCaption(std::uint32_t uiMode, const DiscInfo& disc, PackedTmsf trackPosition) {
    const int current = disc.firstAudioTrack;
    switch (uiMode) {
    case kMciModeNotReady:
        return kStateNotReady;
    case kMciModeStop:
        if (disc.hasAudio)
            return formatText(kTinyTrackFormat, current);
        return disc.trackList.trackCount > 0 ? kStateNoAudio : kStateEmptyDisc;
    case kMciModePlay:
        return formatText(kTinyPlayFormat, current, tmsfMinutes(trackPosition),
                          tmsfSeconds(trackPosition));
    case kMciModeRecord:
        return kStateRecord;
    case kMciModeSeek:
        return kStateSeek;
    case kMciModePause:
        return formatText(kTinyPausedFormat, current);
    case kMciModeOpen:
        return kStateNoDisc;
    default:
        return std::string();
    }
}

TinyImages tinyImages(std::uint32_t uiMode, bool transportEnabled, bool hasAudio) {
    // The pictures follow the main window's buttons of the same names.
    const ControlStates states =
        transportEnabled ? controlStatesForMode(uiMode, hasAudio) : ControlStates{};
    TinyImages images;
    images.play = states.play;
    images.pause = states.pause;
    images.stop = states.stop;
    images.previous = states.prev;
    images.next = states.next;
    return images;
}

} // namespace rubo
