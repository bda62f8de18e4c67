#pragma once

// One source line of the mixer that serves the default wave output: its
// volume, its mute and select state, and change notifications. Where the
// mixer has no such line (Windows Vista and later play the disc through the
// program's own audio stream), the program's audio session stands in: its
// volume and mute, followed by events and by the owner's polling while its
// slider is shown.

#include <windows.h>

#include <mmsystem.h> // after <windows.h>

#include "audio/session_volume_win32.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rubo {

struct VolumeRange {
    long minimum;
    long maximum;
    long steps;
};

class CVolumeControl {
public:
    using ChangeCallback = void (*)(long volume, std::uintptr_t userData);

    // The session's volume as the control's values.
    static constexpr long kSessionMaximum = 65535;
    // Posted to the message window when the session's volume changed.
    static constexpr UINT kSessionChanged = WM_APP + 1;

    // Opens the mixer and finds the first source line of `componentType`;
    // without that line, opens the program's audio session instead.
    explicit CVolumeControl(unsigned long componentType);
    virtual ~CVolumeControl();
    CVolumeControl(const CVolumeControl&) = delete;
    CVolumeControl& operator=(const CVolumeControl&) = delete;

    virtual bool hasVolume() const;
    virtual void enableLine();
    virtual void disableLine();
    // None without a volume control.
    virtual std::optional<VolumeRange> range() const;
    // The first channel's value; none without a volume control or when it
    // cannot be read.
    virtual std::optional<long> getVolume() const;
    // Every channel; nothing outside minimum..maximum.
    virtual void setVolume(unsigned long value);
    virtual void setChangeCallback(ChangeCallback callback, std::uintptr_t userData);
    // Reads the session's volume and reports a change made elsewhere, as its
    // event does; only the notification target. Not every system delivers
    // the events, so the owner calls this on its own timer while its slider
    // is shown.
    void pollSession();
    // The speaker destination's source lines: names and component types.
    virtual void listSourceLines(std::vector<std::string>& names,
                                 std::vector<unsigned long>& types) const;

    bool opened() const { return opened_; }
    bool lineFound() const { return lineFound_; }
    // The volume is the program's audio session's, not a mixer line's.
    bool usesSession() const { return session_ != nullptr; }

    // The control notifications go to (the last one opened), or null.
    static CVolumeControl* notificationTarget();

private:
    bool open();
    void findLine(unsigned long componentType);
    void close();
    void setLineState(DWORD value);
    void onControlChange(DWORD controlId);
    void openSession();
    void onSessionChange();
    static LRESULT CALLBACK notifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    bool opened_ = false;
    bool lineFound_ = false;
    bool hasVolume_ = false;
    UINT mixerId_ = 0;
    HMIXER mixer_ = nullptr;
    DWORD lineId_ = 0;
    DWORD controlId_ = 0;
    DWORD channels_ = 0;
    HWND messageWindow_ = nullptr;
    DWORD minimum_ = 0;
    DWORD maximum_ = 0;
    DWORD steps_ = 0;
    ChangeCallback callback_ = nullptr;
    std::uintptr_t userData_ = 0;
    std::unique_ptr<SessionVolume> session_;
    // The session volume last set or reported.
    std::optional<long> sessionValue_;
};

} // namespace rubo
