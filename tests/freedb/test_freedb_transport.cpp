#include <doctest.h>

#include "base/event_log.h"
#include "base/text_format.h"
#include "freedb/freedb_client.h"

#include "loopback_server.h"
#include "support/test_support.h"
#include "two_track_disc.h"

#include <chrono>
#include <string>
#include <vector>

using namespace rubo;
using rubo::test::httpAnswer;
using rubo::test::LoopbackServer;
using rubo::test::ServerChunk;
using rubo::test::twoTrackDisc;

namespace {

constexpr const char kHack[] = "hello=user+host+xmcd+3.0&proto=4";

// A client speaking to the loopback server, directly or as its proxy.
struct Setup {
    explicit Setup(LoopbackServer& server, bool viaProxy = false) {
        REQUIRE(server.listening());
        REQUIRE(client.initialise("RUBO", "1.20"));
        client.setCddbHack(true);
        client.setTimeoutMs(5000);
        site.port = server.port();
        if (viaProxy) {
            site.host = "freedb.example.org";
            site.port = 8880;
            client.setProxy("127.0.0.1", server.port());
        } else {
            site.host = "127.0.0.1";
        }
    }
    FreedbClient client;
    FreedbSite site;
};

long long millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

std::string capture(const char* name) {
    std::string path = rubo::test::sharedTestData(std::string("cddbp/responses/") + name);
    return path.empty() ? std::string() : rubo::test::readBytes(path);
}

std::string separator() {
#ifdef _WIN32
    return "\\";
#else
    return "/";
#endif
}

} // namespace

TEST_CASE("requests on the wire") {
    const std::string motd = httpAnswer("210 MOTD follows\r\nhello\r\n.\r\n");
    SUBCASE("direct forms") {
        {
            LoopbackServer server({{0, motd}});
            Setup s(server);
            std::string text;
            CHECK(s.client.messageOfTheDay(s.site, text) == 1);
            CHECK(server.request() ==
                  std::string("GET /~cddb/cddb.cgi?cmd=motd&") + kHack + " HTTP/1.0\r\n\r\n");
        }
        {
            LoopbackServer server({{0, httpAnswer("210 OK\r\nServer status:\r\n.\r\n")}});
            Setup s(server);
            FreedbServerStatus status;
            CHECK(s.client.serverStatus(s.site, status) == 1);
            CHECK(server.request() ==
                  std::string("GET /~cddb/cddb.cgi?cmd=stat&") + kHack + " HTTP/1.0\r\n\r\n");
        }
        {
            LoopbackServer server({{0, httpAnswer("202 No match\r\n")}});
            Setup s(server);
            std::vector<FreedbMatch> matches;
            CHECK(s.client.queryDisc(s.site, 0x0a0b0c0d, twoTrackDisc(), matches) == 0);
            CHECK(server.request() ==
                  std::string("GET /~cddb/cddb.cgi?cmd=cddb+query+0a0b0c0d+2+150+13500+360&") +
                      kHack + " HTTP/1.0\r\n\r\n");
        }
        {
            LoopbackServer server({{0, httpAnswer("401 rock 0a0b0c0d No such CD entry.\r\n")}},
                                  true);
            Setup s(server);
            s.client.setTimeoutMs(800);
            XmcdRecord record;
            CHECK(s.client.readDisc(s.site, 0x0a0b0c0d, "rock", record) == 0);
            CHECK(server.request() ==
                  std::string("GET /~cddb/cddb.cgi?cmd=cddb+read+rock+0a0b0c0d&") + kHack +
                      " HTTP/1.0\r\n\r\n");
        }
        {
            LoopbackServer server({{0, httpAnswer("210 sites\r\n.\r\n")}});
            Setup s(server);
            std::vector<FreedbSite> sites;
            CHECK(s.client.listSites(s.site, sites) == 1);
            const std::string& request = server.request();
            // Always level 5 without the hack.
            CHECK(request.rfind("GET /~cddb/cddb.cgi?cmd=sites&hello=", 0) == 0);
            CHECK(request.find("+RUBO+1.20&proto=5 HTTP/1.0\r\n\r\n") ==
                  request.size() - std::string("+RUBO+1.20&proto=5 HTTP/1.0\r\n\r\n").size());
            CHECK(request.find("Host:") == std::string::npos);
        }
    }
    SUBCASE("proxy forms") {
        {
            LoopbackServer server({{0, motd}});
            Setup s(server, true);
            std::string text;
            CHECK(s.client.messageOfTheDay(s.site, text) == 1);
            CHECK(text == "hello");
            CHECK(server.request() ==
                  std::string("GET http://freedb.example.org/~cddb/cddb.cgi?cmd=motd&") + kHack +
                      " HTTP/1.0\r\nHost: freedb.example.org\r\n\r\n");
        }
        {
            LoopbackServer server({{0, httpAnswer("210 OK\r\nServer status:\r\n.\r\n")}});
            Setup s(server, true);
            FreedbServerStatus status;
            CHECK(s.client.serverStatus(s.site, status) == 1);
            CHECK(server.request() ==
                  std::string("GET http://freedb.example.org/~cddb/cddb.cgi?cmd=stat&") + kHack +
                      " HTTP/1.0\r\nHost: freedb.example.org\r\n\r\n");
        }
        {
            LoopbackServer server({{0, httpAnswer("202 No match\r\n")}});
            Setup s(server, true);
            std::vector<FreedbMatch> matches;
            CHECK(s.client.queryDisc(s.site, 0x0a0b0c0d, twoTrackDisc(), matches) == 0);
            CHECK(server.request() ==
                  std::string("GET http://freedb.example.org/~cddb/"
                              "cddb.cgi?cmd=cddb+query+0a0b0c0d+2+150+13500+360&") +
                      kHack + " HTTP/1.0\r\nHost: freedb.example.org\r\n\r\n");
        }
        {
            LoopbackServer server({{0, httpAnswer("210 sites\r\n.\r\n")}});
            Setup s(server, true);
            std::vector<FreedbSite> sites;
            CHECK(s.client.listSites(s.site, sites) == 1);
            const std::string& request = server.request();
            CHECK(request.rfind("GET http://freedb.example.org/~cddb/cddb.cgi?cmd=sites&hello=",
                                0) == 0);
            CHECK(request.find("&proto=5 HTTP/1.0\r\nHost: freedb.example.org\r\n\r\n") !=
                  std::string::npos);
        }
    }
    SUBCASE("submit in both forms") {
        XmcdRecord record;
        record.frameOffsets = {150};
        record.discLengthSeconds = 60;
        record.submitterName = "RUBO";
        record.submitterVersion = "1.20";
        record.discId = 0x0a0b0c0d;
        record.title = "T";
        record.trackTitles = {"One"};
        record.extendedTracks = {""};
        const std::string body = buildSubmitBody(record, 4, true);
        const std::string headers = formatText("Category: misc\r\nDiscid: 0a0b0c0d\r\nUser-Email: "
                                               "me@example.org\r\nSubmit-Mode: test\r\n"
                                               "X-Cddbd-Note: n\r\nContent-Length: %d\r\n\r\n",
                                               static_cast<int>(body.size()));
        for (bool viaProxy : {false, true}) {
            CAPTURE(viaProxy);
            LoopbackServer server({{0, httpAnswer("200 OK, submission has been sent.\r\n")}});
            Setup s(server, viaProxy);
            FreedbSite submitSite(FreedbSiteRole::Submit);
            submitSite.host = s.site.host;
            submitSite.port = s.site.port;
            CHECK(s.client.submitDisc(submitSite, "", "me@example.org", record, "n", true) == 1);

            CHECK(s.client.errorText() == "200 OK, submission has been sent.\r\n");
            std::string first = viaProxy
                                    ? "POST http://freedb.example.org/~cddb/submit.cgi HTTP/1.0\r\n"
                                      "Host: freedb.example.org\r\n"
                                    : "POST /~cddb/submit.cgi HTTP/1.0\r\n";
            CHECK(server.request() == first + headers + body);
        }
    }
    SUBCASE("a refused submit keeps the server text") {
        LoopbackServer server({{0, httpAnswer("501 Invalid header: Discid.\r\n")}});
        Setup s(server);
        XmcdRecord record;
        FreedbSite submitSite(FreedbSiteRole::Submit);
        submitSite.host = s.site.host;
        submitSite.port = s.site.port;
        CHECK(s.client.submitDisc(submitSite, "rock", "a@b", record, "", false) == 0);
        CHECK(s.client.errorText() == "501 Invalid header: Discid.\r\n");
        CHECK(server.request().find("Submit-Mode: submit\r\n") != std::string::npos);
        CHECK(server.request().find("X-Cddbd-Note") == std::string::npos);
    }
}

TEST_CASE("query answers over the wire") {
    SUBCASE("200 ends the receive without the terminator") {
        LoopbackServer server({{0, httpAnswer("200 rock 12345678 Some Artist / Some Album\r\n")}});
        Setup s(server);
        std::vector<FreedbMatch> matches;
        CHECK(s.client.queryDisc(s.site, 0x12345678, twoTrackDisc(), matches) == 1);

        REQUIRE(matches.size() == 1);
        CHECK(matches[0].category == "rock");
        CHECK(matches[0].discId == 0x12345678u);
        CHECK(matches[0].artist == "Some Artist");
        CHECK(matches[0].title == "Some Album");
        CHECK(s.client.lastResponse().empty());
    }
    SUBCASE("202 ends at once with nothing matched") {
        LoopbackServer server({{0, httpAnswer("202 No match found\r\n")}});
        Setup s(server);
        std::vector<FreedbMatch> matches;
        CHECK(s.client.queryDisc(s.site, 1, twoTrackDisc(), matches) == 0);

        CHECK(s.client.errorText().empty());
        CHECK(s.client.lastResponse() == "202 No match found\r\n");
    }
    SUBCASE("another code is the error text") {
        LoopbackServer server({{0, httpAnswer("403 Database entry is corrupt\r\n")}});
        Setup s(server);
        std::vector<FreedbMatch> matches;
        CHECK(s.client.queryDisc(s.site, 1, twoTrackDisc(), matches) == 0);
        CHECK(s.client.errorText() == "403 Database entry is corrupt\r\n");
        CHECK(s.client.errorCode() == 10043);
    }
    SUBCASE("211 waits for the terminator") {
        LoopbackServer server({{0, httpAnswer("211 close matches\r\nrock 11111111 A / B\r\n")},
                               {400, "bad line\r\nmisc 22222222 C / D\r\n.\r\n"}});
        Setup s(server);
        std::vector<FreedbMatch> matches;
        CHECK(s.client.queryDisc(s.site, 1, twoTrackDisc(), matches) == 1);
        REQUIRE(matches.size() == 2);
        CHECK(matches[1].discId == 0x22222222u);
        CHECK(matches[1].title == "D");
    }
    SUBCASE("captured answers") {
        struct Case {
            const char* file;
            int result;
            std::size_t matches;
        };
        const Case cases[] = {{"cdigw_query_210_duplicates_860a9b0a.txt", 1, 4},
                              {"vgmdb_query_200_930afa0c.txt", 1, 1},
                              {"freedb.freedb.org_http_query_202_f90ec511_2011-03.txt", 0, 0}};
        for (const Case& c : cases) {
            CAPTURE(c.file);
            std::string body = capture(c.file);
            if (body.empty()) {
                MESSAGE("shared test data missing: " << c.file << " skipped");
                continue;
            }
            LoopbackServer server({{0, httpAnswer(rubo::test::withCrLf(body))}});
            Setup s(server);
            std::vector<FreedbMatch> matches;
            CHECK(s.client.queryDisc(s.site, 1, twoTrackDisc(), matches) == c.result);
            CHECK(matches.size() == c.matches);
            CHECK(s.client.errorText().empty());
            if (matches.size() == 1) {
                CHECK(matches[0].category == "Soundtrack1967");
                CHECK(matches[0].discId == 0x930afa0cu);
                CHECK(matches[0].title == "[MJCA-00012] Sonic R");
            }
        }
    }
}

TEST_CASE("transport failures") {
    SUBCASE("a silent server times out, then the code is 10043") {
        LoopbackServer server({});
        Setup s(server);
        s.client.setTimeoutMs(600);
        std::vector<FreedbMatch> matches;
        auto start = std::chrono::steady_clock::now();
        CHECK(s.client.queryDisc(s.site, 1, twoTrackDisc(), matches) == 0);
        CHECK(millisecondsSince(start) >= 600);
        CHECK(s.client.errorText() == "freedb server timed out responding to the query command");
        CHECK(s.client.errorCode() == 10043);
        CHECK(s.client.lastResponse().empty());
    }
    SUBCASE("a closed connection without the terminator also times out") {
        LoopbackServer server({{0, httpAnswer("210 rock 1 entry follows\r\n# xmcd\r\n")}}, true);
        Setup s(server);
        s.client.setTimeoutMs(700);
        XmcdRecord record;
        CHECK(s.client.readDisc(s.site, 1, "rock", record) == 0);
        CHECK(s.client.errorText() == "freedb server timed out responding to the read command");
        CHECK(s.client.errorCode() == 10043);
        CHECK(s.client.lastResponse() == httpAnswer("210 rock 1 entry follows\r\n# xmcd\r\n"));
    }
    SUBCASE("an unresolvable host") {
        FreedbClient client;
        REQUIRE(client.initialise("RUBO", "1.20"));
        FreedbSite site;
        site.host = "no-such-host.invalid";
        std::string text;
        CHECK(client.messageOfTheDay(site, text) == 0);
        CHECK(client.errorCode() == 10022);
        std::string system = client.systemErrorText();
        CHECK_FALSE(system.empty());
        CHECK(client.errorText() == formatText("Could not connect to the freedb HTTP server "
                                               "no-such-host.invalid\n(10022: %s)",
                                               system.c_str()));
#ifndef _WIN32
        CHECK(system == "Unable to resolve server");
#endif
    }
    SUBCASE("the event log gets the failed connection and the failed receive") {
        rubo::test::ScratchDir dir;
        EventLog log;
        log.setDirectory(dir.path().string() + separator());
        log.setSwitches(true, false);
        LoopbackServer server({});
        Setup s(server);
        s.client.setEventLog(log);
        s.client.setTimeoutMs(300);
        std::vector<FreedbMatch> matches;
        CHECK(s.client.queryDisc(s.site, 1, twoTrackDisc(), matches) == 0);
        s.site.host = "no-such-host.invalid";
        std::string text;
        CHECK(s.client.messageOfTheDay(s.site, text) == 0);
        CHECK(s.client.errorCode() == 10022);
        log.flush();
        std::string lines = rubo::test::readBytes(dir.path() / kEventLogName);
        CHECK(lines.find("M : freedb query: receive failed (10060)\r\n") != std::string::npos);
        CHECK(lines.find(formatText("M : freedb motd: no connection to no-such-host.invalid:%d "
                                    "(10022)\r\n",
                                    s.site.port)) != std::string::npos);
    }
    SUBCASE("a refused connection names the site, not the proxy") {
        int port = 0;
        net::startup();
        {
            net::Socket probe(net::listenLoopback(port));
            REQUIRE(probe.valid());
        }
        FreedbClient client;
        REQUIRE(client.initialise("RUBO", "1.20"));
        client.setProxy("127.0.0.1", port);
        FreedbSite site;
        site.host = "freedb.example.org";
        std::string text;
        CHECK(client.messageOfTheDay(site, text) == 0);
        CHECK(client.errorCode() == 10061);
        CHECK(client.errorText().rfind(
                  "Could not connect to the freedb HTTP server freedb.example.org\n(10061: ", 0) ==
              0);
    }
    SUBCASE("an answer over the size cap") {
        std::string big = httpAnswer("210 MOTD follows\r\n");
        big += std::string(kFreedbMaxAnswerBytes + 8192 - big.size(), 'a');
        LoopbackServer server({{0, big}});
        Setup s(server);
        // The message tells the cap from a time-out.
        s.client.setTimeoutMs(60000);
        std::string text;
        CHECK(s.client.messageOfTheDay(s.site, text) == 0);
        CHECK(s.client.errorText() ==
              "freedb server did not respond correctly to the motd command");
        CHECK(s.client.errorCode() == 10043);
        CHECK(s.client.lastResponse().size() > kFreedbMaxAnswerBytes);
        CHECK(s.client.lastResponse().size() <= kFreedbMaxAnswerBytes + 4096);
    }
}

TEST_CASE("answers that fill the buffer") {
    SUBCASE("4095 bytes in one piece grow the buffer once") {
        std::string answer = httpAnswer("210 MOTD follows\r\n");
        std::string line(4095 - answer.size() - 5, 'm');
        answer += line + "\r\n.\r\n";
        REQUIRE(answer.size() == 4095);
        LoopbackServer server({{0, answer}});
        Setup s(server);
        std::string text;
        CHECK(s.client.messageOfTheDay(s.site, text) == 1);
        CHECK(text == line);
        CHECK(s.client.lastReceiveCapacity() == 8192);
    }
    SUBCASE("an answer just under the cap in many pieces") {
        std::string answer = httpAnswer("210 MOTD follows\r\n");
        answer += std::string(200000, 'q') + "\r\n.\r\n";
        std::vector<ServerChunk> chunks;
        for (std::size_t pos = 0; pos < answer.size(); pos += 50000)
            chunks.push_back({20, answer.substr(pos, 50000)});
        LoopbackServer server(chunks);
        Setup s(server);
        std::string text;
        CHECK(s.client.messageOfTheDay(s.site, text) == 1);
        CHECK(text.size() == 200000);
        CHECK(s.client.lastReceiveCapacity() % 4096 == 0);
    }
}

TEST_CASE("other commands over the wire") {
    SUBCASE("stat with the captured answer") {
        std::string body = capture("freedb.freedb.org_http_stat_2011-03.txt");
        if (body.empty()) {
            MESSAGE("shared test data missing: stat skipped");
            return;
        }
        LoopbackServer server({{0, httpAnswer(rubo::test::withCrLf(body))}});
        Setup s(server);
        FreedbServerStatus status;
        CHECK(s.client.serverStatus(s.site, status) == 1);
        CHECK(s.client.errorText().empty());
        CHECK(status.maxUsers == 100);
        CHECK(status.categoryNames.size() == 11);
        CHECK(status.text.rfind("Server status:\r\n    current proto: 1\r\n", 0) == 0);
    }
    SUBCASE("stat with maybe still succeeds") {
        LoopbackServer server(
            {{0, httpAnswer("210 OK\r\nServer status:\r\n    gets: maybe\r\n.\r\n")}});
        Setup s(server);
        FreedbServerStatus status;
        CHECK(s.client.serverStatus(s.site, status) == 1);
        CHECK(s.client.errorText() ==
              "freedb server failed to return a valid gets response to the stat command");
        CHECK(s.client.errorCode() == 10043);
    }
    SUBCASE("sites keeps the lines that parse") {
        LoopbackServer server({{0, httpAnswer("210 OK, site information follows\r\n"
                                              "192.0.2.1 http 80 /~cddb/cddb.cgi N037.23 "
                                              "W122.01 Test site\r\n"
                                              "192.0.2.2 cddbp 888 - N037.23 W122.01 Other\r\n"
                                              "garbage\r\n.\r\n")}});
        Setup s(server);
        std::vector<FreedbSite> sites(3);
        CHECK(s.client.listSites(s.site, sites) == 1);
        REQUIRE(sites.size() == 1);
        CHECK(sites[0].host == "192.0.2.1");
        CHECK(sites[0].longitude == 7321);
    }
    SUBCASE("a proxy error page is the error text") {
        LoopbackServer server({{0, "HTTP/1.0 403 Forbidden\r\n\r\n<html>denied</html>\r\n.\r\n"}});
        Setup s(server);
        std::vector<FreedbSite> sites;
        CHECK(s.client.listSites(s.site, sites) == 0);
        CHECK(s.client.errorText() == "<html>denied</html>");
        CHECK(s.client.errorCode() == 10043);
    }
    SUBCASE("motd without lines") {
        LoopbackServer server({{0, httpAnswer("210 MOTD\r\n.\r\n")}});
        Setup s(server);
        std::string text = "old";
        CHECK(s.client.messageOfTheDay(s.site, text) == 0);
    }
    SUBCASE("read with the captured record and a different disc id") {
        std::string body = capture("freedb_read_210_folk_8309a80a.txt");
        if (body.empty()) {
            MESSAGE("shared test data missing: read skipped");
            return;
        }
        for (DiscId asked : {0x8309a80au, 0x8309a80bu}) {
            CAPTURE(asked);
            LoopbackServer server({{0, httpAnswer(rubo::test::withCrLf(body))}});
            Setup s(server);
            s.client.setCddbHack(false);
            s.client.setProtocolLevel(5);
            XmcdRecord record;
            CHECK(s.client.readDisc(s.site, asked, "folk", record) == 1);
            CHECK(record.discId == asked);
            CHECK(record.year == 2004);
            CHECK(record.artist == "Loreena McKennitt");
            CHECK(s.client.lastResponse().empty());
            if (asked == 0x8309a80au)
                CHECK(s.client.errorText().empty());
            else
                CHECK(s.client.errorText() ==
                      "Returned DiscID from freedb read (8309a80a) is different than the "
                      "computed value (8309a80b), using the computed value");
        }
    }
    SUBCASE("read of a malformed record") {
        LoopbackServer server({{0, httpAnswer("210 rock 1 follows\r\nDTITLE=x\r\n.\r\n")}});
        Setup s(server);
        XmcdRecord record;
        CHECK(s.client.readDisc(s.site, 1, "rock", record) == 0);
        CHECK(s.client.errorText() == "freedb server failed to return a valid xmcd record");
        CHECK(s.client.errorCode() == 10043);
    }
}

TEST_CASE("per-command log files") {
    rubo::test::ScratchDir dir;
    const std::string answer = httpAnswer("211 close\r\nrock 11111111 A / B\r\n.\r\n");
    std::string firstRequest;
    {
        LoopbackServer server({{0, answer}});
        Setup s(server);
        s.client.setLogDirectory(dir.path().string() + separator());
        s.client.setLogEnabled(true);
        std::vector<FreedbMatch> matches;
        CHECK(s.client.queryDisc(s.site, 1, twoTrackDisc(), matches) == 1);
        firstRequest = server.request();
        CHECK(rubo::test::readBytes(dir.file("query.log")) ==
              firstRequest + httpAnswer("211 close\r\nrock 11111111 A / B"));
    }
    SUBCASE("the next query replaces the log") {
        LoopbackServer server({{0, httpAnswer("202 No match\r\n")}});
        Setup s(server);
        s.client.setLogDirectory(dir.path().string() + separator());
        s.client.setLogEnabled(true);
        std::vector<FreedbMatch> matches;
        CHECK(s.client.queryDisc(s.site, 2, twoTrackDisc(), matches) == 0);
        CHECK(rubo::test::readBytes(dir.file("query.log")) ==
              server.request() + httpAnswer("202 No match\r\n"));
    }
    SUBCASE("no log while switched off") {
        LoopbackServer server({{0, httpAnswer("210 MOTD\r\nx\r\n.\r\n")}});
        Setup s(server);
        s.client.setLogDirectory(dir.path().string() + separator());
        std::string text;
        CHECK(s.client.messageOfTheDay(s.site, text) == 1);
        CHECK_FALSE(std::filesystem::exists(dir.file("motd.log")));
    }
    SUBCASE("a failed connect leaves the request in the log") {
        FreedbClient client;
        REQUIRE(client.initialise("RUBO", "1.20"));
        client.setLogDirectory(dir.path().string() + separator());
        client.setLogEnabled(true);
        client.setCddbHack(true);
        FreedbSite site;
        site.host = "no-such-host.invalid";
        std::string text;
        CHECK(client.messageOfTheDay(site, text) == 0);
        CHECK(rubo::test::readBytes(dir.file("motd.log")) ==
              std::string("GET /~cddb/cddb.cgi?cmd=motd&") + kHack + " HTTP/1.0\r\n\r\n");
    }
}
