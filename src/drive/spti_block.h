#pragma once

// The pass-through block handed to IOCTL_SCSI_PASS_THROUGH_DIRECT: the
// SCSI_PASS_THROUGH_DIRECT structure (natural alignment, as the platform
// header declares it) followed by a filler and a sense area. 80 bytes in the
// 32-bit build, with the structure taking 44 and the sense area at 48.

#include "drive/scsi_commands.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace rubo {

constexpr std::uint32_t kIoctlScsiPassThroughDirect = 0x4D014;
constexpr std::uint32_t kSptiTimeoutSeconds = 10;
constexpr std::uint8_t kSptiDataIn = 1;

struct SptiDirect {
    std::uint16_t length;
    std::uint8_t scsiStatus;
    std::uint8_t pathId;
    std::uint8_t targetId;
    std::uint8_t lun;
    std::uint8_t cdbLength;
    std::uint8_t senseInfoLength;
    std::uint8_t dataIn;
    std::uint32_t dataTransferLength;
    std::uint32_t timeOutValue;
    void* dataBuffer;
    std::uint32_t senseInfoOffset;
    std::uint8_t cdb[16];
};

struct SptiBlock {
    SptiDirect sptd;
    std::uint32_t filler;
    std::uint8_t sense[32];
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SptiDirect) == 44, "pass-through structure of the 32-bit build");
static_assert(offsetof(SptiBlock, sense) == 48, "sense offset of the 32-bit build");
static_assert(sizeof(SptiBlock) == 80, "pass-through block of the 32-bit build");
#else
static_assert(sizeof(SptiDirect) == 56, "pass-through structure of the 64-bit build");
static_assert(offsetof(SptiBlock, sense) == 60, "sense offset of the 64-bit build");
static_assert(sizeof(SptiBlock) == 96, "pass-through block of the 64-bit build");
#endif

// The zeroed block filled for one command with a data-in buffer.
SptiBlock buildSptiBlock(const Cdb& cdb, void* buffer, std::uint32_t length);

// "\\.\D:" for the drive text "D:".
std::string sptiDevicePath(const std::string& drive);

} // namespace rubo
