#include <doctest.h>

#include "discinfo/disc_store.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <chrono>
#include <thread>

using namespace rubo;
using rubo::test::ChildProcess;
using rubo::test::readBytes;
using rubo::test::ScratchDir;
using rubo::test::writeBytes;

namespace {

constexpr DiscId kDisc = 0x5A038407;
constexpr char kDiscSection[] = "[5A038407]";
constexpr int kTracks = 15;

DiscInfo version(char mark) {
    DiscInfo info;
    info.discId = kDisc;
    info.artist = std::string("Artist ") + mark;
    info.title = std::string("Title ") + mark;
    for (int n = 1; n <= kTracks; ++n) {
        TrackEntry entry;
        entry.number = n;
        entry.title = std::string(40, mark) + std::to_string(n);
        info.trackList.store(n, entry);
    }
    info.trackList.trackCount = kTracks;
    return info;
}

// Child: saves the disc in two versions by turns until it is killed.
int saveForeverRole(int argc, char** argv) {
    if (argc < 1)
        return 2;
    SettingsFile file(argv[0], systemProfileApi());
    file.setOwnIniFormat(true);
    for (unsigned n = 0;; ++n)
        saveDiscInfo(file, version(n % 2 ? 'b' : 'a'));
}

const bool registered = rubo::test::registerChildRole("save-disc-forever", saveForeverRole);

} // namespace

TEST_CASE("a save killed half-way leaves the old or the new disc entry, never a mix") {
    REQUIRE(registered);
    ScratchDir dir;
    const std::string path = dir.file("RUBO.ini");
    writeBytes(path, rubo::test::iniSections(500, 100000, "Artist=Someone"));
    for (int round = 0; round < 4; ++round) {
        ChildProcess child("save-disc-forever", {path});
        REQUIRE_MESSAGE(child.started(), child.startError());
        // Wait for its first whole save (a loaded machine can take longer to
        // start the child than any fixed delay), then end it wherever it is.
        rubo::test::eventually(
            [&] { return readBytes(path).find(kDiscSection) != std::string::npos; },
            std::chrono::seconds(30), std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(30 + 111 * round));
        child.kill();
        child.wait();

        SettingsFile file(path, systemProfileApi());
        file.setOwnIniFormat(true);
        DiscInfo read;
        read.discId = kDisc;
        REQUIRE(readRuboIniEntry(file, read) == 1);
        const char mark = read.artist.back();
        CHECK((mark == 'a' || mark == 'b'));
        CHECK(read.title == std::string("Title ") + mark);
        REQUIRE(read.trackList.entryCount() == kTracks + 1);
        for (int n = 1; n <= kTracks; ++n)
            CHECK(read.trackList.tracks[static_cast<std::size_t>(n)].title ==
                  std::string(40, mark) + std::to_string(n));
        CHECK(file.getString("100499", "Artist", "") == "Someone");
    }
}
