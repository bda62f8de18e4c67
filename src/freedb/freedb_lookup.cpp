#include "freedb/freedb_lookup.h"

#include "base/event_log.h"
#include "base/message_box.h"
#include "discinfo/disc_store.h"
#include "settings/options.h"

namespace rubo {

namespace {
constexpr unsigned kGettingSite = 2110;
constexpr unsigned kErrorSite = 2111;
constexpr unsigned kGotSite = 2112;

void logLine(EventLog& log, unsigned site, const char* text) {
    if (log.loggingOn())
        log.addEvent(site, text);
}

// After text from the CDDB fallback: asks, and submits to the chosen server.
void offerSubmit(const FreedbLookupContext& context, FreedbClient& client,
                 const FreedbServer& server, DiscInfo& disc) {
    const Options& options = context.options;
    if (!setUpFreedbClient(client, options, server))
        return;
    client.setCddbHack(false);
    client.setProtocolLevel(server.protocolLevel);
    if (!disc.modified)
        return;
    const bool test = options.cddbTestSubmit != 0;
    if (!askQuestion(test ? kTestSubmitQuestion : kSubmitQuestion))
        return;
    submitDiscInfo(client, submitSite(server), disc, test, options.cddbEmailAddress);
}

} // namespace

bool stillInDrive(const FreedbLookupContext& context, const DiscInfo& disc) {
    if (sameDisc(context.liveDisc, disc))
        return true;
    showMessage("%s", kDiscGoneMessage);
    return false;
}

bool runFreedbLookup(const FreedbLookupContext& context, FreedbClient& client, DiscInfo& disc) {
    logLine(context.log, kGettingSite, kGettingFreedbLog);
    const FreedbServer server = chosenFreedbServer(context.options);
    if (!setUpFreedbClient(client, context.options, server)) {
        logLine(context.log, kErrorSite, kErrorGettingFreedbLog);
        return false;
    }
    context.progress.open(kRetrievingInfoText, server.host);
    const bool fetched =
        fetchDiscInfo(client, querySite(server), disc, context.progress,
                      context.options.cddbHack != 0, cddbFallbackServer(context.options));
    // The choice and the boxes are modal loops: the disc may change meanwhile.
    bool kept = fetched && stillInDrive(context, disc);
    if (kept) {
        offerSubmit(context, client, server, disc);
        kept = stillInDrive(context, disc);
    }
    if (kept)
        reportSave(saveDiscInfo(context.settings, disc), context.settings.path());
    context.progress.close();
    logLine(context.log, kGotSite, kGotFreedbLog);
    return kept;
}

} // namespace rubo
