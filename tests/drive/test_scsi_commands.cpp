#include <doctest.h>

#include "drive/aspi_srb.h"
#include "drive/scsi_commands.h"
#include "drive/spti_block.h"

#include <cstring>
#include <vector>

using namespace rubo;

namespace {

std::vector<int> bytesOf(const Cdb& cdb) {
    return std::vector<int>(cdb.begin(), cdb.end());
}

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

} // namespace

TEST_CASE("command blocks: 10 bytes, MSF, allocation lengths of each format") {
    SUBCASE("READ TOC format 0") {
        CHECK(bytesOf(readTocCommand(kTocFormatToc)) ==
              std::vector<int>{0x43, 0x02, 0x00, 0, 0, 0, 0, 0x03, 0x24, 0});
    }
    SUBCASE("READ TOC format 1") {
        CHECK(bytesOf(readTocCommand(kTocFormatSessions)) ==
              std::vector<int>{0x43, 0x02, 0x01, 0, 0, 0, 0, 0x03, 0x24, 0});
    }
    SUBCASE("READ TOC format 2 with the session in byte 6") {
        CHECK(bytesOf(readTocCommand(kTocFormatFullToc, 0)) ==
              std::vector<int>{0x43, 0x02, 0x02, 0, 0, 0, 0, 0x04, 0x50, 0});
        CHECK(bytesOf(readTocCommand(kTocFormatFullToc, 3)) ==
              std::vector<int>{0x43, 0x02, 0x02, 0, 0, 0, 3, 0x04, 0x50, 0});
    }
    SUBCASE("READ TOC format 5") {
        CHECK(bytesOf(readTocCommand(kTocFormatCdText)) ==
              std::vector<int>{0x43, 0x02, 0x05, 0, 0, 0, 0, 0x13, 0x88, 0});
    }
    SUBCASE("READ SUB-CHANNEL current position") {
        CHECK(bytesOf(readSubChannelCommand()) ==
              std::vector<int>{0x42, 0x02, 0x40, 0x01, 0, 0, 0, 0, 0x10, 0});
    }
    SUBCASE("PLAY AUDIO MSF from two packed addresses") {
        CHECK(bytesOf(playAudioMsfCommand(makeMsf(0, 2, 0), makeMsf(60, 1, 10))) ==
              std::vector<int>{0x47, 0, 0, 0, 2, 0, 60, 1, 10, 0});
    }
}

TEST_CASE("pass-through block: every field at its place") {
    std::uint8_t data[4] = {};
    const Cdb cdb = readTocCommand(kTocFormatToc);
    const SptiBlock block = buildSptiBlock(cdb, data, 804);
    std::uint8_t raw[sizeof(SptiBlock)];
    std::memcpy(raw, &block, sizeof raw);

    // Offsets as the platform header lays the structure out.
    const bool is32 = sizeof(void*) == 4;
    const std::size_t structBytes = is32 ? 44 : 56;
    const std::size_t bufferAt = is32 ? 20 : 24;
    const std::size_t senseOffsetAt = is32 ? 24 : 32;
    const std::size_t cdbAt = is32 ? 28 : 36;
    const std::size_t senseAt = is32 ? 48 : 60;

    CHECK((raw[0] | (raw[1] << 8)) == structBytes);
    CHECK(raw[2] == 0); // ScsiStatus
    CHECK(raw[3] == 0); // PathId
    CHECK(raw[4] == 0); // TargetId
    CHECK(raw[5] == 0); // Lun
    CHECK(raw[6] == 10);
    CHECK(raw[7] == 0); // SenseInfoLength
    CHECK(raw[8] == 1); // data in
    CHECK(le32(raw + 12) == 804u);
    CHECK(le32(raw + 16) == 10u);
    void* pointer = nullptr;
    std::memcpy(&pointer, raw + bufferAt, sizeof pointer);
    CHECK(pointer == static_cast<void*>(data));
    CHECK(le32(raw + senseOffsetAt) == senseAt);
    CHECK(std::memcmp(raw + cdbAt, cdb.data(), 10) == 0);

    // All other bytes zero: padding, the rest of the CDB, filler and sense area.
    std::vector<bool> set(sizeof raw, false);
    for (std::size_t i : {0, 1, 6, 8})
        set[i] = true;
    for (std::size_t i = 12; i < 20; ++i)
        set[i] = true;
    for (std::size_t i = 0; i < sizeof pointer; ++i)
        set[bufferAt + i] = true;
    for (std::size_t i = 0; i < 4; ++i)
        set[senseOffsetAt + i] = true;
    for (std::size_t i = 0; i < 10; ++i)
        set[cdbAt + i] = true;
    for (std::size_t i = 0; i < sizeof raw; ++i) {
        if (!set[i]) {
            INFO("byte " << i);
            CHECK(raw[i] == 0);
        }
    }
}

TEST_CASE("device path and request block layout") {
    CHECK(sptiDevicePath("D:") == "\\\\.\\D:");
    CHECK(offsetof(SrbExecScsiCmd, bufLen) == 12);
    CHECK(offsetof(SrbExecScsiCmd, senseLen) == 16 + sizeof(void*));
    CHECK(offsetof(SrbHaInquiry, haUnique) == 42);
    CHECK(offsetof(SrbGetDeviceType, deviceType) == 10);
    if (sizeof(void*) == 4)
        CHECK(offsetof(SrbExecScsiCmd, postProc) == 24);
}
