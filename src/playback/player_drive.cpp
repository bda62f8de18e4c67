#include "playback/player_drive.h"

#include "base/event_log.h"

namespace rubo {

bool playStart(const DiscInfo& disc, PackedTmsf position, PackedMsf& start) {
    const int track = tmsfTrack(position);
    const TrackList& list = disc.trackList;
    if (!disc.valid || track < 1 || track > list.trackCount)
        return false;
    const TrackEntry* entry = list.entry(track);
    if (!entry)
        return false;
    int frames = msfFrames(entry->start) + tmsfFrames(position);
    int carry = frames / kFramesPerSecond;
    frames %= kFramesPerSecond;
    int seconds = msfSeconds(entry->start) + tmsfSeconds(position) + carry;
    carry = seconds / kSecondsPerMinute;
    seconds %= kSecondsPerMinute;
    const int minutes = msfMinutes(entry->start) + tmsfMinutes(position) + carry;
    start = makeMsf(minutes, seconds, frames);
    return true;
}

int playEndFrames(const DiscInfo& disc, int track, bool trackOnly) {
    const TrackEntry* entry = disc.trackList.entry(track);
    if (!trackOnly || !entry)
        return disc.trackList.leadOut;
    return msfToFrames(entry->start) + msfToFrames(entry->length);
}

std::uint32_t PlayerDrive::currentTrackNow(int direct) {
    if (!direct)
        return device_.currentTrack();
    return static_cast<std::uint32_t>(scsi_.currentPosition(drive_, aspiMap_.get()).track);
}

PackedTmsf PlayerDrive::trackPositionNow(int direct) {
    if (!direct)
        return device_.position();
    return scsi_.currentPosition(drive_, aspiMap_.get()).trackPosition;
}

void PlayerDrive::positionsNow(const DiscInfo& disc, int direct, PackedMsf& absolute,
                               PackedTmsf& track) {
    if (direct) {
        const SubChannelPosition now = scsi_.currentPosition(drive_, aspiMap_.get());
        absolute = now.absolute;
        track = now.trackPosition;
        return;
    }
    device_.setTimeFormat(kMciFormatTmsf);
    track = device_.position();
    if (playStart(disc, track, absolute))
        return;
    device_.setTimeFormat(kMciFormatMsf);
    absolute = device_.position();
    device_.setTimeFormat(kMciFormatTmsf);
}

void PlayerDrive::playAt(const DiscInfo& disc, int direct, PackedTmsf position, bool trackOnly) {
    PackedMsf start = 0;
    if (!playStart(disc, position, start))
        return;
    const PackedMsf end = framesToMsf(playEndFrames(disc, tmsfTrack(position), trackOnly));
    if (direct) {
        log_.logEvent(2240, "  : Playing Direct position %2d:%02d %02d", msfMinutes(start),
                      msfSeconds(start), msfFrames(start));
        scsi_.playAudioMsf(drive_, aspiMap_.get(), start, end);
        return;
    }
    log_.logEvent(2241, "  : Playing Track %d position %2d:%02d %02d   Abs: %2d:%02d %02d",
                  tmsfTrack(position), tmsfMinutes(position), tmsfSeconds(position),
                  tmsfFrames(position), msfMinutes(start), msfSeconds(start), msfFrames(start));
    device_.setTimeFormat(kMciFormatMsf);
    const MciError error =
        trackOnly ? device_.playRange(start, end, 1) : device_.playFrom(start, 1);
    std::string text;
    if (error != 0 && mciErrorText(error, text))
        log_.logEvent(2242, "  : MCI Error: %s", text.c_str());
    device_.setTimeFormat(kMciFormatTmsf);
}

} // namespace rubo
