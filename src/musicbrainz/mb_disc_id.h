#pragma once

// The MusicBrainz disc id and TOC text of a disc's audio tracks.

#include "discinfo/disc_model.h"

#include <string>
#include <vector>

namespace rubo {

// Frames between the last audio track of an enhanced CD and the data
// session after it.
constexpr int kSessionGapFrames = 11400;

// What the id is computed from: audio tracks only.
struct MbToc {
    int firstTrack = 0;
    int lastTrack = 0;
    int leadOut = 0;          // absolute frames
    std::vector<int> offsets; // absolute start frames of firstTrack..lastTrack
    bool valid() const { return lastTrack >= firstTrack && firstTrack > 0 && leadOut > 0; }
};

// The audio part of a list: data tracks after the last audio track are left
// out, and the lead-out is then the first of them's start less the session
// gap. Invalid for a list without audio tracks.
MbToc mbTocOf(const TrackList& list);

// 28 characters of base64 (".", "_", "-" for "+", "/", "="); empty for an
// invalid TOC.
std::string mbDiscId(const MbToc& toc);

// "first last leadout offset..." in decimal, blanks between.
std::string mbTocText(const MbToc& toc);

} // namespace rubo
