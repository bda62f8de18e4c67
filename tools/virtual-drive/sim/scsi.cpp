#include "sim/scsi.h"

#include "sim/disc.h"
#include "sim/drive_state.h"

#include <cstring>
#include <vector>

namespace rubo::vdrive {

namespace {

using Bytes = std::vector<std::uint8_t>;

ScsiResult check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    ScsiResult r;
    r.status = scsi::kStatusCheckCondition;
    r.senseKey = key;
    r.asc = asc;
    r.ascq = ascq;
    return r;
}

ScsiResult illegal(std::uint8_t asc) {
    return check(scsi::kSenseIllegalRequest, asc, 0);
}

// Copies at most min(allocation, dataLength) bytes of the response.
ScsiResult transfer(const Bytes& response, std::size_t allocation, std::uint8_t* data,
                    std::size_t dataLength) {
    std::size_t n = response.size();
    if (n > allocation)
        n = allocation;
    if (n > dataLength)
        n = dataLength;
    if (data == nullptr)
        n = 0;
    if (n > 0)
        std::memcpy(data, response.data(), n);
    ScsiResult r;
    r.transferred = n;
    return r;
}

std::uint8_t control(const Track* t) {
    return (t != nullptr && !t->audio) ? 0x04 : 0x00;
}

void putAddress(Bytes& out, int frame, bool msf) {
    if (msf) {
        Msf m = framesToMsf(frame);
        out.push_back(0);
        out.push_back(static_cast<std::uint8_t>(m.minute));
        out.push_back(static_cast<std::uint8_t>(m.second));
        out.push_back(static_cast<std::uint8_t>(m.frame));
    } else {
        std::uint32_t lba = static_cast<std::uint32_t>(frame - kLeadInFrames);
        out.push_back(static_cast<std::uint8_t>(lba >> 24));
        out.push_back(static_cast<std::uint8_t>(lba >> 16));
        out.push_back(static_cast<std::uint8_t>(lba >> 8));
        out.push_back(static_cast<std::uint8_t>(lba));
    }
}

void putLength(Bytes& out) {
    std::size_t length = out.size() - 2;
    out[0] = static_cast<std::uint8_t>(length >> 8);
    out[1] = static_cast<std::uint8_t>(length);
}

// Medium check shared by the commands that need a ready disc.
bool notReady(const DriveState& state, const Disc* disc, std::int64_t now, ScsiResult& r) {
    if (isTrayOpen(state)) {
        r = check(scsi::kSenseNotReady, scsi::kAscMediumNotPresent, scsi::kAscqTrayOpen);
        return true;
    }
    if (!isMediaPresent(state) || disc == nullptr || !disc->hasMedia || disc->tracks.empty()) {
        r = check(scsi::kSenseNotReady, scsi::kAscMediumNotPresent, scsi::kAscqTrayClosed);
        return true;
    }
    if (isSpinningUp(state, now)) {
        r = check(scsi::kSenseNotReady, scsi::kAscNotReady, scsi::kAscqBecomingReady);
        return true;
    }
    return false;
}

ScsiResult readToc(const Disc& disc, const std::uint8_t* cdb, std::uint8_t* data,
                   std::size_t dataLength) {
    bool msf = (cdb[1] & 0x02) != 0;
    int format = cdb[2] & 0x0F;
    int number = cdb[6];
    std::size_t allocation = static_cast<std::size_t>(cdb[7]) << 8 | cdb[8];
    const Track& last = disc.tracks.back();
    Bytes out{0, 0, 0, 0};
    if (format == 0) {
        if (number > last.number && number != 0xAA)
            return illegal(scsi::kAscInvalidField);
        out[2] = static_cast<std::uint8_t>(disc.tracks.front().number);
        out[3] = static_cast<std::uint8_t>(last.number);
        for (const Track& t : disc.tracks) {
            if (t.number < number)
                continue;
            out.insert(out.end(), {0, static_cast<std::uint8_t>(0x10 | control(&t)),
                                   static_cast<std::uint8_t>(t.number), 0});
            putAddress(out, t.startFrame, msf);
        }
        out.insert(out.end(), {0, static_cast<std::uint8_t>(0x10 | control(&last)), 0xAA, 0});
        putAddress(out, disc.leadOutFrame(), msf);
    } else if (format == 1) {
        const Session& s = disc.sessions.back();
        const Track* first = disc.track(s.firstTrack);
        out[2] = 1;
        out[3] = static_cast<std::uint8_t>(s.number);
        out.insert(out.end(), {0, static_cast<std::uint8_t>(0x10 | control(first)),
                               static_cast<std::uint8_t>(s.firstTrack), 0});
        putAddress(out, first->startFrame, msf);
    } else if (format == 2) {
        int from = number == 0 ? 1 : number;
        if (from > disc.sessionCount())
            return illegal(scsi::kAscInvalidField);
        bool multi = disc.sessionCount() > 1;
        out[2] = 1;
        out[3] = static_cast<std::uint8_t>(disc.sessionCount());
        auto point = [&out](int session, std::uint8_t adrControl, std::uint8_t pointNo, Msf a,
                            std::uint8_t zero, Msf p) {
            out.insert(out.end(),
                       {static_cast<std::uint8_t>(session), adrControl, 0, pointNo,
                        static_cast<std::uint8_t>(a.minute), static_cast<std::uint8_t>(a.second),
                        static_cast<std::uint8_t>(a.frame), zero,
                        static_cast<std::uint8_t>(p.minute), static_cast<std::uint8_t>(p.second),
                        static_cast<std::uint8_t>(p.frame)});
        };
        const Msf zero{};
        for (const Session& s : disc.sessions) {
            if (s.number < from)
                continue;
            const Track* first = disc.track(s.firstTrack);
            const Track* lastInSession = disc.track(s.lastTrack);
            std::uint8_t discType = multi ? 0x20 : 0x00;
            point(s.number, static_cast<std::uint8_t>(0x10 | control(first)), 0xA0, zero, 0,
                  Msf{s.firstTrack, discType, 0});
            point(s.number, static_cast<std::uint8_t>(0x10 | control(lastInSession)), 0xA1, zero, 0,
                  Msf{s.lastTrack, 0, 0});
            point(s.number, static_cast<std::uint8_t>(0x10 | control(lastInSession)), 0xA2, zero, 0,
                  framesToMsf(s.leadOutFrame));
            for (int n = s.firstTrack; n <= s.lastTrack; ++n) {
                const Track* t = disc.track(n);
                point(s.number, static_cast<std::uint8_t>(0x10 | control(t)),
                      static_cast<std::uint8_t>(n), zero, 0, framesToMsf(t->startFrame));
            }
            if (multi && s.number < disc.sessionCount()) {
                const Session* next = disc.session(s.number + 1);
                int nextStart = disc.track(next->firstTrack)->startFrame;
                point(s.number, 0x50, 0xB0, framesToMsf(nextStart), s.number == 1 ? 2 : 1,
                      Msf{79, 59, 74});
            }
            if (multi && s.number == 1)
                point(s.number, 0x50, 0xC0, zero, 0, Msf{97, 27, 0});
        }
    } else if (format == 5) {
        out.insert(out.end(), disc.cdText.begin(), disc.cdText.end());
    } else {
        return illegal(scsi::kAscInvalidField);
    }
    putLength(out);
    return transfer(out, allocation, data, dataLength);
}

ScsiResult readSubChannel(DriveState& state, const Disc& disc, const std::uint8_t* cdb,
                          std::uint8_t* data, std::size_t dataLength, std::int64_t now) {
    bool msf = (cdb[1] & 0x02) != 0;
    bool subQ = (cdb[2] & 0x40) != 0;
    int format = cdb[3];
    std::size_t allocation = static_cast<std::size_t>(cdb[7]) << 8 | cdb[8];
    if (subQ && format != 1)
        return illegal(scsi::kAscInvalidField);
    int frame = currentFrame(state, now);
    std::uint8_t status = scsi::kAudioNoStatus;
    switch (static_cast<AudioState>(state.audioState)) {
    case AudioState::Playing:
        status = scsi::kAudioPlaying;
        break;
    case AudioState::Paused:
        status = scsi::kAudioPaused;
        break;
    case AudioState::Completed:
        status = scsi::kAudioCompleted;
        // Reported once, then no status.
        state.audioState = static_cast<std::int32_t>(AudioState::Stopped);
        break;
    case AudioState::Stopped:
        break;
    }
    Bytes out{0, status, 0, 0};
    if (subQ) {
        const Track* t = disc.track(disc.trackAt(frame));
        bool pregap = frame < t->startFrame;
        out.insert(out.end(), {0x01, static_cast<std::uint8_t>(0x10 | control(t)),
                               static_cast<std::uint8_t>(t->number),
                               static_cast<std::uint8_t>(pregap ? 0 : 1)});
        putAddress(out, frame, msf);
        int relative = pregap ? t->startFrame - frame : frame - t->startFrame;
        // Relative addresses count from 0, without the lead-in offset.
        putAddress(out, msf ? relative : relative + kLeadInFrames, msf);
        out[3] = 12;
    }
    return transfer(out, allocation, data, dataLength);
}

ScsiResult playAudioMsf(DriveState& state, const Disc& disc, const std::uint8_t* cdb,
                        std::int64_t now) {
    bool fromCurrent = cdb[3] == 0xFF && cdb[4] == 0xFF && cdb[5] == 0xFF;
    if ((!fromCurrent && (cdb[4] > 59 || cdb[5] > 74)) || cdb[7] > 59 || cdb[8] > 74)
        return illegal(scsi::kAscInvalidField);
    int start = fromCurrent ? currentFrame(state, now) : msfToFrames(cdb[3], cdb[4], cdb[5]);
    int end = msfToFrames(cdb[6], cdb[7], cdb[8]);
    if (start == end)
        return ScsiResult{};
    if (start > end)
        return illegal(scsi::kAscInvalidField);
    if (start < kLeadInFrames || end > disc.leadOutFrame())
        return illegal(scsi::kAscLbaOutOfRange);
    const Track* t = disc.track(disc.trackAt(start));
    if (!t->audio && start >= t->startFrame)
        return illegal(scsi::kAscIllegalModeForTrack);
    startPlay(state, start, end, now);
    return ScsiResult{};
}

ScsiResult inquiry(const std::uint8_t* cdb, std::uint8_t* data, std::size_t dataLength) {
    if (cdb[1] & 0x01)
        return illegal(scsi::kAscInvalidField);
    std::size_t allocation = static_cast<std::size_t>(cdb[3]) << 8 | cdb[4];
    Bytes out(36, 0);
    out[0] = 0x05; // CD-ROM device
    out[1] = 0x80; // removable medium
    out[2] = 0x02;
    out[3] = 0x02;
    out[4] = 31; // bytes after byte 4
    auto put = [&out](std::size_t at, std::size_t width, const char* text) {
        std::size_t n = std::strlen(text);
        for (std::size_t i = 0; i < width; ++i)
            out[at + i] = static_cast<std::uint8_t>(i < n ? text[i] : ' ');
    };
    put(8, 8, kInquiryVendor);
    put(16, 16, kInquiryProduct);
    put(32, 4, kInquiryRevision);
    return transfer(out, allocation, data, dataLength);
}

ScsiResult dispatch(DriveState& state, const Disc* disc, const std::uint8_t* cdb,
                    std::uint8_t* data, std::size_t dataLength, std::int64_t now) {
    ScsiResult r;
    switch (cdb[0]) {
    case scsi::kTestUnitReady:
        notReady(state, disc, now, r);
        return r;
    case scsi::kInquiry:
        return inquiry(cdb, data, dataLength);
    case scsi::kStartStopUnit:
        if ((cdb[4] & 0x02) != 0) {
            if ((cdb[4] & 0x01) != 0)
                closeTray(state, now);
            else
                openTray(state, now);
        }
        return r;
    case scsi::kReadToc:
        if (notReady(state, disc, now, r))
            return r;
        return readToc(*disc, cdb, data, dataLength);
    case scsi::kReadSubChannel:
        if (notReady(state, disc, now, r))
            return r;
        return readSubChannel(state, *disc, cdb, data, dataLength, now);
    case scsi::kPlayAudioMsf:
        if (notReady(state, disc, now, r))
            return r;
        return playAudioMsf(state, *disc, cdb, now);
    case scsi::kPauseResume:
        if (notReady(state, disc, now, r))
            return r;
        if ((cdb[8] & 0x01) != 0 ? resumePlay(state, now) : pausePlay(state, now))
            return r;
        return illegal(scsi::kAscCommandSequenceError);
    case scsi::kStopPlayScan:
        if (notReady(state, disc, now, r))
            return r;
        stopPlay(state, now);
        return r;
    default:
        return illegal(scsi::kAscInvalidOpcode);
    }
}

} // namespace

ScsiResult executeScsi(DriveState& state, const Disc* disc, const std::uint8_t* cdb,
                       std::size_t cdbLength, std::uint8_t* data, std::size_t dataLength,
                       std::int64_t now) {
    if (data == nullptr)
        dataLength = 0;
    if (cdb == nullptr || cdbLength < 6)
        return illegal(scsi::kAscInvalidField);
    if (cdb[0] == scsi::kRequestSense) {
        ScsiResult last;
        last.senseKey = state.senseKey;
        last.asc = state.senseAsc;
        last.ascq = state.senseAscq;
        std::uint8_t sense[scsi::kSenseDataSize];
        std::size_t n = writeSenseData(last, sense, sizeof sense);
        state.senseKey = state.senseAsc = state.senseAscq = 0;
        return transfer(Bytes(sense, sense + n), cdb[4], data, dataLength);
    }
    ScsiResult r;
    if (cdb[0] >= 0x20 && cdbLength < 10)
        r = illegal(scsi::kAscInvalidField);
    else
        r = dispatch(state, disc, cdb, data, dataLength, now);
    state.senseKey = r.senseKey;
    state.senseAsc = r.asc;
    state.senseAscq = r.ascq;
    return r;
}

std::int32_t scsiCommandDelayMs(const DriveState& state, const Disc* disc, const std::uint8_t* cdb,
                                std::size_t cdbLength, std::int64_t now) {
    if (cdb == nullptr || cdbLength < 10 || cdb[0] != scsi::kReadToc)
        return 0;
    return tocReadDelayMs(state, disc, now);
}

std::size_t writeSenseData(const ScsiResult& result, std::uint8_t* out, std::size_t outLength) {
    std::uint8_t sense[scsi::kSenseDataSize] = {};
    sense[0] = 0x70;
    sense[2] = result.senseKey;
    sense[7] = 10;
    sense[12] = result.asc;
    sense[13] = result.ascq;
    std::size_t n = outLength < sizeof sense ? outLength : sizeof sense;
    if (out != nullptr && n > 0)
        std::memcpy(out, sense, n);
    return out != nullptr ? n : 0;
}

} // namespace rubo::vdrive
