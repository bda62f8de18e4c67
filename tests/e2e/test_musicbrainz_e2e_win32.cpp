// The MusicBrainz lookup of the real rubo.exe against the local stand-in
// (scripts/with-musicbrainz-server, plain http): a disc without text named
// by itself, one taken out during its lookup, and the freedb button's menu
// of two releases.
#include <doctest.h>

#include "base/text_format.h"
#include "e2e_steps_win32.h"
#include "musicbrainz/winhttp_transport_win32.h"

#include <windows.h>

#include <filesystem>
#include <string>

using namespace rubo;
using namespace rubo::test;

namespace {

// The stand-in knows this disc: two releases, the earlier (2001) first.
constexpr const char kKnownDisc[] = "no-cdtext.disc";
constexpr const char kEarlierRelease[] = "Odile Brankov & Marrow Street Band - Night Ferry   ";
constexpr const char kLaterRelease[] = "Night Ferry (Deluxe Edition)";

std::string standIn() {
    return environmentText("RUBO_MUSICBRAINZ_HTTP");
}

bool standInGiven() {
    if (!standIn().empty())
        return true;
    MESSAGE("skipped: no MusicBrainz stand-in (run through scripts/with-musicbrainz-server)");
    return false;
}

// Sets the stand-in's switches through its own /control.
void controlStandIn(const std::string& switches) {
    HttpRequest request;
    request.url = standIn() + "/control?" + switches;
    request.connectTimeoutMs = request.receiveTimeoutMs = 5000;
    request.maxBodyBytes = 4096;
    WinHttpTransport transport;
    REQUIRE(transport.get(request).status == 200);
}

std::string discFile(const char* name) {
    return (std::filesystem::path(environmentText("VDRIVE_TEST_DISC")).parent_path() / name)
        .string();
}

void insert(const char* name) {
    REQUIRE(driveControl("spinup 0") == 0);
    REQUIRE(driveControl("insert " + discFile(name)) == 0);
}

std::string lookupOptions(bool newDiscs, bool first) {
    return formatText("LookupNewDiscs=%d\r\nMusicBrainzFirst=%d\r\nMusicBrainzServer=%s\r\n",
                      newDiscs ? 1 : 0, first ? 1 : 0, standIn().c_str());
}

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("rubo.exe: a disc no source knows is named from MusicBrainz without a click; "
              "one taken out during its lookup keeps nothing") {
        REQUIRE_FALSE(ruboExe().empty());
        if (!standInGiven())
            return;
        controlStandIn("delay_ms=3000");
        insert(kKnownDisc);
        Scratch scratch(lookupOptions(true, false));
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        HWND main = waitMainWindow(rubo);
        REQUIRE(main != nullptr);
        expectDisplay(rubo, "Looking the CD up", kDiscTimeoutMs);
        screenshot(main, "musicbrainz-looking");

        // Out before the answer: the answer that comes is dropped.
        REQUIRE(driveControl("open") == 0);
        expectDisplay(rubo, "no disc");
        expectLog(rubo, "M : Got MusicBrainz data: 2 release(s)");

        // Back in: a new lookup starts once the dropped answer is taken.
        insert(kKnownDisc);
        expectDisplay(rubo, "Looking the CD up", kDiscTimeoutMs);
        CHECK_FALSE(contains(rubo.readFile("RUBO.ini"), "Night Ferry"));
        expectDisplay(rubo, kEarlierRelease, kDiscTimeoutMs);
        expectDisplay(rubo, "[1]  Caf");
        screenshot(main, "musicbrainz-named");
        const std::string ini = rubo.readFile("RUBO.ini");
        INFO("RUBO.ini: " << ini);
        CHECK(contains(ini, "Artist=Odile Brankov & Marrow Street Band\r\n"));
        CHECK(contains(ini, "Title=Night Ferry\r\n"));
        CHECK(contains(ini, "Year=2001\r\n"));
        closeAndCheck(rubo);
    }

    TEST_CASE("rubo.exe: the freedb button asks MusicBrainz first and offers its two releases") {
        REQUIRE_FALSE(ruboExe().empty());
        if (!standInGiven())
            return;
        controlStandIn("delay_ms=0");
        insert(kKnownDisc);
        Scratch scratch(lookupOptions(false, true));
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        HWND main = waitMainWindow(rubo);
        REQUIRE(main != nullptr);
        expectDisplay(rubo, "[1]  Track 1", kDiscTimeoutMs);

        REQUIRE(rubo.click(IDC_FREEDB, true));
        HWND menu = waitMatchMenu(rubo);
        screenshot(main, "musicbrainz-releases");
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
        expectDisplay(rubo, kLaterRelease);
        const std::string ini = rubo.readFile("RUBO.ini");
        INFO("RUBO.ini: " << ini);
        CHECK(contains(ini, "Title=Night Ferry (Deluxe Edition)\r\n"));
        CHECK(contains(ini, "Year=2004\r\n"));
        CHECK_FALSE(contains(rubo.readFile("rubo.log"), "M : Getting Freedb data"));
        closeAndCheck(rubo);
    }

    TEST_CASE("rubo.exe: Edit CD info imports a CD stub from MusicBrainz and saves it") {
        REQUIRE_FALSE(ruboExe().empty());
        if (!standInGiven())
            return;
        controlStandIn("delay_ms=0");
        insert("hidden-pregap.disc");
        Scratch scratch(lookupOptions(false, false));
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        REQUIRE(waitMainWindow(rubo) != nullptr);
        expectDisplay(rubo, "[1]  Track 1", kDiscTimeoutMs);

        HWND dialog = openEditDialog(rubo);
        REQUIRE(PostMessageA(GetDlgItem(dialog, IDC_EI_IMPORT_MUSICBRAINZ), BM_CLICK, 0, 0));
        // The stub's "Ensemble \u010Ctvrtek": the code page has no \u010C.
        HWND artist = findControl(dialog, IDC_EI_ARTIST);
        CHECK(waitUntil([&] { return RuboProcess::windowText(artist) == "Ensemble ?tvrtek"; },
                        kDiscTimeoutMs));
        CHECK(RuboProcess::windowText(findControl(dialog, IDC_EI_TITLE)) == "Hidden Rooms");
        screenshot(dialog, "edit-info-musicbrainz");
        REQUIRE(PostMessageA(GetDlgItem(dialog, IDC_EI_SAVE), BM_CLICK, 0, 0));
        expectDisplay(rubo, "Ensemble ?tvrtek - Hidden Rooms");
        expectDisplay(rubo, "[1]  Anteroom");
        const std::string ini = rubo.readFile("RUBO.ini");
        INFO("RUBO.ini: " << ini);
        CHECK(contains(ini, "Artist=Ensemble ?tvrtek\r\nTitle=Hidden Rooms\r\n"));
        CHECK(contains(ini, "1=Anteroom\r\n"));
        closeAndCheck(rubo);
    }
}
