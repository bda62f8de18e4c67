#include "playback/transport_commands.h"

#include "base/event_log.h"
#include "drive/scsi_access.h"
#include "playback/transport_texts.h"

#include <algorithm>

namespace rubo {

DirectPlay scsiDirectPlay(ScsiAccess& scsi, std::string drive, const SharedAspiMap& aspiMap) {
    return [&scsi, drive = std::move(drive), &aspiMap](PackedMsf start, PackedMsf end) {
        scsi.playAudioMsf(drive, aspiMap.get(), start, end);
    };
}

void TransportCommands::play() {
    links_.log.logEvent(2301, "M : Button PLAY");
    requestPlay(makeTmsf(view_.disc.firstAudioTrack, 0, 0, 0));
}

void TransportCommands::pausePlay() {
    links_.log.logEvent(2302, "M : Button PAUSE");
    signal(kPauseEvent);
}

void TransportCommands::stopPlay() {
    links_.log.logEvent(2303, "M : Button STOP");
    signal(kStopEvent);
}

void TransportCommands::tray() {
    links_.log.logEvent(2304, "M : Button TRAY");
    signal(kTrayEvent);
}

void TransportCommands::previousTrack() {
    links_.log.logEvent(2305, "M : Button PREV");
    const int current = currentEntry();
    if (current == 0)
        return;
    const TrackList& list = view_.disc.trackList;
    const PlayOrder& order = playOrder();
    if (order.tracks().empty() && current == 1 &&
        msfToFrames(list.entry(1)->start) > kLeadInFrames) {
        // Track 1 has a gap before it: play that instead.
        if (view_.uiMode == kMciModePlay && directPlay_)
            directPlay_(makeMsf(0, 2, 0), framesToMsf(list.leadOut));
        return;
    }
    moveTo(order.previous(list, current));
}

void TransportCommands::nextTrack() {
    links_.log.logEvent(2306, "M : Button NEXT");
    const int current = currentEntry();
    if (current == 0)
        return;
    moveTo(playOrder().next(view_.disc.trackList, current));
}

void TransportCommands::trackMenu() {
    links_.log.logEvent(2307, "M : Tracks button");
    const TrackMenu menu = buildTrackMenu(view_.disc, links_.options.showStatus);
    const int chosen = trackMenuChoice(view_.disc, links_.window.showTrackMenu(menu));
    if (chosen != 0)
        requestPlay(makeTmsf(chosen, 0, 0, 0));
}

void TransportCommands::seekInTrack(int perMille) {
    if (!view_.disc.valid)
        return;
    const int current = currentEntry();
    if (current == 0)
        return;
    const PackedMsf length = view_.disc.trackList.entry(current)->length;
    const int seconds = msfMinutes(length) * kSecondsPerMinute + msfSeconds(length);
    const int ms = std::clamp(perMille, 0, 1000) * seconds;
    requestPlay(makeTmsf(current, ms / 60000, (ms / 1000) % 60, 0));
}

void TransportCommands::rereadDisc() {
    if (!links_.options.developMode)
        return;
    links_.log.logEvent(2308, "M : Button F5");
    links_.events.set(kReopenEvent);
}

void TransportCommands::copyToClipboard() {
    links_.window.setClipboardText(clipboardText(view_.disc, links_.options.clipboardTracknrs));
}

void TransportCommands::dispatch(TransportCommand command) {
    switch (command) {
    case TransportCommand::Play:
        play();
        break;
    case TransportCommand::Pause:
        pausePlay();
        break;
    case TransportCommand::Stop:
        stopPlay();
        break;
    case TransportCommand::Eject:
        tray();
        break;
    case TransportCommand::Previous:
        previousTrack();
        break;
    case TransportCommand::Next:
        nextTrack();
        break;
    case TransportCommand::Tracks:
        trackMenu();
        break;
    case TransportCommand::Reread:
        rereadDisc();
        break;
    case TransportCommand::Copy:
        copyToClipboard();
        break;
    case TransportCommand::Cut:
        break;
    }
}

void TransportCommands::requestPlay(PackedTmsf position) {
    {
        SharedScope hold(links_.lock);
        links_.shared.playRequest = position;
    }
    signal(kPlayEvent);
}

void TransportCommands::signal(int event) {
    links_.events.set(event);
    links_.controls.setControlsBusy();
}

const PlayOrder& TransportCommands::playOrder() {
    const unsigned serial = links_.shared.playOrderSerial.load();
    if (serial != orderSerial_) {
        SharedScope hold(links_.lock);
        order_ = links_.shared.playOrder;
        orderSerial_ = links_.shared.playOrderSerial.load();
    }
    return order_;
}

void TransportCommands::moveTo(int track) {
    if (track != 0)
        view_.disc.firstAudioTrack = static_cast<std::uint8_t>(track);
    restartIfPlaying();
}

void TransportCommands::restartIfPlaying() {
    if (view_.uiMode == kMciModePlay)
        requestPlay(makeTmsf(view_.disc.firstAudioTrack, 0, 0, 0));
}

int TransportCommands::currentEntry() const {
    const int current = view_.disc.firstAudioTrack;
    if (current < 1 || current >= view_.disc.trackList.entryCount())
        return 0;
    return current;
}

} // namespace rubo
