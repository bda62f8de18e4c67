#include "drive/cdtext_parser.h"

#include "base/text_format.h"

namespace rubo {

namespace {

constexpr std::uint8_t kPackTitle = 0x80;
constexpr std::uint8_t kPackPerformer = 0x81;
constexpr std::uint8_t kPackMessage = 0x85;
constexpr std::uint8_t kBlockMask = 0x70;
constexpr std::size_t kPackTextBytes = 12;
constexpr std::size_t kPackTextOffset = 4;
constexpr std::size_t kLineChars = 200;

void storeByTrack(std::vector<std::string>& list, int track, const std::string& text) {
    if (track < 0 || track > kMaxCdTextTrack)
        return; // beyond the last track number (or the counter ran past it): nothing to keep
    if (list.size() <= static_cast<std::size_t>(track))
        list.resize(static_cast<std::size_t>(track) + 1);
    list[static_cast<std::size_t>(track)] = text;
}

// A single TAB stands for the previous track's text of the same type; the
// previous one of track 1 is the disc's.
std::string resolveRepeat(const std::vector<std::string>& list, const std::string& discText,
                          int track, const std::string& text) {
    if (text != "\t" || track < 1)
        return text;
    if (track == 1)
        return discText;
    const std::size_t previous = static_cast<std::size_t>(track - 1);
    return previous < list.size() ? list[previous] : std::string();
}

void storeString(CdTextStrings& out, std::uint8_t type, int track, const std::string& raw) {
    if (type == kPackTitle) {
        const std::string text = resolveRepeat(out.titles, out.title, track, raw);
        if (track == 0)
            out.title = text;
        else
            storeByTrack(out.titles, track, text);
    } else if (type == kPackPerformer) {
        const std::string text = resolveRepeat(out.performers, out.artist, track, raw);
        if (track == 0)
            out.artist = text;
        else
            storeByTrack(out.performers, track, text);
    } else if (type == kPackMessage) {
        out.message += raw;
    }
}

} // namespace

std::string cdTextPackLine(const std::uint8_t* pack) {
    const std::uint8_t* t = pack + kPackTextOffset;
    std::string shown;
    for (std::size_t i = 0; i < kPackTextBytes; ++i)
        shown += t[i] < 0x20 ? '_' : static_cast<char>(t[i]);
    return formatBounded(kLineChars,
                         "%2d %2d %2d   %02X : %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X "
                         "%02X %02X  %s\n",
                         pack[2], pack[1], pack[3] & 0x0F, pack[0], t[0], t[1], t[2], t[3], t[4],
                         t[5], t[6], t[7], t[8], t[9], t[10], t[11], shown.c_str());
}

CdTextStrings parseCdTextPacks(ByteSpan response, const CdTextLineSink& sink) {
    CdTextStrings out;
    std::string text;
    int track = 0;
    int expected = 0;
    for (int p = 0; p < kMaxCdTextPacks; ++p) {
        const std::size_t offset = kTocHeaderBytes + static_cast<std::size_t>(p) * kCdTextPackBytes;
        if (offset + kCdTextPackBytes > response.size)
            break;
        const std::uint8_t* pack = response.data + offset;
        if (sink)
            sink(cdTextPackLine(pack));
        if (pack[2] != expected)
            break;
        const std::uint8_t type = pack[0];
        if (type >= kPackTitle && type <= kPackMessage && (pack[3] & kBlockMask) == 0) {
            track = pack[1];
            for (std::size_t i = 0; i < kPackTextBytes; ++i) {
                const std::uint8_t byte = pack[kPackTextOffset + i];
                if (byte != 0) {
                    if (text.size() < kMaxCdTextString)
                        text += static_cast<char>(byte);
                    continue;
                }
                storeString(out, type, track, text);
                text.clear();
                ++track;
            }
        }
        ++expected;
    }
    return out;
}

std::string cdTextSummaryText(const CdTextStrings& strings) {
    std::string text = "\n";
    text += formatBounded(kMessageMaxChars, "Artist:  %s\n", oneLineText(strings.artist).c_str());
    text += formatBounded(kMessageMaxChars, "Title:   %s\n", oneLineText(strings.title).c_str());
    text += formatBounded(kMessageMaxChars, "Message: %s\n", oneLineText(strings.message).c_str());
    text += "\n";
    for (std::size_t n = 1; n < strings.performers.size(); ++n)
        text += formatBounded(kMessageMaxChars, "[%02d] Artist:  %s\n", static_cast<int>(n),
                              oneLineText(strings.performers[n]).c_str());
    text += "\n";
    for (std::size_t n = 1; n < strings.titles.size(); ++n)
        text += formatBounded(kMessageMaxChars, "[%02d] Title:   %s\n", static_cast<int>(n),
                              oneLineText(strings.titles[n]).c_str());
    return text;
}

void applyCdText(const CdTextStrings& strings, DiscInfo& info) {
    info.artist = strings.artist;
    info.title = strings.title;
    info.extendedDisc = strings.message;
    for (std::size_t n = 1; n < strings.titles.size(); ++n) {
        TrackEntry* entry = info.trackList.entryForStore(static_cast<int>(n));
        if (!entry)
            break;
        const bool withPerformer = n < strings.performers.size() &&
                                   !strings.performers[n].empty() &&
                                   strings.performers[n] != strings.artist;
        entry->title = withPerformer ? performerTitle(strings.performers[n], strings.titles[n])
                                     : strings.titles[n];
    }
    info.valid = true;
    info.origin = OriginCdText;
}

} // namespace rubo
