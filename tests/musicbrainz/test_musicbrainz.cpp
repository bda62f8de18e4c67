#include <doctest.h>

#include "base/event_log.h"
#include "base/text_format.h"
#include "musicbrainz/mb_answer.h"
#include "musicbrainz/mb_client.h"
#include "musicbrainz/mb_disc_id.h"
#include "settings/options.h"
#include "support/test_support.h"

#include <deque>
#include <fstream>
#include <regex>

using namespace rubo;

namespace {

constexpr const char kVectorId[] = "49HHV7Eb8UKF3aQiNmu1GR8vKTY-";

// A disc from its track starts and lead-out (absolute frames); audio unless listed.
DiscInfo discOf(const std::vector<int>& starts, int leadOut, const std::vector<int>& data = {}) {
    DiscInfo disc;
    disc.trackList.trackCount = static_cast<int>(starts.size());
    disc.trackList.leadOut = leadOut;
    for (int k = 1; k <= disc.trackList.trackCount; ++k) {
        TrackEntry* e = disc.trackList.entryForStore(k);
        e->number = k;
        e->start = framesToMsf(starts[static_cast<std::size_t>(k - 1)]);
        e->audio = std::find(data.begin(), data.end(), k) == data.end() ? 1 : 0;
    }
    setDefaultTitles(disc.trackList);
    return disc;
}

DiscInfo vectorDisc() {
    return discOf({150, 15363, 32314, 46592, 63414, 80489}, 95462);
}

// JSON pieces in the web service's documented shape.
std::string credit(const std::string& names) {
    return "[" + names + "]";
}
std::string name(const std::string& n, const std::string& join = "") {
    return "{\"name\":\"" + n + "\",\"joinphrase\":\"" + join + "\",\"artist\":{\"name\":\"" + n +
           "\"}}";
}
std::string medium(int position, const std::string& discId, int tracks,
                   const std::string& prefix = "T", const std::string& guest = "") {
    std::string list;
    for (int k = 1; k <= tracks; ++k) {
        std::string track = formatText("{\"position\":%d,\"number\":\"%d\",\"title\":\"%s%d\"", k,
                                       k, prefix.c_str(), k);
        if (k == 3 && !guest.empty())
            track += ",\"artist-credit\":" + credit(name(guest));
        list += (k > 1 ? "," : "") + track + "}";
    }
    return formatText("{\"position\":%d,\"format\":\"CD\",\"track-count\":%d,\"discs\":[{\"id\":"
                      "\"%s\",\"sectors\":95462}],\"tracks\":[",
                      position, tracks, discId.c_str()) +
           list + "]}";
}
std::string release(const std::string& artist, const std::string& title, const std::string& date,
                    const std::string& media) {
    return "{\"id\":\"r\",\"title\":\"" + title + "\",\"date\":\"" + date +
           "\",\"country\":\"DE\",\"artist-credit\":" + artist + ",\"media\":[" + media + "]}";
}
std::string releases(const std::string& list) {
    return std::string("{\"id\":\"") + kVectorId + "\",\"sectors\":95462,\"releases\":[" + list +
           "]}";
}

struct FakeTransport : HttpTransport {
    std::deque<HttpResponse> answers;
    std::vector<HttpRequest> requests;
    std::vector<std::int64_t> askedAt;
    MbClock* clock = nullptr;
    HttpResponse get(const HttpRequest& request) override {
        requests.push_back(request);
        askedAt.push_back(clock->nowMs());
        HttpResponse r = answers.front();
        answers.pop_front();
        return r;
    }
    void add(int status, const std::string& body, const std::string& retryAfter = "") {
        HttpResponse r;
        r.status = status;
        r.body = body;
        r.retryAfter = retryAfter;
        answers.push_back(r);
    }
};

struct FakeClock : MbClock {
    std::int64_t now = 5000;
    std::vector<std::int64_t> waits;
    std::int64_t nowMs() override { return now; }
    void waitMs(std::int64_t ms) override {
        waits.push_back(ms);
        now += ms;
    }
};

struct Fixture {
    FakeTransport transport;
    FakeClock clock;
    EventLog log;
    Windows1252CodePage codePage;
    MusicBrainzClient client{transport, log, clock, codePage};
    Options options;
    Fixture() {
        transport.clock = &clock;
        options.musicBrainzServer = "http://127.0.0.1:8890/";
    }
    MbLookupResult lookup(int status, const std::string& body,
                          const DiscInfo& disc = vectorDisc()) {
        transport.add(status, body);
        return client.lookup(options, disc);
    }
};

} // namespace

TEST_CASE("disc id: the documented vector, the TOC text, the URLs, and an enhanced CD") {
    const MbToc toc = mbTocOf(vectorDisc().trackList);
    CHECK(mbDiscId(toc) == kVectorId);
    CHECK(mbTocText(toc) == "1 6 95462 150 15363 32314 46592 63414 80489");
    MbDiscQuery query;
    REQUIRE(mbDiscQuery(vectorDisc().trackList, query));
    CHECK(mbLookupUrl("https://musicbrainz.org/", query) ==
          std::string("https://musicbrainz.org/ws/2/discid/") + kVectorId +
              "?toc=1+6+95462+150+15363+32314+46592+63414+80489&inc=artist-credits+recordings"
              "&fmt=json");
    CHECK(mbAddDiscUrl("https://musicbrainz.org", query) ==
          std::string("https://musicbrainz.org/cdtoc/attach?toc=1+6+95462+150+15363+32314+46592+"
                      "63414+80489&tracks=6&id=") +
              kVectorId);
    CHECK_FALSE(mbDiscQuery(discOf({150}, 9000, {1}).trackList, query));

    const std::string path = test::sharedTestData("discids/arver/data_track.md");
    if (path.empty()) {
        MESSAGE("skipped: the shared enhanced CD's TOC is not present");
        return;
    }
    // The drive's view (LSN + 150): ten audio tracks and a data session.
    std::ifstream in(path);
    std::vector<int> starts, data;
    int leadOut = 0;
    static const std::regex track(R"(^\s*(\d+): (\d+)\s+\S+ (audio|data)$)");
    static const std::regex aa(R"(^\s*AA: (\d+)\s+leadout)");
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_search(line, m, track)) {
            starts.push_back(std::stoi(m[2]) + 150);
            if (m[3] == "data")
                data.push_back(std::stoi(m[1]));
        } else if (std::regex_search(line, m, aa)) {
            leadOut = std::stoi(m[1]) + 150;
        }
    }
    REQUIRE(starts.size() == 11);
    const MbToc enhanced = mbTocOf(discOf(starts, leadOut, data).trackList);
    CHECK(enhanced.leadOut == 270335);
    CHECK(mbDiscId(enhanced) == "9AQWqQ0eCCwktwPPrIUIYkUw2Uo-");
}

TEST_CASE("text: strict UTF-8 decoding and the Windows-1252 code page") {
    CHECK(decodeUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80") == U"a\u00E9\u20AC\U0001F600");
    // Overlong, surrogate, past U+10FFFF, stray continuation, cut sequence.
    CHECK(decodeUtf8("\xC0\x80|\xED\xA0\x80|\xF4\x90\x80\x80|\x80|\xE2\x82") ==
          U"\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD\uFFFD|\uFFFD|\uFFFD");
    const Windows1252CodePage cp;
    CHECK(utf8ToAnsi("Caf\xC3\xA9 \xE2\x82\xAC \xC5\x91 \xF0\x9F\x98\x80 \xFF", cp) ==
          "Caf\xE9 \x80 ? ? ?");
}

TEST_CASE("one release: the record, the menu line, the performer of a guest track") {
    Fixture f;
    const std::string body =
        releases(release(credit(name("Anna", " & ") + "," + name("Bo")), "Caf\\u00e9 Songs",
                         "1999-03-02", medium(1, kVectorId, 6, "T", "Guest")));
    DiscInfo disc = vectorDisc();
    disc.category = "rock";
    const MbLookupResult r = f.lookup(200, body, disc);
    REQUIRE(r.status == MbLookupStatus::Found);
    REQUIRE(r.choices.size() == 1);
    const DiscInfo& got = r.choices[0].record;
    CHECK(r.choices[0].menuLine == "Anna & Bo - Caf\xE9 Songs (1999, DE, CD)");
    CHECK(got.artist == "Anna & Bo");
    CHECK(got.title == "Caf\xE9 Songs");
    CHECK(got.year == 1999);
    CHECK(got.category == "rock");
    CHECK(got.origin == OriginMusicBrainz);
    CHECK(got.trackList.entry(1)->title == "T1");
    CHECK(got.trackList.entry(3)->title == "Guest / T3");
    CHECK(got.trackList.entry(6)->title == "T6");
    const HttpRequest& q = f.transport.requests.at(0);
    CHECK(q.url.rfind(std::string("http://127.0.0.1:8890/ws/2/discid/") + kVectorId + "?toc=1+6+",
                      0) == 0);
    CHECK(q.userAgent == "RUBO/1.20 ( https://rubo-player.example.org/ )");
    CHECK(q.maxBodyBytes == kMbAnswerMaxBytes);
}

TEST_CASE("several releases, a multi-disc set, a fuzzy TOC match: medium and automatic choice") {
    Fixture f;
    const std::string set =
        release(credit(name("Box")), "Set", "2001",
                medium(1, "other-disc-id", 6, "A") + "," + medium(2, kVectorId, 6, "B"));
    const std::string fuzzy = release(credit(name("Near")), "Fuzzy", "1980", medium(1, "x", 6));
    const std::string later =
        release(credit(name("Box")), "Set (reissue)", "2010", medium(1, kVectorId, 6, "C"));
    const MbLookupResult r = f.lookup(200, releases(later + "," + fuzzy + "," + set));
    REQUIRE(r.choices.size() == 3);
    CHECK(r.choices[2].record.trackList.entry(1)->title == "B1");
    CHECK(r.choices[2].exactMatch);
    CHECK_FALSE(r.choices[1].exactMatch);
    // An exact match before a TOC match, the earliest first.
    CHECK(automaticChoice(r) == 2);
    // A release whose media all differ in length is no choice.
    CHECK(
        f.lookup(200, releases(release(credit(name("X")), "Long", "", medium(1, "y", 9)))).status ==
        MbLookupStatus::NothingFound);
}

TEST_CASE("a CD stub, and nothing found") {
    Fixture f;
    const MbLookupResult stub = f.lookup(
        200, std::string("{\"id\":\"") + kVectorId +
                 "\",\"title\":\"Demo\",\"artist\":\"Garage\",\"track-count\":6,\"tracks\":["
                 "{\"title\":\"a\",\"artist\":\"Garage\"},{\"title\":\"b\",\"artist\":\"Friend\"},"
                 "{\"title\":\"c\"},{\"title\":\"d\"},{\"title\":\"e\"},{\"title\":\"f\"}]}");
    REQUIRE(stub.choices.size() == 1);
    CHECK(stub.choices[0].menuLine == "Garage - Demo");
    CHECK(stub.choices[0].record.trackList.entry(1)->title == "a");
    CHECK(stub.choices[0].record.trackList.entry(2)->title == "Friend / b");
    for (const auto& [status, body] :
         {std::pair<int, std::string>{404, "{\"error\":\"Not Found\"}"}, {200, releases("")}}) {
        const MbLookupResult none = f.lookup(status, body);
        CHECK(none.status == MbLookupStatus::NothingFound);
        CHECK(none.addDiscUrl.rfind("http://127.0.0.1:8890/cdtoc/attach?toc=1+6+95462+", 0) == 0);
    }
}

TEST_CASE("hostile answers end in a clear error and leave the answer as it was") {
    const std::string good = releases(release(credit(name("A")), "T", "", medium(1, "i", 1)));
    const std::pair<std::string, std::string> cases[] = {
        {good + std::string(kMbAnswerMaxBytes, ' '), "too large"},
        {std::string(kMbAnswerMaxBytes / 2, '[') + std::string(kMbAnswerMaxBytes / 2, ']'),
         "nested too deeply"},
        {"{\"releases\":[" + std::string(70, '[') + std::string(70, ']') + "]}", "too deeply"},
        {"{\"releases\": [}", "not JSON"},
        {"[1]", "not a JSON object"},
        {"{\"releases\":{}}", "releases"},
        {releases(release(credit(name("A")), "T", "", medium(1, "i", 1)))
             .replace(good.find("\"title\":\"T\""), 11, "\"title\":7"),
         "releases[0].title"},
        {releases("{\"title\":\"T\",\"media\":[{\"discs\":[{\"id\":3}],\"tracks\":[]}]}"),
         "releases[0].media[0].discs[0].id"},
        {releases("{\"title\":\"T\",\"media\":[{\"tracks\":[{\"title\":null}]}]}"),
         "releases[0].media[0].tracks[0].title"},
        {"{\"title\":\"stub without tracks\",\"artist\":\"A\"}", "tracks"},
    };
    for (const auto& [body, reason] : cases) {
        CAPTURE(reason);
        MbAnswer answer;
        answer.releases.resize(1);
        std::string error;
        CHECK_FALSE(readMbAnswer(body, answer, error));
        CHECK(error.find(reason) != std::string::npos);
        CHECK(answer.releases.size() == 1);
    }
    Fixture f;
    const MbLookupResult r = f.lookup(200, "{\"releases\":[{\"title\":[]}]}");
    CHECK(r.status == MbLookupStatus::Failed);
    CHECK(r.failureText == "The answer from MusicBrainz could not be read: missing or of the "
                           "wrong type: releases[0].title");
}

TEST_CASE("pace: one request a second, a 503 asked again once after its Retry-After") {
    Fixture f;
    const std::string body = releases(release(credit(name("A")), "T", "", medium(1, kVectorId, 6)));
    f.transport.add(503, "", "2");
    CHECK(f.lookup(200, body).status == MbLookupStatus::Found);
    CHECK(f.clock.waits == std::vector<std::int64_t>{2000});
    // Right after: the next request waits out the second.
    f.clock.now += 300;
    f.lookup(200, body);
    CHECK(f.transport.askedAt.back() - f.transport.askedAt[1] == kMbRequestIntervalMs);
    // A long Retry-After is cut; a second 503 fails.
    f.clock.now += kMbRequestIntervalMs;
    f.clock.waits.clear();
    f.transport.add(503, "", "120");
    const MbLookupResult busy = f.lookup(503, "");
    CHECK(f.clock.waits == std::vector<std::int64_t>{kMbMaxRetryWaitMs});
    CHECK(busy.failureText == kMbBusyText);
    CHECK(f.transport.requests.size() == 5);
}

TEST_CASE("transport failures say why") {
    Fixture f;
    HttpResponse tls;
    tls.error = HttpError::Tls;
    tls.errorText = "The certificate authority is not trusted";
    f.transport.answers.push_back(tls);
    const MbLookupResult r = f.client.lookup(f.options, vectorDisc());
    CHECK(r.status == MbLookupStatus::Failed);
    CHECK(r.failureText == "No secure connection to MusicBrainz could be made: The certificate "
                           "authority is not trusted");
    CHECK(f.lookup(500, "").failureText == "MusicBrainz answered with HTTP status 500.");
}
