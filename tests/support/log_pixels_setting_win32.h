#pragma once

// Wine's system DPI for the processes started from now on: LogPixels under
// HKCU\Control Panel\Desktop (Wine reads it at a process's start and
// prefers it to the machine-wide key), put back when the object goes.

#include "base/unique_handle_win32.h"

#include <windows.h>

namespace rubo::test {

class LogPixelsSetting {
public:
    explicit LogPixelsSetting(DWORD dpi) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != 0)
            return;
        key_.reset(key);
        DWORD size = sizeof old_;
        DWORD type = 0;
        hadOld_ = RegQueryValueExA(key, kLogPixels, nullptr, &type, reinterpret_cast<BYTE*>(&old_),
                                   &size) == 0 &&
                  type == REG_DWORD;
        set_ = RegSetValueExA(key, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                              sizeof dpi) == 0;
    }
    ~LogPixelsSetting() {
        if (!set_)
            return;
        if (hadOld_)
            RegSetValueExA(key_.get(), kLogPixels, 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&old_), sizeof old_);
        else
            RegDeleteValueA(key_.get(), kLogPixels);
    }
    LogPixelsSetting(const LogPixelsSetting&) = delete;
    LogPixelsSetting& operator=(const LogPixelsSetting&) = delete;
    bool set() const { return set_; }

private:
    static constexpr char kDesktopKey[] = "Control Panel\\Desktop";
    static constexpr char kLogPixels[] = "LogPixels";
    UniqueRegKey key_;
    DWORD old_ = 0;
    bool hadOld_ = false;
    bool set_ = false;
};

} // namespace rubo::test
