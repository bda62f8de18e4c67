// vdrivemount LETTER UNIX_DIR SERIAL: defines a CD-ROM drive letter through
// Wine's mount manager (SERIAL in hex, as "1234-ABCD" or "1234ABCD").
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "drive_letter.h"
#include "serial.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: vdrivemount LETTER UNIX_DIR SERIAL\n");
        return 2;
    }
    std::uint32_t serial = 0;
    if (!rubo::vdrive::win32::parseSerial(argv[3], serial)) {
        std::fprintf(stderr, "vdrivemount: bad serial '%s'\n", argv[3]);
        return 2;
    }
    std::string error;
    if (!rubo::vdrive::win32::defineCdromDrive(argv[1][0], argv[2], serial, error)) {
        std::fprintf(stderr, "vdrivemount: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
