#include "aspi_settings.h"

#include <windows.h>

#include <cstdio>

#include "shared_drive.h"

namespace rubo::vdrive::win32 {

AspiAddress readAspiAddress() {
    std::string file = settingsFilePath();
    AspiAddress a;
    a.target = static_cast<int>(GetPrivateProfileIntA("aspi", "target", a.target, file.c_str()));
    a.lun = static_cast<int>(GetPrivateProfileIntA("aspi", "lun", a.lun, file.c_str()));
    if (a.target < 0 || a.target > 7)
        a.target = 1;
    if (a.lun < 0 || a.lun > 7)
        a.lun = 0;
    return a;
}

bool writeAspiAddress(const AspiAddress& address) {
    std::string file = settingsFilePath();
    char value[16];
    std::snprintf(value, sizeof value, "%d", address.target);
    if (!WritePrivateProfileStringA("aspi", "target", value, file.c_str()))
        return false;
    std::snprintf(value, sizeof value, "%d", address.lun);
    return WritePrivateProfileStringA("aspi", "lun", value, file.c_str()) != FALSE;
}

} // namespace rubo::vdrive::win32
