#include <doctest.h>

#include "base/file_io.h"
#include "settings/ini_lines.h"
#include "settings/profile_api.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

// Generated settings files read through the line rules and through
// GetPrivateProfileStringA must give the same values, also after a write in
// the profile mode or in the line mode. Values and other lines name sections
// inside the line ("Title=x[[Options]"), which is no header.
//
// The generator leaves out what the two read differently by design, as the
// line rules keep what the profile functions drop or interpret:
// - blanks at the start of a line or around keys, values and section names
//   (the profile functions trim them; the line rules trim nothing);
// - values wrapped in a pair of equal quotes (the profile functions strip
//   them; the line rules have no quoting);
// - a "[" line without "]" (a header for the line rules, an entry for the
//   profile functions) and a "]" after the one that ends a header name (the
//   line rules end the name at the first "]", the profile functions at the
//   last);
// - a line without "=" whose text is looked up as a key (an empty value for
//   the line rules, the default for the profile functions): such lines always
//   hold a "[" or "]", which keys never do;
// - two sections of the same name in one file (the line rules search them
//   all, the profile functions only the first);
// - control characters, a CR that does not end a line, and characters
//   beyond ASCII.

using namespace rubo;
using rubo::test::ScratchDir;

namespace {

constexpr const char kCasesVariable[] = "RUBO_INI_DIFF_CASES";
constexpr const char kSeedVariable[] = "RUBO_INI_DIFF_SEED";
constexpr unsigned long kDefaultCases = 2000;
constexpr unsigned long kDefaultSeed = 20240611;
constexpr int kReportedDifferences = 3;
constexpr std::size_t kShownColumns = 120;
constexpr std::size_t kLookups = 4;
constexpr std::size_t kTrapLookups = 2;
constexpr std::size_t kLookupsAfterWrite = 2;
// A write costs as much as several reads: every fifth case writes, in the
// two modes in turn.
constexpr unsigned long kWriteEvery = 5;
// The default of every read; no generated value holds a "~".
constexpr const char kDefault[] = "~default~";

constexpr const char kKeyChars[] = "abcdeXYZ0189_-.;#/'\" ";
constexpr const char kSectionChars[] = "abcdeXYZ0189_-.;#/'\" =[";
constexpr const char kValueChars[] = "abcdeXYZ0189_-.;#/'\" =[]";
constexpr const char kJunkChars[] = "abcXYZ ;#=[";

unsigned long environmentNumber(const char* name, unsigned long fallback) {
    const std::string text = rubo::test::environmentText(name);
    return text.empty() ? fallback : std::strtoul(text.c_str(), nullptr, 10);
}

// Only the engine's own output is used, so a seed gives the same files with
// every standard library.
class Random {
public:
    Random(unsigned long seed, unsigned long index) {
        std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(index)};
        engine_.seed(sequence);
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(engine_() % n); }
    bool chance(unsigned percent) { return below(100) < percent; }
    template <class T> const T& pick(const std::vector<T>& items) {
        return items[below(items.size())];
    }

private:
    std::mt19937 engine_;
};

struct Lookup {
    std::string section;
    std::string key;
};

struct Case {
    std::string contents;
    std::vector<Lookup> lookups;
    Lookup write;
    std::string value;
};

std::string characters(Random& random, const char* set, std::size_t length) {
    const std::size_t n = std::strlen(set);
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text += set[random.below(n)];
    return text;
}

void noBlankEdges(std::string& text) {
    if (!text.empty() && text.front() == ' ')
        text.front() = 'a';
    if (!text.empty() && text.back() == ' ')
        text.back() = 'z';
}

std::string flipCase(Random& random, std::string text) {
    for (char& c : text) {
        if (random.chance(30) && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            c = static_cast<char>(c ^ 0x20);
    }
    return text;
}

std::string makeSectionName(Random& random) {
    static const std::vector<std::string> known = {"Options", "POSITION", "POSITION_SMALL",
                                                   "Servers", "2A0B3C04", "5A038407"};
    if (random.chance(40))
        return random.pick(known);
    std::string name = characters(random, kSectionChars, 1 + random.below(10));
    noBlankEdges(name);
    return name;
}

std::string makeKey(Random& random) {
    static const std::vector<std::string> known = {"Logging", "FontName", "DTITLE",  "TTITLE0",
                                                   "Top",     "0",        "CddbSite"};
    if (random.chance(40))
        return random.pick(known);
    std::string key = characters(random, kKeyChars, 1 + random.below(random.chance(5) ? 300 : 12));
    noBlankEdges(key);
    return key;
}

// A value; with `trapSection`, one that holds "[[name]" as if a header
// followed inside the line.
std::string makeValue(Random& random, bool allowEmpty, const std::string* trapSection = nullptr) {
    if (allowEmpty && random.chance(10))
        return "";
    std::size_t length = random.chance(5) ? 990 + random.below(1100) : 1 + random.below(30);
    std::string value = characters(random, kValueChars, length);
    if (trapSection)
        value.insert(random.below(value.size() + 1), "[[" + *trapSection + "]");
    noBlankEdges(value);
    const char first = value.front();
    if (value.size() >= 2 && (first == '"' || first == '\'') && value.back() == first)
        value.back() = 'q';
    return value;
}

// Text without "=" that holds a "[" or "]" after its first character.
std::string makeBareLine(Random& random, const std::string* trapSection) {
    std::string line = characters(random, kKeyChars, 1 + random.below(8));
    noBlankEdges(line);
    if (trapSection)
        return line + "[[" + *trapSection + "]";
    line += random.chance(50) ? '[' : ']';
    for (std::size_t n = random.below(8); n > 0; --n) {
        char c = kValueChars[random.below(std::strlen(kValueChars))];
        line += c == '=' ? ']' : c;
    }
    return line;
}

Case makeCase(Random& random) {
    Case result;
    // Section names, unique without regard to case.
    std::vector<std::string> names;
    for (std::size_t n = 1 + random.below(5); names.size() < n;) {
        std::string name = makeSectionName(random);
        bool taken = false;
        for (const std::string& other : names)
            taken = taken || ini::equalsNoCase(name, other);
        if (!taken)
            names.push_back(name);
    }
    const char* lineEnd = random.chance(50) ? "\r\n" : "\n";
    const bool mixedEnds = random.chance(20);
    std::vector<std::string> lines;
    std::vector<std::vector<std::string>> keys(names.size());
    std::vector<std::string> allKeys;
    // Sections named inside a line, with the section whose keys follow.
    std::vector<std::pair<std::string, std::vector<std::string>*>> traps;

    auto body = [&](std::vector<std::string>* sectionKeys) {
        for (std::size_t n = random.below(8); n > 0; --n) {
            const std::string& other = random.pick(names);
            const std::size_t roll = random.below(100);
            if (roll < 60) {
                std::string key;
                if (sectionKeys && !sectionKeys->empty() && random.chance(15))
                    key = flipCase(random, random.pick(*sectionKeys));
                else if (!allKeys.empty() && random.chance(15))
                    key = random.pick(allKeys);
                else
                    key = makeKey(random);
                const bool trap = random.chance(15);
                lines.push_back(key + "=" + makeValue(random, true, trap ? &other : nullptr));
                if (sectionKeys)
                    sectionKeys->push_back(key);
                allKeys.push_back(key);
                if (trap)
                    traps.emplace_back(other, sectionKeys);
            } else if (roll < 70) {
                const bool trap = random.chance(50);
                lines.push_back(makeBareLine(random, trap ? &other : nullptr));
                if (trap)
                    traps.emplace_back(other, sectionKeys);
            } else if (roll < 75) {
                lines.push_back("=" + makeValue(random, true));
            } else if (roll < 88) {
                lines.emplace_back();
            } else if (roll < 92) {
                lines.push_back(std::string(1 + random.below(3), ' '));
            } else {
                // The same key again, for the first-match rule.
                if (sectionKeys && !sectionKeys->empty())
                    lines.push_back(flipCase(random, random.pick(*sectionKeys)) + "=" +
                                    makeValue(random, true));
            }
        }
    };

    if (random.chance(20))
        body(nullptr);
    for (std::size_t s = 0; s < names.size(); ++s) {
        std::string header = "[" + names[s] + "]";
        if (random.chance(10))
            header += characters(random, kJunkChars, 1 + random.below(6));
        lines.push_back(header);
        if (random.chance(5))
            lines.push_back("[]");
        body(&keys[s]);
    }

    for (std::size_t i = 0; i < lines.size(); ++i) {
        result.contents += lines[i];
        if (i + 1 < lines.size() || random.chance(80))
            result.contents += mixedEnds ? (random.chance(50) ? "\r\n" : "\n") : lineEnd;
    }

    // A profile read opens the file each time, which is slow under Wine: a
    // few reads per file, those after a section named inside a line first
    // (they must not find that section's keys), then keys of the sections,
    // keys of other sections and missing ones.
    std::vector<Lookup> trapped;
    for (const auto& [name, sectionKeys] : traps) {
        for (std::size_t k = 0; sectionKeys && k < sectionKeys->size(); ++k)
            trapped.push_back({name, (*sectionKeys)[k]});
    }
    for (std::size_t n = 0; n < kTrapLookups && !trapped.empty(); ++n) {
        std::swap(trapped[random.below(trapped.size())], trapped.back());
        result.lookups.push_back(trapped.back());
        trapped.pop_back();
    }
    while (result.lookups.size() < kLookups) {
        const std::size_t s = random.below(names.size());
        const std::size_t roll = random.below(100);
        if (roll < 60 && !keys[s].empty())
            result.lookups.push_back(
                {flipCase(random, names[s]), flipCase(random, random.pick(keys[s]))});
        else if (roll < 85 && !allKeys.empty())
            result.lookups.push_back({names[s], random.pick(allKeys)});
        else if (roll < 95)
            result.lookups.push_back({names[s], makeKey(random)});
        else
            result.lookups.push_back({makeSectionName(random), makeKey(random)});
    }

    // The write: mostly a known section, half the time a key it holds.
    const std::size_t s = random.below(names.size());
    result.write.section = random.chance(70) ? flipCase(random, names[s]) : makeSectionName(random);
    result.write.key = !keys[s].empty() && random.chance(50)
                           ? flipCase(random, random.pick(keys[s]))
                           : makeKey(random);
    result.value = random.chance(20) ? std::string() : makeValue(random, false);
    return result;
}

// The file for a report: line ends shown, long lines shortened.
std::string visible(const std::string& text) {
    std::string out;
    std::size_t column = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n\n";
            column = 0;
        } else if (column++ == kShownColumns) {
            std::size_t lineEnd = text.find_first_of("\r\n", i);
            if (lineEnd == std::string::npos)
                lineEnd = text.size();
            out += "...(" + std::to_string(lineEnd - i) + " more)";
            i = lineEnd - 1;
        } else {
            out += c;
        }
    }
    return out;
}

// Puts `contents` into the file without truncating it first, which is slow
// on some file systems; false when it cannot be written.
bool overwrite(const std::string& path, const std::string& contents) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok =
        WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
        written == contents.size() && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

std::string profileRead(const std::string& path, const Lookup& at) {
    std::vector<char> buffer(kProfileBufferSize);
    DWORD n = GetPrivateProfileStringA(at.section.c_str(), at.key.c_str(), kDefault, buffer.data(),
                                       static_cast<DWORD>(buffer.size()), path.c_str());
    return std::string(buffer.data(), n);
}

std::string cut(const std::string& value) {
    return value.substr(0, kProfileBufferSize - 1);
}

// The line rules on contents read once, cut as a profile read is.
std::string lineRead(const std::string& contents, const Lookup& at) {
    std::string value = kDefault;
    ini::findValue(contents, at.section, at.key, value);
    return cut(value);
}

// Reads every lookup both ways from the file holding `contents`; the first
// difference described, or empty.
std::string firstDifference(const std::string& path, const std::string& contents,
                            const std::vector<Lookup>& lookups) {
    for (const Lookup& at : lookups) {
        std::string byLines = lineRead(contents, at);
        std::string byProfile = profileRead(path, at);
        if (byLines != byProfile) {
            return "[" + at.section + "] " + at.key + ": line rules \"" + byLines +
                   "\", GetPrivateProfileStringA \"" + byProfile + "\"";
        }
    }
    return std::string();
}

enum class Modes { none, profile, line, both };

// One case: the file as made, then after the write in the given modes.
std::string checkCase(const ScratchDir& dir, const Case& c, Modes modes) {
    const std::string path = dir.file("generated.ini");
    REQUIRE(overwrite(path, c.contents));
    std::string difference = firstDifference(path, c.contents, c.lookups);
    if (!difference.empty())
        return "as generated: " + difference;

    // After the write: the key written and the first reads again.
    std::vector<Lookup> afterWrite(1, c.write);
    afterWrite.insert(afterWrite.end(), c.lookups.begin(),
                      c.lookups.begin() + std::min(c.lookups.size(), kLookupsAfterWrite));
    for (bool lineMode : {false, true}) {
        if (modes == Modes::none || (modes == Modes::profile && lineMode) ||
            (modes == Modes::line && !lineMode))
            continue;
        const std::string written = dir.file(lineMode ? "line.ini" : "profile.ini");
        REQUIRE(overwrite(written, c.contents));
        SettingsFile file(written, systemProfileApi());
        file.setOwnIniFormat(lineMode);
        file.writeString(c.write.section, c.write.key, c.value);
        std::string result;
        readWholeFile(written, result);
        difference = firstDifference(written, result, afterWrite);
        const std::string readBack = lineRead(result, c.write);
        if (difference.empty() && !c.value.empty() && readBack != cut(c.value))
            difference = "the written value does not read back: \"" + readBack + "\"";
        if (!difference.empty()) {
            return "after writing [" + c.write.section + "] " + c.write.key + "=" + c.value +
                   " in " + (lineMode ? "line mode" : "profile mode") + ", file:\n" +
                   visible(result) + "\n" + difference;
        }
    }
    return std::string();
}

} // namespace

TEST_CASE("hand-made files read alike through the line rules and GetPrivateProfileStringA") {
    ScratchDir dir;
    const std::vector<Case> cases = {
        // A "[" inside a value starts no section.
        {"[Disc]\r\nTitle=x[[Options]\r\nLogging=9\r\n[Options]\r\nLogging=1\r\n",
         {{"Options", "Logging"}, {"Disc", "Logging"}, {"Disc", "Title"}},
         {"Options", "Logging"},
         "2"},
        {"[Disc]\nTitle=x[[Options]\nLogging=9\n",
         {{"Options", "Logging"}, {"Disc", "Logging"}},
         {"Options", "Logging"},
         "3"},
        {"[S]\nk=[a]=b\nu=http://x/?a=b\r\n\r\n[T] junk\nk=1\n[]\nk=2",
         {{"S", "k"}, {"S", "U"}, {"t", "K"}, {"T", "none"}},
         {"T", "k"},
         ""},
        {"k=before\n[S]\nk\"=\"quoted'\nk=2\nK=3\n",
         {{"S", "k\""}, {"S", "K"}, {"S", "k"}},
         {"S", "k"},
         "'4"},
        // The line writer takes "[T] junk" for another section and adds [T].
        {"[T] junk\r\nk=1\r\n", {{"T", "k"}, {"T", "j"}}, {"T", "k"}, "5"},
        {"", {{"Options", "Logging"}}, {"Options", "Logging"}, "1"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string difference = checkCase(dir, cases[i], Modes::both);
        INFO("hand-made case " << i << "\nfile:\n"
                               << visible(cases[i].contents) << "\n"
                               << difference);
        CHECK(difference.empty());
    }
}

TEST_CASE("generated files read alike through the line rules and GetPrivateProfileStringA, also "
          "after a write in either mode") {
    const unsigned long seed = environmentNumber(kSeedVariable, kDefaultSeed);
    const unsigned long count = environmentNumber(kCasesVariable, kDefaultCases);
    std::printf("INI differential: %lu cases, seed %lu (%s, %s)\n", count, seed, kCasesVariable,
                kSeedVariable);
    ScratchDir dir;
    int differences = 0;
    for (unsigned long i = 0; i < count && differences < kReportedDifferences; ++i) {
        Random random(seed, i);
        const Case c = makeCase(random);
        const Modes modes = i % kWriteEvery != 0         ? Modes::none
                            : i % (2 * kWriteEvery) == 0 ? Modes::profile
                                                         : Modes::line;
        std::string difference = checkCase(dir, c, modes);
        if (!difference.empty()) {
            ++differences;
            FAIL_CHECK("seed " << seed << ", case " << i << "\nfile:\n"
                               << visible(c.contents) << "\n"
                               << difference);
        }
    }
    CHECK(differences == 0);
}
