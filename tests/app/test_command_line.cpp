#include <doctest.h>

#include "app/command_line.h"
#include "support/test_support.h"

#include <map>
#include <string>

using namespace rubo;
using namespace rubo::test;

namespace {

// Files by name; a missing name cannot be opened.
struct FakeFiles {
    std::map<std::string, std::string> files;
    std::string lastPath;

    FileHeadReader reader() {
        return [this](const std::string& path, std::string& head) {
            lastPath = path;
            auto it = files.find(path);
            if (it == files.end())
                return false;
            head = it->second.substr(0, kCdaHeadBytes);
            return true;
        };
    }
};

// A .cda head of `size` bytes whose track byte is `track`.
std::string cdaHead(std::size_t size, unsigned char track) {
    std::string head(size, 'x');
    if (size > kCdaTrackOffset)
        head[kCdaTrackOffset] = static_cast<char>(track);
    return head;
}

} // namespace

TEST_CASE("the first plain parameter of a command line") {
    CHECK(firstCommandLineFile("rubo.exe E:") == "E:");
    CHECK(firstCommandLineFile("\"C:\\Program Files\\RUBO\\rubo.exe\" E:") == "E:");
    CHECK(firstCommandLineFile("rubo.exe /play -x \"D:\\Track 05.cda\" F:") == "D:\\Track 05.cda");
    CHECK(firstCommandLineFile("\"C:\\My Tools\\rubo.exe\"") == "");
    CHECK(firstCommandLineFile("") == "");
}

TEST_CASE("a drive name on the command line plays the disc in that drive") {
    FakeFiles files;
    const StartupRequest r = interpretCommandLine("E:", 0, files.reader());
    CHECK(r.kind == StartupRequest::PlayDisc);
    CHECK(r.track == 1);
    CHECK(r.driveLetter == 'E');
    CHECK(files.lastPath.empty());
    CHECK(chooseDriveIndex("DE", r.driveLetter) == 1);
    // The match is exact: lower case or an unknown letter picks the first drive.
    CHECK(chooseDriveIndex("DE", 'e') == 0);
    CHECK(chooseDriveIndex("DEG", 'X') == 0);
    CHECK(chooseDriveIndex("DEG", 'G') == 2);
    CHECK(startupLogText(r) == "M : Playing CD");
    // An argument wins over AutoPlay.
    CHECK(interpretCommandLine("e:", 1, files.reader()).kind == StartupRequest::PlayDisc);
}

TEST_CASE("a .cda file plays the track in its byte 22") {
    FakeFiles files;
    files.files["D:\\Track05.cda"] = cdaHead(44, 5);
    files.files["E:\\Track200.cda"] = cdaHead(23, 200);
    StartupRequest r = interpretCommandLine("D:\\Track05.cda", 1, files.reader());
    CHECK(r.kind == StartupRequest::PlayTrack);
    CHECK(r.track == 5);
    CHECK(r.driveLetter == 'D');
    CHECK(files.lastPath == "D:\\Track05.cda");
    CHECK(startupLogText(r) == "M : Playing track 5");

    r = interpretCommandLine("E:\\Track200.cda", 0, files.reader());
    CHECK(r.kind == StartupRequest::PlayTrack);
    CHECK(r.track == 200);
}

TEST_CASE("a .cda file naming track 0 chooses its drive and plays nothing") {
    FakeFiles files;
    files.files["E:\\Zero.cda"] = cdaHead(44, 0);
    const StartupRequest r = interpretCommandLine("E:\\Zero.cda", 1, files.reader());
    CHECK(r.kind == StartupRequest::PlayTrack);
    CHECK(r.track == 0); // a pending play of 0 is no play
    CHECK(r.driveLetter == 'E');
    CHECK(startupLogText(r) == "M : Playing track 0");
}

TEST_CASE("a .cda file that cannot be opened or is too short is an error") {
    FakeFiles files;
    files.files["D:\\Short.cda"] = cdaHead(10, 0);
    files.files["D:\\Exact22.cda"] = cdaHead(22, 0);
    for (const char* name : {"D:\\Short.cda", "D:\\Exact22.cda", "D:\\Gone.cda"}) {
        CAPTURE(name);
        const StartupRequest r = interpretCommandLine(name, 1, files.reader());
        CHECK(r.kind == StartupRequest::CdaError);
        CHECK(startupLogText(r).empty());
    }
    CHECK(interpretCommandLine("D:\\Track01.cda", 0, FileHeadReader()).kind ==
          StartupRequest::CdaError);
}

TEST_CASE("without a file AutoPlay decides") {
    FakeFiles files;
    StartupRequest r = interpretCommandLine("", 1, files.reader());
    CHECK(r.kind == StartupRequest::AutoPlay);
    CHECK(r.track == 1);
    CHECK(r.driveLetter == 0);
    CHECK(startupLogText(r) == "M : Auto-playing CD");

    r = interpretCommandLine("", 0, files.reader());
    CHECK(r.kind == StartupRequest::None);
    CHECK(r.track == 0);
    CHECK(startupLogText(r).empty());
}

TEST_CASE("the file reader reads at most 44 bytes") {
    ScratchDir dir;
    writeBytes(dir.path() / "long.cda", std::string(100, '\x07'));
    writeBytes(dir.path() / "short.cda", std::string(10, '\x01'));
    std::string head;
    CHECK(readFileHead(dir.file("long.cda"), head));
    CHECK(head == std::string(44, '\x07'));
    CHECK(readFileHead(dir.file("short.cda"), head));
    CHECK(head == std::string(10, '\x01'));
    CHECK_FALSE(readFileHead(dir.file("missing.cda"), head));

    const StartupRequest r = interpretCommandLine(dir.file("long.cda"), 0, readFileHead);
    CHECK(r.kind == StartupRequest::PlayTrack);
    CHECK(r.track == 7);
}
