#include <doctest.h>

#include "playback/transport_commands.h"
#include "player_fixture.h"
#include "transport_fixture.h"

using namespace rubo;
using namespace rubo::test;

namespace {

// Two ASPI CD-ROM devices; the disc of drive E: is in the second (target 1),
// which answers the TOC of PlayerFixture::insertDisc(3) and PLAY AUDIO MSF.
void driveAtSecondRow(PlayerFixture& f) {
    f.drive.system.admin = false;
    f.drive.aspiDrives(2);
    f.drive.aspi.responders[{0, 1, 0}] = [](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        if (c[0] == kOpPlayAudioMsf)
            return true;
        return answerToc(c, b, n, kTocFormatToc,
                         buildToc(1, {{0, 2, 0}, {4, 2, 0}, {8, 2, 0}}, {12, 2, 1}));
    };
    f.drive.make().setErrorDetail(0);
    f.engine = std::make_unique<PlayerEngine>(f.setup, f.device, *f.drive.scsi, f.shared, f.lock,
                                              f.controls, f.drive.log);
    f.engine->setDiscLookup([](const std::string&, const std::string&, const DiscInfo&,
                               DiscInfo& info) { info.valid = true; });
}

// The targets PLAY AUDIO MSF went to, one digit each.
std::string playTargets(const FakeAspiPort::State& aspi) {
    std::string targets;
    for (const AspiCall& call : aspi.calls)
        if (call.cdb[0] == kOpPlayAudioMsf)
            targets += static_cast<char>('0' + call.target);
    return targets;
}

} // namespace

TEST_CASE("the window's gap play uses the map the worker repaired") {
    {
        PlayerFixture f;
        f.setup.aspiMap.set("E");
        std::vector<std::string> saved;
        f.setup.saveAspiMap = [&](const std::string& map) { saved.push_back(map); };
        driveAtSecondRow(f);
        TransportFixture t;
        // Built at start, before the worker has read a disc.
        t.commands.setDirectPlay(scsiDirectPlay(*f.drive.scsi, f.setup.drive, f.setup.aspiMap));

        f.startWithDisc(3);
        CHECK(f.setup.aspiMap.get() == "_E");
        CHECK(saved == std::vector<std::string>{"_E"});

        DiscInfo gap = audioDisc(3);
        gap.trackList.entry(1)->start = makeMsf(0, 4, 0);
        t.useDisc(gap, kMciModePlay, 1);
        t.commands.previousTrack();
        CHECK(playTargets(f.drive.aspi) == "1");

        // The next disc is found where the map says: nothing to save.
        f.engine->handle(kReopenEvent);
        f.engine->handle(kPlayerWaitTimeout); // poll
        f.engine->handle(kPlayerWaitTimeout); // TOC read
        CHECK(f.engine->flags().wantToc == 0);
        CHECK(saved.size() == 1);
    }
}
