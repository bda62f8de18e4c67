#pragma once

// What the program does once at start-up without any window: its name and
// version, the CD drive list, and the head of the logs.

#include <functional>
#include <string>

namespace rubo {

class EventLog;
class SystemInfo;

inline constexpr const char kProgramName[] = "RUBO";
inline constexpr const char kProgramVersion[] = "1.20";
inline constexpr const char kBuildDate[] = "Aug 30 2003";

// The letters 'A'..'Z' for which isCdrom is true, in order.
std::string cdromDriveList(const std::function<bool(char letter)>& isCdrom);

#ifdef _WIN32
// The CD-ROM drives of this machine (GetDriveTypeA).
std::string systemCdromDriveList();
#endif

// The event-log header and, when logging, the first lines of the system log
// (which starts empty).
void writeLogHeader(EventLog& log, const SystemInfo& system, bool aspiPresent);
// "CDROM drives:" in both logs.
void logDriveList(EventLog& log, const std::string& driveList, bool aspiPresent);

} // namespace rubo
