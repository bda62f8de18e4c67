#include "drive_letter.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <winioctl.h>

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

namespace rubo::vdrive::win32 {

namespace {

// Wine's own mount-manager extension (not in the platform headers).
constexpr DWORD kMountMgrType = 'm';
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(kMountMgrType, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
constexpr DWORD kQueryUnixDrive = CTL_CODE(kMountMgrType, 33, METHOD_BUFFERED, FILE_READ_ACCESS);
constexpr ULONG kFsIso9660 = 3;

struct MountMgrUnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

std::string lastErrorText(const char* what) {
    char text[256];
    std::snprintf(text, sizeof text, "%s failed (error %lu)", what,
                  static_cast<unsigned long>(GetLastError()));
    return text;
}

UniqueHandle openMountManager() {
    return UniqueHandle(CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
}

bool writeTextFile(const std::string& path, const std::string& text) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

} // namespace

bool queryDriveFolder(char letter, std::string& unixDir, std::string& error) {
    std::vector<unsigned char> block(sizeof(MountMgrUnixDrive) + 2048, 0);
    MountMgrUnixDrive head{};
    head.letter = static_cast<WCHAR>(std::tolower(static_cast<unsigned char>(letter)));
    std::memcpy(block.data(), &head, sizeof head);
    UniqueHandle manager = openMountManager();
    if (!manager.valid()) {
        error = lastErrorText("opening the mount manager");
        return false;
    }
    DWORD returned = 0;
    if (!DeviceIoControl(manager.get(), kQueryUnixDrive, block.data(), sizeof head, block.data(),
                         static_cast<DWORD>(block.size()), &returned, nullptr)) {
        error = lastErrorText("asking for the drive");
        return false;
    }
    std::memcpy(&head, block.data(), sizeof head);
    if (head.mountPointOffset == 0 || head.mountPointOffset >= returned) {
        error = "the drive has no folder";
        return false;
    }
    const char* start = reinterpret_cast<const char*>(block.data()) + head.mountPointOffset;
    std::size_t room = returned - head.mountPointOffset;
    unixDir.assign(start, strnlen(start, room));
    return true;
}

bool updateDriveVolume(char letter, std::uint32_t serial, const std::string& label,
                       std::string& error) {
    std::string dir;
    if (!queryDriveFolder(letter, dir, error))
        return false;
    char text[16];
    std::snprintf(text, sizeof text, "%08X\n", static_cast<unsigned>(serial));
    // The Unix root is drive Z: in every Wine prefix.
    std::string base = "Z:" + dir + "/";
    if (!writeTextFile(base + ".windows-serial", text) ||
        !writeTextFile(base + ".windows-label", label + "\n")) {
        error = "cannot write the volume files into " + dir;
        return false;
    }
    return defineCdromDrive(letter, dir, serial, error);
}

bool defineCdromDrive(char letter, const std::string& unixDir, std::uint32_t serial,
                      std::string& error) {
    letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    if (letter < 'a' || letter > 'z') {
        error = "drive letter must be A-Z";
        return false;
    }
    if (unixDir.empty() || unixDir[0] != '/') {
        error = "the drive's folder must be an absolute Unix path";
        return false;
    }
    const std::size_t total = sizeof(MountMgrUnixDrive) + unixDir.size() + 1;
    if (total > 0xFFFF) {
        error = "folder path too long";
        return false;
    }
    std::vector<unsigned char> block(total, 0);
    MountMgrUnixDrive head{};
    head.size = static_cast<ULONG>(total);
    head.type = DRIVE_CDROM;
    head.fsType = kFsIso9660;
    head.serial = serial;
    head.letter = static_cast<WCHAR>(letter);
    head.mountPointOffset = static_cast<USHORT>(sizeof head);
    std::memcpy(block.data(), &head, sizeof head);
    std::memcpy(block.data() + sizeof head, unixDir.c_str(), unixDir.size() + 1);

    UniqueHandle manager = openMountManager();
    if (!manager.valid()) {
        error = lastErrorText("opening the mount manager");
        return false;
    }
    DWORD returned = 0;
    if (!DeviceIoControl(manager.get(), kDefineUnixDrive, block.data(), static_cast<DWORD>(total),
                         nullptr, 0, &returned, nullptr)) {
        error = lastErrorText("defining the drive");
        return false;
    }
    return true;
}

} // namespace rubo::vdrive::win32
