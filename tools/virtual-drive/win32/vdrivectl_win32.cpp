// vdrivectl: puts discs into the virtual drive and shows its state.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "aspi_settings.h"
#include "drive_letter.h"
#include "shared_drive.h"

namespace {

using namespace rubo::vdrive;
using namespace rubo::vdrive::win32;

const char kUsage[] =
    "usage: vdrivectl COMMAND\n"
    "  insert DISCFILE     put a disc in and close the tray\n"
    "  eject               open the tray and take the disc out\n"
    "  open | close        open or close the tray\n"
    "  speed N             play N times faster than real time (1-1000)\n"
    "  spinup MS           time from closing the tray to ready\n"
    "  latency MS          time to read the TOC before answering (0-10000)\n"
    "  drive LETTER DIR    make LETTER: the CD-ROM drive, its files in the Unix folder DIR\n"
    "  aspi TARGET LUN     where the ASPI layer shows the drive (0-7 each)\n"
    "  state               print the drive state\n";

bool parseInt(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!end || *end || end == text || v < low || v > high)
        return false;
    value = v;
    return true;
}

std::string fullPath(const char* path) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    return (n > 0 && n < sizeof full) ? std::string(full) : std::string(path);
}

// Shows the disc's serial and label on the drive letter; a drive without a
// letter (or outside Wine) is left alone with a warning.
void showVolume(char letter, const Disc* disc) {
    if (!letter)
        return;
    std::string error;
    std::uint32_t serial = disc ? disc->volumeSerial : 0;
    std::string label = disc ? disc->volumeLabel : std::string();
    if (!updateDriveVolume(letter, serial, label, error))
        std::fprintf(stderr, "vdrivectl: drive %c: not updated: %s\n", letter, error.c_str());
}

int run(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string cmd = argv[1];
    SharedDrive shared;
    if (!shared.ok()) {
        std::fprintf(stderr, "vdrivectl: %s\n", shared.error().c_str());
        return 1;
    }
    std::int64_t now = nowMs();

    if (cmd == "insert" && argc == 3) {
        std::string path = fullPath(argv[2]);
        Disc disc;
        std::string error;
        if (!loadDiscFile(path, disc, error)) {
            std::fprintf(stderr, "vdrivectl: %s\n", error.c_str());
            return 1;
        }
        char letter = 0;
        {
            SharedDrive::Lock lock(shared);
            if (!lock.held())
                return 1;
            if (!insertDisc(lock.state(), path, disc.hasMedia, now)) {
                std::fprintf(stderr, "vdrivectl: path too long: %s\n", path.c_str());
                return 1;
            }
            letter = lock.state().driveLetter;
        }
        showVolume(letter, disc.hasMedia ? &disc : nullptr);
        return 0;
    }
    if ((cmd == "eject" || cmd == "open" || cmd == "close") && argc == 2) {
        SharedDrive::Lock lock(shared);
        if (!lock.held())
            return 1;
        if (cmd == "eject")
            removeDisc(lock.state(), now);
        else if (cmd == "open")
            openTray(lock.state(), now);
        else
            closeTray(lock.state(), now);
        return 0;
    }
    if ((cmd == "speed" || cmd == "spinup") && argc == 3) {
        long value = 0;
        if (!parseInt(argv[2], cmd == "speed" ? 1 : 0, cmd == "speed" ? kMaxSpeedFactor : 600000,
                      value)) {
            std::fprintf(stderr, "vdrivectl: bad number '%s'\n", argv[2]);
            return 2;
        }
        SharedDrive::Lock lock(shared);
        if (!lock.held())
            return 1;
        if (cmd == "speed")
            setSpeedFactor(lock.state(), static_cast<std::int32_t>(value), now);
        else
            setSpinUpMs(lock.state(), static_cast<std::int32_t>(value));
        return 0;
    }
    if (cmd == "latency" && argc == 3) {
        std::int32_t ms = 0;
        std::string error;
        if (!parseReadLatencyMs(argv[2], ms, error)) {
            std::fprintf(stderr, "vdrivectl: %s\n", error.c_str());
            return 2;
        }
        SharedDrive::Lock lock(shared);
        if (!lock.held())
            return 1;
        setReadLatencyMs(lock.state(), ms);
        return 0;
    }
    if (cmd == "drive" && argc == 4) {
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(argv[2][0])));
        if (letter < 'A' || letter > 'Z' || (argv[2][1] && std::strcmp(argv[2] + 1, ":") != 0)) {
            std::fprintf(stderr, "vdrivectl: bad drive letter '%s'\n", argv[2]);
            return 2;
        }
        std::string error;
        if (!defineCdromDrive(letter, argv[3], 0, error)) {
            std::fprintf(stderr, "vdrivectl: %s\n", error.c_str());
            return 1;
        }
        Disc disc;
        bool haveDisc = false;
        {
            SharedDrive::Lock lock(shared);
            if (!lock.held())
                return 1;
            lock.state().driveLetter = letter;
            if (const Disc* d = lock.disc()) {
                disc = *d;
                haveDisc = disc.hasMedia;
            }
        }
        showVolume(letter, haveDisc ? &disc : nullptr);
        return 0;
    }
    if (cmd == "aspi" && argc == 4) {
        long target = 0, lun = 0;
        if (!parseInt(argv[2], 0, 7, target) || !parseInt(argv[3], 0, 7, lun)) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        AspiAddress a;
        a.target = static_cast<int>(target);
        a.lun = static_cast<int>(lun);
        return writeAspiAddress(a) ? 0 : 1;
    }
    if (cmd == "state" && argc == 2) {
        SharedDrive::Lock lock(shared);
        if (!lock.held())
            return 1;
        DriveState& s = lock.state();
        const Disc* disc = lock.disc();
        AspiAddress a = readAspiAddress();
        std::printf("%s\n", describeDriveState(s, disc, now).c_str());
        std::printf("drive %c:, ASPI 0:%d:%d, speed %d, spin-up %d ms, read latency %d ms",
                    s.driveLetter ? s.driveLetter : '?', a.target, a.lun,
                    static_cast<int>(s.speedFactor), static_cast<int>(s.spinUpMs),
                    static_cast<int>(s.readLatencyMs));
        if (disc)
            std::printf(", serial %s", formatVolumeSerial(disc->volumeSerial).c_str());
        std::printf("\n");
        return 0;
    }
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    return run(argc, argv);
}
