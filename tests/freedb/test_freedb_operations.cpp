// The freedb operations against the local freedb servers (the freedb one and
// the CDDB one of the fallback), with the message boxes, the progress window
// and its popup menu recorded.
#include <doctest.h>

#include "base/event_log.h"
#include "base/message_box.h"
#include "base/text_format.h"
#include "discinfo/disc_model.h"
#include "discinfo/disc_store.h"
#include "freedb/freedb_lookup.h"
#include "freedb/freedb_operations.h"
#include "local_server.h"
#include "settings/options.h"
#include "settings/profile_api.h"
#include "settings/settings_file.h"
#include "support/recording_message_sink.h"
#include "support/test_support.h"

#include <filesystem>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

class ScriptedProgress : public FreedbProgress {
public:
    void open(const std::string& command, const std::string& host) override {
        opened.push_back(command + "|" + host);
        isOpen = true;
    }
    void close() override { isOpen = false; }
    void showServer(const std::string& host) override { servers.push_back(host); }
    int trackMenu(const std::vector<std::string>& items, int firstCommand) override {
        menus.push_back(items);
        return choice < 0 ? 0 : firstCommand + choice;
    }
    std::vector<std::string> opened;
    std::vector<std::string> servers;
    std::vector<std::vector<std::string>> menus;
    int choice = -1; // the item picked; -1 closes the menu
    bool isOpen = false;
};

// A disc with these frame offsets and length, as the drive reads it.
DiscInfo discOf(const std::vector<int>& offsets, int lengthSeconds) {
    DiscInfo disc;
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        TrackEntry entry;
        entry.number = static_cast<int>(i + 1);
        entry.start = framesToMsf(offsets[i]);
        entry.audio = 1;
        disc.trackList.store(entry.number, entry);
    }
    disc.trackList.trackCount = static_cast<int>(offsets.size());
    disc.trackList.leadOut = lengthSeconds * kFramesPerSecond;
    setDefaultTitles(disc.trackList);
    disc.hasAudio = true;
    disc.valid = true;
    disc.discId = computeDiscId(disc.trackList);
    return disc;
}

DiscInfo paperHarbour() {
    DiscInfo disc = discOf({150, 17372, 33845, 52910, 69423, 88120, 104987, 121411, 139002}, 2098);
    REQUIRE(disc.discId == 0x72083009u);
    return disc;
}

FreedbServer serverAt(const ServerAddress& address) {
    FreedbServer server;
    server.host = address.host;
    server.port = address.port;
    server.protocolLevel = 5;
    return server;
}

// Options naming the local freedb server as the custom server and the
// second one as the fallback's CDDB server.
Options localOptions(const ServerAddress& freedb) {
    Options options;
    options.cddbSite = kCddbSiteCustom;
    options.cddbCustomSite = freedb.host;
    options.cddbCustomPort = freedb.port;
    options.cddbProtocol = 5;
    options.cddbEmailAddress = "tester@example.org";
    ServerAddress cddb;
    if (localServer(cddb, "RUBO_CDDB_SERVER")) {
        options.cddbHackSite = cddb.host;
        options.cddbHackPort = cddb.port;
    }
    return options;
}

void giveTitles(DiscInfo& disc, const std::string& artist, const std::string& title) {
    disc.artist = artist;
    disc.title = title;
    for (int k = 1; k <= disc.trackList.trackCount; ++k)
        disc.trackList.entry(k)->title = title + " part " + std::to_string(k);
}

// A database folder of the test servers as this program sees it.
std::filesystem::path serverFolder(const char* variable) {
    std::string folder = environmentText(variable);
#ifdef _WIN32
    folder = "Z:" + folder;
#endif
    return folder;
}

} // namespace

TEST_CASE("fetch: an exact match fills the record; submitting it unchanged is refused") {
    REQUIRE_LOCAL_SERVER(address);
    RecordingMessageSink sink;
    ScriptedProgress progress;
    FreedbClient client;
    const Options options = localOptions(address);
    REQUIRE(setUpFreedbClient(client, options, chosenFreedbServer(options)));
    DiscInfo disc = paperHarbour();

    REQUIRE(fetchDiscInfo(client, querySite(serverAt(address)), disc, progress, false,
                          cddbFallbackServer(options)));
    CHECK(progress.menus.empty());
    CHECK(sink.shown.empty());
    CHECK(disc.freedbState == kFreedbStateFound);
    CHECK(disc.modified == 0);
    CHECK(disc.freedbRevision == 1);
    CHECK(disc.category == "rock");
    CHECK(disc.artist == "The Lantern Keepers");
    CHECK(disc.title == "Paper Harbour");
    CHECK(disc.year == 2019);
    CHECK(disc.genre == "Indie Rock");
    CHECK(disc.extendedDisc == "Recorded at Pier Studios, autumn 2018.");
    CHECK(disc.trackList.entry(1)->title == "Low Tide Radio");
    CHECK(disc.trackList.entry(9)->title == "Drift");

    CHECK_FALSE(submitDiscInfo(client, submitSite(serverAt(address)), disc, true,
                               options.cddbEmailAddress));
    REQUIRE(sink.shown.size() == 1);
    CHECK(sink.shown[0] == "Submit not possible:\nCD info has not changed");

    SUBCASE("a disc without audio is not looked up at all") {
        disc.hasAudio = false;
        disc.freedbState = kFreedbStateUnknown;
        CHECK_FALSE(fetchDiscInfo(client, querySite(serverAt(address)), disc, progress, false,
                                  cddbFallbackServer(options)));
        CHECK(disc.freedbState == kFreedbStateUnknown);
    }
}

TEST_CASE("submit and fetch: three near matches, picked from the menu or not at all") {
    REQUIRE_LOCAL_SERVER(address);
    RecordingMessageSink sink;
    ScriptedProgress progress;
    FreedbClient client;
    const Options options = localOptions(address);
    REQUIRE(setUpFreedbClient(client, options, chosenFreedbServer(options)));
    const FreedbSite site = querySite(serverAt(address));

    // Three discs a second apart in their second track, submitted for real.
    const char* categories[] = {"rock", "jazz", "folk"};
    std::vector<DiscId> ids;
    for (int k = 1; k <= 3; ++k) {
        DiscInfo disc = discOf({150, 30000 + 75 * k, 61000, 90500}, 1500);
        giveTitles(disc, "Band " + std::to_string(k), "Album " + std::to_string(k));
        disc.category = categories[k - 1];
        disc.freedbState = kFreedbStateNotFound;
        REQUIRE(submitDiscInfo(client, submitSite(serverAt(address)), disc, false,
                               options.cddbEmailAddress));
        CHECK(disc.modified == 0);
        CHECK(disc.freedbRevision == 0);
        ids.push_back(disc.discId);
    }
    CHECK(sink.shown == std::vector<std::string>(3, "CD info submitted"));
    sink.shown.clear();

    DiscInfo disc = discOf({150, 30000, 61000, 90500}, 1500);
    for (DiscId id : ids)
        REQUIRE(id != disc.discId);

    SUBCASE("the second item is read; its other id gives revision 0") {
        progress.choice = 1;
        REQUIRE(fetchDiscInfo(client, site, disc, progress, false, cddbFallbackServer(options)));
        REQUIRE(progress.menus.size() == 1);
        REQUIRE(progress.menus[0].size() == 3);
        CHECK(progress.menus[0][0].find("1:\t[") == 0);
        CHECK(progress.menus[0][1].find("2:\t[") == 0);
        const std::string picked = progress.menus[0][1];
        CHECK(picked.find(disc.artist + " - " + disc.title) != std::string::npos);
        CHECK(picked.find("[" + disc.category + "] ") != std::string::npos);
        CHECK(disc.artist.find("Band ") == 0);
        CHECK(disc.trackList.entry(2)->title == disc.title + " part 2");
        CHECK(disc.freedbState == kFreedbStateFound);
        CHECK(disc.freedbRevision == 0);
        CHECK(disc.modified == 0);
    }
    SUBCASE("a closed menu ends the fetch silently in state 3") {
        progress.choice = -1;
        CHECK_FALSE(
            fetchDiscInfo(client, site, disc, progress, false, cddbFallbackServer(options)));
        CHECK(progress.menus.size() == 1);
        CHECK(disc.freedbState == kFreedbStateNotFound);
        CHECK(disc.artist == kUnknownText);
        CHECK(disc.trackList.entry(1)->title == "Track 1");
    }
    CHECK(sink.shown.empty());
}

TEST_CASE("submit: revision 4 goes out as 5 and stays 5 when the server refuses") {
    REQUIRE_LOCAL_SERVER(address);
    RecordingMessageSink sink;
    FreedbClient client;
    const Options options = localOptions(address);
    REQUIRE(setUpFreedbClient(client, options, chosenFreedbServer(options)));
    DiscInfo disc = discOf({150, 25000, 52000}, 980);
    giveTitles(disc, "Quiet Orchard", "Second Harvest");
    disc.category = "folk";
    disc.freedbState = kFreedbStateFound;
    disc.freedbRevision = 4;

    SUBCASE("refused") {
        FaultSwitch refuse(address, "wrong_code=500");
        CHECK_FALSE(submitDiscInfo(client, submitSite(serverAt(address)), disc, false,
                                   options.cddbEmailAddress));
        CHECK(disc.freedbRevision == 5);
        CHECK(disc.modified == 1);
        REQUIRE(sink.shown.size() == 1);
        CHECK(sink.shown[0].find("Error submitting CD:\n500 ") == 0);
    }
    SUBCASE("accepted, then read back") {
        REQUIRE(submitDiscInfo(client, submitSite(serverAt(address)), disc, false,
                               options.cddbEmailAddress));
        CHECK(disc.freedbRevision == 5);
        XmcdRecord stored;
        REQUIRE(client.readDisc(querySite(serverAt(address)), disc.discId, "folk", stored));
        CHECK(stored.revision == 5);
        CHECK(stored.trackTitles[2] == "Second Harvest part 3");
    }
}

TEST_CASE("submit: the pre-checks fail in their order and send nothing") {
    DiscInfo disc = discOf({150, 20000}, 600);
    disc.freedbState = kFreedbStateUnknown;
    disc.modified = 0;
    disc.trackList.entry(2)->title = "track 7";
    std::string email = "user.example.org";
    disc.artist = "?";
    disc.title = "";
    disc.hasAudio = false;
    // Each step mends the failing check; the next one then fails.
    CHECK(std::string(submitPrecheckFailure(disc, email)) ==
          "Please check first if this CD is already in freedb");
    disc.freedbState = kFreedbStateNotFound;
    CHECK(std::string(submitPrecheckFailure(disc, email)) == "CD info has not changed");
    disc.modified = 1;
    CHECK(std::string(submitPrecheckFailure(disc, email)) == "Invalid track name(s)");
    disc.trackList.entry(1)->title = "Track seven";
    disc.trackList.entry(2)->title = "Tracks 7";
    CHECK(std::string(submitPrecheckFailure(disc, email)) == "Invalid email address");
    email = "user@example.org";
    CHECK(std::string(submitPrecheckFailure(disc, email)) == "Invalid Artist name");
    disc.artist = "Someone";
    CHECK(std::string(submitPrecheckFailure(disc, email)) == "Invalid Title");
    disc.title = "?Something";
    CHECK(std::string(submitPrecheckFailure(disc, email)) == "Invalid Title");
    disc.title = "Something";
    CHECK(std::string(submitPrecheckFailure(disc, email)) == "This is not an audio CD");
    disc.hasAudio = true;
    disc.trackList.trackCount = 0;
    CHECK(std::string(submitPrecheckFailure(disc, email)) == "Invalid nr of tracks");
    disc.trackList.trackCount = 2;
    CHECK(submitPrecheckFailure(disc, email) == nullptr);

    RecordingMessageSink sink;
    FreedbClient client;
    disc.freedbState = kFreedbStateFound;
    disc.freedbRevision = 3;
    disc.artist = "?";
    FreedbSite nowhere(FreedbSiteRole::Submit);
    nowhere.host = "127.0.0.1";
    nowhere.port = 9; // nothing is sent, so nothing needs to listen
    CHECK_FALSE(submitDiscInfo(client, nowhere, disc, false, email));
    CHECK(sink.shown == std::vector<std::string>{"Submit not possible:\nInvalid Artist name"});
    CHECK(disc.freedbRevision == 3);
}

TEST_CASE("freedb button: the CDDB fallback, the question, the test submit and the save") {
    REQUIRE_LOCAL_SERVER(address);
    ServerAddress cddb;
    REQUIRE(localServer(cddb, "RUBO_CDDB_SERVER"));
    RecordingMessageSink sink;
    ScriptedProgress progress;
    ScratchDir dir;
    SettingsFile settings(dir.file("RUBO.ini"), systemProfileApi());
    EventLog log;
    log.setDirectory(dir.path().string() + "/");
    log.setSwitches(true, false);
    Options options = localOptions(address);
    options.cddbHack = 1;
    options.cddbTestSubmit = 1;

    // Only the CDDB server knows this disc.
    DiscInfo disc = discOf({150, 18000, 39000, 60500, 81000}, 1300);
    const std::string id = formatText("%08x", static_cast<unsigned>(disc.discId));
    std::string record = "# xmcd\n#\n# Track frame offsets:\n#\t150\n#\t18000\n#\t39000\n"
                         "#\t60500\n#\t81000\n#\n# Disc length: 1300 seconds\n#\n"
                         "# Revision: 7\n# Submitted via: xmcd 3.0\n#\n"
                         "DISCID=" +
                         id +
                         "\nDTITLE=Fallback Choir / Borrowed Songs\n"
                         "TTITLE0=One\nTTITLE1=Two\nTTITLE2=Three\nTTITLE3=Four\nTTITLE4=Five\n"
                         "EXTD=\nEXTT0=\nEXTT1=\nEXTT2=\nEXTT3=\nEXTT4=\nPLAYORDER=\n";
    writeBytes(serverFolder("RUBO_CDDB_DB") / "misc" / id, record);

    sink.answer = true;
    FreedbClient client;
    const bool fetched = runFreedbLookup({options, settings, log, progress, disc}, client, disc);
    REQUIRE(fetched);
    CHECK(progress.opened ==
          std::vector<std::string>{std::string(kRetrievingInfoText) + "|" + address.host});
    CHECK(progress.servers == std::vector<std::string>{cddb.host});
    CHECK_FALSE(progress.isOpen);
    CHECK(disc.freedbState == kFreedbStateNotFound);
    CHECK(disc.modified == 0); // the test submit was accepted
    CHECK(disc.artist == "Fallback Choir");
    CHECK(disc.trackList.entry(5)->title == "Five");
    CHECK(sink.asked == std::vector<std::string>{"Test-submit this CD?"});
    CHECK(sink.shown == std::vector<std::string>{"CD info submitted as test"});

    DiscInfo stored = discOf({150, 18000, 39000, 60500, 81000}, 1300);
    REQUIRE(readRuboIniEntry(settings, stored) == 1);
    CHECK(stored.title == "Borrowed Songs");
    CHECK(stored.category == "misc");

    log.flush();
    const std::string lines = readBytes(dir.path() / kEventLogName);
    const std::size_t getting = lines.find("M : Getting Freedb data");
    REQUIRE(getting != std::string::npos);
    CHECK(lines.find("M : Got Freedb data", getting) != std::string::npos);

    SUBCASE("without the fallback a disc freedb lacks shows nothing and saves nothing") {
        sink.asked.clear();
        sink.shown.clear();
        const std::string before = readBytes(dir.path() / "RUBO.ini");
        options.cddbHack = 0;
        DiscInfo unknown = discOf({150, 18000, 39000, 60500, 81000}, 1300);
        CHECK_FALSE(runFreedbLookup({options, settings, log, progress, unknown}, client, unknown));
        CHECK(unknown.freedbState == kFreedbStateNotFound);
        CHECK(sink.shown.empty());
        CHECK(sink.asked.empty());
        CHECK(readBytes(dir.path() / "RUBO.ini") == before);
    }
}

TEST_CASE("freedb button: a server that fails shows its message and changes nothing") {
    REQUIRE_LOCAL_SERVER(address);
    RecordingMessageSink sink;
    ScriptedProgress progress;
    ScratchDir dir;
    const std::string iniText = crlf("[Options]\nCddbSite=2\n");
    writeBytes(dir.path() / "RUBO.ini", iniText);
    SettingsFile settings(dir.file("RUBO.ini"), systemProfileApi());
    EventLog log;
    const Options options = localOptions(address);
    FreedbClient client;
    client.setTimeoutMs(1500);
    DiscInfo disc = paperHarbour();

    struct Fault {
        const char* name;
        const char* switches;
    };
    const Fault faults[] = {{"silent", "silent=1"},
                            {"closing early", "close_after_status=1"},
                            {"HTML", "html_error=1"},
                            {"16 MiB", "huge_answer=16777300"}};
    for (const Fault& fault : faults) {
        INFO(std::string(fault.name));
        sink.shown.clear();
        FaultSwitch on(address, fault.switches);
        CHECK_FALSE(runFreedbLookup({options, settings, log, progress, disc}, client, disc));
        REQUIRE(sink.shown.size() == 1);
        INFO(sink.shown[0]);
        // The status line alone answers a query: closing early fails the read.
        CHECK((sink.shown[0].find("Error quering CD info:\n") == 0 ||
               sink.shown[0].find("Error retrieving CD info:\n") == 0));
        CHECK(sink.shown[0].size() <= kMessageMaxChars);
        CHECK_FALSE(progress.isOpen);
    }
    CHECK(disc.freedbState == kFreedbStateNotFound);
    CHECK(disc.artist == kUnknownText);
    CHECK(readBytes(dir.path() / "RUBO.ini") == iniText);
}

TEST_CASE("local server: the options page's server list, status and message of the day") {
    REQUIRE_LOCAL_SERVER(address);
    RecordingMessageSink sink;
    ScratchDir dir;
    SettingsFile settings(dir.file("RUBO.ini"), systemProfileApi());
    for (int i = 0; i < 6; ++i)
        settings.writeString(kServersSection, std::to_string(i), "old.example 8080 /cgi");
    FreedbClient client;
    Options saved;
    saved.cddbSite = kCddbSiteMirror;
    Options page = localOptions(address);
    FreedbServer server;
    REQUIRE(setUpPageClient(client, saved, page, kServerChoiceCustom, server));
    CHECK(server.host == address.host);
    CHECK_FALSE(client.cddbHack());
    {
        // A custom server that is the fallback's CDDB server gets its greeting.
        Options hacking = saved;
        hacking.cddbHack = 1;
        hacking.cddbHackSite = address.host;
        FreedbClient cddb;
        FreedbServer same;
        REQUIRE(setUpPageClient(cddb, hacking, page, kServerChoiceCustom, same));
        CHECK(cddb.cddbHack());
        REQUIRE(setUpPageClient(cddb, hacking, page, kServerChoiceMirror, same));
        CHECK(same.protocolLevel == 5);
    }
    const FreedbSite site = querySite(server);

    std::vector<FreedbSite> listed;
    {
        // A listed site on port 0 is in neither the list kept nor the one saved.
        FaultSwitch portZero(address, "port_zero_site=1");
        REQUIRE(updateServerList(client, site, settings, listed));
    }
    const std::vector<FreedbSite> sites = readServerList(settings);
    REQUIRE_FALSE(sites.empty());
    CHECK(serverListHosts(sites, "") == serverListHosts(listed, ""));
    CHECK(sites[0].path == "/~cddb/cddb.cgi");
    for (std::size_t i = sites.size(); i < 6; ++i)
        CHECK(settings.getString(kServersSection, std::to_string(i), "none") == "none");
    CHECK(serverListHosts({}, "mirror.example") == std::vector<std::string>{"mirror.example"});
    CHECK(serverListSelection({"a.example", "b.example"}, "b.example") == 1);

    const FreedbSiteText status = serverStatusText(client, site);
    CHECK(status.title == "Status information from site " + address.host);
    CHECK(status.text.find("max proto") != std::string::npos);
    const FreedbSiteText motd = messageOfTheDayText(client, site);
    CHECK(motd.title == "Message of the day from site " + address.host);
    CHECK_FALSE(motd.text.empty());
    CHECK(sink.shown.empty());

    SUBCASE("a list that cannot be saved is kept and said") {
        SettingsFile lost(dir.file("gone") + "/RUBO.ini", systemProfileApi());
        listed.clear();
        REQUIRE(updateServerList(client, site, lost, listed));
        CHECK(listed.size() == sites.size());
        CHECK(sink.shown ==
              std::vector<std::string>{formatText(kSaveFailedText, lost.path().c_str())});
    }
    SUBCASE("failures") {
        const std::string before = readBytes(dir.path() / "RUBO.ini");
        FaultSwitch broken(address, "html_error=1");
        client.setTimeoutMs(1000); // a closed connection ends by the time-out
        CHECK_FALSE(updateServerList(client, site, settings, listed));
        REQUIRE(sink.shown.size() == 1);
        CHECK(sink.shown[0].find("Error retrieving sites:\n") == 0);
        CHECK(readBytes(dir.path() / "RUBO.ini") == before);
        const std::string failed = serverStatusText(client, site).text;
        CHECK(failed.find("\r\n") != std::string::npos);
        CHECK(failed.find("max proto") == std::string::npos);
        CHECK(messageOfTheDayText(client, site).text.find("\r\n") != std::string::npos);
    }
}

TEST_CASE("greeting identity and the chosen server") {
    std::string user, host;
    helloIdentityOf("jane.doe+cds@mail.example.org", user, host);
    CHECK(user == "jane.doe_cds");
    CHECK(host == "mail.example.org");
    helloIdentityOf("no-at-sign", user, host);
    CHECK(user.empty());
    CHECK(host.empty());

    Options options;
    options.cddbSite = 1;
    CHECK(chosenFreedbServer(options).host == kDefaultFreedbHost);
    CHECK(chosenFreedbServer(options).protocolLevel == 5);
    options.cddbSite = kCddbSiteCustom;
    options.cddbCustomSite = "custom.example";
    options.cddbCustomPort = 8880;
    options.cddbProtocol = 0;
    CHECK(chosenFreedbServer(options).protocolLevel == 4);
    CHECK(chosenFreedbServer(options).port == 8880);
    options.cddbSite = kCddbSiteMirror;
    options.cddbMirrorSite = "mirror.example";
    CHECK(chosenFreedbServer(options).host == "mirror.example");
    CHECK(submitSite(chosenFreedbServer(options)).path == "/~cddb/submit.cgi");
}
