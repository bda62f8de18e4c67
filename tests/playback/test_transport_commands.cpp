#include <doctest.h>

#include "drive/fake_scsi.h"
#include "transport_fixture.h"

using namespace rubo;
using namespace rubo::test;

using Lines = std::vector<std::string>;

namespace {

using Op = void (TransportCommands::*)();

// Audio 1, data 2, audio 3, data 4 (an enhanced disc with a data gap).
DiscInfo enhancedDisc() {
    return makeDisc({{1, makeMsf(0, 2, 0), makeMsf(3, 0, 0), "A"},
                     {0, makeMsf(3, 2, 0), makeMsf(1, 0, 0), "Data 1"},
                     {1, makeMsf(4, 2, 0), makeMsf(3, 0, 0), "B"},
                     {0, makeMsf(7, 2, 0), makeMsf(20, 0, 0), "Data 2"}});
}

// Data 1, audio 2.
DiscInfo dataFirstDisc() {
    return makeDisc({{0, makeMsf(0, 2, 0), makeMsf(9, 0, 0), "Data"},
                     {1, makeMsf(9, 2, 0), makeMsf(3, 0, 0), "Song"}});
}

// Audio 1-2 plus an audio title entry 3 beyond the disc's tracks.
DiscInfo discWithExtraEntry() {
    DiscInfo disc = audioDisc(2);
    TrackEntry extra;
    extra.number = 3;
    extra.audio = 1;
    disc.trackList.store(3, extra);
    return disc;
}

struct OpCase {
    const char* what;
    Op op;
    DiscInfo disc;
    std::uint32_t mode;
    int current;
    int expectedCurrent;
    Lines journal; // empty: no request, no event
    const char* log;
};

const Lines kPlay1 = playJournal(makeTmsf(1, 0, 0, 0));
const Lines kPlay2 = playJournal(makeTmsf(2, 0, 0, 0));
const Lines kPlay3 = playJournal(makeTmsf(3, 0, 0, 0));
const Lines kNone = {};

} // namespace

TEST_CASE("each command's request, events, current track and log line") {
    const Op prev = &TransportCommands::previousTrack;
    const Op next = &TransportCommands::nextTrack;
    const DiscInfo five = audioDisc(5);
    const OpCase cases[] = {
        {"play", &TransportCommands::play, five, kMciModeStop, 3, 3, kPlay3, "M : Button PLAY"},
        {"pause",
         &TransportCommands::pausePlay,
         five,
         kMciModePlay,
         3,
         3,
         {"set 2", "busy"},
         "M : Button PAUSE"},
        {"stop",
         &TransportCommands::stopPlay,
         five,
         kMciModePlay,
         3,
         3,
         {"set 3", "busy"},
         "M : Button STOP"},
        {"tray",
         &TransportCommands::tray,
         five,
         kMciModeStop,
         3,
         3,
         {"set 4", "busy"},
         "M : Button TRAY"},
        {"prev stopped", prev, five, kMciModeStop, 3, 2, kNone, "M : Button PREV"},
        {"prev playing", prev, five, kMciModePlay, 3, 2, kPlay2, "M : Button PREV"},
        {"prev paused", prev, five, kMciModePause, 3, 2, kNone, "M : Button PREV"},
        {"prev over data", prev, enhancedDisc(), kMciModeStop, 4, 3, kNone, "M : Button PREV"},
        {"prev data below", prev, enhancedDisc(), kMciModeStop, 3, 1, kNone, "M : Button PREV"},
        {"prev data only below", prev, dataFirstDisc(), kMciModeStop, 2, 2, kNone,
         "M : Button PREV"},
        {"prev data only below playing", prev, dataFirstDisc(), kMciModePlay, 2, 2, kPlay2,
         "M : Button PREV"},
        {"prev track 1 stopped", prev, five, kMciModeStop, 1, 1, kNone, "M : Button PREV"},
        {"prev track 1 playing", prev, five, kMciModePlay, 1, 1, kPlay1, "M : Button PREV"},
        {"next stopped", next, enhancedDisc(), kMciModeStop, 1, 3, kNone, "M : Button NEXT"},
        {"next last audio stopped", next, enhancedDisc(), kMciModeStop, 3, 3, kNone,
         "M : Button NEXT"},
        {"next last audio playing", next, enhancedDisc(), kMciModePlay, 3, 3, kPlay3,
         "M : Button NEXT"},
        {"next last playing", next, audioDisc(2), kMciModePlay, 2, 2, kPlay2, "M : Button NEXT"},
        {"next extra entry", next, discWithExtraEntry(), kMciModeStop, 2, 2, kNone,
         "M : Button NEXT"},
        {"prev current 0", prev, five, kMciModePlay, 0, 0, kNone, "M : Button PREV"},
        {"prev current 6", prev, five, kMciModePlay, 6, 6, kNone, "M : Button PREV"},
        {"next current 0", next, five, kMciModePlay, 0, 0, kNone, "M : Button NEXT"},
        {"next current 255", next, five, kMciModePlay, 255, 255, kNone, "M : Button NEXT"},
    };
    for (const OpCase& c : cases) {
        CAPTURE(c.what);
        TransportFixture f;
        f.useDisc(c.disc, c.mode, c.current);
        f.shared.playRequest = makeTmsf(9, 1, 2, 3);
        (f.commands.*c.op)();
        CHECK(f.current() == c.expectedCurrent);
        CHECK(f.journal() == c.journal);
        if (c.journal.empty() || c.journal.size() == 2)
            CHECK(f.shared.playRequest == makeTmsf(9, 1, 2, 3));
        CHECK(f.logLines() == Lines{c.log});
    }
}

TEST_CASE("previous goes to the previous track wherever play is within the track") {
    for (PackedTmsf at : {makeTmsf(3, 0, 0, 0), makeTmsf(3, 0, 1, 40), makeTmsf(3, 2, 30, 0)}) {
        CAPTURE(at);
        TransportFixture f;
        f.useDisc(audioDisc(5), kMciModePlay, 3);
        f.shared.trackPosition = at;
        f.shared.absolutePosition = makeMsf(8, 2 + tmsfSeconds(at), 0);
        f.commands.previousTrack();
        CHECK(f.current() == 2);
        CHECK(f.journal() == kPlay2);
    }
}

TEST_CASE("previous on track 1 with a gap before it plays the gap while playing") {
    DiscInfo disc = audioDisc(3);
    disc.trackList.entry(1)->start = makeMsf(0, 2, 1);
    TransportFixture f;
    std::vector<std::pair<PackedMsf, PackedMsf>> played;
    f.commands.setDirectPlay([&](PackedMsf s, PackedMsf e) { played.emplace_back(s, e); });

    f.useDisc(disc, kMciModeStop, 1);
    f.commands.previousTrack();
    f.view.uiMode = kMciModePause;
    f.commands.previousTrack();
    CHECK(played.empty());

    f.view.uiMode = kMciModePlay;
    f.commands.previousTrack();
    REQUIRE(played.size() == 1);
    CHECK(played[0].first == makeMsf(0, 2, 0));
    CHECK(played[0].second == makeMsf(12, 2, 0));
    CHECK(f.current() == 1);
    CHECK(f.journal().empty());
    CHECK(f.logLines() == Lines{"M : Button PREV", "M : Button PREV", "M : Button PREV"});
}

TEST_CASE("the gap is played through SCSI PLAY AUDIO MSF up to the lead-out") {
    TransportFixture f;
    FakeSystemInfo system;
    std::vector<SptiCall> calls;
    ScsiAccess scsi(std::make_unique<FakeSptiPort>(
                        calls, [](const Cdb&, std::uint8_t*, std::uint32_t) { return true; }),
                    nullptr, system, f.log);
    DiscInfo disc = audioDisc(2);
    disc.trackList.entry(1)->start = makeMsf(0, 4, 0);
    disc.trackList.leadOut = msfToFrames(makeMsf(70, 59, 74));
    SharedAspiMap noMap;
    f.commands.setDirectPlay(scsiDirectPlay(scsi, "E:", noMap));
    f.useDisc(disc, kMciModePlay, 1);
    f.commands.previousTrack();
    REQUIRE(calls.size() == 1);
    const Cdb& cdb = calls[0].cdb;
    CHECK(calls[0].path.find("E:") != std::string::npos);
    CHECK(cdb[0] == 0x47);
    CHECK(cdb[3] == 0);
    CHECK(cdb[4] == 2);
    CHECK(cdb[5] == 0);
    CHECK(cdb[6] == 70);
    CHECK(cdb[7] == 59);
    CHECK(cdb[8] == 74);
}

TEST_CASE("a track menu choice plays that track in any mode") {
    for (std::uint32_t mode : {kMciModeStop, kMciModePause, kMciModePlay}) {
        TransportFixture f;
        f.useDisc(audioDisc(5), mode, 1);
        f.window.menuAnswer = 0x9100 + 4;
        f.commands.trackMenu();
        CHECK(f.journal() == playJournal(makeTmsf(4, 0, 0, 0)));
        CHECK(f.current() == 1);
        REQUIRE(f.window.menus.size() == 1);
        CHECK(f.window.menus[0].items.size() == 5);
        CHECK(f.window.menus[0].defaultPosition == 0);
        CHECK(f.logLines() == Lines{"M : Tracks button"});
    }
}

TEST_CASE("a dismissed menu or a choice outside the track array does nothing") {
    for (int answer : {0, 0x9100, 0x9100 + 6, 0x9100 + 255, 0x90FF, -1}) {
        CAPTURE(answer);
        TransportFixture f;
        f.useDisc(audioDisc(5), kMciModePlay, 2);
        f.shared.playRequest = makeTmsf(7, 0, 0, 0);
        f.window.menuAnswer = answer;
        f.commands.trackMenu();
        CHECK(f.journal().empty());
        CHECK(f.shared.playRequest == makeTmsf(7, 0, 0, 0));
        CHECK(f.logLines() == Lines{"M : Tracks button"});
    }
}

TEST_CASE("a click on the progress bar requests that point of the current track") {
    struct Case {
        int perMille;
        PackedTmsf request;
    };
    for (const Case& c : {Case{0, makeTmsf(2, 0, 0, 0)}, Case{500, makeTmsf(2, 2, 0, 0)},
                          Case{1000, makeTmsf(2, 4, 0, 0)}, Case{333, makeTmsf(2, 1, 19, 0)},
                          Case{-20, makeTmsf(2, 0, 0, 0)}, Case{1500, makeTmsf(2, 4, 0, 0)}}) {
        CAPTURE(c.perMille);
        TransportFixture f;
        f.useDisc(audioDisc(3), kMciModeStop, 2);
        f.commands.seekInTrack(c.perMille);
        CHECK(f.journal() == playJournal(c.request));
        CHECK(f.logLines().empty());
    }
}

TEST_CASE("a click uses the length of the current track in whole seconds") {
    DiscInfo disc = audioDisc(2);
    disc.trackList.entry(2)->length = makeMsf(61, 40, 74);
    TransportFixture f;
    f.useDisc(disc, kMciModePlay, 2);
    f.commands.seekInTrack(999);
    // 999 * 3700 s = 3696.3 s = 61:36.
    CHECK(f.shared.playRequest == makeTmsf(2, 61, 36, 0));
}

TEST_CASE("a click without a valid disc or a current track does nothing") {
    TransportFixture f;
    f.useDisc(audioDisc(3), kMciModeStop, 2);
    f.view.disc.valid = false;
    f.commands.seekInTrack(500);
    for (int current : {0, 4, 200}) {
        f.useDisc(audioDisc(3), kMciModePlay, current);
        f.commands.seekInTrack(500);
    }
    CHECK(f.journal().empty());
    CHECK(f.shared.playRequest == 0);
}

TEST_CASE("F5 re-opens the disc only in DevelopMode") {
    TransportFixture f;
    f.useDisc(audioDisc(3), kMciModeStop, 2);
    f.options.developMode = 0;
    f.commands.rereadDisc();
    CHECK(f.journal().empty());
    CHECK(f.logLines().empty());
    f.options.developMode = 1;
    f.commands.rereadDisc();
    CHECK(f.journal() == Lines{"set 5"});
    CHECK(f.logLines() == Lines{"M : Button F5"});
}

TEST_CASE("Ctrl+C puts the track list on the clipboard, a closed clipboard is left alone") {
    TransportFixture f;
    f.useDisc(audioDisc(2), kMciModeStop, 1);
    f.options.clipboardTracknrs = 0;
    f.commands.copyToClipboard();
    REQUIRE(f.window.clipboard.size() == 1);
    CHECK(f.window.clipboard[0] == "Artist\nAlbum\n\nSong 1\nSong 2\n");
    f.window.clipboardOpens = false;
    f.commands.copyToClipboard();
    CHECK(f.window.clipboard.size() == 1);
    CHECK(f.journal().empty());
    CHECK(f.logLines().empty());
}
