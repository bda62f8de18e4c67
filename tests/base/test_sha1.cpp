#include <doctest.h>

#include "base/sha1.h"

#include <cstdio>
#include <string>

namespace {

std::string hex(const rubo::Sha1Digest& digest) {
    std::string out;
    char pair[3];
    for (auto byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        out += pair;
    }
    return out;
}

} // namespace

TEST_CASE("SHA-1: the FIPS 180 vectors and the padding's block boundaries") {
    CHECK(hex(rubo::sha1("abc")) == "a9993e364706816aba3e25717850c26c9cd0d89d");
    CHECK(hex(rubo::sha1("")) == "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    CHECK(hex(rubo::sha1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")) ==
          "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    CHECK(hex(rubo::sha1(std::string(1000000, 'a'))) == "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    // 55 bytes leave room for the length in one block, 56 do not, 64 fill one.
    CHECK(hex(rubo::sha1(std::string(55, 'a'))) == "c1c8bbdc22796e28c0e15163d20899b65621d65a");
    CHECK(hex(rubo::sha1(std::string(56, 'a'))) == "c2db330f6083854c99d4b5bfb6e8f29f201be699");
    CHECK(hex(rubo::sha1(std::string(64, 'a'))) == "0098ba824b5c16427bd7a1122a5a442a25ec644d");
}
