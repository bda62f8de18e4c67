#include "drive/drive_readers.h"

#include "base/event_log.h"
#include "base/file_io.h"
#include "drive/cdtext_parser.h"
#include "drive/toc_parser.h"

#include <algorithm>
#include <vector>

namespace rubo {

namespace {

// Highest track number taken from the CD-audio device.
constexpr std::uint32_t kMaxDeviceTracks = 99;

// A dump file in the log directory, emptied when opened. When it cannot be
// created nothing is written and the reading goes on.
class DumpFile {
public:
    DumpFile(const EventLog& log, const char* name) : path_(log.pathOf(name)) {
        ok_ = truncateFile(path_);
    }
    void write(const std::string& text) {
        if (!ok_)
            return;
        std::string out;
        out.reserve(text.size() + text.size() / 8);
        for (char c : text) {
            if (c == '\n')
                out += kLineEnd;
            else
                out += c;
        }
        appendToFile(path_, out);
    }

private:
    std::string path_;
    bool ok_ = false;
};

ByteSpan spanOf(const std::vector<std::uint8_t>& buffer) {
    return ByteSpan{buffer.data(), buffer.size()};
}

std::uint32_t sizeOf(const std::vector<std::uint8_t>& buffer) {
    return static_cast<std::uint32_t>(buffer.size());
}

} // namespace

void fillFromDevice(CdAudioDevice& device, TrackList& list) {
    std::uint32_t count = device.numberOfTracks();
    if (count > kMaxDeviceTracks)
        count = kMaxDeviceTracks;
    list.trackCount = static_cast<int>(count);
    device.setTimeFormat(kMciFormatMsf);
    for (std::uint32_t i = 1; i <= count; ++i) {
        TrackEntry* entry = list.entryForStore(static_cast<int>(i));
        entry->number = static_cast<int>(i);
        entry->start = device.trackStart(i);
        entry->length = device.trackLength(i);
        entry->title.clear();
        entry->extended.clear();
        entry->audio = device.trackType(i) == kMciCdaTrackAudio ? 1 : 0;
    }
    device.setTimeFormat(kMciFormatTmsf);
    if (count == 0) {
        list.leadOut = 0;
        return;
    }
    const TrackEntry* last = list.entry(static_cast<int>(count));
    list.leadOut = deviceLeadOut(last->start, last->length);
}

int readTrackList(const std::string& drive, std::string& aspiMap, CdAudioDevice& device,
                  ScsiAccess& scsi, int detectMultiSession, TrackList& list) {
    list.clear();
    if (detectMultiSession && readSessionInfo(drive, aspiMap, scsi)) {
        std::vector<std::uint8_t> fullToc(kFullTocBytes, 0);
        if (scsi.executeCommand(drive, aspiMap, readTocCommand(kTocFormatFullToc, 0),
                                fullToc.data(), sizeOf(fullToc))) {
            parseFirstSession(spanOf(fullToc), list);
            return 1;
        }
        fillFromDevice(device, list);
        return 0;
    }
    fillFromDevice(device, list);

    if (scsi.usesSpti() || scsi.triesSptiFirst()) {
        std::vector<std::uint8_t> toc(kTocBytes, 0);
        if (scsi.sptiExecute(drive, readTocCommand(kTocFormatToc), toc.data(), sizeOf(toc)) &&
            tocFirstTrack(spanOf(toc)) == 1) {
            extendFromToc(spanOf(toc), list);
            return 0;
        }
        // A failed read, or one not starting at track 1: ASPI may still know the drive.
    }
    if (scsi.aspiAvailable() && !drive.empty()) {
        std::vector<std::uint8_t> toc;
        const int row = scsi.findAspiDrive(drive, list, aspiMap, &toc);
        if (row >= 0) {
            extendFromToc(spanOf(toc), list);
            const std::size_t at = static_cast<std::size_t>(row);
            if (at >= aspiMap.size() || aspiMap[at] != drive[0])
                aspiMap = repairAspiMap(aspiMap, drive[0], row);
        }
    }
    return 0;
}

bool readSessionInfo(const std::string& drive, const std::string& aspiMap, ScsiAccess& scsi) {
    std::vector<std::uint8_t> info(kSessionInfoBytes, 0);
    if (!scsi.executeCommand(drive, aspiMap, readTocCommand(kTocFormatSessions), info.data(),
                             sizeOf(info)))
        return false;
    const int first = info[2];
    const int last = info[3];
    if (scsi.sessionLog()) {
        DumpFile log(scsi.log(), kSessionsLogName);
        log.write(sessionRangeText(spanOf(info)));
        std::vector<std::uint8_t> fullToc(kFullTocBytes);
        for (int s = first; s <= last; ++s) {
            std::fill(fullToc.begin(), fullToc.end(), 0);
            if (scsi.executeCommand(drive, aspiMap, readTocCommand(kTocFormatFullToc, s),
                                    fullToc.data(), sizeOf(fullToc)))
                log.write(sessionDumpText(spanOf(fullToc), s));
        }
    }
    return first != last;
}

int readCdText(const std::string& drive, const std::string& aspiMap, ScsiAccess& scsi) {
    std::vector<std::uint8_t>& buffer = scsi.cdTextBuffer();
    buffer.assign(kCdTextBytes, 0);
    const int ok = scsi.executeCommand(drive, aspiMap, readTocCommand(kTocFormatCdText),
                                       buffer.data(), sizeOf(buffer));
    resetDiscInfo(scsi.cdTextInfo());
    if (!ok)
        return 0;
    if (scsi.cdTextLog()) {
        DumpFile log(scsi.log(), kCdTextLogName);
        const CdTextStrings strings =
            parseCdTextPacks(spanOf(buffer), [&log](const std::string& line) { log.write(line); });
        log.write(cdTextSummaryText(strings));
        applyCdText(strings, scsi.cdTextInfo());
    } else {
        applyCdText(parseCdTextPacks(spanOf(buffer), CdTextLineSink()), scsi.cdTextInfo());
    }
    return 1;
}

} // namespace rubo
