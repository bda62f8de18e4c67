#include <doctest.h>

#include "settings/ini_lines.h"

using namespace rubo::ini;

namespace {
std::string lookup(const std::string& contents, const char* section, const char* key) {
    std::string value = "<none>";
    findValue(contents, section, key, value);
    return value;
}
} // namespace

TEST_CASE("reader: sections and keys without regard to case, first match wins") {
    const std::string file = "[Options]\r\nLogging=1\r\n\r\n[2A0B3C04]\r\nTITLE=Hello World\r\n"
                             "title=second\r\n[options]\r\nlogging=2\r\n";
    CHECK(lookup(file, "options", "LOGGING") == "1");
    CHECK(lookup(file, "2a0b3c04", "Title") == "Hello World");
    CHECK(lookup(file, "Options", "Missing") == "<none>");
    CHECK(lookup(file, "Nowhere", "Logging") == "<none>");

    SUBCASE("nothing is trimmed: blanks belong to keys and values") {
        const std::string hand = "[S]\nKey = value \nOther=  x\n";
        CHECK(lookup(hand, "S", "Key") == "<none>");
        CHECK(lookup(hand, "S", "Key ") == " value ");
        CHECK(lookup(hand, "S", "Other") == "  x");
    }
    SUBCASE("a line without = is a key with an empty value; the value keeps later =") {
        const std::string f = "[S]\nBare\nUrl=http://x/?a=b\n";
        CHECK(lookup(f, "S", "Bare") == "");
        CHECK(lookup(f, "S", "Url") == "http://x/?a=b");
    }
    SUBCASE("the header name ends at the first ]; LF and CRLF files read alike") {
        CHECK(lookup("[S] trailing\nk=v\n", "S", "k") == "v");
        CHECK(lookup("[S]\r\nk=v\r\n", "S", "k") == "v");
        CHECK(lookup("[S]\nk=v", "S", "k") == "v");
    }
    SUBCASE("a [ inside a line is no header, only one at the start of a line") {
        const std::string f =
            "[Disc]\r\nTitle=x[[Options]\r\nLogging=9\r\n[Options]\r\nLogging=1\r\n";
        CHECK(lookup(f, "Options", "Logging") == "1");
        CHECK(lookup(f, "Disc", "Logging") == "9");
        CHECK(lookup("[D]\nT=[[S]\nk=9\n", "S", "k") == "<none>");
        CHECK(lookup("[D]\nT=a[b[[S]]\nk=9\n[S]\n", "S", "k") == "<none>");
        CHECK(lookup("[D]\nx[\n[[S]\nk=2\n", "[S", "k") == "2");
        // Blocks of eight bytes: the "[" before a header in every position.
        for (std::size_t pad = 0; pad < 17; ++pad) {
            std::string g = "[D]\n" + std::string(pad, 'x') + "[[S]\nk=9\n[S]\nk=1\n";
            CHECK(lookup(g, "S", "k") == "1");
        }
    }
}

TEST_CASE("writer: new sections, replacing, inserting and removing") {
    SUBCASE("a new section gets a blank line before it only when the last line is not blank") {
        CHECK(applyWrite("", "Options", "A", "1") == "[Options]\r\nA=1\r\n");
        CHECK(applyWrite("[X]\r\nk=v\r\n", "Options", "A", "1") ==
              "[X]\r\nk=v\r\n\r\n[Options]\r\nA=1\r\n");
        CHECK(applyWrite("[X]\r\nk=v\r\n\r\n", "Options", "A", "1") ==
              "[X]\r\nk=v\r\n\r\n[Options]\r\nA=1\r\n");
    }
    SUBCASE("an existing key is replaced in place, keeping the case of the new key") {
        CHECK(applyWrite("[S]\r\na=1\r\nb=2\r\n", "s", "A", "9") == "[S]\r\nA=9\r\nb=2\r\n");
    }
    SUBCASE("a new key goes after the last non-empty line of the section, not after blanks") {
        CHECK(applyWrite("[S]\r\na=1\r\n\r\n\r\n[T]\r\nx=1\r\n", "S", "b", "2") ==
              "[S]\r\na=1\r\nb=2\r\n\r\n\r\n[T]\r\nx=1\r\n");
        CHECK(applyWrite("[S]\r\n\r\n[T]\r\n", "S", "b", "2") == "[S]\r\nb=2\r\n\r\n[T]\r\n");
    }
    SUBCASE("an empty value deletes the line; a missing key leaves the file as it was") {
        CHECK(applyWrite("[S]\r\na=1\r\nb=2\r\n", "S", "a", "") == "[S]\r\nb=2\r\n");
        CHECK(applyWrite("[S]\r\na=1\r\n", "S", "zz", "") == "[S]\r\na=1\r\n");
        CHECK(applyWrite("", "S", "zz", "") == "");
    }
    SUBCASE("a duplicated key: the last one is replaced") {
        CHECK(applyWrite("[S]\r\nk=1\r\nk=2\r\n", "S", "k", "3") == "[S]\r\nk=1\r\nk=3\r\n");
    }
    SUBCASE("the writer's header name is everything between the first and the last character") {
        // "[S] x" does not name section S for the writer, so S is added anew.
        CHECK(applyWrite("[S] x\r\nk=1\r\n", "S", "k", "2") ==
              "[S] x\r\nk=1\r\n\r\n[S]\r\nk=2\r\n");
    }
    SUBCASE("lines are normalised to CRLF, a missing last line end is added") {
        CHECK(applyWrite("[S]\nk=1", "S", "j", "2") == "[S]\r\nk=1\r\nj=2\r\n");
    }
}

TEST_CASE("section clearing keeps the header and the blank lines after the last entry") {
    const std::string file = "[A]\r\na=1\r\n\r\n[S]\r\nx=1\r\n\r\ny=2\r\n\r\n\r\n[B]\r\nb=1\r\n";
    CHECK(applyClearSection(file, "s") == "[A]\r\na=1\r\n\r\n[S]\r\n\r\n\r\n[B]\r\nb=1\r\n");
    SUBCASE("an empty or missing section leaves the file as it was") {
        CHECK(applyClearSection("[S]\r\n\r\n[B]\r\n", "S") == "[S]\r\n\r\n[B]\r\n");
        CHECK(applyClearSection(file, "Nope") == file);
    }
    SUBCASE("of a duplicated section only the last one is cleared") {
        CHECK(applyClearSection("[S]\r\na=1\r\n[S]\r\nb=2\r\n", "S") == "[S]\r\na=1\r\n[S]\r\n");
    }
    SUBCASE("a section at the end of the file") {
        CHECK(applyClearSection("[S]\r\na=1\r\nb=2", "S") == "[S]\r\n");
    }
}

TEST_CASE("reader and writer agree on what they wrote") {
    std::string file;
    for (int i = 0; i < 50; ++i) {
        std::string section = "S" + std::to_string(i % 7);
        std::string key = "Key" + std::to_string(i);
        file = applyWrite(file, section, key, "value " + std::to_string(i));
    }
    for (int i = 0; i < 50; ++i) {
        std::string section = "s" + std::to_string(i % 7);
        std::string key = "KEY" + std::to_string(i);
        CHECK(lookup(file, section.c_str(), key.c_str()) == "value " + std::to_string(i));
    }
}

TEST_CASE("the lines a one-section change touches, and what the rest of the file must be") {
    std::size_t begin = 0, end = 0;
    const std::string file = "a=1\r\n[S]\r\nx=1\r\n[T]\r\ny=1\r\n[s]\r\nz=1\r\n\r\n[U]\r\nu=1";
    SUBCASE("from the first header of the section to the header after its last one") {
        CHECK(findSectionRegion(file, "S", begin, end));
        CHECK(file.substr(begin, end - begin) == "[S]\r\nx=1\r\n[T]\r\ny=1\r\n[s]\r\nz=1\r\n\r\n");
        CHECK(findSectionRegion(file, "U", begin, end));
        CHECK(file.substr(begin) == "[U]\r\nu=1");
    }
    SUBCASE("a missing section: the last line, which decides the blank line before it") {
        CHECK_FALSE(findSectionRegion(file, "V", begin, end));
        CHECK(file.substr(begin, end - begin) == "u=1");
        CHECK_FALSE(findSectionRegion("[A]\r\n\r\n", "V", begin, end));
        CHECK(begin == 5);
        CHECK_FALSE(findSectionRegion("", "V", begin, end));
        CHECK(begin == 0);
    }
    SUBCASE("every line in CR LF") {
        CHECK(endsEveryLineWithCrLf(""));
        CHECK(endsEveryLineWithCrLf("a\r\n\r\n"));
        CHECK(endsEveryLineWithCrLf("a\rb\r\n"));
        CHECK_FALSE(endsEveryLineWithCrLf("a\r\nb"));
        CHECK_FALSE(endsEveryLineWithCrLf("a\nb\r\n"));
        CHECK_FALSE(endsEveryLineWithCrLf("\n"));
    }
    SUBCASE("what the profile functions could take for a header of the section") {
        CHECK(mayHoldProfileHeader("x=1\r\n  [ s ]\r\n", "S"));
        CHECK(mayHoldProfileHeader("x=1\r[S", "S"));
        CHECK(mayHoldProfileHeader("[S\xC4]\r\n", "SI"));
        CHECK_FALSE(mayHoldProfileHeader("[T]\r\nS=1\r\n[SX", "SY"));
    }
    SUBCASE("the form the profile functions write") {
        CHECK(isProfileWrittenForm(""));
        CHECK(isProfileWrittenForm("a=1\r\n[S]\r\nx=\r\n;note\r\nplain\r\nq=\"a = b\"\r\n"));
        for (const char* text : {"\r\n", "[S]\r\n\r\n", "a=1", "a=1\n", "a = 1\r\n", " a=1\r\n",
                                 "a=1 \r\n", "[S]x\r\n", "[ S]\r\n", "[]\r\n", "[S]]\r\n",
                                 "a=\xE9\r\n", "a=\t\r\n", "=1\r\n", "a\rb=1\r\n"})
            CHECK_MESSAGE(!isProfileWrittenForm(text), text);
    }
}
