#include "freedb/freedb_client.h"

#include "base/system_info.h"
#include "base/text_format.h"
#include "settings/settings_file.h"

#include <cctype>

namespace rubo {

namespace {
const FreedbClient::CommandNames kSitesCommand{"sites", "sites", "sites.log", ReceiveMultiLine};
const FreedbClient::CommandNames kStatCommand{"status", "stat", "status.log", ReceiveMultiLine};
const FreedbClient::CommandNames kQueryCommand{"query", "query", "query.log", ReceiveQuery};
const FreedbClient::CommandNames kReadCommand{"read", "read", "read.log", ReceiveMultiLine};
const FreedbClient::CommandNames kMotdCommand{"motd", "motd", "motd.log", ReceiveMultiLine};
const FreedbClient::CommandNames kSubmitCommand{"submit", "submit", "submit.log", ReceiveSubmit};

} // namespace

void FreedbClient::failProtocol(const std::string& body) {
    errorText_ = body;
    net::setLastError(net::kErrorProtocol);
}

std::string FreedbClient::buildHello() const {
    return helloAt(protocolLevel_, cddbHack_ != 0);
}

void FreedbClient::setHelloIdentity(const std::string& user, const std::string& host) {
    helloUser_ = user;
    helloHost_ = host;
}

std::string FreedbClient::helloAt(int protocolLevel, bool cddbHack) const {
    std::string login = helloUser_;
    if (login.empty()) {
        login = systemInfo().userName();
        if (login == kUnknownText)
            login.clear();
    }
    const std::string host = helloHost_.empty() ? net::localHostName() : helloHost_;
    return formatHello(login, host, clientName_, clientVersion_, protocolLevel, cddbHack);
}

bool FreedbClient::exchangeMultiLine(const FreedbSite& site, const CommandNames& names,
                                     const std::string& request, std::string& body) {
    errorText_.clear();
    std::string received;
    if (!exchange(site, names, request, received))
        return false;
    body = httpBody(received);
    lastResponse_ = body;
    if (!isMultiLineCode(freedbResponseCode(body))) {
        failProtocol(body);
        return false;
    }
    return true;
}

int FreedbClient::listSites(const FreedbSite& site, std::vector<FreedbSite>& sites) {
    std::string hello = helloAt(kFreedbSitesProtocolLevel, false);
    std::string body;
    if (!exchangeMultiLine(site, kSitesCommand, buildGetRequest(site, proxyHost_, "sites", hello),
                           body))
        return 0;
    sites.clear();
    for (const std::string& line : answerLines(body)) {
        FreedbSite entry(FreedbSiteRole::Command);
        if (parseSiteLine(line, entry))
            sites.push_back(entry);
    }
    lastResponse_.clear();
    return 1;
}

int FreedbClient::serverStatus(const FreedbSite& site, FreedbServerStatus& status) {
    errorText_.clear();
    std::string received;
    if (!exchange(site, kStatCommand, buildGetRequest(site, proxyHost_, "stat", buildHello()),
                  received))
        return 0;
    std::string body = httpBody(received);
    status.text = body;
    if (!isMultiLineCode(freedbResponseCode(body))) {
        lastResponse_ = body;
        failProtocol(body);
        return 0;
    }
    lastResponse_ = body;
    status.categoryNames.clear();
    status.categoryCounts.clear();
    status.pendingNames.clear();
    status.pendingCounts.clear();
    status.text = textAfterStatusLine(body);
    std::string message = parseStatusLines(answerLines(body), status);
    lastResponse_.clear();
    if (!message.empty()) {
        errorText_ = message;
        net::setLastError(net::kErrorProtocol);
    }
    return 1;
}

int FreedbClient::queryDisc(const FreedbSite& site, DiscId discId, const TrackList& tracks,
                            std::vector<FreedbMatch>& matches) {
    errorText_.clear();
    matches.clear();
    std::string command = "cddb+query+" + queryArguments(discId, tracks);
    std::string received;
    if (!exchange(site, kQueryCommand, buildGetRequest(site, proxyHost_, command, buildHello()),
                  received))
        return 0;
    std::string body = httpBody(received);
    lastResponse_ = body;
    int code = freedbResponseCode(body);
    if (isMultiLineCode(code)) {
        for (const std::string& line : answerLines(body)) {
            FreedbMatch match;
            if (parseMatchLine(line, match))
                matches.push_back(match);
        }
        lastResponse_.clear();
        return matches.empty() ? 0 : 1;
    }
    if (code == 200 && body.size() > 5) {
        FreedbMatch match;
        bool parsed = parseMatchLine(body.substr(4), match);
        if (parsed)
            matches.push_back(match);
        lastResponse_.clear();
        return parsed ? 1 : 0;
    }
    if (code == 202)
        return 0;
    failProtocol(body);
    return 0;
}

int FreedbClient::readDisc(const FreedbSite& site, DiscId discId, const std::string& category,
                           XmcdRecord& record) {
    errorText_.clear();
    std::string command =
        formatText("cddb+read+%s+%08x", category.c_str(), static_cast<unsigned>(discId));
    std::string received;
    if (!exchange(site, kReadCommand, buildGetRequest(site, proxyHost_, command, buildHello()),
                  received))
        return 0;
    std::string body = httpBody(received);
    lastResponse_ = body;
    std::string message;
    if (!parseXmcd(body, protocolLevel_, cddbHack_ != 0, record, message)) {
        errorText_ = message;
        net::setLastError(net::kErrorProtocol);
        return 0;
    }
    if (record.discId != discId) {
        errorText_ =
            formatBounded(kMessageMaxChars,
                          "Returned DiscID from freedb read (%x) is different than the "
                          "computed value (%x), using the computed value",
                          static_cast<unsigned>(record.discId), static_cast<unsigned>(discId));
        record.discId = discId;
    }
    lastResponse_.clear();
    return 1;
}

int FreedbClient::messageOfTheDay(const FreedbSite& site, std::string& text) {
    std::string body;
    if (!exchangeMultiLine(site, kMotdCommand,
                           buildGetRequest(site, proxyHost_, "motd", buildHello()), body))
        return 0;
    text = textAfterStatusLine(body);
    if (text.empty())
        return 0;
    lastResponse_.clear();
    return 1;
}

int FreedbClient::submitDisc(const FreedbSite& site, const std::string& category,
                             const std::string& emailAddress, const XmcdRecord& record,
                             const std::string& note, bool testSubmit) {
    errorText_.clear();
    std::string body = buildSubmitBody(record, protocolLevel_, cddbHack_ != 0);
    std::string request = buildPostLine(site, proxyHost_) +
                          buildSubmitHeaders(submitCategory(category), record.discId, emailAddress,
                                             note, testSubmit, body.size()) +
                          body;
    std::string received;
    if (!exchange(site, kSubmitCommand, request, received))
        return 0;
    std::string answer = httpBody(received);
    errorText_ = answer;
    int code = freedbResponseCode(answer);
    if (code >= 200 && code <= 209) {
        lastResponse_.clear();
        return 1;
    }
    lastResponse_ = answer;
    net::setLastError(net::kErrorProtocol);
    return 0;
}

} // namespace rubo
