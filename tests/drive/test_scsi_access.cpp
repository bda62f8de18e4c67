#include <doctest.h>

#include "drive/scsi_access.h"
#include "drive_fixture.h"

using namespace rubo;
using namespace rubo::test;

namespace {

const Cdb kToc = readTocCommand(kTocFormatToc);

bool answerAll(const Cdb&, std::uint8_t* buffer, std::uint32_t length) {
    if (length > 0)
        buffer[0] = 0x5A;
    return true;
}

} // namespace

TEST_CASE("back-end choice") {
    DriveFixture f;
    std::vector<std::uint8_t> buffer(804);
    f.aspiDrives(2);
    f.aspi.responders[{0, 1, 0}] = answerAll;

    SUBCASE("XP administrator: pass-through, read and write access, no ASPI") {
        f.spti = answerAll;
        ScsiAccess& s = f.make();
        CHECK(s.executeCommand("D:", "_D", kToc, buffer.data(), 804) == 1);
        REQUIRE(f.sptiCalls.size() == 1);
        CHECK(f.sptiCalls[0].path == "\\\\.\\D:");
        CHECK(f.sptiCalls[0].readWrite);
        CHECK(f.sptiCalls[0].length == 804);
        CHECK(f.aspi.calls.empty());
        CHECK(buffer[0] == 0x5A);
    }
    SUBCASE("NT 4 administrator: read access only") {
        f.system.kind = kOsNt4;
        f.spti = answerAll;
        CHECK(f.make().executeCommand("D:", "", kToc, buffer.data(), 804) == 1);
        REQUIRE(f.sptiCalls.size() == 1);
        CHECK_FALSE(f.sptiCalls[0].readWrite);
    }
    SUBCASE("a pass-through failure is logged at detail 2 and not retried through ASPI") {
        ScsiAccess& s = f.make();
        CHECK(s.executeCommand("D:", "_D", kToc, buffer.data(), 804) == 0);
        CHECK(f.aspi.calls.empty());
        CHECK(f.eventLog().find("00938 ()   : SPTI Error: 43, fake error\r\n") !=
              std::string::npos);
    }
    SUBCASE("no transport error line below detail 2") {
        ScsiAccess& s = f.make();
        s.setErrorDetail(1);
        CHECK(s.executeCommand("D:", "_D", kToc, buffer.data(), 804) == 0);
        CHECK(f.eventLog().find("SPTI Error") == std::string::npos);
    }
    SUBCASE("NT 3.5 administrator and XP user: ASPI by the map's first position") {
        SUBCASE("NT 3.5") {
            f.system.kind = kOsNt35;
        }
        SUBCASE("user") {
            f.system.admin = false;
        }
        ScsiAccess& s = f.make();
        CHECK(s.executeCommand("D:", "_DD", kToc, buffer.data(), 804) == 1);
        CHECK(f.sptiCalls.empty());
        REQUIRE(f.aspi.calls.size() == 1);
        CHECK(f.aspi.calls[0].target == 1);
        CHECK(f.aspi.calls[0].length == 804);
    }
    SUBCASE("ASPI: a letter missing from the map fails without a log line") {
        f.system.admin = false;
        ScsiAccess& s = f.make();
        CHECK(s.executeCommand("E:", "_D", kToc, buffer.data(), 804) == 0);
        CHECK(f.aspi.calls.empty());
        CHECK(f.eventLog().find("Error") == std::string::npos);
    }
    SUBCASE("ASPI: a failed request is logged at detail 2") {
        f.system.admin = false;
        ScsiAccess& s = f.make();
        CHECK(s.executeCommand("D:", "D", kToc, buffer.data(), 804) == 0);
        CHECK(f.eventLog().find("00956 ()   : ASPI Error: 43, fake error\r\n") !=
              std::string::npos);
    }
    SUBCASE("ASPI: a map position without a device fails") {
        f.system.admin = false;
        ScsiAccess& s = f.make();
        CHECK(s.executeCommand("D:", "____D", kToc, buffer.data(), 804) == 0);
        CHECK(f.aspi.calls.empty());
    }
    SUBCASE("without the library every command fails silently") {
        f.system.admin = false;
        f.aspi.loaded = false;
        ScsiAccess& s = f.make();
        CHECK_FALSE(s.aspiAvailable());
        CHECK(s.executeCommand("D:", "_D", kToc, buffer.data(), 804) == 0);
        CHECK(f.aspi.calls.empty());
        CHECK(f.eventLog().find("Error") == std::string::npos);
    }
}

TEST_CASE(
    "back-end choice from Vista on: pass-through first, ASPI when it cannot reach the drive") {
    DriveFixture f;
    std::vector<std::uint8_t> buffer(804);
    f.aspiDrives(2);
    f.aspi.responders[{0, 1, 0}] = answerAll;
    const OsKind later[] = {kOsWindowsVista, kOsWindows7,  kOsWindows8,
                            kOsWindows81,    kOsWindows10, kOsWindows11};

    SUBCASE("pass-through carries the command for user and administrator alike") {
        f.spti = answerAll;
        for (OsKind kind : later) {
            for (bool admin : {false, true}) {
                CAPTURE(kind);
                CAPTURE(admin);
                f.system.kind = kind;
                f.system.admin = admin;
                f.sptiCalls.clear();
                buffer[0] = 0;
                ScsiAccess& s = f.make();
                CHECK_FALSE(s.usesSpti());
                CHECK(s.triesSptiFirst());
                CHECK(s.executeCommand("D:", "_D", kToc, buffer.data(), 804) == 1);
                REQUIRE(f.sptiCalls.size() == 1);
                CHECK(f.sptiCalls[0].path == "\\\\.\\D:");
                CHECK(f.sptiCalls[0].readWrite);
                CHECK(buffer[0] == 0x5A);
            }
        }
        CHECK(f.aspi.calls.empty());
    }
    SUBCASE("a failed pass-through goes to the drive's ASPI device, and only its result is "
            "logged") {
        f.system.kind = kOsWindows7;
        ScsiAccess& s = f.make();
        CHECK(s.executeCommand("D:", "_D", kToc, buffer.data(), 804) == 1);
        CHECK(f.sptiCalls.size() == 1);
        REQUIRE(f.aspi.calls.size() == 1);
        CHECK(f.aspi.calls[0].target == 1);
        CHECK(buffer[0] == 0x5A);
        CHECK(f.eventLog().find("Error") == std::string::npos);

        f.aspi.responders.clear();
        CHECK(s.executeCommand("D:", "_D", kToc, buffer.data(), 804) == 0);
        CHECK(f.aspi.calls.size() == 2);
        CHECK(f.eventLog().find("SPTI Error") == std::string::npos);
        CHECK(f.eventLog().find("00956 ()   : ASPI Error: 43, fake error\r\n") !=
              std::string::npos);
    }
    SUBCASE("no ASPI for the drive: the pass-through failure is logged") {
        SUBCASE("no library, as on a plain Windows 10") {
            f.aspi.loaded = false;
        }
        SUBCASE("a letter the map does not hold") {}
        f.system.kind = kOsWindows10;
        ScsiAccess& s = f.make();
        CHECK(s.executeCommand("E:", "_D", kToc, buffer.data(), 804) == 0);
        CHECK(f.aspi.calls.empty());
        CHECK(f.eventLog().find("00938 ()   : SPTI Error: 43, fake error\r\n") !=
              std::string::npos);
    }
    SUBCASE("the kinds before Vista keep their rule") {
        f.system.kind = kOsNtVariant;
        ScsiAccess& s = f.make();
        CHECK_FALSE(s.triesSptiFirst());
        CHECK_FALSE(s.usesSpti());
        CHECK(s.executeCommand("D:", "_D", kToc, buffer.data(), 804) == 1);
        CHECK(f.sptiCalls.empty());
        f.system.kind = kOsWindowsDotNet;
        CHECK_FALSE(s.triesSptiFirst());
        CHECK(s.usesSpti());
    }
}

TEST_CASE("ASPI device discovery") {
    DriveFixture f;
    f.aspi.loaded = true;
    SUBCASE("HA_Unique byte 3 zero means 8 targets; byte 3 set limits them") {
        f.aspi.supportInfo = 0x0102;
        f.aspi.adapterUnique3[0] = 0;
        f.aspi.adapterUnique3[1] = 2;
        f.aspi.deviceTypes[{0, 7, 3}] = 5;
        f.aspi.deviceTypes[{1, 1, 0}] = 5;
        f.aspi.deviceTypes[{1, 0, 0}] = 1; // a tape drive
        ScsiAccess& s = f.make();
        CHECK(s.aspiAvailable());
        CHECK(f.aspi.typeQueries.size() == 64 + 16);
        REQUIRE(s.driveCount() == 2);
        CHECK(s.aspiDrive(0).name == "ASPI[0:7:3]");
        CHECK(s.aspiDrive(1).name == "ASPI[1:1:0]");
        CHECK(s.aspiDrive(1).hostAdapter == 1);
    }
    SUBCASE("a ninth CD-ROM device is not added") {
        f.aspi.adapterUnique3[0] = 0;
        for (int t = 0; t < 5; ++t)
            for (int l = 0; l < 2; ++l)
                f.aspi.deviceTypes[{0, t, l}] = 5;
        ScsiAccess& s = f.make();
        CHECK(s.driveCount() == 8);
        CHECK(s.aspiDrive(7).name == "ASPI[0:3:1]");
    }
    SUBCASE("a failing support query or no adapters: ASPI unavailable") {
        SUBCASE("error status") {
            f.aspi.supportInfo = 0x0402;
        }
        SUBCASE("no adapters") {
            f.aspi.supportInfo = 0xE800;
        }
        f.aspi.adapterUnique3[0] = 0;
        f.aspi.deviceTypes[{0, 0, 0}] = 5;
        CHECK_FALSE(f.make().aspiAvailable());
    }
}

TEST_CASE("finding the ASPI device of a drive by its TOC") {
    DriveFixture f;
    f.system.admin = false;
    f.aspiDrives(3);
    TrackList device;
    device.trackCount = 1;
    device.store(1, TrackEntry{1, "", "", makeMsf(5, 0, 0), makeMsf(0, 2, 0), 1});
    const auto matching = buildToc(1, {{0, 2, 0}}, {5, 2, 0});
    const auto other = buildToc(1, {{0, 2, 1}}, {5, 2, 0});
    f.aspi.responders[{0, 0, 0}] = [&](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        return answerToc(c, b, n, 0, other);
    };
    f.aspi.responders[{0, 2, 0}] = [&](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        return answerToc(c, b, n, 0, matching);
    };
    ScsiAccess& s = f.make();
    std::vector<std::uint8_t> toc;
    SUBCASE("the letter twice in the map: the first position whose TOC matches") {
        CHECK(s.findAspiDrive("D:", device, "D_D", &toc) == 2);
        CHECK(toc == matching);
        REQUIRE(f.aspi.calls.size() == 2);
        CHECK(f.aspi.calls[0].target == 0);
    }
    SUBCASE("an empty map: every row in order") {
        CHECK(s.findAspiDrive("D:", device, "", &toc) == 2);
        CHECK(f.aspi.calls.size() == 3);
    }
    SUBCASE("a map position beyond the devices is passed over") {
        CHECK(s.findAspiDrive("D:", device, "_____D", &toc) == 2);
    }
    SUBCASE("no match") {
        device.store(1, TrackEntry{1, "", "", 0, makeMsf(1, 0, 0), 1});
        CHECK(s.findAspiDrive("D:", device, "D", &toc) == -1);
    }
}

TEST_CASE("ASPI map repair") {
    CHECK(repairAspiMap("E_D", 'D', 1) == "ED_");
    CHECK(repairAspiMap("", 'D', 3) == "___D");
    CHECK(repairAspiMap("X", 'D', 4) == "X___D");
    CHECK(repairAspiMap("DD", 'D', 0) == "D_");
    CHECK(repairAspiMap("ABC", 'B', 1) == "ABC");
}

TEST_CASE("position read and direct play") {
    DriveFixture f;
    std::vector<Cdb> seen;
    f.spti = [&](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
        seen.push_back(c);
        if (c[0] != kOpReadSubChannel || n != 16)
            return false;
        b[1] = 0x11;
        b[6] = 2;
        b[9] = 3;
        b[10] = 4;
        b[11] = 5;
        return true;
    };
    ScsiAccess& s = f.make();
    SUBCASE("the sub-channel position") {
        SubChannelPosition p = s.currentPosition("D:", "");
        CHECK(p.track == 2);
        CHECK(p.absolute == makeMsf(3, 4, 5));
        CHECK(s.subChannel()[1] == 0x11);
    }
    SUBCASE("a failed play is logged whenever error detail is set") {
        s.setErrorDetail(1);
        CHECK(s.playAudioMsf("D:", "", makeMsf(0, 2, 0), makeMsf(40, 0, 0)) == 0);
        REQUIRE(seen.size() == 1);
        CHECK(seen[0] == playAudioMsfCommand(makeMsf(0, 2, 0), makeMsf(40, 0, 0)));
        CHECK(f.sptiCalls[0].length == 0);
        CHECK(f.eventLog().find("00430 ()   : ASPI/SPTI Error: fake error\r\n") !=
              std::string::npos);
    }
    SUBCASE("no play error line at detail 0") {
        s.setErrorDetail(0);
        CHECK(s.playAudioMsf("D:", "", 0, 0) == 0);
        CHECK(f.eventLog().find("Error") == std::string::npos);
    }
}
