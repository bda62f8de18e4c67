#include "sim/mci.h"

#include "base/text_format.h"
#include "sim/disc.h"
#include "sim/drive_state.h"
#include "sim/scsi.h"

namespace rubo::vdrive {

namespace {

MciResult failure(std::uint32_t error) {
    MciResult r;
    r.error = error;
    return r;
}

// 0 when a ready disc is in the drive, else the MCI error a drive gives.
std::uint32_t mediaError(const DriveState& state, const Disc* disc, std::int64_t now) {
    if (!isMediaPresent(state) || disc == nullptr || !disc->hasMedia || disc->tracks.empty())
        return mci::kErrHardware;
    if (isSpinningUp(state, now))
        return mci::kErrDeviceNotReady;
    return 0;
}

bool elementMatches(const std::string& element, char letter) {
    if (element.empty())
        return true;
    if (element.size() < 2 || element.size() > 3 || element[1] != ':')
        return false;
    if (element.size() == 3 && element[2] != '\\' && element[2] != '/')
        return false;
    char c = element[0];
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    char l = letter;
    if (l >= 'a' && l <= 'z')
        l = static_cast<char>(l - 'a' + 'A');
    return c == l;
}

std::uint32_t packMsf(int frames) {
    Msf m = framesToMsf(frames);
    return mci::makeMsf(static_cast<std::uint32_t>(m.minute), static_cast<std::uint32_t>(m.second),
                        static_cast<std::uint32_t>(m.frame));
}

std::uint32_t toMs(int frames) {
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(frames) * 1000 / kFramesPerSecond);
}

// A position in the time format.
std::uint32_t encodePosition(const Disc& disc, int frame, std::uint32_t format) {
    if (format == mci::kFormatMilliseconds)
        return toMs(frame);
    if (format == mci::kFormatMsf)
        return packMsf(frame);
    const Track* t = disc.track(disc.trackAt(frame));
    int relative = frame - t->startFrame;
    Msf m = framesToMsf(relative < 0 ? 0 : relative);
    return mci::makeTmsf(static_cast<std::uint32_t>(t->number),
                         static_cast<std::uint32_t>(m.minute), static_cast<std::uint32_t>(m.second),
                         static_cast<std::uint32_t>(m.frame));
}

// A length in the time format (TMSF lengths are given as MSF).
std::uint32_t encodeLength(int frames, std::uint32_t format) {
    return format == mci::kFormatMilliseconds ? toMs(frames) : packMsf(frames);
}

bool decodePosition(const Disc& disc, std::uint32_t value, std::uint32_t format, int& frame) {
    if (format == mci::kFormatMilliseconds) {
        frame = static_cast<int>(static_cast<std::int64_t>(value) * kFramesPerSecond / 1000);
        return frame <= kMaxFrame;
    }
    int base = 0;
    std::uint32_t msf = value;
    if (format == mci::kFormatTmsf) {
        const Track* t = disc.track(static_cast<int>(value & 0xFF));
        if (t == nullptr)
            return false;
        base = t->startFrame;
        msf = value >> 8;
    }
    int m = static_cast<int>(msf & 0xFF);
    int s = static_cast<int>(msf >> 8 & 0xFF);
    int f = static_cast<int>(msf >> 16 & 0xFF);
    if (s > 59 || f > 74 || (format == mci::kFormatMsf && (value >> 24) != 0))
        return false;
    frame = base + msfToFrames(m, s, f);
    return true;
}

// The length of a track as the device reports it: the last track ends one frame early.
int trackLength(const Disc& disc, int number) {
    const Track* t = disc.track(number);
    int end =
        number == disc.trackCount() ? disc.leadOutFrame() - 1 : disc.track(number + 1)->startFrame;
    return end - t->startFrame;
}

std::uint32_t mode(DriveState& state, const Disc* disc, std::int64_t now) {
    if (isTrayOpen(state))
        return mci::kModeOpen;
    if (mediaError(state, disc, now) != 0)
        return mci::kModeNotReady;
    switch (audioState(state, now)) {
    case AudioState::Playing:
        return mci::kModePlay;
    case AudioState::Paused:
        return mci::kModePause;
    default:
        return mci::kModeStop;
    }
}

MciResult resource(std::uint32_t value, std::uint32_t id) {
    MciResult r;
    r.value = value;
    r.resourceReturned = true;
    r.resourceId = id;
    return r;
}

MciResult boolean(bool value) {
    return resource(value ? mci::kTrue : mci::kFalse,
                    value ? mci::kResourceTrue : mci::kResourceFalse);
}

std::uint32_t discIdentity(const Disc& disc) {
    int sum = 0;
    for (const Track& t : disc.tracks) {
        for (int s = t.startFrame / kFramesPerSecond; s > 0; s /= 10)
            sum += s % 10;
    }
    int seconds =
        disc.leadOutFrame() / kFramesPerSecond - disc.tracks.front().startFrame / kFramesPerSecond;
    return static_cast<std::uint32_t>(sum % 255) << 24 | static_cast<std::uint32_t>(seconds) << 8 |
           static_cast<std::uint32_t>(disc.trackCount());
}

} // namespace

MciResult MciDevice::execute(const MciRequest& request, DriveState& state, const Disc* disc,
                             std::int64_t now) {
    if (request.command == MciCommand::Open) {
        if (open_)
            return failure(mci::kErrDeviceOpen);
        if (!elementMatches(request.element, state.driveLetter))
            return failure(mci::kErrInvalidDeviceName);
        open_ = true;
        timeFormat_ = mci::kFormatMsf;
        notifyPending_ = false;
        MciResult r;
        r.notification = request.notify ? mci::kNotifySuccessful : 0;
        return r;
    }
    if (!open_)
        return failure(mci::kErrInvalidDeviceId);

    MciResult r;
    std::uint32_t error = 0;
    switch (request.command) {
    case MciCommand::Open:
        break;
    case MciCommand::Close:
        open_ = false;
        if (notifyPending_)
            r.previousNotification = mci::kNotifyAborted;
        notifyPending_ = false;
        break;
    case MciCommand::Status: {
        std::uint32_t item = request.item;
        if (item == mci::kStatusMode)
            return resource(mode(state, disc, now), mode(state, disc, now));
        if (item == mci::kStatusReady)
            return boolean(mediaError(state, disc, now) == 0);
        if (item == mci::kStatusMediaPresent)
            return boolean(mediaError(state, disc, now) != mci::kErrHardware);
        if (item == mci::kStatusTimeFormat)
            return resource(timeFormat_, mci::kResourceFormatBase + timeFormat_);
        if (item != mci::kStatusLength && item != mci::kStatusPosition &&
            item != mci::kStatusNumberOfTracks && item != mci::kStatusCurrentTrack &&
            item != mci::kCdaStatusTypeTrack)
            return failure(mci::kErrUnsupportedFunction);
        error = mediaError(state, disc, now);
        if (error != 0)
            return failure(error);
        bool perTrack = request.hasTrack && item != mci::kStatusNumberOfTracks &&
                        item != mci::kStatusCurrentTrack;
        int number = static_cast<int>(request.track);
        if (perTrack && (request.track > kMaxTrackNumber || disc->track(number) == nullptr))
            return failure(mci::kErrOutOfRange);
        if (item == mci::kCdaStatusTypeTrack) {
            if (!request.hasTrack)
                return failure(mci::kErrMissingParameter);
            std::uint32_t type = disc->track(number)->audio ? mci::kTrackAudio : mci::kTrackOther;
            return resource(type, type);
        }
        if (item == mci::kStatusNumberOfTracks)
            r.value = static_cast<std::uint32_t>(disc->trackCount());
        else if (item == mci::kStatusCurrentTrack)
            r.value = static_cast<std::uint32_t>(disc->trackAt(currentFrame(state, now)));
        else if (item == mci::kStatusPosition)
            r.value = encodePosition(
                *disc, perTrack ? disc->track(number)->startFrame : currentFrame(state, now),
                timeFormat_);
        else if (perTrack)
            r.value = encodeLength(trackLength(*disc, number), timeFormat_);
        else
            r.value = encodeLength(disc->leadOutFrame() - 1 - disc->tracks.front().startFrame,
                                   timeFormat_);
        break;
    }
    case MciCommand::Set:
        if (request.doorOpen && request.doorClosed)
            return failure(mci::kErrFlagsNotCompatible);
        if (!request.setTimeFormat && !request.doorOpen && !request.doorClosed)
            return failure(mci::kErrMissingParameter);
        if (request.setTimeFormat) {
            if (request.timeFormat != mci::kFormatMilliseconds &&
                request.timeFormat != mci::kFormatMsf && request.timeFormat != mci::kFormatTmsf)
                return failure(mci::kErrBadTimeFormat);
            timeFormat_ = request.timeFormat;
        }
        if (request.doorOpen)
            openTray(state, now);
        if (request.doorClosed)
            closeTray(state, now);
        break;
    case MciCommand::Play: {
        error = mediaError(state, disc, now);
        if (error != 0)
            return failure(error);
        int from = currentFrame(state, now);
        int to = disc->leadOutFrame();
        if (request.hasFrom && !decodePosition(*disc, request.from, timeFormat_, from))
            return failure(mci::kErrOutOfRange);
        if (request.hasTo && !decodePosition(*disc, request.to, timeFormat_, to))
            return failure(mci::kErrOutOfRange);
        if (from < disc->tracks.front().startFrame || from >= disc->leadOutFrame() ||
            to > disc->leadOutFrame() || from > to)
            return failure(mci::kErrOutOfRange);
        if (!disc->track(disc->trackAt(from))->audio)
            return failure(mci::kErrHardware);
        if (notifyPending_)
            r.previousNotification = mci::kNotifySuperseded;
        notifyPending_ = false;
        startPlay(state, from, to, now);
        if (request.notify) {
            notifyPending_ = true;
            notifySerial_ = state.playSerial;
        }
        return r;
    }
    case MciCommand::Stop:
    case MciCommand::Pause:
        error = mediaError(state, disc, now);
        if (error != 0)
            return failure(error);
        if (notifyPending_ && audioState(state, now) == AudioState::Playing)
            r.previousNotification = mci::kNotifyAborted;
        if (r.previousNotification != 0)
            notifyPending_ = false;
        if (request.command == MciCommand::Stop)
            stopPlay(state, now);
        else
            pausePlay(state, now);
        break;
    case MciCommand::Resume:
        error = mediaError(state, disc, now);
        if (error != 0)
            return failure(error);
        resumePlay(state, now);
        break;
    case MciCommand::Info:
        if (request.item == mci::kInfoProduct) {
            r.text = formatText("%s %s", kInquiryVendor, kInquiryProduct);
        } else if (request.item == mci::kInfoMediaIdentity) {
            error = mediaError(state, disc, now);
            if (error != 0)
                return failure(error);
            r.text = formatText("%08X", static_cast<unsigned>(discIdentity(*disc)));
        } else {
            return failure(mci::kErrUnsupportedFunction);
        }
        break;
    }
    if (request.notify)
        r.notification = mci::kNotifySuccessful;
    return r;
}

std::int32_t MciDevice::delayMs(const MciRequest& request, const DriveState& state,
                                const Disc* disc, std::int64_t now) const {
    if (!open_ || request.command != MciCommand::Status)
        return 0;
    bool readsToc = request.item == mci::kStatusNumberOfTracks ||
                    (request.hasTrack &&
                     (request.item == mci::kStatusPosition || request.item == mci::kStatusLength));
    return readsToc ? tocReadDelayMs(state, disc, now) : 0;
}

std::uint32_t MciDevice::pollNotification(DriveState& state, std::int64_t now) {
    if (!notifyPending_)
        return 0;
    if (state.playSerial != notifySerial_) {
        notifyPending_ = false;
        return mci::kNotifySuperseded;
    }
    AudioState audio = audioState(state, now);
    if (audio == AudioState::Playing || audio == AudioState::Paused)
        return 0;
    notifyPending_ = false;
    return static_cast<PlayEnd>(state.playEnd) == PlayEnd::Completed ? mci::kNotifySuccessful
                                                                     : mci::kNotifyAborted;
}

} // namespace rubo::vdrive
