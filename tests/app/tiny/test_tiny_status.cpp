#include <doctest.h>

#include "app/tiny/tiny_status.h"
#include "playback/transport_fixture.h"

#include <string>

using namespace rubo;
using namespace rubo::test;

namespace {

std::string imageText(const TinyImages& i) {
    return formatText("%d%d%d%d%d", i.play, i.pause, i.stop, i.previous, i.next);
}

} // namespace

TEST_CASE("Tiny captions by player mode") {
    DiscInfo audio = audioDisc(12);
    audio.firstAudioTrack = 3;
    const DiscInfo data = makeDisc({{0, makeMsf(0, 2, 0), makeMsf(40, 0, 0), "Data"}});
    DiscInfo empty = makeDisc({});
    const PackedTmsf position = makeTmsf(3, 1, 7, 20);

    CHECK(tinyCaption(kMciModeNotReady, audio, position) == "not ready");
    CHECK(tinyCaption(kMciModeStop, audio, position) == "3");
    CHECK(tinyCaption(kMciModeStop, data, position) == "no audio");
    CHECK(tinyCaption(kMciModeStop, empty, position) == "empty disc");
    CHECK(tinyCaption(kMciModePlay, audio, position) == "3 / 1:07");
    CHECK(tinyCaption(kMciModeRecord, audio, position) == "record");
    CHECK(tinyCaption(kMciModeSeek, audio, position) == "seek");
    CHECK(tinyCaption(kMciModePause, audio, position) == "3 / paused");
    CHECK(tinyCaption(kMciModeOpen, audio, position) == "no disc");
    CHECK(tinyCaption(0, audio, position) == "");

    audio.firstAudioTrack = 12;
    CHECK(tinyCaption(kMciModePlay, audio, makeTmsf(12, 1, 7, 0)) == "12 / 1:07");
}

TEST_CASE("Tiny images by player mode, transport and audio") {
    CHECK(imageText(tinyImages(kMciModeStop, true, true)) == "10011");
    CHECK(imageText(tinyImages(kMciModePlay, true, true)) == "11111");
    CHECK(imageText(tinyImages(kMciModePause, true, true)) == "11100");
    for (std::uint32_t mode : {kMciModeStop, kMciModePlay, kMciModePause}) {
        CAPTURE(mode);
        CHECK(imageText(tinyImages(mode, false, true)) == "00000");
        CHECK(imageText(tinyImages(mode, true, false)) == "00000");
    }
    for (std::uint32_t mode : {kMciModeNotReady, kMciModeRecord, kMciModeSeek, kMciModeOpen, 0u})
        CHECK(imageText(tinyImages(mode, true, true)) == "00000");
}
