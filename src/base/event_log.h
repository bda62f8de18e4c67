#pragma once

#include "base/text_format.h"

#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace rubo {

inline constexpr const char kEventLogName[] = "rubo.log";
inline constexpr const char kSystemLogName[] = "system.log";

// The event log "rubo.log" (buffered lines, written at each flush) and the
// system log "system.log" (written at once). Both only while Logging is on.
// Lines come from both threads; they keep the order of their appends. The
// program makes one at start-up and hands it to whatever logs.
class EventLog {
public:
    using Clock = std::function<std::time_t()>;

    EventLog();

    // Folder of the log files, with its trailing separator.
    void setDirectory(const std::string& directory);
    void setSwitches(bool logging, bool developMode);
    // The active drive letter, 0 while none is chosen.
    void setActiveDrive(char letter);
    void setClock(Clock clock);

    bool loggingOn() const;
    // Detail of transport errors: 0 without Logging, 1 with it, 2 with
    // Logging and DevelopMode.
    int errorDetail() const;
    std::string pathOf(const char* name) const;

    void addEvent(unsigned siteNumber, const std::string& message);
    void addSystemLine(const std::string& message);
    // The same from a format, cut at kMessageMaxChars; nothing is formatted
    // while Logging is off.
    void logEvent(unsigned siteNumber, const char* format, ...) RUBO_PRINTF_FORMAT(3, 4);
    void logSystem(const char* format, ...) RUBO_PRINTF_FORMAT(2, 3);
    // Writes the buffered lines; when the file cannot be opened they stay.
    void flush();
    void truncate(const char* name);

    std::size_t pendingLines() const;

private:
    mutable std::mutex mutex_;
    std::string directory_;
    bool logging_ = false;
    bool developMode_ = false;
    char drive_ = 0;
    Clock clock_;
    std::vector<std::string> buffer_;
    std::string lastStamp_;
};

// Local time as the event lines show it: "%Y-%m-%d  %X".
std::string eventTimestamp(std::time_t when);

} // namespace rubo
