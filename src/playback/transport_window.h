#pragma once

// What the transport commands need of the main window: control ids, the
// track menu as plain data, and a small window interface.

#include "res/resource.h"

#include <string>
#include <vector>

namespace rubo {

// Controls of the main dialog.
inline constexpr int kControlPrev = IDC_PREV;
inline constexpr int kControlNext = IDC_NEXT;
inline constexpr int kControlPlay = IDC_PLAY;
inline constexpr int kControlStop = IDC_STOP;
inline constexpr int kControlPause = IDC_PAUSE;
inline constexpr int kControlEject = IDC_EJECT;
inline constexpr int kControlFreedb = IDC_FREEDB;
inline constexpr int kControlTracks = IDC_TRACKS;
inline constexpr int kControlProgress = IDC_PROGRESS;
inline constexpr int kControlEdit = IDC_EDIT_INFO;

// Accelerators of the main window.
inline constexpr int kCommandReread = ID_REREAD; // F5
inline constexpr int kCommandCut = ID_CUT;       // Ctrl+X, no action
inline constexpr int kCommandCopy = ID_COPY;     // Ctrl+C

// Tray menu items that reach the transport.
inline constexpr int kTrayPlay = ID_TRAY_PLAY;
inline constexpr int kTrayStop = ID_TRAY_STOP;
inline constexpr int kTrayPause = ID_TRAY_PAUSE;
inline constexpr int kTrayPrevious = ID_TRAY_PREVIOUS;
inline constexpr int kTrayNext = ID_TRAY_NEXT;
inline constexpr int kTrayEject = ID_TRAY_EJECT;

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
