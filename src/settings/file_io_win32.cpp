#include "settings/file_io.h"

#include "settings/unique_handle_win32.h"

#include <windows.h>

#include <cstdio>

namespace rubo::platform {

bool replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool fileStamp(const std::string& path, FileStamp& stamp) {
    UniqueHandle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info))
        return false;
    auto wide = [](DWORD high, DWORD low) {
        return (static_cast<std::uint64_t>(high) << 32) | low;
    };
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.index = wide(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.size = wide(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.modified = wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    constexpr std::uint64_t kTicksPerSecond = 10000000;
    stamp.settled = wide(now.dwHighDateTime, now.dwLowDateTime) >
                    stamp.modified + kSettledSeconds * kTicksPerSecond;
    return true;
}

} // namespace rubo::platform
