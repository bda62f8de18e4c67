#include "playback/player_thread.h"

#include <chrono>
#include <future>
#include <thread>

namespace rubo {

struct PlayerRunner::Thread {
    std::thread thread;
    std::future<void> done;
};

PlayerRunner::ThreadPtr startPlayerThread(PlayerRunner& runner) {
    PlayerRunner::ThreadPtr thread(new PlayerRunner::Thread);
    std::packaged_task<void()> task([&runner] { runner.run(); });
    thread->done = task.get_future();
    thread->thread = std::thread(std::move(task));
    return thread;
}

bool waitPlayerThread(PlayerRunner::Thread& thread, std::uint32_t ms) {
    return thread.done.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready;
}

// A thread cannot be killed here; the release joins it.
void killPlayerThread(PlayerRunner::Thread&) {}

void PlayerRunner::ThreadDeleter::operator()(Thread* thread) const {
    if (thread->thread.joinable())
        thread->thread.join();
    delete thread;
}

} // namespace rubo
