#include "freedb/freedb_client.h"

#include "base/text_format.h"
#include "settings/settings_file.h"

#include <cctype>

// Parsers of freedb answers: framing, status codes, sites, matches, stat.
namespace rubo {

namespace {

constexpr const char kCategoryListHeading[] = "Database entries by category:";
constexpr const char kPendingListHeading[] = "Pending File transmissions:";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string trimmed(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool allDigits(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// Reads words separated by one or more blanks.
class WordReader {
public:
    explicit WordReader(const std::string& line) : line_(line) {}

    // The next word, which must be followed by a blank.
    bool word(std::string& out) {
        std::size_t end = line_.find(' ', pos_);
        if (end == std::string::npos)
            return false;
        out = line_.substr(pos_, end - pos_);
        pos_ = end;
        while (pos_ < line_.size() && line_[pos_] == ' ')
            ++pos_;
        return true;
    }
    std::string rest() const { return line_.substr(pos_); }

private:
    const std::string& line_;
    std::size_t pos_ = 0;
};

// "N037.23" style: the direction letter, degrees and minutes.
bool parseCoordinate(const std::string& word, char positive, char negative, int& flag,
                     int& minutes) {
    if (word.size() != 7 || (word[0] != positive && word[0] != negative))
        return false;
    std::string degreesText = word.substr(1, 3);
    std::string minutesText = word.substr(5, 2);
    if (!allDigits(degreesText) || !allDigits(minutesText))
        return false;
    flag = word[0] == positive ? 1 : 0;
    minutes = std::stoi(degreesText) * 60 + std::stoi(minutesText);
    return true;
}

// "name: value" with the name not empty and more than one character after
// the colon.
bool splitKeyValue(const std::string& line, std::string& key, std::string& value) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos)
        return false;
    key = trimmed(line.substr(0, colon));
    std::string after = line.substr(colon + 1);
    if (key.empty() || after.size() <= 1)
        return false;
    value = trimmed(after);
    return true;
}

// One line under a list heading; false when it does not split.
bool addListEntry(const std::string& line, std::vector<std::string>& names,
                  std::vector<int>& counts) {
    std::string name;
    std::string count;
    if (!splitKeyValue(line, name, count))
        return false;
    names.push_back(name);
    counts.push_back(parseLeadingInt(count));
    return true;
}

// Where the text after the status line starts; npos when there is none.
std::size_t afterStatusLine(const std::string& body) {
    std::size_t end = body.find("\r\n");
    if (end != std::string::npos)
        return end + 2;
    end = body.find('\n');
    if (end != std::string::npos)
        return end + 1;
    return std::string::npos;
}

} // namespace

std::string queryArguments(DiscId discId, const TrackList& tracks) {
    std::string offsets;
    for (int i = 1; i <= tracks.trackCount; ++i) {
        const TrackEntry* entry = tracks.entry(i);
        int frames = entry ? msfToFrames(entry->start) : 0;
        if (i > 1)
            offsets += '+';
        offsets += formatText("%d", frames);
    }
    return formatText("%08x+%d+%s+%d", static_cast<unsigned>(discId), tracks.trackCount,
                      offsets.c_str(), tracks.leadOut / kFramesPerSecond);
}

int freedbResponseCode(const std::string& body) {
    if (body.size() < 3)
        return -1;
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(body[i])))
            return -1;
        code = code * 10 + (body[i] - '0');
    }
    return code;
}

std::string httpBody(const std::string& received) {
    std::size_t end = received.find("\r\n\r\n");
    if (end == std::string::npos)
        return received;
    return received.substr(end + 4);
}

std::string textAfterStatusLine(const std::string& body) {
    std::size_t start = afterStatusLine(body);
    return start == std::string::npos ? std::string() : body.substr(start);
}

std::vector<std::string> answerLines(const std::string& body) {
    std::vector<std::string> lines;
    std::size_t pos = afterStatusLine(body);
    if (pos == std::string::npos)
        return lines;
    while (pos < body.size()) {
        std::size_t end = body.find("\r\n", pos);
        std::size_t next;
        if (end != std::string::npos) {
            next = end + 2;
        } else {
            end = body.find('\n', pos);
            next = end == std::string::npos ? body.size() : end + 1;
            if (end == std::string::npos)
                end = body.size();
        }
        lines.push_back(body.substr(pos, end - pos));
        pos = next;
    }
    return lines;
}

bool parseSiteLine(const std::string& line, FreedbSite& site) {
    WordReader words(line);
    std::string host, protocol, port, path, latitude, longitude;
    if (!words.word(host) || host.empty() || !words.word(protocol) || !words.word(port) ||
        !words.word(path) || !words.word(latitude) || !words.word(longitude))
        return false;
    if (protocol.size() != 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if (std::tolower(static_cast<unsigned char>(protocol[i])) != "http"[i])
            return false;
    }
    // A site on port 0 could never be asked: it is left out of the list.
    if (!allDigits(port) || port.size() > 5 || !isUsablePort(std::stol(port)))
        return false;
    int north = 1, latitudeMinutes = 0, east = 1, longitudeMinutes = 0;
    if (!parseCoordinate(latitude, 'N', 'S', north, latitudeMinutes) ||
        !parseCoordinate(longitude, 'E', 'W', east, longitudeMinutes))
        return false;
    std::string description = words.rest();
    if (description.empty())
        return false;
    site.host = host;
    site.port = std::stoi(port);
    site.path = path;
    site.north = north;
    site.latitude = latitudeMinutes;
    site.east = east;
    site.longitude = longitudeMinutes;
    site.description = description;
    return true;
}

bool parseMatchLine(const std::string& line, FreedbMatch& match) {
    WordReader words(line);
    std::string category, idText;
    if (!words.word(category) || category.empty() || !words.word(idText))
        return false;
    if (idText.empty() || idText.size() > 8)
        return false;
    std::uint32_t id = 0;
    for (char c : idText) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
        int digit = std::isdigit(static_cast<unsigned char>(c))
                        ? c - '0'
                        : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        id = id * 16 + static_cast<std::uint32_t>(digit);
    }
    std::string entry = words.rest();
    if (entry.empty())
        return false;
    std::size_t end = entry.find("\r\n");
    if (end == std::string::npos)
        end = entry.find('\n');
    if (end != std::string::npos)
        entry.erase(end);
    match.category = category;
    match.discId = id;
    std::size_t slash = entry.find('/');
    if (slash != std::string::npos) {
        match.artist = trimmed(entry.substr(0, slash));
        match.title = trimmed(entry.substr(slash + 1));
    } else {
        match.artist.clear();
        match.title = entry;
    }
    return true;
}

std::string parseStatusLines(const std::vector<std::string>& lines, FreedbServerStatus& status) {
    struct FlagKey {
        const char* key;
        int FreedbServerStatus::*field;
        const char* message;
    };
    static const FlagKey kFlags[] = {
        {"gets", &FreedbServerStatus::gets,
         "freedb server failed to return a valid gets response to the stat command"},
        {"updates", &FreedbServerStatus::updates,
         "freedb server failed to return a valid updates response to the stat command"},
        {"posting", &FreedbServerStatus::posting,
         "freedb server failed to return a valid posting response to the stat command"},
        {"quotes", &FreedbServerStatus::quotes,
         "freedb server failed to return a valid quotes response to the stat command"},
        {"strip ext", &FreedbServerStatus::stripExt,
         "freedb server failed to return a valid strip extended response to the stat command"},
    };
    struct NumberKey {
        const char* key;
        int FreedbServerStatus::*field;
    };
    static const NumberKey kNumbers[] = {
        {"current proto", &FreedbServerStatus::currentProto},
        {"max proto", &FreedbServerStatus::maxProto},
        {"current users", &FreedbServerStatus::currentUsers},
        {"max users", &FreedbServerStatus::maxUsers},
        {"Database entries", &FreedbServerStatus::databaseEntries},
    };

    std::size_t i = 1; // line 0 is the heading of the block
    while (i < lines.size()) {
        const std::string& line = lines[i];
        if (line == kCategoryListHeading || line == kPendingListHeading) {
            bool pending = line == kPendingListHeading;
            auto& names = pending ? status.pendingNames : status.categoryNames;
            auto& counts = pending ? status.pendingCounts : status.categoryCounts;
            ++i;
            while (i < lines.size() && !lines[i].empty() && isBlank(lines[i][0])) {
                addListEntry(lines[i], names, counts);
                ++i;
            }
            continue;
        }
        std::string key, value;
        if (!splitKeyValue(line, key, value))
            return std::string();
        for (const NumberKey& number : kNumbers) {
            if (key == number.key)
                status.*number.field = parseLeadingInt(value);
        }
        for (const FlagKey& flag : kFlags) {
            if (key != flag.key)
                continue;
            if (value == "yes")
                status.*flag.field = 1;
            else if (value == "no")
                status.*flag.field = 0;
            else
                return flag.message;
        }
        ++i;
    }
    return std::string();
}

// ---- commands ----

} // namespace rubo
