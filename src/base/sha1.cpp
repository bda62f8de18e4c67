#include "base/sha1.h"

#include <cstddef>

namespace rubo {

namespace {

constexpr std::size_t kBlockBytes = 64;

std::uint32_t rotl(std::uint32_t v, int n) {
    return (v << n) | (v >> (32 - n));
}

void compress(std::uint32_t state[5], const std::uint8_t* block) {
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i)
        w[i] = (std::uint32_t{block[4 * i]} << 24) | (std::uint32_t{block[4 * i + 1]} << 16) |
               (std::uint32_t{block[4 * i + 2]} << 8) | std::uint32_t{block[4 * i + 3]};
    for (int i = 16; i < 80; ++i)
        w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        std::uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        const std::uint32_t t = rotl(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = rotl(b, 30);
        b = a;
        a = t;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

} // namespace

Sha1Digest sha1(std::string_view bytes) {
    std::uint32_t state[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t whole = bytes.size() - bytes.size() % kBlockBytes;
    for (std::size_t pos = 0; pos < whole; pos += kBlockBytes)
        compress(state, data + pos);
    // The tail, the 0x80 marker, zeros and the bit length fill one or two blocks.
    std::uint8_t tail[2 * kBlockBytes] = {};
    const std::size_t rest = bytes.size() - whole;
    for (std::size_t i = 0; i < rest; ++i)
        tail[i] = data[whole + i];
    tail[rest] = 0x80;
    const std::size_t tailBytes = rest + 9 <= kBlockBytes ? kBlockBytes : 2 * kBlockBytes;
    const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
    for (int i = 0; i < 8; ++i)
        tail[tailBytes - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
    for (std::size_t pos = 0; pos < tailBytes; pos += kBlockBytes)
        compress(state, tail + pos);
    Sha1Digest digest{};
    for (std::size_t i = 0; i < kSha1DigestBytes; ++i)
        digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}

} // namespace rubo
