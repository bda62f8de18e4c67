#pragma once

// The SCSI transport: chooses the pass-through or the ASPI back end per
// command, keeps the ASPI CD-ROM devices and the last CD-TEXT result.

#include "base/event_log.h"
#include "base/system_info.h"
#include "discinfo/disc_model.h"
#include "drive/scsi_commands.h"
#include "drive/scsi_ports.h"
#include "drive/toc_parser.h"

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace rubo {

constexpr int kMaxAspiDrives = 8;
constexpr char kUnknownMapLetter = '_';

// Log sites of the transport errors.
constexpr unsigned kSitePlayError = 430;
constexpr unsigned kSiteSptiError = 938;
constexpr unsigned kSiteAspiError = 956;

// Kinds above this one use the pass-through interface for administrators.
constexpr OsKind kLastKindWithoutSpti = kOsNt35;
// The last kind with that rule. From Vista on, which has no ASPI of its own,
// pass-through is tried first for every user and ASPI takes over a command
// that pass-through cannot carry.
constexpr OsKind kLastKindSptiForAdministrators = kOsWindowsDotNet;
// Kinds from this one on open the device for reading and writing.
constexpr OsKind kFirstKindReadWrite = kOsWindows2000;

class ScsiAccess {
public:
    // The platform back ends and system information. `log` takes the
    // transport errors and gives the folder of the readers' dump files.
    explicit ScsiAccess(EventLog& log);
    ScsiAccess(std::unique_ptr<SptiPort> spti, std::unique_ptr<AspiPort> aspi, SystemInfo& system,
               EventLog& log);
    ScsiAccess(const ScsiAccess&) = delete;
    ScsiAccess& operator=(const ScsiAccess&) = delete;

    // 1 on success, 0 on failure; the back end by OS kind, administrator
    // test and the ASPI map.
    int executeCommand(const std::string& drive, const std::string& aspiMap, const Cdb& cdb,
                       void* buffer, std::uint32_t length);
    int aspiExecute(int row, const Cdb& cdb, void* buffer, std::uint32_t length);
    int sptiExecute(const std::string& drive, const Cdb& cdb, void* buffer, std::uint32_t length);
    // The pass-through interface is the only back end of this system and user.
    bool usesSpti() const;
    // Pass-through first, ASPI for a command it fails (Vista and later).
    bool triesSptiFirst() const;

    // The row whose format-0 TOC matches the device's track list, or -1.
    // The matching response is left in `matchedToc` when given.
    int findAspiDrive(const std::string& drive, const TrackList& deviceList,
                      const std::string& aspiMap, std::vector<std::uint8_t>* matchedToc = nullptr);

    // READ SUB-CHANNEL into the transport's 16-byte buffer; 1 on success.
    int readSubChannel(const std::string& drive, const std::string& aspiMap);
    const std::array<std::uint8_t, kSubChannelBytes>& subChannel() const { return subChannel_; }
    // The current position from a fresh read (all zero on failure).
    SubChannelPosition currentPosition(const std::string& drive, const std::string& aspiMap);
    // PLAY AUDIO MSF; on failure logs the platform's error text.
    int playAudioMsf(const std::string& drive, const std::string& aspiMap, PackedMsf start,
                     PackedMsf end);

    // The log switches: set by the user-interface thread, read by the worker.
    void setCdTextLog(bool on) { cdTextLog_.store(on); }
    void setSessionLog(bool on) { sessionLog_.store(on); }
    void setErrorDetail(int level) { errorDetail_.store(level); }
    bool cdTextLog() const { return cdTextLog_.load(); }
    bool sessionLog() const { return sessionLog_.load(); }
    bool aspiAvailable() const { return aspiAvailable_; }

    int driveCount() const { return driveCount_; }
    const AspiDrive& aspiDrive(int row) const { return drives_[static_cast<std::size_t>(row)]; }

    DiscInfo& cdTextInfo() { return cdTextInfo_; }
    const DiscInfo& cdTextInfo() const { return cdTextInfo_; }
    std::vector<std::uint8_t>& cdTextBuffer() { return cdText_; }
    SystemInfo& system() { return system_; }
    EventLog& log() { return log_; }

private:
    bool discoverDevices();
    // The ASPI row the map gives the drive, -1 without ASPI or a row.
    int aspiRow(const std::string& drive, const std::string& aspiMap) const;

    std::unique_ptr<SptiPort> spti_;
    std::unique_ptr<AspiPort> aspi_;
    SystemInfo& system_;
    EventLog& log_;
    std::array<AspiDrive, kMaxAspiDrives> drives_{};
    int driveCount_ = 0;
    bool aspiAvailable_ = false;
    std::atomic<bool> cdTextLog_{false};
    std::atomic<bool> sessionLog_{false};
    std::atomic<int> errorDetail_{0};
    DiscInfo cdTextInfo_;
    std::vector<std::uint8_t> cdText_;
    std::array<std::uint8_t, kSubChannelBytes> subChannel_{};
};

// The map after row `row` was found for `letter`: every other occurrence of
// the letter becomes "_", unknown positions before the row become "_".
std::string repairAspiMap(const std::string& aspiMap, char letter, int row);

} // namespace rubo
