#include <doctest.h>

#include "base/file_io.h"
#include "discinfo/disc_model.h"
#include "settings/ini_lines.h"
#include "settings/profile_api.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

// Reads from one read of the file and transactions made on one section's
// lines in memory must give the same values and the same bytes as a value
// at a time through the profile functions on the whole file. The reference
// is the same platform profile functions behind an interface that offers
// nothing else, which keeps the settings file on its per-key path.

using namespace rubo;
using rubo::test::readBytes;
using rubo::test::ScratchDir;
using rubo::test::writeBytes;

namespace {

#ifdef _WIN32
constexpr int kCases = 250;
#else
constexpr int kCases = 600;
#endif
constexpr unsigned kSeed = 20261209;
constexpr const char kDefault[] = "~default~";
constexpr int kLookups = 6;

// The platform's profile functions and nothing more.
struct PerKeyProfile : ProfileApi {
    std::string getString(const std::string& s, const std::string& k, const std::string& d,
                          const std::string& p) override {
        return systemProfileApi().getString(s, k, d, p);
    }
    bool writeString(const std::string& s, const std::string& k, const char* v,
                     const std::string& p) override {
        return systemProfileApi().writeString(s, k, v, p);
    }
};

// The platform's profile functions, counting the whole-file writes (those
// on a working copy of the file).
struct WatchedProfile : ProfileApi {
    int wholeFileWrites = 0;
    int textWrites = 0;
    int reads = 0;
    std::string getString(const std::string& s, const std::string& k, const std::string& d,
                          const std::string& p) override {
        ++reads;
        return systemProfileApi().getString(s, k, d, p);
    }
    bool writeString(const std::string& s, const std::string& k, const char* v,
                     const std::string& p) override {
        if (p.find(".change") != std::string::npos)
            ++wholeFileWrites;
        return systemProfileApi().writeString(s, k, v, p);
    }
    bool writeStringInText(const std::string& s, const std::string& k, const char* v,
                           std::string& text) override {
        const bool done = systemProfileApi().writeStringInText(s, k, v, text);
        textWrites += done;
        return done;
    }
    TextReads textReads() const override { return systemProfileApi().textReads(); }
    bool keepsOtherLines(std::string_view b, std::string_view a, std::string_view s,
                         bool changed) const override {
        return systemProfileApi().keepsOtherLines(b, a, s, changed);
    }
};

class Random {
public:
    explicit Random(unsigned index) {
        std::seed_seq sequence{kSeed, index};
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

const std::vector<std::string> kSections = {"Options", "5A038407", "2A0B3C04", "Servers",
                                            "POSITION"};
const std::vector<std::string> kKeys = {"Artist", "Title", "Year",  "1",
                                        "2",      "Extd",  "Extt1", "Logging"};

std::string word(Random& random, const char* set, std::size_t length) {
    std::string text;
    const std::string chars(set);
    for (std::size_t i = 0; i < length; ++i)
        text += chars[random.below(chars.size())];
    return text;
}

std::string caseFlipped(Random& random, std::string text) {
    for (char& c : text)
        if (random.chance(25) && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            c = static_cast<char>(c ^ 0x20);
    return text;
}

std::string plainValue(Random& random) {
    if (random.chance(3))
        return std::string(random.chance(50) ? "\"" : "'") +
               std::string(995 + random.below(8), 'q') + (random.chance(50) ? "\"" : "'");
    if (random.chance(10))
        return "\"" + word(random, "abc '", random.below(4)) + "\"";
    std::string v =
        word(random, "abcXYZ019 .,-'\"=[]", 1 + random.below(random.chance(3) ? 1200 : 20));
    if (v.front() == ' ')
        v.front() = 'a';
    if (v.back() == ' ')
        v.back() = 'z';
    return v;
}

// A file as the profile functions or the line rules leave it: CR LF,
// printable text, sections with a blank line before them or none.
std::string tidyFile(Random& random) {
    const bool blankLines = random.chance(50);
    std::string file;
    const std::size_t sections = random.below(8);
    for (std::size_t s = 0; s < sections; ++s) {
        if (blankLines && !file.empty())
            file += "\r\n";
        file += "[" + (random.chance(80) ? random.pick(kSections) : word(random, "ABCDEF0123", 8)) +
                "]\r\n";
        const std::size_t keys = random.chance(5) ? 2000 : random.below(10);
        for (std::size_t k = 0; k < keys; ++k)
            file += (random.chance(70) ? random.pick(kKeys) : word(random, "abcxyz09", 4)) + "=" +
                    plainValue(random) + "\r\n";
    }
    return file;
}

// Everything the two rule sets read differently, and bytes beyond text.
std::string hostileLine(Random& random, const std::string& section) {
    switch (random.below(14)) {
    case 0:
        return "";
    case 1:
        return "  [" + section + "]";
    case 2:
        return "[" + caseFlipped(random, section) + " ]";
    case 3:
        return "[" + section;
    case 4:
        return "no equals sign";
    case 5:
        return " " + random.pick(kKeys) + " = " + plainValue(random) + " ";
    case 6:
        return random.pick(kKeys) + "=\"" + plainValue(random) + "\"";
    case 7:
        return std::string("bin=\x01\x80\xff\x1a", 8) + std::string(1, '\0') + "x";
    case 8:
        return ";" + plainValue(random);
    case 9:
        return "=" + plainValue(random);
    case 10:
        return random.pick(kKeys) + "=x[" + section + "]";
    case 11:
        return "[" + section + "]junk";
    case 12:
        return "\xEF\xBB\xBF[" + section + "]";
    default:
        return random.pick(kKeys) + "=" + plainValue(random);
    }
}

std::string lineEnd(Random& random) {
    switch (random.below(10)) {
    case 0:
        return "\n";
    case 1:
        return "\r";
    default:
        return "\r\n";
    }
}

std::string hostileFile(Random& random, const std::string& section) {
    std::string file = tidyFile(random);
    const std::size_t lines = 1 + random.below(12);
    for (std::size_t i = 0; i < lines; ++i) {
        std::string line =
            random.chance(50) ? hostileLine(random, section) : "[" + random.pick(kSections) + "]";
        line += lineEnd(random);
        // Anywhere: before, among or after the tidy sections.
        std::size_t at = random.chance(30) ? 0 : file.size();
        if (random.chance(40) && !file.empty()) {
            at = file.find('\n', random.below(file.size()));
            at = at == std::string::npos ? file.size() : at + 1;
        }
        file.insert(at, line);
    }
    if (random.chance(20) && !file.empty())
        file.pop_back();
    return file;
}

struct Write {
    std::string key;
    std::string value;
};

std::vector<Write> writesFor(Random& random, const std::string& file) {
    std::vector<Write> writes;
    const std::size_t n = 1 + random.below(10);
    for (std::size_t i = 0; i < n; ++i) {
        Write w;
        w.key = caseFlipped(random, random.pick(kKeys));
        if (random.chance(15))
            w.value.clear(); // removes the key
        else if (random.chance(20) && !file.empty()) {
            // A value the file holds already: the profile functions then
            // leave the file alone.
            const std::size_t eq = file.find('=', random.below(file.size()));
            const std::size_t stop = eq == std::string::npos ? eq : file.find('\r', eq);
            w.value = stop == std::string::npos ? "v" : file.substr(eq + 1, stop - eq - 1);
            if (w.value.empty() || w.value.find('\n') != std::string::npos)
                w.value = "v";
        } else {
            w.value = plainValue(random);
        }
        writes.push_back(w);
    }
    return writes;
}

void applyChange(SettingsFile& file, const std::string& section, bool clear,
                 const std::vector<Write>& writes) {
    SettingsFile::Transaction change(file);
    if (clear)
        file.clearSection(section);
    for (const Write& w : writes)
        file.writeString(section, w.key, w.value);
    change.commit();
}

std::string shown(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n\n";
        else if (c < 0x20 || c >= 0x7F)
            out += "\\x" + std::string(1, "0123456789ABCDEF"[c >> 4]) +
                   std::string(1, "0123456789ABCDEF"[c & 15]);
        else
            out += static_cast<char>(c);
    }
    return out;
}

} // namespace

TEST_CASE("one-section transactions and one-read lookups match the per-key path byte for byte") {
    ScratchDir dir;
    const std::string oldPath = dir.file("old.ini");
    const std::string newPath = dir.file("new.ini");
    PerKeyProfile perKey;
    WatchedProfile watched;
    int tidyInMemory = 0;
    int lookups = 0;
    int lookupsInMemory = 0;
    int tidyCases = 0;
    int differences = 0;
    for (int n = 0; n < kCases && differences < 3; ++n) {
        Random random(static_cast<unsigned>(n));
        const bool tidy = random.chance(50);
        const std::string section =
            random.chance(85) ? caseFlipped(random, random.pick(kSections)) : "NEW0SECT";
        const std::string before = tidy ? tidyFile(random) : hostileFile(random, section);
        const bool lineMode = random.chance(50);
        const bool clear = random.chance(70);
        const std::vector<Write> writes = writesFor(random, before);
        const bool missing = before.empty() && random.chance(50);

        std::filesystem::remove(oldPath);
        std::filesystem::remove(newPath);
        if (!missing) {
            writeBytes(oldPath, before);
            writeBytes(newPath, before);
        }
        SettingsFile oldFile(oldPath, perKey);
        SettingsFile newFile(newPath, watched);
        oldFile.setOwnIniFormat(lineMode);
        newFile.setOwnIniFormat(lineMode);

        // Lookups, also of keys without a value and of missing ones.
        watched.reads = 0;
        for (int i = 0; i < kLookups; ++i) {
            const std::string s =
                random.chance(80) ? caseFlipped(random, random.pick(kSections)) : section;
            const std::string k =
                random.chance(80) ? caseFlipped(random, random.pick(kKeys)) : "no equals sign";
            static const std::vector<std::string> defaults = {
                kDefault, "\"quoted\"", "'a'", "two blanks  ", "'", "\"\"", "", "???"};
            const std::string& fallback = random.pick(defaults);
            const std::string expected = oldFile.getString(s, k, fallback);
            const std::string got = newFile.getString(s, k, fallback);
            if (got != expected && ++differences <= 3)
                FAIL_CHECK("case " << n << " read [" << s << "] " << k << ": " << got << " vs "
                                   << expected << "\n"
                                   << shown(before));
        }

        lookups += kLookups;
        lookupsInMemory += kLookups - watched.reads;
        watched.wholeFileWrites = 0;
        applyChange(oldFile, section, clear, writes);
        applyChange(newFile, section, clear, writes);
        const std::string expected = readBytes(oldPath);
        const std::string got = readBytes(newPath);
        if (got != expected && ++differences <= 3)
            FAIL_CHECK("case " << n << " (line mode " << lineMode << ", [" << section
                               << "]): bytes differ\nbefore:\n"
                               << shown(before) << "\nexpected:\n"
                               << shown(expected) << "\ngot:\n"
                               << shown(got));
        CHECK(std::filesystem::exists(newPath) == std::filesystem::exists(oldPath));
        CHECK_FALSE(std::filesystem::exists(newPath + ".change"));
        CHECK_FALSE(std::filesystem::exists(newPath + ".section"));
        if (tidy && !missing) {
            ++tidyCases;
            tidyInMemory += watched.wholeFileWrites == 0;
        }
    }
    CHECK(differences == 0);
    // Tidy files are what the program writes: most of them must be changed
    // in memory, or this test compares the per-key path with itself.
    CAPTURE(tidyCases);
    CHECK(tidyInMemory * 2 > tidyCases);
    CAPTURE(lookups);
    CHECK(lookupsInMemory * 8 > lookups);
    // Most writes are made on the text without the profile functions.
    CHECK(watched.textWrites > kCases);
}

TEST_CASE("a transaction in memory: reads inside see it, a failed write is dropped, a second "
          "section goes to the working copy") {
    ScratchDir dir;
    const std::string path = dir.file("RUBO.ini");
    const std::string before = "[Options]\r\nA=1\r\n[5A038407]\r\nArtist=Old\r\n[Z]\r\nB=2\r\n";
    for (bool lineMode : {false, true}) {
        CAPTURE(lineMode);
        writeBytes(path, before);
        SettingsFile file(path, systemProfileApi());
        file.setOwnIniFormat(lineMode);
        {
            SettingsFile::Transaction change(file);
            file.clearSection("5A038407");
            file.writeString("5A038407", "Artist", "New");
            CHECK(file.getString("5A038407", "Artist", "") == "New");
            file.writeString("5A038407", "Title", "T");
            CHECK(readBytes(path) == before);
            CHECK(change.commit());
        }
        CHECK(file.getString("5A038407", "Artist", "") == "New");
        CHECK(file.getString("5A038407", "Title", "") == "T");
        CHECK(file.getString("Z", "B", "") == "2");
        {
            SettingsFile::Transaction change(file);
            file.writeString("5A038407", "Title", "U");
            file.writeString("Z", "B", "3");
            CHECK(change.commit());
        }
        CHECK(file.getString("5A038407", "Title", "") == "U");
        CHECK(file.getString("Z", "B", "") == "3");
        CHECK_FALSE(std::filesystem::exists(path + ".change"));
        CHECK_FALSE(std::filesystem::exists(path + ".section"));
    }
}

TEST_CASE("a lookup sees an outside edit made between two accesses") {
    ScratchDir dir;
    const std::string path = dir.file("RUBO.ini");
    writeBytes(path, "[5A038407]\r\nArtist=First\r\n");
    for (bool lineMode : {true, false}) {
        CAPTURE(lineMode);
        SettingsFile file(path, systemProfileApi());
        file.setOwnIniFormat(lineMode);
        CHECK(file.getString("5A038407", "Artist", "") != "");
        // Same size, same file: only the contents tell.
        writeBytes(path, "[5A038407]\r\nArtist=Other\r\n");
        CHECK(file.getString("5A038407", "Artist", "") == "Other");
        // A file last changed long ago is kept between accesses; an edit
        // gives it a new time, a replace a new identity.
        writeBytes(path, "[5A038407]\r\nArtist=First\r\n");
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() -
                                                   std::chrono::hours(1));
        CHECK(file.getString("5A038407", "Artist", "") == "First");
        writeBytes(path, "[5A038407]\r\nArtist=Other\r\n");
        CHECK(file.getString("5A038407", "Artist", "") == "Other");
        writeBytes(path + ".new", "[5A038407]\r\nArtist=Third\r\n");
        std::filesystem::last_write_time(
            path + ".new", std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() -
                                                   std::chrono::hours(1));
        CHECK(file.getString("5A038407", "Artist", "") == "Other");
        std::filesystem::rename(path + ".new", path);
        CHECK(file.getString("5A038407", "Artist", "") == "Third");
        writeBytes(path, "[5A038407]\r\nArtist=First\r\n");
    }
}
