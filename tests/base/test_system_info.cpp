#include <doctest.h>

#include "base/system_info.h"

#include <filesystem>
#include <map>
#include <set>

using namespace rubo;

namespace {

// In-memory registry with the real key semantics: an existing key is written
// only with overwrite, a missing one is created. Locked keys cannot be opened.
class FakeRegistry : public Registry {
public:
    std::string readString(RegistryRoot root, const std::string& subKey,
                           const std::string& valueName, const std::string& defaultText) override {
        auto key = keys.find(subKey);
        if (root != RegistryRoot::ClassesRoot || key == keys.end() || locked.count(subKey))
            return defaultText;
        auto value = key->second.find(valueName);
        return value == key->second.end() ? defaultText : value->second;
    }
    void writeString(RegistryRoot root, const std::string& subKey, const std::string& valueName,
                     const std::string& text, bool overwrite) override {
        if (root != RegistryRoot::ClassesRoot || locked.count(subKey))
            return;
        if (!keys.count(subKey) || overwrite)
            keys[subKey][valueName] = text;
    }
    std::map<std::string, std::map<std::string, std::string>> keys;
    std::set<std::string> locked;
};

const char* const kAudioCd = "AudioCD\\shell\\play\\command";
const char* const kCdaFile = "cdafile\\shell\\play\\command";

std::string replaced(std::string text, const std::string& pattern, const std::string& with) {
    ReplaceAll(text, pattern, with);
    return text;
}
std::string escaped(std::string text) {
    EscapeInfoText(text);
    return text;
}
std::string unescaped(std::string text) {
    UnescapeInfoText(text);
    return text;
}

} // namespace

TEST_CASE("operating-system kinds") {
    struct Row {
        unsigned long platform, major, minor, build;
        OsKind kind;
        const char* name;
    } const rows[] = {
        {0, 3, 11, 0, 0, "Windows 32s"},
        {1, 4, 3, 0, 1, "Windows 95 variant"},
        {1, 4, 0, 950, 2, "Windows 95"},
        {1, 4, 10, 0, 3, "Windows 98"},
        {1, 4, 90, 0, 4, "Windows ME"},
        {2, 2, 0, 0, 5, "Windows NT variant"},
        {2, 6, 4, 9841, 5, "Windows NT variant"},
        {2, 7, 0, 0, 5, "Windows NT variant"},
        {2, 10, 1, 0, 5, "Windows NT variant"},
        {2, 11, 0, 26000, 5, "Windows NT variant"},
        {2, 3, 49, 0, 6, "Windows NT 3 variant"},
        {2, 3, 50, 0, 7, "Windows 3.5"},
        {2, 3, 51, 1057, 7, "Windows 3.5"},
        {2, 4, 0, 1381, 8, "Windows 4"},
        {2, 5, 3, 0, 9, "Windows 2000 variant"},
        {2, 5, 0, 2195, 10, "Windows 2000"},
        {2, 5, 1, 2600, 11, "Windows XP"},
        {2, 5, 2, 3790, 12, "Windows .NET"},
        {2, 6, 0, 6002, 13, "Windows Vista"},
        {2, 6, 1, 7601, 14, "Windows 7"},
        {2, 6, 2, 9200, 15, "Windows 8"},
        {2, 6, 3, 9600, 16, "Windows 8.1"},
        {2, 10, 0, 0, 17, "Windows 10"},
        {2, 10, 0, 19045, 17, "Windows 10"},
        {2, 10, 0, 21999, 17, "Windows 10"},
        {2, 10, 0, 22000, 18, "Windows 11"},
        {2, 10, 0, 26100, 18, "Windows 11"},
        {3, 5, 1, 0, -1, "Unknown Windows version"},
        {3, 10, 0, 22000, -1, "Unknown Windows version"},
    };
    for (const Row& row : rows) {
        CAPTURE(row.platform);
        CAPTURE(row.major);
        CAPTURE(row.minor);
        CAPTURE(row.build);
        CHECK(osKindFromVersion(row.platform, row.major, row.minor, row.build) == row.kind);
        CHECK(osKindName(row.kind) == row.name);
    }
    // Without a build number the old three-value reading still works.
    CHECK(osKindFromVersion(kPlatformNt, 5, 1) == kOsWindowsXp);
    CHECK(osKindFromVersion(kPlatformNt, 10, 0) == kOsWindows10);
    // The later systems come after every older kind, so comparisons keep working.
    CHECK(kOsWindowsVista > kOsWindowsDotNet);
    CHECK(osKindName(19) == "Unknown Windows version");
    CHECK(osKindName(-2) == "Unknown Windows version");
}

TEST_CASE("text helpers") {
    SUBCASE("ReplaceAll scans left to right and never rescans") {
        CHECK(replaced("aXa", "a", "aa") == "aaXaa");
        CHECK(replaced("aaa", "aa", "b") == "ba");
        CHECK(replaced("a.b.", ".", "") == "ab");
        CHECK(replaced("ab", "abc", "y") == "ab");
        CHECK(replaced("abc", "", "y") == "abc");
    }
    SUBCASE("info text escaping") {
        CHECK(escaped("a\r\nb") == "a\\nb");
        CHECK(unescaped("a\\nb") == "a\r\nb");
        CHECK(escaped("C:\\t\tx\ry") == "C:\\\\t\\txy");
        CHECK(unescaped("C:\\\\dir\\tx") == "C:\\dir\tx");
        // An escaped backslash before n or t stays a backslash.
        CHECK(unescaped("\\\\n") == "\\n");
        CHECK(unescaped("a\\b\\") == "a\\b\\");
        for (const char* typed : {"C:\\new\\tmp", "\\\\n\t\r\n", "x\\", "\\t\\n"}) {
            CAPTURE(typed);
            std::string expected = typed;
            ReplaceAll(expected, "\r", "");
            ReplaceAll(expected, "\n", "\r\n");
            CHECK(unescaped(escaped(typed)) == expected);
        }
    }
    SUBCASE("ampersands") {
        CHECK(EscapeAmpersands("Rock & Roll&") == "Rock && Roll&&");
        CHECK(EscapeAmpersands("plain") == "plain");
    }
    SUBCASE("default track titles") {
        CHECK(IsDefaultTrackTitle("TRACK 3"));
        CHECK(IsDefaultTrackTitle("Track 12a"));
        CHECK(IsDefaultTrackTitle("tRaCk 0"));
        CHECK_FALSE(IsDefaultTrackTitle("Track"));
        CHECK_FALSE(IsDefaultTrackTitle("Track "));
        CHECK_FALSE(IsDefaultTrackTitle("Track A"));
        CHECK_FALSE(IsDefaultTrackTitle("Tracks 3"));
    }
}

TEST_CASE("default-player registration") {
    FakeRegistry registry;
    const std::string mine = "D:\\Player\\rubo.exe";
    const std::string command = "\"D:\\Player\\rubo.exe\" \"%l\"";
    auto value = [&](const char* key) {
        return registry.readString(RegistryRoot::ClassesRoot, key, "", "<none>");
    };
    auto state = [&](const std::string& path) { return installationStateText(registry, path); };
    const char* const notInstalled = "RUBO is NOT installed as the default CD player";

    SUBCASE("install twice, then uninstall") {
        installAsDefaultPlayer(registry, mine);
        installAsDefaultPlayer(registry, mine);
        CHECK(registry.keys.size() == 2);
        CHECK(registry.keys[kAudioCd].size() == 1);
        CHECK(value(kAudioCd) == command);
        CHECK(value(kCdaFile) == command);
        CHECK(state(mine) == "This copy of RUBO is installed as the default CD player");
        CHECK(state("C:\\Other\\rubo.exe") == "RUBO is installed as the default CD player");
        uninstallAsDefaultPlayer(registry);
        CHECK(registry.keys.size() == 2);
        CHECK(value(kAudioCd) == "");
        CHECK(value(kCdaFile) == "");
        CHECK(state(mine) == notInstalled);
    }
    SUBCASE("overwrite 0 keeps an existing value") {
        registerAsDefaultPlayer(registry, "C:\\Other\\rubo.exe", kAudioCd, true);
        registerAsDefaultPlayer(registry, mine, kAudioCd, false);
        registerAsDefaultPlayer(registry, mine, kCdaFile, false);
        CHECK(value(kAudioCd) == "\"C:\\Other\\rubo.exe\" \"%l\"");
        CHECK(value(kCdaFile) == command);
        CHECK(state(mine) == "RUBO is installed as the default CD player");
    }
    SUBCASE("both keys must match, the name with case") {
        installAsDefaultPlayer(registry, "C:\\Other\\RUBO.EXE");
        CHECK(state(mine) == notInstalled);
        registerAsDefaultPlayer(registry, mine, kAudioCd, true);
        CHECK(state(mine) == notInstalled);
        CHECK(state("") == notInstalled);
        installAsDefaultPlayer(registry, "C:\\Other\\RUBO.EXE");
        CHECK(state("C:\\Other\\RUBO.EXE") ==
              "This copy of RUBO is installed as the default CD player");
    }
    SUBCASE("an unopenable sub-key gives the default") {
        registry.locked.insert(kAudioCd);
        installAsDefaultPlayer(registry, mine);
        CHECK(value(kAudioCd) == "<none>");
        CHECK(value(kCdaFile) == command);
        CHECK(state(mine) == notInstalled);
    }
}

TEST_CASE("the platform's system information") {
    SystemInfo& info = systemInfo();
    std::error_code ec;
    CHECK(std::filesystem::is_regular_file(info.modulePath(), ec));
    CHECK(info.osName() == osKindName(info.osKind()));
    CHECK_FALSE(info.userName().empty());
    CHECK(info.userName() != "?");
}
