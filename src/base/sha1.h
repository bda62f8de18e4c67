#pragma once

// SHA-1 (FIPS 180-4) of a byte string.

#include <array>
#include <cstdint>
#include <string_view>

namespace rubo {

constexpr std::size_t kSha1DigestBytes = 20;
using Sha1Digest = std::array<std::uint8_t, kSha1DigestBytes>;

Sha1Digest sha1(std::string_view bytes);

} // namespace rubo
