#include <doctest.h>

#include "playback/transport_texts.h"
#include "transport_fixture.h"

#include <string>

using namespace rubo;
using namespace rubo::test;

namespace {

// Audio "Rock & Roll" 3:25, data "Data", audio "R&&B" 12:05.
DiscInfo mixedDisc() {
    return makeDisc({{1, makeMsf(0, 2, 0), makeMsf(3, 25, 10), "Rock & Roll"},
                     {0, makeMsf(3, 27, 10), makeMsf(40, 0, 0), "Data"},
                     {1, makeMsf(43, 27, 10), makeMsf(12, 5, 0), "R&&B"}});
}

} // namespace

TEST_CASE("track menu items: doubled ampersands, grayed data, ids from 0x9100") {
    DiscInfo disc = mixedDisc();
    disc.firstAudioTrack = 3;
    const TrackMenu menu = buildTrackMenu(disc, 0);
    REQUIRE(menu.items.size() == 3);
    CHECK(menu.items[0].text == "  1  Rock && Roll        \t  3:25");
    CHECK(menu.items[1].text == "  2  Data                \t  data");
    CHECK(menu.items[2].text == "  3  R&&&&B              \t 12:05");
    CHECK(menu.items[0].commandId == 37121);
    CHECK(menu.items[1].commandId == 37122);
    CHECK(menu.items[2].commandId == 37123);
    CHECK_FALSE(menu.items[0].grayed);
    CHECK(menu.items[1].grayed);
    CHECK_FALSE(menu.items[2].grayed);
    CHECK(menu.defaultPosition == 2);
}

TEST_CASE("track menu items with ShowStatus show start and length") {
    const TrackMenu menu = buildTrackMenu(mixedDisc(), 1);
    REQUIRE(menu.items.size() == 3);
    CHECK(menu.items[0].text == "  1  Rock && Roll        \t  0:02 -   3:25");
    CHECK(menu.items[1].text == "  2  Data                \t  data");
    CHECK(menu.items[2].text == "  3  R&&&&B              \t 43:27 -  12:05");
}

TEST_CASE("the menu lists title entries beyond the disc's tracks") {
    DiscInfo disc = mixedDisc();
    TrackEntry extra;
    extra.number = 4;
    extra.title = "Bonus";
    disc.trackList.store(4, extra);
    const TrackMenu menu = buildTrackMenu(disc, 0);
    REQUIRE(menu.items.size() == 4);
    CHECK(menu.items[3].commandId == 0x9100 + 4);
    CHECK(trackMenuChoice(disc, 0x9100 + 4) == 4);
    CHECK(trackMenuChoice(disc, 0x9100 + 5) == 0);
}

TEST_CASE("a long title is cut at the message limit") {
    DiscInfo disc = makeDisc({{1, makeMsf(0, 2, 0), makeMsf(1, 0, 0), std::string(700, '&')}});
    const TrackMenu menu = buildTrackMenu(disc, 0);
    REQUIRE(menu.items.size() == 1);
    CHECK(menu.items[0].text.size() == kMessageMaxChars);
    CHECK(menu.items[0].text.compare(0, 7, "  1  &&") == 0);
}

TEST_CASE("menu choices map to entries 1..last; no default item outside them") {
    DiscInfo disc = mixedDisc();
    for (int id : {0, 0x9100, 0x9104, 1002})
        CHECK(trackMenuChoice(disc, id) == 0);
    CHECK(trackMenuChoice(disc, 0x9101) == 1);
    CHECK(trackMenuChoice(disc, 0x9103) == 3);
    for (int current : {0, 4, 255}) {
        disc.firstAudioTrack = static_cast<std::uint8_t>(current);
        CHECK(buildTrackMenu(disc, 0).defaultPosition == -1);
    }
    CHECK(buildTrackMenu(DiscInfo{}, 0).items.empty());
}

TEST_CASE("clipboard text with and without track numbers, line feeds only") {
    std::vector<DiscTrack> tracks;
    for (int i = 1; i <= 10; ++i)
        tracks.push_back({1, makeMsf(i, 2, 0), makeMsf(1, 0, 0), formatText("T&%d", i)});
    DiscInfo disc = makeDisc(tracks);
    disc.artist = "Band";
    disc.title = "Record";
    const std::string plain = clipboardText(disc, 0);
    const std::string numbered = clipboardText(disc, 1);
    CHECK(plain == "Band\nRecord\n\nT&1\nT&2\nT&3\nT&4\nT&5\nT&6\nT&7\nT&8\nT&9\nT&10\n");
    CHECK(numbered == "Band\nRecord\n\n 1 T&1\n 2 T&2\n 3 T&3\n 4 T&4\n 5 T&5\n 6 T&6\n"
                      " 7 T&7\n 8 T&8\n 9 T&9\n10 T&10\n");
    CHECK(numbered.find('\r') == std::string::npos);
}

TEST_CASE("clipboard text stops at trackCount and at the end of the array") {
    DiscInfo disc = mixedDisc();
    TrackEntry extra;
    extra.title = "Bonus";
    disc.trackList.store(4, extra);
    CHECK(clipboardText(disc, 1) == "Artist\nAlbum\n\n 1 Rock & Roll\n 2 Data\n 3 R&&B\n");
    disc.trackList.trackCount = 9;
    CHECK(clipboardText(disc, 0) == "Artist\nAlbum\n\nRock & Roll\nData\nR&&B\nBonus\n");
    DiscInfo none;
    CHECK(clipboardText(none, 1) == "?\n?\n\n");
}
