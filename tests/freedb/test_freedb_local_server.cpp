// The freedb client against the local freedb server running as a separate
// process (scripts/with-freedb-server). Skipped when no server is given.
#include <doctest.h>

#include "base/text_format.h"
#include "discinfo/disc_model.h"
#include "freedb/freedb_client.h"
#include "freedb/socket_layer.h"
#include "freedb/xmcd_record.h"
#include "local_server.h"
#include "support/test_support.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace rubo;

using namespace rubo::test;

namespace {

void prepare(FreedbClient& client) {
    client.initialise("RUBO", "1.20");
    client.setProtocolLevel(5);
}

FreedbSite commandSite(const ServerAddress& address) {
    FreedbSite site(FreedbSiteRole::Command);
    site.host = address.host;
    site.port = address.port;
    return site;
}

TrackList tocOf(const XmcdRecord& record) {
    TrackList list;
    int n = static_cast<int>(record.frameOffsets.size());
    for (int k = 1; k <= n; ++k) {
        TrackEntry entry;
        entry.number = k;
        entry.start = framesToMsf(record.frameOffsets[static_cast<std::size_t>(k - 1)]);
        entry.audio = 1;
        list.store(k, entry);
    }
    list.trackCount = n;
    list.leadOut = record.discLengthSeconds * kFramesPerSecond;
    return list;
}

struct KnownDisc {
    const char* category;
    DiscId id;
    int tracks;
};

const KnownDisc kDiscs[] = {{"rock", 0x72083009, 9}, {"rock", 0x62073f07, 7},
                            {"misc", 0x62073f07, 7}, {"jazz", 0x490a8106, 6},
                            {"folk", 0x4b06a306, 6}, {"classical", 0x47093407, 7}};

} // namespace

TEST_CASE("local server: sites, stat and the message of the day") {
    REQUIRE_LOCAL_SERVER(address);
    FreedbClient client;
    prepare(client);
    const FreedbSite site = commandSite(address);

    std::vector<FreedbSite> sites;
    REQUIRE_MESSAGE(client.listSites(site, sites) == 1, client.errorText());
    REQUIRE_FALSE(sites.empty());
    for (const FreedbSite& s : sites) {
        CHECK(s.port > 0);
        CHECK_FALSE(s.host.empty());
    }

    FreedbServerStatus status;
    REQUIRE_MESSAGE(client.serverStatus(site, status) == 1, client.errorText());
    CHECK(status.maxProto >= 5);
    CHECK(status.databaseEntries > 0);

    std::string motd;
    REQUIRE_MESSAGE(client.messageOfTheDay(site, motd) == 1, client.errorText());
    CHECK(motd.find("RUBO") != std::string::npos);
}

TEST_CASE("local server: every disc is read, its id recomputed and found by a query") {
    REQUIRE_LOCAL_SERVER(address);
    FreedbClient client;
    prepare(client);
    const FreedbSite site = commandSite(address);
    for (const KnownDisc& disc : kDiscs) {
        CAPTURE(disc.category);
        CAPTURE(disc.id);
        XmcdRecord record;
        REQUIRE_MESSAGE(client.readDisc(site, disc.id, disc.category, record) == 1,
                        client.errorText());
        CHECK(record.discId == disc.id);
        CHECK(static_cast<int>(record.trackTitles.size()) == disc.tracks);
        TrackList toc = tocOf(record);
        CHECK(computeDiscId(toc) == disc.id);

        std::vector<FreedbMatch> matches;
        REQUIRE_MESSAGE(client.queryDisc(site, disc.id, toc, matches) == 1, client.errorText());
        bool found = false;
        for (const FreedbMatch& m : matches)
            found = found || (m.category == disc.category && m.discId == disc.id);
        CHECK(found);
    }

    SUBCASE("one id in two categories gives both") {
        XmcdRecord record;
        REQUIRE(client.readDisc(site, 0x62073f07, "rock", record) == 1);
        std::vector<FreedbMatch> matches;
        REQUIRE(client.queryDisc(site, 0x62073f07, tocOf(record), matches) == 1);
        CHECK(matches.size() == 2);
    }
    SUBCASE("a title over two lines arrives joined") {
        XmcdRecord record;
        REQUIRE(client.readDisc(site, 0x490a8106, "jazz", record) == 1);
        CHECK(record.trackTitles[2].size() > 60);
    }
}

TEST_CASE("local server: near and unknown discs, unknown entries") {
    REQUIRE_LOCAL_SERVER(address);
    FreedbClient client;
    prepare(client);
    const FreedbSite site = commandSite(address);
    XmcdRecord record;
    REQUIRE(client.readDisc(site, 0x47093407, "classical", record) == 1);

    TrackList near = tocOf(record);
    near.leadOut += kFramesPerSecond; // one second longer: an inexact match
    std::vector<FreedbMatch> matches;
    REQUIRE_MESSAGE(client.queryDisc(site, computeDiscId(near), near, matches) == 1,
                    client.errorText());
    REQUIRE(matches.size() >= 1);
    CHECK(matches[0].discId == 0x47093407u);

    TrackList unknown;
    for (int k = 1; k <= 3; ++k) {
        TrackEntry entry;
        entry.number = k;
        entry.start = framesToMsf(150 + (k - 1) * 20000);
        unknown.store(k, entry);
    }
    unknown.trackCount = 3;
    unknown.leadOut = 150 + 3 * 20000;
    CHECK(client.queryDisc(site, computeDiscId(unknown), unknown, matches) == 0);
    CHECK(matches.empty());

    // A read waits for the end-of-data line, which a one-line refusal lacks:
    // it ends by the time-out, with the refusal kept as the last response.
    client.setTimeoutMs(1000);
    CHECK(client.readDisc(site, 0x0102030a, "rock", record) == 0);
    CHECK(client.errorText() == "freedb server timed out responding to the read command");
    CHECK(client.lastResponse().find("401 ") != std::string::npos);
}

TEST_CASE("local server: test and real submits, and a refused one") {
    REQUIRE_LOCAL_SERVER(address);
    FreedbClient client;
    prepare(client);
    const FreedbSite site = commandSite(address);
    FreedbSite submitSite(FreedbSiteRole::Submit);
    submitSite.host = address.host;
    submitSite.port = address.port;

    XmcdRecord record;
    REQUIRE(client.readDisc(site, 0x72083009, "rock", record) == 1);
    CHECK_MESSAGE(client.submitDisc(submitSite, "rock", "tester@example.org", record, "", true) ==
                      1,
                  client.errorText());

    // A new disc: one more second on the last track gives another id.
    XmcdRecord added = record;
    added.discLengthSeconds += 1;
    added.revision = 0;
    added.artist = "Submitted Artist";
    TrackList toc = tocOf(added);
    added.discId = computeDiscId(toc);
    REQUIRE(added.discId != record.discId);
    REQUIRE_MESSAGE(client.submitDisc(submitSite, "blues", "tester@example.org", added,
                                      "first entry", false) == 1,
                    client.errorText());
    XmcdRecord back;
    REQUIRE_MESSAGE(client.readDisc(site, added.discId, "blues", back) == 1, client.errorText());
    CHECK(back.artist == "Submitted Artist");
    CHECK(back.trackTitles == added.trackTitles);

    XmcdRecord wrongId = record;
    wrongId.discId ^= 0x00010000u;
    CHECK(client.submitDisc(submitSite, "rock", "tester@example.org", wrongId, "", true) == 0);
    CHECK_FALSE(client.errorText().empty());
}

TEST_CASE("local server: every command through the proxy") {
    REQUIRE_LOCAL_SERVER(address);
    FreedbClient client;
    prepare(client);
    client.setProxy(address.host, address.port);
    FreedbSite site(FreedbSiteRole::Command);
    site.host = "freedb.invalid"; // only the proxy needs to resolve
    site.port = 80;

    std::vector<FreedbSite> sites;
    CHECK_MESSAGE(client.listSites(site, sites) == 1, client.errorText());
    FreedbServerStatus status;
    CHECK_MESSAGE(client.serverStatus(site, status) == 1, client.errorText());
    std::string motd;
    CHECK_MESSAGE(client.messageOfTheDay(site, motd) == 1, client.errorText());
    XmcdRecord record;
    REQUIRE_MESSAGE(client.readDisc(site, 0x72083009, "rock", record) == 1, client.errorText());
    std::vector<FreedbMatch> matches;
    CHECK_MESSAGE(client.queryDisc(site, 0x72083009, tocOf(record), matches) == 1,
                  client.errorText());
    FreedbSite submitSite(FreedbSiteRole::Submit);
    submitSite.host = site.host;
    CHECK_MESSAGE(client.submitDisc(submitSite, "rock", "tester@example.org", record, "", true) ==
                      1,
                  client.errorText());
}

TEST_CASE("local server: fault injection") {
    REQUIRE_LOCAL_SERVER(address);
    FreedbClient client;
    prepare(client);
    client.setTimeoutMs(1500);
    const FreedbSite site = commandSite(address);
    XmcdRecord record;
    REQUIRE(client.readDisc(site, 0x72083009, "rock", record) == 1);
    const TrackList toc = tocOf(record);
    std::vector<FreedbMatch> matches;

    SUBCASE("a slow answer within the time-out arrives") {
        FaultSwitch fault(address, "delay=0.5");
        CHECK_MESSAGE(client.queryDisc(site, 0x72083009, toc, matches) == 1, client.errorText());
    }
    SUBCASE("a silent server times out") {
        FaultSwitch fault(address, "silent=1");
        CHECK(client.queryDisc(site, 0x72083009, toc, matches) == 0);
        CHECK(client.errorText() == "freedb server timed out responding to the query command");
        CHECK(client.errorCode() == net::kErrorProtocol);
    }
    SUBCASE("an answer that stops after its status line") {
        FaultSwitch fault(address, "close_after_status=1");
        XmcdRecord cut;
        CHECK(client.readDisc(site, 0x72083009, "rock", cut) == 0);
        CHECK(client.errorText() == "freedb server timed out responding to the read command");
        CHECK(client.errorCode() == net::kErrorProtocol);
        CHECK(client.lastResponse().find("210") != std::string::npos);
    }
    SUBCASE("an answer in tiny chunks") {
        FaultSwitch fault(address, "chunk_size=7&chunk_delay=2");
        XmcdRecord chunked;
        REQUIRE_MESSAGE(client.readDisc(site, 0x72083009, "rock", chunked) == 1,
                        client.errorText());
        CHECK(chunked == record);
    }
    SUBCASE("an answer above the size limit") {
        FaultSwitch fault(address, formatText("huge_answer=%u", 17u * 1024u * 1024u));
        client.setTimeoutMs(10000);
        CHECK(client.queryDisc(site, 0x72083009, toc, matches) == 0);
        CHECK(client.errorText() == "freedb server did not respond correctly to the query command");
        CHECK(client.errorCode() == net::kErrorProtocol);
    }
    SUBCASE("a web server's error page") {
        FaultSwitch fault(address, "html_error=1");
        CHECK(client.queryDisc(site, 0x72083009, toc, matches) == 0);
        CHECK(client.errorCode() == net::kErrorProtocol);
        CHECK(client.errorText().find("<html") != std::string::npos);
    }
    SUBCASE("a wrong freedb code") {
        FaultSwitch fault(address, "wrong_code=409");
        CHECK(client.queryDisc(site, 0x72083009, toc, matches) == 0);
        CHECK_MESSAGE(client.errorText().rfind("409", 0) == 0, client.errorText());
        CHECK(client.errorCode() == net::kErrorProtocol);
    }
}
