#include "drive/spti_block.h"

#include <cstring>

namespace rubo {

SptiBlock buildSptiBlock(const Cdb& cdb, void* buffer, std::uint32_t length) {
    SptiBlock block;
    std::memset(&block, 0, sizeof block);
    block.sptd.length = static_cast<std::uint16_t>(sizeof(SptiDirect));
    block.sptd.cdbLength = static_cast<std::uint8_t>(kCdbLength);
    block.sptd.dataIn = kSptiDataIn;
    block.sptd.dataTransferLength = length;
    block.sptd.timeOutValue = kSptiTimeoutSeconds;
    block.sptd.dataBuffer = buffer;
    block.sptd.senseInfoOffset = static_cast<std::uint32_t>(offsetof(SptiBlock, sense));
    std::memcpy(block.sptd.cdb, cdb.data(), kCdbLength);
    return block;
}

std::string sptiDevicePath(const std::string& drive) {
    return "\\\\.\\" + drive;
}

} // namespace rubo
