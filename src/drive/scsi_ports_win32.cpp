#include "drive/scsi_ports.h"

#include "base/unique_handle_win32.h"
#include "drive/aspi_srb.h"
#include "drive/spti_block.h"

#include <windows.h>

#include <winioctl.h>

#include <ntddscsi.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace rubo {

static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == sizeof(SptiDirect), "SCSI_PASS_THROUGH_DIRECT");
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == offsetof(SptiDirect, dataBuffer),
              "DataBuffer");
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) ==
                  offsetof(SptiDirect, senseInfoOffset),
              "SenseInfoOffset");
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == offsetof(SptiDirect, cdb), "Cdb");
static_assert(IOCTL_SCSI_PASS_THROUGH_DIRECT == kIoctlScsiPassThroughDirect,
              "IOCTL_SCSI_PASS_THROUGH_DIRECT");
#ifndef _WIN64
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 44, "32-bit pass-through structure");
#endif

namespace {

void* systemCreateFile(const char* name, std::uint32_t access, std::uint32_t shareMode,
                       std::uint32_t disposition) {
    return CreateFileA(name, access, shareMode, nullptr, disposition, 0, nullptr);
}

int systemDeviceIoControl(void* handle, std::uint32_t code, void* in, std::uint32_t inSize,
                          void* out, std::uint32_t outSize, std::uint32_t* returned) {
    DWORD bytes = 0;
    BOOL ok = DeviceIoControl(static_cast<HANDLE>(handle), code, in, inSize, out, outSize, &bytes,
                              nullptr);
    if (returned)
        *returned = bytes;
    return ok ? 1 : 0;
}

// The seam's system close, replaceable for tests; DeviceHandle owns the handle.
int systemCloseHandle(void* handle) {
    return CloseHandle(static_cast<HANDLE>(handle)) ? 1 : 0;
}

// A device opened through the seam is closed through it; the thread's last
// error survives the close.
struct SeamHandleTraits {
    using Type = void*;
    static void* none() { return nullptr; }
    static bool isNone(void* handle) { return NullOrInvalidIsNone::isNone(handle); }
    void close(void* handle) const {
        DWORD error = GetLastError();
        closeHandle(handle);
        SetLastError(error);
    }
    int (*closeHandle)(void*) = nullptr;
};
using DeviceHandle = UniqueAny<SeamHandleTraits>;

class Win32SptiPort : public SptiPort {
public:
    explicit Win32SptiPort(const SptiSystemCalls& calls) : calls_(calls) {
        if (!calls_.createFile)
            calls_.createFile = systemCreateFile;
        if (!calls_.deviceIoControl)
            calls_.deviceIoControl = systemDeviceIoControl;
        if (!calls_.closeHandle)
            calls_.closeHandle = systemCloseHandle;
    }

    bool execute(const std::string& devicePath, bool readWrite, const Cdb& cdb, void* buffer,
                 std::uint32_t length) override {
        const std::uint32_t access = readWrite ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;
        DeviceHandle device(
            calls_.createFile(devicePath.c_str(), access, FILE_SHARE_READ, OPEN_EXISTING),
            SeamHandleTraits{calls_.closeHandle});
        if (!device.valid())
            return false;
        SptiBlock block = buildSptiBlock(cdb, buffer, length);
        std::uint32_t returned = 0;
        return calls_.deviceIoControl(device.get(), IOCTL_SCSI_PASS_THROUGH_DIRECT, &block,
                                      sizeof block, &block, sizeof block, &returned) != 0;
    }

private:
    SptiSystemCalls calls_;
};

// One execution request: the block, the data it reads into and its event.
// The library completes them from its own thread, so they stay together, off
// the caller's stack, until the library has let go of them.
struct AspiRequest {
    explicit AspiRequest(std::uint32_t length) : data(length) { std::memset(&srb, 0, sizeof srb); }
    std::uint8_t status() const { return *static_cast<const volatile std::uint8_t*>(&srb.status); }
    // Done: the event is set and the status is final.
    bool settled() const {
        return WaitForSingleObject(event.get(), 0) == WAIT_OBJECT_0 && status() != kSsPending;
    }

    SrbExecScsiCmd srb;
    std::vector<std::uint8_t> data;
    UniqueHandle event{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

class Win32AspiPort : public AspiPort {
public:
    Win32AspiPort(const AspiEntryPoints& entries, UniqueModule library, std::uint32_t waitMs)
        : entries_(entries), library_(std::move(library)), waitMs_(waitMs) {}
    ~Win32AspiPort() override {
        sweep();
        if (!unsettled_.empty()) {
            // The library may still write them: leave them and the library be.
            for (auto& request : unsettled_)
                request.release();
            library_.release();
        }
    }

    bool loaded() const override { return entries_.supportInfo && entries_.sendCommand; }

    std::uint32_t supportInfo() override { return entries_.supportInfo(); }

    int inquireHostAdapter(int adapter, std::uint8_t& uniqueByte3) override {
        SrbHaInquiry srb;
        std::memset(&srb, 0, sizeof srb);
        srb.cmd = kScHaInquiry;
        srb.haId = static_cast<std::uint8_t>(adapter);
        entries_.sendCommand(&srb);
        uniqueByte3 = srb.haUnique[3];
        return srb.status;
    }

    int deviceType(int adapter, int target, int lun, std::uint8_t& type) override {
        SrbGetDeviceType srb;
        std::memset(&srb, 0, sizeof srb);
        srb.cmd = kScGetDevType;
        srb.haId = static_cast<std::uint8_t>(adapter);
        srb.target = static_cast<std::uint8_t>(target);
        srb.lun = static_cast<std::uint8_t>(lun);
        entries_.sendCommand(&srb);
        type = srb.deviceType;
        return srb.status;
    }

    int execute(const AspiDrive& drive, const Cdb& cdb, void* buffer,
                std::uint32_t length) override {
        sweep();
        auto request = std::make_unique<AspiRequest>(length);
        if (!request->event.get())
            return kSsPending;
        SrbExecScsiCmd& srb = request->srb;
        srb.cmd = kScExecScsiCmd;
        srb.haId = drive.hostAdapter;
        srb.flags = kSrbDirIn | kSrbEventNotify;
        srb.target = drive.target;
        srb.lun = drive.lun;
        srb.bufLen = length;
        srb.bufPointer = request->data.empty() ? nullptr : request->data.data();
        srb.senseLen = kAspiSenseLength;
        srb.cdbLen = static_cast<std::uint8_t>(kCdbLength);
        srb.postProc = request->event.get();
        std::memcpy(srb.cdbByte, cdb.data(), kCdbLength);
        ResetEvent(request->event.get());
        if (entries_.sendCommand(&srb) == static_cast<std::uint32_t>(kSsPending)) {
            WaitForSingleObject(request->event.get(), waitMs_);
            if (!request->settled()) {
                abort(*request);
                if (!request->settled()) {
                    std::lock_guard<std::mutex> hold(mutex_);
                    unsettled_.push_back(std::move(request));
                    return kSsPending;
                }
            }
        }
        if (length > 0 && buffer)
            std::memcpy(buffer, request->data.data(), length);
        return request->status();
    }

private:
    void abort(AspiRequest& request) {
        SrbAbort srb;
        std::memset(&srb, 0, sizeof srb);
        srb.cmd = kScAbortSrb;
        srb.haId = request.srb.haId;
        srb.toAbort = &request.srb;
        entries_.sendCommand(&srb);
    }

    // Frees the timed-out requests the library has finished with since.
    void sweep() {
        std::lock_guard<std::mutex> hold(mutex_);
        unsettled_.erase(std::remove_if(unsettled_.begin(), unsettled_.end(),
                                        [](const std::unique_ptr<AspiRequest>& request) {
                                            return request->settled();
                                        }),
                         unsettled_.end());
    }

    AspiEntryPoints entries_;
    UniqueModule library_;
    std::uint32_t waitMs_;
    // The worker and the window's direct play may both send commands.
    std::mutex mutex_;
    std::vector<std::unique_ptr<AspiRequest>> unsettled_;
};

} // namespace

std::unique_ptr<SptiPort> makeSptiPort(const SptiSystemCalls& calls) {
    return std::make_unique<Win32SptiPort>(calls);
}

std::unique_ptr<AspiPort> makeAspiPort(const AspiEntryPoints& entries, std::uint32_t waitMs) {
    return std::make_unique<Win32AspiPort>(entries, UniqueModule(), waitMs);
}

std::unique_ptr<SptiPort> systemSptiPort() {
    return makeSptiPort(SptiSystemCalls{});
}

std::unique_ptr<AspiPort> loadSystemAspiPort() {
    AspiEntryPoints entries;
    UniqueModule library(LoadLibraryA("WNASPI32.DLL"));
    if (library) {
        entries.supportInfo = reinterpret_cast<std::uint32_t (*)()>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), "GetASPI32SupportInfo")));
        entries.sendCommand = reinterpret_cast<std::uint32_t (*)(void*)>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), "SendASPI32Command")));
    }
    return std::make_unique<Win32AspiPort>(entries, std::move(library), kAspiWaitMs);
}

} // namespace rubo
