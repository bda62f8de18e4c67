#pragma once

// MCI cdaudio semantics over the simulated drive, in a portable form of the
// MCI commands. One MciDevice per open MCI device (it holds the time format).

#include <cstdint>
#include <string>

namespace rubo::vdrive {

struct Disc;
struct DriveState;

namespace mci {
// Error codes (winmm values).
constexpr std::uint32_t kErrInvalidDeviceId = 257;     // MCIERR_INVALID_DEVICE_ID
constexpr std::uint32_t kErrUnrecognizedCommand = 261; // MCIERR_UNRECOGNIZED_COMMAND
constexpr std::uint32_t kErrHardware = 262;            // MCIERR_HARDWARE
constexpr std::uint32_t kErrInvalidDeviceName = 263;   // MCIERR_INVALID_DEVICE_NAME
constexpr std::uint32_t kErrDeviceOpen = 265;          // MCIERR_DEVICE_OPEN
constexpr std::uint32_t kErrMissingParameter = 273;    // MCIERR_MISSING_PARAMETER
constexpr std::uint32_t kErrUnsupportedFunction = 274; // MCIERR_UNSUPPORTED_FUNCTION
constexpr std::uint32_t kErrDeviceNotReady = 276;      // MCIERR_DEVICE_NOT_READY
constexpr std::uint32_t kErrOutOfRange = 282;          // MCIERR_OUTOFRANGE
constexpr std::uint32_t kErrFlagsNotCompatible = 284;  // MCIERR_FLAGS_NOT_COMPATIBLE
constexpr std::uint32_t kErrBadTimeFormat = 293;       // MCIERR_BAD_TIME_FORMAT

// Time formats.
constexpr std::uint32_t kFormatMilliseconds = 0;
constexpr std::uint32_t kFormatMsf = 2;
constexpr std::uint32_t kFormatTmsf = 10;

// Status items.
constexpr std::uint32_t kStatusLength = 1;
constexpr std::uint32_t kStatusPosition = 2;
constexpr std::uint32_t kStatusNumberOfTracks = 3;
constexpr std::uint32_t kStatusMode = 4;
constexpr std::uint32_t kStatusMediaPresent = 5;
constexpr std::uint32_t kStatusTimeFormat = 6;
constexpr std::uint32_t kStatusReady = 7;
constexpr std::uint32_t kStatusCurrentTrack = 8;
constexpr std::uint32_t kCdaStatusTypeTrack = 0x4001;

// Modes (also the resource ids of their names).
constexpr std::uint32_t kModeNotReady = 524;
constexpr std::uint32_t kModeStop = 525;
constexpr std::uint32_t kModePlay = 526;
constexpr std::uint32_t kModeRecord = 527;
constexpr std::uint32_t kModeSeek = 528;
constexpr std::uint32_t kModePause = 529;
constexpr std::uint32_t kModeOpen = 530;

// Track types.
constexpr std::uint32_t kTrackAudio = 1088;
constexpr std::uint32_t kTrackOther = 1089;

// Info items.
constexpr std::uint32_t kInfoProduct = 0x100;
constexpr std::uint32_t kInfoMediaUpc = 0x400;
constexpr std::uint32_t kInfoMediaIdentity = 0x800;

// Notification codes (MM_MCINOTIFY wParam).
constexpr std::uint32_t kNotifySuccessful = 1;
constexpr std::uint32_t kNotifySuperseded = 2;
constexpr std::uint32_t kNotifyAborted = 4;
constexpr std::uint32_t kNotifyFailure = 8;

constexpr std::uint32_t kTrue = 1;
constexpr std::uint32_t kFalse = 0;
// Resource ids of returned constants (MCI_TRUE, MCI_FALSE, MCI_FORMAT_RETURN_BASE).
constexpr std::uint32_t kResourceTrue = 531;
constexpr std::uint32_t kResourceFalse = 532;
constexpr std::uint32_t kResourceFormatBase = 533;

// MCI_MAKE_MSF / MCI_MAKE_TMSF packing.
constexpr std::uint32_t makeMsf(std::uint32_t m, std::uint32_t s, std::uint32_t f) {
    return (m & 0xFF) | (s & 0xFF) << 8 | (f & 0xFF) << 16;
}
constexpr std::uint32_t makeTmsf(std::uint32_t t, std::uint32_t m, std::uint32_t s,
                                 std::uint32_t f) {
    return (t & 0xFF) | (m & 0xFF) << 8 | (s & 0xFF) << 16 | (f & 0xFF) << 24;
}
} // namespace mci

enum class MciCommand { Open, Close, Status, Set, Play, Stop, Pause, Resume, Info };

struct MciRequest {
    MciCommand command = MciCommand::Status;
    bool notify = false; // MCI_NOTIFY
    // Open: element such as "D:" (empty when opened by type only).
    std::string element;
    // Status (MCI_STATUS_ITEM) and Info (the MCI_INFO_ flag).
    std::uint32_t item = 0;
    bool hasTrack = false; // MCI_TRACK
    std::uint32_t track = 0;
    // Set.
    bool setTimeFormat = false;
    std::uint32_t timeFormat = 0;
    bool doorOpen = false;   // MCI_SET_DOOR_OPEN
    bool doorClosed = false; // MCI_SET_DOOR_CLOSED
    // Play, in the device's time format.
    bool hasFrom = false;
    std::uint32_t from = 0;
    bool hasTo = false;
    std::uint32_t to = 0;
};

struct MciResult {
    std::uint32_t error = 0; // 0 or an mci::kErr value
    std::uint32_t value = 0; // status: dwReturn
    // Status of mode, ready, media present, time format and track type: the driver
    // returns MCI_RESOURCE_RETURNED with dwReturn = MAKEMCIRESOURCE(value, resourceId).
    bool resourceReturned = false;
    std::uint32_t resourceId = 0;
    std::string text; // info
    // Notification to post now for this request (when request.notify), 0 for none.
    // A notified play posts later: see MciDevice::pollNotification.
    std::uint32_t notification = 0;
    // Notification for an earlier notified play that this request superseded or
    // aborted (to that play's callback), 0 for none.
    std::uint32_t previousNotification = 0;
};

class MciDevice {
public:
    MciResult execute(const MciRequest& request, DriveState& state, const Disc* disc,
                      std::int64_t now);

    // Milliseconds the drive takes before it answers the request: the read latency of
    // the state for the status items that read the TOC (number of tracks, position and
    // length of a track) on an open device with a ready disc, else 0. Callers wait that
    // long before execute answers the request.
    std::int32_t delayMs(const MciRequest& request, const DriveState& state, const Disc* disc,
                         std::int64_t now) const;

    // For a play sent with notify: kNotifySuccessful once it reached its end,
    // kNotifySuperseded when another play replaced it, kNotifyAborted when it was
    // stopped or the tray opened; 0 while it runs or when nothing is pending.
    // Each pending notification is returned once.
    std::uint32_t pollNotification(DriveState& state, std::int64_t now);

    bool isOpen() const { return open_; }
    std::uint32_t timeFormat() const { return timeFormat_; }

private:
    bool open_ = false;
    std::uint32_t timeFormat_ = mci::kFormatMsf;
    bool notifyPending_ = false;
    std::uint32_t notifySerial_ = 0;
};

} // namespace rubo::vdrive
