#include "app/options/database_tree.h"

#include "base/file_io.h"

#include <climits>
#include <cstring>
#include <unordered_map>

namespace rubo {

namespace {

constexpr char kUnreadableByte = '?';
// "%3d  %s": the track number at least three wide, then two blanks.
constexpr std::size_t kSongNumberWidth = 3;
constexpr const char kSongSeparator[] = "  ";
constexpr std::size_t kDiscIdDigits = 8;

bool startsWith(std::string_view line, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    return line.size() >= n && line.compare(0, n, prefix) == 0;
}

// The text after a key and its equals sign, taken by position as the file's
// own lines have it ("Artist=" is seven characters).
std::string_view after(std::string_view line, std::size_t count) {
    return line.size() > count ? line.substr(count) : std::string_view();
}

void appendShown(std::string& out, std::string_view text) {
    const std::size_t start = out.size();
    out.append(text.data(), text.size());
    for (std::size_t i = start; i < out.size(); ++i)
        if (out[i] == '\0')
            out[i] = kUnreadableByte;
}

std::string shown(std::string_view text) {
    std::string out;
    appendShown(out, text);
    return out;
}

// A key as a number, the way the standard decimal conversion reads it:
// leading blanks, a sign, the leading digits; 0 when there are none. Held
// within the range of int.
int keyNumber(std::string_view key) {
    std::size_t i = 0;
    while (i < key.size() && (key[i] == ' ' || key[i] == '\t' || key[i] == '\v' || key[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < key.size() && (key[i] == '+' || key[i] == '-'))
        negative = key[i++] == '-';
    long long value = 0;
    for (; i < key.size() && key[i] >= '0' && key[i] <= '9'; ++i) {
        value = value * 10 + (key[i] - '0');
        if (value > INT_MAX)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

DiscId discIdOf(std::string_view section) {
    DiscId id = 0;
    for (std::size_t i = 0; i < section.size() && i < kDiscIdDigits; ++i) {
        const int digit = hexDigit(section[i]);
        if (digit < 0)
            break;
        id = (id << 4) | static_cast<DiscId>(digit);
    }
    return id;
}

std::string songText(int number, std::string_view title) {
    std::string text = std::to_string(number);
    if (text.size() < kSongNumberWidth)
        text.insert(0, kSongNumberWidth - text.size(), ' ');
    text += kSongSeparator;
    appendShown(text, title);
    return text;
}

class TreeBuilder {
public:
    void line(std::string_view line) {
        if (!line.empty() && line.front() == '[') {
            header(line);
            return;
        }
        switch (state_) {
        case State::Idle:
            break;
        case State::ExpectArtist:
            if (startsWith(line, kDatabaseArtistPrefix))
                artist(after(line, std::strlen(kDatabaseArtistPrefix) + 1));
            break;
        case State::ExpectTitle:
            if (startsWith(line, kDatabaseTitlePrefix))
                album(after(line, std::strlen(kDatabaseTitlePrefix) + 1));
            break;
        case State::BeforeTracks:
        case State::Tracks:
            track(line);
            break;
        }
    }

    DatabaseTree take() { return std::move(tree_); }

private:
    enum class State { Idle, ExpectArtist, ExpectTitle, BeforeTracks, Tracks };

    void header(std::string_view line) {
        std::string_view name = line.substr(1);
        const std::size_t close = name.find(']');
        if (close != std::string_view::npos)
            name = name.substr(0, close);
        section_ = name;
        state_ = name.empty() ? State::Idle : State::ExpectArtist;
    }

    void artist(std::string_view name) {
        std::string text = shown(name);
        auto found = artists_.find(text);
        if (found != artists_.end()) {
            artistItem_ = found->second;
        } else {
            artistItem_ = tree_.items.size();
            artists_.emplace(text, artistItem_);
            DatabaseItem item;
            item.icon = DatabaseIcon::Artist;
            item.text = std::move(text);
            tree_.items.push_back(std::move(item));
        }
        state_ = State::ExpectTitle;
    }

    void album(std::string_view title) {
        DatabaseItem item;
        item.icon = DatabaseIcon::Album;
        item.parent = artistItem_;
        item.text.reserve(section_.size() + title.size() + 3);
        item.text += '[';
        appendShown(item.text, section_);
        item.text += "] ";
        appendShown(item.text, title);
        item.section = std::string(section_);
        item.discId = discIdOf(section_);
        albumItem_ = tree_.items.size();
        tree_.items.push_back(std::move(item));
        state_ = State::BeforeTracks;
    }

    // Keys that are not numbers come before the first track and are passed
    // over; after it, the first key below 1 ends the disc.
    void track(std::string_view line) {
        const std::size_t eq = line.find('=');
        const std::string_view key = eq == std::string_view::npos ? line : line.substr(0, eq);
        const std::string_view value =
            eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
        const int number = keyNumber(key);
        if (state_ == State::BeforeTracks && number == 0)
            return;
        if (number < 1) {
            state_ = State::Idle;
            return;
        }
        state_ = State::Tracks;
        DatabaseItem item;
        item.icon = DatabaseIcon::Song;
        item.parent = albumItem_;
        item.text = songText(number, value);
        tree_.items.push_back(std::move(item));
    }

    DatabaseTree tree_;
    std::unordered_map<std::string, std::size_t> artists_;
    State state_ = State::Idle;
    std::string_view section_;
    std::size_t artistItem_ = DatabaseItem::kNoParent;
    std::size_t albumItem_ = DatabaseItem::kNoParent;
};

} // namespace

const DatabaseItem* DatabaseTree::albumOf(std::size_t index) const {
    if (index >= items.size())
        return nullptr;
    const DatabaseItem& item = items[index];
    if (item.icon == DatabaseIcon::Album)
        return &item;
    if (item.icon == DatabaseIcon::Song && item.parent < items.size())
        return &items[item.parent];
    return nullptr;
}

DatabaseTree buildDatabaseTree(std::string_view contents) {
    TreeBuilder builder;
    const char* pos = contents.data();
    const char* const end = pos + contents.size();
    while (pos < end) {
        const char* stop = pos;
        while (stop < end && *stop != '\n' && *stop != '\r')
            ++stop;
        builder.line(std::string_view(pos, static_cast<std::size_t>(stop - pos)));
        if (stop < end && *stop == '\r' && stop + 1 < end && stop[1] == '\n')
            ++stop;
        pos = stop < end ? stop + 1 : end;
    }
    return builder.take();
}

DatabaseTree readDatabaseTree(const std::string& path) {
    std::string contents;
    if (!readWholeFile(path, contents))
        return DatabaseTree();
    return buildDatabaseTree(contents);
}

} // namespace rubo
