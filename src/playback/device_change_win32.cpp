#include "playback/device_change.h"

#include <windows.h>

#include <dbt.h>

namespace rubo {

DeviceChangeNotice deviceChangeNotice(std::uintptr_t wParam, std::intptr_t lParam) {
    DeviceChangeNotice notice;
    notice.event = static_cast<std::uint32_t>(wParam);
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && header) {
        notice.deviceType = header->dbch_devicetype;
        if (header->dbch_devicetype == DBT_DEVTYP_VOLUME) {
            const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header);
            notice.hasVolume = true;
            notice.unitMask = volume->dbcv_unitmask;
            notice.flags = volume->dbcv_flags;
        }
    }
    return notice;
}

} // namespace rubo
