#include <doctest.h>

#include "drive/aspi_srb.h"
#include "drive/spti_block.h"
#include "fake_scsi.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

using namespace rubo;
using namespace rubo::test;

namespace {

// What the pass-through back end handed to the system calls.
struct SptiCapture {
    std::string name;
    std::uint32_t access = 0;
    std::uint32_t share = 0;
    std::uint32_t disposition = 0;
    std::uint32_t code = 0;
    std::uint32_t inSize = 0;
    std::uint32_t outSize = 0;
    bool sameBlock = false;
    std::vector<std::uint8_t> block;
    int ioctlCalls = 0;
    void* closed = nullptr;
    bool openFails = false;
    int ioctlResult = 1;
} capture;

void* const kFakeHandle = reinterpret_cast<void*>(0x1234);

void* fakeCreateFile(const char* name, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition) {
    capture.name = name;
    capture.access = access;
    capture.share = share;
    capture.disposition = disposition;
    return capture.openFails ? INVALID_HANDLE_VALUE : kFakeHandle;
}

int fakeDeviceIoControl(void* handle, std::uint32_t code, void* in, std::uint32_t inSize, void* out,
                        std::uint32_t outSize, std::uint32_t*) {
    ++capture.ioctlCalls;
    capture.code = code;
    capture.inSize = inSize;
    capture.outSize = outSize;
    capture.sameBlock = in == out && handle == kFakeHandle;
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    capture.block.assign(bytes, bytes + inSize);
    if (!capture.ioctlResult)
        SetLastError(1117); // ERROR_IO_DEVICE
    return capture.ioctlResult;
}

int fakeCloseHandle(void* handle) {
    capture.closed = handle;
    SetLastError(0);
    return 1;
}

std::unique_ptr<SptiPort> fakeSpti() {
    capture = SptiCapture{};
    SptiSystemCalls calls;
    calls.createFile = fakeCreateFile;
    calls.deviceIoControl = fakeDeviceIoControl;
    calls.closeHandle = fakeCloseHandle;
    return makeSptiPort(calls);
}

} // namespace

TEST_CASE("pass-through: the block DeviceIoControl receives") {
    auto port = fakeSpti();
    std::vector<std::uint8_t> data(804);
    const Cdb cdb = readTocCommand(kTocFormatToc);
    SUBCASE("read and write access, the block in and out") {
        REQUIRE(port->execute("\\\\.\\D:", true, cdb, data.data(), 804));
        CHECK(capture.name == "\\\\.\\D:");
        CHECK(capture.access == 0xC0000000u);
        CHECK(capture.share == 1u);       // FILE_SHARE_READ
        CHECK(capture.disposition == 3u); // OPEN_EXISTING
        CHECK(capture.code == 0x4D014u);
        CHECK(capture.sameBlock);
        // The block as built (its fields are checked with the command blocks).
        const SptiBlock built = buildSptiBlock(cdb, data.data(), 804);
        CHECK(capture.inSize == sizeof built);
        CHECK(capture.outSize == sizeof built);
        REQUIRE(capture.block.size() == sizeof built);
        CHECK(std::memcmp(capture.block.data(), &built, sizeof built) == 0);
        CHECK(capture.closed == kFakeHandle);
    }
    SUBCASE("read access only") {
        REQUIRE(port->execute("\\\\.\\E:", false, cdb, data.data(), 804));
        CHECK(capture.access == 0x80000000u);
    }
    SUBCASE("an unopenable drive fails without a request") {
        capture.openFails = true;
        CHECK_FALSE(port->execute("\\\\.\\D:", true, cdb, data.data(), 804));
        CHECK(capture.ioctlCalls == 0);
        CHECK(capture.closed == nullptr);
    }
    SUBCASE("a failed request closes the handle and keeps the last error") {
        capture.ioctlResult = 0;
        CHECK_FALSE(port->execute("\\\\.\\D:", true, cdb, data.data(), 804));
        CHECK(capture.closed == kFakeHandle);
        CHECK(GetLastError() == 1117u);
    }
}

TEST_CASE("pass-through through the transport: access by OS kind") {
    FakeSystemInfo system;
    EventLog log;
    std::vector<std::uint8_t> data(16);
    SUBCASE("Windows 2000") {
        system.kind = kOsWindows2000;
        ScsiAccess s(fakeSpti(), makeAspiPort(AspiEntryPoints{}), system, log);
        CHECK(s.sptiExecute("D:", readSubChannelCommand(), data.data(), 16) == 1);
        CHECK(capture.access == 0xC0000000u);
        CHECK(capture.name == "\\\\.\\D:");
    }
    SUBCASE("Windows 2000 variant") {
        system.kind = kOsWindows2000Variant;
        ScsiAccess s(fakeSpti(), makeAspiPort(AspiEntryPoints{}), system, log);
        CHECK(s.sptiExecute("D:", readSubChannelCommand(), data.data(), 16) == 1);
        CHECK(capture.access == 0x80000000u);
    }
}

namespace {

// A one-drive ASPI library; execution requests are kept.
struct AspiCapture {
    std::vector<std::uint8_t> exec;
    bool complete = true;
} aspiCapture;

std::uint32_t fakeSupportInfo() {
    return 0x0101;
}

std::uint32_t fakeSendCommand(void* srb) {
    auto* bytes = static_cast<std::uint8_t*>(srb);
    switch (bytes[0]) {
    case kScHaInquiry: {
        auto* ha = static_cast<SrbHaInquiry*>(srb);
        ha->haUnique[3] = 1;
        ha->status = kSsComp;
        return kSsComp;
    }
    case kScGetDevType: {
        auto* dev = static_cast<SrbGetDeviceType*>(srb);
        dev->status = dev->target == 0 && dev->lun == 2 ? kSsComp : 0x82;
        dev->deviceType = kDeviceTypeCdRom;
        return dev->status;
    }
    case kScExecScsiCmd: {
        auto* exec = static_cast<SrbExecScsiCmd*>(srb);
        aspiCapture.exec.assign(bytes, bytes + sizeof(SrbExecScsiCmd));
        if (aspiCapture.complete)
            std::memset(exec->bufPointer, 0x5A, exec->bufLen);
        exec->status = aspiCapture.complete ? kSsComp : kSsPending;
        SetEvent(static_cast<HANDLE>(exec->postProc));
        return kSsPending;
    }
    default:
        return 0x80;
    }
}

} // namespace

TEST_CASE("ASPI: discovery and the execution request block") {
    aspiCapture = AspiCapture{};
    FakeSystemInfo system;
    EventLog log;
    system.admin = false;
    AspiEntryPoints entries;
    entries.supportInfo = fakeSupportInfo;
    entries.sendCommand = fakeSendCommand;
    ScsiAccess s(fakeSpti(), makeAspiPort(entries), system, log);
    REQUIRE(s.aspiAvailable());
    REQUIRE(s.driveCount() == 1);
    CHECK(s.aspiDrive(0).name == "ASPI[0:0:2]");
    std::vector<std::uint8_t> data(804);
    const Cdb cdb = readTocCommand(kTocFormatToc);
    SUBCASE("a completed request") {
        CHECK(s.executeCommand("D:", "D", cdb, data.data(), 804) == 1);
        REQUIRE(aspiCapture.exec.size() == sizeof(SrbExecScsiCmd));
        SrbExecScsiCmd srb;
        std::memcpy(&srb, aspiCapture.exec.data(), sizeof srb);
        CHECK(srb.cmd == 2);
        CHECK(srb.haId == 0);
        CHECK(srb.flags == 0x48);
        CHECK(srb.target == 0);
        CHECK(srb.lun == 2);
        CHECK(srb.bufLen == 804u);
        CHECK(srb.bufPointer != nullptr);
        CHECK(std::count(data.begin(), data.end(), 0x5A) == 804);
        CHECK(srb.senseLen == 14);
        CHECK(srb.cdbLen == 10);
        CHECK(srb.postProc != nullptr);
        CHECK(std::memcmp(srb.cdbByte, cdb.data(), 10) == 0);
        CHECK(srb.cdbByte[10] == 0);
        CHECK(capture.ioctlCalls == 0);
    }
    SUBCASE("a request still pending after the wait fails") {
        aspiCapture.complete = false;
        CHECK(s.executeCommand("D:", "D", cdb, data.data(), 804) == 0);
        CHECK(std::count(data.begin(), data.end(), 0) == 804);
    }
}

namespace {

// A library that leaves execution requests pending until told otherwise.
struct HungRequest {
    SrbExecScsiCmd* srb = nullptr;
    std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    HANDLE event = nullptr;
};
struct HungLibrary {
    bool hang = true;
    bool abortCompletes = true;
    HungRequest pending;
    std::vector<SrbAbort> aborts;
} hung;

std::uint32_t hungSendCommand(void* srb) {
    auto* bytes = static_cast<std::uint8_t*>(srb);
    if (bytes[0] == kScAbortSrb) {
        auto* abort = static_cast<SrbAbort*>(srb);
        hung.aborts.push_back(*abort);
        if (hung.abortCompletes && abort->toAbort == hung.pending.srb) {
            hung.pending.srb->status = kSsAborted;
            SetEvent(hung.pending.event);
        }
        abort->status = kSsComp;
        return kSsComp;
    }
    if (bytes[0] != kScExecScsiCmd)
        return fakeSendCommand(srb);
    auto* exec = static_cast<SrbExecScsiCmd*>(srb);
    if (!hung.hang) {
        std::memset(exec->bufPointer, 0x5A, exec->bufLen);
        exec->status = kSsComp;
        SetEvent(static_cast<HANDLE>(exec->postProc));
        return kSsPending;
    }
    hung.pending =
        HungRequest{exec, exec->bufPointer, exec->bufLen, static_cast<HANDLE>(exec->postProc)};
    return kSsPending;
}

} // namespace

TEST_CASE("ASPI: a request that outlives the wait is aborted and kept until it settles") {
    hung = HungLibrary{};
    AspiEntryPoints entries;
    entries.supportInfo = fakeSupportInfo;
    entries.sendCommand = hungSendCommand;
    auto port = makeAspiPort(entries, 20);
    AspiDrive drive;
    drive.lun = 2;
    drive.hostAdapter = 0;
    std::vector<std::uint8_t> data(804, 0);
    const Cdb cdb = readTocCommand(kTocFormatToc);

    SUBCASE("the abort settles it at once") {
        CHECK(port->execute(drive, cdb, data.data(), 804) == kSsAborted);
        REQUIRE(hung.aborts.size() == 1);
        CHECK(hung.aborts[0].haId == 0);
        CHECK(hung.aborts[0].toAbort == hung.pending.srb);
    }
    SUBCASE("the library completes it later, into memory that is still the request's") {
        hung.abortCompletes = false;
        CHECK(port->execute(drive, cdb, data.data(), 804) == kSsPending);
        REQUIRE(hung.aborts.size() == 1);
        REQUIRE(hung.aborts[0].toAbort == hung.pending.srb);
        // The late completion, after the caller has gone on.
        CHECK(hung.pending.srb->cmd == kScExecScsiCmd);
        CHECK(hung.pending.length == 804u);
        std::memset(hung.pending.data, 0xEE, hung.pending.length);
        hung.pending.srb->status = kSsComp;
        SetEvent(hung.pending.event);
        CHECK(std::count(data.begin(), data.end(), 0) == 804);
        // The next request runs as usual.
        hung.hang = false;
        CHECK(port->execute(drive, cdb, data.data(), 804) == kSsComp);
        CHECK(std::count(data.begin(), data.end(), 0x5A) == 804);
    }
}
