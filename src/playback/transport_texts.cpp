#include "playback/transport_texts.h"

#include "base/system_info.h"
#include "base/text_format.h"

namespace rubo {

namespace {

std::string menuItemText(const TrackEntry& entry, int showStatus) {
    const std::string title = EscapeAmpersands(entry.title);
    if (!entry.audio)
        return formatBounded(kMessageMaxChars, "%3d  %-20s\t  data", entry.number, title.c_str());
    if (showStatus)
        return formatBounded(kMessageMaxChars, "%3d  %-20s\t%3d:%02d - %3d:%02d", entry.number,
                             title.c_str(), msfMinutes(entry.start), msfSeconds(entry.start),
                             msfMinutes(entry.length), msfSeconds(entry.length));
    return formatBounded(kMessageMaxChars, "%3d  %-20s\t%3d:%02d", entry.number, title.c_str(),
                         msfMinutes(entry.length), msfSeconds(entry.length));
}

} // namespace

TrackMenu buildTrackMenu(const DiscInfo& disc, int showStatus) {
    TrackMenu menu;
    const TrackList& list = disc.trackList;
    for (int j = 1; j < list.entryCount(); ++j) {
        const TrackEntry& entry = *list.entry(j);
        TrackMenuItem item;
        item.commandId = kTrackMenuBaseId + j;
        item.text = menuItemText(entry, showStatus);
        item.grayed = !entry.audio;
        menu.items.push_back(std::move(item));
    }
    const int current = disc.firstAudioTrack;
    if (current >= 1 && current <= static_cast<int>(menu.items.size()))
        menu.defaultPosition = current - 1;
    return menu;
}

int trackMenuChoice(const DiscInfo& disc, int commandId) {
    const int j = commandId - kTrackMenuBaseId;
    if (j < 1 || j >= disc.trackList.entryCount())
        return 0;
    return j;
}

std::string clipboardText(const DiscInfo& disc, int withNumbers) {
    std::string text = disc.artist + "\n" + disc.title + "\n\n";
    const TrackList& list = disc.trackList;
    for (int j = 1; j <= list.trackCount; ++j) {
        const TrackEntry* entry = list.entry(j);
        if (!entry)
            break;
        if (withNumbers)
            text += formatText("%2d %s", j, entry->title.c_str());
        else
            text += entry->title;
        text += "\n";
    }
    return text;
}

} // namespace rubo
