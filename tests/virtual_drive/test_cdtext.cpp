#include "vdrive_test_util.h"

#include "support/test_support.h"

#include "sim/cdtext.h"
#include "sim/disc.h"

#include <map>

using namespace rubo::vdrive;
using vdtest::Bytes;

namespace {

// CRC-16/CCITT, polynomial 0x1021, initial 0, one bit at a time, result inverted.
unsigned referenceCrc(const std::uint8_t* p) {
    unsigned crc = 0;
    for (int byte = 0; byte < 16; ++byte) {
        for (int bit = 7; bit >= 0; --bit) {
            unsigned in = (p[byte] >> bit) & 1u;
            unsigned top = (crc >> 15) & 1u;
            crc = (crc << 1) & 0xFFFFu;
            if (in ^ top)
                crc ^= 0x1021u;
        }
    }
    return ~crc & 0xFFFFu;
}

struct Decoded {
    std::map<int, std::string> text[3]; // title, performer, message by track
    std::map<int, int> packsOf[3];      // packs carrying bytes of a track's text
    std::string problems;
};

int slotOf(std::uint8_t type) {
    return type == 0x80 ? 0 : type == 0x81 ? 1 : 2;
}

// An independent decoder that also checks the framing rules of every pack.
Decoded decode(const Bytes& packs) {
    Decoded d;
    REQUIRE(packs.size() % 18 == 0);
    std::string current;
    int currentTrack = -1;
    std::uint8_t currentType = 0;
    for (std::size_t i = 0; i * 18 < packs.size(); ++i) {
        const std::uint8_t* p = &packs[i * 18];
        if (p[2] != i)
            d.problems += "seq " + std::to_string(i) + ";";
        if (((p[16] << 8) | p[17]) != static_cast<int>(referenceCrc(p)))
            d.problems += "crc " + std::to_string(i) + ";";
        if (p[0] != 0x80 && p[0] != 0x81 && p[0] != 0x85)
            continue;
        if (p[0] != currentType) {
            currentType = p[0];
            current.clear();
            currentTrack = p[1];
        }
        int expectPos =
            static_cast<int>(current.size()) > 15 ? 15 : static_cast<int>(current.size());
        if ((p[3] & 0x0F) != expectPos || (p[3] & 0xF0) != 0)
            d.problems += "pos " + std::to_string(i) + ";";
        if (p[1] != currentTrack)
            d.problems += "track " + std::to_string(i) + ";";
        int lastCounted = -1;
        for (int k = 4; k < 16; ++k) {
            if (currentTrack != lastCounted) {
                ++d.packsOf[slotOf(p[0])][currentTrack];
                lastCounted = currentTrack;
            }
            if (p[k] == 0) {
                d.text[slotOf(p[0])][currentTrack] = current;
                current.clear();
                ++currentTrack;
            } else {
                current += static_cast<char>(p[k]);
            }
        }
    }
    return d;
}

Bytes pack(std::initializer_list<int> head16) {
    Bytes p;
    for (int b : head16)
        p.push_back(static_cast<std::uint8_t>(b));
    unsigned crc = referenceCrc(p.data());
    p.push_back(static_cast<std::uint8_t>(crc >> 8));
    p.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    return p;
}

} // namespace

TEST_CASE("CD-TEXT: CRC") {
    // Pack 0 of libcdio's cdtext.cdt: "Joyful Night", stored CRC f0 f7.
    const std::uint8_t p[18] = {0x80, 0,   0,   0,   'J', 'o', 'y', 'f',  'u',
                                'l',  ' ', 'N', 'i', 'g', 'h', 't', 0xF0, 0xF7};
    CHECK(referenceCrc(p) == 0xF0F7u);
    CHECK(cdTextCrc(p) == 0xF0F7u);
    SUBCASE("every pack of real dumps") {
        for (const char* name : {"cdtext.cdt", "cdtext-krosis.cdt", "cdtext-libburnia.cdt"}) {
            std::string path = rubo::test::sharedTestData(std::string("cdtext/libcdio/") + name);
            if (path.empty()) {
                MESSAGE("shared test data absent; skipped");
                return;
            }
            std::string raw = rubo::test::readBytes(path);
            for (std::size_t at = 0; at + 18 <= raw.size(); at += 18) {
                auto q = reinterpret_cast<const std::uint8_t*>(raw.data() + at);
                CHECK(cdTextCrc(q) == ((q[16] << 8) | q[17]));
            }
        }
    }
}

TEST_CASE("CD-TEXT: builder") {
    SUBCASE("smallest block, bytes by hand") {
        CdTextFields f;
        f.disc.title = "AB";
        f.firstTrack = 1;
        f.lastTrack = 1;
        f.tracks.resize(1);
        Bytes packs;
        std::string error;
        REQUIRE(buildCdTextPacks(f, packs, error));
        Bytes expected;
        for (const Bytes& p : {pack({0x80, 0, 0, 0, 'A', 'B', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
                               pack({0x8F, 0, 1, 0, 0x00, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}),
                               pack({0x8F, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 3, 3, 0, 0, 0}),
                               pack({0x8F, 2, 3, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0})})
            expected.insert(expected.end(), p.begin(), p.end());
        CHECK(packs == expected);
    }
    SUBCASE("same packs as a reference authoring tool") {
        CdTextFields f;
        f.disc = {"Joyful Nights", "United Cat Orchestra", ""};
        f.tracks = {{"Song of Joy", "Felix and The Purrs", ""},
                    {"Humpty Dumpty", "Catwalk Beauties", ""},
                    {"Mee Owwww", "Mia Kitten", ""}};
        f.lastTrack = 3;
        Bytes packs;
        std::string error;
        REQUIRE(buildCdTextPacks(f, packs, error));
        REQUIRE(packs.size() == 14 * 18u);
        // Packs 1 and 8 of libcdio's cdtext.cdt: continuation positions 12 and 15.
        CHECK(Bytes(packs.begin() + 18, packs.begin() + 36) ==
              Bytes{0x80, 0x00, 0x01, 0x0C, 's', 0, 'S', 'o', 'n', 'g', ' ', 'o', 'f', ' ', 'J',
                    'o', 0x43, 0x1C});
        CHECK(Bytes(packs.begin() + 8 * 18, packs.begin() + 9 * 18) ==
              Bytes{0x81, 0x01, 0x08, 0x0F, 'u', 'r', 'r', 's', 0, 'C', 'a', 't', 'w', 'a', 'l',
                    'k', 0x6A, 0x14});
        std::string path = rubo::test::sharedTestData("cdtext/libcdio/cdtext.cdt");
        if (!path.empty()) {
            std::string raw = rubo::test::readBytes(path);
            REQUIRE(raw.size() >= 11 * 18);
            CHECK(Bytes(packs.begin(), packs.begin() + 11 * 18) ==
                  Bytes(raw.begin(), raw.begin() + 11 * 18));
        }
    }
    SUBCASE("round trip: long title over three packs, message, other performer") {
        CdTextFields f;
        f.disc = {"Disc", "Band", "Hello there, listeners"};
        f.tracks = {{"One", "Band", ""},
                    {"A title long enough to need three packs", "Guest", ""},
                    {"Three", "", ""}};
        f.lastTrack = 3;
        Bytes packs;
        std::string error;
        REQUIRE(buildCdTextPacks(f, packs, error));
        Decoded d = decode(packs);
        CHECK(d.problems == "");
        CHECK(d.text[0][0] == "Disc");
        CHECK(d.text[0][2] == "A title long enough to need three packs");
        CHECK(d.text[0][3] == "Three");
        CHECK(d.text[1][0] == "Band");
        CHECK(d.text[1][2] == "Guest");
        CHECK(d.text[1][3] == "");
        CHECK(d.text[2][0] == "Hello there, listeners");
        // Titles: 4+1 + 3+1 + 39+1 + 5+1 = 55 bytes -> 5 packs; the 40-byte title starts at
        // byte 9 and is met at positions 3 and 15 in packs 1 and 2.
        CHECK(packs[1 * 18 + 3] == 3);
        CHECK(packs[2 * 18 + 3] == 15);
        CHECK(packs[3 * 18 + 3] == 15);
        CHECK(packs[2 * 18 + 1] == 2);
        // Size record: 5 title, 2 performer, 3 message packs, last sequence 12.
        std::size_t size0 = packs.size() - 3 * 18;
        CHECK(packs[size0] == 0x8F);
        CHECK(packs[size0 + 4 + 4] == 5);
        CHECK(packs[size0 + 4 + 5] == 2);
        CHECK(packs[size0 + 4 + 9] == 3);
        CHECK(packs[size0 + 18 + 4 + 8] == 12);
    }
    SUBCASE("limits") {
        CdTextFields f;
        f.lastTrack = 99;
        f.tracks.resize(99);
        for (auto& t : f.tracks)
            t.title = std::string(40, 'x');
        Bytes packs{1, 2, 3};
        std::string error;
        CHECK_FALSE(buildCdTextPacks(f, packs, error));
        CHECK(error.find("one block holds 256") != std::string::npos);
        CHECK(packs == Bytes{1, 2, 3});
        f.tracks.assign(99, CdTextStrings{});
        f.tracks[4].performer = std::string(161, 'y');
        CHECK_FALSE(buildCdTextPacks(f, packs, error));
        CHECK(error == "CD-TEXT performer of track 5 is longer than 160 characters");
    }
}

TEST_CASE("CD-TEXT: raw .cdt bytes") {
    Bytes one = pack({0x80, 0, 0, 0, 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Bytes packs;
    std::string error;
    SUBCASE("bare packs with a zero tail") {
        Bytes file = one;
        file.push_back(0);
        REQUIRE(parseCdtBytes(file, "a.cdt", packs, error));
        CHECK(packs == one);
    }
    SUBCASE("behind a READ TOC header") {
        Bytes file = one;
        const Bytes header{0x00, 0x14, 0, 0};
        file.insert(file.begin(), header.begin(), header.end());
        REQUIRE(parseCdtBytes(file, "a.cdt", packs, error));
        CHECK(packs == one);
    }
    SUBCASE("rejected") {
        Bytes tail = one;
        tail.push_back(7);
        CHECK_FALSE(parseCdtBytes(tail, "a.cdt", packs, error));
        CHECK(error == "a.cdt: offset 18: 1 bytes after the last pack are not padding");
        Bytes badType = one;
        badType.insert(badType.end(), one.begin(), one.end());
        badType[18] = 0x42;
        CHECK_FALSE(parseCdtBytes(badType, "b.cdt", packs, error));
        CHECK(error == "b.cdt: offset 18: pack 1 has type 0x42, not 0x80-0x8F");
        CHECK_FALSE(parseCdtBytes(Bytes{}, "c.cdt", packs, error));
        CHECK(packs.empty());
    }
}

TEST_CASE("CD-TEXT: the 12-track sample disc") {
    Disc disc;
    std::string error;
    REQUIRE(loadDiscFile(std::string(RUBO_SOURCE_DIR) + "/tools/virtual-drive/discs/cdtext-12.disc",
                         disc, error));
    Decoded d = decode(disc.cdText);
    CHECK(d.problems == "");
    CHECK(d.text[0][0] == "Virtual Sessions");
    CHECK(d.text[0][2] == "A Very Long Title That Continues");
    CHECK(d.packsOf[0][2] == 3);
    CHECK(d.text[0][12] == "Closing");
    CHECK(d.text[1][0] == "The Virtual Players");
    CHECK(d.text[1][5] == "Guest Singer");
    CHECK(d.text[1][4] == "The Virtual Players");
    CHECK(d.text[2][0] == "Recorded for the RUBO virtual drive");
}
