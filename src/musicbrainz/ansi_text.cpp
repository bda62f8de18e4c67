#include "musicbrainz/ansi_text.h"

#include <cstdint>

namespace rubo {

namespace {

// The length a lead byte announces, 0 for one that cannot start a sequence.
int sequenceLength(std::uint8_t lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// The allowed range of the byte after a lead; the others take 80..BF. This
// excludes overlong forms, surrogates and values past U+10FFFF.
bool secondByteFits(std::uint8_t lead, std::uint8_t second) {
    std::uint8_t low = 0x80, high = 0xBF;
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;
    return second >= low && second <= high;
}

// Windows-1252 bytes 80..9F; 0 where the code page has no character.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    return kUnmappableCharacter;
}

} // namespace

std::u32string decodeUtf8(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        const int length = sequenceLength(lead);
        if (length == 1) {
            out.push_back(lead);
            ++i;
            continue;
        }
        // The longest valid start of the sequence is taken as one bad character.
        std::size_t taken = 1;
        char32_t value = length == 2 ? lead & 0x1Fu : length == 3 ? lead & 0x0Fu : lead & 0x07u;
        bool whole = length > 0;
        for (int k = 1; whole && k < length; ++k) {
            const std::size_t at = i + static_cast<std::size_t>(k);
            const auto next = at < utf8.size() ? static_cast<std::uint8_t>(utf8[at]) : 0;
            const bool fits = at < utf8.size() &&
                              (k == 1 ? secondByteFits(lead, next) : next >= 0x80 && next <= 0xBF);
            if (!fits) {
                whole = false;
                break;
            }
            value = (value << 6) | (next & 0x3Fu);
            ++taken;
        }
        out.push_back(whole ? value : kReplacementCharacter);
        i += taken;
    }
    return out;
}

std::string Windows1252CodePage::encode(const std::u32string& text) const {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        out.push_back(windows1252Byte(c));
    return out;
}

std::string utf8ToAnsi(std::string_view utf8, const AnsiCodePage& codePage) {
    return codePage.encode(decodeUtf8(utf8));
}

} // namespace rubo
