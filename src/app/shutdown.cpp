#include "app/shutdown.h"

#include "base/event_log.h"
#include "playback/player_thread.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace rubo {

WorkerEnd endWorker(PlayerRunner* runner, std::uint32_t waitMs, EventLog& log) {
    if (!runner || !runner->running()) {
        log.logEvent(2031, "M : Thread was not running");
        return WorkerEnd::NotRunning;
    }
    log.logEvent(2028, "M : Waiting for Thread to stop");
    WorkerEnd end = WorkerEnd::Stopped;
    if (runner->waitForEnd(waitMs)) {
        log.logEvent(2029, "M : Thread stopped OK");
    } else {
        log.logEvent(2030, "M : Thread timed out");
        runner->terminate();
        end = WorkerEnd::Forced;
    }
    runner->release();
    return end;
}

bool runAfterWorker(WorkerEnd end, std::function<void()> step, std::uint32_t boundMs,
                    std::thread* unfinished) {
    if (end != WorkerEnd::Forced) {
        step();
        return true;
    }
    // Shared with the helper, which may outlive this call.
    struct Done {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
    };
    auto state = std::make_shared<Done>();
    std::thread helper;
    try {
        helper = std::thread([state, step = std::move(step)] {
            step();
            std::lock_guard<std::mutex> hold(state->mutex);
            state->done = true;
            state->changed.notify_all();
        });
    } catch (const std::system_error&) {
        return false;
    }
    bool done = false;
    {
        std::unique_lock<std::mutex> hold(state->mutex);
        done = state->changed.wait_for(hold, std::chrono::milliseconds(boundMs),
                                       [&state] { return state->done; });
    }
    if (done)
        helper.join();
    else if (unfinished)
        *unfinished = std::move(helper);
    else
        helper.detach();
    return done;
}

} // namespace rubo
