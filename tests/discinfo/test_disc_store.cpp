#include <doctest.h>

#include "disc_store_fakes.h"
#include "support/recording_message_sink.h"

#include "base/message_box.h"
#include "base/text_format.h"
#include "settings/options.h"

#include <atomic>
#include <thread>

using namespace rubo;
using rubo::test::checkTypedTextsReadBack;
using rubo::test::CountingProfile;
using rubo::test::discTexts;
using rubo::test::FakeSerials;
using rubo::test::makeDisc;
using rubo::test::readBytes;
using rubo::test::ScratchDir;
using rubo::test::trackTexts;
using rubo::test::writeBytes;

namespace {

constexpr DiscId kDisc = 0x2A0B3C04;

// A scratch RUBO.ini in line mode, a cdplayer.ini path beside it and a fake drive.
struct Store {
    ScratchDir dir;
    SettingsFile settings{dir.file("RUBO.ini"), systemProfileApi()};
    CountingProfile cdPlayer{systemProfileApi()};
    FakeSerials serials;
    std::string cdPlayerPath = dir.file("cdplayer.ini");
    DiscStoreAccess access{settings, cdPlayer, serials};
    DiscInfo noCdText;

    Store() {
        settings.setOwnIniFormat(true);
        resetDiscInfo(noCdText);
    }
    std::string ruboBytes() const { return readBytes(settings.path()); }
    void load(DiscInfo& info, const DiscInfo& cdText) {
        loadDiscInfo(access, "E:", cdPlayerPath, cdText, info);
    }
    void load(DiscInfo& info) { load(info, noCdText); }
};

DiscInfo makeCdText(const std::string& artist, const std::vector<std::string>& titles) {
    DiscInfo text;
    resetDiscInfo(text);
    text.valid = true;
    text.origin = OriginCdText;
    text.artist = artist;
    text.title = "Text Title";
    text.extendedDisc = "message";
    for (std::size_t i = 0; i < titles.size(); ++i)
        text.trackList.store(static_cast<int>(i) + 1,
                             TrackEntry{static_cast<int>(i) + 1, titles[i], "", 0, 0, 1});
    text.trackList.trackCount = static_cast<int>(titles.size());
    return text;
}

} // namespace

TEST_CASE("a section with Artist but no track keys keeps the default titles") {
    Store s;
    writeBytes(s.settings.path(), "[2A0B3C04]\r\nArtist=Band\r\n");
    DiscInfo info = makeDisc(3, kDisc);
    info.artist = "Old";
    info.genre = "Old genre";
    info.trackList.tracks[2].title = "stale";
    info.trackList.tracks[2].extended = "stale ext";
    s.load(info);
    CHECK(info.origin == OriginRuboIni);
    CHECK(info.valid);
    CHECK(discTexts(info) == "Band|?|0||misc||Track 1;Track 2;Track 3;");
    CHECK(info.firstAudioTrack == 1);
    CHECK(info.hasAudio);
    CHECK(s.cdPlayer.reads == 0);
    CHECK(s.serials.asked.empty());
}

TEST_CASE("extra track keys stay beyond trackCount and are written back") {
    Store s;
    writeBytes(s.settings.path(), "[Options]\r\nLogging=1\r\n\r\n"
                                  "[2A0B3C04]\r\nartist=Band\r\nTITLE=Album\r\nyear=1987\r\n"
                                  "genre=Pop\r\ncategory=rock\r\n1=One\r\n2=<untitled>\r\n"
                                  "3=Three\r\n4=Four\r\nextd=Liner\r\nEXTT2=two ext\r\n"
                                  "Extt4=four ext\r\n\r\n"
                                  "[Servers]\r\n0=a\r\n");
    DiscInfo info = makeDisc(2, kDisc);
    s.load(info);
    CHECK(info.origin == OriginRuboIni);
    CHECK(discTexts(info) == "Band|Album|1987|Pop|rock|Liner|One;{two ext};Three;Four{four ext};");
    CHECK(info.trackList.trackCount == 2);
    REQUIRE(info.trackList.entryCount() == 5);
    CHECK(info.trackList.tracks[2].number == 2);
    CHECK(info.trackList.tracks[2].start == makeMsf(2, 2, 0));
    CHECK(info.trackList.tracks[3].number == 0);
    CHECK(info.trackList.tracks[4].start == 0);

    saveDiscInfo(s.settings, info);
    CHECK(s.ruboBytes() == "[Options]\r\nLogging=1\r\n\r\n"
                           "[2A0B3C04]\r\nArtist=Band\r\nTitle=Album\r\nYear=1987\r\n"
                           "Genre=Pop\r\nCategory=rock\r\n1=One\r\n2=<untitled>\r\n3=Three\r\n"
                           "4=Four\r\nExtd=Liner\r\nExtt2=two ext\r\nExtt4=four ext\r\n\r\n"
                           "[Servers]\r\n0=a\r\n");
}

TEST_CASE("section names and keys match in any case") {
    Store s;
    writeBytes(s.settings.path(), "[2a0b3c04]\r\nARTIST=Band\r\ntitle=Album\r\n1=One\r\n");
    DiscInfo info = makeDisc(2, kDisc);
    s.load(info);
    CHECK(info.origin == OriginRuboIni);
    CHECK(discTexts(info) == "Band|Album|0||misc||One;Track 2;");
}

TEST_CASE("an empty title is saved as <untitled> and read back empty") {
    Store s;
    DiscInfo info = makeDisc(3, kDisc);
    info.artist = "A";
    info.title = "T";
    info.trackList.tracks[1].title = "x";
    info.trackList.tracks[3].title = "z";
    saveDiscInfo(s.settings, info);
    CHECK(s.ruboBytes() == "[2A0B3C04]\r\nArtist=A\r\nTitle=T\r\nCategory=misc\r\n"
                           "1=x\r\n2=<untitled>\r\n3=z\r\n");
    DiscInfo again = makeDisc(3, kDisc);
    CHECK(readRuboIniEntry(s.settings, again) == 1);
    CHECK(trackTexts(again) == "x;;z;");
}

TEST_CASE("a record's play order is kept as PLAYORDER and read back") {
    Store s;
    DiscInfo info = makeDisc(3, kDisc);
    info.artist = "A";
    info.playOrder = {3, 1, 2};
    saveDiscInfo(s.settings, info);
    CHECK(s.ruboBytes().find("\r\nPLAYORDER=3,1,2\r\n") != std::string::npos);
    DiscInfo back = makeDisc(3, kDisc);
    REQUIRE(readRuboIniEntry(s.settings, back) == 1);
    CHECK(back.playOrder == info.playOrder);
}

TEST_CASE("Year only above 0; empty values are not stored") {
    Store s;
    DiscInfo info = makeDisc(1, kDisc);
    info.artist = "A";
    info.title = "T";
    info.category = "";
    info.trackList.tracks[1].title = "x";
    for (int year : {0, -1}) {
        CAPTURE(year);
        info.year = year;
        saveDiscInfo(s.settings, info);
        CHECK(s.ruboBytes() == "[2A0B3C04]\r\nArtist=A\r\nTitle=T\r\n1=x\r\n");
        DiscInfo back = makeDisc(1, kDisc);
        REQUIRE(readRuboIniEntry(s.settings, back) == 1);
        CHECK(discTexts(back) == "A|T|0||misc||x;");
    }
    info.year = 1;
    saveDiscInfo(s.settings, info);
    CHECK(s.ruboBytes() == "[2A0B3C04]\r\nArtist=A\r\nTitle=T\r\nYear=1\r\n1=x\r\n");

    SUBCASE("a stored Year of 0 reads as no year and is dropped by the next save") {
        writeBytes(s.settings.path(), "[2A0B3C04]\r\nArtist=A\r\nYear=0\r\n");
        DiscInfo back = makeDisc(1, kDisc);
        s.load(back);
        CHECK(back.year == 0);
        saveDiscInfo(s.settings, back);
        CHECK(s.ruboBytes() == "[2A0B3C04]\r\nArtist=A\r\nTitle=?\r\nCategory=misc\r\n"
                               "1=Track 1\r\n");
    }
}

TEST_CASE("artist ? is never saved: only the emptied header stays") {
    Store s;
    writeBytes(s.settings.path(),
               "[2A0B3C04]\r\nArtist=A\r\n1=x\r\n\r\n[Options]\r\nLogging=1\r\n");
    DiscInfo info = makeDisc(1, kDisc);
    info.title = "T";
    info.trackList.tracks[1].title = "y";
    saveDiscInfo(s.settings, info);
    CHECK(s.ruboBytes() == "[2A0B3C04]\r\n\r\n[Options]\r\nLogging=1\r\n");

    SUBCASE("CD-TEXT without an artist is taken every time but not stored") {
        DiscInfo cdText = makeCdText("?", {"t1"});
        for (int pass = 0; pass < 2; ++pass) {
            DiscInfo loaded = makeDisc(1, kDisc);
            s.load(loaded, cdText);
            CHECK(loaded.origin == OriginCdText);
            CHECK(discTexts(loaded) == "?|Text Title|0||misc|message|t1;");
        }
        CHECK(s.ruboBytes() == "[2A0B3C04]\r\n\r\n[Options]\r\nLogging=1\r\n");
    }
}

TEST_CASE("CD-TEXT is taken over, saved, and found in RUBO.ini the next time") {
    Store s;
    writeBytes(s.cdPlayerPath, "[0]\r\nartist=Player\r\n");
    DiscInfo cdText = makeCdText("Text Artist", {"t1", "t2"});
    DiscInfo info = makeDisc(2, kDisc);
    s.load(info, cdText);
    CHECK(info.origin == OriginCdText);
    CHECK(info.valid);
    CHECK(discTexts(info) == "Text Artist|Text Title|0||misc|message|t1;t2;");
    CHECK(s.cdPlayer.reads == 0);
    CHECK(s.ruboBytes() == "[2A0B3C04]\r\nArtist=Text Artist\r\nTitle=Text Title\r\n"
                           "Category=misc\r\n1=t1\r\n2=t2\r\nExtd=message\r\n");

    DiscInfo next = makeDisc(2, kDisc);
    s.load(next, makeCdText("Other", {"o1", "o2"}));
    CHECK(next.origin == OriginRuboIni);
    CHECK(discTexts(next) == "Text Artist|Text Title|0||misc|message|t1;t2;");
}

TEST_CASE("copyCdTextInfo takes texts up to the shorter track array only") {
    DiscInfo info = makeDisc(3, kDisc);
    clearDiscText(info);
    info.trackList.tracks[1].extended = "keep";
    info.year = 1990;
    info.genre = "Jazz";
    CHECK(copyCdTextInfo(info, makeCdText("A", {"c1", "c2"})) == 1);
    CHECK(discTexts(info) == "A|Text Title|1990|Jazz|misc|message|c1{keep};c2;Track 3;");

    DiscInfo shortDisc = makeDisc(1, kDisc);
    clearDiscText(shortDisc);
    CHECK(copyCdTextInfo(shortDisc, makeCdText("A", {"c1", "c2", "c3"})) == 1);
    CHECK(trackTexts(shortDisc) == "c1;");
    CHECK(shortDisc.trackList.entryCount() == 2);

    DiscInfo invalid = makeCdText("A", {"c1"});
    invalid.valid = false;
    DiscInfo untouched = makeDisc(1, kDisc);
    clearDiscText(untouched);
    CHECK(copyCdTextInfo(untouched, invalid) == 0);
    CHECK(discTexts(untouched) == "?|?|0||misc||Track 1;");
}

TEST_CASE("cdplayer.ini: track 0 is track 1, a gap ends the list, any case matches") {
    Store s;
    writeBytes(s.cdPlayerPath, "[99]\r\nartist=Wrong\r\n\r\n"
                               "[1234abcd]\r\nARTIST=Old Band\r\nTitle=Old Album\r\n"
                               "0=first\r\n2=third\r\n");
    s.serials.serial = 0x1234ABCD;
    DiscInfo info = makeDisc(3, kDisc);
    info.trackList.tracks[1].extended = "stale";
    s.load(info);
    CHECK(info.origin == OriginCdPlayerIni);
    CHECK(discTexts(info) == "Old Band|Old Album|0||misc||first;Track 2;Track 3;");
    REQUIRE(s.serials.asked.size() == 1);
    CHECK(s.serials.asked[0] == "E:");
    CHECK(s.ruboBytes() == "[2A0B3C04]\r\nArtist=Old Band\r\nTitle=Old Album\r\n"
                           "Category=misc\r\n1=first\r\n2=Track 2\r\n3=Track 3\r\n");
}

TEST_CASE("cdplayer.ini: more titles than tracks, unknown serial, no file") {
    Store s;
    writeBytes(s.cdPlayerPath, "[0]\r\nartist=Zero\r\n0=a\r\n1=b\r\n2=c\r\n3=d\r\n");
    DiscInfo info = makeDisc(2, kDisc);

    SUBCASE("an unknown serial reads section 0; extra titles grow the array") {
        s.serials.known = false;
        s.serials.serial = 0x55;
        CHECK(readCdPlayerIniEntry(s.cdPlayer, s.serials, info, s.cdPlayerPath, "E:") == 1);
        CHECK(info.artist == "Zero");
        CHECK(info.title == "?");
        CHECK(trackTexts(info) == "a;b;c;d;");
        CHECK(info.trackList.trackCount == 2);
    }
    SUBCASE("a serial without a section is not found") {
        s.serials.serial = 0x55;
        CHECK(readCdPlayerIniEntry(s.cdPlayer, s.serials, info, s.cdPlayerPath, "E:") == 0);
        CHECK(info.artist == "?");
    }
    SUBCASE("an empty path finds nothing and asks nothing") {
        s.serials.serial = 0;
        CHECK(readCdPlayerIniEntry(s.cdPlayer, s.serials, info, "", "E:") == 0);
        CHECK(s.cdPlayer.reads == 0);
        CHECK(s.serials.asked.empty());
    }
    SUBCASE("a missing file is not found") {
        s.serials.serial = 0;
        CHECK(readCdPlayerIniEntry(s.cdPlayer, s.serials, info, s.dir.file("none.ini"), "E:") == 0);
    }
}

TEST_CASE("lookup order: RUBO.ini, then CD-TEXT, then cdplayer.ini") {
    for (int combo = 0; combo < 8; ++combo) {
        const bool inRubo = combo & 1, inCdText = combo & 2, inPlayer = combo & 4;
        CAPTURE(combo);
        Store s;
        if (inRubo)
            writeBytes(s.settings.path(), "[2A0B3C04]\r\nArtist=Rubo Artist\r\n1=r1\r\n");
        DiscInfo cdText = makeCdText("Text Artist", {"t1"});
        cdText.valid = inCdText ? 1 : 0;
        if (inPlayer)
            writeBytes(s.cdPlayerPath, "[77]\r\nartist=Player Artist\r\n0=p1\r\n");
        s.serials.serial = 0x77;
        const std::string before = s.ruboBytes();

        DiscInfo info = makeDisc(2, kDisc);
        info.origin = OriginFreedb;
        s.load(info, cdText);
        CHECK(info.valid);
        CHECK(info.firstAudioTrack == 1);
        if (inRubo) {
            CHECK(info.origin == OriginRuboIni);
            CHECK(discTexts(info) == "Rubo Artist|?|0||misc||r1;Track 2;");
        } else if (inCdText) {
            CHECK(info.origin == OriginCdText);
            CHECK(discTexts(info) == "Text Artist|Text Title|0||misc|message|t1;Track 2;");
        } else if (inPlayer) {
            CHECK(info.origin == OriginCdPlayerIni);
            CHECK(discTexts(info) == "Player Artist|?|0||misc||p1;Track 2;");
        } else {
            CHECK(info.origin == OriginFreedb);
            CHECK(discTexts(info) == "?|?|0||misc||Track 1;Track 2;");
        }
        const bool reachedPlayer = !inRubo && !inCdText;
        CHECK((s.cdPlayer.reads > 0) == reachedPlayer);
        const bool saved = !inRubo && (inCdText || inPlayer);
        if (saved) {
            DiscInfo back = makeDisc(2, kDisc);
            REQUIRE(readRuboIniEntry(s.settings, back) == 1);
            CHECK(discTexts(back) == discTexts(info));
        } else {
            CHECK(s.ruboBytes() == before);
        }
    }
}

TEST_CASE("saves of two discs and option writes in parallel never leave a section partial") {
    ScratchDir dir;
    SettingsFile settings(dir.file("RUBO.ini"), systemProfileApi());
    settings.setOwnIniFormat(true);
    constexpr int kSaves = 30;
    constexpr DiscId ids[2] = {0xA1, 0xB2};

    // Two versions per disc with different track counts and texts.
    auto version = [&](int disc, int v) {
        DiscInfo info = makeDisc(v == 0 ? 3 : 5, ids[disc]);
        info.artist = formatText("Artist %d.%d", disc, v);
        info.title = formatText("Title %d.%d", disc, v);
        info.year = v == 0 ? 1970 + disc : 0;
        info.genre = v == 0 ? "Genre" : "";
        info.extendedDisc = formatText("ext %d.%d", disc, v);
        for (int n = 1; n < info.trackList.entryCount(); ++n) {
            info.trackList.tracks[static_cast<std::size_t>(n)].title =
                formatText("T%d.%d.%d", disc, v, n);
            info.trackList.tracks[static_cast<std::size_t>(n)].extended =
                n % 2 ? formatText("E%d", n) : "";
        }
        return info;
    };
    std::string expected[2][2];
    for (int d = 0; d < 2; ++d)
        for (int v = 0; v < 2; ++v)
            expected[d][v] = discTexts(version(d, v));

    std::atomic<int> saversLeft{2};
    std::atomic<bool> saved[2] = {{false}, {false}};
    std::atomic<int> partial{0}, missing{0}, checks{0};
    std::vector<std::thread> threads;
    for (int d = 0; d < 2; ++d) {
        threads.emplace_back([&, d] {
            const DiscInfo versions[2] = {version(d, 0), version(d, 1)};
            for (int i = 0; i < kSaves; ++i) {
                saveDiscInfo(settings, versions[i % 2]);
                saved[d] = true;
            }
            --saversLeft;
        });
    }
    int optionWrites = 0;
    threads.emplace_back([&] {
        while (saversLeft > 0 || optionWrites < 20) {
            settings.writeString("Options", formatText("Key%d", optionWrites % 20),
                                 formatText("%d", optionWrites));
            ++optionWrites;
        }
    });
    threads.emplace_back([&] {
        while (saversLeft > 0) {
            for (int d = 0; d < 2; ++d) {
                const bool wasSaved = saved[d];
                DiscInfo probe;
                resetDiscInfo(probe);
                probe.discId = ids[d];
                if (!readRuboIniEntry(settings, probe)) {
                    if (wasSaved)
                        ++missing;
                    continue;
                }
                const std::string texts = discTexts(probe);
                if (texts != expected[d][0] && texts != expected[d][1])
                    ++partial;
                ++checks;
            }
        }
    });
    for (std::thread& t : threads)
        t.join();

    CHECK(partial.load() == 0);
    CHECK(missing.load() == 0);
    CHECK(checks.load() > 0);
    for (int d = 0; d < 2; ++d) {
        DiscInfo probe;
        resetDiscInfo(probe);
        probe.discId = ids[d];
        REQUIRE(readRuboIniEntry(settings, probe) == 1);
        CHECK(discTexts(probe) == expected[d][(kSaves - 1) % 2]);
    }
    for (int k = 0; k < 20; ++k) {
        const int last = optionWrites - 1 - ((optionWrites - 1 - k) % 20);
        CHECK(settings.getInt("Options", formatText("Key%d", k), -1) == last);
    }
}

TEST_CASE("typed texts read back exactly through the line rules in both modes") {
    LineProfileApi profile;
    checkTypedTextsReadBack(profile);
}

TEST_CASE("a save that cannot replace the file says so, and a good one says nothing") {
    ScratchDir dir;
    rubo::test::RecordingMessageSink messages;
    DiscInfo info = makeDisc(2, kDisc);
    info.artist = "A";
    info.title = "T";
    for (const bool lineMode : {true, false}) {
        CAPTURE(lineMode);
        messages.shown.clear();
        // A folder that is not there stands for one RUBO may not write to.
        SettingsFile lost(dir.file("gone") + "/RUBO.ini", systemProfileApi());
        lost.setOwnIniFormat(lineMode);
        CHECK_FALSE(reportSave(saveDiscInfo(lost, info), lost.path()));
        CHECK_FALSE(reportSave(saveOptions(lost, Options{}, "D"), lost.path()));
        REQUIRE(messages.shown.size() == 2);
        CHECK(messages.shown[0] == formatText(kSaveFailedText, lost.path().c_str()));

        SettingsFile kept(dir.file("RUBO.ini"), systemProfileApi());
        kept.setOwnIniFormat(lineMode);
        CHECK(reportSave(saveDiscInfo(kept, info), kept.path()));
        CHECK(reportSave(saveOptions(kept, Options{}, "D"), kept.path()));
        CHECK(messages.shown.size() == 2);
        DiscInfo read = makeDisc(2, kDisc);
        CHECK(readRuboIniEntry(kept, read) == 1);
        CHECK(read.artist == "A");
    }
}

TEST_CASE("line breaks and NUL in a disc's text stay inside its section, in both modes") {
    const std::string forged = "\r\n[Options]\r\nCdromDrive=Q\r\n[0BADF00D]\nArtist=Ghost";
    DiscInfo cdText = makeCdText("Crew" + forged, {"Lone\rCR", std::string("Nul\0Byte", 8)});
    cdText.extendedDisc = "Note\r\nline\rtwo";
    for (const bool lineMode : {true, false}) {
        CAPTURE(lineMode);
        Store store;
        store.settings.setOwnIniFormat(lineMode);
        store.settings.writeString(kOptionsSection, "CdromDrive", "E");
        store.settings.writeString(kOptionsSection, "CddbEmailAddress", "me\r\n[Evil]\nx=1");
        DiscInfo info = makeDisc(2, kDisc);
        store.load(info, cdText);
        CHECK(info.artist == "Crew [Options] CdromDrive=Q [0BADF00D] Artist=Ghost");
        CHECK(trackTexts(info) == "Lone CR;NulByte;");
        CHECK(info.extendedDisc == "Note\\nline\\ntwo");

        const std::string bytes = store.ruboBytes();
        INFO(bytes);
        CHECK(bytes.find("\n[", bytes.find("[2A0B3C04]")) == std::string::npos);
        CHECK(bytes.find("[2A0B3C04]") > bytes.find("CddbEmailAddress=me [Evil] x=1\r\n"));
        CHECK(bytes.find("\nCdromDrive=Q") == std::string::npos);
        CHECK(store.settings.getString(kOptionsSection, "CdromDrive", "") == "E");
        DiscInfo again = makeDisc(2, kDisc);
        store.load(again);
        CHECK(again.origin == OriginRuboIni);
        CHECK(discTexts(again) == discTexts(info));
    }
}
