#include <doctest.h>

#include "playback/device_change.h"
#include "player_fixture.h"

using namespace rubo;
using namespace rubo::test;

namespace {

DeviceChangeNotice mediaNotice(std::uint32_t event, std::uint32_t mask) {
    DeviceChangeNotice n;
    n.event = event;
    n.hasVolume = true;
    n.deviceType = kDeviceTypeVolume;
    n.unitMask = mask;
    n.flags = kVolumeFlagMedia;
    return n;
}

constexpr std::uint32_t bitOf(char letter) {
    return 1u << (letter - 'A');
}

} // namespace

TEST_CASE("only media notices of the player's drive count") {
    const std::uint32_t e = bitOf('E');
    CHECK(classifyDeviceChange(mediaNotice(kDeviceArrival, e), "E:") == DoorChange::Closed);
    CHECK(classifyDeviceChange(mediaNotice(kDeviceRemoveComplete, e), "E:") == DoorChange::Opened);
    CHECK(classifyDeviceChange(mediaNotice(kDeviceRemoveComplete, e), "e:") == DoorChange::Opened);
    CHECK(classifyDeviceChange(mediaNotice(kDeviceRemoveComplete, e), "F:") == DoorChange::None);
    CHECK(classifyDeviceChange(mediaNotice(0x8003, e), "E:") == DoorChange::None);
    CHECK(classifyDeviceChange(mediaNotice(kDeviceArrival, 0), "E:") == DoorChange::None);
    CHECK(classifyDeviceChange(mediaNotice(kDeviceArrival, e), "") == DoorChange::None);

    DeviceChangeNotice n = mediaNotice(kDeviceRemoveComplete, e);
    n.flags = 2; // a network volume
    CHECK(classifyDeviceChange(n, "E:") == DoorChange::None);
    n = mediaNotice(kDeviceRemoveComplete, e);
    n.deviceType = 5;
    CHECK(classifyDeviceChange(n, "E:") == DoorChange::None);
    n.hasVolume = false;
    n.deviceType = kDeviceTypeVolume;
    CHECK(classifyDeviceChange(n, "E:") == DoorChange::None);
}

TEST_CASE("the lowest unit-mask bit names the drive") {
    const std::uint32_t mask = bitOf('E') | bitOf('F');
    CHECK(classifyDeviceChange(mediaNotice(kDeviceRemoveComplete, mask), "E:") ==
          DoorChange::Opened);
    CHECK(classifyDeviceChange(mediaNotice(kDeviceRemoveComplete, mask), "F:") == DoorChange::None);
}

TEST_CASE("removal logs and sets the re-open event; arrival only logs") {
    PlayerFixture f;
    std::unique_ptr<PlayerEvents> events = createPlayerEvents();
    REQUIRE(events);
    handleDeviceChange(mediaNotice(kDeviceArrival, bitOf('E')), "E:", events.get(), f.drive.log);
    CHECK(events->wait(0) == kPlayerWaitTimeout);
    handleDeviceChange(mediaNotice(kDeviceRemoveComplete, bitOf('D')), "E:", events.get(),
                       f.drive.log);
    CHECK(events->wait(0) == kPlayerWaitTimeout);
    handleDeviceChange(mediaNotice(kDeviceRemoveComplete, bitOf('E')), "E:", events.get(),
                       f.drive.log);
    CHECK(events->wait(0) == kReopenEvent);
    CHECK(f.takeLog() == Lines{"  : Door is now closed", "  : Door is now open"});
}

TEST_CASE("device removal reaches the engine through the re-open event") {
    PlayerFixture f;
    f.startWithDisc(12);
    std::unique_ptr<PlayerEvents> events = createPlayerEvents();
    REQUIRE(events);
    f.openDoor();
    handleDeviceChange(mediaNotice(kDeviceRemoveComplete, bitOf('E')), "E:", events.get(),
                       f.drive.log);
    CHECK(f.engine->handle(events->wait(0)));
    CHECK(f.takeLog() ==
          Lines{"  : Door is now open", " T: Re-open disc", " T: Re-opened", " T: Want TOC"});
    // The door stays open: polls only, no TOC read.
    f.engine->handle(events->wait(0));
    f.engine->handle(events->wait(0));
    CHECK(f.lookups == 1);
    f.insertDisc(5);
    f.engine->handle(events->wait(0));
    f.engine->handle(events->wait(0));
    CHECK(f.lookups == 2);
    CHECK(f.engine->localDisc().trackList.trackCount == 5);
}
