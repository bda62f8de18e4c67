#pragma once

// MusicBrainz answers in UTF-8; RUBO keeps its texts in the ANSI code page.
// The UTF-8 is decoded here, strictly; the code-page step is a seam: the
// system's code page on Windows, Windows-1252 natively.

#include <string>
#include <string_view>

namespace rubo {

// What an invalid UTF-8 sequence decodes to.
constexpr char32_t kReplacementCharacter = 0xFFFD;
// What a character the code page lacks becomes.
constexpr char kUnmappableCharacter = '?';

// Code points of UTF-8 text. Each invalid sequence (a stray or missing
// continuation byte, an overlong form, a surrogate, a value past U+10FFFF)
// gives one kReplacementCharacter and decoding goes on after it.
std::u32string decodeUtf8(std::string_view utf8);

class AnsiCodePage {
public:
    virtual ~AnsiCodePage() = default;
    // Every code point becomes one character of the code page (or its
    // double-byte pair), or kUnmappableCharacter: never a partial sequence.
    virtual std::string encode(const std::u32string& text) const = 0;
};

// Windows-1252: the native builds' code page, and the tests'.
class Windows1252CodePage : public AnsiCodePage {
public:
    std::string encode(const std::u32string& text) const override;
};

// The system's ANSI code page (WideCharToMultiByte with CP_ACP, no best-fit
// characters); natively Windows-1252.
const AnsiCodePage& systemAnsiCodePage();

// decodeUtf8, then the code page.
std::string utf8ToAnsi(std::string_view utf8, const AnsiCodePage& codePage);

} // namespace rubo
