#pragma once

// The player behind the main window: the worker thread, the state it shares
// with the window, the transport commands and the display state the window
// reads on each tick. The window holds one and forwards to it.

#include "app/main_window/display_model.h"
#include "app/shutdown.h"
#include "drive/scsi_access.h"
#include "playback/device_change.h"
#include "playback/player_thread.h"
#include "playback/transport_commands.h"
#include "playback/transport_controls.h"
#include "settings/options.h"

#include <atomic>
#include <memory>
#include <string>

namespace rubo {

class EventLog;
class SettingsFile;

class PlayerSession {
public:
    // window: the controls, the clipboard and the track menu; options: the
    // window's, read when used; settings, log: the program's. All outlive
    // the session.
    PlayerSession(TransportWindow& window, const Options& options, SettingsFile& settings,
                  EventLog& log);
    ~PlayerSession();
    PlayerSession(const PlayerSession&) = delete;
    PlayerSession& operator=(const PlayerSession&) = delete;

    // The active drive ("E:"); before start() the one the worker opens.
    void setDrive(std::string drive) { drive_ = std::move(drive); }
    const std::string& drive() const { return drive_; }
    // Before start(): the position the worker plays once the disc is read.
    // The worker does not run yet, so no lock is needed.
    void requestStartPlay(PackedTmsf position) { shared_.playRequest = position; }
    // Makes the worker, its commands and the display state and starts the
    // worker; false when the events or the thread cannot be made. The
    // device is the platform's unless `device` is given.
    bool start(PlayerRunner::DeviceFactory device = nullptr);

    // The steps that set-up and the Options OK share; both read the options.
    // The worker's options: its set-up before start(), handed over after.
    void applyWorkerOptions();
    // The log writer's switches, then the drive access's log switches.
    void applyLogSwitches();
    // The active drive after a change: resets the disc, reopens the device,
    // disables the transport until the worker reports.
    void reopenDrive();

    // A device-change notice for the active drive.
    void onDeviceChange(const DeviceChangeNotice& notice);

    // Close: asks the worker to quit, then waits for it (bounded).
    void requestQuit();
    void waitForQuit();
    WorkerEnd workerEnd() const { return workerEnd_; }

    // Null before start().
    TransportCommands* commands() { return commands_.get(); }
    MainDisplay* display() { return display_.get(); }
    const MainDisplay* display() const { return display_.get(); }

    TransportView& view() { return view_; }
    const TransportView& view() const { return view_; }
    TransportControls& controls() { return controls_; }
    const TransportControls& controls() const { return controls_; }
    ScsiAccess& scsi() { return scsi_; }
    // What the worker starts with (set-up before start()) and the newest
    // options handed over (after it).
    const PlayerSetup& setup() const { return setup_; }
    const SharedPlayerState& shared() const { return shared_; }

    // The disc's artist marks the fan page of the Options sheet.
    void setFanMark(bool on) { fanMark_.store(on ? 1 : 0); }
    bool fanMark() const { return fanMark_.load() != 0; }

private:
    TransportWindow& window_;
    const Options& options_;
    SettingsFile& settings_;
    EventLog& log_;
    std::string drive_;
    SharedPlayerState shared_;
    TransportView view_;
    TransportControls controls_;
    PlayerSetup setup_;
    std::atomic<int> fanMark_{0};
    ScsiAccess scsi_{log_};
    std::unique_ptr<PlayerRunner> runner_;
    std::unique_ptr<TransportCommands> commands_;
    std::unique_ptr<MainDisplay> display_;
    WorkerEnd workerEnd_ = WorkerEnd::NotRunning;
};

} // namespace rubo
