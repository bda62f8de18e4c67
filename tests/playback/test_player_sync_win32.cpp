#include <doctest.h>

#include "playback/device_change.h"
#include "playback/player_state.h"

#include <windows.h>

#include <dbt.h>

using namespace rubo;

TEST_CASE("the shared lock is the named semaphore RUBO Semaphore with count 1") {
    SharedPlayerLock lock;
    CHECK(OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, kPlayerSemaphoreName) == nullptr);
    lock.lockShared();
    HANDLE same = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "RUBO Semaphore");
    REQUIRE(same != nullptr);
    CHECK(WaitForSingleObject(same, 0) == WAIT_TIMEOUT);
    lock.unlockShared();
    CHECK(WaitForSingleObject(same, 0) == WAIT_OBJECT_0);
    CHECK(WaitForSingleObject(same, 0) == WAIT_TIMEOUT); // count 1
    ReleaseSemaphore(same, 1, nullptr);
    CloseHandle(same);
}

TEST_CASE("a WM_DEVICECHANGE volume message becomes a notice") {
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << 4;
    volume.dbcv_flags = DBTF_MEDIA;
    DeviceChangeNotice n =
        deviceChangeNotice(DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<std::intptr_t>(&volume));
    CHECK(n.hasVolume);
    CHECK(n.event == kDeviceRemoveComplete);
    CHECK(classifyDeviceChange(n, "E:") == DoorChange::Opened);

    DEV_BROADCAST_HDR port{};
    port.dbch_size = sizeof(port);
    port.dbch_devicetype = DBT_DEVTYP_PORT;
    n = deviceChangeNotice(DBT_DEVICEARRIVAL, reinterpret_cast<std::intptr_t>(&port));
    CHECK_FALSE(n.hasVolume);
    n = deviceChangeNotice(DBT_DEVICEARRIVAL, 0);
    CHECK_FALSE(n.hasVolume);
    CHECK(classifyDeviceChange(n, "E:") == DoorChange::None);
}
