#pragma once

// What the transport commands need of the main window: the transport's
// controls and commands by name, the track menu as plain data, and a small
// window interface. The window maps the names to its own control and
// command ids.

#include <string>
#include <vector>

namespace rubo {

// The controls of the main window that the transport enables and disables.
enum class TransportControl { Prev, Next, Play, Stop, Pause, Eject, Freedb, Tracks, Edit };

// What the buttons, the accelerators and the tray menu ask of the transport.
enum class TransportCommand {
    Play,
    Pause,
    Stop,
    Eject,
    Previous,
    Next,
    Tracks,
    Reread, // F5
    Copy,   // Ctrl+C
    Cut,    // Ctrl+X, no action
};

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
    // Enables or disables a control; callable from any thread.
    virtual void enableControl(TransportControl control, bool enabled) = 0;
    // Replaces the clipboard with CF_TEXT; false when it cannot be opened.
    virtual bool setClipboardText(const std::string& text) = 0;
    // Shows the menu at the cursor; the chosen command id, 0 when dismissed.
    virtual int showTrackMenu(const TrackMenu& menu) = 0;
};

} // namespace rubo
