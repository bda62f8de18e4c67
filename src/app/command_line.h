#pragma once

// What the command line asks for at start-up: a disc, a track from a CD
// audio track file (".cda"), or auto-play.

#include <cstddef>
#include <functional>
#include <string>

namespace rubo {

inline constexpr const char kCdaFileMarker[] = ".cda";
// A .cda file holds its track number in this byte.
inline constexpr std::size_t kCdaTrackOffset = 22;
// How much of a .cda file is read.
inline constexpr std::size_t kCdaHeadBytes = 44;

inline constexpr const char kCdaErrorMessage[] = "Error opening CD!";
inline constexpr const char kPlayingCdLog[] = "M : Playing CD";
inline constexpr const char kPlayingTrackLog[] = "M : Playing track %d";
inline constexpr const char kAutoPlayingLog[] = "M : Auto-playing CD";

struct StartupRequest {
    enum Kind { None, PlayDisc, PlayTrack, AutoPlay, CdaError } kind = None;
    int track = 0;        // 1 for PlayDisc and AutoPlay, the file's track byte for PlayTrack
    char driveLetter = 0; // first character of the file name, 0 when none
};

// Reads up to kCdaHeadBytes of a file into `head`; false when it cannot be opened.
using FileHeadReader = std::function<bool(const std::string& path, std::string& head)>;
// The reader over the file system (binary mode).
bool readFileHead(const std::string& path, std::string& head);

// `file`: the first plain command-line parameter, "" when none. A .cda file
// that cannot be read or is shorter than the track byte gives CdaError (the
// caller shows kCdaErrorMessage and ends); track 0 asks for no play.
StartupRequest interpretCommandLine(const std::string& file, int autoPlay,
                                    const FileHeadReader& readHead);

// The index of `letter` in the drive list (exact, case-sensitive); 0 when absent.
int chooseDriveIndex(const std::string& driveList, char letter);

// The log line of a request; empty for None and CdaError.
std::string startupLogText(const StartupRequest& request);

// The first plain parameter of a Windows command line: after the program
// name, quotes removed, options starting with '/' or '-' skipped.
std::string firstCommandLineFile(const std::string& commandLine);

} // namespace rubo
