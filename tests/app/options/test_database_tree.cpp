#include <doctest.h>

#include "app/options/database_tree.h"
#include "support/test_support.h"

#include <random>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

char iconLetter(DatabaseIcon icon) {
    switch (icon) {
    case DatabaseIcon::Artist:
        return 'A';
    case DatabaseIcon::Album:
        return 'D';
    case DatabaseIcon::Song:
        return 'S';
    }
    return '?';
}

void outlineChildren(const DatabaseTree& tree, std::size_t parent, int depth, std::string& out) {
    for (std::size_t i = 0; i < tree.items.size(); ++i) {
        if (tree.items[i].parent != parent)
            continue;
        out.append(static_cast<std::size_t>(depth) * 2, ' ');
        out += iconLetter(tree.items[i].icon);
        out += ' ';
        out += tree.items[i].text;
        out += '\n';
        outlineChildren(tree, i, depth + 1, out);
    }
}

// The tree as the page shows it: one line per item, children indented.
std::string outline(const DatabaseTree& tree) {
    std::string out;
    outlineChildren(tree, DatabaseItem::kNoParent, 0, out);
    return out;
}

// What every tree holds, whatever the file: artists at the top, albums under
// artists, songs under albums, each after its parent, no NUL in a text.
void checkShape(const DatabaseTree& tree) {
    for (std::size_t i = 0; i < tree.items.size(); ++i) {
        const DatabaseItem& item = tree.items[i];
        CHECK(item.text.find('\0') == std::string::npos);
        if (item.icon == DatabaseIcon::Artist) {
            CHECK(item.parent == DatabaseItem::kNoParent);
            continue;
        }
        REQUIRE(item.parent < i);
        const DatabaseIcon parentIcon =
            item.icon == DatabaseIcon::Album ? DatabaseIcon::Artist : DatabaseIcon::Album;
        CHECK(tree.items[item.parent].icon == parentIcon);
    }
}

const std::string kTwoDiscs = "[Options]\n"
                              "CddbSite=1\n"
                              "\n"
                              "[2003C01]\n"
                              "Artist=Band\n"
                              "Title=First\n"
                              "Year=1997\n"
                              "Genre=Rock\n"
                              "Category=rock\n"
                              "1=Intro\n"
                              "2=Song\n"
                              "Extd=YEAR: 1997\n"
                              "Extt1=\n"
                              "\n"
                              "[A10B2C0D]\n"
                              "Artist=Other\n"
                              "Title=Second\n"
                              "1=Only\n";

const std::string kTwoDiscsOutline = "A Band\n"
                                     "  D [2003C01] First\n"
                                     "    S   1  Intro\n"
                                     "    S   2  Song\n"
                                     "A Other\n"
                                     "  D [A10B2C0D] Second\n"
                                     "    S   1  Only\n";

} // namespace

TEST_CASE("the database tree: artists, their albums and songs from the disc sections") {
    const DatabaseTree tree = buildDatabaseTree(crlf(kTwoDiscs));
    CHECK(outline(tree) == kTwoDiscsOutline);
    checkShape(tree);
    REQUIRE(tree.items.size() == 7);
    CHECK(tree.items[1].section == "2003C01");
    CHECK(tree.items[1].discId == 0x2003C01u);
    CHECK(tree.items[5].section == "A10B2C0D");
    CHECK(tree.items[5].discId == 0xA10B2C0Du);
}

TEST_CASE("the database tree: one item per artist, albums added under it in file order") {
    const std::string text = "[1]\nArtist=Band\nTitle=One\n1=a\n\n"
                             "[2]\nArtist=Other\nTitle=Two\n1=b\n\n"
                             "[3]\nArtist=Band\nTitle=Three\n1=c\n\n"
                             "[4]\nArtist=band\nTitle=Four\n";
    const DatabaseTree tree = buildDatabaseTree(text);
    CHECK(outline(tree) == "A Band\n"
                           "  D [1] One\n"
                           "    S   1  a\n"
                           "  D [3] Three\n"
                           "    S   1  c\n"
                           "A Other\n"
                           "  D [2] Two\n"
                           "    S   1  b\n"
                           "A band\n"
                           "  D [4] Four\n");
    checkShape(tree);
}

TEST_CASE("the database tree: which lines make songs") {
    SUBCASE("keys that are not numbers, and 0, come before the first track and are passed over") {
        const DatabaseTree tree =
            buildDatabaseTree("[5]\nArtist=A\nTitle=T\nYear=1\n0=zero\nGenre\n3=three\n4=four\n");
        CHECK(outline(tree) == "A A\n  D [5] T\n    S   3  three\n    S   4  four\n");
    }
    SUBCASE("after the first track, a key below 1 ends the disc until the next section") {
        const DatabaseTree tree =
            buildDatabaseTree("[5]\nArtist=A\nTitle=T\n1=one\nExtd=x\n2=lost\nArtist=B\nTitle=U\n"
                              "[6]\nArtist=C\nTitle=V\n1=kept\n");
        CHECK(outline(tree) == "A A\n  D [5] T\n    S   1  one\nA C\n  D [6] V\n    S   1  kept\n");
    }
    SUBCASE("a blank line and a negative key end the disc too") {
        CHECK(outline(buildDatabaseTree("[5]\nArtist=A\nTitle=T\n1=a\n\n2=b\n")) ==
              "A A\n  D [5] T\n    S   1  a\n");
        CHECK(outline(buildDatabaseTree("[5]\nArtist=A\nTitle=T\n1=a\n-2=b\n3=c\n")) ==
              "A A\n  D [5] T\n    S   1  a\n");
        CHECK(outline(buildDatabaseTree("[5]\nArtist=A\nTitle=T\n-1=a\n2=b\n")) ==
              "A A\n  D [5] T\n");
    }
    SUBCASE("keys read as the decimal conversion does; numbers at least three wide") {
        const DatabaseTree tree = buildDatabaseTree(
            "[5]\nArtist=A\nTitle=T\n 2=blank\n+3=plus\n7abc=digits first\n1000=wide\n"
            "99999999999=held\n12=a=b\n");
        CHECK(outline(tree) == "A A\n  D [5] T\n"
                               "    S   2  blank\n"
                               "    S   3  plus\n"
                               "    S   7  digits first\n"
                               "    S 1000  wide\n"
                               "    S 2147483647  held\n"
                               "    S  12  a=b\n");
    }
}

TEST_CASE("the database tree: section headers and the artist and title lines") {
    SUBCASE("an empty disc id starts nothing; lines before any section are passed over") {
        CHECK(outline(buildDatabaseTree("Artist=X\nTitle=Y\n1=z\n[]\nArtist=A\nTitle=T\n")) == "");
    }
    SUBCASE("the disc id ends at the first ']', or at the end of a header without one") {
        const DatabaseTree tree =
            buildDatabaseTree("[12]34] tail\nArtist=A\nTitle=T\n[ABC\nArtist=B\nTitle=U\n");
        CHECK(outline(tree) == "A A\n  D [12] T\nA B\n  D [ABC] U\n");
        CHECK(tree.items[1].section == "12");
        CHECK(tree.items[3].discId == 0xABCu);
    }
    SUBCASE("artist and title are the text after the key's length and one more character") {
        const DatabaseTree tree =
            buildDatabaseTree("[1]\nGenre=x\nArtist:Colon\nYear=1\nTitle Spaced\n1=a\n");
        CHECK(outline(tree) == "A Colon\n  D [1] Spaced\n    S   1  a\n");
    }
    SUBCASE("the key is compared with its case; the title must follow the artist") {
        CHECK(outline(buildDatabaseTree("[1]\nartist=a\nTitle=T\nArtist=B\ntitle=t\n1=x\n")) ==
              "A B\n");
    }
    SUBCASE("a section without a title leaves its artist without an album") {
        CHECK(outline(buildDatabaseTree("[1]\nArtist=A\n1=x\n[2]\nArtist=B\nTitle=T\n")) ==
              "A A\nA B\n  D [2] T\n");
    }
    SUBCASE("the disc id is at most eight leading hexadecimal digits of the section name") {
        const DatabaseTree tree = buildDatabaseTree(
            "[abcdef012]\nArtist=A\nTitle=T\n[Options]\nArtist=A\nTitle=U\n[12G4]\nArtist=A\n"
            "Title=V\n");
        REQUIRE(tree.items.size() == 4);
        CHECK(tree.items[1].discId == 0xABCDEF01u);
        CHECK(tree.items[1].section == "abcdef012");
        CHECK(tree.items[2].discId == 0u);
        CHECK(tree.items[3].discId == 0x12u);
    }
}

TEST_CASE("the database tree: the album of an item") {
    const DatabaseTree tree = buildDatabaseTree(kTwoDiscs);
    CHECK(tree.albumOf(0) == nullptr);
    CHECK(tree.albumOf(1) == &tree.items[1]);
    CHECK(tree.albumOf(3) == &tree.items[1]);
    CHECK(tree.albumOf(6) == &tree.items[5]);
    CHECK(tree.albumOf(7) == nullptr);
    CHECK(tree.albumOf(DatabaseItem::kNoParent) == nullptr);
}

TEST_CASE("the database tree from a file: read once, a missing file gives an empty tree") {
    ScratchDir dir;
    CHECK(readDatabaseTree(dir.file("RUBO.ini")).items.empty());
    writeBytes(dir.path() / "RUBO.ini", crlf(kTwoDiscs));
    CHECK(outline(readDatabaseTree(dir.file("RUBO.ini"))) == kTwoDiscsOutline);
}

TEST_CASE("the database tree of files edited by hand into nonsense") {
    SUBCASE("any line end, and a last line without one") {
        std::string cr = kTwoDiscs;
        for (char& c : cr)
            if (c == '\n')
                c = '\r';
        std::string mixed = crlf(kTwoDiscs);
        mixed.replace(mixed.find("Title=First\r\n"), 13, "Title=First\r");
        mixed.replace(mixed.find("1=Intro\r\n"), 9, "1=Intro\n");
        CHECK(outline(buildDatabaseTree(kTwoDiscs)) == kTwoDiscsOutline);
        CHECK(outline(buildDatabaseTree(cr)) == kTwoDiscsOutline);
        CHECK(outline(buildDatabaseTree(mixed)) == kTwoDiscsOutline);
        CHECK(outline(buildDatabaseTree(kTwoDiscs.substr(0, kTwoDiscs.size() - 1))) ==
              kTwoDiscsOutline);
        CHECK(outline(buildDatabaseTree(kTwoDiscs.substr(0, kTwoDiscs.size() - 3))) ==
              "A Band\n  D [2003C01] First\n    S   1  Intro\n    S   2  Song\n"
              "A Other\n  D [A10B2C0D] Second\n    S   1  On\n");
        CHECK(outline(buildDatabaseTree(std::string("[1]\nArtist=A\nTitle=T\n1"))) ==
              "A A\n  D [1] T\n    S   1  \n");
    }
    SUBCASE("duplicate sections each show their album") {
        const DatabaseTree tree =
            buildDatabaseTree("[7]\nArtist=A\nTitle=T\n1=a\n\n[7]\nArtist=A\nTitle=T2\n1=b\n");
        CHECK(outline(tree) == "A A\n  D [7] T\n    S   1  a\n  D [7] T2\n    S   1  b\n");
    }
    SUBCASE("lines without '='") {
        CHECK(outline(buildDatabaseTree("[1]\nArtist\nTitle\nYear 1997\n1\n2 two\n")) ==
              "A \n  D [1] \n    S   1  \n    S   2  \n");
    }
    SUBCASE("a section of 2,000 tracks") {
        std::string text = "[1]\nArtist=A\nTitle=Long\n";
        for (int n = 1; n <= 2000; ++n)
            text += std::to_string(n) + "=Track " + std::to_string(n) + "\n";
        const DatabaseTree tree = buildDatabaseTree(text);
        REQUIRE(tree.items.size() == 2002);
        CHECK(tree.items[2].text == "  1  Track 1");
        CHECK(tree.items[2001].text == "2000  Track 2000");
        CHECK(tree.items[2001].parent == 1);
    }
    SUBCASE("NUL and other binary bytes in names") {
        const char raw[] = "[1\0002]\nArtist=A\0B\nTitle=\xFF\x01T\n1=\0\n";
        const std::string text(raw, sizeof raw - 1);
        const DatabaseTree tree = buildDatabaseTree(text);
        CHECK(outline(tree) == "A A?B\n  D [1?2] \xFF\x01T\n    S   1  ?\n");
        checkShape(tree);
    }
    SUBCASE("random bytes and fragments of the file's own lines") {
        const char* const fragments[] = {
            "[", "]", "Artist=", "Title=", "=", "1=", "2000=", "-1", "\r", "\n", "\r\n"};
        std::mt19937 random(20030830u);
        for (int file = 0; file < 300; ++file) {
            std::string text;
            const int pieces = static_cast<int>(random() % 400);
            for (int p = 0; p < pieces; ++p) {
                if (random() % 3 == 0)
                    text += static_cast<char>(random() % 256);
                else
                    text += fragments[random() % (sizeof fragments / sizeof fragments[0])];
            }
            checkShape(buildDatabaseTree(text));
        }
    }
}
