#pragma once

// Names a disc that no source knows (not in RUBO.ini, no CD-TEXT, not in
// cdplayer.ini) by itself: a MusicBrainz lookup on a thread of its own,
// whose release is handed to the window's thread on a later tick.

#include "discinfo/disc_model.h"
#include "musicbrainz/mb_client.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace rubo {

struct Options;

class NewDiscLookup {
public:
    explicit NewDiscLookup(MusicBrainzClient& client) : client_(client) {}
    // Waits for a running lookup; see endWithin.
    ~NewDiscLookup();
    NewDiscLookup(const NewDiscLookup&) = delete;
    NewDiscLookup& operator=(const NewDiscLookup&) = delete;

    // On each display tick, on the window's thread, with the live record:
    // starts a lookup for a new unknown disc when the options ask for it,
    // and takes a finished one. True, with `found` the release of the
    // earliest exact match, when it is for the disc still in the drive and
    // that disc is still unknown; what is found for another disc is dropped.
    bool tick(const Options& options, const DiscInfo& live, DiscInfo& found);
    // A lookup for the live disc runs (the display says so).
    bool looking(const DiscInfo& live) const;
    // Waits at most `ms` for a running lookup to end. False when it runs
    // on: the caller then ends the process before the client goes away.
    bool endWithin(int ms);

    // Whether nothing names the disc yet.
    static bool isUnknown(const DiscInfo& disc);

private:
    void run(const Options& options, DiscInfo disc);

    MusicBrainzClient& client_;
    std::thread thread_;
    // The disc last asked for while it stays in the drive.
    DiscInfo asked_;
    bool haveAsked_ = false;
    mutable std::mutex lock_;
    std::condition_variable ended_;
    bool running_ = false;
    bool haveResult_ = false;
    MbLookupResult result_;
};

} // namespace rubo
