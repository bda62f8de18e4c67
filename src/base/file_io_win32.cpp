#include "base/file_io.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <cstdio>

namespace rubo::platform {

bool replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

namespace {

std::uint64_t wide(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

FileStamp stampOf(const BY_HANDLE_FILE_INFORMATION& info) {
    FileStamp stamp;
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.index = wide(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.size = wide(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.modified = wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    constexpr std::uint64_t kTicksPerSecond = 10000000;
    stamp.settled = wide(now.dwHighDateTime, now.dwLowDateTime) >
                    stamp.modified + kSettledSeconds * kTicksPerSecond;
    return stamp;
}

UniqueHandle openShared(const std::string& path, DWORD access) {
    return UniqueHandle(CreateFileA(path.c_str(), access,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

bool fileStamp(const std::string& path, FileStamp& stamp) {
    UniqueHandle file = openShared(path, FILE_READ_ATTRIBUTES);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info))
        return false;
    stamp = stampOf(info);
    return true;
}

bool readFileStamped(const std::string& path, std::string& contents, FileStamp& stamp,
                     bool& steady) {
    contents.clear();
    steady = false;
    UniqueHandle file = openShared(path, GENERIC_READ);
    BY_HANDLE_FILE_INFORMATION before{};
    if (!file || !GetFileInformationByHandle(file.get(), &before))
        return false;
    // A file over 2 GB is no settings file.
    if (before.nFileSizeHigh != 0)
        return false;
    std::size_t have = 0;
    std::size_t want = before.nFileSizeLow > 0 ? before.nFileSizeLow + std::size_t{1} : 65536;
    for (;;) {
        contents.resize(have + want);
        DWORD n = 0;
        if (!ReadFile(file.get(), &contents[have], static_cast<DWORD>(want), &n, nullptr)) {
            contents.clear();
            return false;
        }
        have += n;
        if (n == 0)
            break;
        want = n < want ? want - n : 65536;
    }
    contents.resize(have);
    BY_HANDLE_FILE_INFORMATION after{};
    stamp = stampOf(before);
    steady = GetFileInformationByHandle(file.get(), &after) && stampOf(after) == stamp;
    return true;
}

} // namespace rubo::platform
