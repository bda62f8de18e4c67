#include <doctest.h>

#include "playback/player_thread.h"
#include "player_fixture.h"

#include <chrono>
#include <mutex>
#include <thread>

using namespace rubo;
using namespace rubo::test;

namespace {

// How long the worker may take to answer an event.
constexpr auto kAnswerBound = std::chrono::seconds(2);

// The worker's device: forwards to a fake the test owns, under a mutex.
class SharedFakeDevice : public CdAudioDevice {
    template <typename F> auto call(F f) {
        std::lock_guard<std::mutex> hold(mutex_);
        return f();
    }

public:
    SharedFakeDevice(FakeCdAudioDevice& fake, std::mutex& mutex) : fake_(fake), mutex_(mutex) {}
    MciError open(const char* d, int s) override {
        return call([&] { return fake_.open(d, s); });
    }
    MciError openByType(std::uint32_t t, int s) override {
        return call([&] { return fake_.openByType(t, s); });
    }
    MciError close() override {
        return call([&] { return fake_.close(); });
    }
    std::uint32_t status(std::uint32_t i) override {
        return call([&] { return fake_.status(i); });
    }
    MciError info(std::uint32_t f, char* b, std::uint32_t n) override {
        return call([&] { return fake_.info(f, b, n); });
    }
    MciError setTimeFormat(std::uint32_t f) override {
        return call([&] { return fake_.setTimeFormat(f); });
    }
    MciError playFrom(std::uint32_t p, int n) override {
        return call([&] { return fake_.playFrom(p, n); });
    }
    MciError playRange(std::uint32_t f, std::uint32_t t, int n) override {
        return call([&] { return fake_.playRange(f, t, n); });
    }
    MciError stop() override {
        return call([&] { return fake_.stop(); });
    }
    MciError pause() override {
        return call([&] { return fake_.pause(); });
    }
    MciError setDoor(int o) override {
        return call([&] { return fake_.setDoor(o); });
    }
    std::uint32_t trackStatus(std::uint32_t t, std::uint32_t i) override {
        return call([&] { return fake_.trackStatus(t, i); });
    }
    MciError sendCommand(std::uint32_t c, std::uint32_t f, void* p) override {
        return call([&] { return fake_.sendCommand(c, f, p); });
    }

private:
    FakeCdAudioDevice& fake_;
    std::mutex& mutex_;
};

struct RunnerFixture {
    PlayerFixture f; // device, transport, window, log
    std::mutex deviceMutex;
    std::vector<std::string> fatal;
    std::mutex fatalMutex;
    PlayerRunner runner{f.setup, *f.drive.scsi, f.shared, f.controls, f.drive.log};

    RunnerFixture() {
        runner.setDeviceFactory(
            [this] { return std::make_unique<SharedFakeDevice>(f.device, deviceMutex); });
        runner.setFatalExit([this](const char* m) {
            std::lock_guard<std::mutex> hold(fatalMutex);
            fatal.push_back(m);
        });
        runner.setDiscLookup(
            [](const std::string&, const std::string&, const DiscInfo&, DiscInfo& info) {
                info.valid = true;
                info.artist = "Band";
            });
    }

    std::size_t count(const std::string& call) {
        std::lock_guard<std::mutex> hold(deviceMutex);
        return f.device.countCalls(call);
    }
};

} // namespace

TEST_CASE("the runner reads the disc, handles events from another thread and quits") {
    RunnerFixture r;
    {
        std::lock_guard<std::mutex> hold(r.deviceMutex);
        r.f.insertDisc(12);
    }
    r.f.setPlayRequest(makeTmsf(2, 0, 0, 0));
    REQUIRE(r.runner.createEvents());
    REQUIRE(r.runner.start());

    CHECK(eventually(
        [&] {
            SharedScope scope(r.runner.lock());
            return r.f.shared.discInfoReady == 1;
        },
        kAnswerBound));
    CHECK(eventually([&] { return r.count("playFrom 0x00000204 1") == 1; }, kAnswerBound));

    r.f.setPlayRequest(makeTmsf(3, 0, 0, 0));
    const auto asked = std::chrono::steady_clock::now();
    CHECK(r.runner.setEvent(kPlayEvent));
    CHECK(eventually([&] { return r.count("playFrom 0x00000208 1") == 1; }, kAnswerBound));
    const auto answered = std::chrono::steady_clock::now() - asked;
    MESSAGE("play answered after "
            << std::chrono::duration_cast<std::chrono::milliseconds>(answered).count() << " ms");
    CHECK(r.runner.setEvent(kPauseEvent));
    CHECK(eventually([&] { return r.count("pause") == 1; }, kAnswerBound));
    CHECK(r.runner.setEvent(kStopEvent));
    CHECK(eventually([&] { return r.count("stop") == 1; }, kAnswerBound));
    CHECK(r.runner.setEvent(kTrayEvent));
    CHECK(eventually([&] { return r.count("setDoor 1") == 1; }, kAnswerBound));
    CHECK(r.runner.setEvent(kReopenEvent));
    CHECK(eventually([&] { return r.count("open E: 1") == 2; }, kAnswerBound));

    const auto quitAt = std::chrono::steady_clock::now();
    CHECK(r.runner.stop(1000));
    CHECK(std::chrono::steady_clock::now() - quitAt < std::chrono::seconds(1));
    CHECK(r.count("close") == 2);

    const Lines log = r.f.takeLog();
    for (const char* line :
         {" T: getting mode", " T: Playing", " T: Play", " T: Pause", " T: Stop",
          " T: Tray command finished", " T: Re-opened", " T: Stop Thread", " T: Thread stopped"})
        CHECK_MESSAGE(std::find(log.begin(), log.end(), line) != log.end(), line);
    CHECK(log.back() == " T: Thread stopped");
    std::lock_guard<std::mutex> hold(r.fatalMutex);
    CHECK(r.fatal.empty());
}

TEST_CASE("the runner's thread ends after a failed open") {
    RunnerFixture r;
    r.f.device.openResult = kMciErrHardware;
    REQUIRE(r.runner.createEvents());
    REQUIRE(r.runner.start());
    CHECK(r.runner.waitForEnd(2000));
    std::lock_guard<std::mutex> hold(r.fatalMutex);
    CHECK(r.fatal == Lines{"Error opening device"});
}

TEST_CASE("the runner does not start without events") {
    RunnerFixture r;
    CHECK_FALSE(r.runner.start());
    CHECK_FALSE(r.runner.setEvent(kPlayEvent));
    CHECK(r.runner.waitForEnd(0));
}

TEST_CASE("the shared lock is made on first use only") {
    static int made = 0;
    made = 0;
    SharedPlayerLock lock([]() -> std::unique_ptr<PlayerLock> {
        ++made;
        return makeTrackingLock();
    });
    LockWatch::depth() = 0;
    lock.unlockShared(); // before creation: nothing
    CHECK(LockWatch::depth() == 0);
    CHECK_FALSE(lock.created());
    CHECK(made == 0);
    lock.lockShared();
    CHECK(LockWatch::depth() == 1);
    lock.unlockShared();
    lock.lockShared();
    lock.unlockShared();
    CHECK(made == 1);
    CHECK(lock.created());
    CHECK(LockWatch::depth() == 0);
}

TEST_CASE("the platform lock excludes the other thread") {
    SharedPlayerLock lock;
    std::atomic<int> inside{0};
    std::atomic<int> overlap{0};
    auto worker = [&] {
        for (int i = 0; i < 200; ++i) {
            SharedScope scope(lock);
            if (++inside != 1)
                ++overlap;
            --inside;
        }
    };
    std::thread a(worker);
    std::thread b(worker);
    a.join();
    b.join();
    CHECK(lock.created());
    CHECK(overlap.load() == 0);
}
