#pragma once

// The main window's ids of the transport's controls and commands.

#include "playback/transport_window.h"

#include <optional>

namespace rubo {

class TransportCommands;

// The dialog control of a transport control.
int transportControlId(TransportControl control);

// The transport command of a button, a Tiny picture's command, an
// accelerator or a tray-menu item; none for any other id.
std::optional<TransportCommand> transportCommandOf(int commandId);

// Carries out the transport command of `commandId`; false when there is none.
bool dispatchTransportCommand(TransportCommands& commands, int commandId);

} // namespace rubo
