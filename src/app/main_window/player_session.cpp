#include "app/main_window/player_session.h"

#include "base/event_log.h"
#include "playback/player_engine.h"
#include "settings/settings_file.h"

namespace rubo {

PlayerSession::PlayerSession(TransportWindow& window, const Options& options,
                             SettingsFile& settings, EventLog& log)
    : window_(window), options_(options), settings_(settings), log_(log), controls_(window) {}

PlayerSession::~PlayerSession() = default;

bool PlayerSession::start(PlayerRunner::DeviceFactory device) {
    setup_.drive = drive_;
    setup_.aspiMap.set(options_.aspiDrives);
    setup_.saveAspiMap = [this](const std::string& map) {
        writeOption(settings_, &Options::aspiDrives, map);
    };
    setup_.fanMark = &fanMark_;
    runner_ = std::make_unique<PlayerRunner>(setup_, scsi_, shared_, controls_, log_);
    runner_->setDiscLookup(discStoreLookup(settings_));
    if (device)
        runner_->setDeviceFactory(std::move(device));
    if (!runner_->createEvents())
        return false;
    TransportLinks links{shared_, runner_->lock(), *runner_->events(), controls_, window_, options_,
                         log_};
    commands_ = std::make_unique<TransportCommands>(links, view_);
    commands_->setDirectPlay(scsiDirectPlay(scsi_, drive_, setup_.aspiMap));
    display_ = std::make_unique<MainDisplay>(shared_, runner_->lock(), view_, controls_, log_);
    return runner_->start();
}

void PlayerSession::applyWorkerOptions() {
    WorkerOptions worker = workerOptionsOf(options_);
    worker.orderStart = view_.disc.firstAudioTrack;
    if (runner_)
        handOverWorkerOptions(shared_, runner_->lock(), worker);
    else
        setup_.options = worker;
}

void PlayerSession::applyLogSwitches() {
    log_.setSwitches(options_.logging != 0, options_.developMode != 0);
    scsi_.setCdTextLog(options_.cdTextLog);
    scsi_.setSessionLog(options_.sessionLog);
    scsi_.setErrorDetail(log_.errorDetail());
}

void PlayerSession::reopenDrive() {
    commands_->setDirectPlay(scsiDirectPlay(scsi_, drive_, setup_.aspiMap));
    {
        SharedScope scope(runner_->lock());
        resetDiscInfo(view_.disc);
        resetDiscInfo(view_.cdText);
        shared_.reopenDrive = drive_;
    }
    runner_->setEvent(kReopenEvent);
    controls_.setControlsBusy();
}

void PlayerSession::onDeviceChange(const DeviceChangeNotice& notice) {
    handleDeviceChange(notice, drive_, runner_ ? runner_->events() : nullptr, log_);
}

void PlayerSession::requestQuit() {
    log_.logEvent(2027, "M : Stopping Thread");
    controls_.setControlsBusy();
    if (runner_)
        runner_->setEvent(kQuitEvent);
}

void PlayerSession::waitForQuit() {
    workerEnd_ = endWorker(runner_.get(), kPlayerStopWaitMs, log_);
}

} // namespace rubo
