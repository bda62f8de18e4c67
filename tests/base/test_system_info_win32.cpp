#include <doctest.h>

#include "base/system_info_win32.h"
#include "support/test_support.h"

#include <windows.h>

#include <filesystem>
#include <vector>

using namespace rubo;

namespace {

const char* const kTestKey = "Software\\RUBO-test";

bool keyExists(const std::string& subKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Keeps a class key's default value and the missing part of its path, and
// puts both back at the end.
class SavedClassKey {
public:
    explicit SavedClassKey(const std::string& subKey) : subKey_(subKey) {
        for (std::string::size_type at = 0; at != std::string::npos;) {
            at = subKey.find('\\', at + 1);
            if (!keyExists(subKey.substr(0, at)))
                missing_.push_back(subKey.substr(0, at));
        }
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return;
        DWORD size = 0;
        hadValue_ = RegQueryValueExA(key, "", nullptr, &type_, nullptr, &size) == ERROR_SUCCESS;
        data_.resize(size + 1);
        RegQueryValueExA(key, "", nullptr, &type_, data_.data(), &size);
        data_.resize(size);
        RegCloseKey(key);
    }
    ~SavedClassKey() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey_.c_str(), 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            if (hadValue_)
                RegSetValueExA(key, "", 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
            else
                RegDeleteValueA(key, "");
            RegCloseKey(key);
        }
        for (auto it = missing_.rbegin(); it != missing_.rend(); ++it)
            RegDeleteKeyA(HKEY_CLASSES_ROOT, it->c_str());
    }

private:
    std::string subKey_;
    std::vector<std::string> missing_;
    bool hadValue_ = false;
    DWORD type_ = REG_NONE;
    std::vector<BYTE> data_;
};

} // namespace

TEST_CASE("registry strings in the Windows registry") {
    struct Cleanup {
        Cleanup() { RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }
        ~Cleanup() { RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }
    } cleanup;
    Registry& registry = systemRegistry();
    const RegistryRoot user = RegistryRoot::CurrentUser;
    auto read = [&](const char* name) { return registry.readString(user, kTestKey, name, "-"); };

    CHECK(read("Name") == "-");
    registry.writeString(user, kTestKey, "Name", "first", false);
    CHECK(read("Name") == "first");
    registry.writeString(user, kTestKey, "Name", "second", false);
    registry.writeString(user, kTestKey, "Other", "x", false);
    CHECK(read("Name") == "first");
    CHECK(read("Other") == "-");
    registry.writeString(user, kTestKey, "Name", "third", true);
    registry.writeString(user, kTestKey, "", "", true);
    CHECK(read("Name") == "third");
    CHECK(read("") == "");
    CHECK(read("Absent") == "-");

    const std::string longest(1023, 'x');
    registry.writeString(user, kTestKey, "Longest", longest, true);
    registry.writeString(user, kTestKey, "TooLong", longest + "y", true);
    CHECK(read("Longest") == longest);
    CHECK(read("TooLong") == "-");
}

TEST_CASE("default-player registration in the Windows registry") {
    const char* const audioCd = "AudioCD\\shell\\play\\command";
    const char* const cdaFile = "cdafile\\shell\\play\\command";
    SavedClassKey savedAudioCd(audioCd), savedCdaFile(cdaFile);
    Registry& registry = systemRegistry();
    const std::string path = systemInfo().modulePath();
    auto value = [&](const char* key) {
        return registry.readString(RegistryRoot::ClassesRoot, key, "", "-");
    };

    installAsDefaultPlayer(registry, path);
    registerAsDefaultPlayer(registry, "C:\\Other\\rubo.exe", audioCd, false);
    CHECK(value(audioCd) == "\"" + path + "\" \"%l\"");
    CHECK(value(cdaFile) == value(audioCd));
    CHECK(installationStateText(registry, path) ==
          "This copy of RUBO is installed as the default CD player");
    uninstallAsDefaultPlayer(registry);
    CHECK(keyExists(audioCd));
    CHECK(value(audioCd) == "");
    CHECK(value(cdaFile) == "");
    CHECK(installationStateText(registry, path) ==
          "RUBO is NOT installed as the default CD player");
}

TEST_CASE("system facts under Windows") {
    SystemInfo& info = systemInfo();
    std::filesystem::path path = info.modulePath();
    CHECK(path.is_absolute());
    CHECK(path.extension().string() == ".exe");
    CHECK_FALSE(info.userName().empty());
    CHECK(info.userName() != "?");

    // The true version, whatever the test program's manifest (it has none).
    OSVERSIONINFOW version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    RtlGetVersionFunction rtlGetVersion = systemRtlGetVersion();
    REQUIRE(static_cast<bool>(rtlGetVersion));
    REQUIRE(rtlGetVersion(&version) == 0);
    OsKind kind = osKindFromVersion(version.dwPlatformId, version.dwMajorVersion,
                                    version.dwMinorVersion, version.dwBuildNumber);
    CHECK(kind != kOsUnknown);
    CHECK(info.osKind() == kind);
    CHECK(info.osName() == osKindName(kind));

    SetLastError(ERROR_FILE_NOT_FOUND);
    std::string notFound = info.lastErrorText();
    SetLastError(ERROR_ACCESS_DENIED);
    CHECK_FALSE(notFound.empty());
    CHECK(info.lastErrorText() != notFound);
}

namespace {

// Stand-ins for ntdll's RtlGetVersion.
LONG WINAPI reportsWindows11(OSVERSIONINFOW* info) {
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->dwMajorVersion = 10;
    info->dwMinorVersion = 0;
    info->dwBuildNumber = 22631;
    return 0;
}

LONG WINAPI fails(OSVERSIONINFOW* info) {
    info->dwMajorVersion = 10;
    info->dwBuildNumber = 22631;
    return static_cast<LONG>(0xC0000001L); // STATUS_UNSUCCESSFUL
}

OsKind versionExKind() {
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    BOOL ok = GetVersionExA(&version);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    REQUIRE(ok);
    return osKindFromVersion(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                             version.dwBuildNumber);
}

} // namespace

TEST_CASE("the version call and its fall-back") {
    CHECK(readOsKind(reportsWindows11) == kOsWindows11);
    // Without RtlGetVersion, or when it fails, GetVersionExA answers.
    const OsKind fallback = versionExKind();
    CHECK(readOsKind(nullptr) == fallback);
    CHECK(readOsKind(fails) == fallback);
    CHECK(fallback != kOsWindows11);
}

// Run by scripts/run-os-version-tests once per Windows version it sets in
// the prefix, with the name RUBO must show for it.
TEST_SUITE("os-version" * doctest::skip()) {
    TEST_CASE("the name of the Windows version the prefix reports") {
        const std::string expected = test::environmentText("RUBO_EXPECTED_OS");
        REQUIRE_FALSE(expected.empty());
        CHECK(systemInfo().osName() == expected);
    }
}
