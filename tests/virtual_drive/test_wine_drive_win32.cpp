// The virtual drive as a player meets it under Wine: MCI cdaudio, WNASPI32.DLL,
// the CD-ROM drive letter. These tests need a prefix made ready by
// scripts/prepare-virtual-drive; they are skipped in a plain run and run by
// the "virtual_drive_wine" CTest entry (with --no-skip).
#include <doctest.h>

#include "support/virtual_drive_client.h"

#include <windows.h>

#include <mmsystem.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "drive/aspi_srb.h"
#include "sim/disc.h"

using rubo::test::driveControl;
using rubo::test::environmentText;
using rubo::test::eventually;

namespace {

using rubo::vdrive::Disc;

// The ASPI request blocks as the player itself uses them.
using rubo::kDeviceTypeCdRom;
using rubo::kScExecScsiCmd;
using rubo::kScGetDevType;
using rubo::kScHaInquiry;
using rubo::kSrbDirIn;
using rubo::kSrbEventNotify;
using rubo::kSsComp;
using rubo::kSsPending;
using rubo::SrbExecScsiCmd;
using rubo::SrbGetDeviceType;
using rubo::SrbHaInquiry;

using GetSupportInfo = DWORD(__cdecl*)();
using SendCommand = DWORD(__cdecl*)(void*);

char driveLetter() {
    std::string l = environmentText("VDRIVE_TEST_LETTER");
    return l.empty() ? 'D' : l[0];
}

Disc loadDisc(const char* variable) {
    Disc disc;
    std::string error;
    std::string path = environmentText(variable);
    REQUIRE_MESSAGE(!path.empty(), variable << " is not set");
    REQUIRE_MESSAGE(rubo::vdrive::loadDiscFile(path, disc, error), error);
    REQUIRE(disc.hasMedia);
    REQUIRE(disc.trackCount() >= 2);
    return disc;
}

DWORD msfOf(int frames) {
    rubo::vdrive::Msf m = rubo::vdrive::framesToMsf(frames);
    return MCI_MAKE_MSF(m.minute, m.second, m.frame);
}

int framesOf(DWORD msf) {
    return rubo::vdrive::msfToFrames(MCI_MSF_MINUTE(msf), MCI_MSF_SECOND(msf), MCI_MSF_FRAME(msf));
}

// An open MCI cdaudio device, opened as the player opens it.
class CdAudio {
public:
    CdAudio() {
        char element[3] = {driveLetter(), ':', 0};
        char alias[32];
        std::snprintf(alias, sizeof alias, "RUBO%lu", static_cast<unsigned long>(GetTickCount()));
        MCI_OPEN_PARMSA open{};
        open.lpstrDeviceType =
            reinterpret_cast<LPCSTR>(static_cast<DWORD_PTR>(MCI_DEVTYPE_CD_AUDIO));
        open.lpstrElementName = element;
        open.lpstrAlias = alias;
        openError = mciSendCommandA(0, MCI_OPEN,
                                    MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT |
                                        MCI_OPEN_ALIAS | MCI_OPEN_SHAREABLE | MCI_WAIT,
                                    reinterpret_cast<DWORD_PTR>(&open));
        if (openError == 0)
            id = open.wDeviceID;
    }
    ~CdAudio() {
        if (id) {
            MCI_GENERIC_PARMS close{};
            mciSendCommandA(id, MCI_CLOSE, 0, reinterpret_cast<DWORD_PTR>(&close));
        }
    }
    CdAudio(const CdAudio&) = delete;
    CdAudio& operator=(const CdAudio&) = delete;

    MCIERROR send(UINT message, DWORD flags, void* params) {
        return mciSendCommandA(id, message, flags, reinterpret_cast<DWORD_PTR>(params));
    }
    DWORD status(DWORD item, MCIERROR* error = nullptr) {
        MCI_STATUS_PARMS p{};
        p.dwItem = item;
        MCIERROR e = send(MCI_STATUS, MCI_STATUS_ITEM, &p);
        if (error)
            *error = e;
        return e ? 0 : static_cast<DWORD>(p.dwReturn);
    }
    DWORD trackStatus(DWORD track, DWORD item, MCIERROR* error = nullptr) {
        MCI_STATUS_PARMS p{};
        p.dwItem = item;
        p.dwTrack = track;
        MCIERROR e = send(MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, &p);
        if (error)
            *error = e;
        return e ? 0 : static_cast<DWORD>(p.dwReturn);
    }
    MCIERROR setTimeFormat(DWORD format) {
        MCI_SET_PARMS p{};
        p.dwTimeFormat = format;
        return send(MCI_SET, MCI_SET_TIME_FORMAT, &p);
    }
    MCIERROR door(bool open) {
        MCI_SET_PARMS p{};
        return send(MCI_SET, (open ? MCI_SET_DOOR_OPEN : MCI_SET_DOOR_CLOSED) | MCI_WAIT, &p);
    }
    // Waits until the drive reports ready and stopped (spin-up done).
    bool waitReady(DWORD milliseconds) {
        return eventually(
            [&] { return status(MCI_STATUS_READY) && status(MCI_STATUS_MODE) == MCI_MODE_STOP; },
            std::chrono::milliseconds(milliseconds), std::chrono::milliseconds(50));
    }

    MCIERROR openError = 0;
    MCIDEVICEID id = 0;
};

class Aspi {
public:
    Aspi() : module_(LoadLibraryA("WNASPI32.DLL")) {
        if (module_) {
            support = reinterpret_cast<GetSupportInfo>(
                reinterpret_cast<void*>(GetProcAddress(module_, "GetASPI32SupportInfo")));
            send = reinterpret_cast<SendCommand>(
                reinterpret_cast<void*>(GetProcAddress(module_, "SendASPI32Command")));
        }
    }
    ~Aspi() {
        if (module_)
            FreeLibrary(module_);
    }
    Aspi(const Aspi&) = delete;
    Aspi& operator=(const Aspi&) = delete;

    // Finds the CD-ROM device as a player's discovery does; false when none.
    bool findCdrom(BYTE& ha, BYTE& target, BYTE& lun) {
        DWORD info = support();
        int adapters = LOBYTE(LOWORD(info));
        int found = 0;
        for (int a = 0; a < adapters; ++a) {
            SrbHaInquiry inq{};
            inq.cmd = kScHaInquiry;
            inq.haId = static_cast<BYTE>(a);
            send(&inq);
            if (inq.status != kSsComp)
                continue;
            int targets = inq.haUnique[3] ? inq.haUnique[3] : 8;
            for (int t = 0; t < targets; ++t) {
                for (int l = 0; l < 8; ++l) {
                    SrbGetDeviceType dev{};
                    dev.cmd = kScGetDevType;
                    dev.haId = static_cast<BYTE>(a);
                    dev.target = static_cast<BYTE>(t);
                    dev.lun = static_cast<BYTE>(l);
                    send(&dev);
                    if (dev.status == kSsComp && dev.deviceType == kDeviceTypeCdRom) {
                        ha = static_cast<BYTE>(a);
                        target = static_cast<BYTE>(t);
                        lun = static_cast<BYTE>(l);
                        ++found;
                    }
                }
            }
        }
        return found == 1;
    }

    // One 10-byte command with data in and event notification; the SRB status.
    BYTE exec(BYTE ha, BYTE target, BYTE lun, const BYTE (&cdb)[10], std::vector<BYTE>& data,
              DWORD* sendResult = nullptr) {
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        SrbExecScsiCmd srb{};
        srb.cmd = kScExecScsiCmd;
        srb.haId = ha;
        srb.flags = kSrbDirIn | kSrbEventNotify;
        srb.target = target;
        srb.lun = lun;
        srb.bufLen = static_cast<DWORD>(data.size());
        srb.bufPointer = data.data();
        srb.senseLen = 14;
        srb.cdbLen = 10;
        srb.postProc = event;
        std::memcpy(srb.cdbByte, cdb, sizeof cdb);
        ResetEvent(event);
        DWORD r = send(&srb);
        if (sendResult)
            *sendResult = r;
        if (r == kSsPending)
            WaitForSingleObject(event, 10000);
        CloseHandle(event);
        return srb.status;
    }

    GetSupportInfo support = nullptr;
    SendCommand send = nullptr;

private:
    HMODULE module_;
};

std::vector<BYTE> readToc(Aspi& aspi, BYTE ha, BYTE t, BYTE l, BYTE format, WORD length,
                          DWORD* sendResult = nullptr) {
    BYTE cdb[10] = {0x43, 0x02, format, 0, 0, 0, 0, HIBYTE(length), LOBYTE(length), 0};
    std::vector<BYTE> data(length, 0xEE);
    BYTE status = aspi.exec(ha, t, l, cdb, data, sendResult);
    REQUIRE(status == kSsComp);
    return data;
}

int msfBytes(const BYTE* p) {
    return rubo::vdrive::msfToFrames(p[0], p[1], p[2]);
}

// Format 0 checked against the disc: every track, then the lead-out.
void checkToc(const std::vector<BYTE>& toc, const Disc& disc) {
    int n = disc.trackCount();
    CHECK(toc[0] * 256 + toc[1] == 2 + 8 * (n + 1));
    CHECK(toc[2] == 1);
    CHECK(toc[3] == n);
    for (int i = 0; i <= n; ++i) {
        const BYTE* d = &toc[4 + 8 * i];
        if (i < n) {
            CHECK(d[2] == disc.tracks[i].number);
            CHECK(((d[1] & 0x04) != 0) == !disc.tracks[i].audio);
            CHECK(msfBytes(d + 5) == disc.tracks[i].startFrame);
        } else {
            CHECK(d[2] == 0xAA);
            CHECK(msfBytes(d + 5) == disc.leadOutFrame());
        }
    }
}

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("the drive letter is a CD-ROM drive carrying the disc's serial") {
        Disc disc = loadDisc("VDRIVE_TEST_DISC");
        REQUIRE(driveControl("insert " + environmentText("VDRIVE_TEST_DISC")) == 0);
        char root[4] = {driveLetter(), ':', '\\', 0};
        CHECK(GetDriveTypeA(root) == DRIVE_CDROM);
        DWORD serial = 0, maxLength = 0, flags = 0;
        char label[64] = {}, fs[32] = {};
        REQUIRE(GetVolumeInformationA(root, label, sizeof label, &serial, &maxLength, &flags, fs,
                                      sizeof fs));
        CHECK(serial == disc.volumeSerial);
    }

    TEST_CASE("MCI cdaudio: open, status, time formats, play, pause, stop, door") {
        Disc disc = loadDisc("VDRIVE_TEST_DISC");
        REQUIRE(driveControl("insert " + environmentText("VDRIVE_TEST_DISC")) == 0);
        REQUIRE(driveControl("speed 20") == 0);
        CdAudio cd;
        REQUIRE(cd.openError == 0);
        REQUIRE(cd.id != 0);
        REQUIRE(cd.door(false) == 0);
        REQUIRE(cd.waitReady(5000));

        CHECK(cd.status(MCI_STATUS_MEDIA_PRESENT) == 1);
        CHECK(cd.status(MCI_STATUS_NUMBER_OF_TRACKS) == static_cast<DWORD>(disc.trackCount()));

        REQUIRE(cd.setTimeFormat(MCI_FORMAT_MSF) == 0);
        for (const auto& t : disc.tracks) {
            CAPTURE(t.number);
            CHECK(cd.trackStatus(t.number, MCI_STATUS_POSITION) == msfOf(t.startFrame));
            CHECK(cd.trackStatus(t.number, MCI_CDA_STATUS_TYPE_TRACK) ==
                  (t.audio ? MCI_CDA_TRACK_AUDIO : MCI_CDA_TRACK_OTHER));
        }
        MCIERROR outOfRange = 0;
        cd.trackStatus(disc.trackCount() + 1, MCI_STATUS_POSITION, &outOfRange);
        CHECK(outOfRange != 0);

        // Milliseconds: absolute addresses, 75 frames a second.
        REQUIRE(cd.setTimeFormat(MCI_FORMAT_MILLISECONDS) == 0);
        long ms2 = static_cast<long>(cd.trackStatus(2, MCI_STATUS_POSITION));
        long expected2 = static_cast<long>(disc.tracks[1].startFrame) * 1000 / 75;
        CHECK(std::labs(ms2 - expected2) <= 14);

        // Play track 2 from its start in MSF and watch the position move.
        REQUIRE(cd.setTimeFormat(MCI_FORMAT_MSF) == 0);
        MCI_PLAY_PARMS play{};
        play.dwFrom = msfOf(disc.tracks[1].startFrame);
        REQUIRE(cd.send(MCI_PLAY, MCI_FROM, &play) == 0);
        CHECK(cd.status(MCI_STATUS_MODE) == MCI_MODE_PLAY);
        int p0 = framesOf(cd.status(MCI_STATUS_POSITION));
        CHECK(p0 >= disc.tracks[1].startFrame);
        Sleep(600);
        int p1 = framesOf(cd.status(MCI_STATUS_POSITION));
        // 0.6 s at 20 times speed is 900 frames; allow for slow scheduling.
        CHECK(p1 > p0 + 150);
        CHECK(cd.status(MCI_STATUS_CURRENT_TRACK) == static_cast<DWORD>(disc.trackAt(p1)));

        // TMSF: the same position relative to its track.
        REQUIRE(cd.setTimeFormat(MCI_FORMAT_TMSF) == 0);
        DWORD tmsf = cd.status(MCI_STATUS_POSITION);
        CHECK(MCI_TMSF_TRACK(tmsf) >= 2);

        REQUIRE(cd.send(MCI_PAUSE, 0, &play) == 0);
        CHECK(cd.status(MCI_STATUS_MODE) == MCI_MODE_PAUSE);
        REQUIRE(cd.setTimeFormat(MCI_FORMAT_MSF) == 0);
        DWORD paused = cd.status(MCI_STATUS_POSITION);
        Sleep(300);
        CHECK(cd.status(MCI_STATUS_POSITION) == paused);

        REQUIRE(cd.send(MCI_STOP, 0, &play) == 0);
        CHECK(cd.status(MCI_STATUS_MODE) == MCI_MODE_STOP);

        REQUIRE(cd.door(true) == 0);
        CHECK(cd.status(MCI_STATUS_MODE) == MCI_MODE_OPEN);
        CHECK(cd.status(MCI_STATUS_MEDIA_PRESENT) == 0);
        MCIERROR playError = cd.send(MCI_PLAY, MCI_FROM, &play);
        CHECK(playError != 0);
        REQUIRE(cd.door(false) == 0);
        CHECK(cd.status(MCI_STATUS_MODE) != MCI_MODE_OPEN);
        CHECK(cd.waitReady(5000));
        CHECK(cd.status(MCI_STATUS_MEDIA_PRESENT) == 1);
    }

    TEST_CASE("ASPI: adapter, CD-ROM device, TOC, sessions, full TOC, CD-TEXT") {
        Disc disc = loadDisc("VDRIVE_TEST_DISC");
        REQUIRE(driveControl("insert " + environmentText("VDRIVE_TEST_DISC")) == 0);
        REQUIRE(driveControl("close") == 0);
        Aspi aspi;
        REQUIRE((aspi.support != nullptr));
        REQUIRE((aspi.send != nullptr));
        DWORD info = aspi.support();
        CHECK(HIBYTE(LOWORD(info)) == kSsComp);
        CHECK(LOBYTE(LOWORD(info)) == 1);
        BYTE ha = 0, t = 0, l = 0;
        REQUIRE(aspi.findCdrom(ha, t, l));

        // Wait out the spin-up: TEST UNIT READY style, through READ TOC.
        eventually(
            [&] {
                BYTE cdb[10] = {0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24, 0};
                std::vector<BYTE> data(804);
                return aspi.exec(ha, t, l, cdb, data) == kSsComp;
            },
            std::chrono::seconds(5), std::chrono::milliseconds(50));
        DWORD sendResult = 0xFFFF;
        std::vector<BYTE> toc = readToc(aspi, ha, t, l, 0, 804, &sendResult);
        CHECK(sendResult == kSsPending);
        checkToc(toc, disc);

        std::vector<BYTE> sessions = readToc(aspi, ha, t, l, 1, 804);
        CHECK(sessions[0] * 256 + sessions[1] == 10);
        CHECK(sessions[2] == 1);
        CHECK(sessions[3] == disc.sessionCount());
        const auto& last = disc.sessions.back();
        CHECK(sessions[6] == last.firstTrack);
        CHECK(msfBytes(&sessions[9]) == disc.tracks[last.firstTrack - 1].startFrame);

        std::vector<BYTE> full = readToc(aspi, ha, t, l, 2, 1104);
        int fullLength = full[0] * 256 + full[1];
        REQUIRE((fullLength - 2) % 11 == 0);
        int descriptors = (fullLength - 2) / 11;
        int a0 = 0, a2 = 0, trackPoints = 0;
        for (int i = 0; i < descriptors; ++i) {
            const BYTE* d = &full[4 + 11 * i];
            int adr = d[1] >> 4;
            if (adr != 1)
                continue;
            if (d[3] == 0xA0) {
                ++a0;
            } else if (d[3] == 0xA2) {
                ++a2;
                const auto* s = disc.session(d[0]);
                REQUIRE(s != nullptr);
                CHECK(msfBytes(d + 8) == s->leadOutFrame);
            } else if (d[3] >= 1 && d[3] <= 99) {
                ++trackPoints;
                const auto* tr = disc.track(d[3]);
                REQUIRE(tr != nullptr);
                CHECK(msfBytes(d + 8) == tr->startFrame);
                CHECK(d[0] == tr->session);
            }
        }
        CHECK(a0 == disc.sessionCount());
        CHECK(a2 == disc.sessionCount());
        CHECK(trackPoints == disc.trackCount());

        std::vector<BYTE> text = readToc(aspi, ha, t, l, 5, 5000);
        REQUIRE(!disc.cdText.empty());
        int textLength = text[0] * 256 + text[1];
        CHECK(textLength == static_cast<int>(2 + disc.cdText.size()));
        CHECK(std::memcmp(&text[4], disc.cdText.data(), disc.cdText.size()) == 0);

        // A command for a device that is not there.
        SrbGetDeviceType none{};
        none.cmd = kScGetDevType;
        none.haId = ha;
        none.target = static_cast<BYTE>(t + 1);
        none.lun = l;
        aspi.send(&none);
        CHECK(none.status != kSsComp);
    }

    TEST_CASE("a disc change by the control program reaches open MCI and ASPI users") {
        Disc first = loadDisc("VDRIVE_TEST_DISC");
        Disc second = loadDisc("VDRIVE_TEST_DISC2");
        REQUIRE(first.trackCount() != second.trackCount());
        REQUIRE(driveControl("insert " + environmentText("VDRIVE_TEST_DISC")) == 0);
        CdAudio cd;
        REQUIRE(cd.openError == 0);
        REQUIRE(cd.door(false) == 0);
        REQUIRE(cd.waitReady(5000));
        Aspi aspi;
        BYTE ha = 0, t = 0, l = 0;
        REQUIRE(aspi.findCdrom(ha, t, l));
        CHECK(cd.status(MCI_STATUS_NUMBER_OF_TRACKS) == static_cast<DWORD>(first.trackCount()));
        checkToc(readToc(aspi, ha, t, l, 0, 804), first);

        REQUIRE(driveControl("eject") == 0);
        CHECK(cd.status(MCI_STATUS_MODE) == MCI_MODE_OPEN);
        CHECK(cd.status(MCI_STATUS_MEDIA_PRESENT) == 0);
        REQUIRE(driveControl("insert " + environmentText("VDRIVE_TEST_DISC2")) == 0);
        REQUIRE(cd.waitReady(5000));
        CHECK(cd.status(MCI_STATUS_NUMBER_OF_TRACKS) == static_cast<DWORD>(second.trackCount()));
        checkToc(readToc(aspi, ha, t, l, 0, 804), second);

        char root[4] = {driveLetter(), ':', '\\', 0};
        DWORD serial = 0;
        REQUIRE(GetVolumeInformationA(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
        CHECK(serial == second.volumeSerial);
        REQUIRE(driveControl("insert " + environmentText("VDRIVE_TEST_DISC")) == 0);
    }

} // TEST_SUITE
