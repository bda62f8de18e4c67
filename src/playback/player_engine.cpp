#include "playback/player_engine.h"

#include "base/event_log.h"
#include "discinfo/disc_store.h"

namespace rubo {

namespace {

bool isPlayingMode(std::uint32_t mode) {
    return mode == kMciModePlay || mode == kMciModeRecord || mode == kMciModeSeek ||
           mode == kMciModePause;
}

} // namespace

DiscLookup discStoreLookup(SettingsFile& settings) {
    return [&settings](const std::string& drive, const std::string& ini, const DiscInfo& cdText,
                       DiscInfo& info) {
        loadDiscInfo(systemDiscStoreAccess(settings), drive, ini, cdText, info);
    };
}

PlayerEngine::PlayerEngine(PlayerSetup& setup, CdAudioDevice& device, ScsiAccess& scsi,
                           SharedPlayerState& shared, SharedPlayerLock& lock,
                           PlayerControls& controls, EventLog& log)
    : setup_(setup), device_(device), scsi_(scsi), shared_(shared), lock_(lock),
      controls_(controls), log_(log), drive_(device, scsi, setup.drive, setup.aspiMap, log),
      fatal_(systemFatalExit), seeds_(systemShuffleSeeds()) {
    resetDiscInfo(localDisc_);
}

bool PlayerEngine::start() {
    if (device_.open(setup_.drive.c_str(), 1) != 0) {
        fatal_(kOpenFailedText);
        return false;
    }
    log_.logEvent(2200, " T: getting mode");
    flags_.mode = device_.mode();
    device_.setTimeFormat(kMciFormatTmsf);
    SharedScope scope(lock_);
    flags_.pendingPlay = shared_.playRequest;
    return true;
}

bool PlayerEngine::handle(int waitResult) {
    takeNewOptions();
    switch (waitResult) {
    case kQuitEvent:
        return onQuit();
    case kPlayEvent:
        onPlay();
        return true;
    case kPauseEvent:
        onPause();
        return true;
    case kStopEvent:
        onStop();
        return true;
    case kTrayEvent:
        onTray();
        return true;
    case kReopenEvent:
        return onReopen();
    case kPlayerWaitTimeout:
        onTimeout();
        return true;
    default:
        return true; // a failed wait: wait again
    }
}

WorkerOptions workerOptionsOf(const Options& options) {
    WorkerOptions worker;
    worker.cdPlayerIni = options.cdPlayerIni;
    worker.stopOnClose = options.stopOnClose;
    worker.detectMultiSession = options.detectMultiSession;
    worker.playMode = options.playMode;
    return worker;
}

void handOverWorkerOptions(SharedPlayerState& shared, SharedPlayerLock& lock,
                           const WorkerOptions& options) {
    SharedScope scope(lock);
    shared.newOptions = options;
    shared.newOptionsPending.store(1);
}

void PlayerEngine::takeNewOptions() {
    if (!shared_.newOptionsPending.exchange(0))
        return;
    {
        SharedScope scope(lock_);
        setup_.options = shared_.newOptions;
    }
    newOrder(setup_.options.orderStart);
}

void PlayerEngine::newOrder(int startTrack) {
    order_ = PlayOrder(localDisc_, setup_.options.playMode, seeds_(), startTrack);
    ordered_.open = ordered_.open && order_.mode() != kPlayModeNormal;
    SharedScope scope(lock_);
    shared_.playOrder = order_;
    shared_.playOrderSerial.fetch_add(1);
}

bool PlayerEngine::onQuit() {
    log_.logEvent(2201, " T: Stop Thread");
    if (setup_.options.stopOnClose && isPlayingMode(flags_.mode)) {
        log_.logEvent(2202, " T: Stop playing");
        device_.stop();
        log_.logEvent(2203, " T: Playing stopped");
    }
    device_.close();
    log_.logEvent(2204, " T: Thread stopped");
    return false;
}

void PlayerEngine::resume(unsigned site, const char* text) {
    const std::uint32_t track = drive_.currentTrackNow(direct());
    const PackedTmsf now = drive_.trackPositionNow(direct());
    const PackedTmsf position =
        makeTmsf(static_cast<int>(track), tmsfMinutes(now), tmsfSeconds(now), 0);
    log_.logEvent(site, "%s", text);
    playAt(position);
    log_.logEvent(2205, " T: Play command started");
    flags_.pendingPlay = 0;
    flags_.paused = 0;
}

void PlayerEngine::onPlay() {
    if (flags_.paused) {
        resume(2206, " T: Resume (Play)");
        return;
    }
    PackedTmsf request = 0;
    {
        SharedScope scope(lock_);
        request = shared_.playRequest;
    }
    flags_.paused = 0;
    log_.logEvent(2207, " T: Play");
    playAt(request);
    log_.logEvent(2208, " T: Play command started");
    flags_.pendingPlay = 0;
}

void PlayerEngine::onPause() {
    if (flags_.paused) {
        resume(2209, " T: Resume");
        return;
    }
    device_.pause();
    ordered_.open = false;
    log_.logEvent(2210, " T: Pause");
    flags_.paused = 1;
}

void PlayerEngine::onStop() {
    flags_.paused = 0;
    ordered_.open = false;
    device_.stop();
    log_.logEvent(2211, " T: Stop");
}

void PlayerEngine::onTray() {
    flags_.paused = 0;
    ordered_.open = false;
    int openIt = 1;
    if (flags_.doorOpen) {
        openIt = flags_.trayToggle;
        flags_.trayToggle = !flags_.trayToggle;
        log_.logEvent(2212, " T: Tray %s  (IsOpen=%d, Toggle=%d)", openIt ? "open" : "close",
                      flags_.doorOpen, flags_.trayToggle);
    } else {
        log_.logEvent(2213, " T: Tray %s  (IsOpen=%d)", "open", 0);
        flags_.trayToggle = 0;
    }
    device_.setDoor(openIt);
    log_.logEvent(2214, " T: Tray command finished");
}

bool PlayerEngine::onReopen() {
    log_.logEvent(2215, " T: Re-open disc");
    ordered_.open = false;
    device_.stop();
    device_.close();
    {
        // Only this thread reads the setup's drive while it runs.
        SharedScope scope(lock_);
        if (!shared_.reopenDrive.empty()) {
            setup_.drive = shared_.reopenDrive;
            shared_.reopenDrive.clear();
        }
    }
    if (device_.open(setup_.drive.c_str(), 1) != 0) {
        fatal_(kReopenFailedText);
        return false;
    }
    device_.setTimeFormat(kMciFormatTmsf);
    log_.logEvent(2216, " T: Re-opened");
    flags_.mode = kMciModeOpen;
    flags_.wantToc = 1;
    log_.logEvent(2217, " T: Want TOC");
    return true;
}

void PlayerEngine::playAt(PackedTmsf position) {
    const bool trackOnly = order_.playsOneTrack();
    drive_.playAt(localDisc_, direct(), position, trackOnly);
    ordered_.track = tmsfTrack(position);
    ordered_.endFrames = playEndFrames(localDisc_, ordered_.track, trackOnly);
    ordered_.open = order_.mode() != kPlayModeNormal;
    ordered_.started = false;
}

int PlayerEngine::direct() const {
    return shared_.directMode.load();
}

void runPlayerLoop(PlayerEngine& engine, PlayerEvents& events) {
    while (engine.handle(events.wait(kPlayerPollMs))) {
    }
}

} // namespace rubo
