#pragma once

// The two platform back ends of the SCSI transport, behind small interfaces
// so that the transport's logic runs against fakes.

#include "drive/aspi_srb.h"
#include "drive/scsi_commands.h"

#include <cstdint>
#include <memory>
#include <string>

namespace rubo {

// One ASPI CD-ROM device.
struct AspiDrive {
    std::uint8_t hostAdapter = 0;
    std::uint8_t target = 0;
    std::uint8_t lun = 0;
    std::string name; // "ASPI[%d:%d:%d]"
};

// The Windows SCSI pass-through interface.
class SptiPort {
public:
    virtual ~SptiPort() = default;
    // Opens the device (read access, or read and write), sends the command
    // with its data-in buffer, closes the device. False on any failure.
    virtual bool execute(const std::string& devicePath, bool readWrite, const Cdb& cdb,
                         void* buffer, std::uint32_t length) = 0;
};

// The ASPI library. Statuses are the SRB status bytes (SS_COMP is 1).
class AspiPort {
public:
    virtual ~AspiPort() = default;
    // Both entry points were found.
    virtual bool loaded() const = 0;
    // Status in bits 8-15, host adapter count in bits 0-7.
    virtual std::uint32_t supportInfo() = 0;
    // SC_HA_INQUIRY; on completion `uniqueByte3` is HA_Unique byte 3.
    virtual int inquireHostAdapter(int adapter, std::uint8_t& uniqueByte3) = 0;
    // SC_GET_DEV_TYPE.
    virtual int deviceType(int adapter, int target, int lun, std::uint8_t& type) = 0;
    // SC_EXEC_SCSI_CMD with event notification and a bounded wait; the final
    // status. A request still pending after the wait is aborted (SC_ABORT_SRB)
    // and counts as pending; the caller's buffer is then left untouched.
    virtual int execute(const AspiDrive& drive, const Cdb& cdb, void* buffer,
                        std::uint32_t length) = 0;
};

// The platform's back ends: on Windows DeviceIoControl and "WNASPI32.DLL"
// (loaded here; the port reports not loaded when it is missing); natively
// back ends that always fail.
std::unique_ptr<SptiPort> systemSptiPort();
std::unique_ptr<AspiPort> loadSystemAspiPort();

} // namespace rubo

#ifdef _WIN32
namespace rubo {

// The system calls of the pass-through back end, replaceable for tests.
// Handles are HANDLE values; results as the Win32 functions give them.
struct SptiSystemCalls {
    void* (*createFile)(const char* name, std::uint32_t access, std::uint32_t shareMode,
                        std::uint32_t disposition) = nullptr;
    int (*deviceIoControl)(void* handle, std::uint32_t code, void* in, std::uint32_t inSize,
                           void* out, std::uint32_t outSize, std::uint32_t* returned) = nullptr;
    int (*closeHandle)(void* handle) = nullptr;
};

// The entry points of "WNASPI32.DLL" (C calling convention).
struct AspiEntryPoints {
    std::uint32_t (*supportInfo)() = nullptr;
    std::uint32_t (*sendCommand)(void* srb) = nullptr;
};

// A pass-through back end over the given calls; missing ones are the
// system's.
std::unique_ptr<SptiPort> makeSptiPort(const SptiSystemCalls& calls);
// An ASPI back end over the given entry points (loaded when both are set)
// that waits `waitMs` for a request before aborting it.
std::unique_ptr<AspiPort> makeAspiPort(const AspiEntryPoints& entries,
                                       std::uint32_t waitMs = kAspiWaitMs);

} // namespace rubo
#endif
