// The options page's freedb actions: the server list, the server's status
// and its message of the day.
#include "freedb/freedb_operations.h"

#include "base/message_box.h"
#include "base/text_format.h"
#include "settings/options.h"
#include "settings/settings_file.h"

#include <sstream>

namespace rubo {

namespace {

constexpr const char kServerEntryFormat[] = "%s %d %s";
constexpr const char kServerKeyFormat[] = "%d";
constexpr const char kSitesErrorFormat[] = "Error retrieving sites:\n%s\n\n%s";
constexpr const char kSiteFailureFormat[] = "%s\r\n%s";
constexpr const char kStatusTitleFormat[] = "Status information from site %s";
constexpr const char kMotdTitleFormat[] = "Message of the day from site %s";
// A longer list in the settings file is read no further.
constexpr int kMaxServerEntries = 1000;

bool parseServerEntry(const std::string& value, FreedbSite& site) {
    std::istringstream in(value);
    std::string host, path;
    long port = 0;
    if (!(in >> host >> port >> path) || !isUsablePort(port))
        return false;
    site.host = host;
    site.port = static_cast<int>(port);
    site.path = path;
    return true;
}

std::string failureText(const FreedbClient& client) {
    return formatText(kSiteFailureFormat, client.errorText().c_str(),
                      client.systemErrorText().c_str());
}

} // namespace

std::vector<FreedbSite> readServerList(SettingsFile& settings) {
    std::vector<FreedbSite> sites;
    for (int i = 0; i < kMaxServerEntries; ++i) {
        const std::string value =
            settings.getString(kServersSection, formatText(kServerKeyFormat, i), "");
        if (value.empty())
            break;
        FreedbSite site(FreedbSiteRole::Command);
        if (parseServerEntry(value, site))
            sites.push_back(site);
    }
    return sites;
}

bool updateServerList(FreedbClient& client, const FreedbSite& site, SettingsFile& settings,
                      std::vector<FreedbSite>& sites) {
    client.setCddbHack(false);
    client.setProtocolLevel(kFreedbSitesProtocolLevel);
    std::vector<FreedbSite> listed;
    if (!client.listSites(site, listed)) {
        showMessage(kSitesErrorFormat, client.errorText().c_str(),
                    client.systemErrorText().c_str());
        return false;
    }
    sites = std::move(listed);
    bool saved = false;
    {
        SettingsFile::Transaction change(settings);
        settings.clearSection(kServersSection);
        for (std::size_t i = 0; i < sites.size(); ++i) {
            const FreedbSite& s = sites[i];
            settings.writeString(
                kServersSection, formatText(kServerKeyFormat, static_cast<int>(i)),
                formatText(kServerEntryFormat, s.host.c_str(), s.port, s.path.c_str()));
        }
        saved = change.commit();
    }
    // Said with the file's lock let go: the player reads the file meanwhile.
    reportSave(saved, settings.path());
    return true;
}

std::vector<std::string> serverListHosts(const std::vector<FreedbSite>& sites,
                                         const std::string& mirrorHost) {
    std::vector<std::string> hosts;
    for (const FreedbSite& site : sites)
        hosts.push_back(site.host);
    if (hosts.empty())
        hosts.push_back(mirrorHost);
    return hosts;
}

int serverListSelection(const std::vector<std::string>& hosts, const std::string& mirrorHost) {
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        if (hosts[i] == mirrorHost)
            return static_cast<int>(i);
    }
    return 0;
}

FreedbSiteText serverStatusText(FreedbClient& client, const FreedbSite& site) {
    FreedbSiteText result;
    result.title = formatText(kStatusTitleFormat, site.host.c_str());
    FreedbServerStatus status;
    result.text = client.serverStatus(site, status) ? status.text : failureText(client);
    return result;
}

FreedbSiteText messageOfTheDayText(FreedbClient& client, const FreedbSite& site) {
    FreedbSiteText result;
    result.title = formatText(kMotdTitleFormat, site.host.c_str());
    std::string text;
    result.text = client.messageOfTheDay(site, text) ? text : failureText(client);
    return result;
}

} // namespace rubo
