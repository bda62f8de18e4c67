#pragma once

// What the program does once at start-up without any window: its name and
// version, the CD drive list, and the head of the logs.

#include "res/version.h"

#include <functional>
#include <string>

namespace rubo {

class EventLog;
class SystemInfo;

inline constexpr const char kProgramName[] = "RUBO";
inline constexpr const char kProgramVersion[] = RUBO_VERSION_TEXT;
inline constexpr const char kBuildDate[] = "Aug 30 2003";

// The letters 'A'..'Z' for which isCdrom is true, in order.
std::string cdromDriveList(const std::function<bool(char letter)>& isCdrom);

// Said once at start-up when RUBO cannot keep its files beside rubo.exe.
inline constexpr const char kUnwritableFolderText[] =
    "RUBO cannot write to its folder\n\n%s\n\nRUBO keeps its settings beside rubo.exe; move it "
    "to a folder you can write to. Until then RUBO plays, but changed settings and disc texts "
    "are not kept.";
inline constexpr const char kWriteCheckFileName[] = "rubo-write-check.tmp";

#ifdef _WIN32
// The CD-ROM drives of this machine (GetDriveTypeA).
std::string systemCdromDriveList();

// Whether RUBO can keep its files in `directory` (with its trailing
// separator): a new file can be made there, and the settings file
// `settingsName`, when it exists, can be opened for writing.
bool folderWritable(const std::string& directory, const std::string& settingsName);
#endif

// The event-log header and, when logging, the first lines of the system log
// (which starts empty).
void writeLogHeader(EventLog& log, const SystemInfo& system, bool aspiPresent);
// "CDROM drives:" in both logs.
void logDriveList(EventLog& log, const std::string& driveList, bool aspiPresent);

} // namespace rubo
