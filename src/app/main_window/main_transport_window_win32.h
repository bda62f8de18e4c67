#pragma once

// The main window's dialog as the transport commands and the worker use it:
// its transport controls, the clipboard and the track menu.

#include "playback/transport_window.h"

#include <windows.h>

#include <string>

namespace rubo {

class MainTransportWindow : public TransportWindow {
public:
    // The dialog, set once before the worker starts.
    void attach(HWND dialog) { dialog_ = dialog; }

    void enableControl(TransportControl control, bool enabled) override;
    bool setClipboardText(const std::string& text) override;
    int showTrackMenu(const TrackMenu& menu) override;

private:
    HWND dialog_ = nullptr;
};

} // namespace rubo
