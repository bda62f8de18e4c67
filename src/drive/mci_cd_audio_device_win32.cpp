#include "drive/cd_audio_device.h"

#include "base/text_format.h"
#include "base/unique_handle_win32.h"

#include <atomic>
#include <optional>

#include <windows.h>

#include <mmsystem.h> // after <windows.h>

namespace rubo {

static_assert(kMciOpen == MCI_OPEN && kMciClose == MCI_CLOSE && kMciPlay == MCI_PLAY);
static_assert(kMciStop == MCI_STOP && kMciPause == MCI_PAUSE && kMciInfo == MCI_INFO);
static_assert(kMciSet == MCI_SET && kMciStatus == MCI_STATUS);
static_assert(kMciNotify == MCI_NOTIFY && kMciWait == MCI_WAIT && kMciFrom == MCI_FROM);
static_assert(kMciTo == MCI_TO && kMciTrack == MCI_TRACK);
static_assert(kMciOpenShareable == MCI_OPEN_SHAREABLE && kMciOpenElement == MCI_OPEN_ELEMENT);
static_assert(kMciOpenAlias == MCI_OPEN_ALIAS && kMciOpenTypeId == MCI_OPEN_TYPE_ID);
static_assert(kMciOpenType == MCI_OPEN_TYPE);
static_assert(kMciSetDoorOpen == MCI_SET_DOOR_OPEN && kMciSetDoorClosed == MCI_SET_DOOR_CLOSED);
static_assert(kMciSetTimeFormat == MCI_SET_TIME_FORMAT && kMciStatusItem == MCI_STATUS_ITEM);
static_assert(kMciStatusLength == MCI_STATUS_LENGTH && kMciStatusPosition == MCI_STATUS_POSITION);
static_assert(kMciStatusNumberOfTracks == MCI_STATUS_NUMBER_OF_TRACKS);
static_assert(kMciStatusMode == MCI_STATUS_MODE);
static_assert(kMciStatusMediaPresent == MCI_STATUS_MEDIA_PRESENT);
static_assert(kMciStatusTimeFormat == MCI_STATUS_TIME_FORMAT);
static_assert(kMciStatusReady == MCI_STATUS_READY);
static_assert(kMciStatusCurrentTrack == MCI_STATUS_CURRENT_TRACK);
static_assert(kMciCdaStatusTypeTrack == MCI_CDA_STATUS_TYPE_TRACK);
static_assert(kMciInfoProduct == MCI_INFO_PRODUCT && kMciInfoMediaUpc == MCI_INFO_MEDIA_UPC);
static_assert(kMciInfoMediaIdentity == MCI_INFO_MEDIA_IDENTITY);
static_assert(kMciFormatMsf == MCI_FORMAT_MSF && kMciFormatTmsf == MCI_FORMAT_TMSF);
static_assert(kMciModeNotReady == MCI_MODE_NOT_READY && kMciModeStop == MCI_MODE_STOP);
static_assert(kMciModePlay == MCI_MODE_PLAY && kMciModeRecord == MCI_MODE_RECORD);
static_assert(kMciModeSeek == MCI_MODE_SEEK && kMciModePause == MCI_MODE_PAUSE);
static_assert(kMciModeOpen == MCI_MODE_OPEN);
static_assert(kMciCdaTrackAudio == MCI_CDA_TRACK_AUDIO && kMciCdaTrackOther == MCI_CDA_TRACK_OTHER);
static_assert(kMciDevtypeCdAudio == MCI_DEVTYPE_CD_AUDIO);
static_assert(kMciErrInvalidDeviceId == MCIERR_INVALID_DEVICE_ID);
static_assert(kMciErrHardware == MCIERR_HARDWARE);
static_assert(kMciErrInvalidDeviceName == MCIERR_INVALID_DEVICE_NAME);
static_assert(kMciErrCannotLoadDriver == MCIERR_CANNOT_LOAD_DRIVER);
static_assert(kMciErrDeviceNotReady == MCIERR_DEVICE_NOT_READY);
static_assert(kMciErrDuplicateAlias == MCIERR_DUPLICATE_ALIAS);
static_assert(kMciErrInvalidFile == MCIERR_INVALID_FILE);
static_assert(kMciErrDeviceNotInstalled == MCIERR_DEVICE_NOT_INSTALLED);

namespace {

// Tick of the newest alias, so that quick re-opens never repeat one.
std::atomic<std::uint32_t> lastAliasTick{0};

MciError systemSend(std::uint32_t deviceId, std::uint32_t command, std::uintptr_t flags,
                    std::uintptr_t params) {
    return mciSendCommandA(static_cast<MCIDEVICEID>(deviceId), command, flags, params);
}

std::uint32_t systemTickCount() {
    return GetTickCount();
}

using MciSend = MciError (*)(std::uint32_t, std::uint32_t, std::uintptr_t, std::uintptr_t);

// An open device, closed through the backend; the result is not kept as the last error.
struct MciDeviceTraits {
    using Type = std::uint32_t;
    static std::uint32_t none() { return 0; }
    static bool isNone(std::uint32_t deviceId) { return deviceId == 0; }
    void close(std::uint32_t deviceId) const {
        MCI_GENERIC_PARMS parms{};
        send(deviceId, MCI_CLOSE, 0, reinterpret_cast<std::uintptr_t>(&parms));
    }
    MciSend send = nullptr;
};
using UniqueMciDevice = UniqueAny<MciDeviceTraits>;

class MciCdAudioDevice : public CdAudioDevice {
public:
    explicit MciCdAudioDevice(const MciBackend& backend)
        : send_(backend.send ? backend.send : systemSend),
          tickCount_(backend.tickCount ? backend.tickCount : systemTickCount),
          opened_(0, MciDeviceTraits{send_}) {}

    MciError open(const char* drive, int shareable) override {
        std::string element = formatBounded(kMessageMaxChars, "%c:", drive ? drive[0] : '\0');
        std::string alias = formatBounded(kMessageMaxChars, "RUBO%lu", nextAliasTick());
        MCI_OPEN_PARMSA parms{};
        parms.dwCallback = callbackWindow_;
        parms.lpstrDeviceType = typeIdAsName(kMciDevtypeCdAudio);
        parms.lpstrElementName = element.c_str();
        parms.lpstrAlias = alias.c_str();
        DWORD flags =
            MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT | MCI_OPEN_ALIAS | MCI_WAIT;
        if (shareable)
            flags |= MCI_OPEN_SHAREABLE;
        MciError result = sendCommand(MCI_OPEN, flags, &parms);
        if (result == 0)
            adopt(parms.wDeviceID);
        return result;
    }

    MciError openByType(std::uint32_t typeId, int shareable) override {
        MCI_OPEN_PARMSA parms{};
        parms.dwCallback = callbackWindow_;
        parms.lpstrDeviceType = typeIdAsName(typeId);
        DWORD flags = MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_WAIT;
        if (shareable)
            flags |= MCI_OPEN_SHAREABLE;
        MciError result = sendCommand(MCI_OPEN, flags, &parms);
        if (result == 0)
            adopt(parms.wDeviceID);
        return result;
    }

    MciError close() override {
        // Closed here whatever MCI answers: no second close at the end.
        opened_.release();
        timeFormat_.reset();
        MCI_GENERIC_PARMS parms{};
        parms.dwCallback = callbackWindow_;
        return sendCommand(MCI_CLOSE, 0, &parms);
    }

    std::uint32_t status(std::uint32_t item) override {
        MCI_STATUS_PARMS parms{};
        parms.dwCallback = callbackWindow_;
        parms.dwReturn = 0;
        parms.dwItem = item;
        if (sendCommand(MCI_STATUS, MCI_STATUS_ITEM, &parms) != 0)
            return 0;
        return static_cast<std::uint32_t>(parms.dwReturn);
    }

    MciError info(std::uint32_t flags, char* buffer, std::uint32_t size) override {
        MCI_INFO_PARMSA parms{};
        parms.dwCallback = callbackWindow_;
        parms.lpstrReturn = buffer;
        parms.dwRetSize = size;
        return sendCommand(MCI_INFO, flags, &parms);
    }

    // A format already in force is not set again: the worker sets one
    // around every position read.
    MciError setTimeFormat(std::uint32_t format) override {
        if (timeFormat_ && *timeFormat_ == format && deviceId_ != 0)
            return 0;
        MCI_SET_PARMS parms{};
        parms.dwCallback = callbackWindow_;
        parms.dwTimeFormat = format;
        const MciError result = sendCommand(MCI_SET, MCI_SET_TIME_FORMAT, &parms);
        if (result == 0)
            timeFormat_ = format;
        return result;
    }

    MciError playFrom(std::uint32_t position, int notify) override {
        MCI_PLAY_PARMS parms{};
        parms.dwCallback = notify ? callbackWindow_ : 0;
        parms.dwFrom = position;
        return sendCommand(MCI_PLAY, notify ? (MCI_FROM | MCI_NOTIFY) : MCI_FROM, &parms);
    }

    MciError playRange(std::uint32_t from, std::uint32_t to, int notify) override {
        MCI_PLAY_PARMS parms{};
        parms.dwCallback = notify ? callbackWindow_ : 0;
        parms.dwFrom = from;
        parms.dwTo = to;
        const DWORD flags = MCI_FROM | MCI_TO;
        return sendCommand(MCI_PLAY, notify ? (flags | MCI_NOTIFY) : flags, &parms);
    }

    MciError stop() override { return sendGeneric(MCI_STOP, 0); }

    MciError pause() override { return sendGeneric(MCI_PAUSE, 0); }

    MciError setDoor(int openTray) override {
        MCI_SET_PARMS parms{};
        parms.dwCallback = callbackWindow_;
        DWORD flags = openTray ? (MCI_SET_DOOR_OPEN | MCI_WAIT) : (MCI_SET_DOOR_CLOSED | MCI_WAIT);
        return sendCommand(MCI_SET, flags, &parms);
    }

    std::uint32_t trackStatus(std::uint32_t track, std::uint32_t item) override {
        MCI_STATUS_PARMS parms{};
        parms.dwCallback = callbackWindow_;
        parms.dwReturn = 0;
        parms.dwItem = item;
        parms.dwTrack = track;
        send_(deviceId_, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK,
              reinterpret_cast<std::uintptr_t>(&parms));
        return static_cast<std::uint32_t>(parms.dwReturn);
    }

    MciError sendCommand(std::uint32_t command, std::uint32_t flags, void* params) override {
        return noteResult(
            send_(deviceId_, command, flags, reinterpret_cast<std::uintptr_t>(params)));
    }

private:
    // MCI takes a type id in place of the type name with MCI_OPEN_TYPE_ID.
    static LPCSTR typeIdAsName(std::uint32_t typeId) {
        return reinterpret_cast<LPCSTR>(static_cast<DWORD_PTR>(typeId));
    }

    // The newest device is the one closed at the end; an earlier one never
    // closed stays open, as before.
    void adopt(std::uint32_t deviceId) {
        deviceId_ = deviceId;
        timeFormat_.reset();
        opened_.release();
        opened_.reset(deviceId);
    }

    unsigned long nextAliasTick() {
        std::uint32_t tick = tickCount_();
        std::uint32_t last = lastAliasTick.load();
        if (tick == last)
            tick = last + 1;
        lastAliasTick.store(tick);
        return tick;
    }

    MciError sendGeneric(std::uint32_t command, std::uint32_t flags) {
        MCI_GENERIC_PARMS parms{};
        parms.dwCallback = callbackWindow_;
        return sendCommand(command, flags, &parms);
    }

    MciSend send_;
    std::uint32_t (*tickCount_)();
    std::optional<std::uint32_t> timeFormat_; // unknown until set on this device
    UniqueMciDevice opened_;
};

} // namespace

bool mciErrorText(MciError error, std::string& text) {
    char buffer[256] = {};
    if (!mciGetErrorStringA(error, buffer, static_cast<UINT>(sizeof buffer)))
        return false;
    buffer[sizeof buffer - 1] = '\0';
    text = buffer;
    return true;
}

std::unique_ptr<CdAudioDevice> createMciCdAudioDevice(const MciBackend* backend) {
    return std::make_unique<MciCdAudioDevice>(backend ? *backend : MciBackend{});
}

} // namespace rubo
