#include "shared_drive.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace rubo::vdrive::win32 {

namespace {

constexpr const char* kMappingName = "Local\\RuboVirtualDriveState";
constexpr const char* kMutexName = "Local\\RuboVirtualDriveMutex";

std::string windowsFile(const char* name) {
    char dir[MAX_PATH];
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    if (n == 0 || n >= sizeof dir)
        return name;
    char path[MAX_PATH + 64];
    std::snprintf(path, sizeof path, "%s\\%s", dir, name);
    return path;
}

bool loadStateFile(DriveState& out) {
    UniqueHandle file(CreateFileA(stateFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file.valid())
        return false;
    DriveState loaded{};
    DWORD got = 0;
    if (!ReadFile(file.get(), &loaded, sizeof loaded, &got, nullptr) || got != sizeof loaded)
        return false;
    if (!isValidDriveState(loaded))
        return false;
    loaded.discPath[sizeof loaded.discPath - 1] = 0;
    out = loaded;
    return true;
}

void saveStateFile(const DriveState& state) {
    std::string path = stateFilePath();
    std::string temp = path + ".new";
    {
        UniqueHandle file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid())
            return;
        DWORD written = 0;
        if (!WriteFile(file.get(), &state, sizeof state, &written, nullptr) ||
            written != sizeof state)
            return;
    }
    MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

} // namespace

std::int64_t nowMs() {
    // The performance counter is one clock for all processes (and exists on XP).
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    if (frequency.QuadPart <= 0)
        return static_cast<std::int64_t>(GetTickCount());
    return static_cast<std::int64_t>(count.QuadPart / frequency.QuadPart * 1000 +
                                     count.QuadPart % frequency.QuadPart * 1000 /
                                         frequency.QuadPart);
}

std::string stateFilePath() {
    return windowsFile("vdrive-state.bin");
}

std::string settingsFilePath() {
    return windowsFile("vdrive.ini");
}

struct SharedDrive::Impl {
    UniqueHandle mutex;
    UniqueHandle mapping;
    UniqueMappedView view;
    std::string error;
    // This process's copy of the disc.
    Disc disc;
    bool discLoaded = false;
    std::uint32_t discGeneration = 0;
    std::string discPath;

    DriveState* state() const { return static_cast<DriveState*>(view.get()); }
};

SharedDrive::SharedDrive() : impl_(std::make_unique<Impl>()) {
    impl_->mutex.reset(CreateMutexA(nullptr, FALSE, kMutexName));
    if (!impl_->mutex.valid()) {
        impl_->error = "cannot create the drive mutex";
        return;
    }
    impl_->mapping.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(DriveState), kMappingName));
    if (!impl_->mapping.valid()) {
        impl_->error = "cannot create the drive state mapping";
        return;
    }
    impl_->view.reset(MapViewOfFile(impl_->mapping.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0,
                                    sizeof(DriveState)));
    if (!impl_->view.get()) {
        impl_->error = "cannot map the drive state";
        return;
    }
    // The first process to map it fills it from the state file.
    Lock lock(*this);
    if (!lock.held()) {
        impl_->error = "cannot lock the drive state";
        return;
    }
}

SharedDrive::~SharedDrive() = default;

bool SharedDrive::ok() const {
    return impl_->state() != nullptr && impl_->error.empty();
}

const std::string& SharedDrive::error() const {
    return impl_->error;
}

SharedDrive::Lock::Lock(SharedDrive& drive) : drive_(drive) {
    Impl& d = *drive_.impl_;
    if (!d.mutex.valid() || !d.state())
        return;
    DWORD r = WaitForSingleObject(d.mutex.get(), 10000);
    if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED)
        return;
    held_ = true;
    DriveState& s = *d.state();
    if (!isValidDriveState(s)) {
        if (!loadStateFile(s))
            resetDriveState(s);
    }
    before_ = s;
}

SharedDrive::Lock::~Lock() {
    if (!held_)
        return;
    Impl& d = *drive_.impl_;
    if (std::memcmp(&before_, d.state(), sizeof before_) != 0)
        saveStateFile(*d.state());
    ReleaseMutex(d.mutex.get());
}

DriveState& SharedDrive::Lock::state() {
    return *drive_.impl_->state();
}

const Disc* SharedDrive::Lock::disc() {
    Impl& d = *drive_.impl_;
    const DriveState& s = *d.state();
    if (s.discPath[0] == 0)
        return nullptr;
    if (!d.discLoaded || d.discGeneration != s.discGeneration || d.discPath != s.discPath) {
        Disc fresh;
        std::string error;
        d.discLoaded = loadDiscFile(s.discPath, fresh, error);
        d.disc = d.discLoaded ? std::move(fresh) : Disc{};
        d.discGeneration = s.discGeneration;
        d.discPath = s.discPath;
    }
    return d.discLoaded ? &d.disc : nullptr;
}

} // namespace rubo::vdrive::win32
