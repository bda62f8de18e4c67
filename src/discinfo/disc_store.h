#pragma once

// The disc database in the settings file, and the lookup of a disc's text in
// it, in CD-TEXT and in the cdplayer.ini file of the older Windows CD player.

#include "discinfo/disc_model.h"

#include <cstdint>
#include <string>

namespace rubo {

class SettingsFile;
class ProfileApi;

// Keys of a disc section.
constexpr const char kDiscArtistKey[] = "Artist";
constexpr const char kDiscTitleKey[] = "Title";
constexpr const char kDiscYearKey[] = "Year";
constexpr const char kDiscGenreKey[] = "Genre";
constexpr const char kDiscCategoryKey[] = "Category";
constexpr const char kDiscTrackKeyFormat[] = "%d";
constexpr const char kDiscExtdKey[] = "Extd";
constexpr const char kDiscExttKeyFormat[] = "Extt%d";
constexpr const char kDiscPlayOrderKey[] = "PLAYORDER"; // "3,1,2"; written only when set
// Stored for an empty track title.
constexpr const char kUntitledText[] = "<untitled>";
// Default of a track key read; ends the track list.
constexpr const char kTrackListEnd[] = "???";

// Keys of a cdplayer.ini section.
constexpr const char kCdPlayerArtistKey[] = "artist";
constexpr const char kCdPlayerTitleKey[] = "title";

// The volume serial number of the medium in a drive.
class VolumeSerialSource {
public:
    virtual ~VolumeSerialSource() = default;
    // False when the platform cannot tell; `serial` is then left alone.
    virtual bool volumeSerial(const std::string& drive, std::uint32_t& serial) = 0;
};

// The platform's: GetVolumeInformationA on Windows (the drive text as root
// path, a "\" added when missing); natively the file-system id of the path.
VolumeSerialSource& systemVolumeSerialSource();

// What the store reads and writes.
struct DiscStoreAccess {
    SettingsFile& settings; // "RUBO.ini"
    ProfileApi& profile;    // reads cdplayer.ini
    VolumeSerialSource& serials;
};

// `settings` with systemProfileApi() and systemVolumeSerialSource().
DiscStoreAccess systemDiscStoreAccess(SettingsFile& settings);

// Fills the text fields, origin, first-audio-track fields and valid of a
// record whose trackList holds the TOC and whose discId is set. Looks in
// RUBO.ini, then CD-TEXT, then cdplayer.ini; saves what the latter two gave.
// An empty cdPlayerIni path finds nothing there.
void loadDiscInfo(const DiscStoreAccess& access, const std::string& drive,
                  const std::string& cdPlayerIni, const DiscInfo& cdText, DiscInfo& info);

// 1 when the database has the disc (its text is then read into `info`), else 0.
int readRuboIniEntry(SettingsFile& settings, DiscInfo& info);

// 1 when the CD-TEXT record is valid (artist, title, track titles and message
// text are then taken over), else 0.
int copyCdTextInfo(DiscInfo& info, const DiscInfo& cdText);

// 1 when cdplayer.ini has the disc under the drive's volume serial, else 0.
int readCdPlayerIniEntry(ProfileApi& profile, VolumeSerialSource& serials, DiscInfo& info,
                         const std::string& cdPlayerIni, const std::string& drive);

// Rewrites the disc's section as one change under the settings file's lock;
// for artist "?" only the emptied header stays. Thread-safe. False when the
// file could not be replaced (it is then as it was).
bool saveDiscInfo(SettingsFile& settings, const DiscInfo& info);

} // namespace rubo
