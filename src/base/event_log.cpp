#include "base/event_log.h"

#include "base/file_io.h"
#include "base/text_format.h"

namespace rubo {

namespace {

constexpr const char kTimestampFormat[] = "%Y-%m-%d  %X";
constexpr std::size_t kTimestampMax = 64;

bool localTime(std::time_t when, std::tm& out) {
#ifdef _WIN32
    return localtime_s(&out, &when) == 0;
#else
    return localtime_r(&when, &out) != nullptr;
#endif
}

// Text-mode output: every line feed is stored as carriage return and line feed.
void appendAsText(std::string& out, const std::string& text) {
    for (char c : text) {
        if (c == '\n')
            out.append(kLineEnd);
        else
            out.push_back(c);
    }
}

} // namespace

std::string eventTimestamp(std::time_t when) {
    std::tm tm{};
    if (!localTime(when, tm))
        return std::string();
    char text[kTimestampMax];
    std::size_t n = std::strftime(text, sizeof text, kTimestampFormat, &tm);
    return std::string(text, n);
}

EventLog::EventLog() : clock_([] { return std::time(nullptr); }) {}

void EventLog::setDirectory(const std::string& directory) {
    std::lock_guard<std::mutex> lock(mutex_);
    directory_ = directory;
}

void EventLog::setSwitches(bool logging, bool developMode) {
    std::lock_guard<std::mutex> lock(mutex_);
    logging_ = logging;
    developMode_ = developMode;
}

void EventLog::setActiveDrive(char letter) {
    std::lock_guard<std::mutex> lock(mutex_);
    drive_ = letter;
}

void EventLog::setClock(Clock clock) {
    std::lock_guard<std::mutex> lock(mutex_);
    clock_ = std::move(clock);
}

bool EventLog::loggingOn() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return logging_;
}

int EventLog::errorDetail() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!logging_)
        return 0;
    return developMode_ ? 2 : 1;
}

std::string EventLog::pathOf(const char* name) const {
    return directory_ + name;
}

void EventLog::addEvent(unsigned siteNumber, const std::string& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!logging_)
        return;
    std::string stamp = eventTimestamp(clock_());
    std::string line;
    if (siteNumber != 0) {
        char drive[3] = {drive_, drive_ ? ':' : '\0', '\0'};
        // Disc text in a message stays on its event's line.
        line = formatText("[%s] %05u (%s) %s\n", stamp.c_str(), siteNumber, drive,
                          oneLineText(message).c_str());
        if (!lastStamp_.empty() && lastStamp_ != stamp)
            buffer_.push_back("\n");
    } else {
        line = message + "\n";
    }
    buffer_.push_back(std::move(line));
    lastStamp_ = std::move(stamp);
}

void EventLog::addSystemLine(const std::string& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (logging_) {
        std::string text;
        appendAsText(text, message + "\n");
        appendToFile(pathOf(kSystemLogName), text);
    }
}

void EventLog::flush() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!logging_ || buffer_.empty())
        return;
    std::string text;
    for (const std::string& line : buffer_)
        appendAsText(text, line);
    if (appendToFile(pathOf(kEventLogName), text))
        buffer_.clear();
}

void EventLog::truncate(const char* name) {
    std::lock_guard<std::mutex> lock(mutex_);
    truncateFile(pathOf(name));
}

std::size_t EventLog::pendingLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return buffer_.size();
}

void EventLog::logEvent(unsigned siteNumber, const char* format, ...) {
    if (!loggingOn())
        return;
    std::va_list args;
    va_start(args, format);
    std::string message = formatBoundedV(kMessageMaxChars, format, args);
    va_end(args);
    addEvent(siteNumber, message);
}

void EventLog::logSystem(const char* format, ...) {
    if (!loggingOn())
        return;
    std::va_list args;
    va_start(args, format);
    std::string message = formatBoundedV(kMessageMaxChars, format, args);
    va_end(args);
    addSystemLine(message);
}

} // namespace rubo
