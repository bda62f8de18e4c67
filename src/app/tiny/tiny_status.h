#pragma once

// The Tiny window's caption and button images.

#include "discinfo/disc_model.h"

#include <cstdint>
#include <string>

namespace rubo {

// Words for the player states, shown by the Tiny caption and the main display.
inline constexpr const char kStateNotReady[] = "not ready";
inline constexpr const char kStateNoAudio[] = "no audio";
inline constexpr const char kStateEmptyDisc[] = "empty disc";
inline constexpr const char kStateRecord[] = "record";
inline constexpr const char kStateSeek[] = "seek";
inline constexpr const char kStateNoDisc[] = "no disc";

inline constexpr const char kTinyTrackFormat[] = "%d";
inline constexpr const char kTinyPlayFormat[] = "%d / %d:%02d";
inline constexpr const char kTinyPausedFormat[] = "%d / paused";

// The Tiny caption from the player mode, the disc and the track position
// (current track = disc.firstAudioTrack).
std::string tinyCaption(std::uint32_t uiMode, const DiscInfo& disc, PackedTmsf trackPosition);

// Which of the five Tiny pictures show their enabled bitmap.
struct TinyImages {
    bool play = false, pause = false, stop = false, previous = false, next = false;
};
TinyImages tinyImages(std::uint32_t uiMode, bool transportEnabled, bool hasAudio);

} // namespace rubo
