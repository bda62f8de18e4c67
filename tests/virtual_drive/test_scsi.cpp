#include "vdrive_test_util.h"

#include "sim/drive_state.h"
#include "sim/scsi.h"

using namespace rubo::vdrive;
using vdtest::Bytes;

namespace {

struct Rig {
    DriveState state;
    Disc disc;
    Rig(const char* text) : disc(vdtest::makeDisc(text)) {
        resetDriveState(state);
        state.speedFactor = 20;
        REQUIRE(insertDisc(state, "x.disc", true, 0));
    }
    ScsiResult run(const Bytes& cdb, Bytes& out, std::size_t bufferSize, std::int64_t now) {
        out.assign(bufferSize, 0xEE);
        ScsiResult r =
            executeScsi(state, &disc, cdb.data(), cdb.size(), out.data(), out.size(), now);
        out.resize(r.transferred);
        return r;
    }
};

Bytes readToc(int msf, int format, int number, int allocation) {
    return Bytes{0x43,
                 static_cast<std::uint8_t>(msf ? 2 : 0),
                 static_cast<std::uint8_t>(format),
                 0,
                 0,
                 0,
                 static_cast<std::uint8_t>(number),
                 static_cast<std::uint8_t>(allocation >> 8),
                 static_cast<std::uint8_t>(allocation & 0xFF),
                 0};
}

const Bytes kSubQ{0x42, 0x02, 0x40, 0x01, 0, 0, 0, 0, 0x10, 0};

void requireGood(const ScsiResult& r) {
    REQUIRE(r.status == scsi::kStatusGood);
}

} // namespace

TEST_CASE("SCSI: READ TOC") {
    Rig rig(vdtest::kEnhancedDisc);
    Bytes out;
    const std::int64_t now = 2000;
    SUBCASE("format 0, MSF") {
        requireGood(rig.run(readToc(1, 0, 0, 804), out, 804, now));
        CHECK(out == Bytes{0x00, 0x22, 0x01, 0x03,                         //
                           0x00, 0x10, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, //
                           0x00, 0x10, 0x02, 0x00, 0x00, 0x05, 0x00, 0x00, //
                           0x00, 0x14, 0x03, 0x00, 0x00, 0x0C, 0x20, 0x00, //
                           0x00, 0x14, 0xAA, 0x00, 0x00, 0x14, 0x00, 0x00});
    }
    SUBCASE("format 0, LBA, from track 2") {
        requireGood(rig.run(readToc(0, 0, 2, 804), out, 804, now));
        CHECK(out == Bytes{0x00, 0x1A, 0x01, 0x03,                         //
                           0x00, 0x10, 0x02, 0x00, 0x00, 0x00, 0x57, 0x4E, //
                           0x00, 0x14, 0x03, 0x00, 0x00, 0x00, 0xDB, 0xBA, //
                           0x00, 0x14, 0xAA, 0x00, 0x00, 0x01, 0x5E, 0xFA});
        ScsiResult r = rig.run(readToc(0, 0, 4, 804), out, 804, now);
        CHECK(r.status == scsi::kStatusCheckCondition);
        CHECK(r.senseKey == 0x05);
        CHECK(r.asc == 0x24);
    }
    SUBCASE("format 1, session information") {
        requireGood(rig.run(readToc(1, 1, 0, 804), out, 804, now));
        CHECK(out == Bytes{0x00, 0x0A, 0x01, 0x02, 0x00, 0x14, 0x03, 0x00, 0x00, 0x0C, 0x20, 0x00});
    }
    SUBCASE("format 2, full TOC with B0/C0") {
        requireGood(rig.run(readToc(1, 2, 0, 1104), out, 1104, now));
        Bytes expected{0x00, 0x7B, 0x01, 0x02, 0x01, 0x10, 0x00, 0xA0, 0x00, 0x00, 0x00, 0x00, 0x01,
                       0x20, 0x00, 0x01, 0x10, 0x00, 0xA1, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
                       0x01, 0x10, 0x00, 0xA2, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x01, 0x10,
                       0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x10, 0x00, 0x02,
                       0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x01, 0x50, 0x00, 0xB0, 0x0C, 0x20,
                       0x00, 0x02, 0x4F, 0x3B, 0x4A, 0x01, 0x50, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00,
                       0x61, 0x1B, 0x00, 0x02, 0x14, 0x00, 0xA0, 0x00, 0x00, 0x00, 0x00, 0x03, 0x20,
                       0x00, 0x02, 0x14, 0x00, 0xA1, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x02,
                       0x14, 0x00, 0xA2, 0x00, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x02, 0x14, 0x00,
                       0x03, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x20, 0x00};
        CHECK(out == expected);
        requireGood(rig.run(readToc(1, 2, 2, 1104), out, 1104, now));
        CHECK(out == Bytes{0x00, 0x2E, 0x01, 0x02, 0x02, 0x14, 0x00, 0xA0, 0x00, 0x00, 0x00, 0x00,
                           0x03, 0x20, 0x00, 0x02, 0x14, 0x00, 0xA1, 0x00, 0x00, 0x00, 0x00, 0x03,
                           0x00, 0x00, 0x02, 0x14, 0x00, 0xA2, 0x00, 0x00, 0x00, 0x00, 0x14, 0x00,
                           0x00, 0x02, 0x14, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x20, 0x00});
    }
    SUBCASE("single-session full TOC has no ADR-5 points") {
        Rig plain(vdtest::kAudioDisc);
        requireGood(plain.run(readToc(1, 2, 0, 1104), out, 1104, now));
        REQUIRE(out.size() == 4 + 6 * 11u);
        CHECK(out[0] == 0x00);
        CHECK(out[1] == 0x44);
        CHECK(out[3] == 0x01);
        CHECK(out[4 + 9] == 0x00); // disc type CD-DA
        for (std::size_t at = 4; at < out.size(); at += 11)
            CHECK((out[at + 1] & 0xF0) == 0x10);
    }
    SUBCASE("format 5, CD-TEXT") {
        Rig text("track 1 audio 150\nleadout 900\ntext disc title AB\n");
        requireGood(text.run(readToc(1, 5, 0, 5000), out, 5000, now));
        REQUIRE(out.size() == 4 + 4 * 18u);
        CHECK(Bytes(out.begin(), out.begin() + 8) ==
              Bytes{0x00, 0x4A, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00});
        CHECK(Bytes(out.begin() + 4, out.end()) == text.disc.cdText);
        requireGood(rig.run(readToc(1, 5, 0, 5000), out, 5000, now));
        CHECK(out == Bytes{0x00, 0x02, 0x00, 0x00});
    }
    SUBCASE("allocation length and buffer size honoured") {
        ScsiResult r = rig.run(readToc(1, 0, 0, 6), out, 804, now);
        requireGood(r);
        CHECK(out == Bytes{0x00, 0x22, 0x01, 0x03, 0x00, 0x10});
        r = rig.run(readToc(1, 0, 0, 804), out, 3, now);
        CHECK(r.transferred == 3);
        CHECK(out == Bytes{0x00, 0x22, 0x01});
    }
}

TEST_CASE("SCSI: not ready, no medium, tray open") {
    Rig rig(vdtest::kAudioDisc);
    Bytes out;
    const Bytes tur{0, 0, 0, 0, 0, 0};
    SUBCASE("spin-up") {
        ScsiResult r = rig.run(tur, out, 0, 999);
        CHECK(r.status == 0x02);
        CHECK(r.senseKey == 0x02);
        CHECK(r.asc == 0x04);
        CHECK(r.ascq == 0x01);
        CHECK(rig.run(tur, out, 0, 1000).status == 0x00);
    }
    SUBCASE("tray open, then empty drive") {
        openTray(rig.state, 2000);
        ScsiResult r = rig.run(readToc(1, 0, 0, 804), out, 804, 2000);
        CHECK(r.status == 0x02);
        CHECK(r.senseKey == 0x02);
        CHECK(r.asc == 0x3A);
        CHECK(r.ascq == 0x02);
        CHECK(r.transferred == 0);
        removeDisc(rig.state, 2000);
        closeTray(rig.state, 2000);
        r = executeScsi(rig.state, nullptr, kSubQ.data(), kSubQ.size(), nullptr, 0, 9000);
        CHECK(r.asc == 0x3A);
        CHECK(r.ascq == 0x01);
        // REQUEST SENSE returns it once, fixed format.
        Bytes sense{0x03, 0, 0, 0, 18, 0};
        requireGood(rig.run(sense, out, 18, 9000));
        CHECK(out == Bytes{0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x01, 0, 0, 0, 0});
        requireGood(rig.run(sense, out, 18, 9000));
        CHECK(out[2] == 0);
        CHECK(out[12] == 0);
    }
    SUBCASE("INQUIRY works without a disc") {
        openTray(rig.state, 0);
        requireGood(rig.run(Bytes{0x12, 0, 0, 0, 36, 0}, out, 96, 0));
        CHECK(out == Bytes{0x05, 0x80, 0x02, 0x02, 31,  0,   0,   0,   'R', 'U', 'B', 'O',
                           ' ',  ' ',  ' ',  ' ',  'V', 'i', 'r', 't', 'u', 'a', 'l', ' ',
                           'C',  'D',  '-',  'R',  'O', 'M', ' ', ' ', '1', '.', '0', ' '});
        ScsiResult r = rig.run(Bytes{0x12, 1, 0x80, 0, 36, 0}, out, 96, 0);
        CHECK(r.asc == 0x24);
        r = rig.run(Bytes{0xA8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, out, 96, 0);
        CHECK(r.senseKey == 0x05);
        CHECK(r.asc == 0x20);
    }
}

TEST_CASE("SCSI: PLAY AUDIO MSF and READ SUB-CHANNEL") {
    Rig rig(vdtest::kAudioDisc);
    Bytes out;
    SUBCASE("no status before play") {
        requireGood(rig.run(kSubQ, out, 16, 1000));
        CHECK(out == Bytes{0x00, 0x15, 0x00, 0x0C, 0x01, 0x10, 0x01, 0x01, //
                           0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00});
    }
    SUBCASE("playing, paused, completed once") {
        // 00:58:00 to 01:50:00 (track 1 into track 2).
        requireGood(rig.run(Bytes{0x47, 0, 0, 0, 58, 0, 1, 50, 0, 0}, out, 0, 1000));
        requireGood(rig.run(kSubQ, out, 16, 1000 + 1000)); // 1500 frames -> 01:18:00
        CHECK(out == Bytes{0x00, 0x11, 0x00, 0x0C, 0x01, 0x10, 0x02, 0x01, //
                           0x00, 0x01, 0x12, 0x00, 0x00, 0x00, 0x12, 0x00});
        requireGood(rig.run(Bytes{0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0}, out, 0, 2000));
        requireGood(rig.run(kSubQ, out, 16, 5000));
        CHECK(out[1] == 0x12);
        CHECK(Bytes(out.begin() + 8, out.end()) == Bytes{0, 1, 0x12, 0, 0, 0, 0x12, 0});
        ScsiResult r = rig.run(Bytes{0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0}, out, 0, 5000);
        CHECK(r.asc == 0x2C);
        requireGood(rig.run(Bytes{0x4B, 0, 0, 0, 0, 0, 0, 0, 1, 0}, out, 0, 5000));
        requireGood(rig.run(kSubQ, out, 16, 6000)); // 01:38:00
        CHECK(out[1] == 0x11);
        CHECK(Bytes(out.begin() + 8, out.end()) == Bytes{0, 1, 0x26, 0, 0, 0, 0x26, 0});
        requireGood(rig.run(kSubQ, out, 16, 8000)); // the end, 01:50:00
        CHECK(out[1] == 0x13);
        CHECK(out[6] == 2);
        CHECK(Bytes(out.begin() + 8, out.end()) == Bytes{0, 1, 0x32, 0, 0, 0, 0x32, 0});
        requireGood(rig.run(kSubQ, out, 16, 8000));
        CHECK(out[1] == 0x15);
    }
    SUBCASE("LBA addresses and header only without sub-Q") {
        requireGood(rig.run(Bytes{0x47, 0, 0, 0, 3, 0, 2, 0, 0, 0}, out, 0, 1000));
        requireGood(rig.run(Bytes{0x42, 0, 0x40, 1, 0, 0, 0, 0, 16, 0}, out, 16, 2000));
        // 00:03:00 + 1500 frames = frame 1725 = LBA 1575 (0x627), track 1 relative 1575.
        CHECK(out == Bytes{0x00, 0x11, 0x00, 0x0C, 0x01, 0x10, 0x01, 0x01, //
                           0x00, 0x00, 0x06, 0x27, 0x00, 0x00, 0x06, 0x27});
        requireGood(rig.run(Bytes{0x42, 0x02, 0x00, 1, 0, 0, 0, 0, 16, 0}, out, 16, 2000));
        CHECK(out == Bytes{0x00, 0x11, 0x00, 0x00});
        requireGood(rig.run(Bytes{0x42, 0x02, 0x40, 1, 0, 0, 0, 0, 8, 0}, out, 16, 2000));
        CHECK(out.size() == 8u);
    }
    SUBCASE("play range checks") {
        ScsiResult r = rig.run(Bytes{0x47, 0, 0, 0, 3, 0, 0, 2, 0, 0}, out, 0, 1000);
        CHECK(r.asc == 0x24); // start after end
        r = rig.run(Bytes{0x47, 0, 0, 0, 2, 0, 3, 0, 1, 0}, out, 0, 1000);
        CHECK(r.asc == 0x21); // past the lead-out
        r = rig.run(Bytes{0x47, 0, 0, 0, 60, 0, 0, 3, 0, 0}, out, 0, 1000);
        CHECK(r.asc == 0x24); // 60 seconds
        requireGood(rig.run(Bytes{0x47, 0, 0, 0, 1, 0, 0, 1, 0, 0}, out, 0, 1000));
        CHECK(audioState(rig.state, 1000) == AudioState::Stopped);
        Rig data("track 1 data 150\ntrack 2 audio 1000\nleadout 2000\n");
        r = data.run(Bytes{0x47, 0, 0, 0, 2, 0, 0, 20, 0, 0}, out, 0, 1000);
        CHECK(r.asc == 0x64);
        requireGood(data.run(Bytes{0x47, 0, 0, 0, 14, 0, 0, 20, 0, 0}, out, 0, 1000));
    }
    SUBCASE("stop and tray commands") {
        requireGood(rig.run(Bytes{0x47, 0, 0, 0, 2, 0, 3, 0, 0, 0}, out, 0, 1000));
        requireGood(rig.run(Bytes{0x4E, 0, 0, 0, 0, 0, 0, 0, 0, 0}, out, 0, 2000));
        CHECK(audioState(rig.state, 2000) == AudioState::Stopped);
        requireGood(rig.run(Bytes{0x1B, 0, 0, 0, 0x02, 0}, out, 0, 3000));
        CHECK(isTrayOpen(rig.state));
        requireGood(rig.run(Bytes{0x1B, 0, 0, 0, 0x03, 0}, out, 0, 4000));
        CHECK_FALSE(isTrayOpen(rig.state));
    }
}

TEST_CASE("SCSI: read latency before READ TOC") {
    Rig rig(vdtest::kEnhancedDisc);
    const std::int64_t now = 2000;
    auto delay = [&rig](const Bytes& cdb, std::int64_t at) {
        return scsiCommandDelayMs(rig.state, &rig.disc, cdb.data(), cdb.size(), at);
    };
    CHECK(delay(readToc(1, 0, 0, 804), now) == 0); // none by default
    REQUIRE(setReadLatencyMs(rig.state, 250));
    for (int format : {0, 1, 2, 5}) {
        INFO("format " << format);
        CHECK(delay(readToc(1, format, 0, 804), now) == 250);
        CHECK(delay(readToc(0, format, 1, 12), now) == 250);
    }
    CHECK(delay(kSubQ, now) == 0);
    CHECK(delay(Bytes{0x00, 0, 0, 0, 0, 0}, now) == 0);             // TEST UNIT READY
    CHECK(delay(Bytes{0x12, 0, 0, 0, 36, 0}, now) == 0);            // INQUIRY
    CHECK(delay(Bytes{0x47, 0, 0, 0, 2, 0, 0, 5, 0, 0}, now) == 0); // PLAY AUDIO MSF
    CHECK(delay(Bytes{0x43, 2, 0, 0, 0, 0}, now) == 0);             // too short: rejected at once
    CHECK(scsiCommandDelayMs(rig.state, &rig.disc, nullptr, 10, now) == 0);
    CHECK(delay(readToc(1, 0, 0, 804), 500) == 0); // spinning up: NOT READY at once
    openTray(rig.state, now);
    CHECK(delay(readToc(1, 0, 0, 804), now) == 0); // tray open
    closeTray(rig.state, now);
    CHECK(delay(readToc(1, 0, 0, 804), now + 1000) == 250);
    // The answer itself is unchanged.
    Bytes out;
    requireGood(rig.run(readToc(1, 1, 0, 12), out, 12, now + 1000));
    CHECK(out.size() == 12);
}
