#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace rubo {

// An MCI error code; 0 means success.
using MciError = std::uint32_t;

// MCI values used by the CD-audio device (the numbers of winmm's MCI_* names).
// Commands.
inline constexpr std::uint32_t kMciOpen = 0x0803;   // MCI_OPEN
inline constexpr std::uint32_t kMciClose = 0x0804;  // MCI_CLOSE
inline constexpr std::uint32_t kMciPlay = 0x0806;   // MCI_PLAY
inline constexpr std::uint32_t kMciStop = 0x0808;   // MCI_STOP
inline constexpr std::uint32_t kMciPause = 0x0809;  // MCI_PAUSE
inline constexpr std::uint32_t kMciInfo = 0x080A;   // MCI_INFO
inline constexpr std::uint32_t kMciSet = 0x080D;    // MCI_SET
inline constexpr std::uint32_t kMciStatus = 0x0814; // MCI_STATUS

// Common flags.
inline constexpr std::uint32_t kMciNotify = 0x00000001; // MCI_NOTIFY
inline constexpr std::uint32_t kMciWait = 0x00000002;   // MCI_WAIT
inline constexpr std::uint32_t kMciFrom = 0x00000004;   // MCI_FROM
inline constexpr std::uint32_t kMciTo = 0x00000008;     // MCI_TO
inline constexpr std::uint32_t kMciTrack = 0x00000010;  // MCI_TRACK

// Open flags.
inline constexpr std::uint32_t kMciOpenShareable = 0x00000100; // MCI_OPEN_SHAREABLE
inline constexpr std::uint32_t kMciOpenElement = 0x00000200;   // MCI_OPEN_ELEMENT
inline constexpr std::uint32_t kMciOpenAlias = 0x00000400;     // MCI_OPEN_ALIAS
inline constexpr std::uint32_t kMciOpenTypeId = 0x00001000;    // MCI_OPEN_TYPE_ID
inline constexpr std::uint32_t kMciOpenType = 0x00002000;      // MCI_OPEN_TYPE

// Set flags.
inline constexpr std::uint32_t kMciSetDoorOpen = 0x00000100;   // MCI_SET_DOOR_OPEN
inline constexpr std::uint32_t kMciSetDoorClosed = 0x00000200; // MCI_SET_DOOR_CLOSED
inline constexpr std::uint32_t kMciSetTimeFormat = 0x00000400; // MCI_SET_TIME_FORMAT

// Status flag and items.
inline constexpr std::uint32_t kMciStatusItem = 0x00000100;         // MCI_STATUS_ITEM
inline constexpr std::uint32_t kMciStatusLength = 1;                // MCI_STATUS_LENGTH
inline constexpr std::uint32_t kMciStatusPosition = 2;              // MCI_STATUS_POSITION
inline constexpr std::uint32_t kMciStatusNumberOfTracks = 3;        // MCI_STATUS_NUMBER_OF_TRACKS
inline constexpr std::uint32_t kMciStatusMode = 4;                  // MCI_STATUS_MODE
inline constexpr std::uint32_t kMciStatusMediaPresent = 5;          // MCI_STATUS_MEDIA_PRESENT
inline constexpr std::uint32_t kMciStatusTimeFormat = 6;            // MCI_STATUS_TIME_FORMAT
inline constexpr std::uint32_t kMciStatusReady = 7;                 // MCI_STATUS_READY
inline constexpr std::uint32_t kMciStatusCurrentTrack = 8;          // MCI_STATUS_CURRENT_TRACK
inline constexpr std::uint32_t kMciCdaStatusTypeTrack = 0x00004001; // MCI_CDA_STATUS_TYPE_TRACK

// Info flags.
inline constexpr std::uint32_t kMciInfoProduct = 0x00000100;       // MCI_INFO_PRODUCT
inline constexpr std::uint32_t kMciInfoMediaUpc = 0x00000400;      // MCI_INFO_MEDIA_UPC
inline constexpr std::uint32_t kMciInfoMediaIdentity = 0x00000800; // MCI_INFO_MEDIA_IDENTITY

// Time formats.
inline constexpr std::uint32_t kMciFormatMsf = 2;   // MCI_FORMAT_MSF
inline constexpr std::uint32_t kMciFormatTmsf = 10; // MCI_FORMAT_TMSF

// Modes.
inline constexpr std::uint32_t kMciModeNotReady = 524; // MCI_MODE_NOT_READY
inline constexpr std::uint32_t kMciModeStop = 525;     // MCI_MODE_STOP
inline constexpr std::uint32_t kMciModePlay = 526;     // MCI_MODE_PLAY
inline constexpr std::uint32_t kMciModeRecord = 527;   // MCI_MODE_RECORD
inline constexpr std::uint32_t kMciModeSeek = 528;     // MCI_MODE_SEEK
inline constexpr std::uint32_t kMciModePause = 529;    // MCI_MODE_PAUSE
inline constexpr std::uint32_t kMciModeOpen = 530;     // MCI_MODE_OPEN

// Track types and the device type.
inline constexpr std::uint32_t kMciCdaTrackAudio = 1088; // MCI_CDA_TRACK_AUDIO
inline constexpr std::uint32_t kMciCdaTrackOther = 1089; // MCI_CDA_TRACK_OTHER
inline constexpr std::uint32_t kMciDevtypeCdAudio = 516; // MCI_DEVTYPE_CD_AUDIO

// Error codes the program and its tests name.
inline constexpr MciError kMciErrInvalidDeviceId = 257;    // MCIERR_INVALID_DEVICE_ID
inline constexpr MciError kMciErrHardware = 262;           // MCIERR_HARDWARE
inline constexpr MciError kMciErrInvalidDeviceName = 263;  // MCIERR_INVALID_DEVICE_NAME
inline constexpr MciError kMciErrCannotLoadDriver = 266;   // MCIERR_CANNOT_LOAD_DRIVER
inline constexpr MciError kMciErrDeviceNotReady = 276;     // MCIERR_DEVICE_NOT_READY
inline constexpr MciError kMciErrDuplicateAlias = 289;     // MCIERR_DUPLICATE_ALIAS
inline constexpr MciError kMciErrInvalidFile = 296;        // MCIERR_INVALID_FILE
inline constexpr MciError kMciErrDeviceNotInstalled = 306; // MCIERR_DEVICE_NOT_INSTALLED

// The text of a mode for logs and the status line: "NOT_READY", "STOP",
// "PLAY", "RECORD", "SEEK", "PAUSE", "OPEN", "?" for any other value.
const char* modeName(std::uint32_t mode);

// The MCI CD-audio device of one drive. Each operation is one MCI command;
// positions pass through as MCI's packed values (PackedMsf, PackedTmsf) in
// the time format last set. Only the owning thread may call it.
class CdAudioDevice {
public:
    CdAudioDevice() = default;
    CdAudioDevice(const CdAudioDevice&) = delete;
    CdAudioDevice& operator=(const CdAudioDevice&) = delete;
    virtual ~CdAudioDevice();

    // Opens the cdaudio device on `drive` ("E:"); on success deviceId()
    // becomes the new id, on failure it keeps its old value.
    virtual MciError open(const char* drive, int shareable) = 0;
    // Opens a device by its type id only (no element, no alias).
    virtual MciError openByType(std::uint32_t typeId, int shareable) = 0;
    virtual MciError close() = 0;
    // One status item; 0 when the query fails.
    virtual std::uint32_t status(std::uint32_t item) = 0;
    // status(kMciStatusMode): one of the modes 524..530.
    virtual std::uint32_t mode();
    virtual MciError info(std::uint32_t flags, char* buffer, std::uint32_t size) = 0;

    // Time format for later positions; callers do not check the result.
    virtual MciError setTimeFormat(std::uint32_t format) = 0;
    // Plays from `position` to the end of the disc; with `notify` the
    // callback window is asked for a notification.
    virtual MciError playFrom(std::uint32_t position, int notify) = 0;
    // Plays from `from` up to `to`, as playFrom.
    virtual MciError playRange(std::uint32_t from, std::uint32_t to, int notify) = 0;
    virtual MciError stop() = 0;
    virtual MciError pause() = 0;
    // Opens or closes the tray; returns when it has moved.
    virtual MciError setDoor(int openTray) = 0;
    // One status item of one track, sent without lastError or report; its
    // value on failure carries no meaning.
    virtual std::uint32_t trackStatus(std::uint32_t track, std::uint32_t item) = 0;
    // The common path: sends the command to deviceId(); a non-zero result is
    // kept in lastError(). `params` is the command's MCI parameter block.
    virtual MciError sendCommand(std::uint32_t command, std::uint32_t flags, void* params) = 0;

    // Convenience queries, one status call each.
    std::uint32_t currentTrack();                   // status(kMciStatusCurrentTrack)
    std::uint32_t position();                       // status(kMciStatusPosition)
    std::uint32_t numberOfTracks();                 // status(kMciStatusNumberOfTracks)
    bool isReady();                                 // status(kMciStatusReady) != 0
    bool isMediaPresent();                          // status(kMciStatusMediaPresent) != 0
    bool isDoorOpen();                              // its own mode() query == kMciModeOpen
    std::uint32_t trackStart(std::uint32_t track);  // trackStatus(track, position)
    std::uint32_t trackLength(std::uint32_t track); // trackStatus(track, length)
    std::uint32_t trackType(std::uint32_t track);   // trackStatus(track, type)

    // Id of the last successful open; 0 when never opened (close keeps it).
    std::uint32_t deviceId() const { return deviceId_; }
    // Window handle given as dwCallback; 0 unless set.
    std::uintptr_t callbackWindow() const { return callbackWindow_; }
    void setCallbackWindow(std::uintptr_t window) { callbackWindow_ = window; }
    // Code of the last failed command of sendCommand; meaningful only after
    // a failure.
    MciError lastError() const { return lastError_; }

protected:
    // What sendCommand does with a result: keeps a failure.
    MciError noteResult(MciError result);

    std::uint32_t deviceId_ = 0;
    std::uintptr_t callbackWindow_ = 0;
    MciError lastError_ = 0;
};

// Fetches the text of an MCI error (at most 255 characters); false when
// there is none (no MCI here, or an unknown code).
bool mciErrorText(MciError error, std::string& text);

// The functions the MCI device calls, replaceable for tests.
struct MciBackend {
    // mciSendCommandA(deviceId, command, flags, params).
    MciError (*send)(std::uint32_t deviceId, std::uint32_t command, std::uintptr_t flags,
                     std::uintptr_t params) = nullptr;
    // GetTickCount().
    std::uint32_t (*tickCount)() = nullptr;
};

// The device over mciSendCommandA. `backend` (copied) replaces the system
// functions it names. Null where MCI is not available (native builds). The
// device last opened and not closed is closed when the object ends.
std::unique_ptr<CdAudioDevice> createMciCdAudioDevice(const MciBackend* backend = nullptr);

} // namespace rubo
