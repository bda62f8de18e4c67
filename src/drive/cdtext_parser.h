#pragma once

// The CD-TEXT packs of a READ TOC format 5 response, turned into disc text.

#include "discinfo/disc_model.h"
#include "drive/toc_parser.h"

#include <functional>
#include <string>
#include <vector>

namespace rubo {

constexpr std::size_t kCdTextPackBytes = 18;
constexpr int kMaxCdTextPacks = 255;
// Longest CD-TEXT string kept; longer ones are cut.
constexpr std::size_t kMaxCdTextString = 255;
// Highest track number whose strings are kept; packs naming a higher one
// (the extension flag, for one) store nothing but are still read.
constexpr int kMaxCdTextTrack = 99;

// The strings of block 0, by track number.
struct CdTextStrings {
    std::string artist = kUnknownText;
    std::string title = kUnknownText;
    std::string message;
    std::vector<std::string> performers;
    std::vector<std::string> titles;
};

// Receives one dump line per pack, ending in "\n".
using CdTextLineSink = std::function<void(const std::string& line)>;

// Reads the packs from offset 4 up to a sequence break, 255 packs or the end
// of the buffer. `sink` may be empty.
CdTextStrings parseCdTextPacks(ByteSpan response, const CdTextLineSink& sink);

// The dump line of one pack (18 bytes).
std::string cdTextPackLine(const std::uint8_t* pack);

// The summary written after the pack lines.
std::string cdTextSummaryText(const CdTextStrings& strings);

// Disc artist, title, message and the track titles ("%s / %s" with a track
// performer other than the disc artist); then valid and origin CD-TEXT.
void applyCdText(const CdTextStrings& strings, DiscInfo& info);

} // namespace rubo
