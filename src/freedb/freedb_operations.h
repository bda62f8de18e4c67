#pragma once

// What the user does with freedb: fetch the text of the disc in the drive,
// submit edited text, and the server-list, status and message-of-the-day
// actions of the options. Each operation sets up its own client, reports
// failures in message boxes and leaves its result in the record it was given.

#include "discinfo/disc_model.h"
#include "freedb/freedb_client.h"

#include <string>
#include <vector>

namespace rubo {

class SettingsFile;
struct Options;

constexpr const char kFreedbClientName[] = "RUBO";
constexpr const char kFreedbClientVersion[] = "1.20";
constexpr const char kDefaultFreedbHost[] = "gnudb.gnudb.org";
constexpr const char kSupportAddress[] = "support@rubo-player.example.org";
// Command of the first match in the popup menu.
constexpr int kMatchCommandBase = 37120;

// CddbSite values.
constexpr int kCddbSiteCustom = 2;
constexpr int kCddbSiteMirror = 3;
// The options page's server choice.
constexpr int kServerChoiceDefault = 0;
constexpr int kServerChoiceMirror = 1;
constexpr int kServerChoiceCustom = 2;

// The server every operation talks to.
struct FreedbServer {
    std::string host;
    int port = kFreedbDefaultPort;
    int protocolLevel = kFreedbSitesProtocolLevel;
};

// From CddbSite and the custom and mirror settings.
FreedbServer chosenFreedbServer(const Options& options);
// From the options page's choice (0 default, 1 mirror, 2 custom).
FreedbServer serverForChoice(int choice, const Options& options);
// The CDDB server of the fallback: CddbHackSite and CddbHackPort.
FreedbServer cddbFallbackServer(const Options& options);
FreedbSite querySite(const FreedbServer& server);
FreedbSite submitSite(const FreedbServer& server);

// The window shown while the network is busy; the platform's or a test's.
class FreedbProgress {
public:
    virtual ~FreedbProgress() = default;
    // Shows the window with its command line and server line, painted at once.
    virtual void open(const std::string& command, const std::string& host) = 0;
    virtual void close() = 0;
    // The host the next requests go to.
    virtual void showServer(const std::string& host) = 0;
    // A popup menu at the mouse with one item per text, item i having the
    // command firstCommand + i; the chosen command, 0 when none was chosen.
    virtual int trackMenu(const std::vector<std::string>& items, int firstCommand) = 0;
};

// initialise, log, proxy and protocol level; false when the socket layer
// could not start (its message has been shown).
bool setUpFreedbClient(FreedbClient& client, const Options& options, const FreedbServer& server);

// The options page's client: the server of the page's choice and values,
// log and proxy from the saved options; the CDDB greeting when the page's
// custom server is the fallback's CDDB server and CddbHack is on.
bool setUpPageClient(FreedbClient& client, const Options& saved, const Options& page, int choice,
                     FreedbServer& server);

// The greeting's user and host: the two halves of an address with an "@",
// reduced to characters the greeting can carry; empty without one.
void helloIdentityOf(const std::string& emailAddress, std::string& user, std::string& host);

// Looks the disc up and copies the chosen entry into it. The fallback
// server is used only with hackFlag.
bool fetchDiscInfo(FreedbClient& client, const FreedbSite& site, DiscInfo& disc,
                   FreedbProgress& progress, bool hackFlag, const FreedbServer& cddbServer);

// The first failing pre-check's text, or nullptr when the record may be sent.
const char* submitPrecheckFailure(const DiscInfo& disc, const std::string& emailAddress);
// The record a submit of the disc sends (its revision already counted).
XmcdRecord submitRecord(const FreedbClient& client, const DiscInfo& disc);
bool submitDiscInfo(FreedbClient& client, const FreedbSite& site, DiscInfo& disc, bool testSubmit,
                    const std::string& emailAddress);

// Progress window texts.
constexpr const char kRetrievingInfoText[] = "Retrieving info...";
constexpr const char kSubmittingInfoText[] = "Submitting info...";
constexpr const char kContactingSiteText[] = "Contacting site";

// The server list of section "Servers", "0" upward to the first empty value.
std::vector<FreedbSite> readServerList(SettingsFile& settings);
// Asks the server for its list and rewrites section "Servers" with exactly
// what came back; `sites` gets that same list, also when it could not be
// saved (which is said). False after the message when no list came.
bool updateServerList(FreedbClient& client, const FreedbSite& site, SettingsFile& settings,
                      std::vector<FreedbSite>& sites);
// The list box's lines for the sites: their hosts, or the mirror host alone.
std::vector<std::string> serverListHosts(const std::vector<FreedbSite>& sites,
                                         const std::string& mirrorHost);
// The index of the mirror host in the list, 0 when it is not there.
int serverListSelection(const std::vector<std::string>& hosts, const std::string& mirrorHost);
// The text window's title and text for the status and the message of the day.
struct FreedbSiteText {
    std::string title;
    std::string text;
};
FreedbSiteText serverStatusText(FreedbClient& client, const FreedbSite& site);
FreedbSiteText messageOfTheDayText(FreedbClient& client, const FreedbSite& site);

} // namespace rubo
