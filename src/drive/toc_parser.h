#pragma once

// Parsers of the READ TOC and READ SUB-CHANNEL responses. Every parser reads
// only within the buffer it is given: descriptors that would lie beyond its
// end are treated as the end of the data.

#include "discinfo/disc_model.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace rubo {

constexpr std::size_t kTocHeaderBytes = 4;
constexpr std::size_t kTocDescriptorBytes = 8;
constexpr std::size_t kFullTocDescriptorBytes = 11;
constexpr int kMaxTocDescriptors = 100;
constexpr int kFirstSessionLeadOutPoint = 0xA2;

// A response buffer and its size.
struct ByteSpan {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::uint8_t at(std::size_t offset) const { return offset < size ? data[offset] : 0; }
};

// Format 0: header byte 2 and 3.
int tocFirstTrack(ByteSpan toc);
int tocLastTrack(ByteSpan toc);
// Number of 8-byte descriptors that lie wholly within the buffer (at most 100).
int tocDescriptorCount(ByteSpan toc);
// Frames of descriptor k; false when it lies beyond the buffer.
bool tocDescriptorFrames(ByteSpan toc, int k, int& frames);

// The format-0 TOC agrees with the tracks the CD-audio device reported.
bool tocMatches(ByteSpan toc, const TrackList& list);
// Adds the tracks the device did not report and takes the TOC's lead-out.
void extendFromToc(ByteSpan toc, TrackList& list);

// Format 2: fills the list with the first session's tracks. The list is
// expected empty.
void parseFirstSession(ByteSpan fullToc, TrackList& list);

// Format 1 dump: "Session range" line and the non-empty descriptors.
std::string sessionRangeText(ByteSpan sessions);
// Dump of one full-TOC response read for session `session`.
std::string sessionDumpText(ByteSpan fullToc, int session);

// The current position of a READ SUB-CHANNEL (format 1, MSF) response.
struct SubChannelPosition {
    int audioStatus = 0;
    int track = 0;                // 0 unless playing or paused
    PackedTmsf trackPosition = 0; // track-relative, 0 unless playing or paused
    PackedMsf absolute = 0;       // 0 unless playing or paused
};
constexpr int kAudioStatusPlaying = 0x11;
constexpr int kAudioStatusPaused = 0x12;

SubChannelPosition parseSubChannel(ByteSpan response);

} // namespace rubo
