#pragma once

// What the transport commands need of the main window: control ids, the
// track menu as plain data, and a small window interface.

#include <string>
#include <vector>

namespace rubo {

// Controls of the main dialog.
inline constexpr int kControlPrev = 1000;
inline constexpr int kControlNext = 1001;
inline constexpr int kControlPlay = 1002;
inline constexpr int kControlStop = 1003;
inline constexpr int kControlPause = 1004;
inline constexpr int kControlEject = 1005;
inline constexpr int kControlFreedb = 1006;
inline constexpr int kControlTracks = 1008;
inline constexpr int kControlProgress = 1020;
inline constexpr int kControlEdit = 1089;

// Accelerators of the main window.
inline constexpr int kCommandReread = 32777; // F5
inline constexpr int kCommandCut = 32778;    // Ctrl+X, no action
inline constexpr int kCommandCopy = 57634;   // Ctrl+C

// Tray menu items that reach the transport.
inline constexpr int kTrayPlay = 32782;
inline constexpr int kTrayStop = 32783;
inline constexpr int kTrayPause = 32785;
inline constexpr int kTrayPrevious = 32786;
inline constexpr int kTrayNext = 32787;
inline constexpr int kTrayEject = 32788;

// Track menu item ids: kTrackMenuBaseId + track number.
inline constexpr int kTrackMenuBaseId = 0x9100;

struct TrackMenuItem {
    int commandId = 0;
    std::string text; // "&" already doubled
    bool grayed = false;
};

struct TrackMenu {
    std::vector<TrackMenuItem> items;
    int defaultPosition = -1; // item shown bold; -1 for none
};

// The main window as the transport commands use it.
class TransportWindow {
public:
    virtual ~TransportWindow() = default;
    // Enables or disables a child control; callable from any thread.
    virtual void enableControl(int controlId, bool enabled) = 0;
    // Replaces the clipboard with CF_TEXT; false when it cannot be opened.
    virtual bool setClipboardText(const std::string& text) = 0;
    // Shows the menu at the cursor; the chosen command id, 0 when dismissed.
    virtual int showTrackMenu(const TrackMenu& menu) = 0;
};

} // namespace rubo
