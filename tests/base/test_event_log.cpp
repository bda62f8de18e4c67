#include <doctest.h>

#include "base/event_log.h"
#include "base/message_box.h"
#include "support/test_support.h"

#include <filesystem>
#include <thread>
#include <vector>

using namespace rubo;
using rubo::test::readBytes;
using rubo::test::ScratchDir;

namespace {

// A log in a scratch directory with a clock the test moves.
struct LogFixture {
    ScratchDir dir;
    EventLog log;
    std::time_t now = 1700000000;
    LogFixture() {
        log.setDirectory(dir.path().string() + "/");
        log.setSwitches(true, false);
        log.setClock([this] { return now; });
    }
    std::string eventFile() { return readBytes(dir.path() / kEventLogName); }
};

std::vector<std::string> splitCrlf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        REQUIRE(end != std::string::npos);
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

} // namespace

TEST_CASE("event lines: format, site numbers, drive and blank lines between seconds") {
    LogFixture f;
    const std::string stamp = eventTimestamp(f.now);
    const std::string later = eventTimestamp(f.now + 1);
    REQUIRE(stamp.size() >= 19);
    CHECK(stamp.substr(4, 1) == "-");
    CHECK(stamp.substr(10, 2) == "  ");

    f.log.addEvent(0, "");
    f.log.addEvent(7, "M : Button PLAY");
    f.log.setActiveDrive('D');
    f.log.addEvent(123456, " T: same second");
    f.now += 1;
    f.log.addEvent(0, "site zero, new second");
    f.log.addEvent(12, "  : after a site-zero line");
    f.now += 1;
    f.log.addEvent(13, "M : third second");
    f.log.flush();

    std::vector<std::string> lines = splitCrlf(f.eventFile());
    REQUIRE(lines.size() == 7);
    CHECK(lines[0] == "");
    CHECK(lines[1] == "[" + stamp + "] 00007 () M : Button PLAY");
    CHECK(lines[2] == "[" + stamp + "] 123456 (D:)  T: same second");
    // Site-zero lines never get a blank line but update the remembered time.
    CHECK(lines[3] == "site zero, new second");
    CHECK(lines[4] == "[" + later + "] 00012 (D:)   : after a site-zero line");
    CHECK(lines[5] == "");
    CHECK(lines[6].find("] 00013 (D:) M : third second") != std::string::npos);
}

TEST_CASE("message texts are cut at 511 characters and never used as formats") {
    LogFixture f;
    std::string longText(600, 'x');
    f.log.logEvent(0, "%s", longText.c_str());
    f.log.logEvent(0, "%s", "%s%n%d");
    f.log.flush();
    std::vector<std::string> lines = splitCrlf(f.eventFile());
    REQUIRE(lines.size() == 2);
    CHECK(lines[0] == std::string(511, 'x'));
    CHECK(lines[1] == "%s%n%d");
}

TEST_CASE("a failed flush keeps its lines; a later flush writes them in order") {
    LogFixture f;
    // A directory where the file should be makes every open fail.
    std::filesystem::create_directory(f.dir.path() / kEventLogName);
    f.log.addEvent(0, "first");
    f.log.flush();
    f.log.addEvent(0, "second");
    f.log.flush();
    CHECK(f.log.pendingLines() == 2);
    std::filesystem::remove(f.dir.path() / kEventLogName);
    f.log.addEvent(0, "third");
    f.log.flush();
    CHECK(f.log.pendingLines() == 0);
    CHECK(f.eventFile() == "first\r\nsecond\r\nthird\r\n");

    SUBCASE("the file grows across flushes and runs") {
        f.log.addEvent(0, "fourth");
        f.log.flush();
        CHECK(f.eventFile() == "first\r\nsecond\r\nthird\r\nfourth\r\n");
    }
}

TEST_CASE("with Logging off nothing is created or touched") {
    LogFixture f;
    f.log.setSwitches(false, true);
    f.log.addEvent(5, "M : nothing");
    f.log.addSystemLine("OS version:    x");
    f.log.flush();
    CHECK(f.log.pendingLines() == 0);
    CHECK(f.log.errorDetail() == 0);
    CHECK(std::filesystem::is_empty(f.dir.path()));

    SUBCASE("error detail levels") {
        f.log.setSwitches(true, false);
        CHECK(f.log.errorDetail() == 1);
        f.log.setSwitches(true, true);
        CHECK(f.log.errorDetail() == 2);
    }
}

TEST_CASE("system log: one line per call, emptied by truncate") {
    LogFixture f;
    f.log.addSystemLine("OS version:    Windows XP");
    f.log.addSystemLine("Administrator: Yes");
    CHECK(readBytes(f.dir.path() / kSystemLogName) ==
          "OS version:    Windows XP\r\nAdministrator: Yes\r\n");
    f.log.truncate(kSystemLogName);
    CHECK(readBytes(f.dir.path() / kSystemLogName).empty());
    f.log.addSystemLine("User:          me");
    CHECK(readBytes(f.dir.path() / kSystemLogName) == "User:          me\r\n");
}

TEST_CASE("lines from two threads are neither lost nor mixed") {
    LogFixture f;
    auto worker = [&](const char* who) {
        for (int i = 0; i < 2000; ++i)
            f.log.addEvent(0, std::string(who) + std::to_string(i));
    };
    std::thread a(worker, "A");
    std::thread b(worker, "B");
    for (int i = 0; i < 20; ++i)
        f.log.flush();
    a.join();
    b.join();
    f.log.flush();
    std::vector<std::string> lines = splitCrlf(f.eventFile());
    REQUIRE(lines.size() == 4000);
    int nextA = 0, nextB = 0;
    for (const std::string& line : lines) {
        if (line[0] == 'A')
            CHECK(line == "A" + std::to_string(nextA++));
        else
            CHECK(line == "B" + std::to_string(nextB++));
    }
}

TEST_CASE("message boxes are cut at 511 characters") {
    struct Recorder : MessageSink {
        std::vector<std::string> shown;
        void show(const std::string& text) override { shown.push_back(text); }
        bool ask(const std::string& question) override {
            shown.push_back(question);
            return false;
        }
    } recorder;
    setMessageSink(&recorder);
    std::string server(2000, 's');
    showMessage("Error retrieving CD info:\n%s\n\n%s", server.c_str(), "10060");
    showMessage("Error opening device");
    setMessageSink(nullptr);
    REQUIRE(recorder.shown.size() == 2);
    CHECK(recorder.shown[0].size() == 511);
    CHECK(recorder.shown[0].rfind("Error retrieving CD info:\n", 0) == 0);
    CHECK(recorder.shown[1] == "Error opening device");
}

TEST_CASE("a cut message never splits a CR LF pair or a UTF-8 character") {
    // The cut falls after byte 511: between CR and LF, then inside "\xC3\xA9".
    const std::string crlfAtCut = std::string(510, 'a') + "\r\nrest";
    CHECK(boundedMessageText(crlfAtCut) == std::string(510, 'a'));
    const std::string accentAtCut = std::string(510, 'a') + "\xC3\xA9rest";
    CHECK(boundedMessageText(accentAtCut) == std::string(510, 'a'));
    const std::string euroAtCut = std::string(509, 'a') + "\xE2\x82\xACrest";
    CHECK(boundedMessageText(euroAtCut) == std::string(509, 'a'));
    // A whole pair or character before the cut stays.
    const std::string pairBefore = std::string(509, 'a') + "\r\nrest";
    CHECK(boundedMessageText(pairBefore) == std::string(509, 'a') + "\r\n");
    const std::string latin1 = std::string(510, 'a') + "\xE9\xE9rest";
    CHECK(boundedMessageText(latin1).size() == 511);
}
