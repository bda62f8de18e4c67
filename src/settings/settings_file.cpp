#include "settings/settings_file.h"

#include "settings/file_io.h"
#include "settings/ini_lines.h"
#include "settings/system_info.h"
#include "settings/text_format.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace rubo {

namespace {

#ifdef _WIN32
constexpr const char kCurrentDirectory[] = ".\\";
#else
constexpr const char kCurrentDirectory[] = "./";
#endif

} // namespace

std::string programDirectoryOf(const std::string& modulePath) {
    std::size_t sep = modulePath.find_last_of("\\/");
    if (sep == std::string::npos)
        return kCurrentDirectory;
    return modulePath.substr(0, sep + 1);
}

int parseLeadingInt(const std::string& text) {
    errno = 0;
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

SettingsFile::SettingsFile(std::string path, ProfileApi& profile)
    : path_(std::move(path)), profile_(profile), processLock_(path_) {}

void SettingsFile::acquire() {
    mutex_.lock();
    if (depth_++ == 0)
        processLock_.lock();
}

void SettingsFile::release() {
    if (--depth_ == 0)
        processLock_.unlock();
    mutex_.unlock();
}

SettingsFile::Lock::Lock(SettingsFile& file) : file_(file) {
    file_.acquire();
}

SettingsFile::Lock::~Lock() {
    file_.release();
}

SettingsFile::Transaction::Transaction(SettingsFile& file) : file_(file), lock_(file) {
    std::string contents;
    const std::string working = file_.path_ + ".change";
    std::remove(working.c_str());
    // A missing file stays missing in the copy, as the first write creates it.
    if (readWholeFile(file_.path_, contents))
        ok_ = writeWholeFile(working, contents);
    file_.workingPath_ = working;
}

SettingsFile::Transaction::~Transaction() {
    if (!file_.workingPath_.empty()) {
        std::remove(file_.workingPath_.c_str());
        file_.workingPath_.clear();
    }
}

bool SettingsFile::Transaction::commit() {
    std::string working;
    working.swap(file_.workingPath_);
    if (working.empty())
        return false;
    bool done = ok_ && fileExists(working) && platform::replaceFile(working, file_.path_);
    if (!done)
        std::remove(working.c_str());
    return done;
}

std::string SettingsFile::getString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) {
    Lock lock(*this);
    if (!ownIniFormat_)
        return profile_.getString(section, key, defaultValue, activePath());
    std::string value;
    if (readWholeFile(activePath(), buffer_) && ini::findValue(buffer_, section, key, value))
        return value;
    return defaultValue;
}

int SettingsFile::getInt(const std::string& section, const std::string& key, int defaultValue) {
    return parseLeadingInt(getString(section, key, formatText("%d", defaultValue)));
}

void SettingsFile::writeString(const std::string& section, const std::string& key,
                               const std::string& value) {
    // The whole change (line rules, then the profile function) is made on a
    // temporary copy that replaces the file in one step.
    Lock lock(*this);
    bool exists = readWholeFile(activePath(), buffer_);
    if (ownIniFormat_) {
        ini::applyWrite(buffer_, section, key, value, output_);
        buffer_.swap(output_);
        exists = true;
    }
    // The profile functions add a new section right after the last line; a
    // blank line keeps sections apart.
    if (!value.empty() && exists && buffer_.find(section) == std::string::npos)
        buffer_ += kLineEnd;
    replaceFileContents(activePath(), buffer_, [&](const std::string& temp) {
        return profile_.writeString(section, key, value.empty() ? nullptr : value.c_str(), temp);
    });
}

void SettingsFile::writeInt(const std::string& section, const std::string& key, int value) {
    writeString(section, key, formatText("%d", value));
}

void SettingsFile::clearSection(const std::string& section) {
    Lock lock(*this);
    readWholeFile(activePath(), buffer_);
    replaceFileContents(activePath(), ini::applyClearSection(buffer_, section));
}

std::string programDirectory() {
    return programDirectoryOf(systemInfo().modulePath());
}

} // namespace rubo
