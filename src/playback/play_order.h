#pragma once

// The order of a disc's audio tracks in a play mode (PlayMode): what the
// worker plays when a play ends and where Next and Previous move.

#include "discinfo/disc_model.h"
#include "settings/options.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace rubo {

// Seeds of the shuffle; tests give fixed ones.
using ShuffleSeeds = std::function<std::uint32_t()>;
// From std::random_device and the clock.
ShuffleSeeds systemShuffleSeeds();

// The mode that plays: a program only for a disc whose PLAYORDER names
// one of its audio tracks, else normal.
int playModeInForce(int mode, const DiscInfo& disc);

class PlayOrder {
public:
    // The disc's own order.
    PlayOrder() = default;
    // The order of the disc's audio tracks in `mode`. A shuffle draws from
    // `seed` and begins with `startTrack` when that is one of them; a program
    // is the disc's PLAYORDER (each audio track once, at its first place),
    // without one the disc's own order.
    PlayOrder(const DiscInfo& disc, int mode, std::uint32_t seed, int startTrack = 0);

    // The mode in force (a program without PLAYORDER is normal).
    int mode() const { return mode_; }
    // A shuffle's or program's tracks; empty in the modes that follow the disc.
    const std::vector<int>& tracks() const { return tracks_; }
    // Whether each play ends with its track, the worker choosing the next.
    bool playsOneTrack() const;

    // The track play begins with; 0 for a disc without audio.
    int first(const TrackList& list) const;
    // Where Next and Previous move from `current`; 0: nowhere.
    int next(const TrackList& list, int current) const;
    int previous(const TrackList& list, int current) const;
    // What plays when a play of `current` has ended; 0: nothing.
    int afterEnd(const TrackList& list, int current) const;

private:
    // The index of `track` in tracks_, or -1.
    int indexOf(int track) const;

    int mode_ = kPlayModeNormal;
    std::vector<int> tracks_;
};

} // namespace rubo
