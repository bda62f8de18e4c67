#include <doctest.h>

#include "base/message_box.h"
#include "player_fixture.h"

#include <fstream>

using namespace rubo;
using namespace rubo::test;

TEST_CASE("a disc in the drive at start: TOC on the second time-out, then the start-up play") {
    PlayerFixture f;
    f.insertDisc(12);
    f.setPlayRequest(makeTmsf(3, 0, 0, 0));

    REQUIRE(f.engine->start());
    CHECK(f.device.calls == Lines{"open E: 1", "status 4", "setTimeFormat 10"});
    CHECK(f.engine->flags().pendingPlay == makeTmsf(3, 0, 0, 0));
    CHECK(f.takeLog() == Lines{" T: getting mode"});

    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.engine->flags().wantToc == 1);
    CHECK(f.takeLog() == Lines{" T:       o M R   STOP", " T: Want TOC"});
    CHECK(f.device.playedFrom.empty());
    CHECK(f.controls.calls == Lines{"enable 525"});

    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.engine->flags().wantToc == 0);
    CHECK(f.engine->flags().pendingPlay == 0);
    CHECK(f.controls.calls.back() == "busy");
    CHECK(f.lookups == 1);
    REQUIRE(f.device.playedFrom.size() == 1);
    CHECK(f.device.playedFrom[0] == makeMsf(8, 2, 0));
    CHECK(f.device.playFormats[0] == kMciFormatMsf);
    CHECK(f.device.calls.back() == "setTimeFormat 10");

    DiscId id = 0;
    {
        SharedScope scope(f.lock);
        CHECK(f.shared.discInfoReady == 1);
        CHECK(f.shared.scanning == 1);
        CHECK(f.shared.discInfo.trackList.trackCount == 12);
        CHECK(f.shared.discInfo.artist == "Band");
        id = f.shared.discInfo.discId;
    }
    CHECK(id == computeDiscId(f.engine->localDisc().trackList));
    CHECK(id != 0);
    CHECK(f.takeLog() == Lines{" T: Getting TOC", " T: Got TOC ", " T: Getting CD TEXT",
                               " T: Got NO CD TEXT", " T: Getting CD info",
                               formatText(" T: Got CD info: origin=rubo.ini  %08X Band - Album",
                                          static_cast<unsigned>(id)),
                               " T: Playing",
                               "  : Playing Track 3 position  0:00 00   Abs:  8:02 00",
                               " T: Play command started"});
    CHECK(LockWatch::violations() == 0);
}

TEST_CASE("log lines carry distinct site numbers and the active drive") {
    PlayerFixture f;
    f.insertDisc(2);
    REQUIRE(f.engine->start());
    f.engine->handle(kPlayerWaitTimeout);
    const std::string log = f.drive.eventLog();
    CHECK(log.find("] 02200 (E:)  T: getting mode") != std::string::npos);
    CHECK(log.find("] 02222 (E:)  T: Want TOC") != std::string::npos);
}

TEST_CASE("an invalid disc lookup is logged as such") {
    PlayerFixture f;
    f.engine->setDiscLookup([](const std::string&, const std::string&, const DiscInfo&,
                               DiscInfo& info) { info.valid = false; });
    f.insertDisc(2);
    REQUIRE(f.engine->start());
    f.engine->handle(kPlayerWaitTimeout);
    f.engine->handle(kPlayerWaitTimeout);
    const Lines log = f.takeLog();
    REQUIRE(!log.empty());
    CHECK(log.back() == " T: Got CD info: invalid?!?");
}

TEST_CASE("the fan mark follows the artist of each disc read") {
    PlayerFixture f;
    std::atomic<int> fan{0};
    f.setup.fanMark = &fan;
    std::string artist = "lANTERN pARADE";
    f.engine->setDiscLookup(
        [&](const std::string&, const std::string&, const DiscInfo&, DiscInfo& info) {
            info.valid = true;
            info.artist = artist;
        });
    f.startWithDisc(2);
    CHECK(fan.load() == 1);
    artist = "Lantern Parade Tribute";
    f.engine->handle(kReopenEvent);
    f.engine->handle(kPlayerWaitTimeout);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(fan.load() == 0);
}

TEST_CASE("a failed open at start is fatal") {
    PlayerFixture f;
    f.device.openResult = kMciErrHardware;
    CHECK_FALSE(f.engine->start());
    CHECK(f.fatal == Lines{"Error opening device"});
    CHECK(f.takeLog().empty());
    CHECK(f.device.countCalls("status 4") == 0);
}

TEST_CASE("re-open: stop, close, open; the disc is read again") {
    PlayerFixture f;
    f.startWithDisc(12);
    const std::uint32_t previous = f.engine->flags().previousMode;

    CHECK(f.engine->handle(kReopenEvent));
    CHECK(f.device.calls == Lines{"stop", "close", "open E: 1", "setTimeFormat 10"});
    CHECK(f.takeLog() == Lines{" T: Re-open disc", " T: Re-opened", " T: Want TOC"});
    CHECK(f.engine->flags().mode == kMciModeOpen);
    CHECK(f.engine->flags().wantToc == 1);
    CHECK(f.engine->flags().previousMode == previous);

    // Mode 530 after the re-open: a poll first, then the TOC.
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.device.countCalls("status 3") == 0);
    f.engine->handle(kPlayerWaitTimeout);
    CHECK(f.device.countCalls("status 3") == 1);
    CHECK(f.lookups == 2);
}

TEST_CASE("re-open with another drive: the worker opens that drive from then on") {
    PlayerFixture f;
    f.startWithDisc(12);
    f.shared.reopenDrive = "F:";
    CHECK(f.engine->handle(kReopenEvent));
    CHECK(f.device.calls == Lines{"stop", "close", "open F: 1", "setTimeFormat 10"});
    CHECK(f.shared.reopenDrive.empty());
    f.device.calls.clear();
    CHECK(f.engine->handle(kReopenEvent));
    CHECK(f.device.calls == Lines{"stop", "close", "open F: 1", "setTimeFormat 10"});
}

TEST_CASE("a failed re-open is fatal") {
    PlayerFixture f;
    f.startWithDisc(2);
    f.device.openResult = kMciErrHardware;
    CHECK_FALSE(f.engine->handle(kReopenEvent));
    CHECK(f.fatal == Lines{"Error re-opening device"});
    CHECK(f.takeLog() == Lines{" T: Re-open disc"});
}

namespace {

// Records the message box text in a file, for the parent to read.
class FileMessageSink : public MessageSink {
public:
    explicit FileMessageSink(std::string path) : path_(std::move(path)) {}
    void show(const std::string& text) override { std::ofstream(path_) << text; }
    bool ask(const std::string& question) override {
        show(question);
        return false;
    }

private:
    std::string path_;
};

// Child: the default fatal exit after a failed open. Argument: message file.
int fatalOpenRole(int argc, char** argv) {
    if (argc < 1)
        return 2;
    FileMessageSink sink(argv[0]);
    setMessageSink(&sink);
    FakeCdAudioDevice device;
    device.openResult = kMciErrHardware;
    DriveFixture drive;
    SharedPlayerState shared;
    SharedPlayerLock lock;
    RecordingControls controls;
    PlayerSetup setup;
    setup.drive = "E:";
    PlayerEngine engine(setup, device, drive.make(), shared, lock, controls, drive.log);
    engine.start();
    return 3; // not reached: the process ends with 0
}

const bool registered = registerChildRole("player-fatal-open", fatalOpenRole);

} // namespace

TEST_CASE("the default fatal exit shows the message and ends the process with 0") {
    REQUIRE(registered);
    ScratchDir dir;
    const std::string file = dir.file("message.txt");
    ChildProcess child("player-fatal-open", {file});
    REQUIRE_MESSAGE(child.started(), child.startError());
    CHECK(child.wait() == 0);
    CHECK(readBytes(file) == "Error opening device");
}
