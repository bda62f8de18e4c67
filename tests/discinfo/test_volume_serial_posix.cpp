#include <doctest.h>

#include "discinfo/disc_store.h"

#include <sys/statvfs.h>

using namespace rubo;

TEST_CASE("natively the volume serial is the file-system id of the path") {
    struct statvfs root {};
    REQUIRE(statvfs("/", &root) == 0);
    std::uint32_t serial = 0;
    CHECK(systemVolumeSerialSource().volumeSerial("/", serial));
    CHECK(serial == static_cast<std::uint32_t>(root.f_fsid));

    std::uint32_t untouched = 0x1234;
    CHECK_FALSE(systemVolumeSerialSource().volumeSerial("/no/such/mount/point", untouched));
    CHECK_FALSE(systemVolumeSerialSource().volumeSerial("", untouched));
    CHECK(untouched == 0x1234);
}
