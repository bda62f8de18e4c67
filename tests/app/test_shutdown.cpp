#include <doctest.h>

#include "app/shutdown.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

using namespace rubo;

TEST_CASE("close steps after the worker: in place, or bounded after a forced end") {
    SUBCASE("after a worker that stopped, the step runs here") {
        std::thread::id ranOn;
        CHECK(runAfterWorker(
            WorkerEnd::Stopped, [&ranOn] { ranOn = std::this_thread::get_id(); }, 0));
        CHECK((ranOn == std::this_thread::get_id()));
    }
    SUBCASE("after a forced end, a step that can finish is waited for") {
        std::atomic<bool> ran{false};
        CHECK(runAfterWorker(
            WorkerEnd::Forced, [&ran] { ran = true; }, 10000));
        CHECK(ran);
    }
    SUBCASE("after a forced end, a step stuck on a lock the worker kept is given up") {
        // This thread holds the lock, as the ended worker would.
        auto lock = std::make_shared<std::mutex>();
        lock->lock();
        std::atomic<bool> ran{false};
        std::thread unfinished;
        const auto start = std::chrono::steady_clock::now();
        CHECK_FALSE(runAfterWorker(
            WorkerEnd::Forced,
            [lock, &ran] {
                std::lock_guard<std::mutex> hold(*lock);
                ran = true;
            },
            200, &unfinished));
        const auto took = std::chrono::steady_clock::now() - start;
        CHECK(took >= std::chrono::milliseconds(200));
        CHECK(took < std::chrono::seconds(5));
        CHECK_FALSE(ran);
        // The helper ends before the test does: a thread still on its way
        // out when the process exits can deadlock the exit.
        REQUIRE(unfinished.joinable());
        lock->unlock();
        unfinished.join();
        CHECK(ran);
    }
}
