#include "drive/scsi_commands.h"

namespace rubo {

namespace {

constexpr std::uint8_t kMsfBit = 0x02;

void putAllocation(Cdb& cdb, std::size_t bytes) {
    cdb[7] = static_cast<std::uint8_t>((bytes >> 8) & 0xFF);
    cdb[8] = static_cast<std::uint8_t>(bytes & 0xFF);
}

std::size_t tocBytesOf(int format) {
    switch (format) {
    case kTocFormatSessions:
        return kSessionInfoBytes;
    case kTocFormatFullToc:
        return kFullTocBytes;
    case kTocFormatCdText:
        return kCdTextBytes;
    default:
        return kTocBytes;
    }
}

} // namespace

Cdb readTocCommand(int format, int session) {
    Cdb cdb{};
    cdb[0] = kOpReadToc;
    cdb[1] = kMsfBit;
    cdb[2] = static_cast<std::uint8_t>(format & 0x0F);
    cdb[6] = static_cast<std::uint8_t>(session & 0xFF);
    putAllocation(cdb, tocBytesOf(format));
    return cdb;
}

Cdb readSubChannelCommand() {
    Cdb cdb{};
    cdb[0] = kOpReadSubChannel;
    cdb[1] = kMsfBit;
    cdb[2] = 0x40; // SubQ
    cdb[3] = 0x01; // current position
    putAllocation(cdb, kSubChannelBytes);
    return cdb;
}

Cdb playAudioMsfCommand(PackedMsf start, PackedMsf end) {
    Cdb cdb{};
    cdb[0] = kOpPlayAudioMsf;
    cdb[3] = static_cast<std::uint8_t>(msfMinutes(start));
    cdb[4] = static_cast<std::uint8_t>(msfSeconds(start));
    cdb[5] = static_cast<std::uint8_t>(msfFrames(start));
    cdb[6] = static_cast<std::uint8_t>(msfMinutes(end));
    cdb[7] = static_cast<std::uint8_t>(msfSeconds(end));
    cdb[8] = static_cast<std::uint8_t>(msfFrames(end));
    return cdb;
}

} // namespace rubo
