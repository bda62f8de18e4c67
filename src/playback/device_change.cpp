#include "playback/device_change.h"

#include "base/event_log.h"

#include <cctype>

namespace rubo {

namespace {

// The letter of the lowest set bit, or 0 for an empty mask.
char lowestUnitLetter(std::uint32_t mask) {
    for (int bit = 0; bit < 26; ++bit) {
        if (mask & (1u << bit))
            return static_cast<char>('A' + bit);
    }
    return 0;
}

} // namespace

DoorChange classifyDeviceChange(const DeviceChangeNotice& notice, const std::string& drive) {
    if (!notice.hasVolume || notice.deviceType != kDeviceTypeVolume ||
        notice.flags != kVolumeFlagMedia || drive.empty())
        return DoorChange::None;
    const char letter = lowestUnitLetter(notice.unitMask);
    if (letter == 0 || letter != std::toupper(static_cast<unsigned char>(drive[0])))
        return DoorChange::None;
    if (notice.event == kDeviceArrival)
        return DoorChange::Closed;
    if (notice.event == kDeviceRemoveComplete)
        return DoorChange::Opened;
    return DoorChange::None;
}

DoorChange handleDeviceChange(const DeviceChangeNotice& notice, const std::string& drive,
                              PlayerEvents* events, EventLog& log) {
    const DoorChange change = classifyDeviceChange(notice, drive);
    if (change == DoorChange::Closed) {
        log.logEvent(2250, "  : Door is now closed");
    } else if (change == DoorChange::Opened) {
        log.logEvent(2251, "  : Door is now open");
        if (events)
            events->set(kReopenEvent);
    }
    return change;
}

} // namespace rubo
