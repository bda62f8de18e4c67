#pragma once

// The MusicBrainz lookup of a disc: the request, its pace and retry, the
// answer read into one filled record per release, and the log lines.

#include "discinfo/disc_model.h"
#include "musicbrainz/ansi_text.h"
#include "musicbrainz/http_transport.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace rubo {

class EventLog;
struct Options;

// Who asks, as MusicBrainz wants every client to say.
constexpr const char kMbContact[] = "https://rubo-player.example.org/";
constexpr const char kMbUserAgentFormat[] = "%s/%s ( %s )";
constexpr const char kMbLookupPathFormat[] =
    "%s/ws/2/discid/%s?toc=%s&inc=artist-credits+recordings&fmt=json";
constexpr const char kMbAddDiscPathFormat[] = "%s/cdtoc/attach?toc=%s&tracks=%d&id=%s";
constexpr const char kMbAccept[] = "application/json";

// At most one request in this many milliseconds.
constexpr std::int64_t kMbRequestIntervalMs = 1000;
// The longest wait a 503's Retry-After may ask for.
constexpr std::int64_t kMbMaxRetryWaitMs = 3000;
constexpr int kMbConnectTimeoutMs = 10000;
constexpr int kMbReceiveTimeoutMs = 15000;

constexpr const char kGettingMusicBrainzLog[] = "M : Getting MusicBrainz data";
constexpr const char kErrorGettingMusicBrainzLog[] = "M : Error getting MusicBrainz data: %s";
constexpr const char kBusyMusicBrainzLog[] = "M : MusicBrainz busy, asking again in %d ms";
constexpr const char kNoMusicBrainzDataLog[] = "M : No MusicBrainz data for %s";
constexpr const char kGotMusicBrainzLog[] = "M : Got MusicBrainz data: %d release(s)";

// What the user is told when a lookup fails.
constexpr const char kMbNoAudioText[] = "This CD has no audio tracks to look up.";
constexpr const char kMbBadServerText[] = "The MusicBrainz server address is not valid: %s";
constexpr const char kMbNoHttpText[] =
    "This Windows offers no HTTP support that RUBO can use to reach MusicBrainz.";
constexpr const char kMbConnectText[] = "MusicBrainz could not be reached: %s";
constexpr const char kMbTlsText[] = "No secure connection to MusicBrainz could be made: %s";
constexpr const char kMbTimeoutText[] = "MusicBrainz did not answer in time.";
constexpr const char kMbTooLargeText[] = "The answer from MusicBrainz was too large.";
constexpr const char kMbProtocolText[] = "The answer from MusicBrainz was cut off or malformed.";
constexpr const char kMbBusyText[] = "MusicBrainz is busy. Please try again in a moment.";
constexpr const char kMbStatusText[] = "MusicBrainz answered with HTTP status %d.";
constexpr const char kMbUnreadableText[] = "The answer from MusicBrainz could not be read: %s";
constexpr const char kMbNotFoundText[] = "MusicBrainz does not know this CD.";

// The time the client paces its requests by.
class MbClock {
public:
    virtual ~MbClock() = default;
    virtual std::int64_t nowMs() = 0;
    virtual void waitMs(std::int64_t milliseconds) = 0;
};

// A steady clock and a sleep of the calling thread.
MbClock& systemMbClock();

struct MbChoice {
    std::string menuLine;    // "Artist - Title (year, country, format)"
    DiscInfo record;         // the looked-up disc with this release's text
    bool exactMatch = false; // the medium holds the disc id (not the TOC alone)
    std::string date;
};

enum class MbLookupStatus {
    Found,        // `choices` holds one choice per release, or the CD stub
    NothingFound, // `addDiscUrl` opens the page that adds the disc
    Failed,       // `failureText` says why
};

struct MbLookupResult {
    MbLookupStatus status = MbLookupStatus::Failed;
    std::string failureText;
    std::vector<MbChoice> choices;
    std::string addDiscUrl;
};

// The choice a lookup nobody watches takes: an exact match before a TOC
// match, the earliest release first (undated ones last). -1 without choices.
int automaticChoice(const MbLookupResult& result);

// The server address without its trailing slashes.
std::string mbServerBase(const std::string& server);

// The disc id and the TOC in the URL's form.
struct MbDiscQuery {
    std::string discId;
    std::string toc; // "+" between the numbers
    int tracks = 0;
};
// False for a disc without audio tracks.
bool mbDiscQuery(const TrackList& list, MbDiscQuery& query);

std::string mbLookupUrl(const std::string& server, const MbDiscQuery& query);
std::string mbAddDiscUrl(const std::string& server, const MbDiscQuery& query);

class MusicBrainzClient {
public:
    MusicBrainzClient(HttpTransport& transport, EventLog& log, MbClock& clock = systemMbClock(),
                      const AnsiCodePage& codePage = systemAnsiCodePage());
    MusicBrainzClient(const MusicBrainzClient&) = delete;
    MusicBrainzClient& operator=(const MusicBrainzClient&) = delete;

    // Looks `disc` (its TOC) up on the server of the options, through their
    // proxy when one is set. Lookups from several threads take turns.
    MbLookupResult lookup(const Options& options, const DiscInfo& disc);

private:
    HttpResponse paced(const HttpRequest& request);
    HttpResponse fetch(const HttpRequest& request);
    MbLookupResult read(const std::string& body, const MbDiscQuery& query, const DiscInfo& disc,
                        const std::string& server);
    MbLookupResult failure(const std::string& text);
    MbLookupResult nothingFound(const MbDiscQuery& query, const std::string& server);

    HttpTransport& transport_;
    EventLog& log_;
    MbClock& clock_;
    const AnsiCodePage& codePage_;
    std::mutex turn_;
    bool asked_ = false;
    std::int64_t lastRequestMs_ = 0;
};

} // namespace rubo
