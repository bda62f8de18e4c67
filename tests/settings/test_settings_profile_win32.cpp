#include <doctest.h>

#include "base/file_io.h"
#include "recording_profile.h"
#include "settings/ini_lines.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <windows.h>

#include <vector>

using namespace rubo;
using rubo::test::readBytes;
using rubo::test::RecordingProfile;
using rubo::test::ScratchDir;
using rubo::test::writeBytes;

namespace {

std::string profileRead(const std::string& path, const char* section, const char* key) {
    char buffer[kProfileBufferSize];
    DWORD n = GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof buffer, path.c_str());
    return std::string(buffer, n);
}

std::string lineRead(const std::string& path, const char* section, const char* key) {
    std::string contents, value = "<none>";
    readWholeFile(path, contents);
    ini::findValue(contents, section, key, value);
    return value;
}

} // namespace

TEST_CASE("with IniCompatibility on a value goes through the line writer and then the profile "
          "writer") {
    ScratchDir dir;
    RecordingProfile profile;
    SettingsFile file(dir.file("RUBO.ini"), profile);
    file.setOwnIniFormat(true);
    file.writeString("Options", "FontName", "Tahoma");
    file.writeString("2A0B3C04", "DTITLE", "Artist / Title");
    file.writeString("Options", "FontName", "");
    CHECK(profile.writes == std::vector<std::string>{"Options/FontName=Tahoma",
                                                     "2A0B3C04/DTITLE=Artist / Title",
                                                     "Options/FontName=<remove>"});
    // Both writers agree: each key is stored once and reads back both ways.
    std::string contents = readBytes(file.path());
    CHECK(contents.find("DTITLE=") == contents.rfind("DTITLE="));
    CHECK(profileRead(file.path(), "2A0B3C04", "DTITLE") == "Artist / Title");
    CHECK(lineRead(file.path(), "2a0b3c04", "dtitle") == "Artist / Title");
    CHECK(profileRead(file.path(), "Options", "FontName") == "<none>");

    SUBCASE("profile mode writes through the real functions alone") {
        profile.writes.clear();
        file.setOwnIniFormat(false);
        file.writeInt("Options", "Logging", 1);
        CHECK(profile.writes == std::vector<std::string>{"Options/Logging=1"});
        CHECK(file.getInt("Options", "Logging", 0) == 1);
    }
}

TEST_CASE("the real profile functions and the line rules read each other's files") {
    ScratchDir dir;
    const std::string path = dir.file("RUBO.ini");

    SUBCASE("written by WritePrivateProfileStringA, read by the line reader") {
        WritePrivateProfileStringA("Options", "Logging", "1", path.c_str());
        WritePrivateProfileStringA("5A038407", "DTITLE", "Artist / Title", path.c_str());
        WritePrivateProfileStringA("5A038407", "TTITLE0", "First = one", path.c_str());
        WritePrivateProfileStringA("Options", "CddbSite", "3", path.c_str());
        CHECK(lineRead(path, "Options", "Logging") == "1");
        CHECK(lineRead(path, "OPTIONS", "CddbSite") == "3");
        CHECK(lineRead(path, "5A038407", "DTITLE") == "Artist / Title");
        CHECK(lineRead(path, "5A038407", "TTITLE0") == "First = one");
    }
    SUBCASE("written by the line writer, read by GetPrivateProfileStringA") {
        SettingsFile file(path, systemProfileApi());
        file.setOwnIniFormat(true);
        file.writeString("Options", "Logging", "1");
        file.writeString("5A038407", "DTITLE", "Artist / Title");
        file.writeString("5A038407", "TTITLE0", "First = one");
        file.writeString("Options", "CddbSite", "3");
        CHECK(profileRead(path, "Options", "Logging") == "1");
        CHECK(profileRead(path, "options", "cddbsite") == "3");
        CHECK(profileRead(path, "5A038407", "DTITLE") == "Artist / Title");
        CHECK(profileRead(path, "5A038407", "TTITLE0") == "First = one");
        // A line rewrite after a profile read is seen by the next profile read.
        file.writeString("Options", "Logging", "0");
        CHECK(profileRead(path, "Options", "Logging") == "0");
    }
    SUBCASE("profile reads cut long values at 999 characters") {
        SettingsFile file(path, systemProfileApi());
        file.setOwnIniFormat(true);
        file.writeString("Options", "Long", std::string(1500, 'v'));
        file.setOwnIniFormat(false);
        CHECK(file.getString("Options", "Long", "") == std::string(kProfileBufferSize - 1, 'v'));
    }
}
