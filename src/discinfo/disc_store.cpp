#include "discinfo/disc_store.h"

#include "base/text_format.h"
#include "settings/profile_api.h"
#include "settings/settings_file.h"

#include <algorithm>

namespace rubo {

namespace {

// Short keys and section names; the bound only guards the formatting.
constexpr std::size_t kKeyMaxChars = 31;

std::string sectionOf(std::uint32_t number) {
    return formatBounded(kKeyMaxChars, "%X", number);
}

std::string trackKey(int n) {
    return formatBounded(kKeyMaxChars, kDiscTrackKeyFormat, n);
}

std::string extendedTrackKey(int n) {
    return formatBounded(kKeyMaxChars, kDiscExttKeyFormat, n);
}

// "3,1,2"; a piece that is no number is left out.
std::vector<int> parsePlayOrder(const std::string& text) {
    std::vector<int> order;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string piece = text.substr(at, comma - at);
        if (!piece.empty() && piece.find_first_not_of("0123456789") == std::string::npos &&
            piece.size() <= 3)
            order.push_back(std::stoi(piece));
        at = comma + 1;
    }
    return order;
}

std::string playOrderText(const std::vector<int>& order) {
    std::string text;
    for (int track : order)
        text += (text.empty() ? "" : ",") + std::to_string(track);
    return text;
}

} // namespace

DiscStoreAccess systemDiscStoreAccess(SettingsFile& settings) {
    return DiscStoreAccess{settings, systemProfileApi(), systemVolumeSerialSource()};
}

int readRuboIniEntry(SettingsFile& settings, DiscInfo& info) {
    // One lock for the whole record, so a concurrent save is seen whole.
    SettingsFile::Lock lock(settings);
    const std::string section = sectionOf(info.discId);
    std::string artist = settings.getString(section, kDiscArtistKey, kUnknownText);
    if (artist == kUnknownText)
        return 0;
    info.artist = artist;
    info.title = settings.getString(section, kDiscTitleKey, kUnknownText);
    info.year = settings.getInt(section, kDiscYearKey, 0);
    info.genre = settings.getString(section, kDiscGenreKey, "");
    info.category = settings.getString(section, kDiscCategoryKey, kDefaultCategory);
    info.extendedDisc = settings.getString(section, kDiscExtdKey, "");
    info.playOrder = parsePlayOrder(settings.getString(section, kDiscPlayOrderKey, ""));
    for (int n = 1; n <= TrackList::kMaxIndex; ++n) {
        std::string title = settings.getString(section, trackKey(n), kTrackListEnd);
        if (title == kTrackListEnd)
            break;
        if (title == kUntitledText)
            title.clear();
        std::string extended = settings.getString(section, extendedTrackKey(n), "");
        TrackEntry* entry = info.trackList.entryForStore(n);
        if (!entry)
            break;
        entry->title = std::move(title);
        entry->extended = std::move(extended);
    }
    info.valid = true;
    return 1;
}

int copyCdTextInfo(DiscInfo& info, const DiscInfo& cdText) {
    if (!cdText.valid)
        return 0;
    info.artist = cdText.artist;
    info.title = cdText.title;
    const int limit = std::min(info.trackList.entryCount(), cdText.trackList.entryCount());
    for (int n = 1; n < limit; ++n)
        info.trackList.tracks[static_cast<std::size_t>(n)].title =
            cdText.trackList.tracks[static_cast<std::size_t>(n)].title;
    info.extendedDisc = cdText.extendedDisc;
    return 1;
}

int readCdPlayerIniEntry(ProfileApi& profile, VolumeSerialSource& serials, DiscInfo& info,
                         const std::string& cdPlayerIni, const std::string& drive) {
    if (cdPlayerIni.empty())
        return 0;
    std::uint32_t serial = 0;
    if (!serials.volumeSerial(drive, serial))
        serial = 0;
    const std::string section = sectionOf(serial);
    std::string artist = profile.getString(section, kCdPlayerArtistKey, kUnknownText, cdPlayerIni);
    if (artist == kUnknownText)
        return 0;
    info.artist = artist;
    info.title = profile.getString(section, kCdPlayerTitleKey, kUnknownText, cdPlayerIni);
    for (int k = 0; k < TrackList::kMaxIndex; ++k) {
        std::string title = profile.getString(section, trackKey(k), kTrackListEnd, cdPlayerIni);
        if (title == kTrackListEnd)
            break;
        TrackEntry* entry = info.trackList.entryForStore(k + 1);
        if (!entry)
            break;
        entry->title = std::move(title);
        entry->extended.clear();
    }
    return 1;
}

bool saveDiscInfo(SettingsFile& settings, const DiscInfo& info) {
    if (discTextBreaksLines(info)) {
        DiscInfo oneLine = info;
        flattenDiscText(oneLine);
        return saveDiscInfo(settings, oneLine);
    }
    // Clear and writes form one change: no other write comes in between,
    // and the file is replaced once, at the end.
    SettingsFile::Transaction change(settings);
    const std::string section = sectionOf(info.discId);
    settings.clearSection(section);
    if (info.artist == kUnknownText)
        return change.commit();
    settings.writeString(section, kDiscArtistKey, info.artist);
    settings.writeString(section, kDiscTitleKey, info.title);
    if (info.year > 0)
        settings.writeInt(section, kDiscYearKey, info.year);
    settings.writeString(section, kDiscGenreKey, info.genre);
    settings.writeString(section, kDiscCategoryKey, info.category);
    const int entries = info.trackList.entryCount();
    for (int n = 1; n < entries; ++n) {
        const std::string& title = info.trackList.tracks[static_cast<std::size_t>(n)].title;
        settings.writeString(section, trackKey(n), title.empty() ? kUntitledText : title);
    }
    settings.writeString(section, kDiscExtdKey, info.extendedDisc);
    for (int n = 1; n < entries; ++n)
        settings.writeString(section, extendedTrackKey(n),
                             info.trackList.tracks[static_cast<std::size_t>(n)].extended);
    if (!info.playOrder.empty())
        settings.writeString(section, kDiscPlayOrderKey, playOrderText(info.playOrder));
    return change.commit();
}

void loadDiscInfo(const DiscStoreAccess& access, const std::string& drive,
                  const std::string& cdPlayerIni, const DiscInfo& cdText, DiscInfo& info) {
    clearDiscText(info);
    if (readRuboIniEntry(access.settings, info)) {
        info.origin = OriginRuboIni;
    } else if (copyCdTextInfo(info, cdText)) {
        info.origin = OriginCdText;
        saveDiscInfo(access.settings, info);
    } else if (readCdPlayerIniEntry(access.profile, access.serials, info, cdPlayerIni, drive)) {
        info.origin = OriginCdPlayerIni;
        saveDiscInfo(access.settings, info);
    }
    // What is shown is what was stored.
    flattenDiscText(info);
    findFirstAudioTrack(info);
    info.valid = true;
}

} // namespace rubo
