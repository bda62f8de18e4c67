#include "base/text_format.h"

#include <cstdio>
#include <vector>

namespace rubo {

std::string formatBoundedV(std::size_t maxChars, const char* format, std::va_list args) {
    std::vector<char> buffer(maxChars + 1);
    int n = std::vsnprintf(buffer.data(), buffer.size(), format, args);
    if (n < 0)
        return std::string();
    std::size_t len =
        static_cast<std::size_t>(n) < maxChars ? static_cast<std::size_t>(n) : maxChars;
    return std::string(buffer.data(), len);
}

std::string formatBounded(std::size_t maxChars, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = formatBoundedV(maxChars, format, args);
    va_end(args);
    return text;
}

std::string formatTextV(const char* format, std::va_list args) {
    std::va_list measure;
    va_copy(measure, args);
    int n = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (n <= 0)
        return std::string();
    return formatBoundedV(static_cast<std::size_t>(n), format, args);
}

std::string formatText(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = formatTextV(format, args);
    va_end(args);
    return text;
}

bool breaksLines(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string oneLineText(std::string_view text, std::string_view lineBreak) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += lineBreak;
        } else if (c != '\0') {
            out += c;
        }
    }
    return out;
}

} // namespace rubo
