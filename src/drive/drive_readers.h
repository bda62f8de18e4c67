#pragma once

// The readers the player uses on a new disc: the track list (first session
// of a multisession disc, extension from the drive's own TOC), the session
// information with "sessions.log", and CD-TEXT with "cdtext.log".

#include "discinfo/disc_model.h"
#include "drive/cd_audio_device.h"
#include "drive/scsi_access.h"

#include <string>

namespace rubo {

constexpr const char kSessionsLogName[] = "sessions.log";
constexpr const char kCdTextLogName[] = "cdtext.log";
constexpr const char kMultisessionText[] = "Multisession mode";

// Fills `list`; 1 when it came from the first session of a multisession
// disc (the player then plays and reads positions through SCSI), else 0.
// A repaired ASPI map is stored back in `aspiMap`; saving it is the caller's.
int readTrackList(const std::string& drive, std::string& aspiMap, CdAudioDevice& device,
                  ScsiAccess& scsi, int detectMultiSession, TrackList& list);

// The device's own list: numbers, starts, lengths and types in MSF form.
void fillFromDevice(CdAudioDevice& device, TrackList& list);

// True when the disc's first and last session numbers differ. Writes
// "sessions.log" when the transport's session log is on.
bool readSessionInfo(const std::string& drive, const std::string& aspiMap, ScsiAccess& scsi);

// 1 when READ TOC format 5 succeeded. The transport's CD-TEXT record is
// reset in every case and filled on success; "cdtext.log" when switched on.
int readCdText(const std::string& drive, const std::string& aspiMap, ScsiAccess& scsi);

} // namespace rubo
