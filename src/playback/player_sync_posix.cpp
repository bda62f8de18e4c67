#include "playback/player_state.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace rubo {

namespace {

// A binary semaphore local to the process.
class LocalPlayerLock : public PlayerLock {
public:
    void acquire() override {
        std::unique_lock<std::mutex> hold(mutex_);
        free_.wait(hold, [this] { return !taken_; });
        taken_ = true;
    }
    void release() override {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            taken_ = false;
        }
        free_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable free_;
    bool taken_ = false;
};

// Six auto-reset flags under one mutex.
class LocalPlayerEvents : public PlayerEvents {
public:
    bool set(int event) override {
        if (event < 0 || event >= kPlayerEventCount)
            return false;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            signalled_[event] = true;
        }
        changed_.notify_all();
        return true;
    }

    int wait(std::uint32_t timeoutMs) override {
        std::unique_lock<std::mutex> hold(mutex_);
        int found = kPlayerWaitTimeout;
        changed_.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                          [&] { return (found = firstSignalled()) >= 0; });
        if (found >= 0)
            signalled_[found] = false;
        return found;
    }

private:
    int firstSignalled() const {
        for (int i = 0; i < kPlayerEventCount; ++i)
            if (signalled_[i])
                return i;
        return kPlayerWaitTimeout;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_[kPlayerEventCount] = {};
};

} // namespace

std::unique_ptr<PlayerLock> createPlayerSemaphore() {
    return std::make_unique<LocalPlayerLock>();
}

std::unique_ptr<PlayerEvents> createPlayerEvents() {
    return std::make_unique<LocalPlayerEvents>();
}

} // namespace rubo
