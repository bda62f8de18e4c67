#include "musicbrainz/mb_lookup.h"

#include "base/message_box.h"
#include "discinfo/disc_store.h"
#include "freedb/freedb_operations.h"
#include "settings/options.h"
#include "settings/settings_file.h"

#include <vector>

namespace rubo {

namespace {

MbLookupOutcome keepChoice(const FreedbLookupContext& context, const MbChoice& choice,
                           DiscInfo& disc) {
    if (!stillInDrive(context, choice.record))
        return MbLookupOutcome::Left;
    disc = choice.record;
    reportSave(saveDiscInfo(context.settings, disc), context.settings.path());
    return MbLookupOutcome::Kept;
}

} // namespace

int chooseRelease(const MbLookupResult& result, FreedbProgress& progress) {
    if (result.choices.size() == 1)
        return 0;
    std::vector<std::string> items;
    for (const MbChoice& choice : result.choices) {
        if (items.size() == kMaxReleaseItems)
            break;
        items.push_back(choice.menuLine);
    }
    const int index = progress.trackMenu(items, kReleaseCommandBase) - kReleaseCommandBase;
    if (index < 0 || index >= static_cast<int>(items.size()))
        return -1;
    return index;
}

std::string mbServerHost(const std::string& server) {
    std::string host = mbServerBase(server);
    const std::size_t scheme = host.find("://");
    if (scheme != std::string::npos)
        host.erase(0, scheme + 3);
    return host.substr(0, host.find('/'));
}

MbLookupOutcome runMusicBrainzLookup(const FreedbLookupContext& context, MusicBrainzClient& client,
                                     DiscInfo& disc) {
    context.progress.open(kRetrievingInfoText, mbServerHost(context.options.musicBrainzServer));
    const MbLookupResult result = client.lookup(context.options, disc);
    MbLookupOutcome outcome = MbLookupOutcome::NotFound;
    if (result.status == MbLookupStatus::Found && !result.choices.empty()) {
        const int index = chooseRelease(result, context.progress);
        outcome = index < 0
                      ? MbLookupOutcome::Left
                      : keepChoice(context, result.choices[static_cast<std::size_t>(index)], disc);
    }
    context.progress.close();
    return outcome;
}

} // namespace rubo
