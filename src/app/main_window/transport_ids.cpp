#include "app/main_window/transport_ids.h"

#include "playback/transport_commands.h"
#include "res/resource.h"

namespace rubo {

int transportControlId(TransportControl control) {
    switch (control) {
    case TransportControl::Prev:
        return IDC_PREV;
    case TransportControl::Next:
        return IDC_NEXT;
    case TransportControl::Play:
        return IDC_PLAY;
    case TransportControl::Stop:
        return IDC_STOP;
    case TransportControl::Pause:
        return IDC_PAUSE;
    case TransportControl::Eject:
        return IDC_EJECT;
    case TransportControl::Freedb:
        return IDC_FREEDB;
    case TransportControl::Tracks:
        return IDC_TRACKS;
    case TransportControl::Edit:
        return IDC_EDIT_INFO;
    }
    return 0;
}

std::optional<TransportCommand> transportCommandOf(int commandId) {
    switch (commandId) {
    case IDC_PLAY:
    case ID_TRAY_PLAY:
        return TransportCommand::Play;
    case IDC_PAUSE:
    case ID_TRAY_PAUSE:
        return TransportCommand::Pause;
    case IDC_STOP:
    case ID_TRAY_STOP:
        return TransportCommand::Stop;
    case IDC_EJECT:
    case ID_TRAY_EJECT:
        return TransportCommand::Eject;
    case IDC_PREV:
    case ID_TRAY_PREVIOUS:
        return TransportCommand::Previous;
    case IDC_NEXT:
    case ID_TRAY_NEXT:
        return TransportCommand::Next;
    case IDC_TRACKS:
        return TransportCommand::Tracks;
    case ID_REREAD:
        return TransportCommand::Reread;
    case ID_COPY:
        return TransportCommand::Copy;
    case ID_CUT:
        return TransportCommand::Cut;
    default:
        return std::nullopt;
    }
}

bool dispatchTransportCommand(TransportCommands& commands, int commandId) {
    const std::optional<TransportCommand> command = transportCommandOf(commandId);
    if (!command)
        return false;
    commands.dispatch(*command);
    return true;
}

} // namespace rubo
