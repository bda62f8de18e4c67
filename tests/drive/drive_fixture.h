#pragma once

// A transport over fake back ends, with the event log and the dumps going to
// a scratch directory.

#include "base/event_log.h"
#include "fake_scsi.h"
#include "support/test_support.h"

#include <memory>

namespace rubo::test {

struct DriveFixture {
    ScratchDir dir;
    EventLog log;
    FakeSystemInfo system;
    std::vector<SptiCall> sptiCalls;
    FakeResponder spti;
    FakeAspiPort::State aspi;
    std::unique_ptr<ScsiAccess> scsi;

    DriveFixture() {
        log.setDirectory(dir.path().string() + "/");
        log.setSwitches(true, true);
        aspi.loaded = false;
    }

    // Builds the transport (discovery runs now).
    ScsiAccess& make() {
        scsi = std::make_unique<ScsiAccess>(
            std::make_unique<FakeSptiPort>(sptiCalls,
                                           [this](const Cdb& c, std::uint8_t* b, std::uint32_t n) {
                                               return spti && spti(c, b, n);
                                           }),
            std::make_unique<FakeAspiPort>(aspi), system, log);
        scsi->setErrorDetail(2);
        return *scsi;
    }

    // One ASPI adapter with CD-ROM devices at targets 0..count-1.
    void aspiDrives(int count) {
        aspi.loaded = true;
        aspi.supportInfo = 0x0101;
        aspi.adapterUnique3[0] = 8;
        for (int t = 0; t < count; ++t)
            aspi.deviceTypes[{0, t, 0}] = 5;
    }

    std::string eventLog() {
        log.flush();
        return readBytes(dir.path() / kEventLogName);
    }
    std::string file(const char* name) { return readBytes(dir.path() / name); }
};

} // namespace rubo::test
