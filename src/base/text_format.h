#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

// printf-style format checking where the compiler offers it.
#if defined(__MINGW32__)
#define RUBO_PRINTF_FORMAT(fmt, first) __attribute__((format(gnu_printf, fmt, first)))
#elif defined(__GNUC__)
#define RUBO_PRINTF_FORMAT(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define RUBO_PRINTF_FORMAT(fmt, first)
#endif

namespace rubo {

// Longest formatted message text (a 512-byte buffer with its terminator).
constexpr std::size_t kMessageMaxChars = 511;

// The program's one formatting helper. Formatting is always bounded: the
// result holds at most maxChars characters, cut at the end.
std::string formatBoundedV(std::size_t maxChars, const char* format, std::va_list args);
std::string formatBounded(std::size_t maxChars, const char* format, ...) RUBO_PRINTF_FORMAT(2, 3);

// Formats a text of any length (measured first, then written).
std::string formatTextV(const char* format, std::va_list args);
std::string formatText(const char* format, ...) RUBO_PRINTF_FORMAT(1, 2);

// The text as one line of the settings file or a log: each line break (CR LF,
// a lone CR or a lone LF) becomes `lineBreak`, and NUL characters are dropped.
std::string oneLineText(std::string_view text, std::string_view lineBreak = " ");
// Whether oneLineText() would change the text.
bool breaksLines(std::string_view text);

} // namespace rubo
