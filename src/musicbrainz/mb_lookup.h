#pragma once

// The MusicBrainz side of the freedb button and of Edit CD info's import:
// look the disc up, let the user choose among several releases, and keep
// what was chosen while the drive still holds the disc.

#include "discinfo/disc_model.h"
#include "freedb/freedb_lookup.h"
#include "musicbrainz/mb_client.h"

#include <string>

namespace rubo {

enum class MbLookupOutcome {
    Kept,     // `disc` holds the chosen release's text, saved
    Left,     // the user chose nothing, or the disc left the drive: nothing changed
    NotFound, // nothing found or the lookup failed: the next source may be asked
};

// The host a server address names, for the progress window.
std::string mbServerHost(const std::string& server);

// The release the user takes: the only one, or the one chosen from the
// progress window's menu; -1 when the menu closed without a choice.
int chooseRelease(const MbLookupResult& result, FreedbProgress& progress);

// Said when MusicBrainz does not know the disc; yes opens its page that
// adds the disc.
constexpr const char kMbAddDiscQuestion[] =
    "MusicBrainz does not know this CD yet.\nOpen MusicBrainz in the browser to add it?";

// The freedb button's first source: the lookup on `disc`, a copy of the live
// record; several releases are offered in the progress window's menu. The
// result is saved only while the drive still holds that disc.
MbLookupOutcome runMusicBrainzLookup(const FreedbLookupContext& context, MusicBrainzClient& client,
                                     DiscInfo& disc);

// The menu command of the first release, and the most releases offered.
constexpr int kReleaseCommandBase = 37376;
constexpr int kMaxReleaseItems = 64;

} // namespace rubo
