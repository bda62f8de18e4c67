#include "settings/ini_lines.h"

#include <cstdint>
#include <cstring>

namespace rubo::ini {

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The key of an entry line: the text before the first "=", or the whole line.
std::string_view keyOf(std::string_view line) {
    std::size_t eq = line.find('=');
    return eq == std::string_view::npos ? line : line.substr(0, eq);
}

bool isHeader(std::string_view line) {
    return !line.empty() && line.front() == '[';
}

// Header name for the writer and the section clearing: the characters
// between the first and the last character of the line.
std::string_view headerNameInner(std::string_view line) {
    return line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string_view();
}

// Header name for the reader: between "[" and the first "]".
std::string_view headerNameToBracket(std::string_view line) {
    std::string_view rest = line.substr(1);
    std::size_t close = rest.find(']');
    return close == std::string_view::npos ? rest : rest.substr(0, close);
}

} // namespace

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

namespace {

// First occurrence of c in [p, end), or end. The reader spends most of its
// time here. MinGW programs use msvcrt's memchr, a byte loop: eight bytes at
// a time is twice as fast there (tools/bench/ini_bench); elsewhere the C
// library's vectorised memchr wins.
const char* findChar(const char* p, const char* end, char c) {
#if !defined(__MINGW32__)
    const void* hit = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return hit ? static_cast<const char*>(hit) : end;
#else
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    constexpr std::uint64_t highs = 0x8080808080808080ull;
    const std::uint64_t pattern = ones * static_cast<unsigned char>(c);
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        std::uint64_t x = word ^ pattern;
        if ((x - ones) & ~x & highs)
            break;
        p += 8;
    }
    while (p < end && *p != c)
        ++p;
    return p;
#endif
}

// Walks the lines of a file's contents without copying them; a last line
// without a line end counts, an empty file has no lines.
class LineCursor {
public:
    explicit LineCursor(std::string_view contents)
        : pos_(contents.data()), end_(pos_ + contents.size()) {}
    bool next(std::string_view& line) {
        if (pos_ >= end_)
            return false;
        const char* stop = findChar(pos_, end_, '\n');
        const char* following = stop < end_ ? stop + 1 : end_;
        if (stop > pos_ && stop[-1] == '\r')
            --stop;
        line = std::string_view(pos_, static_cast<std::size_t>(stop - pos_));
        pos_ = following;
        return true;
    }

private:
    const char* pos_;
    const char* end_;
};

void appendLine(std::string& out, std::string_view line) {
    out.append(line.data(), line.size());
    out.append("\r\n");
}

} // namespace

bool findValue(std::string_view contents, std::string_view section, std::string_view key,
               std::string& value) {
    const char* const begin = contents.data();
    const char* const end = begin + contents.size();
    const char* pos = begin;
    bool inSection = false;
    while (pos < end) {
        if (!inSection) {
            // Outside the wanted section only header lines matter: jump to
            // the next "[" that starts a line. A "[" inside a line is text.
            const char* at = findChar(pos, end, '[');
            while (at != end && at != begin && at[-1] != '\n')
                at = findChar(at + 1, end, '[');
            if (at == end)
                return false;
            pos = at;
        }
        const char* stop = findChar(pos, end, '\n');
        const char* next = stop < end ? stop + 1 : end;
        if (stop > pos && stop[-1] == '\r')
            --stop;
        std::string_view line(pos, static_cast<std::size_t>(stop - pos));
        pos = next;
        if (line.empty())
            continue;
        if (line.front() == '[') {
            inSection = equalsNoCase(headerNameToBracket(line), section);
        } else if (equalsNoCase(keyOf(line), key)) {
            std::size_t eq = line.find('=');
            value.assign(eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1));
            return true;
        }
    }
    return false;
}

void applyWrite(std::string_view contents, std::string_view section, std::string_view key,
                std::string_view value, std::string& out) {
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::size_t sectionEnd = none;
    std::size_t keyLine = none;
    std::size_t count = 0;
    bool inSection = false;
    bool lastEmpty = true;
    std::string_view line;
    for (LineCursor cursor(contents); cursor.next(line); ++count) {
        lastEmpty = line.empty();
        if (isHeader(line)) {
            inSection = equalsNoCase(headerNameInner(line), section);
            if (inSection)
                sectionEnd = count;
            continue;
        }
        if (!inSection)
            continue;
        std::string_view lineKey = keyOf(line);
        if (!lineKey.empty())
            sectionEnd = count;
        if (equalsNoCase(lineKey, key))
            keyLine = count;
    }

    out.clear();
    out.reserve(contents.size() + count + key.size() + value.size() + section.size() + 16);
    std::size_t index = 0;
    for (LineCursor cursor(contents); cursor.next(line); ++index) {
        if (index == keyLine) {
            if (!value.empty())
                appendLine(out.append(key).append("="), value);
            continue;
        }
        appendLine(out, line);
        if (index == sectionEnd && keyLine == none && !value.empty())
            appendLine(out.append(key).append("="), value);
    }
    if (sectionEnd == none && keyLine == none && !value.empty()) {
        if (count > 0 && !lastEmpty)
            appendLine(out, std::string_view());
        appendLine(out.append("[").append(section), "]");
        appendLine(out.append(key).append("="), value);
    }
}

std::string applyWrite(std::string_view contents, std::string_view section, std::string_view key,
                       std::string_view value) {
    std::string out;
    applyWrite(contents, section, key, value, out);
    return out;
}

std::string applyClearSection(std::string_view contents, std::string_view section) {
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::size_t header = none;
    std::size_t end = none;
    bool inSection = false;
    std::size_t index = 0;
    std::string_view line;
    for (LineCursor cursor(contents); cursor.next(line); ++index) {
        if (isHeader(line)) {
            inSection = equalsNoCase(headerNameInner(line), section);
            if (inSection)
                header = end = index;
        } else if (inSection && !line.empty()) {
            end = index;
        }
    }
    std::string out;
    out.reserve(contents.size() + index);
    index = 0;
    for (LineCursor cursor(contents); cursor.next(line); ++index) {
        if (header == none || index <= header || index > end)
            appendLine(out, line);
    }
    return out;
}

} // namespace rubo::ini
