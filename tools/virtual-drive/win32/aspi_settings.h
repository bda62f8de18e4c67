#pragma once

#include <string>

namespace rubo::vdrive::win32 {

// Where the CD-ROM device sits on the one ASPI host adapter.
struct AspiAddress {
    int target = 1;
    int lun = 0;
};

AspiAddress readAspiAddress();
bool writeAspiAddress(const AspiAddress& address);

} // namespace rubo::vdrive::win32
