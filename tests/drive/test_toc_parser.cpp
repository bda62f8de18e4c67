#include <doctest.h>

#include "drive/toc_parser.h"
#include "fake_scsi.h"

using namespace rubo;
using namespace rubo::test;

namespace {

ByteSpan spanOf(const std::vector<std::uint8_t>& v) {
    return ByteSpan{v.data(), v.size()};
}

// The device's list of a two-track disc (MSF values as MCI gives them).
TrackList deviceTwoTracks() {
    TrackList list;
    list.trackCount = 2;
    list.store(1, TrackEntry{1, "", "", makeMsf(9, 58, 0), makeMsf(0, 2, 0), 1});
    list.store(2, TrackEntry{2, "", "", makeMsf(10, 0, 0), makeMsf(10, 0, 0), 1});
    list.leadOut = 90001;
    return list;
}

// Tracks 1 and 2 audio, track 3 data at 32:00:00, lead-out 40:00:00.
std::vector<std::uint8_t> threeTrackToc() {
    return buildToc(1, {{0, 2, 0}, {10, 0, 0}, {32, 0, 0, 4}}, {40, 0, 0});
}

} // namespace

TEST_CASE("format-0 TOC: match against the device's list") {
    const TrackList device = deviceTwoTracks();
    SUBCASE("same starts and more tracks in the TOC match") {
        CHECK(tocMatches(spanOf(threeTrackToc()), device));
    }
    SUBCASE("a start one frame off does not match") {
        auto toc = buildToc(1, {{0, 2, 0}, {10, 0, 1}}, {20, 0, 0});
        CHECK_FALSE(tocMatches(spanOf(toc), device));
    }
    SUBCASE("a TOC with fewer tracks does not match") {
        auto toc = buildToc(1, {{0, 2, 0}}, {10, 0, 0});
        CHECK_FALSE(tocMatches(spanOf(toc), device));
    }
}

TEST_CASE("format-0 TOC: extending the device's list") {
    SUBCASE("a data track the device did not report is added") {
        TrackList list = deviceTwoTracks();
        extendFromToc(spanOf(threeTrackToc()), list);
        REQUIRE(list.trackCount == 3);
        CHECK(list.leadOut == 40 * 4500);
        const TrackEntry* t3 = list.entry(3);
        REQUIRE(t3);
        CHECK(t3->number == 3);
        CHECK(t3->start == makeMsf(32, 0, 0));
        CHECK(t3->length == makeMsf(8, 0, 0));
        CHECK(t3->audio == 0);
        CHECK(list.entry(2)->length == makeMsf(10, 0, 0)); // device values kept
    }
    SUBCASE("the same track count changes nothing") {
        TrackList list = deviceTwoTracks();
        extendFromToc(spanOf(buildToc(1, {{0, 2, 0}, {10, 0, 0}}, {20, 0, 0})), list);
        CHECK(list.trackCount == 2);
        CHECK(list.leadOut == 90001);
    }
    SUBCASE("fewer tracks in the TOC: count and lead-out from the TOC, no entry added") {
        TrackList list = deviceTwoTracks();
        extendFromToc(spanOf(buildToc(1, {{0, 2, 0}}, {10, 0, 0})), list);
        CHECK(list.trackCount == 1);
        CHECK(list.leadOut == 45000);
        CHECK(list.entryCount() == 3);
    }
}

TEST_CASE("hostile format-0 responses stay within the buffer") {
    SUBCASE("last track 200 in an 804-byte response: descriptor 99 is the last one read") {
        std::vector<TocTrack> tracks;
        for (int i = 0; i < 99; ++i)
            tracks.push_back({i / 2, (i % 2) * 30, 0});
        auto toc = buildToc(1, tracks, {60, 0, 0});
        REQUIRE(toc.size() == 804);
        toc[3] = 200;
        TrackList list = deviceTwoTracks();
        extendFromToc(spanOf(toc), list);
        CHECK(list.trackCount == 99);
        CHECK(list.leadOut == 60 * 4500);
        CHECK(list.entry(99)->start == makeMsf(49, 0, 0));
        CHECK(list.entry(99)->length == makeMsf(11, 0, 0));
        TrackList many;
        many.trackCount = 120;
        CHECK_FALSE(tocMatches(spanOf(toc), many));
    }
    SUBCASE("a response cut after two descriptors") {
        auto full = buildToc(1, {{0, 2, 0}, {1, 0, 0}, {2, 0, 0}}, {3, 0, 0});
        std::vector<std::uint8_t> cut(full.begin(), full.begin() + 20);
        TrackList list;
        extendFromToc(spanOf(cut), list);
        CHECK(list.trackCount == 1);
        CHECK(list.leadOut == 4500);
        CHECK(list.entry(1)->length == makeMsf(0, 58, 0));
    }
    SUBCASE("a response without a whole header") {
        std::vector<std::uint8_t> tiny{0, 2, 1, 9};
        TrackList list = deviceTwoTracks();
        extendFromToc(spanOf(tiny), list);
        CHECK(list.trackCount == 2);
        CHECK_FALSE(tocMatches(spanOf(tiny), list));
    }
}

TEST_CASE("full TOC: first-session parse") {
    TrackList list;
    parseFirstSession(spanOf(buildFullToc(1, 2, enhancedCdEntries())), list);
    REQUIRE(list.trackCount == 3);
    CHECK(list.leadOut == 135000);
    CHECK(list.entry(1)->start == makeMsf(0, 2, 0));
    CHECK(list.entry(1)->length == makeMsf(9, 58, 0));
    CHECK(list.entry(2)->length == makeMsf(10, 30, 15));
    CHECK(list.entry(3)->start == makeMsf(20, 30, 15));
    CHECK(list.entry(3)->length == makeMsf(9, 29, 60));
    CHECK(list.entry(3)->number == 3);
    CHECK(list.entry(3)->audio == 1);
    CHECK(list.entryCount() == 4); // the session-2 track is not stored
    CHECK(computeDiscId(list) == 0x0E070603u);
}

TEST_CASE("hostile full TOCs stay within the buffer") {
    SUBCASE("1104 bytes of track descriptors and a header claiming more") {
        std::vector<FullTocEntry> entries;
        for (int i = 0; i < 120; ++i)
            entries.push_back({1, 0x10, i % 99 + 1, i / 60, i % 60, 0});
        auto toc = buildFullToc(1, 1, entries);
        toc[0] = 0xFF;
        toc[1] = 0xFF;
        TrackList list;
        parseFirstSession(spanOf(toc), list);
        CHECK(list.trackCount == 99);
        CHECK(list.entry(1)->start == makeMsf(1, 39, 0)); // descriptor 99 overwrote track 1
    }
    SUBCASE("a buffer holding four whole descriptors and a part") {
        auto toc = buildFullToc(1, 1, enhancedCdEntries(), 55);
        TrackList list;
        parseFirstSession(spanOf(toc), list);
        CHECK(list.trackCount == 1);
        CHECK(list.leadOut == 135000);
        CHECK(sessionDumpText(spanOf(toc), 1).find("[ 4]") == std::string::npos);
    }
}

TEST_CASE("session dumps") {
    SUBCASE("session range with the non-empty descriptors") {
        std::vector<std::uint8_t> info(804, 0);
        info[2] = 1;
        info[3] = 2;
        const std::uint8_t d[] = {0, 0x14, 4, 0, 0, 32, 0, 0};
        std::copy(d, d + 8, info.begin() + 4);
        info[4 + 8 * 5] = 0x77; // byte 0 alone does not count
        CHECK(sessionRangeText(spanOf(info)) ==
              "Session range: 1..2\n\n  [ 0]  00 14 04 00 00 20 00 00\n\n\n");
    }
    SUBCASE("one session's full TOC") {
        auto entries = enhancedCdEntries();
        std::vector<FullTocEntry> second(entries.begin() + 8, entries.end());
        CHECK(sessionDumpText(spanOf(buildFullToc(1, 2, second)), 2) ==
              "Session 2  (range: 1..2)\n\n"
              "  [ 0]  02 10 00 A0 00 00 00 00 04 20 00   First track nr = 4,  disc type = 20\n"
              "  [ 1]  02 10 00 A1 00 00 00 00 04 00 00   Last  track nr = 4\n"
              "  [ 2]  02 10 00 A2 00 00 00 00 28 00 00   Lead-out         Start = 40:00 00\n"
              "  [ 3]  02 14 00 04 00 00 00 00 20 00 00   Track  4  data   Start = 32:00 00\n"
              "\n\n\n");
    }
    SUBCASE("skip intervals and unknown points") {
        auto toc = buildFullToc(1, 1,
                                {{1, 0x50, 0x01, 1, 2, 3, 4, 5, 6},
                                 {1, 0x30, 0x01, 0, 0, 0},
                                 {1, 0x00, 0x01, 0, 0, 0}});
        CHECK(sessionDumpText(spanOf(toc), 1) ==
              "Session 1  (range: 1..1)\n\n"
              "  [ 0]  01 50 00 01 04 05 06 00 01 02 03   Skip interval =  1:02 03  to   4:05 06\n"
              "  [ 1]  01 30 00 01 00 00 00 00 00 00 00\n"
              "\n\n\n");
    }
}

TEST_CASE("sub-channel position") {
    std::vector<std::uint8_t> r(16, 0);
    r[1] = 0x11;
    r[6] = 3;
    r[9] = 12;
    r[10] = 34;
    r[11] = 56;
    r[13] = 1;
    r[14] = 2;
    r[15] = 3;
    SUBCASE("playing") {
        SubChannelPosition p = parseSubChannel(spanOf(r));
        CHECK(p.track == 3);
        CHECK(p.absolute == makeMsf(12, 34, 56));
        CHECK(p.trackPosition == makeTmsf(3, 1, 2, 3));
    }
    SUBCASE("paused counts as well") {
        r[1] = 0x12;
        CHECK(parseSubChannel(spanOf(r)).track == 3);
    }
    SUBCASE("completed: all zero") {
        r[1] = 0x13;
        SubChannelPosition p = parseSubChannel(spanOf(r));
        CHECK(p.track == 0);
        CHECK(p.absolute == 0);
        CHECK(p.trackPosition == 0);
    }
    SUBCASE("a short response reads no further than its end") {
        std::vector<std::uint8_t> cut(r.begin(), r.begin() + 8);
        SubChannelPosition p = parseSubChannel(spanOf(cut));
        CHECK(p.track == 3);
        CHECK(p.absolute == 0);
    }
}
