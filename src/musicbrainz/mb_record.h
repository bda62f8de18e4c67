#pragma once

// From a MusicBrainz release to RUBO's record of the disc: the medium that
// is this disc, its texts in the ANSI code page, and the release's menu line.

#include "discinfo/disc_model.h"
#include "musicbrainz/ansi_text.h"
#include "musicbrainz/mb_answer.h"

#include <string>

namespace rubo {

constexpr const char kMbReleaseLineFormat[] = "%s - %s";
constexpr const char kMbReleaseDetailsFormat[] = " (%s)";
constexpr const char kMbDetailSeparator[] = ", ";

// The medium whose disc list holds `discId`; failing that, the first with
// `audioTracks` tracks (a match on the TOC alone). -1 when none fits.
// `exact` tells which of the two it was.
int chooseMedium(const MbRelease& release, const std::string& discId, int audioTracks, bool& exact);

// The year of a date "YYYY[-MM[-DD]]"; 0 when it does not start with one.
int mbYear(const std::string& date);

// "Artist - Title (year, country, format)"; the parts the release lacks are
// left out, and the brackets when all are.
std::string mbMenuLine(const MbRelease& release, const MbMedium& medium,
                       const AnsiCodePage& codePage);

// Artist, title, year and the track titles of `medium` into `disc` (tracks
// beyond the medium keep their default titles; a track credited to another
// artist than the release is titled "performer / title"); the category stays,
// or becomes the default when empty; origin MusicBrainz. The texts are made
// one line, as everything stored is.
void applyMbRelease(const MbRelease& release, const MbMedium& medium, const AnsiCodePage& codePage,
                    DiscInfo& disc);

} // namespace rubo
