#include "app/startup.h"

#include <windows.h>

namespace rubo {

std::string systemCdromDriveList() {
    return cdromDriveList([](char letter) {
        const char root[] = {letter, ':', '\0'};
        return GetDriveTypeA(root) == DRIVE_CDROM;
    });
}

} // namespace rubo
