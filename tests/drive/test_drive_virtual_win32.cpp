// The drive-access layer against the virtual CD drive under Wine: the MCI
// device, ASPI discovery and matching, track lists, sessions and CD-TEXT.
// Skipped in a plain run; the "drive_virtual_wine" CTest entry prepares a
// prefix with the drive and runs them with --no-skip.
#include <doctest.h>

#include "support/sample_discs.h"
#include "support/virtual_drive_client.h"

#include "base/event_log.h"
#include "drive/cd_audio_device.h"
#include "drive/drive_readers.h"
#include "drive/scsi_access.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

int frames(int m, int s, int f) {
    return (m * 60 + s) * 75 + f;
}

// The list as the disc's values say, checked entry by entry.
void checkList(const TrackList& list, const SampleDisc& disc) {
    REQUIRE(list.trackCount == static_cast<int>(disc.tracks.size()));
    for (int k = 1; k <= list.trackCount; ++k) {
        const SampleTrack& t = disc.tracks[static_cast<std::size_t>(k - 1)];
        const TrackEntry* e = list.entry(k);
        CAPTURE(k);
        REQUIRE(e != nullptr);
        CHECK(e->number == k);
        CHECK(e->start == makeMsf(t.m, t.s, t.f));
        CHECK(e->length == makeMsf(t.lm, t.ls, t.lf));
        CHECK(e->audio == (t.audio ? 1 : 0));
    }
    CHECK(list.leadOut == disc.leadOut);
    CHECK(computeDiscId(list) == disc.id);
}

// The program's transport: the real system information, back ends and library.
std::unique_ptr<ScsiAccess> makeScsi(EventLog& log) {
    auto scsi = std::make_unique<ScsiAccess>(log);
    INFO("this test runs the ASPI back end; the Windows version of the prefix must not be "
         "NT 4 - XP/.NET for an administrator");
    REQUIRE_FALSE(scsi->usesSpti());
    REQUIRE(scsi->aspiAvailable());
    return scsi;
}

// Puts the ASPI device back at target 1, LUN 0 whatever a test did.
struct AspiAddressGuard {
    ~AspiAddressGuard() { driveControl("aspi 1 0"); }
};

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("MCI device: the track list of every sample disc") {
        std::vector<SampleDisc> discs{kCdText12, kDataFirst, kHiddenPregap,
                                      kNoCdText, kEnhanced,  tracks99()};
        for (const SampleDisc& disc : discs) {
            INFO("disc " << std::string(disc.file));
            insertDisc(disc.file);
            auto device = openDriveDevice(kVirtualDrive);
            CHECK(device->isMediaPresent());
            REQUIRE(device->numberOfTracks() == disc.tracks.size());
            device->setTimeFormat(kMciFormatMsf);
            for (std::uint32_t k = 1; k <= disc.tracks.size(); ++k) {
                const SampleTrack& t = disc.tracks[k - 1];
                CAPTURE(k);
                CHECK(device->trackStart(k) == makeMsf(t.m, t.s, t.f));
                CHECK(device->trackLength(k) == makeMsf(t.lm, t.ls, t.lf));
                CHECK(device->trackType(k) == (t.audio ? kMciCdaTrackAudio : kMciCdaTrackOther));
            }
            TrackList list;
            fillFromDevice(*device, list);
            checkList(list, disc);
        }
        REQUIRE(driveControl("insert " + virtualDiscPath("empty.disc")) == 0);
        auto device = openDriveDevice(kVirtualDrive);
        CHECK_FALSE(device->isMediaPresent());
        CHECK(device->mode() == kMciModeNotReady);
        CHECK(device->numberOfTracks() == 0);
        TrackList list;
        fillFromDevice(*device, list);
        CHECK(list.trackCount == 0);
        CHECK(list.leadOut == 0);
    }

    TEST_CASE("MCI device: play, pause, stop, tray and a disc change") {
        insertDisc(kCdText12.file);
        REQUIRE(driveControl("speed 20") == 0);
        auto device = openDriveDevice(kVirtualDrive);
        CHECK(device->mode() == kMciModeStop);

        // Track 3 from its start, absolute MSF.
        device->setTimeFormat(kMciFormatMsf);
        REQUIRE(device->playFrom(makeMsf(7, 49, 26), 0) == 0);
        CHECK(device->mode() == kMciModePlay);
        CHECK(device->currentTrack() == 3);
        const int p0 = msfToFrames(device->position());
        CHECK(p0 >= frames(7, 49, 26));
        Sleep(500);
        const int p1 = msfToFrames(device->position());
        CHECK(p1 > p0 + 150); // 500 ms at 20 times is 750 frames

        REQUIRE(device->pause() == 0);
        CHECK(device->mode() == kMciModePause);
        const std::uint32_t paused = device->position();
        Sleep(200);
        CHECK(device->position() == paused);

        // TMSF play with notify set and no window: plays all the same.
        device->setTimeFormat(kMciFormatTmsf);
        REQUIRE(device->playFrom(makeTmsf(5, 0, 0, 0), 1) == 0);
        CHECK(device->mode() == kMciModePlay);
        CHECK(device->currentTrack() == 5);
        CHECK(tmsfTrack(device->position()) == 5);
        REQUIRE(device->stop() == 0);
        CHECK(device->mode() == kMciModeStop);

        REQUIRE(device->setDoor(1) == 0);
        CHECK(device->mode() == kMciModeOpen);
        CHECK(device->isDoorOpen());
        CHECK_FALSE(device->isMediaPresent());
        CHECK(device->playFrom(makeTmsf(1, 0, 0, 0), 0) == kMciErrHardware);
        CHECK(device->lastError() == kMciErrHardware);
        REQUIRE(device->setDoor(0) == 0);
        CHECK_FALSE(device->isDoorOpen());
        CHECK(waitReady(*device));
        CHECK(device->isMediaPresent());
        CHECK(device->numberOfTracks() == 12);

        // Another disc through the control program while the device is open.
        REQUIRE(driveControl("insert " + virtualDiscPath(kHiddenPregap.file)) == 0);
        REQUIRE(waitReady(*device));
        CHECK(device->numberOfTracks() == 3);
        device->setTimeFormat(kMciFormatMsf);
        CHECK(device->trackStart(1) == makeMsf(0, 5, 10));
        driveControl("speed 1");
    }

    TEST_CASE("ASPI: the virtual device is discovered where the drive puts it") {
        EventLog log;
        AspiAddressGuard guard;
        insertDisc(kNoCdText.file);
        {
            auto scsi = makeScsi(log);
            REQUIRE(scsi->driveCount() == 1);
            CHECK(scsi->aspiDrive(0).hostAdapter == 0);
            CHECK(scsi->aspiDrive(0).target == 1);
            CHECK(scsi->aspiDrive(0).lun == 0);
            CHECK(scsi->aspiDrive(0).name == "ASPI[0:1:0]");
        }
        REQUIRE(driveControl("aspi 6 3") == 0);
        auto scsi = makeScsi(log);
        REQUIRE(scsi->driveCount() == 1);
        CHECK(scsi->aspiDrive(0).target == 6);
        CHECK(scsi->aspiDrive(0).lun == 3);
        CHECK(scsi->aspiDrive(0).name == "ASPI[0:6:3]");
        // Commands reach it at the new address.
        std::vector<std::uint8_t> toc(kTocBytes, 0);
        REQUIRE(scsi->aspiExecute(0, readTocCommand(kTocFormatToc), toc.data(),
                                  static_cast<std::uint32_t>(toc.size())) == 1);
        CHECK(toc[2] == 1);
        CHECK(toc[3] == 8);
        CHECK(toc[4 + 8 * 8 + 2] == 0xAA);
        CHECK(toc[4 + 8 * 8 + 5] == 27);
        CHECK(toc[4 + 8 * 8 + 6] == 55);
        CHECK(toc[4 + 8 * 8 + 7] == 20);
    }

    TEST_CASE("findAspiDrive matches the drive by its TOC") {
        EventLog log;
        insertDisc(kCdText12.file);
        auto device = openDriveDevice(kVirtualDrive);
        TrackList list;
        fillFromDevice(*device, list);
        auto scsi = makeScsi(log);

        CHECK(scsi->findAspiDrive(kVirtualDrive, list, "") == 0);
        CHECK(scsi->findAspiDrive(kVirtualDrive, list, "D") == 0);
        CHECK(scsi->findAspiDrive(kVirtualDrive, list, "_D") == 0);
        CHECK(scsi->findAspiDrive(kVirtualDrive, list, "DD") == 0);
        CHECK(scsi->findAspiDrive(kVirtualDrive, list, "E") == 0);
        std::vector<std::uint8_t> toc;
        REQUIRE(scsi->findAspiDrive(kVirtualDrive, list, "EDD", &toc) == 0);
        REQUIRE(toc.size() == kTocBytes);
        CHECK(toc[3] == 12);

        // One start a frame off: no device matches.
        TrackList off = list;
        off.entry(7)->start = makeMsf(23, 40, 4);
        CHECK(scsi->findAspiDrive(kVirtualDrive, off, "D") == -1);
        // More tracks than the drive's TOC holds.
        TrackList longer = list;
        longer.trackCount = 13;
        longer.entryForStore(13)->start = makeMsf(48, 0, 0);
        CHECK(scsi->findAspiDrive(kVirtualDrive, longer, "D") == -1);
        // The list of the disc that was in the drive before.
        REQUIRE(driveControl("insert " + virtualDiscPath(kNoCdText.file)) == 0);
        REQUIRE(waitReady(*device));
        CHECK(scsi->findAspiDrive(kVirtualDrive, list, "D") == -1);
    }

    TEST_CASE("readTrackList: the map is repaired in place") {
        insertDisc(kNoCdText.file);
        auto device = openDriveDevice(kVirtualDrive);
        DriveScratch scratch(false);
        auto scsi = makeScsi(scratch.log);
        struct Case {
            const char* map;
            const char* repaired;
        };
        const Case cases[] = {
            {"", "D"}, {"E", "D"}, {"_D", "D_"}, {"EDD", "D__"}, {"DED", "DED"}, {"D", "D"},
        };
        for (const Case& c : cases) {
            INFO("map \"" << std::string(c.map) << "\"");
            std::string map = c.map;
            TrackList list;
            CHECK(readTrackList(kVirtualDrive, map, *device, *scsi, 0, list) == 0);
            checkList(list, kNoCdText);
            CHECK(map == std::string(c.repaired));
        }
    }

    TEST_CASE("readTrackList of every sample disc, multisession detection on and off") {
        std::vector<SampleDisc> discs{kCdText12, kDataFirst, kHiddenPregap, kNoCdText, tracks99()};
        DriveScratch scratch(false);
        auto scsi = makeScsi(scratch.log);
        for (const SampleDisc& disc : discs) {
            INFO("disc " << std::string(disc.file));
            insertDisc(disc.file);
            auto device = openDriveDevice(kVirtualDrive);
            for (int detect = 0; detect <= 1; ++detect) {
                CAPTURE(detect);
                std::string map = "D";
                TrackList list;
                CHECK(readTrackList(kVirtualDrive, map, *device, *scsi, detect, list) == 0);
                checkList(list, disc);
            }
        }

        insertDisc(kEnhanced.file);
        auto device = openDriveDevice(kVirtualDrive);
        std::string map = "D";
        TrackList list;
        SUBCASE("detection on: the first session only") {
            CHECK(readTrackList(kVirtualDrive, map, *device, *scsi, 1, list) == 1);
            checkList(list, kEnhancedSession1);
        }
        SUBCASE("detection off: the device's list of both sessions") {
            CHECK(readTrackList(kVirtualDrive, map, *device, *scsi, 0, list) == 0);
            checkList(list, kEnhanced);
        }
        SUBCASE("detection on, empty map: the device's list until the map is known") {
            map.clear();
            CHECK(readTrackList(kVirtualDrive, map, *device, *scsi, 1, list) == 0);
            checkList(list, kEnhanced);
            CHECK(map == "D");
            CHECK(readTrackList(kVirtualDrive, map, *device, *scsi, 1, list) == 1);
            checkList(list, kEnhancedSession1);
        }
    }

    TEST_CASE("readSessionInfo and sessions.log") {
        SUBCASE("enhanced CD, log on (Logging off does not matter)") {
            DriveScratch scratch(false);
            auto scsi = makeScsi(scratch.log);
            insertDisc(kEnhanced.file);
            scsi->setSessionLog(1);
            CHECK(readSessionInfo(kVirtualDrive, "D", *scsi));
            const std::string expected =
                "Session range: 1..2\n\n"
                "  [ 0]  00 14 05 00 00 11 16 21\n"
                "\n\n"
                "Session 1  (range: 1..2)\n\n"
                "  [ 0]  01 10 00 A0 00 00 00 00 01 20 00   First track nr = 1,  disc type = 20\n"
                "  [ 1]  01 10 00 A1 00 00 00 00 04 00 00   Last  track nr = 4\n"
                "  [ 2]  01 10 00 A2 00 00 00 00 0E 32 21   Lead-out         Start = 14:50 33\n"
                "  [ 3]  01 10 00 01 00 00 00 00 00 02 00   Track  1  audio  Start =  0:02 00\n"
                "  [ 4]  01 10 00 02 00 00 00 00 03 29 11   Track  2  audio  Start =  3:41 17\n"
                "  [ 5]  01 10 00 03 00 00 00 00 07 0C 28   Track  3  audio  Start =  7:12 40\n"
                "  [ 6]  01 10 00 04 00 00 00 00 0B 05 02   Track  4  audio  Start = 11:05 02\n"
                "  [ 7]  01 50 00 B0 11 16 21 02 4F 3B 4A   Next possible address  = 17:22 33   "
                "Outermost Lead-out = 79:59 74\n"
                "  [ 8]  01 50 00 C0 00 00 00 00 61 1B 00   First Lead-in          = 97:27 00\n"
                "\n"
                "  [ 9]  02 14 00 A0 00 00 00 00 05 20 00   First track nr = 5,  disc type = 20\n"
                "  [10]  02 14 00 A1 00 00 00 00 05 00 00   Last  track nr = 5\n"
                "  [11]  02 14 00 A2 00 00 00 00 19 28 00   Lead-out         Start = 25:40 00\n"
                "  [12]  02 14 00 05 00 00 00 00 11 16 21   Track  5  data   Start = 17:22 33\n"
                "\n"
                "\n\n"
                "Session 2  (range: 1..2)\n\n"
                "  [ 0]  02 14 00 A0 00 00 00 00 05 20 00   First track nr = 5,  disc type = 20\n"
                "  [ 1]  02 14 00 A1 00 00 00 00 05 00 00   Last  track nr = 5\n"
                "  [ 2]  02 14 00 A2 00 00 00 00 19 28 00   Lead-out         Start = 25:40 00\n"
                "  [ 3]  02 14 00 05 00 00 00 00 11 16 21   Track  5  data   Start = 17:22 33\n"
                "\n"
                "\n\n";
            CHECK(scratch.file(kSessionsLogName) == crlf(expected));
        }
        SUBCASE("single session with a hidden pre-gap, log on") {
            DriveScratch scratch(true, true);
            auto scsi = makeScsi(scratch.log);
            insertDisc(kHiddenPregap.file);
            scsi->setSessionLog(1);
            CHECK_FALSE(readSessionInfo(kVirtualDrive, "D", *scsi));
            const std::string expected =
                "Session range: 1..1\n\n"
                "  [ 0]  00 10 01 00 00 00 05 0A\n"
                "\n\n"
                "Session 1  (range: 1..1)\n\n"
                "  [ 0]  01 10 00 A0 00 00 00 00 01 00 00   First track nr = 1,  disc type = 00\n"
                "  [ 1]  01 10 00 A1 00 00 00 00 03 00 00   Last  track nr = 3\n"
                "  [ 2]  01 10 00 A2 00 00 00 00 0C 00 00   Lead-out         Start = 12:00 00\n"
                "  [ 3]  01 10 00 01 00 00 00 00 00 05 0A   Track  1  audio  Start =  0:05 10\n"
                "  [ 4]  01 10 00 02 00 00 00 00 04 14 00   Track  2  audio  Start =  4:20 00\n"
                "  [ 5]  01 10 00 03 00 00 00 00 08 02 25   Track  3  audio  Start =  8:02 37\n"
                "\n"
                "\n\n";
            CHECK(scratch.file(kSessionsLogName) == crlf(expected));
        }
        SUBCASE("log off (Logging on does not matter): no file") {
            DriveScratch scratch(true, true);
            auto scsi = makeScsi(scratch.log);
            insertDisc(kEnhanced.file);
            scsi->setSessionLog(0);
            CHECK(readSessionInfo(kVirtualDrive, "D", *scsi));
            CHECK_FALSE(scratch.exists(kSessionsLogName));
        }
        SUBCASE("letter not in the map: no ASPI command, false, no file; only a pass-through "
                "try is logged") {
            DriveScratch scratch(true, true);
            auto scsi = makeScsi(scratch.log);
            insertDisc(kEnhanced.file);
            scsi->setSessionLog(1);
            scsi->setErrorDetail(2);
            CHECK_FALSE(readSessionInfo(kVirtualDrive, "E", *scsi));
            CHECK_FALSE(scratch.exists(kSessionsLogName));
            scratch.log.flush();
            const std::string log = scratch.file(kEventLogName);
            if (scsi->triesSptiFirst()) {
                // Vista and later: pass-through was tried, and nothing could take over.
                const std::size_t at = log.find("00938 ()   : SPTI Error: 43, ");
                CHECK(at != std::string::npos);
                CHECK(at < log.find("\r\n"));                         // the first line
                CHECK(log.find(" : ", at + 12) == std::string::npos); // the only one
            } else {
                CHECK(log.empty());
            }
        }
    }

    TEST_CASE("readCdText and cdtext.log") {
        SUBCASE("12 tracks: guest performer, long title, message") {
            DriveScratch scratch(false);
            auto scsi = makeScsi(scratch.log);
            insertDisc(kCdText12.file);
            scsi->setCdTextLog(1);
            REQUIRE(readCdText(kVirtualDrive, "D", *scsi) == 1);
            const DiscInfo& info = scsi->cdTextInfo();
            CHECK(info.valid);
            CHECK(info.origin == OriginCdText);
            CHECK(info.artist == "The Virtual Players");
            CHECK(info.title == "Virtual Sessions");
            CHECK(info.extendedDisc == "Recorded for the RUBO virtual drive");
            const char* titles[] = {"Opening",
                                    "A Very Long Title That Continues",
                                    "Glass Harbour",
                                    "Night Train",
                                    "Guest Singer / Duet in Blue",
                                    "Paper Lanterns",
                                    "Northern Lights",
                                    "Small Hours",
                                    "Static",
                                    "Low Tide",
                                    "Afterglow",
                                    "Closing"};
            for (int n = 1; n <= 12; ++n) {
                CAPTURE(n);
                REQUIRE(info.trackList.entry(n) != nullptr);
                CHECK(info.trackList.entry(n)->title == titles[n - 1]);
            }
            const std::string log = scratch.file(kCdTextLogName);
            CHECK(log.rfind(crlf(" 0  0  0   80 : 56 69 72 74 75 61 6C 20 53 65 73 73  "
                                 "Virtual Sess\n"),
                            0) == 0);
            CHECK(log.find(crlf("\nArtist:  The Virtual Players\nTitle:   Virtual Sessions\n"
                                "Message: Recorded for the RUBO virtual drive\n\n"
                                "[01] Artist:  The Virtual Players\n")) != std::string::npos);
            CHECK(log.find(crlf("[05] Artist:  Guest Singer\n")) != std::string::npos);
            CHECK(log.find(crlf("[02] Title:   A Very Long Title That Continues\n")) !=
                  std::string::npos);
            CHECK(log.find(crlf("[12] Title:   Closing\n")) != std::string::npos);
        }
        SUBCASE("enhanced CD: the exact log") {
            DriveScratch scratch(false);
            auto scsi = makeScsi(scratch.log);
            insertDisc(kEnhanced.file);
            scsi->setCdTextLog(1);
            REQUIRE(readCdText(kVirtualDrive, "D", *scsi) == 1);
            const DiscInfo& info = scsi->cdTextInfo();
            CHECK(info.artist == "The Hybrids");
            CHECK(info.title == "Enhanced Example");
            CHECK(info.extendedDisc.empty());
            const char* titles[] = {"First", "Second", "Third", "Fourth", "Data"};
            REQUIRE(info.trackList.entryCount() >= 6);
            for (int n = 1; n <= 5; ++n)
                CHECK(info.trackList.entry(n)->title == titles[n - 1]);
            std::string expected =
                " 0  0  0   80 : 45 6E 68 61 6E 63 65 64 20 45 78 61  Enhanced Exa\n"
                " 1  0 12   80 : 6D 70 6C 65 00 46 69 72 73 74 00 53  mple_First_S\n"
                " 2  2  1   80 : 65 63 6F 6E 64 00 54 68 69 72 64 00  econd_Third_\n"
                " 3  4  0   80 : 46 6F 75 72 74 68 00 44 61 74 61 00  Fourth_Data_\n"
                " 4  0  0   81 : 54 68 65 20 48 79 62 72 69 64 73 00  The Hybrids_\n"
                " 5  1  0   81 : 00 00 00 00 00 00 00 00 00 00 00 00  ____________\n"
                " 6  0  0   8F : 00 01 05 00 04 02 00 00 00 00 00 00  ____________\n"
                " 7  1  0   8F : 00 00 00 00 00 00 00 03 08 00 00 00  ____________\n"
                " 8  2  0   8F : 00 00 00 00 09 00 00 00 00 00 00 00  ____________\n"
                " 0  0  0   00 : 00 00 00 00 00 00 00 00 00 00 00 00  ____________\n"
                "\n"
                "Artist:  The Hybrids\n"
                "Title:   Enhanced Example\n"
                "Message: \n"
                "\n";
            for (int n = 1; n <= 12; ++n)
                expected +=
                    "[" + std::string(n < 10 ? "0" : "") + std::to_string(n) + "] Artist:  \n";
            expected += "\n"
                        "[01] Title:   First\n"
                        "[02] Title:   Second\n"
                        "[03] Title:   Third\n"
                        "[04] Title:   Fourth\n"
                        "[05] Title:   Data\n";
            CHECK(scratch.file(kCdTextLogName) == crlf(expected));
        }
        SUBCASE("no CD-TEXT: a valid record with nothing in it") {
            DriveScratch scratch(false);
            auto scsi = makeScsi(scratch.log);
            insertDisc(kNoCdText.file);
            scsi->setCdTextLog(1);
            REQUIRE(readCdText(kVirtualDrive, "D", *scsi) == 1);
            CHECK(scsi->cdTextInfo().valid);
            CHECK(scsi->cdTextInfo().origin == OriginCdText);
            CHECK(scsi->cdTextInfo().artist == "?");
            CHECK(scsi->cdTextInfo().title == "?");
            CHECK(scsi->cdTextInfo().trackList.entryCount() == 0);
            const std::string zero =
                " 0  0  0   00 : 00 00 00 00 00 00 00 00 00 00 00 00  ____________\n";
            // The first empty pack still has the expected sequence number 0.
            CHECK(scratch.file(kCdTextLogName) ==
                  crlf(zero + zero + "\nArtist:  ?\nTitle:   ?\nMessage: \n\n\n"));
        }
        SUBCASE("log off: the record, no file") {
            DriveScratch scratch(true, true);
            auto scsi = makeScsi(scratch.log);
            insertDisc(kCdText12.file);
            scsi->setCdTextLog(0);
            REQUIRE(readCdText(kVirtualDrive, "D", *scsi) == 1);
            CHECK(scsi->cdTextInfo().artist == "The Virtual Players");
            CHECK_FALSE(scratch.exists(kCdTextLogName));
        }
        SUBCASE("tray open: the read fails, the record is reset, the ASPI error is logged") {
            DriveScratch scratch(true, true);
            auto scsi = makeScsi(scratch.log);
            insertDisc(kCdText12.file);
            REQUIRE(readCdText(kVirtualDrive, "D", *scsi) == 1);
            REQUIRE(scsi->cdTextInfo().valid);
            REQUIRE(driveControl("eject") == 0);
            scsi->setErrorDetail(2);
            CHECK(readCdText(kVirtualDrive, "D", *scsi) == 0);
            CHECK_FALSE(scsi->cdTextInfo().valid);
            CHECK(scsi->cdTextInfo().artist == "?");
            scratch.log.flush();
            const std::string events = scratch.file(kEventLogName);
            CHECK(events.find(" 00956 (") != std::string::npos);
            CHECK(events.find("  : ASPI Error: 43, ") != std::string::npos);
            // Detail 1: no line.
            scsi->setErrorDetail(1);
            CHECK(readCdText(kVirtualDrive, "D", *scsi) == 0);
            scratch.log.flush();
            CHECK(scratch.file(kEventLogName) == events);
            REQUIRE(driveControl("close") == 0);
        }
    }

} // TEST_SUITE
