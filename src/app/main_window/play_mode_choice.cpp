#include "app/main_window/play_mode_choice.h"

#include "res/resource.h"
#include "settings/options.h"

#include <iterator>

namespace rubo {

namespace {

const PlayModeItem kItems[] = {
    {ID_PLAYMODE_NORMAL, kPlayModeNormal, "Normal", "&Normal order"},
    {ID_PLAYMODE_SHUFFLE, kPlayModeShuffle, "Shuffle", "&Shuffle\tCtrl+H"},
    {ID_PLAYMODE_REPEAT_DISC, kPlayModeRepeatDisc, "Repeat disc", "Repeat &disc\tCtrl+T"},
    {ID_PLAYMODE_REPEAT_TRACK, kPlayModeRepeatTrack, "Repeat track", "Repeat &track"},
    {ID_PLAYMODE_PROGRAM, kPlayModeProgram, "Program", "The disc's &program"},
};

} // namespace

const PlayModeItem* playModeItems(std::size_t& count) {
    count = std::size(kItems);
    return kItems;
}

const char* playModeName(int mode) {
    for (const PlayModeItem& item : kItems)
        if (item.mode == mode)
            return item.name;
    return kItems[0].name;
}

std::optional<int> playModeOfCommand(int commandId, int current) {
    switch (commandId) {
    case ID_PLAYMODE_SHUFFLE_KEY:
        return current == kPlayModeShuffle ? kPlayModeNormal : kPlayModeShuffle;
    case ID_PLAYMODE_REPEAT_KEY:
        return current == kPlayModeRepeatDisc    ? kPlayModeRepeatTrack
               : current == kPlayModeRepeatTrack ? kPlayModeNormal
                                                 : kPlayModeRepeatDisc;
    default:
        break;
    }
    for (const PlayModeItem& item : kItems)
        if (item.commandId == commandId)
            return item.mode;
    return std::nullopt;
}

} // namespace rubo
