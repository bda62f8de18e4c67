#pragma once

// The main window's handling of device-change notices for the player's drive.

#include "base/event_log.h"
#include "playback/player_state.h"

#include <cstdint>
#include <string>

namespace rubo {

// The values of the platform's names.
inline constexpr std::uint32_t kDeviceArrival = 0x8000;        // DBT_DEVICEARRIVAL
inline constexpr std::uint32_t kDeviceRemoveComplete = 0x8004; // DBT_DEVICEREMOVECOMPLETE
inline constexpr std::uint32_t kDeviceTypeVolume = 2;          // DBT_DEVTYP_VOLUME
inline constexpr std::uint16_t kVolumeFlagMedia = 1;           // DBTF_MEDIA

// One notice as the window receives it; hasVolume is false when the message
// carries no volume header.
struct DeviceChangeNotice {
    std::uint32_t event = 0;
    bool hasVolume = false;
    std::uint32_t deviceType = 0;
    std::uint32_t unitMask = 0;
    std::uint16_t flags = 0;
};

enum class DoorChange { None, Closed, Opened };

// Media notices of a volume whose lowest unit-mask bit names the drive.
DoorChange classifyDeviceChange(const DeviceChangeNotice& notice, const std::string& drive);

// Logs the change and, for a removal, sets the re-open event. The window's
// handler then returns TRUE in every case.
DoorChange handleDeviceChange(const DeviceChangeNotice& notice, const std::string& drive,
                              PlayerEvents* events, EventLog& log);

} // namespace rubo

#ifdef _WIN32
namespace rubo {
// The notice of a WM_DEVICECHANGE message (wParam, lParam).
DeviceChangeNotice deviceChangeNotice(std::uintptr_t wParam, std::intptr_t lParam);
} // namespace rubo
#endif
