#pragma once

// The play modes as the user meets them: the menu items, the shortcuts that
// switch them and the name the tray tip shows.

#include <cstddef>
#include <optional>

namespace rubo {

inline constexpr const char kPlayModeMenuText[] = "Play &mode";
inline constexpr const char kPlayModeLogFormat[] = "M : Play mode %s";

struct PlayModeItem {
    int commandId;
    int mode;
    const char* name;     // in the tip and the log
    const char* menuText; // with its key and shortcut
};

// The five modes in menu order, normal first.
const PlayModeItem* playModeItems(std::size_t& count);
// The name of `mode`; the normal mode's for an unknown one.
const char* playModeName(int mode);

// The mode a menu item or shortcut asks for, given the mode in force: the
// shuffle key toggles shuffle, the repeat key goes normal, repeat disc,
// repeat track, normal. None for any other id.
std::optional<int> playModeOfCommand(int commandId, int current);

} // namespace rubo
