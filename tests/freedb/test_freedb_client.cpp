#include <doctest.h>

#include "freedb/freedb_client.h"

#include "support/test_support.h"
#include "two_track_disc.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace rubo;
using rubo::test::twoTrackDisc;

namespace {

// Feeds a whole text through a buffer in pieces of at most `piece` bytes,
// the way the receive loop does; returns the last step.
ResponseBuffer::Step feed(ResponseBuffer& buffer, const std::string& text, std::size_t piece) {
    std::size_t pos = 0;
    ResponseBuffer::Step step = ResponseBuffer::Step::More;
    while (step == ResponseBuffer::Step::More) {
        std::size_t n = std::min<std::size_t>(
            {static_cast<std::size_t>(buffer.room()), piece, text.size() - pos});
        std::copy(text.data() + pos, text.data() + pos + n, buffer.writePosition());
        pos += n;
        step = buffer.accept(static_cast<int>(n));
        if (pos == text.size() && step == ResponseBuffer::Step::More && buffer.room() > 0)
            break;
    }
    return step;
}

} // namespace

TEST_CASE("socket error texts") {
    SUBCASE("known numbers") {
        CHECK(socketErrorText(0) == "no error (0)");
        CHECK(socketErrorText(10022) == "Unable to resolve server");
        CHECK(socketErrorText(10043) == "Protocol not supported");
        CHECK(socketErrorText(10060) == "Connection timed out");
        CHECK(socketErrorText(10061) == "Connection refused");
        CHECK(socketErrorText(10065) == "No Route to Host");
        CHECK(socketErrorText(10101) == "WSAEDISCON");
        CHECK(socketErrorText(11004) == "Valid name, no data record of requested type.");
    }
    SUBCASE("numbers outside the table") {
        CHECK(socketErrorText(10001) == "unknown WSA error");
        CHECK(socketErrorText(-1) == "unknown WSA error");
        CHECK(socketErrorText(10072) == "unknown WSA error");
    }
}

TEST_CASE("the greeting") {
    SUBCASE("blanks become underscores") {
        CHECK(formatHello("media user", "pc 1", "RUBO", "1.20", 4, false) ==
              "hello=media_user+pc_1+RUBO+1.20&proto=4");
    }
    SUBCASE("the CDDB hack ignores names and level") {
        CHECK(formatHello("media user", "pc 1", "RUBO", "1.20", 6, true) ==
              "hello=user+host+xmcd+3.0&proto=4");
    }
    SUBCASE("empty names stay empty") {
        CHECK(formatHello("", "", "RUBO", "1.20", 5, false) == "hello=++RUBO+1.20&proto=5");
    }
    SUBCASE("the client uses its own settings") {
        FreedbClient client;
        client.setCddbHack(true);
        client.setProtocolLevel(6);
        CHECK(client.buildHello() == "hello=user+host+xmcd+3.0&proto=4");
        client.setCddbHack(false);
        REQUIRE(client.initialise("R U", "1.20"));
        std::string hello = client.buildHello();
        CHECK(hello.find("+R_U+1.20&proto=6") != std::string::npos);
        CHECK(hello.find(' ') == std::string::npos);
    }
}

TEST_CASE("site and client defaults") {
    SUBCASE("site roles") {
        FreedbSite command;
        CHECK(command.path == "/~cddb/cddb.cgi");
        CHECK(command.port == 80);
        CHECK(command.north == 1);
        CHECK(command.east == 1);
        CHECK(command.latitude == 0);
        CHECK(FreedbSite(FreedbSiteRole::Submit).path == "/~cddb/submit.cgi");
    }
    SUBCASE("client") {
        FreedbClient client;
        CHECK(client.timeoutMs() == 20000);
        CHECK(client.protocolLevel() == 4);
        CHECK_FALSE(client.cddbHack());
        CHECK_FALSE(client.logEnabled());
        CHECK_FALSE(client.socketsStarted());
        CHECK(client.errorText().empty());
        CHECK(client.lastResponse().empty());
        REQUIRE(client.initialise("RUBO", "1.20"));
        CHECK(client.socketsStarted());
        CHECK(client.clientName() == "RUBO");
        REQUIRE(client.initialise("X", "2"));
        CHECK(client.clientVersion() == "2");
    }
}

TEST_CASE("request texts") {
    FreedbSite site;
    site.host = "freedb.example.org";
    site.port = 8880;
    const std::string hello = "hello=u+h+RUBO+1.20&proto=5";
    SUBCASE("direct form has no Host header") {
        CHECK(buildGetRequest(site, "", "sites", hello) ==
              "GET /~cddb/cddb.cgi?cmd=sites&hello=u+h+RUBO+1.20&proto=5 HTTP/1.0\r\n\r\n");
        CHECK(buildGetRequest(site, "", "cddb+read+rock+0a0b0c0d", hello) ==
              "GET /~cddb/cddb.cgi?cmd=cddb+read+rock+0a0b0c0d&hello=u+h+RUBO+1.20&proto=5 "
              "HTTP/1.0\r\n\r\n");
        CHECK(buildPostLine(FreedbSite(FreedbSiteRole::Submit), "") ==
              "POST /~cddb/submit.cgi HTTP/1.0\r\n");
    }
    SUBCASE("proxy form names host and path, no port") {
        CHECK(buildGetRequest(site, "proxy.local", "motd", hello) ==
              "GET http://freedb.example.org/~cddb/cddb.cgi?cmd=motd&hello=u+h+RUBO+1.20&proto=5 "
              "HTTP/1.0\r\nHost: freedb.example.org\r\n\r\n");
        FreedbSite submit(FreedbSiteRole::Submit);
        submit.host = "freedb.example.org";
        CHECK(buildPostLine(submit, "proxy.local") ==
              "POST http://freedb.example.org/~cddb/submit.cgi HTTP/1.0\r\nHost: "
              "freedb.example.org\r\n");
    }
    SUBCASE("percent signs in site text are copied") {
        site.path = "/%s%d";
        CHECK(buildGetRequest(site, "", "stat", "hello=%n") ==
              "GET /%s%d?cmd=stat&hello=%n HTTP/1.0\r\n\r\n");
    }
    SUBCASE("query arguments") {
        CHECK(queryArguments(0x0a0b0c0d, twoTrackDisc()) == "0a0b0c0d+2+150+13500+360");
        TrackList empty;
        CHECK(queryArguments(0xFFFFFFFFu, empty) == "ffffffff+0++0");
    }
}

TEST_CASE("response framing") {
    SUBCASE("codes") {
        CHECK(freedbResponseCode("210 OK") == 210);
        CHECK(freedbResponseCode("20") == -1);
        CHECK(freedbResponseCode("") == -1);
        CHECK(freedbResponseCode("<ht") == -1);
    }
    SUBCASE("body after the first header end") {
        CHECK(httpBody("HTTP/1.0 200 OK\r\n\r\n202 No\r\n\r\nx") == "202 No\r\n\r\nx");
        CHECK(httpBody("202 bare") == "202 bare");
    }
    SUBCASE("lines after the status line") {
        std::vector<std::string> lines = answerLines("210 ok\r\na b\r\n\r\nc");
        REQUIRE(lines.size() == 3);
        CHECK(lines[0] == "a b");
        CHECK(lines[1] == "");
        CHECK(lines[2] == "c");
        lines = answerLines("210 ok\nx\ny\n");
        REQUIRE(lines.size() == 2);
        CHECK(lines[1] == "y");
        CHECK(answerLines("210 only").empty());
        CHECK(textAfterStatusLine("211 m\r\nrest\r\nmore") == "rest\r\nmore");
    }
}

TEST_CASE("sites lines") {
    FreedbSite site;
    SUBCASE("the seven fields") {
        REQUIRE(parseSiteLine("192.0.2.1 http 80 /~cddb/cddb.cgi N037.23 W122.01 Test site", site));
        CHECK(site.host == "192.0.2.1");
        CHECK(site.port == 80);
        CHECK(site.path == "/~cddb/cddb.cgi");
        CHECK(site.north == 1);
        CHECK(site.latitude == 2243);
        CHECK(site.east == 0);
        CHECK(site.longitude == 7321);
        CHECK(site.description == "Test site");
    }
    SUBCASE("several blanks, any case of http, south and east") {
        REQUIRE(parseSiteLine("h  HTTP  8080   /p  S001.02  E003.04   Far  away", site));
        CHECK(site.port == 8080);
        CHECK(site.path == "/p");
        CHECK(site.north == 0);
        CHECK(site.latitude == 62);
        CHECK(site.east == 1);
        CHECK(site.longitude == 184);
        CHECK(site.description == "Far  away");
    }
    SUBCASE("malformed lines are refused and leave the site alone") {
        site.host = "kept";
        const char* bad[] = {
            "192.0.2.1 cddbp 888 - N037.23 W122.01 Test site",
            "192.0.2.1 http 80 /~cddb/cddb.cgi N037.23 W122.01",
            "192.0.2.1 http 80 /~cddb/cddb.cgi N037.23 W122.01 ",
            "192.0.2.1 http 80 /~cddb/cddb.cgi N37.23 W122.01 Test",
            "192.0.2.1 http 80 /~cddb/cddb.cgi X037.23 W122.01 Test",
            "192.0.2.1 http 80 /~cddb/cddb.cgi N037.23 N122.01 Test",
            "192.0.2.1 http eighty /~cddb/cddb.cgi N037.23 W122.01 Test",
            "192.0.2.1 http 99999 /p N037.23 W122.01 Test",
            "192.0.2.1 http 80",
            "192.0.2.1",
            "",
            " http 80 /p N037.23 W122.01 Test",
            "h http 80 /p Nabc.de W122.01 Test",
        };
        for (const char* line : bad) {
            CAPTURE(line);
            CHECK_FALSE(parseSiteLine(line, site));
        }
        CHECK(site.host == "kept");
    }
}

TEST_CASE("query match lines") {
    FreedbMatch match;
    SUBCASE("artist and title") {
        REQUIRE(parseMatchLine("rock 12345678 Some Artist / Some Album", match));
        CHECK(match.category == "rock");
        CHECK(match.discId == 0x12345678u);
        CHECK(match.artist == "Some Artist");
        CHECK(match.title == "Some Album");
    }
    SUBCASE("title only") {
        REQUIRE(parseMatchLine("misc 0a0b0c0d Only A Title", match));
        CHECK(match.artist.empty());
        CHECK(match.title == "Only A Title");
        CHECK(match.discId == 0x0a0b0c0du);
    }
    SUBCASE("cut at the line end; first slash splits") {
        REQUIRE(parseMatchLine("jazz  FFFFFFFF   A / B / C\r\nnext line", match));
        CHECK(match.discId == 0xFFFFFFFFu);
        CHECK(match.artist == "A");
        CHECK(match.title == "B / C");
        REQUIRE(parseMatchLine("jazz 1 X/Y\nz", match));
        CHECK(match.title == "Y");
    }
    SUBCASE("malformed lines are refused") {
        const char* bad[] = {"",
                             "rock",
                             "rock 12345678",
                             "rock 12345678 ",
                             "rock xyz Some / Thing",
                             "rock 123456789 Too / Long",
                             " 12345678 No / Category",
                             "."};
        for (const char* line : bad) {
            CAPTURE(line);
            CHECK_FALSE(parseMatchLine(line, match));
        }
    }
}

TEST_CASE("stat block") {
    FreedbServerStatus status;
    SUBCASE("captured answer") {
        std::string path =
            rubo::test::sharedTestData("cddbp/responses/freedb.freedb.org_http_stat_2011-03.txt");
        if (path.empty()) {
            MESSAGE("shared test data missing: captured stat answer skipped");
            return;
        }
        std::string body = rubo::test::readBytes(path);
        std::string message = parseStatusLines(answerLines(body), status);
        CHECK(message.empty());
        CHECK(status.currentProto == 1);
        CHECK(status.maxProto == 6);
        CHECK(status.gets == 0);
        CHECK(status.quotes == 0);
        CHECK(status.currentUsers == 62);
        CHECK(status.maxUsers == 100);
        CHECK(status.databaseEntries == 3029795);
        REQUIRE(status.categoryNames.size() == 11);
        REQUIRE(status.categoryCounts.size() == 11);
        CHECK(status.categoryNames[0] == "data");
        CHECK(status.categoryCounts[0] == 66362);
        CHECK(status.categoryNames[10] == "soundtrack");
        CHECK(status.categoryCounts[10] == 121834);
    }
    SUBCASE("yes values, lists and a line after a list") {
        std::vector<std::string> lines = {"Server status:",
                                          "    gets: yes",
                                          "    posting: yes",
                                          "Pending File transmissions:",
                                          "    host.one: 3",
                                          "    bad",
                                          "Database entries by category:",
                                          "    rock: 7",
                                          "strip ext: yes",
                                          "max users: 9"};
        CHECK(parseStatusLines(lines, status).empty());
        CHECK(status.gets == 1);
        CHECK(status.posting == 1);
        CHECK(status.stripExt == 1);
        CHECK(status.maxUsers == 9);
        REQUIRE(status.pendingNames.size() == 1);
        CHECK(status.pendingNames[0] == "host.one");
        CHECK(status.pendingCounts[0] == 3);
        REQUIRE(status.categoryNames.size() == 1);
        CHECK(status.categoryCounts[0] == 7);
    }
    SUBCASE("maybe stops the parse with the key's message") {
        std::vector<std::string> lines = {"Server status:", "    current proto: 5",
                                          "    gets: maybe", "    max proto: 6"};
        CHECK(parseStatusLines(lines, status) ==
              "freedb server failed to return a valid gets response to the stat command");
        CHECK(status.currentProto == 5);
        CHECK(status.maxProto == 0);
        lines[2] = "    strip ext: perhaps";
        CHECK(parseStatusLines(lines, status) == "freedb server failed to return a valid strip "
                                                 "extended response to the stat command");
    }
    SUBCASE("a line that is not key: value ends the parse") {
        std::vector<std::string> lines = {"Server status:", "no colon here", "    max users: 4"};
        CHECK(parseStatusLines(lines, status).empty());
        CHECK(status.maxUsers == 0);
        lines[1] = "empty value:";
        CHECK(parseStatusLines(lines, status).empty());
        CHECK(status.maxUsers == 0);
    }
}

TEST_CASE("response buffer") {
    SUBCASE("a 4095-byte answer grows the buffer once more") {
        std::string answer = "HTTP/1.0 200 OK\r\n\r\n210 x\r\n";
        answer += std::string(4095 - answer.size() - 5, 'a') + "\r\n.\r\n";
        REQUIRE(answer.size() == 4095);
        ResponseBuffer buffer(kFreedbTerminator, 4096, ReceiveMultiLine);
        CHECK(buffer.room() == 0);
        CHECK(buffer.accept(0) == ResponseBuffer::Step::More);
        CHECK(buffer.capacity() == 4096);
        REQUIRE(buffer.room() == 4095);
        CHECK(feed(buffer, answer, 4095) == ResponseBuffer::Step::Done);
        CHECK(buffer.capacity() == 8192);
        CHECK(buffer.found());
        CHECK(buffer.finish() == answer.substr(0, answer.size() - 5));
    }
    SUBCASE("small pieces and a terminator split across them") {
        std::string answer = "HTTP/1.0 200 OK\r\n\r\n210 x\r\nline\r\n.\r\n";
        ResponseBuffer buffer(kFreedbTerminator, 8, ReceiveMultiLine);
        CHECK(feed(buffer, answer, 3) == ResponseBuffer::Step::Done);
        CHECK(buffer.finish() == "HTTP/1.0 200 OK\r\n\r\n210 x\r\nline");
        CHECK(buffer.capacity() % 8 == 0);
    }
    SUBCASE("query mode stops on a single-line code") {
        ResponseBuffer buffer(kFreedbTerminator, 4096, ReceiveQuery);
        buffer.accept(0);
        CHECK(feed(buffer, "HTTP/1.0 200 OK\r\n\r\n200 rock 1 A / B\r\n", 4096) ==
              ResponseBuffer::Step::Done);
        CHECK_FALSE(buffer.found());
        CHECK(buffer.finish() == "HTTP/1.0 200 OK\r\n\r\n200 rock 1 A / B\r\n");
    }
    SUBCASE("query mode waits on 211 and for the three code characters") {
        ResponseBuffer buffer(kFreedbTerminator, 4096, ReceiveQuery);
        buffer.accept(0);
        CHECK(feed(buffer, "HTTP/1.0 200 OK\r\n\r\n2", 4096) == ResponseBuffer::Step::More);
        CHECK(feed(buffer, "11 close\r\nrock 1 A\r\n", 4096) == ResponseBuffer::Step::More);
        CHECK(feed(buffer, ".\r\n", 4096) == ResponseBuffer::Step::Done);
        CHECK(buffer.finish() == "HTTP/1.0 200 OK\r\n\r\n211 close\r\nrock 1 A");
    }
    SUBCASE("submit mode stops, read mode does not") {
        ResponseBuffer submit(kFreedbTerminator, 4096, ReceiveSubmit);
        submit.accept(0);
        CHECK(feed(submit, "H\r\n\r\n200 OK\r\n", 4096) == ResponseBuffer::Step::Done);
        ResponseBuffer read(kFreedbTerminator, 4096, ReceiveMultiLine);
        read.accept(0);
        CHECK(feed(read, "H\r\n\r\n200 OK\r\n", 4096) == ResponseBuffer::Step::More);
    }
    SUBCASE("a size cap") {
        ResponseBuffer buffer(kFreedbTerminator, 16, ReceiveMultiLine, 40);
        buffer.accept(0);
        CHECK(feed(buffer, std::string(40, 'x'), 15) == ResponseBuffer::Step::More);
        CHECK(feed(buffer, "y", 15) == ResponseBuffer::Step::TooLarge);
        CHECK(buffer.used() == 41);
    }
}
