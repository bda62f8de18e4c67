#include "playback/play_order.h"

#include <algorithm>
#include <chrono>
#include <random>

namespace rubo {

namespace {

bool isAudioTrack(const TrackList& list, int track) {
    const TrackEntry* entry = list.entry(track);
    return track >= 1 && track <= list.trackCount && entry && entry->audio;
}

// The last entry Next may reach in the disc's own order.
int lastEntry(const TrackList& list) {
    return std::min(list.trackCount, list.entryCount() - 1);
}

int nextOnDisc(const TrackList& list, int current) {
    for (int t = current + 1; t <= lastEntry(list); ++t)
        if (list.entry(t)->audio)
            return t;
    return 0;
}

int previousOnDisc(const TrackList& list, int current) {
    for (int t = current - 1; t >= 1; --t)
        if (list.entry(t)->audio)
            return t;
    return 0;
}

} // namespace

ShuffleSeeds systemShuffleSeeds() {
    return [] {
        std::random_device device;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        return device() ^ static_cast<std::uint32_t>(now);
    };
}

int playModeInForce(int mode, const DiscInfo& disc) {
    if (mode < kPlayModeNormal || mode > kPlayModeProgram)
        return kPlayModeNormal;
    if (mode != kPlayModeProgram)
        return mode;
    for (int t : disc.playOrder)
        if (isAudioTrack(disc.trackList, t))
            return mode;
    return kPlayModeNormal;
}

PlayOrder::PlayOrder(const DiscInfo& disc, int mode, std::uint32_t seed, int startTrack) {
    const TrackList& list = disc.trackList;
    mode_ = playModeInForce(mode, disc);
    if (mode_ == kPlayModeShuffle) {
        for (int t = 1; t <= list.trackCount; ++t)
            if (isAudioTrack(list, t))
                tracks_.push_back(t);
        std::mt19937 random(seed);
        for (std::size_t i = tracks_.size(); i > 1; --i)
            std::swap(tracks_[i - 1], tracks_[random() % i]);
        const int start = indexOf(startTrack);
        if (start > 0)
            std::swap(tracks_[0], tracks_[static_cast<std::size_t>(start)]);
    } else if (mode_ == kPlayModeProgram) {
        for (int t : disc.playOrder)
            if (isAudioTrack(list, t) && indexOf(t) < 0)
                tracks_.push_back(t);
    }
}

bool PlayOrder::playsOneTrack() const {
    return mode_ == kPlayModeShuffle || mode_ == kPlayModeRepeatTrack || mode_ == kPlayModeProgram;
}

int PlayOrder::first(const TrackList& list) const {
    if (!tracks_.empty())
        return tracks_.front();
    for (int t = 1; t <= list.trackCount; ++t)
        if (isAudioTrack(list, t))
            return t;
    return 0;
}

int PlayOrder::next(const TrackList& list, int current) const {
    if (mode_ == kPlayModeShuffle || mode_ == kPlayModeProgram) {
        const int at = indexOf(current);
        if (at < 0)
            return first(list);
        const std::size_t following = static_cast<std::size_t>(at) + 1;
        return following < tracks_.size() ? tracks_[following] : 0;
    }
    const int t = nextOnDisc(list, current);
    return t == 0 && mode_ == kPlayModeRepeatDisc ? first(list) : t;
}

int PlayOrder::previous(const TrackList& list, int current) const {
    if (mode_ == kPlayModeShuffle || mode_ == kPlayModeProgram) {
        const int at = indexOf(current);
        return at > 0 ? tracks_[static_cast<std::size_t>(at) - 1] : 0;
    }
    const int t = previousOnDisc(list, current);
    return t == 0 && mode_ == kPlayModeRepeatDisc ? previousOnDisc(list, lastEntry(list) + 1) : t;
}

int PlayOrder::afterEnd(const TrackList& list, int current) const {
    switch (mode_) {
    case kPlayModeRepeatDisc:
        return first(list); // the play ran to the end of the disc
    case kPlayModeRepeatTrack:
        return current;
    case kPlayModeShuffle:
    case kPlayModeProgram:
        return next(list, current);
    default:
        return 0;
    }
}

int PlayOrder::indexOf(int track) const {
    const auto at = std::find(tracks_.begin(), tracks_.end(), track);
    return at == tracks_.end() ? -1 : static_cast<int>(at - tracks_.begin());
}

} // namespace rubo
