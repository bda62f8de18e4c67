// The Win32 player runner against the virtual CD drive under Wine: its own
// thread, the six kernel events and "RUBO Semaphore", driven from the test
// thread. Skipped in a plain run; the "player_virtual_wine" CTest entry
// prepares a prefix with the drive and runs them with --no-skip.
#include <doctest.h>

#include "support/sample_discs.h"
#include "support/virtual_drive_client.h"

#include "base/event_log.h"
#include "drive/cd_audio_device.h"
#include "drive/scsi_access.h"
#include "playback/player_thread.h"
#include "support/test_support.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

// How a run plays a sample disc.
struct RunCase {
    const SampleDisc& disc;
    int detectMultiSession;
    int direct;     // directMode after the TOC read
    int startTrack; // start-up play request
    int stopOnClose;
};

const RunCase kThroughMci{kCdText12, 0, 0, 2, 0};
// Multisession detection on: the first session, played through SCSI.
const RunCase kDirect{kEnhancedSession1, 1, 1, 1, 1};

// The window's control calls, from the worker thread.
class Controls : public PlayerControls {
public:
    void setControlsBusy() override {
        std::lock_guard<std::mutex> hold(mutex_);
        ++busy_;
    }
    void enableControlsForMode(std::uint32_t mode) override {
        std::lock_guard<std::mutex> hold(mutex_);
        if (std::find(modes_.begin(), modes_.end(), mode) == modes_.end())
            modes_.push_back(mode);
    }
    int busy() {
        std::lock_guard<std::mutex> hold(mutex_);
        return busy_;
    }
    bool saw(std::uint32_t mode) {
        std::lock_guard<std::mutex> hold(mutex_);
        return std::find(modes_.begin(), modes_.end(), mode) != modes_.end();
    }

private:
    std::mutex mutex_;
    int busy_ = 0;
    std::vector<std::uint32_t> modes_;
};

// The play helper's line for track `track` at `m`:`s` (frames 0).
std::string playLine(const RunCase& how, int track, int m, int s) {
    const SampleTrack& start = how.disc.tracks[static_cast<std::size_t>(track - 1)];
    int sec = start.s + s;
    const int min = start.m + m + sec / 60;
    sec %= 60;
    char text[200];
    if (how.direct)
        std::snprintf(text, sizeof text, "  : Playing Direct position %2d:%02d %02d", min, sec,
                      start.f);
    else
        std::snprintf(text, sizeof text,
                      "  : Playing Track %d position %2d:%02d %02d   Abs: %2d:%02d %02d", track, m,
                      s, 0, min, sec, start.f);
    return text;
}

// The texts of the event lines of rubo.log; every line names drive D:.
Lines eventTexts(const std::string& log) {
    std::istringstream in(log);
    Lines texts;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const std::size_t at = line.find(" (D:) ");
        CHECK_MESSAGE(at != std::string::npos, line);
        if (at != std::string::npos)
            texts.push_back(line.substr(at + 6));
    }
    return texts;
}

void checkLines(const Lines& got, const Lines& expected) {
    std::size_t i = 0;
    while (i < got.size() && i < expected.size() && got[i] == expected[i])
        ++i;
    if (i < got.size() || i < expected.size()) {
        INFO("first difference at line " << i);
        INFO("expected: \"" << (i < expected.size() ? expected[i] : "<end>") << "\"");
        INFO("logged:   \"" << (i < got.size() ? got[i] : "<end>") << "\"");
        CHECK(got.size() == expected.size());
        FAIL_CHECK("rubo.log differs");
    }
}

struct Run {
    const RunCase& how;
    const SampleDisc& disc;
    DriveScratch scratch{true, false, 'D'};
    std::unique_ptr<ScsiAccess> scsi = std::make_unique<ScsiAccess>(scratch.log);
    PlayerSetup setup;
    std::atomic<int> fan{1};
    SharedPlayerState shared;
    Controls controls;
    std::mutex fatalMutex;
    Lines fatal;
    std::unique_ptr<PlayerRunner> runner;
    Lines expected; // rubo.log texts, built with the steps

    explicit Run(const RunCase& h) : how(h), disc(h.disc) {
        INFO("this test runs the ASPI back end; the prefix must report a later Windows");
        REQUIRE_FALSE(scsi->usesSpti());
        REQUIRE(scsi->aspiAvailable());
        scsi->setErrorDetail(1); // as with Logging on
        setup.drive = kVirtualDrive;
        setup.aspiMap.set("D");
        setup.options.cdPlayerIni = scratch.dir.file("cdplayer.ini");
        setup.options.stopOnClose = how.stopOnClose;
        setup.options.detectMultiSession = how.detectMultiSession;
        setup.fanMark = &fan;
        runner = std::make_unique<PlayerRunner>(setup, *scsi, shared, controls, scratch.log);
        runner->setDiscLookup(discStoreLookup(scratch.settings));
        runner->setFatalExit([this](const char* m) {
            std::lock_guard<std::mutex> hold(fatalMutex);
            fatal.push_back(m);
        });
    }
    ~Run() { runner.reset(); }

    template <typename F> auto locked(F f) {
        SharedScope scope(runner->lock());
        return f();
    }
    std::uint32_t mode() {
        return locked([&] { return shared.mode; });
    }
    // Waits up to `ms` for a condition on the shared state (read under the lock).
    template <typename F> bool waitFor(F condition, int ms = 5000) {
        return eventually([&] { return locked(condition); }, std::chrono::milliseconds(ms));
    }
    bool waitMode(std::uint32_t mode, int ms = 5000) {
        return waitFor([&] { return shared.mode == mode; }, ms);
    }
    void request(int track) {
        locked([&] { shared.playRequest = makeTmsf(track, 0, 0, 0); });
    }
    void add(const Lines& lines) { expected.insert(expected.end(), lines.begin(), lines.end()); }
    std::string status(const char* text) { return std::string(" T:       ") + text; }

    // The lines of one TOC read, without a pending play.
    void addTocRead(const char* origin) {
        add({" T: Getting TOC", how.direct ? " T: Got TOC Multisession mode" : " T: Got TOC ",
             " T: Getting CD TEXT",
             std::string(" T: Got CD TEXT: ") + disc.artist + " - " + disc.title,
             " T: Getting CD info",
             std::string(" T: Got CD info: origin=") + origin + "  " + hex(disc.id) + " " +
                 disc.artist + " - " + disc.title});
    }
    static std::string hex(DiscId id) {
        char text[16];
        std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(id));
        return text;
    }

    // The published disc, once; the hand-over flags cleared as the window does.
    void takeDiscInfo(DiscOrigin origin) {
        REQUIRE(waitFor([&] { return shared.discInfoReady == 1; }, 10000));
        DiscInfo info;
        int scanning = 0;
        locked([&] {
            info = shared.discInfo;
            scanning = shared.scanning;
            shared.discInfoReady = 0;
            shared.scanning = 0;
        });
        CHECK(scanning == 1);
        CHECK(shared.directMode.load() == how.direct);
        CHECK(info.valid);
        CHECK(info.origin == origin);
        CHECK(info.discId == disc.id);
        CHECK(info.artist == disc.artist);
        CHECK(info.title == disc.title);
        CHECK(info.trackList.leadOut == disc.leadOut);
        REQUIRE(info.trackList.trackCount == static_cast<int>(disc.tracks.size()));
        for (int k = 1; k <= info.trackList.trackCount; ++k) {
            const SampleTrack& s = disc.tracks[static_cast<std::size_t>(k - 1)];
            CAPTURE(k);
            REQUIRE(info.trackList.entry(k) != nullptr);
            CHECK(info.trackList.entry(k)->start == makeMsf(s.m, s.s, s.f));
        }
    }

    // Pause, then resume through the play event or the pause event.
    void pauseAndResume(bool byPlay) {
        REQUIRE(runner->setEvent(kPauseEvent));
        REQUIRE(waitMode(kMciModePause));
        add({" T: Pause", status("o M R   PAUSE")});
        Sleep(300); // a poll during the pause
        const PackedTmsf at = locked([&] { return shared.trackPosition; });
        const int track = tmsfTrack(at);
        CHECK(track == how.startTrack);
        REQUIRE(runner->setEvent(byPlay ? kPlayEvent : kPauseEvent));
        REQUIRE(waitMode(kMciModePlay));
        const PackedTmsf now = locked([&] { return shared.trackPosition; });
        CHECK(tmsfTrack(now) == track);
        // Play restarts at most a second before the point of pause.
        CHECK(tmsfToFrames(now) >= tmsfToFrames(at) - 75);
        add({byPlay ? " T: Resume (Play)" : " T: Resume",
             playLine(how, track, tmsfMinutes(at), tmsfSeconds(at)), " T: Play command started",
             status("o M R   PLAY")});
    }

    void scenario() {
        request(how.startTrack); // a start-up play request
        REQUIRE(runner->createEvents());
        REQUIRE(runner->start());

        // Start: the disc is read and the start-up request plays.
        takeDiscInfo(OriginCdText);
        REQUIRE(waitMode(kMciModePlay));
        CHECK(tmsfTrack(locked([&] { return shared.trackPosition; })) == how.startTrack);
        CHECK(fan.load() == 0);
        add({" T: getting mode", status("o M R   STOP"), " T: Want TOC"});
        addTocRead(kOriginNameCdText);
        add({" T: Playing", playLine(how, how.startTrack, 0, 0), " T: Play command started",
             status("o M R   PLAY")});
        // The worker's lock is the named semaphore.
        HANDLE named =
            OpenSemaphoreA(SYNCHRONIZE | SEMAPHORE_MODIFY_STATE, FALSE, kPlayerSemaphoreName);
        REQUIRE(named != nullptr);

        pauseAndResume(true);
        pauseAndResume(false);

        REQUIRE(runner->setEvent(kStopEvent));
        REQUIRE(waitMode(kMciModeStop));
        add({" T: Stop", status("o M R   STOP")});

        // A track beyond the track array: nothing is played.
        request(99);
        REQUIRE(runner->setEvent(kPlayEvent));
        Sleep(700);
        CHECK(mode() == kMciModeStop);
        add({" T: Play", " T: Play command started"});

        // Play requests while stopped: time to the shared mode reading 526.
        std::vector<double> ms;
        const int tracks = static_cast<int>(disc.tracks.size());
        for (int i = 0; i < 20; ++i) {
            const int track = i % tracks + 1;
            request(track);
            const auto asked = Clock::now();
            REQUIRE(runner->setEvent(kPlayEvent));
            REQUIRE(waitMode(kMciModePlay, 3000));
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
            CHECK(tmsfTrack(locked([&] { return shared.trackPosition; })) == track);
            REQUIRE(runner->setEvent(kStopEvent));
            REQUIRE(waitMode(kMciModeStop, 3000));
            add({" T: Play", playLine(how, track, 0, 0), " T: Play command started",
                 status("o M R   PLAY"), " T: Stop", status("o M R   STOP")});
        }
        std::sort(ms.begin(), ms.end());
        MESSAGE(std::string(disc.file)
                << ": play request answered (shared mode 526) over " << ms.size()
                << " requests: median " << (ms[9] + ms[10]) / 2 << " ms, min " << ms.front()
                << " ms, max " << ms.back() << " ms");

        // Eject with the door closed opens; with it open, closes.
        REQUIRE(driveControl("spinup 1000") == 0);
        REQUIRE(runner->setEvent(kTrayEvent));
        REQUIRE(waitFor([&] {
            return shared.mode == kMciModeOpen && shared.doorOpen == 1 && shared.clearRequest == 1;
        }));
        CHECK(locked([&] { return shared.mediaPresent == 0 && shared.ready == 0; }));
        locked([&] { shared.clearRequest = 0; });
        add({" T: Tray open  (IsOpen=0)", " T: Tray command finished", status("O m r   OPEN"),
             " T: Want clear disc"});
        REQUIRE(runner->setEvent(kTrayEvent));
        REQUIRE(waitMode(kMciModeNotReady));
        add({" T: Tray close  (IsOpen=1, Toggle=1)", " T: Tray command finished",
             status("o M r   NOT_READY"), " T: Want TOC", status("o M R   STOP")});
        // Saved by the first read, so found in RUBO.ini now.
        takeDiscInfo(OriginRuboIni);
        addTocRead(kOriginNameRuboIni);
        CHECK(locked([&] { return shared.clearRequest; }) == 0);

        // Re-open: the disc is read again.
        REQUIRE(runner->setEvent(kReopenEvent));
        takeDiscInfo(OriginRuboIni);
        add({" T: Re-open disc", " T: Re-opened", " T: Want TOC"});
        addTocRead(kOriginNameRuboIni);

        // The play event waits while another holder has the semaphore.
        auto device = openDriveDevice(kVirtualDrive);
        request(3);
        {
            REQUIRE(WaitForSingleObject(named, 2000) == WAIT_OBJECT_0);
            struct Release {
                HANDLE h;
                ~Release() {
                    ReleaseSemaphore(h, 1, nullptr);
                    CloseHandle(h);
                }
            } release{named};
            REQUIRE(runner->setEvent(kPlayEvent));
            Sleep(600);
            CHECK(device->mode() == kMciModeStop);
        }
        REQUIRE(waitMode(kMciModePlay));
        add({" T: Play", playLine(how, 3, 0, 0), " T: Play command started",
             status("o M R   PLAY")});

        // Quit while playing.
        const auto quitAt = Clock::now();
        CHECK(runner->stop(1000));
        const double quitMs =
            std::chrono::duration<double, std::milli>(Clock::now() - quitAt).count();
        MESSAGE(std::string(disc.file) << ": quit ended the thread after " << quitMs << " ms");
        CHECK(quitMs < 1000.0);
        add({" T: Stop Thread"});
        if (how.stopOnClose)
            add({" T: Stop playing", " T: Playing stopped"});
        add({" T: Thread stopped"});
        CHECK(device->mode() == (how.stopOnClose ? kMciModeStop : kMciModePlay));
        device->stop();

        CHECK(controls.busy() == 3);
        for (std::uint32_t m :
             {kMciModeNotReady, kMciModeStop, kMciModePlay, kMciModePause, kMciModeOpen}) {
            CAPTURE(m);
            CHECK(controls.saw(m));
        }
        {
            std::lock_guard<std::mutex> hold(fatalMutex);
            CHECK(fatal.empty());
        }
        scratch.log.flush();
        checkLines(eventTexts(readBytes(scratch.dir.path() / kEventLogName)), expected);
    }
};

void runWith(const RunCase& how) {
    INFO("disc " << std::string(how.disc.file));
    insertDisc(how.disc.file);
    REQUIRE(driveControl("speed 20") == 0);
    {
        Run run(how);
        run.scenario();
    }
    driveControl("speed 1");
    driveControl("spinup 100");
}

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("player runner: the 12-track CD through MCI") {
        runWith(kThroughMci);
    }

    TEST_CASE("player runner: the enhanced CD in direct mode") {
        runWith(kDirect);
    }

} // TEST_SUITE
