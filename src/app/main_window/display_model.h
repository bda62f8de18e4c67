#pragma once

// The main display's texts and progress, rebuilt on every display tick from
// the shared player state; the window only shows the results.

#include "base/event_log.h"
#include "discinfo/disc_model.h"
#include "playback/player_state.h"
#include "playback/transport_commands.h"
#include "playback/transport_controls.h"
#include "settings/options.h"

#include <cstdint>
#include <string>

namespace rubo {

// Range of the progress bar.
inline constexpr int kProgressMax = 1000;

// Time display modes (options ShowModeDisc and ShowModeTrack).
inline constexpr int kTimeModeNone = 0;
inline constexpr int kTimeModeElapsed = 1;
inline constexpr int kTimeModeElapsedTotal = 2;
inline constexpr int kTimeModeRemaining = 3;
inline constexpr int kTimeModeRemainingTotal = 4;

inline constexpr const char kDisplayScanning[] = "Scanning disc";
inline constexpr const char kDisplayLeadIn[] = " (Lead-in)";
// In place of an unknown disc's names while it is looked up.
inline constexpr const char kDisplayLookingUp[] = "Looking the CD up...";
inline constexpr const char kTrayTipFormat[] = "RUBO: %s";
inline constexpr const char kTrayTipPairFormat[] = "%s - %s"; // after "RUBO: "
// Outside the normal play mode: "RUBO (Shuffle): Artist - Title".
inline constexpr const char kTrayTipModeFormat[] = "RUBO (%s): %s";
inline constexpr const char kStatusLineFormat[] = "M :       %c %c %c %c %s";
inline constexpr const char kStatusBitsFormat[] = "Open:%d  Present:%d  Ready:%d  Scanning:%d";
inline constexpr const char kClearInfoLog[] = "M : Clear info";

// The disc time: position and total are absolute addresses.
std::string discTimeText(int timeMode, std::uint32_t uiMode, PackedMsf total, PackedMsf position);
// The time within the playing track.
std::string trackTimeText(int timeMode, PackedMsf length, PackedTmsf position);

struct DisplayTexts {
    std::string firstLine;
    std::string secondLine;
    std::string trayTip; // whole, before the tray's cut to 63 characters
    int progress = 0;    // 0..kProgressMax

    // The display's text: both lines joined by "\r\n".
    std::string text() const;
};

// One display tick's rebuild. Runs on the user-interface thread; holds the
// shared lock only around field copies.
class MainDisplay {
public:
    MainDisplay(SharedPlayerState& shared, SharedPlayerLock& lock, TransportView& view,
                TransportControls& controls, EventLog& log)
        : shared_(shared), lock_(lock), view_(view), controls_(controls), log_(log) {}

    // Takes the newest shared state and new disc information, then builds
    // the texts. Uses options.showModeDisc, showModeTrack and showStatus.
    // The lock is taken only when someone held it since the last tick.
    DisplayTexts refresh(const Options& options);

    // While a lookup for the unknown disc runs, the display says so.
    void setLookingUp(bool on) { lookingUp_ = on; }

    // Copies of the positions, taken only while playing.
    PackedMsf uiAbsolutePosition() const { return absolute_; }
    PackedTmsf uiTrackPosition() const { return trackPosition_; }
    // "Open:%d  Present:%d  Ready:%d  Scanning:%d" of the last tick.
    const std::string& statusBits() const { return statusBits_; }
    // The last logged status line.
    const std::string& lastStatusLine() const { return lastStatusLine_; }

private:
    struct Snapshot {
        std::uint32_t mode = kMciModeOpen;
        int discInfoReady = 0;
        int scanning = 0;
        int doorOpen = 0;
        int ready = 0;
        int clearRequest = 0;
        int mediaPresent = 0;
    };

    Snapshot takeSnapshot();
    void reportStatus(const Snapshot& s);
    void followCurrentTrack();
    void clearDisc();
    void takeOverDisc(Snapshot& s);
    DisplayTexts buildTexts(const Snapshot& s, const Options& options) const;
    DisplayTexts playTexts(const std::string& discLine, int trackTimeMode) const;

    SharedPlayerState& shared_;
    SharedPlayerLock& lock_;
    TransportView& view_;
    TransportControls& controls_;
    EventLog& log_;
    PackedMsf absolute_ = 0;
    PackedTmsf trackPosition_ = 0;
    // The last copy of the shared state, still current while nobody has held
    // the lock since (the lock's release count is then `snapshotReleases_`).
    Snapshot snapshot_;
    bool haveSnapshot_ = false;
    unsigned snapshotReleases_ = 0;
    int progress_ = 0;
    bool lookingUp_ = false;
    std::string statusBits_;
    std::string lastStatusLine_;
};

} // namespace rubo
