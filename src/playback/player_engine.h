#pragma once

// The player worker as a state machine: the runner feeds it the result of
// each wait (an event index or a time-out); it never blocks on its own.

#include "base/event_log.h"
#include "drive/cd_audio_device.h"
#include "drive/scsi_access.h"
#include "playback/player_drive.h"
#include "playback/player_state.h"
#include "settings/options.h"
#include "settings/settings_file.h"

#include <atomic>
#include <functional>
#include <string>

namespace rubo {

inline constexpr const char kOpenFailedText[] = "Error opening device";
inline constexpr const char kReopenFailedText[] = "Error re-opening device";

// Ends the process after a fatal device error; tests replace it.
using FatalExit = std::function<void(const char* message)>;
// The platform's: the message box, then exit code 0.
void systemFatalExit(const char* message);

// Looks up the text of a disc whose TOC and disc id are set.
using DiscLookup = std::function<void(const std::string& drive, const std::string& cdPlayerIni,
                                      const DiscInfo& cdText, DiscInfo& info)>;
// The disc store's lookup (loadDiscInfo) in `settings`, cdplayer.ini and
// CD-TEXT.
DiscLookup discStoreLookup(SettingsFile& settings);

// What the main window gives the worker. While the worker runs, another
// drive comes with the re-open event (SharedPlayerState::reopenDrive) and new
// options through SharedPlayerState::newOptions; the worker then keeps them
// here.
struct PlayerSetup {
    std::string drive;     // "E:"
    SharedAspiMap aspiMap; // repaired by the TOC read
    // Saves a repaired map (on the worker thread).
    std::function<void(const std::string& map)> saveAspiMap;
    WorkerOptions options;
    std::atomic<int>* fanMark = nullptr; // the window's fan mark, when given
};

WorkerOptions workerOptionsOf(const Options& options);
// Gives the running worker new options; it takes them at its next wake-up.
void handOverWorkerOptions(SharedPlayerState& shared, SharedPlayerLock& lock,
                           const WorkerOptions& options);

// The worker's own variables, readable by tests.
// Polls in a row, the drive settled, between two asks of media and ready.
inline constexpr int kSettledRecheckPolls = 5;

struct PlayerFlags {
    std::uint32_t mode = kMciModeOpen;
    std::uint32_t previousMode = kMciModeOpen;
    std::uint32_t deviceMode = kMciModeOpen; // as the last poll read it
    int paused = 0;
    int wantToc = 0;
    PackedTmsf pendingPlay = 0;
    int doorOpen = 0;
    int mediaPresent = 0;
    int ready = 0;
    int trayToggle = 0;
    int settledPolls = 0; // polls since media and ready were last asked
    std::string lastStatusLine;
};

class PlayerEngine {
public:
    // Without setDiscLookup a new disc gets no text.
    PlayerEngine(PlayerSetup& setup, CdAudioDevice& device, ScsiAccess& scsi,
                 SharedPlayerState& shared, SharedPlayerLock& lock, PlayerControls& controls,
                 EventLog& log);
    PlayerEngine(const PlayerEngine&) = delete;
    PlayerEngine& operator=(const PlayerEngine&) = delete;

    void setFatalExit(FatalExit fatal) { fatal_ = std::move(fatal); }
    void setDiscLookup(DiscLookup lookup) { lookup_ = std::move(lookup); }
    void setShuffleSeeds(ShuffleSeeds seeds) { seeds_ = std::move(seeds); }

    // Opens the device and takes the start-up play request; false after a
    // fatal open failure.
    bool start();
    // One wait result; false when the worker must end (quit or fatal).
    bool handle(int waitResult);

    const PlayerFlags& flags() const { return flags_; }
    const DiscInfo& localDisc() const { return localDisc_; }
    const PlayOrder& playOrder() const { return order_; }

private:
    // What the last poll wrote into the shared state.
    struct PublishedPoll {
        bool valid = false;
        std::uint32_t mode = kMciModeOpen;
        PackedMsf absolute = 0;
        PackedTmsf track = 0;
        int ready = 0;
        int doorOpen = 0;
        int mediaPresent = 0;

        // The window shows whole seconds: positions that differ only in
        // their frames are the same to it.
        bool sameForWindow(const PublishedPoll& o) const {
            constexpr PackedMsf kMsfSeconds = ~makeMsf(0, 0, 0xFF);
            constexpr PackedTmsf kTmsfSeconds = ~makeTmsf(0, 0, 0, 0xFF);
            return valid == o.valid && mode == o.mode &&
                   (absolute & kMsfSeconds) == (o.absolute & kMsfSeconds) &&
                   (track & kTmsfSeconds) == (o.track & kTmsfSeconds) && ready == o.ready &&
                   doorOpen == o.doorOpen && mediaPresent == o.mediaPresent;
        }
    };

    // A play the order continues when it ends by itself (not in normal mode).
    struct OrderedPlay {
        bool open = false;
        int track = 0;
        int endFrames = 0;    // where the play stops
        bool started = false; // the drive was seen playing it
    };

    void takeNewOptions();
    // A new order in the mode in force, beginning with `startTrack` where it can.
    void newOrder(int startTrack);
    // Whether the poll saw the play stop at its end and started the order's
    // next play.
    bool continueOrder();
    bool onQuit();
    void onPlay();
    void onPause();
    void onStop();
    void onTray();
    bool onReopen();
    void onTimeout();
    void resume(unsigned site, const char* text);
    void poll();
    bool askMediaAndReady(std::uint32_t lastDeviceMode);
    void noteModeChange(bool& doorOpened);
    void publishPoll(PackedMsf absolute, PackedTmsf track, bool doorOpened);
    void readToc();
    void readDiscText();
    void getCdInfo();
    void playAt(PackedTmsf position);
    int direct() const;

    PlayerSetup& setup_;
    CdAudioDevice& device_;
    ScsiAccess& scsi_;
    SharedPlayerState& shared_;
    SharedPlayerLock& lock_;
    PlayerControls& controls_;
    EventLog& log_;
    PlayerDrive drive_;
    FatalExit fatal_;
    DiscLookup lookup_;
    ShuffleSeeds seeds_;
    PlayOrder order_;
    OrderedPlay ordered_;
    PlayerFlags flags_;
    PublishedPoll published_;
    DiscInfo localDisc_;
};

// Waits and handles until the engine ends; the body of the worker thread
// once start() succeeded.
void runPlayerLoop(PlayerEngine& engine, PlayerEvents& events);

// The band of the fan mark: a made-up band.
inline constexpr const char kFanBandName[] = "Lantern Parade";
// Whether an artist is the band of the fan mark (case ignored).
bool isFanArtist(const std::string& artist);

} // namespace rubo
