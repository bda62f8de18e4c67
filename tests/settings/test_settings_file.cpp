#include <doctest.h>

#include "recording_profile.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <thread>

using namespace rubo;
using rubo::test::readBytes;
using rubo::test::ScratchDir;
using rubo::test::writeBytes;

TEST_CASE("settings file in line mode and profile mode") {
    ScratchDir dir;
    SettingsFile file(dir.file("RUBO.ini"), systemProfileApi());
    for (bool lineMode : {true, false}) {
        CAPTURE(lineMode);
        std::filesystem::remove(file.path());
        file.setOwnIniFormat(lineMode);

        SUBCASE("a missing file gives every default and is created by the first write") {
            CHECK(file.getString("Options", "FontName", "MS Sans Serif") == "MS Sans Serif");
            CHECK(file.getInt("Options", "CddbSite", -1) == -1);
            CHECK_FALSE(std::filesystem::exists(file.path()));
            file.writeString("Options", "FontName", "Arial");
            CHECK(file.getString("options", "fontname", "x") == "Arial");
        }
        SUBCASE("integers: the standard decimal conversion") {
            file.writeInt("Options", "A", -42);
            file.writeString("Options", "B", "12abc");
            file.writeString("Options", "C", "abc");
            CHECK(file.getInt("Options", "A", 0) == -42);
            CHECK(file.getInt("Options", "B", 0) == 12);
            CHECK(file.getInt("Options", "C", 7) == 0);
            CHECK(file.getInt("Options", "D", 7) == 7);
            file.writeString("Options", "E", "99999999999999");
            CHECK(file.getInt("Options", "E", 0) == 2147483647);
        }
        SUBCASE("an empty value removes the key") {
            file.writeString("Options", "A", "1");
            file.writeString("Options", "A", "");
            CHECK(file.getString("Options", "A", "gone") == "gone");
        }
        SUBCASE("clearing a section keeps its header and the other sections") {
            file.writeString("2A0B3C04", "TITLE", "x");
            file.writeString("2A0B3C04", "ARTIST", "y");
            file.writeString("Options", "A", "1");
            file.clearSection("2a0b3c04");
            CHECK(file.getString("2A0B3C04", "TITLE", "none") == "none");
            CHECK(file.getString("Options", "A", "") == "1");
            CHECK(readBytes(file.path()).find("[2A0B3C04]\r\n") != std::string::npos);
        }
    }
}

TEST_CASE("line mode writes the file byte for byte by the line rules") {
    ScratchDir dir;
    SettingsFile file(dir.file("RUBO.ini"), systemProfileApi());
    file.setOwnIniFormat(true);
    writeBytes(file.path(), "[Options]\r\nLogging=1\r\n\r\n\r\n[5A038407]\r\nARTIST=x\r\n");
    file.writeString("Options", "DevelopMode", "1");
    file.writeString("Servers", "0", "freedb.freedb.org 80 /~cddb/cddb.cgi");
    CHECK(readBytes(file.path()) == "[Options]\r\nLogging=1\r\nDevelopMode=1\r\n\r\n\r\n"
                                    "[5A038407]\r\nARTIST=x\r\n\r\n"
                                    "[Servers]\r\n0=freedb.freedb.org 80 /~cddb/cddb.cgi\r\n");
    SUBCASE("values longer than the profile buffer are kept whole in line mode") {
        std::string longValue(1500, 'v');
        file.writeString("Options", "Long", longValue);
        CHECK(file.getString("Options", "Long", "") == longValue);
        file.setOwnIniFormat(false);
        CHECK(file.getString("Options", "Long", "").size() == kProfileBufferSize - 1);
    }
}

TEST_CASE("profile writes: a blank line before a new section, one replace per change") {
    ScratchDir dir;
    const std::string path = dir.file("RUBO.ini");
    writeBytes(path, "[Options]\r\nLogging=1\r\n");
    rubo::test::RecordingProfile profile;
    SettingsFile file(path, profile);
    file.writeString("Servers", "0", "freedb.freedb.org 80 /~cddb/cddb.cgi");
    const std::string afterFirst = readBytes(path);
    file.writeString("Options", "CddbSite", "2");
    REQUIRE(profile.fileBefore.size() == 2);
    CHECK(profile.fileBefore[0] == "[Options]\r\nLogging=1\r\n\r\n");
    CHECK(profile.fileBefore[1] == afterFirst);
    CHECK(file.getString("Servers", "0", "") == "freedb.freedb.org 80 /~cddb/cddb.cgi");
    CHECK_FALSE(std::filesystem::exists(path + ".new"));

    SUBCASE("a failing profile write leaves the file as it was") {
        struct FailingProfile : LineProfileApi {
            bool writeString(const std::string&, const std::string&, const char*,
                             const std::string&) override {
                return false;
            }
            // Writes on the text fail alike (the settings file may use either).
            bool writeStringInText(const std::string&, const std::string&, const char*,
                                   std::string&) override {
                return false;
            }
        } failing;
        const std::string before = readBytes(path);
        SettingsFile broken(path, failing);
        broken.setOwnIniFormat(true);
        broken.writeString("Options", "Logging", "0");
        CHECK(readBytes(path) == before);
        CHECK_FALSE(std::filesystem::exists(path + ".new"));
    }
}

TEST_CASE("program directory of a module path") {
    CHECK(programDirectoryOf("C:\\Program Files\\RUBO\\rubo.exe") == "C:\\Program Files\\RUBO\\");
    CHECK(programDirectoryOf("/opt/rubo/rubo") == "/opt/rubo/");
    CHECK((programDirectoryOf("rubo.exe") == ".\\" || programDirectoryOf("rubo.exe") == "./"));
}

TEST_CASE("option table: defaults, first start and what is written when") {
    ScratchDir dir;
    SettingsFile file(dir.file("RUBO.ini"), systemProfileApi());
    Options options;
    const int buttonFace = 0xC0C0C0;

    SUBCASE("a first start reads every default") {
        CHECK(loadOptions(file, options, buttonFace, "DE"));
        CHECK(options.cddbSite == 1);
        CHECK(options.backColor == buttonFace);
        CHECK(options.fontName == "MS Sans Serif");
        CHECK(options.cddbProtocol == 4);
        CHECK(options.showModeDisc == 2);
        CHECK(options.volumeTypes.at('D') == 0x1005);
        CHECK(options.volumeTypes.at('E') == 0x1005);
    }
    SUBCASE("saving writes the option keys, developer keys only in develop mode") {
        loadOptions(file, options, buttonFace, "D");
        saveOptions(file, options, "D");
        CHECK(file.getString("Options", "EscapeTiny", "") == "0");
        CHECK(file.getString("Options", "BackColor", "") == std::to_string(buttonFace));
        CHECK(file.getString("Options", "VolumeTypeD", "") == "4101");
        CHECK(file.getString("Options", "Logging", "absent") == "absent");
        CHECK(file.getString("Options", "DevelopMode", "absent") == "absent");
        CHECK(file.getString("Options", "ShowTinyHelp", "absent") == "absent");
        CHECK(file.getString("Options", "AspiDrives", "absent") == "absent");
        // Empty string options are not stored at all.
        CHECK(file.getString("Options", "CdromDrive", "absent") == "absent");
        CHECK_FALSE(loadOptions(file, options, buttonFace, "D"));

        options.developMode = 1;
        options.logging = 1;
        saveOptions(file, options, "D");
        CHECK(file.getString("Options", "Logging", "") == "1");
        CHECK(file.getString("Options", "CddbLog", "") == "0");
        CHECK(file.getString("Options", "DevelopMode", "absent") == "absent");
    }
    SUBCASE("every key of the table is unique and names exactly one field") {
        std::size_t count = 0;
        const OptionKey* keys = optionKeys(count);
        CHECK(count == 48);
        for (std::size_t i = 0; i < count; ++i) {
            CHECK(((keys[i].intField != nullptr) != (keys[i].stringField != nullptr)));
            for (std::size_t j = i + 1; j < count; ++j)
                CHECK(std::string(keys[i].key) != keys[j].key);
        }
    }
    SUBCASE("values survive a save and a load") {
        options = defaultOptions(buttonFace);
        options.fontName = "Tahoma";
        options.proxyPort = 8080;
        options.cddbEmailAddress = "me@example.org";
        options.volumeTypes['D'] = 0x1008;
        saveOptions(file, options, "D");
        Options back;
        loadOptions(file, back, buttonFace, "D");
        CHECK(back.fontName == "Tahoma");
        CHECK(back.proxyPort == 8080);
        CHECK(back.cddbEmailAddress == "me@example.org");
        CHECK(back.volumeTypes.at('D') == 0x1008);
    }
    SUBCASE("a PlayMode outside 0-4 reads as normal") {
        for (int stored : {3, 5, -1}) {
            file.writeInt("Options", "PlayMode", stored);
            loadOptions(file, options, buttonFace, "D");
            CHECK(options.playMode == (stored == 3 ? kPlayModeRepeatTrack : kPlayModeNormal));
        }
    }
    SUBCASE("window rectangles") {
        CHECK_FALSE(readWindowRect(file, kPositionSection).allSet());
        writeWindowRect(file, kPositionSmallSection, {10, 20, 30, 40});
        WindowRect r = readWindowRect(file, kPositionSmallSection);
        CHECK(r.allSet());
        CHECK(r.top == 10);
        CHECK(r.right == 40);
    }
}

TEST_CASE("two threads writing thousands of distinct keys lose none") {
    ScratchDir dir;
    SettingsFile file(dir.file("RUBO.ini"), systemProfileApi());
    file.setOwnIniFormat(true);
    const int perThread = 1000;
    auto writer = [&](const char* section) {
        for (int i = 0; i < perThread; ++i)
            file.writeInt(section, "K" + std::to_string(i), i);
    };
    std::thread a(writer, "ThreadA");
    std::thread b(writer, "ThreadB");
    a.join();
    b.join();
    int missing = 0;
    for (const char* section : {"ThreadA", "ThreadB"}) {
        for (int i = 0; i < perThread; ++i) {
            if (file.getInt(section, "K" + std::to_string(i), -1) != i)
                ++missing;
        }
    }
    CHECK(missing == 0);
}

TEST_CASE("a transaction replaces the file once, on commit") {
    ScratchDir dir;
    SettingsFile file(dir.file("RUBO.ini"), systemProfileApi());
    file.setOwnIniFormat(true);
    file.writeString("5A038407", "Artist", "Old");
    const std::string before = readBytes(file.path());
    {
        SettingsFile::Transaction change(file);
        file.clearSection("5A038407");
        file.writeString("5A038407", "Artist", "New");
        file.writeString("5A038407", "Title", "Album");
        // Reads inside the change see it; the file itself is untouched.
        CHECK(file.getString("5A038407", "Title", "") == "Album");
        CHECK(readBytes(file.path()) == before);
        CHECK(change.commit());
    }
    CHECK(file.getString("5A038407", "Artist", "") == "New");
    CHECK(file.getString("5A038407", "Title", "") == "Album");
    CHECK_FALSE(std::filesystem::exists(file.path() + ".change"));

    SUBCASE("without commit nothing changes") {
        const std::string committed = readBytes(file.path());
        {
            SettingsFile::Transaction change(file);
            file.writeString("5A038407", "Artist", "Dropped");
        }
        CHECK(readBytes(file.path()) == committed);
        CHECK_FALSE(std::filesystem::exists(file.path() + ".change"));
        CHECK(file.getString("5A038407", "Artist", "") == "New");
    }
    SUBCASE("a change on a missing file creates it on commit") {
        SettingsFile fresh(dir.file("fresh.ini"), systemProfileApi());
        SettingsFile::Transaction change(fresh);
        fresh.writeString("Options", "A", "1");
        CHECK_FALSE(std::filesystem::exists(fresh.path()));
        CHECK(change.commit());
        CHECK(fresh.getString("Options", "A", "") == "1");
    }
}
