#include "musicbrainz/mb_disc_id.h"

#include "base/sha1.h"
#include "base/text_format.h"

namespace rubo {

namespace {

constexpr int kTocSlots = 100;
constexpr std::size_t kHexFieldChars = 8;
constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._";
constexpr char kBase64Pad = '-';

int startFrames(const TrackList& list, int track) {
    const TrackEntry* e = list.entry(track);
    return e != nullptr ? msfToFrames(e->start) : 0;
}

bool isAudio(const TrackList& list, int track) {
    const TrackEntry* e = list.entry(track);
    return e != nullptr && e->audio != 0;
}

std::string base64(const Sha1Digest& digest) {
    std::string out;
    for (std::size_t i = 0; i < digest.size(); i += 3) {
        const std::size_t left = digest.size() - i;
        std::uint32_t group = std::uint32_t{digest[i]} << 16;
        if (left > 1)
            group |= std::uint32_t{digest[i + 1]} << 8;
        if (left > 2)
            group |= digest[i + 2];
        for (std::size_t k = 0; k < 4; ++k)
            out.push_back(k <= left ? kBase64Alphabet[(group >> (18 - 6 * k)) & 0x3F] : kBase64Pad);
    }
    return out;
}

} // namespace

MbToc mbTocOf(const TrackList& list) {
    MbToc toc;
    int last = list.trackCount;
    while (last > 0 && !isAudio(list, last))
        --last;
    if (last == 0)
        return toc;
    toc.firstTrack = 1;
    toc.lastTrack = last;
    toc.leadOut =
        last < list.trackCount ? startFrames(list, last + 1) - kSessionGapFrames : list.leadOut;
    for (int k = 1; k <= last; ++k)
        toc.offsets.push_back(startFrames(list, k));
    return toc;
}

std::string mbDiscId(const MbToc& toc) {
    if (!toc.valid())
        return std::string();
    std::string text = formatBounded(kHexFieldChars, "%02X%02X", toc.firstTrack, toc.lastTrack);
    for (int slot = 0; slot < kTocSlots; ++slot) {
        const std::size_t track = static_cast<std::size_t>(slot - 1);
        const int value = slot == 0                    ? toc.leadOut
                          : track < toc.offsets.size() ? toc.offsets[track]
                                                       : 0;
        text += formatBounded(kHexFieldChars, "%08X", static_cast<unsigned>(value));
    }
    return base64(sha1(text));
}

std::string mbTocText(const MbToc& toc) {
    std::string text = formatText("%d %d %d", toc.firstTrack, toc.lastTrack, toc.leadOut);
    for (int offset : toc.offsets)
        text += formatText(" %d", offset);
    return text;
}

} // namespace rubo
