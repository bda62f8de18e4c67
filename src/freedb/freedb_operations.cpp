#include "freedb/freedb_operations.h"

#include "base/message_box.h"
#include "base/system_info.h"
#include "base/text_format.h"
#include "settings/options.h"

#include <cctype>

namespace rubo {

namespace {

// "<title>:\n<client's error text>\n\n<system's error text>"
constexpr const char kClientErrorFormat[] = "%s:\n%s\n\n%s";
constexpr const char kQueryErrorTitle[] = "Error quering CD info";
constexpr const char kReadErrorTitle[] = "Error retrieving CD info";
constexpr const char kSubmitErrorTitle[] = "Error submitting CD";
constexpr const char kSubmitImpossibleFormat[] = "Submit not possible:\n%s";
constexpr const char kSubmittedAsTest[] = "CD info submitted as test";
constexpr const char kSubmitted[] = "CD info submitted";
constexpr const char kSubmitNoteFormat[] = "RUBO freedb submission (RUBO support: %s)";
constexpr const char kMatchItemFormat[] = "%d:\t[%s] %s - %s";
constexpr int kProtocolLevelUnset = 0;
constexpr char kUnknownMark = '?';

void showClientError(const char* title, const FreedbClient& client) {
    showMessage(kClientErrorFormat, title, client.errorText().c_str(),
                client.systemErrorText().c_str());
}

// The index of the chosen match, or -1 when none was chosen.
int chooseMatch(const std::vector<FreedbMatch>& matches, FreedbProgress& progress) {
    if (matches.size() == 1)
        return 0;
    std::vector<std::string> items;
    for (std::size_t i = 0; i < matches.size(); ++i) {
        const FreedbMatch& m = matches[i];
        items.push_back(formatText(kMatchItemFormat, static_cast<int>(i + 1), m.category.c_str(),
                                   m.artist.c_str(), m.title.c_str()));
    }
    const int index = progress.trackMenu(items, kMatchCommandBase) - kMatchCommandBase;
    if (index < 0 || index >= static_cast<int>(matches.size()))
        return -1;
    return index;
}

void copyRecord(const XmcdRecord& record, const FreedbMatch& match, bool fromCddb, DiscInfo& disc) {
    disc.freedbState = fromCddb ? kFreedbStateNotFound : kFreedbStateFound;
    disc.artist = record.artist;
    disc.title = record.title;
    disc.year = record.year;
    disc.genre = record.genre;
    disc.extendedDisc = record.extendedDisc;
    disc.playOrder = record.playOrder;
    disc.category = match.category;
    disc.freedbRevision = match.discId == disc.discId ? record.revision : 0;
    for (int k = 1; k <= disc.trackList.trackCount; ++k) {
        TrackEntry* entry = disc.trackList.entryForStore(k);
        if (!entry)
            break;
        const std::size_t index = static_cast<std::size_t>(k - 1);
        if (index < record.trackTitles.size())
            entry->title = record.trackTitles[index];
        if (index < record.extendedTracks.size())
            entry->extended = record.extendedTracks[index];
    }
    disc.modified = fromCddb ? 1 : 0;
    flattenDiscText(disc);
}

bool isGreetingChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

std::string greetingWord(const std::string& text) {
    std::string word = text;
    for (char& c : word) {
        if (!isGreetingChar(c))
            c = '_';
    }
    return word;
}

bool lastEntryHasDefaultTitle(const DiscInfo& disc) {
    const TrackList& list = disc.trackList;
    for (int k = 1; k < list.entryCount(); ++k) {
        if (IsDefaultTrackTitle(list.entry(k)->title))
            return true;
    }
    return false;
}

bool invalidName(const std::string& text) {
    return text.empty() || text[0] == kUnknownMark;
}

} // namespace

FreedbServer chosenFreedbServer(const Options& options) {
    if (options.cddbSite == kCddbSiteCustom)
        return serverForChoice(kServerChoiceCustom, options);
    if (options.cddbSite == kCddbSiteMirror)
        return serverForChoice(kServerChoiceMirror, options);
    return serverForChoice(kServerChoiceDefault, options);
}

FreedbServer serverForChoice(int choice, const Options& options) {
    FreedbServer server;
    if (choice == kServerChoiceCustom) {
        server.host = options.cddbCustomSite;
        server.port = options.cddbCustomPort;
        server.protocolLevel = options.cddbProtocol == kProtocolLevelUnset
                                   ? kFreedbDefaultProtocolLevel
                                   : options.cddbProtocol;
    } else if (choice == kServerChoiceMirror) {
        server.host = options.cddbMirrorSite;
        server.port = options.cddbMirrorPort;
    } else {
        server.host = kDefaultFreedbHost;
    }
    return server;
}

FreedbServer cddbFallbackServer(const Options& options) {
    FreedbServer server;
    server.host = options.cddbHackSite;
    server.port = options.cddbHackPort;
    return server;
}

FreedbSite querySite(const FreedbServer& server) {
    FreedbSite site(FreedbSiteRole::Command);
    site.host = server.host;
    site.port = server.port;
    return site;
}

FreedbSite submitSite(const FreedbServer& server) {
    FreedbSite site(FreedbSiteRole::Submit);
    site.host = server.host;
    site.port = server.port;
    return site;
}

void helloIdentityOf(const std::string& emailAddress, std::string& user, std::string& host) {
    user.clear();
    host.clear();
    const std::size_t at = emailAddress.find('@');
    if (at == std::string::npos || at == 0 || at + 1 >= emailAddress.size())
        return;
    user = greetingWord(emailAddress.substr(0, at));
    host = greetingWord(emailAddress.substr(at + 1));
}

bool setUpFreedbClient(FreedbClient& client, const Options& options, const FreedbServer& server) {
    if (!client.initialise(kFreedbClientName, kFreedbClientVersion))
        return false;
    client.setLogEnabled(options.cddbLog != 0);
    if (options.proxyEnabled)
        client.setProxy(options.proxyAddress, options.proxyPort);
    client.setProtocolLevel(server.protocolLevel);
    std::string user, host;
    helloIdentityOf(options.cddbEmailAddress, user, host);
    client.setHelloIdentity(user, host);
    return true;
}

bool setUpPageClient(FreedbClient& client, const Options& saved, const Options& page, int choice,
                     FreedbServer& server) {
    server = serverForChoice(choice, page);
    Options settings = saved;
    settings.cddbEmailAddress = page.cddbEmailAddress;
    if (!setUpFreedbClient(client, settings, server))
        return false;
    if (choice == kServerChoiceCustom && server.host == saved.cddbHackSite)
        client.setCddbHack(saved.cddbHack != 0);
    return true;
}

bool fetchDiscInfo(FreedbClient& client, const FreedbSite& site, DiscInfo& disc,
                   FreedbProgress& progress, bool hackFlag, const FreedbServer& cddbServer) {
    if (!disc.hasAudio || disc.trackList.trackCount <= 0)
        return false;
    disc.freedbState = kFreedbStateNotFound;
    FreedbSite readSite = site;
    bool fromCddb = false;
    std::vector<FreedbMatch> matches;
    if (!client.queryDisc(site, disc.discId, disc.trackList, matches)) {
        if (!client.errorText().empty())
            showClientError(kQueryErrorTitle, client);
        if (!hackFlag)
            return false;
        client.setCddbHack(true);
        readSite = querySite(cddbServer);
        progress.showServer(readSite.host);
        if (!client.queryDisc(readSite, disc.discId, disc.trackList, matches)) {
            if (!client.errorText().empty())
                showClientError(kQueryErrorTitle, client);
            return false;
        }
        fromCddb = true;
    }
    const int chosen = chooseMatch(matches, progress);
    if (chosen < 0)
        return false;
    const FreedbMatch& match = matches[static_cast<std::size_t>(chosen)];
    XmcdRecord record;
    if (!client.readDisc(readSite, match.discId, match.category, record)) {
        showClientError(kReadErrorTitle, client);
        return false;
    }
    copyRecord(record, match, fromCddb, disc);
    return true;
}

const char* submitPrecheckFailure(const DiscInfo& disc, const std::string& emailAddress) {
    if (disc.freedbState == kFreedbStateUnknown)
        return "Please check first if this CD is already in freedb";
    if (disc.modified == 0)
        return "CD info has not changed";
    if (lastEntryHasDefaultTitle(disc))
        return "Invalid track name(s)";
    if (emailAddress.empty() || emailAddress.find('@') == std::string::npos)
        return "Invalid email address";
    if (invalidName(disc.artist))
        return "Invalid Artist name";
    if (invalidName(disc.title))
        return "Invalid Title";
    if (!disc.hasAudio)
        return "This is not an audio CD";
    if (disc.trackList.trackCount <= 0)
        return "Invalid nr of tracks";
    return nullptr;
}

XmcdRecord submitRecord(const FreedbClient& client, const DiscInfo& disc) {
    XmcdRecord record;
    record.discLengthSeconds = disc.trackList.leadOut / kFramesPerSecond;
    record.submitterName = client.clientName();
    record.submitterVersion = client.clientVersion();
    record.artist = disc.artist;
    record.title = disc.title;
    record.year = disc.year;
    record.genre = disc.genre;
    record.extendedDisc = disc.extendedDisc;
    record.discId = disc.discId;
    record.revision = disc.freedbState == kFreedbStateFound ? disc.freedbRevision : 0;
    const TrackList& list = disc.trackList;
    for (int k = 1; k < list.entryCount(); ++k) {
        const TrackEntry& entry = *list.entry(k);
        record.frameOffsets.push_back(msfToFrames(entry.start));
        record.trackTitles.push_back(entry.title);
        record.extendedTracks.push_back(entry.extended);
    }
    return record;
}

bool submitDiscInfo(FreedbClient& client, const FreedbSite& site, DiscInfo& disc, bool testSubmit,
                    const std::string& emailAddress) {
    if (const char* failure = submitPrecheckFailure(disc, emailAddress)) {
        showMessage(kSubmitImpossibleFormat, failure);
        return false;
    }
    if (disc.freedbState == kFreedbStateFound)
        ++disc.freedbRevision;
    const XmcdRecord record = submitRecord(client, disc);
    const std::string note = formatText(kSubmitNoteFormat, kSupportAddress);
    if (!client.submitDisc(site, disc.category, emailAddress, record, note, testSubmit)) {
        showClientError(kSubmitErrorTitle, client);
        return false;
    }
    showMessage("%s", testSubmit ? kSubmittedAsTest : kSubmitted);
    disc.modified = 0;
    return true;
}

} // namespace rubo
