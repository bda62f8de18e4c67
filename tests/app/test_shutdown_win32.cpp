// Close when the worker has to be ended by force: a child process runs the
// close steps of the main window while its worker is stuck inside a save
// that holds the settings lock, and must still end within a bound, with
// RUBO.ini whole.
#include <doctest.h>

#include "app/shutdown.h"
#include "base/event_log.h"
#include "drive/fake_cd_audio_device.h"
#include "drive/fake_scsi.h"
#include "playback/player_thread.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <windows.h>

#include <chrono>
#include <memory>
#include <string>

using namespace rubo;
using namespace rubo::test;

namespace {

// How long the child's close waits for its worker (the window waits 5 s).
constexpr std::uint32_t kWorkerWaitMs = 300;
constexpr auto kChildBound = std::chrono::seconds(20);
constexpr const char kIni[] = "[Options]\r\nLogging=1\r\n\r\n[POSITION]\r\nTop=1\r\n";
constexpr const char kDiscSection[] = "12345678";
constexpr UINT kGaveUp = 1;

struct NoControls : PlayerControls {
    void setControlsBusy() override {}
    void enableControlsForMode(std::uint32_t) override {}
};

// A stopped audio disc of one track.
std::unique_ptr<CdAudioDevice> discInDrive() {
    auto device = std::make_unique<FakeCdAudioDevice>();
    device->tracks.push_back({makeMsf(0, 2, 0), makeMsf(4, 0, 0)});
    device->setStatus(kMciStatusNumberOfTracks, 1);
    device->setStatus(kMciStatusMode, kMciModeStop);
    device->setStatus(kMciStatusMediaPresent, 1);
    device->setStatus(kMciStatusReady, 1);
    return device;
}

// Child: argv[0] the folder of RUBO.ini and rubo.log, argv[1] "locked" when
// the worker gets stuck inside a save, "free" when it gets stuck before one.
// Exit codes: 0 the close ran to its end, kGaveUp it gave up waiting, 2 and
// up the set-up failed.
int closeWithStuckWorker(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string folder = std::string(argv[0]) + "\\";
    const bool locked = std::string(argv[1]) == "locked";
    SettingsFile settings(folder + "RUBO.ini", systemProfileApi());
    EventLog log;
    log.setDirectory(folder);
    log.setSwitches(true, false);

    FakeSystemInfo system;
    FakeAspiPort::State aspi;
    std::vector<SptiCall> calls;
    ScsiAccess scsi(std::make_unique<FakeSptiPort>(
                        calls, [](const Cdb&, std::uint8_t*, std::uint32_t) { return false; }),
                    std::make_unique<FakeAspiPort>(aspi), system, log);
    SharedPlayerState shared;
    PlayerSetup setup;
    setup.drive = "E:";
    NoControls controls;
    std::unique_ptr<void, decltype(&CloseHandle)> stuckEvent(
        CreateEventA(nullptr, TRUE, FALSE, nullptr), &CloseHandle);
    HANDLE stuck = stuckEvent.get();
    PlayerRunner runner(setup, scsi, shared, controls, log);
    runner.setDeviceFactory(discInDrive);
    runner.setDiscLookup([stuck, locked, &settings](const std::string&, const std::string&,
                                                    const DiscInfo&, DiscInfo&) {
        if (locked) {
            // A disc save, as the store makes it, that never comes back.
            SettingsFile::Transaction save(settings);
            settings.writeString(kDiscSection, "Artist", "Stuck");
            SetEvent(stuck);
            Sleep(INFINITE);
        }
        SetEvent(stuck);
        Sleep(INFINITE);
    });
    if (!runner.createEvents() || !runner.start())
        return 3;
    if (WaitForSingleObject(stuck, 10000) != WAIT_OBJECT_0)
        return 4;

    // The close of the main window: quit, the bounded wait and the hard end,
    // then the log's flush and the position's save, each given up (and the
    // process ended) when it cannot finish.
    runner.setEvent(kQuitEvent);
    const WorkerEnd end = endWorker(&runner, kWorkerWaitMs, log);
    if (end != WorkerEnd::Forced)
        return 5;
    if (!runAfterWorker(
            end, [&log] { log.flush(); }, kAfterForcedEndMs))
        ExitProcess(kGaveUp);
    if (!runAfterWorker(
            end,
            [&settings] {
                writeWindowRect(settings, kPositionSection, WindowRect{10, 20, 110, 220});
            },
            kAfterForcedEndMs))
        ExitProcess(kGaveUp);
    return 0;
}

const bool registered = registerChildRole("close-with-stuck-worker", closeWithStuckWorker);

// Runs the child and gives it kChildBound to end; -1 when it did not.
int runChild(const std::string& folder, const char* where) {
    ChildProcess child("close-with-stuck-worker", {folder, where});
    REQUIRE_MESSAGE(child.started(), child.startError());
    return child.waitFor(kChildBound) ? child.wait() : -1;
}

} // namespace

TEST_CASE("close ends the process in time when the ended worker held the settings lock") {
    REQUIRE(registered);
    ScratchDir dir;
    writeBytes(dir.path() / "RUBO.ini", kIni);

    SUBCASE("stuck inside a save: the position cannot be saved, the file stays as it was") {
        CHECK(runChild(dir.path().string(), "locked") == static_cast<int>(kGaveUp));
        CHECK(readBytes(dir.path() / "RUBO.ini") == kIni);
    }
    SUBCASE("stuck outside any lock: the log and the position are written") {
        CHECK(runChild(dir.path().string(), "free") == 0);
        const std::string ini = readBytes(dir.path() / "RUBO.ini");
        CHECK(ini.find("Top=10\r\nLeft=20\r\nBottom=110\r\nRight=220") != std::string::npos);
        CHECK(ini.find("Logging=1") != std::string::npos);
    }
    const std::string log = readBytes(dir.path() / kEventLogName);
    CHECK(log.find("M : Thread timed out") != std::string::npos);
}
