#include "settings/settings_file.h"

#include "base/system_info.h"
#include "base/text_format.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace rubo {

namespace {

#ifdef _WIN32
constexpr const char kCurrentDirectory[] = ".\\";
#else
constexpr const char kCurrentDirectory[] = "./";
#endif

// Printable ASCII, which every code page maps the same.
bool isPrintableName(const std::string& text) {
    for (char c : text)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

// Whether the text has the line "[section]" exactly.
bool hasHeaderLine(const std::string& text, const std::string& section) {
    const std::string line = "[" + section + "]" + kLineEnd;
    if (text.compare(0, line.size(), line) == 0)
        return true;
    return text.find(kLineEnd + line) != std::string::npos;
}

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

// One write or section clearing of a transaction.
struct SettingsFile::Change {
    bool clear = false;
    std::string section;
    std::string key;
    std::string value;
};

// A transaction's state while it is made in memory: the file as it was and
// the lines of the one section written, which are all the change touches.
// Profile writes in a row go to those lines in a file of their own.
struct SettingsFile::PendingChange {
    explicit PendingChange(std::string temp) : tempPath(std::move(temp)) {}
    ~PendingChange() {
        if (inFile)
            std::remove(tempPath.c_str());
    }
    PendingChange(const PendingChange&) = delete;
    PendingChange& operator=(const PendingChange&) = delete;

    std::string_view before() const { return std::string_view(original).substr(0, begin); }
    std::string_view after() const { return std::string_view(original).substr(end); }
    bool namedOutside() {
        if (outsideNamed < 0) {
            const std::boyer_moore_horspool_searcher<std::string::const_iterator> name(
                section.begin(), section.end());
            auto holds = [&](std::string_view text) {
                return std::search(text.begin(), text.end(), name) != text.end();
            };
            outsideNamed = holds(before()) || holds(after());
        }
        return outsideNamed == 1;
    }

    std::string original;
    bool existed = false;
    bool exists = false;
    // A change was made (a failed write makes none).
    bool touched = false;
    std::vector<Change> changes;
    std::string section;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string region;
    // The section's name is in the file's text outside the region: 1 yes,
    // 0 no, -1 not known yet. The region in tempPath has the header line
    // "[section]".
    int outsideNamed = -1;
    bool headerInFile = false;
    // The region is in tempPath, written there as `written`.
    const std::string tempPath;
    bool inFile = false;
    std::string written;
    // A profile write changed the region's lines; whether the rest of the
    // file stays as it is then.
    bool regionChanged = false;
    bool keepsWhenChangedKnown = false;
    bool keepsWhenChanged = false;
};

SettingsFile::SettingsFile(std::string path, ProfileApi& profile)
    : path_(std::move(path)), profile_(profile), processLock_(path_) {}

SettingsFile::~SettingsFile() = default;

void SettingsFile::acquire() {
    mutex_.lock();
    if (depth_++ == 0)
        processLock_.lock();
}

void SettingsFile::release() {
    if (--depth_ == 0) {
        // Another process may change the file once the lock is free; a
        // change to a settled file changes its stamp.
        snapshot_.checked = false;
        snapshot_.valid = snapshot_.valid && snapshot_.stamp.settled;
        processLock_.unlock();
    }
    mutex_.unlock();
}

SettingsFile::Lock::Lock(SettingsFile& file) : file_(file) {
    file_.acquire();
}

SettingsFile::Lock::~Lock() {
    file_.release();
}

SettingsFile::Transaction::Transaction(SettingsFile& file) : file_(file), lock_(file) {
    auto change = std::make_unique<PendingChange>(file_.path_ + ".section");
    // A missing file stays missing, as the first write creates it.
    change->existed = change->exists = readWholeFile(file_.path_, change->original);
    file_.pending_ = std::move(change);
    file_.workingOk_ = true;
}

SettingsFile::Transaction::~Transaction() {
    file_.pending_.reset();
    if (!file_.workingPath_.empty()) {
        std::remove(file_.workingPath_.c_str());
        file_.workingPath_.clear();
    }
}

bool SettingsFile::Transaction::commit() {
    if (file_.pending_ && file_.settleInMemory())
        return file_.commitInMemory();
    std::string working;
    working.swap(file_.workingPath_);
    if (working.empty())
        return false;
    bool done =
        file_.workingOk_ && fileExists(working) && platform::replaceFile(working, file_.path_);
    if (!done)
        std::remove(working.c_str());
    return done;
}

bool SettingsFile::settleInMemory() {
    PendingChange& p = *pending_;
    bool ok = true;
    if (p.inFile) {
        p.inFile = false;
        std::string read;
        ok = readWholeFile(p.tempPath, read);
        std::remove(p.tempPath.c_str());
        p.regionChanged = p.regionChanged || read != p.written;
        p.region.swap(read);
    }
    if (ok && p.regionChanged && !p.keepsWhenChangedKnown) {
        p.keepsWhenChanged = profile_.keepsOtherLines(p.before(), p.after(), p.section, true);
        p.keepsWhenChangedKnown = true;
    }
    if (ok && (!p.regionChanged || p.keepsWhenChanged))
        return true;
    fallBack();
    return false;
}

bool SettingsFile::commitInMemory() {
    std::unique_ptr<PendingChange> change = std::move(pending_);
    snapshot_.valid = false;
    if (!change->exists)
        return false;
    if (!change->touched)
        return true;
    if (change->section.empty())
        return replaceFileContents(path_, change->original);
    std::string bytes;
    bytes.reserve(change->begin + change->region.size() + change->after().size());
    bytes.append(change->before()).append(change->region).append(change->after());
    return replaceFileContents(path_, bytes);
}

void SettingsFile::fallBack() {
    std::unique_ptr<PendingChange> change = std::move(pending_);
    const std::string working = path_ + ".change";
    std::remove(working.c_str());
    workingOk_ = true;
    if (change->existed)
        workingOk_ = writeWholeFile(working, change->original);
    workingPath_ = working;
    for (const Change& c : change->changes) {
        if (c.clear)
            clearSection(c.section);
        else
            writeString(c.section, c.key, c.value);
    }
}

void SettingsFile::changeInMemory(const Change& change) {
    PendingChange& p = *pending_;
    p.changes.push_back(change);
    if (p.section.empty()) {
        ini::findSectionRegion(p.original, change.section, p.begin, p.end);
        p.section = change.section;
        // The line rules end every line of the whole file in CR LF.
        if (!ini::endsEveryLineWithCrLf(p.before()) || !ini::endsEveryLineWithCrLf(p.after()) ||
            !profile_.keepsOtherLines(p.before(), p.after(), p.section, false))
            return fallBack();
        p.region.assign(p.original, p.begin, p.end - p.begin);
    } else if (p.section != change.section) {
        return fallBack();
    }

    const char* value = change.value.empty() ? nullptr : change.value.c_str();
    if (!change.clear && !ownIniFormat_ && p.inFile &&
        (!value || p.headerInFile || p.namedOutside())) {
        // The next of several profile writes in a row; a header line stays.
        if (profile_.writeString(change.section, change.key, value, p.tempPath))
            p.touched = true;
        return;
    }
    if (!settleInMemory())
        return;
    if (change.clear) {
        p.region = ini::applyClearSection(p.region, change.section);
        p.exists = true;
        p.touched = true;
        return;
    }
    // As writeString() does it, on the section's lines alone.
    std::string text;
    bool exists = p.exists;
    if (ownIniFormat_) {
        ini::applyWrite(p.region, change.section, change.key, change.value, text);
        exists = true;
    } else {
        text = p.region;
    }
    if (value && exists && text.find(change.section) == std::string::npos && !p.namedOutside()) {
        // The blank line goes at the end of the file.
        if (!p.after().empty())
            return fallBack();
        text += kLineEnd;
    }
    const std::string unchanged = text;
    if (profile_.writeStringInText(change.section, change.key, value, text)) {
        p.regionChanged = p.regionChanged || text != unchanged;
        p.region.swap(text);
    } else {
        if (!writeWholeFile(p.tempPath, text))
            return fallBack();
        p.inFile = true;
        p.headerInFile = hasHeaderLine(text, change.section);
        p.written.swap(text);
        if (!profile_.writeString(change.section, change.key, value, p.tempPath)) {
            p.inFile = false;
            std::remove(p.tempPath.c_str());
            return;
        }
    }
    p.exists = true;
    p.touched = true;
}

bool SettingsFile::snapshotOf(const std::string& path, const std::string& section) {
    const bool trusted = snapshot_.valid && snapshot_.checked && snapshot_.path == path;
    FileStamp now;
    if (!trusted && !(snapshot_.valid && snapshot_.path == path && platform::fileStamp(path, now) &&
                      now == snapshot_.stamp)) {
        snapshot_.valid = false;
        snapshot_.sectionKnown = false;
        bool steady = false;
        if (!platform::readFileStamped(path, snapshot_.contents, snapshot_.stamp, steady))
            return false;
        // Kept only when the file did not change while it was read.
        snapshot_.valid = steady;
        snapshot_.path = path;
    }
    snapshot_.checked = true;
    if (!snapshot_.sectionKnown || snapshot_.section != section) {
        ini::findSectionBlocks(snapshot_.contents, section, snapshot_.blocks,
                               &snapshot_.profileHeaderBefore);
        snapshot_.section = section;
        snapshot_.sectionKnown = true;
        snapshot_.profileReadable = -1;
    }
    return true;
}

bool SettingsFile::profileReadable() const {
    // The first header of the section is the first one for the profile
    // functions too, and it, its lines and the header after them are in
    // their written form. Blank lines they skip.
    const std::string& text = snapshot_.contents;
    if ((!text.empty() && static_cast<unsigned char>(text.front()) >= 0x80) ||
        snapshot_.profileHeaderBefore)
        return false;
    if (snapshot_.blocks.empty())
        return true;
    const ini::Block& first = snapshot_.blocks.front();
    std::size_t stop = first.end;
    if (stop < text.size()) {
        const std::size_t newline = text.find('\n', stop);
        stop = newline == std::string::npos ? text.size() : newline + 1;
    }
    return ini::isProfileWrittenForm(
        std::string_view(text).substr(first.header, stop - first.header), true);
}

std::string SettingsFile::getString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) {
    Lock lock(*this);
    if (pending_)
        fallBack();
    std::string value;
    const ProfileApi::TextReads reads =
        ownIniFormat_ ? ProfileApi::TextReads::LineRules : profile_.textReads();
    if (reads == ProfileApi::TextReads::LineRules) {
        if (!snapshotOf(activePath(), section) ||
            !ini::findValueInBlocks(snapshot_.contents, snapshot_.blocks, key, value))
            value = defaultValue;
        if (!ownIniFormat_ && value.size() > kProfileBufferSize - 1)
            value.resize(kProfileBufferSize - 1);
        return value;
    }
    if (reads == ProfileApi::TextReads::WrittenForm && !section.empty() && !key.empty() &&
        isPrintableName(section) && isPrintableName(key) && isPrintableName(defaultValue) &&
        snapshotOf(activePath(), section)) {
        if (snapshot_.profileReadable < 0)
            snapshot_.profileReadable = profileReadable() ? 1 : 0;
        if (snapshot_.profileReadable == 1) {
            if (ini::findProfileValue(snapshot_.contents, snapshot_.blocks, key, value))
                return ini::profileCopy(value, kProfileBufferSize);
            // The default loses its trailing blanks first.
            std::size_t size = defaultValue.size();
            while (size > 0 && defaultValue[size - 1] == ' ')
                --size;
            return ini::profileCopy(std::string_view(defaultValue).substr(0, size),
                                    kProfileBufferSize);
        }
    }
    return profile_.getString(section, key, defaultValue, activePath());
}

int SettingsFile::getInt(const std::string& section, const std::string& key, int defaultValue) {
    return parseLeadingInt(getString(section, key, formatText("%d", defaultValue)));
}

namespace {

// Names come from the program, never from a disc; one that would break the
// file's structure is refused all the same.
bool storableName(const std::string& section, const std::string& key) {
    return !breaksLines(section) && section.find(']') == std::string::npos && !breaksLines(key) &&
           key.find('=') == std::string::npos;
}

} // namespace

void SettingsFile::writeString(const std::string& section, const std::string& key,
                               const std::string& value) {
    if (!storableName(section, key))
        return;
    // A value is one line: a line break in it would start keys or sections.
    if (breaksLines(value))
        return writeString(section, key, oneLineText(value));
    // The whole change (line rules, then the profile function) is made on a
    // temporary copy that replaces the file in one step.
    Lock lock(*this);
    if (pending_)
        return changeInMemory(Change{false, section, key, value});
    if (workingPath_.empty()) {
        // A change of its own, made the same way.
        Transaction change(*this);
        changeInMemory(Change{false, section, key, value});
        change.commit();
        return;
    }
    snapshot_.valid = false;
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
    if (!storableName(section, std::string()))
        return;
    Lock lock(*this);
    if (pending_)
        return changeInMemory(Change{true, section, std::string(), std::string()});
    if (workingPath_.empty()) {
        Transaction change(*this);
        changeInMemory(Change{true, section, std::string(), std::string()});
        change.commit();
        return;
    }
    snapshot_.valid = false;
    readWholeFile(activePath(), buffer_);
    replaceFileContents(activePath(), ini::applyClearSection(buffer_, section));
}

std::string programDirectory() {
    return programDirectoryOf(systemInfo().modulePath());
}

} // namespace rubo
