#include <doctest.h>

#include "drive/cdtext_parser.h"
#include "fake_scsi.h"
#include "support/test_support.h"

using namespace rubo;
using namespace rubo::test;

namespace {

std::string z(int n) {
    return std::string(static_cast<std::size_t>(n), '\0');
}

CdTextStrings parse(const std::vector<std::vector<std::uint8_t>>& packs) {
    auto response = cdTextResponse(packs);
    return parseCdTextPacks(ByteSpan{response.data(), response.size()}, CdTextLineSink());
}

DiscInfo applied(const CdTextStrings& strings) {
    DiscInfo info;
    applyCdText(strings, info);
    return info;
}

std::string trackTitle(const DiscInfo& info, int n) {
    const TrackEntry* e = info.trackList.entry(n);
    return e ? e->title : "<none>";
}

} // namespace

TEST_CASE("CD-TEXT: performers and titles") {
    const auto strings = parse({
        cdTextPack(0x80, 0, 0, 0, "Album" + z(1) + "One" + z(1) + "Tw"),
        cdTextPack(0x80, 2, 1, 2, "o" + z(1) + "Three" + z(5)),
        cdTextPack(0x81, 0, 2, 0, "Band" + z(1) + "Band" + z(1) + "Gu"),
        cdTextPack(0x81, 2, 3, 2, "est" + z(9)),
    });
    const DiscInfo info = applied(strings);
    SUBCASE("disc texts") {
        CHECK(info.artist == "Band");
        CHECK(info.title == "Album");
        CHECK(info.valid);
        CHECK(info.origin == OriginCdText);
    }
    SUBCASE("performer equal to the disc artist: the title alone") {
        CHECK(trackTitle(info, 1) == "One");
    }
    SUBCASE("a different performer: performer / title; both joined over two packs") {
        CHECK(trackTitle(info, 2) == "Guest / Two");
    }
    SUBCASE("an empty performer: the title alone") {
        CHECK(trackTitle(info, 3) == "Three");
    }
}

TEST_CASE("CD-TEXT: packs that are not used") {
    SUBCASE("a block-1 pack is skipped but counts in the sequence") {
        const auto strings = parse({
            cdTextPack(0x80, 1, 0, 0, "One" + z(9)),
            cdTextPack(0x80, 1, 1, 0x10, "Eins" + z(8)),
            cdTextPack(0x80, 2, 2, 0, "Two" + z(9)),
        });
        REQUIRE(strings.titles.size() >= 3);
        CHECK(strings.titles[1] == "One");
        CHECK(strings.titles[2] == "Two");
    }
    SUBCASE("songwriter, composer and arranger packs store nothing") {
        const auto strings = parse({
            cdTextPack(0x82, 0, 0, 0, "Wr" + z(1) + "Wr1" + z(1) + "Wr2" + z(3)),
            cdTextPack(0x83, 1, 1, 0, "Co" + z(1) + "Co2" + z(6)),
            cdTextPack(0x84, 0, 2, 0, "Ar" + z(10)),
            cdTextPack(0x80, 1, 3, 0, "One" + z(9)),
        });
        CHECK(strings.title == "?");
        CHECK(strings.artist == "?");
        CHECK(strings.performers.empty());
        REQUIRE(strings.titles.size() >= 2);
        CHECK(strings.titles[1] == "One");
        CHECK(strings.message.empty());
    }
    SUBCASE("messages are joined without separator") {
        const auto strings = parse({cdTextPack(0x85, 0, 0, 0, "Hi" + z(1) + "there" + z(4))});
        CHECK(strings.message == "Hithere");
    }
    SUBCASE("a sequence break ends the data") {
        const auto strings = parse({
            cdTextPack(0x80, 0, 0, 0, "Disc" + z(8)),
            cdTextPack(0x81, 0, 5, 0, "Band" + z(8)),
        });
        CHECK(strings.title == "Disc");
        CHECK(strings.artist == "?");
    }
    SUBCASE("no packs: defaults") {
        const DiscInfo info = applied(parse({}));
        CHECK(info.valid);
        CHECK(info.artist == "?");
        CHECK(info.title == "?");
        CHECK(info.trackList.entryCount() == 0);
    }
    SUBCASE("a single TAB repeats the previous track's text") {
        const auto strings = parse({
            cdTextPack(0x81, 0, 0, 0, "Krosis" + z(1) + "\t" + z(1) + "\t" + z(2)),
        });
        REQUIRE(strings.performers.size() >= 3);
        CHECK(strings.performers[1] == "Krosis");
        CHECK(strings.performers[2] == "Krosis");
    }
}

TEST_CASE("hostile CD-TEXT responses") {
    SUBCASE("a string over 255 bytes is cut at 255") {
        std::vector<std::vector<std::uint8_t>> packs;
        for (int i = 0; i < 30; ++i)
            packs.push_back(cdTextPack(0x80, 0, i, 0, std::string(12, 'A')));
        packs.push_back(cdTextPack(0x80, 0, 30, 0, z(1) + "Next" + z(7)));
        const auto strings = parse(packs);
        CHECK(strings.title == std::string(255, 'A'));
        REQUIRE(strings.titles.size() >= 2);
        CHECK(strings.titles[1] == "Next");
    }
    SUBCASE("a pack whose track byte is above 99 stores nothing; the packs after it count") {
        const auto strings = parse({
            cdTextPack(0x80, 1, 0, 0, "One" + z(9)),
            cdTextPack(0x80, 0x81, 1, 0, "Ext" + z(9)), // extension flag set
            cdTextPack(0x80, 200, 2, 0, "Bad" + z(9)),
            cdTextPack(0x81, 0, 3, 0, "Band" + z(1) + "Solo" + z(3)),
            cdTextPack(0x85, 0, 4, 0, "Msg" + z(9)),
        });
        REQUIRE(strings.titles.size() == 10); // "One" and the 8 empty strings after it
        CHECK(strings.titles[1] == "One");
        CHECK(strings.artist == "Band");
        REQUIRE(strings.performers.size() == 4);
        CHECK(strings.performers[1] == "Solo");
        CHECK(strings.message == "Msg");
    }
    SUBCASE("the track counter running past 99 keeps nothing there") {
        const auto strings = parse({
            cdTextPack(0x81, 99, 0, 0, "Last" + z(8)),
            cdTextPack(0x85, 0, 1, 0, "Msg" + z(9)),
        });
        REQUIRE(strings.performers.size() == 100);
        CHECK(strings.performers[99] == "Last");
        CHECK(strings.message == "Msg");
    }
    SUBCASE("at most 255 packs are read") {
        std::vector<std::vector<std::uint8_t>> packs;
        for (int i = 0; i < 255; ++i)
            packs.push_back(cdTextPack(0x85, 0, i, 0, "M" + z(11)));
        packs.push_back(cdTextPack(0x85, 0, 255, 0, "Z" + z(11)));
        const auto strings = parse(packs);
        CHECK(strings.message == std::string(255, 'M'));
    }
    SUBCASE("a buffer ending inside a pack") {
        auto response = cdTextResponse(
            {cdTextPack(0x80, 0, 0, 0, "Disc" + z(8)), cdTextPack(0x81, 0, 1, 0, "Band" + z(8))},
            4 + 18 + 10);
        const auto strings =
            parseCdTextPacks(ByteSpan{response.data(), response.size()}, CdTextLineSink());
        CHECK(strings.title == "Disc");
        CHECK(strings.artist == "?");
    }
}

namespace {

// A raw dump (packs without header) as a 5000-byte response.
bool loadDump(const std::string& name, std::vector<std::uint8_t>& response) {
    const std::string path = sharedTestData("cdtext/libcdio/" + name);
    if (path.empty())
        return false;
    const std::string bytes = readBytes(path);
    if (bytes.empty())
        return false;
    response.assign(5000, 0);
    for (std::size_t i = 0; i < bytes.size() && 4 + i < response.size(); ++i)
        response[4 + i] = static_cast<std::uint8_t>(bytes[i]);
    return true;
}

DiscInfo parseDump(const std::vector<std::uint8_t>& response) {
    return applied(parseCdTextPacks(ByteSpan{response.data(), response.size()}, CdTextLineSink()));
}

} // namespace

TEST_CASE("CD-TEXT of real dumps") {
    std::vector<std::uint8_t> response;
    SUBCASE("Krosis, A Memoir of Free Will (pressed disc, TAB repeats)") {
        if (!loadDump("cdtext-krosis.cdt", response)) {
            MESSAGE("shared CD-TEXT dumps absent: skipped");
            return;
        }
        const DiscInfo info = parseDump(response);
        CHECK(info.artist == "Krosis");
        CHECK(info.title == "A Memoir of Free Will");
        const char* titles[] = {"Gone But Not Forgotten",
                                "Insanity A Moniker Of Me",
                                "To Persist or Adhere",
                                "An Elegy for a Man Alive",
                                "Psychoticlysm",
                                "An Intramural Madness",
                                "Questions of a Holistic Divine",
                                "With Virtue I Am Free",
                                "Battles Are Won Within",
                                "A Memior of Free Will"};
        for (int n = 1; n <= 10; ++n) {
            INFO("track " << n);
            CHECK(trackTitle(info, n) == titles[n - 1]);
        }
        CHECK(info.extendedDisc.empty());
    }
    SUBCASE("Joyful Nights (two blocks: English read, German ignored)") {
        if (!loadDump("cdtext.cdt", response)) {
            MESSAGE("shared CD-TEXT dumps absent: skipped");
            return;
        }
        const DiscInfo info = parseDump(response);
        CHECK(info.artist == "United Cat Orchestra");
        CHECK(info.title == "Joyful Nights");
        CHECK(trackTitle(info, 1) == "Felix and The Purrs / Song of Joy");
        CHECK(trackTitle(info, 2) == "Catwalk Beauties / Humpty Dumpty");
        CHECK(trackTitle(info, 3) == "Mia Kitten / Mee Owwww");
        CHECK(info.extendedDisc ==
              "For all our fansFritz and Louie once were punksPluck the goose");
    }
    SUBCASE("Night Cats II (libburn round trip)") {
        if (!loadDump("cdtext-libburnia.cdt", response)) {
            MESSAGE("shared CD-TEXT dumps absent: skipped");
            return;
        }
        const DiscInfo info = parseDump(response);
        CHECK(info.artist == "United Cat Orchestra");
        CHECK(info.title == "Night Cats II");
        CHECK(trackTitle(info, 1) == "Felix and The Purrs / Song of Joy");
        CHECK(trackTitle(info, 2) == "Catwalk Beauties / The Hunt");
        CHECK(trackTitle(info, 3) == "Mia Kitten / Mee Owwww");
        CHECK(info.extendedDisc == "For all our fansFritz and Louie once were punks");
    }
}
