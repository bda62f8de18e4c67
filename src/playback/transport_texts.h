#pragma once

// The texts the transport builds from a disc: the track menu and the
// clipboard's track list.

#include "discinfo/disc_model.h"
#include "playback/transport_window.h"

#include <string>

namespace rubo {

// One item per entry 1..last of the track array; data tracks grayed; the
// current track (firstAudioTrack) is the default item when it is an entry.
// showStatus adds the start time to audio items.
TrackMenu buildTrackMenu(const DiscInfo& disc, int showStatus);

// The track number a menu command names, or 0 when it names no entry of the
// track array (a dismissed menu gives 0 too).
int trackMenuChoice(const DiscInfo& disc, int commandId);

// Artist, title, an empty line, then one title per track 1..trackCount,
// with "%2d " before it when withNumbers is set. Line feeds only.
std::string clipboardText(const DiscInfo& disc, int withNumbers);

} // namespace rubo
