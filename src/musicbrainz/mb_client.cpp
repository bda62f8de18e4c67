#include "musicbrainz/mb_client.h"

#include "base/event_log.h"
#include "base/text_format.h"
#include "freedb/freedb_operations.h"
#include "musicbrainz/mb_answer.h"
#include "musicbrainz/mb_disc_id.h"
#include "musicbrainz/mb_record.h"
#include "settings/options.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace rubo {

namespace {

constexpr int kStatusOk = 200;
constexpr int kStatusNotFound = 404;
constexpr int kStatusBusy = 503;
constexpr int kMaxRetryAfterDigits = 6;

class SteadyClock : public MbClock {
public:
    std::int64_t nowMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void waitMs(std::int64_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

// Retry-After in seconds, capped; a date or nothing waits the usual interval.
std::int64_t retryWaitMs(const std::string& retryAfter) {
    if (retryAfter.empty() || retryAfter.size() > kMaxRetryAfterDigits ||
        !std::all_of(retryAfter.begin(), retryAfter.end(),
                     [](char c) { return c >= '0' && c <= '9'; }))
        return kMbRequestIntervalMs;
    return std::min<std::int64_t>(std::stoll(retryAfter) * 1000, kMbMaxRetryWaitMs);
}

std::string transportFailure(const HttpResponse& response, const std::string& url) {
    const char* why = response.errorText.c_str();
    switch (response.error) {
    case HttpError::BadUrl:
        return formatText(kMbBadServerText, url.c_str());
    case HttpError::Unavailable:
        return kMbNoHttpText;
    case HttpError::Connect:
        return formatText(kMbConnectText, why);
    case HttpError::Tls:
        return formatText(kMbTlsText, why);
    case HttpError::Timeout:
        return kMbTimeoutText;
    case HttpError::TooLarge:
        return kMbTooLargeText;
    case HttpError::Protocol:
    case HttpError::None:
        break;
    }
    return kMbProtocolText;
}

bool earlier(const MbChoice& a, const MbChoice& b) {
    if (a.exactMatch != b.exactMatch)
        return a.exactMatch;
    if (a.date.empty() != b.date.empty())
        return b.date.empty();
    return a.date < b.date;
}

} // namespace

MbClock& systemMbClock() {
    static SteadyClock clock;
    return clock;
}

int automaticChoice(const MbLookupResult& result) {
    int best = -1;
    for (std::size_t i = 0; i < result.choices.size(); ++i)
        if (best < 0 || earlier(result.choices[i], result.choices[static_cast<std::size_t>(best)]))
            best = static_cast<int>(i);
    return best;
}

std::string mbServerBase(const std::string& server) {
    std::string base = server;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base;
}

bool mbDiscQuery(const TrackList& list, MbDiscQuery& query) {
    const MbToc toc = mbTocOf(list);
    if (!toc.valid())
        return false;
    query.discId = mbDiscId(toc);
    query.toc = mbTocText(toc);
    std::replace(query.toc.begin(), query.toc.end(), ' ', '+');
    query.tracks = toc.lastTrack - toc.firstTrack + 1;
    return true;
}

std::string mbLookupUrl(const std::string& server, const MbDiscQuery& query) {
    return formatText(kMbLookupPathFormat, mbServerBase(server).c_str(), query.discId.c_str(),
                      query.toc.c_str());
}

std::string mbAddDiscUrl(const std::string& server, const MbDiscQuery& query) {
    return formatText(kMbAddDiscPathFormat, mbServerBase(server).c_str(), query.toc.c_str(),
                      query.tracks, query.discId.c_str());
}

MusicBrainzClient::MusicBrainzClient(HttpTransport& transport, EventLog& log, MbClock& clock,
                                     const AnsiCodePage& codePage)
    : transport_(transport), log_(log), clock_(clock), codePage_(codePage) {}

MbLookupResult MusicBrainzClient::failure(const std::string& text) {
    log_.logEvent(2161, kErrorGettingMusicBrainzLog, text.c_str());
    MbLookupResult result;
    result.failureText = text;
    return result;
}

MbLookupResult MusicBrainzClient::nothingFound(const MbDiscQuery& query,
                                               const std::string& server) {
    log_.logEvent(2163, kNoMusicBrainzDataLog, query.discId.c_str());
    MbLookupResult result;
    result.status = MbLookupStatus::NothingFound;
    result.failureText = kMbNotFoundText;
    result.addDiscUrl = mbAddDiscUrl(server, query);
    return result;
}

HttpResponse MusicBrainzClient::paced(const HttpRequest& request) {
    if (asked_) {
        const std::int64_t since = clock_.nowMs() - lastRequestMs_;
        if (since < kMbRequestIntervalMs)
            clock_.waitMs(kMbRequestIntervalMs - since);
    }
    asked_ = true;
    lastRequestMs_ = clock_.nowMs();
    return transport_.get(request);
}

HttpResponse MusicBrainzClient::fetch(const HttpRequest& request) {
    HttpResponse response = paced(request);
    if (response.error != HttpError::None || response.status != kStatusBusy)
        return response;
    const std::int64_t wait = retryWaitMs(response.retryAfter);
    log_.logEvent(2162, kBusyMusicBrainzLog, static_cast<int>(wait));
    clock_.waitMs(wait);
    return paced(request);
}

MbLookupResult MusicBrainzClient::read(const std::string& body, const MbDiscQuery& query,
                                       const DiscInfo& disc, const std::string& server) {
    MbAnswer answer;
    std::string error;
    if (!readMbAnswer(body, answer, error))
        return failure(formatText(kMbUnreadableText, error.c_str()));
    MbLookupResult result;
    const std::vector<MbRelease> stub{answer.stub};
    const auto& releases = answer.kind == MbAnswerKind::Stub ? stub : answer.releases;
    for (const MbRelease& release : releases) {
        MbChoice choice;
        const int medium = chooseMedium(release, query.discId, query.tracks, choice.exactMatch);
        if (medium < 0)
            continue;
        const MbMedium& m = release.media[static_cast<std::size_t>(medium)];
        choice.menuLine = mbMenuLine(release, m, codePage_);
        choice.record = disc;
        applyMbRelease(release, m, codePage_, choice.record);
        choice.date = release.date;
        result.choices.push_back(std::move(choice));
    }
    if (result.choices.empty())
        return nothingFound(query, server);
    log_.logEvent(2164, kGotMusicBrainzLog, static_cast<int>(result.choices.size()));
    result.status = MbLookupStatus::Found;
    return result;
}

MbLookupResult MusicBrainzClient::lookup(const Options& options, const DiscInfo& disc) {
    std::lock_guard<std::mutex> turn(turn_);
    log_.logEvent(2160, "%s", kGettingMusicBrainzLog);
    MbDiscQuery query;
    if (!mbDiscQuery(disc.trackList, query))
        return failure(kMbNoAudioText);
    HttpRequest request;
    request.url = mbLookupUrl(options.musicBrainzServer, query);
    request.userAgent =
        formatText(kMbUserAgentFormat, kFreedbClientName, kFreedbClientVersion, kMbContact);
    request.accept = kMbAccept;
    request.connectTimeoutMs = kMbConnectTimeoutMs;
    request.receiveTimeoutMs = kMbReceiveTimeoutMs;
    request.maxBodyBytes = kMbAnswerMaxBytes;
    if (options.proxyEnabled) {
        request.proxyHost = options.proxyAddress;
        request.proxyPort = options.proxyPort;
    }
    const HttpResponse response = fetch(request);
    if (response.error != HttpError::None)
        return failure(transportFailure(response, options.musicBrainzServer));
    if (response.status == kStatusBusy)
        return failure(kMbBusyText);
    if (response.status == kStatusNotFound)
        return nothingFound(query, options.musicBrainzServer);
    if (response.status != kStatusOk)
        return failure(formatText(kMbStatusText, response.status));
    return read(response.body, query, disc, options.musicBrainzServer);
}

} // namespace rubo
