#pragma once

// The transport commands wired to recording fakes, a disc builder, and the
// event log in a scratch directory.

#include "base/event_log.h"
#include "fake_transport_window.h"
#include "playback/transport_commands.h"
#include "support/test_support.h"

#include <sstream>
#include <string>
#include <vector>

namespace rubo::test {

struct DiscTrack {
    int audio;
    PackedMsf start;
    PackedMsf length;
    std::string title;
};

// A valid disc with tracks 1..n; the lead-out follows the last track.
inline DiscInfo makeDisc(const std::vector<DiscTrack>& tracks) {
    DiscInfo disc;
    resetDiscInfo(disc);
    disc.valid = true;
    disc.artist = "Artist";
    disc.title = "Album";
    int number = 0;
    for (const DiscTrack& t : tracks) {
        TrackEntry e;
        e.number = ++number;
        e.audio = t.audio;
        e.start = t.start;
        e.length = t.length;
        e.title = t.title;
        disc.trackList.store(number, e);
        disc.trackList.leadOut = msfToFrames(t.start) + msfToFrames(t.length);
        disc.hasAudio |= t.audio;
    }
    disc.trackList.trackCount = number;
    findFirstAudioTrack(disc);
    return disc;
}

// Audio tracks of 4:00 each from 00:02:00, one per title.
inline DiscInfo audioDisc(int count) {
    std::vector<DiscTrack> tracks;
    for (int i = 0; i < count; ++i)
        tracks.push_back({1, makeMsf(4 * i, 2, 0), makeMsf(4, 0, 0), formatText("Song %d", i + 1)});
    return makeDisc(tracks);
}

struct TransportFixture {
    ScratchDir dir;
    SharedPlayerState shared;
    SharedPlayerLock lock{&JournalLock::create};
    JournalEvents events;
    JournalControls controls;
    FakeTransportWindow window;
    Options options = defaultOptions(0);
    TransportView view;
    EventLog log;
    TransportCommands commands{TransportLinks{shared, lock, events, controls, window, options, log},
                               view};

    TransportFixture() {
        transportJournal().clear();
        journalState() = &shared;
        log.setDirectory(dir.path().string() + "/");
        log.setSwitches(true, false);
    }
    ~TransportFixture() { journalState() = nullptr; }

    void useDisc(const DiscInfo& disc, std::uint32_t mode, int current) {
        view.disc = disc;
        view.uiMode = mode;
        view.disc.firstAudioTrack = static_cast<std::uint8_t>(current);
    }
    int current() const { return view.disc.firstAudioTrack; }
    std::vector<std::string>& journal() { return transportJournal(); }

    // The texts of the event lines written so far (after the drive field).
    std::vector<std::string> logLines() {
        log.flush();
        std::istringstream in(readBytes(dir.path() / kEventLogName));
        std::vector<std::string> texts;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const std::size_t at = line.find(") ");
            if (!line.empty() && at != std::string::npos)
                texts.push_back(line.substr(at + 2));
        }
        return texts;
    }
};

// The journal of a play request for `request`: lock, write, unlock, event, busy.
inline std::vector<std::string> playJournal(PackedTmsf request) {
    return {"lock", formatText("unlock request=%08X", request), "set 1", "busy"};
}

} // namespace rubo::test
