#pragma once

// The one drive state that the MCI driver, the ASPI DLL and the control
// program share: a named file mapping guarded by a named mutex, kept in a
// state file of the Windows directory so that it outlives every process.

#include <cstdint>
#include <memory>
#include <string>

#include "sim/disc.h"
#include "sim/drive_state.h"

namespace rubo::vdrive::win32 {

// Milliseconds of the system-wide monotonic clock.
std::int64_t nowMs();

class SharedDrive {
public:
    SharedDrive();
    ~SharedDrive();
    SharedDrive(const SharedDrive&) = delete;
    SharedDrive& operator=(const SharedDrive&) = delete;

    bool ok() const;
    const std::string& error() const;

    // Holds the mutex; the state is saved on release when it changed.
    class Lock {
    public:
        explicit Lock(SharedDrive& drive);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        bool held() const { return held_; }
        DriveState& state();
        // The disc named by the state, loaded once per disc generation;
        // nullptr without a disc or when its file cannot be loaded.
        const Disc* disc();

    private:
        SharedDrive& drive_;
        bool held_ = false;
        DriveState before_{};
    };

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Path of the state file (in the Windows directory).
std::string stateFilePath();
// Path of the settings file (ASPI target and LUN).
std::string settingsFilePath();

} // namespace rubo::vdrive::win32
