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

// Whether the text after a "[" could name the section for the profile
// functions: blanks skipped, ASCII compared without case, anything beyond
// ASCII taken as a match.
bool mayStartProfileHeader(const char* p, const char* end, std::string_view section) {
    while (p < end &&
           (*p == ' ' || *p == '\t' || *p == '\v' || *p == '\f' || *p == '\r' || *p == '\x1a'))
        ++p;
    std::size_t i = 0;
    for (; i < section.size() && p + i < end; ++i) {
        const char c = p[i];
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
        if (lowerAscii(c) != lowerAscii(section[i]))
            return false;
    }
    return i == section.size();
}

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

void findSectionBlocks(std::string_view contents, std::string_view section,
                       std::vector<Block>& blocks, bool* profileHeaderBefore) {
    blocks.clear();
    bool before = false;
    bool matched = false;
    const char* const begin = contents.data();
    const char* const end = begin + contents.size();
    const char* open = nullptr; // the lines of the matching block being walked
    std::size_t openHeader = 0;
    for (const char* at = findChar(begin, end, '['); at != end; at = findChar(at + 1, end, '[')) {
        // The reader's headers: lines that start with "[".
        if (at == begin || at[-1] == '\n') {
            if (open) {
                blocks.push_back(Block{openHeader, static_cast<std::size_t>(open - begin),
                                       static_cast<std::size_t>(at - begin)});
                open = nullptr;
            }
            const char* stop = findChar(at, end, '\n');
            const char* following = stop < end ? stop + 1 : end;
            if (stop > at && stop[-1] == '\r')
                --stop;
            if (equalsNoCase(
                    headerNameToBracket(std::string_view(at, static_cast<std::size_t>(stop - at))),
                    section)) {
                matched = true;
                open = following;
                openHeader = static_cast<std::size_t>(at - begin);
                continue;
            }
        }
        if (!matched && profileHeaderBefore && !before)
            before = mayStartProfileHeader(at + 1, end, section);
    }
    if (open)
        blocks.push_back(
            Block{openHeader, static_cast<std::size_t>(open - begin), contents.size()});
    if (profileHeaderBefore)
        *profileHeaderBefore = before;
}

bool findValueInBlocks(std::string_view contents, const std::vector<Block>& blocks,
                       std::string_view key, std::string& value) {
    std::string_view line;
    for (const Block& block : blocks) {
        for (LineCursor cursor(contents.substr(block.begin, block.end - block.begin));
             cursor.next(line);) {
            if (!line.empty() && equalsNoCase(keyOf(line), key)) {
                std::size_t eq = line.find('=');
                value.assign(eq == std::string_view::npos ? std::string_view()
                                                          : line.substr(eq + 1));
                return true;
            }
        }
    }
    return false;
}

bool findProfileValue(std::string_view contents, const std::vector<Block>& blocks,
                      std::string_view key, std::string& value) {
    if (blocks.empty())
        return false;
    std::string_view line;
    const Block& first = blocks.front();
    for (LineCursor cursor(contents.substr(first.begin, first.end - first.begin));
         cursor.next(line);) {
        if (equalsNoCase(keyOf(line), key)) {
            const std::size_t eq = line.find('=');
            if (eq == std::string_view::npos)
                return false;
            value.assign(line.substr(eq + 1));
            return true;
        }
    }
    return false;
}

std::string profileCopy(std::string_view text, std::size_t bufferSize) {
    const std::size_t room = bufferSize - 1;
    if (!text.empty() && (text.front() == '\'' || text.front() == '"') && text.size() > 1 &&
        text.back() == text.front()) {
        // As the profile functions do it: the closing quote goes only when
        // the rest fits, and then as the last character copied.
        std::string copy(text.substr(1, room));
        if (bufferSize >= text.size() - 1 && !copy.empty())
            copy.pop_back();
        return copy;
    }
    return std::string(text.substr(0, room));
}

bool findSectionRegion(std::string_view contents, std::string_view section, std::size_t& begin,
                       std::size_t& end) {
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    const char* const first = contents.data();
    const char* const last = first + contents.size();
    std::size_t firstHeader = none;
    std::size_t afterLast = none;
    // The writer's headers are the lines that start with "[" too.
    const char* at = findChar(first, last, '[');
    while (at != last) {
        if (at != first && at[-1] != '\n') {
            at = findChar(at + 1, last, '[');
            continue;
        }
        const std::size_t offset = static_cast<std::size_t>(at - first);
        if (afterLast == none && firstHeader != none)
            afterLast = offset;
        const char* stop = findChar(at, last, '\n');
        const char* following = stop < last ? stop + 1 : last;
        if (stop > at && stop[-1] == '\r')
            --stop;
        if (equalsNoCase(headerNameInner(std::string_view(at, static_cast<std::size_t>(stop - at))),
                         section)) {
            if (firstHeader == none)
                firstHeader = offset;
            afterLast = none;
        }
        at = findChar(following, last, '[');
    }
    if (firstHeader != none) {
        begin = firstHeader;
        end = afterLast == none ? contents.size() : afterLast;
        return true;
    }
    // The last line, which decides the blank line before a new section.
    std::size_t limit = contents.size();
    if (limit > 0 && contents[limit - 1] == '\n')
        --limit;
    const std::size_t newline =
        limit == 0 ? std::string_view::npos : contents.rfind('\n', limit - 1);
    begin = newline == std::string_view::npos ? 0 : newline + 1;
    end = contents.size();
    return false;
}

bool endsEveryLineWithCrLf(std::string_view text) {
    if (text.empty())
        return true;
    if (text.back() != '\n')
        return false;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    for (const char* at = findChar(begin, end, '\n'); at != end; at = findChar(at + 1, end, '\n')) {
        if (at == begin || at[-1] != '\r')
            return false;
    }
    return true;
}

bool mayHoldProfileHeader(std::string_view text, std::string_view section) {
    const char* const end = text.data() + text.size();
    for (const char* at = findChar(text.data(), end, '['); at != end;
         at = findChar(at + 1, end, '[')) {
        if (mayStartProfileHeader(at + 1, end, section))
            return true;
    }
    return false;
}

bool isProfileWrittenForm(std::string_view text, bool blankLines) {
    const char* const end = text.data() + text.size();
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char* stop = findChar(text.data() + pos, end, '\n');
        const std::size_t newline = static_cast<std::size_t>(stop - text.data());
        if (stop == end || newline < pos + 1 || text[newline - 1] != '\r')
            return false;
        const std::string_view line = text.substr(pos, newline - 1 - pos);
        pos = newline + 1;
        if (line.empty()) {
            if (!blankLines)
                return false;
            continue;
        }
        for (char c : line) {
            if (c < 0x20 || c > 0x7E)
                return false;
        }
        if (line.front() == ' ' || line.back() == ' ')
            return false;
        if (line.front() == '[') {
            if (line.size() < 3 || line.back() != ']')
                return false;
            const std::string_view name = line.substr(1, line.size() - 2);
            if (name.find_first_of("[]") != name.npos || name.front() == ' ' || name.back() == ' ')
                return false;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos &&
            (eq == 0 || line[eq - 1] == ' ' || (eq + 1 < line.size() && line[eq + 1] == ' ')))
            return false;
    }
    return true;
}

namespace {

// A section name or key the profile functions keep as it is.
bool isPlainName(std::string_view name) {
    if (name.empty())
        return false;
    for (char c : name) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_'))
            return false;
    }
    return true;
}

} // namespace

bool applyProfileWrite(std::string& text, std::string_view section, std::string_view key,
                       const char* value) {
    const std::string_view newValue = value ? std::string_view(value) : std::string_view();
    if (!isPlainName(section) || !isPlainName(key) || !isProfileWrittenForm(text, true))
        return false;
    if (value && !newValue.empty() &&
        (newValue.front() == ' ' || newValue.back() == ' ' ||
         !isProfileWrittenForm(std::string("a=").append(newValue).append("\r\n"))))
        return false;
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    bool blank = false;
    bool inSection = false;
    bool found = false;
    std::size_t sectionEnd = none; // after the last line of the first section
    std::size_t keyBegin = none;
    std::size_t keyEnd = none;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t newline = text.find('\n', pos);
        const std::string_view line(text.data() + pos, newline - 1 - pos);
        const std::size_t begin = pos;
        pos = newline + 1;
        if (line.empty()) {
            blank = true;
            continue;
        }
        if (line.front() == '[') {
            inSection = !found && equalsNoCase(line.substr(1, line.size() - 2), section);
            if (inSection) {
                found = true;
                sectionEnd = pos;
            }
            continue;
        }
        if (!inSection)
            continue;
        sectionEnd = pos;
        if (keyBegin == none && equalsNoCase(keyOf(line), key)) {
            keyBegin = begin;
            keyEnd = pos;
        }
    }
    if (!value) {
        if (keyBegin == none)
            return true; // nothing to remove
        if (blank)
            return false;
        text.erase(keyBegin, keyEnd - keyBegin);
        return true;
    }
    if (keyBegin != none) {
        const std::string_view line(text.data() + keyBegin, keyEnd - keyBegin - 2);
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && line.substr(eq + 1) == newValue)
            return true; // the same value: the file stays as it is
        if (blank)
            return false;
        std::string replaced(keyOf(line));
        replaced.append("=").append(newValue).append("\r\n");
        text.replace(keyBegin, keyEnd - keyBegin, replaced);
        return true;
    }
    if (blank)
        return false;
    std::string entry(key);
    entry.append("=").append(newValue).append("\r\n");
    if (found)
        text.insert(sectionEnd, entry);
    else
        text.append("[").append(section).append("]\r\n").append(entry);
    return true;
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
