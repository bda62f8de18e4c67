#include "vdrive_test_util.h"

#include "support/test_support.h"

#include "sim/disc.h"

using namespace rubo::vdrive;
using vdtest::makeDisc;

TEST_CASE("disc file: tracks, sessions, lead-outs") {
    SUBCASE("enhanced CD") {
        Disc d = makeDisc(vdtest::kEnhancedDisc);
        CHECK(d.hasMedia);
        CHECK(d.volumeSerial == 0x1234ABCDu);
        REQUIRE(d.trackCount() == 3);
        REQUIRE(d.sessionCount() == 2);
        CHECK(d.tracks[0].startFrame == 150);
        CHECK(d.tracks[1].startFrame == 22500);
        CHECK(d.tracks[2].startFrame == 56400);
        CHECK_FALSE(d.tracks[2].audio);
        CHECK(d.tracks[2].session == 2);
        CHECK(d.sessions[0].leadOutFrame == 45000);
        CHECK(d.sessions[0].lastTrack == 2);
        CHECK(d.sessions[1].firstTrack == 3);
        CHECK(d.leadOutFrame() == 90000);
        CHECK(d.trackEndFrame(2) == 45000);
        CHECK(d.trackEndFrame(1) == 22500);
        CHECK(d.trackAt(100) == 1);
        CHECK(d.trackAt(22500) == 2);
        CHECK(d.trackAt(50000) == 2);
        CHECK(d.cdText.empty());
    }
    SUBCASE("frame counts, comments, CRLF, implicit session") {
        Disc d = makeDisc("# comment\r\n\r\ntrack 1 audio 385\r\n  leadout 1000 \r\n");
        CHECK(d.tracks[0].startFrame == 385);
        CHECK(d.sessions[0].leadOutFrame == 1000);
        CHECK(d.volumeSerial == 0);
    }
    SUBCASE("empty tray") {
        Disc d = makeDisc("# nothing in the drive\nempty\n");
        CHECK_FALSE(d.hasMedia);
        CHECK(d.tracks.empty());
    }
    SUBCASE("serial forms and label") {
        CHECK(makeDisc("serial 0x0000FFFF\nlabel MY DISC\ntrack 1 audio 150\nleadout 400\n")
                  .volumeSerial == 0xFFFFu);
        Disc d = makeDisc("serial deadBEEF\nlabel MY DISC\ntrack 1 audio 150\nleadout 400\n");
        CHECK(d.volumeSerial == 0xDEADBEEFu);
        CHECK(d.volumeLabel == "MY DISC");
        CHECK(formatVolumeSerial(0x0012ABCDu) == "0012-ABCD");
    }
}

TEST_CASE("disc file: malformed input names the file and line, never half-loads") {
    struct Bad {
        const char* text;
        const char* error;
    };
    const Bad cases[] = {
        {"track 1 audio 00:02:00\nleadout 00:60:00\n", "test.disc:2: leadout needs"},
        {"track 2 audio 150\nleadout 300\n", "test.disc:1: track 2 where track 1 is due"},
        {"track 1 audio 150\ntrack 2 audio 150\nleadout 300\n", "test.disc:2: track starts at"},
        {"track 1 video 150\nleadout 300\n", "test.disc:1: track type \"video\""},
        {"track 1 audio 00:01:74\nleadout 300\n", "test.disc:1: track starts inside the lead-in"},
        {"track 1 audio 150\nleadout 100\n", "test.disc:2: lead-out at or before"},
        {"track 1 audio 150\n", "test.disc:1: session 1 has no lead-out"},
        {"\n# only a comment\n", "no tracks"},
        {"track 1 audio 150\nleadout 300\ntrack 2 audio 400\nleadout 500\n",
         "test.disc:3: track after a lead-out"},
        {"session 2\n", "test.disc:1: session 2 where session 1 is due"},
        {"session 1\ntrack 1 audio 150\nleadout 300\nsession 2\ntrack 2 data 200\nleadout 900\n",
         "test.disc:5: track starts before the previous session's lead-out"},
        {"track 1 audio 150\nleadout 300\nspeed 4\n", "test.disc:3: unknown statement \"speed\""},
        {"serial 12345\ntrack 1 audio 150\nleadout 300\n", "test.disc:1: serial must be"},
        {"empty\ntrack 1 audio 150\n", "test.disc:2: an empty tray"},
        {"track 1 audio 150\nleadout 300\ntext 2 title X\n", "test.disc:3: text for track 2"},
        {"track 1 audio 150\nleadout 300\ntext disc title A\ntext disc title B\n",
         "test.disc:4: second title for disc"},
        {"track 1 audio 150\nleadout 300\ntext disc song A\n", "test.disc:3: text field \"song\""},
        {"track 1 audio 150\nleadout 300\ncdtext-file missing.cdt\n",
         "test.disc:3: missing.cdt: cannot be read"},
        {"track 1 audio 150\nleadout 300\ntext disc title A\x01\n",
         "test.disc:3: control character"},
        {"track 1 audio 150\nleadout 99:59:75\n", "test.disc:2: leadout needs"},
    };
    for (const Bad& bad : cases) {
        CAPTURE(bad.text);
        Disc d;
        d.sourceName = "untouched";
        std::string error;
        CHECK_FALSE(parseDisc(bad.text, "test.disc", "", d, error));
        CHECK(error.find(bad.error) != std::string::npos);
        CAPTURE(error);
        CHECK(d.sourceName == "untouched");
        CHECK(d.tracks.empty());
    }
    SUBCASE("overlong line") {
        Disc d;
        std::string error;
        std::string text = "track 1 audio 150\nleadout 300\n# " + std::string(2000, 'x') + "\n";
        CHECK_FALSE(parseDisc(text, "long.disc", "", d, error));
        CHECK(error.find("long.disc:3: line longer") == 0);
    }
    SUBCASE("missing file") {
        Disc d;
        std::string error;
        CHECK_FALSE(loadDiscFile("/nonexistent/x.disc", d, error));
        CHECK(error == "/nonexistent/x.disc: cannot be read");
    }
}

TEST_CASE("disc file: the sample discs load") {
    const char* samples[] = {"cdtext-12.disc",     "enhanced.disc",  "data-first.disc",
                             "hidden-pregap.disc", "no-cdtext.disc", "tracks-99.disc",
                             "empty.disc"};
    for (const char* name : samples) {
        CAPTURE(name);
        Disc d;
        std::string error;
        bool ok = loadDiscFile(std::string(RUBO_SOURCE_DIR) + "/tools/virtual-drive/discs/" + name,
                               d, error);
        CAPTURE(error);
        CHECK(ok);
    }
    SUBCASE("what the samples promise") {
        std::string dir = std::string(RUBO_SOURCE_DIR) + "/tools/virtual-drive/discs/";
        Disc d;
        std::string error;
        REQUIRE(loadDiscFile(dir + "tracks-99.disc", d, error));
        CHECK(d.trackCount() == 99);
        REQUIRE(loadDiscFile(dir + "hidden-pregap.disc", d, error));
        CHECK(d.tracks[0].startFrame == 5 * 75 + 10);
        REQUIRE(loadDiscFile(dir + "data-first.disc", d, error));
        CHECK_FALSE(d.tracks[0].audio);
        CHECK(d.tracks[1].audio);
        REQUIRE(loadDiscFile(dir + "enhanced.disc", d, error));
        CHECK(d.sessionCount() == 2);
        CHECK_FALSE(d.tracks.back().audio);
        REQUIRE(loadDiscFile(dir + "empty.disc", d, error));
        CHECK_FALSE(d.hasMedia);
        REQUIRE(loadDiscFile(dir + "cdtext-12.disc", d, error));
        CHECK(d.trackCount() == 12);
        CHECK_FALSE(d.cdText.empty());
    }
}

TEST_CASE("disc file: a raw .cdt file next to the disc") {
    std::string cdt = rubo::test::sharedTestData("cdtext/libcdio/cdtext-krosis.cdt");
    if (cdt.empty()) {
        MESSAGE("shared test data absent; skipped");
        return;
    }
    rubo::test::ScratchDir dir;
    std::string text = "track 1 audio 150\nleadout 3000\ncdtext-file " + cdt + "\n";
    Disc d;
    std::string error;
    REQUIRE(parseDisc(text, "k.disc", dir.path().string(), d, error));
    CHECK(d.cdText.size() == 846u);
    std::string raw = rubo::test::readBytes(cdt);
    CHECK(d.cdText == vdtest::Bytes(raw.begin(), raw.end()));
}
