#pragma once

// The drive's state: a plain fixed-size record that can live in shared memory.
// All times are milliseconds of a monotonic clock passed in by the caller.

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace rubo::vdrive {

struct Disc;

constexpr std::uint32_t kDriveStateMagic = 0x56445256; // "VRDV"
constexpr std::uint32_t kDriveStateVersion = 2;
constexpr std::size_t kDiscPathSize = 520; // bytes including the terminator
constexpr std::int32_t kDefaultSpinUpMs = 1000;
constexpr std::int32_t kMaxSpeedFactor = 1000;
constexpr std::int32_t kDefaultReadLatencyMs = 0;
constexpr std::int32_t kMaxReadLatencyMs = 10000;

enum class AudioState : std::int32_t {
    Stopped = 0,
    Playing = 1,
    Paused = 2,
    Completed = 3, // play reached its end; reported once by READ SUB-CHANNEL
};

// How the last play ended (for MCI notifications).
enum class PlayEnd : std::int32_t {
    None = 0,      // still running, paused, or no play yet
    Completed = 1, // reached its end address
    Aborted = 2,   // stopped, tray opened, disc removed
};

struct DriveState {
    std::uint32_t magic;
    std::uint32_t version;
    std::int64_t trayClosedAt;    // when the tray last closed (spin-up starts)
    std::int64_t playStartedAt;   // when the current play (or resume) started
    std::uint32_t discGeneration; // bumped on every insert and removal
    std::uint32_t playSerial;     // bumped on every play start
    std::int32_t trayOpen;
    std::int32_t mediaPresent; // a disc lies in the tray (seen only with the tray closed)
    std::int32_t spinUpMs;
    std::int32_t readLatencyMs; // time the drive takes to read the TOC (READ TOC, MCI status)
    std::int32_t reserved;      // zero; keeps the record free of padding
    std::int32_t speedFactor;   // 1 = real time
    std::int32_t audioState;    // AudioState
    std::int32_t playEnd;       // PlayEnd of play playSerial
    std::int32_t playStartFrame;
    std::int32_t playEndFrame; // first frame not played
    std::int32_t restFrame;    // position while not playing
    std::uint8_t senseKey;     // last sense, for REQUEST SENSE
    std::uint8_t senseAsc;
    std::uint8_t senseAscq;
    char driveLetter;             // 'D'
    char discPath[kDiscPathSize]; // disc description file; empty without a disc
};

static_assert(std::is_trivially_copyable<DriveState>::value, "shared-memory record");
static_assert(std::is_standard_layout<DriveState>::value, "shared-memory record");
static_assert(sizeof(DriveState) == 600, "layout must not change between builds");

// Empty drive, tray closed, speed 1, spin-up kDefaultSpinUpMs, read latency
// kDefaultReadLatencyMs, drive letter 'D'.
void resetDriveState(DriveState& state);
// True when magic and version match (a mapping written by this code).
bool isValidDriveState(const DriveState& state);

// Puts a disc into the drive and closes the tray (spin-up starts at `now`). hasMedia
// false records the file but leaves the drive empty (a description of an empty tray).
// Fails, changing nothing, when the path is empty or does not fit.
bool insertDisc(DriveState& state, const std::string& path, bool hasMedia, std::int64_t now);
// Opens the tray and takes the disc out.
void removeDisc(DriveState& state, std::int64_t now);
// Opening stops play. Closing starts the spin-up when a disc lies in the tray.
void openTray(DriveState& state, std::int64_t now);
void closeTray(DriveState& state, std::int64_t now);

bool isTrayOpen(const DriveState& state);
// Disc in the drive and tray closed.
bool isMediaPresent(const DriveState& state);
bool isSpinningUp(const DriveState& state, std::int64_t now);
bool isReady(const DriveState& state, std::int64_t now);

void setSpeedFactor(DriveState& state, std::int32_t factor, std::int64_t now); // clamped 1..1000
void setSpinUpMs(DriveState& state, std::int32_t ms);                          // negative -> 0
// Sets the read latency; false, changing nothing, outside 0..kMaxReadLatencyMs.
bool setReadLatencyMs(DriveState& state, std::int32_t ms);
// Parses the argument of "vdrivectl latency MS": decimal milliseconds 0..kMaxReadLatencyMs.
// On failure `error` says what is wrong (without a program name).
bool parseReadLatencyMs(const std::string& text, std::int32_t& ms, std::string& error);
// How long the drive takes before answering a command that reads the TOC: the read
// latency when a disc with tracks is ready, else 0 (a drive without a readable disc
// answers at once).
std::int32_t tocReadDelayMs(const DriveState& state, const Disc* disc, std::int64_t now);

// Brings the play up to `now`: a play whose position reached its end becomes Completed.
void advance(DriveState& state, std::int64_t now);
AudioState audioState(DriveState& state, std::int64_t now);
// Milliseconds until a play reaches its end at the present speed; -1 when nothing plays.
std::int64_t msUntilPlayEnd(DriveState& state, std::int64_t now);
// Current absolute position: start + elapsed x speed while playing, else the rest position.
std::int32_t currentFrame(DriveState& state, std::int64_t now);

// Starts a play of [startFrame, endFrame); callers check the range. endFrame <= startFrame
// only moves the position (no play).
void startPlay(DriveState& state, std::int32_t startFrame, std::int32_t endFrame, std::int64_t now);
// Playing -> Paused; false when nothing was playing.
bool pausePlay(DriveState& state, std::int64_t now);
// Paused -> Playing to the same end; false when not paused.
bool resumePlay(DriveState& state, std::int64_t now);
// Ends play or pause; the position stays where it was.
void stopPlay(DriveState& state, std::int64_t now);

const char* audioStateName(AudioState state); // "stopped", "playing", "paused", "completed"

// One line for people: tray, media, ready, audio state, position, disc file.
std::string describeDriveState(DriveState& state, const Disc* disc, std::int64_t now);

} // namespace rubo::vdrive
