#pragma once

// A simulated audio CD: tracks, sessions, lead-outs, volume serial, CD-TEXT.
// Loaded from a disc description file (see docs/virtual-drive.md).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rubo::vdrive {

constexpr int kFramesPerSecond = 75;
constexpr int kFramesPerMinute = 60 * kFramesPerSecond;
// Absolute addresses include the 2-second lead-in: LBA 0 is frame 150.
constexpr int kLeadInFrames = 2 * kFramesPerSecond;
constexpr int kMaxTrackNumber = 99;
// Highest address a disc description may use (99:59:74).
constexpr int kMaxFrame = 100 * kFramesPerMinute - 1;

constexpr std::size_t kCdTextPackSize = 18;
// Eight blocks of 256 packs.
constexpr std::size_t kMaxCdTextPacks = 2048;
constexpr std::size_t kMaxDiscFileBytes = 256 * 1024;
constexpr std::size_t kMaxDiscLineChars = 1024;
constexpr std::size_t kMaxCdtFileBytes = kMaxCdTextPacks * kCdTextPackSize + 4 + 17;
constexpr std::size_t kMaxVolumeLabelChars = 32;

struct Msf {
    int minute = 0;
    int second = 0;
    int frame = 0;
};

Msf framesToMsf(int frames);
int msfToFrames(int minute, int second, int frame);

struct Track {
    int number = 0;     // 1..99, equal to index + 1 in Disc::tracks
    int startFrame = 0; // absolute, lead-in included
    bool audio = true;
    int session = 1;
};

struct Session {
    int number = 0; // 1.., equal to index + 1 in Disc::sessions
    int firstTrack = 0;
    int lastTrack = 0;
    int leadOutFrame = 0; // absolute
};

struct Disc {
    std::string sourceName; // file the disc was loaded from
    // False when the file describes an empty tray (no media).
    bool hasMedia = false;
    std::vector<Track> tracks;
    std::vector<Session> sessions;
    std::uint32_t volumeSerial = 0;
    std::string volumeLabel;
    // Raw CD-TEXT packs as READ TOC format 5 returns them, a multiple of 18 bytes.
    std::vector<std::uint8_t> cdText;

    int trackCount() const { return static_cast<int>(tracks.size()); }
    int sessionCount() const { return static_cast<int>(sessions.size()); }
    // Lead-out of the last session; 0 without tracks.
    int leadOutFrame() const;
    // nullptr when the number is not a track of the disc.
    const Track* track(int number) const;
    const Session* session(int number) const;
    // First frame after the track: the next track of its session, else the session's lead-out.
    int trackEndFrame(int number) const;
    // Track holding the frame: the last track starting at or before it (track 1 before the
    // first track); 0 without tracks.
    int trackAt(int frame) const;
};

// Parses a disc description. fileName and baseDir are used for error texts and for
// "cdtext-file" references (relative to baseDir). On failure `out` is left untouched
// and `error` reads "<file>:<line>: <message>".
bool parseDisc(const std::string& text, const std::string& fileName, const std::string& baseDir,
               Disc& out, std::string& error);

// Reads and parses a disc description file (at most kMaxDiscFileBytes).
bool loadDiscFile(const std::string& path, Disc& out, std::string& error);

// The volume serial in the form Windows shows it ("1234-ABCD").
std::string formatVolumeSerial(std::uint32_t serial);

} // namespace rubo::vdrive
