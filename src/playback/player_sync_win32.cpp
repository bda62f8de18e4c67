#include "playback/player_state.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

namespace rubo {

namespace {

// The named semaphore with count 1.
class SemaphorePlayerLock : public PlayerLock {
public:
    explicit SemaphorePlayerLock(HANDLE handle) : handle_(handle) {}
    void acquire() override { WaitForSingleObject(handle_.get(), INFINITE); }
    void release() override { ReleaseSemaphore(handle_.get(), 1, nullptr); }

private:
    UniqueHandle handle_;
};

// Six unnamed auto-reset events.
class KernelPlayerEvents : public PlayerEvents {
public:
    bool create() {
        // Creation order: play, pause, stop, tray, re-open, then quit.
        static const int order[kPlayerEventCount] = {kPlayEvent, kPauseEvent,  kStopEvent,
                                                     kTrayEvent, kReopenEvent, kQuitEvent};
        for (int index : order) {
            events_[index].reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
            if (!events_[index].get())
                return false;
        }
        return true;
    }

    bool set(int event) override {
        if (event < 0 || event >= kPlayerEventCount)
            return false;
        return SetEvent(events_[event].get()) != 0;
    }

    int wait(std::uint32_t timeoutMs) override {
        HANDLE handles[kPlayerEventCount];
        for (int i = 0; i < kPlayerEventCount; ++i)
            handles[i] = events_[i].get();
        DWORD result = WaitForMultipleObjects(kPlayerEventCount, handles, FALSE, timeoutMs);
        if (result == WAIT_TIMEOUT)
            return kPlayerWaitTimeout;
        if (result < WAIT_OBJECT_0 + kPlayerEventCount)
            return static_cast<int>(result - WAIT_OBJECT_0);
        return kPlayerWaitFailed;
    }

private:
    UniqueHandle events_[kPlayerEventCount];
};

} // namespace

std::unique_ptr<PlayerLock> createPlayerSemaphore() {
    HANDLE handle = CreateSemaphoreA(nullptr, 1, 1, kPlayerSemaphoreName);
    if (!handle)
        return nullptr;
    return std::make_unique<SemaphorePlayerLock>(handle);
}

std::unique_ptr<PlayerEvents> createPlayerEvents() {
    auto events = std::make_unique<KernelPlayerEvents>();
    if (!events->create())
        return nullptr;
    return events;
}

} // namespace rubo
