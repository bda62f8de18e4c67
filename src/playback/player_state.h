#pragma once

// What the player worker and the user interface share: the state fields and
// their lock, the six command events, and the window's control-enabling calls.

#include "discinfo/disc_model.h"
#include "drive/cd_audio_device.h"
#include "playback/play_order.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace rubo {

inline constexpr const char kPlayerSemaphoreName[] = "RUBO Semaphore";
// Time-out of one wait of the worker, in milliseconds.
inline constexpr std::uint32_t kPlayerPollMs = 200;

// The options the worker reads while it runs.
struct WorkerOptions {
    std::string cdPlayerIni; // path of the older CD Player's file
    int stopOnClose = 0;
    int detectMultiSession = 0;
    int playMode = kPlayModeNormal; // each hand-over makes a new order
    int orderStart = 0;             // the window's track, which the new order begins with
};

// Fields both threads use. Every access holds the lock (lockShared) except
// directMode, which only the worker writes, newOptionsPending, which the
// worker tests before it takes the lock, and playOrderSerial, which the UI
// tests before it takes the lock.
struct SharedPlayerState {
    SharedPlayerState() {
        resetDiscInfo(discInfo);
        resetDiscInfo(cdTextInfo);
    }
    SharedPlayerState(const SharedPlayerState&) = delete;
    SharedPlayerState& operator=(const SharedPlayerState&) = delete;

    PackedMsf absolutePosition = 0;
    PackedTmsf trackPosition = 0;
    std::uint32_t mode = kMciModeOpen; // 524..530, 529 while paused
    int doorOpen = 0;
    int mediaPresent = 0;
    int ready = 0;
    int scanning = 0; // worker sets 1 at a TOC read; UI clears it
    DiscInfo discInfo;
    DiscInfo cdTextInfo;        // the disc's CD-TEXT, handed over with discInfo
    int discInfoReady = 0;      // worker sets 1 with discInfo; UI clears it
    int clearRequest = 0;       // worker sets 1 when the door opens; UI clears it
    PackedTmsf playRequest = 0; // written by the UI before the play event
    std::string reopenDrive;    // written by the UI before the re-open event; empty: same drive
    PlayOrder playOrder; // written by the worker with each new order; Next and Previous read it
    WorkerOptions newOptions;                 // written by the UI, then newOptionsPending set
    std::atomic<int> newOptionsPending{0};    // the worker takes newOptions at its next wake-up
    std::atomic<int> directMode{0};           // positions and plays through SCSI
    std::atomic<unsigned> playOrderSerial{0}; // counts the worker's new orders (playOrder)
};

// The ASPI map both threads use: the worker repairs it when it reads a TOC,
// the window's direct play reads it.
class SharedAspiMap {
public:
    SharedAspiMap() = default;
    SharedAspiMap(const SharedAspiMap&) = delete;
    SharedAspiMap& operator=(const SharedAspiMap&) = delete;

    std::string get() const {
        std::lock_guard<std::mutex> hold(mutex_);
        return map_;
    }
    void set(const std::string& map) {
        std::lock_guard<std::mutex> hold(mutex_);
        map_ = map;
    }

private:
    mutable std::mutex mutex_;
    std::string map_;
};

// A binary lock shared by both threads (and, on Windows, by every copy of
// the program).
class PlayerLock {
public:
    virtual ~PlayerLock() = default;
    virtual void acquire() = 0;
    virtual void release() = 0;
};

// The named semaphore "RUBO Semaphore" with count 1 on Windows; a
// process-local lock natively. Null when it cannot be created.
std::unique_ptr<PlayerLock> createPlayerSemaphore();

// lockShared/unlockShared: the lock is created on first lockShared;
// unlockShared does nothing before that. Not recursive.
class SharedPlayerLock {
public:
    using Factory = std::unique_ptr<PlayerLock> (*)();
    explicit SharedPlayerLock(Factory factory = createPlayerSemaphore) : factory_(factory) {}
    SharedPlayerLock(const SharedPlayerLock&) = delete;
    SharedPlayerLock& operator=(const SharedPlayerLock&) = delete;

    void lockShared();
    void unlockShared();
    bool created() const;
    // How often unlockShared ran. A holder that reads n here was the last
    // to hold the lock as long as it reads n + 1 after its unlock.
    unsigned releases() const { return releases_.load(); }

private:
    Factory factory_;
    std::once_flag once_;
    std::unique_ptr<PlayerLock> lock_;
    std::atomic<bool> created_{false};
    std::atomic<unsigned> releases_{0};
};

// Holds the shared lock for one scope: only around field copies.
class SharedScope {
public:
    explicit SharedScope(SharedPlayerLock& lock) : lock_(lock) { lock_.lockShared(); }
    ~SharedScope() { lock_.unlockShared(); }
    SharedScope(const SharedScope&) = delete;
    SharedScope& operator=(const SharedScope&) = delete;

private:
    SharedPlayerLock& lock_;
};

// The six command events, in wait order (the lower index wins when several
// are set).
enum PlayerEventIndex : int {
    kQuitEvent = 0,
    kPlayEvent = 1,
    kPauseEvent = 2,
    kStopEvent = 3,
    kTrayEvent = 4,
    kReopenEvent = 5,
    kPlayerEventCount = 6,
};
// Results of PlayerEvents::wait besides an event index.
inline constexpr int kPlayerWaitTimeout = -1;
inline constexpr int kPlayerWaitFailed = -2;

// Six auto-reset events: the UI sets them, the worker waits on them.
class PlayerEvents {
public:
    virtual ~PlayerEvents() = default;
    // Signals one event; false for an unknown index or a platform failure.
    virtual bool set(int event) = 0;
    // Waits up to `timeoutMs`; the lowest signalled index (which is reset),
    // kPlayerWaitTimeout or kPlayerWaitFailed.
    virtual int wait(std::uint32_t timeoutMs) = 0;
};

// Kernel auto-reset events on Windows (created play, pause, stop, tray,
// re-open, quit); a mutex and condition variable natively. Null on failure.
std::unique_ptr<PlayerEvents> createPlayerEvents();

// The window's control-enabling operations; safe to call from the worker.
class PlayerControls {
public:
    virtual ~PlayerControls() = default;
    // Disables the transport controls while a disc is read.
    virtual void setControlsBusy() = 0;
    // Enables the controls that make sense in an MCI mode (524..530).
    virtual void enableControlsForMode(std::uint32_t mode) = 0;
};

} // namespace rubo
