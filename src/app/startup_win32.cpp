#include "app/startup.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

namespace rubo {

std::string systemCdromDriveList() {
    return cdromDriveList([](char letter) {
        const char root[] = {letter, ':', '\0'};
        return GetDriveTypeA(root) == DRIVE_CDROM;
    });
}

bool folderWritable(const std::string& directory, const std::string& settingsName) {
    // A file of its own, gone again when closed; nothing is left behind.
    const std::string probe = directory + kWriteCheckFileName;
    UniqueHandle created(
        CreateFileA(probe.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!created)
        return false;
    created.reset();
    const std::string settings = directory + settingsName;
    if (GetFileAttributesA(settings.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    UniqueHandle existing(CreateFileA(settings.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(existing);
}

} // namespace rubo
