#pragma once

// The transport commands of the user interface: they turn buttons, menu
// items and progress-bar clicks into requests for the player worker.

#include "base/event_log.h"
#include "discinfo/disc_model.h"
#include "playback/player_state.h"
#include "playback/transport_window.h"
#include "settings/options.h"

#include <cstdint>
#include <functional>
#include <string>

namespace rubo {

class ScsiAccess;

// The user interface's view of the player, owned by the main window: its
// DiscInfo (firstAudioTrack is the current track) and uiMode.
struct TransportView {
    TransportView() {
        resetDiscInfo(disc);
        resetDiscInfo(cdText);
    }
    DiscInfo disc;
    DiscInfo cdText; // the CD-TEXT read with the disc
    std::uint32_t uiMode = kMciModeOpen;
};

// Plays an absolute range through SCSI PLAY AUDIO MSF.
using DirectPlay = std::function<void(PackedMsf start, PackedMsf end)>;
// The direct play on one drive with the map as it is at each play; failures
// are logged by the transport only.
DirectPlay scsiDirectPlay(ScsiAccess& scsi, std::string drive, const SharedAspiMap& aspiMap);
DirectPlay scsiDirectPlay(ScsiAccess& scsi, std::string drive, SharedAspiMap&& aspiMap) = delete;

// What the commands talk to; all owned by the main window.
struct TransportLinks {
    SharedPlayerState& shared;
    SharedPlayerLock& lock;
    PlayerEvents& events;
    PlayerControls& controls;
    TransportWindow& window;
    const Options& options;
    EventLog& log;
};

// All operations run on the user-interface thread.
class TransportCommands {
public:
    TransportCommands(const TransportLinks& links, TransportView& view)
        : links_(links), view_(view) {}

    // Used by previousTrack for the gap before track 1.
    void setDirectPlay(DirectPlay play) { directPlay_ = std::move(play); }

    void play();
    void pausePlay();
    void stopPlay();
    void tray();
    void previousTrack();
    void nextTrack();
    void trackMenu();
    // perMille: the click on the progress bar, 0..1000 of its width.
    void seekInTrack(int perMille);
    void rereadDisc();
    void copyToClipboard();

    // A button, accelerator or tray-menu command.
    void dispatch(TransportCommand command);

private:
    // Writes playRequest under the lock, then sets the play event.
    void requestPlay(PackedTmsf position);
    void signal(int event);
    // The worker's order of the disc (Next and Previous follow it), copied
    // when the worker has made a new one.
    const PlayOrder& playOrder();
    // Makes `track` (0: none) current, then restarts a play.
    void moveTo(int track);
    void restartIfPlaying();
    // The current track when it is an entry 1..last of the track array, else 0.
    int currentEntry() const;

    TransportLinks links_;
    TransportView& view_;
    DirectPlay directPlay_;
    PlayOrder order_;
    unsigned orderSerial_ = 0;
};

} // namespace rubo
