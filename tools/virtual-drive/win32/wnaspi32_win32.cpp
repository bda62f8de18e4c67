// WNASPI32.DLL: one host adapter with the virtual CD-ROM device on it.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "aspi_settings.h"
#include "shared_drive.h"
#include "sim/scsi.h"

namespace {

using namespace rubo::vdrive;
using rubo::vdrive::win32::SharedDrive;

constexpr BYTE kScHaInquiry = 0x00;
constexpr BYTE kScGetDevType = 0x01;
constexpr BYTE kScExecScsi = 0x02;
constexpr BYTE kSsPending = 0x00;
constexpr BYTE kSsComp = 0x01;
constexpr BYTE kSsErr = 0x04;
constexpr BYTE kSsInvalidCmd = 0x80;
constexpr BYTE kSsInvalidHa = 0x81;
constexpr BYTE kSsNoDevice = 0x82;
constexpr BYTE kSrbPosting = 0x01;
constexpr BYTE kSrbEventNotify = 0x40;
constexpr BYTE kCdromType = 5;

#pragma pack(push, 1)
struct SrbHeader {
    BYTE cmd;
    BYTE status;
    BYTE haId;
    BYTE flags;
    DWORD reserved;
};
struct SrbHaInquiry {
    SrbHeader h;
    BYTE haCount;
    BYTE haScsiId;
    BYTE managerId[16];
    BYTE identifier[16];
    BYTE unique[16];
    WORD rsvd1;
};
struct SrbGetDevType {
    SrbHeader h;
    BYTE target;
    BYTE lun;
    BYTE deviceType;
    BYTE rsvd1;
};
struct SrbExecScsi {
    SrbHeader h;
    BYTE target;
    BYTE lun;
    WORD rsvd1;
    DWORD bufLen;
    BYTE* bufPointer;
    BYTE senseLen;
    BYTE cdbLen;
    BYTE haStat;
    BYTE targStat;
    void* postProc;
    BYTE rsvd2[20];
    BYTE cdb[16];
    BYTE senseArea[16];
};
#pragma pack(pop)

void padded(BYTE (&field)[16], const char* text) {
    std::memset(field, ' ', sizeof field);
    std::memcpy(field, text, std::min(std::strlen(text), sizeof field));
}

SharedDrive& drive() {
    static SharedDrive shared;
    return shared;
}

bool isOurDevice(BYTE target, BYTE lun) {
    win32::AspiAddress a = win32::readAspiAddress();
    return target == a.target && lun == a.lun;
}

DWORD haInquiry(SrbHaInquiry& srb) {
    if (srb.h.haId != 0)
        return srb.h.status = kSsInvalidHa;
    srb.haCount = 1;
    srb.haScsiId = 7;
    padded(srb.managerId, "ASPI for WIN32");
    padded(srb.identifier, "RUBO VDRIVE");
    std::memset(srb.unique, 0, sizeof srb.unique);
    srb.unique[3] = 8;                 // targets on the bus
    const DWORD maxTransfer = 0x10000; // bytes 4-7
    std::memcpy(&srb.unique[4], &maxTransfer, sizeof maxTransfer);
    return srb.h.status = kSsComp;
}

DWORD getDevType(SrbGetDevType& srb) {
    if (srb.h.haId != 0)
        return srb.h.status = kSsInvalidHa;
    if (!isOurDevice(srb.target, srb.lun)) {
        srb.deviceType = 0x1F;
        return srb.h.status = kSsNoDevice;
    }
    srb.deviceType = kCdromType;
    return srb.h.status = kSsComp;
}

DWORD execScsi(SrbExecScsi& srb) {
    BYTE status = kSsComp;
    DWORD delayMs = 0;
    if (srb.h.haId != 0) {
        status = kSsInvalidHa;
    } else if (!isOurDevice(srb.target, srb.lun)) {
        status = kSsNoDevice;
    } else if (srb.cdbLen == 0 || srb.cdbLen > sizeof srb.cdb ||
               (srb.bufLen > 0 && srb.bufPointer == nullptr)) {
        status = kSsInvalidCmd;
    } else {
        srb.h.status = kSsPending; // in progress until completed below
        SharedDrive& d = drive();
        SharedDrive::Lock lock(d);
        if (!lock.held()) {
            status = kSsErr;
            srb.haStat = 0x11; // selection timeout
        } else {
            std::int64_t now = win32::nowMs();
            delayMs = static_cast<DWORD>(
                scsiCommandDelayMs(lock.state(), lock.disc(), srb.cdb, srb.cdbLen, now));
            ScsiResult r = executeScsi(lock.state(), lock.disc(), srb.cdb, srb.cdbLen,
                                       srb.bufPointer, srb.bufLen, now);
            srb.haStat = 0;
            srb.targStat = r.status;
            if (r.status != scsi::kStatusGood) {
                status = kSsErr;
                std::size_t room = std::min<std::size_t>(srb.senseLen, sizeof srb.senseArea);
                std::memset(srb.senseArea, 0, sizeof srb.senseArea);
                writeSenseData(r, srb.senseArea, room);
            }
        }
    }
    // The drive's read latency (the shared state is not held meanwhile): the
    // block completes, and its event or post routine fires, only afterwards.
    if (delayMs > 0)
        Sleep(delayMs);
    if (srb.h.flags & kSrbEventNotify) {
        // Completed before returning, but reported as a real manager does:
        // pending, then the event.
        srb.h.status = status;
        if (srb.postProc)
            SetEvent(static_cast<HANDLE>(srb.postProc));
        return kSsPending;
    }
    srb.h.status = status;
    if ((srb.h.flags & kSrbPosting) && srb.postProc) {
        using Post = void(__cdecl*)(void*);
        reinterpret_cast<Post>(srb.postProc)(&srb);
        return kSsPending;
    }
    return status;
}

} // namespace

extern "C" {

// Status in bits 8-15, host adapter count in bits 0-7.
__declspec(dllexport) DWORD __cdecl GetASPI32SupportInfo() {
    return static_cast<DWORD>(kSsComp) << 8 | 1;
}

__declspec(dllexport) DWORD __cdecl SendASPI32Command(void* request) {
    if (!request)
        return kSsInvalidCmd;
    auto* h = static_cast<SrbHeader*>(request);
    switch (h->cmd) {
    case kScHaInquiry:
        return haInquiry(*static_cast<SrbHaInquiry*>(request));
    case kScGetDevType:
        return getDevType(*static_cast<SrbGetDevType*>(request));
    case kScExecScsi:
        return execScsi(*static_cast<SrbExecScsi*>(request));
    default:
        return h->status = kSsInvalidCmd;
    }
}

} // extern "C"
