#pragma once

// The ASPI request blocks of WNASPI32.DLL (byte-packed). SRB_ExecSCSICmd is
// 80 bytes in the 32-bit build.

#include <cstddef>
#include <cstdint>

namespace rubo {

constexpr std::uint8_t kScHaInquiry = 0x00;
constexpr std::uint8_t kScGetDevType = 0x01;
constexpr std::uint8_t kScExecScsiCmd = 0x02;
constexpr std::uint8_t kScAbortSrb = 0x03;

constexpr int kSsPending = 0x00;
constexpr int kSsComp = 0x01;
constexpr int kSsAborted = 0x02;
constexpr int kSsNoAdapters = 0xE8;

constexpr std::uint8_t kSrbDirIn = 0x08;
constexpr std::uint8_t kSrbEventNotify = 0x40;
constexpr std::uint8_t kAspiSenseLength = 14;
constexpr std::uint8_t kDeviceTypeCdRom = 5;
constexpr unsigned long kAspiWaitMs = 10000;

#pragma pack(push, 1)
struct SrbHaInquiry {
    std::uint8_t cmd;
    std::uint8_t status;
    std::uint8_t haId;
    std::uint8_t flags;
    std::uint32_t hdrReserved;
    std::uint8_t haCount;
    std::uint8_t haScsiId;
    std::uint8_t haManagerId[16];
    std::uint8_t haIdentifier[16];
    std::uint8_t haUnique[16];
    std::uint16_t haReserved1;
};

struct SrbGetDeviceType {
    std::uint8_t cmd;
    std::uint8_t status;
    std::uint8_t haId;
    std::uint8_t flags;
    std::uint32_t hdrReserved;
    std::uint8_t target;
    std::uint8_t lun;
    std::uint8_t deviceType;
    std::uint8_t reserved1;
};

struct SrbExecScsiCmd {
    std::uint8_t cmd;
    std::uint8_t status;
    std::uint8_t haId;
    std::uint8_t flags;
    std::uint32_t hdrReserved;
    std::uint8_t target;
    std::uint8_t lun;
    std::uint16_t reserved1;
    std::uint32_t bufLen;
    std::uint8_t* bufPointer;
    std::uint8_t senseLen;
    std::uint8_t cdbLen;
    std::uint8_t haStat;
    std::uint8_t targStat;
    void* postProc;
    std::uint8_t reserved2[20];
    std::uint8_t cdbByte[16];
    std::uint8_t senseArea[kAspiSenseLength + 2];
};

struct SrbAbort {
    std::uint8_t cmd;
    std::uint8_t status;
    std::uint8_t haId;
    std::uint8_t flags;
    std::uint32_t hdrReserved;
    void* toAbort;
};
#pragma pack(pop)

static_assert(sizeof(SrbHaInquiry) == 60, "SRB_HAInquiry");
static_assert(sizeof(SrbGetDeviceType) == 12, "SRB_GDEVBlock");
static_assert(offsetof(SrbExecScsiCmd, bufPointer) == 16, "SRB_BufPointer");
static_assert(offsetof(SrbAbort, toAbort) == 8, "SRB_ToAbort");
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SrbExecScsiCmd) == 80, "SRB_ExecSCSICmd of the 32-bit build");
static_assert(offsetof(SrbExecScsiCmd, cdbByte) == 48, "CDBByte of the 32-bit build");
#else
static_assert(sizeof(SrbExecScsiCmd) == 88, "SRB_ExecSCSICmd of the 64-bit build");
#endif

} // namespace rubo
