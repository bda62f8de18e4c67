#pragma once

// The worker's access to the drive: position reads and plays, through MCI
// or, in direct mode, through SCSI.

#include "base/event_log.h"
#include "discinfo/disc_model.h"
#include "drive/cd_audio_device.h"
#include "drive/scsi_access.h"
#include "playback/player_state.h"

#include <string>

namespace rubo {

// Absolute start of a track-relative position on a disc; false when the disc
// is not valid or the track is not one of its tracks 1..trackCount.
bool playStart(const DiscInfo& disc, PackedTmsf position, PackedMsf& start);

// Absolute frame where a play of `track` ends: the end of the track with
// `trackOnly`, else the lead-out.
int playEndFrames(const DiscInfo& disc, int track, bool trackOnly);

class PlayerDrive {
public:
    PlayerDrive(CdAudioDevice& device, ScsiAccess& scsi, const std::string& drive,
                const SharedAspiMap& aspiMap, EventLog& log)
        : device_(device), scsi_(scsi), drive_(drive), aspiMap_(aspiMap), log_(log) {}

    std::uint32_t currentTrackNow(int direct);
    PackedTmsf trackPositionNow(int direct);
    // Both positions of the play. Through MCI the track position is read and
    // the absolute one worked out from the disc's track list, as the device
    // itself does; a track the list lacks costs a second read in MSF.
    void positionsNow(const DiscInfo& disc, int direct, PackedMsf& absolute, PackedTmsf& track);

    // Plays from `position` to the end of the disc, or of its track with
    // `trackOnly`; nothing for a position playStart refuses. Failures are
    // logged only.
    void playAt(const DiscInfo& disc, int direct, PackedTmsf position, bool trackOnly = false);

    CdAudioDevice& device() { return device_; }
    ScsiAccess& scsi() { return scsi_; }
    const std::string& drive() const { return drive_; }

private:
    CdAudioDevice& device_;
    ScsiAccess& scsi_;
    const std::string& drive_;
    const SharedAspiMap& aspiMap_;
    EventLog& log_;
};

} // namespace rubo
