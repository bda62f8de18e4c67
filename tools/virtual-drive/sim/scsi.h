#pragma once

// SCSI-3 MMC answers of the simulated drive.

#include <cstddef>
#include <cstdint>

namespace rubo::vdrive {

struct Disc;
struct DriveState;

namespace scsi {
// Operation codes handled.
constexpr std::uint8_t kTestUnitReady = 0x00;
constexpr std::uint8_t kRequestSense = 0x03;
constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint8_t kStartStopUnit = 0x1B;
constexpr std::uint8_t kReadSubChannel = 0x42;
constexpr std::uint8_t kReadToc = 0x43;
constexpr std::uint8_t kPlayAudioMsf = 0x47;
constexpr std::uint8_t kPauseResume = 0x4B;
constexpr std::uint8_t kStopPlayScan = 0x4E;

// Status bytes.
constexpr std::uint8_t kStatusGood = 0x00;
constexpr std::uint8_t kStatusCheckCondition = 0x02;

// Sense keys.
constexpr std::uint8_t kSenseNoSense = 0x00;
constexpr std::uint8_t kSenseNotReady = 0x02;
constexpr std::uint8_t kSenseIllegalRequest = 0x05;

// Additional sense codes / qualifiers.
constexpr std::uint8_t kAscNotReady = 0x04; // with ASCQ 0x01: becoming ready
constexpr std::uint8_t kAscqBecomingReady = 0x01;
constexpr std::uint8_t kAscInvalidOpcode = 0x20;
constexpr std::uint8_t kAscLbaOutOfRange = 0x21;
constexpr std::uint8_t kAscInvalidField = 0x24;
constexpr std::uint8_t kAscCommandSequenceError = 0x2C;
constexpr std::uint8_t kAscMediumNotPresent = 0x3A; // ASCQ 0x01 tray closed, 0x02 tray open
constexpr std::uint8_t kAscqTrayClosed = 0x01;
constexpr std::uint8_t kAscqTrayOpen = 0x02;
constexpr std::uint8_t kAscIllegalModeForTrack = 0x64;

// READ SUB-CHANNEL audio status.
constexpr std::uint8_t kAudioPlaying = 0x11;
constexpr std::uint8_t kAudioPaused = 0x12;
constexpr std::uint8_t kAudioCompleted = 0x13;
constexpr std::uint8_t kAudioNoStatus = 0x15;

constexpr std::size_t kSenseDataSize = 18;
} // namespace scsi

struct ScsiResult {
    std::uint8_t status = scsi::kStatusGood;
    std::uint8_t senseKey = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    std::size_t transferred = 0; // bytes written to the data buffer
};

// Runs one command. `disc` is the disc loaded from state.discPath (nullptr when none
// could be loaded; the drive then has no medium). At most min(allocation length of the
// CDB, dataLength) bytes are written to `data`. The sense is also kept in the state for
// REQUEST SENSE.
ScsiResult executeScsi(DriveState& state, const Disc* disc, const std::uint8_t* cdb,
                       std::size_t cdbLength, std::uint8_t* data, std::size_t dataLength,
                       std::int64_t now);

// Milliseconds the drive takes before it answers the command: the read latency of the
// state for READ TOC (every format) on a ready disc, else 0. Callers wait that long before
// executeScsi completes the command.
std::int32_t scsiCommandDelayMs(const DriveState& state, const Disc* disc, const std::uint8_t* cdb,
                                std::size_t cdbLength, std::int64_t now);

// Fixed-format sense data (0x70) of a result, cut to outLength; returns bytes written.
std::size_t writeSenseData(const ScsiResult& result, std::uint8_t* out, std::size_t outLength);

// INQUIRY strings (space padded in the answer).
constexpr const char* kInquiryVendor = "RUBO";
constexpr const char* kInquiryProduct = "Virtual CD-ROM";
constexpr const char* kInquiryRevision = "1.0";

} // namespace rubo::vdrive
