#pragma once

// Records for a disc, its tracks and its text, the time values positions are
// held in, and the freedb disc id.

#include <cstdint>
#include <string>
#include <vector>

namespace rubo {

// Time units: all positions are absolute disc addresses, lead-in included.
constexpr int kFramesPerSecond = 75;
constexpr int kSecondsPerMinute = 60;
constexpr int kFramesPerMinute = kFramesPerSecond * kSecondsPerMinute;
constexpr int kLeadInFrames = 2 * kFramesPerSecond;

// Device position: minutes in bits 0-7, seconds 8-15, frames 16-23.
using PackedMsf = std::uint32_t;
// Track-relative device position: track 0-7, minutes 8-15, seconds 16-23, frames 24-31.
using PackedTmsf = std::uint32_t;
// freedb disc identifier, shown as "%X".
using DiscId = std::uint32_t;

constexpr PackedMsf makeMsf(int minutes, int seconds, int frames) {
    return (static_cast<PackedMsf>(minutes) & 0xFFu) |
           ((static_cast<PackedMsf>(seconds) & 0xFFu) << 8) |
           ((static_cast<PackedMsf>(frames) & 0xFFu) << 16);
}
constexpr int msfMinutes(PackedMsf msf) {
    return static_cast<int>(msf & 0xFFu);
}
constexpr int msfSeconds(PackedMsf msf) {
    return static_cast<int>((msf >> 8) & 0xFFu);
}
constexpr int msfFrames(PackedMsf msf) {
    return static_cast<int>((msf >> 16) & 0xFFu);
}

constexpr PackedTmsf makeTmsf(int track, int minutes, int seconds, int frames) {
    return (static_cast<PackedTmsf>(track) & 0xFFu) |
           ((static_cast<PackedTmsf>(minutes) & 0xFFu) << 8) |
           ((static_cast<PackedTmsf>(seconds) & 0xFFu) << 16) |
           ((static_cast<PackedTmsf>(frames) & 0xFFu) << 24);
}
constexpr int tmsfTrack(PackedTmsf tmsf) {
    return static_cast<int>(tmsf & 0xFFu);
}
constexpr int tmsfMinutes(PackedTmsf tmsf) {
    return static_cast<int>((tmsf >> 8) & 0xFFu);
}
constexpr int tmsfSeconds(PackedTmsf tmsf) {
    return static_cast<int>((tmsf >> 16) & 0xFFu);
}
constexpr int tmsfFrames(PackedTmsf tmsf) {
    return static_cast<int>((tmsf >> 24) & 0xFFu);
}

// Fixed texts of the disc records.
constexpr const char kTrackTitleFormat[] = "Track %d";
constexpr const char kUnknownText[] = "?";
constexpr const char kDefaultCategory[] = "misc";
// Said when a disc's new text is ready but the disc has left the drive.
constexpr const char kDiscGoneMessage[] = "Error: The CD was not found anymore";

// Where the text of a disc came from. Values read back from files may lie
// outside the named ones; the fixed int base keeps them representable.
enum DiscOrigin : int {
    OriginUnknown = 0,
    OriginEdit = 1,
    OriginCdText = 2,
    OriginFreedb = 3,
    OriginCdPlayerIni = 5,
    OriginRuboIni = 6,
    OriginMusicBrainz = 7,
};

constexpr const char kOriginNameUnknown[] = "Unknown";
constexpr const char kOriginNameEdit[] = "Edit";
constexpr const char kOriginNameCdText[] = "CD TEXT";
constexpr const char kOriginNameFreedb[] = "freedb";
constexpr const char kOriginNameCdPlayerIni[] = "cdplayer.ini";
constexpr const char kOriginNameRuboIni[] = "rubo.ini";
constexpr const char kOriginNameMusicBrainz[] = "MusicBrainz";

// DiscInfo::freedbState values.
constexpr int kFreedbStateUnknown = 1;
constexpr int kFreedbStateFound = 2;
constexpr int kFreedbStateNotFound = 3;

struct TrackEntry {
    int number = 0;       // track number 1-99; 0 in an empty entry
    std::string title;    // "Track %d" until real text is loaded
    std::string extended; // extended track data
    PackedMsf length = 0;
    PackedMsf start = 0; // absolute start address
    int audio = 0;       // 1 audio, 0 data
};

// The table of contents. Entries are indexed by track number; entry 0 holds
// no track. The array may run past trackCount + 1 (extra titles from a file).
struct TrackList {
    // Highest index the array may be enlarged to.
    static constexpr int kMaxIndex = 999;

    std::vector<TrackEntry> tracks;
    int leadOut = 0; // absolute frame address of the first frame after the last track
    int trackCount = 0;

    int entryCount() const { return static_cast<int>(tracks.size()); }

    // The entry at an index, or nullptr when the index lies outside the array.
    TrackEntry* entry(int index);
    const TrackEntry* entry(int index) const;

    // The entry at an index for writing; the array is enlarged with empty
    // entries up to it. nullptr for a negative index or one above kMaxIndex.
    TrackEntry* entryForStore(int index);
    // Copies an entry to an index, enlarging the array; false when the index is refused.
    bool store(int index, const TrackEntry& value);

    // No entries, leadOut 0, trackCount 0.
    void clear();
};

struct DiscInfo {
    bool valid = false;
    DiscOrigin origin = OriginUnknown;
    TrackList trackList;
    bool hasAudio = false;
    std::uint8_t firstAudioTrack = 0; // also the user interface's current track
    int freedbState = kFreedbStateUnknown;
    int freedbRevision = 0;
    DiscId discId = 0;
    int modified = 1;
    std::string artist = kUnknownText; // "?" marks a record in which nothing was found
    std::string title = kUnknownText;
    std::string category = kDefaultCategory;
    std::string genre;
    int year = 0; // 0: none
    std::string extendedDisc;
    std::vector<int> playOrder; // PLAYORDER: track numbers, empty when none
};

// (minutes * 60 + seconds) * 75 + frames.
int msfToFrames(PackedMsf msf);
// Negative frame counts give 00:00:00; minutes beyond 255 wrap in their byte.
PackedMsf framesToMsf(int frames);
// As msfToFrames; the track byte is ignored.
int tmsfToFrames(PackedTmsf tmsf);
// A 4-byte READ TOC address: reserved, minutes, seconds, frames. 0 for nullptr.
int tocAddressToFrames(const unsigned char* address);
// Lead-out of a list read from the CD-audio device: one past the end of the last track.
int deviceLeadOut(PackedMsf lastStart, PackedMsf lastLength);

// freedb disc id; 0 for a list without tracks. Tracks missing from the
// array count as starting at 0.
DiscId computeDiscId(const TrackList& list);
// "%X" of the id.
std::string discIdText(DiscId id);

// Between a track's own performer and its title.
constexpr const char kTrackPerformerSeparator[] = " / ";
// The title of a track whose performer is not the disc's artist: "performer / title".
std::string performerTitle(const std::string& performer, const std::string& title);

// Titles tracks 1..trackCount "Track %d" and empties their extended data.
void setDefaultTitles(TrackList& list);
void resetDiscInfo(DiscInfo& info);
// Back to the default texts; track numbers and addresses stay.
void clearDiscText(DiscInfo& info);
void findFirstAudioTrack(DiscInfo& info);

// The escape of a line break in extended data.
constexpr const char kEscapedLineBreak[] = "\\n";
// Makes every text one line, as the settings file keeps it: a line break in
// a name or title becomes a blank, one in extended data its escape, and NUL
// characters are dropped. True when some text changed.
bool flattenDiscText(DiscInfo& info);
// Whether flattenDiscText() would change the record.
bool discTextBreaksLines(const DiscInfo& info);

// Whether two records are of the same disc: the same id and table of contents.
bool sameDisc(const DiscInfo& a, const DiscInfo& b);

// Display name of an origin; "?" for values outside the table. Never null.
const char* originName(DiscOrigin origin);

} // namespace rubo
