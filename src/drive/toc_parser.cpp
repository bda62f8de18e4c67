#include "drive/toc_parser.h"

#include "base/text_format.h"

namespace rubo {

namespace {

constexpr int kAdrPosition = 1;
constexpr int kAdrMode5 = 5;
constexpr std::uint8_t kControlData = 0x04;
constexpr int kPointFirstTrack = 0xA0;
constexpr int kPointLastTrack = 0xA1;
constexpr int kPointSkipLimit = 0x40;
constexpr int kPointNextAddress = 0xB0;
constexpr int kPointFirstLeadIn = 0xC0;
constexpr std::size_t kLineChars = 200;

std::size_t descriptorOffset(int k) {
    return kTocHeaderBytes + static_cast<std::size_t>(k) * kTocDescriptorBytes;
}

// Number of 11-byte full-TOC descriptors within the buffer (at most 100).
int fullTocDescriptorCount(ByteSpan toc) {
    if (toc.size < kTocHeaderBytes)
        return 0;
    std::size_t fit = (toc.size - kTocHeaderBytes) / kFullTocDescriptorBytes;
    return fit > static_cast<std::size_t>(kMaxTocDescriptors) ? kMaxTocDescriptors
                                                              : static_cast<int>(fit);
}

const std::uint8_t* fullTocDescriptor(ByteSpan toc, int i) {
    return toc.data + kTocHeaderBytes + static_cast<std::size_t>(i) * kFullTocDescriptorBytes;
}

int pointFrames(const std::uint8_t* d) {
    return (d[8] * kSecondsPerMinute + d[9]) * kFramesPerSecond + d[10];
}

std::string explainDescriptor(const std::uint8_t* d) {
    const int adr = d[1] >> 4;
    const int point = d[3];
    if (adr == kAdrPosition) {
        if (point < 100)
            return formatBounded(kLineChars, "   Track %2d  %s  Start = %2d:%02d %02d\n", point,
                                 (d[1] & kControlData) ? "data " : "audio", d[8], d[9], d[10]);
        if (point == kPointFirstTrack)
            return formatBounded(kLineChars, "   First track nr = %d,  disc type = %02X\n", d[8],
                                 d[9]);
        if (point == kPointLastTrack)
            return formatBounded(kLineChars, "   Last  track nr = %d\n", d[8]);
        if (point == kFirstSessionLeadOutPoint)
            return formatBounded(kLineChars, "   Lead-out         Start = %2d:%02d %02d\n", d[8],
                                 d[9], d[10]);
    } else if (adr == kAdrMode5) {
        if (point <= kPointSkipLimit)
            return formatBounded(kLineChars,
                                 "   Skip interval = %2d:%02d %02d  to  %2d:%02d %02d\n", d[8],
                                 d[9], d[10], d[4], d[5], d[6]);
        if (point == kPointNextAddress)
            return formatBounded(kLineChars,
                                 "   Next possible address  = %2d:%02d %02d   Outermost "
                                 "Lead-out = %2d:%02d %02d\n",
                                 d[4], d[5], d[6], d[8], d[9], d[10]);
        if (point == kPointFirstLeadIn)
            return formatBounded(kLineChars, "   First Lead-in          = %2d:%02d %02d\n", d[8],
                                 d[9], d[10]);
    }
    return "\n";
}

} // namespace

int tocFirstTrack(ByteSpan toc) {
    return toc.at(2);
}

int tocLastTrack(ByteSpan toc) {
    return toc.at(3);
}

int tocDescriptorCount(ByteSpan toc) {
    if (toc.size < kTocHeaderBytes)
        return 0;
    std::size_t fit = (toc.size - kTocHeaderBytes) / kTocDescriptorBytes;
    return fit > static_cast<std::size_t>(kMaxTocDescriptors) ? kMaxTocDescriptors
                                                              : static_cast<int>(fit);
}

bool tocDescriptorFrames(ByteSpan toc, int k, int& frames) {
    if (k < 0 || k >= tocDescriptorCount(toc))
        return false;
    frames = tocAddressToFrames(toc.data + descriptorOffset(k) + 4);
    return true;
}

bool tocMatches(ByteSpan toc, const TrackList& list) {
    if (tocLastTrack(toc) < list.trackCount)
        return false;
    for (int k = 1; k <= list.trackCount; ++k) {
        int frames = 0;
        const TrackEntry* entry = list.entry(k);
        if (!entry || !tocDescriptorFrames(toc, k - 1, frames))
            return false;
        if (framesToMsf(frames) != entry->start)
            return false;
    }
    return true;
}

void extendFromToc(ByteSpan toc, TrackList& list) {
    int last = tocLastTrack(toc);
    const int n = list.trackCount;
    if (last == n)
        return;
    // The lead-out descriptor must lie within the buffer; tracks past it
    // are the end of the data.
    const int count = tocDescriptorCount(toc);
    if (count == 0)
        return;
    if (last > count - 1)
        last = count - 1;
    for (int i = n + 1; i <= last; ++i) {
        int start = 0;
        int next = 0;
        tocDescriptorFrames(toc, i - 1, start);
        tocDescriptorFrames(toc, i, next);
        TrackEntry* entry = list.entryForStore(i);
        if (!entry)
            break;
        entry->number = i;
        entry->start = framesToMsf(start);
        entry->length = framesToMsf(next - start);
        entry->title.clear();
        entry->extended.clear();
        entry->audio = (toc.data[descriptorOffset(i - 1) + 1] & kControlData) ? 0 : 1;
    }
    int leadOut = 0;
    tocDescriptorFrames(toc, last, leadOut);
    list.trackCount = last;
    list.leadOut = leadOut;
}

void parseFirstSession(ByteSpan fullToc, TrackList& list) {
    const int count = fullTocDescriptorCount(fullToc);
    int maxTrack = 0;
    int leadOut = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* d = fullTocDescriptor(fullToc, i);
        if (d[0] == 0 || (d[1] & 0xF0) != 0x10)
            continue;
        const int point = d[3];
        if (point < 100) {
            if (d[0] != 1)
                continue;
            TrackEntry* entry = list.entryForStore(point);
            if (!entry)
                continue;
            entry->number = point;
            entry->start = framesToMsf(pointFrames(d));
            entry->audio = (d[1] & kControlData) ? 0 : 1;
            if (point > maxTrack)
                maxTrack = point;
        } else if (point == kFirstSessionLeadOutPoint && d[0] == 1) {
            leadOut = pointFrames(d);
        }
    }
    for (int t = 1; t <= maxTrack; ++t) {
        TrackEntry* entry = list.entryForStore(t);
        const int start = msfToFrames(entry->start);
        const int end = t < maxTrack ? msfToFrames(list.entryForStore(t + 1)->start) : leadOut;
        entry->length = framesToMsf(end - start);
    }
    list.trackCount = maxTrack;
    list.leadOut = leadOut;
}

std::string sessionRangeText(ByteSpan sessions) {
    std::string text =
        formatBounded(kLineChars, "Session range: %d..%d\n\n", sessions.at(2), sessions.at(3));
    const int count = tocDescriptorCount(sessions);
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* d = sessions.data + descriptorOffset(i);
        if (d[1] == 0 && d[2] == 0 && d[4] == 0 && d[5] == 0 && d[6] == 0 && d[7] == 0)
            continue;
        text += formatBounded(kLineChars, "  [%2d]  %02X %02X %02X %02X %02X %02X %02X %02X\n", i,
                              d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7]);
    }
    text += "\n\n";
    return text;
}

std::string sessionDumpText(ByteSpan fullToc, int session) {
    std::string text = formatBounded(kLineChars, "Session %d  (range: %d..%d)\n\n", session,
                                     fullToc.at(2), fullToc.at(3));
    const int count = fullTocDescriptorCount(fullToc);
    int previous = fullToc.at(2);
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* d = fullTocDescriptor(fullToc, i);
        if (d[0] != previous && i != 0)
            text += "\n";
        previous = d[0];
        if (d[0] == 0 || (d[1] >> 4) == 0)
            continue;
        text += formatBounded(kLineChars,
                              "  [%2d]  %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X", i,
                              d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8], d[9], d[10]);
        text += explainDescriptor(d);
    }
    text += "\n\n";
    return text;
}

SubChannelPosition parseSubChannel(ByteSpan response) {
    SubChannelPosition position;
    position.audioStatus = response.at(1);
    if (position.audioStatus != kAudioStatusPlaying && position.audioStatus != kAudioStatusPaused)
        return position;
    position.track = response.at(6);
    position.absolute = makeMsf(response.at(9), response.at(10), response.at(11));
    position.trackPosition =
        makeTmsf(response.at(6), response.at(13), response.at(14), response.at(15));
    return position;
}

} // namespace rubo
