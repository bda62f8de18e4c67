#include "drive/scsi_access.h"

#include "base/text_format.h"
#include "drive/aspi_srb.h"
#include "drive/spti_block.h"

#include <algorithm>

namespace rubo {

namespace {

constexpr int kTargetsWhenUnknown = 8;
constexpr int kLunsPerTarget = 8;
constexpr std::size_t kNameChars = 31;

} // namespace

ScsiAccess::ScsiAccess(EventLog& log)
    : ScsiAccess(systemSptiPort(), loadSystemAspiPort(), systemInfo(), log) {}

ScsiAccess::ScsiAccess(std::unique_ptr<SptiPort> spti, std::unique_ptr<AspiPort> aspi,
                       SystemInfo& system, EventLog& log)
    : spti_(std::move(spti)), aspi_(std::move(aspi)), system_(system), log_(log),
      cdText_(kCdTextBytes, 0) {
    if (aspi_ && aspi_->loaded() && discoverDevices())
        aspiAvailable_ = true;
}

bool ScsiAccess::discoverDevices() {
    drives_ = {};
    driveCount_ = 0;
    const std::uint32_t info = aspi_->supportInfo();
    const int status = static_cast<int>((info >> 8) & 0xFF);
    const int adapters = static_cast<int>(info & 0xFF);
    if ((status != kSsComp && status != kSsNoAdapters) || adapters == 0)
        return false;
    for (int a = 0; a < adapters; ++a) {
        std::uint8_t unique3 = 0;
        if (aspi_->inquireHostAdapter(a, unique3) != kSsComp)
            continue;
        const int targets = unique3 != 0 ? unique3 : kTargetsWhenUnknown;
        for (int t = 0; t < targets; ++t) {
            for (int l = 0; l < kLunsPerTarget; ++l) {
                std::uint8_t type = 0;
                if (aspi_->deviceType(a, t, l, type) != kSsComp || type != kDeviceTypeCdRom ||
                    driveCount_ >= kMaxAspiDrives)
                    continue;
                AspiDrive& row = drives_[static_cast<std::size_t>(driveCount_++)];
                row.hostAdapter = static_cast<std::uint8_t>(a);
                row.target = static_cast<std::uint8_t>(t);
                row.lun = static_cast<std::uint8_t>(l);
                row.name = formatBounded(kNameChars, "ASPI[%d:%d:%d]", a, t, l);
            }
        }
    }
    return true;
}

bool ScsiAccess::usesSpti() const {
    const OsKind kind = system_.osKind();
    return kind > kLastKindWithoutSpti && kind <= kLastKindSptiForAdministrators &&
           system_.isAdministrator();
}

bool ScsiAccess::triesSptiFirst() const {
    return system_.osKind() > kLastKindSptiForAdministrators;
}

int ScsiAccess::executeCommand(const std::string& drive, const std::string& aspiMap, const Cdb& cdb,
                               void* buffer, std::uint32_t length) {
    const bool sptiOnly = usesSpti();
    if (sptiOnly || triesSptiFirst()) {
        if (sptiExecute(drive, cdb, buffer, length))
            return 1;
        // The error of the back end that had the last word is logged.
        if (sptiOnly || aspiRow(drive, aspiMap) < 0) {
            if (errorDetail_.load() == 2)
                log_.logEvent(kSiteSptiError, "  : SPTI Error: %02X, %s", cdb[0],
                              system_.lastErrorText().c_str());
            return 0;
        }
    }
    const int row = aspiRow(drive, aspiMap);
    if (row < 0)
        return 0;
    if (aspiExecute(row, cdb, buffer, length))
        return 1;
    if (errorDetail_.load() == 2)
        log_.logEvent(kSiteAspiError, "  : ASPI Error: %02X, %s", cdb[0],
                      system_.lastErrorText().c_str());
    return 0;
}

int ScsiAccess::aspiRow(const std::string& drive, const std::string& aspiMap) const {
    if (!aspiAvailable_ || drive.empty())
        return -1;
    const std::size_t row = aspiMap.find(drive[0]);
    return row == std::string::npos ? -1 : static_cast<int>(row);
}

int ScsiAccess::aspiExecute(int row, const Cdb& cdb, void* buffer, std::uint32_t length) {
    if (!aspiAvailable_ || row < 0 || row >= driveCount_)
        return 0;
    return aspi_->execute(drives_[static_cast<std::size_t>(row)], cdb, buffer, length) == kSsComp
               ? 1
               : 0;
}

int ScsiAccess::sptiExecute(const std::string& drive, const Cdb& cdb, void* buffer,
                            std::uint32_t length) {
    if (!spti_)
        return 0;
    const bool readWrite = system_.osKind() >= kFirstKindReadWrite;
    return spti_->execute(sptiDevicePath(drive), readWrite, cdb, buffer, length) ? 1 : 0;
}

int ScsiAccess::findAspiDrive(const std::string& drive, const TrackList& deviceList,
                              const std::string& aspiMap, std::vector<std::uint8_t>* matchedToc) {
    if (!aspiAvailable_ || drive.empty())
        return -1;
    std::vector<std::uint8_t> toc(kTocBytes);
    const Cdb cdb = readTocCommand(kTocFormatToc);
    auto matches = [&](int row) {
        std::fill(toc.begin(), toc.end(), 0);
        if (!aspiExecute(row, cdb, toc.data(), static_cast<std::uint32_t>(toc.size())))
            return false;
        if (!tocMatches(ByteSpan{toc.data(), toc.size()}, deviceList))
            return false;
        if (matchedToc)
            *matchedToc = toc;
        return true;
    };
    for (std::size_t i = 0; i < aspiMap.size(); ++i)
        if (aspiMap[i] == drive[0] && matches(static_cast<int>(i)))
            return static_cast<int>(i);
    for (int row = 0; row < driveCount_; ++row)
        if (matches(row))
            return row;
    return -1;
}

int ScsiAccess::readSubChannel(const std::string& drive, const std::string& aspiMap) {
    subChannel_ = {};
    return executeCommand(drive, aspiMap, readSubChannelCommand(), subChannel_.data(),
                          static_cast<std::uint32_t>(subChannel_.size()));
}

SubChannelPosition ScsiAccess::currentPosition(const std::string& drive,
                                               const std::string& aspiMap) {
    if (!readSubChannel(drive, aspiMap))
        return SubChannelPosition{};
    return parseSubChannel(ByteSpan{subChannel_.data(), subChannel_.size()});
}

int ScsiAccess::playAudioMsf(const std::string& drive, const std::string& aspiMap, PackedMsf start,
                             PackedMsf end) {
    if (executeCommand(drive, aspiMap, playAudioMsfCommand(start, end), nullptr, 0))
        return 1;
    if (errorDetail_.load() != 0)
        log_.logEvent(kSitePlayError, "  : ASPI/SPTI Error: %s", system_.lastErrorText().c_str());
    return 0;
}

std::string repairAspiMap(const std::string& aspiMap, char letter, int row) {
    std::string map = aspiMap;
    if (row < 0)
        return map;
    std::replace(map.begin(), map.end(), letter, kUnknownMapLetter);
    if (map.size() <= static_cast<std::size_t>(row))
        map.resize(static_cast<std::size_t>(row) + 1, kUnknownMapLetter);
    map[static_cast<std::size_t>(row)] = letter;
    return map;
}

} // namespace rubo
