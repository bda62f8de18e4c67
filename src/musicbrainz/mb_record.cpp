#include "musicbrainz/mb_record.h"

#include "base/text_format.h"

#include <cctype>

namespace rubo {

namespace {

constexpr std::size_t kYearDigits = 4;

bool holds(const MbMedium& medium, const std::string& discId) {
    for (const std::string& id : medium.discIds)
        if (id == discId)
            return true;
    return false;
}

} // namespace

int chooseMedium(const MbRelease& release, const std::string& discId, int audioTracks,
                 bool& exact) {
    const int count = static_cast<int>(release.media.size());
    exact = true;
    for (int i = 0; i < count; ++i)
        if (holds(release.media[static_cast<std::size_t>(i)], discId))
            return i;
    exact = false;
    for (int i = 0; i < count; ++i)
        if (static_cast<int>(release.media[static_cast<std::size_t>(i)].tracks.size()) ==
            audioTracks)
            return i;
    return -1;
}

int mbYear(const std::string& date) {
    if (date.size() < kYearDigits)
        return 0;
    int year = 0;
    for (std::size_t i = 0; i < kYearDigits; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(date[i])))
            return 0;
        year = year * 10 + (date[i] - '0');
    }
    return year;
}

std::string mbMenuLine(const MbRelease& release, const MbMedium& medium,
                       const AnsiCodePage& codePage) {
    std::string line =
        formatText(kMbReleaseLineFormat, utf8ToAnsi(release.artist, codePage).c_str(),
                   utf8ToAnsi(release.title, codePage).c_str());
    std::string details;
    const int year = mbYear(release.date);
    for (const std::string& part :
         {year > 0 ? std::to_string(year) : std::string(), release.country, medium.format}) {
        if (part.empty())
            continue;
        if (!details.empty())
            details += kMbDetailSeparator;
        details += utf8ToAnsi(part, codePage);
    }
    if (!details.empty())
        line += formatText(kMbReleaseDetailsFormat, details.c_str());
    return oneLineText(line);
}

void applyMbRelease(const MbRelease& release, const MbMedium& medium, const AnsiCodePage& codePage,
                    DiscInfo& disc) {
    disc.artist = utf8ToAnsi(release.artist, codePage);
    disc.title = utf8ToAnsi(release.title, codePage);
    disc.year = mbYear(release.date);
    if (disc.category.empty())
        disc.category = kDefaultCategory;
    setDefaultTitles(disc.trackList);
    const std::size_t count = static_cast<std::size_t>(disc.trackList.trackCount);
    for (std::size_t i = 0; i < count && i < medium.tracks.size(); ++i) {
        TrackEntry* entry = disc.trackList.entryForStore(static_cast<int>(i + 1));
        if (entry == nullptr)
            break;
        const MbTrack& track = medium.tracks[i];
        const std::string title = utf8ToAnsi(track.title, codePage);
        const bool ownArtist = !track.artist.empty() && track.artist != release.artist;
        entry->title =
            ownArtist ? performerTitle(utf8ToAnsi(track.artist, codePage), title) : title;
    }
    disc.origin = OriginMusicBrainz;
    disc.modified = 0;
    disc.valid = true;
    flattenDiscText(disc);
}

} // namespace rubo
