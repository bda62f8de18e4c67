#pragma once

// The main window's ways to a disc's text: the freedb button (MusicBrainz
// first when the options say so, then freedb), Edit CD info, and the lookup
// of a disc no source knows by itself. Each works on a copy of the record
// and keeps what it found only while the drive still holds that disc.

#include "app/main_window/new_disc_lookup.h"
#include "app/main_window/player_session.h"
#include "musicbrainz/mb_client.h"
#include "musicbrainz/winhttp_transport_win32.h"

#include <windows.h>

namespace rubo {

class EventLog;
class SettingsFile;
struct Options;

// How long the close waits for a lookup of a new disc to end.
inline constexpr int kNewDiscLookupCloseWaitMs = 1000;

class DiscTextActions {
public:
    // All outlive the actions; options are read when used.
    DiscTextActions(PlayerSession& session, const Options& options, SettingsFile& settings,
                    EventLog& log)
        : session_(session), options_(options), settings_(settings), log_(log) {}

    // The freedb button; `window` is disabled meanwhile and owns the boxes.
    void lookUp(HWND window);
    // The Edit button: edits the disc's text and saves it on OK.
    void edit(HWND window);
    // On each display tick: starts the lookup of a new unknown disc, takes
    // a finished one while no other action works on the record.
    void tick();
    // See NewDiscLookup::endWithin.
    bool endWithin(int ms) { return newDisc_.endWithin(ms); }

private:
    // A new text for the disc in the drive.
    void take(DiscInfo disc);

    PlayerSession& session_;
    const Options& options_;
    SettingsFile& settings_;
    EventLog& log_;
    WinHttpTransport transport_;
    MusicBrainzClient musicBrainz_{transport_, log_};
    NewDiscLookup newDisc_{musicBrainz_};
    // Actions running now that work on a copy of the record.
    int running_ = 0;
};

} // namespace rubo
