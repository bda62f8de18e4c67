#include <doctest.h>

#include "disc_store_fakes.h"

#include <windows.h>

using namespace rubo;
using rubo::test::checkTypedTextsReadBack;
using rubo::test::discTexts;
using rubo::test::FakeSerials;
using rubo::test::makeDisc;
using rubo::test::readBytes;
using rubo::test::ScratchDir;
using rubo::test::writeBytes;

namespace {

std::string systemDrive() {
    char dir[MAX_PATH] = {};
    REQUIRE(GetWindowsDirectoryA(dir, MAX_PATH) >= 2);
    return std::string(dir, 2);
}

} // namespace

TEST_CASE("the volume serial of a drive comes from GetVolumeInformationA") {
    const std::string drive = systemDrive();
    DWORD direct = 0;
    REQUIRE(GetVolumeInformationA((drive + "\\").c_str(), nullptr, 0, &direct, nullptr, nullptr,
                                  nullptr, 0));
    std::uint32_t bare = 1, rooted = 2;
    CHECK(systemVolumeSerialSource().volumeSerial(drive, bare));
    CHECK(systemVolumeSerialSource().volumeSerial(drive + "\\", rooted));
    CHECK(bare == direct);
    CHECK(rooted == direct);

    const DWORD present = GetLogicalDrives();
    char absent = 0;
    for (char letter = 'Y'; letter >= 'D' && !absent; --letter)
        if (!(present & (1u << (letter - 'A'))))
            absent = letter;
    REQUIRE(absent != 0);
    std::uint32_t untouched = 0x1234;
    CHECK_FALSE(systemVolumeSerialSource().volumeSerial(std::string(1, absent) + ":", untouched));
    CHECK(untouched == 0x1234);
}

TEST_CASE("cdplayer.ini through GetPrivateProfileStringA and the real volume serial") {
    ScratchDir dir;
    const std::string path = dir.file("cdplayer.ini");
    const std::string drive = systemDrive();
    std::uint32_t serial = 0;
    REQUIRE(systemVolumeSerialSource().volumeSerial(drive, serial));
    char section[16];
    std::snprintf(section, sizeof section, "%x", static_cast<unsigned>(serial));
    writeBytes(path, std::string("[") + section +
                         "]\r\nArtist=Old Band\r\nTITLE=Old Album\r\n0=first\r\n1=second\r\n"
                         "3=fourth\r\n");
    DiscInfo info = makeDisc(3, 0x2A0B3C04);
    clearDiscText(info);
    CHECK(readCdPlayerIniEntry(systemProfileApi(), systemVolumeSerialSource(), info, path, drive) ==
          1);
    CHECK(discTexts(info) == "Old Band|Old Album|0||misc||first;second;Track 3;");

    DiscInfo other = makeDisc(1, 0x2A0B3C04);
    FakeSerials serials;
    serials.serial = serial + 1;
    CHECK(readCdPlayerIniEntry(systemProfileApi(), serials, other, path, drive) == 0);
}

TEST_CASE("profile mode: a save through WritePrivateProfileStringA, then a lookup") {
    ScratchDir dir;
    SettingsFile settings(dir.file("RUBO.ini"), systemProfileApi());
    settings.setOwnIniFormat(false);
    writeBytes(settings.path(), "[Options]\r\nLogging=1\r\n");
    DiscInfo info = makeDisc(2, 0x2A0B3C04);
    info.artist = "A";
    info.title = "T";
    info.year = 2001;
    info.trackList.tracks[1].title = "x";
    info.trackList.tracks[1].extended = "e1";
    saveDiscInfo(settings, info);
    // How blank lines between sections are kept is the profile function's affair.
    const auto sectionBytes = [&] {
        const std::string bytes = readBytes(settings.path());
        CHECK(bytes.rfind("[Options]\r\nLogging=1\r\n", 0) == 0);
        const std::size_t at = bytes.find("[2A0B3C04]");
        return at == std::string::npos ? std::string() : bytes.substr(at);
    };
    CHECK(sectionBytes() == "[2A0B3C04]\r\nArtist=A\r\nTitle=T\r\nYear=2001\r\n"
                            "Category=misc\r\n1=x\r\n2=<untitled>\r\nExtt1=e1\r\n");

    FakeSerials serials;
    DiscInfo noCdText;
    resetDiscInfo(noCdText);
    DiscStoreAccess access{settings, systemProfileApi(), serials};
    DiscInfo loaded = makeDisc(2, 0x2A0B3C04);
    loadDiscInfo(access, systemDrive(), "", noCdText, loaded);
    CHECK(loaded.origin == OriginRuboIni);
    CHECK(discTexts(loaded) == "A|T|2001||misc||x{e1};;");

    loaded.artist = "B";
    loaded.year = 0;
    loaded.trackList.tracks[1].extended.clear();
    saveDiscInfo(settings, loaded);
    CHECK(sectionBytes() == "[2A0B3C04]\r\nArtist=B\r\nTitle=T\r\n"
                            "Category=misc\r\n1=x\r\n2=<untitled>\r\n");
}

TEST_CASE("typed texts read back exactly through the profile functions in both modes") {
    checkTypedTextsReadBack(systemProfileApi());
}
