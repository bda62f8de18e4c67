#pragma once

// The SCSI-3 MMC commands the player sends: always 10-byte command blocks,
// always with the data direction "in".

#include "discinfo/disc_model.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace rubo {

constexpr std::size_t kCdbLength = 10;
using Cdb = std::array<std::uint8_t, kCdbLength>;

// Operation codes.
constexpr std::uint8_t kOpReadSubChannel = 0x42;
constexpr std::uint8_t kOpReadToc = 0x43;
constexpr std::uint8_t kOpPlayAudioMsf = 0x47;

// READ TOC formats.
constexpr int kTocFormatToc = 0;
constexpr int kTocFormatSessions = 1;
constexpr int kTocFormatFullToc = 2;
constexpr int kTocFormatCdText = 5;

// Response buffer sizes (also the allocation lengths of the commands).
constexpr std::size_t kTocBytes = 804;
constexpr std::size_t kSessionInfoBytes = 804;
constexpr std::size_t kFullTocBytes = 1104;
constexpr std::size_t kCdTextBytes = 5000;
constexpr std::size_t kSubChannelBytes = 16;

// READ TOC in MSF form with the allocation length of its format; `session`
// goes to byte 6 (used by the full TOC: 0 means all sessions).
Cdb readTocCommand(int format, int session = 0);
// READ SUB-CHANNEL, MSF, sub-Q, current position, 16 bytes.
Cdb readSubChannelCommand();
// PLAY AUDIO MSF from start to end.
Cdb playAudioMsfCommand(PackedMsf start, PackedMsf end);

} // namespace rubo
