#pragma once

#include "sim/disc.h"

#include <doctest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vdtest {

using Bytes = std::vector<std::uint8_t>;

// Parses a disc description that the test requires to be valid.
inline rubo::vdrive::Disc makeDisc(const std::string& text) {
    rubo::vdrive::Disc disc;
    std::string error;
    bool ok = rubo::vdrive::parseDisc(text, "test.disc", "", disc, error);
    INFO(error);
    REQUIRE(ok);
    return disc;
}

// Two audio tracks in session 1, a data track in session 2.
inline const char* kEnhancedDisc = "serial 1234-ABCD\n"
                                   "session 1\n"
                                   "track 1 audio 00:02:00\n"
                                   "track 2 audio 05:00:00\n"
                                   "leadout 10:00:00\n"
                                   "session 2\n"
                                   "track 3 data 12:32:00\n"
                                   "leadout 20:00:00\n";

// Three audio tracks, one session.
inline const char* kAudioDisc = "track 1 audio 00:02:00\n"
                                "track 2 audio 01:00:00\n"
                                "track 3 audio 02:00:00\n"
                                "leadout 03:00:00\n";

} // namespace vdtest
