#include "settings/ini_lines.h"

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

std::vector<std::string_view> splitLines(std::string_view contents) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < contents.size()) {
        std::size_t end = contents.find('\n', pos);
        std::size_t next = end == std::string_view::npos ? contents.size() : end + 1;
        std::size_t stop = end == std::string_view::npos ? contents.size() : end;
        if (stop > pos && contents[stop - 1] == '\r')
            --stop;
        lines.push_back(contents.substr(pos, stop - pos));
        pos = next;
    }
    return lines;
}

std::string joinLines(const std::vector<std::string_view>& lines) {
    std::size_t total = 0;
    for (std::string_view line : lines)
        total += line.size() + 2;
    std::string out;
    out.reserve(total);
    for (std::string_view line : lines) {
        out.append(line.data(), line.size());
        out.append("\r\n");
    }
    return out;
}

bool findValue(std::string_view contents, std::string_view section, std::string_view key,
               std::string& value) {
    bool inSection = false;
    std::size_t pos = 0;
    const char* base = contents.data();
    while (pos < contents.size()) {
        const void* nl = std::memchr(base + pos, '\n', contents.size() - pos);
        std::size_t stop =
            nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - base) : contents.size();
        std::size_t next = nl ? stop + 1 : stop;
        if (stop > pos && base[stop - 1] == '\r')
            --stop;
        std::string_view line(base + pos, stop - pos);
        pos = next;
        if (line.empty())
            continue;
        if (line.front() == '[') {
            inSection = equalsNoCase(headerNameToBracket(line), section);
        } else if (inSection && equalsNoCase(keyOf(line), key)) {
            std::size_t eq = line.find('=');
            value.assign(eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1));
            return true;
        }
    }
    return false;
}

std::string applyWrite(std::string_view contents, std::string_view section, std::string_view key,
                       std::string_view value) {
    std::vector<std::string_view> lines = splitLines(contents);
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::size_t sectionEnd = none;
    std::size_t keyLine = none;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (isHeader(line)) {
            inSection = equalsNoCase(headerNameInner(line), section);
            if (inSection)
                sectionEnd = i;
            continue;
        }
        if (!inSection)
            continue;
        std::string_view lineKey = keyOf(line);
        if (!lineKey.empty())
            sectionEnd = i;
        if (equalsNoCase(lineKey, key))
            keyLine = i;
    }

    std::string entry;
    if (!value.empty()) {
        entry.reserve(key.size() + 1 + value.size());
        entry.append(key).append("=").append(value);
        if (keyLine != none) {
            lines[keyLine] = entry;
        } else if (sectionEnd != none) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd) + 1, entry);
        } else {
            if (!lines.empty() && !lines.back().empty())
                lines.push_back(std::string_view());
            std::string header;
            header.append("[").append(section).append("]");
            lines.push_back(header);
            lines.push_back(entry);
            return joinLines(lines);
        }
    } else if (keyLine != none) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(keyLine));
    }
    return joinLines(lines);
}

std::string applyClearSection(std::string_view contents, std::string_view section) {
    std::vector<std::string_view> lines = splitLines(contents);
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::size_t header = none;
    std::size_t end = none;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (isHeader(lines[i])) {
            inSection = equalsNoCase(headerNameInner(lines[i]), section);
            if (inSection)
                header = end = i;
        } else if (inSection && !lines[i].empty()) {
            end = i;
        }
    }
    if (header != none && end > header) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header) + 1,
                    lines.begin() + static_cast<std::ptrdiff_t>(end) + 1);
    }
    return joinLines(lines);
}

} // namespace rubo::ini
