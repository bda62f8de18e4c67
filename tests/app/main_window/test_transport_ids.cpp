#include <doctest.h>

#include "app/main_window/transport_ids.h"
#include "playback/transport_fixture.h"

#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

using Lines = std::vector<std::string>;

TEST_CASE("each transport control has its dialog control") {
    struct Case {
        TransportControl control;
        int id;
    };
    for (const Case& c :
         {Case{TransportControl::Prev, 1000}, Case{TransportControl::Next, 1001},
          Case{TransportControl::Play, 1002}, Case{TransportControl::Stop, 1003},
          Case{TransportControl::Pause, 1004}, Case{TransportControl::Eject, 1005},
          Case{TransportControl::Freedb, 1006}, Case{TransportControl::Tracks, 1008},
          Case{TransportControl::Edit, 1089}}) {
        CAPTURE(c.id);
        CHECK(transportControlId(c.control) == c.id);
    }
}

TEST_CASE("dispatch maps buttons, Tiny codes, tray items and accelerators") {
    struct Case {
        int id;
        Lines journal;
    };
    const Lines play = playJournal(makeTmsf(2, 0, 0, 0));
    const Lines pause = {"set 2", "busy"};
    const Lines stop = {"set 3", "busy"};
    const Lines eject = {"set 4", "busy"};
    const Lines next = playJournal(makeTmsf(3, 0, 0, 0));
    const Lines prev = playJournal(makeTmsf(1, 0, 0, 0));
    for (const Case& c :
         {Case{1002, play}, Case{32782, play}, Case{1004, pause}, Case{32785, pause},
          Case{1003, stop}, Case{32783, stop}, Case{1005, eject}, Case{32788, eject},
          Case{1001, next}, Case{32787, next}, Case{1000, prev}, Case{32786, prev},
          Case{32777, {"set 5"}}, Case{32778, {}}, Case{57634, {}}, Case{1008, {}}}) {
        CAPTURE(c.id);
        TransportFixture f;
        f.options.developMode = 1;
        f.useDisc(audioDisc(3), kMciModePlay, 2);
        CHECK(dispatchTransportCommand(f.commands, c.id));
        CHECK(f.journal() == c.journal);
        CHECK(f.window.clipboard.size() == (c.id == 57634 ? 1u : 0u));
        CHECK(f.window.menus.size() == (c.id == 1008 ? 1u : 0u));
    }
    TransportFixture f;
    for (int id : {0, 1006, 1007, 1020, 1089, 32784})
        CHECK_FALSE(dispatchTransportCommand(f.commands, id));
    CHECK(f.journal().empty());
}
