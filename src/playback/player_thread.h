#pragma once

// The worker thread: owns the six events, the shared lock and the thread in
// which the device and the engine live.

#include "playback/player_engine.h"

#include <functional>
#include <memory>

namespace rubo {

class PlayerRunner {
public:
    using DeviceFactory = std::function<std::unique_ptr<CdAudioDevice>()>;

    PlayerRunner(PlayerSetup& setup, ScsiAccess& scsi, SharedPlayerState& shared,
                 PlayerControls& controls, EventLog& log);
    // Ends a running thread as the window does on close.
    ~PlayerRunner();
    PlayerRunner(const PlayerRunner&) = delete;
    PlayerRunner& operator=(const PlayerRunner&) = delete;

    // The device made in the thread; createMciCdAudioDevice unless set.
    void setDeviceFactory(DeviceFactory factory) { factory_ = std::move(factory); }
    void setFatalExit(FatalExit fatal) { fatal_ = std::move(fatal); }
    void setDiscLookup(DiscLookup lookup) { lookup_ = std::move(lookup); }

    // The six events; false when they cannot be created.
    bool createEvents();
    PlayerEvents* events() { return events_.get(); }
    SharedPlayerLock& lock() { return lock_; }
    // Sets one event; false before createEvents.
    bool setEvent(int event);

    // Starts the thread; false without events or when it cannot start.
    bool start();
    // Waits up to `ms` for the thread to end; true when it has (or never ran).
    bool waitForEnd(std::uint32_t ms);
    // Quit, a wait of `ms`, then the hard end; true when it ended by itself.
    bool stop(std::uint32_t ms);
    // The steps of stop() for a caller that logs each one.
    bool running() const { return thread_ != nullptr; }
    void terminate();
    // Forgets an ended or terminated thread.
    void release() { thread_.reset(); }

    // The thread's body (public for the platform's entry function).
    void run();

    struct Thread;
    // Joins (where it can) and frees a thread; in the platform part.
    struct ThreadDeleter {
        void operator()(Thread* thread) const;
    };
    using ThreadPtr = std::unique_ptr<Thread, ThreadDeleter>;

private:
    PlayerSetup& setup_;
    ScsiAccess& scsi_;
    SharedPlayerState& shared_;
    PlayerControls& controls_;
    EventLog& log_;
    SharedPlayerLock lock_;
    std::unique_ptr<PlayerEvents> events_;
    DeviceFactory factory_;
    FatalExit fatal_;
    DiscLookup lookup_;
    ThreadPtr thread_;
};

// The platform part: starts, waits for and kills the thread running run().
PlayerRunner::ThreadPtr startPlayerThread(PlayerRunner& runner);
bool waitPlayerThread(PlayerRunner::Thread& thread, std::uint32_t ms);
void killPlayerThread(PlayerRunner::Thread& thread);

inline constexpr std::uint32_t kPlayerStopWaitMs = 5000;

} // namespace rubo
