#include <doctest.h>

#include "drive/drive_readers.h"
#include "drive_fixture.h"
#include "fake_cd_audio_device.h"

#include <thread>

using namespace rubo;
using namespace rubo::test;

namespace {

std::vector<std::uint8_t> sessionInfo(int first, int last) {
    std::vector<std::uint8_t> info(804, 0);
    info[2] = static_cast<std::uint8_t>(first);
    info[3] = static_cast<std::uint8_t>(last);
    const std::uint8_t d[] = {0, 0x14, 4, 0, 0, 32, 0, 0};
    std::copy(d, d + 8, info.begin() + 4);
    return info;
}

// The enhanced CD as the drive answers it.
struct EnhancedDrive {
    bool fullTocWorks = true;
    int firstTrack = 1;
    bool operator()(const Cdb& c, std::uint8_t* b, std::uint32_t n) const {
        const auto both = enhancedCdEntries();
        return answerToc(c, b, n, 1, sessionInfo(1, 2)) ||
               (fullTocWorks && answerToc(c, b, n, 2, buildFullToc(1, 2, both), 0)) ||
               answerToc(c, b, n, 2, buildFullToc(1, 2, both), 1) ||
               answerToc(c, b, n, 2, buildFullToc(1, 2, enhancedSessionTwo()), 2) ||
               answerToc(c, b, n, 0,
                         buildToc(firstTrack, {{0, 2, 0}, {10, 0, 0}, {20, 30, 15}, {32, 0, 0, 4}},
                                  {40, 0, 0}));
    }
};

// The CD-audio device reports the three audio tracks.
void deviceTracks(FakeCdAudioDevice& device) {
    device.setStatus(kMciStatusNumberOfTracks, 3);
    device.tracks = {{makeMsf(0, 2, 0), makeMsf(9, 58, 0)},
                     {makeMsf(10, 0, 0), makeMsf(10, 30, 15)},
                     {makeMsf(20, 30, 15), makeMsf(9, 29, 59)}};
}

int formatCalls(const std::vector<SptiCall>& calls, int format) {
    int n = 0;
    for (const auto& c : calls)
        n += (c.cdb[0] == 0x43 && c.cdb[2] == format) ? 1 : 0;
    return n;
}

} // namespace

TEST_CASE("track list of an enhanced CD") {
    DriveFixture f;
    EnhancedDrive drive;
    FakeCdAudioDevice device;
    deviceTracks(device);
    TrackList list;
    std::string map;

    SUBCASE("multisession detection on: the first session only") {
        f.spti = drive;
        CHECK(readTrackList("D:", map, device, f.make(), 1, list) == 1);
        CHECK(list.trackCount == 3);
        CHECK(list.leadOut == 135000);
        CHECK(list.entry(3)->length == makeMsf(9, 29, 60));
        CHECK(computeDiscId(list) == 0x0E070603u);
        CHECK(device.calls.empty());
    }
    SUBCASE("full TOC failing: the device's list, no TOC extension") {
        drive.fullTocWorks = false;
        f.spti = drive;
        CHECK(readTrackList("D:", map, device, f.make(), 1, list) == 0);
        CHECK(list.trackCount == 3);
        CHECK(list.leadOut ==
              msfToFrames(makeMsf(20, 30, 15)) + msfToFrames(makeMsf(9, 29, 59)) + 1);
        CHECK(formatCalls(f.sptiCalls, 0) == 0);
    }
    SUBCASE("detection off: the device's list extended from the TOC") {
        f.spti = drive;
        CHECK(readTrackList("D:", map, device, f.make(), 0, list) == 0);
        CHECK(formatCalls(f.sptiCalls, 1) == 0);
        REQUIRE(list.trackCount == 4);
        CHECK(list.leadOut == 180000);
        CHECK(list.entry(4)->start == makeMsf(32, 0, 0));
        CHECK(list.entry(4)->audio == 0);
        CHECK(list.entry(3)->length == makeMsf(9, 29, 59));
        CHECK(device.countCalls("setTimeFormat 2") == 1);
        CHECK(device.calls.back() == "setTimeFormat 10");
    }
    SUBCASE("a TOC whose first track is not 1 is ignored on the pass-through path") {
        drive.firstTrack = 2;
        f.spti = drive;
        CHECK(readTrackList("D:", map, device, f.make(), 0, list) == 0);
        CHECK(list.trackCount == 3);
        CHECK(formatCalls(f.sptiCalls, 0) == 1);
    }
}

TEST_CASE("track list through ASPI: extension and map repair") {
    DriveFixture f;
    f.system.admin = false;
    f.aspiDrives(2);
    EnhancedDrive drive;
    f.aspi.responders[{0, 1, 0}] = drive;
    FakeCdAudioDevice device;
    deviceTracks(device);
    TrackList list;

    SUBCASE("found at a new row: map repaired, saving left to the caller") {
        std::string map = "D";
        CHECK(readTrackList("D:", map, device, f.make(), 0, list) == 0);
        CHECK(list.trackCount == 4);
        CHECK(map == "_D");
    }
    SUBCASE("found where the map says: nothing saved") {
        std::string map = "ED";
        CHECK(readTrackList("D:", map, device, f.make(), 0, list) == 0);
        CHECK(list.trackCount == 4);
        CHECK(map == "ED");
    }
}

TEST_CASE("pass-through TOC read falling back to ASPI") {
    DriveFixture f;
    f.aspiDrives(2);
    EnhancedDrive drive;
    f.aspi.responders[{0, 1, 0}] = drive;
    FakeCdAudioDevice device;
    deviceTracks(device);
    TrackList list;
    std::string map = "D";

    SUBCASE("the pass-through read fails") {
        f.spti = nullptr;
    }
    SUBCASE("the pass-through TOC starts at track 2") {
        EnhancedDrive late;
        late.firstTrack = 2;
        f.spti = late;
    }
    ScsiAccess& s = f.make();
    REQUIRE(s.usesSpti());
    CHECK(readTrackList("D:", map, device, s, 0, list) == 0);
    CHECK(formatCalls(f.sptiCalls, 0) == 1);
    REQUIRE(list.trackCount == 4);
    CHECK(list.entry(4)->audio == 0);
    CHECK(list.leadOut == 180000);
    CHECK(map == "_D");
}

TEST_CASE("Vista and later: the TOC through pass-through for every user, else through ASPI") {
    DriveFixture f;
    f.system.kind = kOsWindows10;
    f.system.admin = false;
    f.aspiDrives(2);
    EnhancedDrive drive;
    f.aspi.responders[{0, 1, 0}] = drive;
    FakeCdAudioDevice device;
    deviceTracks(device);
    TrackList list;
    std::string map = "D";

    SUBCASE("pass-through reaches the drive: ASPI is not asked") {
        f.spti = drive;
        CHECK(readTrackList("D:", map, device, f.make(), 0, list) == 0);
        CHECK(formatCalls(f.sptiCalls, 0) == 1);
        CHECK(f.aspi.calls.empty());
        CHECK(map == "D");
    }
    SUBCASE("pass-through fails: ASPI finds the drive and the map is repaired") {
        CHECK(readTrackList("D:", map, device, f.make(), 0, list) == 0);
        CHECK(formatCalls(f.sptiCalls, 0) == 1);
        CHECK_FALSE(f.aspi.calls.empty());
        CHECK(map == "_D");
    }
    REQUIRE(list.trackCount == 4);
    CHECK(list.entry(4)->audio == 0);
    CHECK(list.leadOut == 180000);
}

TEST_CASE("sessions.log of the enhanced CD") {
    DriveFixture f;
    f.spti = EnhancedDrive();
    ScsiAccess& s = f.make();
    SUBCASE("written when switched on") {
        s.setSessionLog(1);
        CHECK(readSessionInfo("D:", "", s));
        const std::string expected =
            "Session range: 1..2\n\n"
            "  [ 0]  00 14 04 00 00 20 00 00\n"
            "\n\n"
            "Session 1  (range: 1..2)\n\n"
            "  [ 0]  01 10 00 A0 00 00 00 00 01 20 00   First track nr = 1,  disc type = 20\n"
            "  [ 1]  01 10 00 A1 00 00 00 00 03 00 00   Last  track nr = 3\n"
            "  [ 2]  01 10 00 A2 00 00 00 00 1E 00 00   Lead-out         Start = 30:00 00\n"
            "  [ 3]  01 10 00 01 00 00 00 00 00 02 00   Track  1  audio  Start =  0:02 00\n"
            "  [ 4]  01 10 00 02 00 00 00 00 0A 00 00   Track  2  audio  Start = 10:00 00\n"
            "  [ 5]  01 10 00 03 00 00 00 00 14 1E 0F   Track  3  audio  Start = 20:30 15\n"
            "  [ 6]  01 50 00 B0 1F 1E 00 00 4F 3B 4A   Next possible address  = 31:30 00   "
            "Outermost Lead-out = 79:59 74\n"
            "  [ 7]  01 50 00 C0 00 00 00 00 5F 00 00   First Lead-in          = 95:00 00\n"
            "\n"
            "  [ 8]  02 10 00 A0 00 00 00 00 04 20 00   First track nr = 4,  disc type = 20\n"
            "  [ 9]  02 10 00 A1 00 00 00 00 04 00 00   Last  track nr = 4\n"
            "  [10]  02 10 00 A2 00 00 00 00 28 00 00   Lead-out         Start = 40:00 00\n"
            "  [11]  02 14 00 04 00 00 00 00 20 00 00   Track  4  data   Start = 32:00 00\n"
            "\n"
            "\n\n"
            "Session 2  (range: 1..2)\n\n"
            "  [ 0]  02 10 00 A0 00 00 00 00 04 20 00   First track nr = 4,  disc type = 20\n"
            "  [ 1]  02 10 00 A1 00 00 00 00 04 00 00   Last  track nr = 4\n"
            "  [ 2]  02 10 00 A2 00 00 00 00 28 00 00   Lead-out         Start = 40:00 00\n"
            "  [ 3]  02 14 00 04 00 00 00 00 20 00 00   Track  4  data   Start = 32:00 00\n"
            "\n"
            "\n\n";
        CHECK(f.file(kSessionsLogName) == crlf(expected));
    }
    SUBCASE("no file when switched off") {
        CHECK(readSessionInfo("D:", "", s));
        CHECK(f.file(kSessionsLogName).empty());
        CHECK(formatCalls(f.sptiCalls, 2) == 0);
    }
    SUBCASE("a single session") {
        f.spti = [](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
            return answerToc(c, b, n, 1, sessionInfo(1, 1));
        };
        CHECK_FALSE(readSessionInfo("D:", "", s));
    }
}

namespace {

std::string z(int n) {
    return std::string(static_cast<std::size_t>(n), '\0');
}

std::vector<std::uint8_t> knownCdText() {
    return cdTextResponse({
        cdTextPack(0x80, 0, 0, 0, "Album" + z(1) + "One" + z(1) + "Tw"),
        cdTextPack(0x80, 2, 1, 2, "o" + z(1) + "Three" + z(5)),
        cdTextPack(0x81, 0, 2, 0, "Band" + z(1) + "Band" + z(1) + "Gu"),
        cdTextPack(0x81, 2, 3, 2, "est" + z(9)),
        cdTextPack(0x82, 1, 4, 0, "Wr" + z(1) + "Wr" + z(1) + "Wr" + z(4)),
        cdTextPack(0x80, 1, 5, 0x10, "Eins" + z(8)),
        cdTextPack(0x85, 0, 6, 0, "Hello" + z(7)),
    });
}

} // namespace

TEST_CASE("CD-TEXT read and cdtext.log") {
    DriveFixture f;
    const auto response = knownCdText();
    f.spti = [&](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        return n == 5000 && answerToc(c, b, n, 5, response);
    };
    ScsiAccess& s = f.make();
    SUBCASE("the record and the exact log") {
        s.setCdTextLog(1);
        CHECK(readCdText("D:", "", s) == 1);
        const DiscInfo& info = s.cdTextInfo();
        CHECK(info.valid);
        CHECK(info.origin == OriginCdText);
        CHECK(info.artist == "Band");
        CHECK(info.title == "Album");
        CHECK(info.extendedDisc == "Hello");
        CHECK(info.trackList.entry(1)->title == "One");
        CHECK(info.trackList.entry(2)->title == "Guest / Two");
        CHECK(info.trackList.entry(3)->title == "Three");
        const std::string expected =
            " 0  0  0   80 : 41 6C 62 75 6D 00 4F 6E 65 00 54 77  Album_One_Tw\n"
            " 1  2  2   80 : 6F 00 54 68 72 65 65 00 00 00 00 00  o_Three_____\n"
            " 2  0  0   81 : 42 61 6E 64 00 42 61 6E 64 00 47 75  Band_Band_Gu\n"
            " 3  2  2   81 : 65 73 74 00 00 00 00 00 00 00 00 00  est_________\n"
            " 4  1  0   82 : 57 72 00 57 72 00 57 72 00 00 00 00  Wr_Wr_Wr____\n"
            " 5  1  0   80 : 45 69 6E 73 00 00 00 00 00 00 00 00  Eins________\n"
            " 6  0  0   85 : 48 65 6C 6C 6F 00 00 00 00 00 00 00  Hello_______\n"
            " 0  0  0   00 : 00 00 00 00 00 00 00 00 00 00 00 00  ____________\n"
            "\n"
            "Artist:  Band\n"
            "Title:   Album\n"
            "Message: Hello\n"
            "\n"
            "[01] Artist:  Band\n"
            "[02] Artist:  Guest\n"
            "[03] Artist:  \n[04] Artist:  \n[05] Artist:  \n[06] Artist:  \n"
            "[07] Artist:  \n[08] Artist:  \n[09] Artist:  \n[10] Artist:  \n"
            "\n"
            "[01] Title:   One\n"
            "[02] Title:   Two\n"
            "[03] Title:   Three\n"
            "[04] Title:   \n[05] Title:   \n[06] Title:   \n[07] Title:   \n";
        CHECK(f.file(kCdTextLogName) == crlf(expected));
    }
    SUBCASE("no log when switched off") {
        CHECK(readCdText("D:", "", s) == 1);
        CHECK(f.file(kCdTextLogName).empty());
    }
    SUBCASE("a failed read leaves an empty, invalid record") {
        CHECK(readCdText("D:", "", s) == 1);
        f.spti = nullptr;
        CHECK(readCdText("D:", "", s) == 0);
        CHECK_FALSE(s.cdTextInfo().valid);
        CHECK(s.cdTextInfo().artist == "?");
        CHECK(s.cdTextInfo().trackList.entryCount() == 0);
    }
    SUBCASE("an empty but successful read gives a valid record with artist ?") {
        f.spti = [](const Cdb&, std::uint8_t*, std::uint32_t) { return true; };
        CHECK(readCdText("D:", "", s) == 1);
        CHECK(s.cdTextInfo().valid);
        CHECK(s.cdTextInfo().origin == OriginCdText);
        CHECK(s.cdTextInfo().artist == "?");
        CHECK(s.cdTextInfo().title == "?");
    }
}

// A ThreadSanitizer build reports unsynchronised switches here.
TEST_CASE("log switches changed by the options while the worker reads a disc") {
    DriveFixture f;
    const auto cdText = knownCdText();
    f.spti = [&](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        return answerToc(c, b, n, 5, cdText) || answerToc(c, b, n, 1, sessionInfo(1, 1));
    };
    ScsiAccess& s = f.make();
    constexpr int kRounds = 100;
    int texts = 0;
    std::thread worker([&] {
        for (int i = 0; i < kRounds; ++i) {
            texts += readCdText("D:", "", s);
            readSessionInfo("D:", "", s);
            s.playAudioMsf("E:", "", 0, 0); // fails: logged by errorDetail
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        s.setCdTextLog(i & 1);
        s.setSessionLog(i & 1);
        s.setErrorDetail(i % 3);
    }
    worker.join();
    CHECK(texts == kRounds);
    CHECK(s.cdTextLog() == 1);
    CHECK(s.sessionLog() == 1);
    // The last level set, 0, logs no failed play.
    const std::string before = f.eventLog();
    CHECK(s.playAudioMsf("E:", "", 0, 0) == 0);
    CHECK(f.eventLog() == before);
}
