#include <doctest.h>

#include "support/test_support.h"

#include "discinfo/disc_model.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

using namespace rubo;

namespace {

TrackList makeList(const std::vector<int>& startFrames, int leadOut) {
    TrackList list;
    for (std::size_t i = 0; i < startFrames.size(); ++i) {
        int number = static_cast<int>(i) + 1;
        REQUIRE(list.store(number, TrackEntry{number, "", "", 0, framesToMsf(startFrames[i]), 1}));
    }
    list.trackCount = static_cast<int>(startFrames.size());
    list.leadOut = leadOut;
    return list;
}

// Titles and extended texts of every entry, for one readable comparison.
std::string texts(const TrackList& list) {
    std::string out;
    for (const TrackEntry& e : list.tracks)
        out += e.title + "/" + e.extended + "|";
    return out;
}

std::string discText(const DiscInfo& i) {
    return i.artist + "|" + i.title + "|" + i.category + "|" + i.genre + "|" +
           std::to_string(i.year) + "|" + i.extendedDisc;
}

// valid origin entries/trackCount/leadOut hasAudio firstAudioTrack freedbState
// freedbRevision discId modified
std::string state(const DiscInfo& i) {
    std::ostringstream out;
    out << i.valid << ' ' << i.origin << ' ' << i.trackList.entryCount() << '/'
        << i.trackList.trackCount << '/' << i.trackList.leadOut << ' ' << i.hasAudio << ' '
        << int(i.firstAudioTrack) << ' ' << i.freedbState << ' ' << i.freedbRevision << ' '
        << i.discId << ' ' << i.modified;
    return out.str();
}

} // namespace

TEST_CASE("time conversions") {
    SUBCASE("packed layouts") {
        CHECK(makeMsf(71, 59, 74) == 0x004A3B47u);
        CHECK(makeTmsf(12, 3, 4, 5) == 0x0504030Cu);
        CHECK(tmsfToFrames(makeTmsf(99, 3, 4, 5)) == (3 * 60 + 4) * 75 + 5);
        const unsigned char address[4] = {0xFF, 72, 30, 12};
        CHECK(tocAddressToFrames(address) == (72 * 60 + 30) * 75 + 12);
        CHECK(deviceLeadOut(makeMsf(3, 0, 0), makeMsf(1, 0, 10)) == 4 * 4500 + 11);
    }
    SUBCASE("round trip, wrap and clamp") {
        CHECK(framesToMsf(150) == makeMsf(0, 2, 0));
        int mismatches = 0;
        for (int frames = 0; frames < 256 * 4500; frames += 37)
            mismatches += msfToFrames(framesToMsf(frames)) != frames;
        CHECK(mismatches == 0);
        CHECK(msfToFrames(framesToMsf(256 * 4500 - 1)) == 256 * 4500 - 1);
        CHECK(framesToMsf(300 * 4500 + 3 * 75 + 4) == makeMsf(44, 3, 4));
        CHECK(framesToMsf(-1) == 0u);
    }
}

TEST_CASE("computeDiscId") {
    SUBCASE("one track of one minute") {
        DiscId id = computeDiscId(makeList({150}, 150 + 75 * 60));
        CHECK(id == 0x02003C01u);
        CHECK(discIdText(id) == "2003C01");
        CHECK(discIdText(0xFFFFFFFFu) == "FFFFFFFF");
    }
    SUBCASE("no tracks") {
        TrackList list = makeList({150, 20000}, 40000);
        list.trackCount = 0;
        CHECK(computeDiscId(list) == 0u);
        list.trackCount = -3;
        CHECK(computeDiscId(list) == 0u);
    }
    SUBCASE("frames ignored, digit sum wraps at 255") {
        // 8 tracks at 9999 s: digit sum 8 * 36 = 288 -> 33.
        TrackList list = makeList(std::vector<int>(8, 9999 * 75 + 74), 10000 * 75);
        CHECK(computeDiscId(list) == ((33u << 24) | (1u << 8) | 8u));
        list.entry(1)->start = makeMsf(0, 2, 200);
        CHECK(computeDiscId(list) == ((254u << 24) | (9998u << 8) | 8u));
    }
    SUBCASE("odd lists") {
        TrackList list = makeList({150 + 75 * 12}, 75 * 100);
        list.trackCount = 3; // tracks 2 and 3 missing: start 0
        CHECK(computeDiscId(list) == ((5u << 24) | (86u << 8) | 3u));
        CHECK(computeDiscId(makeList({150}, 0)) == 0xFFFFFE01u); // negative span wraps
        list = makeList({}, 75 * 10);
        list.trackCount = 256; // the count is not masked
        CHECK(computeDiscId(list) == ((10u << 8) | 256u));
    }
}

TEST_CASE("track list storage") {
    TrackList list;
    CHECK(list.entry(0) == nullptr);
    REQUIRE(list.entryForStore(3) != nullptr);
    list.entry(3)->title = "three";
    CHECK(texts(list) == "/|/|/|three/|");
    CHECK(list.entry(4) == nullptr);
    CHECK(list.entry(-1) == nullptr);
    CHECK(list.entryForStore(-1) == nullptr);
    CHECK_FALSE(list.store(TrackList::kMaxIndex + 1, TrackEntry{}));
    CHECK(list.entryCount() == 4);
}

TEST_CASE("disc text defaults") {
    DiscInfo info;
    info.trackList = makeList({150, 9000}, 20000);
    info.trackList.store(4, TrackEntry{0, "extra", "x", 0, 0, 0});
    info.trackList.entry(1)->extended = "ext";
    info.valid = true;
    info.origin = OriginFreedb;
    info.discId = 0x1234;
    info.artist = "A";
    info.category = "rock";
    info.genre = "Rock";
    info.year = 1999;
    info.extendedDisc = "notes";

    SUBCASE("clearDiscText keeps the extra entries") {
        clearDiscText(info);
        CHECK(discText(info) == "?|?|misc||0|");
        CHECK(texts(info.trackList) == "/|Track 1/|Track 2/|/|extra/x|");
        CHECK(state(info) == "1 3 5/2/20000 0 0 1 0 4660 1");
        CHECK(info.trackList.entry(2)->start == framesToMsf(9000));
    }
    SUBCASE("titles stay inside the array") {
        info.trackList.trackCount = 20;
        setDefaultTitles(info.trackList);
        CHECK(texts(info.trackList) == "/|Track 1/|Track 2/|Track 3/|Track 4/|");
    }
    SUBCASE("resetDiscInfo") {
        info.freedbState = kFreedbStateFound;
        info.freedbRevision = 3;
        info.modified = 0;
        info.hasAudio = true;
        info.firstAudioTrack = 2;
        resetDiscInfo(info);
        CHECK(discText(info) == "?|?|misc||0|");
        CHECK(state(info) == "0 0 0/0/0 0 0 1 0 0 1");
    }
}

TEST_CASE("findFirstAudioTrack") {
    DiscInfo info;
    info.trackList = makeList({150, 30000, 60000}, 90000);
    info.firstAudioTrack = 9;
    SUBCASE("data track first") {
        info.trackList.entry(1)->audio = 0;
        findFirstAudioTrack(info);
        CHECK(int(info.firstAudioTrack) == 2);
        CHECK(info.hasAudio);
    }
    SUBCASE("no audio keeps hasAudio") {
        for (int k = 1; k <= 3; ++k)
            info.trackList.entry(k)->audio = 0;
        info.hasAudio = true;
        findFirstAudioTrack(info);
        CHECK(int(info.firstAudioTrack) == 3);
        CHECK(info.hasAudio);
        info.hasAudio = false;
        info.trackList.trackCount = 5; // tracks 4 and 5 missing: not audio
        findFirstAudioTrack(info);
        CHECK(int(info.firstAudioTrack) == 5);
        CHECK_FALSE(info.hasAudio);
        info.trackList.trackCount = 0;
        findFirstAudioTrack(info);
        CHECK(int(info.firstAudioTrack) == 0);
    }
}

TEST_CASE("originName") {
    const char* names[] = {"Unknown", "Edit",         "CD TEXT",  "freedb",
                           "?",       "cdplayer.ini", "rubo.ini", "MusicBrainz"};
    for (int value = 0; value < 8; ++value)
        CHECK(std::string(originName(static_cast<DiscOrigin>(value))) == names[value]);
    for (int value : {8, -1, 1000})
        CHECK(std::string(originName(static_cast<DiscOrigin>(value))) == "?");
}

TEST_CASE("disc ids of known discs") {
    std::string path = test::sharedTestData("discids/known_discids.md");
    if (path.empty()) {
        MESSAGE("skipped: shared disc id table not present");
        return;
    }
    auto isNumber = [](const std::string& s) {
        return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
    };
    std::ifstream in(path);
    int rows = 0;
    for (std::string line; std::getline(in, line);) {
        // | # | disc | n | offsets | lead-out | length (s) | `id` | ...
        std::vector<std::string> c;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '|');) {
            std::size_t b = cell.find_first_not_of(' ');
            c.push_back(
                b == std::string::npos ? "" : cell.substr(b, cell.find_last_not_of(' ') - b + 1));
        }
        if (c.size() < 8 || !isNumber(c[1]) || !isNumber(c[3]))
            continue;
        INFO("row " << c[1] << ": " << c[2]);
        std::vector<int> offsets;
        std::istringstream list(c[4]);
        for (int frames; list >> frames;)
            offsets.push_back(frames);
        REQUIRE(offsets.size() == std::strtoul(c[3].c_str(), nullptr, 10));
        REQUIRE(isNumber(c[6]));
        int leadOut = isNumber(c[5]) ? std::atoi(c[5].c_str()) : std::atoi(c[6].c_str()) * 75;
        std::size_t open = c[7].find('`');
        std::size_t close = c[7].rfind('`');
        REQUIRE(close > open + 1);
        auto stated = std::strtoul(c[7].substr(open + 1, close - open - 1).c_str(), nullptr, 16);
        CHECK(computeDiscId(makeList(offsets, leadOut)) == stated);
        ++rows;
    }
    CHECK(rows > 30);
}
